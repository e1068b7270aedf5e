// kxrule diff: the rules in which two projects, or a project and the installation's defaults,
// differ.
#include <iostream>
#include <set>

#include "Command.h"
#include "RuleFileTools.h"
#include "ruleset/RuleSet.h"

namespace kxrule {

namespace {

using namespace ruleset;

// Exit codes as diff(1) has them.
constexpr int kSame = 0;
constexpr int kDifferent = 1;

struct Options {
    std::vector<std::string> files;
    int type = 0;
    bool defaults = false;
    bool json = false;
};

std::string CompText(const SCompGroupType& comp)
{
    const std::string name = ComponentName(comp);
    return (name.empty() ? "component type" : name) + " (" + KeyText(comp) + ")";
}

nlohmann::ordered_json SideJson(const RuleKey& key, const std::optional<CString>& value)
{
    if (!value)
        return nullptr;
    nlohmann::ordered_json side;
    side["value"] = Narrow(*value);
    side["text"] = ShowText(key.comp, key.item, key.rule, *value);
    return side;
}

// "value  text", or what stands for a missing rule.
std::string SideText(const RuleKey& key, const std::optional<CString>& value, std::size_t width)
{
    if (!value)
        return "(no such rule)";
    if (value->empty())
        return "(empty)";
    const std::string shown = Narrow(*value);
    const std::string text = ShowText(key.comp, key.item, key.rule, *value);
    if (text.empty() || text == shown)
        return shown;
    return PadRight(shown, width) + "  " + text;
}

void PrintText(const RuleDoc& left, const RuleDoc& right, const std::vector<Difference>& differences)
{
    std::cout << "--- " << left.name << "\n+++ " << right.name << '\n';
    std::set<std::pair<int, int>> comps;
    for (std::size_t begin = 0; begin < differences.size();) {
        // One group: a component type and calculation item, aligned on its own.
        const RuleKey& first = differences[begin].key;
        std::size_t end = begin;
        std::size_t nameWidth = 0, valueWidth = 0;
        for (; end < differences.size() && differences[end].key.comp == first.comp &&
               differences[end].key.item == first.item;
             ++end) {
            const Difference& d = differences[end];
            nameWidth = std::max(nameWidth, DisplayWidth(Narrow(d.key.rule)));
            for (const auto& side : {d.left, d.right}) {
                if (side)
                    valueWidth = std::max(valueWidth, DisplayWidth(Narrow(*side)));
            }
        }
        comps.insert({first.comp.nTypeId, first.comp.nSubTypeId});
        if (begin == 0 || differences[begin - 1].key.comp != first.comp)
            std::cout << CompText(first.comp) << '\n';
        std::cout << "  " << Narrow(first.item) << '\n';
        for (std::size_t i = begin; i < end; ++i) {
            const Difference& d = differences[i];
            std::cout << "    " << PadRight(Narrow(d.key.rule), nameWidth) << "  - "
                      << SideText(d.key, d.left, valueWidth) << '\n'
                      << "    " << std::string(nameWidth, ' ') << "  + " << SideText(d.key, d.right, valueWidth)
                      << '\n';
        }
        begin = end;
    }
    if (differences.empty())
        std::cout << "The rules are the same (" << left.rules.size() << " rules)\n";
    else
        std::cout << differences.size() << (differences.size() == 1 ? " difference" : " differences") << " in "
                  << comps.size() << (comps.size() == 1 ? " component type" : " component types") << '\n';
}

int Run(const Options& options)
{
    const auto type = CheckRuleType(options.type);
    if (!type)
        return kExitTrouble;
    if (options.files.size() != (options.defaults ? 1U : 2U))
        return Fail(options.defaults ? "--defaults compares one file with the installation's defaults, give one file"
                                     : "give two files to compare, or one with --defaults",
                    kExitTrouble);
    RouteMessagesToStderr();
    std::string error;
    if (!LoadTemplates(error))
        return Fail(error, kExitTrouble);
    // Both files are read before anything is compared; the library holds one document at a time.
    const LoadedRuleFile left(options.files[0], *type);
    if (const auto& problem = left.problem())
        return Fail(problem->message, kExitTrouble);
    std::optional<LoadedRuleFile> right;
    if (!options.defaults) {
        right.emplace(options.files[1], *type);
        if (const auto& problem = right->problem())
            return Fail(problem->message, kExitTrouble);
    }
    // The defaults are asked for only when wanted: a 100,000-rule library takes a while to copy.
    std::optional<RuleLibrary> library;
    if (!right)
        library.emplace(RuleLibrary::FromInstallation());
    const RuleDoc& rightDoc = right ? right->doc() : library->Defaults();
    const std::vector<Difference> differences = Diff(left.doc(), rightDoc);

    if (!options.json) {
        PrintText(left.doc(), rightDoc, differences);
        return differences.empty() ? kSame : kDifferent;
    }
    nlohmann::ordered_json root;
    root["left"] = left.doc().name;
    root["right"] = rightDoc.name;
    root["type"] = options.type;
    root["same"] = differences.empty();
    auto list = nlohmann::ordered_json::array();
    std::set<std::pair<int, int>> comps;
    for (const Difference& d : differences) {
        comps.insert({d.key.comp.nTypeId, d.key.comp.nSubTypeId});
        nlohmann::ordered_json entry;
        entry["typeId"] = d.key.comp.nTypeId;
        entry["subTypeId"] = d.key.comp.nSubTypeId;
        entry["comp"] = ComponentName(d.key.comp);
        entry["item"] = Narrow(d.key.item);
        entry["rule"] = Narrow(d.key.rule);
        entry["left"] = SideJson(d.key, d.left);
        entry["right"] = SideJson(d.key, d.right);
        list.push_back(std::move(entry));
    }
    root["differences"] = std::move(list);
    root["summary"] = {{"differences", differences.size()}, {"componentTypes", comps.size()}};
    std::cout << root.dump(2) << '\n';
    return differences.empty() ? kSame : kDifferent;
}

void Register(CLI::App& app, Context& ctx)
{
    static Options options;
    CLI::App* cmd = app.add_subcommand(
        "diff",
        "Compare the rules of two rule files, or of one file and the installation's defaults, each loaded\n"
        "as the host loads it (the files are not written). Lists per component type and calculation item\n"
        "the rules whose values differ, each value with its display text, and the rules present on one\n"
        "side only. A rule given twice is held against the other side's second record of it.\n"
        "Exit codes: 0 the same, 1 different, 2 trouble (a file that cannot be loaded, bad usage).\n\n"
        "Examples:\n"
        "  kxrule diff projA/QDRule.xml projB/QDRule.xml --type 0\n"
        "  kxrule diff proj/DERule.xml --defaults --type 1 --json");
    cmd->add_option("FILE", options.files, "Two rule files, or one with --defaults")->required();
    cmd->add_option("--type", options.type, "Rule type: 0 bill of quantities, 1 quota, 2 other")->required();
    cmd->add_flag("--defaults", options.defaults, "Compare the file with the installation's default rules");
    cmd->add_flag("--json", options.json,
                  "Print JSON: {left,right,type,same,differences:[{typeId,subTypeId,comp,item,rule,"
                  "left:{value,text}|null,right:{value,text}|null}],summary:{differences,componentTypes}}");
    cmd->callback([&ctx] {
        ctx.ApplyDirs();
        ctx.exitCode = Guarded([] { return Run(options); }, kExitTrouble);
    });
}

const bool registered = RegisterCommand(35, &Register);

} // namespace

} // namespace kxrule
