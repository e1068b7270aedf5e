#include "FuzzSupport.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <kxhost/KxHost.h>
#include <kxsysrule/MessageBox.h>

#include "platform/Platform.h"

namespace kxfuzz {

namespace {
void RemoveScratchDir()
{
    std::error_code ec;
    std::filesystem::remove_all(ScratchDir(), ec);
}
} // namespace

const std::string& ScratchDir()
{
    static const std::string dir = [] {
        std::string tmpl = (std::filesystem::temp_directory_path() / "kxfuzz.XXXXXX").string();
        if (!::mkdtemp(tmpl.data()))
            std::abort();
        return tmpl;
    }();
    // Registered once the folder's name is complete, so that it is removed before the name is.
    static const bool removeAtExit = std::atexit(RemoveScratchDir) == 0;
    (void)removeAtExit;
    return dir;
}

std::string WriteScratch(const std::string& name, std::string_view bytes)
{
    const std::string path = ScratchDir() + "/" + name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
}

void UseSampleInstallation()
{
    static const bool done = [] {
        KxHost::SetKXSysDir(kx::platform::FromUtf8(KX_SAMPLE_DIR "/sys"));
        KxHost::SetCurProjDir(kx::platform::FromUtf8(ScratchDir()));
        // A message box would stop the fuzzer; messages are only collected.
        KxSysRule::SetMessageBoxHandler([](const CString&) {});
        return true;
    }();
    (void)done;
}

CString Wide(std::string_view utf8) { return kx::platform::FromUtf8(utf8); }

} // namespace kxfuzz
