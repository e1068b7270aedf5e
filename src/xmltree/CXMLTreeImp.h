// The XML tree over libxml2: one document, always present once made, and one current node that
// points into it. A small cache of child positions keeps the index-by-index walks of the rule
// documents linear although libxml2 keeps children in a linked list. A rule document rewrites
// its whole tree on every load and save, mostly to what it was: children taken off by
// DeleteAllChildren are therefore kept aside and taken over by the AddChild and SetAttribute
// calls that build the same element or attribute again, instead of freeing a million nodes and
// allocating them anew. What is kept aside is never part of the tree, so no call can tell.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "platform/Xml.h"
#include "xmltree/IXMLTree.h"

class CXMLTreeImp : public IXMLTree {
public:
    CXMLTreeImp();
    CXMLTreeImp(const CXMLTreeImp&) = delete;
    CXMLTreeImp& operator=(const CXMLTreeImp&) = delete;
    ~CXMLTreeImp() override;

    bool LoadXML(const CString& strXml) override;
    bool LoadFile(const CString& strPath) override;
    bool SaveFile(const CString& strPath) override;
    bool GetPathValue(const CString& strPath, CString& strValue) override;
    bool AddChild(const CString& strName, const CString& strValue) override;
    bool DeleteCurNode() override;
    bool DeleteAllChildren() override;
    bool MoveToChildByName(const CString& strName, int nIndex) override;
    bool MoveToPath(const CString& strPath) override;
    bool GetChildCount(int& nCount) override;
    bool GetChildCountByName(const CString& strName, int& nCount) override;
    bool GetValue(CString& strValue) override;
    bool SetValue(const CString& strValue) override;
    bool GetAttribute(const CString& strName, CString& strValue) override;
    bool SetAttribute(const CString& strName, const CString& strValue) override;
    bool RemoveAttribute(const CString& strName) override;
    bool GetChildValue(int nIndex, CString& strValue) override;
    bool GetSubNodeValue(const CString& strPath, CString& strValue) override;
    bool MoveToParent() override;
    bool GetNodeName(CString& strName) override;
    bool MoveToChild(int nIndex) override;
    bool TakesChildrenAsText() const override;
    bool SaveFileWithChildren(const CString& strPath, const std::string& strChildren) override;
    bool LoadFileOutline(const CString& strPath, int nLeafDepth, kx::xml::Outline& outline) override;

private:
    bool Load(const CString& strPath, int nLeafDepth, kx::xml::Outline* pOutline);

    // Where the last walk over one parent's children stopped, and how many it has.
    struct SChildCursor {
        const xmlNode* pParent = nullptr;
        int nIndex = -1;
        xmlNode* pChild = nullptr;
        int nCount = -1;  // unknown until counted
        unsigned nUsed = 0;
    };

    // The children an element had before DeleteAllChildren, or before it was itself taken over,
    // not yet built again; and the attributes it had. Entries follow the path being written.
    struct SKeptAside {
        xmlNode* pOwner = nullptr;
        xmlNode* pChildren = nullptr;
        xmlAttr* pAttrs = nullptr;
    };

    xmlNode* DocNode() const;
    static std::string TargetPath(const CString& strPath);
    // Frees whatever is kept aside; done before any move that leaves the path being written.
    void DropKeptAside();
    void DropKeptAside(SKeptAside& kept);
    SKeptAside* KeptAsideFor(const xmlNode* pOwner);
    // The next kept-aside child of the current node, when it is an element named `strUtf8Name`
    // with no namespace: taken out of the kept list, stripped to a fresh element, appended.
    xmlNode* TakeOverElement(const std::string& strUtf8Name);
    // The UTF-8 form of a valid XML name, null for any other; remembered, because rule files
    // repeat a few names endlessly.
    const std::string* Utf8Name(const CString& strName);
    void ReplaceDocument(kx::xml::DocPtr pDoc);
    void ForgetCursors();
    SChildCursor& CursorOf(const xmlNode* pParent);
    xmlNode* ChildAt(xmlNode* pParent, int nIndex);
    int ChildCount(xmlNode* pParent);
    std::vector<xmlNode*> Select(xmlNode* pContext, const CString& strPath);
    bool ValueOfTemporarily(xmlNode* pNode, CString& strValue);
    bool PutValue(xmlNode* pNode, const CString& strValue);

    kx::xml::DocPtr m_pDoc;
    xmlNode* m_pCurNode = nullptr;
    kx::xml::XPathContextPtr m_pXPath;
    std::array<SChildCursor, 8> m_cursors;
    unsigned m_nTick = 0;
    std::vector<SKeptAside> m_vecKeptAside;
    struct SName {
        bool bValid = false;
        CString strWide;
        std::string strUtf8;
    };
    std::array<SName, 61> m_names;
};
