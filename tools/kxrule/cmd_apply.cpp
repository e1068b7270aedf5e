// kxrule apply: set the values of a rule set (a house standard) in every rule file where the
// rules exist.
#include <iostream>

#include <kxhost/HostServices.h>

#include "Command.h"
#include "RuleFileTools.h"
#include "platform/Platform.h"
#include "ruleset/RuleSet.h"

namespace kxrule {

namespace {

using namespace ruleset;


struct Options {
    std::string standard;
    std::vector<std::string> paths;
    int type = 0;
    bool dryRun = false;
    bool json = false;
};

enum class Status { Changed, Unchanged, Skipped, Failed };

struct FileResult {
    std::string file;
    Status status = Status::Failed;
    Applied applied;
    std::string error;
};

FileResult ApplyOne(const FileJob& job, const Standard& standard, const std::vector<std::string>& refusals,
                    KxSysRule::RuleType type, bool dryRun)
{
    FileResult result;
    result.file = job.path.string();
    try {
        const LoadedRuleFile loaded(job.path, type);
        if (const auto& problem = loaded.problem()) {
            result.status = job.inFolder && problem->notRuleFile ? Status::Skipped : Status::Failed;
            result.error = problem->message;
            return result;
        }
        result.applied = Apply(standard, refusals, loaded, type);
        result.status = result.applied.changed.empty() ? Status::Unchanged : Status::Changed;
        if (!dryRun && !result.applied.changed.empty() && !CFaceCurRule::SaveXMLData(Wide(result.file), type)) {
            result.status = Status::Failed;
            result.error = SaveFailure(loaded.opened().copy(), result.file, type) + "; it is unchanged";
        }
    } catch (const std::exception& e) {
        result.status = Status::Failed;
        result.error = result.file + ": the library failed: " + e.what() + "; the file is unchanged";
    }
    return result;
}

void PrintText(const FileResult& r, const Standard& standard)
{
    if (r.status == Status::Skipped) {
        std::cout << r.error << "; skipped\n";
        return;
    }
    if (r.status == Status::Failed) {
        Fail(r.error);
        return;
    }
    const Applied& a = r.applied;
    std::cout << r.file << ": " << a.changed.size() << " changed, " << a.unchanged << " already so, "
              << a.refused.size() << " not applied\n";
    std::size_t width = 0;
    for (const auto& c : a.changed)
        width = std::max(width, DisplayWidth(Where(c.key)));
    for (const auto& c : a.changed)
        std::cout << "  " << PadRight(Where(c.key), width) << "  " << Narrow(c.before) << " -> " << Narrow(c.after)
                  << '\n';
    for (const auto& refusal : a.refused)
        std::cout << "  not applied: " << Where(standard.rules[refusal.rule].key) << ": " << refusal.why << '\n';
}

nlohmann::ordered_json ToJson(const FileResult& r, const Standard& standard)
{
    static const char* const kStatus[] = {"changed", "unchanged", "skipped", "failed"};
    nlohmann::ordered_json file;
    file["file"] = r.file;
    file["status"] = kStatus[static_cast<int>(r.status)];
    if (r.status == Status::Skipped || r.status == Status::Failed) {
        file["error"] = r.error;
        return file;
    }
    auto changed = nlohmann::ordered_json::array();
    for (const auto& c : r.applied.changed) {
        nlohmann::ordered_json json = KeyJson(c.key);
        json["before"] = Narrow(c.before);
        json["after"] = Narrow(c.after);
        changed.push_back(std::move(json));
    }
    file["changed"] = std::move(changed);
    file["unchanged"] = r.applied.unchanged;
    auto refused = nlohmann::ordered_json::array();
    for (const auto& refusal : r.applied.refused) {
        nlohmann::ordered_json json = KeyJson(standard.rules[refusal.rule].key);
        json["value"] = Narrow(standard.rules[refusal.rule].value);
        json["why"] = refusal.why;
        refused.push_back(std::move(json));
    }
    file["refused"] = std::move(refused);
    return file;
}

int Run(const Options& options)
{
    const auto type = CheckRuleType(options.type);
    if (!type)
        return kExitTrouble;
    std::error_code ec;
    if (fs::is_directory(options.standard, ec) || !fs::exists(options.standard, ec))
        return Fail(options.standard + ": no such rule set (a JSON file)", kExitTrouble);
    if (const int code = CheckPathsExist(options.paths, kExitTrouble))
        return code;
    std::string text, error;
    Standard standard;
    if (!kx::platform::ReadFile(options.standard, text) || !ReadStandard(text, standard, error))
        return Fail(options.standard + ": " + (error.empty() ? "cannot read the file" : error) + "; nothing written",
                    kExitTrouble);
    if (standard.type != options.type)
        return Fail(options.standard + ": holds rules of type " + std::to_string(standard.type) + ", not " +
                        std::to_string(options.type) + "; nothing written",
                    kExitTrouble);
    RouteMessagesToStderr();
    if (!LoadTemplates(error))
        return Fail(error, kExitTrouble);
    const std::string program = Narrow(CISysdata::GetVersion());
    if (standard.version != program)
        std::cerr << "kxrule: warning: " << options.standard << " was written by version " << standard.version
                  << ", the program is " << program << ": what the library no longer has is reported, not applied\n";
    std::vector<FileJob> jobs;
    if (!CollectFiles(options.paths, jobs, error))
        return Fail(error, kExitTrouble);
    const std::vector<std::string> refusals = Refusals(standard, RuleLibrary::FromInstallation());

    std::vector<FileResult> results;
    {
        Progress progress(jobs.size(), "applying");
        for (std::size_t i = 0; i < jobs.size(); ++i) {
            progress.Update(i, jobs[i].path.string());
            results.push_back(ApplyOne(jobs[i], standard, refusals, *type, options.dryRun));
        }
    }
    int count[4] = {0, 0, 0, 0};
    bool refused = false;
    for (const FileResult& r : results) {
        ++count[static_cast<int>(r.status)];
        refused = refused || !r.applied.refused.empty();
    }
    if (options.json) {
        nlohmann::ordered_json root;
        root["standard"] = options.standard;
        root["version"] = standard.version;
        root["dryRun"] = options.dryRun;
        auto files = nlohmann::ordered_json::array();
        for (const FileResult& r : results)
            files.push_back(ToJson(r, standard));
        root["files"] = std::move(files);
        root["summary"] = {{"changed", count[0]}, {"unchanged", count[1]}, {"skipped", count[2]}, {"failed", count[3]}};
        std::cout << root.dump(2) << '\n';
        for (const FileResult& r : results) {
            if (r.status == Status::Failed)
                Fail(r.error);
        }
    } else {
        for (const FileResult& r : results)
            PrintText(r, standard);
        std::cout << (options.dryRun ? "Would change " : "Changed ") << count[0] << " of " << results.size()
                  << " files (" << count[1] << " unchanged, " << count[2] << " skipped: not rule files, " << count[3]
                  << " failed)" << (options.dryRun ? "; nothing written (--dry-run)" : "") << '\n';
    }
    return count[3] ? kExitTrouble : refused ? kExitFailed : kExitOk;
}

void Register(CLI::App& app, Context& ctx)
{
    static Options options;
    CLI::App* cmd = app.add_subcommand(
        "apply",
        "Set the values of a rule set written by `kxrule export` in rule files, each loaded as the host\n"
        "loads it: every rule the file has takes the set's value. Per file it lists what changed and\n"
        "what did not apply and why (a rule the file or the library lacks, a value the rule does not\n"
        "offer); a file is written only when a value changed and never when it did not load. A folder is\n"
        "searched for *.xml files recursively; files in it that are not rule files are skipped. A set\n"
        "from another program version is applied where it matches.\n"
        "Exit codes: 0 everything applied, 1 some rules did not apply, 2 trouble (a rule set that is not\n"
        "valid, a file that cannot be loaded or written, bad usage).\n\n"
        "Example:\n"
        "  kxrule apply standard.json ./projects --type 0 --dry-run");
    cmd->add_option("STANDARD", options.standard, "Rule set (JSON)")->required();
    cmd->add_option("FILE", options.paths, "Rule files or folders")->required();
    cmd->add_option("--type", options.type, "Rule type: 0 bill of quantities, 1 quota, 2 other")->required();
    cmd->add_flag("--dry-run", options.dryRun, "Report what would change; write nothing");
    cmd->add_flag("--json", options.json,
                  "Print JSON: {standard,version,dryRun,files:[{file,status,changed:[{typeId,subTypeId,comp,item,"
                  "rule,before,after}],unchanged,refused:[{typeId,subTypeId,comp,item,rule,value,why}],error}],"
                  "summary:{changed,unchanged,skipped,failed}}");
    cmd->callback([&ctx] {
        ctx.ApplyDirs();
        ctx.exitCode = Guarded([] { return Run(options); }, kExitTrouble);
    });
}

const bool registered = RegisterCommand(38, &Register);

} // namespace

} // namespace kxrule
