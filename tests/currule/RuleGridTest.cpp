// The rule table: titles, the header cell, and which cells each layout emits for records whose
// items and types interleave.
#include "currule/CurRuleFixture.h"

namespace kxtest {
namespace {

// The cells as "text|column" lines, the header pair included.
std::vector<std::string> Cells(const CStringArray& cells)
{
    std::vector<std::string> lines;
    for (std::size_t i = 0; i + 1 < cells.size(); i += 2)
        lines.push_back(U8(cells[i]) + "|" + U8(cells[i + 1]));
    if (cells.size() % 2)
        lines.push_back("odd entry: " + U8(cells.back()));
    return lines;
}

class RuleGrid : public CurRuleTest {
protected:
    std::vector<std::string> Grid(int nLayout, bool expected = true)
    {
        CStringArray cells{L"stale"}, titles{L"stale"};
        int nKeys = 0, nValues = 0;
        EXPECT_EQ(CFaceCurRule::GetTableGridData(cells, titles, nKeys, nValues, kQD, L"ignored", nLayout), expected);
        EXPECT_EQ(titles, (CStringArray{L"大构件", L"构件类型", L"计算项目", L"计算规则类型", L"本工程默认值"}));
        EXPECT_EQ(nKeys, 4);
        EXPECT_EQ(nValues, 1);
        return Cells(cells);
    }
};

// Interleaved items and types, sub-types, unknown types and value texts. The value text of every
// row is made afresh, so list rules do not pile up.
class RuleGridInterleaved : public RuleGrid {
protected:
    void SetUp() override
    {
        RuleGrid::SetUp();
        Doc().Items() = {
            Rule({12, -1}, L"体积", L"计算方式", L"1"),       // A
            Rule({12, -1}, L"实体模板", L"扣减项目", L"1,2"), // C
            Rule({18, -1}, L"体积", L"计算方式", L"0"),       // D
            Rule({12, 3}, L"体积", L"规则Z"),                 // E: a sub-type shows its type's names
            Rule({41, -1}, L"砖模", L"规则W"),                // F
            Rule({99, -1}, L"体积", L"规则V"),                // G: unknown type
            Rule({98, -1}, L"体积", L"规则U"),                // H: unknown too, same empty names
            Rule({12, -1}, L"体积", L"扣减项目", L"2"),       // B
        };
    }
};

TEST_F(RuleGridInterleaved, ByComponent)
{
    EXPECT_EQ(Grid(0), (std::vector<std::string>{
                           "计算规则数据|1",
                           "主体结构|1", "框架梁|2", "体积|3", "计算方式|4", "按长度|5",
                           "实体模板|3", "扣减项目|4", "1、扣柱 2、扣板 |5",
                           "屋面框架梁|2", "体积|3", "计算方式|4", "按体积|5",
                           "框架梁|2", "体积|3", "规则Z|4", "|5",
                           "基础工程|1", "基础梁|2", "砖模|3", "规则W|4", "|5",
                           "|1", "|2", "体积|3", "规则V|4", "|5",
                           "规则U|4", "|5",
                           "主体结构|1", "框架梁|2", "体积|3", "扣减项目|4", "1、扣板 |5",
                       }));
}

TEST_F(RuleGridInterleaved, ByCalculationItem)
{
    const std::vector<std::string> expected{
        "计算规则数据|1",
        "体积|1", "主体结构|2", "框架梁|3", "计算方式|4", "按长度|5",
        "屋面框架梁|3", "计算方式|4", "按体积|5",
        "框架梁|3", "规则Z|4", "|5",
        "|2", "|3", "规则V|4", "|5",
        "规则U|4", "|5",
        "主体结构|2", "框架梁|3", "扣减项目|4", "1、扣板 |5",
        "实体模板|1", "主体结构|2", "框架梁|3", "扣减项目|4", "1、扣柱 2、扣板 |5",
        "砖模|1", "基础工程|2", "基础梁|3", "规则W|4", "|5",
    };
    EXPECT_EQ(Grid(1), expected);
    EXPECT_EQ(Grid(-3), expected);
}

// An empty document gives the title row only; a rule type without document empties the lists and
// leaves the counts.
TEST_F(RuleGrid, EmptyDocumentAndMissingDocument)
{
    EXPECT_EQ(Grid(0, false), (std::vector<std::string>{"计算规则数据|1"}));

    CStringArray cells{L"stale"}, titles{L"stale"};
    int nKeys = 99, nValues = 99;
    EXPECT_FALSE(CFaceCurRule::GetTableGridData(cells, titles, nKeys, nValues, static_cast<KxSysRule::RuleType>(3),
                                                L"", 0));
    EXPECT_TRUE(cells.empty());
    EXPECT_TRUE(titles.empty());
    EXPECT_EQ(nKeys + nValues, 198);
}

} // namespace
} // namespace kxtest
