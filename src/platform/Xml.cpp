#include "platform/Xml.h"

#include <cstdint>
#include <cstring>
#include <mutex>

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

// libxml2 goes on after some errors and keeps only the last one; the first one names the fault.
void KeepFirstError(void* data, xmlErrorPtr err)
{
    auto* ctxt = static_cast<xmlParserCtxtPtr>(data);
    auto* first = ctxt ? static_cast<ParseError*>(ctxt->_private) : nullptr;
    if (!first || !err || err->level < XML_ERR_ERROR || !first->message.empty())
        return;
    first->message = err->message ? err->message : "not well-formed XML";
    first->line = err->line;
}

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

DocPtr Parse(std::string_view bytes, ParseError* error)
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
    ParseError first;
    ctxt->_private = &first;
    ctxt->sax->serror = KeepFirstError;
    const EntityBudget budget(ctxt.get());
    DocPtr doc(xmlCtxtReadMemory(ctxt.get(), bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr, options));
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
    return doc;
}

} // namespace

DocPtr ParseMemory(std::string_view bytes, ParseError* error) { return Parse(bytes, error); }

DocPtr ParseFile(const std::string& fsPath, ParseError* error)
{
    std::string bytes;
    if (!platform::ReadFile(fsPath, bytes)) {
        if (error)
            *error = {"cannot read the file", 0};
        return nullptr;
    }
    return Parse(bytes, error);
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
    // libxml2 writes a character that the encoding lacks (or a control character) as a
    // character reference, also inside a name, where that is no XML: output that would not load
    // again is refused, not saved. Only output holding a character reference can be broken this
    // way, so ordinary files are not parsed twice. (In an encoding that is not ASCII-compatible,
    // such as UTF-16, the bytes cannot be searched that simply: those are always checked.)
    const bool asciiCompatible = bytes.rfind("<?xml", 0) == 0;
    if (asciiCompatible && bytes.find("&#") == std::string::npos)
        return true;
    return Parse(bytes, nullptr) != nullptr;
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
