// Files that cannot be read as files: a folder, a symbolic link loop, a named pipe, a device, a
// file without read permission. Each load gives a false result or an empty file name, does not
// block, and writes nothing.
#include <sys/stat.h>

#include "ChildProcess.h"
#include "ReliabilityFixture.h"

namespace reltest {
namespace {

using kxtest::fs::create_symlink;

enum class Kind { Folder, LinkLoop, Pipe, Device, Unreadable };

// Puts a thing of `kind` where `file` was.
void Make(Kind kind, const path& file)
{
    kxtest::fs::remove_all(file);
    kxtest::fs::remove(file.string() + ".b");
    switch (kind) {
    case Kind::Folder:
        WriteBytes(file / "inside.txt", "kept");
        break;
    case Kind::LinkLoop:
        create_symlink(file.string() + ".b", file);
        create_symlink(file, file.string() + ".b");
        break;
    case Kind::Pipe:
        ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
        break;
    case Kind::Device:
        create_symlink(file.filename() == "QDRule.xml" ? "/dev/zero" : "/dev/urandom", file);
        break;
    case Kind::Unreadable:
        // A file that would load if it could be read.
        WriteBytes(file, file.filename() == "QDRule.xml" ? RuleFile() : FenLeiFile());
        kxtest::fs::permissions(file, kxtest::fs::perms::none);
        break;
    }
}

class OpenFault : public ReliabilityTest {};

// The project's rule file (as the bill-of-quantities rules) and DefaultDeFenLeiSet.xml. The loads
// run in a child with an alarm, so a load that blocks fails the test instead of stopping the run.
TEST_F(OpenFault, ProjectFilesThatAreNoFiles)
{
    const std::vector<std::pair<const char*, Kind>> kinds = {
        {"folder", Kind::Folder}, {"link loop", Kind::LinkLoop}, {"named pipe", Kind::Pipe},
        {"device that never ends", Kind::Device}, {"no read permission", Kind::Unreadable}};
    for (const auto& [name, kind] : kinds) {
        SCOPED_TRACE(name);
        // Root reads a file whatever its permission bits say.
        if (kind == Kind::Unreadable && ::geteuid() == 0)
            continue;
        Make(kind, RulePath());
        Make(kind, FenLeiPath());
        const std::set<std::string> before = Listing(Proj());
        const int code = RunInChild([&] {
            ::alarm(60);
            if (CFaceCurRule::InitXMLData(W(RulePath()), kQD) && !CFaceCurRule::GetCurFileName(kQD).empty())
                return 1;
            // With nothing loaded there is no tree to save.
            if (CFaceCurRule::SaveXMLData(W(RulePath()), kQD))
                return 2;
            CKXCurDeFenLeiSet::FenLeiMap map;
            return CKXCurDeFenLeiSet::ReadDeFenLeiSetInfo(map) || !map.empty() ? 3 : 0;
        });
        EXPECT_EQ(code, 0) << "1: rule file loaded, 2: rule file saved, 3: settings read, -" << SIGALRM << ": blocked";
        EXPECT_EQ(Listing(Proj()), before);
        if (kind == Kind::Folder) {
            EXPECT_EQ(Listing(RulePath()), std::set<std::string>{"inside.txt"});
        }
        if (kind == Kind::Unreadable) {
            kxtest::fs::permissions(RulePath(), kxtest::fs::perms::owner_read);
            EXPECT_EQ(ReadBytes(RulePath()), RuleFile());
        }
    }
    // Saves onto a folder: SaveFault.TargetsThatCannotBeWritten.
}

TEST_F(OpenFault, SavesDoNotFollowALinkLoop)
{
    Make(Kind::LinkLoop, RulePath());
    Make(Kind::LinkLoop, FenLeiPath());
    WriteBytes(Proj() / "good.xml", RuleFile());
    ASSERT_TRUE(Load(Proj() / "good.xml"));
    const std::set<std::string> before = Listing(Proj());
    EXPECT_FALSE(CFaceCurRule::SaveXMLData(W(RulePath()), kQD));
    EXPECT_FALSE(CKXCurDeFenLeiSet::WriteDeFenLeiSetInfo({{{41, -1}, {{L"砖基础", {L"砂浆标号"}}}}}));
    EXPECT_EQ(Listing(Proj()), before);
    EXPECT_EQ(kxtest::fs::read_symlink(RulePath()), RulePath().string() + ".b");
}

// The installation's files as folders, pipes and loops: the template parser and the rule library
// come up empty instead of blocking or failing the host.
TEST_F(OpenFault, InstallationFilesThatAreNoFiles)
{
    for (const auto& [name, kind] : {std::pair{"folder", Kind::Folder}, {"pipe", Kind::Pipe}, {"loop", Kind::LinkLoop}}) {
        SCOPED_TRACE(name);
        for (const char* file : {"Template/Templates.xml", "Rule/RuleCode.ini", "Rule/RuleDesc.ini"})
            Make(kind, Sys() / file);
        const int code = RunInChild([&] {
            ::alarm(60);
            CSysDefRule::ReleaseInstance();
            if (GetTemplateParser()->Init(W(Sys())) || KxHost::LastTemplateError().empty())
                return 1;
            CStringArray names;
            CFaceSysRule::GetAllCalItemNames(names);
            if (!names.empty() || CFaceSysRule::GetCalItemCode(L"柱") != -1)
                return 2;
            return DescText(L"1,2").empty() ? 0 : 3;
        });
        EXPECT_EQ(code, 0) << "1: templates read, 2: codes read, 3: descriptions read, -" << SIGALRM << ": blocked";
    }
}

} // namespace
} // namespace reltest
