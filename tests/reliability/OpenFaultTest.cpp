// Files that cannot be read as files: a folder, a symbolic link loop, a named pipe, a device, a
// file without read permission. Each load gives a false result or an empty file name, does not
// block, and writes nothing.
#include <sys/stat.h>

#include "ChildProcess.h"
#include "ReliabilityFixture.h"

namespace reltest {
namespace {

using kxtest::fs::create_symlink;

class OpenFault : public ReliabilityTest {
protected:
    // Loads of every kind of file from `name` in the project folder: the rule file (as the
    // bill-of-quantities rules) and DefaultDeFenLeiSet.xml. Run in a child with an alarm, so a
    // load that blocks fails the test instead of stopping the run.
    void ExpectRefusedLoads(const std::string& what)
    {
        SCOPED_TRACE(what);
        const std::set<std::string> before = Listing(Proj());
        const int code = RunInChild([&] {
            ::alarm(60);
            if (CFaceCurRule::InitXMLData(W(RulePath()), kQD) && !CFaceCurRule::GetCurFileName(kQD).empty())
                return 1;
            // With nothing loaded there is no tree to save.
            if (CFaceCurRule::SaveXMLData(W(RulePath()), kQD))
                return 2;
            CKXCurDeFenLeiSet::FenLeiMap map;
            if (CKXCurDeFenLeiSet::ReadDeFenLeiSetInfo(map) || !map.empty())
                return 3;
            return 0;
        });
        EXPECT_EQ(code, 0) << "1: rule file loaded, 2: rule file saved, 3: settings read, -" << SIGALRM << ": blocked";
        EXPECT_EQ(Listing(Proj()), before);
    }
};

TEST_F(OpenFault, Folder)
{
    WriteBytes(RulePath() / "inside.txt", "kept");
    WriteBytes(FenLeiPath() / "inside.txt", "kept");
    ExpectRefusedLoads("folder");
    EXPECT_EQ(Listing(RulePath()), std::set<std::string>{"inside.txt"});
    // Saves onto a folder: SaveFault.TargetReplacedByAFolderIsLeftAlone.
}

TEST_F(OpenFault, SymbolicLinkLoop)
{
    for (const path& file : {RulePath(), FenLeiPath()}) {
        create_symlink(file.string() + ".b", file);
        create_symlink(file, file.string() + ".b");
    }
    ExpectRefusedLoads("link loop");

    WriteBytes(Proj() / "good.xml", RuleFile());
    ASSERT_TRUE(Load(Proj() / "good.xml"));
    const std::set<std::string> before = Listing(Proj());
    EXPECT_FALSE(CFaceCurRule::SaveXMLData(W(RulePath()), kQD));
    EXPECT_FALSE(CKXCurDeFenLeiSet::WriteDeFenLeiSetInfo({{{41, -1}, {{L"砖基础", {L"砂浆标号"}}}}}));
    EXPECT_EQ(Listing(Proj()), before);
    EXPECT_TRUE(kxtest::fs::is_symlink(RulePath()));
    EXPECT_EQ(kxtest::fs::read_symlink(RulePath()), RulePath().string() + ".b");
}

TEST_F(OpenFault, NamedPipeDoesNotBlock)
{
    ASSERT_EQ(::mkfifo(RulePath().c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo(FenLeiPath().c_str(), 0600), 0);
    ExpectRefusedLoads("named pipe");
}

TEST_F(OpenFault, DevicesThatNeverEnd)
{
    create_symlink("/dev/zero", RulePath());
    create_symlink("/dev/urandom", FenLeiPath());
    ExpectRefusedLoads("device");
}

TEST_F(OpenFault, FileWithoutReadPermission)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads a file whatever its permission bits say";
    WriteBytes(RulePath(), RuleFile());
    WriteBytes(FenLeiPath(), FenLeiFile());
    kxtest::fs::permissions(RulePath(), kxtest::fs::perms::none);
    kxtest::fs::permissions(FenLeiPath(), kxtest::fs::perms::none);
    ExpectRefusedLoads("no read permission");
    kxtest::fs::permissions(RulePath(), kxtest::fs::perms::owner_read);
    EXPECT_EQ(ReadBytes(RulePath()), RuleFile());
}

// The installation's files as folders, pipes and loops: the template parser and the rule library
// come up empty instead of blocking or failing the host.
TEST_F(OpenFault, InstallationFilesThatAreNoFiles)
{
    const path templates = Sys() / "Template" / "Templates.xml";
    const path ruleCode = Sys() / "Rule" / "RuleCode.ini";
    const path ruleDesc = Sys() / "Rule" / "RuleDesc.ini";
    for (const char* kind : {"folder", "pipe", "loop"}) {
        SCOPED_TRACE(kind);
        for (const path& file : {templates, ruleCode, ruleDesc}) {
            kxtest::fs::remove_all(file);
            kxtest::fs::remove(file.string() + ".b");
            if (std::string(kind) == "folder") {
                kxtest::fs::create_directories(file);
            } else if (std::string(kind) == "pipe") {
                ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
            } else {
                create_symlink(file.string() + ".b", file);
                create_symlink(file, file.string() + ".b");
            }
        }
        const int code = RunInChild([&] {
            ::alarm(60);
            CSysDefRule::ReleaseInstance();
            if (GetTemplateParser()->Init(W(Sys())) || KxHost::LastTemplateError().empty())
                return 1;
            CStringArray names;
            CFaceSysRule::GetAllCalItemNames(names);
            if (!names.empty() || CFaceSysRule::GetCalItemCode(L"柱") != -1)
                return 2;
            sCalItemDir dir;
            dir.compType = {100, -1};
            dir.strCalItem = L"体积";
            dir.strRuleName = L"扣减项目";
            CString text;
            CFaceCurRule::GetShowRuleText(dir, L"1,2", text);
            return text.empty() ? 0 : 3;
        });
        EXPECT_EQ(code, 0) << "1: templates read, 2: codes read, 3: descriptions read, -" << SIGALRM << ": blocked";
    }
}

} // namespace
} // namespace reltest
