// STUB (owner: ruledlg) - replaced by the real implementation.
#include "sysrule/CSysDefRule.h"
bool CSysDefRule::RunRuleSheet(NS_KXComponentType::SCompGroupType, const CString&, const std::vector<SRuleItem>&, CStringArray&, KxSysRule::RuleType) { return false; }
