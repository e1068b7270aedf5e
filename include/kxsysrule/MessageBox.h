// Where the library's messages go: a window by default, or the host's handler.
#pragma once

#include <functional>

#include <kxsysrule/Types.h>

namespace KxSysRule {
// With a handler installed, every message the library would show goes to it instead of a
// window. An empty function restores the default (a Qt message box, or standard error when the
// library was built without Qt).
KXSYSRULE_API void SetMessageBoxHandler(std::function<void(const CString&)> handler);
} // namespace KxSysRule
