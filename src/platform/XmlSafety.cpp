// The start-tag scan, the entity budget and the silencing of libxml2's own error output.
#include "platform/XmlSafety.h"

#include <algorithm>
#include <string>
#include <type_traits>
#include <vector>

#include <libxml/SAX2.h>
#include <libxml/entities.h>

#include "platform/Platform.h"

namespace kx::xml {

namespace {

// Scans the text as the parser will see it, one character (or, for UTF-8, one byte: markup is
// ASCII and no byte of a multi-byte character is) at a time.
template <class View>
class TagScanner {
public:
    explicit TagScanner(View text) : m_text(text) {}

    bool Run(std::string& why)
    {
        std::size_t i = 0;
        const std::size_t n = m_text.size();
        while (i < n) {
            if (At(i) != '<') {
                ++i;
            } else if (StartsWith(i, "<!--")) {
                i = SkipPast(i + 4, "-->");
            } else if (StartsWith(i, "<![CDATA[")) {
                i = SkipPast(i + 9, "]]>");
            } else if (StartsWith(i, "<?")) {
                i = SkipPast(i + 2, "?>");
            } else if (At(i + 1) == '!' || At(i + 1) == '/') {
                ++i; // declarations and end tags carry no attributes
            } else {
                // A start tag: every '=' outside a quoted value is one attribute.
                std::size_t count = 0;
                char32_t quote = 0;
                for (++i; i < n; ++i) {
                    const char32_t c = At(i);
                    if (quote) {
                        if (c == quote)
                            quote = 0;
                    } else if (c == '"' || c == '\'') {
                        quote = c;
                    } else if (c == '=') {
                        if (++count > kMaxAttributesPerTag) {
                            why = "a start tag has more than " + std::to_string(kMaxAttributesPerTag) + " attributes";
                            return false;
                        }
                    } else if (c == '>' || c == '<') {
                        break;
                    }
                }
            }
        }
        return true;
    }

private:
    char32_t At(std::size_t i) const
    {
        if (i >= m_text.size())
            return 0;
        using Unit = std::make_unsigned_t<typename View::value_type>;
        return static_cast<char32_t>(static_cast<Unit>(m_text[i]));
    }

    bool StartsWith(std::size_t i, const char* s) const
    {
        for (; *s; ++s, ++i) {
            if (At(i) != static_cast<unsigned char>(*s))
                return false;
        }
        return true;
    }

    std::size_t SkipPast(std::size_t i, const char* end) const
    {
        for (; i < m_text.size(); ++i) {
            if (StartsWith(i, end))
                return i + std::char_traits<char>::length(end);
        }
        return m_text.size();
    }

    View m_text;
};

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return (x >= 'a' && x <= 'z' ? x - 32 : x) == (y >= 'a' && y <= 'z' ? y - 32 : y);
           });
}

// The encoding named by an XML declaration at the start of ASCII-compatible bytes, or empty.
std::string DeclaredEncoding(std::string_view bytes)
{
    if (bytes.substr(0, 5) != "<?xml")
        return {};
    const std::string_view decl = bytes.substr(0, bytes.find("?>"));
    std::size_t p = decl.find("encoding");
    if (p == std::string_view::npos)
        return {};
    p += 8;
    auto skipBlanks = [&] {
        while (p < decl.size() && (decl[p] == ' ' || decl[p] == '\t' || decl[p] == '\r' || decl[p] == '\n'))
            ++p;
    };
    skipBlanks();
    if (p >= decl.size() || decl[p] != '=')
        return {};
    ++p;
    skipBlanks();
    if (p >= decl.size() || (decl[p] != '"' && decl[p] != '\''))
        return {};
    const std::size_t close = decl.find(decl[p], p + 1);
    if (close == std::string_view::npos)
        return {};
    return std::string(decl.substr(p + 1, close - p - 1));
}

bool Starts(std::string_view bytes, std::string_view prefix) { return bytes.substr(0, prefix.size()) == prefix; }

thread_local EntityBudget* t_pActiveBudget = nullptr;

constexpr std::size_t kOverBudget = kMaxEntityExpansion + 1;
// Deeper nesting than the parser itself allows is over budget without further counting.
constexpr int kMaxEntityDepth = 40;

void Silent(void*, const char*, ...) {}

} // namespace

bool CheckStartTags(std::string_view bytes, std::string& why)
{
    // Encodings whose markup is not ASCII bytes, found the way the parser finds them: by a
    // byte-order mark or by how "<?" is spelt in the first four bytes.
    struct Form {
        std::string_view signature;
        const char* encoding;
        std::size_t skip;
    };
    static const Form forms[] = {
        {std::string_view("\xFF\xFE\0\0", 4), "UTF-32LE", 4}, {std::string_view("\0\0\xFE\xFF", 4), "UTF-32BE", 4},
        {"\xFF\xFE", "UTF-16LE", 2},                           {"\xFE\xFF", "UTF-16BE", 2},
        {std::string_view("<\0\0\0", 4), "UTF-32LE", 0},      {std::string_view("\0\0\0<", 4), "UTF-32BE", 0},
        {std::string_view("<\0?\0", 4), "UTF-16LE", 0},       {std::string_view("\0<\0?", 4), "UTF-16BE", 0},
        {"\x4C\x6F\xA7\x94", "IBM037", 0},
    };
    const char* encoding = nullptr;
    std::string_view text = bytes;
    for (const Form& form : forms) {
        if (Starts(bytes, form.signature)) {
            encoding = form.encoding;
            text = bytes.substr(form.skip);
            break;
        }
    }
    std::string declared;
    if (!encoding) {
        if (Starts(bytes, "\xEF\xBB\xBF"))
            return TagScanner<std::string_view>(bytes.substr(3)).Run(why);
        declared = DeclaredEncoding(bytes);
        if (declared.empty() || EqualsNoCase(declared, "UTF-8") || EqualsNoCase(declared, "UTF8"))
            return TagScanner<std::string_view>(bytes).Run(why);
        encoding = declared.c_str();
    }
    CString decoded;
    if (!platform::Decode(text, encoding, decoded)) {
        why = std::string("the file is not valid ") + encoding;
        return false;
    }
    return TagScanner<std::wstring_view>(decoded).Run(why);
}

EntityBudget::EntityBudget(xmlParserCtxt* ctxt)
    : m_pCtxt(ctxt), m_pfnPrevious(ctxt->sax->getEntity), m_pOuter(t_pActiveBudget)
{
    ctxt->sax->getEntity = &EntityBudget::GetEntity;
    t_pActiveBudget = this;
}

EntityBudget::~EntityBudget()
{
    m_pCtxt->sax->getEntity = m_pfnPrevious;
    t_pActiveBudget = m_pOuter;
}

xmlEntityPtr EntityBudget::GetEntity(void* ctx, const xmlChar* name)
{
    EntityBudget* self = t_pActiveBudget;
    xmlEntityPtr ent = self && self->m_pfnPrevious ? self->m_pfnPrevious(ctx, name) : xmlSAX2GetEntity(ctx, name);
    if (!self || !ent || ent->etype == XML_INTERNAL_PREDEFINED_ENTITY)
        return ent;
    // Once over budget nothing more is expanded in content (in attribute values the parser looks
    // the entity up again itself, but copies there in linear time within its own limits); the
    // document is refused afterwards.
    if (self->m_bExceeded)
        return nullptr;
    const std::size_t size = self->ExpandedSize(ent);
    if (++self->m_nReferences > kMaxEntityReferences || size > kMaxEntityExpansion - self->m_nBytes) {
        self->m_bExceeded = true;
        // As a fatal error would: the parser looks an entity up again itself while the document
        // is still well-formed, and stops building the tree once it is not.
        self->m_pCtxt->wellFormed = 0;
        if (!self->m_pCtxt->recovery)
            self->m_pCtxt->disableSAX = 1;
        return nullptr;
    }
    self->m_nBytes += size;
    return ent;
}

// The length of the entity's text with every reference inside it expanded, at most kOverBudget.
std::size_t EntityBudget::ExpandedSize(xmlEntity* ent)
{
    struct Frame {
        xmlEntity* ent;
        const xmlChar* pos;
        std::size_t size;
    };
    if (const auto it = m_mapSizes.find(ent); it != m_mapSizes.end())
        return it->second;
    // An explicit stack: a chain of entities each naming the next must not exhaust ours.
    std::vector<Frame> stack{{ent, ent->content, 0}};
    m_mapSizes[ent] = kOverBudget; // met again while measured: a loop
    while (!stack.empty()) {
        Frame& top = stack.back();
        const xmlChar* p = top.pos;
        xmlEntity* inner = nullptr;
        while (p && *p && top.size < kOverBudget) {
            if (*p != '&') {
                ++top.size;
                ++p;
                continue;
            }
            const xmlChar* end = p + 1;
            while (*end && *end != ';' && *end != '&')
                ++end;
            if (*end != ';' || p[1] == '#') {
                top.size += static_cast<std::size_t>(end - p) + (*end == ';');
                p = end + (*end == ';');
                continue;
            }
            const std::string refName(reinterpret_cast<const char*>(p + 1), static_cast<std::size_t>(end - p - 1));
            p = end + 1;
            const auto* xname = reinterpret_cast<const xmlChar*>(refName.c_str());
            xmlEntity* ref = xmlGetPredefinedEntity(xname) ? nullptr : xmlGetDocEntity(m_pCtxt->myDoc, xname);
            if (!ref) {
                ++top.size;
            } else if (const auto it = m_mapSizes.find(ref); it != m_mapSizes.end()) {
                top.size = std::min(kOverBudget, top.size + it->second);
            } else {
                inner = ref;
                break;
            }
        }
        top.pos = p;
        if (inner) {
            if (stack.size() >= static_cast<std::size_t>(kMaxEntityDepth)) {
                top.size = kOverBudget;
                top.pos = nullptr;
            } else {
                m_mapSizes[inner] = kOverBudget;
                stack.push_back({inner, inner->content, 0});
            }
            continue;
        }
        const Frame done = top;
        stack.pop_back();
        m_mapSizes[done.ent] = std::min(done.size, kOverBudget);
        if (!stack.empty())
            stack.back().size = std::min(kOverBudget, stack.back().size + m_mapSizes[done.ent]);
    }
    return m_mapSizes[ent];
}

QuietErrors::QuietErrors()
    : m_pfnGeneric(xmlGenericError), m_pGenericContext(xmlGenericErrorContext),
      m_pfnStructured(xmlStructuredError), m_pStructuredContext(xmlStructuredErrorContext)
{
    xmlSetGenericErrorFunc(nullptr, &Silent);
    xmlSetStructuredErrorFunc(nullptr, nullptr);
}

QuietErrors::~QuietErrors()
{
    xmlSetGenericErrorFunc(m_pGenericContext, m_pfnGeneric);
    xmlSetStructuredErrorFunc(m_pStructuredContext, m_pfnStructured);
}

} // namespace kx::xml
