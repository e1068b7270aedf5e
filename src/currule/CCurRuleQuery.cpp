// The item-rule queries and edits of the registry: collecting the records of a component type
// and calculation item, reading and setting their values as name/value pair lists. The host asks
// item by item for all items of a document, so every query goes through the document's index of
// component types and visits only the records of the type asked for, still in document order.
#include <string_view>
#include <unordered_map>
#include <utility>

#include "currule/CCurRuleObj.h"

using NS_KXComponentType::SCompGroupType;

namespace {

// Position of the first occurrence of every string of a pair list, whatever its position: a
// rule name that also stands earlier as a value is found there, as a linear search finds it.
std::unordered_map<std::wstring_view, std::size_t> FirstPositions(const CStringArray& arrRules)
{
    std::unordered_map<std::wstring_view, std::size_t> mapFirst;
    mapFirst.reserve(arrRules.size());
    for (std::size_t i = 0; i < arrRules.size(); ++i)
        mapFirst.emplace(arrRules[i], i);
    return mapFirst;
}

// The value that follows `strRuleName` in the list, or null when the name is absent or last.
const CString* ValueFor(const std::unordered_map<std::wstring_view, std::size_t>& mapFirst,
                        const CStringArray& arrRules, const CString& strRuleName)
{
    const auto it = mapFirst.find(strRuleName);
    if (it == mapFirst.end() || it->second + 1 >= arrRules.size())
        return nullptr;
    return &arrRules[it->second + 1];
}

// Calls `fn` for every record of `doc` that `dir` selects (its rule type aside), in document order.
template <typename Fn>
void ForEachMatch(const CCurRuleDoc& doc, const sCalItemDir& dir, Fn fn)
{
    const std::vector<std::size_t>* pPositions = doc.PositionsOf(dir.compType);
    if (!pPositions)
        return;
    const std::vector<SRuleItem>& vecItems = doc.Items();
    for (const std::size_t nPos : *pPositions) {
        const SRuleItem& item = vecItems[nPos];
        if (!dir.strCalItem.empty() && item.strCalItem != dir.strCalItem)
            continue;
        if (!dir.strRuleName.empty() && item.strRuleName != dir.strRuleName)
            continue;
        fn(item);
    }
}

} // namespace

bool CCurRuleObj::FindItems(SCompGroupType compType, std::vector<SRuleItem>& out, const CString& strCalItem,
                            KxSysRule::RuleType type)
{
    sCalItemDir dir;
    dir.compType = compType;
    dir.strCalItem = strCalItem;
    dir.eRuleType = type;
    return FindItems(dir, out);
}

bool CCurRuleObj::FindItems(const sCalItemDir& dir, std::vector<SRuleItem>& out)
{
    const CCurRuleDoc* pDoc = GetDoc(dir.eRuleType);
    if (dir.compType.nTypeId == -1 || !pDoc)
        return false;
    ForEachMatch(*pDoc, dir, [&out](const SRuleItem& item) { out.push_back(item); });
    return !out.empty();
}

bool CCurRuleObj::GetCurItemRules(SCompGroupType compType, CStringArray& arrRules, const CString& strCalItem,
                                  KxSysRule::RuleType type)
{
    sCalItemDir dir;
    dir.compType = compType;
    dir.strCalItem = strCalItem;
    dir.eRuleType = type;
    return GetCurItemRules(dir, arrRules);
}

bool CCurRuleObj::GetCurItemRules(const sCalItemDir& dir, CStringArray& arrRules)
{
    arrRules.clear();
    const CCurRuleDoc* pDoc = GetDoc(dir.eRuleType);
    if (dir.compType.nTypeId == -1 || !pDoc)
        return false;
    ForEachMatch(*pDoc, dir, [&arrRules](const SRuleItem& item) {
        arrRules.push_back(item.strRuleName);
        arrRules.push_back(item.strValue);
    });
    return !arrRules.empty();
}

bool CCurRuleObj::SetCurItemRules(SCompGroupType compType, const CStringArray& arrRules, const CString& strCalItem,
                                  KxSysRule::RuleType type)
{
    CCurRuleDoc* pDoc = GetDoc(type);
    if (arrRules.size() < 2 || compType.nTypeId == -1 || !pDoc)
        return false;
    if (const std::vector<std::size_t>* pPositions = pDoc->PositionsOf(compType)) {
        const auto mapFirst = FirstPositions(arrRules);
        for (const std::size_t nPos : *pPositions) {
            const SRuleItem& item = std::as_const(*pDoc).Items()[nPos];
            if (!strCalItem.empty() && strCalItem != item.strCalItem)
                continue;
            if (const CString* pValue = ValueFor(mapFirst, arrRules, item.strRuleName))
                pDoc->SetValueAt(nPos, *pValue);
        }
    }
    // The host treats this form as an edit even when no name matched.
    pDoc->SetModified(true);
    return true;
}

bool CCurRuleObj::SetCurItemRules(const sCalItemDir& dir, const CStringArray& arrRules)
{
    CCurRuleDoc* pDoc = GetDoc(dir.eRuleType);
    if (arrRules.size() < 2 || dir.compType.nTypeId == -1 || !pDoc)
        return false;
    const std::vector<std::size_t>* pPositions = pDoc->PositionsOf(dir.compType);
    if (!pPositions)
        return false;
    const auto mapFirst = FirstPositions(arrRules);
    bool bChanged = false;
    for (const std::size_t nPos : *pPositions) {
        const SRuleItem& item = std::as_const(*pDoc).Items()[nPos];
        if (!dir.strRuleName.empty() && dir.strRuleName != item.strRuleName)
            continue;
        if (!dir.strCalItem.empty() && dir.strCalItem != item.strCalItem)
            continue;
        if (const CString* pValue = ValueFor(mapFirst, arrRules, item.strRuleName)) {
            pDoc->SetValueAt(nPos, *pValue);
            bChanged = true;
        }
    }
    if (bChanged)
        pDoc->SetModified(true);
    return bChanged;
}

bool CCurRuleObj::CheckItem(SCompGroupType compType, const CString& strCalItem, KxSysRule::RuleType type)
{
    if (strCalItem.empty())
        return false;
    std::vector<SRuleItem> vecFound;
    return FindItems(compType, vecFound, strCalItem, type);
}

bool CCurRuleObj::GetDefItem(SCompGroupType compType, CString& strCalItem, KxSysRule::RuleType type)
{
    strCalItem.clear();
    const CCurRuleDoc* pDoc = GetDoc(type);
    if (compType.nTypeId == -1 || !pDoc)
        return false;
    if (const std::vector<std::size_t>* pPositions = pDoc->PositionsOf(compType))
        strCalItem = pDoc->Items()[pPositions->front()].strCalItem;
    return !strCalItem.empty();
}
