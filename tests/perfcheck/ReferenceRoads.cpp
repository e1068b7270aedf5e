#include "perfcheck/ReferenceRoads.h"

#include <algorithm>
#include <cwctype>
#include <sstream>

#include <kxhost/HostServices.h>

#include "platform/Platform.h"
#include "platform/Xml.h"

using NS_KXComponentType::SCompGroupType;

namespace perfcheck {

namespace {

CString Fold(CString s)
{
    while (!s.empty() && s.back() == L' ')
        s.pop_back();
    while (!s.empty() && s.front() == L' ')
        s.erase(0, 1);
    for (wchar_t& c : s)
        c = static_cast<wchar_t>(std::towlower(c));
    return s;
}

CString W(const xmlChar* s) { return s ? kx::platform::FromUtf8(reinterpret_cast<const char*>(s)) : CString(); }
std::string U8(const CString& s) { return kx::platform::ToUtf8(s); }

CString NodeName(const xmlNode* node)
{
    switch (node->type) {
    case XML_TEXT_NODE: return L"#text";
    case XML_COMMENT_NODE: return L"#comment";
    case XML_CDATA_SECTION_NODE: return L"#cdata-section";
    default: return W(node->name);
    }
}

bool Attr(xmlNode* node, const char* name, CString& value)
{
    if (node->type != XML_ELEMENT_NODE || !xmlHasProp(node, reinterpret_cast<const xmlChar*>(name)))
        return false;
    kx::xml::CharPtr text(xmlGetProp(node, reinterpret_cast<const xmlChar*>(name)));
    value = W(text.get());
    return true;
}

int IsInAry(const CString& s, const CStringArray& list)
{
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i] == s)
            return static_cast<int>(i);
    }
    return -1;
}

SCompGroupType ResolveCompType(const SCompTemplate& tmpl, const CString& item)
{
    SCompGroupType type{tmpl.nTypeId, -1};
    if (IsInAry(item, tmpl.arrItemNames) >= 0)
        return type;
    for (const SCompTemplate* sub : tmpl.vecSubTemplates) {
        if (IsInAry(item, sub->arrItemNames) >= 0)
            type.nSubTypeId = sub->nTypeId;
    }
    return type;
}

void ConvertBrickMould(const CString& comp, SRuleItem& item)
{
    if (item.strCalItem != L"砖模" || item.strIniType != L"KouJ")
        return;
    std::vector<long> codes;
    for (const CString& piece : RefSplit(item.strValue)) {
        const long code = RefWToL(piece);
        if (code == 43)
            codes.insert(codes.end(), {113, 114, 115});
        else if (code == 44)
            codes.insert(codes.end(), {116, 117, 118});
        else if (code == 46) {
            if (comp != L"砼条基")
                codes.insert(codes.end(), {119, 120, 121});
        } else if (code == 47)
            codes.insert(codes.end(), {122, 123});
        else if (code == 49) {
            if (comp != L"基础梁")
                codes.insert(codes.end(), {124, 125, 126});
        } else if (code == 101)
            codes.insert(codes.end(), {127, 128});
        else
            codes.push_back(code);
    }
    item.strValue.clear();
    for (std::size_t i = 0; i < codes.size(); ++i)
        item.strValue += (i ? L"," : L"") + std::to_wstring(codes[i]);
}

void AddBeamDeduction(const CString& comp, SRuleItem& item)
{
    if (comp != L"框架梁" && comp != L"次梁" && comp != L"独立梁" && comp != L"基础梁")
        return;
    if (item.strCalItem != L"实体模板" || item.strRuleName != L"扣减项目")
        return;
    if (IsInAry(L"1", RefSplit(item.strValue)) < 0)
        item.strValue = L"1," + item.strValue;
}

void SetRootAttr(std::vector<std::pair<CString, CString>>& attrs, const CString& name, const CString& value)
{
    for (auto& [n, v] : attrs) {
        if (n == name) {
            v = value;
            return;
        }
    }
    attrs.emplace_back(name, value);
}

void Cell(CStringArray& cells, const CString& text, const wchar_t* column)
{
    cells.push_back(text);
    cells.emplace_back(column);
}

} // namespace

RefIni::RefIni(const std::string& utf8Text)
{
    std::istringstream in(utf8Text);
    std::string line;
    std::map<CString, CString>* section = nullptr;
    while (std::getline(in, line)) {
        const CString text = kx::platform::FromUtf8(line);
        if (text.empty() || text[0] == L';')
            continue;
        if (text[0] == L'[') {
            section = &m_sections[Fold(text.substr(1, text.find(L']') - 1))];
            continue;
        }
        const std::size_t eq = text.find(L'=');
        if (section && eq != CString::npos)
            section->emplace(Fold(text.substr(0, eq)), text.substr(eq + 1));
    }
}

const CString* RefIni::Find(const CString& section, const CString& key) const
{
    const auto s = m_sections.find(Fold(section));
    if (s == m_sections.end())
        return nullptr;
    const auto k = s->second.find(Fold(key));
    return k == s->second.end() ? nullptr : &k->second;
}

CStringArray RefSplit(const CString& src)
{
    CStringArray pieces;
    CString piece;
    for (std::size_t i = 0; i < src.size(); ++i) {
        if (src[i] != L',') {
            piece += src[i];
        } else if (i > 0 && src[i - 1] == L'\\') {
            piece.back() = L',';
        } else {
            if (!piece.empty())
                pieces.push_back(piece);
            piece.clear();
        }
    }
    if (!piece.empty())
        pieces.push_back(piece);
    return pieces;
}

long RefWToL(const CString& s)
{
    std::size_t i = 0;
    while (i < s.size() && std::iswspace(s[i]))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == L'-' || s[i] == L'+'))
        negative = s[i++] == L'-';
    long long n = 0;
    for (; i < s.size() && s[i] >= L'0' && s[i] <= L'9'; ++i)
        n = std::min<long long>(n * 10 + (s[i] - L'0'), 1LL << 31);
    n = negative ? -n : n;
    return static_cast<long>(std::clamp<long long>(n, INT32_MIN, INT32_MAX));
}

int RefCompareVersion(const CString& a, const CString& b)
{
    auto parts = [](const CString& v) {
        std::vector<long> out;
        std::wistringstream in(v);
        CString piece;
        while (std::getline(in, piece, L'.'))
            out.push_back(RefWToL(piece));
        out.resize(3, 0);
        return out;
    };
    const auto pa = parts(a), pb = parts(b);
    for (int i = 0; i < 3; ++i) {
        if (pa[i] != pb[i])
            return pa[i] < pb[i] ? -1 : 1;
    }
    return 0;
}

RefDoc RefLoad(const std::string& fileBytes, const RefSystem& sys, const CString& strProgramVersion)
{
    RefDoc doc;
    kx::xml::DocPtr xml = kx::xml::ParseMemory(fileBytes);
    xmlNode* root = xmlDocGetRootElement(xml.get());
    for (xmlAttr* a = root->properties; a; a = a->next) {
        kx::xml::CharPtr value(xmlNodeGetContent(reinterpret_cast<xmlNode*>(a)));
        doc.vecRootAttrs.emplace_back(W(a->name), W(value.get()));
    }
    const bool bOld = !Attr(root, "RuleVer", doc.strVersion);
    if (bOld) {
        doc.strVersion = L"22.3.1";
        std::erase_if(doc.vecRootAttrs, [](const auto& a) {
            return a.first == L"classtype" || a.first == L"version" || a.first == L"projtype";
        });
    }
    const bool bRenumber = RefCompareVersion(doc.strVersion, L"25.1.0") < 0;

    ITemplateParser* parser = GetTemplateParser();
    for (xmlNode* group = root->children; group; group = group->next) {
        for (xmlNode* comp = group->type == XML_ELEMENT_NODE ? group->children : nullptr; comp; comp = comp->next) {
            const CString compName = NodeName(comp);
            const SCompTemplate* tmpl = parser->GetCompTemplateByName(compName);
            if (!tmpl)
                continue;
            for (xmlNode* item = comp->children; item; item = item->next) {
                CString itemName = NodeName(item);
                if (bOld && itemName == L"砖胎模")
                    itemName = L"砖模";
                const SCompGroupType type = ResolveCompType(*tmpl, itemName);
                for (xmlNode* rule = item->type == XML_ELEMENT_NODE ? item->children : nullptr; rule; rule = rule->next) {
                    SRuleItem rec;
                    rec.compType = type;
                    rec.strCalItem = itemName;
                    rec.strRuleName = NodeName(rule);
                    Attr(rule, "selecttype", rec.strSelectType);
                    Attr(rule, "initype", rec.strIniType);
                    kx::xml::CharPtr value(xmlNodeGetContent(rule));
                    rec.strValue = W(value.get());
                    if (bOld) {
                        ConvertBrickMould(compName, rec);
                        AddBeamDeduction(compName, rec);
                    }
                    if (bRenumber && rec.compType.nTypeId == 18)
                        rec.compType.nTypeId = 12;
                    doc.vecItems.push_back(rec);
                }
            }
        }
    }

    if (RefCompareVersion(doc.strVersion, strProgramVersion) < 0) {
        std::vector<SRuleItem> defaults = sys.vecDefaults;
        for (SRuleItem& def : defaults) {
            for (auto it = doc.vecItems.begin(); it != doc.vecItems.end(); ++it) {
                if (it->compType == def.compType && it->strCalItem == def.strCalItem &&
                    it->strRuleName == def.strRuleName) {
                    def.strValue = it->strValue;
                    doc.vecItems.erase(it);
                    break;
                }
            }
        }
        doc.vecItems = std::move(defaults);
        doc.strVersion = strProgramVersion;
    }
    SetRootAttr(doc.vecRootAttrs, L"RuleVer", doc.strVersion);
    SetRootAttr(doc.vecRootAttrs, L"classtype", L"10");
    return doc;
}

void RefWrite(const RefDoc& doc, kxbench::XmlDigest& xml)
{
    xml.Declaration("UTF-8");
    xml.Open("工程数据");
    for (const auto& [name, value] : doc.vecRootAttrs)
        xml.Attribute(U8(name), U8(value));
    std::vector<SRuleItem> copy = doc.vecItems;
    auto writeItems = [&](const SCompTemplate& tmpl, int typeId) {
        for (const SCalItemTemplate& item : tmpl.vecCalItems) {
            xml.Open(U8(item.strName));
            xml.Attribute("classtype", "2");
            for (auto it = copy.begin(); it != copy.end();) {
                if (it->compType.nTypeId != typeId || it->strCalItem != item.strName) {
                    ++it;
                    continue;
                }
                xml.Open(U8(it->strRuleName));
                xml.Attribute("classtype", "3");
                xml.Attribute("selecttype", U8(it->strSelectType));
                xml.Attribute("initype", U8(it->strIniType));
                if (!it->strValue.empty())
                    xml.Text(U8(it->strValue));
                xml.Close();
                it = copy.erase(it);
            }
            xml.Close();
        }
    };
    ITemplateParser* parser = GetTemplateParser();
    std::vector<SCompGroupInfo*> groups;
    parser->GetCompGroups(groups, true);
    for (const SCompGroupInfo* group : groups) {
        xml.Open(U8(group->strName));
        xml.Attribute("classtype", "1");
        std::vector<SCompTemplate*> templates;
        parser->GetGroupCompTemplates(group->nGroupId, templates);
        for (const SCompTemplate* tmpl : templates) {
            xml.Open(U8(tmpl->strName));
            xml.Attribute("classtype", "1");
            writeItems(*tmpl, tmpl->nTypeId);
            for (const SCompTemplate* sub : tmpl->vecSubTemplates)
                writeItems(*sub, tmpl->nTypeId);
            xml.Close();
        }
        xml.Close();
    }
    xml.Close();
}

bool RefGetItemRules(const std::vector<SRuleItem>& items, const sCalItemDir& dir, CStringArray& pairs)
{
    pairs.clear();
    if (dir.compType.nTypeId == -1)
        return false;
    for (const SRuleItem& item : items) {
        if (item.compType == dir.compType && (dir.strCalItem.empty() || item.strCalItem == dir.strCalItem) &&
            (dir.strRuleName.empty() || item.strRuleName == dir.strRuleName)) {
            pairs.push_back(item.strRuleName);
            pairs.push_back(item.strValue);
        }
    }
    return !pairs.empty();
}

bool RefSetItemRulesByKey(std::vector<SRuleItem>& items, SCompGroupType key, const CStringArray& pairs,
                          const CString& strCalItem)
{
    if (pairs.size() < 2 || key.nTypeId == -1)
        return false;
    for (SRuleItem& item : items) {
        const int pos = IsInAry(item.strRuleName, pairs);
        if (item.compType == key && pos >= 0 && static_cast<std::size_t>(pos) + 1 < pairs.size() &&
            (strCalItem.empty() || strCalItem == item.strCalItem))
            item.strValue = pairs[static_cast<std::size_t>(pos) + 1];
    }
    return true;
}

bool RefSetItemRulesByDir(std::vector<SRuleItem>& items, const sCalItemDir& dir, const CStringArray& pairs)
{
    if (pairs.size() < 2 || dir.compType.nTypeId == -1)
        return false;
    bool changed = false;
    for (SRuleItem& item : items) {
        if (!dir.strRuleName.empty() && dir.strRuleName != item.strRuleName)
            continue;
        const int pos = IsInAry(item.strRuleName, pairs);
        if (item.compType == dir.compType && pos >= 0 && static_cast<std::size_t>(pos) + 1 < pairs.size() &&
            (dir.strCalItem.empty() || dir.strCalItem == item.strCalItem)) {
            item.strValue = pairs[static_cast<std::size_t>(pos) + 1];
            changed = true;
        }
    }
    return changed;
}

bool RefFindSysRules(const RefSystem& sys, SCompGroupType comp, const CString& item, std::vector<SRuleItem>& out)
{
    if (comp.nTypeId == -1)
        return false;
    for (const SRuleItem& rule : sys.vecDefaults) {
        if (rule.compType == comp && rule.strCalItem == item)
            out.push_back(rule);
    }
    return !out.empty();
}

bool RefShowRuleText(const RefSystem& sys, SCompGroupType comp, const CString& item, const CString& rule,
                     const CString& value, CString& text)
{
    std::vector<SRuleItem> defs;
    if (!RefFindSysRules(sys, comp, item, defs))
        return false;
    const auto def = std::find_if(defs.begin(), defs.end(), [&](const SRuleItem& d) { return d.strRuleName == rule; });
    if (def == defs.end())
        return false;
    if (def->strSelectType == L"S") {
        const CStringArray options = RefSplit(def->strOptions);
        if (options.empty())
            return false;
        const long index = RefWToL(value);
        if (index < 0 || index >= static_cast<long>(options.size()))
            return false;
        const CString& option = options[static_cast<std::size_t>(index)];
        const std::size_t p = option.find(L'-');
        text = p != CString::npos && p > 0 ? option.substr(p + 1) : option;
        return true;
    }
    if (def->strSelectType == L"M") {
        if (def->strIniType.empty())
            return true;
        int n = 0;
        for (const CString& code : RefSplit(value)) {
            const CString* desc = sys.ruleDesc.Find(def->strIniType, L"TYPE" + code);
            text += std::to_wstring(++n) + L"、" + (desc ? *desc : CString()) + L" ";
        }
    }
    return true;
}

bool RefGrid(const RefSystem& sys, const std::vector<SRuleItem>& items, int nLayout, CStringArray& cells,
             CStringArray& titles, int& nKeyCols, int& nValueCols)
{
    nValueCols = 1;
    nKeyCols = 4;
    titles = {L"大构件", L"构件类型", L"计算项目", L"计算规则类型", L"本工程默认值"};
    cells = {L"计算规则数据", L"1"};
    if (items.empty())
        return false;
    ITemplateParser* parser = GetTemplateParser();
    auto typeName = [&](const SRuleItem& r) {
        const SCompTemplate* t = parser->GetCompTemplate({r.compType.nTypeId, -1});
        return t ? t->strName : CString();
    };
    auto groupName = [&](const SRuleItem& r) {
        const SCompTemplate* t = parser->GetCompTemplate({r.compType.nTypeId, -1});
        const SCompGroupInfo* g = t ? parser->GetCompGroup(t->nGroupId) : nullptr;
        return g ? g->strDisplayName : CString();
    };
    auto valueText = [&](const SRuleItem& r) {
        CString text;
        RefShowRuleText(sys, r.compType, r.strCalItem, r.strRuleName, r.strValue, text);
        return text;
    };

    if (nLayout == 0) {
        CString prevGroup, prevType, prevItem;
        for (std::size_t i = 0; i < items.size(); ++i) {
            const SRuleItem& r = items[i];
            const CString group = groupName(r), type = typeName(r);
            if (i == 0 || group != prevGroup) {
                Cell(cells, group, L"1");
                Cell(cells, type, L"2");
                Cell(cells, r.strCalItem, L"3");
            } else if (type != prevType) {
                Cell(cells, type, L"2");
                Cell(cells, r.strCalItem, L"3");
            } else if (r.strCalItem != prevItem) {
                Cell(cells, r.strCalItem, L"3");
            }
            Cell(cells, r.strRuleName, L"4");
            Cell(cells, valueText(r), L"5");
            prevGroup = group;
            prevType = type;
            prevItem = r.strCalItem;
        }
        return true;
    }

    // One forward pass per block: it emits its block and notes where the next block starts.
    std::vector<bool> emitted(items.size(), false);
    std::size_t start = 0;
    for (;;) {
        const CString block = items[start].strCalItem;
        std::size_t next = items.size();
        bool first = true;
        CString prevGroup, prevType;
        for (std::size_t i = start; i < items.size(); ++i) {
            if (emitted[i])
                continue;
            const SRuleItem& r = items[i];
            if (r.strCalItem != block) {
                next = std::min(next, i);
                continue;
            }
            emitted[i] = true;
            const CString group = groupName(r), type = typeName(r);
            if (first) {
                Cell(cells, r.strCalItem, L"1");
                Cell(cells, group, L"2");
                Cell(cells, type, L"3");
            } else if (group != prevGroup) {
                Cell(cells, group, L"2");
                Cell(cells, type, L"3");
            } else if (type != prevType) {
                Cell(cells, type, L"3");
            }
            Cell(cells, r.strRuleName, L"4");
            Cell(cells, valueText(r), L"5");
            first = false;
            prevGroup = group;
            prevType = type;
        }
        if (next == items.size())
            return true;
        start = next;
    }
}

void RefFenLeiWrite(const CKXCurDeFenLeiSet::FenLeiMap& map, kxbench::XmlDigest& xml)
{
    xml.Declaration("UTF-8");
    xml.Open("DeFenLeiSetInfo");
    xml.Attribute("version", "1");
    for (const auto& [key, items] : map) {
        xml.Open("Comp");
        xml.Attribute("TypeId", std::to_string(key.nTypeId));
        xml.Attribute("SubTypeId", std::to_string(key.nSubTypeId));
        for (const auto& item : items) {
            if (item.vecVarKey.empty())
                continue;
            xml.Open(U8(item.strCalcItem));
            for (const CString& varKey : item.vecVarKey) {
                xml.Open("Var");
                xml.Attribute("VarKey", U8(varKey));
                xml.Close();
            }
            xml.Close();
        }
        xml.Close();
    }
    xml.Close();
}

CKXCurDeFenLeiSet::FenLeiMap RefFenLeiReadBack(const CKXCurDeFenLeiSet::FenLeiMap& written)
{
    CKXCurDeFenLeiSet::FenLeiMap read;
    for (const auto& [key, items] : written) {
        std::vector<CKXCurDeFenLeiSet::SDeFenLeiSetInfo> kept;
        for (const auto& item : items) {
            if (!item.vecVarKey.empty())
                kept.push_back(item);
        }
        if (!kept.empty())
            read.emplace(key, std::move(kept));
    }
    return read;
}

std::vector<std::pair<int, CString>> RefCalItemWalk(const RefIni& ruleCode)
{
    auto integer = [&](const CString& section, const CString& key, int def) {
        const CString* v = ruleCode.Find(section, key);
        return v && !v->empty() ? static_cast<int>(RefWToL(*v)) : def;
    };
    // Insertion order; a code set again keeps its place.
    std::vector<std::pair<int, CString>> table;
    const int count = integer(L"main", L"RuleItemNum", 0);
    for (int i = 1; i <= count; ++i) {
        const CString section = L"ITEM" + std::to_wstring(i);
        const CString* name = ruleCode.Find(section, L"Name");
        const int code = integer(section, L"CODE", -1);
        auto it = std::find_if(table.begin(), table.end(), [&](const auto& e) { return e.first == code; });
        if (it != table.end())
            it->second = name ? *name : CString();
        else
            table.emplace_back(code, name ? *name : CString());
    }
    // Buckets in ascending order, each from its most recent entry back.
    std::vector<std::pair<int, CString>> walk;
    for (unsigned bucket = 0; bucket < 17; ++bucket) {
        for (auto it = table.rbegin(); it != table.rend(); ++it) {
            const auto h = static_cast<std::uint32_t>(static_cast<std::int64_t>(it->first) >> 4);
            if (h % 17 == bucket)
                walk.push_back(*it);
        }
    }
    return walk;
}

int RefCalItemCode(const RefIni& ruleCode, const CString& name)
{
    for (const auto& [code, n] : RefCalItemWalk(ruleCode)) {
        if (n == name)
            return code;
    }
    return -1;
}

} // namespace perfcheck
