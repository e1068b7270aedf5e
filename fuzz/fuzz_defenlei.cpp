// The quota-classification reader on any bytes, then a write of what it read: whatever the
// writer accepts must read back as it was given (items without keys are not kept by the file).
#include <cstdlib>

#include <kxsysrule/KxSysRuleData.h>

#include "FuzzSupport.h"

namespace {

using FenLeiMap = CKXCurDeFenLeiSet::FenLeiMap;

bool SameSettings(const FenLeiMap& a, const FenLeiMap& b)
{
    if (a.size() != b.size())
        return false;
    for (auto ia = a.begin(), ib = b.begin(); ia != a.end(); ++ia, ++ib) {
        if (ia->first != ib->first || ia->second.size() != ib->second.size())
            return false;
        for (std::size_t i = 0; i < ia->second.size(); ++i) {
            if (ia->second[i].strCalcItem != ib->second[i].strCalcItem ||
                ia->second[i].vecVarKey != ib->second[i].vecVarKey)
                return false;
        }
    }
    return true;
}

// What the file can hold of a settings map.
FenLeiMap Storable(FenLeiMap map)
{
    for (auto it = map.begin(); it != map.end();) {
        std::erase_if(it->second, [](const CKXCurDeFenLeiSet::SDeFenLeiSetInfo& info) { return info.vecVarKey.empty(); });
        it = it->second.empty() ? map.erase(it) : std::next(it);
    }
    return map;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    kxfuzz::UseSampleInstallation();
    kxfuzz::WriteScratch("DefaultDeFenLeiSet.xml", std::string_view(reinterpret_cast<const char*>(data), size));
    CKXCurDeFenLeiSet::ClearCacheData();
    FenLeiMap settings;
    if (!CKXCurDeFenLeiSet::ReadDeFenLeiSetInfo(settings))
        return 0;
    const auto& first = *settings.begin();
    std::vector<CString> keys;
    if (!first.second.empty())
        CKXCurDeFenLeiSet::ReadDeCalcItemFenLeiVarInfo(first.first, first.second.front().strCalcItem, keys);
    if (!CKXCurDeFenLeiSet::WriteDeFenLeiSetInfo(settings))
        return 0;
    CKXCurDeFenLeiSet::ClearCacheData();
    FenLeiMap again;
    CKXCurDeFenLeiSet::ReadDeFenLeiSetInfo(again);
    if (!SameSettings(again, Storable(settings)))
        std::abort();
    return 0;
}
