// Loading, upgrading and saving a rule document. Rule files hold up to 100,000 records, so the
// record matching of the sync and of the writer goes through indexes built once per call, and the
// template parser is asked once per element, never per record.
#include "currule/CCurRuleDoc.h"

#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include <kxhost/HostServices.h>

#include "common/Message.h"
#include "common/StringUtil.h"
#include "platform/Platform.h"
#include "xmltree/CXmlTextWriter.h"

using NS_KXComponentType::SCompGroupType;

namespace {

const wchar_t* const kRootName = L"工程数据";
// The version an old-format file (one without "RuleVer") is taken to have.
const wchar_t* const kOldFormatVersion = L"22.3.1";
// Files older than this numbered component type 18 as 12.
const wchar_t* const kRenumberVersion = L"25.1.0";
constexpr int kVersionParts = 3;
// The tree takes names as strings: made once, not once per record of a 100,000-rule file.
const CString kClassType = L"classtype";
const CString kSelectType = L"selecttype";
const CString kIniType = L"initype";
const CString kRuleClass = L"3";
const wchar_t* const kBrickMould = L"砖模";

inline std::size_t HashMix(std::size_t seed, std::size_t value)
{
    return seed ^ (value + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2));
}

// The key under which the sync carries a project value over to a default record.
std::size_t SyncHash(SCompGroupType compType, std::wstring_view strCalItem, std::wstring_view strRuleName)
{
    std::size_t h = std::hash<std::wstring_view>{}(strCalItem);
    h = HashMix(h, std::hash<std::wstring_view>{}(strRuleName));
    h = HashMix(h, std::hash<int>{}(compType.nTypeId));
    return HashMix(h, std::hash<int>{}(compType.nSubTypeId));
}

bool SameSyncKey(const SRuleItem& a, SCompGroupType compType, const CString& strCalItem, const CString& strRuleName)
{
    return a.compType == compType && a.strCalItem == strCalItem && a.strRuleName == strRuleName;
}

// The key under which the writer puts a record below a calculation-item element.
std::size_t WriteHash(int nTypeId, std::wstring_view strCalItem)
{
    return HashMix(std::hash<std::wstring_view>{}(strCalItem), std::hash<int>{}(nTypeId));
}

// What a CHashedPositions offer answers: whether the position is taken, and whether to go on.
struct SOffer {
    bool bTake;
    bool bGoOn;
};

// Record positions by the hash of a key, in document order among equal hashes, each handed out
// once. Flat arrays chained by bucket: a hash map of position lists would make hundreds of
// thousands of small allocations for a large document, and a sorted array costs a binary search
// of scattered reads for every one of 100,000 lookups.
class CHashedPositions {
public:
    template <typename HashOf>
    CHashedPositions(std::size_t nCount, HashOf hashOf)
        : m_vecHash(nCount), m_vecNext(nCount, kEnd), m_vecTaken(nCount, false)
    {
        std::size_t nBuckets = 16;
        while (nBuckets < 2 * nCount)
            nBuckets *= 2;
        m_nMask = nBuckets - 1;
        m_vecHead.assign(nBuckets, kEnd);
        for (std::size_t i = 0; i < nCount; ++i)
            m_vecHash[i] = hashOf(i);
        // Linked from the back, so that every chain runs in document order.
        for (std::size_t i = nCount; i-- > 0;) {
            std::uint32_t& nHead = m_vecHead[m_vecHash[i] & m_nMask];
            m_vecNext[i] = nHead;
            nHead = static_cast<std::uint32_t>(i);
        }
    }

    std::size_t HashAt(std::size_t i) const { return m_vecHash[i]; }

    // Offers the positions of hash `nHash` not yet taken, in document order, to `fn`, which
    // answers with an SOffer.
    template <typename Fn>
    void Offer(std::size_t nHash, Fn fn)
    {
        for (std::uint32_t i = m_vecHead[nHash & m_nMask]; i != kEnd; i = m_vecNext[i]) {
            if (m_vecHash[i] != nHash || m_vecTaken[i])
                continue;
            const auto [bTake, bGoOn] = fn(std::size_t{i});
            if (bTake)
                m_vecTaken[i] = true;
            if (!bGoOn)
                return;
        }
    }

private:
    static constexpr std::uint32_t kEnd = 0xFFFFFFFFu;
    std::vector<std::size_t> m_vecHash;
    std::vector<std::uint32_t> m_vecNext;
    std::vector<std::uint32_t> m_vecHead;
    std::vector<bool> m_vecTaken;
    std::size_t m_nMask = 0;
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

// A value the tree refuses (one that XML cannot carry) fails the whole save: writing on without
// it would lose it.
void Require(bool bAccepted)
{
    if (!bAccepted)
        throw KxXmlError(KxXmlError::kFail, "a value holds a character that XML cannot carry");
}

// The records' elements built as nodes of the tree.
class CTreeSink {
public:
    explicit CTreeSink(IXMLTree& tree) : m_tree(tree) {}
    void Open(const CString& strName, const CString& strClassType)
    {
        Require(m_tree.AddChild(strName, CString()));
        Require(m_tree.SetAttribute(kClassType, strClassType));
    }
    void Rule(const SRuleItem& item)
    {
        Require(m_tree.AddChild(item.strRuleName, item.strValue));
        Require(m_tree.SetAttribute(kClassType, kRuleClass));
        Require(m_tree.SetAttribute(kSelectType, item.strSelectType));
        Require(m_tree.SetAttribute(kIniType, item.strIniType));
        m_tree.MoveToParent();
    }
    void Close() { m_tree.MoveToParent(); }

private:
    IXMLTree& m_tree;
};

// The same elements written as text, which the tree saves in place of its own children.
class CTextSink {
public:
    explicit CTextSink(CXmlTextWriter& writer) : m_writer(writer) {}
    void Open(const CString& strName, const CString& strClassType)
    {
        m_writer.Open(strName);
        m_writer.Attribute(kClassType, strClassType);
    }
    void Rule(const SRuleItem& item)
    {
        m_writer.Open(item.strRuleName);
        m_writer.Attribute(kClassType, kRuleClass);
        m_writer.Attribute(kSelectType, item.strSelectType);
        m_writer.Attribute(kIniType, item.strIniType);
        m_writer.Text(item.strValue);
        m_writer.Close();
    }
    void Close() { m_writer.Close(); }

private:
    CXmlTextWriter& m_writer;
};

// The component type of the rules below the item element `strCalItem` of `tmpl`; an old-format
// file's brick mould item is renamed first.
SCompGroupType EnterItem(const SCompTemplate& tmpl, bool bOldFormat, CString& strCalItem)
{
    if (bOldFormat && strCalItem == L"砖胎模")
        strCalItem = kBrickMould;
    return CCurRuleDoc::ResolveCompType(tmpl, strCalItem);
}

// A rule element of a file read as an outline, asked the same questions as the tree's current
// node: its name, an attribute, its text.
class COutlineRule {
public:
    explicit COutlineRule(const kx::xml::Outline& outline) : m_outline(outline) {}
    void MoveTo(const kx::xml::Outline::Element& element) { m_pElement = &element; }

    bool GetNodeName(CString& strName) const
    {
        kx::platform::FromUtf8(m_outline.View(m_pElement->name), strName);
        return true;
    }
    bool GetAttribute(const CString& strName, CString& strValue) const
    {
        const kx::xml::Outline::Span* pValue = m_outline.FindAttribute(*m_pElement, kx::platform::ToUtf8(strName));
        if (!pValue)
            return false;
        kx::platform::FromUtf8(m_outline.View(*pValue), strValue);
        return true;
    }
    bool GetValue(CString& strValue) const
    {
        kx::platform::FromUtf8(m_outline.View(m_pElement->text), strValue);
        return true;
    }

private:
    const kx::xml::Outline& m_outline;
    const kx::xml::Outline::Element* m_pElement = nullptr;
};

} // namespace

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
    // The records are read from an outline where the file allows: the tree then holds the
    // document element alone, and a 100,000-rule file costs no node.
    if (!m_pXMLTree || !m_pXMLTree->LoadFileOutline(m_strFileName, kRuleDepth, m_outline)) {
        m_strFileName.clear();
        return false;
    }
    bool bOldFormat = false;
    bool bRead = ReadRoot(bOldFormat) && ReadRecords(bOldFormat);
    // Its room stays for the next load.
    m_outline.Clear();
    if (bRead)
        SaveTo(m_strFileName);
    return bRead;
}

bool CCurRuleDoc::ReadRoot(bool& bOldFormat)
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
    bOldFormat = !tree.GetAttribute(L"RuleVer", strVersion);
    if (bOldFormat) {
        m_strVersion = kOldFormatVersion;
        tree.RemoveAttribute(L"classtype");
        tree.RemoveAttribute(L"version");
        tree.RemoveAttribute(L"projtype");
    } else {
        m_strVersion = strVersion;
    }
    return true;
}

bool CCurRuleDoc::ReadRecords(bool bOldFormat)
{
    const SUpgrade upgrade{bOldFormat,
                           CStringDisposeTool::CompareVersion(m_strVersion, kRenumberVersion, kVersionParts) < 0};
    const CString strProgramVersion = CISysdata::GetVersion();
    if (CStringDisposeTool::CompareVersion(m_strVersion, strProgramVersion, kVersionParts) >= 0) {
        ReadProjectRecords(upgrade);
        return true;
    }
    // An older file is synced with the defaults: they replace its records and keep only their
    // values, so with the defaults at hand each record's key and value are all that is read.
    ITemplateParser* pParser = GetTemplateParser();
    // The earlier records are freed just before the copy, whose strings can then take their
    // places, and the copy goes into an empty list that keeps the earlier list's room: a project
    // opened again allocates no list of some 20 MB.
    m_vecItems.clear();
    std::vector<SRuleItem> vecDefaults;
    vecDefaults.swap(m_vecItems);
    if (!pParser || !pParser->GetSysRules(vecDefaults)) {
        // Without defaults the file's records stay as they are, and the file is not rewritten.
        ReadProjectRecords(upgrade);
        return false;
    }
    ReadValuesInto(upgrade, vecDefaults);
    m_vecItems = std::move(vecDefaults);
    m_strVersion = strProgramVersion;
    return true;
}

template <typename OnRecord>
void CCurRuleDoc::ForEachRecord(bool bOldFormat, OnRecord onRecord)
{
    if (!m_outline.bTaken) {
        ForEachTreeRecord(bOldFormat, onRecord);
        return;
    }
    // In document order a child follows its parent, so the last component and item seen are
    // those of the rule at hand.
    ITemplateParser* pParser = GetTemplateParser();
    COutlineRule rule(m_outline);
    CString strCompName;
    CString strCalItem;
    const SCompTemplate* pTemplate = nullptr;
    SCompGroupType compType;
    for (const kx::xml::Outline::Element& element : m_outline.elements) {
        switch (element.nDepth) {
        case 2:
            kx::platform::FromUtf8(m_outline.View(element.name), strCompName);
            pTemplate = pParser ? pParser->GetCompTemplateByName(strCompName) : nullptr;
            break;
        case 3:
            if (!pTemplate)
                break;
            kx::platform::FromUtf8(m_outline.View(element.name), strCalItem);
            compType = EnterItem(*pTemplate, bOldFormat, strCalItem);
            break;
        case kRuleDepth:
            if (!pTemplate)
                break;
            rule.MoveTo(element);
            onRecord(rule, strCompName, compType, strCalItem);
            break;
        default: break;
        }
    }
}

template <typename OnRecord>
void CCurRuleDoc::ForEachTreeRecord(bool bOldFormat, OnRecord& onRecord)
{
    // ReadRoot left the tree at the document element.
    IXMLTree& tree = *m_pXMLTree;
    ITemplateParser* pParser = GetTemplateParser();
    int nGroups = 0;
    tree.GetChildCount(nGroups);
    CString strCompName;
    CString strCalItem;
    for (int g = 0; g < nGroups; ++g) {
        if (!tree.MoveToChild(g))
            continue;
        int nComps = 0;
        tree.GetChildCount(nComps);
        for (int c = 0; c < nComps; ++c) {
            if (!tree.MoveToChild(c))
                continue;
            strCompName.clear();
            tree.GetNodeName(strCompName);
            const SCompTemplate* pTemplate = pParser ? pParser->GetCompTemplateByName(strCompName) : nullptr;
            // A component the templates no longer know is dropped with all its rules.
            int nItems = 0;
            if (pTemplate)
                tree.GetChildCount(nItems);
            for (int i = 0; i < nItems; ++i) {
                if (!tree.MoveToChild(i))
                    continue;
                strCalItem.clear();
                tree.GetNodeName(strCalItem);
                const SCompGroupType compType = EnterItem(*pTemplate, bOldFormat, strCalItem);
                int nRules = 0;
                tree.GetChildCount(nRules);
                for (int r = 0; r < nRules; ++r) {
                    if (!tree.MoveToChild(r))
                        continue;
                    onRecord(tree, strCompName, compType, strCalItem);
                    tree.MoveToParent();
                }
                tree.MoveToParent();
            }
            tree.MoveToParent();
        }
        tree.MoveToParent();
    }
}

void CCurRuleDoc::Upgrade(const SUpgrade& upgrade, const CString& strCompName, SRuleItem& item)
{
    if (upgrade.bOldFormat) {
        ConvertBrickMouldCodes(strCompName, item);
        AddBeamFormworkDeduction(strCompName, item);
    }
    if (upgrade.bRenumber)
        RenumberOldType(item);
}

void CCurRuleDoc::ReadProjectRecords(const SUpgrade& upgrade)
{
    // Read into the earlier records where there are any: a project opened again reuses their
    // strings instead of freeing a few hundred thousand and allocating as many again.
    std::size_t nCount = 0;
    ForEachRecord(upgrade.bOldFormat, [&](auto& tree, const CString& strCompName, SCompGroupType compType,
                                          const CString& strCalItem) {
        if (nCount == m_vecItems.size())
            m_vecItems.emplace_back();
        SRuleItem& item = m_vecItems[nCount++];
        item.compType = compType;
        item.strCalItem = strCalItem;
        for (CString* pField : {&item.strRuleName, &item.strValue, &item.strSelectType, &item.strIniType,
                                &item.strText, &item.strOptions})
            pField->clear();
        tree.GetNodeName(item.strRuleName);
        tree.GetAttribute(kSelectType, item.strSelectType);
        tree.GetAttribute(kIniType, item.strIniType);
        tree.GetValue(item.strValue);
        Upgrade(upgrade, strCompName, item);
    });
    m_vecItems.resize(nCount);
}

void CCurRuleDoc::ReadValuesInto(const SUpgrade& upgrade, std::vector<SRuleItem>& vecDefaults)
{
    // Each record of the file is carried over at most once, to the first default of its key not
    // yet given a value: the n-th record of a key goes to the n-th default of that key.
    CHashedPositions defaults(vecDefaults.size(), [&](std::size_t i) {
        const SRuleItem& def = vecDefaults[i];
        return SyncHash(def.compType, def.strCalItem, def.strRuleName);
    });
    // One record read into again and again, as the file's reader would build it; only the key is
    // read unless a default takes the record.
    SRuleItem record;
    // The default after the one taken last: files mostly list their records in the defaults'
    // order, so when it has the record's key, its hash is the record's and none is computed.
    std::size_t nNext = 0;
    ForEachRecord(upgrade.bOldFormat, [&](auto& tree, const CString& strCompName, SCompGroupType compType,
                                          const CString& strCalItem) {
        record.compType = compType;
        record.strCalItem = strCalItem;
        record.strRuleName.clear();
        tree.GetNodeName(record.strRuleName);
        // Renumbering changes the key; the other upgrades change only the value.
        if (upgrade.bRenumber)
            RenumberOldType(record);
        const bool bNextHasKey = nNext < vecDefaults.size() &&
                                 SameSyncKey(vecDefaults[nNext], record.compType, record.strCalItem, record.strRuleName);
        const std::size_t nHash = bNextHasKey ? defaults.HashAt(nNext)
                                              : SyncHash(record.compType, record.strCalItem, record.strRuleName);
        defaults.Offer(nHash, [&](std::size_t nPos) {
            SRuleItem& def = vecDefaults[nPos];
            if (!SameSyncKey(def, record.compType, record.strCalItem, record.strRuleName))
                return SOffer{false, true};
            record.strIniType.clear();
            record.strValue.clear();
            // Only the brick mould's code conversion looks at the file's own type.
            if (upgrade.bOldFormat && record.strCalItem == kBrickMould)
                tree.GetAttribute(kIniType, record.strIniType);
            tree.GetValue(record.strValue);
            Upgrade(SUpgrade{upgrade.bOldFormat, false}, strCompName, record);
            def.strValue.swap(record.strValue);
            nNext = nPos + 1;
            return SOffer{true, false};
        });
    });
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
    if (item.strCalItem != kBrickMould || item.strIniType != L"KouJ")
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

bool CCurRuleDoc::SaveTo(const CString& strPath)
{
    if (!m_pXMLTree)
        return false;
    // Every child of a calculation-item element becomes a record named after it, a comment or
    // stray text of a hand-edited file too; such a name is no element name and the writers refuse
    // it, as they refuse a value that XML cannot carry. The save then fails with the file
    // untouched rather than throwing into the host; the records stay as they are, so a save after
    // the value is put right succeeds.
    try {
        IXMLTree& tree = *m_pXMLTree;
        if (!tree.MoveToPath(kRootName))
            return false;
        Require(tree.SetAttribute(L"RuleVer", m_strVersion));
        Require(tree.SetAttribute(kClassType, L"10"));
        if (tree.TakesChildrenAsText()) {
            CXmlTextWriter writer(1);
            // About what a record takes, so that the text is not copied as it grows.
            writer.Output().reserve(128 * m_vecItems.size());
            CTextSink sink(writer);
            WriteRecords(sink);
            if (!writer.Output().empty())
                return tree.SaveFileWithChildren(strPath, writer.Output());
        }
        tree.DeleteAllChildren();
        CTreeSink sink(tree);
        WriteRecords(sink);
        return tree.SaveFile(strPath);
    } catch (const KxXmlError&) {
        return false;
    }
}

template <typename Sink>
void CCurRuleDoc::WriteRecords(Sink& sink) const
{
    // Every (type id, item) key leads to its records in document order; a record is taken once
    // written, so each record is written at most once.
    CHashedPositions pending(m_vecItems.size(), [this](std::size_t i) {
        return WriteHash(m_vecItems[i].compType.nTypeId, m_vecItems[i].strCalItem);
    });
    static const CString kComponentClass = L"1";
    static const CString kItemClass = L"2";
    auto writeItems = [&](const SCompTemplate& tmpl, int nKeyTypeId) {
        for (const SCalItemTemplate& calItem : tmpl.vecCalItems) {
            sink.Open(calItem.strName, kItemClass);
            // The sub-type is not written: the reader derives it again from the item's name.
            pending.Offer(WriteHash(nKeyTypeId, calItem.strName), [&](std::size_t nPos) {
                const SRuleItem& item = m_vecItems[nPos];
                if (item.compType.nTypeId != nKeyTypeId || item.strCalItem != calItem.strName)
                    return SOffer{false, true};
                sink.Rule(item);
                return SOffer{true, true};
            });
            sink.Close();
        }
    };

    ITemplateParser* pParser = GetTemplateParser();
    std::vector<SCompGroupInfo*> vecGroups;
    if (pParser)
        pParser->GetCompGroups(vecGroups, true);
    for (const SCompGroupInfo* pGroup : vecGroups) {
        if (!pGroup)
            continue;
        sink.Open(pGroup->strName, kComponentClass);
        std::vector<SCompTemplate*> vecTemplates;
        pParser->GetGroupCompTemplates(pGroup->nGroupId, vecTemplates);
        for (const SCompTemplate* pTemplate : vecTemplates) {
            if (!pTemplate)
                continue;
            sink.Open(pTemplate->strName, kComponentClass);
            writeItems(*pTemplate, pTemplate->nTypeId);
            for (const SCompTemplate* pSub : pTemplate->vecSubTemplates) {
                if (pSub)
                    writeItems(*pSub, pTemplate->nTypeId);
            }
            sink.Close();
        }
        sink.Close();
    }
}
