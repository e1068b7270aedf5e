// The library-wide registry of the project's three current rule documents.
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

    // The document of `type`; null for a value outside 0..2.
    CCurRuleDoc* GetDoc(KxSysRule::RuleType type);
    bool SetModified(bool bModified, KxSysRule::RuleType type);

    // Appends copies of the records of `compType` (and of `strCalItem` when it is not empty), in
    // document order; true when `out` then holds at least one record.
    bool FindItems(NS_KXComponentType::SCompGroupType compType, std::vector<SRuleItem>& out,
                   const CString& strCalItem, KxSysRule::RuleType type);
    bool FindItems(const sCalItemDir& dir, std::vector<SRuleItem>& out);

    bool GetTableGridData(CStringArray& arrCells, CStringArray& arrTitles, int& nKeyCols, int& nValueCols,
                          KxSysRule::RuleType type, int nLayout);

private:
    CCurRuleObj() = default;

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
