// The one INI reader of the code base. It reads the rule library's INI files the way the
// platform they were written for reads them with its private-profile functions, so that files
// edited by hand on that platform give the same values here (docs/ini-reading.md lists the
// cases and how they were settled).
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include <kxsysrule/Types.h>

namespace kx::platform {

// The size of the buffer the profile reads go through: a value keeps at most 254 characters.
constexpr std::size_t kProfileBufferChars = 255;

class IniFile {
public:
    // Parses decoded text. Never fails: lines that mean nothing are skipped.
    static IniFile Parse(const CString& text);

    // The value of `key` in `section` (names without regard to letter case, blanks around them
    // ignored), or null when there is no such key.
    const CString* Find(const CString& section, const CString& key) const;
    bool HasSection(const CString& section) const;
    // Section names as written (trimmed), first occurrences only, in file order.
    const std::vector<CString>& SectionNames() const { return m_arrSectionNames; }

private:
    using Keys = std::unordered_map<CString, CString>; // folded key -> value
    std::unordered_map<CString, Keys> m_mapSections;   // folded section -> keys
    std::vector<CString> m_arrSectionNames;
};

// The parsed file at `fsPath`; a missing or unreadable file gives an empty one. Parsed files are
// kept by path, size and modification time, so a file is read again only after it changed.
std::shared_ptr<const IniFile> LoadIniFile(const std::string& fsPath);
// The same, telling whether the file exists.
std::shared_ptr<const IniFile> LoadIniFile(const std::string& fsPath, bool& bExists);

// A string value as the profile string read gives it: the value, or `strDefault` (without its
// trailing spaces) when the file, section or key is missing, cut to `nBufferChars` - 1 characters.
CString ReadProfileString(const IniFile& ini, const CString& section, const CString& key,
                          const CString& strDefault, std::size_t nBufferChars = kProfileBufferChars);
CString ReadProfileString(const std::string& fsPath, const CString& section, const CString& key,
                          const CString& strDefault, std::size_t nBufferChars = kProfileBufferChars);

// An integer value as the profile integer read gives it: the leading decimal number of the value
// (blanks and one sign accepted, no digits gives 0, 32-bit wrap-around), or `nDefault` when the
// file, section or key is missing or the value is empty.
int ReadProfileInt(const IniFile& ini, const CString& section, const CString& key, int nDefault);
int ReadProfileInt(const std::string& fsPath, const CString& section, const CString& key, int nDefault);

} // namespace kx::platform
