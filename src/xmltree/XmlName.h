// The one check of element names that everything writing XML elements goes through, so that the
// tree and the text writer refuse the same names.
#pragma once

#include <kxsysrule/Types.h>

namespace kx::xml {

// True for a name by the rules of XML 1.0 fifth edition, the rules the parser reads names by.
bool IsXmlName(const CString& strName);

} // namespace kx::xml
