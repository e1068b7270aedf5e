// The project's current rules: load, query, edit and save the three rule documents.
#pragma once

#include <kxsysrule/Types.h>

class KXSYSRULE_API CFaceCurRule {
public:
    CFaceCurRule& operator=(const CFaceCurRule&);

    // Loads the document of `type` from `path` ("-1" reloads the current file). False when the
    // type selects no document or `path` is already the document's file.
    static bool InitXMLData(CString path, KxSysRule::RuleType type);
    // Writes the document of `type` to `path` atomically. False, with the old file whole, when it
    // could not be written or a value holds a character that XML 1.0 cannot carry (a control
    // character other than tab, line feed and carriage return, U+FFFE, U+FFFF, a lone surrogate).
    static bool SaveXMLData(CString path, KxSysRule::RuleType type);
    static bool IsModified(KxSysRule::RuleType type);
    static CString GetCurFileName(KxSysRule::RuleType type);

    // Stores the host's rule-action function, a `bool (*)(int, int, bool)`, given as its address.
    static bool SetRuleActionCBFun(void** pfn);
    static bool RefressDefRule();
    static bool ActionRule(int n1, int n2);

    static bool GetCurItemRules(NS_KXComponentType::SCompGroupType compType, CStringArray& arrRules,
                                const CString& strCalItem, KxSysRule::RuleType type);
    static bool GetCurItemRules(const sCalItemDir& dir, CStringArray& arrRules);
    static bool SetCurItemRules(NS_KXComponentType::SCompGroupType compType, const CStringArray& arrRules,
                                const CString& strCalItem, KxSysRule::RuleType type);
    static bool SetCurItemRules(const sCalItemDir& dir, const CStringArray& arrRules);
    static bool CheckItem(NS_KXComponentType::SCompGroupType compType, CString strCalItem,
                          KxSysRule::RuleType type);
    static bool GetDefItem(NS_KXComponentType::SCompGroupType compType, CString& strCalItem,
                           KxSysRule::RuleType type);

    // The rule table: cells as (text, column) pairs, five column titles, 4 key columns, 1 value
    // column. `strUnused` is accepted and ignored; `nLayout` 0 is by component, else by item.
    static bool GetTableGridData(CStringArray& arrCells, CStringArray& arrTitles, int& nKeyCols,
                                 int& nValueCols, KxSysRule::RuleType type, CString strUnused,
                                 int nLayout);

    // The text a user reads for a stored rule value.
    static bool GetShowRuleText(const sCalItemDir& dir, const CString& strValue, CString& strText);
};
