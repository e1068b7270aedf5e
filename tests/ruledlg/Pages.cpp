// The single-select page on its own, and the list box's horizontal extent.
#include <tuple>

#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>

#include "ruledlg/CPageSingleSelect.h"
#include "RuleDlgTest.h"

using namespace kxtest;
using namespace kx::ruledlg;

namespace {

// A caption is the label and the key, what stands before the first dash; dashes that lead the
// label go. Radios stack 5 pixels apart, each as tall as whole template heights its caption needs.
// The value reads as wtol does; past the options no radio is checked. OK writes the checked one.
TEST(SingleSelectPage, RadiosShowTheOptionsAndOkWritesTheCheckedOne)
{
    const CString wide = L"按设计图示尺寸以体积计算，不扣除构件内钢筋、预埋铁件及墙、板中单个面积0.3平方米以内的孔洞所占体积";
    const std::vector<std::tuple<CString, const wchar_t*, std::string, int>> rows = {
        {L"-扣,a-b-c,1--按面积,--x,不分,2-", L"1", "扣(&)|b-c(&a)|按面积(&1)|x(&)|不分(&)|(&2)", 1},
        {L"0-甲,1-" + wide + L",2-丙", L" 2x", "甲(&0)|" + U8(wide) + "(&1)|丙(&2)", 2},
        {L"0-甲,1-乙,2-丙", L"abc", "甲(&0)|乙(&1)|丙(&2)", 0},
        {L"0-甲,1-乙,2-丙", L"3", "甲(&0)|乙(&1)|丙(&2)", -1},
        {L"0-甲,1-乙,2-丙", L"-2", "甲(&0)|乙(&1)|丙(&2)", -1},
        {L"0-a,1-b,2-c,3-d,4-e,5-f,6-g,7-h", L"7", "a(&0)|b(&1)|c(&2)|d(&3)|e(&4)|f(&5)|g(&6)|h(&7)", 7},
        {L"0-a,1-b,2-c,3-d,4-e,5-f,6-g,7-h,8-i", L"0", "Radio1", 0}, // more than eight keep the template
    };
    for (const auto& [options, value, captions, checked] : rows) {
        SCOPED_TRACE(U8(options) + " = " + U8(value));
        CPageSingleSelect page;
        CStringArray arrOptions;
        SplitList(options, arrOptions, L',');
        page.SetOptions(arrOptions);
        page.SetRuleValue(value);
        page.SetDesc(L"a\\nb\\n");
        page.SetRuleName(L"计算方式");
        page.CreatePage();
        page.show();
        const QStringList shown = Q(captions.c_str()).split('|');
        int bottom = -1;
        for (int i = 0; i < 8; ++i) {
            auto* radio = Ctrl<QRadioButton>(&page, kRadioIds[i]);
            EXPECT_EQ(radio->isVisible() ? radio->text() : QString(), i < shown.size() ? shown[i] : QString()) << i;
            EXPECT_EQ(radio->isChecked(), i == checked) << i;
            const SDlgItem& t = SingleSelectTemplate().items[static_cast<std::size_t>(i)];
            const QRect rc = CDialogUnits(page.font()).MapRect(t.x, t.y, t.cx, t.cy);
            if (i < shown.size() && arrOptions.size() <= 8) {
                EXPECT_EQ(radio->geometry().adjusted(0, 0, 0, -radio->height()), QRect(rc.x(), bottom < 0 ? rc.y() : bottom + 5, rc.width(), 0));
                EXPECT_EQ(radio->height() % rc.height(), 0);
                EXPECT_EQ(radio->height() > rc.height(), radio->fontMetrics().horizontalAdvance(radio->text()) > rc.width()) << i;
                bottom = radio->y() + radio->height();
            }
        }
        EXPECT_EQ(Ctrl(&page, 1046), nullptr);
        EXPECT_EQ(page.GetDesc(), L"a\r\nb\r\n");
        EXPECT_TRUE(Ctrl<QPlainTextEdit>(&page, IDC_DESC)->toPlainText() == Q("a\nb\n") && Ctrl<QPlainTextEdit>(&page, IDC_DESC)->isReadOnly());
        // Outside a sheet there is nothing to restore from: the button stays and does nothing.
        EXPECT_TRUE(Ctrl(&page, IDC_RESTORE)->isVisible() && Ctrl(&page, IDC_RESTORE)->isEnabled() && page.OnRestoreDefault() == 0);
        if (checked == 2) // a click anywhere on a wrapped radio checks it
            QTest::mouseClick(Ctrl(&page, kRadioIds[1]), Qt::LeftButton, {}, Ctrl(&page, kRadioIds[1])->rect().bottomRight());
        page.OnOK();
        CStringArray rules{L"计算方式", L"x"}, last{L"扣减项目", L"1", L"计算方式"};
        EXPECT_TRUE(page.WriteResult(rules) && !page.WriteResult(last));
        EXPECT_EQ(rules[1], std::to_wstring(checked == 2 ? 1 : checked));
    }
}

// The extent is the widest entry plus three pixels, never shrunk by an insert; a delete measures
// again against the window's width. The bar shows while the extent is wider than the window.
TEST(ListBox, ExtentFollowsTheWidestEntryAndTheBarTheWindow)
{
    CDJListBox list;
    list.setFont(DialogFont());
    list.resize(160, 200);
    list.show();
    const auto width = [&](const CString& s) { return list.fontMetrics().horizontalAdvance(ToQString(s)); };
    const auto bar = [&] { return QCoreApplication::processEvents(), list.horizontalScrollBar()->isVisible(); };
    const CString wide = L"与混凝土墙相交的现浇楼板、过梁、圈梁及其他构件所占体积";
    EXPECT_EQ(list.AddItem(L"钢筋") + list.InsertItem(2, wide) + list.InsertItem(-2, wide), -2);
    EXPECT_EQ(list.GetHorizontalExtent(), width(L"钢筋") + 3);
    EXPECT_EQ(list.InsertItem(0, wide + L"外"), 0);
    EXPECT_EQ(list.InsertItem(-1, wide), 2);
    EXPECT_TRUE(bar());
    EXPECT_EQ(list.horizontalScrollBar()->maximum(), width(wide + L"外") + 3 - list.viewport()->width());
    EXPECT_EQ(list.DeleteItem(0), 2);
    EXPECT_EQ(list.GetHorizontalExtent(), width(wide));
    list.resize(width(wide) + 40, 200);
    EXPECT_FALSE(bar());
    list.resize(160, 200);
    EXPECT_TRUE(bar());
    EXPECT_EQ(list.DeleteItem(1) + list.DeleteItem(5), 0);
    EXPECT_EQ(list.GetMaxExtent(), list.width());
    EXPECT_FALSE(bar());
    list.AddItem(wide);
    list.ResetItems();
    EXPECT_EQ(list.GetCount() + list.GetMaxExtent() + list.GetHorizontalExtent(), 0);
    EXPECT_FALSE(bar());
}

} // namespace
