// Rule files edited by hand and names at the edge of XML. A comment or text among the rules loads
// (every child of an item is a record) but cannot be written back, so the file is left alone and
// the save reports false. Names only the newer XML name rules allow are read and written back.
#include "ReliabilityFixture.h"

namespace reltest {
namespace {

class DamagedRuleFile : public ReliabilityTest {};

// The rule file of Templates(1) with `stray` as the first child of the item 体积.
std::string WithStray(const std::string& stray)
{
    std::string file = RuleFile();
    const std::string item = "<体积 classtype=\"2\">";
    file.insert(file.find(item) + item.size(), stray);
    return file;
}

TEST_F(DamagedRuleFile, NodesAmongTheRulesLoadButAreNotWrittenBack)
{
    for (const std::string stray : {"<!-- 手工注释 -->", "kkkkk", "<![CDATA[1,2]]>"}) {
        SCOPED_TRACE(stray);
        CCurRuleObj::ReleaseInstance();
        const std::string bytes = WithStray(stray);
        WriteBytes(RulePath(), bytes);
        ASSERT_TRUE(Load(RulePath()));
        CStringArray rules;
        ASSERT_TRUE(CFaceCurRule::GetCurItemRules({100, -1}, rules, L"体积", kQD));
        EXPECT_NE(std::find(rules.begin(), rules.end(), L"扣减项目"), rules.end());
        EXPECT_EQ(ReadBytes(RulePath()), bytes) << "rewritten";
        EXPECT_FALSE(CFaceCurRule::SaveXMLData(W(RulePath()), kQD));
        EXPECT_FALSE(CFaceCurRule::SaveXMLData(W(Proj() / "copy.xml"), kQD));
        EXPECT_EQ(ReadBytes(RulePath()), bytes);
        EXPECT_EQ(Listing(Proj()), std::set<std::string>{"QDRule.xml"});
    }
    // A processing instruction is named after its target, which is an element name: it is read
    // and written back as a rule of that name.
    CCurRuleObj::ReleaseInstance();
    WriteBytes(RulePath(), WithStray("<?note 备注?>"));
    ASSERT_TRUE(Load(RulePath()));
    EXPECT_NE(ReadBytes(RulePath()).find("<note classtype=\"3\" selecttype=\"\" initype=\"\">备注</note>"),
              std::string::npos);
}

TEST_F(DamagedRuleFile, NamesOfTheFifthEditionRulesAreWrittenBack)
{
    // U+3400 starts a name since XML 1.0 fifth edition, but not by the older table.
    WriteBytes(RulePath(), WithStray("<㐀项目 classtype=\"3\" selecttype=\"S\" initype=\"\">0</㐀项目>"));
    ASSERT_TRUE(Load(RulePath()));
    EXPECT_NE(ReadBytes(RulePath()).find("㐀项目"), std::string::npos);
    EXPECT_TRUE(CFaceCurRule::SaveXMLData(W(RulePath()), kQD));
    CStringArray rules;
    ASSERT_TRUE(CFaceCurRule::GetCurItemRules({100, -1}, rules, L"体积", kQD));
    EXPECT_NE(std::find(rules.begin(), rules.end(), L"㐀项目"), rules.end());

    // Templates may use them, and the settings writer takes what its reader gave.
    WriteBytes(Sys() / "Template" / "Templates.xml",
               "<Templates><Group id=\"1\" name=\"㐀组\"><Comp name=\"㐀梁\" type=\"5\"><Item name=\"㐀模板\"/></Comp>"
               "</Group></Templates>");
    EXPECT_TRUE(GetTemplateParser()->Init(W(Sys()))) << U8(KxHost::LastTemplateError());
    WriteBytes(FenLeiPath(), "<DeFenLeiSetInfo><Comp TypeId=\"5\" SubTypeId=\"-1\"><㐀模板><Var VarKey=\"k\"/></㐀模板>"
                             "</Comp></DeFenLeiSetInfo>");
    CKXCurDeFenLeiSet::FenLeiMap map;
    ASSERT_TRUE(CKXCurDeFenLeiSet::ReadDeFenLeiSetInfo(map));
    EXPECT_TRUE(CKXCurDeFenLeiSet::WriteDeFenLeiSetInfo(map));
    EXPECT_NE(ReadBytes(FenLeiPath()).find("<㐀模板>"), std::string::npos);
}

TEST_F(DamagedRuleFile, TemplatesWithNamesThatAreNoXmlNamesAreRefused)
{
    const std::string good = Templates();
    const std::vector<std::pair<std::string, std::string>> edits = {
        {"name=\"ZhuTi\"", "name=\"1组\""},
        {"name=\"框架梁0\"", "name=\"框架 梁\""},
        {"<Item name=\"体积\"/>", "<Item name=\"\"/>"},
        {"name=\"计算方式\"", "name=\"计算&lt;方式\""},
        {"name=\"扣减项目\"", "name=\"#text\""},
    };
    for (const auto& [from, to] : edits) {
        SCOPED_TRACE(to);
        std::string text = good;
        text.replace(text.find(from), from.size(), to);
        WriteBytes(Sys() / "Template" / "Templates.xml", text);
        EXPECT_FALSE(GetTemplateParser()->Init(W(Sys())));
        EXPECT_NE(U8(KxHost::LastTemplateError()).find("not a valid element name"), std::string::npos)
            << U8(KxHost::LastTemplateError());
    }
}

} // namespace
} // namespace reltest
