// The quota-classification settings cache.
#include "defenlei/CDeFenLeiCache.h"

#include <memory>
#include <utility>

#include "defenlei/CDeFenLeiFile.h"

namespace {
std::unique_ptr<CDeFenLeiCache> s_pCache;
} // namespace

CDeFenLeiCache& CDeFenLeiCache::GetInstance()
{
    if (!s_pCache)
        s_pCache = std::make_unique<CDeFenLeiCache>();
    return *s_pCache;
}

void CDeFenLeiCache::LoadIfEmpty()
{
    if (m_mapSettings.empty())
        CDeFenLeiFile::Load(CDeFenLeiFile::GetFilePath(), m_mapSettings);
}

bool CDeFenLeiCache::Read(FenLeiMap& mapOut)
{
    LoadIfEmpty();
    mapOut = m_mapSettings;
    return !mapOut.empty();
}

bool CDeFenLeiCache::Write(const FenLeiMap& mapIn)
{
    // The copy is made before the save, so that nothing can fail once the file is replaced.
    FenLeiMap copy;
    try {
        copy = mapIn;
    } catch (...) {
        return false;
    }
    if (!CDeFenLeiFile::Save(CDeFenLeiFile::GetFilePath(), mapIn))
        return false;
    m_mapSettings.swap(copy);
    return true;
}

bool CDeFenLeiCache::ReadItemKeys(NS_KXComponentType::SCompGroupType compType, const CString& strCalcItem,
                                  std::vector<CString>& vecVarKey)
{
    LoadIfEmpty();
    const auto group = m_mapSettings.find(compType);
    if (group == m_mapSettings.end())
        return false;
    for (const CKXCurDeFenLeiSet::SDeFenLeiSetInfo& info : group->second) {
        if (info.strCalcItem == strCalcItem) {
            vecVarKey = info.vecVarKey;
            return true;
        }
    }
    return false;
}

void CDeFenLeiCache::Clear() { m_mapSettings.clear(); }
