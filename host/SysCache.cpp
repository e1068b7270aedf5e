// Directories and program version of the bundled host services: what the host set through
// KxHost, else the environment, else the sample installation shipped with the library.
#include <kxhost/KxHost.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "platform/Platform.h"
#include "platform/SelfLocation.h"

#ifndef KXHOST_INSTALLED_SAMPLE_REL
#define KXHOST_INSTALLED_SAMPLE_REL "../share/kxsysrule/sample/sys"
#endif

namespace {

struct HostConfig {
    std::optional<CString> sysDir;
    std::optional<CString> projDir;
    std::optional<CString> version;
};

// Created once and never destroyed: the library asks for directories from static destructors at
// unload, after ordinary statics of this library may already be gone.
HostConfig& Config()
{
    static HostConfig* config = new HostConfig;
    return *config;
}

// Paths are answered without a trailing separator; the library appends its own.
CString WithoutTrailingSeparator(CString dir)
{
    while (dir.size() > 1 && (dir.back() == L'/' || dir.back() == L'\\'))
        dir.pop_back();
    return dir;
}

std::optional<CString> FromEnvironment(const char* name)
{
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0')
        return std::nullopt;
    return kx::platform::FromUtf8(value);
}

void Store(std::optional<CString>& slot, const CString& value)
{
    if (value.empty())
        slot.reset();
    else
        slot = value;
}

const char kSelfAnchor = 0;

// The sample installed beside the library wins over the source tree it was built from, so that an
// installed package does not depend on its build folder.
CString SampleSysDir()
{
    const std::string libDir = kx::platform::ModuleDirOf(&kSelfAnchor);
    if (!libDir.empty()) {
        std::error_code ec;
        const auto installed = std::filesystem::weakly_canonical(
            std::filesystem::path(libDir) / KXHOST_INSTALLED_SAMPLE_REL, ec);
        if (!ec && kx::platform::IsDirectory(installed.string()))
            return kx::platform::FromUtf8(installed.string());
    }
    return kx::platform::FromUtf8(KXHOST_DEFAULT_SYS_DIR);
}

} // namespace

CString ISysCache::GetKXSysDir()
{
    const HostConfig& config = Config();
    if (config.sysDir)
        return WithoutTrailingSeparator(*config.sysDir);
    if (auto env = FromEnvironment("KX_SYS_DIR"))
        return WithoutTrailingSeparator(*env);
    return WithoutTrailingSeparator(SampleSysDir());
}

CString ISysCache::GetCurProjDir()
{
    const HostConfig& config = Config();
    if (config.projDir)
        return WithoutTrailingSeparator(*config.projDir);
    if (auto env = FromEnvironment("KX_PROJ_DIR"))
        return WithoutTrailingSeparator(*env);
    std::error_code ec;
    const auto cwd = std::filesystem::current_path(ec);
    return ec ? CString(L".") : WithoutTrailingSeparator(kx::platform::FromUtf8(cwd.string()));
}

CString CISysdata::GetVersion()
{
    const HostConfig& config = Config();
    if (config.version)
        return *config.version;
    if (auto env = FromEnvironment("KX_VERSION"))
        return *env;
    return L"25.1.0";
}

namespace KxHost {

void SetKXSysDir(const CString& dir) { Store(Config().sysDir, dir); }
void SetCurProjDir(const CString& dir) { Store(Config().projDir, dir); }
void SetVersion(const CString& version) { Store(Config().version, version); }

} // namespace KxHost
