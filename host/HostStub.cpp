// STUB (owner: host services) - replaced by the real implementation.
#include <kxhost/KxHost.h>
CString ISysCache::GetKXSysDir() { return {}; }
CString ISysCache::GetCurProjDir() { return {}; }
CString CISysdata::GetVersion() { return L"25.1.0"; }
int CStringDisposeTool::CompareVersion(const CString&, const CString&, int) { return 0; }
int CStringDisposeTool::IsInAry(const CString& s, const CStringArray& l) { for (size_t i = 0; i < l.size(); ++i) if (l[i] == s) return int(i); return -1; }
ITemplateParser* GetTemplateParser() { return nullptr; }
namespace KxHost { void SetKXSysDir(const CString&) {} void SetCurProjDir(const CString&) {} void SetVersion(const CString&) {} CString LastTemplateError() { return {}; } }
