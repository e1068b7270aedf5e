// Damaged rule files and things that are no files, and saves that fail. A read refuses without
// blocking and changes nothing; a failed save leaves every file byte for byte with nothing beside
// it and the records as they were, and goes through once the fault is put right.
#include <csignal>
#include <functional>
#include <map>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <kxsysrule/KxSysRuleData.h>

#include "common/StringUtil.h"
#include "support/Installation.h"

namespace kxtest {
namespace {

constexpr auto kQD = KxSysRule::Rule_QingDan;

// Puts at `file` a file of `bytes`, or a link that loops back to it.
void Put(const fs::path& file, bool loop, const std::string& bytes = "")
{
    fs::remove(file);
    fs::remove(file.string() + ".b");
    if (!loop)
        return WriteBytes(file, bytes);
    fs::create_symlink(file.string() + ".b", file);
    fs::create_symlink(file, file.string() + ".b");
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

    // Saves with `fault` in place: the save fails, and the files and the records stay as they were.
    // After `fix` it goes through and loads again.
    void ExpectFailedSave(const std::function<void()>& fault, const std::function<void()>& fix)
    {
        fault();
        const auto files = Snapshot();
        const std::string records = Records();
        const auto save = [&] { return CFaceCurRule::SaveXMLData(W(RuleFile()), kQD); };
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

// Damaged files, folders, loops and refused roots fail the load as a missing file does; an endless
// device or a named pipe in the file's place must be refused unread and without blocking.
TEST_F(FileFault, EndlessDeviceAndPipeAreRefusedUnread)
{
    Project();
    const std::string records = Records();
    fs::create_symlink("/dev/zero", Proj() / "zero.xml");
    ASSERT_EQ(::mkfifo((Proj() / "pipe.xml").c_str(), 0600), 0);
    for (const char* name : {"zero.xml", "pipe.xml"}) {
        // In a child with an alarm: the read could never end. The name is forgotten, the records stay.
        EXPECT_EXIT((::alarm(30), CFaceCurRule::InitXMLData(W(Proj() / name), kQD),
                     std::_Exit(CFaceCurRule::GetCurFileName(kQD).empty() && Records() == records ? 0 : 1)),
                    ::testing::ExitedWithCode(0), "")
            << name;
    }
}

TEST_F(FileFault, FailedSavesChangeNothingAndLaterSavesGoThrough)
{
    // A link that loops has no target to replace; a read-only file (the owner's write permission is
    // the mark, honoured even for root), a folder in the way, the project folder gone.
    const std::pair<std::function<void()>, std::function<void()>> faults[] = {
        {[&] { Put(RuleFile(), true); }, [&] { Put(RuleFile(), false); }},
        {[&] { fs::permissions(RuleFile(), fs::perms::owner_read); },
         [&] { fs::permissions(RuleFile(), fs::perms::owner_write, fs::perm_options::add); }},
        {[&] { fs::remove(RuleFile()), fs::create_directories(RuleFile() / "kept"); },
         [&] { fs::remove_all(RuleFile()); }},
        {[&] { fs::remove_all(Proj()); }, [&] { fs::create_directories(Proj()); }}};
    for (const auto& [fault, fix] : faults) {
        Project();
        ExpectFailedSave(fault, fix);
    }

    // A full disk needs a mount; a file size limit fails the same writes part-way.
    Project();
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    const rlimit half{ReadBytes(RuleFile()).size() / 2, limit.rlim_max};
    std::signal(SIGXFSZ, SIG_IGN);
    ExpectFailedSave([&] { ::setrlimit(RLIMIT_FSIZE, &half); }, [&] { ::setrlimit(RLIMIT_FSIZE, &limit); });

    // Values XML cannot carry, in a document written as text (UTF-8) or as nodes (GB18030): both
    // writers ask one character test, whose edges these are (first surrogate, last control).
    const std::pair<const char*, CString> bad[] = {{"UTF-8", {L'1', wchar_t(0xD800)}}, {"GB18030", L"\x1F"}};
    for (const auto& [encoding, value] : bad) {
        SCOPED_TRACE(encoding);
        Project(encoding);
        ExpectFailedSave([&] { ASSERT_TRUE(Edit(value)); }, [&] { ASSERT_TRUE(Edit(L"2")); });
    }
    // A comment among the rules of a hand-edited file is read as a record named after it, which no
    // save can write; the load does not rewrite the file either.
    Project();
    ExpectFailedSave([&] {
        std::string bytes = ReadBytes(RuleFile());
        Put(RuleFile(), false, bytes.insert(bytes.find("<扣减项目"), "<!-- 手工注释 -->"));
        Forget();
        CFaceCurRule::InitXMLData(W(RuleFile()), kQD);
        EXPECT_EQ(ReadBytes(RuleFile()), bytes);
    }, [&] { Project(); });
}

} // namespace
} // namespace kxtest
