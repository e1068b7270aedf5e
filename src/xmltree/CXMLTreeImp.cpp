// The XML tree over libxml2. Nodes are addressed as a DOM addresses them: the document node has
// the name "#document" and no value, an attribute has no parent, and a path is XPath 1.0.
#include "xmltree/CXMLTreeImp.h"

#include <cstdint>
#include <cstdlib>
#include <utility>

#include "platform/Platform.h"

using kx::xml::X;

namespace {

xmlNode* FirstChild(const xmlNode* pNode)
{
    switch (pNode->type) {
    case XML_ELEMENT_NODE:
    case XML_ATTRIBUTE_NODE:
    case XML_DOCUMENT_NODE:
        return pNode->children;
    default:
        // Text and the like have none; a DTD's declarations, kept in its child list, are no
        // children in a DOM either.
        return nullptr;
    }
}

xmlNode* LastChild(const xmlNode* pNode) { return FirstChild(pNode) ? pNode->last : nullptr; }

// An attribute is owned by its element but, as in a DOM, is not its child: it has no parent.
xmlNode* ParentOf(const xmlNode* pNode)
{
    if (pNode->type == XML_ATTRIBUTE_NODE || pNode->type == XML_DOCUMENT_NODE)
        return nullptr;
    return pNode->parent;
}

void FreeChildren(xmlNode* pNode)
{
    for (xmlNode* pChild = FirstChild(pNode); pChild;) {
        xmlNode* pNext = pChild->next;
        xmlUnlinkNode(pChild);
        xmlFreeNode(pChild);
        pChild = pNext;
    }
}

// libxml2's name of a text node written escaped; "textnoenc" marks one written as it stands.
const xmlChar kPlainTextName[] = "text";

// Links `pNode`, which is on no list, as the last child of `pParent`. (xmlAddChild would merge
// text nodes, and skips a node whose parent field already names the parent.)
void AppendChild(xmlNode* pParent, xmlNode* pNode)
{
    pNode->parent = pParent;
    pNode->next = nullptr;
    pNode->prev = pParent->last;
    if (pParent->last)
        pParent->last->next = pNode;
    else
        pParent->children = pNode;
    pParent->last = pNode;
}

void AppendAttribute(xmlNode* pElement, xmlAttr* pAttr)
{
    pAttr->parent = pElement;
    pAttr->next = nullptr;
    pAttr->prev = nullptr;
    if (!pElement->properties) {
        pElement->properties = pAttr;
        return;
    }
    xmlAttr* pLast = pElement->properties;
    while (pLast->next)
        pLast = pLast->next;
    pLast->next = pAttr;
    pAttr->prev = pLast;
}

// The value of an element or attribute whose content is one text node or nothing, read in place;
// null for any other content, which xmlNodeGetContent has to gather.
const xmlChar* PlainContent(const xmlNode* pNode)
{
    static const xmlChar kEmpty[] = "";
    const xmlNode* pChild = pNode->children;
    if (!pChild)
        return kEmpty;
    if (pChild->next || (pChild->type != XML_TEXT_NODE && pChild->type != XML_CDATA_SECTION_NODE))
        return nullptr;
    return pChild->content ? pChild->content : kEmpty;
}

// The node's value when it is a string; the document node and the DTD have none.
bool ReadValue(xmlNode* pNode, CString& strValue)
{
    switch (pNode->type) {
    case XML_ELEMENT_NODE:
    case XML_ATTRIBUTE_NODE:
        if (const xmlChar* pContent = PlainContent(pNode)) {
            kx::xml::ToWide(pContent, strValue);
            return true;
        }
        strValue = kx::xml::ToWide(kx::xml::CharPtr(xmlNodeGetContent(pNode)));
        return true;
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
    case XML_COMMENT_NODE:
    case XML_PI_NODE:
        strValue = kx::xml::ToWide(kx::xml::CharPtr(xmlNodeGetContent(pNode)));
        return true;
    default:
        return false;
    }
}

bool NodeName(const xmlNode* pNode, CString& strName)
{
    switch (pNode->type) {
    case XML_DOCUMENT_NODE:
        strName = L"#document";
        return true;
    case XML_TEXT_NODE:
        strName = L"#text";
        return true;
    case XML_CDATA_SECTION_NODE:
        strName = L"#cdata-section";
        return true;
    case XML_COMMENT_NODE:
        strName = L"#comment";
        return true;
    case XML_ELEMENT_NODE:
    case XML_ATTRIBUTE_NODE:
        // Only these two carry a namespace in the `ns` field.
        if (pNode->ns && pNode->ns->prefix) {
            strName = kx::xml::ToWide(pNode->ns->prefix) + L":" + kx::xml::ToWide(pNode->name);
            return true;
        }
        [[fallthrough]];
    default:
        if (!pNode->name)
            return false;
        kx::xml::ToWide(pNode->name, strName);
        return true;
    }
}

// An attribute in no namespace, as the rule files write them.
xmlAttr* FindAttribute(xmlNode* pElement, const std::string& strName)
{
    for (xmlAttr* pAttr = pElement->properties; pAttr; pAttr = pAttr->next) {
        if (!pAttr->ns && xmlStrEqual(pAttr->name, X(strName)))
            return pAttr;
    }
    return nullptr;
}

bool IsXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Locates the encoding name in the XML declaration at the start of `bytes`: [begin, end).
bool FindDeclaredEncoding(const std::string& bytes, std::size_t& begin, std::size_t& end)
{
    const std::size_t start = bytes.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
    if (bytes.compare(start, 5, "<?xml") != 0 || bytes.size() <= start + 5 || !IsXmlSpace(bytes[start + 5]))
        return false;
    const std::size_t close = bytes.find("?>", start);
    std::size_t at = bytes.find("encoding", start);
    if (close == std::string::npos || at == std::string::npos || at > close)
        return false;
    at += 8;
    while (at < close && IsXmlSpace(bytes[at]))
        ++at;
    if (at >= close || bytes[at] != '=')
        return false;
    ++at;
    while (at < close && IsXmlSpace(bytes[at]))
        ++at;
    if (at >= close || (bytes[at] != '"' && bytes[at] != '\''))
        return false;
    begin = at + 1;
    end = bytes.find(bytes[at], begin);
    return end != std::string::npos && end < close;
}

// libxml2 misreads an absolute path whose step after "/" begins with a non-ASCII name
// ("/工程数据/@ruletype" fails to compile); spelling the axis out ("/child::工程数据") avoids it and
// selects the same nodes. String literals are left alone.
std::string SpellOutChildAxis(const std::string& strExpr)
{
    std::string strOut;
    strOut.reserve(strExpr.size() + 16);
    char cQuote = 0;
    for (std::size_t i = 0; i < strExpr.size(); ++i) {
        const char c = strExpr[i];
        strOut += c;
        if (cQuote) {
            if (c == cQuote)
                cQuote = 0;
            continue;
        }
        if (c == '"' || c == '\'') {
            cQuote = c;
            continue;
        }
        if (c != '/')
            continue;
        std::size_t j = i + 1;
        while (j < strExpr.size() && IsXmlSpace(strExpr[j]))
            ++j;
        if (j < strExpr.size() && static_cast<unsigned char>(strExpr[j]) >= 0x80) {
            strOut.append(strExpr, i + 1, j - i - 1);
            strOut += "child::";
            i = j - 1;
        }
    }
    return strOut;
}

void CollectXPathError(void* pData, xmlErrorPtr pError)
{
    auto* pMessage = static_cast<std::string*>(pData);
    if (pMessage && pError && pError->message && pMessage->empty()) {
        *pMessage = pError->message;
        while (!pMessage->empty() && (pMessage->back() == '\n' || pMessage->back() == ' '))
            pMessage->pop_back();
    }
}

[[noreturn]] void Refuse(const std::string& strWhy) { throw KxXmlError(KxXmlError::kFail, strWhy); }

kx::xml::DocPtr NewDocument() { return kx::xml::DocPtr(xmlNewDoc(X("1.0"))); }

} // namespace

CXMLTreeImp::CXMLTreeImp()
{
    xmlInitParser();
    m_pDoc = NewDocument();
}

CXMLTreeImp::~CXMLTreeImp()
{
    DropKeptAside();
    m_pCurNode = nullptr;
    m_pXPath.reset();
    m_pDoc.reset();
}

xmlNode* CXMLTreeImp::DocNode() const { return reinterpret_cast<xmlNode*>(m_pDoc.get()); }

void CXMLTreeImp::ReplaceDocument(kx::xml::DocPtr pDoc)
{
    DropKeptAside();
    ForgetCursors();
    m_pCurNode = nullptr;
    m_pXPath.reset();
    m_pDoc = std::move(pDoc);
}

void CXMLTreeImp::ForgetCursors() { m_cursors.fill(SChildCursor{}); }

void CXMLTreeImp::DropKeptAside(SKeptAside& kept)
{
    if (kept.pChildren)
        xmlFreeNodeList(kept.pChildren);
    if (kept.pAttrs)
        xmlFreePropList(kept.pAttrs);
    kept = SKeptAside{};
}

void CXMLTreeImp::DropKeptAside()
{
    for (SKeptAside& kept : m_vecKeptAside)
        DropKeptAside(kept);
    m_vecKeptAside.clear();
}

CXMLTreeImp::SKeptAside* CXMLTreeImp::KeptAsideFor(const xmlNode* pOwner)
{
    // Only the current node can take anything over, and it is always the innermost entry.
    return !m_vecKeptAside.empty() && m_vecKeptAside.back().pOwner == pOwner ? &m_vecKeptAside.back() : nullptr;
}

xmlNode* CXMLTreeImp::TakeOverElement(const std::string& strUtf8Name)
{
    SKeptAside* pKept = KeptAsideFor(m_pCurNode);
    if (!pKept)
        return nullptr;
    // Files that were written by older versions or edited by hand hold elements the new tree does
    // not build again (a renamed item, a rule listed twice); looking a few elements ahead lets
    // the rest still be taken over, where matching the first alone would give up on all after.
    constexpr int kLookAhead = 8;
    xmlNode* pOld = pKept->pChildren;
    for (int i = 0; pOld && i < kLookAhead; ++i, pOld = pOld->next) {
        if (pOld->type == XML_ELEMENT_NODE && !pOld->ns && !pOld->nsDef && xmlStrEqual(pOld->name, X(strUtf8Name)))
            break;
    }
    if (!pOld || pOld->type != XML_ELEMENT_NODE || pOld->ns || pOld->nsDef || !xmlStrEqual(pOld->name, X(strUtf8Name)))
        return nullptr;
    if (pOld->prev)
        pOld->prev->next = pOld->next;
    else
        pKept->pChildren = pOld->next;
    if (pOld->next)
        pOld->next->prev = pOld->prev;
    pOld->prev = nullptr;
    // Stripped to what AddChild makes: its children and attributes are kept aside in turn.
    const SKeptAside inner{pOld, pOld->children, pOld->properties};
    pOld->children = pOld->last = nullptr;
    pOld->properties = nullptr;
    AppendChild(m_pCurNode, pOld);
    m_vecKeptAside.push_back(inner);
    return pOld;
}

const std::string* CXMLTreeImp::Utf8Name(const CString& strName)
{
    // One slot per length and end letters: the few names a document repeats keep theirs.
    const std::size_t nLength = strName.size();
    const std::size_t nSlot =
        nLength == 0 ? 0
                     : (nLength * 31 + static_cast<std::size_t>(strName.front()) * 7 + static_cast<std::size_t>(strName.back())) %
                           m_names.size();
    SName& slot = m_names[nSlot];
    if (slot.bValid && slot.strWide == strName)
        return &slot.strUtf8;
    if (!kx::xml::IsXmlName(strName))
        return nullptr;
    slot.strWide = strName;
    slot.strUtf8 = kx::xml::ToUtf8(strName);
    slot.bValid = true;
    return &slot.strUtf8;
}

CXMLTreeImp::SChildCursor& CXMLTreeImp::CursorOf(const xmlNode* pParent)
{
    ++m_nTick;
    for (SChildCursor& cursor : m_cursors) {
        if (cursor.pParent == pParent) {
            cursor.nUsed = m_nTick;
            return cursor;
        }
    }
    // A walk visits many parents between two steps of an outer loop; the cursors of the current
    // node's ancestors are the ones those steps need, so others give way first.
    auto isAncestor = [this](const xmlNode* pNode) {
        int nDepth = 0;
        for (const xmlNode* p = m_pCurNode; p && nDepth < 16; p = ParentOf(p), ++nDepth) {
            if (p == pNode)
                return true;
        }
        return false;
    };
    SChildCursor* pVictim = nullptr;
    for (SChildCursor& cursor : m_cursors) {
        if (cursor.pParent && isAncestor(cursor.pParent))
            continue;
        if (!pVictim || cursor.nUsed < pVictim->nUsed)
            pVictim = &cursor;
    }
    if (!pVictim) {
        pVictim = &m_cursors[0];
        for (SChildCursor& cursor : m_cursors) {
            if (cursor.nUsed < pVictim->nUsed)
                pVictim = &cursor;
        }
    }
    *pVictim = SChildCursor{pParent, -1, nullptr, -1, m_nTick};
    return *pVictim;
}

xmlNode* CXMLTreeImp::ChildAt(xmlNode* pParent, int nIndex)
{
    if (nIndex < 0)
        return nullptr;
    SChildCursor& cursor = CursorOf(pParent);
    if (cursor.nCount >= 0 && nIndex >= cursor.nCount)
        return nullptr;
    // Start from the nearest known position: the first child, the last walk's stop, the last child.
    int nPos = 0;
    xmlNode* pNode = FirstChild(pParent);
    if (cursor.pChild && std::abs(nIndex - cursor.nIndex) < nIndex) {
        nPos = cursor.nIndex;
        pNode = cursor.pChild;
    }
    if (cursor.nCount > 0 && cursor.nCount - 1 - nIndex < std::abs(nIndex - nPos)) {
        nPos = cursor.nCount - 1;
        pNode = LastChild(pParent);
    }
    while (pNode && nPos < nIndex) {
        pNode = pNode->next;
        ++nPos;
    }
    while (pNode && nPos > nIndex) {
        pNode = pNode->prev;
        --nPos;
    }
    if (!pNode) {
        cursor.nCount = nPos;  // walked off the end, so this many children there are
        return nullptr;
    }
    cursor.nIndex = nIndex;
    cursor.pChild = pNode;
    return pNode;
}

int CXMLTreeImp::ChildCount(xmlNode* pParent)
{
    SChildCursor& cursor = CursorOf(pParent);
    if (cursor.nCount < 0) {
        int nCount = 0;
        xmlNode* pNode = FirstChild(pParent);
        if (cursor.pChild) {
            nCount = cursor.nIndex;
            pNode = cursor.pChild;
        }
        for (; pNode; pNode = pNode->next)
            ++nCount;
        cursor.nCount = nCount;
    }
    return cursor.nCount;
}

std::vector<xmlNode*> CXMLTreeImp::Select(xmlNode* pContext, const CString& strPath)
{
    // A path may reach what is kept aside through id(); nothing may be kept aside then.
    DropKeptAside();
    if (!m_pXPath) {
        m_pXPath.reset(xmlXPathNewContext(m_pDoc.get()));
        if (!m_pXPath)
            throw KxXmlError(KxXmlError::kOutOfMemory, "out of memory");
        m_pXPath->error = CollectXPathError;
    }
    std::string strMessage;
    m_pXPath->userData = &strMessage;
    m_pXPath->node = pContext;
    const std::string strExpr = kx::xml::ToUtf8(strPath);
    kx::xml::XPathObjectPtr pResult(xmlXPathEval(X(SpellOutChildAxis(strExpr)), m_pXPath.get()));
    m_pXPath->userData = nullptr;
    m_pXPath->node = nullptr;
    if (!pResult)
        Refuse("invalid XPath expression \"" + strExpr + "\"" + (strMessage.empty() ? "" : ": " + strMessage));
    if (pResult->type != XPATH_NODESET)
        Refuse("the XPath expression \"" + strExpr + "\" does not select nodes");
    std::vector<xmlNode*> nodes;
    if (const xmlNodeSet* pSet = pResult->nodesetval) {
        nodes.reserve(static_cast<std::size_t>(pSet->nodeNr));
        for (int i = 0; i < pSet->nodeNr; ++i) {
            // Namespace nodes are copies that die with the result; they cannot become current.
            if (pSet->nodeTab[i]->type != XML_NAMESPACE_DECL)
                nodes.push_back(pSet->nodeTab[i]);
        }
    }
    return nodes;
}

bool CXMLTreeImp::ValueOfTemporarily(xmlNode* pNode, CString& strValue)
{
    struct SRestore {
        xmlNode*& pCur;
        xmlNode* pSaved;
        ~SRestore() { pCur = pSaved; }
    } restore{m_pCurNode, m_pCurNode};
    m_pCurNode = pNode;
    // Through the virtual table, so that a derived tree's reading applies here too.
    return GetValue(strValue);
}

bool CXMLTreeImp::PutValue(xmlNode* pNode, const CString& strValue)
{
    // The tree holds nothing that its save could not write: such a value is not accepted.
    if (!kx::xml::IsXmlText(strValue))
        return false;
    const std::string strText = kx::xml::ToUtf8(strValue);
    switch (pNode->type) {
    case XML_ELEMENT_NODE: {
        ForgetCursors();
        FreeChildren(pNode);
        if (strText.empty())
            return true;
        // A text node keeps the string as it stands ("&" included); the writer escapes it.
        xmlNode* pText = xmlNewDocTextLen(m_pDoc.get(), X(strText), static_cast<int>(strText.size()));
        if (!pText)
            throw KxXmlError(KxXmlError::kOutOfMemory, "out of memory");
        xmlAddChild(pNode, pText);
        return true;
    }
    case XML_ATTRIBUTE_NODE: {
        ForgetCursors();
        auto* pAttr = reinterpret_cast<xmlAttr*>(pNode);
        return pAttr->parent && xmlSetNsProp(pAttr->parent, pAttr->ns, pAttr->name, X(strText)) == pAttr;
    }
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
    case XML_COMMENT_NODE:
    case XML_PI_NODE:
        xmlNodeSetContent(pNode, X(strText));
        return true;
    default:
        return false;
    }
}

bool CXMLTreeImp::LoadXML(const CString& strXml)
{
    try {
        // The text is already decoded, so it is parsed as UTF-8 whatever it declares; the declared
        // encoding is kept as the one to save in.
        std::string strBytes = kx::xml::ToUtf8(strXml);
        std::string strDeclared;
        std::size_t nBegin = 0, nEnd = 0;
        if (FindDeclaredEncoding(strBytes, nBegin, nEnd)) {
            strDeclared = strBytes.substr(nBegin, nEnd - nBegin);
            strBytes.replace(nBegin, nEnd - nBegin, "UTF-8");
        }
        kx::xml::DocPtr pDoc = kx::xml::ParseMemory(strBytes);
        if (!pDoc)
            return false;
        if (!strDeclared.empty()) {
            xmlChar* pEncoding = xmlStrdup(X(strDeclared));
            if (!pEncoding)
                return false;
            xmlFree(const_cast<xmlChar*>(pDoc->encoding));
            pDoc->encoding = pEncoding;
        }
        ReplaceDocument(std::move(pDoc));
        m_pCurNode = DocNode();
        return true;
    } catch (...) {
        return false;
    }
}

bool CXMLTreeImp::LoadFile(const CString& strPath) { return Load(strPath, 0, nullptr); }

bool CXMLTreeImp::LoadFileOutline(const CString& strPath, int nLeafDepth, kx::xml::Outline& outline)
{
    return Load(strPath, nLeafDepth, &outline);
}

bool CXMLTreeImp::Load(const CString& strPath, int nLeafDepth, kx::xml::Outline* pOutline)
{
    bool bLoaded = false;
    try {
        const std::string strFsPath = kx::platform::MapPath(strPath);
        kx::xml::DocPtr pDoc = pOutline ? kx::xml::ParseFile(strFsPath, nLeafDepth, *pOutline)
                                        : kx::xml::ParseFile(strFsPath);
        bLoaded = pDoc != nullptr;
        // A failed load leaves an empty document, never the previous one.
        ReplaceDocument(bLoaded ? std::move(pDoc) : NewDocument());
    } catch (...) {
        bLoaded = false;
    }
    if (!bLoaded && pOutline)
        pOutline->Clear();
    m_pCurNode = DocNode();
    return bLoaded;
}

std::string CXMLTreeImp::TargetPath(const CString& strPath)
{
    CString strTarget = strPath;
    if (strTarget.find(L'%') != CString::npos)
        strTarget = L"file://" + strTarget;
    return kx::platform::MapPath(strTarget);
}

bool CXMLTreeImp::SaveFile(const CString& strPath)
{
    DropKeptAside();
    try {
        if (!m_pDoc)
            return false;
        return kx::xml::SaveFile(m_pDoc.get(), TargetPath(strPath));
    } catch (...) {
        return false;
    }
}

bool CXMLTreeImp::TakesChildrenAsText() const
{
    if (!m_pDoc || !m_pCurNode || m_pCurNode->type != XML_ELEMENT_NODE || m_pCurNode->ns || m_pCurNode->nsDef)
        return false;
    // The document element alone at the top: no DTD, comment or processing instruction beside it.
    const xmlNode* pDocNode = DocNode();
    if (pDocNode->children != m_pCurNode || m_pCurNode->next || m_pCurNode->prev || m_pDoc->intSubset ||
        m_pDoc->extSubset)
        return false;
    for (const xmlAttr* pAttr = m_pCurNode->properties; pAttr; pAttr = pAttr->next) {
        if (pAttr->ns)
            return false;
    }
    const char* pEncoding = m_pDoc->encoding ? reinterpret_cast<const char*>(m_pDoc->encoding) : "UTF-8";
    return xmlParseCharEncoding(pEncoding) == XML_CHAR_ENCODING_UTF8;
}

bool CXMLTreeImp::SaveFileWithChildren(const CString& strPath, const std::string& strChildren)
{
    DropKeptAside();
    if (strChildren.empty() || !TakesChildrenAsText())
        return false;
    try {
        std::string strBytes;
        return kx::xml::SerializeWithChildren(m_pDoc.get(), strChildren, strBytes) &&
               kx::platform::WriteFileAtomic(TargetPath(strPath), strBytes);
    } catch (...) {
        return false;
    }
}

bool CXMLTreeImp::GetPathValue(const CString& strPath, CString& strValue)
{
    if (!m_pDoc)
        throw KxXmlError(KxXmlError::kPointer, "no XML document");
    const std::vector<xmlNode*> nodes = Select(DocNode(), strPath);
    if (nodes.empty())
        return false;
    CString strRead;
    if (ReadValue(nodes.front(), strRead))
        strValue = std::move(strRead);
    return true;
}

bool CXMLTreeImp::AddChild(const CString& strName, const CString& strValue)
{
    if (!m_pCurNode)
        return false;
    if (m_pCurNode->type == XML_DOCUMENT_NODE) {
        if (xmlDocGetRootElement(m_pDoc.get()))
            Refuse("a document has only one top element");
    } else if (m_pCurNode->type != XML_ELEMENT_NODE) {
        Refuse("only an element or the document takes child elements");
    }
    const std::string* pName = Utf8Name(strName);
    if (!pName)
        Refuse("\"" + kx::xml::ToUtf8(strName) + "\" is not a valid element name");
    ForgetCursors();
    xmlNode* pNode = TakeOverElement(*pName);
    if (!pNode) {
        pNode = xmlNewDocNode(m_pDoc.get(), nullptr, X(*pName), nullptr);
        if (!pNode)
            throw KxXmlError(KxXmlError::kOutOfMemory, "out of memory");
        xmlAddChild(m_pCurNode, pNode);
    }
    m_pCurNode = pNode;
    if (strValue.empty())
        return true;
    // A taken-over element whose old content starts with a text node gets that node back.
    SKeptAside* pKept = KeptAsideFor(pNode);
    xmlNode* pText = pKept ? pKept->pChildren : nullptr;
    if (!pText || pText->type != XML_TEXT_NODE || !xmlStrEqual(pText->name, kPlainTextName))
        return PutValue(pNode, strValue);
    if (!kx::xml::IsXmlText(strValue))
        return false;
    pKept->pChildren = pText->next;
    if (pText->next)
        pText->next->prev = nullptr;
    const std::string strText = kx::xml::ToUtf8(strValue);
    if (!pText->content || !xmlStrEqual(pText->content, X(strText)))
        xmlNodeSetContent(pText, X(strText));
    AppendChild(pNode, pText);
    return true;
}

bool CXMLTreeImp::DeleteCurNode()
{
    DropKeptAside();
    if (!m_pCurNode)
        return false;
    xmlNode* pParent = ParentOf(m_pCurNode);
    if (!pParent)
        return false;
    xmlNode* pRemoved = m_pCurNode;
    ForgetCursors();
    xmlUnlinkNode(pRemoved);
    m_pCurNode = pParent;
    xmlFreeNode(pRemoved);
    return true;
}

bool CXMLTreeImp::DeleteAllChildren()
{
    if (!m_pCurNode)
        return false;
    ForgetCursors();
    DropKeptAside();
    // Attributes declared as IDs in a DTD are registered with the document; such documents are
    // rebuilt the plain way.
    if (m_pCurNode->type == XML_ELEMENT_NODE && m_pCurNode->children && !m_pDoc->intSubset && !m_pDoc->extSubset) {
        m_vecKeptAside.push_back({m_pCurNode, m_pCurNode->children, nullptr});
        m_pCurNode->children = m_pCurNode->last = nullptr;
        return true;
    }
    FreeChildren(m_pCurNode);
    return true;
}

bool CXMLTreeImp::MoveToChildByName(const CString& strName, int nIndex)
{
    if (!m_pCurNode)
        return false;
    const std::vector<xmlNode*> nodes = Select(m_pCurNode, L"./" + strName);
    if (nIndex < 0 || static_cast<std::size_t>(nIndex) >= nodes.size())
        return false;
    m_pCurNode = nodes[static_cast<std::size_t>(nIndex)];
    return true;
}

bool CXMLTreeImp::MoveToPath(const CString& strPath)
{
    if (!m_pDoc)
        throw KxXmlError(KxXmlError::kPointer, "no XML document");
    const std::vector<xmlNode*> nodes = Select(DocNode(), strPath);
    if (nodes.empty())
        return false;
    m_pCurNode = nodes.front();
    return true;
}

bool CXMLTreeImp::GetChildCount(int& nCount)
{
    if (!m_pCurNode)
        return false;
    nCount = ChildCount(m_pCurNode);
    return true;
}

bool CXMLTreeImp::GetChildCountByName(const CString& strName, int& nCount)
{
    if (!m_pCurNode)
        return false;
    nCount = static_cast<int>(Select(m_pCurNode, L"./" + strName).size());
    return true;
}

bool CXMLTreeImp::GetValue(CString& strValue)
{
    if (!m_pCurNode)
        return false;
    // Read in place: a caller reading record after record keeps one buffer.
    ReadValue(m_pCurNode, strValue);
    return true;
}

bool CXMLTreeImp::SetValue(const CString& strValue)
{
    if (!m_pCurNode)
        return false;
    return PutValue(m_pCurNode, strValue);
}

bool CXMLTreeImp::GetAttribute(const CString& strName, CString& strValue)
{
    try {
        if (!m_pCurNode)
            return false;
        // Only elements have an attribute map; asking another node is a failure, not an absence.
        if (m_pCurNode->type != XML_ELEMENT_NODE) {
            strValue.clear();
            return false;
        }
        const std::string* pName = Utf8Name(strName);
        xmlAttr* pAttr = FindAttribute(m_pCurNode, pName ? *pName : kx::xml::ToUtf8(strName));
        if (!pAttr)
            return false;
        return ReadValue(reinterpret_cast<xmlNode*>(pAttr), strValue);
    } catch (...) {
        strValue.clear();
        return false;
    }
}

bool CXMLTreeImp::SetAttribute(const CString& strName, const CString& strValue)
{
    if (!m_pCurNode)
        return false;
    if (m_pCurNode->type != XML_ELEMENT_NODE)
        Refuse("attributes can be set on an element only");
    const std::string* pName = Utf8Name(strName);
    if (!pName || !kx::xml::IsXmlText(strValue))
        return false;
    ForgetCursors();
    const std::string strText = kx::xml::ToUtf8(strValue);
    // A taken-over element gets its old attributes back in their order, as long as the calls ask
    // for them in that order; a value that is the same stays as it is.
    SKeptAside* pKept = KeptAsideFor(m_pCurNode);
    xmlAttr* pOld = pKept ? pKept->pAttrs : nullptr;
    if (pOld && !pOld->ns && xmlStrEqual(pOld->name, X(*pName)) && !FindAttribute(m_pCurNode, *pName)) {
        pKept->pAttrs = pOld->next;
        if (pOld->next)
            pOld->next->prev = nullptr;
        AppendAttribute(m_pCurNode, pOld);
        const xmlChar* pContent = PlainContent(reinterpret_cast<xmlNode*>(pOld));
        if (pContent && pOld->children && xmlStrEqual(pContent, X(strText)))
            return true;
    }
    return xmlSetNsProp(m_pCurNode, nullptr, X(*pName), X(strText)) != nullptr;
}

bool CXMLTreeImp::RemoveAttribute(const CString& strName)
{
    try {
        if (!m_pCurNode || m_pCurNode->type != XML_ELEMENT_NODE)
            return false;
        xmlAttr* pAttr = FindAttribute(m_pCurNode, kx::xml::ToUtf8(strName));
        if (!pAttr)
            return true;
        ForgetCursors();
        return xmlRemoveProp(pAttr) == 0;
    } catch (...) {
        return false;
    }
}

bool CXMLTreeImp::GetChildValue(int nIndex, CString& strValue)
{
    if (!m_pCurNode)
        return false;
    xmlNode* pChild = ChildAt(m_pCurNode, nIndex);
    return pChild && ValueOfTemporarily(pChild, strValue);
}

bool CXMLTreeImp::GetSubNodeValue(const CString& strPath, CString& strValue)
{
    if (!m_pCurNode)
        return false;
    const std::vector<xmlNode*> nodes = Select(m_pCurNode, strPath);
    return !nodes.empty() && ValueOfTemporarily(nodes.front(), strValue);
}

bool CXMLTreeImp::MoveToParent()
{
    if (!m_pCurNode)
        return false;
    xmlNode* pParent = ParentOf(m_pCurNode);
    if (!pParent)
        return false;
    // Whatever the element left kept aside was not built again: it is gone.
    if (SKeptAside* pKept = KeptAsideFor(m_pCurNode)) {
        DropKeptAside(*pKept);
        m_vecKeptAside.pop_back();
    }
    m_pCurNode = pParent;
    return true;
}

bool CXMLTreeImp::GetNodeName(CString& strName)
{
    if (!m_pCurNode)
        return false;
    return NodeName(m_pCurNode, strName);
}

bool CXMLTreeImp::MoveToChild(int nIndex)
{
    if (!m_pCurNode)
        return false;
    xmlNode* pChild = ChildAt(m_pCurNode, nIndex);
    if (!pChild)
        return false;
    m_pCurNode = pChild;
    return true;
}

bool CreateXMLTree(std::unique_ptr<IXMLTree>& pTree)
{
    // Made before the old tree is destroyed, so a tree is never replaced by itself.
    pTree = std::make_unique<CXMLTreeImp>();
    return true;
}
