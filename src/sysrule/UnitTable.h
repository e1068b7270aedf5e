// The unit names the library recognises when it parses a unit text, and the component types
// whose units are fixed.
#pragma once

#include <optional>

#include <kxsysrule/Types.h>

namespace kx::sysrule {

// The unit type of a unit name, matched character for character (letter case counts); nullopt
// for a name outside the table.
std::optional<KXTJAttrSysDef::ETJSysDefUnitType> LookupUnitName(const CString& strName);

// Component types 91, 92 and 93 have one unit each and never ask the template parser.
bool IsFixedUnitType(const NS_KXComponentType::SCompGroupType& compType);
// "个", "m" or "m2" for a fixed type; empty for any other.
CString FixedDefaultUnit(const NS_KXComponentType::SCompGroupType& compType);

// True when `strUnit` is `strAllowed`, or `strAllowed` preceded by text that reads wholly as a
// decimal number the way wcstol reads it; `nFactor` then receives that number (1 without one).
bool MatchUnitWithFactor(const CString& strUnit, const CString& strAllowed, int& nFactor);

} // namespace kx::sysrule
