#include "platform/Xml.h"

#include <cstdint>
#include <cstring>
#include <mutex>
#include <optional>

#include <libxml/encoding.h>

#include "platform/Platform.h"
#include "platform/XmlSafety.h"

namespace kx::xml {

namespace {

// Every external resource is refused: rule files travel between companies and must never make
// the library read a local file or reach the network.
xmlParserInputPtr RefuseExternal(const char*, const char*, xmlParserCtxtPtr) { return nullptr; }

void Init()
{
    static std::once_flag once;
    std::call_once(once, [] {
        xmlInitParser();
        xmlSetExternalEntityLoader(RefuseExternal);
        // The parser and the writer reach code page 936 under the names files declare.
        for (const char* name : platform::kCodePage936Names)
            xmlAddEncodingAlias(platform::kCodePage936, name);
    });
}

bool IsBlank(const xmlChar* s)
{
    if (!s)
        return true;
    for (; *s; ++s) {
        if (*s != ' ' && *s != '\t' && *s != '\n' && *s != '\r')
            return false;
    }
    return true;
}

// Whitespace-only text between elements is not kept, so child positions count elements (and
// comments), never indentation.
void StripBlankText(xmlNode* node)
{
    for (xmlNode* child = node->children; child;) {
        xmlNode* next = child->next;
        if (child->type == XML_TEXT_NODE && IsBlank(child->content)) {
            xmlUnlinkNode(child);
            xmlFreeNode(child);
        } else if (child->type == XML_ELEMENT_NODE) {
            StripBlankText(child);
        }
        child = next;
    }
}

class OutlineReader;

// What a parse keeps beside libxml2's context, reached through its _private.
struct ParseState {
    ParseError first;
    OutlineReader* outline = nullptr;
};

ParseState& StateOf(void* ctx) { return *static_cast<ParseState*>(static_cast<xmlParserCtxtPtr>(ctx)->_private); }

// libxml2 goes on after some errors and keeps only the last one; the first one names the fault.
void KeepFirstError(void* data, xmlErrorPtr err)
{
    auto* ctxt = static_cast<xmlParserCtxtPtr>(data);
    if (!ctxt || !ctxt->_private || !err || err->level < XML_ERR_ERROR)
        return;
    ParseError& first = StateOf(ctxt).first;
    if (!first.message.empty())
        return;
    first.message = err->message ? err->message : "not well-formed XML";
    first.line = err->line;
}

// Takes the document element's descendants into an Outline while libxml2's own handlers build
// the rest (declaration, prologue, the document element with its attributes). Content that the
// outline cannot hold as the tree would stops the parse; the caller then builds nodes instead, so
// what a file means never depends on which way it was read.
class OutlineReader {
public:
    OutlineReader(xmlParserCtxt* ctxt, int nLeafDepth, Outline& outline)
        : m_nLeafDepth(nLeafDepth), m_outline(outline)
    {
        xmlSAXHandler& sax = *ctxt->sax;
        sax.startElementNs = StartElement;
        sax.endElementNs = EndElement;
        sax.characters = Characters;
        sax.ignorableWhitespace = Characters;
        sax.cdataBlock = CData;
        sax.comment = Comment;
        sax.processingInstruction = ProcessingInstruction;
        sax.reference = Reference;
        sax.internalSubset = InternalSubset;
        m_outline.Clear();
    }

    bool Taken() const { return m_bTaken; }

private:
    // Longer text than this is left to the tree, which has its own limit on a text node.
    static constexpr std::size_t kMaxText = 1 << 20;

    static OutlineReader& Of(void* ctx) { return *StateOf(ctx).outline; }

    // A prefix that no declaration resolves, or a name the parser could not split, stays in the
    // local name: such names are the tree's to take.
    static bool HasColon(const xmlChar* name) { return std::strchr(reinterpret_cast<const char*>(name), ':'); }

    // Stops the parse: the file is read again as nodes.
    void Refuse(void* ctx)
    {
        m_bTaken = false;
        xmlStopParser(static_cast<xmlParserCtxtPtr>(ctx));
    }

    Outline::Span Append(const xmlChar* text, std::size_t nLength)
    {
        const Outline::Span span{static_cast<std::uint32_t>(m_outline.bytes.size()),
                                 static_cast<std::uint32_t>(nLength)};
        m_outline.bytes.append(reinterpret_cast<const char*>(text), nLength);
        return span;
    }

    static void StartElement(void* ctx, const xmlChar* localname, const xmlChar* prefix, const xmlChar* uri,
                             int nNamespaces, const xmlChar** namespaces, int nAttributes, int nDefaulted,
                             const xmlChar** attributes)
    {
        OutlineReader& self = Of(ctx);
        if (self.m_nOpen == 0) {
            xmlSAX2StartElementNs(ctx, localname, prefix, uri, nNamespaces, namespaces, nAttributes, nDefaulted,
                                  attributes);
            self.m_nOpen = 1;
            return;
        }
        if (!self.m_bTaken)
            return;
        if (self.m_nOpen > self.m_nLeafDepth || prefix || uri || nNamespaces > 0 || nDefaulted > 0 ||
            HasColon(localname)) {
            self.Refuse(ctx);
            return;
        }
        Outline::Element element;
        element.nDepth = self.m_nOpen;
        element.name = self.Append(localname, std::strlen(reinterpret_cast<const char*>(localname)));
        element.nFirstAttribute = static_cast<std::uint32_t>(self.m_outline.attributes.size());
        element.nAttributes = static_cast<std::uint32_t>(nAttributes);
        for (int i = 0; i < nAttributes; ++i) {
            const xmlChar** attr = attributes + 5 * i;  // local name, prefix, URI, value, value end
            if (attr[1] || attr[2] || HasColon(attr[0])) {
                self.Refuse(ctx);
                return;
            }
            Outline::Attribute attribute;
            attribute.name = self.Append(attr[0], std::strlen(reinterpret_cast<const char*>(attr[0])));
            attribute.value = self.Append(attr[3], static_cast<std::size_t>(attr[4] - attr[3]));
            self.m_outline.attributes.push_back(attribute);
        }
        element.text.nOffset = static_cast<std::uint32_t>(self.m_outline.bytes.size());
        self.m_outline.elements.push_back(element);
        ++self.m_nOpen;
        self.m_nText = 0;
        self.m_bBlank = true;
    }

    static void EndElement(void* ctx, const xmlChar* localname, const xmlChar* prefix, const xmlChar* uri)
    {
        OutlineReader& self = Of(ctx);
        if (self.m_nOpen == 1) {
            xmlSAX2EndElementNs(ctx, localname, prefix, uri);
            self.m_nOpen = 0;
            return;
        }
        if (!self.m_bTaken)
            return;
        if (self.m_nOpen == self.m_nLeafDepth + 1 && self.m_bBlank) {
            // Whitespace alone is no text for the tree either.
            Outline::Element& leaf = self.m_outline.elements.back();
            self.m_outline.bytes.resize(leaf.text.nOffset);
            leaf.text.nLength = 0;
        }
        --self.m_nOpen;
        self.m_nText = 0;
        self.m_bBlank = true;
    }

    static void Characters(void* ctx, const xmlChar* text, int nLength)
    {
        OutlineReader& self = Of(ctx);
        if (self.m_nOpen == 0) {
            xmlSAX2Characters(ctx, text, nLength);
            return;
        }
        if (!self.m_bTaken || nLength <= 0)
            return;
        const auto nBytes = static_cast<std::size_t>(nLength);
        self.m_nText += nBytes;
        for (std::size_t i = 0; i < nBytes && self.m_bBlank; ++i) {
            const xmlChar c = text[i];
            self.m_bBlank = c == ' ' || c == '\t' || c == '\n' || c == '\r';
        }
        // Text beside elements would be a child of its own in the tree.
        const bool bInLeaf = self.m_nOpen == self.m_nLeafDepth + 1;
        if (self.m_nText > kMaxText || (!bInLeaf && !self.m_bBlank)) {
            self.Refuse(ctx);
            return;
        }
        if (bInLeaf) {
            self.Append(text, nBytes);
            self.m_outline.elements.back().text.nLength += static_cast<std::uint32_t>(nBytes);
        }
    }

    static void CData(void* ctx, const xmlChar* value, int nLength)
    {
        if (Of(ctx).m_nOpen == 0)
            xmlSAX2CDataBlock(ctx, value, nLength);
        else
            Of(ctx).Refuse(ctx);
    }

    static void Comment(void* ctx, const xmlChar* value)
    {
        if (Of(ctx).m_nOpen == 0)
            xmlSAX2Comment(ctx, value);
        else
            Of(ctx).Refuse(ctx);
    }

    static void ProcessingInstruction(void* ctx, const xmlChar* target, const xmlChar* data)
    {
        if (Of(ctx).m_nOpen == 0)
            xmlSAX2ProcessingInstruction(ctx, target, data);
        else
            Of(ctx).Refuse(ctx);
    }

    static void Reference(void* ctx, const xmlChar*) { Of(ctx).Refuse(ctx); }

    // Entities and defaulted attributes come from a DTD; such a file is read as nodes.
    static void InternalSubset(void* ctx, const xmlChar*, const xmlChar*, const xmlChar*) { Of(ctx).Refuse(ctx); }

    const int m_nLeafDepth;
    Outline& m_outline;
    bool m_bTaken = true;
    int m_nOpen = 0;          // elements open, the document element included
    std::size_t m_nText = 0;  // bytes of the text run since the last tag
    bool m_bBlank = true;     // whether that run is whitespace alone
};

bool HasExternalEntities(xmlDoc* doc)
{
    for (xmlDtd* dtd : {doc->intSubset, doc->extSubset}) {
        if (!dtd)
            continue;
        for (xmlNode* n = dtd->children; n; n = n->next) {
            if (n->type != XML_ENTITY_DECL)
                continue;
            const auto* ent = reinterpret_cast<xmlEntity*>(n);
            if (ent->etype != XML_INTERNAL_GENERAL_ENTITY && ent->etype != XML_INTERNAL_PARAMETER_ENTITY &&
                ent->etype != XML_INTERNAL_PREDEFINED_ENTITY)
                return true;
        }
    }
    return false;
}

DocPtr Parse(std::string_view bytes, ParseError* error, int nLeafDepth = 0, Outline* outline = nullptr)
{
    Init();
    ParseError local;
    ParseError* sink = error ? error : &local;
    *sink = {};
    if (bytes.size() > static_cast<std::size_t>(INT32_MAX)) {
        sink->message = "file too large";
        return nullptr;
    }
    if (!CheckStartTags(bytes, sink->message))
        return nullptr;
    const QuietErrors quiet;
    std::unique_ptr<xmlParserCtxt, decltype(&xmlFreeParserCtxt)> ctxt(xmlNewParserCtxt(), &xmlFreeParserCtxt);
    if (!ctxt) {
        sink->message = "out of memory";
        return nullptr;
    }
    // Internal entities are expanded as a DOM would; external ones are refused by the loader
    // above and rejected below. libxml2's amplification limits stay on (no XML_PARSE_HUGE).
    const int options = XML_PARSE_NONET | XML_PARSE_NOENT | XML_PARSE_NOWARNING | XML_PARSE_NOERROR;
    ParseState state;
    ctxt->_private = &state;
    ctxt->sax->serror = KeepFirstError;
    std::optional<OutlineReader> reader;
    if (outline) {
        reader.emplace(ctxt.get(), nLeafDepth, *outline);
        state.outline = &*reader;
    }
    const EntityBudget budget(ctxt.get());
    DocPtr doc(xmlCtxtReadMemory(ctxt.get(), bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr, options));
    if (reader && !reader->Taken()) {
        outline->Clear();
        return Parse(bytes, error);
    }
    const ParseError& first = state.first;
    if (budget.Exceeded()) {
        sink->message = "entity references expand beyond " + std::to_string(kMaxEntityReferences) +
                        " references or " + std::to_string(kMaxEntityExpansion) + " bytes";
        return nullptr;
    }
    // libxml2 stops building the tree at some limits (a text node beyond 10 MB) without calling
    // the document ill-formed; what it hands back then lacks the rest of the file.
    if (!doc || !ctxt->wellFormed || ctxt->disableSAX) {
        const xmlError* err = xmlCtxtGetLastError(ctxt.get());
        sink->message = !first.message.empty() ? first.message : err && err->message ? err->message : "not well-formed XML";
        while (!sink->message.empty() && (sink->message.back() == '\n' || sink->message.back() == ' '))
            sink->message.pop_back();
        sink->line = !first.message.empty() ? first.line : err ? err->line : 0;
        return nullptr;
    }
    if (HasExternalEntities(doc.get())) {
        sink->message = "external entities are not allowed";
        return nullptr;
    }
    StripBlankText(reinterpret_cast<xmlNode*>(doc.get()));
    if (outline)
        outline->bTaken = true;
    return doc;
}

} // namespace

DocPtr ParseMemory(std::string_view bytes, ParseError* error) { return Parse(bytes, error); }

DocPtr ParseMemory(std::string_view bytes, int nLeafDepth, Outline& outline, ParseError* error)
{
    DocPtr doc = Parse(bytes, error, nLeafDepth, &outline);
    // Nothing of a document that failed is handed back.
    if (!doc)
        outline.Clear();
    return doc;
}

namespace {

bool ReadXmlFile(const std::string& fsPath, std::string& bytes, ParseError* error)
{
    if (platform::ReadFile(fsPath, bytes))
        return true;
    if (error)
        *error = {"cannot read the file", 0};
    return false;
}

} // namespace

DocPtr ParseFile(const std::string& fsPath, int nLeafDepth, Outline& outline, ParseError* error)
{
    std::string bytes;
    if (!ReadXmlFile(fsPath, bytes, error)) {
        outline.Clear();
        return nullptr;
    }
    return ParseMemory(bytes, nLeafDepth, outline, error);
}

DocPtr ParseFile(const std::string& fsPath, ParseError* error)
{
    std::string bytes;
    return ReadXmlFile(fsPath, bytes, error) ? Parse(bytes, error) : nullptr;
}

bool Serialize(xmlDoc* doc, std::string& bytes, const char* encoding)
{
    if (!doc)
        return false;
    Init();
    if (!encoding)
        encoding = doc->encoding ? reinterpret_cast<const char*>(doc->encoding) : "UTF-8";
    // Asked first, because libxml2's writer reports an unknown encoding on standard error.
    xmlCharEncodingHandler* handler = xmlFindCharEncodingHandler(encoding);
    if (!handler)
        return false;
    xmlCharEncCloseFunc(handler);
    const QuietErrors quiet;
    xmlChar* mem = nullptr;
    int size = 0;
    xmlDocDumpFormatMemoryEnc(doc, &mem, &size, encoding, 1);
    CharPtr owner(mem);
    if (!mem || size <= 0)
        return false;
    bytes.assign(reinterpret_cast<const char*>(mem), static_cast<std::size_t>(size));
    return LoadsAgain(bytes);
}

bool LoadsAgain(const std::string& bytes)
{
    // libxml2 writes a character that the encoding lacks as a character reference, also inside
    // a name, where that is no XML: output that would not load again is refused, not saved. Only
    // output holding a character reference can be broken this way, so ordinary files are not
    // parsed twice. (In an encoding that is not ASCII-compatible, such as UTF-16, the bytes cannot
    // be searched that simply: those are always checked.)
    const bool asciiCompatible = bytes.rfind("<?xml", 0) == 0;
    if (asciiCompatible && bytes.find("&#") == std::string::npos)
        return true;
    return Parse(bytes, nullptr) != nullptr;
}

bool SerializeWithChildren(xmlDoc* doc, const std::string& children, std::string& bytes)
{
    xmlNode* root = doc ? xmlDocGetRootElement(doc) : nullptr;
    if (!root || children.empty())
        return false;
    // libxml2 writes the declaration and the document element's start tag, with one empty child
    // in place of the real ones; the children's text goes where that child was.
    static const char kMarkName[] = "kxChildrenGoHere";
    NodePtr mark(xmlNewDocNode(doc, nullptr, X(kMarkName), nullptr));
    if (!mark)
        return false;
    struct Swap {
        xmlNode* root;
        xmlNode* children;
        xmlNode* last;
        ~Swap()
        {
            root->children = children;
            root->last = last;
        }
    } swap{root, root->children, root->last};  // after the mark: undone before it is freed
    mark->parent = root;
    root->children = root->last = mark.get();
    if (!Serialize(doc, bytes))
        return false;
    const std::string markText = std::string("\n  <") + kMarkName + "/>";
    const std::string tail = "\n</" + std::string(reinterpret_cast<const char*>(root->name)) + ">\n";
    const std::size_t at = bytes.find(markText);
    if (at == std::string::npos || bytes.compare(at + markText.size(), std::string::npos, tail) != 0)
        return false;
    bytes.resize(at);
    bytes.reserve(at + children.size() + tail.size());
    bytes += children;
    bytes += tail;
    return LoadsAgain(bytes);
}

bool SaveFile(xmlDoc* doc, const std::string& fsPath, const char* encoding)
{
    std::string bytes;
    return Serialize(doc, bytes, encoding) && platform::WriteFileAtomic(fsPath, bytes);
}

CString ToWide(const xmlChar* text)
{
    return text ? platform::FromUtf8(reinterpret_cast<const char*>(text)) : CString();
}

CString ToWide(CharPtr text) { return ToWide(text.get()); }

void ToWide(const xmlChar* text, CString& out)
{
    if (text)
        platform::FromUtf8(reinterpret_cast<const char*>(text), out);
    else
        out.clear();
}

std::string ToUtf8(const CString& text) { return platform::ToUtf8(text); }

bool IsXmlText(std::wstring_view text)
{
    for (const wchar_t c : text) {
        if (c == L'\0')
            return true;
        if (!IsXmlChar(static_cast<char32_t>(c)))
            return false;
    }
    return true;
}

// Names as XML 1.0 (fifth edition) and so libxml2's parser accept them: a name read from a file,
// such as "砼墙（外）", can always be written back.
namespace {

bool IsNameStartChar(wchar_t c)
{
    const auto u = static_cast<std::uint32_t>(c);
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || u == '_' || u == ':' || (u >= 0xC0 && u <= 0xD6) ||
           (u >= 0xD8 && u <= 0xF6) || (u >= 0xF8 && u <= 0x2FF) || (u >= 0x370 && u <= 0x37D) ||
           (u >= 0x37F && u <= 0x1FFF) || (u >= 0x200C && u <= 0x200D) || (u >= 0x2070 && u <= 0x218F) ||
           (u >= 0x2C00 && u <= 0x2FEF) || (u >= 0x3001 && u <= 0xD7FF) || (u >= 0xF900 && u <= 0xFDCF) ||
           (u >= 0xFDF0 && u <= 0xFFFD) || (u >= 0x10000 && u <= 0xEFFFF);
}

bool IsNameChar(wchar_t c)
{
    const auto u = static_cast<std::uint32_t>(c);
    return IsNameStartChar(c) || u == '-' || u == '.' || (u >= '0' && u <= '9') || u == 0xB7 ||
           (u >= 0x300 && u <= 0x36F) || (u >= 0x203F && u <= 0x2040);
}

} // namespace

bool IsXmlName(const CString& strName)
{
    if (strName.empty() || !IsNameStartChar(strName[0]))
        return false;
    for (wchar_t c : strName) {
        if (!IsNameChar(c))
            return false;
    }
    return true;
}

bool IsValidName(const CString& name)
{
    if (name.empty())
        return false;
    const std::string utf8 = ToUtf8(name);
    // The parser takes names by the rules of XML 1.0 fifth edition (CJK Extension A among them);
    // xmlValidateName knows only the older table, and a name read from a file could then not be
    // written back.
    return xmlValidateNameValue(X(utf8)) == 1;
}

} // namespace kx::xml
