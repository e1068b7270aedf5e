// The code table's bucket rule, then its walk order, in-place renaming, lookups by code and the
// first-in-walk-order lookup by name, checked against a plain model of a chained hash map with
// head insertion.
#include <climits>
#include <list>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "sysrule/CCalItemTable.h"

namespace {

TEST(CalItemTable, BucketOfCode)
{
    // Codes 0..15 and -1..-16 share bucket 0: the shift keeps the sign.
    const std::pair<int, unsigned> rows[] = {{0, 0},    {15, 0},  {16, 1},   {31, 1},      {-1, 0},      {-16, 0},
                                             {-17, 16}, {272, 0}, {256, 16}, {INT_MAX, 7}, {INT_MIN, 10}};
    for (const auto& [code, bucket] : rows)
        EXPECT_EQ(CCalItemTable::BucketOf(code), bucket) << code;
}

// The table as a chained hash map: 17 lists, a new code pushed at the front of its list.
struct ChainedModel {
    std::vector<std::list<std::pair<int, CString>>> buckets = std::vector<std::list<std::pair<int, CString>>>(17);

    void SetAt(int code, const CString& name)
    {
        auto& chain = buckets[CCalItemTable::BucketOf(code)];
        for (auto& entry : chain)
            if (entry.first == code)
                return void(entry.second = name);
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
        for (const auto& [code, n] : Walk())
            if (n == name)
                return code;
        return -1;
    }
    const CString* Find(int code) const
    {
        for (const auto& entry : buckets[CCalItemTable::BucketOf(code)])
            if (entry.first == code)
                return &entry.second;
        return nullptr;
    }
};

TEST(CalItemTable, AgreesWithAChainedHashMapUnderRandomEdits)
{
    std::mt19937 rng(20240531);
    std::uniform_int_distribution<int> codeDist(-40, 400);
    std::uniform_int_distribution<int> nameDist(0, 12);
    CCalItemTable table;
    ChainedModel model;
    EXPECT_TRUE(table.IsEmpty());
    for (int step = 0; step < 3000; ++step) {
        const int code = step % 97 == 0 ? INT_MIN + step : codeDist(rng);
        const CString name = L"n" + std::to_wstring(nameDist(rng));
        table.SetAt(code, name);
        model.SetAt(code, name);
        if (step % 50 == 0) {
            const auto walk = model.Walk();
            ASSERT_EQ(table.Entries(), walk) << "step " << step;
            ASSERT_EQ(table.GetCount(), walk.size());
            for (int n = 0; n <= 13; ++n)
                ASSERT_EQ(table.CodeOf(L"n" + std::to_wstring(n)), model.CodeOf(L"n" + std::to_wstring(n)));
            for (int probe : {-1, 0, code, code + 1}) {
                const CString* found = table.Find(probe);
                const CString* expected = model.Find(probe);
                ASSERT_EQ(found ? *found : L"(none)", expected ? *expected : L"(none)") << probe;
            }
        }
    }
    table.RemoveAll();
    EXPECT_TRUE(table.IsEmpty());
    EXPECT_TRUE(table.Entries().empty());
    EXPECT_EQ(table.CodeOf(L"n1"), -1);
    EXPECT_EQ(table.Find(-1), nullptr);
}

} // namespace
