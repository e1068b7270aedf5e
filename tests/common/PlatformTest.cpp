// The platform layer: text conversion held against a plain encoder over every code point and
// every short byte string, host path mapping, and the atomic write.
#include <gtest/gtest.h>

#include <fstream>

#include "platform/Platform.h"
#include "support/TestSupport.h"

using namespace kxtest;
using namespace kx::platform;

namespace {

bool IsScalar(char32_t c) { return c < 0x110000 && (c < 0xD800 || c > 0xDFFF); }

std::string Utf8Of(char32_t c)
{
    const auto b = [](char32_t v) { return char(0x80 | (v & 0x3F)); };
    return c < 0x80      ? std::string(1, char(c))
           : c < 0x800   ? std::string{char(0xC0 | c >> 6), b(c)}
           : c < 0x10000 ? std::string{char(0xE0 | c >> 12), b(c >> 6), b(c)}
                         : std::string{char(0xF0 | c >> 18), b(c >> 12), b(c >> 6), b(c)};
}

// A sequence that the plain encoder writes for a scalar value is read as that value; any other
// byte as U+FFFD on its own.
CString Decoded(const std::string& s)
{
    CString out;
    for (std::size_t i = 0; i < s.size();) {
        const auto b0 = static_cast<unsigned char>(s[i]);
        const std::size_t len = b0 < 0x80 ? 1 : b0 < 0xC0 ? 0 : b0 < 0xE0 ? 2 : b0 < 0xF0 ? 3 : b0 < 0xF8 ? 4 : 0;
        char32_t c = len == 1 ? b0 : b0 & (0x7F >> len);
        for (std::size_t k = 1; k < len && i + k < s.size(); ++k)
            c = c << 6 | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        const bool bValid = len > 0 && IsScalar(c) && s.compare(i, len, Utf8Of(c)) == 0;
        out += bValid ? wchar_t(c) : wchar_t(0xFFFD);
        i += bValid ? len : 1;
    }
    return out;
}

} // namespace

TEST(Utf8, EveryCodePointAndEveryShortByteString)
{
    for (char32_t c = 0; c < 0x110010; ++c) {
        const std::string utf8 = Utf8Of(IsScalar(c) ? c : 0xFFFD);
        ASSERT_EQ(ToUtf8(CString(1, wchar_t(c))), utf8) << std::hex << unsigned(c);
        ASSERT_TRUE(!IsScalar(c) || (IsValidUtf8(utf8) && FromUtf8(utf8) == CString(1, wchar_t(c))))
            << std::hex << unsigned(c);
    }
    // Every string of one and two bytes; of three and four from the bytes at every boundary.
    std::vector<std::string> inputs;
    for (int n = 0; n < 256 * 257; ++n)
        inputs.push_back(n < 256 ? std::string(1, char(n)) : std::string{char(n / 256 - 1), char(n % 256)});
    const std::string edges("\x00\x41\x7F\x80\x8F\x90\x9F\xA0\xBF\xC0\xC1\xC2\xDF\xE0\xED\xEF\xF0\xF4\xF5\xFF", 20);
    for (char a : edges) {
        for (char b : edges) {
            for (char c : edges) {
                inputs.push_back({a, b, c});
                for (char d : edges)
                    inputs.push_back({a, b, c, d});
            }
        }
    }
    for (const std::string& s : inputs) {
        const CString expected = Decoded(s);
        CString appended = L"前";  // the text already there is kept
        AppendFromUtf8(s, appended);
        ASSERT_TRUE(FromUtf8(s) == expected && appended == L"前" + expected) << testing::PrintToString(s);
        ASSERT_EQ(IsValidUtf8(s), expected.find(wchar_t(0xFFFD)) == CString::npos) << testing::PrintToString(s);
    }
}

// DecodeText guesses from byte order marks and falls back to GB18030; Decode takes a named
// encoding and fails rather than guess. 扣减 = U+6263 U+51CF, GB18030 BF DB BC F5.
TEST(Decode, ByteOrderMarksTheChineseFallbackAndNamedEncodings)
{
    const struct { std::string bytes; const char* encoding; const wchar_t* expected;
    } rows[] = {
        {std::string("\xFF\xFE\x63\x62\xCF\x51=\x00", 8), nullptr, L"扣减="},
        {std::string("\xFE\xFF\x62\x63\x51\xCF", 6), nullptr, L"扣减"},
        {"\xEF\xBB\xBF"
         "T=\xE6\x89\xA3\xE5\x87\x8F",
         nullptr, L"T=扣减"},
        {"T=\xE6\x89\xA3\xE5\x87\x8F", nullptr, L"T=扣减"},
        {"T=\xBF\xDB\xBC\xF5\r\n", nullptr, L"T=扣减\r\n"},
        {"\x81\x30\x84\x36\x90\x30\x81\x30", nullptr, L"\u00A5\U00010000"},
        {"\xFF", nullptr, L"\xFFFD"},
        {"\xBF\xDB\xBC\xF5", "gb2312", L"扣减"},
        {std::string("\x63\x62\x00\xD8\x00\xDC", 6), "UTF-16LE", L"扣\U00010000"},
        {"abc", "NO-SUCH-ENCODING", nullptr},
        {"\xD4", "GBK", nullptr},
    };
    for (const auto& row : rows) {
        CString out = L"untouched";
        EXPECT_EQ(row.encoding ? Decode(row.bytes, row.encoding, out) && out == row.expected
                               : DecodeText(row.bytes) == row.expected,
                  row.expected != nullptr)
            << &row - rows;
    }
}

// Backslashes, any letter case and file:// reach the real file; the exact case wins when both
// exist; what is missing keeps its own spelling below the folder that was found.
TEST(MapPath, HostSpellingReachesTheRealFile)
{
    TempDir dir;
    for (const char* file : {"Rule/RuleCode.ini", "a.xml", "A.xml", "Ärger/工程.xml"})
        WriteBytes(dir / file, file);
    const CString base = dir.wpath();
    const std::pair<CString, const char*> rows[] = {
        {base + L"\\rule\\RULECODE.ini", "Rule/RuleCode.ini"},
        {base + L"\\A.xml", "A.xml"},
        {base + L"\\a.xml", "a.xml"},
        {L"file://" + base + L"/RULE/rulecode.INI", "Rule/RuleCode.ini"},
        {base + L"\\ärger\\工程.XML", "Ärger/工程.xml"},
        {base + L"\\rule\\RuleDesc.ini", "Rule/RuleDesc.ini"},
        {base + L"\\nothing\\x.ini", "nothing/x.ini"},
        {base + L"\\RULE\\", "Rule/"},
        {base + L"\\.\\rule\\..\\A.xml", "./Rule/../A.xml"},
    };
    for (const auto& [host, real] : rows)
        EXPECT_EQ(MapPath(host), (dir / real).string()) << U8(host);
    const fs::path cwd = fs::current_path();
    fs::current_path(dir.path());
    EXPECT_EQ(MapPath(L"file://RULE\\ruleCODE.ini"), "Rule/RuleCode.ini");
    EXPECT_EQ(MapPath(L""), "");
    fs::current_path(cwd);
}

// The write replaces in place, keeps permissions and links, and leaves the old state whole in a
// read-only folder; the rule file's failed saves meet the other faults.
TEST(WriteFileAtomic, ReplacesOrLeavesTheOldStateWhole)
{
    TempDir dir;
    const fs::path file = dir / "QDRule.xml";
    const auto writable = fs::perms::owner_read | fs::perms::owner_write;
    ASSERT_TRUE(WriteFileAtomic(file.string(), "first"));
    fs::permissions(file, writable | fs::perms::group_read);
    fs::create_symlink(file, dir / "link.xml");
    ASSERT_TRUE(WriteFileAtomic((dir / "link.xml").string(), "second"));
    EXPECT_TRUE(fs::is_symlink(dir / "link.xml") && ReadBytes(file) == "second");
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all, writable | fs::perms::group_read);
    EXPECT_FALSE(WriteFileAtomic("", "data"));
    fs::permissions(file, fs::perms::owner_read);
    ClearReadOnly(file.string());
    ClearReadOnly((dir / "missing.xml").string());  // errors are swallowed
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all, writable);
    EXPECT_TRUE(WriteFileAtomic(file.string(), "new") && ReadBytes(file) == "new");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2);  // nothing left beside
    EXPECT_TRUE(IsRegularFile(file.string()) && !IsRegularFile(dir.path().string()) &&
                IsDirectory(dir.path().string()) && !IsDirectory(file.string()));
    fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec);
    const bool bEnforced = !std::ofstream(dir / "probe").is_open();  // not for root
    EXPECT_TRUE(!bEnforced || (!WriteFileAtomic(file.string(), "newer") && ReadBytes(file) == "new"));
    fs::permissions(dir.path(), fs::perms::owner_all);
}
