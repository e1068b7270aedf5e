// CDJListBox: the horizontal extent follows the widest entry, selections behave as a list box's.
#include <QCoreApplication>
#include <QFontMetrics>
#include <QScrollBar>

#include "ruledlg/CDJListBox.h"
#include "ruledlg/DialogTemplates.h"
#include "RuleDlgTest.h"

namespace {

class ListBoxTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        list.setFont(kx::ruledlg::DialogFont());
        list.resize(160, 200);
        list.show();
    }
    int Width(const CString& s) const { return list.fontMetrics().horizontalAdvance(kx::ruledlg::ToQString(s)); }
    bool BarShown()
    {
        QCoreApplication::processEvents();
        return list.horizontalScrollBar()->isVisible();
    }

    kx::ruledlg::CDJListBox list;
    const CString shortText = L"钢筋";
    const CString longText = L"与混凝土墙相交的现浇楼板、过梁、圈梁及其他构件所占体积";
};

TEST_F(ListBoxTest, InsertKeepsTheWidestEntryPlusThreePixelsAndRefusesPastTheEnd)
{
    EXPECT_EQ(list.AddItem(shortText), 0);
    EXPECT_EQ(list.GetHorizontalExtent(), Width(shortText) + 3);
    EXPECT_EQ(list.InsertItem(2, longText), -1);
    EXPECT_EQ(list.InsertItem(-2, longText), -1);
    EXPECT_EQ(list.GetMaxExtent(), Width(shortText));

    EXPECT_EQ(list.InsertItem(0, longText), 0);
    // A narrower entry never shrinks the extent.
    EXPECT_EQ(list.InsertItem(-1, L"柱"), 2);
    EXPECT_EQ(list.GetMaxExtent(), Width(longText));
    EXPECT_EQ(list.GetHorizontalExtent(), Width(longText) + 3);
    EXPECT_EQ(kxtest::Entries(list), (CStringArray{longText, shortText, L"柱"}));

    ASSERT_GT(Width(longText), list.viewport()->width());
    EXPECT_TRUE(BarShown());
    EXPECT_EQ(list.horizontalScrollBar()->maximum(), Width(longText) + 3 - list.viewport()->width());
}

TEST_F(ListBoxTest, DeleteResizeAndResetMeasureAgainstTheWindowWidth)
{
    list.AddItem(shortText);
    list.AddItem(longText);
    list.AddItem(longText + L"外");
    ASSERT_TRUE(BarShown());

    // Still an entry wider than the window: the bar stays, the range is the widest entry.
    EXPECT_EQ(list.DeleteItem(2), 2);
    EXPECT_EQ(list.GetHorizontalExtent(), Width(longText));
    EXPECT_TRUE(BarShown());
    list.resize(Width(longText) + 40, 200);
    EXPECT_FALSE(BarShown());
    list.resize(160, 200);
    EXPECT_TRUE(BarShown());

    // Nothing wider than the window is left: the extent is the window's width, the bar goes.
    EXPECT_EQ(list.DeleteItem(1), 1);
    EXPECT_EQ(list.GetMaxExtent(), list.width());
    EXPECT_FALSE(BarShown());
    EXPECT_EQ(list.DeleteItem(5), -1);

    list.AddItem(longText);
    EXPECT_TRUE(BarShown());
    list.ResetItems();
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_EQ(list.GetMaxExtent(), 0);
    EXPECT_EQ(list.GetHorizontalExtent(), 0);
    EXPECT_FALSE(BarShown());
}

TEST_F(ListBoxTest, SelectionAndSearchBehaveAsAListBoxs)
{
    for (const wchar_t* s : {L"Beam", L"乙", L"丙"})
        list.AddItem(s);
    EXPECT_EQ(list.FindStringExact(L"BEAM"), 0);
    EXPECT_EQ(list.FindStringExact(L"丙"), 2);
    EXPECT_EQ(list.FindStringExact(L"Bea"), -1);

    // Deleting the selected entry leaves no selection; deleting another keeps it, wherever it moves.
    list.SetCurSel(1);
    list.DeleteItem(1);
    EXPECT_EQ(list.GetCurSel(), -1);
    list.SetCurSel(1);
    list.DeleteItem(0);
    EXPECT_EQ(list.GetCurSel(), 0);
    EXPECT_EQ(list.GetText(0), L"丙");
    list.SetCurSel(7);
    EXPECT_EQ(list.GetCurSel(), -1);
}

} // namespace
