// CPageSingleSelect on its own: options, value, description, radio layout, OK and write-back.
#include <array>

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

TEST(SingleSelectOptions, SplitOptionAndRuleValue)
{
    // The key is what stands before the first dash, and dashes that lead the label are dropped.
    const std::vector<std::array<const wchar_t*, 3>> splits = {
        {L"-扣", L"", L"扣"}, {L"a-b-c", L"a", L"b-c"}, {L"1--按面积", L"1", L"按面积"},
        {L"--x", L"", L"x"},  {L"不分", L"", L"不分"},  {L"2-", L"2", L""},
    };
    for (const auto& [option, key, label] : splits) {
        SCOPED_TRACE(U8(option));
        CString k = L"stale", l;
        CPageSingleSelect::SplitOption(option, k, l);
        EXPECT_EQ(k, key);
        EXPECT_EQ(l, label);
    }
    // The value reads as wtol does; an index past the options selects nothing.
    CPageSingleSelect page;
    page.SetOptions({L"0-甲", L"1-乙", L"2-丙"});
    for (const auto& [value, sel] : std::vector<std::pair<const wchar_t*, int>>{
             {L"1", 1}, {L" 2x", 2}, {L"", 0}, {L"abc", 0}, {L"3", -1}, {L"-1", -1}}) {
        page.SetRuleValue(value);
        EXPECT_EQ(page.GetSel(), sel) << U8(value);
        EXPECT_EQ(page.GetValue(), value);
    }
}

TEST(SingleSelectPage, RadiosShowTheOptionsAndOkWritesTheCheckedOne)
{
    struct Row {
        const char* name;
        CStringArray options;
        CString value;
        QStringList captions; // of the visible radios
        int checked;
        CString written;
    };
    CStringArray nine;
    QStringList eightCaptions;
    for (int i = 0; i < 9; ++i) {
        nine.push_back(std::to_wstring(i) + L"-方式");
        if (i < 8)
            eightCaptions << Q("方式(&%1)").arg(i);
    }
    const CStringArray eight(nine.begin(), nine.begin() + 8);
    const QStringList abc{Q("甲(&0)"), Q("乙(&1)"), Q("丙(&2)")};
    const std::vector<Row> rows = {
        {"two options", {L"0-不扣", L"1-扣减"}, L"1", {Q("不扣(&0)"), Q("扣减(&1)")}, 1, L"1"},
        {"no keys", {L"-扣", L"不扣"}, L"0", {Q("扣(&)"), Q("不扣(&)")}, 0, L"0"},
        {"empty value", {L"0-甲", L"1-乙", L"2-丙"}, L"", abc, 0, L"0"},
        {"out of range", {L"0-甲", L"1-乙", L"2-丙"}, L"5", abc, -1, L"-1"},
        {"negative", {L"0-甲", L"1-乙", L"2-丙"}, L"-2", abc, -1, L"-1"},
        // Every radio; the template has no 1046 between them.
        {"eight options", eight, L"7", eightCaptions, 7, L"7"},
        {"more than eight keep the template", nine, L"0", {Q("Radio1")}, 0, L"0"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto page = MakePage(row.options, row.value);
        EXPECT_EQ(Ctrl(page.get(), 1046), nullptr);
        for (int i = 0; i < 8; ++i) {
            EXPECT_EQ(Radio(*page, i)->isVisible(), i < row.captions.size()) << i;
            if (i < row.captions.size()) {
                EXPECT_EQ(Radio(*page, i)->text(), row.captions[i]);
            }
            EXPECT_EQ(Radio(*page, i)->isChecked(), i == row.checked) << i;
        }
        page->OnOK();
        CStringArray rules{L"计算方式", L"x"};
        EXPECT_TRUE(page->WriteResult(rules));
        EXPECT_EQ(rules[1], row.written);
    }

    auto page = MakePage({L"0-3.6米", L"1-3.9米", L"2-4.5米"}, L"0");
    QTest::mouseClick(Radio(*page, 2), Qt::LeftButton);
    EXPECT_FALSE(Radio(*page, 0)->isChecked());
    page->OnOK();
    EXPECT_EQ(page->GetValue(), L"2");
}

TEST(SingleSelectPage, WideCaptionsWrapAndPushTheRadiosBelowDown)
{
    const CString longLabel = L"按设计图示尺寸以体积计算，不扣除构件内钢筋、预埋铁件及墙、板中单个面积0.3平方米以内的孔洞所占体积";
    auto page = MakePage({L"0-按接触面积", L"1-" + longLabel, L"2-按含模量"}, L"0");
    // A radio whose caption fits keeps its template rectangle; one that does not grows by whole heights.
    const kx::ruledlg::CDialogUnits units(page->font());
    const QRect tmpl[3] = {units.MapRect(9, 14, 243, 10), units.MapRect(9, 27, 243, 10), units.MapRect(9, 40, 243, 10)};
    QRadioButton* r[3] = {Radio(*page, 0), Radio(*page, 1), Radio(*page, 2)};
    EXPECT_EQ(r[0]->geometry(), tmpl[0]);
    ASSERT_GT(QFontMetrics(page->font()).horizontalAdvance(r[1]->text()), tmpl[1].width());
    EXPECT_GE(r[1]->height(), 2 * tmpl[1].height());
    EXPECT_EQ(r[1]->height() % tmpl[1].height(), 0);
    EXPECT_EQ(r[2]->height(), tmpl[2].height());
    for (int i : {1, 2}) {
        EXPECT_EQ(r[i]->y(), r[i - 1]->y() + r[i - 1]->height() + 5);
        EXPECT_EQ(r[i]->x(), tmpl[i].x());
        EXPECT_EQ(r[i]->width(), tmpl[i].width());
    }
}

TEST(SingleSelectPage, DescriptionBreaksAtBackslashNAndRestoreStandsAlone)
{
    auto page = MakePage({L"0-甲"}, L"0", L"a\\nb\\n");
    EXPECT_EQ(page->GetDesc(), L"a\r\nb\r\n");
    auto* edit = Ctrl<QPlainTextEdit>(page.get(), kx::ruledlg::IDC_DESC);
    EXPECT_EQ(edit->toPlainText(), Q("a\nb\n"));
    EXPECT_EQ(edit->document()->blockCount(), 3);
    EXPECT_TRUE(edit->isReadOnly());
    // Outside a sheet there is no library prefix: the button stays and does nothing.
    auto* restore = Ctrl<QPushButton>(page.get(), kx::ruledlg::IDC_RESTORE);
    EXPECT_TRUE(restore->isVisible() && restore->isEnabled());
    EXPECT_EQ(page->OnRestoreDefault(), 0);
}

// A rule given twice: SheetTest.TheSameRuleTwiceMakesTwoTabsAndTheLaterOneWins.
TEST(SingleSelectWriteResult, AbsentOrLastWithoutValueWritesNothing)
{
    CPageSingleSelect page;
    page.SetOptions({L"0-甲", L"1-乙"});
    page.SetRuleValue(L"1");
    page.SetRuleName(L"计算方式");
    page.OnOK(); // no window: the value is the index as it stands
    for (CStringArray rules : {CStringArray{L"扣减项目", L"1"}, CStringArray{L"扣减项目", L"1", L"计算方式"}}) {
        const CStringArray before = rules;
        EXPECT_FALSE(page.WriteResult(rules));
        EXPECT_EQ(rules, before);
    }
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
