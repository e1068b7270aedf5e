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
};

TEST_F(RuleText, ShownText)
{
    const struct {
        const char* rule;
        const char* value;
        const wchar_t* before;
        bool ok;
        const wchar_t* after;
        NS_KXComponentType::SCompGroupType comp = {12, -1};
        const char* item = "墙";
    } rows[] = {
        // Single choice: the label of the option; no leading digits read as 0, blanks and a sign count.
        {"扣减方式", "1", L"x", true, L"扣减"},
        {"扣减方式", "", L"x", true, L"不扣"},
        {"扣减方式", " +1xyz", L"x", true, L"扣减"},
        {"扣减方式", "1", L"x", true, L"子类", {12, 3}},
        {"扣减方式", "2", L"x", false, L"x"},
        {"扣减方式", "-1", L"x", false, L"x"},
        {"扣减方式", "99999999999", L"x", false, L"x"},
        {"无选项", "0", L"x", false, L"x"},
        {"重复", "1", L"x", true, L"先"}, // the first record of a name decides
        // Options without a leading code show whole.
        {"形式", "0", L"x", true, L"整体"},
        {"形式", "1", L"x", true, L"-5"},
        {"形式", "2", L"x", true, L"b-c"},
        {"形式", "3", L"x", true, L""},
        // List rules append numbered descriptions in the user's order; empty pieces are dropped.
        {"扣减项目", "3,7", L"", true, L"1、A 2、B "},
        {"扣减项目", "3,7", L"1、A 2、B ", true, L"1、A 2、B 1、A 2、B "},
        {"扣减项目", "9,,3", L"", true, L"1、扣柱 2、A "},
        {"扣减项目", "3,12", L"x", true, L"x1、A 2、 "}, // no description, still numbered
        {"扣减项目", "", L"x", true, L"x"},
        {"无节", "3", L"x", true, L"x"},
        // Other select types succeed without text.
        {"小写", "0", L"x", true, L"x"},
        {"无类型", "0", L"x", true, L"x"},
        // Unknown rule, item or type.
        {"只在工程中", "0", L"x", false, L"x"},
        {"扣减方式", "0", L"x", false, L"x", {12, -1}, "板"},
        {"扣减方式", "0", L"x", false, L"x", {13, -1}},
        {"扣减方式", "0", L"x", false, L"x", {-1, -1}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(std::string(r.rule) + " = " + r.value);
        CString text = r.before;
        EXPECT_EQ(Rules().GetShowRuleText(r.comp, W(r.item), W(r.rule), W(r.value), text), r.ok);
        EXPECT_EQ(text, r.after);
    }

    // Without RuleDesc.ini every code gets its number and an empty description.
    fs::remove(RuleDir() / "RuleDesc.ini");
    CString text;
    EXPECT_TRUE(Rules().GetShowRuleText({12, -1}, L"墙", L"扣减项目", L"3,7", text));
    EXPECT_EQ(text, L"1、 2、 ");
}

} // namespace
