// Built without Qt there is no dialog: the user cannot confirm, so nothing is changed.
#include "sysrule/CSysDefRule.h"

bool CSysDefRule::RunRuleSheet(NS_KXComponentType::SCompGroupType, const CString&, const std::vector<SRuleItem>&,
                               CStringArray&, KxSysRule::RuleType)
{
    return false;
}
