// The project's current rules of one rule type: an ordered list of rule records, read from and
// written to the project's rule file through an IXMLTree. Every successful load upgrades the
// file to the program's version and rewrites it in the current layout.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

#include <kxsysrule/Types.h>

#include "xmltree/IXMLTree.h"

struct SCompTemplate;

class CCurRuleDoc {
public:
    CCurRuleDoc() = default;
    CCurRuleDoc(const CCurRuleDoc&) = delete;
    CCurRuleDoc& operator=(const CCurRuleDoc&) = delete;

    // Loads, upgrades and rewrites the file at `strPath`; always true (an unreadable file leaves
    // the file name empty).
    bool Load(const CString& strPath);
    // Writes the records below the tree's "工程数据" to `strPath`. False when there is no tree,
    // it lacks "工程数据", a record's name is no element name, or the file could not be written;
    // the file is then unchanged.
    bool SaveTo(const CString& strPath);

    CString GetFileName() const { return m_strFileName; }
    const CString& GetVersion() const { return m_strVersion; }
    bool IsModified() const { return m_bModified; }
    void SetModified(bool bModified) { m_bModified = bModified; }

    // Whoever takes the records for writing may reorder or replace them, so the index below is
    // built again on its next use. Value edits that keep the index go through SetValueAt.
    std::vector<SRuleItem>& Items()
    {
        m_bIndexStale = true;
        return m_vecItems;
    }
    const std::vector<SRuleItem>& Items() const { return m_vecItems; }
    void SetValueAt(std::size_t nPos, const CString& strValue) { m_vecItems[nPos].strValue = strValue; }

    // Positions of the records of one component type, in document order; null when it has none.
    // The host asks for the rules of every item in turn, so a query must not walk all records.
    const std::vector<std::size_t>* PositionsOf(NS_KXComponentType::SCompGroupType compType) const;

    // The component type of the rules below a calculation-item element named `strCalItem` of the
    // component `tmpl`: the template's own list wins, else the last sub-template listing it.
    static NS_KXComponentType::SCompGroupType ResolveCompType(const SCompTemplate& tmpl,
                                                              const CString& strCalItem);
    // Old-format files listed the deductions of the brick mould with codes that were later split
    // into finer ones; maps them for a "KouJ" rule of "砖模".
    static void ConvertBrickMouldCodes(const CString& strCompName, SRuleItem& item);
    // Component type 18 was numbered 12 before version 25.1.0. Called only for such files.
    static void RenumberOldType(SRuleItem& item);

private:
    // What an older file's records need on the way in.
    struct SUpgrade {
        bool bOldFormat;  // no "RuleVer": codes and names of the old format
        bool bRenumber;   // before 25.1.0: component type 18 numbered 12
    };

    bool OpenFile();
    // Checks the document element and takes the file's version. False for no rule file.
    bool ReadRoot(bool& bOldFormat);
    // Reads the records, synced with the defaults when the file is older than the program. False
    // when it needed the defaults and the template parser had none.
    bool ReadRecords(bool bOldFormat);
    // Calls `onRecord(rule, component name, component type, item name)` for each rule element of
    // a component the templates know; `rule` answers GetNodeName, GetAttribute and GetValue for
    // it, from the outline or from the tree.
    template <typename OnRecord>
    void ForEachRecord(bool bOldFormat, OnRecord onRecord);
    template <typename OnRecord>
    void ForEachTreeRecord(bool bOldFormat, OnRecord& onRecord);
    void ReadProjectRecords(const SUpgrade& upgrade);
    // Gives each default the value of the file's record of the same key.
    void ReadValuesInto(const SUpgrade& upgrade, std::vector<SRuleItem>& vecDefaults);
    static void Upgrade(const SUpgrade& upgrade, const CString& strCompName, SRuleItem& item);
    // Writes the records in the templates' order of groups, components, sub-types and items
    // through `sink`: as nodes of the tree, or as text that the tree saves in their place.
    template <typename Sink>
    void WriteRecords(Sink& sink) const;
    static void ClearReadOnly(const CString& strPath);

    struct SCompTypeHash {
        std::size_t operator()(NS_KXComponentType::SCompGroupType compType) const noexcept
        {
            return std::hash<long long>{}((static_cast<long long>(compType.nTypeId) << 32) ^
                                          static_cast<unsigned>(compType.nSubTypeId));
        }
    };

    std::vector<SRuleItem> m_vecItems;
    CString m_strFileName;
    CString m_strVersion;
    bool m_bModified = false;
    std::unique_ptr<IXMLTree> m_pXMLTree;
    // Rule files nest groups, components, items and rules below the document element.
    static constexpr int kRuleDepth = 4;
    // The file's records while a load reads them, when the tree did not take them as nodes.
    kx::xml::Outline m_outline;
    // Component type -> positions in m_vecItems; valid while m_bIndexStale is false.
    mutable std::unordered_map<NS_KXComponentType::SCompGroupType, std::vector<std::size_t>, SCompTypeHash>
        m_mapPositions;
    mutable bool m_bIndexStale = true;
};
