#include "support/Installation.h"

#include <kxhost/HostServices.h>
#include <kxhost/KxHost.h>
#include <kxsysrule/CKXCurDeFenLeiSet.h>
#include <kxsysrule/MessageBox.h>

#include "currule/CCurRuleObj.h"
#include "sysrule/CSysDefRule.h"

namespace kxtest {

namespace {

std::string Rule(const std::string& type, const std::string& item, const std::string& name, const char* select,
                 const std::string& ini, const std::string& value, const std::string& options,
                 const std::string& extra = "")
{
    return "    <Rule type=\"" + type + "\" " + extra + "item=\"" + item + "\" name=\"" + name + "\" select=\"" +
           select + "\" ini=\"" + ini + "\" value=\"" + value + "\" options=\"" + options + "\"/>\n";
}

} // namespace

std::string TemplatesXml(int extraComps)
{
    std::string extra, extraRules;
    for (int c = 0; c < extraComps; ++c) {
        const std::string type = std::to_string(100 + c);
        extra += "    <Comp name=\"框架梁" + std::to_string(c) + "\" type=\"" + type +
                 "\"><Item name=\"体积\"/><Item name=\"实体模板\"/></Comp>\n";
        for (const char* item : {"体积", "实体模板"})
            extraRules += Rule(type, item, "扣减项目", "M", "KouJ", "1", "1,2,3") +
                          Rule(type, item, "计算方式", "S", "", "0", "0-按体积,1-按长度");
    }
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Templates>\n"
           "  <Group id=\"1\" name=\"ZhuTi\" display=\"主体结构\">\n"
           "    <Comp name=\"框架梁\" type=\"12\">\n"
           "      <Item name=\"体积\" units=\"m3,立方米\"/>\n"
           "      <Item name=\"实体模板\" units=\"m2\"/>\n"
           "      <Sub type=\"3\" name=\"弧形梁\"><Item name=\"弧形模板\" units=\"m2\"/><Item "
           "name=\"共用模板\"/></Sub>\n"
           "      <Sub type=\"4\" name=\"变截面梁\"><Item name=\"共用模板\"/><Item name=\"体积\"/></Sub>\n"
           "    </Comp>\n"
           "    <Comp name=\"屋面框架梁\" type=\"18\"><Item name=\"体积\"/></Comp>\n"
           "    <Comp name=\"构造柱\" type=\"61\"><Item name=\"体积\" units=\"m3\"/></Comp>\n" +
        extra +
        "  </Group>\n"
        "  <Group id=\"2\" name=\"JiChu\" display=\"基础工程\">\n"
        "    <Comp name=\"基础梁\" type=\"41\"><Item name=\"实体模板\"/><Item name=\"砖模\"/></Comp>\n"
        "    <Comp name=\"砼条基\" type=\"42\"><Item name=\"体积\"/><Sub type=\"7\" name=\"带形基础\"><Item "
        "name=\"砖模\"/></Sub></Comp>\n"
        "  </Group>\n"
        "  <Group id=\"3\" name=\"Empty\" display=\"空组\"/>\n"
        "  <Rules>\n" +
        Rule("12", "体积", "扣减项目", "M", "KouJ", "1", "1,2,3,4", "text=\"扣减说明\" ") +
        Rule("12", "体积", "增加项目", "M", "ZenJ", "21", "21,23") +
        Rule("12", "体积", "计算方式", "S", "", "0", "0-按设计图示尺寸,1-按净空尺寸,2-按外皮尺寸",
             "text=\"梁与柱相交时，梁长算至柱侧面。\\n主梁与次梁相交时，次梁长算至主梁侧面。\" ") +
        Rule("12", "体积", "其他项目", "M", "KouJ", "", "1,2") + Rule("12", "体积", "模板类别", "M", "", "1", "1,2") +
        Rule("12", "体积", "附加说明", "T", "", "0", "0-无") + Rule("12", "体积", "空选项", "S", "", "0", "") +
        Rule("12", "实体模板", "扣减项目", "M", "KouJ", "1,2", "1,2,3") +
        Rule("12", "实体模板", "计算方式", "S", "", "0", "0-按接触面积") +
        Rule("12", "弧形模板", "计算方式", "S", "", "0", "0-按弧长展开面积,1-按弦长面积乘系数", "sub=\"3\" ") +
        Rule("18", "体积", "计算方式", "S", "", "0", "0-按体积,1-按长度") +
        Rule("41", "砖模", "扣减项目", "M", "KouJ", "113", "113,114") + extraRules + "  </Rules>\n</Templates>\n";
}

void InstalledTest::TearDown()
{
    Forget();
    KxSysRule::SetMessageBoxHandler({});
    g_pfnRuleAction = nullptr;
    KxHost::SetCurProjDir(L"");
    KxHost::SetKXSysDir(L"");
    KxHost::SetVersion(L"");
}

void InstalledTest::Install(const std::string& templates, const std::string& version)
{
    WriteBytes(Sys() / "Template" / "Templates.xml", templates);
    WriteBytes(Sys() / "Rule" / "RuleCode.ini", kRuleCodeIni);
    WriteBytes(Sys() / "Rule" / "RuleDesc.ini", kRuleDescIni);
    fs::create_directories(Proj());
    KxHost::SetKXSysDir(W(Sys()));
    KxHost::SetCurProjDir(W(Proj()));
    KxHost::SetVersion(W(version));
    // No message box may wait for a click.
    KxSysRule::SetMessageBoxHandler([](const CString&) {});
    ASSERT_TRUE(GetTemplateParser()->Init(W(Sys()))) << U8(KxHost::LastTemplateError());
    Forget();
}

void InstalledTest::Forget()
{
    CCurRuleObj::ReleaseInstance();
    CSysDefRule::ReleaseInstance();
    CKXCurDeFenLeiSet::ClearCacheData();
}

CString InstalledTest::WriteProjectFile(const std::string& name, const std::string& bytes) const
{
    WriteBytes(Proj() / name, bytes);
    return W(Proj() / name);
}

} // namespace kxtest
