// The quota-classification reader on any bytes, then a write of what it read.
#include <kxsysrule/KxSysRuleData.h>

#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    kxfuzz::UseSampleInstallation();
    kxfuzz::WriteScratch("DefaultDeFenLeiSet.xml", std::string_view(reinterpret_cast<const char*>(data), size));
    CKXCurDeFenLeiSet::ClearCacheData();
    CKXCurDeFenLeiSet::FenLeiMap settings;
    if (CKXCurDeFenLeiSet::ReadDeFenLeiSetInfo(settings)) {
        const auto& first = *settings.begin();
        std::vector<CString> keys;
        if (!first.second.empty())
            CKXCurDeFenLeiSet::ReadDeCalcItemFenLeiVarInfo(first.first, first.second.front().strCalcItem, keys);
        CKXCurDeFenLeiSet::WriteDeFenLeiSetInfo(settings);
    }
    return 0;
}
