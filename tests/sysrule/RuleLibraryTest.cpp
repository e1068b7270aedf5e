// The rule library: RuleCode.ini against a chained hash map read item by item, the lifecycle,
// rule descriptions and default records, the display text of rule values, and units, attributes
// and variables of calculation items.
#include <list>
#include <random>
#include <tuple>

#include <gtest/gtest.h>

#include <kxhost/KxHost.h>
#include <kxsysrule/CFaceSysRule.h>
#include <kxsysrule/MessageBox.h>

#include "support/Installation.h"
#include "sysrule/CSysDefRule.h"
#include "sysrule/RuleCodeIni.h"

namespace {

using namespace kxtest;
using namespace kx::platform;
using NS_KXComponentType::SCompGroupType;

// Read by the ITEM sections that exist as reading ITEM1 to ITEM<count> one by one reads it (a
// missing item is an empty name under code -1), into 17 chains by the code shifted right by 4 with
// its sign (0..15 and -1..-16 share one), a new code at the head of its chain, walked chain by chain.
TEST(CalItemTable, RuleCodeIniAsReadItemByItem)
{
    std::vector<std::string> sections{
        "item3", " Item2 ", "ITEM01", "ITEM0", "ITEM", "ITEM-1", "ITEM+2", "ITEMx", "ITEM99999999999999999999"};
    for (int i = 1; i <= 12; ++i)
        sections.push_back("ITEM" + std::to_string(i));
    const std::string counts[] = {"", "0", "-2", "1", "3", "7", "12", "15", "4294967297"};
    std::mt19937 rng(5);
    TempDir dir;
    CCalItemTable table;
    for (int round = 0; round < 300; ++round) {
        std::string text = "[main]\nRuleItemNum=" + counts[rng() % std::size(counts)] + "\n";
        for (int s = rng() % 25; s > 0; --s) {
            const std::string codes[] = {std::to_string(int(rng() % 440) - 40), "-2147483648", "2147483647", "x", ""};
            text += "[" + sections[rng() % sections.size()] + "]\nName=n" + std::to_string(rng() % 6) + "\n";
            text += rng() % 4 ? "CODE=" + codes[rng() % 5] + "\n" : "";
        }
        SCOPED_TRACE(text);
        const IniFile ini = IniFile::Parse(W(text));
        std::vector<std::list<std::pair<int, CString>>> chains(17);
        for (int i = 1; i <= ReadProfileInt(ini, L"main", L"RuleItemNum", 0); ++i) {
            const int code = ReadProfileInt(ini, L"ITEM" + std::to_wstring(i), L"CODE", -1);
            auto& chain = chains[static_cast<std::uint32_t>(code >> 4) % 17];
            const auto it = std::find_if(chain.begin(), chain.end(), [&](const auto& e) { return e.first == code; });
            (it == chain.end() ? chain.emplace_front(code, L"") : *it).second =
                ReadProfileString(ini, L"ITEM" + std::to_wstring(i), L"Name", L"");
        }
        std::vector<std::pair<int, CString>> walk;
        for (const auto& chain : chains)
            walk.insert(walk.end(), chain.begin(), chain.end());

        const std::string file = (dir / ("c" + std::to_string(round))).string();
        WriteBytes(file, text);
        table.RemoveAll();
        EXPECT_EQ(kx::sysrule::ReadRuleCodeIni(file, table), ReadProfileInt(ini, L"main", L"RuleItemNum", 0) > 0);
        ASSERT_EQ(table.Entries(), walk);
        EXPECT_EQ(table.GetCount(), walk.size());
        EXPECT_EQ(table.IsEmpty(), walk.empty());
        for (const auto& [code, name] : walk)
            EXPECT_EQ(*table.Find(code), name);
        for (const CString name : {L"n0", L"n1", L"n2", L"n3", L"n4", L"n5", L""}) {
            const auto first = std::find_if(walk.begin(), walk.end(), [&](const auto& e) { return e.second == name; });
            EXPECT_EQ(table.CodeOf(name), first == walk.end() ? -1 : first->first);
        }
        EXPECT_EQ(table.Find(-2), nullptr);
    }
}

// The common installation, a component of type 70 whose units hold one outside the unit names and
// one in capitals, and a rule of type -1.
class RuleLibrary : public InstalledTest {
protected:
    void SetUp() override
    {
        std::string t = TemplatesXml();
        t.insert(
            t.find("  <Rules>"),
            R"(<Group id="4" name="More" display="附加"><Comp name="墙" type="70"><Item name="体积" units="处,M3,m">
<Attr name="强度" code="QD" type="string" default="C30" values="C25,C30" unit="" desc="d1"/><Attr name="宽度" unit="mm" desc="d2"/></Item>
<Item name="实体模板" units=",,"/><SysVar name="跨数" code="KS" desc="梁的跨数"/><SysVar name="标高"/></Comp></Group>)");
        t.insert(t.find("  </Rules>"), R"(<Rule type="-1" item="体积" name="无类型" select="S" options="0-a"/>)");
        Install(t);
    }
    static CSysDefRule& Rules() { return *CSysDefRule::GetInstance(); }
};

TEST_F(RuleLibrary, LoadedOnceFromTheSystemFolderUntilReleased)
{
    EXPECT_EQ(Rules().GetRuleDir(), W(Sys()) + L"\\rule");
    // Only the sections that exist are read: the count can be two thousand million.
    WriteBytes(Sys() / "Rule" / "RuleCode.ini",
               "[main]\nRuleItemNum=2147483647\n[ITEM1]\nName=柱\nCODE=1\n[ITEM3]\nName=板\nCODE=2\n"
               "[ITEM2147483646]\nName=远\nCODE=99\n[ITEM2147483647]\nName=末\nCODE=98\n");
    EXPECT_EQ(CFaceSysRule::GetCalItemName(1), L"体积");
    CSysDefRule::ReleaseInstance();
    CSysDefRule::ReleaseInstance();
    CStringArray names{L"keep"};
    CFaceSysRule::GetAllCalItemNames(names);
    EXPECT_EQ(names, (CStringArray{L"keep", L"板", L"", L"柱", L"末", L"远"}));
    EXPECT_EQ(CFaceSysRule::GetCalItemName(99) + CFaceSysRule::GetCalItemName(5), L"远");
    EXPECT_EQ(CFaceSysRule::GetCalItemCode(L"板"), 2);
    // The withdrawn form only shows its message; neither form loads the library.
    std::vector<CString> shown;
    KxSysRule::SetMessageBoxHandler([&](const CString& text) { shown.push_back(text); });
    CSysDefRule::ReleaseInstance();
    EXPECT_FALSE(CFaceSysRule::GetSysDefRules(W(Sys()), names) ||
                 CFaceSysRule::GetSysDefRules({12, -1}, L"体积", names, KxSysRule::Rule_QingDan));
    EXPECT_EQ(shown, std::vector<CString>{L"已取消接口CFaceSysRule::GetSysDefRules(CString strDir,CStringArray& strRules)"});
    // Another installation after a release: its files are read.
    TempDir other;
    WriteBytes(
        other / "Template" / "Templates.xml",
        "<Templates><Rules><Rule type=\"13\" item=\"面积\" name=\"计算方式\" select=\"S\"/></Rules></Templates>");
    WriteBytes(other / "Rule" / "RuleCode.ini", "[main]\nRuleItemNum=1\n[ITEM1]\nName=墙\nCODE=1\n");
    KxHost::SetKXSysDir(other.wpath());
    std::vector<SRuleItem> out;
    EXPECT_EQ(CFaceSysRule::GetCalItemName(1), L"墙");
    EXPECT_TRUE(!Rules().FindSysRules({12, -1}, L"体积", out) && Rules().FindSysRules({13, -1}, L"面积", out));
}

TEST_F(RuleLibrary, DescriptionsAndDefaultRecords)
{
    const fs::path desc = Sys() / "Rule" / "RuleDesc.ini";
    WriteBytes(desc, "[KouJ]\nTYPE3=扣柱\n[]\nTYPE3=无名节\n");
    CStringArray descs;
    EXPECT_TRUE(Rules().GetRuleDescs(L"KouJ", {L"3", L"12", L"3"}, descs) &&
                descs == (CStringArray{L"扣柱", L"", L"扣柱"}));
    EXPECT_FALSE(Rules().GetRuleDescs(L"", {L"3"}, descs) || !descs.empty()); // though the file has such a section
    // The same instance sees the file edited.
    WriteBytes(desc, "[KouJ]\nTYPE3=改\n");
    EXPECT_TRUE(Rules().GetRuleDescs(L"KouJ", {L"3"}, descs) && descs == CStringArray{L"改"});

    // Appended in the templates' order; the sub-type counts, a type of -1 is refused.
    std::vector<SRuleItem> out(1);
    ASSERT_TRUE(Rules().FindSysRules({12, -1}, L"体积", out) && out.size() == 8);
    EXPECT_EQ(out[1].strRuleName + out[3].strRuleName + out[3].strOptions + out[7].strRuleName,
              L"扣减项目计算方式0-按设计图示尺寸,1-按净空尺寸,2-按外皮尺寸空选项");
    out.clear();
    EXPECT_FALSE(Rules().FindSysRules({12, -1}, L"弧形模板", out) || Rules().FindSysRules({-1, -1}, L"体积", out));
    ASSERT_TRUE(Rules().FindSysRules({12, 3}, L"弧形模板", out) && out.size() == 1);
    // By name the last record wins; no record gives an empty one.
    out = {out[0], out[0], out[0]};
    std::tie(out[0].strValue, out[1].strRuleName, out[2].strValue) = std::tuple(L"first", L"other", L"last");
    EXPECT_EQ(Rules().FindRuleByName(L"计算方式", out).strValue + Rules().FindRuleByName(L"计", out).strRuleName, L"last");
    // The rule sheet needs a name and a value, and default records.
    CStringArray rules{L"计算方式"}, pair{L"计算方式", L"1"};
    EXPECT_FALSE(CFaceSysRule::UserSetRules({12, -1}, L"体积", rules, KxSysRule::Rule_QingDan) ||
                 CFaceSysRule::UserSetRules({12, -1}, L"模板", pair, KxSysRule::Rule_QingDan));
}

TEST_F(RuleLibrary, ShownTextOfRuleValues)
{
    // Type, item, rule, value, the text before the call, and after it (null: refused, left alone).
    const std::tuple<SCompGroupType, const char*, const char*, const char*, const char*, const char*> rows[] = {
        // Single choice: the label of the option the value numbers.
        {{12, -1}, "体积", "计算方式", "1", "x", "按净空尺寸"}, {{12, -1}, "体积", "计算方式", "", "x", "按设计图示尺寸"},
        {{12, -1}, "体积", "计算方式", "3", "x", nullptr}, {{12, -1}, "体积", "空选项", "0", "x", nullptr},
        // Lists append numbered descriptions in the user's order, empty pieces dropped.
        {{12, -1}, "体积", "扣减项目", "2,,9,1", "x", "x1、现浇板 2、 3、梁头 "},
        {{12, -1}, "体积", "模板类别", "1", "x", "x"}, // no section to read
        {{12, -1}, "体积", "附加说明", "0", "x", "x"}, // other select types succeed without text
        {{12, -1}, "板", "计算方式", "0", "x", nullptr}, {{-1, -1}, "体积", "无类型", "0", "x", nullptr},
    };
    for (const auto& [comp, item, rule, value, before, after] : rows) {
        CString text = W(before);
        EXPECT_EQ(Rules().GetShowRuleText(comp, W(item), W(rule), W(value), text), after != nullptr) << rule << value;
        EXPECT_EQ(text, W(after ? after : before)) << rule << value;
    }
}

// Items by code: 1 体积 (units 处,M3,m in type 70), 2 实体模板 (",,"), 3 弧形模板 (not in type 70).
// Types 91-93 have a unit of their own and accept any.
TEST_F(RuleLibrary, UnitsAttributesAndVariables)
{
    // The default unit (null: none, the unit left alone); parsed: type x factor, for a unit in the
    // name table; checked: the answer and the unit after.
    const std::tuple<SCompGroupType, int, const char*, const char*, const char*, const char*> rows[] = {
        {{70, -1}, 1, "5M3", "处", "3x5", "ok 5M3"},  {{70, -1}, 1, "3m", "处", "1x3", "ok 3m"},
        {{70, -1}, 1, "2处", "处", "0x1", "ok 2处"},  {{70, -1}, 1, "m3", "处", "0x1", "no 处"},
        {{70, -1}, 2, "m3", nullptr, "0x1", "no m3"}, {{70, -1}, 3, "m", nullptr, "0x1", "no m"},
        {{77, -1}, 1, "m", nullptr, "0x1", "no m"},   {{12, -1}, 1, "4立方米", "m3", "3x4", "ok 4立方米"},
        {{12, -1}, 2, "2m2", "m2", "2x2", "ok 2m2"},  {{91, -1}, 9, "m2", "个", "0x1", "ok m2"},
        {{92, 5}, 1, "m2", "m", "0x1", "ok m2"},      {{93, -1}, 1, "m", "m2", "0x1", "ok m"}};
    for (const auto& [comp, code, unit, def, parsed, checked] : rows) {
        CString text = L"keep";
        EXPECT_EQ(CFaceSysRule::GetDefaultUnit(comp, code, text), def != nullptr) << unit;
        EXPECT_EQ(text, W(def ? def : "keep")) << unit;
        auto type = KXTJAttrSysDef::UnitType_Count;
        int factor = 99;
        EXPECT_EQ(CFaceSysRule::ParseUnitType(W(unit), comp, code, type, factor), std::string(parsed) != "0x1") << unit;
        EXPECT_EQ(std::to_string(type) + "x" + std::to_string(factor), parsed) << unit;
        text = W(unit);
        const bool ok = CFaceSysRule::IsDWVailid(comp, CFaceSysRule::GetCalItemName(code), text);
        EXPECT_EQ((ok ? "ok " : "no ") + U8(text), checked) << unit;
    }
    CStringArray units{L"untouched"};
    EXPECT_TRUE(Rules().GetItemUnits({92, -1}, 1, units) && units == CStringArray{L"untouched"});

    // An item without attributes empties the list; a missing item or type leaves it alone.
    std::vector<SKXAttParamOneNode> nodes(5), kept(1);
    CFaceSysRule::getAttributes({70, -1}, L"体积", nodes);
    CFaceSysRule::getAttributes({70, -1}, L"弧形模板", kept);
    CFaceSysRule::getAttributes({77, -1}, L"体积", kept);
    ASSERT_EQ(nodes.size() + kept.size(), 3u);
    EXPECT_EQ(nodes[0].strName + nodes[0].arrValues[1] + nodes[1].strUnit + nodes[1].strDesc, L"强度C30mmd2");
    CFaceSysRule::getAttributes({70, -1}, L"实体模板", nodes);
    EXPECT_TRUE(nodes.empty());
    // Variables: an unknown type fails with none.
    std::vector<SKXAttSysValue> values(3), none(2);
    EXPECT_TRUE(CFaceSysRule::GetCalSysVariable({70, -1}, values) && !CFaceSysRule::GetCalSysVariable({77, -1}, none) &&
                none.empty());
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(values[0].strCode + values[0].strDesc + values[1].strName, L"KS梁的跨数标高");
}

} // namespace
