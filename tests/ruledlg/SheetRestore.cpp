// The restore-default button: the value comes from the project's current rule document, which
// may differ from the value the caller passed in.
#include <QTest>

#include "SheetTestSupport.h"

using namespace kxtest;
using namespace kx::ruledlg;
using NS_KXComponentType::SCompGroupType;

namespace {

void ClickRestore(CUserSetRuleSheet& sheet, int page)
{
    sheet.GetTabControl()->setCurrentIndex(page);
    QTest::mouseClick(PageCtrl<QPushButton>(sheet, page, IDC_RESTORE), Qt::LeftButton);
}

bool Checked(CUserSetRuleSheet& sheet, int page, int radio) { return Radio(sheet, page, radio)->isChecked(); }

class RestoreTest : public SheetTest {
protected:
    void SetUp() override
    {
        SheetTest::SetUp();
        LoadProjectRules();
    }
    // Runs the sheet on `rules` with `step` and OK, and gives back what was written.
    static CStringArray Run(SCompGroupType comp, const wchar_t* item, CStringArray rules, KxSysRule::RuleType type,
                            SheetDriver::Step step)
    {
        EXPECT_TRUE(RunSheet(comp, item, rules, type, {[&](CUserSetRuleSheet& sheet) {
                                 step(sheet);
                                 ClickOk(sheet);
                             }}));
        return rules;
    }
};

TEST_F(RestoreTest, RestoreBringsBackTheProjectsValues)
{
    // The project holds 扣减项目 4,2 / 增加项目 23 / 计算方式 2 for 框架梁 体积.
    const auto rules = Run(kBeam, L"体积", {L"扣减项目", L"1", L"增加项目", L"21", L"计算方式", L"0"},
                           KxSysRule::Rule_QingDan, [](CUserSetRuleSheet& sheet) {
                               ClickRestore(sheet, 0);
                               EXPECT_EQ(Entries(*Multi(sheet, 0).ChosenList()), (CStringArray{L"柱", L"现浇板"}));
                               EXPECT_EQ(Entries(*Multi(sheet, 0).AllList()), (CStringArray{L"梁头", L"孔洞"}));
                               ClickRestore(sheet, 1);
                               EXPECT_EQ(Entries(*Multi(sheet, 1).ChosenList()), (CStringArray{L"牛腿"}));
                               EXPECT_EQ(Entries(*Multi(sheet, 1).AllList()), (CStringArray{L"梁垫"}));
                               ClickRestore(sheet, 2);
                               EXPECT_TRUE(Checked(sheet, 2, 1043));
                               EXPECT_FALSE(Checked(sheet, 2, 1041));
                           });
    EXPECT_EQ(rules, (CStringArray{L"扣减项目", L"4,2", L"增加项目", L"23", L"计算方式", L"2"}));
}

TEST_F(RestoreTest, RestoreOfAnotherMultiSelectRuleEmptiesTheChosenList)
{
    // 其他项目 is neither 增加项目 nor 扣减项目: its codes find no descriptions.
    const auto rules = Run(kBeam, L"体积", {L"其他项目", L"1"}, KxSysRule::Rule_QingDan, [](CUserSetRuleSheet& sheet) {
        EXPECT_EQ(Entries(*Multi(sheet, 0).ChosenList()), (CStringArray{L"梁头"}));
        ClickRestore(sheet, 0);
        EXPECT_EQ(Multi(sheet, 0).ChosenList()->GetCount(), 0);
        EXPECT_EQ(Entries(*Multi(sheet, 0).AllList()), (CStringArray{L"梁头", L"现浇板"}));
    });
    EXPECT_EQ(rules, (CStringArray{L"其他项目", L""}));
}

TEST_F(RestoreTest, RestoreReadsTheSubTypesOwnRecordsAndKeepsAPageWithoutOne)
{
    auto rules = Run({12, 3}, L"弧形模板", {L"计算方式", L"0"}, KxSysRule::Rule_QingDan, [](CUserSetRuleSheet& sheet) {
        ClickRestore(sheet, 0);
        EXPECT_TRUE(Checked(sheet, 0, 1042));
    });
    EXPECT_EQ(rules, (CStringArray{L"计算方式", L"1"}));

    // The project holds no 模板类别 rule, and the quota document was never loaded.
    rules = Run(kBeam, L"体积", {L"模板类别", L"1", L"计算方式", L"1"}, KxSysRule::Rule_DingE, [](CUserSetRuleSheet& sheet) {
        QTest::mouseClick(Radio(sheet, 1, 1041), Qt::LeftButton);
        ClickRestore(sheet, 0);
        ClickRestore(sheet, 1);
        EXPECT_TRUE(Checked(sheet, 1, 1041));
    });
    EXPECT_EQ(rules, (CStringArray{L"模板类别", L"", L"计算方式", L"0"}));
}

} // namespace
