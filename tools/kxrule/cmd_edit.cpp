// kxrule edit: let the user set the rules of one calculation item in the rule-setting dialog and
// save what they chose.
#include <cstdlib>
#include <iostream>

#include "Command.h"
#include "RuleFileTools.h"

namespace kxrule {

namespace {

struct Options {
    std::string file;
    int type = 0;
    std::string comp;
    std::string item;
};

// Qt ends the process when it finds no display; say so before that happens.
bool HaveDisplay()
{
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0')
            return true;
    }
    return false;
}

int Run(const Options& options)
{
    const auto type = CheckRuleType(options.type);
    if (!type)
        return kExitUsage;
    const auto key = CheckCompKey(options.comp);
    if (!key)
        return kExitUsage;
    if (options.item.empty())
        return Fail("--item must name a calculation item", kExitUsage);
    if (!HaveDisplay())
        return Fail("the dialog needs a display: set DISPLAY (or WAYLAND_DISPLAY, or QT_QPA_PLATFORM)");

    const OpenedRuleFile opened(options.file, *type, "; nothing written");
    if (const auto& problem = opened.problem())
        return Fail(problem->message, problem->exitCode);

    const CString item = Wide(options.item);
    CStringArray rules;
    if (!CFaceCurRule::GetCurItemRules(*key, rules, item, *type)) {
        const std::string comp = ComponentName(*key);
        return Fail(options.file + ": " + (comp.empty() ? "component type" : comp) + " (" + KeyText(*key) +
                    ") has no rules for the item \"" + options.item + "\"");
    }
    const CStringArray before = rules;
    if (!CFaceSysRule::UserSetRules(*key, item, rules, *type))
        return Fail("nothing changed: the dialog was cancelled, or the installation defines no rule of \"" +
                    options.item + "\" that it can edit (or the library was built without the dialog)");

    // One rule at a time: in a single name/value list a value that equals a rule name would be
    // taken for that name.
    bool changed = false;
    for (std::size_t i = 0; i + 1 < rules.size(); i += 2) {
        if (rules[i + 1] == before[i + 1])
            continue;
        sCalItemDir dir;
        dir.compType = *key;
        dir.strCalItem = item;
        dir.strRuleName = rules[i];
        dir.eRuleType = *type;
        CFaceCurRule::SetCurItemRules(dir, CStringArray{rules[i], rules[i + 1]});
        changed = true;
    }
    if (changed && !CFaceCurRule::SaveXMLData(Wide(options.file), *type))
        return Fail(SaveFailure(opened.copy(), options.file, *type) + "; it is unchanged");

    std::size_t width = 0;
    for (std::size_t i = 0; i + 1 < rules.size(); i += 2)
        width = std::max(width, DisplayWidth(Narrow(rules[i])));
    for (std::size_t i = 0; i + 1 < rules.size(); i += 2) {
        const std::string value = Narrow(rules[i + 1]);
        std::cout << PadRight(Narrow(rules[i]), width) << ": ";
        if (rules[i + 1] == before[i + 1])
            std::cout << value << " (unchanged)";
        else
            std::cout << Narrow(before[i + 1]) << " -> " << value;
        const std::string text = ShowText(*key, item, rules[i], rules[i + 1]);
        if (!text.empty() && text != value)
            std::cout << "    (" << text << ')';
        std::cout << '\n';
    }
    std::cout << (changed ? "Saved " + options.file : "No rule changed; " + options.file + " left as it was") << '\n';
    return kExitOk;
}

void Register(CLI::App& app, Context& ctx)
{
    static Options options;
    CLI::App* cmd = app.add_subcommand(
        "edit",
        "Open the rule-setting dialog for one calculation item of a rule file. On OK the changed\n"
        "values are stored and the file is saved (and brought up to the program's version); Cancel\n"
        "leaves the file untouched and exits with 1. \"恢复默认\" in the dialog brings back the value\n"
        "the file holds. Needs a display.\n\n"
        "Example:\n"
        "  kxrule edit proj/QDRule.xml --type 0 --comp 12 --item 实体模板");
    cmd->add_option("FILE", options.file, "Rule file")->required();
    cmd->add_option("--type", options.type, "Rule type: 0 bill of quantities, 1 quota, 2 other")->required();
    cmd->add_option("--comp", options.comp, "Component type id, with an optional sub-type: 12 or 12:3")->required();
    cmd->add_option("--item", options.item, "Calculation item")->required();
    cmd->callback([&ctx] {
        ctx.ApplyDirs();
        ctx.exitCode = Guarded([] { return Run(options); });
    });
}

const bool registered = RegisterCommand(35, &Register);

} // namespace

} // namespace kxrule
