// The bundled template parser: reads `Template\Templates.xml` of a system folder into component
// groups, component templates with their calculation items, and the system default rules.
#pragma once

#include <map>
#include <memory>
#include <unordered_map>
#include <vector>

#include <kxhost/HostServices.h>

class CTemplateParser final : public ITemplateParser {
public:
    // Everything one Templates.xml holds, with the indexes the lookups use.
    struct STemplateData {
        std::vector<std::unique_ptr<SCompTemplate>> vecOwned;  // components and sub-templates
        std::vector<std::unique_ptr<SCompGroupInfo>> vecGroups; // file order
        std::vector<std::vector<SCompTemplate*>> vecGroupComps; // parallel to vecGroups
        std::unordered_map<int, std::size_t> mapGroupIndex;     // group id -> index
        std::map<NS_KXComponentType::SCompGroupType, SCompTemplate*> mapByKey;
        std::unordered_map<CString, SCompTemplate*> mapByName;  // components only, first wins
        std::vector<SRuleItem> vecRules;                        // file order
    };

    bool Init(const CString& strSysDir) override;
    // The library is done with the parser; the templates stay, since rule documents may still ask.
    bool Release() override;
    SCompTemplate* GetCompTemplate(NS_KXComponentType::SCompGroupType compType) override;
    SCompTemplate* GetCompTemplateByName(const CString& strName) override;
    SCompGroupInfo* GetCompGroup(int nGroupId) override;
    bool GetSysRules(std::vector<SRuleItem>& vecRules) override;
    CString GetCalItemUnits(NS_KXComponentType::SCompGroupType compType, const CString& strItem) override;
    void GetGroupCompTemplates(int nGroupId, std::vector<SCompTemplate*>& vecTemplates) override;
    void GetCompGroups(std::vector<SCompGroupInfo*>& vecGroups, bool bAll) override;

    // Why the last load failed; empty after a successful one.
    const CString& LastError() const { return m_strLastError; }

private:
    // Loads from ISysCache::GetKXSysDir when nobody called Init yet.
    STemplateData& Data();
    bool Load(const CString& strSysDir);

    STemplateData m_data;
    bool m_bLoaded = false;
    CString m_strLastError;
};
