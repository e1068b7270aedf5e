// Every timed iteration of the roads and floors starts with cold caches, as the host meets them
// after the user's other work. Warm, a road over 10,000 rules runs from the processor's caches
// and one over 100,000 from memory, and the growth from one to the other would measure the cache
// size rather than the code; cold, both pay for reaching their data. Iteration counts are fixed
// per size, because the eviction (untimed) costs more than a small road.
#pragma once

namespace kxbench {

// Walks a buffer larger than the last-level cache, and its pages through the TLB.
void EvictCaches();

// Timed iterations for a road or floor at `nRules` rules.
int IterationsFor(int nRules);

} // namespace kxbench
