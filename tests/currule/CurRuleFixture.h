// A small installation of our own for the current-rule tests: templates with sub-types and items
// shared between a component and its sub-types, default rules, and rule files written per test.
#pragma once

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <kxhost/KxHost.h>
#include <kxsysrule/KxSysRuleData.h>

#include "currule/CCurRuleObj.h"
#include "platform/Xml.h"
#include "support/TestSupport.h"
#include "sysrule/CSysDefRule.h"

namespace kxtest {

// Group 1 "ZhuTi": 框架梁 12 (own items 体积, 实体模板; sub 3 lists 弧形模板 and 共用模板; sub 4
// lists 共用模板 and 体积) and 屋面框架梁 18. Group 2 "JiChu": 基础梁 41 with 砖模 of its own, and
// 砼条基 42 whose 砖模 belongs to its sub-type 7. Group 3 "Empty" has no components.
inline const char* kTestTemplates = R"(<?xml version="1.0" encoding="UTF-8"?>
<Templates>
  <Group id="1" name="ZhuTi" display="主体结构">
    <Comp name="框架梁" type="12">
      <Item name="体积"/>
      <Item name="实体模板"/>
      <Sub type="3" name="弧形梁"><Item name="弧形模板"/><Item name="共用模板"/></Sub>
      <Sub type="4" name="变截面梁"><Item name="共用模板"/><Item name="体积"/></Sub>
    </Comp>
    <Comp name="屋面框架梁" type="18"><Item name="体积"/></Comp>
  </Group>
  <Group id="2" name="JiChu" display="基础工程">
    <Comp name="基础梁" type="41"><Item name="实体模板"/><Item name="砖模"/></Comp>
    <Comp name="砼条基" type="42"><Item name="体积"/><Sub type="7" name="带形基础"><Item name="砖模"/></Sub></Comp>
  </Group>
  <Group id="3" name="Empty" display="空组"/>
  <Rules>
    <Rule type="12" item="体积" name="扣减项目" select="M" ini="KouJ" value="1" options="1,2,3" text="扣减说明"/>
    <Rule type="12" item="体积" name="计算方式" select="S" value="0" options="0-按体积,1-按长度" text="方式说明"/>
    <Rule type="12" item="实体模板" name="扣减项目" select="M" ini="KouJ" value="1,2" options="1,2,3"/>
    <Rule type="12" sub="3" item="弧形模板" name="计算方式" select="S" value="0" options="0-展开,1-弦长"/>
    <Rule type="18" item="体积" name="计算方式" select="S" value="0" options="0-按体积,1-按长度"/>
    <Rule type="41" item="砖模" name="扣减项目" select="M" ini="KouJ" value="113" options="113,114"/>
  </Rules>
</Templates>
)";

using Lines = std::vector<std::string>;
constexpr auto kQD = KxSysRule::Rule_QingDan;

// A record as the documents hold it.
inline SRuleItem Rule(NS_KXComponentType::SCompGroupType comp, const wchar_t* item, const wchar_t* name,
                      const wchar_t* value = L"")
{
    return {name, value, L"", L"", L"", L"", comp, item};
}

// A rule file: the document element with `rootAttrs`, then `body` as it stands.
inline std::string RuleFile(const std::string& rootAttrs, const std::string& body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<工程数据 " + rootAttrs + ">" + body + "</工程数据>\n";
}

// One rule element in a file.
inline std::string RuleElem(const std::string& name, const std::string& value, const std::string& ini = "KouJ",
                            const std::string& select = "M")
{
    return "<" + name + " selecttype=\"" + select + "\" initype=\"" + ini + "\">" + value + "</" + name + ">";
}

// A saved rule file as an indented outline, one element per line: its name, its attributes in
// file order, and ": text" when it has text of its own.
inline void OutlineNode(const xmlNode* node, int depth, std::string& out)
{
    for (; node; node = node->next) {
        if (node->type != XML_ELEMENT_NODE)
            continue;
        out += std::string(depth, ' ') + reinterpret_cast<const char*>(node->name);
        for (const xmlAttr* attr = node->properties; attr; attr = attr->next) {
            kx::xml::CharPtr value(xmlNodeGetContent(reinterpret_cast<const xmlNode*>(attr)));
            out += std::string(" ") + reinterpret_cast<const char*>(attr->name) + "=" +
                   reinterpret_cast<const char*>(value.get());
        }
        if (node->children && node->children->type == XML_TEXT_NODE)
            out += std::string(" : ") + reinterpret_cast<const char*>(node->children->content);
        out += "\n";
        OutlineNode(node->children, depth + 1, out);
    }
}

inline std::string Outline(const fs::path& file)
{
    kx::xml::DocPtr doc = kx::xml::ParseFile(file.string());
    if (!doc)
        return "(not XML)";
    std::string out;
    OutlineNode(xmlDocGetRootElement(doc.get()), 0, out);
    return out;
}

class CurRuleTest : public ::testing::Test {
protected:
    void SetUp() override { Install(kTestTemplates); }

    void TearDown() override
    {
        KxSysRule::SetMessageBoxHandler({});
        CCurRuleObj::ReleaseInstance();
        CSysDefRule::ReleaseInstance();
        g_pfnRuleAction = nullptr;
    }

    // Points the host services at a fresh system folder holding `templates`, at program version
    // `version`, and starts from empty documents.
    void Install(const std::string& templates, const std::string& version = "25.1.0")
    {
        WriteBytes(m_dir / "sys" / "Template" / "Templates.xml", templates);
        WriteBytes(m_dir / "sys" / "Rule" / "RuleDesc.ini", "[KouJ]\nTYPE1=扣柱\nTYPE2=扣板\n");
        KxHost::SetKXSysDir(W(m_dir / "sys"));
        KxHost::SetCurProjDir(W(m_dir / "proj"));
        KxHost::SetVersion(W(version));
        ASSERT_TRUE(GetTemplateParser()->Init(W(m_dir / "sys"))) << U8(KxHost::LastTemplateError());
        CCurRuleObj::ReleaseInstance();
        CSysDefRule::ReleaseInstance();
    }

    // Writes a rule file into the project folder and returns its path as the library spells it.
    CString WriteRuleFile(const std::string& name, const std::string& content)
    {
        WriteBytes(m_dir / "proj" / name, content);
        return W(m_dir / "proj" / name);
    }

    // Writes a rule file of `body` with the root attributes `attrs` and loads it as `type`.
    CString Load(const std::string& body, const std::string& attrs = R"(ruletype="1" RuleVer="25.1.0")",
                 const std::string& name = "QD.xml", KxSysRule::RuleType type = kQD)
    {
        const CString path = WriteRuleFile(name, RuleFile(attrs, body));
        EXPECT_TRUE(CFaceCurRule::InitXMLData(path, type)) << name;
        return path;
    }

    // The document element's line of the outline of a project file.
    std::string RootLine(const std::string& name) const
    {
        const std::string outline = Outline(m_dir / "proj" / name);
        return outline.substr(0, outline.find('\n'));
    }

    static CCurRuleDoc& Doc(KxSysRule::RuleType type = KxSysRule::Rule_QingDan)
    {
        return *CCurRuleObj::GetInstance()->GetDoc(type);
    }

    // The records as "type.sub item rule=value" lines, for compact comparisons.
    static std::vector<std::string> Records(KxSysRule::RuleType type = KxSysRule::Rule_QingDan)
    {
        std::vector<std::string> lines;
        for (const SRuleItem& item : Doc(type).Items())
            lines.push_back(std::to_string(item.compType.nTypeId) + "." + std::to_string(item.compType.nSubTypeId) +
                            " " + U8(item.strCalItem) + " " + U8(item.strRuleName) + "=" + U8(item.strValue));
        return lines;
    }

    // The attributes of one record that Records() leaves out: "select|ini|text|options".
    static std::string Attrs(std::size_t index, KxSysRule::RuleType type = KxSysRule::Rule_QingDan)
    {
        const SRuleItem& item = Doc(type).Items().at(index);
        return U8(item.strSelectType) + "|" + U8(item.strIniType) + "|" + U8(item.strText) + "|" + U8(item.strOptions);
    }

    TempDir m_dir;
};

} // namespace kxtest
