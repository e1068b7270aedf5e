// The texts every integer reader of the library is held against a plain reading on (tests/common,
// tests/sysrule).
#pragma once

#include <utility>
#include <vector>

#include <kxsysrule/Types.h>

namespace kxtest {

// Every text of up to four characters that decide a reading, and the 32-bit limits and their
// neighbours with a sign, blanks and trailing text.
inline std::vector<CString> IntegerTexts()
{
    std::vector<CString> out{L""};
    for (std::size_t i = 0; out[i].size() < 4; ++i)
        for (const wchar_t c : CString(L" \t\n\x01+-079a\xA0\xFF11"))
            out.push_back(out[i] + c);
    for (const CString n : {L"2147483647", L"2147483648", L"2147483649", L"4294967297", L"99999999999999999999"})
        for (const CString sign : {L" ", L"-", L"\t+"})
            out.insert(out.end(), {sign + n, sign + n + L" ", sign + n + L"a"});
    return out;
}

// Whether there are digits after the optional sign at `pos`, and their value in 128 bits; `pos`
// ends after them.
inline std::pair<bool, __int128> ReadSignedDigits(const CString& text, std::size_t& pos)
{
    const bool negative = pos < text.size() && text[pos] == L'-';
    pos += pos < text.size() && (text[pos] == L'-' || text[pos] == L'+');
    const std::size_t start = pos;
    __int128 value = 0;
    for (; pos < text.size() && text[pos] >= L'0' && text[pos] <= L'9'; ++pos)
        value = value * 10 + (text[pos] - L'0');
    return {pos > start, negative ? -value : value};
}

} // namespace kxtest
