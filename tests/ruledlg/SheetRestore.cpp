// The restore-default button: the value comes from the project's current rule document, which
// may differ from the value the caller passed in.
#include <QRadioButton>
#include <QTest>

#include "ruledlg/CDJListBox.h"
#include "ruledlg/CPageMultiSelect.h"
#include "SheetTestSupport.h"

using namespace kxtest;
using namespace kx::ruledlg;

namespace {

void ClickRestore(CUserSetRuleSheet& sheet, int page)
{
    sheet.GetTabControl()->setCurrentIndex(page);
    QTest::mouseClick(PageCtrl<QPushButton>(sheet, page, IDC_RESTORE), Qt::LeftButton);
}

TEST_F(SheetTest, RestoreBringsBackTheProjectsValues)
{
    LoadProjectRules();
    // The project holds 扣减项目 4,2 / 增加项目 23 / 计算方式 2 for 框架梁 体积.
    CStringArray rules{L"扣减项目", L"1", L"增加项目", L"21", L"计算方式", L"0"};
    SheetDriver driver({[](CUserSetRuleSheet& sheet) {
        ClickRestore(sheet, 0);
        auto* deduct = dynamic_cast<CPageMultiSelect*>(sheet.GetPages().at(0).get());
        EXPECT_EQ(Entries(*deduct->ChosenList()), (CStringArray{L"柱", L"现浇板"}));
        EXPECT_EQ(Entries(*deduct->AllList()), (CStringArray{L"梁头", L"孔洞"}));

        ClickRestore(sheet, 1);
        auto* add = dynamic_cast<CPageMultiSelect*>(sheet.GetPages().at(1).get());
        EXPECT_EQ(Entries(*add->ChosenList()), (CStringArray{L"牛腿"}));
        EXPECT_EQ(Entries(*add->AllList()), (CStringArray{L"梁垫"}));

        ClickRestore(sheet, 2);
        EXPECT_TRUE(PageCtrl<QRadioButton>(sheet, 2, 1043)->isChecked());
        EXPECT_FALSE(PageCtrl<QRadioButton>(sheet, 2, 1041)->isChecked());
        ClickOk(sheet);
    }});
    EXPECT_TRUE(CFaceSysRule::UserSetRules(kBeam, L"体积", rules, KxSysRule::Rule_QingDan));
    EXPECT_EQ(rules, (CStringArray{L"扣减项目", L"4,2", L"增加项目", L"23", L"计算方式", L"2"}));
}

TEST_F(SheetTest, RestoreOfAnotherMultiSelectRuleEmptiesTheChosenList)
{
    LoadProjectRules();
    // 其他项目 is neither 增加项目 nor 扣减项目: its codes find no descriptions.
    CStringArray rules{L"其他项目", L"1"};
    SheetDriver driver({[](CUserSetRuleSheet& sheet) {
        auto* page = dynamic_cast<CPageMultiSelect*>(sheet.GetPages().at(0).get());
        EXPECT_EQ(Entries(*page->ChosenList()), (CStringArray{L"梁头"}));
        ClickRestore(sheet, 0);
        EXPECT_EQ(page->ChosenList()->GetCount(), 0);
        EXPECT_EQ(Entries(*page->AllList()), (CStringArray{L"梁头", L"现浇板"}));
        ClickOk(sheet);
    }});
    EXPECT_TRUE(CFaceSysRule::UserSetRules(kBeam, L"体积", rules, KxSysRule::Rule_QingDan));
    EXPECT_EQ(rules, (CStringArray{L"其他项目", L""}));
}

TEST_F(SheetTest, RestoreOfASubTypeReadsItsOwnRecords)
{
    LoadProjectRules();
    CStringArray rules{L"计算方式", L"0"};
    SheetDriver driver({[](CUserSetRuleSheet& sheet) {
        ClickRestore(sheet, 0);
        EXPECT_TRUE(PageCtrl<QRadioButton>(sheet, 0, 1042)->isChecked());
        ClickOk(sheet);
    }});
    EXPECT_TRUE(CFaceSysRule::UserSetRules({12, 3}, L"弧形模板", rules, KxSysRule::Rule_QingDan));
    EXPECT_EQ(rules[1], L"1");
}

TEST_F(SheetTest, RestoreWithoutAProjectRecordKeepsThePage)
{
    LoadProjectRules();
    // The project holds no 模板类别 rule, and the quota document was never loaded.
    CStringArray rules{L"模板类别", L"1", L"计算方式", L"1"};
    SheetDriver driver({[](CUserSetRuleSheet& sheet) {
        QTest::mouseClick(PageCtrl<QRadioButton>(sheet, 1, 1041), Qt::LeftButton);
        ClickRestore(sheet, 0);
        ClickRestore(sheet, 1);
        EXPECT_TRUE(PageCtrl<QRadioButton>(sheet, 1, 1041)->isChecked());
        ClickOk(sheet);
    }});
    EXPECT_TRUE(CFaceSysRule::UserSetRules(kBeam, L"体积", rules, KxSysRule::Rule_DingE));
    EXPECT_EQ(rules, (CStringArray{L"模板类别", L"", L"计算方式", L"0"}));
}

} // namespace
