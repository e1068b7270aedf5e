// STUB (owner: sysrule) - replaced by the real implementation.
#include "sysrule/CSysDefRule.h"
CSysDefRule* CSysDefRule::GetInstance() { return nullptr; }
void CSysDefRule::ReleaseInstance() {}
CSysDefRule::CSysDefRule() = default;
CSysDefRule::~CSysDefRule() = default;
bool CSysDefRule::GetShowRuleText(NS_KXComponentType::SCompGroupType, const CString&, const CString&, const CString&, CString&) { return false; }
bool CSysDefRule::FindSysRules(NS_KXComponentType::SCompGroupType, const CString&, std::vector<SRuleItem>&) { return false; }
SRuleItem CSysDefRule::FindRuleByName(const CString&, const std::vector<SRuleItem>&) { return {}; }
bool CSysDefRule::GetRuleDescs(const CString&, const CStringArray&, CStringArray&) { return false; }
