// The platform layer: text conversion at the edges, host path mapping and atomic writing.
#include <gtest/gtest.h>

#include <fstream>

#include "platform/Platform.h"
#include "support/TestSupport.h"

using namespace kxtest;
using namespace kx::platform;

namespace {

const CString kReplacement(1, static_cast<wchar_t>(0xFFFD));

CString Repeat(const CString& s, int n)
{
    CString out;
    for (int i = 0; i < n; ++i)
        out += s;
    return out;
}

} // namespace

TEST(Utf8, RoundTripOfEveryPlane)
{
    const std::string text = "ASCII 计算规则 \xF0\x9F\x8F\x97 \xC2\xA9 end";  // 1-, 3-, 4- and 2-byte sequences
    const CString wide = FromUtf8(text);
    EXPECT_EQ(wide, CString(L"ASCII 计算规则 ") + static_cast<wchar_t>(0x1F3D7) + L" \u00A9 end");
    EXPECT_EQ(ToUtf8(wide), text);
    EXPECT_TRUE(IsValidUtf8(text));
    EXPECT_EQ(FromUtf8(""), L"");
    EXPECT_EQ(ToUtf8(CString(1, L'\0')), std::string(1, '\0'));
}

TEST(Utf8, InvalidBytesBecomeReplacementCharacters)
{
    struct Case {
        const char* bytes;
        CString expected;
    };
    const Case cases[] = {
        {"a\xFF" "b", L"a" + kReplacement + L"b"},
        {"\xC0\xAF", Repeat(kReplacement, 2)},              // overlong "/"
        {"\xED\xA0\x80", Repeat(kReplacement, 3)},          // an encoded surrogate
        {"\xF4\x90\x80\x80", Repeat(kReplacement, 4)},      // beyond U+10FFFF
        {"\xE8\xAE", Repeat(kReplacement, 2)},              // cut short at the end
        {"\xE8\xAE" "A", Repeat(kReplacement, 2) + L"A"},   // cut short by a new character
        {"\x80", kReplacement},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases);
        EXPECT_FALSE(IsValidUtf8(c.bytes));
        EXPECT_EQ(FromUtf8(c.bytes), c.expected);
    }
    // Wide characters that are no Unicode scalar values are replaced on the way out.
    EXPECT_EQ(ToUtf8(CString{L'x', static_cast<wchar_t>(0xD800), L'y'}), "x\xEF\xBF\xBDy");
    EXPECT_EQ(ToUtf8(CString(1, static_cast<wchar_t>(0x110000))), "\xEF\xBF\xBD");
}

TEST(DecodeText, ByteOrderMarksAndTheChineseFallback)
{
    // 扣减 = U+6263 U+51CF; GB18030 BF DB BC F5.
    EXPECT_EQ(DecodeText(std::string("\xFF\xFE\x63\x62\xCF\x51=\x00", 8)), L"扣减=");
    EXPECT_EQ(DecodeText(std::string("\xFE\xFF\x62\x63\x51\xCF", 6)), L"扣减");
    EXPECT_EQ(DecodeText("\xEF\xBB\xBF" "TYPE1=\xE6\x89\xA3\xE5\x87\x8F"), L"TYPE1=扣减");
    EXPECT_EQ(DecodeText("TYPE1=\xE6\x89\xA3\xE5\x87\x8F"), L"TYPE1=扣减");
    EXPECT_EQ(DecodeText("TYPE1=\xBF\xDB\xBC\xF5\r\n"), L"TYPE1=扣减\r\n");
    // A four-byte GB18030 sequence: U+00A5 is 81 30 84 36.
    EXPECT_EQ(DecodeText("\x81\x30\x84\x36"), L"\u00A5");
    EXPECT_EQ(DecodeText(""), L"");
}

TEST(Decode, NamedEncodings)
{
    CString out = L"untouched";
    EXPECT_TRUE(Decode("\xBF\xDB\xBC\xF5", "GB2312", out));
    EXPECT_EQ(out, L"扣减");
    EXPECT_TRUE(Decode(std::string("\x63\x62", 2), "UTF-16LE", out));
    EXPECT_EQ(out, L"扣");
    EXPECT_FALSE(Decode("abc", "NO-SUCH-ENCODING", out));
    EXPECT_FALSE(Decode("\xFF\xFF", "GB18030", out));  // not a GB18030 sequence
    EXPECT_FALSE(Decode("\xD4", "GBK", out));          // cut short
}

TEST(MapPath, HostSpellingReachesTheRealFile)
{
    TempDir dir;
    WriteBytes(dir / "Rule" / "RuleCode.ini", "[main]\n");
    const std::string real = (dir / "Rule" / "RuleCode.ini").string();
    const CString base = dir.wpath();

    EXPECT_EQ(MapPath(base + L"\\Rule\\RuleCode.ini"), real);
    EXPECT_EQ(MapPath(base + L"\\rule\\RULECODE.ini"), real);
    EXPECT_EQ(MapPath(base + L"/RULE/rulecode.INI"), real);
    EXPECT_EQ(MapPath(L"file://" + base + L"/rule/rulecode.ini"), real);
    // A missing file keeps its own spelling below the folder that was found.
    EXPECT_EQ(MapPath(base + L"\\rule\\RuleDesc.ini"), (dir / "Rule" / "RuleDesc.ini").string());
    EXPECT_EQ(MapPath(base + L"\\nothing\\x.ini"), (dir / "nothing" / "x.ini").string());
    EXPECT_EQ(MapPath(L""), "");
}

TEST(MapPath, ExactCaseWinsWhenBothExist)
{
    TempDir dir;
    WriteBytes(dir / "a.xml", "lower");
    WriteBytes(dir / "A.xml", "upper");
    EXPECT_EQ(MapPath(dir.wpath() + L"\\A.xml"), (dir / "A.xml").string());
    EXPECT_EQ(MapPath(dir.wpath() + L"\\a.xml"), (dir / "a.xml").string());
}

TEST(MapPath, NonAsciiNamesIgnoreCaseToo)
{
    TempDir dir;
    WriteBytes(dir / "Ärger" / "工程.xml", "x");
    EXPECT_EQ(MapPath(dir.wpath() + L"\\ärger\\工程.XML"), (dir / "Ärger" / "工程.xml").string());
}

TEST(WriteFileAtomic, ReplacesTheFileAndKeepsItsPermissions)
{
    TempDir dir;
    const fs::path file = dir / "QDRule.xml";
    ASSERT_TRUE(WriteFileAtomic(file.string(), "first"));
    EXPECT_EQ(ReadBytes(file), "first");
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(WriteFileAtomic(file.string(), "second"));
    EXPECT_EQ(ReadBytes(file), "second");
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    // No temporary file is left beside it.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST(WriteFileAtomic, WritesThroughASymbolicLink)
{
    TempDir dir;
    WriteBytes(dir / "real.xml", "old");
    fs::create_symlink(dir / "real.xml", dir / "link.xml");
    ASSERT_TRUE(WriteFileAtomic((dir / "link.xml").string(), "new"));
    EXPECT_TRUE(fs::is_symlink(dir / "link.xml"));
    EXPECT_EQ(ReadBytes(dir / "real.xml"), "new");
}

TEST(WriteFileAtomic, FailureLeavesTheOldStateWhole)
{
    TempDir dir;
    EXPECT_FALSE(WriteFileAtomic((dir / "missing" / "x.xml").string(), "data"));
    EXPECT_FALSE(fs::exists(dir / "missing"));

    fs::create_directory(dir / "folder.xml");
    WriteBytes(dir / "folder.xml" / "inside", "kept");
    EXPECT_FALSE(WriteFileAtomic((dir / "folder.xml").string(), "data"));
    EXPECT_TRUE(fs::is_directory(dir / "folder.xml"));
    EXPECT_EQ(ReadBytes(dir / "folder.xml" / "inside"), "kept");
    EXPECT_FALSE(WriteFileAtomic("", "data"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST(WriteFileAtomic, ReadOnlyFolderKeepsTheOldFile)
{
    TempDir dir;
    const fs::path folder = dir / "proj";
    WriteBytes(folder / "DERule.xml", "old");
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    {
        std::ofstream probe(folder / "probe");
        if (probe.is_open())
            GTEST_SKIP() << "permissions are not enforced for this user";
    }
    EXPECT_FALSE(WriteFileAtomic((folder / "DERule.xml").string(), "new"));
    EXPECT_EQ(ReadBytes(folder / "DERule.xml"), "old");
}

TEST(WriteFileAtomic, ReadOnlyFileIsNotReplaced)
{
    // The owner's write permission is the file's read-only mark, honoured even for root.
    TempDir dir;
    const fs::path file = dir / "DefaultDeFenLeiSet.xml";
    WriteBytes(file, "old");
    fs::permissions(file, fs::perms::owner_read | fs::perms::group_read);
    EXPECT_FALSE(WriteFileAtomic(file.string(), "new"));
    EXPECT_EQ(ReadBytes(file), "old");
    ClearReadOnly(file.string());
    EXPECT_TRUE(WriteFileAtomic(file.string(), "new"));
    EXPECT_EQ(ReadBytes(file), "new");
}

TEST(ClearReadOnly, GivesTheOwnerWritePermission)
{
    TempDir dir;
    const fs::path file = dir / "rule.xml";
    WriteBytes(file, "x");
    fs::permissions(file, fs::perms::owner_read | fs::perms::group_read);
    ClearReadOnly(file.string());
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ClearReadOnly((dir / "missing.xml").string());  // errors are swallowed
    EXPECT_TRUE(IsRegularFile(file.string()));
    EXPECT_FALSE(IsRegularFile(dir.path().string()));
    EXPECT_TRUE(IsDirectory(dir.path().string()));
    EXPECT_FALSE(IsDirectory(file.string()));
}
