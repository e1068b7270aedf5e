// Display text of rule values: option labels of single-choice rules and numbered descriptions of
// list rules, read from the default records and RuleDesc.ini.
#include <string>

#include <gtest/gtest.h>

#include "sysrule/RuleLibraryFixture.h"

namespace {

using namespace kxtest;

class RuleText : public RuleLibraryTest {
protected:
    void SetUp() override
    {
        RuleLibraryTest::SetUp();
        WriteTemplates(R"(<Rules>
  <Rule type="12" item="墙" name="扣减方式" select="S" options="0-不扣,1-扣减"/>
  <Rule type="12" item="墙" name="形式" select="S" options="整体,-5,a-b-c,2-"/>
  <Rule type="12" item="墙" name="无选项" select="S" options=",,"/>
  <Rule type="12" item="墙" name="扣减项目" select="M" ini="KouJ" options="3,7,9"/>
  <Rule type="12" item="墙" name="无节" select="M" options="3"/>
  <Rule type="12" item="墙" name="小写" select="s" options="0-a"/>
  <Rule type="12" item="墙" name="无类型" options="0-a"/>
  <Rule type="12" item="墙" name="重复" select="S" options="0-先,1-先"/>
  <Rule type="12" item="墙" name="重复" select="S" options="0-后,1-后"/>
  <Rule type="12" sub="3" item="墙" name="扣减方式" select="S" options="0-子,1-子类"/>
</Rules>
)");
        WriteRuleDesc("[KouJ]\nTYPE3=A\nTYPE7=B\nTYPE9=扣柱\n");
    }

    // The result and the text after a call that started with `text`.
    std::pair<bool, CString> Show(const std::string& rule, const std::string& value, CString text = L"before",
                                  NS_KXComponentType::SCompGroupType comp = {12, -1}, const std::string& item = "墙")
    {
        const bool ok = Rules().GetShowRuleText(comp, W(std::string(item)), W(std::string(rule)), W(std::string(value)), text);
        return {ok, text};
    }
};

TEST_F(RuleText, SingleChoiceShowsTheLabelOfTheChosenOption)
{
    EXPECT_EQ(Show("扣减方式", "1"), std::make_pair(true, CString(L"扣减")));
    EXPECT_EQ(Show("扣减方式", "0"), std::make_pair(true, CString(L"不扣")));
    // An empty value, or one without leading digits, reads as 0; leading blanks and a sign count.
    EXPECT_EQ(Show("扣减方式", ""), std::make_pair(true, CString(L"不扣")));
    EXPECT_EQ(Show("扣减方式", " +1xyz"), std::make_pair(true, CString(L"扣减")));
    EXPECT_EQ(Show("扣减方式", "1", L"before", {12, 3}), std::make_pair(true, CString(L"子类")));
}

TEST_F(RuleText, SingleChoiceOutOfRangeFailsAndKeepsTheText)
{
    for (const char* value : {"2", "-1", "99999999999"})
        EXPECT_EQ(Show("扣减方式", value), std::make_pair(false, CString(L"before"))) << value;
    EXPECT_EQ(Show("无选项", "0"), std::make_pair(false, CString(L"before")));
}

TEST_F(RuleText, OptionsWithoutALeadingCodeShowWhole)
{
    EXPECT_EQ(Show("形式", "0"), std::make_pair(true, CString(L"整体")));
    EXPECT_EQ(Show("形式", "1"), std::make_pair(true, CString(L"-5")));
    EXPECT_EQ(Show("形式", "2"), std::make_pair(true, CString(L"b-c")));
    EXPECT_EQ(Show("形式", "3"), std::make_pair(true, CString(L"")));
}

TEST_F(RuleText, ListRuleAppendsNumberedDescriptions)
{
    const auto first = Show("扣减项目", "3,7", L"");
    EXPECT_EQ(first, std::make_pair(true, CString(L"1、A 2、B ")));
    // The text is added to, never replaced.
    EXPECT_EQ(Show("扣减项目", "3,7", first.second), std::make_pair(true, CString(L"1、A 2、B 1、A 2、B ")));
    // The splitter drops the empty piece; codes keep the user's order.
    EXPECT_EQ(Show("扣减项目", "9,,3", L""), std::make_pair(true, CString(L"1、扣柱 2、A ")));
    // A code without a description still gets its number.
    EXPECT_EQ(Show("扣减项目", "3,12", L"x"), std::make_pair(true, CString(L"x1、A 2、 ")));
    EXPECT_EQ(Show("扣减项目", "", L"x"), std::make_pair(true, CString(L"x")));
    // No ini section: no descriptions at all.
    EXPECT_EQ(Show("无节", "3", L"x"), std::make_pair(true, CString(L"x")));
}

TEST_F(RuleText, ListRuleWithoutRuleDescFileGivesEmptyDescriptions)
{
    fs::remove(RuleDir() / "RuleDesc.ini");
    EXPECT_EQ(Show("扣减项目", "3,7", L""), std::make_pair(true, CString(L"1、 2、 ")));
}

TEST_F(RuleText, OtherSelectTypesSucceedWithoutText)
{
    EXPECT_EQ(Show("小写", "0"), std::make_pair(true, CString(L"before")));
    EXPECT_EQ(Show("无类型", "0"), std::make_pair(true, CString(L"before")));
}

TEST_F(RuleText, UnknownRuleOrItemFails)
{
    EXPECT_EQ(Show("只在工程中", "0"), std::make_pair(false, CString(L"before")));
    EXPECT_EQ(Show("扣减方式", "0", L"before", {12, -1}, "板"), std::make_pair(false, CString(L"before")));
    EXPECT_EQ(Show("扣减方式", "0", L"before", {13, -1}), std::make_pair(false, CString(L"before")));
    EXPECT_EQ(Show("扣减方式", "0", L"before", {-1, -1}), std::make_pair(false, CString(L"before")));
}

TEST_F(RuleText, FirstOfTwoRecordsOfTheSameNameDecides)
{
    EXPECT_EQ(Show("重复", "1"), std::make_pair(true, CString(L"先")));
}

} // namespace
