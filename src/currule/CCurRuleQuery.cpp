// The item-rule queries and edits of the registry: collecting the records of a component type
// and calculation item, reading and setting their values as name/value pair lists.
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
    for (const SRuleItem& item : pDoc->Items()) {
        if (item.compType != dir.compType)
            continue;
        if (!dir.strCalItem.empty() && item.strCalItem != dir.strCalItem)
            continue;
        if (!dir.strRuleName.empty() && item.strRuleName != dir.strRuleName)
            continue;
        out.push_back(item);
    }
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
    std::vector<SRuleItem> vecFound;
    if (!FindItems(dir, vecFound))
        return false;
    arrRules.reserve(vecFound.size() * 2);
    for (SRuleItem& item : vecFound) {
        arrRules.push_back(std::move(item.strRuleName));
        arrRules.push_back(std::move(item.strValue));
    }
    return true;
}

bool CCurRuleObj::SetCurItemRules(SCompGroupType compType, const CStringArray& arrRules, const CString& strCalItem,
                                  KxSysRule::RuleType type)
{
    CCurRuleDoc* pDoc = GetDoc(type);
    if (arrRules.size() < 2 || compType.nTypeId == -1 || !pDoc)
        return false;
    const auto mapFirst = FirstPositions(arrRules);
    for (SRuleItem& item : pDoc->Items()) {
        if (item.compType != compType || (!strCalItem.empty() && strCalItem != item.strCalItem))
            continue;
        if (const CString* pValue = ValueFor(mapFirst, arrRules, item.strRuleName))
            item.strValue = *pValue;
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
    const auto mapFirst = FirstPositions(arrRules);
    bool bChanged = false;
    for (SRuleItem& item : pDoc->Items()) {
        if (!dir.strRuleName.empty() && dir.strRuleName != item.strRuleName)
            continue;
        if (item.compType != dir.compType || (!dir.strCalItem.empty() && dir.strCalItem != item.strCalItem))
            continue;
        if (const CString* pValue = ValueFor(mapFirst, arrRules, item.strRuleName)) {
            item.strValue = *pValue;
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
    for (const SRuleItem& item : pDoc->Items()) {
        if (item.compType == compType) {
            strCalItem = item.strCalItem;
            break;
        }
    }
    return !strCalItem.empty();
}
