// Counts the heap a process has in use, by wrapping the C allocator: every malloc, calloc,
// realloc, aligned allocation and free of the process (libxml2's and the C++ runtime's included)
// goes through these wrappers, which add or take away the usable size of the block. The count is
// exact and repeatable, unlike the resident size, which also holds what the allocator freed
// earlier and keeps for reuse.
#pragma once

#include <cstddef>

namespace kxprobe {

// Bytes in use now, and the most in use since the last ResetPeak.
std::size_t HeapInUse();
std::size_t HeapPeak();
void ResetPeak();

} // namespace kxprobe
