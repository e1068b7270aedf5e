// Unit parsing and checking on any unit text, for every calculation item of the sample.
#include <kxsysrule/KxSysRuleData.h>

#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    kxfuzz::UseSampleInstallation();
    if (size == 0)
        return 0;
    static const int kTypes[] = {12, 91, 92, 93, -1, 18};
    const NS_KXComponentType::SCompGroupType comp{kTypes[data[0] % 6], (data[0] & 0x80) ? 3 : -1};
    const CString text = kxfuzz::Wide(std::string_view(reinterpret_cast<const char*>(data + 1), size - 1));

    static const CStringArray names = [] {
        CStringArray all;
        CFaceSysRule::GetAllCalItemNames(all);
        all.push_back(L"体积");
        return all;
    }();
    for (const CString& name : names) {
        KXTJAttrSysDef::ETJSysDefUnitType type;
        int factor = 0;
        CFaceSysRule::ParseUnitType(text, comp, CFaceSysRule::GetCalItemCode(name), type, factor);
        CString unit = text;
        CFaceSysRule::IsDWVailid(comp, name, unit);
    }
    return 0;
}
