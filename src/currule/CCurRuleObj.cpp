// STUB (owner: currule) - replaced by the real implementation.
#include "currule/CCurRuleObj.h"
RuleActionFn g_pfnRuleAction = nullptr;
CCurRuleObj* CCurRuleObj::GetInstance() { return nullptr; }
void CCurRuleObj::ReleaseInstance() {}
CCurRuleObj::~CCurRuleObj() = default;
CCurRuleDoc* CCurRuleObj::GetDoc(KxSysRule::RuleType) { return nullptr; }
bool CCurRuleObj::FindItems(NS_KXComponentType::SCompGroupType, std::vector<SRuleItem>&, const CString&, KxSysRule::RuleType) { return false; }
bool CCurRuleObj::FindItems(const sCalItemDir&, std::vector<SRuleItem>&) { return false; }
