// The sheet's frame: OK, Cancel and the grip keep their distance to the bottom-right corner, the
// tab control and every page grow with the sheet, and the grip hides while maximised.
#include <QCoreApplication>
#include <QTest>

#include "ruledlg/CMyScrollBar.h"
#include "ruledlg/CPageMultiSelect.h"
#include "ruledlg/CPageSingleSelect.h"
#include "SheetTestSupport.h"

using namespace kxtest;
using namespace kx::ruledlg;

namespace {

class SheetFrameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto single = std::make_unique<CPageSingleSelect>();
        single->SetOptions({L"0-按体积", L"1-按长度"});
        single->SetRuleValue(L"0");
        single->SetTitle(L"计算方式");
        sheet->AddRulePage(std::move(single));
        auto multi = std::make_unique<CPageMultiSelect>();
        multi->SetAllItems({L"1", L"2"}, {L"梁头", L"孔洞"});
        multi->SetTitle(L"扣减项目");
        sheet->AddRulePage(std::move(multi));
        sheet->show();
        QCoreApplication::processEvents();
    }
    QWidget* Child(int id) { return Ctrl(sheet.get(), id); }
    // Distance of a child's bottom-right corner to the sheet's.
    QPoint FromCorner(QWidget* w) { return QPoint(sheet->width(), sheet->height()) - w->geometry().bottomRight(); }
    void ResizeBy(int dx, int dy)
    {
        sheet->resize(sheet->size() + QSize(dx, dy));
        QCoreApplication::processEvents();
    }

    std::unique_ptr<CUserSetRuleSheet> sheet = std::make_unique<CUserSetRuleSheet>(L"清单库\\主体结构\\框架梁\\体积");
};

TEST_F(SheetFrameTest, GripSitsInTheCornerAndHidesWhileMaximised)
{
    auto* grip = qobject_cast<CMyScrollBar*>(Child(IDC_SIZEGRIP));
    ASSERT_NE(grip, nullptr);
    EXPECT_EQ(grip->geometry(), QRect(sheet->width() - 15, sheet->height() - 15, 13, 13));
    EXPECT_TRUE(grip->isVisible());
    EXPECT_EQ(grip->cursor().shape(), Qt::SizeFDiagCursor);
    // OK and Cancel were moved clear of it.
    EXPECT_LT(Child(IDCANCEL)->geometry().right(), grip->x());
    EXPECT_EQ(Child(IDOK)->y(), Child(IDCANCEL)->y());

    const QPoint gripGap = FromCorner(grip);
    sheet->showMaximized();
    QCoreApplication::processEvents();
    ASSERT_TRUE(sheet->isMaximized());
    EXPECT_FALSE(grip->isVisible());
    EXPECT_EQ(FromCorner(Child(IDOK)).y(), FromCorner(Child(IDCANCEL)).y());
    sheet->showNormal();
    QCoreApplication::processEvents();
    EXPECT_TRUE(grip->isVisible());
    EXPECT_EQ(FromCorner(grip), gripGap);
}

TEST_F(SheetFrameTest, GrowingAndShrinkingKeepTheCornerDistances)
{
    QWidget* corner[] = {Child(IDOK), Child(IDCANCEL), Child(IDC_SIZEGRIP)};
    QPoint gaps[3];
    for (int i = 0; i < 3; ++i)
        gaps[i] = FromCorner(corner[i]);
    const QSize okSize = corner[0]->size();
    const QRect tab = sheet->GetTabControl()->geometry();
    const QSize pages[] = {sheet->GetPages()[0]->size(), sheet->GetPages()[1]->size()};
    QWidget* group = Ctrl(sheet->GetPages()[0].get(), IDC_GROUP);
    QWidget* chosen = Ctrl(sheet->GetPages()[1].get(), IDC_LIST_CHOSEN);
    const QRect group0 = group->geometry();
    const QRect chosen0 = chosen->geometry();

    // By how much, and then how far from the first size.
    for (const auto& [byX, byY, dx, dy] : {std::tuple{60, 40, 60, 40}, std::tuple{-60, -40, 0, 0}}) {
        ResizeBy(byX, byY);
        SCOPED_TRACE(byX > 0 ? "grown" : "shrunk back");
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(FromCorner(corner[i]), gaps[i]) << i;
        EXPECT_EQ(corner[0]->size(), okSize);
        EXPECT_EQ(sheet->GetTabControl()->geometry(), tab.adjusted(0, 0, dx, dy));
        // The page not on show grows as well, and both heard of the change.
        for (int i = 0; i < 2; ++i)
            EXPECT_EQ(sheet->GetPages()[i]->size(), pages[i] + QSize(dx, dy)) << i;
        EXPECT_EQ(group->geometry(), group0.adjusted(0, 0, dx, dy));
        EXPECT_EQ(chosen->geometry(), chosen0.adjusted(dx / 2, 0, dx, dy));
    }
}

TEST_F(SheetFrameTest, TheSheetDeletesItsPages)
{
    const QPointer<CPageBase> pages[] = {sheet->GetPages()[0].get(), sheet->GetPages()[1].get()};
    EXPECT_TRUE(pages[0]->HasWindow() && pages[1]->HasWindow());
    sheet.reset();
    EXPECT_TRUE(pages[0].isNull() && pages[1].isNull());
}

} // namespace
