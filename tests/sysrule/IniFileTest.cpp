// The INI reader against a line-by-line model on random texts that hold what hand-edited files
// hold (byte order marks are the decoder's); the integer readers against a plain reading; the
// profile buffer, the file cache and files no editor meant.
#include <chrono>
#include <map>
#include <random>
#include <sstream>

#include <gtest/gtest.h>

#include "defenlei/CDeFenLeiFile.h"
#include "platform/IniFile.h"
#include "platform/Platform.h"
#include "support/IntegerTexts.h"
#include "support/TestSupport.h"
#include "sysrule/UnitTable.h"

namespace {

using namespace kxtest;
using namespace kx::platform;
using namespace std::string_literals;

// Without the blanks around; a name also with its ASCII letters folded.
CString Trim(const CString& s, bool name = false, const wchar_t* blanks = L" \t\v\f")
{
    const std::size_t begin = std::min(s.find_first_not_of(blanks), s.size());
    CString t = s.substr(begin, s.find_last_not_of(blanks) + 1 - begin);
    for (wchar_t& c : t)
        c = name && c >= L'A' && c <= L'Z' ? c + 32 : c;
    return t;
}

// Line by line: the first of two sections of one name is read, the first of two keys wins.
struct IniModel {
    std::map<CString, std::map<CString, CString>> sections;
    std::vector<CString> names;

    explicit IniModel(CString text)
    {
        std::replace(text.begin(), text.end(), L'\r', L'\n');
        std::wistringstream in(text);
        std::map<CString, CString>* section = nullptr;
        for (CString line; std::getline(in, line);) {
            const CString t = Trim(line), value = Trim(t.substr(t.find(L'=') + 1));
            const bool quoted = value.size() > 1 && (value[0] == L'"' || value[0] == L'\'') && value.back() == value[0];
            if (t.starts_with(L'[')) {
                const CString name = Trim(t.substr(1, t.find(L']') - 1));
                section = sections.count(Trim(name, true)) ? nullptr : &sections[Trim(name, true)];
                names.insert(names.end(), section ? 1 : 0, name);
            } else if (section && !t.starts_with(L';') && t.find(L'=') != CString::npos) {
                section->emplace(Trim(t.substr(0, t.find(L'=')), true),
                                 quoted ? value.substr(1, value.size() - 2) : value);
            }
        }
    }
    // A profile read: the value, or the default without its trailing spaces; 254 characters at most.
    CString Read(const CString& section, const CString& key, const CString& def) const
    {
        const auto s = sections.find(Trim(section, true, L" "));
        const bool found = s != sections.end() && s->second.count(Trim(key, true, L" "));
        return (found ? s->second.at(Trim(key, true, L" ")) : def.substr(0, def.find_last_not_of(L' ') + 1))
            .substr(0, 254);
    }
};

// The leading number after blanks and control characters, wrapped to 32 bits; empty: the default.
int ProfileInt(const CString& value, int def)
{
    std::size_t pos = 0;
    while (pos < value.size() && value[pos] <= L' ')
        ++pos;
    return value.empty() ? def : static_cast<int>(static_cast<std::uint32_t>(ReadSignedDigits(value, pos).second));
}

TEST(IniFile, AgreesWithALineByLineModel)
{
    const std::vector<CString> names{L"main", L"Main", L"MAIN", L"item1", L"", L"a b", L"柱", L"#c", L"k\0z"s, L"x]"};
    const std::vector<CString> values{L"v", L"\" q \"", L"'x'", L"\"z'", L"\"", L"\"\"", L"a=b", L";c", L"-7",
                                      L"+5x", L"4294967297", L"x\0y"s, CString(300, L'长'), L"梁 ;b"};
    const std::vector<CString> blanks{L"", L" ", L"\t", L" \v", L"\f "}, ends{L"\n", L"\r\n", L"\r"},
        closes{L"]", L"", L"]k=1", L"]]"};
    std::mt19937 rng(17);
    auto pick = [&rng](const std::vector<CString>& pool) { return pool[rng() % pool.size()]; };
    std::vector<CString> asked; // the names as callers spell them
    for (const CString& n : names)
        asked.insert(asked.end(), {n, L" " + n + L"  ", L"\t" + n});
    for (int round = 0; round < 150; ++round) {
        CString text;
        for (int n = rng() % 30; n > 0; --n) {
            const CString b = pick(blanks),
                          lines[] = {b + L"[" + pick(blanks) + pick(names) + b + pick(closes),
                                     b + L";" + pick(names) + L"=v", b + pick(names) + b,
                                     b + pick(names) + pick(blanks) + L"=" + pick(blanks) + pick(values) + b};
            text += lines[std::min(rng() % 6, 3UL)] + pick(ends);
        }
        text.resize(text.size() - (rng() % 2 && !text.empty())); // a last line without its end
        const IniModel model(text);
        const IniFile ini = IniFile::Parse(text);
        SCOPED_TRACE(U8(text));
        ASSERT_EQ(ini.SectionNames(), model.names);
        for (const CString& section : asked) {
            EXPECT_EQ(ini.HasSection(section), model.sections.count(Trim(section, true, L" ")) == 1);
            for (const CString& key : asked) {
                ASSERT_EQ(ReadProfileString(ini, section, key, L" d "), model.Read(section, key, L" d "));
            }
        }
    }
}

// Every integer reader against a plain reading: a profile integer is the C library's with a 32-bit
// long; a unit factor is read only when the number is all there is before the unit; an id is an
// optional sign and decimal digits with blanks around, in range.
TEST(IntegerReaders, AgreeWithThePlainReading)
{
    for (const CString& text : IntegerTexts()) {
        SCOPED_TRACE(U8(text));
        const IniFile ini = IniFile::Parse(L"[s]\nk=" + text);
        EXPECT_EQ(ReadProfileInt(ini, L"s", L"k", -9), ProfileInt(*ini.Find(L"s", L"k"), -9));
        std::size_t pos = std::min(text.find_first_not_of(L" \t\n\v\f\r"), text.size());
        const auto [digits, value] = ReadSignedDigits(text, pos);
        const bool whole = text.empty() || (digits && pos == text.size());
        int factor = 7;
        EXPECT_EQ(kx::sysrule::MatchUnitWithFactor(text + L"m", L"m", factor), whole);
        EXPECT_EQ(factor, !whole         ? 7
                          : text.empty() ? 1
                                         : static_cast<int>(std::clamp<__int128>(value, INT32_MIN, INT32_MAX)));
        const CString id = Trim(text, false, L" \t\r\n");
        pos = 0;
        const auto [idDigits, idValue] = ReadSignedDigits(id, pos);
        const bool ok = idDigits && pos == id.size() && idValue >= INT_MIN && idValue <= INT_MAX;
        EXPECT_EQ(CDeFenLeiFile::ParseId(text), ok ? std::optional<int>(static_cast<int>(idValue)) : std::nullopt);
    }
}

// Missing files give the default, values and defaults are cut to the buffer, a changed file is read
// again even at the same size or time, and bytes of no encoding read as UTF-8 with replacement
// characters: UTF-16 cut short after a lone surrogate then has no line that means anything.
TEST(IniFile, DefaultsBufferCacheAndFilesNoEditorMeant)
{
    TempDir dir;
    const std::string file = (dir / "a.ini").string();
    EXPECT_EQ(ReadProfileString(file, L"s", L"k", L"  d  ") + ReadProfileString(dir.path().string(), L"s", L"k", L"e"),
              L"  de");
    EXPECT_EQ(ReadProfileInt(file, L"s", L"k", 9), 9);
    EXPECT_EQ(ReadProfileString(IniFile::Parse(L"[s]\nk=abcdef"), L"s", L"k", L"", 4), L"abc");
    EXPECT_EQ(ReadProfileString(IniFile(), L"s", L"k", CString(300, L'x')), CString(254, L'x'));
    const std::tuple<std::string, int, const wchar_t*> versions[] = {
        {"[s]\nk=A\n", 1, L"A"}, {"[s]\nk=B\n", 2, L"B"}, {"[s]\nk=CC\n", 2, L"CC"}, // same size, then same time
        {"[s]\nk=\xFF\xFE\n", 3, L"\xFFFD\xFFFD"}, {"\xFF\xFE[\0s\0]\0\n\0k\0=\0v\0\n\0\0\xD8\x41"s, 4, L"none"}};
    for (const auto& [bytes, hour, expected] : versions) {
        WriteBytes(file, bytes);
        fs::last_write_time(file, fs::file_time_type() + std::chrono::hours(hour));
        EXPECT_EQ(ReadProfileString(file, L"s", L"k", L"none"), expected);
    }
    // Two million lines without ']' or '=': each line is searched on its own, not on to the end.
    CString text = L"[s]\n";
    for (int i = 0; i < 2000000; ++i)
        text += i < 1000000 ? L"no value\n" : i == 1000000 ? L"k=v\n[\n" : L"[\n";
    const IniFile ini = IniFile::Parse(text + L"]");
    EXPECT_EQ(ReadProfileString(ini, L"s", L"k", L""), L"v");
    EXPECT_EQ(ini.SectionNames(), (std::vector<CString>{L"s", L""}));
}

} // namespace
