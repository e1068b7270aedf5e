// The installation's rule library: calculation-item codes, system default rules, rule option
// descriptions, units and attributes. Created on first use, released at unload.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include <kxsysrule/Types.h>

#include "platform/IniFile.h"
#include "sysrule/CCalItemTable.h"

class CSysDefRule {
public:
    static CSysDefRule* GetInstance();
    static void ReleaseInstance();

    ~CSysDefRule();
    CSysDefRule(const CSysDefRule&) = delete;
    CSysDefRule& operator=(const CSysDefRule&) = delete;

    bool LoadCalItemCodes();
    void SetRuleDir(const CString& strDir);
    void LoadSysRules();

    // Descriptions of `arrCodes` from RuleDesc.ini, one per code (empty when missing).
    bool GetRuleDescs(const CString& strSection, const CStringArray& arrCodes, CStringArray& arrDescs);
    // Appends the default records of one item of one component type; true when `out` is not empty.
    bool FindSysRules(NS_KXComponentType::SCompGroupType compType, const CString& strCalItem,
                      std::vector<SRuleItem>& out);
    // The last record of `vecItems` named `strRuleName`, or an empty record.
    SRuleItem FindRuleByName(const CString& strRuleName, const std::vector<SRuleItem>& vecItems);

    int GetCalItemCode(const CString& strName) const;
    CString GetCalItemName(int nCode) const;
    void GetAllCalItemNames(CStringArray& arrNames) const;

    bool GetItemUnits(NS_KXComponentType::SCompGroupType compType, int nCalItemCode, CStringArray& arrUnits);
    bool GetDefaultUnit(NS_KXComponentType::SCompGroupType compType, int nCalItemCode, CString& strUnit);
    bool ParseUnitType(const CString& strUnit, NS_KXComponentType::SCompGroupType compType, int nCalItemCode,
                       KXTJAttrSysDef::ETJSysDefUnitType& eType, int& nFactor);
    bool IsDWVailid(NS_KXComponentType::SCompGroupType compType, const CString& strCalItem, CString& strUnit);
    void getAttributes(NS_KXComponentType::SCompGroupType compType, const CString& strCalItem,
                       std::vector<SKXAttParamOneNode>& vecNodes);
    bool GetCalSysVariable(NS_KXComponentType::SCompGroupType compType, std::vector<SKXAttSysValue>& vecValues);

    bool GetShowRuleText(NS_KXComponentType::SCompGroupType compType, const CString& strCalItem,
                         const CString& strRuleName, const CString& strValue, CString& strText);

    bool UserSetRules(NS_KXComponentType::SCompGroupType compType, const CString& strCalItem,
                      CStringArray& arrRules, KxSysRule::RuleType type);
    // Builds and runs the rule-setting sheet (defined with the dialog; false without Qt).
    bool RunRuleSheet(NS_KXComponentType::SCompGroupType compType, const CString& strCalItem,
                      const std::vector<SRuleItem>& vecDefs, CStringArray& arrRules, KxSysRule::RuleType type);

    const CString& GetRuleDir() const { return m_strRuleDir; }
    const CCalItemTable& GetCalItemTable() const { return m_mapCalItem; }

private:
    CSysDefRule();

    // Key of the default records of one calculation item of one component type.
    struct SItemKey {
        NS_KXComponentType::SCompGroupType compType;
        CString strCalItem;
        friend bool operator==(const SItemKey&, const SItemKey&) = default;
    };
    struct SItemKeyHash {
        std::size_t operator()(const SItemKey& key) const;
    };

    // The parsed RuleDesc.ini. Its path is mapped again only when the file is not where it was.
    std::shared_ptr<const kx::platform::IniFile> LoadRuleDesc();
    // The first default record named `strRuleName` of one item, or null; no copies.
    const SRuleItem* FirstSysRule(NS_KXComponentType::SCompGroupType compType, const CString& strCalItem,
                                  const CString& strRuleName) const;

    // The one instance; owned through this pointer from GetInstance to ReleaseInstance.
    static CSysDefRule* s_pInstance;

    CString m_strRuleDir;
    std::string m_strRuleDescFsPath;
    std::vector<SRuleItem> m_vecSysRules;
    CCalItemTable m_mapCalItem;
    // Positions in m_vecSysRules of each item's records, in list order: the grid asks for the
    // records of every rule it shows.
    std::unordered_map<SItemKey, std::vector<std::size_t>, SItemKeyHash> m_mapRulesByItem;
};
