// The road from UserSetRules to the written-back list: which pairs get pages, the caption, OK and
// Cancel.
#include <map>

#include <QPlainTextEdit>
#include <QTest>

#include "ruledlg/CDJListBox.h"
#include "ruledlg/CPageSingleSelect.h"
#include "SheetTestSupport.h"

using namespace kxtest;
using namespace kx::ruledlg;
using NS_KXComponentType::SCompGroupType;

namespace {

// Add, remove, insert, move up, move down on a multi-select page.
std::string Buttons(CUserSetRuleSheet& sheet, int page)
{
    std::string enabled;
    for (int id : {IDC_ADD, IDC_REMOVE, IDC_INSERT, IDC_MOVEUP, IDC_MOVEDOWN})
        enabled += PageCtrl(sheet, page, id)->isEnabled() ? '1' : '0';
    return enabled;
}

// The names, looked up from the sheet or from a page, that more than one widget answers to: two
// controls of a page, a page or a control of the sheet's own and a control of any page. Only pages
// of one kind share their controls' names; Qt names its own helpers "qt_...".
std::string RepeatedNames(CUserSetRuleSheet& sheet)
{
    std::map<const QWidget*, QStringList> names; // by page; the sheet's own under nullptr
    for (const QWidget* w : sheet.findChildren<QWidget*>()) {
        const QWidget* page = w->parentWidget();
        while (page != nullptr && qobject_cast<const CPageBase*>(page) == nullptr)
            page = page->parentWidget();
        if (!w->objectName().isEmpty() && !w->objectName().startsWith(Q("qt_")))
            names[page] << w->objectName();
    }
    QStringList repeated;
    for (const auto& [page, pageNames] : names) {
        const QStringList scope = names.at(nullptr) + (page != nullptr ? pageNames : QStringList{});
        for (qsizetype i = 0; i < scope.size(); ++i) {
            if (scope.indexOf(scope[i]) != i && !repeated.contains(scope[i]))
                repeated << scope[i];
        }
    }
    return repeated.join(' ').toStdString();
}

TEST_F(SheetTest, OnlyRulesWithAUsableDefinitionGetAPageAndOkWritesTheirValues)
{
    CStringArray rules{L"扣减项目", L"1,3", L"未知", L"x", L"计算方式", L"0", L"附加说明", L"0", L"空选项", L"0"};
    EXPECT_TRUE(RunSheet(kBeam, L"体积", rules, KxSysRule::Rule_QingDan, {
        [](CUserSetRuleSheet& sheet) {
            EXPECT_EQ(TabTitles(sheet), (QStringList{Q("扣减项目"), Q("计算方式")}));
            EXPECT_EQ(RepeatedNames(sheet), "");
            EXPECT_EQ(sheet.findChild<QWidget*>(Q("page3010")), sheet.GetPages().at(0).get());
            EXPECT_EQ(sheet.findChild<QWidget*>(Q("page3009")), sheet.GetPages().at(1).get());
            EXPECT_EQ(sheet.windowTitle(), Q("清单库\\主体结构\\框架梁\\体积"));
            EXPECT_EQ(Buttons(sheet, 0), "00000");
            EXPECT_EQ(Multi(sheet, 0).ChosenList()->GetText(0), L"梁头");
            Multi(sheet, 0).ChosenList()->SetCurSel(1);
        },
        // The idle pass after the selection has enabled the buttons: move 孔洞 (3) above 梁头 (1),
        // then choose the third method on the second page.
        [](CUserSetRuleSheet& sheet) {
            EXPECT_EQ(Buttons(sheet, 0), "01110");
            QTest::mouseClick(PageCtrl<QPushButton>(sheet, 0, IDC_MOVEUP), Qt::LeftButton);
            sheet.GetTabControl()->setCurrentIndex(1);
            QTest::mouseClick(Radio(sheet, 1, 1043), Qt::LeftButton);
            ClickOk(sheet);
        },
    }));
    EXPECT_EQ(rules, (CStringArray{L"扣减项目", L"3,1", L"未知", L"x", L"计算方式", L"2", L"附加说明", L"0", L"空选项", L"0"}));
}

TEST_F(SheetTest, PagesShowTheDefinitionsOptionsAndDescriptions)
{
    CStringArray rules{L"计算方式", L"1", L"增加项目", L"23", L"模板类别", L"1"};
    SheetDriver driver({[](CUserSetRuleSheet& sheet) {
        ASSERT_NE(dynamic_cast<CPageSingleSelect*>(sheet.GetPages().at(0).get()), nullptr);
        EXPECT_EQ(Radio(sheet, 0, 1041)->text(), Q("按设计图示尺寸(&0)"));
        EXPECT_EQ(Radio(sheet, 0, 1043)->text(), Q("按外皮尺寸(&2)"));
        EXPECT_TRUE(Radio(sheet, 0, 1042)->isChecked());
        EXPECT_EQ(PageCtrl<QPlainTextEdit>(sheet, 0, IDC_DESC)->document()->blockCount(), 2);
        EXPECT_EQ(Multi(sheet, 1).AllList()->GetText(0), L"梁垫");
        EXPECT_EQ(Multi(sheet, 1).ChosenList()->GetText(0), L"牛腿");
        // A rule without a description section shows nothing on either side.
        EXPECT_EQ(Multi(sheet, 2).AllList()->GetCount() + Multi(sheet, 2).ChosenList()->GetCount(), 0);
        ClickOk(sheet);
    }});
    EXPECT_TRUE(CFaceSysRule::UserSetRules(kBeam, L"体积", L"ignored", rules, KxSysRule::Rule_QingDan));
    EXPECT_EQ(rules, (CStringArray{L"计算方式", L"1", L"增加项目", L"23", L"模板类别", L""}));
}

TEST_F(SheetTest, CancelLeavesEveryEntryAsItWas)
{
    const CStringArray before{L"扣减项目", L"1,3", L"计算方式", L"0", L"尾"};
    CStringArray rules = before;
    EXPECT_FALSE(RunSheet(kBeam, L"体积", rules, KxSysRule::Rule_QingDan, {[](CUserSetRuleSheet& sheet) {
        Multi(sheet, 0).AllList()->SetCurSel(0);
        Multi(sheet, 0).OnAdd();
        ASSERT_EQ(Multi(sheet, 0).ChosenList()->GetCount(), 3);
        sheet.GetTabControl()->setCurrentIndex(1);
        QTest::mouseClick(Radio(sheet, 1, 1042), Qt::LeftButton);
        ClickCancel(sheet);
    }}));
    EXPECT_EQ(rules, before);
}

TEST_F(SheetTest, TheSameRuleTwiceMakesTwoTabsAndTheLaterOneWins)
{
    CStringArray rules{L"计算方式", L"0", L"扣减项目", L"1", L"计算方式", L"0"};
    EXPECT_TRUE(RunSheet(kBeam, L"体积", rules, KxSysRule::Rule_QingDan, {[](CUserSetRuleSheet& sheet) {
        EXPECT_EQ(TabTitles(sheet), (QStringList{Q("计算方式"), Q("扣减项目"), Q("计算方式")}));
        QTest::mouseClick(Radio(sheet, 0, 1042), Qt::LeftButton);
        sheet.GetTabControl()->setCurrentIndex(2);
        QTest::mouseClick(Radio(sheet, 2, 1043), Qt::LeftButton);
        ClickOk(sheet);
    }}));
    EXPECT_EQ(rules, (CStringArray{L"计算方式", L"2", L"扣减项目", L"1", L"计算方式", L"0"}));
}

TEST_F(SheetTest, CaptionNamesLibraryGroupTypeSubTypeAndItem)
{
    const std::vector<std::tuple<SCompGroupType, const wchar_t*, KxSysRule::RuleType, const char*>> cases = {
        {{12, 3}, L"弧形模板", KxSysRule::Rule_DingE, "定额库\\主体结构\\框架梁\\弧形梁\\弧形模板"},
        {kBeam, L"体积", KxSysRule::Rule_Other, "主体结构\\框架梁\\体积"},
        {{12, 9}, L"体积", KxSysRule::Rule_QingDan, "清单库\\主体结构\\框架梁\\体积"}, // an unknown sub-type is left out
        {{99, -1}, L"体积", KxSysRule::Rule_QingDan, "清单库\\"}, // an unknown type leaves the prefix only
        {{99, -1}, L"体积", KxSysRule::Rule_Other, ""},
    };
    std::vector<SRuleItem> defs;
    ASSERT_TRUE(CSysDefRule::GetInstance()->FindSysRules(kBeam, L"体积", defs));
    for (const auto& [comp, item, type, expected] : cases) {
        CStringArray rules{L"计算方式", L"0"};
        QString caption = Q("(none)");
        SheetDriver driver({[&](CUserSetRuleSheet& sheet) {
            caption = sheet.windowTitle();
            ClickCancel(sheet);
        }});
        CSysDefRule::GetInstance()->RunRuleSheet(comp, item, defs, rules, type);
        EXPECT_EQ(caption.toStdString(), expected) << comp.nTypeId << "/" << comp.nSubTypeId << ", rule type " << type;
    }
}

TEST_F(SheetTest, RestoreButtonHiddenWithoutLibraryPrefixAndDisabledForASingleOption)
{
    // Rule type 2 has no library prefix: no restore on either kind of page.
    CStringArray rules{L"计算方式", L"0", L"扣减项目", L"1"};
    RunSheet(kBeam, L"体积", rules, KxSysRule::Rule_Other, {[](CUserSetRuleSheet& sheet) {
        for (int page = 0; page < 2; ++page) {
            sheet.GetTabControl()->setCurrentIndex(page);
            EXPECT_TRUE(PageCtrl(sheet, page, IDC_RESTORE)->isHidden()) << page;
        }
        ClickCancel(sheet);
    }});
    // One option under a library: shown but disabled.
    CStringArray single{L"计算方式", L"0"};
    RunSheet(kBeam, L"实体模板", single, KxSysRule::Rule_DingE, {[](CUserSetRuleSheet& sheet) {
        EXPECT_FALSE(PageCtrl(sheet, 0, IDC_RESTORE)->isHidden());
        EXPECT_FALSE(PageCtrl(sheet, 0, IDC_RESTORE)->isEnabled());
        ClickCancel(sheet);
    }});
}

TEST_F(SheetTest, ASheetWithoutPagesWritesNothing)
{
    CStringArray rules{L"未知", L"x", L"附加说明", L"0"};
    std::vector<SRuleItem> defs;
    ASSERT_TRUE(CSysDefRule::GetInstance()->FindSysRules(kBeam, L"体积", defs));
    SheetDriver driver({[](CUserSetRuleSheet& sheet) {
        EXPECT_EQ(sheet.GetTabControl()->count(), 0);
        ClickOk(sheet);
    }});
    EXPECT_TRUE(CSysDefRule::GetInstance()->RunRuleSheet(kBeam, L"体积", defs, rules, KxSysRule::Rule_QingDan));
    EXPECT_TRUE(driver.SheetSeen());
    EXPECT_EQ(rules, (CStringArray{L"未知", L"x", L"附加说明", L"0"}));
}

} // namespace
