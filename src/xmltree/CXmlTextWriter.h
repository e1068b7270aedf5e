// Elements written straight to UTF-8 text, byte for byte as the XML tree's indented save writes
// the same elements: rewriting a rule file of 100,000 rules as text costs one pass over the
// records, where building the tree again and saving it costs two passes over a document of some
// hundred megabytes. Only what the rule documents build is supported: elements that hold either
// elements or one text, attributes without namespaces.
#pragma once

#include <string>
#include <vector>

#include <kxsysrule/Types.h>

class CXmlTextWriter {
public:
    // `nLevel` is the depth of the first elements below the element whose children are written.
    explicit CXmlTextWriter(int nLevel) : m_nBaseLevel(nLevel) {}

    // Starts an element below the open one; throws KxXmlError for a name that is no XML name,
    // as the tree does.
    void Open(const CString& strName);
    // An attribute of the element just opened, before anything is written into it. `strName` is
    // a valid name. Throws KxXmlError for a value that XML cannot carry (kx::xml::IsXmlText).
    void Attribute(const CString& strName, const CString& strValue);
    // The text of the element just opened, instead of children; an empty string writes none.
    // Throws as Attribute does.
    void Text(const CString& strValue);
    void Close();

    // The text written, each element on a line of its own that starts with its line break.
    std::string& Output() { return m_strOut; }

private:
    struct SOpen {
        std::string strName;
        bool bHasChildren = false;
    };
    void Indent(std::size_t nDepth);
    void EndStartTag();

    int m_nBaseLevel;
    std::vector<SOpen> m_vecOpen;
    bool m_bStartTagOpen = false;
    std::string m_strOut;
    CString m_strLastName;
    std::string m_strLastUtf8;
};
