#include "ColdCache.h"

#include <cstddef>
#include <memory>

#include <benchmark/benchmark.h>

namespace kxbench {

void EvictCaches()
{
    constexpr std::size_t kBytes = std::size_t(64) << 20;
    static const std::unique_ptr<unsigned char[]> buffer(new unsigned char[kBytes]());
    for (std::size_t i = 0; i < kBytes; i += 64)
        buffer[i] = static_cast<unsigned char>(buffer[i] + 1);
    benchmark::ClobberMemory();
}

int IterationsFor(int nRules)
{
    return nRules <= 1000 ? 20 : nRules <= 10000 ? 8 : 3;
}

} // namespace kxbench
