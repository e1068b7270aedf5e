// Checking a rule document against the rule library, and putting the findings right.
#include <algorithm>
#include <unordered_map>

#include "common/StringUtil.h"
#include "platform/Xml.h"
#include "ruleset/RuleSet.h"

namespace kxrule::ruleset {

namespace {

constexpr std::size_t npos = RuleIndex::npos;

// The index as the dialog writes it: plain decimal digits below the number of options.
bool IsOptionIndex(const CString& value, std::size_t options)
{
    if (value.empty() || value.size() > 9 || (value.size() > 1 && value[0] == L'0') ||
        !std::all_of(value.begin(), value.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; }))
        return false;
    return static_cast<std::size_t>(std::stol(value)) < options;
}

void CheckValue(const Rule& rule, const SRuleItem& record, const RuleLibrary& library, std::vector<Finding>& out)
{
    const bool single = record.strSelectType == L"S";
    if (!single && record.strSelectType != L"M")
        return;
    // A rule offering no options takes any value.
    const CStringArray& options = library.Options(record);
    if (options.empty())
        return;
    if (single) {
        if (!IsOptionIndex(rule.value, options.size()))
            out.push_back({Problem::NotAnOption, rule.key, rule.value, {}});
        return;
    }
    CStringArray codes;
    SplitList(rule.value, codes, L',');
    for (const CString& code : codes) {
        const auto option = std::find(options.begin(), options.end(), code);
        if (option == options.end())
            out.push_back({Problem::UnknownCode, rule.key, rule.value, code});
        else if (!library.IsDescribed(record, static_cast<std::size_t>(option - options.begin())))
            out.push_back({Problem::NoDescription, rule.key, rule.value, code});
    }
}

// How often each key stands before each record: 0 for the first of its key.
std::vector<std::size_t> Occurrences(const std::vector<Rule>& rules, const RuleIndex& index)
{
    std::vector<std::size_t> seen(rules.size(), 0);
    for (std::size_t i = 0; i < rules.size(); ++i) {
        if (!index.IsFirst(i))
            continue;
        std::size_t n = 0;
        for (std::size_t p = i; p != npos; p = index.Next(p))
            seen[p] = n++;
    }
    return seen;
}

std::size_t CountOf(const RuleIndex& index, const RuleKey& key)
{
    std::size_t n = 0;
    for (std::size_t p = index.First(key); p != npos; p = index.Next(p))
        ++n;
    return n;
}

} // namespace

const char* ProblemName(Problem problem)
{
    switch (problem) {
    case Problem::NotAnOption: return "not-an-option";
    case Problem::UnknownCode: return "unknown-code";
    case Problem::NoDescription: return "no-description";
    case Problem::UnknownRule: return "unknown-rule";
    case Problem::Duplicate: return "duplicate";
    case Problem::Missing: return "missing";
    }
    return "";
}

std::vector<Finding> Check(const RuleDoc& doc, const RuleLibrary& library)
{
    const RuleIndex index(doc.rules);
    const std::vector<std::size_t> occurrence = Occurrences(doc.rules, index);
    std::vector<Finding> findings;
    for (std::size_t i = 0; i < doc.rules.size(); ++i) {
        const Rule& rule = doc.rules[i];
        const SRuleItem* record = library.Find(rule.key);
        if (!record) {
            findings.push_back({Problem::UnknownRule, rule.key, rule.value, {}});
            continue;
        }
        // The defaults may give a key more than once: the sync gives the n-th record of a key
        // the n-th default's place.
        if (occurrence[i] > 0 && occurrence[i] >= CountOf(library.Index(), rule.key))
            findings.push_back({Problem::Duplicate, rule.key, rule.value, {}});
        CheckValue(rule, *record, library, findings);
    }
    const RuleDoc& defaults = library.Defaults();
    const std::vector<std::size_t> defaultOccurrence = Occurrences(defaults.rules, library.Index());
    for (std::size_t i = 0; i < defaults.rules.size(); ++i) {
        const Rule& rule = defaults.rules[i];
        if (defaultOccurrence[i] >= CountOf(index, rule.key))
            findings.push_back({Problem::Missing, rule.key, rule.value, {}});
    }
    return findings;
}

namespace {

std::string NameOf(const xmlNode* node) { return reinterpret_cast<const char*>(node->name); }

template <typename Fn>
void ForEachElement(xmlNode* parent, Fn fn)
{
    for (xmlNode* child = parent->children; child;) {
        xmlNode* next = child->next; // fn may unlink the child
        if (child->type == XML_ELEMENT_NODE)
            fn(child);
        child = next;
    }
}

// Replaces the text of an element; `text` is raw, not escaped.
void SetText(xmlNode* element, const CString& text)
{
    xmlNodeSetContent(element, nullptr);
    xmlNodeAddContent(element, kx::xml::X(Narrow(text)));
}

} // namespace

bool Fix(const LoadedRuleFile& loaded, const std::vector<Finding>& findings, const RuleLibrary& library,
         KxSysRule::RuleType type, const fs::path& target, std::vector<FixedRule>& fixed, std::string& error)
{
    fixed.clear();
    const TempRuleCopy& copy = loaded.opened().copy();
    // The library rewrote the copy when it loaded it: an element for every item of the templates,
    // below the elements of the groups and components, each record below its item.
    kx::xml::DocPtr xml = kx::xml::ParseFile(copy.file().string());
    xmlNode* root = xml ? xmlDocGetRootElement(xml.get()) : nullptr;
    if (!root) {
        error = loaded.doc().name + ": cannot read the working copy again; nothing written";
        return false;
    }
    std::unordered_map<std::string, xmlNode*> items; // "component\nitem" -> element
    ForEachElement(root, [&](xmlNode* group) {
        ForEachElement(group, [&](xmlNode* comp) {
            ForEachElement(comp, [&](xmlNode* item) { items.try_emplace(NameOf(comp) + '\n' + NameOf(item), item); });
        });
    });

    std::unordered_map<std::string, bool> done;
    for (const Finding& finding : findings) {
        const RuleKey& key = finding.key;
        const std::string rule = Narrow(key.rule);
        const std::string where = ComponentName({key.comp.nTypeId, -1}) + '\n' + Narrow(key.item);
        if (!done.try_emplace(where + '\n' + rule, true).second)
            continue;
        const auto it = items.find(where);
        if (it == items.end()) {
            error = loaded.doc().name + ": no element for " + KeyText(key.comp) + " \"" + Narrow(key.item) +
                    "\" in the working copy; nothing written";
            return false;
        }
        const SRuleItem* record = library.Find(key);
        FixedRule change{key, {}, {}};
        const RuleDoc& defaults = library.Defaults();
        for (std::size_t p = library.Index().First(key); p != npos; p = library.Index().Next(p))
            change.after.push_back(defaults.rules[p].value);
        // The records there are take the defaults in turn; the rest go, and defaults left over
        // get records of their own.
        std::size_t given = 0;
        ForEachElement(it->second, [&](xmlNode* element) {
            if (NameOf(element) != rule)
                return;
            kx::xml::CharPtr text(xmlNodeGetContent(element));
            change.before.push_back(kx::xml::ToWide(text.get()));
            if (given < change.after.size()) {
                SetText(element, change.after[given++]);
                return;
            }
            xmlUnlinkNode(element);
            xmlFreeNode(element);
        });
        for (; given < change.after.size(); ++given) {
            xmlNode* added = xmlNewChild(it->second, nullptr, kx::xml::X(rule), nullptr);
            xmlNewProp(added, kx::xml::X("classtype"), kx::xml::X("3"));
            xmlNewProp(added, kx::xml::X("selecttype"), kx::xml::X(Narrow(record->strSelectType)));
            xmlNewProp(added, kx::xml::X("initype"), kx::xml::X(Narrow(record->strIniType)));
            SetText(added, change.after[given]);
        }
        fixed.push_back(std::move(change));
    }

    // Loaded again as the host would load the edited file, then saved by the library.
    const fs::path edited = copy.file().parent_path() / "fixed.xml";
    if (!kx::xml::SaveFile(xml.get(), edited.string())) {
        error = loaded.doc().name + ": cannot write the working copy in " + edited.parent_path().string() +
                "; nothing written";
        return false;
    }
    const CString path = Wide(edited.string());
    CFaceCurRule::InitXMLData(path, type);
    if (CFaceCurRule::GetCurFileName(type) != path) {
        error = loaded.doc().name + ": the library could not read the fixed rules; nothing written";
        return false;
    }
    if (!CFaceCurRule::SaveXMLData(Wide(target.string()), type)) {
        error = SaveFailure(copy, target.string(), type) + "; it is unchanged";
        return false;
    }
    return true;
}

} // namespace kxrule::ruleset
