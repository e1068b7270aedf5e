// The library's one copy of the project's quota-classification settings: filled from the file on
// the first read that finds it empty, replaced by every successful write, emptied on request.
// It is not tied to a project; the host clears it when it switches. One calling thread, no locks.
#pragma once

#include <vector>

#include <kxsysrule/CKXCurDeFenLeiSet.h>

#include "defenlei/CDeFenLeiSettings.h"

class CDeFenLeiCache {
public:
    using FenLeiMap = CKXCurDeFenLeiSet::FenLeiMap;

    // Created empty on the first call, destroyed with the library.
    static CDeFenLeiCache& GetInstance();

    // Copies the settings into `mapOut` (emptied first); true when there are any.
    bool Read(FenLeiMap& mapOut);
    // Saves `mapIn` to the project's file; on success the cache becomes an exact copy of it,
    // including what the file cannot hold (empty groups, items without keys).
    bool Write(const FenLeiMap& mapIn);
    // The keys of the first item named `strCalcItem` in the group; `vecVarKey` is untouched when
    // the group or the item is absent.
    bool ReadItemKeys(NS_KXComponentType::SCompGroupType compType, const CString& strCalcItem,
                      std::vector<CString>& vecVarKey);
    void Clear();

private:
    // There is no loaded flag: an empty cache is loaded again on every read.
    void LoadIfEmpty();

    CDeFenLeiSettings m_settings;
};
