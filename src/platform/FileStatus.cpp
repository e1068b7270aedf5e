// File status through stat(2).
#include "platform/FileStatus.h"

#include <sys/stat.h>

namespace kx::platform {

bool GetFileStatus(const std::string& fsPath, FileStatus& status)
{
    struct stat st {};
    if (fsPath.empty() || ::stat(fsPath.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    status.nSize = static_cast<std::uint64_t>(st.st_size);
    status.nModifiedNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    return true;
}

} // namespace kx::platform
