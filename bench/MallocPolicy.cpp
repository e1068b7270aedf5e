// Freed memory stays with the allocator for reuse during the benchmarks. By default glibc hands
// the top of its heap back to the system once it exceeds a trim threshold that adapts up to some
// tens of megabytes: a road at 100,000 rules passes it and one at 10,000 does not, so every
// iteration at the large size would pay the kernel for some 30,000 fresh pages (on a virtual
// machine more than half of libxml2's own parse and save) while the small one pays nothing, and
// the growth from 10,000 to 100,000 rules would measure that policy instead of the code.
#include <malloc.h>

#include <climits>

namespace {

const bool kKeepFreedMemory = [] {
    mallopt(M_TRIM_THRESHOLD, INT_MAX);
    // The largest fixed threshold glibc takes; blocks below it come from the heap and are reused.
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    return true;
}();

} // namespace
