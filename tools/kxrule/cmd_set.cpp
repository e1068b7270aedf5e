// kxrule set: change rule values of one calculation item and save the rule file.
#include <algorithm>
#include <iostream>
#include <set>

#include <kxhost/HostServices.h>

#include "Command.h"
#include "RuleFileTools.h"
#include "common/StringUtil.h"

namespace kxrule {

namespace {

struct Options {
    std::string file;
    int type = 0;
    std::string comp;
    std::string item;
    std::vector<std::string> assignments;
    bool json = false;
    bool force = false;
};

struct Change {
    std::string rule, oldValue, newValue, text;
};

// What the rule library offers for one rule: option texts of a single-choice rule (stored as the
// option's index), codes of a list rule (stored joined by ','), both split as the library splits
// them. Nullopt when it offers nothing to choose from, as for a rule the dialog shows no page of.
struct Offer {
    bool list = false;
    CStringArray options;
};

std::optional<Offer> OfferOf(const std::vector<SRuleItem>& records, const sCalItemDir& dir)
{
    // The first record of the rule decides, as it does for the value's display text.
    const auto record = std::find_if(records.begin(), records.end(), [&](const SRuleItem& r) {
        return r.compType == dir.compType && r.strCalItem == dir.strCalItem && r.strRuleName == dir.strRuleName;
    });
    if (record == records.end() || (record->strSelectType != L"S" && record->strSelectType != L"M"))
        return std::nullopt;
    Offer offer;
    offer.list = record->strSelectType == L"M";
    SplitList(record->strOptions, offer.options, L',');
    if (offer.options.empty())
        return std::nullopt;
    return offer;
}

// Empty when the rule offers `value`; else why not, and what it offers.
std::string Refusal(const Offer& offer, const sCalItemDir& dir, const std::string& value)
{
    std::string allowed;
    if (!offer.list) {
        // The index as the dialog writes it: plain decimal digits.
        for (std::size_t i = 0; i < offer.options.size(); ++i) {
            if (value == std::to_string(i))
                return {};
        }
        for (std::size_t i = 0; i < offer.options.size(); ++i) {
            const std::string text = ShowText(dir.compType, dir.strCalItem, dir.strRuleName, Wide(std::to_string(i)));
            allowed += (i ? ", " : "") + std::to_string(i) + (text.empty() ? std::string() : " (" + text + ")");
        }
        return "not an option of this rule; allowed: " + allowed;
    }
    for (const CString& code : offer.options)
        allowed += (allowed.empty() ? "" : ", ") + Narrow(code);
    allowed = "codes among " + allowed + ", joined by ','";
    CStringArray codes;
    SplitList(Wide(value), codes, L',');
    for (std::size_t i = 0; i < codes.size(); ++i) {
        if (CStringDisposeTool::IsInAry(codes[i], offer.options) < 0)
            return "\"" + Narrow(codes[i]) + "\" is not a code of this rule; allowed: " + allowed;
        if (std::find(codes.begin(), codes.begin() + i, codes[i]) != codes.begin() + i)
            return "the code " + Narrow(codes[i]) + " is given twice; allowed: " + allowed;
    }
    return {};
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
    std::vector<Change> changes;
    std::set<std::string> seen;
    for (const std::string& text : options.assignments) {
        const std::size_t eq = text.find('=');
        if (eq == std::string::npos)
            return Fail("expected RULE=VALUE, got \"" + text + "\" (no '=')", kExitUsage);
        if (eq == 0)
            return Fail("expected RULE=VALUE, got \"" + text + "\" (no rule name before '=')", kExitUsage);
        Change change;
        change.rule = text.substr(0, eq);
        change.newValue = text.substr(eq + 1);
        if (!seen.insert(change.rule).second)
            return Fail("the rule \"" + change.rule + "\" is given twice", kExitUsage);
        changes.push_back(std::move(change));
    }
    const OpenedRuleFile opened(options.file, *type, "; nothing written");
    if (const auto& problem = opened.problem())
        return Fail(problem->message, problem->exitCode);

    const CString item = Wide(options.item);
    auto dirOf = [&](const std::string& rule) {
        sCalItemDir dir;
        dir.compType = *key;
        dir.strCalItem = item;
        dir.strRuleName = Wide(rule);
        dir.eRuleType = *type;
        return dir;
    };
    // Every rule must exist before anything changes.
    for (Change& change : changes) {
        CStringArray pairs;
        if (CFaceCurRule::GetCurItemRules(dirOf(change.rule), pairs)) {
            change.oldValue = Narrow(pairs[1]);
            continue;
        }
        std::string known;
        CFaceCurRule::GetCurItemRules(*key, pairs, item, *type);
        for (std::size_t i = 0; i < pairs.size(); i += 2)
            known += (known.empty() ? "" : ", ") + Narrow(pairs[i]);
        const std::string comp = ComponentName(*key);
        return Fail(options.file + ": " + (comp.empty() ? "component type" : comp) + " (" + KeyText(*key) +
                        ") item \"" + options.item + "\" has no rule \"" + change.rule + "\"" +
                        (known.empty() ? std::string(" (the item has no rules)") : "; its rules: " + known) +
                        "; nothing written");
    }
    // Every value must be one the rule offers, unless --force.
    std::vector<SRuleItem> records;
    GetTemplateParser()->GetSysRules(records);
    bool refused = false;
    for (const Change& change : changes) {
        const sCalItemDir dir = dirOf(change.rule);
        const auto offer = OfferOf(records, dir);
        const std::string why = offer ? Refusal(*offer, dir, change.newValue) : std::string();
        if (why.empty())
            continue;
        const std::string what = options.file + ": " + change.rule + "=" + change.newValue + ": " + why;
        if (options.force) {
            std::cerr << "kxrule: warning: " << what << "; stored anyway (--force)\n";
        } else {
            Fail(what + "; nothing written (--force stores it anyway)");
            refused = true;
        }
    }
    if (refused)
        return kExitFailed;
    // One rule at a time: in a single name/value list a value that equals a rule name would be
    // taken for that name.
    for (Change& change : changes) {
        CFaceCurRule::SetCurItemRules(dirOf(change.rule), CStringArray{Wide(change.rule), Wide(change.newValue)});
        change.text = ShowText(*key, item, Wide(change.rule), Wide(change.newValue));
    }
    if (!CFaceCurRule::SaveXMLData(Wide(options.file), *type))
        return Fail(SaveFailure(opened.copy(), options.file, *type) + "; it is unchanged");

    if (options.json) {
        nlohmann::ordered_json root;
        root["file"] = options.file;
        root["comp"] = {{"typeId", key->nTypeId}, {"subTypeId", key->nSubTypeId}, {"name", ComponentName(*key)}};
        root["item"] = options.item;
        auto list = nlohmann::ordered_json::array();
        for (const Change& c : changes)
            list.push_back({{"rule", c.rule},
                            {"old", c.oldValue},
                            {"new", c.newValue},
                            {"changed", c.oldValue != c.newValue},
                            {"text", c.text}});
        root["changes"] = std::move(list);
        std::cout << root.dump(2) << '\n';
        return kExitOk;
    }
    std::size_t width = 0;
    for (const Change& c : changes)
        width = std::max(width, DisplayWidth(c.rule));
    for (const Change& c : changes) {
        std::cout << PadRight(c.rule, width) << ": ";
        if (c.oldValue == c.newValue)
            std::cout << c.newValue << " (unchanged)";
        else
            std::cout << c.oldValue << " -> " << c.newValue;
        if (!c.text.empty() && c.text != c.newValue)
            std::cout << "    (" << c.text << ')';
        std::cout << '\n';
    }
    std::cout << "Saved " << options.file << '\n';
    return kExitOk;
}

void Register(CLI::App& app, Context& ctx)
{
    static Options options;
    CLI::App* cmd = app.add_subcommand(
        "set",
        "Set rule values of one calculation item and save the file (which is also brought up to the\n"
        "program's version). A value must be one the rule library offers: for a single-choice rule the\n"
        "index of an option (0, 1, ...), for a list rule codes among the rule's options joined by ','.\n"
        "Any other value is refused with the allowed ones, unless --force stores it with a warning. A\n"
        "rule the library offers no options for takes any value. Nothing is written unless every rule\n"
        "exists and every value is allowed.\n\n"
        "Example:\n"
        "  kxrule set proj/QDRule.xml --type 0 --comp 12 --item 实体模板 扣减项目=1,2,3 计算方式=1");
    cmd->add_option("FILE", options.file, "Rule file")->required();
    cmd->add_option("--type", options.type, "Rule type: 0 bill of quantities, 1 quota, 2 other")->required();
    cmd->add_option("--comp", options.comp, "Component type id, with an optional sub-type: 12 or 12:3")->required();
    cmd->add_option("--item", options.item, "Calculation item")->required();
    cmd->add_option("RULE=VALUE", options.assignments, "Rules to set")->required();
    cmd->add_flag("--force", options.force, "Store values the rule does not offer, with a warning on standard error");
    cmd->add_flag("--json", options.json, "Print JSON: {file,comp,item,changes:[{rule,old,new,changed,text}]}");
    cmd->callback([&ctx] {
        ctx.ApplyDirs();
        ctx.exitCode = Guarded([] { return Run(options); });
    });
}

const bool registered = RegisterCommand(30, &Register);

} // namespace

} // namespace kxrule
