// Exported entry points of the quota-classification settings: each forwards to the cache.
#include <kxsysrule/CKXCurDeFenLeiSet.h>

#include "defenlei/CDeFenLeiCache.h"

CKXCurDeFenLeiSet& CKXCurDeFenLeiSet::operator=(const CKXCurDeFenLeiSet&) { return *this; }

bool CKXCurDeFenLeiSet::ReadDeFenLeiSetInfo(
    std::map<NS_KXComponentType::SCompGroupType, std::vector<SDeFenLeiSetInfo>>& mapInfo)
{
    return CDeFenLeiCache::GetInstance().Read(mapInfo);
}

bool CKXCurDeFenLeiSet::WriteDeFenLeiSetInfo(
    const std::map<NS_KXComponentType::SCompGroupType, std::vector<SDeFenLeiSetInfo>>& mapInfo)
{
    return CDeFenLeiCache::GetInstance().Write(mapInfo);
}

bool CKXCurDeFenLeiSet::ReadDeCalcItemFenLeiVarInfo(NS_KXComponentType::SCompGroupType compType,
                                                    const CString& strCalcItem, std::vector<CString>& vecVarKey)
{
    return CDeFenLeiCache::GetInstance().ReadItemKeys(compType, strCalcItem, vecVarKey);
}

void CKXCurDeFenLeiSet::ClearCacheData() { CDeFenLeiCache::GetInstance().Clear(); }
