// Rule sets written as JSON, read back, and applied to a loaded rule document.
#include <kxhost/HostServices.h>

#include "ruleset/RuleSet.h"

namespace kxrule::ruleset {

namespace {

using json = nlohmann::ordered_json;

std::string CompKeyText(const SCompGroupType& comp)
{
    const std::string name = ComponentName(comp);
    return (name.empty() ? "component type" : name) + " (" + KeyText(comp) + ")";
}

// "name (12)" or "name (12:3)" -> the ids.
std::optional<SCompGroupType> ParseCompKeyText(const std::string& text)
{
    const std::size_t open = text.rfind('(');
    if (open == std::string::npos || text.empty() || text.back() != ')')
        return std::nullopt;
    const auto key = ParseCompKey(text.substr(open + 1, text.size() - open - 2));
    if (!key || key->nTypeId == -1)
        return std::nullopt;
    return key;
}

struct ShapeError {
    std::string where, what;
};

const json& Member(const json& object, const char* name, json::value_t type, const char* shape)
{
    const auto it = object.find(name);
    if (it == object.end() || it->type() != type)
        throw ShapeError{"/" + std::string(name), std::string("expected ") + shape};
    return *it;
}

} // namespace

json ToJson(const RuleDoc& doc, int type)
{
    json root;
    root["version"] = Narrow(CISysdata::GetVersion());
    root["type"] = type;
    json rules = json::object();
    for (const Rule& rule : doc.rules) {
        json& item = rules[CompKeyText(rule.key.comp)][Narrow(rule.key.item)];
        const std::string name = Narrow(rule.key.rule);
        if (!item.contains(name))
            item[name] = Narrow(rule.value);
    }
    root["rules"] = std::move(rules);
    return root;
}

bool ReadStandard(const std::string& text, Standard& standard, std::string& error)
{
    standard = {};
    try {
        const json root = json::parse(text);
        if (!root.is_object())
            throw ShapeError{"", "expected an object with version, type and rules"};
        standard.version = Member(root, "version", json::value_t::string, "a string").get<std::string>();
        const json& type = root.find("type") != root.end() ? root["type"] : json();
        if (!type.is_number_integer())
            throw ShapeError{"/type", "expected a rule type 0, 1 or 2"};
        standard.type = type.get<int>();
        for (const auto& [comp, items] : Member(root, "rules", json::value_t::object, "an object").items()) {
            const std::string at = "/rules/" + comp;
            const auto key = ParseCompKeyText(comp);
            if (!key)
                throw ShapeError{at, "expected a component as \"name (TYPE)\" or \"name (TYPE:SUB)\""};
            if (!items.is_object())
                throw ShapeError{at, "expected an object of calculation items"};
            for (const auto& [item, rules] : items.items()) {
                if (!rules.is_object())
                    throw ShapeError{at + "/" + item, "expected an object of rules"};
                for (const auto& [rule, value] : rules.items()) {
                    if (!value.is_string())
                        throw ShapeError{at + "/" + item + "/" + rule, "expected a string"};
                    standard.rules.push_back({{*key, Wide(item), Wide(rule)}, Wide(value.get<std::string>())});
                    standard.where.push_back(at + "/" + item + "/" + rule);
                }
            }
        }
    } catch (const json::exception& e) {
        std::string what = e.what();
        if (const auto end = what.find("] "); what.rfind("[json.exception", 0) == 0 && end != std::string::npos)
            what.erase(0, end + 2);
        error = "not valid JSON: " + what;
        return false;
    } catch (const ShapeError& e) {
        error = "at " + (e.where.empty() ? std::string("/") : e.where) + ": " + e.what;
        return false;
    }
    return true;
}

std::vector<std::string> Refusals(const Standard& standard, const RuleLibrary& library)
{
    std::vector<std::string> why(standard.rules.size());
    const RuleDoc doc{"standard", standard.rules};
    const RuleIndex index(doc.rules);
    for (const Finding& f : Check(doc, library)) {
        const std::size_t pos = index.First(f.key);
        if (pos == RuleIndex::npos || !why[pos].empty())
            continue;
        if (f.problem == Problem::UnknownRule)
            why[pos] = "the rule library has no such rule";
        else if (f.problem == Problem::NotAnOption)
            why[pos] = "\"" + Narrow(f.value) + "\" is not an option's index of this rule";
        else if (f.problem == Problem::UnknownCode)
            why[pos] = "code " + Narrow(f.code) + " is not among the rule's options";
    }
    return why;
}

Applied Apply(const Standard& standard, const std::vector<std::string>& refusals, const LoadedRuleFile& loaded,
              KxSysRule::RuleType type)
{
    Applied applied;
    const std::vector<Rule>& rules = loaded.doc().rules;
    const RuleIndex index(rules);
    for (std::size_t i = 0; i < standard.rules.size(); ++i) {
        const Rule& rule = standard.rules[i];
        if (!refusals[i].empty()) {
            applied.refused.push_back({i, refusals[i]});
            continue;
        }
        std::size_t pos = index.First(rule.key);
        if (pos == RuleIndex::npos) {
            applied.refused.push_back({i, "the file has no such rule"});
            continue;
        }
        // Every record of the rule takes the value; the first that differs is the one reported.
        while (pos != RuleIndex::npos && rules[pos].value == rule.value)
            pos = index.Next(pos);
        if (pos == RuleIndex::npos) {
            ++applied.unchanged;
            continue;
        }
        sCalItemDir dir;
        dir.compType = rule.key.comp;
        dir.strCalItem = rule.key.item;
        dir.strRuleName = rule.key.rule;
        dir.eRuleType = type;
        CFaceCurRule::SetCurItemRules(dir, CStringArray{rule.key.rule, rule.value});
        applied.changed.push_back({rule.key, rules[pos].value, rule.value});
    }
    return applied;
}

} // namespace kxrule::ruleset
