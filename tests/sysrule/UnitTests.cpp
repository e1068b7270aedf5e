// Units of calculation items: default units, parsing unit texts into type and factor, checking a
// unit, the fixed component types, attribute parameters and system variables.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <kxsysrule/CFaceSysRule.h>

#include "sysrule/RuleLibraryFixture.h"

namespace {

using namespace kxtest;
using KXTJAttrSysDef::ETJSysDefUnitType;

// Items by code: 1 体积 (m3,m2), 2 面积 (m,m2), 3 处数 (处), 4 空 (",,"), 5 大写 (M3,立方米),
// 6 转义 (a\,b,m), 7 无单位 (no units attribute), 8 吨数 (吨); 9 is not in any template.
class Units : public RuleLibraryTest {
protected:
    void SetUp() override
    {
        RuleLibraryTest::SetUp();
        WriteRuleCode("[main]\nRuleItemNum=9\n"
                      "[ITEM1]\nName=体积\nCODE=1\n[ITEM2]\nName=面积\nCODE=2\n[ITEM3]\nName=处数\nCODE=3\n"
                      "[ITEM4]\nName=空\nCODE=4\n[ITEM5]\nName=大写\nCODE=5\n[ITEM6]\nName=转义\nCODE=6\n"
                      "[ITEM7]\nName=无单位\nCODE=7\n[ITEM8]\nName=吨数\nCODE=8\n[ITEM9]\nName=别处\nCODE=9\n");
        WriteTemplates(R"(<Group id="1" name="G" display="组">
  <Comp name="梁" type="12">
    <Item name="体积" units="m3,m2">
      <Attr name="强度" code="QD" type="string" default="C30" values="C25,C30" unit="" desc="d1"/>
      <Attr name="宽度" code="B" type="double" default="300" values="" unit="mm" desc="d2"/>
    </Item>
    <Item name="面积" units="m,m2"/>
    <Item name="处数" units="处"/>
    <Item name="空" units=",,"/>
    <Item name="大写" units="M3,立方米"/>
    <Item name="转义" units="a\,b,m"/>
    <Item name="无单位"/>
    <Item name="吨数" units="吨"/>
    <SysVar name="跨数" code="KS" type="int" value="1" desc="梁的跨数"/>
    <SysVar name="标高" code="BG" type="double" value="0" desc=""/>
  </Comp>
  <Comp name="板" type="13">
    <Item name="体积" units="m3"/>
  </Comp>
</Group>
)");
    }

    static constexpr NS_KXComponentType::SCompGroupType kBeam{12, -1};

    struct Parsed {
        bool ok;
        ETJSysDefUnitType type;
        int factor;
    };
    static Parsed Parse(const std::string& text, int code, NS_KXComponentType::SCompGroupType comp = kBeam)
    {
        // Stale values show that a failed parse still resets type and factor.
        ETJSysDefUnitType type = KXTJAttrSysDef::UnitType_Count;
        int factor = 99;
        const bool ok = CFaceSysRule::ParseUnitType(W(std::string(text)), comp, code, type, factor);
        return {ok, type, factor};
    }
};

TEST_F(Units, DefaultUnitIsTheFirstAllowedUnit)
{
    CString unit = L"keep";
    EXPECT_TRUE(CFaceSysRule::GetDefaultUnit(kBeam, 1, unit));
    EXPECT_EQ(unit, L"m3");
    EXPECT_TRUE(CFaceSysRule::GetDefaultUnit(kBeam, 6, unit));
    EXPECT_EQ(unit, L"a,b");
    unit = L"keep";
    for (int code : {4, 7, 9, 1234}) {
        EXPECT_FALSE(CFaceSysRule::GetDefaultUnit(kBeam, code, unit)) << code;
        EXPECT_EQ(unit, L"keep");
    }
    EXPECT_FALSE(CFaceSysRule::GetDefaultUnit({77, -1}, 1, unit));
    EXPECT_EQ(unit, L"keep");
}

TEST_F(Units, FixedComponentTypesNeedNoParser)
{
    const struct {
        int type;
        const char* unit;
    } fixed[] = {{91, "个"}, {92, "m"}, {93, "m2"}};
    for (const auto& f : fixed) {
        for (int sub : {-1, 5}) {
            CString unit;
            EXPECT_TRUE(CFaceSysRule::GetDefaultUnit({f.type, sub}, 1234, unit));
            EXPECT_EQ(unit, W(std::string(f.unit)));
            // Parsing is refused for them, and any unit is accepted unchanged.
            const Parsed p = Parse(f.unit, 1, {f.type, sub});
            EXPECT_FALSE(p.ok);
            EXPECT_EQ(p.type, KXTJAttrSysDef::UnitType_None);
            EXPECT_EQ(p.factor, 1);
            CString anything = L"kg";
            EXPECT_TRUE(CFaceSysRule::IsDWVailid({f.type, sub}, L"无单位", anything));
            EXPECT_EQ(anything, L"kg");
        }
    }
    CStringArray units{L"untouched"};
    EXPECT_TRUE(Rules().GetItemUnits({92, -1}, 1, units));
    EXPECT_EQ(units, CStringArray{L"untouched"});
}

TEST_F(Units, ParseUnitTexts)
{
    const struct {
        const char* text;
        int code;
        bool ok;
        int type;
        int factor;
    } cases[] = {
        {"m3", 1, true, 3, 1},
        {"5m3", 1, true, 3, 5},
        {"5 m3", 1, false, 0, 1},   // the blank before the unit is not part of the number
        {" 5m3", 1, true, 3, 5},    // leading blanks are
        {"-2m3", 1, true, 3, -2},
        {"+m3", 1, false, 0, 1},
        {"m3x", 1, false, 0, 1},
        {"m2", 1, true, 2, 1},
        {"10m2", 1, true, 2, 10},
        {"99999999999m3", 1, true, 3, 2147483647},
        {"2m2", 2, true, 2, 2},     // "m" occurs first but is followed by "2"
        {"3m", 2, true, 1, 3},
        {"m3", 2, false, 0, 1},
        {"处", 3, false, 0, 1},     // allowed, but not a known unit name
        {"m3", 4, false, 0, 1},     // the list splits into nothing
        {"M3", 5, true, 3, 1},
        {"2M3", 5, true, 3, 2},
        {"m3", 5, false, 0, 1},     // letter case counts
        {"4立方米", 5, true, 3, 4},
        {"2吨", 8, true, 4, 2},
        {"m", 9, false, 0, 1},      // no template item for the code's name
        {"m", 1234, false, 0, 1},   // unknown code
    };
    for (const auto& c : cases) {
        const Parsed p = Parse(c.text, c.code);
        EXPECT_EQ(p.ok, c.ok) << c.text << " / " << c.code;
        EXPECT_EQ(p.type, c.type) << c.text << " / " << c.code;
        EXPECT_EQ(p.factor, c.factor) << c.text << " / " << c.code;
    }
}

TEST_F(Units, CheckUnitsAgainstTheAllowedList)
{
    const struct {
        const char* item;
        const char* unit;
        bool valid;
        const char* after;
    } cases[] = {
        {"体积", "m3", true, "m3"},
        {"体积", "-3m3", true, "-3m3"},
        {"体积", "12m2", true, "12m2"},
        {"体积", "kg", false, "m3"},
        {"体积", "5 m3", false, "m3"},
        {"体积", "m3x", false, "m3"},
        {"体积", "", false, "m3"},
        {"处数", "处", true, "处"},     // the name table takes no part here
        {"处数", "3处", true, "3处"},
        {"面积", "2m2", true, "2m2"},
        {"转义", "a,b", true, "a,b"},
        {"转义", "x", false, "a,b"},
        {"空", "kg", false, "kg"},      // no units known: left alone
        {"无单位", "kg", false, "kg"},
        {"没有的项目", "m3", false, "m3"},
    };
    for (const auto& c : cases) {
        CString unit = W(std::string(c.unit));
        EXPECT_EQ(CFaceSysRule::IsDWVailid(kBeam, W(std::string(c.item)), unit), c.valid) << c.item << " / " << c.unit;
        EXPECT_EQ(unit, W(std::string(c.after))) << c.item << " / " << c.unit;
    }
}

TEST_F(Units, AttributeParametersOfAnItem)
{
    std::vector<SKXAttParamOneNode> nodes(5);
    CFaceSysRule::getAttributes(kBeam, L"体积", nodes);
    ASSERT_EQ(nodes.size(), 2u);
    EXPECT_EQ(nodes[0].strName, L"强度");
    EXPECT_EQ(nodes[0].arrValues, (CStringArray{L"C25", L"C30"}));
    EXPECT_EQ(nodes[1].strUnit, L"mm");
    EXPECT_EQ(nodes[1].strDesc, L"d2");

    // An item without attributes empties the list; a missing item or type leaves it alone.
    CFaceSysRule::getAttributes(kBeam, L"面积", nodes);
    EXPECT_TRUE(nodes.empty());
    std::vector<SKXAttParamOneNode> kept(1);
    kept[0].strName = L"mine";
    CFaceSysRule::getAttributes(kBeam, L"没有的项目", kept);
    CFaceSysRule::getAttributes({77, -1}, L"体积", kept);
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].strName, L"mine");
}

TEST_F(Units, SystemVariablesOfAComponentType)
{
    std::vector<SKXAttSysValue> values(3);
    ASSERT_TRUE(CFaceSysRule::GetCalSysVariable(kBeam, values));
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(values[0].strCode, L"KS");
    EXPECT_EQ(values[0].strDesc, L"梁的跨数");
    EXPECT_EQ(values[1].strName, L"标高");

    EXPECT_TRUE(CFaceSysRule::GetCalSysVariable({13, -1}, values));
    EXPECT_TRUE(values.empty());
    values.resize(2);
    EXPECT_FALSE(CFaceSysRule::GetCalSysVariable({77, -1}, values));
    EXPECT_TRUE(values.empty());
}

} // namespace
