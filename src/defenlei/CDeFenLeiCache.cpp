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
    if (m_settings.Empty())
        CDeFenLeiFile::Load(CDeFenLeiFile::GetFilePath(), m_settings);
}

bool CDeFenLeiCache::Read(FenLeiMap& mapOut)
{
    LoadIfEmpty();
    m_settings.CopyTo(mapOut);
    return !mapOut.empty();
}

bool CDeFenLeiCache::Write(const FenLeiMap& mapIn)
{
    // The copy is made before the save, so that nothing can fail once the file is replaced.
    CDeFenLeiSettings copy;
    try {
        copy.Assign(mapIn);
    } catch (...) {
        return false;
    }
    if (!CDeFenLeiFile::Save(CDeFenLeiFile::GetFilePath(), mapIn))
        return false;
    m_settings = std::move(copy);
    return true;
}

bool CDeFenLeiCache::ReadItemKeys(NS_KXComponentType::SCompGroupType compType, const CString& strCalcItem,
                                  std::vector<CString>& vecVarKey)
{
    LoadIfEmpty();
    return m_settings.ItemKeys(compType, strCalcItem, vecVarKey);
}

void CDeFenLeiCache::Clear() { m_settings.Clear(); }
