// Text helpers shared by every subsystem: list splitting, the C library's number conversions as
// the rule data relies on them, and small list operations.
#pragma once

#include <cstddef>

#include <kxsysrule/Types.h>

// Splits `src` at `sep` into `out` (emptied first). A separator preceded by a backslash is kept
// in the piece in place of that backslash; empty pieces are dropped; pieces are not trimmed.
void SplitList(const CString& src, CStringArray& out, wchar_t sep = L',');

namespace kx {

// Base-10 conversion as `wcstol` does it with a 32-bit long: leading white space, an optional
// sign, then digits; out-of-range values clamp. `*pEnd` receives the index just past the last
// character used, or 0 when no digits were found.
long WcsToL(const CString& text, std::size_t* pEnd = nullptr);

// As `_wtol`: the same conversion without the end position; no digits gives 0.
long WToL(const CString& text);

// "%d" formatting.
CString IntToStr(long value);

// Removes the first element equal to `text`; true when there was one.
bool RemoveFromArray(CStringArray& list, const CString& text);
// Appends `text` unless an equal element is present; true when it appended.
bool AddToArrayOnce(CStringArray& list, const CString& text);

// Joins with `sep`, no trailing separator.
CString Join(const CStringArray& list, wchar_t sep = L',');

} // namespace kx
