// Configuration of the bundled host services.
#pragma once

#include <kxhost/HostServices.h>

// Each Set* takes effect on the next call it configures; an empty string restores the default:
// the environment variable KX_SYS_DIR, KX_PROJ_DIR or KX_VERSION when set and not empty, else the
// bundled sample installation's system folder, the current folder, or "25.1.0". Directories are
// answered without a trailing separator.
namespace KxHost {
KXHOST_API void SetKXSysDir(const CString& dir);    // what ISysCache::GetKXSysDir answers
KXHOST_API void SetCurProjDir(const CString& dir);  // what ISysCache::GetCurProjDir answers
KXHOST_API void SetVersion(const CString& version); // what CISysdata::GetVersion answers
// Why the last load of Template\Templates.xml failed ("<file>:<line>: <fault>"), empty after a
// successful one.
KXHOST_API CString LastTemplateError();
} // namespace KxHost
