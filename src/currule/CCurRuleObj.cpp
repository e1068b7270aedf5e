// The registry of the three rule documents, the file-level operations behind CFaceCurRule and
// the host's rule-action function.
#include "currule/CCurRuleObj.h"

RuleActionFn g_pfnRuleAction = nullptr;

namespace {
CCurRuleObj* s_pInstance = nullptr;
} // namespace

CCurRuleObj* CCurRuleObj::GetInstance()
{
    if (!s_pInstance)
        s_pInstance = new CCurRuleObj;
    return s_pInstance;
}

void CCurRuleObj::ReleaseInstance()
{
    delete s_pInstance;
    s_pInstance = nullptr;
}

// Whoever deletes the registry, the pointer must not outlive it.
CCurRuleObj::~CCurRuleObj()
{
    if (s_pInstance == this)
        s_pInstance = nullptr;
}

CCurRuleDoc* CCurRuleObj::GetDoc(KxSysRule::RuleType type)
{
    switch (static_cast<int>(type)) {
    case 0: return &m_doc0;
    case 1: return &m_doc1;
    case 2: return &m_doc2;
    default: return nullptr;
    }
}

bool CCurRuleObj::SetModified(bool bModified, KxSysRule::RuleType type)
{
    CCurRuleDoc* pDoc = GetDoc(type);
    if (!pDoc)
        return false;
    pDoc->SetModified(bModified);
    return true;
}

bool CCurRuleObj::InitXMLData(const CString& strPath, KxSysRule::RuleType type)
{
    CCurRuleDoc* pDoc = GetDoc(type);
    if (!pDoc)
        return false;
    // The host calls this whenever it opens a view; the loaded file is not read twice.
    if (pDoc->GetFileName() == strPath)
        return false;
    const CString strLoad = strPath == L"-1" ? pDoc->GetFileName() : strPath;
    pDoc->Load(strLoad);
    pDoc->SetModified(false);
    return true;
}

bool CCurRuleObj::SaveXMLData(const CString& strPath, KxSysRule::RuleType type)
{
    CCurRuleDoc* pDoc = GetDoc(type);
    if (!pDoc)
        return false;
    // Cleared whatever the outcome: the host does not retry a failed save of the same state.
    pDoc->SetModified(false);
    if (!pDoc->SaveTo(strPath))
        return false;
    pDoc->SetModified(false);
    return true;
}

bool CCurRuleObj::IsModified(KxSysRule::RuleType type)
{
    const CCurRuleDoc* pDoc = GetDoc(type);
    return pDoc && pDoc->IsModified();
}

CString CCurRuleObj::GetCurFileName(KxSysRule::RuleType type)
{
    const CCurRuleDoc* pDoc = GetDoc(type);
    return pDoc ? pDoc->GetFileName() : CString();
}

void CCurRuleObj::SetRuleAction(RuleActionFn pfnAction) { g_pfnRuleAction = pfnAction; }

bool CCurRuleObj::RefressDefRule()
{
    if (!g_pfnRuleAction)
        return false;
    g_pfnRuleAction(0, 1, false);
    g_pfnRuleAction(1, 1, false);
    return true;
}

bool CCurRuleObj::ActionRule(int n1, int n2)
{
    if (!g_pfnRuleAction)
        return false;
    return g_pfnRuleAction(n1, n2, true);
}
