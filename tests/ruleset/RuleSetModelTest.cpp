// The rule-set module against plain models on generated installations: the diff pairs the n-th
// record of a key on one side with the n-th on the other, the check scans the library front to
// back for every record; neither model has an index. The generated files already carry what
// projects accumulate (stray codes, options beyond the list, duplicates, rules gone from the
// library, missing rules); random edits add more on the other side of a diff.
#include <algorithm>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <tuple>

#include <gtest/gtest.h>

#include <kxhost/HostServices.h>

#include "gen/Installation.h"
#include "ruleset/RuleSet.h"

namespace {

using namespace kxrule::ruleset;
using Key = std::tuple<int, int, CString, CString>;
using ModelDifference = std::tuple<Key, std::optional<CString>, std::optional<CString>>;
using ModelFinding = std::tuple<Problem, Key, CString, CString>;

Key KeyOf(const RuleKey& k) { return {k.comp.nTypeId, k.comp.nSubTypeId, k.item, k.rule}; }
Key KeyOf(const SRuleItem& r) { return {r.compType.nTypeId, r.compType.nSubTypeId, r.strCalItem, r.strRuleName}; }

std::multiset<ModelDifference> ModelDiff(const RuleDoc& left, const RuleDoc& right)
{
    std::map<Key, std::pair<std::vector<CString>, std::vector<CString>>> values;
    for (const Rule& r : left.rules)
        values[KeyOf(r.key)].first.push_back(r.value);
    for (const Rule& r : right.rules)
        values[KeyOf(r.key)].second.push_back(r.value);
    std::multiset<ModelDifference> out;
    for (const auto& [key, sides] : values) {
        for (std::size_t i = 0; i < std::max(sides.first.size(), sides.second.size()); ++i) {
            const auto l = i < sides.first.size() ? std::optional(sides.first[i]) : std::nullopt;
            const auto r = i < sides.second.size() ? std::optional(sides.second[i]) : std::nullopt;
            if (l != r)
                out.insert({key, l, r});
        }
    }
    return out;
}

std::vector<CString> Split(const CString& text)
{
    std::vector<CString> pieces;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = std::min(text.find(L',', start), text.size());
        if (comma > start)
            pieces.push_back(text.substr(start, comma - start));
        start = comma + 1;
    }
    return pieces;
}

std::vector<ModelFinding> ModelCheck(const RuleDoc& doc, const std::vector<SRuleItem>& records,
                                     const RuleLibrary& library)
{
    std::vector<ModelFinding> out;
    auto count = [](const auto& list, std::size_t end, const Key& key) {
        return static_cast<std::size_t>(
            std::count_if(list.begin(), list.begin() + end, [&](const auto& r) { return KeyOf(r.key) == key; }));
    };
    std::vector<Rule> libraryRules;
    for (const SRuleItem& r : records)
        libraryRules.push_back({{r.compType, r.strCalItem, r.strRuleName}, r.strValue});
    for (std::size_t i = 0; i < doc.rules.size(); ++i) {
        const Rule& rule = doc.rules[i];
        const Key key = KeyOf(rule.key);
        const auto record = std::find_if(records.begin(), records.end(), [&](const auto& r) { return KeyOf(r) == key; });
        if (record == records.end()) {
            out.push_back({Problem::UnknownRule, key, rule.value, {}});
            continue;
        }
        const std::size_t before = count(doc.rules, i, key);
        if (before > 0 && before >= count(libraryRules, libraryRules.size(), key))
            out.push_back({Problem::Duplicate, key, rule.value, {}});
        const std::vector<CString> options = Split(record->strOptions);
        if (options.empty())
            continue;
        if (record->strSelectType == L"S") {
            bool valid = false;
            for (std::size_t o = 0; o < options.size(); ++o)
                valid = valid || rule.value == std::to_wstring(o);
            if (!valid)
                out.push_back({Problem::NotAnOption, key, rule.value, {}});
        } else if (record->strSelectType == L"M") {
            for (const CString& code : Split(rule.value)) {
                const auto option = std::find(options.begin(), options.end(), code);
                if (option == options.end())
                    out.push_back({Problem::UnknownCode, key, rule.value, code});
                else if (!library.IsDescribed(*library.Find(rule.key), static_cast<std::size_t>(option - options.begin())))
                    out.push_back({Problem::NoDescription, key, rule.value, code});
            }
        }
    }
    for (std::size_t i = 0; i < libraryRules.size(); ++i) {
        const Key key = KeyOf(libraryRules[i].key);
        if (count(libraryRules, i, key) >= count(doc.rules, doc.rules.size(), key))
            out.push_back({Problem::Missing, key, libraryRules[i].value, {}});
    }
    return out;
}

std::vector<ModelFinding> AsTuples(const std::vector<Finding>& findings)
{
    std::vector<ModelFinding> out;
    for (const Finding& f : findings)
        out.push_back({f.problem, KeyOf(f.key), f.value, f.code});
    return out;
}

// Random edits: records dropped, given twice, renamed out of the library, values a user might type.
RuleDoc Edited(const RuleDoc& doc, std::mt19937& random)
{
    static const CString kValues[] = {L"", L"0", L"1", L"2", L"3", L"01", L"-1", L"1,2", L"2,1", L"43,7",
                                      L"8,44", L"1,,2", L"101", L" 1", L"1x", L"99999999999"};
    RuleDoc out{"edited", {}};
    for (const Rule& rule : doc.rules) {
        Rule copy = rule;
        switch (random() % 10) {
        case 0: continue;
        case 1: out.rules.push_back(rule); break;
        case 2: copy.key.rule += L"旧"; break;
        case 3:
        case 4: copy.value = kValues[random() % std::size(kValues)]; break;
        default: break;
        }
        out.rules.push_back(copy);
    }
    return out;
}

void ExpectSameAsModels(const RuleDoc& left, const RuleDoc& right, const std::vector<SRuleItem>& records,
                        const RuleLibrary& library)
{
    const std::vector<Difference> differences = Diff(left, right);
    std::multiset<ModelDifference> got;
    std::set<Key> started; // each component type and item stands together
    for (std::size_t i = 0; i < differences.size(); ++i) {
        const Difference& d = differences[i];
        got.insert({KeyOf(d.key), d.left, d.right});
        const Key group{d.key.comp.nTypeId, d.key.comp.nSubTypeId, d.key.item, {}};
        const RuleKey& prev = differences[i > 0 ? i - 1 : 0].key;
        if (i == 0 || !(prev.comp == d.key.comp && prev.item == d.key.item)) {
            EXPECT_TRUE(started.insert(group).second) << "a group stands in two places";
        }
    }
    EXPECT_EQ(got, ModelDiff(left, right));
    EXPECT_EQ(AsTuples(Check(right, library)), ModelCheck(right, records, library));
}

class RuleSetModel : public ::testing::TestWithParam<std::uint64_t> {};

TEST_P(RuleSetModel, DiffAndCheckAgreeWithPlainModels)
{
    const kxbench::Installation inst(700, GetParam());
    inst.Activate();
    std::string error;
    ASSERT_TRUE(kxrule::LoadTemplates(error)) << error;
    std::vector<SRuleItem> records;
    GetTemplateParser()->GetSysRules(records);
    const RuleLibrary library = RuleLibrary::FromInstallation();
    std::mt19937 random(static_cast<unsigned>(GetParam()));
    std::vector<RuleDoc> loaded;
    for (const auto format : {kxbench::RuleFileFormat::Current, kxbench::RuleFileFormat::Older,
                              kxbench::RuleFileFormat::OldFormat}) {
        inst.RestoreRuleFile(format);
        const LoadedRuleFile file(inst.RuleFile(), kxbench::kRuleType);
        ASSERT_FALSE(file.problem()) << file.problem()->message;
        ASSERT_GT(file.doc().rules.size(), records.size() / 2);
        loaded.push_back(file.doc());
        ExpectSameAsModels(library.Defaults(), file.doc(), records, library);
        ExpectSameAsModels(file.doc(), Edited(file.doc(), random), records, library);
    }
    ExpectSameAsModels(loaded[0], loaded[1], records, library);
}

// After a fix, a file holds the defaults of every rule found and nothing else changed; a check
// finds again only what the defaults carry themselves.
TEST_P(RuleSetModel, FixLeavesTheDefaultsOfWhatItFound)
{
    const kxbench::Installation inst(300, GetParam());
    inst.Activate();
    std::string error;
    ASSERT_TRUE(kxrule::LoadTemplates(error)) << error;
    const RuleLibrary library = RuleLibrary::FromInstallation();
    inst.RestoreRuleFile(kxbench::RuleFileFormat::Current);
    const LoadedRuleFile before(inst.RuleFile(), kxbench::kRuleType);
    ASSERT_FALSE(before.problem());
    const std::vector<Finding> findings = Check(before.doc(), library);
    ASSERT_FALSE(findings.empty());
    std::vector<FixedRule> fixed;
    ASSERT_TRUE(Fix(before, findings, library, kxbench::kRuleType, inst.RuleFile(), fixed, error)) << error;

    const LoadedRuleFile after(inst.RuleFile(), kxbench::kRuleType);
    ASSERT_FALSE(after.problem());
    std::set<Key> found;
    for (const Finding& f : findings)
        found.insert(KeyOf(f.key));
    EXPECT_EQ(fixed.size(), found.size());
    std::map<Key, std::vector<CString>> values;
    for (const Rule& r : after.doc().rules)
        values[KeyOf(r.key)].push_back(r.value);
    std::map<Key, std::vector<CString>> defaults;
    for (const Rule& r : library.Defaults().rules)
        defaults[KeyOf(r.key)].push_back(r.value);
    for (const Key& key : found)
        EXPECT_EQ(values[key], defaults[key]);
    for (const Difference& d : Diff(before.doc(), after.doc()))
        EXPECT_TRUE(found.count(KeyOf(d.key))) << "an unreported rule changed";
    for (const Finding& f : Check(after.doc(), library)) {
        const auto& wanted = defaults[KeyOf(f.key)];
        EXPECT_NE(std::find(wanted.begin(), wanted.end(), f.value), wanted.end()) << ProblemName(f.problem);
    }
}

INSTANTIATE_TEST_SUITE_P(ruleset, RuleSetModel, ::testing::Values(1, 2, 3));

} // namespace
