// The bundled template parser: file format, faults with file and line, lookups, reloading.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include <kxhost/KxHost.h>

#include "common/StringUtil.h"
#include "support/TestSupport.h"

using namespace kxtest;
using NS_KXComponentType::SCompGroupType;

namespace {

const char* const kTemplates = R"(<?xml version="1.0" encoding="UTF-8"?>
<Templates>
  <Group id="7" name="QiTi" display="砌体工程">
    <Comp name="砌体墙" type="51">
      <Item name="体积" units="m3,立方米">
        <Attr name="砂浆" code="SJ" type="string" default="M5" values="M5,M7.5\,混合,,M10" unit="" desc="砂浆标号"/>
        <Attr name="空"/>
      </Item>
      <SysVar name="墙厚" code="D" type="double" value="240" desc="单位：mm"/>
      <SysVar/>
    </Comp>
  </Group>
  <Group id="3" name="ZhuTi" display="主体结构">
    <Comp name="框架梁" type="12">
      <Item name="体积" units="m3,立方米"/>
      <Item name="实体模板" units="m2"/>
      <Sub type="3" name="弧形梁">
        <Item name="弧形模板" units="m2,平方米"/>
        <Item name="体积" units="m3"/>
        <SysVar name="弧长" code="L" type="double" value="0" desc=""/>
      </Sub>
      <Sub type="4" name="变截面梁">
        <Item name="变截面模板"/>
      </Sub>
    </Comp>
    <Comp name="次梁" type="13">
      <Item name="体积" units="m3"/>
    </Comp>
  </Group>
  <Rules>
    <Rule type="12" item="实体模板" name="扣减项目" select="M" ini="KouJ" value="1,2" options="1,2,3" text="说明\n第二行"/>
    <Rule type="12" sub="3" item="弧形模板" name="计算方式" select="S" value="0" options="0-按弧长,1-按弦长"/>
  </Rules>
  <Group id="-2" name="KongZu" display="">
  </Group>
  <Rules>
    <Rule type="51" item="体积" name="增加项目"/>
  </Rules>
</Templates>
)";

// One installation folder with its Template\Templates.xml.
class Installation {
public:
    explicit Installation(const std::string& templates) { WriteBytes(file(), templates); }
    CString dir() const { return m_dir.wpath(); }
    fs::path file() const { return m_dir / "Template" / "Templates.xml"; }

private:
    TempDir m_dir;
};

ITemplateParser& Parser() { return *GetTemplateParser(); }

std::vector<CString> GroupNames()
{
    std::vector<SCompGroupInfo*> groups;
    Parser().GetCompGroups(groups, true);
    std::vector<CString> names;
    for (const SCompGroupInfo* g : groups)
        names.push_back(g->strName);
    return names;
}

std::vector<CString> CompNames(int nGroupId)
{
    std::vector<SCompTemplate*> comps;
    Parser().GetGroupCompTemplates(nGroupId, comps);
    std::vector<CString> names;
    for (const SCompTemplate* c : comps)
        names.push_back(c->strName);
    return names;
}

// Every field of a record, joined with '|', so that one comparison checks them all.
CString Fields(std::initializer_list<CString> fields)
{
    CString out;
    for (const CString& field : fields)
        out += (&field == fields.begin() ? L"" : L"|") + field;
    return out;
}
CString Fields(const SKXAttParamOneNode& a)
{
    return Fields({a.strName, a.strCode, a.strType, a.strDefValue, kx::Join(a.arrValues, L';'), a.strUnit, a.strDesc});
}
CString Fields(const SKXAttSysValue& v) { return Fields({v.strName, v.strCode, v.strType, v.strValue, v.strDesc}); }
CString Fields(const SRuleItem& r)
{
    return Fields({kx::IntToStr(r.compType.nTypeId) + L"/" + kx::IntToStr(r.compType.nSubTypeId), r.strCalItem,
                   r.strRuleName, r.strSelectType, r.strIniType, r.strValue, r.strOptions, r.strText});
}

void ExpectEmptyParser()
{
    EXPECT_TRUE(GroupNames().empty());
    EXPECT_EQ(Parser().GetCompTemplate({12, -1}), nullptr);
    EXPECT_EQ(Parser().GetCompTemplateByName(L"框架梁"), nullptr);
    EXPECT_EQ(Parser().GetCompGroup(3), nullptr);
    std::vector<SRuleItem> rules;
    EXPECT_FALSE(Parser().GetSysRules(rules));
    EXPECT_TRUE(rules.empty());
}

class TemplateParser : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Parser().Init(m_inst.dir())) << U8(KxHost::LastTemplateError()); }
    Installation m_inst{kTemplates};
};

} // namespace

TEST_F(TemplateParser, GroupsAndComponentsKeepFileOrder)
{
    EXPECT_TRUE(KxHost::LastTemplateError().empty());
    EXPECT_EQ(GroupNames(), (std::vector<CString>{L"QiTi", L"ZhuTi", L"KongZu"}));
    EXPECT_EQ(CompNames(3), (std::vector<CString>{L"框架梁", L"次梁"}));
    EXPECT_EQ(CompNames(7), (std::vector<CString>{L"砌体墙"}));
    EXPECT_TRUE(CompNames(-2).empty());
    EXPECT_TRUE(CompNames(99).empty());

    // Out-parameters are appended to.
    std::vector<SCompTemplate*> comps;
    Parser().GetGroupCompTemplates(7, comps);
    Parser().GetGroupCompTemplates(3, comps);
    ASSERT_EQ(comps.size(), 3u);
    EXPECT_EQ(comps[2]->strName, L"次梁");
    std::vector<SCompGroupInfo*> groups;
    Parser().GetCompGroups(groups, true);
    Parser().GetCompGroups(groups, false);
    EXPECT_EQ(groups.size(), 6u);

    const SCompGroupInfo* group = Parser().GetCompGroup(3);
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(Fields({kx::IntToStr(group->nGroupId), group->strName, group->strDisplayName}), L"3|ZhuTi|主体结构");
    ASSERT_NE(Parser().GetCompGroup(-2), nullptr);
    EXPECT_EQ(Parser().GetCompGroup(-2)->strDisplayName, L"");
    EXPECT_EQ(Parser().GetCompGroup(0), nullptr);
    EXPECT_EQ(Parser().GetCompGroup(-1), nullptr);
}

TEST_F(TemplateParser, ComponentTemplateContents)
{
    const SCompTemplate* wall = Parser().GetCompTemplate({51, -1});
    ASSERT_NE(wall, nullptr);
    EXPECT_EQ(wall->strName, L"砌体墙");
    EXPECT_EQ(wall->nGroupId, 7);
    EXPECT_EQ(wall->pParent, nullptr);
    ASSERT_EQ(wall->vecCalItems.size(), 1u);
    EXPECT_EQ(wall->vecCalItems[0].strUnits, L"m3,立方米");
    ASSERT_EQ(wall->vecCalItems[0].vecAttrs.size(), 2u);
    // The values list splits on commas, keeps escaped ones and drops empty pieces.
    EXPECT_EQ(Fields(wall->vecCalItems[0].vecAttrs[0]), L"砂浆|SJ|string|M5|M5;M7.5,混合;M10||砂浆标号");
    EXPECT_EQ(Fields(wall->vecCalItems[0].vecAttrs[1]), L"空||||||");
    ASSERT_EQ(wall->vecSysValues.size(), 2u);
    EXPECT_EQ(Fields(wall->vecSysValues[0]), L"墙厚|D|double|240|单位：mm");
    EXPECT_EQ(Fields(wall->vecSysValues[1]), L"||||");
}

TEST_F(TemplateParser, SubTemplatesBelongToTheirComponent)
{
    SCompTemplate* beam = Parser().GetCompTemplate({12, -1});
    ASSERT_NE(beam, nullptr);
    EXPECT_EQ(beam->arrItemNames, (CStringArray{L"体积", L"实体模板"}));
    ASSERT_EQ(beam->vecSubTemplates.size(), 2u);

    SCompTemplate* arc = Parser().GetCompTemplate({12, 3});
    ASSERT_NE(arc, nullptr);
    EXPECT_EQ(beam->vecSubTemplates[0], arc);
    EXPECT_EQ(Fields({arc->strName, kx::IntToStr(arc->nTypeId), kx::IntToStr(arc->nGroupId)}), L"弧形梁|3|3");
    EXPECT_EQ(arc->pParent, beam);
    EXPECT_TRUE(arc->vecSubTemplates.empty());
    EXPECT_EQ(arc->arrItemNames, (CStringArray{L"弧形模板", L"体积"}));
    ASSERT_EQ(arc->vecSysValues.size(), 1u);
    EXPECT_EQ(arc->vecSysValues[0].strName, L"弧长");
    EXPECT_EQ(beam->vecSubTemplates[1], Parser().GetCompTemplate({12, 4}));

    const SCompGroupType absent[] = {{12, 5}, {13, 3}, {99, -1}, {-1, -1}};
    for (const SCompGroupType& key : absent)
        EXPECT_EQ(Parser().GetCompTemplate(key), nullptr) << key.nTypeId << "/" << key.nSubTypeId;
    // Lookup by name finds components only, by the exact name.
    EXPECT_EQ(Parser().GetCompTemplateByName(L"框架梁"), beam);
    EXPECT_EQ(Parser().GetCompTemplateByName(L"次梁"), Parser().GetCompTemplate({13, -1}));
    for (const wchar_t* name : {L"弧形梁", L"框架梁 ", L""})
        EXPECT_EQ(Parser().GetCompTemplateByName(name), nullptr) << name;
}

TEST_F(TemplateParser, UnitsOfSubTypeFallBackToTheComponent)
{
    const std::tuple<SCompGroupType, const wchar_t*, const wchar_t*> rows[] = {
        {{12, -1}, L"实体模板", L"m2"},
        // The sub-type's own item wins over the component's item of the same name.
        {{12, 3}, L"体积", L"m3"},
        {{12, -1}, L"体积", L"m3,立方米"},
        {{12, 3}, L"弧形模板", L"m2,平方米"},
        {{12, 3}, L"实体模板", L"m2"},
        // The component does not see its sub-types' items, nor one sub-type another's.
        {{12, -1}, L"弧形模板", L""},
        {{12, 4}, L"弧形模板", L""},
        {{12, 4}, L"变截面模板", L""},
        {{12, 9}, L"体积", L""},
        {{77, -1}, L"体积", L""},
    };
    for (const auto& [key, item, units] : rows)
        EXPECT_EQ(Parser().GetCalItemUnits(key, item), units) << key.nTypeId << "/" << key.nSubTypeId << " " << item;
}

TEST_F(TemplateParser, RulesInFileOrderWithEveryFieldAndReleaseKeepsThem)
{
    std::vector<SRuleItem> rules(1);
    rules[0].strRuleName = L"already there";
    ASSERT_TRUE(Parser().GetSysRules(rules));
    ASSERT_EQ(rules.size(), 4u);
    EXPECT_EQ(rules[0].strRuleName, L"already there");
    // The text keeps the two characters backslash and n.
    EXPECT_EQ(Fields(rules[1]), L"12/-1|实体模板|扣减项目|M|KouJ|1,2|1,2,3|说明\\n第二行");
    EXPECT_EQ(Fields(rules[2]), L"12/3|弧形模板|计算方式|S||0|0-按弧长,1-按弦长|");
    EXPECT_EQ(Fields(rules[3]), L"51/-1|体积|增加项目|||||");

    EXPECT_TRUE(Parser().Release());
    EXPECT_NE(Parser().GetCompTemplate({12, 3}), nullptr);
    EXPECT_EQ(GroupNames().size(), 3u);
    EXPECT_TRUE(Parser().GetSysRules(rules));
}

TEST(TemplateParserLoad, InitReloadsFromAnotherInstallation)
{
    Installation first(kTemplates);
    // The host may spell the system folder with backslashes, and folder and file in another case.
    TempDir second;
    WriteBytes(second / "template" / "TEMPLATES.XML",
               R"(<Templates><Group id="1" name="Other"><Comp name="柱" type="21"/></Group></Templates>)");
    ASSERT_TRUE(Parser().Init(first.dir()));
    EXPECT_NE(Parser().GetCompTemplateByName(L"框架梁"), nullptr);
    ASSERT_TRUE(Parser().Init(HostPath(second.path()))) << U8(KxHost::LastTemplateError());
    EXPECT_EQ(GroupNames(), (std::vector<CString>{L"Other"}));
    EXPECT_EQ(Parser().GetCompTemplateByName(L"框架梁"), nullptr);
    EXPECT_EQ(Parser().GetCompTemplate({21, -1})->nGroupId, 1);
    std::vector<SRuleItem> rules;
    EXPECT_FALSE(Parser().GetSysRules(rules));  // groups but no rules
    ASSERT_TRUE(Parser().Init(first.dir()));
    EXPECT_EQ(GroupNames().size(), 3u);
}

namespace {

// The fault files: `body` inside the document element from line 2, inside a group from line 3,
// inside a component of that group from line 4.
std::string InTemplates(const std::string& body) { return "<Templates>\n" + body + "\n</Templates>"; }
std::string InGroup(const std::string& body) { return InTemplates("<Group id=\"1\" name=\"A\">\n" + body + "\n</Group>"); }
std::string InComp(const std::string& body) { return InGroup("<Comp name=\"梁\" type=\"12\">\n" + body + "\n</Comp>"); }
std::string InRules(const std::string& body) { return InTemplates("<Rules>\n" + body + "\n</Rules>"); }

struct FaultCase {
    const char* name;
    std::string xml;
    int line;
    const char* fault;
};

const FaultCase kFaults[] = {
    {"GroupWithoutId", InTemplates("<Group name=\"A\"/>"), 2, "\"id\""},
    {"GroupWithoutName", InTemplates("<Group id=\"1\"/>"), 2, "\"name\""},
    {"ComponentWithoutType", InGroup("\n<Comp name=\"梁\"/>"), 4, "\"type\""},
    {"ComponentWithoutName", InGroup("<Comp type=\"1\"/>"), 3, "\"name\""},
    {"SubWithoutType", InComp("<Sub name=\"弧形\"/>"), 4, "\"type\""},
    {"SubWithoutName", InComp("<Sub type=\"2\"/>"), 4, "\"name\""},
    {"ItemWithoutName", InComp("<Item units=\"m\"/>"), 4, "\"name\""},
    {"RuleWithoutType", InRules("<Rule item=\"体积\" name=\"扣减项目\"/>"), 3, "\"type\""},
    {"RuleWithoutItem", InRules("<Rule type=\"1\" name=\"扣减项目\"/>"), 3, "\"item\""},
    {"RuleWithoutName", InRules("<Rule type=\"1\" item=\"体积\"/>"), 3, "\"name\""},
    {"GroupIdNotANumber", InTemplates("<Group id=\"one\" name=\"A\"/>"), 2, "not a number"},
    {"TypeWithTrailingText", InGroup("<Comp name=\"梁\" type=\"12a\"/>"), 3, "not a number"},
    {"TypeOutOfRange", InGroup("<Comp name=\"梁\" type=\"2147483648\"/>"), 3, "not a number"},
    {"EmptyNumber", InTemplates("<Group id=\"\" name=\"A\"/>"), 2, "not a number"},
    {"RuleSubNotANumber", InRules("\n\n<Rule type=\"1\" sub=\"x\" item=\"体积\" name=\"扣减项目\"/>"), 5, "not a number"},
    {"DuplicateGroupId", InTemplates("<Group id=\"1\" name=\"A\"/>\n<Group id=\"1\" name=\"B\"/>"), 3,
     "duplicate group id 1"},
    {"DuplicateTypeAcrossGroups",
     InTemplates("<Group id=\"1\" name=\"A\"><Comp name=\"梁\" type=\"12\"/></Group>\n\n\n"
                 "<Group id=\"2\" name=\"B\"><Comp name=\"柱\" type=\"12\"/></Group>"),
     5, "duplicate component type id 12"},
    {"DuplicateSubType", InComp("<Sub type=\"3\" name=\"a\"/>\n<Sub type=\"3\" name=\"b\"/>"), 5, "duplicate sub-type id 3"},
    {"SubTypeMinusOne", InComp("<Sub type=\"-1\" name=\"a\"/>"), 4, "reserved"},
    {"NestedSub", InComp("<Sub type=\"3\" name=\"a\">\n<Sub type=\"4\" name=\"b\"/>\n</Sub>"), 5, "cannot have sub-templates"},
    {"NameNotUsableAsElement", InGroup("<Comp name=\"3号梁\" type=\"12\"/>"), 3, "not a valid element name"},
    {"SyntaxError", InComp("</Group>"), 4, "XML syntax error"},
    {"WrongDocumentElement", "<?xml version=\"1.0\"?>\n<Template/>", 2, "expected <Templates>"},
};

class TemplateFaults : public ::testing::TestWithParam<FaultCase> {};

} // namespace

TEST_P(TemplateFaults, LeaveTheParserEmptyAndNameFileAndLine)
{
    // A good installation first, so that the fault has something to discard.
    Installation good(kTemplates);
    ASSERT_TRUE(Parser().Init(good.dir()));
    ASSERT_FALSE(GroupNames().empty());

    const FaultCase& c = GetParam();
    Installation bad(c.xml);
    EXPECT_FALSE(Parser().Init(bad.dir()));
    const std::string error = U8(KxHost::LastTemplateError());
    const std::string where = bad.file().string() + ":" + std::to_string(c.line) + ": ";
    EXPECT_EQ(error.rfind(where, 0), 0u) << error;
    EXPECT_NE(error.find(c.fault), std::string::npos) << error;
    ExpectEmptyParser();

    ASSERT_TRUE(Parser().Init(good.dir()));
    EXPECT_TRUE(KxHost::LastTemplateError().empty());
}

INSTANTIATE_TEST_SUITE_P(EachKind, TemplateFaults, ::testing::ValuesIn(kFaults),
                         [](const ::testing::TestParamInfo<FaultCase>& info) { return std::string(info.param.name); });

TEST(TemplateParserLoad, MissingFileNamesTheFile)
{
    TempDir dir;
    EXPECT_FALSE(Parser().Init(dir.wpath()));
    const std::string error = U8(KxHost::LastTemplateError());
    EXPECT_NE(error.find((dir / "Template" / "Templates.xml").string()), std::string::npos) << error;
    EXPECT_NE(error.find("missing"), std::string::npos) << error;
    ExpectEmptyParser();
}

namespace {

// Runs in a process of its own: the parser has not been used there, and no Init comes before the
// first query, so it must load from the configured system folder.
void QueryBeforeAnyInit(const fs::path& sysDir)
{
    KxHost::SetKXSysDir(W(sysDir));
    std::vector<SCompGroupInfo*> groups;
    GetTemplateParser()->GetCompGroups(groups, true);
    const bool ok = groups.size() == 1 && groups[0]->strName == L"Lazy" &&
                    GetTemplateParser()->GetCompTemplateByName(L"柱") != nullptr;
    std::error_code ec;
    fs::remove_all(sysDir, ec);
    std::exit(ok ? 0 : 1);
}

} // namespace

TEST(TemplateParserDeathTest, FirstQueryBeforeInitLoadsFromTheSystemFolder)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // The child re-runs this body in a fresh process, writing and removing a folder of its own.
    TempDir sysDir;
    WriteBytes(sysDir / "Template" / "Templates.xml",
               R"(<Templates><Group id="5" name="Lazy"><Comp name="柱" type="21"/></Group></Templates>)");
    EXPECT_EXIT(QueryBeforeAnyInit(sysDir.path()), ::testing::ExitedWithCode(0), "");
}
