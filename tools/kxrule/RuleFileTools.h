// What the rule-file subcommands (upgrade, demo, rules, set, edit, grid, diff, check) share: checking a rule file
// before the library sees it, working on a private copy so that the project file is written only
// when an operation succeeded, summarising a rule file, and aligned text output.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Command.h"

namespace kxrule {

namespace fs = std::filesystem;

// Why a file cannot be loaded as a rule file, and which exit code that deserves.
struct FileProblem {
    std::string message;
    int exitCode = kExitFailed;
    bool notRuleFile = false; // readable, but not a rule file: a folder upgrade skips it
};

// What the document element of a rule file says.
struct RuleFileHead {
    bool oldFormat = false; // no "RuleVer"
    std::string version;    // "RuleVer", empty for the old format
    std::string Describe() const { return oldFormat ? "(old format)" : version; }
};

// Checks that `path` is a readable rule file: an existing regular file, well-formed XML, document
// element "工程数据" with ruletype="1". The library would silently keep or drop such files.
std::optional<FileProblem> CheckRuleFile(const fs::path& path, RuleFileHead& head);

// Loads the templates of the system folder; false (with the reason) when they are missing or
// broken, since a load or save against empty templates would drop every rule.
bool LoadTemplates(std::string& error);

// Library messages go to standard error instead of a window.
void RouteMessagesToStderr();

// A copy of a rule file in a private temporary folder, removed with the object.
class TempRuleCopy {
public:
    explicit TempRuleCopy(const fs::path& source);
    ~TempRuleCopy();
    TempRuleCopy(const TempRuleCopy&) = delete;
    TempRuleCopy& operator=(const TempRuleCopy&) = delete;

    bool ok() const { return !m_file.empty(); }
    const fs::path& file() const { return m_file; }

private:
    fs::path m_dir;
    fs::path m_file;
};

// A file to work on, and whether a folder argument led to it: in a folder, files that are not
// rule files are skipped and counted rather than failed.
struct FileJob {
    fs::path path;
    bool inFolder = false;
};
// Fails with `code` on the first of `paths` that does not exist, before anything is read or
// written; kExitOk when all do.
int CheckPathsExist(const std::vector<std::string>& paths, int code);
// The files the arguments name: a file as given, a folder's *.xml files below it in name order.
// False, with the reason, when a folder holds no .xml file.
bool CollectFiles(const std::vector<std::string>& paths, std::vector<FileJob>& jobs, std::string& error);

// A line on standard error for runs that take more than a moment, only when a person watches:
// "<verb> 3/40: <file>", erased at the end.
class Progress {
public:
    Progress(std::size_t total, std::string verb);
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;
    void Update(std::size_t done, const std::string& file);

private:
    std::size_t m_total;
    std::string m_verb;
    bool m_enabled;
    bool m_shown = false;
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point m_last{};
};

// A fresh, empty folder below the system's temporary folder.
fs::path MakeTempDir(const std::string& prefix);

// The rule file as it stands on disk, after the library wrote it.
struct RuleFileSummary {
    struct Type {
        std::string name;
        int typeId = -1; // -1 when the templates do not know the name
        int rules = 0;
    };
    RuleFileHead head;
    int rules = 0;
    std::vector<Type> types; // component types holding rules, in file order
};
bool SummariseRuleFile(const fs::path& path, RuleFileSummary& summary);

// "12" or "12:3" as given, or as the key prints.
std::string KeyText(const NS_KXComponentType::SCompGroupType& key);
// The name of the component (or sub-type) the key names, or empty.
std::string ComponentName(const NS_KXComponentType::SCompGroupType& key);
// The calculation items of a key's template: the component's own items, then its sub-types'.
std::vector<CString> TemplateItems(const NS_KXComponentType::SCompGroupType& key);

// Display text of a stored value, empty when the library cannot describe it.
std::string ShowText(const NS_KXComponentType::SCompGroupType& key, const CString& item, const CString& rule,
                     const CString& value);

// Rules as aligned "name = value  text" lines; the text is left out where it adds nothing.
struct RuleLine {
    std::string name, value, text;
};
void PrintRules(const std::vector<RuleLine>& rules, const std::string& indent);

// Columns on a terminal: CJK characters take two cells.
std::size_t DisplayWidth(const std::string& utf8);
std::string PadRight(const std::string& utf8, std::size_t width);

// Checks --type; prints the reason and returns nullopt when it is out of range.
std::optional<KxSysRule::RuleType> CheckRuleType(int value);
// Checks --comp; prints the reason and returns nullopt when it is not numbers.
std::optional<NS_KXComponentType::SCompGroupType> CheckCompKey(const std::string& text);

// A command's output: to standard output for "" or "-", else to the file `output`, written
// atomically, after which `wrote` is printed. The exit code, with the message printed on failure.
int WriteOutput(const std::string& output, const std::string& text, const std::string& wrote);

// Runs a subcommand; a failure the library raises (a rule file it cannot rewrite, such as one
// with a comment among its rules) becomes a message and exit code `code` instead of an abort.
int Guarded(const std::function<int()>& run, int code = kExitFailed);

// The opening of every subcommand that works on rule files: the file is checked, the templates
// are loaded (unless the caller loaded them once for many files) and the library loads a private
// copy, so that the project file is written only by an explicit save. The copy lives as long as
// the object. When the library cannot load the copy, the message ends in `tail`.
class OpenedRuleFile {
public:
    OpenedRuleFile(const fs::path& file, KxSysRule::RuleType type, const std::string& tail,
                   bool loadTemplates = true);

    // Why the file cannot be worked on; nullopt when the library holds the copy.
    const std::optional<FileProblem>& problem() const { return m_problem; }
    const RuleFileHead& head() const { return m_head; }
    const TempRuleCopy& copy() const { return *m_copy; }

private:
    std::optional<FileProblem> m_problem;
    RuleFileHead m_head;
    std::optional<TempRuleCopy> m_copy;
};

// Why CFaceCurRule::SaveXMLData to `target` failed: the loaded rules cannot be written at all
// (a save to the working copy fails too), or the target cannot be written.
std::string SaveFailure(const TempRuleCopy& copy, const std::string& target, KxSysRule::RuleType type);

} // namespace kxrule
