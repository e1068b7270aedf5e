// Rule documents as the host holds them, their indexes, the rule library and the comparison.
#include "ruleset/RuleSet.h"

#include <algorithm>
#include <string_view>
#include <unordered_set>

#include <kxhost/HostServices.h>

#include "common/StringUtil.h"

namespace kxrule::ruleset {

namespace {

std::size_t HashOf(const RuleKey& key)
{
    std::size_t h = std::hash<std::wstring_view>{}(key.item);
    for (const std::size_t part : {std::hash<std::wstring_view>{}(key.rule), std::hash<int>{}(key.comp.nTypeId),
                                   std::hash<int>{}(key.comp.nSubTypeId)})
        h ^= part + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2);
    return h;
}

struct KeyHash {
    std::size_t operator()(const RuleKey& key) const noexcept { return HashOf(key); }
};

} // namespace

std::size_t RuleIndex::Hash::operator()(const RuleKey* key) const noexcept { return HashOf(*key); }

RuleIndex::RuleIndex(const std::vector<Rule>& rules) : m_next(rules.size(), npos)
{
    m_first.reserve(rules.size());
    // Chained from the back, so that every chain runs in document order.
    for (std::size_t i = rules.size(); i-- > 0;) {
        auto [it, added] = m_first.try_emplace(&rules[i].key, i);
        if (!added) {
            m_next[i] = it->second;
            it->second = i;
        }
    }
}

std::size_t RuleIndex::First(const RuleKey& key) const
{
    const auto it = m_first.find(&key);
    return it == m_first.end() ? npos : it->second;
}

namespace {

RuleDoc DefaultsOf(const std::vector<SRuleItem>& records)
{
    RuleDoc doc;
    doc.name = "defaults";
    doc.rules.reserve(records.size());
    for (const SRuleItem& record : records)
        doc.rules.push_back({{record.compType, record.strCalItem, record.strRuleName}, record.strValue});
    return doc;
}

} // namespace

RuleLibrary::RuleLibrary(std::vector<SRuleItem> records, Described described)
    : m_records(std::move(records)), m_defaults(DefaultsOf(m_records)), m_index(m_defaults.rules),
      m_described(std::move(described))
{
    m_options.resize(m_records.size());
    for (std::size_t i = 0; i < m_records.size(); ++i)
        SplitList(m_records[i].strOptions, m_options[i], L',');
}

RuleLibrary RuleLibrary::FromInstallation()
{
    std::vector<SRuleItem> records;
    GetTemplateParser()->GetSysRules(records);
    // A description belongs to the rule's code list and the code; the library reads it from the
    // installation's file on every call, so each is asked for once.
    auto known = std::make_shared<std::unordered_map<CString, bool>>();
    auto described = [known](const SRuleItem& record, const CString& code) {
        const auto [it, added] = known->try_emplace(record.strIniType + L'\n' + code, false);
        if (added) {
            sCalItemDir dir;
            dir.compType = record.compType;
            dir.strCalItem = record.strCalItem;
            dir.strRuleName = record.strRuleName;
            // One code shows as "1、<description> ".
            CString text;
            CFaceCurRule::GetShowRuleText(dir, code, text);
            const std::size_t mark = text.find(L'、');
            it->second = mark != CString::npos && text.find_first_not_of(L' ', mark + 1) != CString::npos;
        }
        return it->second;
    };
    return RuleLibrary(std::move(records), described);
}

const SRuleItem* RuleLibrary::Find(const RuleKey& key) const
{
    const std::size_t pos = m_index.First(key);
    return pos == RuleIndex::npos ? nullptr : &m_records[pos];
}

std::vector<Rule> CurrentRules(KxSysRule::RuleType type)
{
    std::vector<Rule> rules;
    ITemplateParser* parser = GetTemplateParser();
    std::vector<SCompGroupInfo*> groups;
    parser->GetCompGroups(groups, true);
    std::unordered_set<int> seen;
    CStringArray pairs;
    for (const SCompGroupInfo* group : groups) {
        if (!group)
            continue;
        std::vector<SCompTemplate*> templates;
        parser->GetGroupCompTemplates(group->nGroupId, templates);
        for (const SCompTemplate* tmpl : templates) {
            if (!tmpl || !seen.insert(tmpl->nTypeId).second)
                continue;
            // An item's records carry the component's type or one of its sub-types, whichever
            // lists the item; asking each is cheap, the library indexes records by type.
            std::vector<SCompGroupType> keys{{tmpl->nTypeId, -1}};
            for (const SCompTemplate* sub : tmpl->vecSubTemplates) {
                if (sub)
                    keys.push_back({tmpl->nTypeId, sub->nTypeId});
            }
            for (const CString& item : TemplateItems(keys.front())) {
                for (const SCompGroupType& key : keys) {
                    if (!CFaceCurRule::GetCurItemRules(key, pairs, item, type))
                        continue;
                    for (std::size_t i = 0; i + 1 < pairs.size(); i += 2)
                        rules.push_back({{key, item, pairs[i]}, pairs[i + 1]});
                }
            }
        }
    }
    return rules;
}

LoadedRuleFile::LoadedRuleFile(const fs::path& file, KxSysRule::RuleType type)
    : m_opened(file, type, "", false)
{
    m_doc.name = file.string();
    if (!m_opened.problem())
        m_doc.rules = CurrentRules(type);
}

std::vector<Difference> Diff(const RuleDoc& left, const RuleDoc& right)
{
    constexpr std::size_t npos = RuleIndex::npos;
    const RuleIndex leftIndex(left.rules);
    const RuleIndex rightIndex(right.rules);
    std::vector<Difference> differences;
    // Every key once, at its first record on the side that has it first.
    auto compare = [&](const RuleKey& key, std::size_t l, std::size_t r) {
        while (l != npos || r != npos) {
            const CString* lv = l != npos ? &left.rules[l].value : nullptr;
            const CString* rv = r != npos ? &right.rules[r].value : nullptr;
            if (!lv || !rv || *lv != *rv)
                differences.push_back({key, lv ? std::optional(*lv) : std::nullopt,
                                       rv ? std::optional(*rv) : std::nullopt});
            l = l != npos ? leftIndex.Next(l) : npos;
            r = r != npos ? rightIndex.Next(r) : npos;
        }
    };
    for (std::size_t i = 0; i < left.rules.size(); ++i) {
        const RuleKey& key = left.rules[i].key;
        if (leftIndex.First(key) == i)
            compare(key, i, rightIndex.First(key));
    }
    for (std::size_t i = 0; i < right.rules.size(); ++i) {
        const RuleKey& key = right.rules[i].key;
        if (rightIndex.First(key) == i && leftIndex.First(key) == npos)
            compare(key, npos, i);
    }
    // A right-only rule joins the group of its component type and item.
    std::unordered_map<RuleKey, std::size_t, KeyHash> groups;
    std::vector<std::size_t> groupOf(differences.size()), order(differences.size());
    for (std::size_t i = 0; i < differences.size(); ++i) {
        const RuleKey& key = differences[i].key;
        groupOf[i] = groups.try_emplace({key.comp, key.item, {}}, groups.size()).first->second;
        order[i] = i;
    }
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return groupOf[a] < groupOf[b]; });
    std::vector<Difference> grouped;
    grouped.reserve(differences.size());
    for (const std::size_t i : order)
        grouped.push_back(std::move(differences[i]));
    return grouped;
}

} // namespace kxrule::ruleset
