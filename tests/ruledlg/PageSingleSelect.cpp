// CPageSingleSelect on its own: options, value, description, radio layout, OK and write-back.
#include <QFontMetrics>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "ruledlg/CPageSingleSelect.h"
#include "ruledlg/DialogTemplates.h"
#include "RuleDlgTest.h"

using namespace kxtest;
using kx::ruledlg::kRadioIds;

namespace {

std::unique_ptr<CPageSingleSelect> MakePage(const CStringArray& options, const CString& value, const CString& desc = {})
{
    auto page = std::make_unique<CPageSingleSelect>();
    page->SetOptions(options);
    page->SetRuleValue(value);
    page->SetDesc(desc);
    page->SetRuleName(L"计算方式");
    page->CreatePage();
    page->show();
    return page;
}

QRadioButton* Radio(const QWidget& page, int i) { return Ctrl<QRadioButton>(&page, kRadioIds[i]); }

TEST(SingleSelectOptions, SplitOptionTakesTheKeyBeforeTheFirstDash)
{
    struct Case {
        const wchar_t* option;
        const wchar_t* key;
        const wchar_t* label;
    };
    const Case cases[] = {
        {L"1-按体积", L"1", L"按体积"},
        {L"-扣", L"", L"扣"},
        {L"a-b-c", L"a", L"b-c"},
        {L"1--按面积", L"1", L"按面积"},
        {L"--x", L"", L"x"},
        {L"不分", L"", L"不分"},
        {L"2-", L"2", L""},
    };
    for (const Case& c : cases) {
        CString key = L"stale";
        CString label;
        CPageSingleSelect::SplitOption(c.option, key, label);
        EXPECT_EQ(key, c.key) << U8(c.option);
        EXPECT_EQ(label, c.label) << U8(c.option);
    }
}

TEST(SingleSelectOptions, RuleValueReadsLikeWtolAndDropsOutOfRange)
{
    CPageSingleSelect page;
    page.SetOptions({L"0-甲", L"1-乙", L"2-丙"});
    struct Case {
        const wchar_t* value;
        int sel;
    };
    const Case cases[] = {{L"1", 1}, {L" 2x", 2}, {L"", 0}, {L"abc", 0}, {L"3", -1}, {L"5", -1}, {L"-1", -1}};
    for (const Case& c : cases) {
        page.SetRuleValue(c.value);
        EXPECT_EQ(page.GetSel(), c.sel) << U8(c.value);
        EXPECT_EQ(page.GetValue(), c.value);
    }
}

TEST(SingleSelectPage, TwoOptionsShowTwoCaptionedRadiosWithTheValueSet)
{
    auto page = MakePage({L"0-不扣", L"1-扣减"}, L"1");
    EXPECT_EQ(Radio(*page, 0)->text(), Q("不扣(&0)"));
    EXPECT_EQ(Radio(*page, 1)->text(), Q("扣减(&1)"));
    EXPECT_TRUE(Radio(*page, 1)->isChecked());
    EXPECT_FALSE(Radio(*page, 0)->isChecked());
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(Radio(*page, i)->isVisible(), i < 2) << i;

    page->OnOK();
    CStringArray rules{L"计算方式", L"0"};
    EXPECT_TRUE(page->WriteResult(rules));
    EXPECT_EQ(rules[1], L"1");
}

TEST(SingleSelectPage, ClickingARadioChangesTheWrittenValue)
{
    auto page = MakePage({L"0-3.6米", L"1-3.9米", L"2-4.5米"}, L"0");
    QTest::mouseClick(Radio(*page, 2), Qt::LeftButton);
    EXPECT_TRUE(Radio(*page, 2)->isChecked());
    EXPECT_FALSE(Radio(*page, 0)->isChecked());
    page->OnOK();
    EXPECT_EQ(page->GetValue(), L"2");
}

TEST(SingleSelectPage, OutOfRangeOrNegativeValueSetsNoRadioAndWritesMinusOne)
{
    for (const wchar_t* value : {L"5", L"-2"}) {
        auto page = MakePage({L"0-甲", L"1-乙", L"2-丙"}, value);
        for (int i = 0; i < 8; ++i)
            EXPECT_FALSE(Radio(*page, i)->isChecked()) << i;
        page->OnOK();
        EXPECT_EQ(page->GetValue(), L"-1") << U8(value);
    }
    auto page = MakePage({L"0-甲", L"1-乙"}, L"");
    EXPECT_TRUE(Radio(*page, 0)->isChecked());
}

TEST(SingleSelectPage, OptionsWithoutKeysEndTheCaptionInAnEmptyMnemonic)
{
    auto page = MakePage({L"-扣", L"不扣"}, L"0");
    EXPECT_EQ(Radio(*page, 0)->text(), Q("扣(&)"));
    EXPECT_EQ(Radio(*page, 1)->text(), Q("不扣(&)"));
}

TEST(SingleSelectPage, MoreThanEightOptionsKeepTheTemplate)
{
    CStringArray options;
    for (int i = 0; i < 9; ++i)
        options.push_back(std::to_wstring(i) + L"-方式" + std::to_wstring(i));
    auto page = MakePage(options, L"0");
    EXPECT_EQ(Radio(*page, 0)->text(), Q("Radio1"));
    EXPECT_TRUE(Radio(*page, 0)->isVisible());
    for (int i = 1; i < 8; ++i)
        EXPECT_FALSE(Radio(*page, i)->isVisible()) << i;
}

TEST(SingleSelectPage, EightOptionsUseEveryRadioButSkip1046)
{
    CStringArray options;
    for (int i = 0; i < 8; ++i)
        options.push_back(std::to_wstring(i) + L"-方式");
    auto page = MakePage(options, L"7");
    EXPECT_EQ(Ctrl(page.get(), 1046), nullptr);
    EXPECT_TRUE(Ctrl<QRadioButton>(page.get(), 1049)->isChecked());
    EXPECT_EQ(Ctrl<QRadioButton>(page.get(), 1049)->text(), Q("方式(&7)"));
}

TEST(SingleSelectPage, WideCaptionsWrapAndPushTheRadiosBelowDown)
{
    const CString longLabel = L"按设计图示尺寸以体积计算，不扣除构件内钢筋、预埋铁件及墙、板中单个面积0.3平方米以内的孔洞所占体积，"
                              L"伸入墙内的梁头、梁垫并入梁体积内";
    auto page = MakePage({L"0-按接触面积", L"1-" + longLabel, L"2-按含模量"}, L"0");
    const kx::ruledlg::CDialogUnits units(page->font());
    // Each radio keeps its own template height when its caption fits.
    const QRect first = units.MapRect(9, 14, 243, 10);
    const QRect second = units.MapRect(9, 27, 243, 10);
    const QRect third = units.MapRect(9, 40, 243, 10);
    QRadioButton* r0 = Radio(*page, 0);
    QRadioButton* r1 = Radio(*page, 1);
    QRadioButton* r2 = Radio(*page, 2);

    EXPECT_EQ(r0->geometry(), first);
    const int captionWidth = QFontMetrics(page->font()).horizontalAdvance(r1->text());
    ASSERT_GT(captionWidth, second.width());
    EXPECT_EQ(r1->height(), second.height() * (captionWidth / second.width() + 1));
    EXPECT_GE(r1->height(), 2 * second.height());
    EXPECT_EQ(r1->y(), r0->y() + r0->height() + 5);
    EXPECT_EQ(r2->y(), r1->y() + r1->height() + 5);
    EXPECT_EQ(r2->height(), third.height());
    for (QRadioButton* r : {r0, r1, r2}) {
        EXPECT_EQ(r->x(), first.x());
        EXPECT_EQ(r->width(), first.width());
    }
}

TEST(SingleSelectPage, DescriptionBackslashNBreaksTheLine)
{
    auto page = MakePage({L"0-甲"}, L"0", L"a\\nb\\n");
    EXPECT_EQ(page->GetDesc(), L"a\r\nb\r\n");
    auto* edit = Ctrl<QPlainTextEdit>(page.get(), kx::ruledlg::IDC_DESC);
    EXPECT_EQ(edit->toPlainText(), Q("a\nb\n"));
    EXPECT_EQ(edit->document()->blockCount(), 3);
    EXPECT_TRUE(edit->isReadOnly());
}

TEST(SingleSelectPage, StandaloneRestoreButtonStaysAndRestoreDoesNothing)
{
    auto page = MakePage({L"0-甲"}, L"0");
    auto* restore = Ctrl<QPushButton>(page.get(), kx::ruledlg::IDC_RESTORE);
    EXPECT_TRUE(restore->isVisible());
    EXPECT_TRUE(restore->isEnabled());
    EXPECT_EQ(page->OnRestoreDefault(), 0);
}

TEST(SingleSelectWriteResult, WritesAfterTheFirstOccurrenceOnly)
{
    CPageSingleSelect page;
    page.SetOptions({L"0-甲", L"1-乙"});
    page.SetRuleValue(L"1");
    page.SetRuleName(L"计算方式");
    page.OnOK(); // no window: the value is the index as it stands

    CStringArray twice{L"计算方式", L"0", L"扣减项目", L"1,2", L"计算方式", L"0"};
    EXPECT_TRUE(page.WriteResult(twice));
    EXPECT_EQ(twice, (CStringArray{L"计算方式", L"1", L"扣减项目", L"1,2", L"计算方式", L"0"}));

    CStringArray absent{L"扣减项目", L"1"};
    EXPECT_FALSE(page.WriteResult(absent));
    EXPECT_EQ(absent, (CStringArray{L"扣减项目", L"1"}));

    CStringArray last{L"扣减项目", L"1", L"计算方式"};
    EXPECT_FALSE(page.WriteResult(last));
    EXPECT_EQ(last.size(), 3u);
}

TEST(SingleSelectResize, GroupGrowsAndTheDescriptionStopsAboveItsBottom)
{
    auto page = MakePage({L"0-甲", L"1-乙"}, L"0");
    QWidget* group = Ctrl(page.get(), kx::ruledlg::IDC_GROUP);
    QWidget* desc = Ctrl(page.get(), kx::ruledlg::IDC_DESC);
    QWidget* restore = Ctrl(page.get(), kx::ruledlg::IDC_RESTORE);
    const QRect group0 = group->geometry();
    const QRect desc0 = desc->geometry();
    const QRect restore0 = restore->geometry();
    const QRect radio0 = Radio(*page, 0)->geometry();

    page->OnPageResize(40, 30);
    EXPECT_EQ(group->geometry(), group0.adjusted(0, 0, 40, 30));
    EXPECT_EQ(desc->width(), desc0.width() + 40);
    EXPECT_EQ(desc->y(), desc0.y());
    EXPECT_LE(desc->y() + desc->height(), group->height() - 6);
    EXPECT_EQ(restore->geometry(), restore0);
    EXPECT_EQ(Radio(*page, 0)->geometry(), radio0);

    // However tall the description was, it ends 6 pixels above the group's bottom.
    page->OnPageResize(-40, -30);
    EXPECT_EQ(group->geometry(), group0);
    desc->setGeometry(desc0.x(), desc0.y(), desc0.width(), group->height());
    page->OnPageResize(0, 0);
    EXPECT_EQ(desc->y() + desc->height(), group->height() - 6);
}

} // namespace
