// Units, attributes and system variables of calculation items: the template parser's answers,
// the fixed component types and the parsing of unit texts such as 10m3.
#include <kxhost/HostServices.h>

#include "common/StringUtil.h"
#include "sysrule/CSysDefRule.h"
#include "sysrule/UnitTable.h"

using kx::sysrule::IsFixedUnitType;

namespace {

CString AllowedUnitsText(NS_KXComponentType::SCompGroupType compType, const CString& strCalItem)
{
    ITemplateParser* parser = GetTemplateParser();
    return parser ? parser->GetCalItemUnits(compType, strCalItem) : CString();
}

} // namespace

bool CSysDefRule::GetItemUnits(NS_KXComponentType::SCompGroupType compType, int nCalItemCode, CStringArray& arrUnits)
{
    if (IsFixedUnitType(compType))
        return true;
    SplitList(AllowedUnitsText(compType, GetCalItemName(nCalItemCode)), arrUnits, L',');
    return !arrUnits.empty();
}

bool CSysDefRule::GetDefaultUnit(NS_KXComponentType::SCompGroupType compType, int nCalItemCode, CString& strUnit)
{
    if (IsFixedUnitType(compType)) {
        strUnit = kx::sysrule::FixedDefaultUnit(compType);
        return true;
    }
    CStringArray arrUnits;
    if (!GetItemUnits(compType, nCalItemCode, arrUnits))
        return false;
    strUnit = arrUnits.front();
    return true;
}

bool CSysDefRule::ParseUnitType(const CString& strUnit, NS_KXComponentType::SCompGroupType compType,
                                int nCalItemCode, KXTJAttrSysDef::ETJSysDefUnitType& eType, int& nFactor)
{
    eType = KXTJAttrSysDef::UnitType_None;
    nFactor = 1;
    if (IsFixedUnitType(compType))
        return false;
    CStringArray arrUnits;
    if (!GetItemUnits(compType, nCalItemCode, arrUnits))
        return false;
    for (const CString& strAllowed : arrUnits) {
        // Units outside the name table are never recognised, even when the text equals them.
        const auto type = kx::sysrule::LookupUnitName(strAllowed);
        if (!type)
            continue;
        int nFound = 1;
        if (kx::sysrule::MatchUnitWithFactor(strUnit, strAllowed, nFound)) {
            eType = *type;
            nFactor = nFound;
            return true;
        }
    }
    return false;
}

bool CSysDefRule::IsDWVailid(NS_KXComponentType::SCompGroupType compType, const CString& strCalItem, CString& strUnit)
{
    if (IsFixedUnitType(compType))
        return true;
    CStringArray arrUnits;
    SplitList(AllowedUnitsText(compType, strCalItem), arrUnits, L',');
    if (arrUnits.empty())
        return false;
    for (const CString& strAllowed : arrUnits) {
        int nFactor = 1;
        if (kx::sysrule::MatchUnitWithFactor(strUnit, strAllowed, nFactor))
            return true;
    }
    strUnit = arrUnits.front();
    return false;
}

void CSysDefRule::getAttributes(NS_KXComponentType::SCompGroupType compType, const CString& strCalItem,
                                std::vector<SKXAttParamOneNode>& vecNodes)
{
    ITemplateParser* parser = GetTemplateParser();
    const SCompTemplate* tmpl = parser ? parser->GetCompTemplate(compType) : nullptr;
    if (!tmpl)
        return;
    // The last item of that name wins, as when each match overwrote the list.
    for (auto it = tmpl->vecCalItems.rbegin(); it != tmpl->vecCalItems.rend(); ++it) {
        if (it->strName == strCalItem) {
            vecNodes = it->vecAttrs;
            return;
        }
    }
}

bool CSysDefRule::GetCalSysVariable(NS_KXComponentType::SCompGroupType compType, std::vector<SKXAttSysValue>& vecValues)
{
    vecValues.clear();
    ITemplateParser* parser = GetTemplateParser();
    const SCompTemplate* tmpl = parser ? parser->GetCompTemplate(compType) : nullptr;
    if (!tmpl)
        return false;
    vecValues.insert(vecValues.end(), tmpl->vecSysValues.begin(), tmpl->vecSysValues.end());
    return true;
}
