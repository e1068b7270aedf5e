// The flat quota-classification settings.
#include "defenlei/CDeFenLeiSettings.h"

#include <algorithm>
#include <utility>

#include "platform/Platform.h"

using NS_KXComponentType::SCompGroupType;

void CDeFenLeiSettings::Clear()
{
    // The room goes too: a cleared cache holds no memory.
    *this = CDeFenLeiSettings();
}

CDeFenLeiSettings::Span CDeFenLeiSettings::Append(std::wstring_view text)
{
    const Span span{m_strText.size(), text.size()};
    m_strText.append(text);
    return span;
}

CDeFenLeiSettings::Span CDeFenLeiSettings::AppendUtf8(std::string_view text)
{
    const std::size_t nOffset = m_strText.size();
    kx::platform::AppendFromUtf8(text, m_strText);
    return {nOffset, m_strText.size() - nOffset};
}

void CDeFenLeiSettings::Assign(const FenLeiMap& map)
{
    CDeFenLeiSettings copy;
    std::size_t nItems = 0;
    std::size_t nKeys = 0;
    std::size_t nChars = 0;
    for (const auto& [key, items] : map) {
        nItems += items.size();
        for (const CKXCurDeFenLeiSet::SDeFenLeiSetInfo& info : items) {
            nKeys += info.vecVarKey.size();
            nChars += info.strCalcItem.size();
            for (const CString& varKey : info.vecVarKey)
                nChars += varKey.size();
        }
    }
    copy.Reserve(map.size(), nItems, nKeys, nChars);
    for (const auto& [key, items] : map) {
        copy.m_vecGroups.push_back({key, copy.m_vecItems.size(), items.size()});
        for (const CKXCurDeFenLeiSet::SDeFenLeiSetInfo& info : items) {
            copy.m_vecItems.push_back({copy.Append(info.strCalcItem), copy.m_vecKeys.size(), info.vecVarKey.size()});
            for (const CString& varKey : info.vecVarKey)
                copy.m_vecKeys.push_back(copy.Append(varKey));
        }
    }
    *this = std::move(copy);
}

void CDeFenLeiSettings::CopyTo(FenLeiMap& mapOut) const
{
    FenLeiMap map;
    // The groups are in key order: each goes in at the end, with no search.
    for (const Group& group : m_vecGroups) {
        std::vector<CKXCurDeFenLeiSet::SDeFenLeiSetInfo>& infos =
            map.emplace_hint(map.end(), group.key, std::vector<CKXCurDeFenLeiSet::SDeFenLeiSetInfo>())->second;
        infos.resize(group.nItems);
        for (std::size_t i = 0; i < group.nItems; ++i) {
            const Item& item = m_vecItems[group.nFirstItem + i];
            infos[i].strCalcItem = View(item.name);
            infos[i].vecVarKey.reserve(item.nKeys);
            for (std::size_t k = 0; k < item.nKeys; ++k)
                infos[i].vecVarKey.emplace_back(View(m_vecKeys[item.nFirstKey + k]));
        }
    }
    mapOut.swap(map);
}

bool CDeFenLeiSettings::ItemKeys(SCompGroupType compType, std::wstring_view strCalcItem,
                                 std::vector<CString>& vecVarKey) const
{
    const auto group = std::lower_bound(m_vecGroups.begin(), m_vecGroups.end(), compType,
                                        [](const Group& g, SCompGroupType key) { return g.key < key; });
    if (group == m_vecGroups.end() || group->key != compType)
        return false;
    for (std::size_t i = 0; i < group->nItems; ++i) {
        const Item& item = m_vecItems[group->nFirstItem + i];
        if (View(item.name) != strCalcItem)
            continue;
        std::vector<CString> keys;
        keys.reserve(item.nKeys);
        for (std::size_t k = 0; k < item.nKeys; ++k)
            keys.emplace_back(View(m_vecKeys[item.nFirstKey + k]));
        vecVarKey.swap(keys);
        return true;
    }
    return false;
}

void CDeFenLeiSettings::Reserve(std::size_t nGroups, std::size_t nItems, std::size_t nKeys, std::size_t nChars)
{
    m_vecGroups.reserve(m_vecGroups.size() + nGroups);
    m_vecItems.reserve(m_vecItems.size() + nItems);
    m_vecKeys.reserve(m_vecKeys.size() + nKeys);
    m_strText.reserve(m_strText.size() + nChars);
}

void CDeFenLeiSettings::OpenGroup(SCompGroupType key)
{
    DropGroup();
    m_bOpen = true;
    m_open = {key, m_vecItems.size(), 0};
}

void CDeFenLeiSettings::AddItem(std::string_view name)
{
    m_vecItems.push_back({AppendUtf8(name), m_vecKeys.size(), 0});
    ++m_open.nItems;
}

void CDeFenLeiSettings::AddKey(std::string_view key)
{
    m_vecKeys.push_back(AppendUtf8(key));
    ++m_vecItems.back().nKeys;
}

void CDeFenLeiSettings::CloseGroup()
{
    if (!m_bOpen)
        return;
    m_bOpen = false;
    // A group without items is no entry; its key stays free for a later group.
    if (m_open.nItems == 0)
        return;
    m_vecGroups.push_back(m_open);
}

void CDeFenLeiSettings::DropGroup()
{
    if (!m_bOpen)
        return;
    m_bOpen = false;
    // Its keys and text begin with its first item.
    if (m_open.nItems == 0)
        return;
    const Item first = m_vecItems[m_open.nFirstItem];
    m_vecItems.resize(m_open.nFirstItem);
    m_vecKeys.resize(first.nFirstKey);
    m_strText.resize(first.name.nOffset);
}

void CDeFenLeiSettings::Finish()
{
    DropGroup();
    // Stable, so that of the groups of one key the first read comes first and is the one kept.
    std::stable_sort(m_vecGroups.begin(), m_vecGroups.end(),
                     [](const Group& a, const Group& b) { return a.key < b.key; });
    m_vecGroups.erase(std::unique(m_vecGroups.begin(), m_vecGroups.end(),
                                  [](const Group& a, const Group& b) { return a.key == b.key; }),
                      m_vecGroups.end());
}
