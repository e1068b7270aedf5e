// The services the library needs from its host: directories and version, string utilities and
// the template parser. KxHostServices is a small stand-in; a host with services of its own ships
// its own libKxHostServices.so exporting the same symbols.
#pragma once

#include <vector>

#include <kxsysrule/Types.h>

class KXHOST_API ISysCache {
public:
    static CString GetKXSysDir();    // system directory, without a trailing separator
    static CString GetCurProjDir();  // project directory, without a trailing separator
};

class KXHOST_API CISysdata {
public:
    static CString GetVersion();     // program version, dotted numbers
};

class KXHOST_API CStringDisposeTool {
public:
    // Compares the first `count` dotted numbers numerically; <0 older, 0 equal, >0 newer.
    static int CompareVersion(const CString& a, const CString& b, int count);
    // Position of the first element equal to `s`, -1 when absent.
    static int IsInAry(const CString& s, const CStringArray& list);
};

// A calculation item of a component template.
struct SCalItemTemplate {
    CString strName;
    CString strUnits;                           // comma-separated, the first is the default
    std::vector<SKXAttParamOneNode> vecAttrs;
};

struct SCompTemplate {
    CString strName;
    int nTypeId = -1;                           // for a sub-template: the nSubTypeId
    int nGroupId = -1;
    std::vector<SCalItemTemplate> vecCalItems;
    std::vector<SKXAttSysValue> vecSysValues;
    CStringArray arrItemNames;                  // names of this template's own items
    std::vector<SCompTemplate*> vecSubTemplates; // owned by the parser
    SCompTemplate* pParent = nullptr;           // set on sub-templates
};

struct SCompGroupInfo {
    CString strName;                            // element name in rule files
    int nGroupId = -1;
    CString strDisplayName;                     // shown to the user
};

class KXHOST_API ITemplateParser {
public:
    virtual ~ITemplateParser() = default;
    virtual bool Init(const CString& strSysDir) = 0;
    virtual bool Release() = 0;
    virtual SCompTemplate* GetCompTemplate(NS_KXComponentType::SCompGroupType compType) = 0;
    virtual SCompTemplate* GetCompTemplateByName(const CString& strName) = 0;
    virtual SCompGroupInfo* GetCompGroup(int nGroupId) = 0;
    virtual bool GetSysRules(std::vector<SRuleItem>& vecRules) = 0;
    virtual CString GetCalItemUnits(NS_KXComponentType::SCompGroupType compType, const CString& strItem) = 0;
    virtual void GetGroupCompTemplates(int nGroupId, std::vector<SCompTemplate*>& vecTemplates) = 0;
    virtual void GetCompGroups(std::vector<SCompGroupInfo*>& vecGroups, bool bAll) = 0;
};

// The process-wide template parser; never freed by the caller. It reads <sysdir>\Template\Templates.xml
// on Init(sysdir), or from ISysCache::GetKXSysDir() on its first use when nobody called Init; each
// Init reloads. Release() keeps the templates, so the parser stays usable. Delivered pointers stay
// valid until the next Init.
KXHOST_API ITemplateParser* GetTemplateParser();
