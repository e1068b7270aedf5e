// Every road the host takes when a project opens, at 1,000, 10,000 and 100,000 rules: loading the
// three kinds of rule file, saving, the item-rule queries and edits over all items, the rule table
// in both layouts, the display text of every rule, the quota-classification write and cold read,
// and the first call that loads the rule library. Each run ends with a checksum of the road's
// output in the label; at the checked size it must equal the pinned one, so a faster road that
// changed what it hands back is caught.
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <string>

#include "ColdCache.h"
#include "gen/Digest.h"
#include "gen/Roads.h"

namespace {

using kxbench::Road;

void RunRoad(benchmark::State& state, Road road)
{
    const int nRules = static_cast<int>(state.range(0));
    const kxbench::Installation& inst = kxbench::SharedInstallation(nRules);
    kxbench::RoadRunner runner(road, inst);
    runner.Prepare();
    bool bOk = true;
    long nFaults = 0;
    double fSysMs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        runner.Reset();
        kxbench::EvictCaches();
        struct rusage before {};
        getrusage(RUSAGE_THREAD, &before);
        state.ResumeTiming();
        bOk = runner.Run() && bOk;
        state.PauseTiming();
        struct rusage after {};
        getrusage(RUSAGE_THREAD, &after);
        nFaults += after.ru_minflt - before.ru_minflt;
        fSysMs += (after.ru_stime.tv_sec - before.ru_stime.tv_sec) * 1e3 +
                  (after.ru_stime.tv_usec - before.ru_stime.tv_usec) / 1e3;
        state.ResumeTiming();
    }
    if (!bOk) {
        state.SkipWithError("the road reported a failure");
        return;
    }
    const std::uint64_t digest = runner.Result();
    state.SetLabel(kxbench::HexOf(digest));
    state.counters["rules"] = static_cast<double>(inst.Rules());
    state.counters["doc_rules"] = static_cast<double>(runner.DocumentRules());
    // Pages the road took fresh from the system: each costs the kernel a fault.
    state.counters["faults"] = static_cast<double>(nFaults) / static_cast<double>(state.iterations());
    // Of the CPU time, what the kernel spent for the road: reading and writing its files.
    state.counters["sys_ms"] = fSysMs / static_cast<double>(state.iterations());
    if (nRules == kxbench::kCheckRules && digest != kxbench::ExpectedDigest(road)) {
        const std::string why = "checksum " + kxbench::HexOf(digest) + " differs from the proven " +
                                kxbench::HexOf(kxbench::ExpectedDigest(road));
        state.SkipWithError(why.c_str());
    }
}

const bool kRegistered = [] {
    for (const Road road : kxbench::kAllRoads)
        for (const int nRules : {1000, 10000, 100000}) {
            benchmark::RegisterBenchmark((std::string("Road/") + kxbench::RoadName(road)).c_str(), RunRoad, road)
                ->Arg(nRules)
                ->Iterations(kxbench::IterationsFor(nRules))
                ->Unit(benchmark::kMillisecond);
        }
    return true;
}();

} // namespace
