// kxrule upgrade: bring rule files up to the program's version, the way the host does when it
// opens a project, and say what was found.
#include <algorithm>
#include <iostream>

#include <kxhost/HostServices.h>

#include "Command.h"
#include "RuleFileTools.h"

namespace kxrule {

namespace {

struct Options {
    std::vector<std::string> paths;
    int type = 0;
    bool json = false;
};

enum class Status { Upgraded, Skipped, Failed };

struct FileResult {
    std::string file;
    Status status = Status::Failed;
    RuleFileHead before;
    RuleFileSummary after;
    std::string error;
};

// The library loads a private copy; the project file is written only once the copy loaded,
// upgraded and synchronised.
FileResult UpgradeOne(const fs::path& path, KxSysRule::RuleType type, bool inFolder)
{
    FileResult result;
    result.file = path.string();
    try {
        // The templates were loaded once for every file.
        const OpenedRuleFile opened(path, type, "; the file is unchanged", false);
        result.before = opened.head();
        if (const auto& problem = opened.problem()) {
            result.status = inFolder && problem->notRuleFile ? Status::Skipped : Status::Failed;
            result.error = problem->message;
            return result;
        }
        if (!CFaceCurRule::SaveXMLData(Wide(result.file), type)) {
            result.error = SaveFailure(opened.copy(), result.file, type) + "; the file is unchanged";
            return result;
        }
    } catch (const std::exception& e) {
        // One file the library cannot rewrite does not stop a folder.
        result.error = result.file + ": the library failed: " + e.what() + "; the file is unchanged";
        return result;
    }
    SummariseRuleFile(path, result.after);
    result.status = Status::Upgraded;
    return result;
}

// A line a person reads: the first few component types, then how many more; --json lists them all.
std::string TypesText(const RuleFileSummary& summary)
{
    constexpr std::size_t kShown = 4;
    std::string text;
    for (std::size_t i = 0; i < summary.types.size() && i < kShown; ++i) {
        const auto& type = summary.types[i];
        if (!text.empty())
            text += ", ";
        text += type.name + " (" + (type.typeId == -1 ? std::string("?") : std::to_string(type.typeId)) +
                "): " + std::to_string(type.rules);
    }
    if (summary.types.size() > kShown)
        text += " … and " + std::to_string(summary.types.size() - kShown) + " more (--json lists them all)";
    return text;
}

void PrintText(const FileResult& r, bool detailed)
{
    if (r.status == Status::Skipped) {
        std::cout << r.error << "; skipped\n";
        return;
    }
    if (r.status == Status::Failed) {
        Fail(r.error);
        return;
    }
    std::cout << r.file << ": " << r.before.Describe() << " -> " << r.after.head.Describe() << ", "
              << r.after.rules << (r.after.rules == 1 ? " rule" : " rules") << " in " << r.after.types.size()
              << (r.after.types.size() == 1 ? " component type" : " component types") << '\n';
    if (detailed && !r.after.types.empty())
        std::cout << "  " << TypesText(r.after) << '\n';
}

nlohmann::ordered_json ToJson(const FileResult& r)
{
    nlohmann::ordered_json file;
    file["file"] = r.file;
    file["status"] = r.status == Status::Upgraded ? "upgraded" : r.status == Status::Skipped ? "skipped" : "failed";
    if (r.status != Status::Upgraded) {
        file["error"] = r.error;
        return file;
    }
    file["before"] = r.before.oldFormat ? nullptr : nlohmann::ordered_json(r.before.version);
    file["oldFormat"] = r.before.oldFormat;
    file["after"] = r.after.head.version;
    file["rules"] = r.after.rules;
    auto types = nlohmann::ordered_json::array();
    for (const auto& type : r.after.types)
        types.push_back({{"name", type.name}, {"typeId", type.typeId}, {"rules", type.rules}});
    file["types"] = std::move(types);
    return file;
}

int Run(const Options& options)
{
    const auto type = CheckRuleType(options.type);
    if (!type)
        return kExitUsage;
    if (const int code = CheckPathsExist(options.paths, kExitUsage))
        return code;
    RouteMessagesToStderr();
    std::string error;
    if (!LoadTemplates(error))
        return Fail(error);

    std::vector<FileJob> jobs;
    if (!CollectFiles(options.paths, jobs, error))
        return Fail(error);

    std::vector<FileResult> results;
    {
        Progress progress(jobs.size(), "upgrading");
        for (std::size_t i = 0; i < jobs.size(); ++i) {
            progress.Update(i, jobs[i].path.string());
            results.push_back(UpgradeOne(jobs[i].path, *type, jobs[i].inFolder));
        }
    }

    int upgraded = 0, skipped = 0, failed = 0;
    for (const FileResult& r : results) {
        upgraded += r.status == Status::Upgraded;
        skipped += r.status == Status::Skipped;
        failed += r.status == Status::Failed;
    }
    const bool anyFolder = std::any_of(jobs.begin(), jobs.end(), [](const FileJob& j) { return j.inFolder; });
    if (options.json) {
        auto files = nlohmann::ordered_json::array();
        for (const FileResult& r : results)
            files.push_back(ToJson(r));
        nlohmann::ordered_json root;
        root["files"] = std::move(files);
        root["summary"] = {{"upgraded", upgraded}, {"skipped", skipped}, {"failed", failed}};
        std::cout << root.dump(2) << '\n';
        for (const FileResult& r : results) {
            if (r.status == Status::Failed)
                Fail(r.error);
        }
    } else {
        for (const FileResult& r : results)
            PrintText(r, !anyFolder);
        if (results.size() > 1)
            std::cout << "Upgraded " << upgraded << " of " << results.size() << " files (" << skipped
                      << " skipped: not rule files, " << failed << " failed)\n";
    }
    return failed ? kExitFailed : kExitOk;
}

void Register(CLI::App& app, Context& ctx)
{
    static Options options;
    CLI::App* cmd = app.add_subcommand(
        "upgrade",
        "Load rule files the way the host does: old-format files are converted, files older than the program\n"
        "are synchronised with the default rules, and every file is rewritten in the current layout.\n"
        "A folder is searched for *.xml files recursively; files in it that are not rule files are skipped.\n"
        "A file is written only when its upgrade succeeded. A single file's summary names its first few\n"
        "component types; --json lists every one.\n\n"
        "Example:\n"
        "  kxrule upgrade proj/DERule.xml --type 1 --sys ./sys\n"
        "  kxrule upgrade ./projects --type 0 --json");
    cmd->add_option("FILE", options.paths, "Rule files or folders")->required();
    cmd->add_option("--type", options.type, "Rule type: 0 bill of quantities, 1 quota, 2 other")->required();
    cmd->add_flag("--json", options.json, "Print JSON: {files:[{file,status,before,oldFormat,after,rules,types}],summary}");
    cmd->callback([&ctx] {
        ctx.ApplyDirs();
        ctx.exitCode = Guarded([] { return Run(options); });
    });
}

const bool registered = RegisterCommand(10, &Register);

} // namespace

} // namespace kxrule
