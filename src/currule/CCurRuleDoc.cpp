// Loading, upgrading and saving a rule document. Rule files hold up to 100,000 records, so the
// record matching of the sync and of the writer goes through hash indexes built once per call,
// and the template parser is asked once per element, never per record.
#include "currule/CCurRuleDoc.h"

#include <string_view>
#include <unordered_map>
#include <utility>

#include <kxhost/HostServices.h>

#include "common/Message.h"
#include "common/StringUtil.h"
#include "platform/Platform.h"

using NS_KXComponentType::SCompGroupType;

namespace {

const wchar_t* const kRootName = L"工程数据";
// The version an old-format file (one without "RuleVer") is taken to have.
const wchar_t* const kOldFormatVersion = L"22.3.1";
// Files older than this numbered component type 18 as 12.
const wchar_t* const kRenumberVersion = L"25.1.0";
constexpr int kVersionParts = 3;

inline std::size_t HashMix(std::size_t seed, std::size_t value)
{
    return seed ^ (value + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2));
}

// The key under which the sync carries a project value over to a default record.
struct SSyncKey {
    SCompGroupType compType;
    std::wstring_view strCalItem;
    std::wstring_view strRuleName;

    bool operator==(const SSyncKey& other) const
    {
        return compType == other.compType && strCalItem == other.strCalItem && strRuleName == other.strRuleName;
    }
};

struct SSyncKeyHash {
    std::size_t operator()(const SSyncKey& key) const
    {
        std::size_t h = std::hash<std::wstring_view>{}(key.strCalItem);
        h = HashMix(h, std::hash<std::wstring_view>{}(key.strRuleName));
        h = HashMix(h, std::hash<int>{}(key.compType.nTypeId));
        return HashMix(h, std::hash<int>{}(key.compType.nSubTypeId));
    }
};

// Positions of equal records in document order, handed out front first.
struct SPositionQueue {
    std::vector<std::size_t> vecPositions;
    std::size_t nNext = 0;
};

struct SWriteKey {
    int nTypeId;
    std::wstring_view strCalItem;

    bool operator==(const SWriteKey& other) const
    {
        return nTypeId == other.nTypeId && strCalItem == other.strCalItem;
    }
};

struct SWriteKeyHash {
    std::size_t operator()(const SWriteKey& key) const
    {
        return HashMix(std::hash<std::wstring_view>{}(key.strCalItem), std::hash<int>{}(key.nTypeId));
    }
};

bool IsOldBeamWithDeduction(const CString& strCompName)
{
    return strCompName == L"框架梁" || strCompName == L"次梁" || strCompName == L"独立梁" ||
           strCompName == L"基础梁";
}

// Old-format files did not list the deduction of code 1 for the formwork of beams, although it
// always applied; it has to be stated explicitly now.
void AddBeamFormworkDeduction(const CString& strCompName, SRuleItem& item)
{
    if (!IsOldBeamWithDeduction(strCompName) || item.strCalItem != L"实体模板" || item.strRuleName != L"扣减项目")
        return;
    CStringArray arrPieces;
    SplitList(item.strValue, arrPieces);
    for (const CString& strPiece : arrPieces) {
        if (strPiece == L"1")
            return;
    }
    item.strValue = L"1," + item.strValue;
}

} // namespace

// The writer's view of the records: every (type id, item) key leads to its records in document
// order. A key is erased once written, so each record is written at most once.
struct CCurRuleDoc::SPendingRecords {
    std::unordered_map<SWriteKey, std::vector<std::size_t>, SWriteKeyHash> mapRecords;
};

bool CCurRuleDoc::Load(const CString& strPath)
{
    m_strFileName = strPath;
    ClearReadOnly(m_strFileName);
    OpenFile();
    // The parse and the sync replace the records.
    m_bIndexStale = true;
    m_bModified = false;
    return true;
}

const std::vector<std::size_t>* CCurRuleDoc::PositionsOf(SCompGroupType compType) const
{
    if (m_bIndexStale) {
        m_mapPositions.clear();
        for (std::size_t i = 0; i < m_vecItems.size(); ++i)
            m_mapPositions[m_vecItems[i].compType].push_back(i);
        m_bIndexStale = false;
    }
    const auto it = m_mapPositions.find(compType);
    return it == m_mapPositions.end() ? nullptr : &it->second;
}

void CCurRuleDoc::ClearReadOnly(const CString& strPath)
{
    try {
        kx::platform::ClearReadOnly(kx::platform::MapPath(strPath));
    } catch (...) {
        // A file whose attribute cannot be changed fails later, when it is written.
    }
}

bool CCurRuleDoc::OpenFile()
{
    CreateXMLTree(m_pXMLTree);
    if (!m_pXMLTree || !m_pXMLTree->LoadFile(m_strFileName)) {
        m_strFileName.clear();
        return false;
    }
    if (!ParseTree())
        return false;
    if (!SyncWithDefaults())
        return false;
    SaveTo(m_strFileName);
    return true;
}

bool CCurRuleDoc::ParseTree()
{
    if (!m_pXMLTree)
        return false;
    IXMLTree& tree = *m_pXMLTree;
    if (!tree.MoveToPath(kRootName))
        return false;
    CString strRuleType;
    if (!tree.GetAttribute(L"ruletype", strRuleType))
        return false;
    if (strRuleType != L"1") {
        kx::ShowMessage(kx::LoadMessage(kx::MessageId::NotRuleFile));
        return false;
    }

    CString strVersion;
    const bool bOldFormat = !tree.GetAttribute(L"RuleVer", strVersion);
    if (bOldFormat) {
        m_strVersion = kOldFormatVersion;
        tree.RemoveAttribute(L"classtype");
        tree.RemoveAttribute(L"version");
        tree.RemoveAttribute(L"projtype");
    } else {
        m_strVersion = strVersion;
    }
    const bool bRenumber = CStringDisposeTool::CompareVersion(m_strVersion, kRenumberVersion, kVersionParts) < 0;

    m_vecItems.clear();
    ITemplateParser* pParser = GetTemplateParser();
    int nGroups = 0;
    tree.GetChildCount(nGroups);
    for (int g = 0; g < nGroups; ++g) {
        if (!tree.MoveToChild(g))
            continue;
        int nComps = 0;
        tree.GetChildCount(nComps);
        for (int c = 0; c < nComps; ++c) {
            if (!tree.MoveToChild(c))
                continue;
            CString strCompName;
            tree.GetNodeName(strCompName);
            const SCompTemplate* pTemplate = pParser ? pParser->GetCompTemplateByName(strCompName) : nullptr;
            // A component the templates no longer know is dropped with all its rules.
            int nItems = 0;
            if (pTemplate)
                tree.GetChildCount(nItems);
            for (int i = 0; i < nItems; ++i) {
                if (!tree.MoveToChild(i))
                    continue;
                CString strCalItem;
                tree.GetNodeName(strCalItem);
                if (bOldFormat && strCalItem == L"砖胎模")
                    strCalItem = L"砖模";
                const SCompGroupType compType = ResolveCompType(*pTemplate, strCalItem);
                int nRules = 0;
                tree.GetChildCount(nRules);
                for (int r = 0; r < nRules; ++r) {
                    if (!tree.MoveToChild(r))
                        continue;
                    SRuleItem item;
                    item.compType = compType;
                    item.strCalItem = strCalItem;
                    tree.GetNodeName(item.strRuleName);
                    tree.GetAttribute(L"selecttype", item.strSelectType);
                    tree.GetAttribute(L"initype", item.strIniType);
                    tree.GetValue(item.strValue);
                    tree.MoveToParent();
                    if (bOldFormat) {
                        ConvertBrickMouldCodes(strCompName, item);
                        AddBeamFormworkDeduction(strCompName, item);
                    }
                    if (bRenumber)
                        RenumberOldType(item);
                    m_vecItems.push_back(std::move(item));
                }
                tree.MoveToParent();
            }
            tree.MoveToParent();
        }
        tree.MoveToParent();
    }
    return true;
}

SCompGroupType CCurRuleDoc::ResolveCompType(const SCompTemplate& tmpl, const CString& strCalItem)
{
    SCompGroupType compType{tmpl.nTypeId, -1};
    if (CStringDisposeTool::IsInAry(strCalItem, tmpl.arrItemNames) >= 0)
        return compType;
    for (const SCompTemplate* pSub : tmpl.vecSubTemplates) {
        if (pSub && CStringDisposeTool::IsInAry(strCalItem, pSub->arrItemNames) >= 0)
            compType.nSubTypeId = pSub->nTypeId;
    }
    return compType;
}

void CCurRuleDoc::ConvertBrickMouldCodes(const CString& strCompName, SRuleItem& item)
{
    if (item.strCalItem != L"砖模" || item.strIniType != L"KouJ")
        return;
    CStringArray arrPieces;
    SplitList(item.strValue, arrPieces);
    item.strValue.clear();
    std::vector<long> vecCodes;
    for (const CString& strPiece : arrPieces) {
        const long nCode = kx::WToL(strPiece);
        switch (nCode) {
        case 43: vecCodes.insert(vecCodes.end(), {113, 114, 115}); break;
        case 44: vecCodes.insert(vecCodes.end(), {116, 117, 118}); break;
        case 46:
            // A strip footing cannot deduct itself.
            if (strCompName != L"砼条基")
                vecCodes.insert(vecCodes.end(), {119, 120, 121});
            break;
        case 47: vecCodes.insert(vecCodes.end(), {122, 123}); break;
        case 49:
            // Nor a foundation beam.
            if (strCompName != L"基础梁")
                vecCodes.insert(vecCodes.end(), {124, 125, 126});
            break;
        case 101: vecCodes.insert(vecCodes.end(), {127, 128}); break;
        default: vecCodes.push_back(nCode); break;
        }
    }
    for (std::size_t i = 0; i < vecCodes.size(); ++i) {
        if (i > 0)
            item.strValue += L',';
        item.strValue += kx::IntToStr(vecCodes[i]);
    }
}

void CCurRuleDoc::RenumberOldType(SRuleItem& item)
{
    if (item.compType.nTypeId == 18)
        item.compType.nTypeId = 12;
}

bool CCurRuleDoc::SyncWithDefaults()
{
    const CString strProgramVersion = CISysdata::GetVersion();
    if (CStringDisposeTool::CompareVersion(m_strVersion, strProgramVersion, kVersionParts) >= 0)
        return true;
    ITemplateParser* pParser = GetTemplateParser();
    std::vector<SRuleItem> vecDefaults;
    if (!pParser || !pParser->GetSysRules(vecDefaults))
        return false;

    // Each project record is carried over at most once, to the first default of its key.
    std::unordered_map<SSyncKey, SPositionQueue, SSyncKeyHash> mapProject;
    mapProject.reserve(m_vecItems.size());
    for (std::size_t i = 0; i < m_vecItems.size(); ++i) {
        const SRuleItem& item = m_vecItems[i];
        mapProject[SSyncKey{item.compType, item.strCalItem, item.strRuleName}].vecPositions.push_back(i);
    }
    for (SRuleItem& def : vecDefaults) {
        const auto it = mapProject.find(SSyncKey{def.compType, def.strCalItem, def.strRuleName});
        if (it == mapProject.end())
            continue;
        SPositionQueue& queue = it->second;
        if (queue.nNext < queue.vecPositions.size())
            def.strValue = m_vecItems[queue.vecPositions[queue.nNext++]].strValue;
    }
    m_vecItems = std::move(vecDefaults);
    m_strVersion = strProgramVersion;
    return true;
}

bool CCurRuleDoc::SaveTo(const CString& strPath)
{
    if (!m_pXMLTree)
        return false;
    // Every child of a calculation-item element becomes a record named after it, a comment or
    // stray text of a hand-edited file too; such a name is no element name and the tree refuses
    // it. The save then fails with the file untouched rather than throwing into the host.
    try {
        IXMLTree& tree = *m_pXMLTree;
        if (!tree.MoveToPath(kRootName))
            return false;
        tree.SetAttribute(L"RuleVer", m_strVersion);
        tree.SetAttribute(L"classtype", L"10");
        tree.DeleteAllChildren();

        SPendingRecords pending;
        pending.mapRecords.reserve(m_vecItems.size());
        for (std::size_t i = 0; i < m_vecItems.size(); ++i) {
            const SRuleItem& item = m_vecItems[i];
            pending.mapRecords[SWriteKey{item.compType.nTypeId, item.strCalItem}].push_back(i);
        }

        ITemplateParser* pParser = GetTemplateParser();
        std::vector<SCompGroupInfo*> vecGroups;
        if (pParser)
            pParser->GetCompGroups(vecGroups, true);
        for (const SCompGroupInfo* pGroup : vecGroups) {
            if (!pGroup)
                continue;
            tree.AddChild(pGroup->strName, L"");
            tree.SetAttribute(L"classtype", L"1");
            std::vector<SCompTemplate*> vecTemplates;
            pParser->GetGroupCompTemplates(pGroup->nGroupId, vecTemplates);
            for (const SCompTemplate* pTemplate : vecTemplates) {
                if (!pTemplate)
                    continue;
                tree.AddChild(pTemplate->strName, L"");
                tree.SetAttribute(L"classtype", L"1");
                WriteTemplateItems(*pTemplate, pending, pTemplate->nTypeId);
                for (const SCompTemplate* pSub : pTemplate->vecSubTemplates) {
                    if (pSub)
                        WriteTemplateItems(*pSub, pending, pTemplate->nTypeId);
                }
                tree.MoveToParent();
            }
            tree.MoveToParent();
        }
        return tree.SaveFile(strPath);
    } catch (const KxXmlError&) {
        return false;
    }
}

void CCurRuleDoc::WriteTemplateItems(const SCompTemplate& tmpl, SPendingRecords& pending, int nKeyTypeId)
{
    IXMLTree& tree = *m_pXMLTree;
    for (const SCalItemTemplate& calItem : tmpl.vecCalItems) {
        tree.AddChild(calItem.strName, L"");
        tree.SetAttribute(L"classtype", L"2");
        // The sub-type is not written: the reader derives it again from the item's name.
        const auto it = pending.mapRecords.find(SWriteKey{nKeyTypeId, calItem.strName});
        if (it != pending.mapRecords.end()) {
            for (const std::size_t nPos : it->second)
                WriteRule(m_vecItems[nPos]);
            pending.mapRecords.erase(it);
        }
        tree.MoveToParent();
    }
}

void CCurRuleDoc::WriteRule(const SRuleItem& item)
{
    IXMLTree& tree = *m_pXMLTree;
    tree.AddChild(item.strRuleName, item.strValue);
    tree.SetAttribute(L"classtype", L"3");
    tree.SetAttribute(L"selecttype", item.strSelectType);
    tree.SetAttribute(L"initype", item.strIniType);
    tree.MoveToParent();
}
