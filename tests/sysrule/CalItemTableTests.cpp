// The code table's bucket rule, walk order, in-place renaming and the first-in-walk-order lookup
// by name, checked against a plain model of a chained hash map with head insertion.
#include <climits>
#include <list>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "sysrule/CCalItemTable.h"

namespace {

std::vector<int> WalkCodes(const CCalItemTable& table)
{
    std::vector<int> codes;
    table.ForEach([&](int code, const CString&) { codes.push_back(code); });
    return codes;
}

TEST(CalItemTable, BucketOfCode)
{
    for (int code = 0; code <= 15; ++code)
        EXPECT_EQ(CCalItemTable::BucketOf(code), 0u) << code;
    for (int code = 16; code <= 31; ++code)
        EXPECT_EQ(CCalItemTable::BucketOf(code), 1u) << code;
    EXPECT_EQ(CCalItemTable::BucketOf(-1), 0u);
    EXPECT_EQ(CCalItemTable::BucketOf(-16), 0u);
    EXPECT_EQ(CCalItemTable::BucketOf(-17), 16u);
    EXPECT_EQ(CCalItemTable::BucketOf(272), 0u);
    EXPECT_EQ(CCalItemTable::BucketOf(256), 16u);
    EXPECT_EQ(CCalItemTable::BucketOf(INT_MAX), 7u);
    EXPECT_EQ(CCalItemTable::BucketOf(INT_MIN), 10u);
}

TEST(CalItemTable, NewestFirstWithinABucketBucketsAscending)
{
    CCalItemTable table;
    for (int code = 1; code <= 10; ++code)
        table.SetAt(code, L"n" + std::to_wstring(code));
    EXPECT_EQ(WalkCodes(table), (std::vector<int>{10, 9, 8, 7, 6, 5, 4, 3, 2, 1}));

    CCalItemTable mixed;
    mixed.SetAt(1, L"a");
    mixed.SetAt(2, L"b");
    mixed.SetAt(20, L"c");
    mixed.SetAt(-17, L"d");
    mixed.SetAt(272, L"e");
    EXPECT_EQ(WalkCodes(mixed), (std::vector<int>{272, 2, 1, 20, -17}));
}

TEST(CalItemTable, RenamingAnExistingCodeKeepsItsPlace)
{
    CCalItemTable table;
    table.SetAt(1, L"a");
    table.SetAt(2, L"b");
    table.SetAt(1, L"c");
    EXPECT_EQ(WalkCodes(table), (std::vector<int>{2, 1}));
    ASSERT_NE(table.Find(1), nullptr);
    EXPECT_EQ(*table.Find(1), L"c");
    EXPECT_EQ(table.CodeOf(L"a"), -1);
    EXPECT_EQ(table.CodeOf(L"c"), 1);
    EXPECT_EQ(table.GetCount(), 2u);
}

TEST(CalItemTable, NameLookupGivesFirstInWalkOrder)
{
    CCalItemTable table;
    table.SetAt(3, L"柱");
    table.SetAt(5, L"柱");  // same bucket, added later: walks first
    table.SetAt(40, L"梁");
    table.SetAt(20, L"梁"); // bucket 1 walks before bucket 2
    EXPECT_EQ(table.CodeOf(L"柱"), 5);
    EXPECT_EQ(table.CodeOf(L"梁"), 20);
    table.SetAt(5, L"板");
    EXPECT_EQ(table.CodeOf(L"柱"), 3);
    table.SetAt(5, L"柱");
    EXPECT_EQ(table.CodeOf(L"柱"), 5);
    // Whole, case-sensitive names only.
    table.SetAt(7, L"Wall");
    EXPECT_EQ(table.CodeOf(L"wall"), -1);
    EXPECT_EQ(table.CodeOf(L"Wall "), -1);
    EXPECT_EQ(table.CodeOf(L"Wal"), -1);
}

TEST(CalItemTable, MinusOneIsAnOrdinaryKey)
{
    CCalItemTable table;
    EXPECT_EQ(table.Find(-1), nullptr);
    table.SetAt(-1, L"");
    table.SetAt(4, L"x");
    ASSERT_NE(table.Find(-1), nullptr);
    EXPECT_EQ(*table.Find(-1), L"");
    EXPECT_EQ(table.CodeOf(L""), -1);
    EXPECT_EQ(WalkCodes(table), (std::vector<int>{4, -1}));
    table.RemoveAll();
    EXPECT_TRUE(table.IsEmpty());
    EXPECT_TRUE(WalkCodes(table).empty());
    EXPECT_EQ(table.CodeOf(L"x"), -1);
}

// The table as a chained hash map: 17 lists, a new code pushed at the front of its list.
struct ChainedModel {
    std::vector<std::list<std::pair<int, CString>>> buckets = std::vector<std::list<std::pair<int, CString>>>(17);

    void SetAt(int code, const CString& name)
    {
        auto& chain = buckets[CCalItemTable::BucketOf(code)];
        for (auto& entry : chain) {
            if (entry.first == code) {
                entry.second = name;
                return;
            }
        }
        chain.emplace_front(code, name);
    }
    std::vector<std::pair<int, CString>> Walk() const
    {
        std::vector<std::pair<int, CString>> out;
        for (const auto& chain : buckets)
            out.insert(out.end(), chain.begin(), chain.end());
        return out;
    }
    int CodeOf(const CString& name) const
    {
        for (const auto& [code, n] : Walk()) {
            if (n == name)
                return code;
        }
        return -1;
    }
};

TEST(CalItemTable, AgreesWithAChainedHashMapUnderRandomEdits)
{
    std::mt19937 rng(20240531);
    std::uniform_int_distribution<int> codeDist(-40, 400);
    std::uniform_int_distribution<int> nameDist(0, 12);
    CCalItemTable table;
    ChainedModel model;
    for (int step = 0; step < 3000; ++step) {
        const int code = step % 97 == 0 ? INT_MIN + step : codeDist(rng);
        const CString name = L"n" + std::to_wstring(nameDist(rng));
        table.SetAt(code, name);
        model.SetAt(code, name);
        if (step % 50 == 0) {
            ASSERT_EQ(table.Entries(), model.Walk()) << "step " << step;
            for (int n = 0; n <= 13; ++n)
                ASSERT_EQ(table.CodeOf(L"n" + std::to_wstring(n)), model.CodeOf(L"n" + std::to_wstring(n)));
        }
    }
}

} // namespace
