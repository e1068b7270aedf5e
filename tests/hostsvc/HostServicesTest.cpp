// The bundled host services: folders and version (set, environment, default), version comparison,
// list lookup, and the sample an installed library finds beside itself.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <kxhost/HostServices.h>
#include <kxhost/KxHost.h>

#include "platform/SelfLocation.h"
#include "support/TestSupport.h"

using namespace kxtest;

TEST(HostConfig, SetValuesThenTheEnvironmentThenTheDefaults)
{
    const ScopedUnsetEnv env{"KX_SYS_DIR", "KX_PROJ_DIR", "KX_VERSION"};
    const auto expect = [](const CString& sys, const CString& proj, const CString& version) {
        EXPECT_EQ(ISysCache::GetKXSysDir() + L" " + ISysCache::GetCurProjDir() + L" " + CISysdata::GetVersion(),
                  sys + L" " + proj + L" " + version);
    };
    ::setenv("KX_SYS_DIR", "/env/安装/sys//", 1);
    ::setenv("KX_PROJ_DIR", "/data/工程一", 1);
    ::setenv("KX_VERSION", "26.0.1", 1);
    // Folders come without a trailing separator, but the root stays the root.
    const auto set = [](const CString& sys, const CString& proj, const CString& version) {
        KxHost::SetKXSysDir(sys);
        KxHost::SetCurProjDir(proj);
        KxHost::SetVersion(version);
    };
    set(L"D:\\安装\\sys\\\\", L"/", L"25.2.0/");
    expect(L"D:\\安装\\sys", L"/", L"25.2.0/");
    set(L"", L"", L"");
    expect(L"/env/安装/sys", L"/data/工程一", L"26.0.1");
    // An empty variable counts as unset.
    ::setenv("KX_SYS_DIR", "", 1);
    ::unsetenv("KX_PROJ_DIR");
    ::setenv("KX_VERSION", "", 1);
    expect(W(SampleDir() / "sys"), W(fs::current_path()), L"25.1.0");
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
    EXPECT_EQ(CStringDisposeTool::IsInAry(L"", CStringArray{}), -1);
}

// A copy of the library in a prefix of its own finds the sample installed there (plain or
// multiarch library folder), and the source tree's without it.
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
    fs::remove_all(prefix / "usr/share");
    fs::remove_all(prefix / "share");
    EXPECT_EQ(fs::weakly_canonical(U8(getSysDir())), fs::weakly_canonical(SampleDir() / "sys"));
}
