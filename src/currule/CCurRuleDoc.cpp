// STUB (owner: currule) - replaced by the real implementation.
#include "currule/CCurRuleDoc.h"
bool CCurRuleDoc::Load(const CString&) { return true; }
bool CCurRuleDoc::SaveTo(const CString&) { return false; }
