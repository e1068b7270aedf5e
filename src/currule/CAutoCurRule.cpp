// The one static object that brackets the library's life: the registry exists before the host's
// first call, and the registry and the system rules are released when the library is unloaded.
#include "currule/CCurRuleObj.h"

#include "sysrule/CSysDefRule.h"

CAutoCurRule::CAutoCurRule() { CCurRuleObj::GetInstance(); }

CAutoCurRule::~CAutoCurRule()
{
    CCurRuleObj::ReleaseInstance();
    CSysDefRule::ReleaseInstance();
}

namespace {
CAutoCurRule s_autoCurRule;
} // namespace
