// An installation and a project folder of our own per test, reached only through the exported
// entry points, with helpers that tell whether a file is whole and what a folder holds.
#pragma once

#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <kxhost/KxHost.h>
#include <kxsysrule/KxSysRuleData.h>

#include "currule/CCurRuleObj.h"
#include "support/TestSupport.h"
#include "sysrule/CSysDefRule.h"

namespace reltest {

using kxtest::fs::path;
using kxtest::ReadBytes;
using kxtest::U8;
using kxtest::W;
using kxtest::WriteBytes;

constexpr auto kQD = KxSysRule::Rule_QingDan;

// `nComps` components 框架梁0.. of type 100.. in one group, each with the items 体积 and 实体模板
// and two rules per item.
inline std::string Templates(int nComps = 1)
{
    std::string comps, rules;
    for (int c = 0; c < nComps; ++c) {
        const std::string type = std::to_string(100 + c);
        comps += "<Comp name=\"框架梁" + std::to_string(c) + "\" type=\"" + type +
                 "\"><Item name=\"体积\"/><Item name=\"实体模板\"/></Comp>\n";
        for (const char* item : {"体积", "实体模板"}) {
            rules += "<Rule type=\"" + type + "\" item=\"" + item +
                     "\" name=\"扣减项目\" select=\"M\" ini=\"KouJ\" value=\"1\" options=\"1,2,3\"/>\n"
                     "<Rule type=\"" + type + "\" item=\"" + item +
                     "\" name=\"计算方式\" select=\"S\" value=\"0\" options=\"0-按体积,1-按长度\"/>\n";
        }
    }
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Templates>\n<Group id=\"1\" name=\"ZhuTi\" display=\"主体结构\">\n" +
           comps + "</Group>\n<Rules>\n" + rules + "</Rules>\n</Templates>\n";
}

// A rule file of the current version for Templates(nComps), every deduction set to `value`.
inline std::string RuleFile(int nComps = 1, const std::string& value = "1,2", const std::string& encoding = "UTF-8")
{
    std::string body;
    for (int c = 0; c < nComps; ++c) {
        body += "<框架梁" + std::to_string(c) + " classtype=\"1\">";
        for (const char* item : {"体积", "实体模板"}) {
            body += std::string("<") + item + " classtype=\"2\">"
                    "<扣减项目 classtype=\"3\" selecttype=\"M\" initype=\"KouJ\">" + value + "</扣减项目>"
                    "<计算方式 classtype=\"3\" selecttype=\"S\" initype=\"\">1</计算方式></" + item + ">";
        }
        body += "</框架梁" + std::to_string(c) + ">\n";
    }
    return "<?xml version=\"1.0\" encoding=\"" + encoding +
           "\"?>\n<工程数据 ruletype=\"1\" RuleVer=\"25.1.0\" classtype=\"10\">\n<ZhuTi classtype=\"1\">\n" + body +
           "</ZhuTi>\n</工程数据>\n";
}

inline std::string FenLeiFile(const std::string& key = "砂浆标号")
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<DeFenLeiSetInfo version=\"1\">"
           "<Comp TypeId=\"41\" SubTypeId=\"-1\"><砖基础><Var VarKey=\"" + key + "\"/></砖基础></Comp>"
           "</DeFenLeiSetInfo>\n";
}

// Names in a folder (hidden ones included), to show that nothing was written beside a file.
inline std::set<std::string> Listing(const path& dir)
{
    std::set<std::string> names;
    std::error_code ec;
    for (const auto& entry : kxtest::fs::directory_iterator(dir, ec))
        names.insert(entry.path().filename().string());
    return names;
}

class ReliabilityTest : public ::testing::Test {
protected:
    void SetUp() override { Install(Templates()); }

    void TearDown() override
    {
        KxSysRule::SetMessageBoxHandler({});
        CCurRuleObj::ReleaseInstance();
        CSysDefRule::ReleaseInstance();
        CKXCurDeFenLeiSet::ClearCacheData();
        KxHost::SetCurProjDir(L"");
        KxHost::SetKXSysDir(L"");
    }

    // A fresh installation holding `templates`, the project folder, and empty documents.
    void Install(const std::string& templates)
    {
        WriteBytes(Sys() / "Template" / "Templates.xml", templates);
        WriteBytes(Sys() / "Rule" / "RuleCode.ini", "[main]\nRuleItemNum=2\n[ITEM1]\nName=柱\nCODE=1\n[ITEM2]\nName=板\nCODE=2\n");
        WriteBytes(Sys() / "Rule" / "RuleDesc.ini", "[KouJ]\nTYPE1=扣柱\nTYPE2=扣板\n");
        kxtest::fs::create_directories(Proj());
        KxHost::SetKXSysDir(W(Sys()));
        KxHost::SetCurProjDir(W(Proj()));
        KxHost::SetVersion(L"25.1.0");
        // No message box may wait for a click.
        KxSysRule::SetMessageBoxHandler([](const CString&) {});
        ASSERT_TRUE(GetTemplateParser()->Init(W(Sys()))) << U8(KxHost::LastTemplateError());
        CCurRuleObj::ReleaseInstance();
        CSysDefRule::ReleaseInstance();
        CKXCurDeFenLeiSet::ClearCacheData();
    }

    path Sys() const { return m_dir / "sys"; }
    path Proj() const { return m_dir / "proj"; }
    path RulePath(const std::string& name = "QDRule.xml") const { return Proj() / name; }
    path FenLeiPath() const { return Proj() / "DefaultDeFenLeiSet.xml"; }

    // The display text of deduction codes `value` of item 体积, from RuleDesc.ini.
    static CString DescText(const CString& value)
    {
        sCalItemDir dir;
        dir.compType = {100, -1};
        dir.strCalItem = L"体积";
        dir.strRuleName = L"扣减项目";
        CString text;
        CFaceCurRule::GetShowRuleText(dir, value, text);
        return text;
    }

    // Loads `file` into the bill-of-quantities document; true when the document took it.
    static bool Load(const path& file)
    {
        CFaceCurRule::InitXMLData(W(file), kQD);
        return CFaceCurRule::GetCurFileName(kQD) == W(file);
    }

    kxtest::TempDir m_dir;
};

} // namespace reltest
