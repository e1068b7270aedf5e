#include "probe/HeapCounter.h"

#include <malloc.h>

#include <cerrno>
#include <cstdint>

// glibc's own allocator under its exported internal names; the wrappers below replace the public
// names for the whole process.
extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t n, std::size_t size);
void* __libc_realloc(void* p, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
void __libc_free(void* p);
}

namespace {

// The probe runs on one thread; the counters need no atomics.
std::size_t g_nInUse = 0;
std::size_t g_nPeak = 0;

void* Added(void* p)
{
    if (p) {
        g_nInUse += malloc_usable_size(p);
        if (g_nInUse > g_nPeak)
            g_nPeak = g_nInUse;
    }
    return p;
}

void Removed(void* p)
{
    if (p)
        g_nInUse -= malloc_usable_size(p);
}

} // namespace

namespace kxprobe {
std::size_t HeapInUse() { return g_nInUse; }
std::size_t HeapPeak() { return g_nPeak; }
void ResetPeak() { g_nPeak = g_nInUse; }
} // namespace kxprobe

extern "C" {

void* malloc(std::size_t size) noexcept { return Added(__libc_malloc(size)); }
void* calloc(std::size_t n, std::size_t size) noexcept { return Added(__libc_calloc(n, size)); }

void free(void* p) noexcept
{
    Removed(p);
    __libc_free(p);
}

void* realloc(void* p, std::size_t size) noexcept
{
    const std::size_t old = p ? malloc_usable_size(p) : 0;
    void* q = __libc_realloc(p, size);
    if (q) {
        g_nInUse -= old;
        Added(q);
    } else if (p && size == 0) {
        g_nInUse -= old;  // freed
    }
    return q;
}

void* memalign(std::size_t alignment, std::size_t size) noexcept { return Added(__libc_memalign(alignment, size)); }
void* aligned_alloc(std::size_t alignment, std::size_t size) noexcept { return Added(__libc_memalign(alignment, size)); }
void* valloc(std::size_t size) noexcept { return Added(__libc_memalign(4096, size)); }

int posix_memalign(void** out, std::size_t alignment, std::size_t size) noexcept
{
    if (alignment % sizeof(void*) != 0 || (alignment & (alignment - 1)) != 0)
        return EINVAL;
    void* p = Added(__libc_memalign(alignment, size));
    if (!p)
        return ENOMEM;
    *out = p;
    return 0;
}

} // extern "C"
