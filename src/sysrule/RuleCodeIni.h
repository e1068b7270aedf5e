// Reads RuleCode.ini, the calculation-item table of the rule library, into a code table. Header
// only, so that the kxrule tool reads it exactly as the library does.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/IniFile.h"
#include "sysrule/CCalItemTable.h"

namespace kx::sysrule {

// Every i of a section "ITEM<i>" as "ITEM%d" spells it (any letter case), ascending.
inline std::vector<int> ItemSections(const kx::platform::IniFile& ini)
{
    auto isDigit = [](wchar_t c) { return c >= L'0' && c <= L'9'; };
    std::vector<int> items;
    for (const CString& name : ini.SectionNames()) {
        if (name.size() < 5 || name.size() > 14)
            continue;
        CString prefix = name.substr(0, 4);
        for (wchar_t& c : prefix)
            c = (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c;
        if (prefix != L"ITEM" || name[4] == L'0' || !std::all_of(name.begin() + 4, name.end(), isDigit))
            continue;
        const long long n = std::stoll(name.substr(4));
        if (n <= INT32_MAX)
            items.push_back(static_cast<int>(n));
    }
    std::sort(items.begin(), items.end());
    return items;
}

// Fills `table` from the file: "RuleItemNum" of [main] sections ITEM1.. ITEMn, each with "Name"
// (default empty) and "CODE" (default -1); a later item of the same code replaces the name.
// False, with the table unchanged, when the count is below 1 (a missing file included).
inline bool ReadRuleCodeIni(const std::string& fsPath, CCalItemTable& table)
{
    const auto ini = kx::platform::LoadIniFile(fsPath);
    const int count = kx::platform::ReadProfileInt(*ini, L"main", L"RuleItemNum", 0);
    if (count < 1)
        return false;
    // Only the sections that exist are read: one "ITEM<i>" per i up to a count of two thousand
    // million would keep a host busy for minutes. A missing section reads as an empty name under
    // code -1, so a run of them between two present ones does what its first one does.
    long long next = 1; // past ITEM2147483647 without overflow
    for (const int i : ItemSections(*ini)) {
        if (i > count)
            break;
        if (i > next)
            table.SetAt(-1, L"");
        const CString section = L"ITEM" + std::to_wstring(i);
        const CString name = kx::platform::ReadProfileString(*ini, section, L"Name", L"");
        const int code = kx::platform::ReadProfileInt(*ini, section, L"CODE", -1);
        table.SetAt(code, name);
        next = static_cast<long long>(i) + 1;
    }
    if (count >= next)
        table.SetAt(-1, L"");
    return true;
}

} // namespace kx::sysrule
