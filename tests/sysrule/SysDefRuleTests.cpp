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

TEST_F(CalItemLoad, ItemsAreListedInTableWalkOrder)
{
    WriteRuleCode("[main]\nRuleItemNum=4\n[ITEM1]\nName=柱\nCODE=1\n[ITEM2]\nName=板\nCODE=2\n"
                  "[ITEM3]\nName=墙\nCODE=20\n[ITEM4]\nName=梁\nCODE=3\n");
    EXPECT_EQ(AllNames(), (CStringArray{L"梁", L"板", L"柱", L"墙"}));
    EXPECT_EQ(CFaceSysRule::GetCalItemCode(L"墙"), 20);
    EXPECT_EQ(CFaceSysRule::GetCalItemName(3), L"梁");
    EXPECT_EQ(CFaceSysRule::GetCalItemName(99), L"");
    // A failed lookup adds nothing.
    EXPECT_EQ(AllNames().size(), 4u);
}

TEST_F(CalItemLoad, MissingItemSectionReadsAsEmptyNameUnderMinusOne)
{
    WriteRuleCode("[main]\nRuleItemNum=3\n[ITEM1]\nName=柱\nCODE=5\n[ITEM3]\nName=墙\nCODE=40\n");
    // Bucket 0 holds 5 and then -1 (newest first), bucket 2 holds 40.
    EXPECT_EQ(AllNames(), (CStringArray{L"", L"柱", L"墙"}));
    EXPECT_EQ(CFaceSysRule::GetCalItemName(-1), L"");
    EXPECT_EQ(CFaceSysRule::GetCalItemCode(L"柱"), 5);
    EXPECT_EQ(CFaceSysRule::GetCalItemCode(L"墙"), 40);
}

TEST_F(CalItemLoad, ItemWithoutCodeGoesUnderMinusOneAndLaterItemsReplaceNames)
{
    WriteRuleCode("[main]\nRuleItemNum=5\n[ITEM1]\nName=甲\n[ITEM2]\nName=乙\nCODE=7\n[ITEM3]\nName=丙\n"
                  "[ITEM4]\nName=丁\nCODE=7\n[ITEM5]\nName=戊\nCODE=8\n");
    EXPECT_EQ(CFaceSysRule::GetCalItemName(-1), L"丙");
    EXPECT_EQ(CFaceSysRule::GetCalItemCode(L"丙"), -1);
    EXPECT_EQ(CFaceSysRule::GetCalItemName(7), L"丁");
    EXPECT_EQ(CFaceSysRule::GetCalItemCode(L"乙"), -1);
    // -1 was added first, so it walks last in bucket 0; 7 keeps the place of its first item.
    EXPECT_EQ(AllNames(), (CStringArray{L"戊", L"丁", L"丙"}));
}

TEST_F(CalItemLoad, NoCountNoFileOrCountBelowOneLeavesTheTableEmpty)
{
    for (const char* content : {"[main]\nRuleItemNum=0\n[ITEM1]\nName=柱\nCODE=1\n",
                                "[main]\nRuleItemNum=-2\n[ITEM1]\nName=柱\nCODE=1\n",
                                "[ITEM1]\nName=柱\nCODE=1\n", ""}) {
        CSysDefRule::ReleaseInstance();
        if (*content)
            WriteRuleCode(content);
        ASSERT_NE(CSysDefRule::GetInstance(), nullptr);
        EXPECT_TRUE(AllNames().empty()) << content;
        EXPECT_EQ(CFaceSysRule::GetCalItemCode(L"柱"), -1);
        EXPECT_EQ(CFaceSysRule::GetCalItemName(1), L"");
    }
}

TEST_F(CalItemLoad, RuleFolderMayBeSpelledInAnyCase)
{
    WriteBytes(SysDir() / "rule" / "RULECODE.INI", "[main]\nRuleItemNum=1\n[ITEM1]\nName=柱\nCODE=1\n");
    WriteBytes(SysDir() / "rule" / "ruledesc.ini", "[KouJ]\nTYPE1=扣柱\n");
    EXPECT_EQ(CFaceSysRule::GetCalItemName(1), L"柱");
    CStringArray descs;
    EXPECT_TRUE(Rules().GetRuleDescs(L"KouJ", {L"1"}, descs));
    EXPECT_EQ(descs, CStringArray{L"扣柱"});
}

TEST_F(CalItemLoad, NamesAreMatchedWholeAndCaseSensitive)
{
    WriteRuleCode("[main]\nRuleItemNum=2\n[ITEM1]\nName=Slab\nCODE=1\n[ITEM2]\nName=Slab\nCODE=2\n");
    EXPECT_EQ(CFaceSysRule::GetCalItemCode(L"Slab"), 2);
    EXPECT_EQ(CFaceSysRule::GetCalItemCode(L"slab"), -1);
    EXPECT_EQ(CFaceSysRule::GetCalItemCode(L"Slab "), -1);
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
    CSysDefRule* first = CSysDefRule::GetInstance();
    EXPECT_EQ(CSysDefRule::GetInstance(), first);
    EXPECT_EQ(first->GetRuleDir(), W(SysDir()) + L"\\rule");

    // Changes on disk are not seen by a loaded instance...
    WriteRuleCode("[main]\nRuleItemNum=1\n[ITEM1]\nName=墙\nCODE=1\n");
    EXPECT_EQ(CFaceSysRule::GetCalItemName(1), L"柱");
    // ... but by the next one.
    CSysDefRule::ReleaseInstance();
    EXPECT_EQ(CFaceSysRule::GetCalItemName(1), L"墙");
    CSysDefRule::ReleaseInstance();
    CSysDefRule::ReleaseInstance(); // a second release does nothing
}

TEST_F(RuleLibraryLifecycle, DefaultRecordsComeFromTheTemplatesOfTheSystemFolder)
{
    WriteTemplates("<Rules><Rule type=\"12\" item=\"体积\" name=\"扣减项目\" select=\"M\" value=\"1\"/></Rules>\n");
    std::vector<SRuleItem> out;
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

TEST_F(RuleLibraryLifecycle, NoTemplatesMeansNoDefaultRecords)
{
    WriteRuleCode("[main]\nRuleItemNum=1\n[ITEM1]\nName=柱\nCODE=1\n");
    std::vector<SRuleItem> out;
    EXPECT_FALSE(Rules().FindSysRules({12, -1}, L"柱", out));
    EXPECT_TRUE(out.empty());
    CString text = L"unchanged";
    EXPECT_FALSE(Rules().GetShowRuleText({12, -1}, L"柱", L"扣减项目", L"1", text));
    EXPECT_EQ(text, L"unchanged");
}

// ---- RuleDesc.ini ----------------------------------------------------------------------------

using RuleDescs = RuleLibraryTest;

TEST_F(RuleDescs, OneDescriptionPerCodeEmptyWhenMissing)
{
    WriteRuleDesc("[KouJ]\nTYPE3=扣柱\nTYPE03=零三\n[kouj]\nTYPE12=重复节不读\n");
    CStringArray descs{L"old"};
    EXPECT_TRUE(Rules().GetRuleDescs(L"KOUJ", {L"3", L"12", L"03", L"3"}, descs));
    EXPECT_EQ(descs, (CStringArray{L"扣柱", L"", L"零三", L"扣柱"}));

    EXPECT_TRUE(Rules().GetRuleDescs(L"ZenJ", {L"3", L"12"}, descs));
    EXPECT_EQ(descs, (CStringArray{L"", L""}));
    EXPECT_TRUE(Rules().GetRuleDescs(L"KouJ", {}, descs));
    EXPECT_TRUE(descs.empty());
}

TEST_F(RuleDescs, EmptySectionFailsWithAnEmptiedList)
{
    WriteRuleDesc("[]\nTYPE3=无名节\n");
    CStringArray descs{L"old"};
    EXPECT_FALSE(Rules().GetRuleDescs(L"", {L"3"}, descs));
    EXPECT_TRUE(descs.empty());
}

TEST_F(RuleDescs, MissingFileGivesEmptyDescriptions)
{
    CStringArray descs;
    EXPECT_TRUE(Rules().GetRuleDescs(L"KouJ", {L"3", L"12"}, descs));
    EXPECT_EQ(descs, (CStringArray{L"", L""}));
}

TEST_F(RuleDescs, ChangesOnDiskAreSeenByTheNextCall)
{
    WriteRuleDesc("[KouJ]\nTYPE3=A\n");
    CStringArray descs;
    Rules().GetRuleDescs(L"KouJ", {L"3"}, descs);
    EXPECT_EQ(descs, CStringArray{L"A"});
    const auto stamp = fs::last_write_time(RuleDir() / "RuleDesc.ini");
    WriteRuleDesc("[KouJ]\nTYPE3=B\n");
    fs::last_write_time(RuleDir() / "RuleDesc.ini", stamp + std::chrono::seconds(2));
    Rules().GetRuleDescs(L"KouJ", {L"3"}, descs);
    EXPECT_EQ(descs, CStringArray{L"B"});
}

// ---- Default records of an item ----------------------------------------------------------------

class SysRecords : public RuleLibraryTest {
protected:
    static std::string Rule(int type, int sub, const std::string& item, const std::string& name, const std::string& value)
    {
        return "<Rule type=\"" + std::to_string(type) + "\" sub=\"" + std::to_string(sub) + "\" item=\"" + item +
               "\" name=\"" + name + "\" select=\"S\" value=\"" + value + "\" options=\"a,b\"/>\n";
    }
};

TEST_F(SysRecords, RecordsOfOneItemInDeliveredOrderAppended)
{
    WriteTemplates("<Rules>\n" + Rule(12, -1, "体积", "甲", "0") + Rule(12, 3, "体积", "乙", "0") +
                   Rule(12, -1, "模板", "丙", "0") + Rule(12, -1, "体积", "丁", "1") + Rule(-1, -1, "体积", "戊", "0") +
                   "</Rules>\n");
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

TEST_F(SysRecords, IndexedLookupMatchesALinearWalk)
{
    std::string rules = "<Rules>\n";
    const char* items[] = {"体积", "模板", "钢筋"};
    for (int i = 0; i < 600; ++i)
        rules += Rule(10 + i % 7, i % 5 == 0 ? 2 : -1, items[i % 3], "规则" + std::to_string(i % 11), std::to_string(i));
    WriteTemplates(rules + "</Rules>\n");

    Rules(); // initialises the parser with this installation
    std::vector<SRuleItem> all;
    ASSERT_TRUE(GetTemplateParser()->GetSysRules(all));
    ASSERT_EQ(all.size(), 600u);
    for (int type = 9; type <= 17; ++type) {
        for (int sub : {-1, 2}) {
            for (const char* item : items) {
                std::vector<SRuleItem> expected;
                for (const SRuleItem& r : all) {
                    if (r.compType == SCompGroupType{type, sub} && r.strCalItem == W(std::string(item)))
                        expected.push_back(r);
                }
                std::vector<SRuleItem> got;
                EXPECT_EQ(Rules().FindSysRules({type, sub}, W(std::string(item)), got), !expected.empty());
                ASSERT_EQ(got.size(), expected.size());
                for (std::size_t k = 0; k < got.size(); ++k)
                    EXPECT_EQ(got[k].strValue, expected[k].strValue);
            }
        }
    }
}

TEST_F(SysRecords, RuleByNameTakesTheLastMatch)
{
    std::vector<SRuleItem> recs(3);
    recs[0].strRuleName = L"a";
    recs[0].strValue = L"1";
    recs[1].strRuleName = L"b";
    recs[2].strRuleName = L"a";
    recs[2].strValue = L"2";
    EXPECT_EQ(Rules().FindRuleByName(L"a", recs).strValue, L"2");
    const SRuleItem none = Rules().FindRuleByName(L"A", recs);
    EXPECT_TRUE(none.strRuleName.empty());
    EXPECT_EQ(none.compType.nTypeId, -1);
}

TEST_F(SysRecords, UserSetRulesNeedsAPairAndDefaults)
{
    WriteTemplates("<Rules>\n" + Rule(12, -1, "体积", "甲", "0") + "</Rules>\n");
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

TEST_F(SysDefRulesEntry, WithdrawnFormOnlyShowsItsMessage)
{
    std::vector<CString> shown;
    KxSysRule::SetMessageBoxHandler([&](const CString& text) { shown.push_back(text); });
    CStringArray rules{L"keep"};
    EXPECT_FALSE(CFaceSysRule::GetSysDefRules(W(SysDir()), rules));
    EXPECT_FALSE(CFaceSysRule::GetSysDefRules(L"", rules));
    EXPECT_EQ(rules, CStringArray{L"keep"});
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0], L"已取消接口CFaceSysRule::GetSysDefRules(CString strDir,CStringArray& strRules)");
    EXPECT_EQ(shown[1], shown[0]);
}

TEST_F(SysDefRulesEntry, NeitherFormLoadsTheRuleLibrary)
{
    KxSysRule::SetMessageBoxHandler([](const CString&) {});
    CStringArray rules;
    CFaceSysRule::GetSysDefRules(W(SysDir()), rules);
    CFaceSysRule::GetSysDefRules({12, -1}, L"", rules, KxSysRule::Rule_QingDan);
    // Written after both calls: only a library loaded later sees it.
    WriteRuleCode("[main]\nRuleItemNum=1\n[ITEM1]\nName=柱\nCODE=1\n");
    EXPECT_EQ(CFaceSysRule::GetCalItemName(1), L"柱");
}

} // namespace
