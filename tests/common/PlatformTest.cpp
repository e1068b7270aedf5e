// The platform layer: text conversion at the edges, host path mapping and atomic writing.
#include <gtest/gtest.h>

#include <fstream>

#include "platform/Platform.h"
#include "support/TestSupport.h"

using namespace kxtest;
using namespace kx::platform;

namespace {

CString Replacements(int n) { return CString(static_cast<std::size_t>(n), static_cast<wchar_t>(0xFFFD)); }

long EntryCount(const fs::path& dir) { return std::distance(fs::directory_iterator(dir), fs::directory_iterator()); }

constexpr fs::perms kReadOnly = fs::perms::owner_read | fs::perms::group_read;
constexpr fs::perms kWritable = kReadOnly | fs::perms::owner_write;

} // namespace

TEST(Utf8, RoundTripAndInvalidBytes)
{
    const std::string text = "ASCII 计算规则 \xF0\x9F\x8F\x97 \xC2\xA9 end";  // 1-, 3-, 4- and 2-byte sequences
    const CString wide = FromUtf8(text);
    EXPECT_EQ(wide, CString(L"ASCII 计算规则 ") + static_cast<wchar_t>(0x1F3D7) + L" \u00A9 end");
    EXPECT_EQ(ToUtf8(wide), text);
    EXPECT_TRUE(IsValidUtf8(text));
    EXPECT_EQ(ToUtf8(CString(1, L'\0')), std::string(1, '\0'));

    const std::pair<const char*, CString> invalid[] = {
        {"a\xFF" "b", L"a" + Replacements(1) + L"b"},
        {"\xC0\xAF", Replacements(2)},              // overlong "/"
        {"\xED\xA0\x80", Replacements(3)},          // an encoded surrogate
        {"\xF4\x90\x80\x80", Replacements(4)},      // beyond U+10FFFF
        {"\xE8\xAE", Replacements(2)},              // cut short at the end
        {"\xE8\xAE" "A", Replacements(2) + L"A"},   // cut short by a new character
        {"\x80", Replacements(1)},
    };
    for (const auto& row : invalid) {
        SCOPED_TRACE(&row - invalid);
        EXPECT_FALSE(IsValidUtf8(row.first));
        EXPECT_EQ(FromUtf8(row.first), row.second);
        // Appended after text already there, which invalid bytes must not overwrite.
        CString appended = L"前";
        AppendFromUtf8(row.first, appended);
        EXPECT_EQ(appended, L"前" + row.second);
    }
    // Wide characters that are no Unicode scalar values are replaced on the way out.
    EXPECT_EQ(ToUtf8(CString{L'x', static_cast<wchar_t>(0xD800), L'y'}), "x\xEF\xBF\xBDy");
    EXPECT_EQ(ToUtf8(CString(1, static_cast<wchar_t>(0x110000))), "\xEF\xBF\xBD");
}

// DecodeText guesses from byte order marks and falls back to GB18030; Decode takes a named
// encoding and fails rather than guess. 扣减 = U+6263 U+51CF, GB18030 BF DB BC F5.
TEST(Decode, ByteOrderMarksTheChineseFallbackAndNamedEncodings)
{
    // No encoding: DecodeText; no expected text: Decode fails.
    const struct { std::string bytes; const char* encoding; const wchar_t* expected; } rows[] = {
        {std::string("\xFF\xFE\x63\x62\xCF\x51=\x00", 8), nullptr, L"扣减="},
        {std::string("\xFE\xFF\x62\x63\x51\xCF", 6), nullptr, L"扣减"},
        {"\xEF\xBB\xBF" "T=\xE6\x89\xA3\xE5\x87\x8F", nullptr, L"T=扣减"},
        {"T=\xE6\x89\xA3\xE5\x87\x8F", nullptr, L"T=扣减"},
        {"T=\xBF\xDB\xBC\xF5\r\n", nullptr, L"T=扣减\r\n"},
        {"\x81\x30\x84\x36", nullptr, L"\u00A5"},  // a four-byte GB18030 sequence
        {"", nullptr, L""},
        {"\xBF\xDB\xBC\xF5", "GB2312", L"扣减"},
        {std::string("\x63\x62", 2), "UTF-16LE", L"扣"},
        {"abc", "NO-SUCH-ENCODING", nullptr},
        {"\xFF\xFF", "GB18030", nullptr},  // not a GB18030 sequence
        {"\xD4", "GBK", nullptr},          // cut short
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(&row - rows);
        if (!row.encoding) {
            EXPECT_EQ(DecodeText(row.bytes), row.expected);
            continue;
        }
        CString out = L"untouched";
        EXPECT_EQ(Decode(row.bytes, row.encoding, out), row.expected != nullptr);
        if (row.expected) {
            EXPECT_EQ(out, row.expected);
        }
    }
}

TEST(MapPath, HostSpellingReachesTheRealFile)
{
    TempDir dir;
    for (const char* file : {"Rule/RuleCode.ini", "a.xml", "A.xml", "Ärger/工程.xml"})
        WriteBytes(dir / file, file);
    const CString base = dir.wpath();
    const std::pair<CString, const char*> rows[] = {
        {base + L"\\rule\\RULECODE.ini", "Rule/RuleCode.ini"},
        {base + L"/RULE/rulecode.INI", "Rule/RuleCode.ini"},
        {L"file://" + base + L"/rule/rulecode.ini", "Rule/RuleCode.ini"},
        {base + L"\\A.xml", "A.xml"},  // the exact case wins when both exist
        {base + L"\\a.xml", "a.xml"},
        {base + L"\\ärger\\工程.XML", "Ärger/工程.xml"},  // non-ASCII names ignore case too
        // A missing file keeps its own spelling below the folder that was found.
        {base + L"\\rule\\RuleDesc.ini", "Rule/RuleDesc.ini"},
        {base + L"\\nothing\\x.ini", "nothing/x.ini"},
    };
    for (const auto& [host, real] : rows)
        EXPECT_EQ(MapPath(host), (dir / real).string()) << U8(host);
    EXPECT_EQ(MapPath(L""), "");
}

TEST(WriteFileAtomic, ReplacesInPlaceKeepingPermissionsAndLinks)
{
    TempDir dir;
    const fs::path file = dir / "QDRule.xml";
    ASSERT_TRUE(WriteFileAtomic(file.string(), "first"));
    EXPECT_EQ(ReadBytes(file), "first");
    fs::permissions(file, kWritable);
    ASSERT_TRUE(WriteFileAtomic(file.string(), "second"));
    EXPECT_EQ(ReadBytes(file), "second");
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all, kWritable);
    EXPECT_EQ(EntryCount(dir.path()), 1);  // no temporary file left beside it

    fs::create_symlink(file, dir / "link.xml");
    ASSERT_TRUE(WriteFileAtomic((dir / "link.xml").string(), "new"));
    EXPECT_TRUE(fs::is_symlink(dir / "link.xml"));
    EXPECT_EQ(ReadBytes(file), "new");
}

TEST(WriteFileAtomic, FailureLeavesTheOldStateWhole)
{
    TempDir dir;
    EXPECT_FALSE(WriteFileAtomic((dir / "missing" / "x.xml").string(), "data"));
    EXPECT_FALSE(fs::exists(dir / "missing"));

    WriteBytes(dir / "folder.xml" / "inside", "kept");
    EXPECT_FALSE(WriteFileAtomic((dir / "folder.xml").string(), "data"));
    EXPECT_TRUE(fs::is_directory(dir / "folder.xml"));
    EXPECT_EQ(ReadBytes(dir / "folder.xml" / "inside"), "kept");
    EXPECT_FALSE(WriteFileAtomic("", "data"));
    EXPECT_EQ(EntryCount(dir.path()), 1);
}

TEST(WriteFileAtomic, ReadOnlyFolderKeepsTheOldFile)
{
    TempDir dir;
    const fs::path folder = dir / "proj";
    WriteBytes(folder / "DERule.xml", "old");
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    if (std::ofstream(folder / "probe").is_open())
        GTEST_SKIP() << "permissions are not enforced for this user";
    EXPECT_FALSE(WriteFileAtomic((folder / "DERule.xml").string(), "new"));
    EXPECT_EQ(ReadBytes(folder / "DERule.xml"), "old");
}

// The owner's write permission is the file's read-only mark, honoured even for root.
TEST(WriteFileAtomic, ReadOnlyFileIsNotReplacedUntilCleared)
{
    TempDir dir;
    const fs::path file = dir / "DefaultDeFenLeiSet.xml";
    WriteBytes(file, "old");
    fs::permissions(file, kReadOnly);
    EXPECT_FALSE(WriteFileAtomic(file.string(), "new"));
    EXPECT_EQ(ReadBytes(file), "old");
    ClearReadOnly(file.string());
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all, kWritable);
    EXPECT_TRUE(WriteFileAtomic(file.string(), "new"));
    EXPECT_EQ(ReadBytes(file), "new");

    ClearReadOnly((dir / "missing.xml").string());  // errors are swallowed
    EXPECT_TRUE(IsRegularFile(file.string()));
    EXPECT_FALSE(IsRegularFile(dir.path().string()));
    EXPECT_TRUE(IsDirectory(dir.path().string()));
    EXPECT_FALSE(IsDirectory(file.string()));
}
