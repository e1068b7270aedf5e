// Memory of loading a rule file, against the memory of libxml2's own document of the same file.
// Each figure comes from a fresh process, kxmemprobe, which counts the heap in use through
// wrappers around the C allocator (libxml2's allocations included): peak_kb is the most the step
// had in use at once above what was in use before it, kept_kb what it still holds afterwards.
// The resident size is no use here: it also holds what the set-up (the templates' parse) freed
// and the allocator keeps for reuse, so a load can peak without the resident size moving.
#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "gen/Installation.h"

extern char** environ;

namespace {

const char* const kKinds[] = {"LoadCurrent", "LoadOlder", "LoadOldFormat", "LibXml2Doc"};

// Runs the probe on the shared installation and reads its one line of figures.
bool Probe(const std::string& kind, const kxbench::Installation& inst, int nRules, long& peakKb, long& keptKb)
{
    int fds[2];
    if (pipe(fds) != 0)
        return false;
    const std::string exe = KX_MEMORY_PROBE;
    const std::string root = inst.Root().string();
    const std::string rules = std::to_string(nRules);
    const std::string seed = std::to_string(inst.Generator().Shape().nSeed);
    char* argv[] = {const_cast<char*>(exe.c_str()),  const_cast<char*>(kind.c_str()), const_cast<char*>(root.c_str()),
                    const_cast<char*>(rules.c_str()), const_cast<char*>(seed.c_str()), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, exe.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (rc != 0) {
        close(fds[0]);
        return false;
    }
    std::string out;
    char buf[256];
    for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;)
        out.append(buf, static_cast<std::size_t>(n));
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 &&
           std::sscanf(out.c_str(), "peak_kb=%ld kept_kb=%ld", &peakKb, &keptKb) == 2;
}

void RunMemory(benchmark::State& state, const std::string& kind)
{
    const int nRules = static_cast<int>(state.range(0));
    const kxbench::Installation& inst = kxbench::SharedInstallation(nRules);
    long peakKb = 0, keptKb = 0;
    for (auto _ : state) {
        if (!Probe(kind, inst, nRules, peakKb, keptKb)) {
            state.SkipWithError("the probe failed");
            return;
        }
    }
    state.counters["peak_kb"] = static_cast<double>(peakKb);
    state.counters["kept_kb"] = static_cast<double>(keptKb);
}

const bool kRegistered = [] {
    for (const char* kind : kKinds) {
        benchmark::RegisterBenchmark((std::string("Memory/") + kind).c_str(), RunMemory, std::string(kind))
            ->Arg(10000)
            ->Arg(100000)
            ->Iterations(1)
            ->Repetitions(1)
            ->Unit(benchmark::kMillisecond);
    }
    return true;
}();

} // namespace
