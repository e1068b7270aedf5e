// Directories and version of the bundled host services: set values, environment, defaults.
#include <gtest/gtest.h>

#include <cstdlib>

#include <kxhost/KxHost.h>

#include "support/TestSupport.h"

using namespace kxtest;

namespace {

// Starts with nothing set by the host nor in the three variables, and leaves it so.
class HostConfig : public ::testing::Test {
protected:
    void SetUp() override { ResetSettings(); }
    void TearDown() override { ResetSettings(); }
    static void ResetSettings()
    {
        KxHost::SetKXSysDir(L"");
        KxHost::SetCurProjDir(L"");
        KxHost::SetVersion(L"");
    }

    ScopedUnsetEnv m_env{"KX_SYS_DIR", "KX_PROJ_DIR", "KX_VERSION"};
};

} // namespace

TEST_F(HostConfig, SetValuesWinOverTheEnvironmentWhichWinsOverTheDefaults)
{
    ::setenv("KX_SYS_DIR", "/opt/安装/sys", 1);
    ::setenv("KX_PROJ_DIR", "/data/工程一", 1);
    ::setenv("KX_VERSION", "26.0.1", 1);
    KxHost::SetKXSysDir(L"D:\\安装\\sys");
    KxHost::SetCurProjDir(L"/home/user/工程");
    KxHost::SetVersion(L"25.2.0");
    EXPECT_EQ(ISysCache::GetKXSysDir(), L"D:\\安装\\sys");
    EXPECT_EQ(ISysCache::GetCurProjDir(), L"/home/user/工程");
    EXPECT_EQ(CISysdata::GetVersion(), L"25.2.0");

    ResetSettings();
    EXPECT_EQ(ISysCache::GetKXSysDir(), L"/opt/安装/sys");
    EXPECT_EQ(ISysCache::GetCurProjDir(), L"/data/工程一");
    EXPECT_EQ(CISysdata::GetVersion(), L"26.0.1");
    // An empty variable counts as unset; the defaults are the sample, the current folder and the
    // program's version.
    ::setenv("KX_VERSION", "", 1);
    ::unsetenv("KX_SYS_DIR");
    ::unsetenv("KX_PROJ_DIR");
    EXPECT_EQ(CISysdata::GetVersion(), L"25.1.0");
    EXPECT_EQ(fs::weakly_canonical(fs::path(U8(ISysCache::GetKXSysDir()))), fs::weakly_canonical(SampleDir() / "sys"));
    EXPECT_EQ(fs::path(U8(ISysCache::GetCurProjDir())), fs::current_path());
}

TEST_F(HostConfig, DirectoriesComeWithoutTrailingSeparator)
{
    KxHost::SetKXSysDir(L"/opt/kx/sys/");
    KxHost::SetCurProjDir(L"C:\\proj\\\\");
    EXPECT_EQ(ISysCache::GetKXSysDir(), L"/opt/kx/sys");
    EXPECT_EQ(ISysCache::GetCurProjDir(), L"C:\\proj");
    KxHost::SetCurProjDir(L"/");
    EXPECT_EQ(ISysCache::GetCurProjDir(), L"/");
    ::setenv("KX_SYS_DIR", "/env/sys//", 1);
    KxHost::SetKXSysDir(L"");
    EXPECT_EQ(ISysCache::GetKXSysDir(), L"/env/sys");
}
