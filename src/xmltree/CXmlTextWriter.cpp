// Escaping and indentation as libxml2's writer applies them when it saves a document in UTF-8
// with indentation on: two spaces per level, an element that holds text written on one line,
// an empty element closed in its start tag.
#include "xmltree/CXmlTextWriter.h"

#include <kxsysrule/KxXmlError.h>

#include "platform/Platform.h"
#include "platform/Xml.h"

namespace {

// Text escapes markup and carriage returns; an attribute value also its quote, line feeds and
// tabs, which a reader would otherwise fold into spaces. libxml2 takes values as C strings:
// whatever follows a NUL character is not written. Converted straight into the output, a run of
// plain characters at a time. A character that XML cannot carry is refused here, where every
// character passes, so that nothing is written that would not load again.
void AppendEscaped(std::string& out, std::wstring_view text, bool bAttribute)
{
    std::size_t nRun = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char* pEscape = nullptr;
        switch (text[i]) {
        case L'<': pEscape = "&lt;"; break;
        case L'>': pEscape = "&gt;"; break;
        case L'&': pEscape = "&amp;"; break;
        case L'\r': pEscape = "&#13;"; break;
        case L'"': pEscape = bAttribute ? "&quot;" : nullptr; break;
        case L'\n': pEscape = bAttribute ? "&#10;" : nullptr; break;
        case L'\t': pEscape = bAttribute ? "&#9;" : nullptr; break;
        case L'\0':
            kx::platform::AppendUtf8(out, text.substr(nRun, i - nRun));
            return;
        default:
            if (!kx::xml::IsXmlChar(static_cast<char32_t>(text[i])))
                throw KxXmlError(KxXmlError::kFail, "a value holds a character that XML cannot carry");
            break;
        }
        if (pEscape) {
            kx::platform::AppendUtf8(out, text.substr(nRun, i - nRun));
            out += pEscape;
            nRun = i + 1;
        }
    }
    kx::platform::AppendUtf8(out, text.substr(nRun));
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
    kx::platform::AppendUtf8(m_strOut, strName);
    m_strOut += "=\"";
    AppendEscaped(m_strOut, strValue, true);
    m_strOut += '"';
}

void CXmlTextWriter::Text(const CString& strValue)
{
    // A value that starts with a NUL still makes a text node, an empty one: the element is then
    // written with an end tag, not closed in its start tag.
    if (strValue.empty())
        return;
    EndStartTag();
    AppendEscaped(m_strOut, strValue, false);
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
