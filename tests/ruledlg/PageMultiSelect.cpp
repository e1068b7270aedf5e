// CPageMultiSelect on its own: filling the lists, every button with its selection rules, the
// enabling of the buttons, OK and write-back, and the resize hook.
#include <map>
#include <tuple>

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

const CStringArray kCodes{L"1", L"2", L"3", L"4", L"5"};
const CStringArray kTexts{L"甲", L"乙", L"丙", L"丁", L"戊"};

void Open(CPageMultiSelect& page, const CStringArray& chosenCodes, const CStringArray& chosenTexts,
          const CStringArray& allCodes = kCodes, const CStringArray& allTexts = kTexts)
{
    ASSERT_TRUE(page.SetAllItems(allCodes, allTexts));
    ASSERT_TRUE(page.SetChosenItems(chosenCodes, chosenTexts));
    page.SetRuleName(L"扣减项目");
    page.CreatePage();
    page.show();
}

CString Written(CPageMultiSelect& page)
{
    page.OnOK();
    CStringArray rules{L"扣减项目", L"old"};
    EXPECT_TRUE(page.WriteResult(rules));
    return rules[1];
}

// A list's entries (or names) one after the other: the test texts are one character each.
CString Joined(const CStringArray& texts)
{
    CString out;
    for (const CString& t : texts)
        out += t;
    return out;
}

TEST(MultiSelectFill, ChosenCodesShowInTheirOrderAndTheRestIsAvailable)
{
    struct Row {
        const char* name;
        CStringArray chosenCodes, chosenTexts, allCodes, allTexts;
        CString avail, chosen, written, namesAtOk; // names: the chosen texts that are offered
    };
    const std::vector<Row> rows = {
        {"in the chosen order", {L"3", L"1"}, {L"丙", L"甲"}, {L"1", L"2", L"3"}, {L"甲", L"乙", L"丙"}, L"乙", L"丙甲",
         L"3,1", L"丙甲"},
        // 9 is not offered but has a text; 4 is offered but its chosen text is empty.
        {"not offered or without text", {L"9", L"2", L"4"}, {L"癸", L"乙", L""}, kCodes, kTexts, L"甲丙丁戊", L"癸乙",
         L"2", L"乙"},
        // The chosen text hides both offers of it.
        {"two codes of one text write the first", {L"7"}, {L"墙"}, {L"5", L"7", L"8"}, {L"墙", L"墙", L"板"}, L"板",
         L"墙", L"5", L"墙"},
        {"a rule without descriptions", {L"1", L"3"}, {}, {L"1", L"2", L"3"}, {}, L"", L"", L"", L""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CPageMultiSelect page;
        Open(page, row.chosenCodes, row.chosenTexts, row.allCodes, row.allTexts);
        EXPECT_EQ(Joined(Entries(*page.AllList())), row.avail);
        EXPECT_EQ(Joined(page.GetAvailNames()), row.avail);
        EXPECT_EQ(Joined(Entries(*page.ChosenList())), row.chosen);
        EXPECT_EQ(Written(page), row.written);
        EXPECT_EQ(Joined(page.GetChosenNames()), row.namesAtOk);
        CStringArray absent{L"增加项目", L"1"};
        EXPECT_FALSE(page.WriteResult(absent));
    }
}

TEST(MultiSelectFill, SettersRefuseWhileTheirListsDifferInLength)
{
    CPageMultiSelect page;
    ASSERT_TRUE(page.SetAllItems({L"1", L"2"}, {L"甲"}));
    EXPECT_FALSE(page.SetAllItems({L"1"}, {L"甲"}));
    ASSERT_TRUE(page.SetChosenItems({L"1"}, {}));
    EXPECT_FALSE(page.SetChosenItems({L"2"}, {L"乙"}));
    page.CreatePage();
    EXPECT_EQ(Entries(*page.AllList()), (CStringArray{L"甲"}));
}

constexpr int kAny = 99; // a selection the row does not look at

// The buttons pressed in turn on 甲乙丙丁戊 (codes 1-5). Steps: "a<n>" / "c<n>" select entry n of
// the available / chosen list ("x" for none), then + add, - remove, i insert, ^ up, v down, * add
// all, 0 remove all, f fill the lists again.
TEST(MultiSelectButtons, EachButtonMovesEntriesAndTheSelection)
{
    struct Row {
        const char* name;
        CStringArray chosen;
        std::string steps;
        CString expectChosen, expectAvail;
        int allSel, chosenSel;
        CString written;
    };
    const std::vector<Row> rows = {
        // The entry that moved up into the added one's place is selected.
        {"add goes to the end", {L"2"}, "a1+", L"乙丙", L"甲丁戊", 1, kAny, L"2,3"},
        {"add without a selection does nothing; at the end it wraps", {L"2"}, "a1+ax+a2+", L"乙丙戊", L"甲丁", 0, kAny,
         L"2,3,5"},
        {"adding the last available leaves no selection", {L"2"}, "a1+a2+++", L"乙丙戊甲丁", L"", -1, kAny,
         L"2,3,5,1,4"},
        {"insert goes above the chosen selection, which stays", {L"1", L"2"}, "c1a1i", L"甲丁乙", L"丙戊", 1, 2,
         L"1,4,2"},
        {"remove goes to the end of the available list", {L"1", L"3", L"5"}, "c0-", L"丙戊", L"乙丁甲", kAny, 0,
         L"3,5"},
        {"removing the last chosen selects the new last", {L"1", L"3", L"5"}, "c0-c1-", L"丙", L"乙丁甲戊", kAny, 0,
         L"3"},
        {"removing every one", {L"1", L"3", L"5"}, "c0-c1--", L"", L"乙丁甲戊丙", kAny, -1, L""},
        // Until OK the lists are the live state: refilling shows what was chosen before.
        {"refilling restores the offer order", {L"1", L"3", L"5"}, "c0-f", L"甲丙戊", L"乙丁", kAny, kAny, L"1,3,5"},
        {"move up follows the selection", {L"1", L"2", L"3"}, "c2^", L"甲丙乙", L"丁戊", kAny, 1, L"1,3,2"},
        {"move up to the top", {L"1", L"2", L"3"}, "c2^^", L"丙甲乙", L"丁戊", kAny, 0, L"3,1,2"},
        {"move up and down again", {L"1", L"2", L"3"}, "c2^^vv", L"甲乙丙", L"丁戊", kAny, 2, L"1,2,3"},
        {"the hidden add all", {L"4"}, "*", L"丁甲乙丙戊", L"", kAny, kAny, L"4,1,2,3,5"},
        {"the hidden remove all", {L"4"}, "*0", L"", L"甲乙丙丁戊", kAny, kAny, L""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.name) + ": " + row.steps);
        CPageMultiSelect page;
        CStringArray texts;
        for (const CString& code : row.chosen)
            texts.push_back(kTexts.at(std::stoul(code) - 1));
        Open(page, row.chosen, texts);
        EXPECT_FALSE(Ctrl(&page, IDC_ADDALL)->isVisible() || Ctrl(&page, IDC_REMOVEALL)->isVisible());
        const std::map<char, int> buttons = {{'+', IDC_ADD},    {'-', IDC_REMOVE},   {'i', IDC_INSERT},
                                             {'^', IDC_MOVEUP}, {'v', IDC_MOVEDOWN}, {'*', IDC_ADDALL},
                                             {'0', IDC_REMOVEALL}};
        for (std::size_t i = 0; i < row.steps.size(); ++i) {
            const char step = row.steps[i];
            if (step == 'a' || step == 'c') {
                const char n = row.steps[++i];
                (step == 'a' ? page.AllList() : page.ChosenList())->SetCurSel(n == 'x' ? -1 : n - '0');
            } else if (step == 'f') {
                page.FillLists();
            } else {
                Ctrl<QPushButton>(&page, buttons.at(step))->click();
            }
        }
        EXPECT_EQ(Joined(Entries(*page.ChosenList())), row.expectChosen);
        EXPECT_EQ(Joined(Entries(*page.AllList())), row.expectAvail);
        EXPECT_EQ(Joined(page.GetAvailNames()), row.expectAvail);
        if (row.allSel != kAny) {
            EXPECT_EQ(page.AllList()->GetCurSel(), row.allSel);
        }
        if (row.chosenSel != kAny) {
            EXPECT_EQ(page.ChosenList()->GetCurSel(), row.chosenSel);
        }
        EXPECT_EQ(Written(page), row.written);
    }
}

TEST(MultiSelectButtons, AddOfATextAlreadyChosenIgnoringCaseOnlyRemovesIt)
{
    CPageMultiSelect page;
    Open(page, {L"2"}, {L"BEAM"}, {L"1", L"2"}, {L"beam", L"BEAM"});
    page.AllList()->SetCurSel(0); // beam
    page.OnAdd();
    EXPECT_EQ(Entries(*page.ChosenList()), (CStringArray{L"BEAM"}));
    EXPECT_TRUE(page.GetAvailNames().empty());
}

class MultiSelectTest : public ::testing::Test {
protected:
    void SetUp() override { Open(page, {L"1", L"2", L"3"}, {L"甲", L"乙", L"丙"}); }
    CDJListBox& All() { return *page.AllList(); }
    CDJListBox& Chosen() { return *page.ChosenList(); }

    CPageMultiSelect page;
};

TEST_F(MultiSelectTest, DoubleClicksAddAndRemove)
{
    const auto doubleClick = [](CDJListBox& list, int row) {
        const QPoint at = list.visualItemRect(list.item(row)).center();
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, at);
    };
    doubleClick(All(), 1); // 戊
    EXPECT_EQ(Joined(Entries(Chosen())), L"甲乙丙戊");
    // Unlike the add button, a double-click leaves nothing selected.
    EXPECT_EQ(All().GetCurSel(), -1);
    doubleClick(Chosen(), 0);
    EXPECT_EQ(Joined(Entries(Chosen())), L"乙丙戊");
    EXPECT_EQ(Joined(Entries(All())), L"丁甲");
}

// Add, remove, insert, move up, move down.
TEST_F(MultiSelectTest, ButtonsFollowTheSelections)
{
    const auto state = [&](int all, int chosen) {
        All().SetCurSel(all);
        Chosen().SetCurSel(chosen);
        page.UpdateCtrlState(nullptr, false);
        std::string enabled;
        for (int id : {IDC_ADD, IDC_REMOVE, IDC_INSERT, IDC_MOVEUP, IDC_MOVEDOWN})
            enabled += Ctrl(&page, id)->isEnabled() ? '1' : '0';
        return enabled;
    };
    EXPECT_EQ(state(-1, -1), "00000");
    EXPECT_EQ(state(0, -1), "10000");
    EXPECT_EQ(state(0, 0), "11101");
    EXPECT_EQ(state(0, 1), "11111");
    EXPECT_EQ(state(0, 2), "11110");
    // A hidden page is left alone.
    page.hide();
    EXPECT_EQ(state(-1, -1), "11110");
}

TEST_F(MultiSelectTest, ResizeSplitsTheWidthBetweenTheLists)
{
    // h = dx / 2 rounds toward zero: -7 gives -3.
    for (const auto& [dx, dy, h] : {std::tuple{41, 30, 20}, std::tuple{-7, -4, -3}}) {
        std::map<int, QRect> before;
        for (QWidget* w : page.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            before[w->objectName().toInt()] = w->geometry();
        page.OnPageResize(dx, dy);
        // Not named in the lambda: clang 14 cannot capture structured bindings.
        SCOPED_TRACE(testing::Message() << "by " << dx << ", " << dy);
        const auto expect = [&](std::initializer_list<int> ids, QMargins by) {
            for (int id : ids)
                EXPECT_EQ(Ctrl(&page, id)->geometry(), before[id] + by) << id;
        };
        expect({IDC_LIST_ALL, IDC_LABEL_ALL}, {0, 0, h, dy});
        expect({IDC_LIST_CHOSEN, IDC_LABEL_CHOSEN}, {-h, 0, 2 * h, dy});
        expect({IDC_ADD, IDC_REMOVE, IDC_INSERT, IDC_ADDALL, IDC_REMOVEALL}, {-h, 0, h, 0});
        expect({IDC_MOVEUP, IDC_MOVEDOWN, IDC_RESTORE}, {-dx, 0, dx, 0});
    }
}

} // namespace
