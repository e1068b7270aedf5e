// System default rules, calculation items, units, attributes and the rule-setting dialog.
#pragma once

#include <kxsysrule/Types.h>

class KXSYSRULE_API CFaceSysRule {
public:
    CFaceSysRule& operator=(const CFaceSysRule&);

    // Withdrawn: shows a message naming itself and returns false.
    static bool GetSysDefRules(CString strDir, CStringArray& strRules);
    // The rules in force in the project for one component type and item, as name/value pairs.
    static bool GetSysDefRules(NS_KXComponentType::SCompGroupType compType, const CString& strCalItem,
                               CStringArray& strRules, KxSysRule::RuleType type);

    static int GetCalItemCode(CString strName);
    static CString GetCalItemName(int nCode);
    static void GetAllCalItemNames(CStringArray& arrNames);

    static bool GetDefaultUnit(NS_KXComponentType::SCompGroupType compType, int nCalItemCode,
                               CString& strUnit);
    static bool ParseUnitType(const CString& strUnit, NS_KXComponentType::SCompGroupType compType,
                              int nCalItemCode, KXTJAttrSysDef::ETJSysDefUnitType& eType, int& nFactor);
    static bool IsDWVailid(NS_KXComponentType::SCompGroupType compType, const CString& strCalItem,
                           CString& strUnit);
    static void getAttributes(NS_KXComponentType::SCompGroupType compType, const CString& strCalItem,
                              std::vector<SKXAttParamOneNode>& vecNodes);
    static bool GetCalSysVariable(NS_KXComponentType::SCompGroupType compType,
                                  std::vector<SKXAttSysValue>& vecValues);

    // Opens the modal rule-setting dialog; on OK rewrites the values of `arrRules` in place.
    static bool UserSetRules(NS_KXComponentType::SCompGroupType compType, const CString& strCalItem,
                             CStringArray& arrRules, KxSysRule::RuleType type);
    static bool UserSetRules(NS_KXComponentType::SCompGroupType compType, const CString& strCalItem,
                             const CString& strUnused, CStringArray& arrRules, KxSysRule::RuleType type);
};
