// Shows a message to the user: the host's handler if one is installed, else a modal message box
// (or standard error when the library was built without Qt).
#pragma once

#include <kxsysrule/Types.h>

namespace kx {

enum class MessageId { NoXmlParser = 1, SaveFailed = 2, NotRuleFile = 3 };

// The library's string table.
CString LoadMessage(MessageId id);

void ShowMessage(const CString& text);

} // namespace kx
