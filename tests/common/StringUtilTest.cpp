// List splitting and the C library's number conversions as the rule data relies on them.
#include <gtest/gtest.h>

#include "common/StringUtil.h"

TEST(SplitList, PiecesEscapesAndEmptyPieces)
{
    const std::pair<const wchar_t*, CStringArray> rows[] = {
        {L"", {}},
        {L"113,114,115", {L"113", L"114", L"115"}},
        {L"a,,b,", {L"a", L"b"}},
        {L",a", {L"a"}},
        {L"a\\,b", {L"a,b"}},
        {L"a\\b", {L"a\\b"}},              // a backslash before another character stays
        {L"a\\\\,b", {L"a\\,b"}},          // only the last backslash gives way to the separator
        {L"a\\", {L"a\\"}},
        {L" a , b ", {L" a ", L" b "}},    // not trimmed
    };
    for (const auto& [src, pieces] : rows) {
        CStringArray out{L"stale"};
        SplitList(src, out);
        EXPECT_EQ(out, pieces) << src;
    }
    CStringArray out;
    SplitList(L"a;b,c", out, L';');
    EXPECT_EQ(out, (CStringArray{L"a", L"b,c"}));
}

TEST(WcsToL, LikeTheCLibraryWithA32BitLong)
{
    const struct { const wchar_t* text; long value; std::size_t end; } rows[] = {
        {L"  -12abc", -12, 5},
        {L"\t\n+7", 7, 4},
        {L"007", 7, 3},
        {L"", 0, 0},
        {L"   ", 0, 0},
        {L"+ 5", 0, 0},
        {L"0x10", 0, 1},                   // base 10 only
        {L"2147483647", 2147483647L, 10},
        {L"2147483648", 2147483647L, 10},  // clamped
        {L"-2147483648", -2147483647L - 1, 11},
        {L"-2147483649", -2147483647L - 1, 11},
        {L"99999999999999999999999", 2147483647L, 23},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(&row - rows);
        std::size_t end = 99;
        EXPECT_EQ(kx::WcsToL(row.text, &end), row.value);
        EXPECT_EQ(end, row.end);
        EXPECT_EQ(kx::WToL(row.text), row.value);
    }
}

TEST(ListHelpers, RemoveAddJoin)
{
    CStringArray list{L"1", L"2", L"1"};
    EXPECT_TRUE(kx::RemoveFromArray(list, L"1"));
    EXPECT_EQ(list, (CStringArray{L"2", L"1"}));
    EXPECT_FALSE(kx::RemoveFromArray(list, L"3"));
    EXPECT_FALSE(kx::AddToArrayOnce(list, L"2"));
    EXPECT_TRUE(kx::AddToArrayOnce(list, L"5"));
    EXPECT_EQ(kx::Join(list), L"2,1,5");
    EXPECT_EQ(kx::Join({}), L"");
    EXPECT_EQ(kx::IntToStr(-2147483647L - 1), L"-2147483648");
}
