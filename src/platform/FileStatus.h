// A file's size and modification time: lets readers of configuration files notice a change on
// disk without reading the file again.
#pragma once

#include <cstdint>
#include <string>

namespace kx::platform {

struct FileStatus {
    std::uint64_t nSize = 0;
    std::int64_t nModifiedNs = 0; // modification time in nanoseconds since the epoch

    friend bool operator==(const FileStatus&, const FileStatus&) = default;
};

// False when `fsPath` is not an existing regular file (after following links) or its status
// cannot be read.
bool GetFileStatus(const std::string& fsPath, FileStatus& status);

} // namespace kx::platform
