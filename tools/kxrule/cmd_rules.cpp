// kxrule rules: the rules of one component type's calculation items, as "name = value" with
// the text a user reads for the value.
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
    bool json = false;
};

using Rule = RuleLine;

struct Item {
    std::string name;
    std::vector<Rule> rules;
};

std::vector<Rule> RulesOf(const NS_KXComponentType::SCompGroupType& key, const CString& item, KxSysRule::RuleType type)
{
    std::vector<Rule> rules;
    CStringArray pairs;
    if (!CFaceCurRule::GetCurItemRules(key, pairs, item, type))
        return rules;
    for (std::size_t i = 0; i + 1 < pairs.size(); i += 2)
        rules.push_back({Narrow(pairs[i]), Narrow(pairs[i + 1]), ShowText(key, item, pairs[i], pairs[i + 1])});
    return rules;
}

int Run(const Options& options)
{
    const auto type = CheckRuleType(options.type);
    if (!type)
        return kExitUsage;
    const auto key = CheckCompKey(options.comp);
    if (!key)
        return kExitUsage;
    // Reading must not change the project: the library upgrades and rewrites what it loads.
    const OpenedRuleFile opened(options.file, *type, "");
    if (const auto& problem = opened.problem())
        return Fail(problem->message, problem->exitCode);

    const std::string compName = ComponentName(*key);
    std::vector<Item> items;
    if (!options.item.empty()) {
        items.push_back({options.item, RulesOf(*key, Wide(options.item), *type)});
    } else {
        for (const CString& name : TemplateItems(*key)) {
            auto rules = RulesOf(*key, name, *type);
            if (!rules.empty())
                items.push_back({Narrow(name), std::move(rules)});
        }
    }
    std::size_t count = 0;
    for (const Item& item : items)
        count += item.rules.size();
    if (count == 0) {
        const std::string what = compName.empty() ? "component type " + KeyText(*key) + " (not in the templates)"
                                                  : compName + " (" + KeyText(*key) + ")";
        return Fail(options.file + ": no rules for " + what +
                    (options.item.empty() ? std::string() : " item \"" + options.item + "\""));
    }

    if (options.json) {
        nlohmann::ordered_json root;
        root["file"] = options.file;
        root["type"] = options.type;
        root["comp"] = {{"typeId", key->nTypeId}, {"subTypeId", key->nSubTypeId}, {"name", compName}};
        auto jsonItems = nlohmann::ordered_json::array();
        for (const Item& item : items) {
            auto rules = nlohmann::ordered_json::array();
            for (const Rule& rule : item.rules)
                rules.push_back({{"name", rule.name}, {"value", rule.value}, {"text", rule.text}});
            jsonItems.push_back({{"item", item.name}, {"rules", std::move(rules)}});
        }
        root["items"] = std::move(jsonItems);
        std::cout << root.dump(2) << '\n';
        return kExitOk;
    }

    std::cout << (compName.empty() ? "?" : compName) << " (" << KeyText(*key) << ")\n";
    for (const Item& item : items) {
        std::cout << "  " << item.name << '\n';
        PrintRules(item.rules, "    ");
    }
    return kExitOk;
}

void Register(CLI::App& app, Context& ctx)
{
    static Options options;
    CLI::App* cmd = app.add_subcommand(
        "rules",
        "Print the rules of a component type, one calculation item or all of them, as \"name = value\"\n"
        "with the value's display text. The file is read through a private copy and stays unchanged.\n\n"
        "Example:\n"
        "  kxrule rules proj/QDRule.xml --type 0 --comp 12 --item 实体模板\n"
        "  kxrule rules proj/QDRule.xml --type 0 --comp 12:3 --json");
    cmd->add_option("FILE", options.file, "Rule file")->required();
    cmd->add_option("--type", options.type, "Rule type: 0 bill of quantities, 1 quota, 2 other")->required();
    cmd->add_option("--comp", options.comp, "Component type id, with an optional sub-type: 12 or 12:3")->required();
    cmd->add_option("--item", options.item, "Calculation item (default: every item of the component type)");
    cmd->add_flag("--json", options.json, "Print JSON: {file,type,comp,items:[{item,rules:[{name,value,text}]}]}");
    cmd->callback([&ctx] {
        ctx.ApplyDirs();
        ctx.exitCode = Guarded([] { return Run(options); });
    });
}

const bool registered = RegisterCommand(20, &Register);

} // namespace

} // namespace kxrule
