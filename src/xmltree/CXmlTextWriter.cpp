// Escaping and indentation as libxml2's writer applies them when it saves a document in UTF-8
// with indentation on: two spaces per level, an element that holds text written on one line,
// an empty element closed in its start tag.
#include "xmltree/CXmlTextWriter.h"

#include <kxsysrule/KxXmlError.h>

#include "platform/Platform.h"
#include "platform/Xml.h"

namespace {

// libxml2 takes values as C strings: whatever follows a NUL character is not written.
std::string ValueUtf8(const CString& strValue)
{
    const std::size_t nEnd = strValue.find(L'\0');
    return kx::platform::ToUtf8(nEnd == CString::npos ? std::wstring_view(strValue)
                                                       : std::wstring_view(strValue).substr(0, nEnd));
}

// Text escapes markup and carriage returns; an attribute value also its quote, line feeds and
// tabs, which a reader would otherwise fold into spaces.
void AppendEscaped(std::string& out, const std::string& text, bool bAttribute)
{
    for (char c : text) {
        switch (c) {
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '&': out += "&amp;"; break;
        case '\r': out += "&#13;"; break;
        case '"': out += bAttribute ? "&quot;" : "\""; break;
        case '\n': out += bAttribute ? "&#10;" : "\n"; break;
        case '\t': out += bAttribute ? "&#9;" : "\t"; break;
        default: out += c; break;
        }
    }
}

} // namespace

void CXmlTextWriter::Indent(std::size_t nDepth)
{
    m_strOut += '\n';
    m_strOut.append(2 * (static_cast<std::size_t>(m_nBaseLevel) + nDepth), ' ');
}

void CXmlTextWriter::EndStartTag()
{
    if (m_bStartTagOpen)
        m_strOut += '>';
    m_bStartTagOpen = false;
}

void CXmlTextWriter::Open(const CString& strName)
{
    // Rule files repeat a few names endlessly: the last one's UTF-8 form is kept.
    if (strName != m_strLastName || m_strLastUtf8.empty()) {
        if (!kx::xml::IsXmlName(strName))
            throw KxXmlError(KxXmlError::kFail, "\"" + kx::platform::ToUtf8(strName) + "\" is not a valid element name");
        m_strLastName = strName;
        m_strLastUtf8 = kx::platform::ToUtf8(strName);
    }
    if (!m_vecOpen.empty()) {
        EndStartTag();
        m_vecOpen.back().bHasChildren = true;
    }
    Indent(m_vecOpen.size());
    m_strOut += '<';
    m_strOut += m_strLastUtf8;
    m_vecOpen.push_back({m_strLastUtf8});
    m_bStartTagOpen = true;
}

void CXmlTextWriter::Attribute(const CString& strName, const CString& strValue)
{
    m_strOut += ' ';
    m_strOut += kx::platform::ToUtf8(strName);
    m_strOut += "=\"";
    AppendEscaped(m_strOut, ValueUtf8(strValue), true);
    m_strOut += '"';
}

void CXmlTextWriter::Text(const CString& strValue)
{
    // A value that starts with a NUL still makes a text node, an empty one: the element is then
    // written with an end tag, not closed in its start tag.
    if (strValue.empty())
        return;
    EndStartTag();
    AppendEscaped(m_strOut, ValueUtf8(strValue), false);
}

void CXmlTextWriter::Close()
{
    const SOpen open = std::move(m_vecOpen.back());
    m_vecOpen.pop_back();
    if (m_bStartTagOpen) {
        m_strOut += "/>";
        m_bStartTagOpen = false;
        return;
    }
    if (open.bHasChildren)
        Indent(m_vecOpen.size());
    m_strOut += "</";
    m_strOut += open.strName;
    m_strOut += '>';
}
