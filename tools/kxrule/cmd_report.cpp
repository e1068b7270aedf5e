// kxrule report: a project's rule table as an HTML page to read, sign off and print.
#include <ctime>

#include <kxhost/HostServices.h>

#include "Command.h"
#include "RuleFileTools.h"
#include "ruleset/RuleSet.h"

namespace kxrule {

namespace {

using namespace ruleset;

struct Options {
    std::string file;
    int type = 0;
    std::string output;
};

std::string Today()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    return std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local) ? text : "";
}

int Run(const Options& options)
{
    const auto type = CheckRuleType(options.type);
    if (!type)
        return kExitUsage;
    RouteMessagesToStderr();
    std::string error;
    if (!LoadTemplates(error))
        return Fail(error);
    const LoadedRuleFile loaded(options.file, *type);
    if (const auto& problem = loaded.problem())
        return Fail(problem->message, problem->exitCode);

    ReportHead head;
    head.file = options.file;
    head.fileVersion = loaded.opened().head().Describe();
    head.programVersion = Narrow(CISysdata::GetVersion());
    static const char* const kTypeNames[] = {"bill of quantities", "quota", "other"};
    head.ruleType = kTypeNames[options.type] + (" (type " + std::to_string(options.type) + ")");
    head.date = Today();
    std::string wrote = "Wrote the ";
    wrote += std::to_string(loaded.doc().rules.size()) + " rules of " + options.file + " to " + options.output;
    return WriteOutput(options.output, ReportHtml(loaded.doc(), RuleLibrary::FromInstallation(), head),
                       wrote);
}

void Register(CLI::App& app, Context& ctx)
{
    static Options options;
    CLI::App* cmd = app.add_subcommand(
        "report",
        "Write the rule table of a rule file, loaded as the host loads it (the file is not written), as one\n"
        "self-contained HTML page: the grid's columns and merged cells by component, for the rules as a\n"
        "save keeps them; each value with its display text and stored code, values that differ from the\n"
        "installation's defaults marked with the default below them; the file, its version and the date\n"
        "at the top. It prints on A4.\n\n"
        "Example:\n"
        "  kxrule report proj/QDRule.xml --type 0 -o rules.html");
    cmd->add_option("FILE", options.file, "Rule file")->required();
    cmd->add_option("--type", options.type, "Rule type: 0 bill of quantities, 1 quota, 2 other")->required();
    cmd->add_option("-o,--output", options.output, "The HTML file to write (default: standard output)");
    cmd->callback([&ctx] {
        ctx.ApplyDirs();
        ctx.exitCode = Guarded([] { return Run(options); });
    });
}

const bool registered = RegisterCommand(39, &Register);

} // namespace

} // namespace kxrule
