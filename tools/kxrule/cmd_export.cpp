// kxrule export: a project's rules, or those that differ from the defaults, as a rule set in JSON.
#include "Command.h"
#include "RuleFileTools.h"
#include "ruleset/RuleSet.h"

namespace kxrule {

namespace {

using namespace ruleset;

struct Options {
    std::string file;
    int type = 0;
    bool changedOnly = false;
    std::string output;
};

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
    RuleDoc doc = loaded.doc();
    if (options.changedOnly) {
        doc.rules.clear();
        for (const Difference& d : Diff(loaded.doc(), RuleLibrary::FromInstallation().Defaults())) {
            if (d.left)
                doc.rules.push_back({d.key, *d.left});
        }
    }
    std::string wrote = "Wrote ";
    wrote += std::to_string(doc.rules.size()) + (doc.rules.size() == 1 ? " rule" : " rules");
    wrote += " of " + options.file + " to " + options.output;
    return WriteOutput(options.output, ToJson(doc, options.type).dump(2) + '\n', wrote);
}

void Register(CLI::App& app, Context& ctx)
{
    static Options options;
    CLI::App* cmd = app.add_subcommand(
        "export",
        "Write the rules of a rule file, loaded as the host loads it (the file is not written), as a rule\n"
        "set in JSON: {version, type, rules: {\"<component> (<type>[:<sub-type>])\": {<item>: {<rule>:\n"
        "<value>}}}}, with the program version. --changed-only keeps the rules whose values differ from\n"
        "the installation's defaults. `kxrule apply` sets such a rule set in other projects.\n\n"
        "Example:\n"
        "  kxrule export proj/QDRule.xml --type 0 --changed-only -o standard.json");
    cmd->add_option("FILE", options.file, "Rule file")->required();
    cmd->add_option("--type", options.type, "Rule type: 0 bill of quantities, 1 quota, 2 other")->required();
    cmd->add_flag("--changed-only", options.changedOnly, "Only the rules whose values differ from the defaults");
    cmd->add_option("-o,--output", options.output, "The JSON file to write (default: standard output)");
    cmd->callback([&ctx] {
        ctx.ApplyDirs();
        ctx.exitCode = Guarded([] { return Run(options); });
    });
}

const bool registered = RegisterCommand(37, &Register);

} // namespace

} // namespace kxrule
