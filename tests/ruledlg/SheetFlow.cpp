// The road from UserSetRules to the written-back list: which pairs get pages, the caption, OK,
// Cancel, and the cases that answer false without a sheet.
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTest>

#include "ruledlg/CDJListBox.h"
#include "ruledlg/CPageMultiSelect.h"
#include "ruledlg/CPageSingleSelect.h"
#include "SheetTestSupport.h"

using namespace kxtest;
using namespace kx::ruledlg;
using NS_KXComponentType::SCompGroupType;

namespace {

TEST_F(SheetTest, TooShortAListOrNoDefinitionsAnswerFalseWithoutASheet)
{
    struct Case {
        SCompGroupType comp;
        const wchar_t* item;
        CStringArray rules;
    };
    const Case cases[] = {
        {kBeam, L"体积", {L"扣减项目"}},
        {kBeam, L"体积", {}},
        {{61, -1}, L"体积", {L"扣减项目", L"1"}}, // a component without default rules
        {kBeam, L"钢筋", {L"扣减项目", L"1"}},    // an item without default rules
        {{-1, -1}, L"体积", {L"扣减项目", L"1"}},
    };
    for (const Case& c : cases) {
        CStringArray rules = c.rules;
        SheetDriver driver({});
        EXPECT_FALSE(CFaceSysRule::UserSetRules(c.comp, c.item, rules, KxSysRule::Rule_QingDan)) << U8(c.item);
        QCoreApplication::processEvents();
        EXPECT_FALSE(driver.SheetSeen()) << U8(c.item);
        EXPECT_EQ(rules, c.rules);
    }
}

TEST_F(SheetTest, OnlyRulesWithAUsableDefinitionGetAPageAndOkWritesTheirValues)
{
    CStringArray rules{L"扣减项目", L"1,3", L"未知", L"x", L"计算方式", L"0", L"附加说明", L"0", L"空选项", L"0"};
    SheetDriver driver({
        [](CUserSetRuleSheet& sheet) {
            EXPECT_EQ(TabTitles(sheet), (QStringList{Q("扣减项目"), Q("计算方式")}));
            EXPECT_EQ(sheet.windowTitle(), Q("清单库\\主体结构\\框架梁\\体积"));
            auto* chosen = PageCtrl<CDJListBox>(sheet, 0, IDC_LIST_CHOSEN);
            EXPECT_EQ(chosen->GetText(0), L"梁头");
            chosen->SetCurSel(1);
        },
        // The button is enabled by the idle pass after the selection: move 孔洞 (3) above 梁头 (1),
        // then choose the third method on the second page.
        [](CUserSetRuleSheet& sheet) {
            QTest::mouseClick(PageCtrl<QPushButton>(sheet, 0, IDC_MOVEUP), Qt::LeftButton);
            sheet.GetTabControl()->setCurrentIndex(1);
            QTest::mouseClick(PageCtrl<QRadioButton>(sheet, 1, 1043), Qt::LeftButton);
            ClickOk(sheet);
        },
    });
    EXPECT_TRUE(CFaceSysRule::UserSetRules(kBeam, L"体积", rules, KxSysRule::Rule_QingDan));
    EXPECT_TRUE(driver.SheetSeen());
    EXPECT_EQ(rules, (CStringArray{L"扣减项目", L"3,1", L"未知", L"x", L"计算方式", L"2", L"附加说明", L"0", L"空选项", L"0"}));
}

TEST_F(SheetTest, PagesShowTheDefinitionsOptionsAndDescriptions)
{
    CStringArray rules{L"计算方式", L"1", L"增加项目", L"23", L"模板类别", L"1"};
    SheetDriver driver({[](CUserSetRuleSheet& sheet) {
        auto* single = dynamic_cast<CPageSingleSelect*>(sheet.GetPages().at(0).get());
        ASSERT_NE(single, nullptr);
        EXPECT_EQ(PageCtrl<QRadioButton>(sheet, 0, 1041)->text(), Q("按设计图示尺寸(&0)"));
        EXPECT_EQ(PageCtrl<QRadioButton>(sheet, 0, 1043)->text(), Q("按外皮尺寸(&2)"));
        EXPECT_TRUE(PageCtrl<QRadioButton>(sheet, 0, 1042)->isChecked());
        EXPECT_EQ(PageCtrl<QPlainTextEdit>(sheet, 0, IDC_DESC)->document()->blockCount(), 2);

        auto* multi = dynamic_cast<CPageMultiSelect*>(sheet.GetPages().at(1).get());
        ASSERT_NE(multi, nullptr);
        EXPECT_EQ(multi->AllList()->GetText(0), L"梁垫");
        EXPECT_EQ(multi->ChosenList()->GetText(0), L"牛腿");

        // A rule without a description section shows nothing on either side.
        auto* bare = dynamic_cast<CPageMultiSelect*>(sheet.GetPages().at(2).get());
        ASSERT_NE(bare, nullptr);
        EXPECT_EQ(bare->AllList()->GetCount(), 0);
        EXPECT_EQ(bare->ChosenList()->GetCount(), 0);
        ClickOk(sheet);
    }});
    EXPECT_TRUE(CFaceSysRule::UserSetRules(kBeam, L"体积", L"ignored", rules, KxSysRule::Rule_QingDan));
    EXPECT_EQ(rules, (CStringArray{L"计算方式", L"1", L"增加项目", L"23", L"模板类别", L""}));
}

TEST_F(SheetTest, CancelLeavesEveryEntryAsItWas)
{
    const CStringArray before{L"扣减项目", L"1,3", L"计算方式", L"0", L"尾"};
    CStringArray rules = before;
    SheetDriver driver({[](CUserSetRuleSheet& sheet) {
        auto* page = dynamic_cast<CPageMultiSelect*>(sheet.GetPages().at(0).get());
        page->AllList()->SetCurSel(0);
        page->OnAdd();
        ASSERT_EQ(page->ChosenList()->GetCount(), 3);
        sheet.GetTabControl()->setCurrentIndex(1);
        QTest::mouseClick(PageCtrl<QRadioButton>(sheet, 1, 1042), Qt::LeftButton);
        ClickCancel(sheet);
    }});
    EXPECT_FALSE(CFaceSysRule::UserSetRules(kBeam, L"体积", rules, KxSysRule::Rule_QingDan));
    EXPECT_TRUE(driver.SheetSeen());
    EXPECT_EQ(rules, before);
}

TEST_F(SheetTest, TheSameRuleTwiceMakesTwoTabsAndTheLaterOneWins)
{
    CStringArray rules{L"计算方式", L"0", L"扣减项目", L"1", L"计算方式", L"0"};
    SheetDriver driver({[](CUserSetRuleSheet& sheet) {
        EXPECT_EQ(TabTitles(sheet), (QStringList{Q("计算方式"), Q("扣减项目"), Q("计算方式")}));
        QTest::mouseClick(PageCtrl<QRadioButton>(sheet, 0, 1042), Qt::LeftButton);
        sheet.GetTabControl()->setCurrentIndex(2);
        QTest::mouseClick(PageCtrl<QRadioButton>(sheet, 2, 1043), Qt::LeftButton);
        ClickOk(sheet);
    }});
    EXPECT_TRUE(CFaceSysRule::UserSetRules(kBeam, L"体积", rules, KxSysRule::Rule_QingDan));
    EXPECT_EQ(rules, (CStringArray{L"计算方式", L"2", L"扣减项目", L"1", L"计算方式", L"0"}));
}

TEST_F(SheetTest, CaptionNamesLibraryGroupTypeSubTypeAndItem)
{
    struct Case {
        SCompGroupType comp;
        const wchar_t* item;
        int type;
        const char* caption;
    };
    const Case cases[] = {
        {kBeam, L"体积", 0, "清单库\\主体结构\\框架梁\\体积"},
        {{12, 3}, L"弧形模板", 1, "定额库\\主体结构\\框架梁\\弧形梁\\弧形模板"},
        {kBeam, L"体积", 2, "主体结构\\框架梁\\体积"},
        {{12, 9}, L"体积", 0, "清单库\\主体结构\\框架梁\\体积"}, // an unknown sub-type is left out
        {{99, -1}, L"体积", 0, "清单库\\"},                      // an unknown type leaves the prefix only
        {{99, -1}, L"体积", 2, ""},
    };
    CSysDefRule* sysRule = CSysDefRule::GetInstance();
    std::vector<SRuleItem> defs;
    ASSERT_TRUE(sysRule->FindSysRules(kBeam, L"体积", defs));
    for (const Case& c : cases) {
        CStringArray rules{L"计算方式", L"0"};
        QString caption = Q("(none)");
        SheetDriver driver({[&](CUserSetRuleSheet& sheet) {
            caption = sheet.windowTitle();
            ClickCancel(sheet);
        }});
        sysRule->RunRuleSheet(c.comp, c.item, defs, rules, static_cast<KxSysRule::RuleType>(c.type));
        EXPECT_EQ(caption, Q(c.caption));
    }
}

TEST_F(SheetTest, RestoreButtonHiddenWithoutLibraryPrefixAndDisabledForASingleOption)
{
    // Rule type 2 has no library prefix: no restore on either kind of page.
    CStringArray rules{L"计算方式", L"0", L"扣减项目", L"1"};
    SheetDriver other({[](CUserSetRuleSheet& sheet) {
        for (int page = 0; page < 2; ++page) {
            sheet.GetTabControl()->setCurrentIndex(page);
            EXPECT_TRUE(PageCtrl(sheet, page, IDC_RESTORE)->isHidden()) << page;
        }
        ClickCancel(sheet);
    }});
    CFaceSysRule::UserSetRules(kBeam, L"体积", rules, KxSysRule::Rule_Other);
    EXPECT_TRUE(other.SheetSeen());

    // One option under a library: shown but disabled.
    CStringArray single{L"计算方式", L"0"};
    SheetDriver one({[](CUserSetRuleSheet& sheet) {
        QWidget* restore = PageCtrl(sheet, 0, IDC_RESTORE);
        EXPECT_FALSE(restore->isHidden());
        EXPECT_FALSE(restore->isEnabled());
        ClickCancel(sheet);
    }});
    CFaceSysRule::UserSetRules(kBeam, L"实体模板", single, KxSysRule::Rule_DingE);
    EXPECT_TRUE(one.SheetSeen());
}

TEST_F(SheetTest, TheIdlePassEnablesTheMultiSelectButtons)
{
    CStringArray rules{L"扣减项目", L"1,2,3"};
    SheetDriver driver({
        [](CUserSetRuleSheet& sheet) {
            for (int id : {IDC_ADD, IDC_REMOVE, IDC_INSERT, IDC_MOVEUP, IDC_MOVEDOWN})
                EXPECT_FALSE(PageCtrl(sheet, 0, id)->isEnabled()) << id;
            PageCtrl<CDJListBox>(sheet, 0, IDC_LIST_CHOSEN)->SetCurSel(2);
        },
        [](CUserSetRuleSheet& sheet) {
            EXPECT_FALSE(PageCtrl(sheet, 0, IDC_ADD)->isEnabled());
            EXPECT_TRUE(PageCtrl(sheet, 0, IDC_REMOVE)->isEnabled());
            EXPECT_TRUE(PageCtrl(sheet, 0, IDC_INSERT)->isEnabled());
            EXPECT_TRUE(PageCtrl(sheet, 0, IDC_MOVEUP)->isEnabled());
            EXPECT_FALSE(PageCtrl(sheet, 0, IDC_MOVEDOWN)->isEnabled());
            PageCtrl<CDJListBox>(sheet, 0, IDC_LIST_ALL)->SetCurSel(0);
        },
        [](CUserSetRuleSheet& sheet) {
            EXPECT_TRUE(PageCtrl(sheet, 0, IDC_ADD)->isEnabled());
            ClickOk(sheet);
        },
    });
    EXPECT_TRUE(CFaceSysRule::UserSetRules(kBeam, L"体积", rules, KxSysRule::Rule_QingDan));
    EXPECT_EQ(rules[1], L"1,2,3");
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
    EXPECT_EQ(rules, (CStringArray{L"未知", L"x", L"附加说明", L"0"}));
}

} // namespace
