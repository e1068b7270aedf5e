// Damaged rule files and things that are no files, and saves that fail. A read refuses without
// blocking and changes nothing; a failed save leaves every file byte for byte with nothing beside
// it and the records as they were, and goes through once the fault is put right.
#include <csignal>
#include <functional>
#include <map>
#include <tuple>
#include <stdexcept>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <kxsysrule/KxSysRuleData.h>

#include "common/StringUtil.h"
#include "support/Installation.h"

namespace kxtest {
namespace {

constexpr auto kQD = KxSysRule::Rule_QingDan;

enum class Thing { File, Folder, Loop, Pipe, Device };

// Puts at `file` a file of `bytes`, a folder with a file in it, a link loop, a named pipe or an
// endless device; Thing::File without bytes and then fs::remove clears the place.
void Put(const fs::path& file, Thing thing, const std::string& bytes = "")
{
    fs::remove_all(file);
    fs::remove(file.string() + ".b");
    if (thing == Thing::File)
        WriteBytes(file, bytes);
    if (thing == Thing::Folder)
        WriteBytes(file / "inside.txt", "kept");
    if (thing == Thing::Loop) {
        fs::create_symlink(file.string() + ".b", file);
        fs::create_symlink(file, file.string() + ".b");
    }
    if (thing == Thing::Pipe && ::mkfifo(file.c_str(), 0600) != 0)
        throw std::runtime_error("mkfifo");
    if (thing == Thing::Device)
        fs::create_symlink("/dev/zero", file);
}

class FileFault : public InstalledTest {
protected:
    fs::path RuleFile() const { return Proj() / "QDRule.xml"; }

    // A rule file the library wrote from the defaults in `encoding`, loaded, with a rule edited and
    // not yet saved.
    void Project(const char* encoding = "UTF-8")
    {
        fs::remove_all(Proj());
        Forget();
        const std::string file = "<?xml version=\"1.0\"?><工程数据 ruletype=\"1\" RuleVer=\"25.0.0\"/>";
        WriteBytes(RuleFile(), Encoded(file, encoding, encoding));
        CFaceCurRule::InitXMLData(W(RuleFile()), kQD);
        ASSERT_GT(ReadBytes(RuleFile()).size(), file.size() + 200) << "not written from the defaults";
        ASSERT_TRUE(Edit(L"1,3"));
    }

    static bool Edit(const CString& value)
    {
        return CFaceCurRule::SetCurItemRules({12, -1}, {L"扣减项目", value}, L"体积", kQD);
    }

    // Every record, as the grid shows them.
    static std::string Records()
    {
        CStringArray cells, titles;
        int keys = 0, values = 0;
        CFaceCurRule::GetTableGridData(cells, titles, keys, values, kQD, L"", 0);
        return U8(kx::Join(cells, L'|'));
    }

    // Every entry below the test's folder, with the bytes of each regular file.
    std::map<std::string, std::string> Snapshot() const
    {
        std::map<std::string, std::string> out;
        for (const auto& entry : fs::recursive_directory_iterator(m_dir.path())) {
            std::error_code ec;
            out[entry.path().string()] = entry.is_regular_file(ec) ? ReadBytes(entry.path()) : "-";
        }
        return out;
    }

    // Saves with `fault` in place (in a child for a process-wide limit): the save fails, and the
    // files and the records stay as they were. After `fix` it goes through and loads again.
    void ExpectFailedSave(const std::function<void()>& fault, const std::function<void()>& fix, bool inChild = false)
    {
        if (!inChild)
            fault();
        const auto files = Snapshot();
        const std::string records = Records();
        const auto save = [&] { return CFaceCurRule::SaveXMLData(W(RuleFile()), kQD); };
        if (inChild)
            EXPECT_EXIT((::alarm(30), fault(), std::_Exit(save())), ::testing::ExitedWithCode(0), "");
        else
            EXPECT_FALSE(save());
        EXPECT_EQ(Snapshot(), files);
        EXPECT_EQ(Records(), records);
        fix();
        const std::string fixed = Records();
        ASSERT_TRUE(save());
        Forget();
        CFaceCurRule::InitXMLData(W(RuleFile()), kQD);
        EXPECT_EQ(Records(), fixed);
    }
};

// Each damage at the rule file's place, loaded after a good file.
TEST_F(FileFault, DamagedRuleFilesAndNoFilesAreRefused)
{
    // What the load leaves: 0 the name forgotten, 1 the name kept, 3 the name kept and a message
    // shown; the earlier records stay (4) in every case.
    const std::tuple<const char*, Thing, std::string, int> rows[] = {
        {"truncated", Thing::File, "<?xml version=\"1.0\"?><工程数据 ruletype=\"1\" RuleVer=\"25.1.0\"><ZhuTi>", 0},
        {"not XML", Thing::File, "体积=1,2\n", 0},
        {"empty", Thing::File, "", 0},
        {"bad encoding", Thing::File, "<?xml version=\"1.0\" encoding=\"UTF-8\"?><工程数据 ruletype=\"1\">\xFF</工程数据>", 0},
        {"other root", Thing::File, "<?xml version=\"1.0\"?><项目 ruletype=\"1\"/>", 1},
        {"no rule type", Thing::File, "<工程数据 RuleVer=\"25.1.0\"/>", 1},
        {"other rule type", Thing::File, "<工程数据 ruletype=\"2\" RuleVer=\"25.1.0\"/>", 3},
        {"spaced rule type", Thing::File, "<工程数据 ruletype=\" 1\" RuleVer=\"25.1.0\"/>", 3},
        {"folder", Thing::Folder, "", 0},
        {"link loop", Thing::Loop, "", 0},
        {"named pipe", Thing::Pipe, "", 0},
        {"endless device", Thing::Device, "", 0},
    };
    for (const auto& [name, thing, bytes, outcome] : rows) {
        SCOPED_TRACE(name);
        Project();
        fs::rename(RuleFile(), Proj() / "good.xml");
        CFaceCurRule::InitXMLData(W(Proj() / "good.xml"), kQD);
        const std::string records = Records();
        Put(RuleFile(), thing, bytes);
        const auto files = Snapshot();
        const auto read = [&] {
            bool message = false;
            KxSysRule::SetMessageBoxHandler([&](const CString&) { message = true; });
            CFaceCurRule::InitXMLData(W(RuleFile()), kQD);
            KxSysRule::SetMessageBoxHandler([](const CString&) {});
            return (CFaceCurRule::GetCurFileName(kQD) == W(RuleFile())) | message << 1 | (Records() == records) << 2;
        };
        // In a child with an alarm where the read could block or never end.
        if (thing == Thing::Pipe || thing == Thing::Device)
            EXPECT_EXIT((::alarm(30), std::_Exit(read())), ::testing::ExitedWithCode(outcome | 4), "");
        else
            EXPECT_EQ(read(), outcome | 4);
        EXPECT_EQ(Snapshot(), files);
    }
}

TEST_F(FileFault, FailedSavesChangeNothingAndLaterSavesGoThrough)
{
    // The owner's write permission is the read-only mark, honoured even for root.
    Project();
    ExpectFailedSave([&] { fs::permissions(RuleFile(), fs::perms::owner_read); },
                     [&] { fs::permissions(RuleFile(), fs::perms::owner_all); });
    for (const Thing thing : {Thing::Folder, Thing::Loop}) {
        Project();
        ExpectFailedSave([&] { Put(RuleFile(), thing); }, [&] { Put(RuleFile(), Thing::File); });
    }
    Project();  // a project folder gone is not made again
    ExpectFailedSave([&] { fs::remove_all(Proj()); }, [&] { fs::create_directories(Proj()); });

    // A full disk needs a mount; a file size limit fails the same writes part-way.
    Project();
    const rlimit limit{ReadBytes(RuleFile()).size() / 2, ReadBytes(RuleFile()).size() / 2};
    ExpectFailedSave([&] { std::signal(SIGXFSZ, SIG_IGN), ::setrlimit(RLIMIT_FSIZE, &limit); }, [] {}, true);

    // Values XML cannot carry, in a document written as text (UTF-8) or as nodes (GB18030).
    for (const char* encoding : {"UTF-8", "GB18030"}) {
        for (const CString& bad : {CString(L"1,\x01 2"), CString(L"\x1F"), CString(L"1\xFFFF"), CString(L"\xFFFE"),
                                   CString{L'1', wchar_t(0xD800)}}) {
            SCOPED_TRACE(encoding + (" " + U8(bad)));
            Project(encoding);
            ExpectFailedSave([&] { ASSERT_TRUE(Edit(bad)); }, [&] { ASSERT_TRUE(Edit(L"2")); });
        }
    }
    // A comment among the rules of a hand-edited file is read as a record named after it, which no
    // save can write; the load does not rewrite the file either.
    Project();
    ExpectFailedSave([&] {
        std::string bytes = ReadBytes(RuleFile());
        Put(RuleFile(), Thing::File, bytes.insert(bytes.find("<扣减项目"), "<!-- 手工注释 -->"));
        Forget();
        CFaceCurRule::InitXMLData(W(RuleFile()), kQD);
        EXPECT_EQ(ReadBytes(RuleFile()), bytes);
    }, [&] { Project(); });
}

} // namespace
} // namespace kxtest
