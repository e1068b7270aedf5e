// The INI reader: the private-profile lookup rules, integer reading, the 255-character buffer,
// and the cache that re-reads a file only after it changed.
#include <chrono>
#include <string>

#include <gtest/gtest.h>

#include "platform/IniFile.h"
#include "support/TestSupport.h"

namespace {

using namespace kxtest;
using kx::platform::IniFile;
using kx::platform::ReadProfileInt;
using kx::platform::ReadProfileString;

CString Str(const std::string& utf8Text, const char* section, const char* key, const char* def = "<none>")
{
    return ReadProfileString(IniFile::Parse(W(utf8Text)), W(section), W(key), W(def));
}

TEST(IniLookup, SectionsKeysAndLines)
{
    const std::string names = "[Main]\nRuleItemNum=3\n[item1]\nNAME=柱\n";
    const std::string blanks = "   [  main  ]  \n \t Rule Item  =  7 \n";
    const std::string comments = "k0=top\n[s]\n;a=1\n  ;b=2\n#c=3\nd\nd2 = \n";
    const std::string repeated = "[s]\nk=first\nk=second\n[t]\nx=1\n[S]\nk=third\nonly=later\n";
    const struct {
        const char* name;
        std::string text;
        const char* section;
        const char* key;
        const wchar_t* expected;
    } rows[] = {
        {"names ignore case", names, "main", "ruleitemnum", L"3"},
        {"names ignore case 2", names, "ITEM1", "Name", L"柱"},
        {"values keep case", "[s]\nk=AbC\n", "S", "K", L"AbC"},
        {"blanks around names", blanks, "main", "Rule Item", L"7"},
        {"caller's names trimmed of spaces", blanks, " main ", "  Rule Item ", L"7"},
        {"but not of tabs", blanks, "\tmain", "Rule Item", L"<none>"},
        {"header without ]", "[main\nk=1\n", "main", "k", L"1"},
        {"text after ] is no key", "[main]k=1\nj=2\n", "main", "k", L"<none>"},
        {"next line after header", "[main]k=1\nj=2\n", "main", "j", L"2"},
        {"header ends at first ]", "[a]b]\nk=1\n", "a", "k", L"1"},
        {"empty section name", "[]\nk=1\n", "", "k", L"1"},
        {"no [ is no header", "main]\nk=1\n", "main", "k", L"<none>"},
        {"; comment", comments, "s", "a", L"<none>"},
        {"indented ; comment", comments, "s", "b", L"<none>"},
        {"# is a key", comments, "s", "#c", L"3"},
        {"line without =", comments, "s", "d", L"<none>"},
        {"empty value", comments, "s", "d2", L""},
        {"key before any section", comments, "", "k0", L"<none>"},
        {"first key wins", repeated, "s", "k", L"first"},
        {"repeated section not read", repeated, "s", "only", L"<none>"},
        {"CR LF", "[s]\r\nk=v\r\nj=w\r\n", "s", "k", L"v"},
        {"lone CR", "[s]\rk=v\rj=w", "s", "j", L"w"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(Str(r.text, r.section, r.key), r.expected);
    }
    EXPECT_EQ(IniFile::Parse(W(repeated)).SectionNames(), (std::vector<CString>{L"s", L"t"}));
}

TEST(IniLookup, ValuesAreTrimmedAndOneMatchingPairOfQuotesDropped)
{
    const struct {
        const char* line;
        const wchar_t* expected;
    } rows[] = {
        {"k=\t a\tb \t", L"a\tb"}, {"k=\"  x \"", L"  x "}, {"k= 'y' ", L"y"}, {"k=\"z'", L"\"z'"},
        {"k=\"\"q\"\"", L"\"q\""}, {"k=\"", L"\""}, {"k=\"\"", L""}, {"k=a \"b\"", L"a \"b\""},
        {"k=;not a comment", L";not a comment"}, {"k=a ;b", L"a ;b"}, {"k=a=b", L"a=b"}, {"k=", L""},
    };
    for (const auto& r : rows)
        EXPECT_EQ(Str(std::string("[s]\n") + r.line + "\n", "s", "k"), r.expected) << r.line;
}

// The default stands in for a missing file, section or key, without its trailing spaces; a value
// and the default are cut to the 255-character buffer.
TEST(IniStrings, DefaultsAndTheBufferLimit)
{
    TempDir dir;
    EXPECT_EQ(ReadProfileString((dir / "none.ini").string(), L"s", L"k", L"  dflt  "), L"  dflt");
    WriteBytes(dir / "a.ini", "[s]\nk=v\n");
    EXPECT_EQ(ReadProfileString((dir / "a.ini").string(), L"t", L"k", L"d"), L"d");
    EXPECT_EQ(ReadProfileString((dir / "a.ini").string(), L"s", L"j", L""), L"");
    EXPECT_EQ(ReadProfileString(dir.path().string(), L"s", L"k", L"d"), L"d"); // a folder is no file

    const CString value300(300, L'长');
    const IniFile ini = IniFile::Parse(L"[s]\nk=" + value300 + L"\nj=" + value300.substr(0, 254) + L"\n");
    EXPECT_EQ(ReadProfileString(ini, L"s", L"k", L""), value300.substr(0, 254));
    EXPECT_EQ(ReadProfileString(ini, L"s", L"j", L""), value300.substr(0, 254));
    EXPECT_EQ(ReadProfileString(ini, L"s", L"none", value300), value300.substr(0, 254));
    EXPECT_EQ(ReadProfileString(ini, L"s", L"k", L"", 4), L"长长长");
}

TEST(IniIntegers, LeadingDecimalNumberOfTheValueOrTheDefault)
{
    const struct {
        const char* value;
        int expected;
    } rows[] = {
        {"-7", -7}, {"+5", 5}, {"42abc", 42}, {"abc", 0}, {"0x1F", 0}, {"- 5", 0}, {"\"8\"", 8},
        {"2147483647", INT32_MAX}, {"-2147483648", INT32_MIN}, {"4294967297", 1}, {"3.9", 3},
        {"", -99}, {"   ", -99}, {"\"\"", -99}, // empty values give the default
    };
    for (const auto& r : rows)
        EXPECT_EQ(ReadProfileInt(IniFile::Parse(W(std::string("[s]\nk=") + r.value + "\n")), L"S", L"K", -99), r.expected)
            << r.value;
    EXPECT_EQ(ReadProfileInt(IniFile::Parse(L"[s]\nk=1\n"), L"t", L"k", 8), 8);
    TempDir dir;
    EXPECT_EQ(ReadProfileInt((dir / "none.ini").string(), L"s", L"k", 9), 9);
}

TEST(IniCache, ChangedFileIsReadAgain)
{
    TempDir dir;
    const fs::path file = dir / "desc.ini";
    const std::string path = file.string();
    WriteBytes(file, "[s]\nk=A\n");
    const auto stamp = fs::last_write_time(file);
    EXPECT_EQ(ReadProfileString(path, L"s", L"k", L""), L"A");

    // Same size, later modification time.
    WriteBytes(file, "[s]\nk=B\n");
    fs::last_write_time(file, stamp + std::chrono::seconds(1));
    EXPECT_EQ(ReadProfileString(path, L"s", L"k", L""), L"B");

    // Different size, the same modification time as before.
    WriteBytes(file, "[s]\nk=CC\n");
    fs::last_write_time(file, stamp + std::chrono::seconds(1));
    EXPECT_EQ(ReadProfileString(path, L"s", L"k", L""), L"CC");

    fs::remove(file);
    EXPECT_EQ(ReadProfileString(path, L"s", L"k", L"gone"), L"gone");
    WriteBytes(file, "[s]\nk=D\n");
    EXPECT_EQ(ReadProfileString(path, L"s", L"k", L""), L"D");
}

} // namespace
