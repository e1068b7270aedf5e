// The quota-classification settings held flat: every item name and key in one buffer, the groups
// sorted by key. The cache of a 100,000-key file is then a handful of allocations rather than one
// per string, and a copy handed to the caller builds each of the caller's strings once, from
// memory read in order.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include <kxsysrule/CKXCurDeFenLeiSet.h>

class CDeFenLeiSettings {
public:
    using FenLeiMap = CKXCurDeFenLeiSet::FenLeiMap;

    // No group at all; a group without items counts as one.
    bool Empty() const { return m_vecGroups.empty(); }
    // Empty, its memory released.
    void Clear();

    // An exact copy of `map`, empty groups and items without keys included. Strong guarantee.
    void Assign(const FenLeiMap& map);
    // `mapOut` replaced by the settings. Strong guarantee.
    void CopyTo(FenLeiMap& mapOut) const;
    // The keys of the first item named `strCalcItem` in the group of `compType`, in place of
    // `vecVarKey`; false, with `vecVarKey` untouched, when the group or the item is absent.
    bool ItemKeys(NS_KXComponentType::SCompGroupType compType, std::wstring_view strCalcItem,
                  std::vector<CString>& vecVarKey) const;

    // Reading a file, group by group in its order, names and keys in UTF-8. Room for what is
    // about to be read may be reserved first.
    void Reserve(std::size_t nGroups, std::size_t nItems, std::size_t nKeys, std::size_t nChars);
    void OpenGroup(NS_KXComponentType::SCompGroupType key);
    void AddItem(std::string_view name);
    // A key of the last item added.
    void AddKey(std::string_view key);
    // The open group is kept when it has items and no group of its key was kept before it.
    void CloseGroup();
    // The open group is forgotten, with everything added to it.
    void DropGroup();
    // Ends the reading: the groups kept are put in the order of their keys.
    void Finish();

private:
    struct Span {
        std::size_t nOffset;
        std::size_t nLength;
    };
    struct Item {
        Span name;
        std::size_t nFirstKey;
        std::size_t nKeys;
    };
    struct Group {
        NS_KXComponentType::SCompGroupType key;
        std::size_t nFirstItem;
        std::size_t nItems;
    };

    std::wstring_view View(Span span) const { return {m_strText.data() + span.nOffset, span.nLength}; }
    Span Append(std::wstring_view text);
    Span AppendUtf8(std::string_view text);

    CString m_strText;
    std::vector<Span> m_vecKeys;
    std::vector<Item> m_vecItems;
    std::vector<Group> m_vecGroups;
    // The group being read, if one is open.
    bool m_bOpen = false;
    Group m_open{};
};
