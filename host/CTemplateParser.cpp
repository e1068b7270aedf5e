// Reading Templates.xml and answering the library's template queries from indexes: the library
// asks once per rule record, and rule files hold up to 100,000 records.
#include "CTemplateParser.h"

#include <cstdint>
#include <string>
#include <utility>

#include <kxhost/KxHost.h>

#include "common/StringUtil.h"
#include "platform/Platform.h"
#include "platform/Xml.h"

using NS_KXComponentType::SCompGroupType;

namespace {

// A fault in the template file, with the line of the element it was found at.
struct STemplateFault {
    long nLine;
    std::string strMessage;
};

std::string ElementText(const xmlNode* node) { return "<" + std::string(reinterpret_cast<const char*>(node->name)) + ">"; }

bool IsElement(const xmlNode* node, const char* name)
{
    return node->type == XML_ELEMENT_NODE && xmlStrEqual(node->name, reinterpret_cast<const xmlChar*>(name));
}

bool GetAttr(const xmlNode* node, const char* name, CString& value)
{
    kx::xml::CharPtr raw(xmlGetProp(node, reinterpret_cast<const xmlChar*>(name)));
    if (!raw)
        return false;
    value = kx::xml::ToWide(raw.get());
    return true;
}

CString OptionalAttr(const xmlNode* node, const char* name)
{
    CString value;
    GetAttr(node, name, value);
    return value;
}

CString RequiredAttr(const xmlNode* node, const char* name)
{
    CString value;
    if (!GetAttr(node, name, value))
        throw STemplateFault{xmlGetLineNo(node), ElementText(node) + " lacks the required attribute \"" + name + "\""};
    return value;
}

// A whole decimal int: blanks around it and a sign allowed, nothing else.
bool ParseInt(const CString& text, int& value)
{
    std::size_t i = 0, end = text.size();
    while (i < end && (text[i] == L' ' || text[i] == L'\t'))
        ++i;
    while (end > i && (text[end - 1] == L' ' || text[end - 1] == L'\t'))
        --end;
    bool negative = false;
    if (i < end && (text[i] == L'+' || text[i] == L'-'))
        negative = text[i++] == L'-';
    if (i == end)
        return false;
    std::int64_t n = 0;
    for (; i < end; ++i) {
        if (text[i] < L'0' || text[i] > L'9')
            return false;
        n = n * 10 + (text[i] - L'0');
        if (n > std::int64_t(INT32_MAX) + 1)
            return false;
    }
    if (negative)
        n = -n;
    if (n < INT32_MIN || n > INT32_MAX)
        return false;
    value = static_cast<int>(n);
    return true;
}

int NumberAttr(const xmlNode* node, const char* name, const CString& text)
{
    int value = 0;
    if (!ParseInt(text, value))
        throw STemplateFault{xmlGetLineNo(node), "\"" + std::string(name) + "\" of " + ElementText(node) +
                                                     " is not a number: \"" + kx::platform::ToUtf8(text) + "\""};
    return value;
}

int RequiredNumber(const xmlNode* node, const char* name) { return NumberAttr(node, name, RequiredAttr(node, name)); }

// Names that become element names of rule files must be valid ones, or saving a rule file fails.
CString ElementName(const xmlNode* node, const char* attr)
{
    CString name = RequiredAttr(node, attr);
    if (!kx::xml::IsValidName(name))
        throw STemplateFault{xmlGetLineNo(node), "\"" + std::string(attr) + "\" of " + ElementText(node) +
                                                     " is not a valid element name: \"" +
                                                     kx::platform::ToUtf8(name) + "\""};
    return name;
}

class CTemplateReader {
public:
    explicit CTemplateReader(CTemplateParser::STemplateData& data) : m_data(data) {}

    void Read(const xmlNode* root)
    {
        if (!IsElement(root, "Templates"))
            throw STemplateFault{xmlGetLineNo(root), "the document element is " + ElementText(root) +
                                                         ", expected <Templates>"};
        for (const xmlNode* child = root->children; child; child = child->next) {
            if (IsElement(child, "Group"))
                ReadGroup(child);
            else if (IsElement(child, "Rules"))
                ReadRules(child);
        }
    }

private:
    void ReadGroup(const xmlNode* node)
    {
        auto group = std::make_unique<SCompGroupInfo>();
        group->nGroupId = RequiredNumber(node, "id");
        group->strName = ElementName(node, "name");
        group->strDisplayName = OptionalAttr(node, "display");
        if (!m_data.mapGroupIndex.emplace(group->nGroupId, m_data.vecGroups.size()).second)
            throw STemplateFault{xmlGetLineNo(node), "duplicate group id " + std::to_string(group->nGroupId)};
        const int nGroupId = group->nGroupId;
        m_data.vecGroups.push_back(std::move(group));
        m_data.vecGroupComps.emplace_back();
        for (const xmlNode* child = node->children; child; child = child->next) {
            if (IsElement(child, "Comp"))
                m_data.vecGroupComps.back().push_back(ReadComp(child, nGroupId));
        }
    }

    SCompTemplate* ReadComp(const xmlNode* node, int nGroupId)
    {
        SCompTemplate* comp = NewTemplate();
        comp->strName = ElementName(node, "name");
        comp->nTypeId = RequiredNumber(node, "type");
        comp->nGroupId = nGroupId;
        if (!m_data.mapByKey.emplace(SCompGroupType{comp->nTypeId, -1}, comp).second)
            throw STemplateFault{xmlGetLineNo(node), "duplicate component type id " + std::to_string(comp->nTypeId)};
        m_data.mapByName.emplace(comp->strName, comp);
        for (const xmlNode* child = node->children; child; child = child->next) {
            if (IsElement(child, "Sub"))
                comp->vecSubTemplates.push_back(ReadSub(child, comp));
            else
                ReadContent(child, *comp);
        }
        return comp;
    }

    SCompTemplate* ReadSub(const xmlNode* node, SCompTemplate* parent)
    {
        SCompTemplate* sub = NewTemplate();
        sub->strName = RequiredAttr(node, "name");
        sub->nTypeId = RequiredNumber(node, "type");
        sub->nGroupId = parent->nGroupId;
        sub->pParent = parent;
        // -1 is the key of the component itself.
        if (sub->nTypeId == -1)
            throw STemplateFault{xmlGetLineNo(node), "sub-type id -1 is reserved for the component itself"};
        if (!m_data.mapByKey.emplace(SCompGroupType{parent->nTypeId, sub->nTypeId}, sub).second)
            throw STemplateFault{xmlGetLineNo(node), "duplicate sub-type id " + std::to_string(sub->nTypeId) +
                                                         " in component type " + std::to_string(parent->nTypeId)};
        for (const xmlNode* child = node->children; child; child = child->next) {
            if (IsElement(child, "Sub"))
                throw STemplateFault{xmlGetLineNo(child), "a sub-template cannot have sub-templates"};
            ReadContent(child, *sub);
        }
        return sub;
    }

    // The items and system variables of a component or sub-template.
    void ReadContent(const xmlNode* node, SCompTemplate& target)
    {
        if (IsElement(node, "Item")) {
            SCalItemTemplate item;
            item.strName = ElementName(node, "name");
            item.strUnits = OptionalAttr(node, "units");
            for (const xmlNode* child = node->children; child; child = child->next) {
                if (IsElement(child, "Attr"))
                    item.vecAttrs.push_back(ReadAttr(child));
            }
            target.arrItemNames.push_back(item.strName);
            target.vecCalItems.push_back(std::move(item));
        } else if (IsElement(node, "SysVar")) {
            SKXAttSysValue var;
            var.strName = OptionalAttr(node, "name");
            var.strCode = OptionalAttr(node, "code");
            var.strType = OptionalAttr(node, "type");
            var.strValue = OptionalAttr(node, "value");
            var.strDesc = OptionalAttr(node, "desc");
            target.vecSysValues.push_back(std::move(var));
        }
    }

    static SKXAttParamOneNode ReadAttr(const xmlNode* node)
    {
        SKXAttParamOneNode attr;
        attr.strName = OptionalAttr(node, "name");
        attr.strCode = OptionalAttr(node, "code");
        attr.strType = OptionalAttr(node, "type");
        attr.strDefValue = OptionalAttr(node, "default");
        SplitList(OptionalAttr(node, "values"), attr.arrValues);
        attr.strUnit = OptionalAttr(node, "unit");
        attr.strDesc = OptionalAttr(node, "desc");
        return attr;
    }

    void ReadRules(const xmlNode* node)
    {
        for (const xmlNode* child = node->children; child; child = child->next) {
            if (!IsElement(child, "Rule"))
                continue;
            SRuleItem rule;
            rule.compType.nTypeId = RequiredNumber(child, "type");
            CString sub;
            if (GetAttr(child, "sub", sub))
                rule.compType.nSubTypeId = NumberAttr(child, "sub", sub);
            rule.strCalItem = RequiredAttr(child, "item");
            rule.strRuleName = ElementName(child, "name");
            rule.strSelectType = OptionalAttr(child, "select");
            rule.strIniType = OptionalAttr(child, "ini");
            rule.strValue = OptionalAttr(child, "value");
            rule.strOptions = OptionalAttr(child, "options");
            rule.strText = OptionalAttr(child, "text");
            m_data.vecRules.push_back(std::move(rule));
        }
    }

    SCompTemplate* NewTemplate()
    {
        m_data.vecOwned.push_back(std::make_unique<SCompTemplate>());
        return m_data.vecOwned.back().get();
    }

    CTemplateParser::STemplateData& m_data;
};

const SCalItemTemplate* FindItem(const SCompTemplate& tmpl, const CString& strItem)
{
    for (const SCalItemTemplate& item : tmpl.vecCalItems) {
        if (item.strName == strItem)
            return &item;
    }
    return nullptr;
}

} // namespace

bool CTemplateParser::Load(const CString& strSysDir)
{
    m_bLoaded = true;
    m_data = STemplateData{};
    m_strLastError.clear();

    const std::string path = kx::platform::MapPath(strSysDir + L"\\Template\\Templates.xml");
    const auto fail = [&](long nLine, const std::string& message) {
        m_data = STemplateData{};
        std::string text = path;
        if (nLine > 0)
            text.append(":").append(std::to_string(nLine));
        text.append(": ").append(message);
        m_strLastError = kx::platform::FromUtf8(text);
        return false;
    };
    if (!kx::platform::IsRegularFile(path))
        return fail(0, "the template file is missing or cannot be read");
    kx::xml::ParseError error;
    kx::xml::DocPtr doc = kx::xml::ParseFile(path, &error);
    if (!doc)
        return fail(error.line, "XML syntax error: " + error.message);
    const xmlNode* root = xmlDocGetRootElement(doc.get());
    if (!root)
        return fail(0, "the template file has no document element");
    try {
        STemplateData data;
        CTemplateReader(data).Read(root);
        m_data = std::move(data);
    } catch (const STemplateFault& fault) {
        return fail(fault.nLine, fault.strMessage);
    }
    return true;
}

CTemplateParser::STemplateData& CTemplateParser::Data()
{
    if (!m_bLoaded)
        Load(ISysCache::GetKXSysDir());
    return m_data;
}

bool CTemplateParser::Init(const CString& strSysDir) { return Load(strSysDir); }

bool CTemplateParser::Release() { return true; }

SCompTemplate* CTemplateParser::GetCompTemplate(SCompGroupType compType)
{
    const auto& map = Data().mapByKey;
    const auto it = map.find(compType);
    return it == map.end() ? nullptr : it->second;
}

SCompTemplate* CTemplateParser::GetCompTemplateByName(const CString& strName)
{
    const auto& map = Data().mapByName;
    const auto it = map.find(strName);
    return it == map.end() ? nullptr : it->second;
}

SCompGroupInfo* CTemplateParser::GetCompGroup(int nGroupId)
{
    STemplateData& data = Data();
    const auto it = data.mapGroupIndex.find(nGroupId);
    return it == data.mapGroupIndex.end() ? nullptr : data.vecGroups[it->second].get();
}

bool CTemplateParser::GetSysRules(std::vector<SRuleItem>& vecRules)
{
    const auto& rules = Data().vecRules;
    vecRules.insert(vecRules.end(), rules.begin(), rules.end());
    return !rules.empty();
}

CString CTemplateParser::GetCalItemUnits(SCompGroupType compType, const CString& strItem)
{
    const SCompTemplate* tmpl = GetCompTemplate(compType);
    // A sub-type inherits the items of its component.
    for (; tmpl; tmpl = tmpl->pParent) {
        if (const SCalItemTemplate* item = FindItem(*tmpl, strItem))
            return item->strUnits;
    }
    return {};
}

void CTemplateParser::GetGroupCompTemplates(int nGroupId, std::vector<SCompTemplate*>& vecTemplates)
{
    STemplateData& data = Data();
    const auto it = data.mapGroupIndex.find(nGroupId);
    if (it == data.mapGroupIndex.end())
        return;
    const auto& comps = data.vecGroupComps[it->second];
    vecTemplates.insert(vecTemplates.end(), comps.begin(), comps.end());
}

void CTemplateParser::GetCompGroups(std::vector<SCompGroupInfo*>& vecGroups, bool /*bAll*/)
{
    for (const auto& group : Data().vecGroups)
        vecGroups.push_back(group.get());
}

namespace {

// Created once and never destroyed: the library releases the parser from a static destructor at
// unload, after this library's ordinary statics may already be gone. The static pointer keeps it
// reachable for leak checkers.
CTemplateParser* TheParser()
{
    static CTemplateParser* parser = new CTemplateParser;
    return parser;
}

} // namespace

ITemplateParser* GetTemplateParser() { return TheParser(); }

CString KxHost::LastTemplateError() { return TheParser()->LastError(); }
