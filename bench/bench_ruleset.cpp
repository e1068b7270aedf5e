// The rule-set commands of kxrule on two projects of one generated installation, at 1,000, 10,000
// and 100,000 rules. The floor is what both commands do first: both files loaded as they load
// them, each from a private copy, read, upgraded and synchronised by the library, its records
// taken into a rule document. On top of that `diff` compares the two documents, and `check` takes
// the rule library from the templates and checks each file against it. The templates are loaded
// before each run, untimed, as each command loads them before it reads a file; what a run builds
// is let go untimed as well, so that a road and its floor differ by the command's own work only.
// Each run ends with a checksum of its output in the label, pinned at the checked size.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "ColdCache.h"
#include "RuleFileTools.h"
#include "gen/Digest.h"
#include "gen/Roads.h"
#include "platform/Platform.h"
#include "ruleset/RuleSet.h"

namespace {

namespace fs = std::filesystem;
using namespace kxrule::ruleset;

enum class Command { Load, Diff, Check };

// The two files: the installation's project and one generated with another seed over the same
// templates, so that values, rules missing, rules given twice and rules the library dropped
// differ between them. Both at the program's version, as two current projects are.
struct Pair {
    fs::path left, right;
};

const Pair& SharedPair(const kxbench::Installation& inst)
{
    static std::map<int, Pair> pairs;
    auto [it, inserted] = pairs.try_emplace(inst.Rules());
    if (inserted) {
        const std::string version = kx::platform::ToUtf8(kxbench::kProgramVersion);
        const kxbench::RuleSetGenerator other(
            kxbench::RuleSetGenerator::ShapeFor(inst.Rules(), kxbench::kSharedSeed + 1));
        it->second = {inst.ProjDir() / "RuleSetA.xml", inst.ProjDir() / "RuleSetB.xml"};
        kx::platform::WriteFileAtomic(it->second.left.string(), inst.Pristine(kxbench::RuleFileFormat::Current));
        kx::platform::WriteFileAtomic(it->second.right.string(),
                                      other.RuleFileXml(kxbench::RuleFileFormat::Current, version));
    }
    return it->second;
}

// What one run leaves, kept until the next so that letting it go is not timed.
struct Outcome {
    std::optional<LoadedRuleFile> left, right;
    std::optional<RuleLibrary> library;
    std::vector<Difference> differences;
    std::vector<std::vector<Finding>> findings;

    void Clear()
    {
        right.reset();
        left.reset();
        library.reset();
        differences.clear();
        findings.clear();
    }
};

// One timed run, apart so that an instruction count can be taken of exactly this. The loads,
// the library and the calls are those of cmd_diff.cpp and cmd_check.cpp; `check` gets the
// library before it reads its first file.
[[gnu::noinline]] bool RuleSetOnce(Command command, const Pair& pair, Outcome& out)
{
    if (command == Command::Check)
        out.library.emplace(RuleLibrary::FromInstallation());
    out.left.emplace(pair.left, kxbench::kRuleType);
    if (out.left->problem())
        return false;
    if (command == Command::Check)
        out.findings.push_back(Check(out.left->doc(), *out.library));
    out.right.emplace(pair.right, kxbench::kRuleType);
    if (out.right->problem())
        return false;
    if (command == Command::Check)
        out.findings.push_back(Check(out.right->doc(), *out.library));
    if (command == Command::Diff)
        out.differences = Diff(out.left->doc(), out.right->doc());
    return true;
}

void AddKey(kxbench::Digest& digest, const RuleKey& key)
{
    digest.Add(key.comp.nTypeId).Add(key.comp.nSubTypeId).Add(key.item).Add(key.rule);
}

void AddSide(kxbench::Digest& digest, const std::optional<CString>& value)
{
    digest.Add(value.has_value());
    if (value)
        digest.Add(*value);
}

std::uint64_t Result(Command command, const Outcome& out)
{
    kxbench::Digest digest;
    switch (command) {
    case Command::Load:
        for (const RuleDoc* doc : {&out.left->doc(), &out.right->doc()}) {
            digest.Add(static_cast<long long>(doc->rules.size()));
            for (const Rule& rule : doc->rules) {
                AddKey(digest, rule.key);
                digest.Add(rule.value);
            }
        }
        break;
    case Command::Diff:
        digest.Add(static_cast<long long>(out.differences.size()));
        for (const Difference& d : out.differences) {
            AddKey(digest, d.key);
            AddSide(digest, d.left);
            AddSide(digest, d.right);
        }
        break;
    case Command::Check:
        for (const std::vector<Finding>& findings : out.findings) {
            digest.Add(static_cast<long long>(findings.size()));
            for (const Finding& f : findings) {
                digest.Add(ProblemName(f.problem));
                AddKey(digest, f.key);
                digest.Add(f.value).Add(f.code);
            }
        }
        break;
    }
    return digest.Value();
}

// The output at kxbench::kCheckRules when the generator or the module was last changed, pinned
// so that a faster command cannot change it unseen; the rule-set tests hold it against a model.
std::uint64_t ExpectedDigest(Command command)
{
    switch (command) {
    case Command::Load: return 0x9d61ca11fb048897ULL;
    case Command::Diff: return 0x85c2be9a00445b4fULL;
    case Command::Check: return 0xcfe21e014e5d5193ULL;
    }
    return 0;
}

void RunCommand(benchmark::State& state, Command command)
{
    const int nRules = static_cast<int>(state.range(0));
    const kxbench::Installation& inst = kxbench::SharedInstallation(nRules);
    const Pair& pair = SharedPair(inst);
    kxrule::RouteMessagesToStderr();
    Outcome out;
    bool bOk = true;
    std::string error;
    for (auto _ : state) {
        state.PauseTiming();
        out.Clear();
        inst.Activate();
        if (!kxrule::LoadTemplates(error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        kxbench::EvictCaches();
        state.ResumeTiming();
        bOk = RuleSetOnce(command, pair, out) && bOk;
    }
    if (!bOk) {
        state.SkipWithError("a file of the pair did not load");
        return;
    }
    const std::uint64_t digest = Result(command, out);
    state.SetLabel(kxbench::HexOf(digest));
    state.counters["rules"] = static_cast<double>(inst.Rules());
    state.counters["doc_rules"] = static_cast<double>(out.left->doc().rules.size());
    state.counters["differences"] = static_cast<double>(out.differences.size());
    std::size_t nFindings = 0;
    for (const std::vector<Finding>& findings : out.findings)
        nFindings += findings.size();
    state.counters["findings"] = static_cast<double>(nFindings);
    if (nRules == kxbench::kCheckRules && digest != ExpectedDigest(command)) {
        const std::string why = "checksum " + kxbench::HexOf(digest) + " differs from the proven " +
                                kxbench::HexOf(ExpectedDigest(command));
        state.SkipWithError(why.c_str());
    }
}

const bool kRegistered = [] {
    for (const auto& [command, name] : {std::pair{Command::Load, "Floor/RuleSetLoad"},
                                        std::pair{Command::Diff, "Road/RuleSetDiff"},
                                        std::pair{Command::Check, "Road/RuleSetCheck"}}) {
        for (const int nRules : {1000, 10000, 100000}) {
            benchmark::RegisterBenchmark(name, RunCommand, command)
                ->Arg(nRules)
                ->Iterations(kxbench::IterationsFor(nRules))
                ->Unit(benchmark::kMillisecond);
        }
    }
    return true;
}();

} // namespace
