// The kxrule tool: each subcommand lives in a file of its own and registers itself here.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <kxsysrule/KxSysRuleData.h>

namespace kxrule {

// Exit codes, documented in --help.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
// diff, check and apply, where 1 means differences or findings: anything that went wrong.
constexpr int kExitTrouble = 2;

struct Context {
    std::string sysDir;  // --sys: the installation's system folder
    std::string projDir; // --proj: the project folder
    int exitCode = kExitOk;

    // Hands --sys and --proj to the bundled host services.
    void ApplyDirs() const;
};

using Registrar = void (*)(CLI::App& app, Context& ctx);
// Registers a subcommand; `order` sorts the help listing.
bool RegisterCommand(int order, Registrar registrar);

CString Wide(const std::string& utf8);
std::string Narrow(const CString& wide);

// Prints "kxrule: <message>" to standard error and returns `code`.
int Fail(const std::string& message, int code = kExitFailed);
void PrintJson(const nlohmann::json& value);

// "12" or "12:3" -> {12, -1} or {12, 3}; nullopt when not numbers.
std::optional<NS_KXComponentType::SCompGroupType> ParseCompKey(const std::string& text);
// A rule type given on the command line: 0, 1 or 2.
std::optional<KxSysRule::RuleType> ParseRuleType(int value);

} // namespace kxrule
