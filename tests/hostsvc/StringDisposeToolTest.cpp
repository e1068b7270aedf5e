// Version comparison and list lookup of the bundled host services.
#include <gtest/gtest.h>

#include <kxhost/HostServices.h>

namespace {

struct VersionCase {
    const wchar_t* a;
    const wchar_t* b;
    int count;
    int sign;
};

int Sign(int v) { return (v > 0) - (v < 0); }

} // namespace

TEST(CompareVersion, ComparesDottedNumbersNumerically)
{
    const VersionCase cases[] = {
        {L"25.1.0", L"25.1.0", 3, 0},
        {L"22.3.1", L"25.1.0", 3, -1},
        {L"25.1.0", L"24.2.0", 3, 1},
        {L"24.10.0", L"24.9.0", 3, 1},   // numbers, not text
        {L"24.9.0", L"24.10.0", 3, -1},
        {L"25.01.0", L"25.1.0", 3, 0},   // leading zeros do not count
        {L"25.1", L"25.1.0", 3, 0},      // a missing number is 0
        {L"25", L"25.0.1", 3, -1},
        {L"", L"0.0.0", 3, 0},
        {L"", L"0.0.1", 3, -1},
        {L"25.1.0.9", L"25.1.0.1", 3, 0}, // only the first `count` numbers
        {L"25.1.0.9", L"25.1.0.1", 4, 1},
        {L"25.1.7", L"25.1.0", 2, 0},
        {L"26.0.0", L"25.9.9", 1, 1},
        {L"1.2.3", L"9.9.9", 0, 0},
        {L"25..1", L"25.0.1", 3, 0},     // an empty number is 0
        {L"25.1.0", L"25.1.0-beta", 3, 0},
        {L"100.0.0", L"99.99.99", 3, 1},
    };
    for (const VersionCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "count " << c.count << " case " << (&c - cases));
        EXPECT_EQ(Sign(CStringDisposeTool::CompareVersion(c.a, c.b, c.count)), c.sign);
        EXPECT_EQ(Sign(CStringDisposeTool::CompareVersion(c.b, c.a, c.count)), -c.sign);
    }
}

TEST(IsInAry, FirstExactMatch)
{
    const CStringArray list{L"113", L"114", L"113", L"", L"扣减项目"};
    EXPECT_EQ(CStringDisposeTool::IsInAry(L"113", list), 0);
    EXPECT_EQ(CStringDisposeTool::IsInAry(L"114", list), 1);
    EXPECT_EQ(CStringDisposeTool::IsInAry(L"", list), 3);
    EXPECT_EQ(CStringDisposeTool::IsInAry(L"扣减项目", list), 4);
    EXPECT_LT(CStringDisposeTool::IsInAry(L"11", list), 0);
    EXPECT_LT(CStringDisposeTool::IsInAry(L"113 ", list), 0);
    EXPECT_LT(CStringDisposeTool::IsInAry(L"kouj", CStringArray{L"KouJ"}), 0);
    EXPECT_LT(CStringDisposeTool::IsInAry(L"", CStringArray{}), 0);
}
