// The rule library singleton: loading RuleCode.ini and the default records, its lifecycle, rule
// descriptions, the default records of an item, and the CFaceSysRule entry points for
// calculation items and the withdrawn GetSysDefRules form.
#include <chrono>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <kxsysrule/CFaceSysRule.h>

#include "sysrule/RuleLibraryFixture.h"

namespace {

using namespace kxtest;
using NS_KXComponentType::SCompGroupType;

CStringArray AllNames()
{
    CStringArray names;
    CFaceSysRule::GetAllCalItemNames(names);
    return names;
}

// ---- RuleCode.ini ----------------------------------------------------------------------------

using CalItemLoad = RuleLibraryTest;

// Names list in the table's walk order (see CalItemTableTests); lookups add nothing to the table.
TEST_F(CalItemLoad, ItemsLookupsAndWalkOrder)
{
    const std::string entry = "[ITEM1]\nName=柱\nCODE=1\n";
    const struct {
        const char* name;
        std::string ini; // empty: no file
        CStringArray names;
        std::vector<std::pair<int, const wchar_t*>> byCode;
        std::vector<std::pair<const wchar_t*, int>> byName;
    } rows[] = {
        {"walk order", "[main]\nRuleItemNum=4\n[ITEM1]\nName=柱\nCODE=1\n[ITEM2]\nName=板\nCODE=2\n"
                       "[ITEM3]\nName=墙\nCODE=20\n[ITEM4]\nName=梁\nCODE=3\n",
         {L"梁", L"板", L"柱", L"墙"}, {{3, L"梁"}, {99, L""}}, {{L"墙", 20}}},
        // Bucket 0 holds 5 and then -1 (newest first), bucket 2 holds 40.
        {"missing item section reads as empty name under -1",
         "[main]\nRuleItemNum=3\n[ITEM1]\nName=柱\nCODE=5\n[ITEM3]\nName=墙\nCODE=40\n",
         {L"", L"柱", L"墙"}, {{-1, L""}}, {{L"柱", 5}, {L"墙", 40}}},
        // -1 was added first, so it walks last in bucket 0; 7 keeps the place of its first item.
        {"no code goes under -1, later items replace names",
         "[main]\nRuleItemNum=5\n[ITEM1]\nName=甲\n[ITEM2]\nName=乙\nCODE=7\n[ITEM3]\nName=丙\n"
         "[ITEM4]\nName=丁\nCODE=7\n[ITEM5]\nName=戊\nCODE=8\n",
         {L"戊", L"丁", L"丙"}, {{-1, L"丙"}, {7, L"丁"}}, {{L"丙", -1}, {L"乙", -1}}},
        {"count 0", "[main]\nRuleItemNum=0\n" + entry, {}, {{1, L""}}, {{L"柱", -1}}},
        {"count below 0", "[main]\nRuleItemNum=-2\n" + entry, {}, {{1, L""}}, {{L"柱", -1}}},
        {"no count", entry, {}, {{1, L""}}, {{L"柱", -1}}},
        {"no file", "", {}, {{1, L""}}, {{L"柱", -1}}},
        {"whole, case-sensitive names; the first in walk order",
         "[main]\nRuleItemNum=2\n[ITEM1]\nName=Slab\nCODE=1\n[ITEM2]\nName=Slab\nCODE=2\n",
         {L"Slab", L"Slab"}, {}, {{L"Slab", 2}, {L"slab", -1}, {L"Slab ", -1}}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        CSysDefRule::ReleaseInstance();
        fs::remove(RuleDir() / "RuleCode.ini");
        if (!r.ini.empty())
            WriteRuleCode(r.ini);
        for (const auto& [code, name] : r.byCode)
            EXPECT_EQ(CFaceSysRule::GetCalItemName(code), name) << code;
        for (const auto& [name, code] : r.byName)
            EXPECT_EQ(CFaceSysRule::GetCalItemCode(name), code) << U8(name);
        EXPECT_EQ(AllNames(), r.names);
    }
    // The names of the last row, appended to the caller's list.
    CStringArray names{L"keep"};
    CFaceSysRule::GetAllCalItemNames(names);
    CFaceSysRule::GetAllCalItemNames(names);
    EXPECT_EQ(names, (CStringArray{L"keep", L"Slab", L"Slab", L"Slab", L"Slab"}));
}

// ---- Lifecycle -------------------------------------------------------------------------------

using RuleLibraryLifecycle = RuleLibraryTest;

TEST_F(RuleLibraryLifecycle, LoadedOnceUntilReleased)
{
    WriteRuleCode("[main]\nRuleItemNum=1\n[ITEM1]\nName=柱\nCODE=1\n");
    EXPECT_EQ(Rules().GetRuleDir(), W(SysDir()) + L"\\rule");
    // Changes on disk are not seen by a loaded instance, but by the next one.
    WriteRuleCode("[main]\nRuleItemNum=1\n[ITEM1]\nName=墙\nCODE=1\n");
    EXPECT_EQ(CFaceSysRule::GetCalItemName(1), L"柱");
    CSysDefRule::ReleaseInstance();
    EXPECT_EQ(CFaceSysRule::GetCalItemName(1), L"墙");
    CSysDefRule::ReleaseInstance();
    CSysDefRule::ReleaseInstance(); // a second release does nothing
}

TEST_F(RuleLibraryLifecycle, DefaultRecordsComeFromTheTemplatesOfTheSystemFolder)
{
    // No templates: no default records, no rule text.
    std::vector<SRuleItem> out;
    EXPECT_FALSE(Rules().FindSysRules({12, -1}, L"体积", out));
    CString text = L"unchanged";
    EXPECT_FALSE(Rules().GetShowRuleText({12, -1}, L"体积", L"扣减项目", L"1", text));
    EXPECT_EQ(text, L"unchanged");

    WriteTemplates("<Rules><Rule type=\"12\" item=\"体积\" name=\"扣减项目\" select=\"M\" value=\"1\"/></Rules>\n");
    CSysDefRule::ReleaseInstance();
    EXPECT_TRUE(Rules().FindSysRules({12, -1}, L"体积", out));

    // A new installation after a release: the parser is initialised with the new folder.
    TempDir other;
    WriteBytes(other / "sys" / "Template" / "Templates.xml",
               "<Templates><Rules><Rule type=\"13\" item=\"面积\" name=\"计算方式\" select=\"S\"/></Rules></Templates>");
    CSysDefRule::ReleaseInstance();
    KxHost::SetKXSysDir(W(other / "sys"));
    out.clear();
    EXPECT_FALSE(Rules().FindSysRules({12, -1}, L"体积", out));
    EXPECT_TRUE(Rules().FindSysRules({13, -1}, L"面积", out));
}

// ---- RuleDesc.ini ----------------------------------------------------------------------------

using RuleDescs = RuleLibraryTest;

TEST_F(RuleDescs, OneDescriptionPerCodeEmptyWhenMissingReadAfresh)
{
    CStringArray descs;
    EXPECT_TRUE(Rules().GetRuleDescs(L"KouJ", {L"3", L"12"}, descs)); // no file yet
    EXPECT_EQ(descs, (CStringArray{L"", L""}));

    WriteRuleDesc("[KouJ]\nTYPE3=扣柱\nTYPE03=零三\n[kouj]\nTYPE12=重复节不读\n[]\nTYPE3=无名节\n");
    EXPECT_TRUE(Rules().GetRuleDescs(L"KOUJ", {L"3", L"12", L"03", L"3"}, descs));
    EXPECT_EQ(descs, (CStringArray{L"扣柱", L"", L"零三", L"扣柱"}));
    EXPECT_TRUE(Rules().GetRuleDescs(L"ZenJ", {L"3"}, descs));
    EXPECT_EQ(descs, (CStringArray{L""}));
    EXPECT_TRUE(Rules().GetRuleDescs(L"KouJ", {}, descs));
    EXPECT_TRUE(descs.empty());
    // An empty section name fails with an emptied list, though the file has such a section.
    descs = {L"old"};
    EXPECT_FALSE(Rules().GetRuleDescs(L"", {L"3"}, descs));
    EXPECT_TRUE(descs.empty());

    // A change on disk is seen by the next call of the same instance.
    const auto stamp = fs::last_write_time(RuleDir() / "RuleDesc.ini");
    WriteRuleDesc("[KouJ]\nTYPE3=改\n");
    fs::last_write_time(RuleDir() / "RuleDesc.ini", stamp + std::chrono::seconds(2));
    EXPECT_TRUE(Rules().GetRuleDescs(L"KouJ", {L"3"}, descs));
    EXPECT_EQ(descs, CStringArray{L"改"});
}

// ---- Default records of an item ----------------------------------------------------------------

std::string SysRule(int type, int sub, const std::string& item, const std::string& name, const std::string& value)
{
    return "<Rule type=\"" + std::to_string(type) + "\" sub=\"" + std::to_string(sub) + "\" item=\"" + item +
           "\" name=\"" + name + "\" select=\"S\" value=\"" + value + "\" options=\"a,b\"/>\n";
}

using SysRecords = RuleLibraryTest;

TEST_F(SysRecords, RecordsOfOneItemInDeliveredOrderAppended)
{
    WriteTemplates("<Rules>\n" + SysRule(12, -1, "体积", "甲", "0") + SysRule(12, 3, "体积", "乙", "0") +
                   SysRule(12, -1, "模板", "丙", "0") + SysRule(12, -1, "体积", "丁", "1") +
                   SysRule(-1, -1, "体积", "戊", "0") + "</Rules>\n");
    std::vector<SRuleItem> out(1);
    ASSERT_TRUE(Rules().FindSysRules({12, -1}, L"体积", out));
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[1].strRuleName, L"甲");
    EXPECT_EQ(out[2].strRuleName, L"丁");
    EXPECT_EQ(out[2].strValue, L"1");
    EXPECT_EQ(out[2].strOptions, L"a,b");

    out.clear();
    EXPECT_TRUE(Rules().FindSysRules({12, 3}, L"体积", out));
    EXPECT_EQ(out.size(), 1u);
    // Records of type -1 exist, but a type of -1 is refused.
    out.clear();
    EXPECT_FALSE(Rules().FindSysRules({-1, -1}, L"体积", out));
    EXPECT_TRUE(out.empty());
    EXPECT_FALSE(Rules().FindSysRules({12, -1}, L"体积 ", out));
}

TEST_F(SysRecords, RuleByNameTakesTheLastMatch)
{
    std::vector<SRuleItem> recs(3);
    recs[0].strRuleName = recs[2].strRuleName = L"a";
    recs[1].strRuleName = L"b";
    recs[0].strValue = L"1";
    recs[2].strValue = L"2";
    EXPECT_EQ(Rules().FindRuleByName(L"a", recs).strValue, L"2");
    const SRuleItem none = Rules().FindRuleByName(L"A", recs);
    EXPECT_TRUE(none.strRuleName.empty());
    EXPECT_EQ(none.compType.nTypeId, -1);
}

TEST_F(SysRecords, UserSetRulesNeedsAPairAndDefaults)
{
    WriteTemplates("<Rules>\n" + SysRule(12, -1, "体积", "甲", "0") + "</Rules>\n");
    CStringArray rules{L"甲"};
    EXPECT_FALSE(CFaceSysRule::UserSetRules({12, -1}, L"体积", rules, KxSysRule::Rule_QingDan));
    EXPECT_EQ(rules, CStringArray{L"甲"});
    rules = {L"甲", L"1"};
    EXPECT_FALSE(CFaceSysRule::UserSetRules({12, -1}, L"模板", rules, KxSysRule::Rule_QingDan));
    EXPECT_FALSE(CFaceSysRule::UserSetRules({-1, -1}, L"体积", L"unused", rules, KxSysRule::Rule_DingE));
    EXPECT_EQ(rules, (CStringArray{L"甲", L"1"}));
}

// ---- GetSysDefRules ----------------------------------------------------------------------------

using SysDefRulesEntry = RuleLibraryTest;

// The withdrawn form only shows its message; neither form loads the rule library.
TEST_F(SysDefRulesEntry, WithdrawnFormOnlyShowsItsMessage)
{
    std::vector<CString> shown;
    KxSysRule::SetMessageBoxHandler([&](const CString& text) { shown.push_back(text); });
    CStringArray rules{L"keep"};
    EXPECT_FALSE(CFaceSysRule::GetSysDefRules(W(SysDir()), rules));
    EXPECT_FALSE(CFaceSysRule::GetSysDefRules(L"", rules));
    EXPECT_EQ(rules, CStringArray{L"keep"});
    EXPECT_EQ(shown, (std::vector<CString>(2, L"已取消接口CFaceSysRule::GetSysDefRules(CString strDir,CStringArray& strRules)")));

    CFaceSysRule::GetSysDefRules({12, -1}, L"", rules, KxSysRule::Rule_QingDan);
    // Written after the calls: only a library loaded later sees it.
    WriteRuleCode("[main]\nRuleItemNum=1\n[ITEM1]\nName=柱\nCODE=1\n");
    EXPECT_EQ(CFaceSysRule::GetCalItemName(1), L"柱");
}

} // namespace
