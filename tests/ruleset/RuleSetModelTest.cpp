// The rule-set module against plain models on generated installations: the diff pairs the n-th
// record of a key on one side with the n-th on the other, the check scans the library front to
// back for every record; neither model has an index. The generated files already carry what
// projects accumulate (stray codes, options beyond the list, duplicates, rules gone from the
// library, missing rules); random edits add more on the other side of a diff.
#include <algorithm>
#include <array>
#include <memory>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <tuple>

#include <gtest/gtest.h>
#include <libxml/HTMLparser.h>

#include <kxhost/HostServices.h>
#include <kxsysrule/CFaceCurRule.h>

#include "gen/Installation.h"
#include "ruleset/RuleSet.h"

namespace {

using namespace kxrule::ruleset;
using Key = std::tuple<int, int, CString, CString>;
using Values = std::map<Key, std::vector<CString>>;
using ModelDifference = std::tuple<Key, std::optional<CString>, std::optional<CString>>;
using ModelFinding = std::tuple<Problem, Key, CString, CString>;

Key KeyOf(const RuleKey& k) { return {k.comp.nTypeId, k.comp.nSubTypeId, k.item, k.rule}; }

Values ValuesOf(const RuleDoc& doc)
{
    Values values;
    for (const Rule& r : doc.rules)
        values[KeyOf(r.key)].push_back(r.value);
    return values;
}

std::multiset<ModelDifference> ModelDiff(const RuleDoc& left, const RuleDoc& right)
{
    Values l = ValuesOf(left), r = ValuesOf(right);
    for (const auto& entry : r)
        l[entry.first]; // every key of either side
    std::multiset<ModelDifference> out;
    for (const auto& [key, lv] : l) {
        const std::vector<CString>& rv = r[key];
        for (std::size_t i = 0; i < std::max(lv.size(), rv.size()); ++i) {
            const auto a = i < lv.size() ? std::optional(lv[i]) : std::nullopt;
            const auto b = i < rv.size() ? std::optional(rv[i]) : std::nullopt;
            if (a != b)
                out.insert({key, a, b});
        }
    }
    return out;
}

std::vector<CString> Split(const CString& text)
{
    std::vector<CString> pieces;
    for (std::size_t start = 0; start <= text.size();) {
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
    auto count = [](const std::vector<Rule>& rules, std::size_t end, const Key& key) {
        return static_cast<std::size_t>(
            std::count_if(rules.begin(), rules.begin() + end, [&](const Rule& r) { return KeyOf(r.key) == key; }));
    };
    const std::vector<Rule>& defaults = library.Defaults().rules;
    std::vector<ModelFinding> out;
    for (std::size_t i = 0; i < doc.rules.size(); ++i) {
        const Rule& rule = doc.rules[i];
        const Key key = KeyOf(rule.key);
        const auto record = std::find_if(records.begin(), records.end(), [&](const SRuleItem& r) {
            return KeyOf({r.compType, r.strCalItem, r.strRuleName}) == key;
        });
        if (record == records.end()) {
            out.push_back({Problem::UnknownRule, key, rule.value, {}});
            continue;
        }
        const std::size_t before = count(doc.rules, i, key);
        if (before > 0 && before >= count(defaults, defaults.size(), key))
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
            continue;
        }
        for (const CString& code : record->strSelectType == L"M" ? Split(rule.value) : std::vector<CString>{}) {
            const auto option = std::find(options.begin(), options.end(), code);
            if (option == options.end())
                out.push_back({Problem::UnknownCode, key, rule.value, code});
            else if (!library.IsDescribed(*library.Find(rule.key), option - options.begin()))
                out.push_back({Problem::NoDescription, key, rule.value, code});
        }
    }
    for (std::size_t i = 0; i < defaults.size(); ++i) {
        const Key key = KeyOf(defaults[i].key);
        if (count(defaults, i, key) >= count(doc.rules, doc.rules.size(), key))
            out.push_back({Problem::Missing, key, defaults[i].value, {}});
    }
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

class RuleSetModel : public ::testing::TestWithParam<std::uint64_t> {
protected:
    void SetUp() override
    {
        m_inst.Activate();
        std::string error;
        ASSERT_TRUE(kxrule::LoadTemplates(error)) << error;
        GetTemplateParser()->GetSysRules(m_records);
        m_library.emplace(RuleLibrary::FromInstallation());
    }

    void ExpectSameAsModels(const RuleDoc& left, const RuleDoc& right)
    {
        const std::vector<Difference> differences = Diff(left, right);
        std::multiset<ModelDifference> got;
        std::set<Key> groups; // each component type and item stands together
        for (std::size_t i = 0; i < differences.size(); ++i) {
            const RuleKey& key = differences[i].key;
            got.insert({KeyOf(key), differences[i].left, differences[i].right});
            const RuleKey& prev = differences[i > 0 ? i - 1 : 0].key;
            if (i == 0 || !(prev.comp == key.comp && prev.item == key.item)) {
                EXPECT_TRUE(groups.insert(KeyOf({key.comp, key.item, {}})).second) << "a group stands in two places";
            }
        }
        EXPECT_EQ(got, ModelDiff(left, right));
        std::vector<ModelFinding> findings;
        for (const Finding& f : Check(right, *m_library))
            findings.push_back({f.problem, KeyOf(f.key), f.value, f.code});
        EXPECT_EQ(findings, ModelCheck(right, m_records, *m_library));
    }

    const kxbench::Installation m_inst{500, GetParam()};
    std::vector<SRuleItem> m_records;
    std::optional<RuleLibrary> m_library;
};

TEST_P(RuleSetModel, DiffAndCheckAgreeWithPlainModels)
{
    std::mt19937 random(static_cast<unsigned>(GetParam()));
    std::vector<RuleDoc> loaded;
    for (const auto format : {kxbench::RuleFileFormat::Current, kxbench::RuleFileFormat::Older,
                              kxbench::RuleFileFormat::OldFormat}) {
        m_inst.RestoreRuleFile(format);
        const LoadedRuleFile file(m_inst.RuleFile(), kxbench::kRuleType);
        ASSERT_FALSE(file.problem()) << file.problem()->message;
        ASSERT_GT(file.doc().rules.size(), m_records.size() / 2);
        loaded.push_back(file.doc());
        ExpectSameAsModels(m_library->Defaults(), file.doc());
        ExpectSameAsModels(file.doc(), Edited(file.doc(), random));
    }
    ExpectSameAsModels(loaded[0], loaded[1]);
}

// After a fix, a file holds the defaults of every rule found and nothing else changed; a check
// finds again only what the defaults carry themselves.
TEST_P(RuleSetModel, FixLeavesTheDefaultsOfWhatItFound)
{
    m_inst.RestoreRuleFile(kxbench::RuleFileFormat::Current);
    const LoadedRuleFile before(m_inst.RuleFile(), kxbench::kRuleType);
    ASSERT_FALSE(before.problem());
    const std::vector<Finding> findings = Check(before.doc(), *m_library);
    std::vector<FixedRule> fixed;
    std::string error;
    ASSERT_TRUE(Fix(before, findings, *m_library, kxbench::kRuleType, m_inst.RuleFile(), fixed, error)) << error;

    const LoadedRuleFile after(m_inst.RuleFile(), kxbench::kRuleType);
    std::set<Key> found;
    for (const Finding& f : findings)
        found.insert(KeyOf(f.key));
    EXPECT_EQ(fixed.size(), found.size());
    Values values = ValuesOf(after.doc()), defaults = ValuesOf(m_library->Defaults());
    for (const Key& key : found)
        EXPECT_EQ(values[key], defaults[key]);
    for (const Difference& d : Diff(before.doc(), after.doc()))
        EXPECT_TRUE(found.count(KeyOf(d.key))) << "an unreported rule changed";
    for (const Finding& f : Check(after.doc(), *m_library)) {
        const auto& wanted = defaults[KeyOf(f.key)];
        EXPECT_NE(std::find(wanted.begin(), wanted.end(), f.value), wanted.end()) << ProblemName(f.problem);
    }
}

// The report read back by libxml2's HTML parser, as a browser would take it: its rows are the
// grid's, cell for cell, each merged cell spans exactly the rows the grid leaves blank, a row is
// marked when its value is not the default it is paired with, and nothing comes from elsewhere.
std::string Text(xmlNode* node, const char* attribute = nullptr)
{
    xmlChar* value = attribute ? xmlGetProp(node, BAD_CAST attribute) : xmlNodeGetContent(node);
    const std::string text = value ? reinterpret_cast<const char*>(value) : "";
    xmlFree(value);
    return text;
}

// The rows below `node` as the grid gives them, (text, column), and which rows are marked.
void ReadRows(xmlNode* node, std::vector<std::pair<std::string, int>>& cells, std::vector<bool>& marked,
              std::array<int, 3>& spanLeft)
{
    static const std::string kColumns[] = {"group", "type", "item", "rule", "value"};
    for (; node; node = node->next) {
        if (node->type != XML_ELEMENT_NODE || xmlStrcmp(node->name, BAD_CAST "tr") != 0 ||
            xmlStrcmp(node->parent->name, BAD_CAST "tbody") != 0) {
            ReadRows(node->children, cells, marked, spanLeft);
            continue;
        }
        for (xmlNode* td = xmlFirstElementChild(node); td; td = xmlNextElementSibling(td)) {
            const std::string cls = Text(td, "class");
            const auto column = std::find(kColumns, kColumns + 5, cls.substr(0, cls.find(' '))) - kColumns;
            ASSERT_LT(column, 5) << cls;
            xmlNode* text = xmlFirstElementChild(td);
            text = text && Text(text, "class") == "mark" ? xmlNextElementSibling(text) : text;
            cells.push_back({text ? Text(text) : "", static_cast<int>(column) + 1});
            if (column < 3) { // none under a merged cell, each where one ends
                EXPECT_EQ(spanLeft[column], 0) << "row " << marked.size();
                spanLeft[column] = std::max(1, std::atoi(Text(td, "rowspan").c_str()));
            }
        }
        for (int& left : spanLeft) {
            EXPECT_GT(left, 0) << "a blank cell merged with nothing, row " << marked.size();
            --left;
        }
        marked.push_back(Text(node, "class") == "changed");
    }
}

TEST_P(RuleSetModel, ReportIsTheGridWithTheChangesMarked)
{
    Values defaults = ValuesOf(m_library->Defaults());
    for (const auto format : {kxbench::RuleFileFormat::Current, kxbench::RuleFileFormat::OldFormat}) {
        m_inst.RestoreRuleFile(format);
        const LoadedRuleFile file(m_inst.RuleFile(), kxbench::kRuleType);
        ASSERT_FALSE(file.problem());
        const std::string html = ReportHtml(file.doc(), *m_library, {"<a&b>", "1", "2", "type 0", "now"});
        for (const char* outside : {"<script", "<link", "<img", "src=", "href=", "url("})
            EXPECT_EQ(html.find(outside), std::string::npos) << outside;
        EXPECT_NE(html.find("<dd>&lt;a&amp;b&gt;</dd>"), std::string::npos);
        const std::unique_ptr<xmlDoc, void (*)(xmlDocPtr)> page(
            htmlReadMemory(html.data(), static_cast<int>(html.size()), nullptr, "utf-8", HTML_PARSE_NONET),
            xmlFreeDoc);
        ASSERT_TRUE(page);
        std::vector<std::pair<std::string, int>> cells, expected;
        std::vector<bool> marked;
        std::array<int, 3> spanLeft{};
        ReadRows(xmlDocGetRootElement(page.get()), cells, marked, spanLeft);
        EXPECT_EQ(spanLeft, (std::array<int, 3>{})) << "a cell merged past the last row";

        // The grid of the document as a save leaves it: records below items the templates no
        // longer list are not kept, and the report leaves them out as well.
        const CString saved = kxrule::Wide((file.opened().copy().file().parent_path() / "saved.xml").string());
        ASSERT_TRUE(CFaceCurRule::SaveXMLData(saved, kxbench::kRuleType));
        ASSERT_TRUE(CFaceCurRule::InitXMLData(saved, kxbench::kRuleType));
        CStringArray grid, titles;
        int keyColumns = 0, valueColumns = 0;
        ASSERT_TRUE(CFaceCurRule::GetTableGridData(grid, titles, keyColumns, valueColumns, kxbench::kRuleType, {}, 0));
        std::map<Key, std::size_t> seen;
        std::size_t row = 0, changed = 0;
        for (std::size_t i = 2; i + 1 < grid.size(); i += 2) {
            std::string shown = kxrule::Narrow(grid[i]);
            shown.erase(shown.find_last_not_of(' ') + 1);
            const int column = std::stoi(kxrule::Narrow(grid[i + 1]));
            if (column == 5) {
                const Rule& rule = file.doc().rules.at(row);
                shown = shown.empty() ? kxrule::Narrow(rule.value) : shown; // no display text: the code
                const std::vector<CString>& wanted = defaults[KeyOf(rule.key)];
                const std::size_t nth = seen[KeyOf(rule.key)]++;
                const bool differs = nth >= wanted.size() || wanted[nth] != rule.value;
                changed += differs;
                EXPECT_EQ(marked.at(row++), differs) << "row " << row;
            }
            expected.push_back({shown, column});
        }
        EXPECT_EQ(cells, expected);
        EXPECT_EQ(row, marked.size());
        EXPECT_GT(changed, 0U);
        EXPECT_LT(changed, row);
    }
}

INSTANTIATE_TEST_SUITE_P(ruleset, RuleSetModel, ::testing::Values(1, 2, 3));

} // namespace
