// The INI reader: the private-profile lookup rules, integer reading, the 255-character buffer,
// text encodings, and the cache that re-reads a file only after it changed.
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
    return ReadProfileString(IniFile::Parse(W(utf8Text)), W(std::string(section)), W(std::string(key)), W(std::string(def)));
}

TEST(IniLookup, SectionAndKeyNamesIgnoreLetterCase)
{
    const std::string text = "[Main]\nRuleItemNum=3\n[item1]\nNAME=柱\n";
    EXPECT_EQ(Str(text, "main", "ruleitemnum"), L"3");
    EXPECT_EQ(Str(text, "MAIN", "RuleItemNum"), L"3");
    EXPECT_EQ(Str(text, "ITEM1", "Name"), L"柱");
    // Values keep their letter case.
    EXPECT_EQ(Str("[s]\nk=AbC\n", "S", "K"), L"AbC");
}

TEST(IniLookup, ValuesAreTrimmedAndOneMatchingPairOfQuotesDropped)
{
    struct Case {
        const char* line;
        const wchar_t* expected;
    } cases[] = {
        {"k=  a b  ", L"a b"},
        {"k=\t a\tb \t", L"a\tb"},
        {"k=\"  x \"", L"  x "},
        {"k= 'y' ", L"y"},
        {"k=\"z'", L"\"z'"},
        {"k=\"\"q\"\"", L"\"q\""},
        {"k=\"", L"\""},
        {"k=\"\"", L""},
        {"k=a \"b\"", L"a \"b\""},
        {"k=;not a comment", L";not a comment"},
        {"k=a ;b", L"a ;b"},
        {"k=a=b", L"a=b"},
        {"k=", L""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Str(std::string("[s]\n") + c.line + "\n", "s", "k"), c.expected) << c.line;
}

TEST(IniLookup, BlanksAroundNamesAndEqualSignDoNotCount)
{
    const std::string text = "   [  main  ]  \n \t Rule Item  =  7 \n";
    EXPECT_EQ(Str(text, "main", "Rule Item"), L"7");
    // The caller's names lose surrounding spaces, as the platform's functions trim them.
    EXPECT_EQ(Str(text, " main ", "  Rule Item "), L"7");
    // ... but not tabs.
    EXPECT_EQ(Str(text, "\tmain", "Rule Item"), L"<none>");
}

TEST(IniLookup, SectionHeaderEndsAtFirstClosingBracketOrLineEnd)
{
    EXPECT_EQ(Str("[main\nk=1\n", "main", "k"), L"1");
    EXPECT_EQ(Str("[main]k=1\nj=2\n", "main", "k"), L"<none>");
    EXPECT_EQ(Str("[main]k=1\nj=2\n", "main", "j"), L"2");
    EXPECT_EQ(Str("[a]b]\nk=1\n", "a", "k"), L"1");
    EXPECT_EQ(Str("[]\nk=1\n", "", "k"), L"1");
    EXPECT_EQ(Str("main]\nk=1\n", "main", "k"), L"<none>");
}

TEST(IniLookup, CommentsLinesWithoutEqualSignAndKeysBeforeAnySectionGiveNothing)
{
    const std::string text = "k0=top\n[s]\n;a=1\n  ;b=2\n#c=3\nd\nd2 = \n";
    EXPECT_EQ(Str(text, "s", "a"), L"<none>");
    EXPECT_EQ(Str(text, "s", "b"), L"<none>");
    // '#' starts no comment: the key is "#c".
    EXPECT_EQ(Str(text, "s", "#c"), L"3");
    EXPECT_EQ(Str(text, "s", "d"), L"<none>");
    EXPECT_EQ(Str(text, "s", "d2"), L"");
    EXPECT_EQ(Str(text, "", "k0"), L"<none>");
}

TEST(IniLookup, FirstOfRepeatedSectionsAndKeysWins)
{
    const std::string text = "[s]\nk=first\nk=second\n[t]\nx=1\n[S]\nk=third\nonly=later\n";
    EXPECT_EQ(Str(text, "s", "k"), L"first");
    // Keys of the repeated section are not read at all.
    EXPECT_EQ(Str(text, "s", "only"), L"<none>");
    const IniFile ini = IniFile::Parse(W(std::string(text)));
    ASSERT_EQ(ini.SectionNames().size(), 2u);
    EXPECT_EQ(ini.SectionNames()[0], L"s");
    EXPECT_EQ(ini.SectionNames()[1], L"t");
}

TEST(IniLookup, CrLfAndLoneCrLineEnds)
{
    EXPECT_EQ(Str("[s]\r\nk=v\r\nj=w\r\n", "s", "k"), L"v");
    EXPECT_EQ(Str("[s]\rk=v\rj=w", "s", "j"), L"w");
}

TEST(IniStrings, MissingFileSectionOrKeyGivesDefaultWithoutTrailingSpaces)
{
    TempDir dir;
    const std::string missing = (dir / "none.ini").string();
    EXPECT_EQ(ReadProfileString(missing, L"s", L"k", L"dflt"), L"dflt");
    EXPECT_EQ(ReadProfileString(missing, L"s", L"k", L"  dflt  "), L"  dflt");
    WriteBytes(dir / "a.ini", "[s]\nk=v\n");
    EXPECT_EQ(ReadProfileString((dir / "a.ini").string(), L"t", L"k", L"d"), L"d");
    EXPECT_EQ(ReadProfileString((dir / "a.ini").string(), L"s", L"j", L""), L"");
    // A folder is no file.
    EXPECT_EQ(ReadProfileString(dir.path().string(), L"s", L"k", L"d"), L"d");
}

TEST(IniStrings, ValuesAreCutTo254Characters)
{
    const CString value300(300, L'长');
    const IniFile ini = IniFile::Parse(L"[s]\nk=" + value300 + L"\nj=" + value300.substr(0, 254) + L"\n");
    EXPECT_EQ(ReadProfileString(ini, L"s", L"k", L""), value300.substr(0, 254));
    EXPECT_EQ(ReadProfileString(ini, L"s", L"j", L""), value300.substr(0, 254));
    EXPECT_EQ(ReadProfileString(ini, L"s", L"none", value300), value300.substr(0, 254));
    EXPECT_EQ(ReadProfileString(ini, L"s", L"k", L"", 4), L"长长长");
}

TEST(IniIntegers, LeadingDecimalNumberOfTheValue)
{
    struct Case {
        const char* value;
        int expected;
    } cases[] = {
        {"12", 12},          {"-7", -7},          {"+5", 5},
        {"42abc", 42},       {"abc", 0},          {"0x1F", 0},
        {"- 5", 0},          {"007", 7},          {"\"8\"", 8},
        {"2147483647", 2147483647}, {"-2147483648", INT32_MIN},
        {"4294967297", 1},   {"3.9", 3},
    };
    for (const Case& c : cases) {
        const IniFile ini = IniFile::Parse(W(std::string("[s]\nk=") + c.value + "\n"));
        EXPECT_EQ(ReadProfileInt(ini, L"S", L"K", -99), c.expected) << c.value;
    }
}

TEST(IniIntegers, MissingOrEmptyValueGivesDefault)
{
    const IniFile ini = IniFile::Parse(L"[s]\nempty=\nblank=   \nquoted=\"\"\n");
    EXPECT_EQ(ReadProfileInt(ini, L"s", L"empty", -1), -1);
    EXPECT_EQ(ReadProfileInt(ini, L"s", L"blank", 5), 5);
    EXPECT_EQ(ReadProfileInt(ini, L"s", L"quoted", 6), 6);
    EXPECT_EQ(ReadProfileInt(ini, L"s", L"none", 7), 7);
    EXPECT_EQ(ReadProfileInt(ini, L"t", L"empty", 8), 8);
    TempDir dir;
    EXPECT_EQ(ReadProfileInt((dir / "none.ini").string(), L"s", L"k", 9), 9);
}

class IniEncoding : public ::testing::Test {
protected:
    CString ReadName(const std::string& bytes)
    {
        WriteBytes(m_dir / "enc.ini", bytes);
        return ReadProfileString((m_dir / "enc.ini").string(), L"主体", L"名称", L"?");
    }
    TempDir m_dir;
};

TEST_F(IniEncoding, Gb18030WithoutMark)
{
    EXPECT_EQ(ReadName("\x5B\xD6\xF7\xCC\xE5\x5D\x0D\x0A\xC3\xFB\xB3\xC6\x3D\xBF\xDB\xBC\xF5\xD6\xF9\x0D\x0A"),
              L"扣减柱");
}

TEST_F(IniEncoding, Utf8WithAndWithoutMark)
{
    EXPECT_EQ(ReadName("[主体]\n名称=扣减柱\n"), L"扣减柱");
    // With the mark the first line is a section like any other.
    EXPECT_EQ(ReadName("\xEF\xBB\xBF[主体]\n名称=扣减柱\n"), L"扣减柱");
}

TEST_F(IniEncoding, Utf16WithMark)
{
    const std::u16string text = u"[主体]\r\n名称=扣减柱\r\n";
    std::string le = "\xFF\xFE";
    std::string be = "\xFE\xFF";
    for (char16_t c : text) {
        le += static_cast<char>(c & 0xFF);
        le += static_cast<char>(c >> 8);
        be += static_cast<char>(c >> 8);
        be += static_cast<char>(c & 0xFF);
    }
    EXPECT_EQ(ReadName(le), L"扣减柱");
    EXPECT_EQ(ReadName(be), L"扣减柱");
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
