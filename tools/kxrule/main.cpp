// kxrule: look after a project's calculation rules from the command line.
#include <algorithm>
#include <iostream>
#include <vector>

#include "Command.h"

namespace kxrule {

namespace {
std::vector<std::pair<int, Registrar>>& Registry()
{
    static std::vector<std::pair<int, Registrar>> registry;
    return registry;
}
} // namespace

bool RegisterCommand(int order, Registrar registrar)
{
    Registry().emplace_back(order, registrar);
    return true;
}

} // namespace kxrule

int main(int argc, char** argv)
{
    using namespace kxrule;
    CLI::App app{"kxrule: look after the calculation rules of a quantity-takeoff project.\n\n"
                 "Exit codes: 0 done, 1 the operation failed, 2 bad usage; diff, check and apply answer 1 for\n"
                 "differences, findings or rules not applied and 2 for trouble."};
    app.require_subcommand(1);
    app.set_help_all_flag("--help-all", "Print the help of every subcommand and exit");
    Context ctx;
    app.add_option("--sys", ctx.sysDir, "System folder of the installation (default: KX_SYS_DIR or the bundled sample)");
    app.add_option("--proj", ctx.projDir, "Project folder (default: KX_PROJ_DIR or the current folder)");

    auto registry = Registry();
    std::stable_sort(registry.begin(), registry.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& entry : registry)
        entry.second(app, ctx);
    // --sys and --proj may stand after the subcommand too.
    for (CLI::App* sub : app.get_subcommands({}))
        sub->fallthrough();

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return kExitUsage;
    }
    return ctx.exitCode;
}
