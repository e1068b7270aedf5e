// A cursor-style XML tree: one document and one current node. Operations move the current node,
// read or change it, or address a node by an XPath location path. A value that XML cannot carry
// (kx::xml::IsXmlText) is not accepted: AddChild, SetValue and SetAttribute return false, so a
// tree never holds what its save could not write.
#pragma once

#include <memory>
#include <string>

#include <kxsysrule/KxXmlError.h>
#include <kxsysrule/Types.h>

#include "platform/XmlOutline.h"

class IXMLTree {
public:
    virtual bool LoadXML(const CString& strXml) = 0;
    virtual bool LoadFile(const CString& strPath) = 0;
    virtual bool SaveFile(const CString& strPath) = 0;
    virtual bool GetPathValue(const CString& strPath, CString& strValue) = 0;
    virtual bool AddChild(const CString& strName, const CString& strValue) = 0;
    virtual bool DeleteCurNode() = 0;
    virtual bool DeleteAllChildren() = 0;
    virtual bool MoveToChildByName(const CString& strName, int nIndex) = 0;
    virtual bool MoveToPath(const CString& strPath) = 0;
    virtual bool GetChildCount(int& nCount) = 0;
    virtual bool GetChildCountByName(const CString& strName, int& nCount) = 0;
    virtual bool GetValue(CString& strValue) = 0;
    virtual bool SetValue(const CString& strValue) = 0;
    virtual bool GetAttribute(const CString& strName, CString& strValue) = 0;
    virtual bool SetAttribute(const CString& strName, const CString& strValue) = 0;
    virtual bool RemoveAttribute(const CString& strName) = 0;
    virtual bool GetChildValue(int nIndex, CString& strValue) = 0;
    virtual bool GetSubNodeValue(const CString& strPath, CString& strValue) = 0;
    virtual bool MoveToParent() = 0;
    virtual bool GetNodeName(CString& strName) = 0;
    virtual bool MoveToChild(int nIndex) = 0;

    // Saving a document whose children are written as text (CXmlTextWriter) instead of being
    // built as nodes. True when the current element is the document element and the document
    // can be saved so: in UTF-8, with nothing beside the document element and no namespaces.
    virtual bool TakesChildrenAsText() const { return false; }
    // Saves the document with the current element's children replaced by `strChildren`, elements
    // written one level below the document element; the tree itself is not changed. False when
    // the file could not be written (it is then unchanged) or the tree does not take children as
    // text.
    virtual bool SaveFileWithChildren(const CString& /*strPath*/, const std::string& /*strChildren*/) { return false; }
    // LoadFile, with the document element's descendants down to `nLeafDepth` levels handed back in
    // `outline` instead of the tree when they are plain elements (kx::xml::ParseFile says which);
    // the document element is then left without children.
    virtual bool LoadFileOutline(const CString& strPath, int /*nLeafDepth*/, kx::xml::Outline& outline)
    {
        outline.Clear();
        return LoadFile(strPath);
    }
    virtual ~IXMLTree() = default;
};

// Makes a fresh tree in `pTree`, destroying the one it held. Always true; a tree whose document
// could not be made fails its first load.
bool CreateXMLTree(std::unique_ptr<IXMLTree>& pTree);
