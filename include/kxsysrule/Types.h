// The value types shared by the library, its host and the host services.
#pragma once

#include <string>
#include <vector>

#include <kxsysrule/Export.h>

using CString = std::wstring;
using CStringArray = std::vector<CString>;

namespace KxSysRule {
// Selects a rule document: 0 bill-of-quantities rules, 1 quota rules, 2 a third set. Any other
// value (an int may be cast to it) selects no document.
enum RuleType : int { Rule_QingDan = 0, Rule_DingE = 1, Rule_Other = 2 };
} // namespace KxSysRule

namespace NS_KXComponentType {
// Key of a component type; -1 means none.
struct SCompGroupType {
    int nTypeId = -1;
    int nSubTypeId = -1;

    friend bool operator==(const SCompGroupType& a, const SCompGroupType& b)
    {
        return a.nTypeId == b.nTypeId && a.nSubTypeId == b.nSubTypeId;
    }
    friend bool operator!=(const SCompGroupType& a, const SCompGroupType& b) { return !(a == b); }
    friend bool operator<(const SCompGroupType& a, const SCompGroupType& b)
    {
        return a.nTypeId < b.nTypeId || (a.nTypeId == b.nTypeId && a.nSubTypeId < b.nSubTypeId);
    }
};
} // namespace NS_KXComponentType

// One rule of one calculation item of one component type.
struct SRuleItem {
    CString strRuleName;
    CString strValue;
    CString strSelectType;
    CString strIniType;
    CString strText;
    CString strOptions;
    NS_KXComponentType::SCompGroupType compType;
    CString strCalItem;
};

// The key of a rule selection; empty strings match every record.
struct sCalItemDir {
    NS_KXComponentType::SCompGroupType compType;
    CString strCalItem;
    CString strRuleName;
    KxSysRule::RuleType eRuleType = KxSysRule::Rule_QingDan;
};

namespace KXTJAttrSysDef {
enum ETJSysDefUnitType : int {
    UnitType_None = 0,
    UnitType_Length = 1,
    UnitType_Area = 2,
    UnitType_Volume = 3,
    UnitType_Count = 4,
};
} // namespace KXTJAttrSysDef

// An attribute parameter of a calculation item, as the template parser holds it.
struct SKXAttParamOneNode {
    CString strName;
    CString strCode;
    CString strType;
    CString strDefValue;
    CStringArray arrValues;
    CString strUnit;
    CString strDesc;
};

// A system variable of a component type, as the template parser holds it.
struct SKXAttSysValue {
    CString strName;
    CString strCode;
    CString strType;
    CString strValue;
    CString strDesc;
};
