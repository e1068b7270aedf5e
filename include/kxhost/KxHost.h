// Configuration of the bundled host services.
#pragma once

#include <kxhost/HostServices.h>

namespace KxHost {
KXHOST_API void SetKXSysDir(const CString& dir);    // what ISysCache::GetKXSysDir answers
KXHOST_API void SetCurProjDir(const CString& dir);  // what ISysCache::GetCurProjDir answers
KXHOST_API void SetVersion(const CString& version); // what CISysdata::GetVersion answers
KXHOST_API CString LastTemplateError();             // why the last template load failed, or empty
} // namespace KxHost
