// A generated installation on disk: the system folder (templates, rule library) and a project
// folder with the rule file and the quota-classification file, in a temporary folder removed when
// the object goes. Activate points the host services and the library's singletons at it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>

#include <kxsysrule/Types.h>

#include "gen/RuleSetGenerator.h"

namespace kxbench {

// The rule document every road works on.
constexpr KxSysRule::RuleType kRuleType = KxSysRule::Rule_DingE;
constexpr const wchar_t* kProgramVersion = L"25.1.0";

class Installation {
public:
    // Generates and writes an installation of about `nRules` rules.
    Installation(int nRules, std::uint64_t nSeed);
    // Uses the installation an earlier process wrote at `root`; leaves it in place.
    Installation(const std::filesystem::path& root, int nRules, std::uint64_t nSeed);
    ~Installation();
    Installation(const Installation&) = delete;
    Installation& operator=(const Installation&) = delete;

    // Host directories and version, a fresh rule library and template parser, an empty
    // quota-classification cache, no rule file loaded.
    void Activate() const;

    const RuleSetGenerator& Generator() const { return m_generator; }
    int Rules() const { return m_generator.Shape().Rules(); }
    const std::filesystem::path& Root() const { return m_root; }
    std::filesystem::path SysDir() const { return m_root / "sys"; }
    std::filesystem::path ProjDir() const { return m_root / "proj"; }
    std::filesystem::path RuleFile() const { return ProjDir() / "Rule.xml"; }
    std::filesystem::path FenLeiFile() const { return ProjDir() / "DefaultDeFenLeiSet.xml"; }
    std::filesystem::path TemplatesFile() const { return SysDir() / "Template" / "Templates.xml"; }
    CString WRuleFile() const;

    // The rule file of `format` as generated, and putting it in place as the host finds it.
    const std::string& Pristine(RuleFileFormat format) const;
    void RestoreRuleFile(RuleFileFormat format) const;

private:
    RuleSetGenerator m_generator;
    std::filesystem::path m_root;
    bool m_bOwned;
    mutable std::map<RuleFileFormat, std::string> m_pristine;
};

// Loads the rule file of `format` into the document of kRuleType, as the host does on opening a
// project: the file is put in place and the document forgets the file it had.
void LoadRuleFile(const Installation& inst, RuleFileFormat format);

// One installation per size, all with the same seed, made on first use and removed at exit.
const Installation& SharedInstallation(int nRules);
constexpr std::uint64_t kSharedSeed = 42;

} // namespace kxbench
