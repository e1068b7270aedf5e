// The multi-select page against a model of plain lists: random offers (texts shared by two codes,
// differing in case only, missing, no texts at all) and random presses of every button, through
// the button as the user can (only while enabled) or straight to the handler.
#include <map>
#include <random>

#include <QPushButton>
#include <QScrollBar>

#include "ruledlg/CPageMultiSelect.h"
#include "RuleDlgTest.h"

using namespace kxtest;
using namespace kx::ruledlg;

namespace {

using Texts = CStringArray;

int Find(const Texts& list, const CString& text, Qt::CaseSensitivity cs = Qt::CaseInsensitive)
{
    const auto it = std::find_if(list.begin(), list.end(), [&](auto& s) { return ToQString(s).compare(ToQString(text), cs) == 0; });
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}
int Sel(const Texts& list, int n) { return n >= 0 && n < std::ssize(list) ? n : -1; }

// The lists on show with their selections, the offered names not chosen, which of add, remove,
// insert, up and down are enabled; the result of the last OK.
struct Model {
    Texts avail, chosen, availNames;
    int sa = -1, sc = -1;
    std::string enabled = "11111";
    Texts allCodes = {}, allNames = {}, chosenCodes = {}, chosenNames = {};

    void Fill()
    {
        avail.clear(), chosen.clear(), sa = sc = -1;
        for (const CString& s : allNames)
            Find(chosenNames, s, Qt::CaseSensitive) < 0 ? avail.push_back(s) : void();
        for (const CString& s : chosenNames)
            s.empty() ? void() : chosen.push_back(s);
        availNames = avail;
    }
    void Apply(char op) // + add, i insert, d double-click on the offered, - remove, ^ v move, * all, 0 none
    {
        const bool bTake = op == '+' || op == 'i' || op == 'd';
        const int n = bTake ? sa : op == '-' || op == '^' || op == 'v' ? sc : -1;
        Texts& from = bTake ? avail : chosen;
        const CString text = n >= 0 ? from[n] : CString();
        // As a list box inserts: -1 appends, past the end fails. Moves at either end append or lose.
        const auto insert = [&](int at) {
            if (at >= -1 && at <= std::ssize(chosen))
                chosen.insert(at < 0 ? chosen.end() : chosen.begin() + at, text);
        };
        if (n >= 0)
            from.erase(from.begin() + n);
        if (op == '*') {
            for (const CString& s : availNames)
                Find(chosen, s) < 0 ? chosen.push_back(s) : void();
            avail.clear(), availNames.clear(), sa = -1;
        } else if (op == '0') {
            chosen.clear(), avail = availNames = allNames, sa = sc = -1;
        } else if (n >= 0 && op == '-') {
            sc = Sel(chosen, n < std::ssize(chosen) ? n : n - 1);
            if (Find(avail, text) < 0)
                avail.push_back(text), kx::AddToArrayOnce(availNames, text);
        } else if (n >= 0 && (op == '^' || op == 'v')) {
            insert(op == '^' ? n - 1 : n + 1), sc = Sel(chosen, op == '^' ? n - 1 : n + 1);
        } else if (n >= 0) {
            kx::RemoveFromArray(availNames, text);
            sa = op == 'd' ? -1 : Sel(avail, n < std::ssize(avail) ? n : 0);
            // An insert without a place drops the entry until the lists are filled again.
            if (Find(chosen, text) < 0 && (op != 'i' || sc >= 0))
                insert(op == 'i' ? sc : -1), sc += op == 'i';
        }
        enabled = {"01"[sa >= 0], "01"[sc >= 0], "01"[sc >= 0], "01"[sc > 0], "01"[sc >= 0 && sc < std::ssize(chosen) - 1]};
    }
    void Ok()
    {
        chosenNames.clear(), chosenCodes.clear();
        for (const CString& s : chosen) {
            if (const int p = Find(allNames, s, Qt::CaseSensitive); p >= 0 && p < std::ssize(allCodes))
                chosenNames.push_back(s), chosenCodes.push_back(allCodes[p]);
        }
    }
    std::string Show() const
    {
        return U8(kx::Join(avail, L'|') + L" / " + kx::Join(chosen, L'|') + L" / " + kx::Join(availNames, L'|')) + " / " +
               std::to_string(sa) + " " + std::to_string(sc) + " " + enabled;
    }
};

using C = CPageMultiSelect;
const std::map<char, std::pair<int, void (C::*)()>> kButtons = {
    {'+', {IDC_ADD, &C::OnAdd}},       {'-', {IDC_REMOVE, &C::OnRemove}},     {'i', {IDC_INSERT, &C::OnInsert}},
    {'^', {IDC_MOVEUP, &C::OnMoveUp}}, {'v', {IDC_MOVEDOWN, &C::OnMoveDown}}, {'*', {IDC_ADDALL, &C::OnAddAll}},
    {'0', {IDC_REMOVEALL, &C::OnRemoveAll}}};

TEST(MultiSelectPage, RandomPressesAgreeWithTheModel)
{
    const Texts pool{L"甲", L"乙", L"beam", L"BEAM", L"墙", L"墙", L"与混凝土墙相交的现浇楼板、过梁、圈梁及其他构件所占体积"};
    std::mt19937 rng(17);
    const auto pick = [&](std::size_t n) { return static_cast<int>(rng() % n); };
    for (int round = 0; round < 300; ++round) {
        Model m;
        for (int i = 0, n = pick(6); i < n; ++i)
            m.allCodes.push_back(std::to_wstring(i + 1)), m.allNames.push_back(pool[pick(7)]);
        for (int i = 0, n = pick(4); i < n; ++i) { // -2 and -1: codes not offered, without and with a text
            const int k = pick(m.allCodes.size() + 2) - 2;
            m.chosenCodes.push_back(k < 0 ? L"9" : m.allCodes[k]);
            m.chosenNames.push_back(k == -2 ? L"" : k == -1 ? L"癸" : m.allNames[k]);
        }
        if (pick(8) == 0) // a rule without descriptions
            m.allNames.clear(), m.chosenNames.clear();
        CPageMultiSelect page;
        ASSERT_TRUE(page.SetAllItems(m.allCodes, m.allNames) && page.SetChosenItems(m.chosenCodes, m.chosenNames));
        page.SetRuleName(L"扣减项目"), page.CreatePage(), page.show(), m.Fill();
        std::string trace = "round " + std::to_string(round) + ":";
        for (int step = 0; step < 30; ++step) {
            const char op = "+-i^v*0+-i^v*0dDaaaaccccfo"[pick(26)];
            const bool bClick = pick(2) == 0;
            const int n = pick((op == 'a' ? m.avail : m.chosen).size() + 2) - 1;
            trace += std::string(" ") + op + (bClick ? "b" : "") + (op == 'a' || op == 'c' ? std::to_string(n) : "");
            if (op == 'a' || op == 'c') {
                (op == 'a' ? page.AllList() : page.ChosenList())->SetCurSel(n);
                (op == 'a' ? m.sa : m.sc) = Sel(op == 'a' ? m.avail : m.chosen, n);
            } else if (op == 'f') {
                page.FillLists(), m.Fill();
            } else if (op == 'd' || op == 'D') {
                CDJListBox* list = op == 'd' ? page.AllList() : page.ChosenList();
                emit list->itemDoubleClicked(list->currentItem());
            } else if (op == 'o') {
                page.OnOK(), m.Ok();
                Texts rules{L"扣减项目", L"old", L"计算方式"}, absent{L"增加项目", L"1"};
                EXPECT_TRUE(page.WriteResult(rules) && !page.WriteResult(absent));
                ASSERT_EQ(U8(rules[1] + L" " + kx::Join(page.GetChosenNames(), L'|')),
                          U8(kx::Join(m.chosenCodes, L',') + L" " + kx::Join(m.chosenNames, L'|'))) << trace;
            } else {
                const auto& [id, handler] = kButtons.at(op);
                bClick ? Ctrl<QPushButton>(&page, id)->click() : (page.*handler)();
            }
            const std::size_t b = std::string("+-i^v").find(op);
            if (std::string("+-i^v*0dD").find(op) != std::string::npos && (!bClick || b == std::string::npos || m.enabled[b] == '1'))
                m.Apply(op == 'D' ? '-' : op);
            page.UpdateCtrlState(nullptr, false);
            m.Apply(' ');
            Model shown{Entries(*page.AllList()), Entries(*page.ChosenList()), page.GetAvailNames(),
                        page.AllList()->GetCurSel(), page.ChosenList()->GetCurSel(), ""};
            for (char c : std::string("+-i^v"))
                shown.enabled += "01"[Ctrl(&page, kButtons.at(c).first)->isEnabled()];
            ASSERT_EQ(shown.Show(), m.Show()) << trace;
            // A list's extent is its widest entry and 3 pixels, kept by inserts; a delete measures
            // again with the window's width; a reset empties it. The bar shows while it is wider.
            for (CDJListBox* list : {page.AllList(), page.ChosenList()}) {
                int widest = 0;
                for (const CString& text : Entries(*list))
                    widest = std::max(widest, list->fontMetrics().horizontalAdvance(ToQString(text)));
                const int e = list->GetHorizontalExtent(), most = std::max(list->width(), widest);
                const int range = e > list->width() ? e - list->viewport()->width() : 0;
                ASSERT_TRUE(e == widest + 3 || e == most + 3 || e == most || (e == 0 && list->GetCount() == 0)) << trace;
                ASSERT_EQ(list->horizontalScrollBar()->maximum(), range) << trace;
            }
        }
        // The setters refuse while their lists differ in length, as a rule without descriptions leaves them.
        EXPECT_EQ(page.SetAllItems({}, {}), m.allNames.size() == m.allCodes.size());
        EXPECT_EQ(page.SetChosenItems({}, {}), m.chosenNames.size() == m.chosenCodes.size());
    }
}

} // namespace
