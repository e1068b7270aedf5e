// Rule sets: a project's rules as the host holds them once it has loaded the file, compared with
// another project's or with the installation's defaults, checked against the rule library and
// put right. Everything goes through indexes keyed by component type, sub-type, calculation item
// and rule: a project holds up to 100,000 rules, so nothing here rescans a document per rule.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "RuleFileTools.h"

namespace kxrule::ruleset {

using NS_KXComponentType::SCompGroupType;

struct RuleKey {
    SCompGroupType comp;
    CString item;
    CString rule;
    bool operator==(const RuleKey& other) const
    {
        return comp == other.comp && item == other.item && rule == other.rule;
    }
};

struct Rule {
    RuleKey key;
    CString value;
};

// A rule document's records in the order the library writes them; a key may stand more than once.
struct RuleDoc {
    std::string name; // the file, or "defaults"
    std::vector<Rule> rules;
};

// Where each key's records stand, in document order. The keys are not copied: the index refers
// to the rules, which must outlive it and stay where they are.
class RuleIndex {
public:
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);
    explicit RuleIndex(const std::vector<Rule>& rules);
    // The first record of `key`, then the next one of the same key after `pos`; npos at the end.
    std::size_t First(const RuleKey& key) const;
    std::size_t Next(std::size_t pos) const { return m_next[pos]; }

private:
    struct Hash {
        std::size_t operator()(const RuleKey* key) const noexcept;
    };
    struct Equal {
        bool operator()(const RuleKey* a, const RuleKey* b) const noexcept { return *a == *b; }
    };
    std::unordered_map<const RuleKey*, std::size_t, Hash, Equal> m_first;
    std::vector<std::size_t> m_next;
};

// The installation's rule library: the default rules and what each offers. The first record of
// a key decides, as it does for a value's display text.
class RuleLibrary {
public:
    // Whether the list code `code` of the rule `record` has a description.
    using Described = std::function<bool(const SRuleItem& record, const CString& code)>;
    RuleLibrary(std::vector<SRuleItem> records, Described described);
    // The rules the loaded templates deliver, with the descriptions of the installation.
    static RuleLibrary FromInstallation();

    const RuleDoc& Defaults() const { return m_defaults; }
    const RuleIndex& Index() const { return m_index; }
    // The record of `key`, or null when the library has no such rule.
    const SRuleItem* Find(const RuleKey& key) const;
    // The options of a record Find returned, split as the library splits them.
    const CStringArray& Options(const SRuleItem& record) const { return m_options[&record - m_records.data()]; }
    bool IsDescribed(const SRuleItem& record, const CString& code) const { return m_described(record, code); }

private:
    std::vector<SRuleItem> m_records;
    std::vector<CStringArray> m_options;
    RuleDoc m_defaults; // m_records' keys and values, in their order
    RuleIndex m_index;  // over m_defaults
    Described m_described;
};

// A rule file loaded as the host loads it (read, upgraded and synchronised with the defaults in
// memory) from a private copy: the file itself is written only by an explicit save. The library
// holds the copy as the current document of its rule type until something else is loaded.
// The templates must have been loaded.
class LoadedRuleFile {
public:
    LoadedRuleFile(const fs::path& file, KxSysRule::RuleType type);
    const std::optional<FileProblem>& problem() const { return m_opened.problem(); }
    const RuleDoc& doc() const { return m_doc; }
    const OpenedRuleFile& opened() const { return m_opened; }

private:
    OpenedRuleFile m_opened;
    RuleDoc m_doc;
};

// The records of the library's current document of `type`, for every calculation item the
// templates list. Records below items the templates no longer list are left out: no save keeps them.
std::vector<Rule> CurrentRules(KxSysRule::RuleType type);

// A rule whose values differ between two documents; nullopt on the side without the record.
// The n-th record of a key on one side is held against the n-th on the other.
struct Difference {
    RuleKey key;
    std::optional<CString> left, right;
};
// Grouped by component type and calculation item, in the left document's order, the right one's
// for groups the left one lacks.
std::vector<Difference> Diff(const RuleDoc& left, const RuleDoc& right);

enum class Problem : std::uint8_t {
    NotAnOption,   // a single-choice value that is not an option's index
    UnknownCode,   // a list code not among the rule's options
    NoDescription, // a list code without a description
    UnknownRule,   // a rule the library no longer has
    Duplicate,     // a record given again after the first of its key
    Missing,       // a rule the defaults have and the file lacks
};
const char* ProblemName(Problem problem);

struct Finding {
    Problem problem;
    RuleKey key;
    CString value; // the record's value; the default for Missing
    CString code;  // the list code at fault
};
// Findings of the records in document order, then the missing rules in the library's order.
std::vector<Finding> Check(const RuleDoc& doc, const RuleLibrary& library);

// What a fix did to one rule: its values before (every record of the key) and after (nullopt:
// removed, as the library does not have it).
struct FixedRule {
    RuleKey key;
    std::vector<CString> before;
    std::optional<CString> after;
};
// Gives every rule of a finding exactly one record with the library's default, or none when the
// library lacks the rule, and saves the result to `target` atomically through the library. The
// loaded copy is edited and loaded again, so the library's current document of `type` must still
// be the one `loaded` holds. False, with the reason, when nothing was written.
bool Fix(const LoadedRuleFile& loaded, const std::vector<Finding>& findings, const RuleLibrary& library,
         KxSysRule::RuleType type, const fs::path& target, std::vector<FixedRule>& fixed, std::string& error);

} // namespace kxrule::ruleset
