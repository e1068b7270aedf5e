// Where the running code lives: lets a shared library find the files installed beside it.
#pragma once

#include <string>

namespace kx::platform {

// The folder of the shared object (or executable) that contains `address`, as the file system
// spells it, with symbolic links resolved and without a trailing `/`. Empty when it cannot be found.
std::string ModuleDirOf(const void* address);

} // namespace kx::platform
