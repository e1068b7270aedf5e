// The exported entry points of the current rules: each fetches the registry (or the system
// rules) and forwards.
#include <kxsysrule/CFaceCurRule.h>

#include "currule/CCurRuleObj.h"
#include "sysrule/CSysDefRule.h"

using NS_KXComponentType::SCompGroupType;

CFaceCurRule& CFaceCurRule::operator=(const CFaceCurRule&) { return *this; }

bool CFaceCurRule::InitXMLData(CString path, KxSysRule::RuleType type)
{
    return CCurRuleObj::GetInstance()->InitXMLData(path, type);
}

bool CFaceCurRule::SaveXMLData(CString path, KxSysRule::RuleType type)
{
    return CCurRuleObj::GetInstance()->SaveXMLData(path, type);
}

bool CFaceCurRule::IsModified(KxSysRule::RuleType type) { return CCurRuleObj::GetInstance()->IsModified(type); }

CString CFaceCurRule::GetCurFileName(KxSysRule::RuleType type)
{
    return CCurRuleObj::GetInstance()->GetCurFileName(type);
}

bool CFaceCurRule::SetRuleActionCBFun(void** pfn)
{
    // The host hands over the function's address itself, typed as it was in its own headers.
    CCurRuleObj::SetRuleAction(reinterpret_cast<RuleActionFn>(pfn));
    return true;
}

bool CFaceCurRule::RefressDefRule() { return CCurRuleObj::RefressDefRule(); }

bool CFaceCurRule::ActionRule(int n1, int n2) { return CCurRuleObj::ActionRule(n1, n2); }

bool CFaceCurRule::GetCurItemRules(SCompGroupType compType, CStringArray& arrRules, const CString& strCalItem,
                                   KxSysRule::RuleType type)
{
    return CCurRuleObj::GetInstance()->GetCurItemRules(compType, arrRules, strCalItem, type);
}

bool CFaceCurRule::GetCurItemRules(const sCalItemDir& dir, CStringArray& arrRules)
{
    return CCurRuleObj::GetInstance()->GetCurItemRules(dir, arrRules);
}

bool CFaceCurRule::SetCurItemRules(SCompGroupType compType, const CStringArray& arrRules, const CString& strCalItem,
                                   KxSysRule::RuleType type)
{
    return CCurRuleObj::GetInstance()->SetCurItemRules(compType, arrRules, strCalItem, type);
}

bool CFaceCurRule::SetCurItemRules(const sCalItemDir& dir, const CStringArray& arrRules)
{
    return CCurRuleObj::GetInstance()->SetCurItemRules(dir, arrRules);
}

bool CFaceCurRule::CheckItem(SCompGroupType compType, CString strCalItem, KxSysRule::RuleType type)
{
    return CCurRuleObj::GetInstance()->CheckItem(compType, strCalItem, type);
}

bool CFaceCurRule::GetDefItem(SCompGroupType compType, CString& strCalItem, KxSysRule::RuleType type)
{
    return CCurRuleObj::GetInstance()->GetDefItem(compType, strCalItem, type);
}

bool CFaceCurRule::GetTableGridData(CStringArray& arrCells, CStringArray& arrTitles, int& nKeyCols, int& nValueCols,
                                    KxSysRule::RuleType type, CString /*strUnused*/, int nLayout)
{
    return CCurRuleObj::GetInstance()->GetTableGridData(arrCells, arrTitles, nKeyCols, nValueCols, type, nLayout);
}

bool CFaceCurRule::GetShowRuleText(const sCalItemDir& dir, const CString& strValue, CString& strText)
{
    CSysDefRule* pSysRule = CSysDefRule::GetInstance();
    return pSysRule &&
           pSysRule->GetShowRuleText(dir.compType, dir.strCalItem, dir.strRuleName, strValue, strText);
}
