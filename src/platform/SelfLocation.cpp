// dladdr behind the platform interface.
#include "platform/SelfLocation.h"

#include <cstdlib>
#include <memory>

#include <dlfcn.h>

namespace kx::platform {

std::string ModuleDirOf(const void* address)
{
    Dl_info info{};
    if (::dladdr(address, &info) == 0 || info.dli_fname == nullptr || *info.dli_fname == '\0')
        return {};
    std::unique_ptr<char, decltype(&std::free)> real(::realpath(info.dli_fname, nullptr), &std::free);
    const std::string file = real ? real.get() : info.dli_fname;
    const std::size_t slash = file.rfind('/');
    if (slash == std::string::npos)
        return {};
    return slash == 0 ? "/" : file.substr(0, slash);
}

} // namespace kx::platform
