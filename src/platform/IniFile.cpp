// INI parsing with the private-profile rules, and the cache of parsed files.
#include "platform/IniFile.h"

#include <cstdint>
#include <string_view>

#include "platform/FileStatus.h"
#include "platform/Platform.h"

namespace kx::platform {

namespace {

// Blanks that surround names and values in a file (line ends included, so CR LF files read alike).
bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\v' || c == L'\f' || c == L'\r'; }

CString TrimBlanks(const CString& s, std::size_t begin, std::size_t end)
{
    while (begin < end && IsBlank(s[begin]))
        ++begin;
    while (end > begin && IsBlank(s[end - 1]))
        --end;
    return s.substr(begin, end - begin);
}

// Names passed by the caller lose their surrounding spaces only, as on the original platform.
CString TrimSpaces(const CString& s)
{
    std::size_t begin = 0;
    std::size_t end = s.size();
    while (begin < end && s[begin] == L' ')
        ++begin;
    while (end > begin && s[end - 1] == L' ')
        --end;
    return s.substr(begin, end - begin);
}

// Letter case of section and key names does not count. The names of the rule library are ASCII
// or Chinese, so folding ASCII letters is enough.
CString Fold(CString s)
{
    for (wchar_t& c : s) {
        if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c - L'A' + L'a');
    }
    return s;
}

// One pair of matching quotes around a value is dropped; it lets a value keep outer blanks.
CString Unquote(CString value)
{
    if (value.size() >= 2 && (value.front() == L'"' || value.front() == L'\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

} // namespace

IniFile IniFile::Parse(const CString& text)
{
    IniFile ini;
    Keys* current = nullptr; // null before the first section and inside a repeated one
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find_first_of(L"\r\n", pos);
        if (end == CString::npos)
            end = text.size();
        std::size_t first = pos;
        while (first < end && IsBlank(text[first]))
            ++first;
        const std::size_t lineStart = pos;
        const std::size_t lineEnd = end;
        const std::wstring_view line(text.data() + lineStart, lineEnd - lineStart);
        pos = end + 1;
        if (first == lineEnd)
            continue;

        const wchar_t lead = text[first];
        if (lead == L'[') {
            // The name ends at the first ']' or the line end; text after ']' is ignored.
            // Searched within the line only: a search to the end of the text for every line would
            // make a long file of unclosed section lines take quadratic time.
            std::size_t close = line.find(L']', first + 1 - lineStart);
            close = close == std::wstring_view::npos ? lineEnd : lineStart + close;
            const CString name = TrimBlanks(text, first + 1, close);
            auto [it, inserted] = ini.m_mapSections.try_emplace(Fold(name));
            // Only the first of two sections of the same name is read.
            current = inserted ? &it->second : nullptr;
            if (inserted)
                ini.m_arrSectionNames.push_back(name);
            continue;
        }
        if (lead == L';' || current == nullptr)
            continue;
        std::size_t eq = line.find(L'=', first - lineStart);
        if (eq == std::wstring_view::npos)
            continue; // a line without '=' gives no value
        eq += lineStart;
        CString key = Fold(TrimBlanks(text, first, eq));
        // The first of two keys of the same name wins.
        current->try_emplace(std::move(key), Unquote(TrimBlanks(text, eq + 1, lineEnd)));
    }
    return ini;
}

const CString* IniFile::Find(const CString& section, const CString& key) const
{
    const auto sec = m_mapSections.find(Fold(TrimSpaces(section)));
    if (sec == m_mapSections.end())
        return nullptr;
    const auto it = sec->second.find(Fold(TrimSpaces(key)));
    return it == sec->second.end() ? nullptr : &it->second;
}

bool IniFile::HasSection(const CString& section) const
{
    return m_mapSections.count(Fold(TrimSpaces(section))) != 0;
}

std::shared_ptr<const IniFile> LoadIniFile(const std::string& fsPath)
{
    bool bExists = false;
    return LoadIniFile(fsPath, bExists);
}

std::shared_ptr<const IniFile> LoadIniFile(const std::string& fsPath, bool& bExists)
{
    struct Cached {
        FileStatus status;
        std::shared_ptr<const IniFile> ini;
    };
    // The rule table asks for descriptions once per rule of documents with 100,000 rules: a
    // status check per call is cheap, a parse per call is not.
    static std::unordered_map<std::string, Cached> cache;
    static const auto empty = std::make_shared<const IniFile>();

    FileStatus status;
    bExists = GetFileStatus(fsPath, status);
    if (!bExists) {
        cache.erase(fsPath);
        return empty;
    }
    if (const auto it = cache.find(fsPath); it != cache.end() && it->second.status == status)
        return it->second.ini;

    std::string bytes;
    if (!ReadFile(fsPath, bytes))
        return empty;
    auto ini = std::make_shared<const IniFile>(IniFile::Parse(DecodeText(bytes)));
    // A handful of files are read; a long-running host that reads many keeps the cache small.
    if (cache.size() >= 64)
        cache.clear();
    cache[fsPath] = Cached{status, ini};
    return ini;
}

CString ReadProfileString(const IniFile& ini, const CString& section, const CString& key,
                          const CString& strDefault, std::size_t nBufferChars)
{
    CString value;
    if (const CString* found = ini.Find(section, key)) {
        value = *found;
    } else {
        value = strDefault;
        while (!value.empty() && value.back() == L' ')
            value.pop_back();
    }
    const std::size_t limit = nBufferChars == 0 ? 0 : nBufferChars - 1;
    if (value.size() > limit)
        value.resize(limit);
    return value;
}

CString ReadProfileString(const std::string& fsPath, const CString& section, const CString& key,
                          const CString& strDefault, std::size_t nBufferChars)
{
    return ReadProfileString(*LoadIniFile(fsPath), section, key, strDefault, nBufferChars);
}

int ReadProfileInt(const IniFile& ini, const CString& section, const CString& key, int nDefault)
{
    const CString* found = ini.Find(section, key);
    if (found == nullptr || found->empty())
        return nDefault;
    const CString& s = *found;
    std::size_t i = 0;
    while (i < s.size() && s[i] <= L' ')
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == L'+' || s[i] == L'-')) {
        negative = s[i] == L'-';
        ++i;
    }
    // An unsigned 32-bit accumulator without a range check: too many digits wrap around.
    std::uint32_t value = 0;
    for (; i < s.size() && s[i] >= L'0' && s[i] <= L'9'; ++i)
        value = value * 10U + static_cast<std::uint32_t>(s[i] - L'0');
    if (negative)
        value = 0U - value;
    return static_cast<int>(value);
}

int ReadProfileInt(const std::string& fsPath, const CString& section, const CString& key, int nDefault)
{
    return ReadProfileInt(*LoadIniFile(fsPath), section, key, nDefault);
}

} // namespace kx::platform
