// List splitting, and the number conversion held against the C library over every short text.
#include <gtest/gtest.h>

#include <climits>
#include <cwchar>

#include "common/StringUtil.h"
#include "support/IntegerTexts.h"

TEST(SplitList, PiecesEscapesAndEmptyPieces)
{
    // A backslash gives way to the separator it stands before, and stays before anything else.
    const std::pair<const wchar_t*, CStringArray> rows[] = {
        {L"", {}}, {L"113,114,115", {L"113", L"114", L"115"}}, {L"a,,b,", {L"a", L"b"}}, {L",a", {L"a"}},
        {L"\\,", {L","}}, {L"a\\b", {L"a\\b"}}, {L"a\\\\,b", {L"a\\,b"}},
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

// As wcstol with a 32-bit long, clamped where it overflows.
TEST(WcsToL, LikeTheCLibraryWithA32BitLong)
{
    for (const CString& text : kxtest::IntegerTexts()) {
        wchar_t* end = nullptr;
        const long long expected = std::clamp<long long>(std::wcstoll(text.c_str(), &end, 10), INT32_MIN, INT32_MAX);
        std::size_t nEnd = 99;
        ASSERT_EQ(kx::WcsToL(text, &nEnd), expected) << text;
        ASSERT_TRUE(nEnd == std::size_t(end - text.c_str()) && kx::WToL(text) == expected) << text;
    }
    EXPECT_EQ(kx::IntToStr(-2147483647L - 1), L"-2147483648");
}

TEST(ListHelpers, RemoveAddJoin)
{
    CStringArray list{L"1", L"2", L"1"};
    EXPECT_TRUE(kx::RemoveFromArray(list, L"1") && list == (CStringArray{L"2", L"1"}) &&
                !kx::RemoveFromArray(list, L"3"));
    EXPECT_TRUE(!kx::AddToArrayOnce(list, L"2") && kx::AddToArrayOnce(list, L"5"));
    EXPECT_TRUE(kx::Join(list) == L"2,1,5" && kx::Join(list, L';') == L"2;1;5" && kx::Join({}).empty());
}
