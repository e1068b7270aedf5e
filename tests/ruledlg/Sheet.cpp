// The sheet as UserSetRules runs it: which rules get pages, the caption, what the user does on the
// pages (restore included), and what OK or Cancel leave in the caller's list. Then its frame.
#include <map>

#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

#include <kxsysrule/KxSysRuleData.h>

#include "ruledlg/CPageMultiSelect.h"
#include "ruledlg/CPageSingleSelect.h"
#include "RuleDlgTest.h"
#include "sysrule/CSysDefRule.h"

using namespace kxtest;
using namespace kx::ruledlg;
using NS_KXComponentType::SCompGroupType;

namespace {

// The project's bill-of-quantities rules, the document a restore reads.
const char* const kProjectRules = R"(<?xml version="1.0" encoding="UTF-8"?>
<工程数据 ruletype="1" RuleVer="25.1.0" classtype="10"><ZhuTi classtype="1"><框架梁 classtype="1"><体积 classtype="2">
<扣减项目 classtype="3" selecttype="M" initype="KouJ">4,2</扣减项目><增加项目 classtype="3" selecttype="M" initype="ZenJ">23</增加项目>
<计算方式 classtype="3" selecttype="S" initype="">2</计算方式><其他项目 classtype="3" selecttype="M" initype="KouJ">1,2</其他项目>
</体积><弧形模板 classtype="2"><计算方式 classtype="3" selecttype="S" initype="">1</计算方式></弧形模板></框架梁></ZhuTi></工程数据>)";

// A page as "?" notes it: chosen/offered/add, remove, insert, up, down enabled/restore button
// (hidden, disabled, enabled); or checked radio/restore button/lines of the description.
std::string Note(CPageBase& page)
{
    const QWidget* restore = Ctrl(&page, IDC_RESTORE);
    const std::string r = restore->isHidden() ? "h" : restore->isEnabled() ? "e" : "d";
    std::string s;
    if (auto* multi = dynamic_cast<CPageMultiSelect*>(&page)) {
        s = U8(kx::Join(Entries(*multi->ChosenList()), L'|') + L"/" + kx::Join(Entries(*multi->AllList()), L'|')) + "/";
        for (int id : {IDC_ADD, IDC_REMOVE, IDC_INSERT, IDC_MOVEUP, IDC_MOVEDOWN})
            s += "01"[Ctrl(&page, id)->isEnabled()];
        return s + "/" + r;
    }
    for (int i = 0; i < 8; ++i)
        s += Ctrl<QRadioButton>(&page, kRadioIds[i])->isChecked() ? std::to_string(i) : "";
    return s + "/" + r + "/" + std::to_string(Ctrl<QPlainTextEdit>(&page, IDC_DESC)->document()->blockCount());
}

// Steps: p<n> show page n; a<n>, c<n> select entry n of the offered or chosen list; + and ^ click
// add and move up; r<n> click radio n; R click restore; ? note the page; | let the loop idle; OK, X.
struct Flow {
    CStringArray rules;
    const char *steps, *notes;
    std::string sheet; // caption: tab titles
    CStringArray written = {}; // empty: as given
    SCompGroupType comp{12, -1};
    const wchar_t* item = L"体积";
    KxSysRule::RuleType type = KxSysRule::Rule_QingDan;
    bool bDirect = false; // the sheet of 框架梁's 体积 rules, run for a type that has none
};

class SheetTest : public InstalledTest {};

TEST_F(SheetTest, FlowsFromUserSetRulesToTheWrittenList)
{
    ASSERT_TRUE(CFaceCurRule::InitXMLData(WriteProjectFile("QDRule.xml", kProjectRules), KxSysRule::Rule_QingDan));
    const std::string beam = "清单库\\主体结构\\框架梁\\体积:";
    const std::vector<Flow> flows = {
        {{L"扣减项目", L"1,3", L"未知", L"x", L"计算方式", L"0", L"附加说明", L"0", L"空选项", L"0"}, "? c1 | ? ^ p1 r2 OK",
         "梁头|孔洞/现浇板|柱/00000/e 梁头|孔洞/现浇板|柱/01110/e", beam + " 扣减项目 计算方式",
         {L"扣减项目", L"3,1", L"未知", L"x", L"计算方式", L"2", L"附加说明", L"0", L"空选项", L"0"}},
        {{L"计算方式", L"1", L"增加项目", L"23", L"模板类别", L"1"}, "? p1 | ? p2 | ? OK", "1/e/2 牛腿/梁垫/00000/e //00000/e",
         beam + " 计算方式 增加项目 模板类别", {L"计算方式", L"1", L"增加项目", L"23", L"模板类别", L""}},
        {{L"扣减项目", L"1,3", L"计算方式", L"0", L"尾"}, "a0 | + ? p1 r1 X", "梁头|孔洞|现浇板/柱/10000/e", beam + " 扣减项目 计算方式"},
        {{L"计算方式", L"0", L"扣减项目", L"1", L"计算方式", L"0"}, "r1 p2 r2 OK", "", beam + " 计算方式 扣减项目 计算方式",
         {L"计算方式", L"2", L"扣减项目", L"1", L"计算方式", L"0"}},
        {{L"未知", L"x", L"附加说明", L"0"}, "OK", "", beam},
        {{L"计算方式", L"0", L"扣减项目", L"1"}, "? p1 | ? X", "0/h/2 梁头/现浇板|孔洞|柱/00000/h",
         "主体结构\\框架梁\\体积: 计算方式 扣减项目", {}, {12, -1}, L"体积", KxSysRule::Rule_Other},
        {{L"计算方式", L"0"}, "? X", "0/d/1", "定额库\\主体结构\\框架梁\\实体模板: 计算方式", {}, {12, -1}, L"实体模板",
         KxSysRule::Rule_DingE},
        {{L"计算方式", L"0"}, "X", "", beam + " 计算方式", {}, {12, 9}, L"体积", KxSysRule::Rule_QingDan, true},
        {{L"计算方式", L"0"}, "X", "", "清单库\\: 计算方式", {}, {99, -1}, L"体积", KxSysRule::Rule_QingDan, true},
        {{L"计算方式", L"0"}, "X", "", ": 计算方式", {}, {99, -1}, L"体积", KxSysRule::Rule_Other, true},
        // A restore puts back the project's value, not the one passed in; only 增加项目 and 扣减项目
        // have descriptions to show codes with.
        {{L"扣减项目", L"1", L"增加项目", L"21", L"计算方式", L"0"}, "R ? p1 | R ? p2 | R ? OK",
         "柱|现浇板/梁头|孔洞/00000/e 牛腿/梁垫/00000/e 2/e/2", beam + " 扣减项目 增加项目 计算方式",
         {L"扣减项目", L"4,2", L"增加项目", L"23", L"计算方式", L"2"}},
        {{L"其他项目", L"1"}, "? R ? OK", "梁头/现浇板/00000/e /梁头|现浇板/00000/e", beam + " 其他项目", {L"其他项目", L""}},
        {{L"计算方式", L"0"}, "R ? OK", "1/e/1", "清单库\\主体结构\\框架梁\\弧形梁\\弧形模板: 计算方式", {L"计算方式", L"1"},
         {12, 3}, L"弧形模板"},
        // Neither the project's 模板类别 nor a quota document to restore from: the pages keep their values.
        {{L"模板类别", L"1", L"计算方式", L"1"}, "p1 | r0 p0 R p1 R ? OK", "0/e/2", "定额库\\主体结构\\框架梁\\体积: 模板类别 计算方式",
         {L"模板类别", L"", L"计算方式", L"0"}, {12, -1}, L"体积", KxSysRule::Rule_DingE},
    };
    std::vector<SRuleItem> beamDefs;
    ASSERT_TRUE(CSysDefRule::GetInstance()->FindSysRules({12, -1}, L"体积", beamDefs));
    for (std::size_t i = 0; i < flows.size(); ++i) {
        const Flow& f = flows[i];
        SCOPED_TRACE(std::to_string(i) + ": " + f.steps);
        std::string sheetSeen, notes;
        QStringList steps = Q(f.steps).split(' ');
        CPageBase* p = nullptr;
        const auto step = [&](CUserSetRuleSheet& sheet) {
            if (sheetSeen.empty()) {
                sheetSeen = sheet.windowTitle().toStdString() + ":"; // then the tab titles
                for (int t = 0; t < sheet.GetTabControl()->count(); ++t)
                    sheetSeen += " " + sheet.GetTabControl()->tabText(t).toStdString();
                p = sheet.GetPages().empty() ? nullptr : sheet.GetPages()[0].get();
            }
            for (QString s; !steps.isEmpty() && (s = steps.takeFirst()) != "|";) {
                auto* multi = dynamic_cast<CPageMultiSelect*>(p);
                const int n = s.mid(1).toInt();
                if (s == "OK" || s == "X")
                    Ctrl<QPushButton>(&sheet, s == "OK" ? IDOK : IDCANCEL)->click();
                else if (s[0] == 'p')
                    sheet.GetTabControl()->setCurrentIndex(n), p = sheet.GetPages()[n].get();
                else if (s[0] == 'a' || s[0] == 'c')
                    (s[0] == 'a' ? multi->AllList() : multi->ChosenList())->SetCurSel(n);
                else if (s == "?")
                    notes += (notes.empty() ? "" : " ") + Note(*p);
                else
                    QTest::mouseClick(Ctrl(p, s[0] == 'r' ? kRadioIds[n] : s == "R" ? IDC_RESTORE : s == "+" ? IDC_ADD : IDC_MOVEUP),
                                      Qt::LeftButton);
            }
            return !steps.isEmpty();
        };
        CStringArray rules = f.rules;
        bool bOk = false;
        EXPECT_TRUE(DriveSheet(step, [&] {
            bOk = f.bDirect ? CSysDefRule::GetInstance()->RunRuleSheet(f.comp, f.item, beamDefs, rules, f.type)
                  : i % 2 ? CFaceSysRule::UserSetRules(f.comp, f.item, rules, f.type)
                          : CFaceSysRule::UserSetRules(f.comp, f.item, L"", rules, f.type);
        }));
        EXPECT_EQ(sheetSeen, f.sheet);
        EXPECT_EQ(notes, f.notes);
        EXPECT_EQ(bOk, std::string(f.steps).ends_with("OK"));
        EXPECT_EQ(rules, f.written.empty() ? f.rules : f.written);
    }
}

// OK, Cancel and the grip keep their distance to the bottom-right corner; the tab control and
// every page, shown or not, grow with the sheet and move their controls to match.
TEST(SheetFrame, ControlsFollowTheSheetsSize)
{
    auto sheet = std::make_unique<CUserSetRuleSheet>(L"清单库\\主体结构\\框架梁\\体积");
    auto single = std::make_unique<CPageSingleSelect>();
    single->SetOptions({L"0-按体积", L"1-按长度"});
    sheet->AddRulePage(std::move(single));
    sheet->AddRulePage(std::make_unique<CPageMultiSelect>());
    sheet->show();
    CPageBase* pages[] = {sheet->GetPages()[0].get(), sheet->GetPages()[1].get()};
    QWidget* grip = Ctrl(sheet.get(), IDC_SIZEGRIP);
    const auto gripAt = [&] { return QRect(sheet->width() - 15, sheet->height() - 15, 13, 13); };
    EXPECT_EQ(grip->geometry(), gripAt());
    EXPECT_EQ(grip->cursor().shape(), Qt::SizeFDiagCursor);
    EXPECT_LT(Ctrl(sheet.get(), IDCANCEL)->geometry().right(), grip->x());
    EXPECT_EQ(Ctrl(sheet.get(), IDOK)->y(), Ctrl(sheet.get(), IDCANCEL)->y());
    // Pages are not named as controls: the add and remove buttons are found by their ids.
    EXPECT_EQ(Ctrl(sheet.get(), IDC_ADD)->parentWidget(), pages[1]);
    EXPECT_EQ(Ctrl(sheet.get(), IDC_REMOVE)->parentWidget(), pages[1]);

    std::map<QWidget*, QRect> before;
    for (QWidget* w : sheet->findChildren<QWidget*>())
        before[w] = w->geometry();
    const int dx = -7, dy = 5, h = -3; // half of dx rounds toward zero
    sheet->resize(sheet->size() + QSize(dx, dy));
    const auto expect = [&](QObject* root, std::initializer_list<int> ids, QMargins by) {
        for (int id : ids)
            EXPECT_EQ(Ctrl(root, id)->geometry(), before[Ctrl(root, id)] + by) << id;
    };
    expect(sheet.get(), {IDOK, IDCANCEL, IDC_SIZEGRIP}, {-dx, -dy, dx, dy});
    EXPECT_EQ(sheet->GetTabControl()->geometry(), before[sheet->GetTabControl()] + QMargins(0, 0, dx, dy));
    for (CPageBase* page : pages)
        EXPECT_EQ(page->size(), before[page].size() + QSize(dx, dy));
    expect(pages[0], {IDC_GROUP}, {0, 0, dx, dy});
    expect(pages[0], {IDC_RESTORE, kRadioIds[0]}, {});
    const QRect desc = before[Ctrl(pages[0], IDC_DESC)]; // ends 6 pixels above the group's bottom at most
    EXPECT_EQ(Ctrl(pages[0], IDC_DESC)->geometry(), QRect(desc.x(), desc.y(), desc.width() + dx,
              std::min(desc.height() + dy, Ctrl(pages[0], IDC_GROUP)->height() - 6 - desc.y())));
    expect(pages[1], {IDC_LIST_ALL, IDC_LABEL_ALL}, {0, 0, h, dy});
    expect(pages[1], {IDC_LIST_CHOSEN, IDC_LABEL_CHOSEN}, {-h, 0, 2 * h, dy});
    expect(pages[1], {IDC_ADD, IDC_REMOVE, IDC_INSERT, IDC_ADDALL, IDC_REMOVEALL}, {-h, 0, h, 0});
    expect(pages[1], {IDC_MOVEUP, IDC_MOVEDOWN, IDC_RESTORE}, {-dx, 0, dx, 0});

    sheet->showMaximized();
    EXPECT_FALSE(grip->isVisible());
    sheet->showNormal();
    EXPECT_EQ(grip->isVisible() ? grip->geometry() : QRect(), gripAt());
    const QPointer<CPageBase> kept[] = {pages[0], pages[1]};
    sheet.reset();
    EXPECT_TRUE(kept[0].isNull() && kept[1].isNull());
}

} // namespace
