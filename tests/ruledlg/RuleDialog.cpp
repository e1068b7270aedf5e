// The rule dialog: the multi-select page against a model of plain lists, the sheet as UserSetRules
// runs it (pages, caption, the user's steps, what OK or Cancel write back), and the sheet's frame.
#include <functional>
#include <map>
#include <numeric>
#include <optional>
#include <random>

#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <kxsysrule/KxSysRuleData.h>

#include "common/StringUtil.h"
#include "ruledlg/CDJListBox.h"
#include "ruledlg/CPageMultiSelect.h"
#include "ruledlg/CPageSingleSelect.h"
#include "ruledlg/CUserSetRuleSheet.h"
#include "ruledlg/QtSupport.h"
#include "support/Installation.h"
#include "sysrule/CSysDefRule.h"

using namespace kxtest;
using namespace kx::ruledlg;
using namespace KxSysRule;

namespace {

struct QtEnvironment : ::testing::Environment { // one application, from before the first test to after the last
    std::optional<ScopedApplication> app;
    void SetUp() override { app.emplace(); }
    void TearDown() override { app.reset(); }
};
::testing::Environment* const g_qtEnvironment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

template <class T = QWidget> T* Ctrl(const QObject* root, int nId) { return root->findChild<T*>(QString::number(nId)); }
QString Q(const char* utf8) { return QString::fromUtf8(utf8); }
CStringArray Entries(const CDJListBox& list)
{
    CStringArray out;
    for (int i = 0; i < list.GetCount(); ++i)
        out.push_back(list.GetText(i));
    return out;
}
int Find(const CStringArray& list, const CString& text, Qt::CaseSensitivity cs = Qt::CaseInsensitive)
{
    const auto it = std::ranges::find_if(list, [&](auto& s) { return ToQString(s).compare(ToQString(text), cs) == 0; });
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}
int Sel(const CStringArray& list, int n) { return n >= 0 && n < std::ssize(list) ? n : -1; }
const std::string kWide = "按设计图示尺寸以体积计算，不扣除构件内钢筋、预埋铁件及墙、板中单个面积0.3平方米以内的孔洞所占体积";

// The multi-select page in plain lists: shown, selected, not chosen, buttons enabled; the last OK.
struct Model {
    CStringArray avail, chosen, availNames;
    int sa = -1, sc = -1;
    std::string enabled = "11111";
    CStringArray allCodes = {}, allNames = {}, chosenCodes = {}, chosenNames = {};

    void Fill()
    {
        avail.clear(), chosen.clear(), sa = sc = -1;
        const auto notChosen = [&](auto& s) { return Find(chosenNames, s, Qt::CaseSensitive) < 0; };
        std::copy_if(allNames.begin(), allNames.end(), std::back_inserter(avail), notChosen);
        std::copy_if(chosenNames.begin(), chosenNames.end(), std::back_inserter(chosen),
                     [](auto& s) { return !s.empty(); });
        availNames = avail;
    }
    void Apply(char op) // + add, i insert, d double-click on the offered, - remove, ^ v move, * all, 0 none
    {
        const bool bTake = op == '+' || op == 'i' || op == 'd';
        const int n = bTake ? sa : op == '-' || op == '^' || op == 'v' ? sc : -1;
        CStringArray& from = bTake ? avail : chosen;
        const CString text = n >= 0 ? from[n] : CString();
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
            sc = op == '^' ? n - 1 : n + 1, chosen.insert(chosen.begin() + sc, text);
        } else if (n >= 0) {
            kx::RemoveFromArray(availNames, text);
            sa = op == 'd' ? -1 : Sel(avail, n < std::ssize(avail) ? n : 0);
            if (Find(chosen, text) < 0) // insert is enabled only while a chosen entry is selected
                chosen.insert(op == 'i' ? chosen.begin() + sc++ : chosen.end(), text);
        }
        enabled = {"01"[sa >= 0], "01"[sc >= 0], "01"[sc >= 0], "01"[sc > 0],
                   "01"[sc >= 0 && sc < std::ssize(chosen) - 1]};
    }
    std::string Show() const
    {
        return U8(kx::Join(avail, L'|') + L" / " + kx::Join(chosen, L'|') + L" / " + kx::Join(availNames, L'|')) +
            " / " + std::to_string(sa) + " " + std::to_string(sc) + " " + enabled;
    }
};

const std::map<char, int> kButtons = {{'+', IDC_ADD},     {'-', IDC_REMOVE},   {'i', IDC_INSERT}, {'^', IDC_MOVEUP},
                                      {'v', IDC_MOVEDOWN}, {'*', IDC_ADDALL}, {'0', IDC_REMOVEALL}};

// Offers with a text of two codes, in two cases, too wide, missing, or none; any button pressed.
TEST(MultiSelectPage, RandomPressesAgreeWithTheModel)
{
    const CStringArray pool{L"甲", L"乙", L"beam", L"BEAM", L"墙", L"墙", W(kWide)};
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
        for (int step = 0; step < 30; ++step) {
            SCOPED_TRACE(testing::Message() << "round " << round << ", step " << step);
            const char op = "+-i^v*0+-i^v*0dDaaaaccccfo"[pick(26)];
            const int n = pick((op == 'a' ? m.avail : m.chosen).size() + 2) - 1;
            if (op == 'a' || op == 'c') {
                (op == 'a' ? page.AllList() : page.ChosenList())->SetCurSel(n);
                (op == 'a' ? m.sa : m.sc) = Sel(op == 'a' ? m.avail : m.chosen, n);
            } else if (op == 'f') {
                page.FillLists(), m.Fill();
            } else if (op == 'd' || op == 'D') {
                CDJListBox* list = op == 'd' ? page.AllList() : page.ChosenList();
                emit list->itemDoubleClicked(list->currentItem());
            } else if (op == 'o') {
                page.OnOK(), m.chosenNames.clear(), m.chosenCodes.clear();
                for (const CString& s : m.chosen) { // the first offer of the text gives the code
                    if (const int p = Find(m.allNames, s, Qt::CaseSensitive); p >= 0 && p < std::ssize(m.allCodes))
                        m.chosenNames.push_back(s), m.chosenCodes.push_back(m.allCodes[p]);
                }
                CStringArray rules{L"扣减项目", L"old", L"计算方式"}, absent{L"增加项目", L"1", L"扣减项目"};
                EXPECT_TRUE(page.WriteResult(rules) && !page.WriteResult(absent));
                ASSERT_EQ(U8(rules[1] + L" " + kx::Join(page.GetChosenNames(), L'|')),
                          U8(kx::Join(m.chosenCodes, L',') + L" " + kx::Join(m.chosenNames, L'|')));
            } else {
                Ctrl<QPushButton>(&page, kButtons.at(op))->click();
            }
            const std::size_t b = std::string("+-i^v").find(op);
            if (std::string("+-i^v*0dD").find(op) != std::string::npos &&
                (b == std::string::npos || m.enabled[b] == '1'))
                m.Apply(op == 'D' ? '-' : op);
            page.UpdateCtrlState(nullptr, false);
            m.Apply(' ');
            Model shown{Entries(*page.AllList()), Entries(*page.ChosenList()), page.GetAvailNames(),
                        page.AllList()->GetCurSel(), page.ChosenList()->GetCurSel(), ""};
            for (char c : std::string("+-i^v"))
                shown.enabled += "01"[Ctrl(&page, kButtons.at(c))->isEnabled()];
            ASSERT_EQ(shown.Show(), m.Show());
            // The extent is the widest entry + 3 after an insert, at least the window after a delete.
            for (CDJListBox* list : {page.AllList(), page.ChosenList()}) {
                const CStringArray texts = Entries(*list);
                const int widest = std::accumulate(texts.begin(), texts.end(), 0, [&](int w, auto& t) {
                    return std::max(w, list->fontMetrics().horizontalAdvance(ToQString(t))); });
                const int e = list->GetHorizontalExtent(), most = std::max(list->width(), widest);
                ASSERT_TRUE(e == widest + 3 || e == most + 3 || e == most || (e == 0 && texts.empty()));
                ASSERT_EQ(list->horizontalScrollBar()->maximum(),
                          e > list->width() ? e - list->viewport()->width() : 0);
            }
        }
        EXPECT_EQ(page.SetAllItems({}, {}), m.allNames.size() == m.allCodes.size()); // refused while they differ
        EXPECT_EQ(page.AllList()->InsertItem(-2, L"") + page.AllList()->InsertItem(99, L"") +
                      page.AllList()->DeleteItem(99),
                  -3);
    }
}

const char* const kProjectRules = R"(<?xml version="1.0" encoding="UTF-8"?>
<工程数据 ruletype="1" RuleVer="25.1.0" classtype="10"><ZhuTi classtype="1"><框架梁 classtype="1"><体积 classtype="2">
<扣减项目 classtype="3" selecttype="M" initype="KouJ">4,2</扣减项目><增加项目 classtype="3" selecttype="M" initype="ZenJ">23</增加项目>
<计算方式 classtype="3" selecttype="S" initype="">2</计算方式><其他项目 classtype="3" selecttype="M" initype="KouJ">1,2</其他项目>
</体积><弧形模板 classtype="2"><计算方式 classtype="3" selecttype="S" initype="">1</计算方式></弧形模板></框架梁></ZhuTi></工程数据>)";  // restores read it

CStringArray Rules(const QString& text) // "name=value name=value"; a name without "=" stands alone
{
    CStringArray out;
    for (const QString& part : QString(text).replace('=', ' ').split(' '))
        out.push_back(FromQString(part));
    return text.isEmpty() ? CStringArray{} : out;
}

// "?": chosen/offered/buttons enabled (by idle passes while on show)/restore hidden, disabled or
// enabled; or checked radio/restore/description lines, "C" adds captions, "+" if wrapped; radios
// stack 5 pixels apart, whole template heights. A page's name last without a value: no write.
std::string Note(CPageBase& page, bool bCaptions)
{
    CStringArray nameLast{L"未知", L"x", page.GetRuleName()};
    EXPECT_FALSE(page.WriteResult(nameLast));
    const std::string r = Ctrl(&page, IDC_RESTORE)->isHidden() ? "h"
        : Ctrl(&page, IDC_RESTORE)->isEnabled()                ? "e"
                                                               : "d";
    std::string s, captions;
    if (auto* multi = dynamic_cast<CPageMultiSelect*>(&page)) {
        s = U8(kx::Join(Entries(*multi->ChosenList()), L'|') + L"/" + kx::Join(Entries(*multi->AllList()), L'|')) + "/";
        for (int id : {IDC_ADD, IDC_REMOVE, IDC_INSERT, IDC_MOVEUP, IDC_MOVEDOWN})
            s += "01"[Ctrl(&page, id)->isEnabled()];
        return s + "/" + r;
    }
    for (int i = 0, bottom = -1; i < 8; ++i) {
        const SDlgItem& t = SingleSelectTemplate().items[i];
        const QRect rc = CDialogUnits(page.font()).MapRect(t.x, t.y, t.cx, t.cy);
        auto* radio = Ctrl<QRadioButton>(&page, t.nId);
        s += radio->isChecked() ? std::to_string(i) : "";
        if (radio->isVisible()) {
            captions += (i > 0 ? "|" : "") + radio->text().toStdString() + (radio->height() > rc.height() ? "+" : "");
            EXPECT_EQ(QRect(radio->x(), radio->y(), radio->width(), radio->height() % rc.height()),
                      QRect(rc.x(), bottom < 0 ? rc.y() : bottom + 5, rc.width(), 0)) << i;
            bottom = radio->geometry().bottom() + 1;
        }
    }
    return s + "/" + r + "/" + std::to_string(Ctrl<QPlainTextEdit>(&page, IDC_DESC)->document()->blockCount()) +
           (bCaptions ? "/" + captions : "");
}

// Corner controls keep their place, the grip hides while maximised, pages grow; ids find controls, not pages.
void CheckFrame(CUserSetRuleSheet& sheet) // with a single-select page, then a multi-select one
{
    QWidget* grip = Ctrl(&sheet, IDC_SIZEGRIP);
    const auto gripAt = [&] { return QRect(sheet.width() - 15, sheet.height() - 15, 13, 13); };
    EXPECT_EQ(grip->geometry(), gripAt());
    EXPECT_LT(Ctrl(&sheet, IDCANCEL)->geometry().right(), grip->x());
    QWidget* pages[] = {sheet.GetPages()[0].get(), sheet.GetPages()[1].get()};
    EXPECT_TRUE(Ctrl(&sheet, IDC_ADD)->parentWidget() == pages[1] &&
                Ctrl(&sheet, IDC_REMOVE)->parentWidget() == pages[1]);
    QWidget* desc = Ctrl(pages[0], IDC_DESC);
    desc->resize(desc->width(), 999); // taller than its group: it is cut 6 pixels above the group's bottom
    std::map<QWidget*, QRect> before;
    for (QWidget* w : sheet.findChildren<QWidget*>())
        before[w] = w->geometry();
    const int dx = -7, dy = 5, h = -3; // half of dx rounds toward zero
    sheet.resize(sheet.size() + QSize(dx, dy));
    for (QWidget* w : {static_cast<QWidget*>(sheet.GetTabControl()), pages[0], pages[1]})
        EXPECT_EQ(w->size(), before[w].size() + QSize(dx, dy));
    for (const auto& [root, ids, by] : std::vector<std::tuple<QWidget*, std::vector<int>, QMargins>>{
             {&sheet, {IDOK, IDCANCEL, IDC_SIZEGRIP}, {-dx, -dy, dx, dy}}, {pages[0], {IDC_GROUP}, {0, 0, dx, dy}},
             {pages[0], {IDC_RESTORE, kRadioIds[0]}, {}}, {pages[1], {IDC_LIST_ALL, IDC_LABEL_ALL}, {0, 0, h, dy}},
             {pages[1], {IDC_LIST_CHOSEN, IDC_LABEL_CHOSEN}, {-h, 0, 2 * h, dy}},
             {pages[1], {IDC_ADD, IDC_REMOVE, IDC_INSERT, IDC_ADDALL, IDC_REMOVEALL}, {-h, 0, h, 0}},
             {pages[1], {IDC_MOVEUP, IDC_MOVEDOWN, IDC_RESTORE}, {-dx, 0, dx, 0}}}) {
        for (int id : ids)
            EXPECT_EQ(Ctrl(root, id)->geometry(), before[Ctrl(root, id)] + by) << id;
    }
    EXPECT_EQ(desc->geometry(),
              QRect(before[desc].topLeft(),
                    QSize(before[desc].width() + dx, Ctrl(pages[0], IDC_GROUP)->height() - 6 - desc->y())));
    sheet.showMaximized();
    EXPECT_FALSE(grip->isVisible());
    sheet.showNormal();
    EXPECT_EQ(grip->isVisible() ? grip->geometry() : QRect(), gripAt());
}

// Steps: p<n> show page n; a<n>, c<n> select in the offered or chosen list; + ^ add, move up; r<n>
// radio n, clicked in its corner; R restore; ? and C note the page; Z the frame; | idle; OK, X.
struct Flow {
    QString rules;
    const char* steps;
    std::string notes, sheet; // sheet: the caption, a colon, the tab titles
    QString written = {};     // empty: as given
    // Run directly: on 框架梁's 体积 rules (empty), or on one 计算方式 of these options.
    std::optional<CString> direct = {};
    NS_KXComponentType::SCompGroupType comp{12, -1};
    const wchar_t* item = L"体积";
    RuleType type = Rule_QingDan;
};

class SheetTest : public InstalledTest {};

TEST_F(SheetTest, FlowsFromUserSetRulesToTheWrittenList)
{
    ASSERT_TRUE(CFaceCurRule::InitXMLData(WriteProjectFile("QDRule.xml", kProjectRules), Rule_QingDan));
    const std::string beam = "清单库\\主体结构\\框架梁\\体积: ";
    std::vector<Flow> flows = {
        {Q("扣减项目=1,3 未知=x 计算方式=0 附加说明=0 空选项=0"), "? c1 | ? ^ p1 r2 OK",
         "梁头|孔洞/现浇板|柱/00000/e 梁头|孔洞/现浇板|柱/01110/e", beam + "扣减项目 计算方式",
         Q("扣减项目=3,1 未知=x 计算方式=2 附加说明=0 空选项=0")},
        {Q("计算方式=1 增加项目=23 模板类别=1"), "? p1 ? | ? p2 | ? OK", "1/e/2 牛腿/梁垫/11111/e 牛腿/梁垫/00000/e //00000/e",
         beam + "计算方式 增加项目 模板类别", Q("计算方式=1 增加项目=23 模板类别=")},
        {Q("扣减项目=1,3 计算方式=0 增加项目"), "a0 | + ? p1 r1 X", "梁头|孔洞|现浇板/柱/10000/e", beam + "扣减项目 计算方式"},
        {Q("计算方式=0 扣减项目=1 计算方式=0"), "r1 p2 r2 OK", "", beam + "计算方式 扣减项目 计算方式", Q("计算方式=2 扣减项目=1 计算方式=0")},
        {Q("未知=x 附加说明=0"), "OK", "", "清单库\\主体结构\\框架梁\\体积:"},
        {Q("计算方式=0 扣减项目=1"), "Z X", "", beam + "计算方式 扣减项目"},
        {Q("计算方式=0 扣减项目=1"), "? p1 | ? X", "0/h/2 梁头/现浇板|孔洞|柱/00000/h", "主体结构\\框架梁\\体积: 计算方式 扣减项目", {}, {},
         {12, -1}, L"体积", Rule_Other},
        {Q("计算方式=0"), "? X", "0/d/1", "定额库\\主体结构\\框架梁\\实体模板: 计算方式", {}, {}, {12, -1}, L"实体模板", Rule_DingE},
        {Q("计算方式=0"), "X", "", beam + "计算方式", {}, L"", {12, 9}},
        {Q("计算方式=0"), "X", "", "清单库\\: 计算方式", {}, L"", {99, -1}},
        {Q("计算方式=0"), "X", "", ": 计算方式", {}, L"", {99, -1}, L"体积", Rule_Other},
        // Restore: the project's value; only 增加项目 and 扣减项目 have descriptions to show codes with.
        {Q("扣减项目=1 增加项目=21 计算方式=0"), "R ? p1 | R ? p2 | R ? OK", "柱|现浇板/梁头|孔洞/00000/e 牛腿/梁垫/00000/e 2/e/2",
         beam + "扣减项目 增加项目 计算方式", Q("扣减项目=4,2 增加项目=23 计算方式=2")},
        {Q("其他项目=1"), "? R ? OK", "梁头/现浇板/00000/e /梁头|现浇板/00000/e", beam + "其他项目", Q("其他项目=")},
        {Q("计算方式=0"), "R ? OK", "1/e/1", "清单库\\主体结构\\框架梁\\弧形梁\\弧形模板: 计算方式", Q("计算方式=1"), {}, {12, 3}, L"弧形模板"},
        {Q("模板类别=1 计算方式=1"), "p1 | r0 p0 R p1 R ? OK", "0/e/2", "定额库\\主体结构\\框架梁\\体积: 模板类别 计算方式",
         Q("模板类别= 计算方式=0"), {}, {12, -1}, L"体积", Rule_DingE}, // nothing to restore from: values kept
    };
    // Caption: label(&key), the key before the first dash. The value reads as wtol does.
    using Single = std::tuple<QString, const char*, std::string, QString, CString>;
    for (const auto& [value, steps, notes, written, options] : std::vector<Single> {
             {Q("1"), "C r4 OK", "1/e/3/扣(&)|b-c(&a)|按面积(&1)|x(&)|不分(&)|(&2)", Q("4"),
              L"-扣,a-b-c,1--按面积,--x,不分,2-"},
             {Q("\t2x"), "C r1 OK", "2/e/3/甲(&0)|" + kWide + "(&1)+|丙(&2)", Q("1"), L"0-甲,1-" + W(kWide) + L",2-丙"},
             {Q("3"), "? OK", "/e/3", Q("-1"), L"0-甲,1-乙,2-丙"},
             {Q("7"), "C OK", "7/e/3/a(&0)|b(&1)|c(&2)|d(&3)|e(&4)|f(&5)|g(&6)|h(&7)", Q("7"),
              L"0-a,1-b,2-c,3-d,4-e,5-f,6-g,7-h"},
             {Q("0"), "C OK", "0/e/3/Radio1", Q("0"),
              L"0-a,1-b,2-c,3-d,4-e,5-f,6-g,7-h,8-i"}}) // more than eight: the template's
        flows.push_back({"计算方式=" + value, steps, notes, beam + "计算方式", "计算方式=" + written, options});
    for (std::size_t i = 0; i < flows.size(); ++i) {
        const Flow& f = flows[i];
        SCOPED_TRACE(std::to_string(i) + ": " + f.steps);
        std::string sheetSeen, notes;
        QStringList steps = Q(f.steps).split(' ');
        CPageBase* p = nullptr;
        QObject context; // calls still pending when the sheet is over go with it; one left open is cancelled
        std::function<void()> next = [&] {
            auto* sheet = qobject_cast<CUserSetRuleSheet*>(QApplication::activeModalWidget());
            if (sheet == nullptr)
                return;
            if (sheetSeen.empty()) {
                sheetSeen = sheet->windowTitle().toStdString() + ":"; // then the tab titles
                for (int t = 0; t < sheet->GetTabControl()->count(); ++t)
                    sheetSeen += " " + sheet->GetTabControl()->tabText(t).toStdString();
                p = sheet->GetPages().empty() ? nullptr : sheet->GetPages()[0].get();
            }
            for (QString s; !steps.isEmpty() && (s = steps.takeFirst()) != "|";) {
                const int n = s.mid(1).toInt();
                if (s == "OK" || s == "X")
                    Ctrl<QPushButton>(sheet, s == "OK" ? IDOK : IDCANCEL)->click();
                else if (s[0] == 'p')
                    sheet->GetTabControl()->setCurrentIndex(n), p = sheet->GetPages()[n].get();
                else if (s[0] == 'a' || s[0] == 'c')
                    (s[0] == 'a' ? static_cast<CPageMultiSelect*>(p)->AllList()
                                 : static_cast<CPageMultiSelect*>(p)->ChosenList())->SetCurSel(n);
                else if (s == "Z")
                    CheckFrame(*sheet);
                else if (s == "?" || s == "C")
                    notes += (notes.empty() ? "" : " ") + Note(*p, s == "C");
                else if (s[0] == 'r') // anywhere on a radio, wrapped or not
                    QTest::mouseClick(Ctrl(p, kRadioIds[n]), Qt::LeftButton, {},
                                      Ctrl(p, kRadioIds[n])->rect().bottomRight());
                else
                    QTest::mouseClick(Ctrl(p,
                                           s == "R"       ? IDC_RESTORE
                                               : s == "+" ? IDC_ADD
                                                          : IDC_MOVEUP),
                                      Qt::LeftButton);
            }
            if (!steps.isEmpty())
                QTimer::singleShot(0, &context, next);
            else if (sheet->isVisible())
                ADD_FAILURE() << "the steps left the sheet open", sheet->reject();
        };
        QTimer::singleShot(0, &context, next);
        CStringArray rules = Rules(f.rules);
        std::vector<SRuleItem> defs{{L"计算方式", L"0", L"S", L"", L"a\\nb\\n", f.direct.value_or(L""), {12, -1}, L"体积"}};
        if (defs[0].strOptions.empty()) // 框架梁's 体积 rules
            defs.clear(), CSysDefRule::GetInstance()->FindSysRules({12, -1}, L"体积", defs);
        const bool bOk = f.direct ? CSysDefRule::GetInstance()->RunRuleSheet(f.comp, f.item, defs, rules, f.type)
                         : i % 2  ? CFaceSysRule::UserSetRules(f.comp, f.item, rules, f.type)
                                  : CFaceSysRule::UserSetRules(f.comp, f.item, L"", rules, f.type);
        EXPECT_EQ(sheetSeen + " / " + notes, f.sheet + " / " + f.notes);
        EXPECT_EQ(rules, Rules(f.written.isEmpty() ? f.rules : f.written));
        EXPECT_EQ(bOk, std::string(f.steps).ends_with("OK"));
    }
}

} // namespace
