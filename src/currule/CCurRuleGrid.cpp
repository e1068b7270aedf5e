// The rule table: the records of a document as cells of a five-column grid in which a cell is
// emitted only where its text starts a new block, so the host can merge the cells below it.
#include <string_view>
#include <unordered_map>

#include <kxhost/HostServices.h>

#include "currule/CCurRuleObj.h"
#include "sysrule/CSysDefRule.h"

using NS_KXComponentType::SCompGroupType;

namespace {

// The names of one row: what decides whether a cell starts a new block.
struct SRowNames {
    CString strGroup;
    CString strType;
};

void AddCell(CStringArray& arrCells, const CString& strText, const wchar_t* pszColumn)
{
    arrCells.push_back(strText);
    arrCells.emplace_back(pszColumn);
}

CString ValueText(CSysDefRule* pSysRule, const SRuleItem& item)
{
    CString strText;
    // A rule that cannot be described shows an empty text.
    if (pSysRule)
        pSysRule->GetShowRuleText(item.compType, item.strCalItem, item.strRuleName, item.strValue, strText);
    return strText;
}

} // namespace

bool CCurRuleObj::GetTableGridData(CStringArray& arrCells, CStringArray& arrTitles, int& nKeyCols, int& nValueCols,
                                   KxSysRule::RuleType type, int nLayout)
{
    arrCells.clear();
    arrTitles.clear();
    const CCurRuleDoc* pDoc = GetDoc(type);
    if (!pDoc)
        return false;
    FillGridHeader(arrCells, arrTitles, nKeyCols, nValueCols);
    if (pDoc->Items().empty())
        return false;
    FillGridCells(arrCells, pDoc->Items(), nLayout);
    return true;
}

void CCurRuleObj::FillGridHeader(CStringArray& arrCells, CStringArray& arrTitles, int& nKeyCols, int& nValueCols)
{
    nValueCols = 1;
    nKeyCols = 4;
    arrTitles = {L"大构件", L"构件类型", L"计算项目", L"计算规则类型", L"本工程默认值"};
    AddCell(arrCells, L"计算规则数据", L"1");
}

CString CCurRuleObj::GetTypeName(SCompGroupType compType)
{
    ITemplateParser* pParser = GetTemplateParser();
    const SCompTemplate* pTemplate = pParser ? pParser->GetCompTemplate({compType.nTypeId, -1}) : nullptr;
    return pTemplate ? pTemplate->strName : CString();
}

CString CCurRuleObj::GetGroupName(SCompGroupType compType)
{
    ITemplateParser* pParser = GetTemplateParser();
    const SCompTemplate* pTemplate = pParser ? pParser->GetCompTemplate({compType.nTypeId, -1}) : nullptr;
    if (!pTemplate)
        return {};
    const SCompGroupInfo* pGroup = pParser->GetCompGroup(pTemplate->nGroupId);
    return pGroup ? pGroup->strDisplayName : CString();
}

void CCurRuleObj::FillGridCells(CStringArray& arrCells, const std::vector<SRuleItem>& vecItems, int nLayout)
{
    CSysDefRule* pSysRule = CSysDefRule::GetInstance();
    // Both names depend on the type id alone; a document has few types and many records.
    std::unordered_map<int, SRowNames> mapNames;
    auto namesOf = [&mapNames](const SRuleItem& item) -> const SRowNames& {
        auto it = mapNames.find(item.compType.nTypeId);
        if (it == mapNames.end())
            it = mapNames.emplace(item.compType.nTypeId,
                                  SRowNames{GetGroupName(item.compType), GetTypeName(item.compType)}).first;
        return it->second;
    };
    arrCells.reserve(arrCells.size() + vecItems.size() * 6);

    if (nLayout == 0) {
        const SRowNames* pPrev = nullptr;
        const CString* pPrevItem = nullptr;
        for (const SRuleItem& item : vecItems) {
            const SRowNames& names = namesOf(item);
            if (!pPrev || names.strGroup != pPrev->strGroup) {
                AddCell(arrCells, names.strGroup, L"1");
                AddCell(arrCells, names.strType, L"2");
                AddCell(arrCells, item.strCalItem, L"3");
            } else if (names.strType != pPrev->strType) {
                AddCell(arrCells, names.strType, L"2");
                AddCell(arrCells, item.strCalItem, L"3");
            } else if (item.strCalItem != *pPrevItem) {
                AddCell(arrCells, item.strCalItem, L"3");
            }
            AddCell(arrCells, item.strRuleName, L"4");
            AddCell(arrCells, ValueText(pSysRule, item), L"5");
            pPrev = &names;
            pPrevItem = &item.strCalItem;
        }
        return;
    }

    // By calculation item: one block per item name, blocks in the order in which the names first
    // occur, records within a block in document order.
    std::unordered_map<std::wstring_view, std::size_t> mapBlock;
    std::vector<std::vector<std::size_t>> vecBlocks;
    for (std::size_t i = 0; i < vecItems.size(); ++i) {
        const auto [it, bNew] = mapBlock.emplace(vecItems[i].strCalItem, vecBlocks.size());
        if (bNew)
            vecBlocks.emplace_back();
        vecBlocks[it->second].push_back(i);
    }
    for (const std::vector<std::size_t>& vecBlock : vecBlocks) {
        const SRowNames* pPrev = nullptr;
        for (const std::size_t nPos : vecBlock) {
            const SRuleItem& item = vecItems[nPos];
            const SRowNames& names = namesOf(item);
            if (!pPrev) {
                AddCell(arrCells, item.strCalItem, L"1");
                AddCell(arrCells, names.strGroup, L"2");
                AddCell(arrCells, names.strType, L"3");
            } else if (names.strGroup != pPrev->strGroup) {
                AddCell(arrCells, names.strGroup, L"2");
                AddCell(arrCells, names.strType, L"3");
            } else if (names.strType != pPrev->strType) {
                AddCell(arrCells, names.strType, L"3");
            }
            AddCell(arrCells, item.strRuleName, L"4");
            AddCell(arrCells, ValueText(pSysRule, item), L"5");
            pPrev = &names;
        }
    }
}
