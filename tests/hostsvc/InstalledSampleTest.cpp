// An installed libKxHostServices finds the sample installed beside it, not the source tree.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <kxhost/KxHost.h>

#include "platform/SelfLocation.h"
#include "support/TestSupport.h"

using namespace kxtest;

TEST(InstalledSample, DefaultSystemFolderIsTheOneInstalledBesideTheLibrary)
{
    const ScopedUnsetEnv env{"KX_SYS_DIR"};  // the environment would win over the installed sample

    // The library this test is linked against, copied into a prefix of its own.
    const fs::path builtDir = kx::platform::ModuleDirOf(reinterpret_cast<const void*>(&ISysCache::GetKXSysDir));
    ASSERT_FALSE(builtDir.empty());
    TempDir prefix;
    fs::create_directories(prefix / "usr" / "lib");
    fs::copy_file(builtDir / "libKxHostServices.so", prefix / "usr" / "lib" / "libKxHostServices.so");
    // Where a plain and a multiarch library folder expect the data folder.
    const fs::path plain = prefix / "usr" / "share" / "kxsysrule" / "sample" / "sys";
    const fs::path multiarch = prefix / "share" / "kxsysrule" / "sample" / "sys";
    fs::create_directories(plain);
    fs::create_directories(multiarch);

    void* lib = ::dlopen((prefix / "usr" / "lib" / "libKxHostServices.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib, nullptr) << ::dlerror();
    using GetDir = CString (*)();
    auto getSysDir = reinterpret_cast<GetDir>(::dlsym(lib, "_ZN9ISysCache11GetKXSysDirB5cxx11Ev"));
    ASSERT_NE(getSysDir, nullptr) << ::dlerror();
    ASSERT_NE(reinterpret_cast<void*>(getSysDir), reinterpret_cast<void*>(&ISysCache::GetKXSysDir));

    const fs::path answer = U8(getSysDir());
    EXPECT_TRUE(answer == plain || answer == multiarch) << answer;

    // Without the installed sample the copy falls back to the source tree's.
    fs::remove_all(prefix / "usr" / "share");
    fs::remove_all(prefix / "share");
    EXPECT_EQ(fs::weakly_canonical(fs::path(U8(getSysDir()))), fs::weakly_canonical(SampleDir() / "sys"));
    // The copy stays loaded: its never-freed configuration must stay reachable for leak checkers.
}
