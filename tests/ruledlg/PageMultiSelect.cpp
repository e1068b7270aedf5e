// CPageMultiSelect on its own: filling the lists, every button with its selection rules, the
// enabling of the buttons, OK and write-back, and the resize hook.
#include <QCoreApplication>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "ruledlg/CDJListBox.h"
#include "ruledlg/CPageMultiSelect.h"
#include "ruledlg/DialogTemplates.h"
#include "RuleDlgTest.h"

using namespace kxtest;
using namespace kx::ruledlg;

namespace {

class MultiSelectTest : public ::testing::Test {
protected:
    // Offered 1..5 甲乙丙丁戊; chosen as given.
    void Open(const CStringArray& chosenCodes, const CStringArray& chosenTexts,
              const CStringArray& allCodes = {L"1", L"2", L"3", L"4", L"5"},
              const CStringArray& allTexts = {L"甲", L"乙", L"丙", L"丁", L"戊"})
    {
        ASSERT_TRUE(page.SetAllItems(allCodes, allTexts));
        ASSERT_TRUE(page.SetChosenItems(chosenCodes, chosenTexts));
        page.SetRuleName(L"扣减项目");
        page.CreatePage();
        page.show();
    }
    CString Written()
    {
        page.OnOK();
        CStringArray rules{L"扣减项目", L"old"};
        EXPECT_TRUE(page.WriteResult(rules));
        return rules[1];
    }
    void Click(int id) { QTest::mouseClick(Ctrl<QPushButton>(&page, id), Qt::LeftButton); }
    bool Enabled(int id) { return Ctrl(&page, id)->isEnabled(); }
    CDJListBox& All() { return *page.AllList(); }
    CDJListBox& Chosen() { return *page.ChosenList(); }

    CPageMultiSelect page;
};

TEST_F(MultiSelectTest, ChosenCodesShowInTheirOrderAndTheRestIsAvailable)
{
    Open({L"3", L"1"}, {L"丙", L"甲"}, {L"1", L"2", L"3"}, {L"甲", L"乙", L"丙"});
    EXPECT_EQ(Entries(All()), (CStringArray{L"乙"}));
    EXPECT_EQ(Entries(Chosen()), (CStringArray{L"丙", L"甲"}));
    EXPECT_EQ(page.GetAvailNames(), (CStringArray{L"乙"}));
    EXPECT_EQ(Written(), L"3,1");
}

TEST_F(MultiSelectTest, ChosenCodesWithoutTextOrNotOfferedAreDroppedAtOk)
{
    // 9 is not offered but has a text; 4 is offered but its chosen text is empty.
    Open({L"9", L"2", L"4"}, {L"癸", L"乙", L""});
    EXPECT_EQ(Entries(Chosen()), (CStringArray{L"癸", L"乙"}));
    EXPECT_EQ(Entries(All()), (CStringArray{L"甲", L"丙", L"丁", L"戊"}));
    EXPECT_EQ(Written(), L"2");
    EXPECT_EQ(page.GetChosenNames(), (CStringArray{L"乙"}));
}

TEST_F(MultiSelectTest, TwoCodesOfOneTextWriteTheFirst)
{
    Open({L"7"}, {L"墙"}, {L"5", L"7", L"8"}, {L"墙", L"墙", L"板"});
    // The chosen text hides both offers of it.
    EXPECT_EQ(Entries(All()), (CStringArray{L"板"}));
    EXPECT_EQ(Written(), L"5");
}

TEST_F(MultiSelectTest, RuleWithoutDescriptionsHasEmptyListsAndWritesNothing)
{
    Open({L"1", L"3"}, {}, {L"1", L"2", L"3"}, {});
    EXPECT_EQ(All().GetCount(), 0);
    EXPECT_EQ(Chosen().GetCount(), 0);
    EXPECT_EQ(Written(), L"");
}

TEST_F(MultiSelectTest, SettersRefuseWhileTheirListsDifferInLength)
{
    ASSERT_TRUE(page.SetAllItems({L"1", L"2"}, {L"甲"}));
    EXPECT_FALSE(page.SetAllItems({L"1"}, {L"甲"}));
    ASSERT_TRUE(page.SetChosenItems({L"1"}, {}));
    EXPECT_FALSE(page.SetChosenItems({L"2"}, {L"乙"}));
    page.CreatePage();
    EXPECT_EQ(Entries(All()), (CStringArray{L"甲"}));
}

TEST_F(MultiSelectTest, AddMovesTheSelectionToTheEndOfTheChosenList)
{
    Open({L"2"}, {L"乙"});
    All().SetCurSel(1); // 丙
    Click(IDC_ADD);
    EXPECT_EQ(Entries(Chosen()), (CStringArray{L"乙", L"丙"}));
    EXPECT_EQ(Entries(All()), (CStringArray{L"甲", L"丁", L"戊"}));
    EXPECT_EQ(page.GetAvailNames(), (CStringArray{L"甲", L"丁", L"戊"}));
    EXPECT_EQ(All().GetCurSel(), 1); // the entry that moved up into its place

    // At the end the selection wraps to the first entry.
    All().SetCurSel(2);
    Click(IDC_ADD);
    EXPECT_EQ(All().GetCurSel(), 0);

    // Without a selection nothing happens.
    All().SetCurSel(-1);
    page.OnAdd();
    EXPECT_EQ(All().GetCount(), 2);
    EXPECT_EQ(Written(), L"2,3,5");
}

TEST_F(MultiSelectTest, AddingTheLastAvailableItemLeavesNoSelection)
{
    Open({L"1", L"2", L"3", L"4"}, {L"甲", L"乙", L"丙", L"丁"});
    All().SetCurSel(0);
    page.OnAdd();
    EXPECT_EQ(All().GetCount(), 0);
    EXPECT_EQ(All().GetCurSel(), -1);
    EXPECT_EQ(Written(), L"1,2,3,4,5");
}

TEST_F(MultiSelectTest, AddOfATextAlreadyChosenIgnoringCaseOnlyRemovesIt)
{
    Open({L"2"}, {L"BEAM"}, {L"1", L"2"}, {L"beam", L"BEAM"});
    EXPECT_EQ(Entries(All()), (CStringArray{L"beam"}));
    All().SetCurSel(0);
    page.OnAdd();
    EXPECT_EQ(Entries(Chosen()), (CStringArray{L"BEAM"}));
    EXPECT_EQ(All().GetCount(), 0);
    EXPECT_TRUE(page.GetAvailNames().empty());
}

TEST_F(MultiSelectTest, DoubleClicksAddAndRemove)
{
    Open({L"1"}, {L"甲"});
    QListWidgetItem* item = All().item(1); // 丙
    const QRect rect = All().visualItemRect(item);
    QTest::mouseClick(All().viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(All().viewport(), Qt::LeftButton, {}, rect.center());
    EXPECT_EQ(Entries(Chosen()), (CStringArray{L"甲", L"丙"}));
    // Unlike the add button, a double-click leaves nothing selected.
    EXPECT_EQ(All().GetCurSel(), -1);

    const QRect chosenRect = Chosen().visualItemRect(Chosen().item(0));
    QTest::mouseClick(Chosen().viewport(), Qt::LeftButton, {}, chosenRect.center());
    QTest::mouseDClick(Chosen().viewport(), Qt::LeftButton, {}, chosenRect.center());
    EXPECT_EQ(Entries(Chosen()), (CStringArray{L"丙"}));
    EXPECT_EQ(Entries(All()), (CStringArray{L"乙", L"丁", L"戊", L"甲"}));
}

TEST_F(MultiSelectTest, InsertGoesAboveTheChosenSelectionWhichStays)
{
    Open({L"1", L"2"}, {L"甲", L"乙"});
    Chosen().SetCurSel(1);
    All().SetCurSel(1); // 丁
    Click(IDC_INSERT);
    EXPECT_EQ(Entries(Chosen()), (CStringArray{L"甲", L"丁", L"乙"}));
    EXPECT_EQ(Chosen().GetCurSel(), 2);
    EXPECT_EQ(All().GetCurSel(), 1);
    EXPECT_EQ(Written(), L"1,4,2");
}

TEST_F(MultiSelectTest, RemoveSendsTheItemToTheEndOfTheAvailableList)
{
    Open({L"1", L"3", L"5"}, {L"甲", L"丙", L"戊"});
    Chosen().SetCurSel(0);
    Click(IDC_REMOVE);
    EXPECT_EQ(Entries(All()), (CStringArray{L"乙", L"丁", L"甲"}));
    EXPECT_EQ(page.GetAvailNames(), (CStringArray{L"乙", L"丁", L"甲"}));
    EXPECT_EQ(Chosen().GetCurSel(), 0);

    // Removing the last chosen entry selects the new last one.
    Chosen().SetCurSel(1);
    Click(IDC_REMOVE);
    EXPECT_EQ(Entries(Chosen()), (CStringArray{L"丙"}));
    EXPECT_EQ(Chosen().GetCurSel(), 0);
    Click(IDC_REMOVE);
    EXPECT_EQ(Chosen().GetCount(), 0);
    EXPECT_EQ(Chosen().GetCurSel(), -1);
    EXPECT_EQ(Written(), L"");

    // Refilling restores the offer order.
    page.FillLists();
    EXPECT_EQ(Entries(All()), (CStringArray{L"甲", L"乙", L"丙", L"丁", L"戊"}));
}

TEST_F(MultiSelectTest, MoveUpAndDownFollowTheSelection)
{
    Open({L"1", L"2", L"3"}, {L"甲", L"乙", L"丙"});
    Chosen().SetCurSel(2);
    Click(IDC_MOVEUP);
    EXPECT_EQ(Entries(Chosen()), (CStringArray{L"甲", L"丙", L"乙"}));
    EXPECT_EQ(Chosen().GetCurSel(), 1);
    Click(IDC_MOVEUP);
    EXPECT_EQ(Entries(Chosen()), (CStringArray{L"丙", L"甲", L"乙"}));
    Click(IDC_MOVEDOWN);
    Click(IDC_MOVEDOWN);
    EXPECT_EQ(Entries(Chosen()), (CStringArray{L"甲", L"乙", L"丙"}));
    EXPECT_EQ(Chosen().GetCurSel(), 2);
    Chosen().SetCurSel(1);
    Click(IDC_MOVEDOWN);
    EXPECT_EQ(Written(), L"1,3,2");
}

TEST_F(MultiSelectTest, HiddenAddAllAndRemoveAll)
{
    Open({L"4"}, {L"丁"});
    EXPECT_FALSE(Ctrl(&page, IDC_ADDALL)->isVisible());
    EXPECT_FALSE(Ctrl(&page, IDC_REMOVEALL)->isVisible());
    page.OnAddAll();
    EXPECT_EQ(Entries(Chosen()), (CStringArray{L"丁", L"甲", L"乙", L"丙", L"戊"}));
    EXPECT_EQ(All().GetCount(), 0);
    EXPECT_TRUE(page.GetAvailNames().empty());
    page.OnRemoveAll();
    EXPECT_EQ(Chosen().GetCount(), 0);
    EXPECT_EQ(Entries(All()), (CStringArray{L"甲", L"乙", L"丙", L"丁", L"戊"}));
    EXPECT_EQ(Written(), L"");
}

TEST_F(MultiSelectTest, ButtonsFollowTheSelections)
{
    Open({L"1", L"2", L"3"}, {L"甲", L"乙", L"丙"});
    auto state = [&] {
        page.UpdateCtrlState(nullptr, false);
        return std::vector<bool>{Enabled(IDC_ADD), Enabled(IDC_REMOVE), Enabled(IDC_INSERT), Enabled(IDC_MOVEUP),
                                 Enabled(IDC_MOVEDOWN)};
    };
    using V = std::vector<bool>;
    EXPECT_EQ(state(), (V{false, false, false, false, false}));
    All().SetCurSel(0);
    EXPECT_EQ(state(), (V{true, false, false, false, false}));
    Chosen().SetCurSel(0);
    EXPECT_EQ(state(), (V{true, true, true, false, true}));
    Chosen().SetCurSel(1);
    EXPECT_EQ(state(), (V{true, true, true, true, true}));
    Chosen().SetCurSel(2);
    EXPECT_EQ(state(), (V{true, true, true, true, false}));

    // A hidden page is left alone.
    page.hide();
    Chosen().SetCurSel(-1);
    EXPECT_EQ(state(), (V{true, true, true, true, false}));
}

TEST_F(MultiSelectTest, ResizeSplitsTheWidthBetweenTheLists)
{
    Open({}, {});
    auto geo = [&](int id) { return Ctrl(&page, id)->geometry(); };
    std::map<int, QRect> before;
    const int ids[] = {IDC_LIST_ALL, IDC_LABEL_ALL, IDC_LIST_CHOSEN, IDC_LABEL_CHOSEN, IDC_ADD, IDC_REMOVE, IDC_INSERT,
                       IDC_ADDALL, IDC_REMOVEALL, IDC_MOVEUP, IDC_MOVEDOWN, IDC_RESTORE};
    for (int id : ids)
        before[id] = geo(id);

    // h = dx / 2 rounds toward zero: -7 gives -3.
    for (const auto& [dx, dy, h] : {std::tuple{41, 30, 20}, std::tuple{-7, -4, -3}}) {
        for (int id : ids)
            before[id] = geo(id);
        page.OnPageResize(dx, dy);
        EXPECT_EQ(geo(IDC_LIST_ALL), before[IDC_LIST_ALL].adjusted(0, 0, h, dy));
        EXPECT_EQ(geo(IDC_LABEL_ALL), before[IDC_LABEL_ALL].adjusted(0, 0, h, dy));
        EXPECT_EQ(geo(IDC_LIST_CHOSEN), before[IDC_LIST_CHOSEN].adjusted(h, 0, 2 * h, dy));
        EXPECT_EQ(geo(IDC_LABEL_CHOSEN), before[IDC_LABEL_CHOSEN].adjusted(h, 0, 2 * h, dy));
        for (int id : {IDC_ADD, IDC_REMOVE, IDC_INSERT, IDC_ADDALL, IDC_REMOVEALL})
            EXPECT_EQ(geo(id), before[id].translated(h, 0)) << id;
        for (int id : {IDC_MOVEUP, IDC_MOVEDOWN, IDC_RESTORE})
            EXPECT_EQ(geo(id), before[id].translated(dx, 0)) << id;
    }
}

TEST(MultiSelectWriteResult, AbsentOrLastNameIsRefused)
{
    CPageMultiSelect page;
    page.SetRuleName(L"增加项目");
    CStringArray absent{L"扣减项目", L"1"};
    EXPECT_FALSE(page.WriteResult(absent));
    EXPECT_EQ(absent[1], L"1");
    CStringArray last{L"扣减项目", L"1", L"增加项目"};
    EXPECT_FALSE(page.WriteResult(last));
    EXPECT_EQ(last.size(), 3u);
}

} // namespace
