// Rule documents as the host holds them, their indexes, the rule library and the comparison.
#include "ruleset/RuleSet.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>
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

RuleIndex::RuleIndex(const std::vector<Rule>& rules)
    : m_rules(rules.data()), m_hash(rules.size()), m_next(rules.size(), kEnd), m_first(rules.size(), false)
{
    std::size_t slots = 16;
    while (slots < 2 * rules.size())
        slots *= 2;
    m_slots.assign(slots, kEnd);
    // Chained from the back, so that every chain runs in document order.
    for (std::size_t i = rules.size(); i-- > 0;) {
        m_hash[i] = HashOf(rules[i].key);
        std::uint32_t& slot = m_slots[Slot(rules[i].key, m_hash[i])];
        if (slot != kEnd) {
            m_next[i] = slot;
            m_first[slot] = false;
        }
        slot = static_cast<std::uint32_t>(i);
        m_first[i] = true;
    }
}

std::size_t RuleIndex::Slot(const RuleKey& key, std::size_t hash) const
{
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t s = hash & mask;; s = (s + 1) & mask) {
        const std::uint32_t pos = m_slots[s];
        if (pos == kEnd || (m_hash[pos] == hash && m_rules[pos].key == key))
            return s;
    }
}

std::size_t RuleIndex::First(const RuleKey& key) const
{
    const std::uint32_t pos = m_slots[Slot(key, HashOf(key))];
    return pos == kEnd ? npos : pos;
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
    struct ViewsHash {
        std::size_t operator()(const std::pair<std::wstring_view, std::wstring_view>& p) const noexcept
        {
            const std::hash<std::wstring_view> hash;
            return hash(p.first) * 31 + hash(p.second);
        }
    };
    std::unordered_map<std::pair<std::wstring_view, std::wstring_view>, std::uint32_t, ViewsHash> offers;
    m_offerOf.reserve(m_records.size());
    for (const SRuleItem& record : m_records) {
        const auto [it, added] = offers.try_emplace({record.strIniType, record.strOptions},
                                                    static_cast<std::uint32_t>(m_offers.size()));
        if (added) {
            Offer& offer = m_offers.emplace_back();
            SplitList(record.strOptions, offer.options, L',');
            offer.described.assign(offer.options.size(), -1);
        }
        m_offerOf.push_back(it->second);
    }
}

bool RuleLibrary::IsDescribed(const SRuleItem& record, std::size_t option) const
{
    const Offer& offer = OfferOf(record);
    if (offer.described[option] < 0)
        offer.described[option] = m_described(record, offer.options[option]) ? 1 : 0;
    return offer.described[option] == 1;
}

RuleLibrary RuleLibrary::FromInstallation()
{
    std::vector<SRuleItem> records;
    GetTemplateParser()->GetSysRules(records);
    auto described = [](const SRuleItem& record, const CString& code) {
        sCalItemDir dir;
        dir.compType = record.compType;
        dir.strCalItem = record.strCalItem;
        dir.strRuleName = record.strRuleName;
        // One code shows as "1、<description> ".
        CString text;
        CFaceCurRule::GetShowRuleText(dir, code, text);
        const std::size_t mark = text.find(L'、');
        return mark != CString::npos && text.find_first_not_of(L' ', mark + 1) != CString::npos;
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
            // An item's records carry the type of the component or sub-type that lists it, in the
            // order the library writes them: the component's items, then each sub-type's.
            auto add = [&](const SCompTemplate& owner, SCompGroupType key) {
                for (const SCalItemTemplate& item : owner.vecCalItems) {
                    if (!CFaceCurRule::GetCurItemRules(key, pairs, item.strName, type))
                        continue;
                    for (std::size_t i = 0; i + 1 < pairs.size(); i += 2)
                        rules.push_back({{key, item.strName, pairs[i]}, pairs[i + 1]});
                }
            };
            add(*tmpl, {tmpl->nTypeId, -1});
            for (const SCompTemplate* sub : tmpl->vecSubTemplates) {
                if (sub)
                    add(*sub, {tmpl->nTypeId, sub->nTypeId});
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
        if (leftIndex.IsFirst(i))
            compare(key, i, rightIndex.First(key));
    }
    for (std::size_t i = 0; i < right.rules.size(); ++i) {
        const RuleKey& key = right.rules[i].key;
        if (rightIndex.IsFirst(i) && leftIndex.First(key) == npos)
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

std::string Where(const RuleKey& key)
{
    const std::string name = ComponentName(key.comp);
    return (name.empty() ? "component type" : name) + " (" + KeyText(key.comp) + ") " + Narrow(key.item) + " " +
           Narrow(key.rule);
}

nlohmann::ordered_json KeyJson(const RuleKey& key)
{
    nlohmann::ordered_json json;
    json["typeId"] = key.comp.nTypeId;
    json["subTypeId"] = key.comp.nSubTypeId;
    json["comp"] = ComponentName(key.comp);
    json["item"] = Narrow(key.item);
    json["rule"] = Narrow(key.rule);
    return json;
}

} // namespace kxrule::ruleset
