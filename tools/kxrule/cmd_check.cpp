// kxrule check: what is wrong in projects' rules measured against the installation's rule
// library, and with --fix those rules set back to their defaults.
#include <iostream>

#include "Command.h"
#include "RuleFileTools.h"
#include "ruleset/RuleSet.h"

namespace kxrule {

namespace {

using namespace ruleset;

constexpr int kClean = 0;
constexpr int kFindings = 1;

struct Options {
    std::vector<std::string> paths;
    int type = 0;
    bool fix = false;
    bool json = false;
};

enum class Status { Clean, Findings, Skipped, Failed };

struct FileResult {
    std::string file;
    Status status = Status::Failed;
    std::size_t rules = 0;
    std::vector<Finding> findings;
    std::vector<FixedRule> fixed;
    std::string error;
};

FileResult CheckOne(const FileJob& job, KxSysRule::RuleType type, const RuleLibrary& library, bool fix)
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
        result.rules = loaded.doc().rules.size();
        result.findings = Check(loaded.doc(), library);
        result.status = result.findings.empty() ? Status::Clean : Status::Findings;
        if (fix && !result.findings.empty() &&
            !Fix(loaded, result.findings, library, type, job.path, result.fixed, result.error)) {
            result.status = Status::Failed;
            result.fixed.clear();
        }
    } catch (const std::exception& e) {
        // One file the library cannot take does not stop a folder.
        result.status = Status::Failed;
        result.error = result.file + ": the library failed: " + e.what() + "; the file is unchanged";
    }
    return result;
}

std::string Joined(const CStringArray& values, const char* separator)
{
    std::string text;
    for (const CString& value : values)
        text += (text.empty() ? "" : separator) + Narrow(value);
    return text;
}

std::string Message(const Finding& f, const RuleLibrary& library)
{
    const SRuleItem* record = library.Find(f.key);
    switch (f.problem) {
    case Problem::NotAnOption:
        return "= " + Narrow(f.value) + ": not an option's index (0 to " +
               std::to_string(library.Options(*record).size() - 1) + ")";
    case Problem::UnknownCode:
        return "= " + Narrow(f.value) + ": code " + Narrow(f.code) + " is not among the options " +
               Joined(library.Options(*record), ",");
    case Problem::NoDescription:
        return "= " + Narrow(f.value) + ": code " + Narrow(f.code) + " has no description";
    case Problem::UnknownRule: return "= " + Narrow(f.value) + ": the rule library has no such rule";
    case Problem::Duplicate: return "= " + Narrow(f.value) + ": given again";
    case Problem::Missing: return "missing; its default is " + (f.value.empty() ? "empty" : Narrow(f.value));
    }
    return {};
}

void PrintText(const FileResult& r, const RuleLibrary& library)
{
    switch (r.status) {
    case Status::Skipped: std::cout << r.error << "; skipped\n"; return;
    case Status::Failed: Fail(r.error); return;
    case Status::Clean: std::cout << r.file << ": clean, " << r.rules << " rules\n"; return;
    case Status::Findings: break;
    }
    std::cout << r.file << ": " << r.findings.size() << (r.findings.size() == 1 ? " finding" : " findings") << '\n';
    std::size_t width = 0;
    for (const Finding& f : r.findings)
        width = std::max(width, DisplayWidth(Where(f.key)));
    for (const Finding& f : r.findings)
        std::cout << "  " << PadRight(Where(f.key), width) << "  " << Message(f, library) << '\n';
    if (r.fixed.empty())
        return;
    std::cout << "Fixed " << r.file << ":\n";
    width = 0;
    for (const FixedRule& f : r.fixed)
        width = std::max(width, DisplayWidth(Where(f.key)));
    for (const FixedRule& f : r.fixed) {
        const std::string before = f.before.empty() ? "(missing)" : Joined(f.before, " and ");
        const std::string after = f.after.empty() ? "(removed)" : Joined(f.after, " and ");
        std::cout << "  " << PadRight(Where(f.key), width) << "  " << before << " -> " << (after.empty() ? "(empty)" : after)
                  << (f.before == f.after ? "  (the default itself)" : "") << '\n';
    }
}

nlohmann::ordered_json ToJson(const FileResult& r, const RuleLibrary& library)
{
    static const char* const kStatus[] = {"clean", "findings", "skipped", "failed"};
    nlohmann::ordered_json file;
    file["file"] = r.file;
    file["status"] = kStatus[static_cast<int>(r.status)];
    if (r.status == Status::Skipped || r.status == Status::Failed) {
        file["error"] = r.error;
        return file;
    }
    file["rules"] = r.rules;
    auto findings = nlohmann::ordered_json::array();
    for (const Finding& f : r.findings) {
        nlohmann::ordered_json json;
        json["problem"] = ProblemName(f.problem);
        json.update(KeyJson(f.key));
        json["value"] = f.problem == Problem::Missing ? nlohmann::ordered_json() : nlohmann::ordered_json(Narrow(f.value));
        json["code"] = f.code.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(Narrow(f.code));
        const SRuleItem* record = library.Find(f.key);
        json["default"] = record ? nlohmann::ordered_json(Narrow(record->strValue)) : nlohmann::ordered_json();
        findings.push_back(std::move(json));
    }
    file["findings"] = std::move(findings);
    auto fixed = nlohmann::ordered_json::array();
    for (const FixedRule& f : r.fixed) {
        nlohmann::ordered_json json = KeyJson(f.key);
        auto before = nlohmann::ordered_json::array();
        for (const CString& value : f.before)
            before.push_back(Narrow(value));
        json["before"] = std::move(before);
        auto after = nlohmann::ordered_json::array();
        for (const CString& value : f.after)
            after.push_back(Narrow(value));
        json["after"] = std::move(after);
        fixed.push_back(std::move(json));
    }
    file["fixed"] = std::move(fixed);
    return file;
}

int Run(const Options& options)
{
    const auto type = CheckRuleType(options.type);
    if (!type)
        return kExitTrouble;
    if (const int code = CheckPathsExist(options.paths, kExitTrouble))
        return code;
    RouteMessagesToStderr();
    std::string error;
    if (!LoadTemplates(error))
        return Fail(error, kExitTrouble);
    std::vector<FileJob> jobs;
    if (!CollectFiles(options.paths, jobs, error))
        return Fail(error, kExitTrouble);
    const RuleLibrary library = RuleLibrary::FromInstallation();

    std::vector<FileResult> results;
    {
        Progress progress(jobs.size(), "checking");
        for (std::size_t i = 0; i < jobs.size(); ++i) {
            progress.Update(i, jobs[i].path.string());
            results.push_back(CheckOne(jobs[i], *type, library, options.fix));
        }
    }
    int count[4] = {0, 0, 0, 0};
    for (const FileResult& r : results)
        ++count[static_cast<int>(r.status)];
    const int clean = count[0], findings = count[1], skipped = count[2], failed = count[3];
    if (options.json) {
        nlohmann::ordered_json root;
        auto files = nlohmann::ordered_json::array();
        for (const FileResult& r : results)
            files.push_back(ToJson(r, library));
        root["files"] = std::move(files);
        root["summary"] = {{"clean", clean}, {"findings", findings}, {"skipped", skipped}, {"failed", failed}};
        std::cout << root.dump(2) << '\n';
        for (const FileResult& r : results) {
            if (r.status == Status::Failed)
                Fail(r.error);
        }
    } else {
        for (const FileResult& r : results)
            PrintText(r, library);
        if (results.size() > 1)
            std::cout << "Checked " << results.size() << " files: " << clean << " clean, " << findings
                      << " with findings" << (options.fix ? " (fixed)" : "") << ", " << skipped
                      << " skipped: not rule files, " << failed << " failed\n";
    }
    return failed ? kExitTrouble : findings ? kFindings : kClean;
}

void Register(CLI::App& app, Context& ctx)
{
    static Options options;
    CLI::App* cmd = app.add_subcommand(
        "check",
        "Check rule files, loaded as the host loads them, against the installation's rule library: a\n"
        "single-choice value that is not an option's index, a list code that is not among the rule's\n"
        "options or has no description, a rule the library no longer has, a record given twice, a rule\n"
        "the defaults have and the file lacks. A folder is searched for *.xml files recursively; files\n"
        "in it that are not rule files are skipped. Files are not written unless --fix: it leaves each\n"
        "rule of a finding with one record holding the default (a rule the library lacks is removed),\n"
        "saves the file, upgraded, and lists what it changed.\n"
        "Exit codes: 0 clean, 1 findings (fixed or not), 2 trouble (a file that cannot be loaded or\n"
        "written, bad usage).\n\n"
        "Examples:\n"
        "  kxrule check proj/QDRule.xml --type 0\n"
        "  kxrule check ./projects --type 1 --fix");
    cmd->add_option("FILE", options.paths, "Rule files or folders")->required();
    cmd->add_option("--type", options.type, "Rule type: 0 bill of quantities, 1 quota, 2 other")->required();
    cmd->add_flag("--fix", options.fix, "Set the rules of the findings back to their defaults and save");
    cmd->add_flag("--json", options.json,
                  "Print JSON: {files:[{file,status,rules,findings:[{problem,typeId,subTypeId,comp,item,rule,"
                  "value,code,default}],fixed:[{typeId,subTypeId,comp,item,rule,before:[],after:[]}],error}],"
                  "summary:{clean,findings,skipped,failed}}");
    cmd->callback([&ctx] {
        ctx.ApplyDirs();
        ctx.exitCode = Guarded([] { return Run(options); }, kExitTrouble);
    });
}

const bool registered = RegisterCommand(36, &Register);

} // namespace

} // namespace kxrule
