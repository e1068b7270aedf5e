// The library-wide registry of the project's three current rule documents, with the operations
// behind the CFaceCurRule entry points: loading and saving, the item-rule queries and edits, the
// host's rule-action function and the rule table grid.
#pragma once

#include <memory>
#include <vector>

#include <kxsysrule/Types.h>

#include "currule/CCurRuleDoc.h"

using RuleActionFn = bool (*)(int, int, bool);
// The host's rule-action function; null until the host sets it.
extern RuleActionFn g_pfnRuleAction;

class CCurRuleObj {
public:
    static CCurRuleObj* GetInstance();
    static void ReleaseInstance();

    virtual ~CCurRuleObj();
    CCurRuleObj(const CCurRuleObj&) = delete;
    CCurRuleObj& operator=(const CCurRuleObj&) = delete;

    // The document of `type`; null for a value outside 0..2.
    CCurRuleDoc* GetDoc(KxSysRule::RuleType type);
    bool SetModified(bool bModified, KxSysRule::RuleType type);

    // Files. "-1" as the path of InitXMLData reloads the document's current file.
    bool InitXMLData(const CString& strPath, KxSysRule::RuleType type);
    bool SaveXMLData(const CString& strPath, KxSysRule::RuleType type);
    bool IsModified(KxSysRule::RuleType type);
    CString GetCurFileName(KxSysRule::RuleType type);

    // The host's rule-action function.
    static void SetRuleAction(RuleActionFn pfnAction);
    static bool RefressDefRule();
    static bool ActionRule(int n1, int n2);

    // Appends copies of the records of `compType` (and of `strCalItem` when it is not empty), in
    // document order; true when `out` then holds at least one record.
    bool FindItems(NS_KXComponentType::SCompGroupType compType, std::vector<SRuleItem>& out,
                   const CString& strCalItem, KxSysRule::RuleType type);
    bool FindItems(const sCalItemDir& dir, std::vector<SRuleItem>& out);

    // Rule lists are pairs: name, value, name, value, ...
    bool GetCurItemRules(NS_KXComponentType::SCompGroupType compType, CStringArray& arrRules,
                         const CString& strCalItem, KxSysRule::RuleType type);
    bool GetCurItemRules(const sCalItemDir& dir, CStringArray& arrRules);
    bool SetCurItemRules(NS_KXComponentType::SCompGroupType compType, const CStringArray& arrRules,
                         const CString& strCalItem, KxSysRule::RuleType type);
    bool SetCurItemRules(const sCalItemDir& dir, const CStringArray& arrRules);
    bool CheckItem(NS_KXComponentType::SCompGroupType compType, const CString& strCalItem,
                   KxSysRule::RuleType type);
    bool GetDefItem(NS_KXComponentType::SCompGroupType compType, CString& strCalItem, KxSysRule::RuleType type);

    // The rule table: (text, column) pairs after the title pair; `nLayout` 0 by component, any
    // other value by calculation item.
    bool GetTableGridData(CStringArray& arrCells, CStringArray& arrTitles, int& nKeyCols, int& nValueCols,
                          KxSysRule::RuleType type, int nLayout);

private:
    CCurRuleObj() = default;

    static void FillGridHeader(CStringArray& arrCells, CStringArray& arrTitles, int& nKeyCols, int& nValueCols);
    static void FillGridCells(CStringArray& arrCells, const std::vector<SRuleItem>& vecItems, int nLayout);
    static CString GetGroupName(NS_KXComponentType::SCompGroupType compType);
    static CString GetTypeName(NS_KXComponentType::SCompGroupType compType);

    CCurRuleDoc m_doc0;
    CCurRuleDoc m_doc1;
    CCurRuleDoc m_doc2;
};

// Brackets the library's life: creates the registry at load and releases the registry and the
// system rules at unload.
class CAutoCurRule {
public:
    CAutoCurRule();
    virtual ~CAutoCurRule();
};
