// Version comparison and list lookup of the bundled host services.
#include <gtest/gtest.h>

#include <kxhost/HostServices.h>

TEST(CompareVersion, ComparesDottedNumbersNumerically)
{
    // Each row is compared both ways round.
    const struct { const wchar_t* a; const wchar_t* b; int count; int sign; } rows[] = {
        {L"25.1.0", L"25.1.0", 3, 0},
        {L"25.1.0", L"24.2.0", 3, 1},
        {L"24.10.0", L"24.9.0", 3, 1},   // numbers, not text
        {L"25.01.0", L"25.1.0", 3, 0},   // leading zeros do not count
        {L"25.1", L"25.1.0", 3, 0},      // a missing number is 0
        {L"", L"0.0.0", 3, 0},
        {L"", L"0.0.1", 3, -1},
        {L"25.1.0.9", L"25.1.0.1", 3, 0}, // only the first `count` numbers
        {L"25.1.0.9", L"25.1.0.1", 4, 1},
        {L"26.0.0", L"25.9.9", 1, 1},
        {L"1.2.3", L"9.9.9", 0, 0},
        {L"25..1", L"25.0.1", 3, 0},     // an empty number is 0
        {L"25.1.0", L"25.1.0-beta", 3, 0},
    };
    const auto sign = [](int v) { return (v > 0) - (v < 0); };
    for (const auto& row : rows) {
        SCOPED_TRACE(&row - rows);
        EXPECT_EQ(sign(CStringDisposeTool::CompareVersion(row.a, row.b, row.count)), row.sign);
        EXPECT_EQ(sign(CStringDisposeTool::CompareVersion(row.b, row.a, row.count)), -row.sign);
    }
}

TEST(IsInAry, FirstExactMatch)
{
    const CStringArray list{L"113", L"114", L"113", L"", L"扣减项目"};
    const std::pair<const wchar_t*, int> rows[] = {{L"113", 0}, {L"114", 1}, {L"", 3}, {L"扣减项目", 4}, {L"11", -1}, {L"113 ", -1}};
    for (const auto& [text, index] : rows)
        EXPECT_EQ(CStringDisposeTool::IsInAry(text, list), index) << text;
    EXPECT_EQ(CStringDisposeTool::IsInAry(L"kouj", CStringArray{L"KouJ"}), -1);
    EXPECT_EQ(CStringDisposeTool::IsInAry(L"", CStringArray{}), -1);
}
