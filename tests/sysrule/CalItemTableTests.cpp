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
    const CString* Find(int code) const
    {
        for (const auto& entry : buckets[CCalItemTable::BucketOf(code)]) {
            if (entry.first == code)
                return &entry.second;
        }
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
                ASSERT_EQ(found != nullptr, expected != nullptr) << probe;
                if (found) {
                    ASSERT_EQ(*found, *expected) << probe;
                }
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
