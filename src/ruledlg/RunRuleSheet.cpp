// Builds the rule-setting sheet for one calculation item: its caption, one page per rule that
// has a usable definition, and the modal run that writes the values back.
#include <memory>

#include <kxhost/HostServices.h>

#include "common/StringUtil.h"
#include "ruledlg/CPageMultiSelect.h"
#include "ruledlg/CPageSingleSelect.h"
#include "ruledlg/CUserSetRuleSheet.h"
#include "ruledlg/QtSupport.h"
#include "sysrule/CSysDefRule.h"

namespace {

// "清单库\group\type[\subtype]\item": where the rules live, then what they belong to.
CString SheetCaption(NS_KXComponentType::SCompGroupType compType, const CString& strCalItem, KxSysRule::RuleType type)
{
    CString strCaption;
    ITemplateParser* pParser = GetTemplateParser();
    NS_KXComponentType::SCompGroupType mainType = compType;
    mainType.nSubTypeId = -1;
    SCompTemplate* pTemplate = pParser != nullptr ? pParser->GetCompTemplate(mainType) : nullptr;
    SCompGroupInfo* pGroup = pTemplate != nullptr ? pParser->GetCompGroup(pTemplate->nGroupId) : nullptr;
    if (pTemplate != nullptr && pGroup != nullptr) {
        strCaption = pGroup->strDisplayName + L"\\" + pTemplate->strName;
        if (compType.nSubTypeId != -1) {
            if (SCompTemplate* pSub = pParser->GetCompTemplate(compType))
                strCaption += L"\\" + pSub->strName;
        }
        strCaption += L"\\" + strCalItem;
    }
    if (type == KxSysRule::Rule_QingDan)
        strCaption = L"清单库\\" + strCaption;
    else if (type == KxSysRule::Rule_DingE)
        strCaption = L"定额库\\" + strCaption;
    return strCaption;
}

} // namespace

bool CSysDefRule::RunRuleSheet(NS_KXComponentType::SCompGroupType compType, const CString& strCalItem,
                               const std::vector<SRuleItem>& vecDefs, CStringArray& arrRules,
                               KxSysRule::RuleType type)
{
    // Before any widget, and gone only after the sheet.
    kx::ruledlg::ScopedApplication app;

    CUserSetRuleSheet sheet(SheetCaption(compType, strCalItem, type));
    sheet.SetContext(compType, strCalItem, type);

    for (std::size_t i = 0; i + 1 < arrRules.size(); i += 2) {
        const CString& strName = arrRules[i];
        const CString& strValue = arrRules[i + 1];
        const SRuleItem def = FindRuleByName(strName, vecDefs);
        if (def.strRuleName.empty() || def.strOptions.empty())
            continue;
        CStringArray arrOptions;
        SplitList(def.strOptions, arrOptions, L',');

        std::unique_ptr<CPageBase> pPage;
        if (def.strSelectType == L"S") {
            auto pSingle = std::make_unique<CPageSingleSelect>();
            pSingle->SetOptions(arrOptions);
            pSingle->SetRuleValue(strValue);
            pSingle->SetDesc(def.strText);
            pPage = std::move(pSingle);
        } else if (def.strSelectType == L"M") {
            CStringArray arrAllDescs;
            GetRuleDescs(def.strIniType, arrOptions, arrAllDescs);
            CStringArray arrChosen;
            SplitList(strValue, arrChosen, L',');
            CStringArray arrChosenDescs;
            GetRuleDescs(def.strIniType, arrChosen, arrChosenDescs);
            auto pMulti = std::make_unique<CPageMultiSelect>();
            pMulti->SetAllItems(arrOptions, arrAllDescs);
            pMulti->SetChosenItems(arrChosen, arrChosenDescs);
            pPage = std::move(pMulti);
        } else {
            continue;
        }
        pPage->SetTitle(strName);
        pPage->SetRuleName(strName);
        sheet.AddRulePage(std::move(pPage));
    }
    return sheet.RunModal(arrRules);
}
