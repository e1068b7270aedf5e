// The sheet as UserSetRules runs it: which rules get pages, the caption, what the user does on the
// pages (restore included), and what OK or Cancel leave in the caller's list. Then its frame.
#include <functional>
#include <map>
#include <optional>

#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <kxsysrule/KxSysRuleData.h>

#include "ruledlg/CPageMultiSelect.h"
#include "ruledlg/CPageSingleSelect.h"
#include "ruledlg/CUserSetRuleSheet.h"
#include "RuleDlgTest.h"
#include "sysrule/CSysDefRule.h"

using namespace kxtest;
using namespace kx::ruledlg;
using namespace KxSysRule;

namespace {

// The project's bill-of-quantities rules, the document a restore reads.
const char* const kProjectRules = R"(<?xml version="1.0" encoding="UTF-8"?>
<工程数据 ruletype="1" RuleVer="25.1.0" classtype="10"><ZhuTi classtype="1"><框架梁 classtype="1"><体积 classtype="2">
<扣减项目 classtype="3" selecttype="M" initype="KouJ">4,2</扣减项目><增加项目 classtype="3" selecttype="M" initype="ZenJ">23</增加项目>
<计算方式 classtype="3" selecttype="S" initype="">2</计算方式><其他项目 classtype="3" selecttype="M" initype="KouJ">1,2</其他项目>
</体积><弧形模板 classtype="2"><计算方式 classtype="3" selecttype="S" initype="">1</计算方式></弧形模板></框架梁></ZhuTi></工程数据>)";

// "name=value name=value": the caller's list of names and values; a name without "=" stands alone.
CStringArray Rules(const QString& text)
{
    CStringArray out;
    for (const QString& pair : text.split(' ', Qt::SkipEmptyParts)) {
        for (const QString& part : pair.split('='))
            out.push_back(FromQString(part));
    }
    return out;
}

// A page as "?" notes it: chosen/offered/add, remove, insert, up, down enabled/restore button
// (hidden, disabled, enabled); or checked radio/restore button/lines of the description, and with
// "C" the captions on show, "+" after one that wraps. Radios stack 5 pixels apart, as tall as whole
// template heights.
std::string Note(CPageBase& page, bool bCaptions)
{
    const QWidget* restore = Ctrl(&page, IDC_RESTORE);
    const std::string r = restore->isHidden() ? "h" : restore->isEnabled() ? "e" : "d";
    std::string s, captions;
    if (auto* multi = dynamic_cast<CPageMultiSelect*>(&page)) {
        s = U8(kx::Join(Entries(*multi->ChosenList()), L'|') + L"/" + kx::Join(Entries(*multi->AllList()), L'|')) + "/";
        for (int id : {IDC_ADD, IDC_REMOVE, IDC_INSERT, IDC_MOVEUP, IDC_MOVEDOWN})
            s += "01"[Ctrl(&page, id)->isEnabled()];
        return s + "/" + r;
    }
    for (int i = 0, bottom = -1; i < 8; ++i) {
        auto* radio = Ctrl<QRadioButton>(&page, kRadioIds[i]);
        const SDlgItem& t = SingleSelectTemplate().items[static_cast<std::size_t>(i)];
        const QRect rc = CDialogUnits(page.font()).MapRect(t.x, t.y, t.cx, t.cy);
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

// Steps: p<n> show page n; a<n>, c<n> select entry n of the offered or chosen list; + and ^ click
// add and move up; r<n> click radio n in its corner; R click restore; ? and C note the page; | let
// the loop idle; OK, X.
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
    const std::string wide = "按设计图示尺寸以体积计算，不扣除构件内钢筋、预埋铁件及墙、板中单个面积0.3平方米以内的孔洞所占体积";
    std::vector<Flow> flows = {
        {Q("扣减项目=1,3 未知=x 计算方式=0 附加说明=0 空选项=0"), "? c1 | ? ^ p1 r2 OK",
         "梁头|孔洞/现浇板|柱/00000/e 梁头|孔洞/现浇板|柱/01110/e", beam + "扣减项目 计算方式",
         Q("扣减项目=3,1 未知=x 计算方式=2 附加说明=0 空选项=0")},
        // A page not on show is left out of the idle pass.
        {Q("计算方式=1 增加项目=23 模板类别=1"), "? p1 ? | ? p2 | ? OK", "1/e/2 牛腿/梁垫/11111/e 牛腿/梁垫/00000/e //00000/e",
         beam + "计算方式 增加项目 模板类别", Q("计算方式=1 增加项目=23 模板类别=")},
        {Q("扣减项目=1,3 计算方式=0 尾"), "a0 | + ? p1 r1 X", "梁头|孔洞|现浇板/柱/10000/e", beam + "扣减项目 计算方式"},
        {Q("计算方式=0 扣减项目=1 计算方式=0"), "r1 p2 r2 OK", "", beam + "计算方式 扣减项目 计算方式", Q("计算方式=2 扣减项目=1 计算方式=0")},
        {Q("未知=x 附加说明=0"), "OK", "", "清单库\\主体结构\\框架梁\\体积:"},
        {Q("计算方式=0 扣减项目=1"), "? p1 | ? X", "0/h/2 梁头/现浇板|孔洞|柱/00000/h", "主体结构\\框架梁\\体积: 计算方式 扣减项目", {}, {},
         {12, -1}, L"体积", Rule_Other},
        {Q("计算方式=0"), "? X", "0/d/1", "定额库\\主体结构\\框架梁\\实体模板: 计算方式", {}, {}, {12, -1}, L"实体模板", Rule_DingE},
        {Q("计算方式=0"), "X", "", beam + "计算方式", {}, L"", {12, 9}},
        {Q("计算方式=0"), "X", "", "清单库\\: 计算方式", {}, L"", {99, -1}},
        {Q("计算方式=0"), "X", "", ": 计算方式", {}, L"", {99, -1}, L"体积", Rule_Other},
        // A restore puts back the project's value, not the one passed in; only 增加项目 and 扣减项目
        // have descriptions to show codes with.
        {Q("扣减项目=1 增加项目=21 计算方式=0"), "R ? p1 | R ? p2 | R ? OK", "柱|现浇板/梁头|孔洞/00000/e 牛腿/梁垫/00000/e 2/e/2",
         beam + "扣减项目 增加项目 计算方式", Q("扣减项目=4,2 增加项目=23 计算方式=2")},
        {Q("其他项目=1"), "? R ? OK", "梁头/现浇板/00000/e /梁头|现浇板/00000/e", beam + "其他项目", Q("其他项目=")},
        {Q("计算方式=0"), "R ? OK", "1/e/1", "清单库\\主体结构\\框架梁\\弧形梁\\弧形模板: 计算方式", Q("计算方式=1"), {}, {12, 3}, L"弧形模板"},
        // Neither the project's 模板类别 nor a quota document to restore from: the pages keep their values.
        {Q("模板类别=1 计算方式=1"), "p1 | r0 p0 R p1 R ? OK", "0/e/2", "定额库\\主体结构\\框架梁\\体积: 模板类别 计算方式",
         Q("模板类别= 计算方式=0"), {}, {12, -1}, L"体积", Rule_DingE},
    };
    // A caption is the label and its key, what stands before the first dash; dashes that lead the
    // label go. The value reads as wtol does; past the options no radio is checked.
    for (const auto& [value, steps, notes, written, options] : std::vector<std::tuple<QString, const char*, std::string, QString, CString>>{
             {Q("1"), "C r4 OK", "1/e/3/扣(&)|b-c(&a)|按面积(&1)|x(&)|不分(&)|(&2)", Q("4"), L"-扣,a-b-c,1--按面积,--x,不分,2-"},
             {Q("\t2x"), "C r1 OK", "2/e/3/甲(&0)|" + wide + "(&1)+|丙(&2)", Q("1"), L"0-甲,1-" + W(wide) + L",2-丙"},
             {Q("abc"), "? OK", "0/e/3", Q("0"), L"0-甲,1-乙,2-丙"},
             {Q("3"), "? OK", "/e/3", Q("-1"), L"0-甲,1-乙,2-丙"},
             {Q("-2"), "? OK", "/e/3", Q("-1"), L"0-甲,1-乙,2-丙"},
             {Q("7"), "C OK", "7/e/3/a(&0)|b(&1)|c(&2)|d(&3)|e(&4)|f(&5)|g(&6)|h(&7)", Q("7"), L"0-a,1-b,2-c,3-d,4-e,5-f,6-g,7-h"},
             {Q("0"), "C OK", "0/e/3/Radio1", Q("0"), L"0-a,1-b,2-c,3-d,4-e,5-f,6-g,7-h,8-i"}}) // more than eight: the template's
        flows.push_back({"计算方式=" + value, steps, notes, beam + "计算方式", "计算方式=" + written, options});
    std::vector<SRuleItem> beamDefs;
    ASSERT_TRUE(CSysDefRule::GetInstance()->FindSysRules({12, -1}, L"体积", beamDefs));
    for (std::size_t i = 0; i < flows.size(); ++i) {
        const Flow& f = flows[i];
        SCOPED_TRACE(std::to_string(i) + ": " + f.steps);
        std::string sheetSeen, notes;
        QStringList steps = Q(f.steps).split(' ');
        CPageBase* p = nullptr;
        // Each pass of the steps runs from the modal loop, with an idle pass between; a sheet the
        // steps leave open is cancelled, so that a failing test cannot hang.
        QObject context; // calls still pending when the sheet is over go with it
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
                auto* multi = dynamic_cast<CPageMultiSelect*>(p);
                const int n = s.mid(1).toInt();
                if (s == "OK" || s == "X")
                    Ctrl<QPushButton>(sheet, s == "OK" ? IDOK : IDCANCEL)->click();
                else if (s[0] == 'p')
                    sheet->GetTabControl()->setCurrentIndex(n), p = sheet->GetPages()[n].get();
                else if (s[0] == 'a' || s[0] == 'c')
                    (s[0] == 'a' ? multi->AllList() : multi->ChosenList())->SetCurSel(n);
                else if (s == "?" || s == "C")
                    notes += (notes.empty() ? "" : " ") + Note(*p, s == "C");
                else if (s[0] == 'r') // anywhere on a radio, wrapped or not
                    QTest::mouseClick(Ctrl(p, kRadioIds[n]), Qt::LeftButton, {}, Ctrl(p, kRadioIds[n])->rect().bottomRight());
                else
                    QTest::mouseClick(Ctrl(p, s == "R" ? IDC_RESTORE : s == "+" ? IDC_ADD : IDC_MOVEUP), Qt::LeftButton);
            }
            if (!steps.isEmpty())
                QTimer::singleShot(0, &context, next);
            else if (sheet->isVisible())
                ADD_FAILURE() << "the steps left the sheet open", sheet->reject();
        };
        QTimer::singleShot(0, &context, next);
        CStringArray rules = Rules(f.rules);
        std::vector<SRuleItem> defs = beamDefs;
        if (f.direct && !f.direct->empty())
            defs = {SRuleItem{L"计算方式", L"0", L"S", L"", L"a\\nb\\n", *f.direct, {12, -1}, L"体积"}};
        const bool bOk = f.direct ? CSysDefRule::GetInstance()->RunRuleSheet(f.comp, f.item, defs, rules, f.type)
                         : i % 2  ? CFaceSysRule::UserSetRules(f.comp, f.item, rules, f.type)
                                  : CFaceSysRule::UserSetRules(f.comp, f.item, L"", rules, f.type);
        EXPECT_EQ(sheetSeen, f.sheet);
        EXPECT_EQ(notes, f.notes);
        EXPECT_EQ(bOk, std::string(f.steps).ends_with("OK"));
        EXPECT_EQ(rules, Rules(f.written.isEmpty() ? f.rules : f.written));
    }
}

// OK, Cancel and the grip keep their distance to the bottom-right corner, the grip hidden while
// maximised; the tab control and every page, shown or not, grow with the sheet and move their
// controls to match.
TEST(SheetFrame, ControlsFollowTheSheetsSize)
{
    CUserSetRuleSheet sheet(L"清单库\\主体结构\\框架梁\\体积");
    auto single = std::make_unique<CPageSingleSelect>();
    single->SetOptions({L"0-按体积", L"1-按长度"});
    sheet.AddRulePage(std::move(single));
    sheet.AddRulePage(std::make_unique<CPageMultiSelect>());
    sheet.show();
    QWidget* grip = Ctrl(&sheet, IDC_SIZEGRIP);
    const auto gripAt = [&] { return QRect(sheet.width() - 15, sheet.height() - 15, 13, 13); };
    EXPECT_EQ(grip->geometry(), gripAt());
    EXPECT_EQ(grip->cursor().shape(), Qt::SizeFDiagCursor);
    EXPECT_LT(Ctrl(&sheet, IDCANCEL)->geometry().right(), grip->x());
    EXPECT_EQ(Ctrl(&sheet, IDOK)->y(), Ctrl(&sheet, IDCANCEL)->y());
    // Pages are not named as controls: the add and remove buttons are found by their ids.
    for (int id : {IDC_ADD, IDC_REMOVE})
        EXPECT_NE(dynamic_cast<CPageMultiSelect*>(Ctrl(&sheet, id)->parentWidget()), nullptr);

    std::map<QWidget*, QRect> before;
    for (QWidget* w : sheet.findChildren<QWidget*>())
        before[w] = w->geometry();
    const int dx = -7, dy = 5, h = -3; // half of dx rounds toward zero
    sheet.resize(sheet.size() + QSize(dx, dy));
    const auto expect = [&](QObject* root, std::initializer_list<int> ids, QMargins by) {
        for (int id : ids)
            EXPECT_EQ(Ctrl(root, id)->geometry(), before[Ctrl(root, id)] + by) << id;
    };
    CPageBase* pages[] = {sheet.GetPages()[0].get(), sheet.GetPages()[1].get()};
    expect(&sheet, {IDOK, IDCANCEL, IDC_SIZEGRIP}, {-dx, -dy, dx, dy});
    for (QWidget* w : {static_cast<QWidget*>(sheet.GetTabControl()), static_cast<QWidget*>(pages[0]), static_cast<QWidget*>(pages[1])})
        EXPECT_EQ(w->size(), before[w].size() + QSize(dx, dy));
    expect(pages[0], {IDC_GROUP}, {0, 0, dx, dy});
    expect(pages[0], {IDC_RESTORE, kRadioIds[0]}, {});
    const QRect desc = before[Ctrl(pages[0], IDC_DESC)]; // ends 6 pixels above the group's bottom at most
    EXPECT_EQ(Ctrl(pages[0], IDC_DESC)->geometry(), QRect(desc.x(), desc.y(), desc.width() + dx,
              std::min(desc.height() + dy, Ctrl(pages[0], IDC_GROUP)->height() - 6 - desc.y())));
    expect(pages[1], {IDC_LIST_ALL, IDC_LABEL_ALL}, {0, 0, h, dy});
    expect(pages[1], {IDC_LIST_CHOSEN, IDC_LABEL_CHOSEN}, {-h, 0, 2 * h, dy});
    expect(pages[1], {IDC_ADD, IDC_REMOVE, IDC_INSERT, IDC_ADDALL, IDC_REMOVEALL}, {-h, 0, h, 0});
    expect(pages[1], {IDC_MOVEUP, IDC_MOVEDOWN, IDC_RESTORE}, {-dx, 0, dx, 0});
    sheet.showMaximized();
    EXPECT_FALSE(grip->isVisible());
    sheet.showNormal();
    EXPECT_EQ(grip->isVisible() ? grip->geometry() : QRect(), gripAt());
}

} // namespace
