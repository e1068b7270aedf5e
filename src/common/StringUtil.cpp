#include "common/StringUtil.h"

#include <climits>
#include <cstdint>
#include <cwctype>

void SplitList(const CString& src, CStringArray& out, wchar_t sep)
{
    out.clear();
    CString piece;
    for (std::size_t i = 0; i < src.size(); ++i) {
        const wchar_t c = src[i];
        if (c == sep) {
            if (i > 0 && src[i - 1] == L'\\') {
                // An escaped separator: the backslash already in the piece becomes the separator.
                if (!piece.empty() && piece.back() == L'\\')
                    piece.back() = sep;
                else
                    piece += sep;
            } else {
                if (!piece.empty())
                    out.push_back(piece);
                piece.clear();
            }
        } else {
            piece += c;
        }
    }
    if (!piece.empty())
        out.push_back(piece);
}

namespace kx {

namespace {
// The rule data was written where `long` has 32 bits; clamp as that platform did.
constexpr std::int64_t kMax = INT32_MAX;
constexpr std::int64_t kMin = INT32_MIN;
} // namespace

long WcsToL(const CString& text, std::size_t* pEnd)
{
    std::size_t i = 0;
    while (i < text.size() && std::iswspace(static_cast<wint_t>(text[i])))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) {
        negative = text[i] == L'-';
        ++i;
    }
    const std::size_t digitsStart = i;
    std::int64_t value = 0;
    bool overflow = false;
    while (i < text.size() && text[i] >= L'0' && text[i] <= L'9') {
        if (!overflow) {
            value = value * 10 + (text[i] - L'0');
            if (value > kMax + 1)
                overflow = true;
        }
        ++i;
    }
    if (i == digitsStart) {
        if (pEnd)
            *pEnd = 0;
        return 0;
    }
    if (pEnd)
        *pEnd = i;
    if (negative)
        value = -value;
    if (overflow || value > kMax)
        return negative ? static_cast<long>(kMin) : static_cast<long>(kMax);
    if (value < kMin)
        return static_cast<long>(kMin);
    return static_cast<long>(value);
}

long WToL(const CString& text) { return WcsToL(text, nullptr); }

CString IntToStr(long value) { return std::to_wstring(value); }

bool RemoveFromArray(CStringArray& list, const CString& text)
{
    for (auto it = list.begin(); it != list.end(); ++it) {
        if (*it == text) {
            list.erase(it);
            return true;
        }
    }
    return false;
}

bool AddToArrayOnce(CStringArray& list, const CString& text)
{
    for (const CString& s : list) {
        if (s == text)
            return false;
    }
    list.push_back(text);
    return true;
}

CString Join(const CStringArray& list, wchar_t sep)
{
    CString out;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (i > 0)
            out += sep;
        out += list[i];
    }
    return out;
}

} // namespace kx
