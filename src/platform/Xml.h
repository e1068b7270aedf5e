// libxml2 behind RAII owners, with the one safe way this code base parses and saves XML: no
// network, no external entities or DTDs, libxml2's expansion limits on, whitespace-only text
// dropped, files saved atomically in the document's own encoding.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xpath.h>

#include <kxsysrule/Types.h>

#include "platform/XmlOutline.h"

namespace kx::xml {

struct DocDeleter { void operator()(xmlDoc* p) const { xmlFreeDoc(p); } };
struct CharDeleter { void operator()(xmlChar* p) const { xmlFree(p); } };
struct XPathContextDeleter { void operator()(xmlXPathContext* p) const { xmlXPathFreeContext(p); } };
struct XPathObjectDeleter { void operator()(xmlXPathObject* p) const { xmlXPathFreeObject(p); } };
struct NodeDeleter { void operator()(xmlNode* p) const { xmlFreeNode(p); } };

using DocPtr = std::unique_ptr<xmlDoc, DocDeleter>;
using CharPtr = std::unique_ptr<xmlChar, CharDeleter>;
using XPathContextPtr = std::unique_ptr<xmlXPathContext, XPathContextDeleter>;
using XPathObjectPtr = std::unique_ptr<xmlXPathObject, XPathObjectDeleter>;
using NodePtr = std::unique_ptr<xmlNode, NodeDeleter>;  // an unlinked node

// Why a parse failed: the first error libxml2 reported, with its line.
struct ParseError {
    std::string message;
    int line = 0;
};

// Parses bytes or a file (path as the file system spells it). Null on any failure, with the reason
// in `error` when given. A file without an XML declaration is read as UTF-8.
DocPtr ParseMemory(std::string_view bytes, ParseError* error = nullptr);
DocPtr ParseFile(const std::string& fsPath, ParseError* error = nullptr);
// The same parse, with the document element's descendants down to `nLeafDepth` levels handed back
// in `outline` (outline.bTaken) and the document element left without children, when they are
// elements without namespaces and only the elements at that depth hold text. Anything else below
// the document element (a comment, CDATA, a processing instruction, text between elements, a
// deeper element, a namespace or a name with a colon, or a DTD in the file) is built as nodes
// just as ParseFile builds it, and outline.bTaken is false. Failures are ParseFile's.
DocPtr ParseMemory(std::string_view bytes, int nLeafDepth, Outline& outline, ParseError* error = nullptr);
DocPtr ParseFile(const std::string& fsPath, int nLeafDepth, Outline& outline, ParseError* error = nullptr);

// Serialises in `encoding` (the document's declared one when null, UTF-8 when it declares
// none), indented.
bool Serialize(xmlDoc* doc, std::string& bytes, const char* encoding = nullptr);
// False for serialised output that would not load again: a character that the encoding lacks
// becomes a character reference, also inside a name; Serialize applies it to its output.
bool LoadsAgain(const std::string& bytes);
// Serialises `doc` with the children of its document element replaced by `children`: elements
// written as text one level below it (CXmlTextWriter). The document itself is not changed. False
// when `children` is empty, the serialisation failed or its result would not load again.
bool SerializeWithChildren(xmlDoc* doc, const std::string& children, std::string& bytes);
// Serialises and writes atomically; false when either failed, the old file then stays whole.
bool SaveFile(xmlDoc* doc, const std::string& fsPath, const char* encoding = nullptr);

// Text conversions at the libxml2 edge.
CString ToWide(const xmlChar* text);
CString ToWide(CharPtr text);
// Into `out`, reusing its storage: for reading the records of a large file into one buffer.
void ToWide(const xmlChar* text, CString& out);
std::string ToUtf8(const CString& text);
inline const xmlChar* X(const std::string& utf8) { return reinterpret_cast<const xmlChar*>(utf8.c_str()); }

// Whether XML 1.0 can carry `text`: tab, line feed, carriage return and the Unicode scalar values
// from U+0020 up, U+FFFE and U+FFFF excepted. Anything else cannot be written even as a character
// reference, and a file holding it would not load again, so every writer refuses it. Text after a
// NUL is never written (libxml2 takes C strings), so it is not looked at.
constexpr bool IsXmlChar(char32_t c)
{
    return c >= 0x20 ? (c < 0xD800 || (c >= 0xE000 && c < 0xFFFE) || (c >= 0x10000 && c < 0x110000))
                     : (c == 0x9 || c == 0xA || c == 0xD);
}
bool IsXmlText(std::wstring_view text);

// True for a name libxml2 accepts as an element name, once converted to UTF-8.
bool IsValidName(const CString& name);
// The same rules (XML 1.0 fifth edition) applied to the wide characters themselves, so that a
// character that is no Unicode scalar is refused rather than replaced: the check of everything
// that builds elements from names (the XML tree, the text writer).
bool IsXmlName(const CString& strName);

} // namespace kx::xml
