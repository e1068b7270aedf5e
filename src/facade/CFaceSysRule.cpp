// CFaceSysRule: the host's entry to the system default rules. Each entry point fetches its
// singleton and forwards.
#include <kxsysrule/CFaceSysRule.h>

#include "common/Message.h"
#include "currule/CCurRuleObj.h"
#include "sysrule/CSysDefRule.h"

CFaceSysRule& CFaceSysRule::operator=(const CFaceSysRule&) { return *this; }

bool CFaceSysRule::GetSysDefRules(CString /*strDir*/, CStringArray& /*strRules*/)
{
    kx::ShowMessage(L"已取消接口CFaceSysRule::GetSysDefRules(CString strDir,CStringArray& strRules)");
    return false;
}

bool CFaceSysRule::GetSysDefRules(NS_KXComponentType::SCompGroupType compType, const CString& strCalItem,
                                  CStringArray& strRules, KxSysRule::RuleType type)
{
    strRules.clear();
    CCurRuleObj* registry = CCurRuleObj::GetInstance();
    if (compType.nTypeId == -1 || !registry)
        return false;
    // The rules in force in the project, not the defaults: they come from the rule document.
    std::vector<SRuleItem> vecItems;
    if (!registry->FindItems(compType, vecItems, strCalItem, type))
        return false;
    strRules.reserve(vecItems.size() * 2);
    for (const SRuleItem& item : vecItems) {
        strRules.push_back(item.strRuleName);
        strRules.push_back(item.strValue);
    }
    return true;
}

int CFaceSysRule::GetCalItemCode(CString strName) { return CSysDefRule::GetInstance()->GetCalItemCode(strName); }

CString CFaceSysRule::GetCalItemName(int nCode) { return CSysDefRule::GetInstance()->GetCalItemName(nCode); }

void CFaceSysRule::GetAllCalItemNames(CStringArray& arrNames) { CSysDefRule::GetInstance()->GetAllCalItemNames(arrNames); }

bool CFaceSysRule::GetDefaultUnit(NS_KXComponentType::SCompGroupType compType, int nCalItemCode, CString& strUnit)
{
    return CSysDefRule::GetInstance()->GetDefaultUnit(compType, nCalItemCode, strUnit);
}

bool CFaceSysRule::ParseUnitType(const CString& strUnit, NS_KXComponentType::SCompGroupType compType,
                                 int nCalItemCode, KXTJAttrSysDef::ETJSysDefUnitType& eType, int& nFactor)
{
    return CSysDefRule::GetInstance()->ParseUnitType(strUnit, compType, nCalItemCode, eType, nFactor);
}

bool CFaceSysRule::IsDWVailid(NS_KXComponentType::SCompGroupType compType, const CString& strCalItem,
                              CString& strUnit)
{
    return CSysDefRule::GetInstance()->IsDWVailid(compType, strCalItem, strUnit);
}

void CFaceSysRule::getAttributes(NS_KXComponentType::SCompGroupType compType, const CString& strCalItem,
                                 std::vector<SKXAttParamOneNode>& vecNodes)
{
    CSysDefRule::GetInstance()->getAttributes(compType, strCalItem, vecNodes);
}

bool CFaceSysRule::GetCalSysVariable(NS_KXComponentType::SCompGroupType compType,
                                     std::vector<SKXAttSysValue>& vecValues)
{
    return CSysDefRule::GetInstance()->GetCalSysVariable(compType, vecValues);
}

bool CFaceSysRule::UserSetRules(NS_KXComponentType::SCompGroupType compType, const CString& strCalItem,
                                CStringArray& arrRules, KxSysRule::RuleType type)
{
    return CSysDefRule::GetInstance()->UserSetRules(compType, strCalItem, arrRules, type);
}

bool CFaceSysRule::UserSetRules(NS_KXComponentType::SCompGroupType compType, const CString& strCalItem,
                                const CString& /*strUnused*/, CStringArray& arrRules, KxSysRule::RuleType type)
{
    return CSysDefRule::GetInstance()->UserSetRules(compType, strCalItem, arrRules, type);
}
