// kxrule: look after a project's calculation rules from the command line.
#include <algorithm>
#include <cstdio>
#include <iostream>
#include <vector>

#include <kxhost/KxHost.h>

#include "Command.h"
#include "platform/Platform.h"

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

void Context::ApplyDirs() const
{
    if (!sysDir.empty())
        KxHost::SetKXSysDir(Wide(sysDir));
    if (!projDir.empty())
        KxHost::SetCurProjDir(Wide(projDir));
}

CString Wide(const std::string& utf8) { return kx::platform::FromUtf8(utf8); }
std::string Narrow(const CString& wide) { return kx::platform::ToUtf8(wide); }

int Fail(const std::string& message, int code)
{
    std::cerr << "kxrule: " << message << '\n';
    return code;
}

void PrintJson(const nlohmann::json& value) { std::cout << value.dump(2) << '\n'; }

std::optional<NS_KXComponentType::SCompGroupType> ParseCompKey(const std::string& text)
{
    auto parseInt = [](const std::string& s, int& out) {
        if (s.empty())
            return false;
        std::size_t used = 0;
        try {
            out = std::stoi(s, &used, 10);
        } catch (...) {
            return false;
        }
        return used == s.size();
    };
    NS_KXComponentType::SCompGroupType key;
    const std::size_t colon = text.find(':');
    if (!parseInt(text.substr(0, colon), key.nTypeId))
        return std::nullopt;
    if (colon != std::string::npos && !parseInt(text.substr(colon + 1), key.nSubTypeId))
        return std::nullopt;
    return key;
}

std::optional<KxSysRule::RuleType> ParseRuleType(int value)
{
    if (value < 0 || value > 2)
        return std::nullopt;
    return static_cast<KxSysRule::RuleType>(value);
}

} // namespace kxrule

int main(int argc, char** argv)
{
    using namespace kxrule;
    CLI::App app{"kxrule: look after the calculation rules of a quantity-takeoff project.\n\n"
                 "Exit codes: 0 done, 1 the operation failed, 2 bad usage."};
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
