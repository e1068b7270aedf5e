// The bundled template parser: template texts against the model they give or the fault they name
// with file and line, the lookups, and the first query loading without an Init.
#include <gtest/gtest.h>

#include <optional>
#include <tuple>

#include <kxhost/KxHost.h>

#include "common/StringUtil.h"
#include "support/TestSupport.h"

using namespace kxtest;
using NS_KXComponentType::SCompGroupType;

namespace {

ITemplateParser& Parser() { return *GetTemplateParser(); }
std::string J(const CStringArray& fields) { return U8(kx::Join(fields, L'|')); }
std::string N(int a, int b) { return std::to_string(a) + "/" + std::to_string(b); }

// The whole model as the queries give it: a line per group, per template with its items (units,
// attributes) and variables, per rule. "!" ends a line whose record its own keys do not find again.
std::string Dump()
{
    std::string out;
    std::vector<SCompGroupInfo*> groups;
    Parser().GetCompGroups(groups, true);
    for (const SCompGroupInfo* g : groups) {
        out += "G" + J({kx::IntToStr(g->nGroupId), g->strName, g->strDisplayName});
        out += Parser().GetCompGroup(g->nGroupId) == g ? "\n" : "!\n";
        std::vector<SCompTemplate*> comps;
        Parser().GetGroupCompTemplates(g->nGroupId, comps);
        for (SCompTemplate* comp : comps) {
            std::vector<SCompTemplate*> all{comp};
            all.insert(all.end(), comp->vecSubTemplates.begin(), comp->vecSubTemplates.end());
            for (SCompTemplate* t : all) {
                const bool sub = t != comp;
                out += (sub ? "S" : "C") + N(t->nTypeId, t->nGroupId) + " " + U8(t->strName);
                CStringArray names;
                for (const SCalItemTemplate& item : t->vecCalItems) {
                    names.push_back(item.strName);
                    out += " " + U8(item.strName) + "=" + U8(item.strUnits);
                    for (const SKXAttParamOneNode& a : item.vecAttrs) {
                        out += "[" + J({a.strName, a.strCode, a.strType, a.strDefValue, kx::Join(a.arrValues, L';'),
                                        a.strUnit, a.strDesc}) + "]";
                    }
                }
                for (const SKXAttSysValue& v : t->vecSysValues)
                    out += " $" + J({v.strName, v.strCode, v.strType, v.strValue, v.strDesc});
                const bool found = Parser().GetCompTemplate({comp->nTypeId, sub ? t->nTypeId : -1}) == t &&
                                   t->pParent == (sub ? comp : nullptr) && names == t->arrItemNames &&
                                   (sub ? t->vecSubTemplates.empty() : Parser().GetCompTemplateByName(t->strName) == t);
                out += found ? "\n" : "!\n";
            }
        }
    }
    std::vector<SRuleItem> rules;
    if (!Parser().GetSysRules(rules))
        out += "no rules\n";
    for (const SRuleItem& r : rules)
        out += "R" + N(r.compType.nTypeId, r.compType.nSubTypeId) + " " + J({r.strCalItem, r.strRuleName,
               r.strSelectType, r.strIniType, r.strValue, r.strOptions, r.strText}) + "\n";
    return out;
}

const char* const kTemplates = R"(<?xml version="1.0" encoding="UTF-8"?>
<Templates><!-- 注释 -->
  <Group id="7" name="QiTi" display="砌体工程"><Other/>
    <Comp name="砌体墙" type="51">
      <Item name="体积" units="m3,立方米"><Other/>
        <Attr name="砂浆" code="SJ" type="string" default="M5" values="M5,M7.5\,混合,,M10" unit="" desc="砂浆标号"/>
        <Attr name="空"/>
      </Item>
      <SysVar name="墙厚" code="D" type="double" value="240" desc="单位：mm"/><SysVar/>
    </Comp>
  </Group>
  <Group id="3" name="ZhuTi" display="主体结构">
    <Comp name="框架梁" type="12"><Item name="体积" units="m3,立方米"/><Item name="实体模板" units="m2"/>
      <Sub type="3" name="弧形梁"><Item name="弧形模板" units="m2,平方米"/><Item name="体积" units="m3"/>
        <SysVar name="弧长" code="L" type="double" value="0" desc=""/></Sub>
      <Sub type="4" name="变截面梁"><Item name="变截面模板"/></Sub>
    </Comp>
    <Comp name="次梁" type="13"><Item name="体积" units="m3"/></Comp>
  </Group>
  <Rules><Other type="1"/>
    <Rule type="12" item="实体模板" name="扣减项目" select="M" ini="KouJ" value="1,2" options="1,2,3" text="说明\n第二行"/>
    <Rule type="12" sub="3" item="弧形模板" name="计算方式" select="S" value="0" options="0-按弧长,1-按弦长"/>
  </Rules>
  <Group id="-2" name="KongZu" display=""/>
  <Rules><Rule type="51" item="体积" name="增加项目"/></Rules>
</Templates>
)";

// What kTemplates gives: file order throughout, escaped commas kept and empty values dropped, the
// rule text's backslash-n kept as two characters, unknown elements and comments passed over.
const char* const kModel = R"(G7|QiTi|砌体工程
C51/7 砌体墙 体积=m3,立方米[砂浆|SJ|string|M5|M5;M7.5,混合;M10||砂浆标号][空||||||] $墙厚|D|double|240|单位：mm $||||
G3|ZhuTi|主体结构
C12/3 框架梁 体积=m3,立方米 实体模板=m2
S3/3 弧形梁 弧形模板=m2,平方米 体积=m3 $弧长|L|double|0|
S4/3 变截面梁 变截面模板=
C13/3 次梁 体积=m3
G-2|KongZu|
R12/-1 实体模板|扣减项目|M|KouJ|1,2|1,2,3|说明\n第二行
R12/3 弧形模板|计算方式|S||0|0-按弧长,1-按弦长|
R51/-1 体积|增加项目|||||
)";

// `body` inside the document element from line 2, a group from line 3, a component from line 4.
std::string InTemplates(const std::string& body) { return "<Templates>\n" + body + "\n</Templates>"; }
std::string InGroup(const std::string& body) { return InTemplates("<Group id='1' name='A'>\n" + body + "\n</Group>"); }
std::string InComp(const std::string& body) { return InGroup("<Comp name='梁' type='12'>\n" + body + "\n</Comp>"); }
std::string InRules(const std::string& body) { return InTemplates("<Rules>\n" + body + "\n</Rules>"); }
std::string Rule(const std::string& attrs) { return InRules("<Rule " + attrs + "/>"); }

struct Case {
    std::optional<std::string> xml;  // none: no template file
    std::string expected;            // the model, or ":line: " and the start of the fault
};

const Case kCases[] = {
    {kTemplates, kModel},
    // Numbers: blanks and a sign around a whole int; names only the newer XML name rules allow.
    {InTemplates(R"(<Group id=" 7 " name="A"/><Group id="+9" name="㐀组"/><Group id="-2147483648" name="B">)"
                 R"(<Comp type="2147483647" name="㐀梁"><Sub type="-0" name="2 号"/></Comp></Group>)"),
     "G7|A|\nG9|㐀组|\nG-2147483648|B|\nC2147483647/-2147483648 㐀梁\nS0/-2147483648 2 号\nno rules\n"},
    {Rule(R"(type="5" sub=" 2" item="3 号" name="㐀项目")"), "R5/2 3 号|㐀项目|||||\n"},
    {std::nullopt, ": the template file is missing or cannot be read"},
    {"", ":1: XML syntax error"},
    {"<?xml version='1.0'?>\n<Template/>", ":2: the document element is <Template>, expected <Templates>"},
    {InTemplates("<Group name='A'/>"), ":2: <Group> lacks the required attribute \"id\""},
    {InTemplates("<Group id='1'/>"), ":2: <Group> lacks the required attribute \"name\""},
    {InGroup("\n<Comp name='梁'/>"), ":4: <Comp> lacks the required attribute \"type\""},
    {InGroup("<Comp type='1'/>"), ":3: <Comp> lacks the required attribute \"name\""},
    {InComp("<Sub name='弧形'/>"), ":4: <Sub> lacks the required attribute \"type\""},
    {InComp("<Sub type='2'/>"), ":4: <Sub> lacks the required attribute \"name\""},
    {InComp("<Item units='m'/>"), ":4: <Item> lacks the required attribute \"name\""},
    {Rule("item='体积' name='扣减项目'"), ":3: <Rule> lacks the required attribute \"type\""},
    {Rule("type='1' name='扣减项目'"), ":3: <Rule> lacks the required attribute \"item\""},
    {Rule("type='1' item='体积'"), ":3: <Rule> lacks the required attribute \"name\""},
    {InTemplates("<Group id='' name='A'/>"), ":2: \"id\" of <Group> is not a number: \"\""},
    {InTemplates("<Group id='-2147483649' name='A'/>"), ":2: \"id\" of <Group> is not a number"},
    {InGroup("<Comp name='梁' type='12a'/>"), ":3: \"type\" of <Comp> is not a number"},
    {InGroup("<Comp name='梁' type='2147483648'/>"), ":3: \"type\" of <Comp> is not a number"},
    {InRules("\n\n<Rule type='1' sub='x' item='体积' name='扣减项目'/>"), ":5: \"sub\" of <Rule> is not a number"},
    {InTemplates("<Group id='1' name='A'/>\n<Group id='1' name='B'/>"), ":3: duplicate group id 1"},
    {InTemplates("<Group id='1' name='A'><Comp name='梁' type='12'/></Group>\n\n\n"
                 "<Group id='2' name='B'><Comp name='柱' type='12'/></Group>"),
     ":5: duplicate component type id 12"},
    {InComp("<Sub type='3' name='a'/>\n<Sub type='3' name='b'/>"), ":5: duplicate sub-type id 3 in component type 12"},
    {InComp("<Sub type='-1' name='a'/>"), ":4: sub-type id -1 is reserved"},
    {InComp("<Sub type='3' name='a'>\n<Sub type='4' name='b'/></Sub>"), ":5: a sub-template cannot have sub-templates"},
    {InTemplates("<Group id='1' name='1组'/>"), ":2: \"name\" of <Group> is not a valid element name: \"1组\""},
    {InGroup("<Comp name='框架 梁' type='12'/>"), ":3: \"name\" of <Comp> is not a valid element name"},
    {InComp("<Item name=''/>"), ":4: \"name\" of <Item> is not a valid element name"},
    {Rule("type='1' item='体积' name='#text'"), ":3: \"name\" of <Rule> is not a valid element name"},
};

} // namespace

// Each case is read over kTemplates: a fault discards what was loaded, and the next Init clears it.
TEST(TemplateParser, TextsGiveTheirModelOrNameTheirFault)
{
    TempDir good, dir;
    WriteBytes(good / "Template" / "Templates.xml", kTemplates);
    const fs::path file = dir / "Template" / "Templates.xml";
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.xml.value_or("(no file)"));
        ASSERT_TRUE(Parser().Init(good.wpath()));
        EXPECT_EQ(KxHost::LastTemplateError(), L"");
        fs::remove_all(dir / "Template");
        if (c.xml)
            WriteBytes(file, *c.xml);
        const bool fault = c.expected[0] == ':';
        EXPECT_EQ(Parser().Init(dir.wpath()), !fault);
        const std::string error = U8(KxHost::LastTemplateError());
        EXPECT_EQ(error.substr(0, file.string().size() + c.expected.size()), fault ? file.string() + c.expected : "");
        EXPECT_EQ(Dump(), fault ? "no rules\n" : c.expected);
    }
}

TEST(TemplateParser, LookupsAndOutParameters)
{
    // The host may spell the folder with backslashes, and folder and file in another case.
    TempDir dir;
    WriteBytes(dir / "template" / "TEMPLATES.XML", kTemplates);
    ASSERT_TRUE(Parser().Init(HostPath(dir.path()))) << U8(KxHost::LastTemplateError());
    // Units: the sub-type's own item first, then its component's; never a sibling's or a sub-type's.
    const std::tuple<SCompGroupType, const wchar_t*, const wchar_t*> units[] = {
        {{12, 3}, L"体积", L"m3"}, {{12, 3}, L"实体模板", L"m2"}, {{12, -1}, L"体积", L"m3,立方米"},
        {{12, -1}, L"弧形模板", L""}, {{12, 4}, L"弧形模板", L""}, {{12, 9}, L"体积", L""}, {{77, -1}, L"体积", L""}};
    for (const auto& [key, item, expected] : units)
        EXPECT_EQ(Parser().GetCalItemUnits(key, item), expected) << key.nTypeId << "/" << key.nSubTypeId << U8(item);
    EXPECT_EQ(Parser().GetCompTemplateByName(L"弧形梁"), nullptr);  // components only
    // Out-parameters are appended to.
    std::vector<SCompTemplate*> comps(1);
    std::vector<SCompGroupInfo*> groups(1);
    std::vector<SRuleItem> rules(1);
    Parser().GetGroupCompTemplates(3, comps);
    Parser().GetCompGroups(groups, false);
    EXPECT_TRUE(Parser().GetSysRules(rules));
    ASSERT_EQ(std::tuple(comps.size(), groups.size(), rules.size()), std::tuple(3u, 4u, 4u));
    EXPECT_EQ(U8(comps[2]->strName + groups[1]->strName + rules[1].strCalItem), "次梁QiTi实体模板");
    EXPECT_TRUE(Parser().Release());
    EXPECT_EQ(Dump(), kModel);
}

// In a process of its own, where no Init came before: the first query loads the system folder.
TEST(TemplateParserDeathTest, FirstQueryBeforeInitLoadsFromTheSystemFolder)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    TempDir sys;
    WriteBytes(sys / "Template" / "Templates.xml", InTemplates("<Group id=\"5\" name=\"Lazy\"/>"));
    const auto query = [&] {
        KxHost::SetKXSysDir(sys.wpath());
        const bool loaded = Dump() == "G5|Lazy|\nno rules\n";
        fs::remove_all(sys.path());  // the child's own folder: it exits without destructors
        std::_Exit(loaded ? 0 : 1);
    };
    EXPECT_EXIT(query(), ::testing::ExitedWithCode(0), "");
}
