// The calculation-item code table: code -> name, in the walk order the host has always seen.
// Hosts list items in this order and pick the first of two items of the same name, so the order
// is that of a 17-bucket chained hash map where a new code goes to the head of its chain. Header
// only, so that the kxrule tool lists exactly what the library holds.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <unordered_map>
#include <utility>
#include <vector>

#include <kxsysrule/Types.h>

class CCalItemTable {
public:
    static constexpr unsigned kBucketCount = 17;

    // The code widened to 64 bits with its sign, shifted right by 4, low 32 bits, modulo 17:
    // codes 0..15 and -1 share bucket 0.
    static unsigned BucketOf(int nCode)
    {
        const std::int64_t wide = nCode;
        const auto low = static_cast<std::uint32_t>(static_cast<std::uint64_t>(wide >> 4));
        return low % kBucketCount;
    }

    // Sets the name of `nCode`: an existing code keeps its place, a new one goes first in its bucket.
    void SetAt(int nCode, const CString& strName)
    {
        if (const auto it = m_mapByCode.find(nCode); it != m_mapByCode.end()) {
            Entry& entry = m_vecEntries[it->second];
            if (entry.strName != strName) {
                Unindex(entry);
                entry.strName = strName;
                m_mapByName[entry.strName].emplace(entry.key, entry.nCode);
            }
            return;
        }
        const unsigned bucket = BucketOf(nCode);
        const std::size_t index = m_vecEntries.size();
        // Later entries walk first within a bucket, hence the reversed sequence number.
        const WalkKey key{bucket, UINT64_MAX - index};
        m_vecEntries.push_back(Entry{nCode, strName, key});
        m_arrBuckets[bucket].push_back(index);
        m_mapByCode.emplace(nCode, index);
        m_mapByName[strName].emplace(key, nCode);
    }

    // The name of `nCode`, or null when the code is not in the table.
    const CString* Find(int nCode) const
    {
        const auto it = m_mapByCode.find(nCode);
        return it == m_mapByCode.end() ? nullptr : &m_vecEntries[it->second].strName;
    }

    // The code of the first entry in walk order named exactly `strName`, or -1.
    int CodeOf(const CString& strName) const
    {
        const auto it = m_mapByName.find(strName);
        return it == m_mapByName.end() ? -1 : it->second.begin()->second;
    }

    // Calls `fn(code, name)` for every entry in walk order.
    template <class Fn>
    void ForEach(Fn&& fn) const
    {
        for (const auto& bucket : m_arrBuckets) {
            for (auto it = bucket.rbegin(); it != bucket.rend(); ++it)
                fn(m_vecEntries[*it].nCode, m_vecEntries[*it].strName);
        }
    }

    std::vector<std::pair<int, CString>> Entries() const
    {
        std::vector<std::pair<int, CString>> out;
        out.reserve(m_vecEntries.size());
        ForEach([&](int nCode, const CString& strName) { out.emplace_back(nCode, strName); });
        return out;
    }

    std::size_t GetCount() const { return m_vecEntries.size(); }
    bool IsEmpty() const { return m_vecEntries.empty(); }

    void RemoveAll()
    {
        m_vecEntries.clear();
        for (auto& bucket : m_arrBuckets)
            bucket.clear();
        m_mapByCode.clear();
        m_mapByName.clear();
    }

private:
    using WalkKey = std::pair<unsigned, std::uint64_t>; // bucket, reversed insertion sequence
    struct Entry {
        int nCode;
        CString strName;
        WalkKey key;
    };

    void Unindex(const Entry& entry)
    {
        const auto it = m_mapByName.find(entry.strName);
        it->second.erase(entry.key);
        if (it->second.empty())
            m_mapByName.erase(it);
    }

    std::vector<Entry> m_vecEntries;                         // insertion order
    std::array<std::vector<std::size_t>, kBucketCount> m_arrBuckets; // entry indexes, oldest first
    std::unordered_map<int, std::size_t> m_mapByCode;
    std::unordered_map<CString, std::map<WalkKey, int>> m_mapByName; // name -> codes in walk order
};
