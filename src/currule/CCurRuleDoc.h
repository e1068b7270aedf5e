// The project's current rules of one rule type: an ordered list of rule records, read from and
// written to the project's rule file through an IXMLTree. Every successful load upgrades the
// file to the program's version and rewrites it in the current layout.
#pragma once

#include <memory>
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
    // Rebuilds the tree from the records and writes it to `strPath`. False when there is no
    // tree, it lacks "工程数据", a record's name is no element name, or the file could not be
    // written; the file is then unchanged.
    bool SaveTo(const CString& strPath);

    CString GetFileName() const { return m_strFileName; }
    const CString& GetVersion() const { return m_strVersion; }
    bool IsModified() const { return m_bModified; }
    void SetModified(bool bModified) { m_bModified = bModified; }

    std::vector<SRuleItem>& Items() { return m_vecItems; }
    const std::vector<SRuleItem>& Items() const { return m_vecItems; }

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
    // Records not yet written by a save, indexed by (type id, calculation item).
    struct SPendingRecords;

    bool OpenFile();
    bool ParseTree();
    bool SyncWithDefaults();
    void WriteTemplateItems(const SCompTemplate& tmpl, SPendingRecords& pending, int nKeyTypeId);
    void WriteRule(const SRuleItem& item);
    static void ClearReadOnly(const CString& strPath);

    std::vector<SRuleItem> m_vecItems;
    CString m_strFileName;
    CString m_strVersion;
    bool m_bModified = false;
    std::unique_ptr<IXMLTree> m_pXMLTree;
};
