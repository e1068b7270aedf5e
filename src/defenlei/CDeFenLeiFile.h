// DefaultDeFenLeiSet.xml on disk: the reader that fills the settings cache and the writer that
// saves a settings map. Neither throws; both report through their results.
#pragma once

#include <optional>
#include <string>

#include <kxsysrule/CKXCurDeFenLeiSet.h>

#include "defenlei/CDeFenLeiSettings.h"

class CDeFenLeiFile {
public:
    using FenLeiMap = CKXCurDeFenLeiSet::FenLeiMap;

    // The file's path in the current project, built anew from the host's project folder so that
    // every load and save follows a project switch.
    static CString GetFilePath();

    // The groups of the file at `strPath` (as the host spells it), in place of what `settings`
    // held; of the groups of one key the first with items wins. A missing, malformed or foreign
    // file gives none. A read error stops the walk: the groups completed before it stay, the group
    // being read is dropped.
    static void Load(const CString& strPath, CDeFenLeiSettings& settings) noexcept;

    // Writes `mapIn` to `strPath` atomically in UTF-8. False when the document could not be built
    // (an item with keys whose name is no XML name, a key that XML cannot carry) or the file
    // could not be saved; the previous file then stays byte for byte.
    static bool Save(const CString& strPath, const FenLeiMap& mapIn) noexcept;

    // "TypeId"/"SubTypeId" text to a signed 32-bit integer: optional blanks around an optional
    // sign ("-" or "+") and at least one decimal digit, nothing else. Out of range is no number.
    static std::optional<int> ParseId(const CString& strText);
};
