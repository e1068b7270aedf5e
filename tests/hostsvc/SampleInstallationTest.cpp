// The sample installation hangs together: each default rule belongs to a template item with units,
// each code a list rule offers has a code entry and a description (written GB18030, as on a Chinese
// system) and its defaults are offered, a single choice fits the page's eight buttons; the sample
// project's rule file uses the templates' names.
#include <gtest/gtest.h>

#include <kxhost/KxHost.h>
#include <kxsysrule/KxSysRuleData.h>

#include "common/StringUtil.h"
#include "platform/IniFile.h"
#include "platform/Platform.h"
#include "currule/CCurRuleObj.h"
#include "support/TestSupport.h"

using namespace kxtest;

TEST(SampleInstallation, RulesTemplatesCodesAndProjectAgree)
{
    const fs::path sys = SampleDir() / "sys";
    ITemplateParser& parser = *GetTemplateParser();
    ASSERT_TRUE(parser.Init(W(sys))) << U8(KxHost::LastTemplateError());
    std::vector<SRuleItem> rules;
    ASSERT_TRUE(parser.GetSysRules(rules));
    EXPECT_FALSE(kx::platform::IsValidUtf8(ReadBytes(sys / "Rule/RuleDesc.ini")));
    const auto desc = kx::platform::LoadIniFile((sys / "Rule/RuleDesc.ini").string());
    const auto code = kx::platform::LoadIniFile((sys / "Rule/RuleCode.ini").string());
    CStringArray codes;
    for (const CString& section : code->SectionNames()) {
        if (section != L"main")
            codes.push_back(*code->Find(section, L"CODE"));
    }
    for (const SRuleItem& r : rules) {
        SCOPED_TRACE(U8(r.strCalItem + L" " + r.strRuleName) + " type " + std::to_string(r.compType.nTypeId));
        EXPECT_FALSE(parser.GetCalItemUnits(r.compType, r.strCalItem).empty());
        CStringArray options, values;
        SplitList(r.strOptions, options);
        SplitList(r.strValue, values);
        EXPECT_TRUE(r.strSelectType == L"M" || (r.strSelectType == L"S" && r.strIniType.empty() && options.size() <= 8 &&
                                                kx::WToL(r.strValue) < long(options.size())));
        for (const CString& c : r.strSelectType == L"M" ? options : CStringArray{}) {
            const CString* text = desc->Find(r.strIniType, L"TYPE" + c);
            EXPECT_TRUE(CStringDisposeTool::IsInAry(c, codes) != -1 && text && !text->empty()) << "code " << U8(c);
        }
        for (const CString& v : r.strSelectType == L"M" ? values : CStringArray{})
            EXPECT_NE(CStringDisposeTool::IsInAry(v, options), -1) << "default " << U8(v) << " not offered";
    }
    // The sample project is as the library writes it: loading it rewrites it byte for byte.
    TempDir copy;
    CopySample(copy.path());
    KxHost::SetKXSysDir(W(copy / "sys"));
    KxHost::SetCurProjDir(W(copy / "proj"));
    CFaceCurRule::InitXMLData(W(copy / "proj" / "QDRule.xml"), KxSysRule::Rule_QingDan);
    EXPECT_EQ(ReadBytes(copy / "proj" / "QDRule.xml"), ReadBytes(SampleDir() / "proj" / "QDRule.xml"));
    CCurRuleObj::ReleaseInstance();
    KxHost::SetKXSysDir(L"");
    KxHost::SetCurProjDir(L"");
}
