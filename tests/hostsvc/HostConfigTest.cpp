// Directories and version of the bundled host services: set values, environment, defaults.
#include <gtest/gtest.h>

#include <cstdlib>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include <kxhost/KxHost.h>

#include "support/TestSupport.h"

using namespace kxtest;

namespace {

// Clears what the host may have set and the three variables, and puts both back afterwards.
class HostConfig : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : kVars) {
            const char* value = std::getenv(name);
            m_saved.push_back(value ? std::optional<std::string>(value) : std::nullopt);
            ::unsetenv(name);
        }
        ResetSettings();
    }
    void TearDown() override
    {
        for (std::size_t i = 0; i < std::size(kVars); ++i) {
            if (m_saved[i])
                ::setenv(kVars[i], m_saved[i]->c_str(), 1);
            else
                ::unsetenv(kVars[i]);
        }
        ResetSettings();
    }
    static void ResetSettings()
    {
        KxHost::SetKXSysDir(L"");
        KxHost::SetCurProjDir(L"");
        KxHost::SetVersion(L"");
    }

    static constexpr const char* kVars[] = {"KX_SYS_DIR", "KX_PROJ_DIR", "KX_VERSION"};
    std::vector<std::optional<std::string>> m_saved;
};

} // namespace

TEST_F(HostConfig, DefaultsAreTheSampleTheCurrentFolderAndTheProgramVersion)
{
    EXPECT_EQ(fs::weakly_canonical(fs::path(U8(ISysCache::GetKXSysDir()))), fs::weakly_canonical(SampleDir() / "sys"));
    EXPECT_EQ(fs::path(U8(ISysCache::GetCurProjDir())), fs::current_path());
    EXPECT_EQ(CISysdata::GetVersion(), L"25.1.0");
}

TEST_F(HostConfig, EnvironmentReplacesTheDefaults)
{
    ::setenv("KX_SYS_DIR", "/opt/安装/sys", 1);
    ::setenv("KX_PROJ_DIR", "/data/工程一", 1);
    ::setenv("KX_VERSION", "26.0.1", 1);
    EXPECT_EQ(ISysCache::GetKXSysDir(), L"/opt/安装/sys");
    EXPECT_EQ(ISysCache::GetCurProjDir(), L"/data/工程一");
    EXPECT_EQ(CISysdata::GetVersion(), L"26.0.1");

    // An empty variable counts as unset.
    ::setenv("KX_VERSION", "", 1);
    EXPECT_EQ(CISysdata::GetVersion(), L"25.1.0");
}

TEST_F(HostConfig, SetValuesWinOverTheEnvironmentUntilCleared)
{
    ::setenv("KX_SYS_DIR", "/env/sys", 1);
    ::setenv("KX_PROJ_DIR", "/env/proj", 1);
    ::setenv("KX_VERSION", "24.0.0", 1);
    KxHost::SetKXSysDir(L"D:\\安装\\sys");
    KxHost::SetCurProjDir(L"/home/user/工程");
    KxHost::SetVersion(L"25.2.0");
    EXPECT_EQ(ISysCache::GetKXSysDir(), L"D:\\安装\\sys");
    EXPECT_EQ(ISysCache::GetCurProjDir(), L"/home/user/工程");
    EXPECT_EQ(CISysdata::GetVersion(), L"25.2.0");

    ResetSettings();
    EXPECT_EQ(ISysCache::GetKXSysDir(), L"/env/sys");
    EXPECT_EQ(ISysCache::GetCurProjDir(), L"/env/proj");
    EXPECT_EQ(CISysdata::GetVersion(), L"24.0.0");
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
