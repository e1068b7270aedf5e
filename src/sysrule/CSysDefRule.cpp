// The rule library singleton: loading, the default records of an item and rule descriptions.
#include "sysrule/CSysDefRule.h"

#include <kxhost/HostServices.h>

#include "platform/IniFile.h"
#include "platform/Platform.h"
#include "sysrule/RuleCodeIni.h"

CSysDefRule* CSysDefRule::s_pInstance = nullptr;

std::size_t CSysDefRule::SItemKeyHash::operator()(const SItemKey& key) const
{
    std::size_t h = std::hash<CString>{}(key.strCalItem);
    h ^= std::hash<int>{}(key.compType.nTypeId) + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2);
    h ^= std::hash<int>{}(key.compType.nSubTypeId) + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2);
    return h;
}

CSysDefRule::CSysDefRule()
{
    LoadCalItemCodes();
}

CSysDefRule::~CSysDefRule()
{
    m_mapCalItem.RemoveAll();
    if (s_pInstance == this)
        s_pInstance = nullptr;
}

CSysDefRule* CSysDefRule::GetInstance()
{
    if (s_pInstance)
        return s_pInstance;
    // Stored before the steps below, which may already ask for the instance.
    s_pInstance = new CSysDefRule();
    const CString strSysDir = ISysCache::GetKXSysDir();
    s_pInstance->SetRuleDir(strSysDir + L"\\rule");
    if (ITemplateParser* parser = GetTemplateParser())
        parser->Init(strSysDir);
    s_pInstance->LoadSysRules();
    return s_pInstance;
}

void CSysDefRule::ReleaseInstance()
{
    if (!s_pInstance)
        return;
    s_pInstance->m_vecSysRules.clear();
    s_pInstance->m_mapRulesByItem.clear();
    if (ITemplateParser* parser = GetTemplateParser())
        parser->Release();
    delete s_pInstance;
    s_pInstance = nullptr;
}

bool CSysDefRule::LoadCalItemCodes()
{
    const CString strPath = ISysCache::GetKXSysDir() + L"\\Rule\\" + L"RuleCode.ini";
    return kx::sysrule::ReadRuleCodeIni(kx::platform::MapPath(strPath), m_mapCalItem);
}

void CSysDefRule::SetRuleDir(const CString& strDir)
{
    m_strRuleDir = strDir;
    m_strRuleDescFsPath.clear();
}

std::shared_ptr<const kx::platform::IniFile> CSysDefRule::LoadRuleDesc()
{
    // The grid asks once per rule; mapping a path searches folders when the letter case differs,
    // so the mapped path is kept while the file is found there.
    bool bExists = false;
    if (!m_strRuleDescFsPath.empty()) {
        auto ini = kx::platform::LoadIniFile(m_strRuleDescFsPath, bExists);
        if (bExists)
            return ini;
    }
    m_strRuleDescFsPath = kx::platform::MapPath(m_strRuleDir + L"\\" + L"RuleDesc.ini");
    return kx::platform::LoadIniFile(m_strRuleDescFsPath, bExists);
}

void CSysDefRule::LoadSysRules()
{
    if (ITemplateParser* parser = GetTemplateParser())
        parser->GetSysRules(m_vecSysRules);
    m_mapRulesByItem.clear();
    for (std::size_t i = 0; i < m_vecSysRules.size(); ++i) {
        const SRuleItem& rule = m_vecSysRules[i];
        m_mapRulesByItem[SItemKey{rule.compType, rule.strCalItem}].push_back(i);
    }
}

bool CSysDefRule::GetRuleDescs(const CString& strSection, const CStringArray& arrCodes, CStringArray& arrDescs)
{
    arrDescs.clear();
    if (strSection.empty())
        return false;
    // Read on every call, so that an edited file is seen; the cache parses it again only then.
    const auto ini = LoadRuleDesc();
    arrDescs.reserve(arrCodes.size());
    for (const CString& strCode : arrCodes)
        arrDescs.push_back(kx::platform::ReadProfileString(*ini, strSection, L"TYPE" + strCode, L""));
    return true;
}

bool CSysDefRule::FindSysRules(NS_KXComponentType::SCompGroupType compType, const CString& strCalItem,
                               std::vector<SRuleItem>& out)
{
    if (compType.nTypeId == -1)
        return false;
    if (const auto it = m_mapRulesByItem.find(SItemKey{compType, strCalItem}); it != m_mapRulesByItem.end()) {
        for (const std::size_t pos : it->second)
            out.push_back(m_vecSysRules[pos]);
    }
    return !out.empty();
}

const SRuleItem* CSysDefRule::FirstSysRule(NS_KXComponentType::SCompGroupType compType, const CString& strCalItem,
                                           const CString& strRuleName) const
{
    if (compType.nTypeId == -1)
        return nullptr;
    const auto it = m_mapRulesByItem.find(SItemKey{compType, strCalItem});
    if (it == m_mapRulesByItem.end())
        return nullptr;
    for (const std::size_t pos : it->second) {
        if (m_vecSysRules[pos].strRuleName == strRuleName)
            return &m_vecSysRules[pos];
    }
    return nullptr;
}

SRuleItem CSysDefRule::FindRuleByName(const CString& strRuleName, const std::vector<SRuleItem>& vecItems)
{
    SRuleItem result;
    for (const SRuleItem& item : vecItems) {
        if (item.strRuleName == strRuleName)
            result = item;
    }
    return result;
}

int CSysDefRule::GetCalItemCode(const CString& strName) const { return m_mapCalItem.CodeOf(strName); }

CString CSysDefRule::GetCalItemName(int nCode) const
{
    const CString* name = m_mapCalItem.Find(nCode);
    return name ? *name : CString();
}

void CSysDefRule::GetAllCalItemNames(CStringArray& arrNames) const
{
    arrNames.reserve(arrNames.size() + m_mapCalItem.GetCount());
    m_mapCalItem.ForEach([&](int, const CString& strName) { arrNames.push_back(strName); });
}

bool CSysDefRule::UserSetRules(NS_KXComponentType::SCompGroupType compType, const CString& strCalItem,
                               CStringArray& arrRules, KxSysRule::RuleType type)
{
    if (arrRules.size() < 2)
        return false;
    std::vector<SRuleItem> vecDefs;
    if (!FindSysRules(compType, strCalItem, vecDefs))
        return false;
    return RunRuleSheet(compType, strCalItem, vecDefs, arrRules, type);
}
