// The bundled host services: folders and version (set, environment, default), version comparison,
// list lookup, the sample an installed library finds beside itself, and the sample itself.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <kxhost/HostServices.h>
#include <kxhost/KxHost.h>
#include <kxsysrule/KxSysRuleData.h>

#include "common/StringUtil.h"
#include "platform/Platform.h"
#include "platform/SelfLocation.h"
#include "support/Installation.h"

using namespace kxtest;

TEST(HostConfig, SetValuesThenTheEnvironmentThenTheDefaults)
{
    const ScopedUnsetEnv env{"KX_SYS_DIR", "KX_PROJ_DIR", "KX_VERSION"};
    const auto answers = [] {
        return U8(ISysCache::GetKXSysDir() + L" " + ISysCache::GetCurProjDir() + L" " + CISysdata::GetVersion());
    };
    ::setenv("KX_SYS_DIR", "/env/安装/sys//", 1);
    ::setenv("KX_PROJ_DIR", "/data/工程一", 1);
    ::setenv("KX_VERSION", "26.0.1", 1);
    // Folders come without a trailing separator, but the root stays the root.
    KxHost::SetKXSysDir(L"D:\\安装\\sys\\\\");
    KxHost::SetCurProjDir(L"/");
    KxHost::SetVersion(L"25.2.0/");
    EXPECT_EQ(answers(), "D:\\安装\\sys / 25.2.0/");
    for (const auto set : {&KxHost::SetKXSysDir, &KxHost::SetCurProjDir, &KxHost::SetVersion})
        set(L"");
    EXPECT_EQ(answers(), "/env/安装/sys /data/工程一 26.0.1");
    // An empty variable counts as unset.
    ::setenv("KX_SYS_DIR", "", 1);
    ::unsetenv("KX_PROJ_DIR");
    ::setenv("KX_VERSION", "", 1);
    EXPECT_EQ(answers(), (SampleDir() / "sys").string() + " " + fs::current_path().string() + " 25.1.0");
}

TEST(HostServices, CompareVersionAndIsInAry)
{
    const struct { const wchar_t* a; const wchar_t* b; int count; int sign; } rows[] = {
        {L"25.1.0", L"25.1.0", 3, 0}, {L"25.1.0", L"24.2.0", 3, 1}, {L"24.10.0", L"24.9.0", 3, 1},
        {L"25.01.0", L"25.1.0", 3, 0}, {L"25.1", L"25.1.0", 3, 0}, {L"", L"0.0.0", 3, 0}, {L"", L"0.0.1", 3, -1},
        {L"25.1.0.9", L"25.1.0.1", 3, 0}, {L"25.1.0.9", L"25.1.0.1", 4, 1}, {L"26.0.0", L"25.9.9", 1, 1},
        {L"1.2.3", L"9.9.9", 0, 0}, {L"25..1", L"25.0.1", 3, 0}, {L"25.1.0", L"25.1.0-beta", 3, 0},
    };
    const auto sign = [](int v) { return (v > 0) - (v < 0); };
    for (const auto& r : rows) {  // each both ways round
        EXPECT_EQ(sign(CStringDisposeTool::CompareVersion(r.a, r.b, r.count)), r.sign) << U8(r.a) << " " << U8(r.b);
        EXPECT_EQ(sign(CStringDisposeTool::CompareVersion(r.b, r.a, r.count)), -r.sign) << U8(r.a) << " " << U8(r.b);
    }
    const CStringArray list{L"113", L"114", L"113", L"", L"KouJ"};
    const std::pair<const wchar_t*, int> finds[] = {{L"113", 0}, {L"114", 1}, {L"", 3}, {L"KouJ", 4},
                                                    {L"kouj", -1}, {L"11", -1}, {L"113 ", -1}};
    for (const auto& [text, index] : finds)
        EXPECT_EQ(CStringDisposeTool::IsInAry(text, list), index) << U8(text);
}

// A copy of the library in a prefix of its own finds the sample installed there (plain or
// multiarch library folder); without it, the source tree's, as the built library does.
TEST(HostConfig, InstalledLibraryFindsTheSampleBesideIt)
{
    const ScopedUnsetEnv env{"KX_SYS_DIR"};
    const fs::path built = kx::platform::ModuleDirOf(reinterpret_cast<const void*>(&ISysCache::GetKXSysDir));
    TempDir prefix;
    const fs::path lib = prefix / "usr/lib/libKxHostServices.so";
    fs::create_directories(lib.parent_path());
    fs::copy_file(built / "libKxHostServices.so", lib);
    const fs::path plain = prefix / "usr/share/kxsysrule/sample/sys", multiarch = prefix / "share/kxsysrule/sample/sys";
    fs::create_directories(plain);
    fs::create_directories(multiarch);

    void* handle = ::dlopen(lib.c_str(), RTLD_NOW | RTLD_LOCAL);  // stays loaded, for leak checkers
    ASSERT_NE(handle, nullptr) << ::dlerror();
    const auto getSysDir = reinterpret_cast<CString (*)()>(::dlsym(handle, "_ZN9ISysCache11GetKXSysDirB5cxx11Ev"));
    ASSERT_NE(getSysDir, nullptr) << ::dlerror();
    ASSERT_NE(reinterpret_cast<void*>(getSysDir), reinterpret_cast<void*>(&ISysCache::GetKXSysDir));
    const fs::path found = U8(getSysDir());
    EXPECT_TRUE(found == plain || found == multiarch) << found;
}

// The sample hangs together: the sample project is as the library writes it (loading it rewrites
// it byte for byte); each default rule belongs to a template item with units; a list rule's codes
// have an item code and a description (RuleDesc.ini is GB18030, as a Chinese system writes it) and
// its defaults are among them; a single choice fits the page's eight buttons.
using SampleInstallation = InstalledTest;
TEST_F(SampleInstallation, RulesTemplatesCodesAndProjectAgree)
{
    CopySample(m_dir.path());
    ASSERT_TRUE(GetTemplateParser()->Init(W(Sys())));
    CFaceCurRule::InitXMLData(W(Proj() / "QDRule.xml"), KxSysRule::Rule_QingDan);
    EXPECT_EQ(ReadBytes(Proj() / "QDRule.xml"), ReadBytes(SampleDir() / "proj/QDRule.xml"));
    EXPECT_FALSE(kx::platform::IsValidUtf8(ReadBytes(Sys() / "Rule/RuleDesc.ini")));
    CStringArray names, codes;
    CFaceSysRule::GetAllCalItemNames(names);
    for (const CString& name : names)
        codes.push_back(kx::IntToStr(CFaceSysRule::GetCalItemCode(name)));
    std::vector<SRuleItem> rules;
    ASSERT_TRUE(GetTemplateParser()->GetSysRules(rules));
    for (const SRuleItem& r : rules) {
        SCOPED_TRACE(U8(r.strCalItem + L" " + r.strRuleName) + " type " + std::to_string(r.compType.nTypeId));
        EXPECT_FALSE(GetTemplateParser()->GetCalItemUnits(r.compType, r.strCalItem).empty());
        CStringArray options, values;
        SplitList(r.strOptions, options);
        SplitList(r.strValue, values);
        EXPECT_TRUE(r.strSelectType == L"M" || (r.strSelectType == L"S" && r.strIniType.empty() &&
                                                options.size() <= 8 && kx::WToL(r.strValue) < long(options.size())));
        for (const CString& c : r.strSelectType == L"M" ? options : CStringArray{}) {
            CString text;
            CFaceCurRule::GetShowRuleText({r.compType, r.strCalItem, r.strRuleName}, c, text);
            EXPECT_TRUE(CStringDisposeTool::IsInAry(c, codes) != -1 && text != L"1、 ") << "code " << U8(c);
        }
        for (const CString& v : r.strSelectType == L"M" ? values : CStringArray{})
            EXPECT_NE(CStringDisposeTool::IsInAry(v, options), -1) << "default " << U8(v) << " not offered";
    }
}
