// kxrule demo: the bundled sample project's three rule files, loaded and upgraded by the library
// on a temporary copy, with a few of their rules.
#include <iostream>

#include <kxhost/HostServices.h>
#include <kxhost/KxHost.h>

#include "Command.h"
#include "RuleFileTools.h"
#include "platform/SelfLocation.h"

namespace kxrule {

namespace {

struct Options {
    bool keep = false;
};

const char kAnchor = 0;

// An installed tool uses the sample installed beside it, not the source tree it was built from.
fs::path SampleDir()
{
    const std::string binDir = kx::platform::ModuleDirOf(&kAnchor);
    if (!binDir.empty()) {
        const fs::path installed = fs::path(binDir) / ".." / "share" / "kxsysrule" / "sample";
        std::error_code ec;
        if (fs::is_directory(installed / "proj", ec) && fs::is_directory(installed / "sys", ec))
            return fs::weakly_canonical(installed, ec);
    }
    return KX_SAMPLE_DIR;
}

struct RuleFile {
    const char* name;
    KxSysRule::RuleType type;
    const char* what;
};

const RuleFile kFiles[] = {
    {"QDRule.xml", KxSysRule::Rule_QingDan, "bill-of-quantities rules (清单库)"},
    {"DERule.xml", KxSysRule::Rule_DingE, "quota rules (定额库)"},
    {"OtherRule.xml", KxSysRule::Rule_Other, "other rules"},
};

// Items whose rules the upgrades touch in the sample.
const std::pair<NS_KXComponentType::SCompGroupType, const wchar_t*> kShown[] = {
    {{12, -1}, L"实体模板"},
    {{41, -1}, L"砖模"},
};

void ShowItem(const NS_KXComponentType::SCompGroupType& key, const CString& item, KxSysRule::RuleType type)
{
    CStringArray pairs;
    if (!CFaceCurRule::GetCurItemRules(key, pairs, item, type))
        return;
    std::cout << "  " << ComponentName(key) << " " << Narrow(item) << '\n';
    std::vector<RuleLine> rules;
    for (std::size_t i = 0; i + 1 < pairs.size(); i += 2)
        rules.push_back({Narrow(pairs[i]), Narrow(pairs[i + 1]), ShowText(key, item, pairs[i], pairs[i + 1])});
    PrintRules(rules, "    ");
}

int Run(const Options& options)
{
    const fs::path sample = SampleDir();
    std::error_code ec;
    if (!fs::is_directory(sample / "proj", ec) || !fs::is_directory(sample / "sys", ec))
        return Fail("the sample installation is missing: " + sample.string());
    const fs::path work = MakeTempDir("kxrule-demo-");
    if (work.empty())
        return Fail("cannot make a temporary folder in " + fs::temp_directory_path().string());
    const fs::path proj = work / "proj";
    fs::copy(sample / "proj", proj, fs::copy_options::recursive, ec);
    if (ec) {
        fs::remove_all(work, ec);
        return Fail("cannot copy the sample project to " + proj.string());
    }

    KxHost::SetKXSysDir(Wide((sample / "sys").string()));
    KxHost::SetCurProjDir(Wide(proj.string()));
    RouteMessagesToStderr();
    std::string error;
    int exitCode = kExitOk;
    if (!LoadTemplates(error)) {
        exitCode = Fail(error);
    } else {
        std::cout << "The sample project's rule files, loaded as the host loads them (program version "
                  << Narrow(CISysdata::GetVersion()) << ").\n";
        for (const RuleFile& file : kFiles) {
            const fs::path path = proj / file.name;
            RuleFileHead before;
            if (auto problem = CheckRuleFile(path, before)) {
                exitCode = Fail(problem->message);
                continue;
            }
            const CString wpath = Wide(path.string());
            CFaceCurRule::InitXMLData(wpath, file.type);
            RuleFileSummary after;
            if (CFaceCurRule::GetCurFileName(file.type) != wpath || !SummariseRuleFile(path, after)) {
                exitCode = Fail(std::string(file.name) + ": the library could not load it");
                continue;
            }
            std::cout << '\n' << file.name << "  rule type " << static_cast<int>(file.type) << ", " << file.what << '\n';
            std::cout << "  version " << before.Describe() << " -> " << after.head.Describe() << ", " << after.rules
                      << " rules in " << after.types.size() << " component types\n";
            for (const auto& [key, item] : kShown)
                ShowItem(key, item, file.type);
        }
    }
    if (options.keep) {
        std::cout << "\nThe upgraded copy is kept in " << proj.string() << '\n';
    } else {
        fs::remove_all(work, ec);
    }
    return exitCode;
}

void Register(CLI::App& app, Context& ctx)
{
    static Options options;
    CLI::App* cmd = app.add_subcommand(
        "demo",
        "Copy the bundled sample project to a temporary folder, load its three rule files (QDRule.xml\n"
        "type 0, DERule.xml type 1 in the old format, OtherRule.xml type 2 older than the program) and\n"
        "show how they were upgraded, with a few rules and their display text. --sys and --proj are\n"
        "not used: the demo runs on the sample.\n\n"
        "Example:\n"
        "  kxrule demo\n"
        "  kxrule demo --keep");
    cmd->add_flag("--keep", options.keep, "Keep the upgraded copy and print where it is");
    cmd->callback([&ctx] {
        ctx.ApplyDirs();
        ctx.exitCode = Guarded([] { return Run(options); });
    });
}

const bool registered = RegisterCommand(5, &Register);

} // namespace

} // namespace kxrule
