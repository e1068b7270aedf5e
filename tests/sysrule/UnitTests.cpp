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

    // "ok 3x5" for a volume with factor 5, "no 0x1" for a refusal. The stale values show that a
    // failed parse still resets type and factor.
    static std::string Parse(const char* text, int code, NS_KXComponentType::SCompGroupType comp = kBeam)
    {
        ETJSysDefUnitType type = KXTJAttrSysDef::UnitType_Count;
        int factor = 99;
        const bool ok = CFaceSysRule::ParseUnitType(W(text), comp, code, type, factor);
        return (ok ? "ok " : "no ") + std::to_string(type) + "x" + std::to_string(factor);
    }
};

// The first allowed unit, "a,b" from an escaped comma; types 91-93 have fixed units and need no
// parser, which also refuses to parse for them and accepts any unit unchanged.
TEST_F(Units, DefaultUnitIsTheFirstAllowedUnit)
{
    const struct {
        NS_KXComponentType::SCompGroupType comp;
        int code;
        const wchar_t* unit; // null: refused, the unit left alone
    } rows[] = {
        {kBeam, 1, L"m3"},       {kBeam, 6, L"a,b"},     {kBeam, 4, nullptr},       {kBeam, 7, nullptr},
        {kBeam, 9, nullptr},     {kBeam, 1234, nullptr}, {{77, -1}, 1, nullptr},    {{91, -1}, 1234, L"个"},
        {{92, 5}, 1, L"m"},      {{93, -1}, 1, L"m2"},
    };
    for (const auto& r : rows) {
        CString unit = L"keep";
        EXPECT_EQ(CFaceSysRule::GetDefaultUnit(r.comp, r.code, unit), r.unit != nullptr) << r.comp.nTypeId << "/" << r.code;
        EXPECT_EQ(unit, r.unit ? r.unit : L"keep") << r.comp.nTypeId << "/" << r.code;
    }
    for (const NS_KXComponentType::SCompGroupType fixed : {NS_KXComponentType::SCompGroupType{91, -1}, {92, 5}, {93, -1}}) {
        EXPECT_EQ(Parse("m2", 1, fixed), "no 0x1");
        CString anything = L"kg";
        EXPECT_TRUE(CFaceSysRule::IsDWVailid(fixed, L"无单位", anything));
        EXPECT_EQ(anything, L"kg");
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
        const char* expected;
    } rows[] = {
        {"m3", 1, "ok 3x1"},
        {"5m3", 1, "ok 3x5"},
        {"5 m3", 1, "no 0x1"}, // the blank before the unit is not part of the number
        {" 5m3", 1, "ok 3x5"}, // leading blanks are
        {"-2m3", 1, "ok 3x-2"},
        {"+m3", 1, "no 0x1"},
        {"m3x", 1, "no 0x1"},
        {"10m2", 1, "ok 2x10"},
        {"99999999999m3", 1, "ok 3x2147483647"},
        {"2m2", 2, "ok 2x2"}, // "m" occurs first but is followed by "2"
        {"3m", 2, "ok 1x3"},
        {"m3", 2, "no 0x1"},
        {"处", 3, "no 0x1"}, // allowed, but not a known unit name
        {"m3", 4, "no 0x1"}, // the list splits into nothing
        {"2M3", 5, "ok 3x2"},
        {"m3", 5, "no 0x1"}, // letter case counts
        {"4立方米", 5, "ok 3x4"},
        {"2吨", 8, "ok 4x2"},
        {"m", 9, "no 0x1"},    // no template item for the code's name
        {"m", 1234, "no 0x1"}, // unknown code
    };
    for (const auto& r : rows)
        EXPECT_EQ(Parse(r.text, r.code), r.expected) << r.text << " / " << r.code;
}

TEST_F(Units, CheckUnitsAgainstTheAllowedList)
{
    const struct {
        const char* item;
        const char* unit;
        const char* expected; // the answer and the unit after the call
    } rows[] = {
        {"体积", "m3", "ok m3"},
        {"体积", "-3m3", "ok -3m3"},
        {"体积", "12m2", "ok 12m2"},
        {"体积", "kg", "no m3"}, // replaced by the default unit
        {"体积", "5 m3", "no m3"},
        {"体积", "", "no m3"},
        {"处数", "3处", "ok 3处"}, // the name table takes no part here
        {"面积", "2m2", "ok 2m2"},
        {"转义", "a,b", "ok a,b"},
        {"转义", "x", "no a,b"},
        {"空", "kg", "no kg"}, // no units known: left alone
        {"无单位", "kg", "no kg"},
        {"没有的项目", "m3", "no m3"},
    };
    for (const auto& r : rows) {
        CString unit = W(r.unit);
        const bool ok = CFaceSysRule::IsDWVailid(kBeam, W(r.item), unit);
        EXPECT_EQ((ok ? "ok " : "no ") + U8(unit), r.expected) << r.item << " / " << r.unit;
    }
}

TEST_F(Units, AttributeParametersAndSystemVariables)
{
    std::vector<SKXAttParamOneNode> nodes(5);
    CFaceSysRule::getAttributes(kBeam, L"体积", nodes);
    ASSERT_EQ(nodes.size(), 2u);
    EXPECT_EQ(nodes[0].strName, L"强度");
    EXPECT_EQ(nodes[0].arrValues, (CStringArray{L"C25", L"C30"}));
    EXPECT_EQ(nodes[1].strUnit + L"|" + nodes[1].strDesc, L"mm|d2");
    // An item without attributes empties the list; a missing item or type leaves it alone.
    CFaceSysRule::getAttributes(kBeam, L"面积", nodes);
    EXPECT_TRUE(nodes.empty());
    nodes.resize(1);
    CFaceSysRule::getAttributes(kBeam, L"没有的项目", nodes);
    CFaceSysRule::getAttributes({77, -1}, L"体积", nodes);
    EXPECT_EQ(nodes.size(), 1u);

    std::vector<SKXAttSysValue> values(3);
    ASSERT_TRUE(CFaceSysRule::GetCalSysVariable(kBeam, values));
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(values[0].strCode + L"|" + values[0].strDesc, L"KS|梁的跨数");
    EXPECT_EQ(values[1].strName, L"标高");
    // A type without variables succeeds with none, an unknown type fails with none.
    EXPECT_TRUE(CFaceSysRule::GetCalSysVariable({13, -1}, values));
    EXPECT_TRUE(values.empty());
    values.resize(2);
    EXPECT_FALSE(CFaceSysRule::GetCalSysVariable({77, -1}, values));
    EXPECT_TRUE(values.empty());
}

} // namespace
