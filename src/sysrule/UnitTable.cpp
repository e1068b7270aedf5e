// The 23-row unit-name table and the unit-with-factor match shared by unit parsing and checking.
#include "sysrule/UnitTable.h"

#include <array>
#include <utility>

#include "common/StringUtil.h"

namespace kx::sysrule {

namespace {

using KXTJAttrSysDef::ETJSysDefUnitType;

// Searched from the top; upper and lower forms are separate rows.
constexpr std::array<std::pair<const wchar_t*, ETJSysDefUnitType>, 23> kUnitNames{{
    {L"m", KXTJAttrSysDef::UnitType_Length},
    {L"M", KXTJAttrSysDef::UnitType_Length},
    {L"米", KXTJAttrSysDef::UnitType_Length},
    {L"m2", KXTJAttrSysDef::UnitType_Area},
    {L"M2", KXTJAttrSysDef::UnitType_Area},
    {L"平米", KXTJAttrSysDef::UnitType_Area},
    {L"平方米", KXTJAttrSysDef::UnitType_Area},
    {L"m3", KXTJAttrSysDef::UnitType_Volume},
    {L"M3", KXTJAttrSysDef::UnitType_Volume},
    {L"立米", KXTJAttrSysDef::UnitType_Volume},
    {L"立方米", KXTJAttrSysDef::UnitType_Volume},
    {L"个", KXTJAttrSysDef::UnitType_Count},
    {L"根", KXTJAttrSysDef::UnitType_Count},
    {L"座", KXTJAttrSysDef::UnitType_Count},
    {L"榀", KXTJAttrSysDef::UnitType_Count},
    {L"块", KXTJAttrSysDef::UnitType_Count},
    {L"套", KXTJAttrSysDef::UnitType_Count},
    {L"只", KXTJAttrSysDef::UnitType_Count},
    {L"樘", KXTJAttrSysDef::UnitType_Count},
    {L"副", KXTJAttrSysDef::UnitType_Count},
    {L"吨", KXTJAttrSysDef::UnitType_Count},
    {L"千克", KXTJAttrSysDef::UnitType_Count},
    {L"扇", KXTJAttrSysDef::UnitType_Count},
}};

} // namespace

std::optional<ETJSysDefUnitType> LookupUnitName(const CString& strName)
{
    for (const auto& [name, type] : kUnitNames) {
        if (strName == name)
            return type;
    }
    return std::nullopt;
}

bool IsFixedUnitType(const NS_KXComponentType::SCompGroupType& compType)
{
    return compType.nTypeId == 91 || compType.nTypeId == 92 || compType.nTypeId == 93;
}

CString FixedDefaultUnit(const NS_KXComponentType::SCompGroupType& compType)
{
    switch (compType.nTypeId) {
    case 91: return L"个";
    case 92: return L"m";
    case 93: return L"m2";
    default: return {};
    }
}

bool MatchUnitWithFactor(const CString& strUnit, const CString& strAllowed, int& nFactor)
{
    if (strUnit == strAllowed) {
        nFactor = 1;
        return true;
    }
    const std::size_t pos = strUnit.find(strAllowed);
    // Only the first occurrence counts, and it must end the text.
    if (pos == CString::npos || pos + strAllowed.size() != strUnit.size())
        return false;
    const CString number = strUnit.substr(0, pos);
    std::size_t used = 0;
    const long value = kx::WcsToL(number, &used);
    if (used != number.size())
        return false;
    nFactor = static_cast<int>(value);
    return true;
}

} // namespace kx::sysrule
