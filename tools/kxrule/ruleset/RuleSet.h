// Rule sets: a project's rules as the host holds them once it has loaded the file, compared with
// another project's or with the installation's defaults, checked against the rule library and
// put right. Everything goes through indexes keyed by component type, sub-type, calculation item
// and rule: a project holds up to 100,000 rules, so nothing here rescans a document per rule.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

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

// Where each key's records stand, in document order: an open-addressing table of each key's first
// record over the rules' hashes, computed once, and a chain to the next record of the same key.
// Flat arrays: a node per key would cost 100,000 allocations for a large document. The keys are
// not copied: the rules' storage must outlive the index and stay where it is (their vector may
// be moved, which keeps its storage, but not changed).
class RuleIndex {
public:
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);
    explicit RuleIndex(const std::vector<Rule>& rules);
    // The first record of `key`, then the next one of the same key after `pos`; npos at the end.
    std::size_t First(const RuleKey& key) const;
    std::size_t Next(std::size_t pos) const { return m_next[pos] == kEnd ? npos : m_next[pos]; }
    // Whether the record at `pos` is the first of its key.
    bool IsFirst(std::size_t pos) const { return m_first[pos]; }

private:
    static constexpr std::uint32_t kEnd = 0xFFFFFFFFu;
    // The slot holding the first record of `key` (hash `hash`), or the empty slot where it would go.
    std::size_t Slot(const RuleKey& key, std::size_t hash) const;

    const Rule* m_rules;
    std::vector<std::size_t> m_hash;
    std::vector<std::uint32_t> m_slots;
    std::vector<std::uint32_t> m_next;
    std::vector<bool> m_first;
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
    const CStringArray& Options(const SRuleItem& record) const { return OfferOf(record).options; }
    // Whether the list code Options(record)[option] of a record Find returned has a description.
    bool IsDescribed(const SRuleItem& record, std::size_t option) const;

private:
    // What rules of the same code list and options offer: asked once, not once per rule.
    struct Offer {
        CStringArray options;
        mutable std::vector<std::int8_t> described; // -1 not yet asked
    };
    const Offer& OfferOf(const SRuleItem& record) const { return m_offers[m_offerOf[&record - m_records.data()]]; }

    std::vector<SRuleItem> m_records;
    std::vector<Offer> m_offers;
    std::vector<std::uint32_t> m_offerOf; // per record
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

// What a fix did to one rule: its values before and after, every record of the key (none after:
// removed, as the library does not have it).
struct FixedRule {
    RuleKey key;
    std::vector<CString> before;
    std::vector<CString> after;
};
// Gives every rule of a finding the records the defaults give it (mostly one), or none when the
// library lacks the rule, and saves the result to `target` atomically through the library. The
// loaded copy is edited and loaded again, so the library's current document of `type` must still
// be the one `loaded` holds. False, with the reason, when nothing was written.
bool Fix(const LoadedRuleFile& loaded, const std::vector<Finding>& findings, const RuleLibrary& library,
         KxSysRule::RuleType type, const fs::path& target, std::vector<FixedRule>& fixed, std::string& error);

// A rule set as JSON, to carry a house standard from project to project: {"version": the program
// version that wrote it, "type": the rule type, "rules": {"<component> (<type>[:<sub-type>])":
// {"<item>": {"<rule>": "<value>"}}}}. The ids in the parentheses decide; the names are for
// people. A rule given twice in the document is written with its first value.
nlohmann::ordered_json ToJson(const RuleDoc& doc, int type);

// A rule set read back, each value with where it stood in the JSON for messages.
struct Standard {
    std::string version;
    int type = 0;
    std::vector<Rule> rules;
    std::vector<std::string> where; // per rule: /rules/<component>/<item>/<rule>
};
// False, with the reason, when `text` is not JSON or not of the shape ToJson writes.
bool ReadStandard(const std::string& text, Standard& standard, std::string& error);

// What applying a standard did to one file: values changed, values that were already so, and
// the rules that did not apply, each with why.
struct Applied {
    struct Change {
        RuleKey key;
        CString before, after;
    };
    struct Refusal {
        std::size_t rule; // in the standard
        std::string why;
    };
    std::vector<Change> changed;
    std::size_t unchanged = 0;
    std::vector<Refusal> refused;
};
// Why each rule of `standard` cannot go into any file: a rule the library lacks, a value it does
// not offer; empty strings for those that can.
std::vector<std::string> Refusals(const Standard& standard, const RuleLibrary& library);
// Sets the standard's values in the library's current document of `type`, which must be the one
// `loaded` holds; `refusals` from Refusals. Rules the file lacks are refused. Nothing is saved.
Applied Apply(const Standard& standard, const std::vector<std::string>& refusals, const LoadedRuleFile& loaded,
              KxSysRule::RuleType type);

// What a rule report states above its table.
struct ReportHead {
    std::string file;           // as the user named it
    std::string fileVersion;    // the version the file carries on disk
    std::string programVersion; // the version it was read as
    std::string ruleType;       // e.g. "type 0"
    std::string date;           // when the report was made
};
// The rule table of `doc` as one self-contained HTML page: the rows and merged cells of the host's
// grid by component (group, type, calculation item, rule, value), each value with its display
// text and stored code, those that differ from the library's defaults marked with the default
// below them.
std::string ReportHtml(const RuleDoc& doc, const RuleLibrary& library, const ReportHead& head);

// How the commands name a rule: "框架梁 (12) 体积 扣减项目" in text, its parts as JSON members.
std::string Where(const RuleKey& key);
nlohmann::ordered_json KeyJson(const RuleKey& key);

} // namespace kxrule::ruleset
