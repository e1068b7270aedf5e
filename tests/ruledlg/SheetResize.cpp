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
        sheet.AddRulePage(std::move(single));
        auto multi = std::make_unique<CPageMultiSelect>();
        multi->SetAllItems({L"1", L"2"}, {L"梁头", L"孔洞"});
        multi->SetTitle(L"扣减项目");
        sheet.AddRulePage(std::move(multi));
        sheet.show();
        QCoreApplication::processEvents();
    }
    QWidget* Child(int id) { return Ctrl(&sheet, id); }
    // Distance of a child's bottom-right corner to the sheet's.
    QPoint FromCorner(QWidget* w) { return QPoint(sheet.width(), sheet.height()) - w->geometry().bottomRight(); }
    void ResizeBy(int dx, int dy)
    {
        sheet.resize(sheet.size() + QSize(dx, dy));
        QCoreApplication::processEvents();
    }

    CUserSetRuleSheet sheet{L"清单库\\主体结构\\框架梁\\体积"};
};

TEST_F(SheetFrameTest, GripSitsInTheCornerWithTheDiagonalCursor)
{
    auto* grip = qobject_cast<CMyScrollBar*>(Child(IDC_SIZEGRIP));
    ASSERT_NE(grip, nullptr);
    EXPECT_EQ(grip->geometry(), QRect(sheet.width() - 15, sheet.height() - 15, 13, 13));
    EXPECT_TRUE(grip->isVisible());
    EXPECT_EQ(grip->cursor().shape(), Qt::SizeFDiagCursor);
    // OK and Cancel were moved clear of it.
    EXPECT_LT(Child(IDCANCEL)->geometry().right(), grip->x());
    EXPECT_EQ(Child(IDOK)->y(), Child(IDCANCEL)->y());
    EXPECT_EQ(sheet.GetTabControl()->currentIndex(), 0);
}

TEST_F(SheetFrameTest, GrowingAndShrinkingKeepTheCornerDistances)
{
    QWidget* ok = Child(IDOK);
    QWidget* cancel = Child(IDCANCEL);
    QWidget* grip = Child(IDC_SIZEGRIP);
    const QPoint okGap = FromCorner(ok);
    const QPoint cancelGap = FromCorner(cancel);
    const QPoint gripGap = FromCorner(grip);
    const QSize okSize = ok->size();
    const QRect tab = sheet.GetTabControl()->geometry();
    const QSize page0 = sheet.GetPages()[0]->size();
    const QSize page1 = sheet.GetPages()[1]->size();
    QWidget* group = Ctrl(sheet.GetPages()[0].get(), IDC_GROUP);
    QWidget* chosen = Ctrl(sheet.GetPages()[1].get(), IDC_LIST_CHOSEN);
    const QRect group0 = group->geometry();
    const QRect chosen0 = chosen->geometry();

    ResizeBy(60, 40);
    EXPECT_EQ(FromCorner(ok), okGap);
    EXPECT_EQ(FromCorner(cancel), cancelGap);
    EXPECT_EQ(FromCorner(grip), gripGap);
    EXPECT_EQ(ok->size(), okSize);
    EXPECT_EQ(sheet.GetTabControl()->geometry(), tab.adjusted(0, 0, 60, 40));
    // The page not on show grows as well, and both heard of the change.
    EXPECT_EQ(sheet.GetPages()[0]->size(), page0 + QSize(60, 40));
    EXPECT_EQ(sheet.GetPages()[1]->size(), page1 + QSize(60, 40));
    EXPECT_EQ(group->geometry(), group0.adjusted(0, 0, 60, 40));
    EXPECT_EQ(chosen->geometry(), chosen0.adjusted(30, 0, 60, 40));

    ResizeBy(-60, -40);
    EXPECT_EQ(FromCorner(ok), okGap);
    EXPECT_EQ(FromCorner(grip), gripGap);
    EXPECT_EQ(sheet.GetTabControl()->geometry(), tab);
    EXPECT_EQ(group->geometry(), group0);
    EXPECT_EQ(chosen->geometry(), chosen0);
}

TEST_F(SheetFrameTest, MaximisingHidesTheGrip)
{
    QWidget* grip = Child(IDC_SIZEGRIP);
    const QPoint gripGap = FromCorner(grip);
    sheet.showMaximized();
    QCoreApplication::processEvents();
    ASSERT_TRUE(sheet.isMaximized());
    EXPECT_FALSE(grip->isVisible());
    EXPECT_EQ(FromCorner(Child(IDOK)).y(), FromCorner(Child(IDCANCEL)).y());

    sheet.showNormal();
    QCoreApplication::processEvents();
    EXPECT_TRUE(grip->isVisible());
    EXPECT_EQ(FromCorner(grip), gripGap);
}

TEST(SheetLifetime, TheSheetDeletesItsPages)
{
    QPointer<CPageBase> first;
    QPointer<CPageBase> second;
    {
        CUserSetRuleSheet sheet(L"");
        auto a = std::make_unique<CPageSingleSelect>();
        auto b = std::make_unique<CPageMultiSelect>();
        first = a.get();
        second = b.get();
        sheet.AddRulePage(std::move(a));
        sheet.AddRulePage(std::move(b));
        sheet.show();
        QCoreApplication::processEvents();
        EXPECT_TRUE(first->HasWindow());
        EXPECT_TRUE(second->HasWindow());
    }
    EXPECT_TRUE(first.isNull());
    EXPECT_TRUE(second.isNull());
}

} // namespace
