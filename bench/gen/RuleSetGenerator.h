// Generates a whole rule installation for benchmarks and the checks behind them: Templates.xml with
// groups, components, sub-types, calculation items and default rules; RuleCode.ini and RuleDesc.ini
// over the same item codes; rule files over the same keys in the current layout, at an older
// version and in the old format; and a quota-classification map of the same components.
// Everything is deterministic for a given shape and seed.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include <kxsysrule/CKXCurDeFenLeiSet.h>

namespace kxbench {

struct RuleSetShape {
    int nGroups = 2;
    int nCompsPerGroup = 10;
    int nOwnItems = 6;      // per component; item 0 is "砖模", item 1 "实体模板"
    int nSubsPerComp = 2;
    int nItemsPerSub = 2;
    int nRulesPerItem = 5;  // rule 0 "扣减项目" (a KouJ list), 1 "计算方式" and 4 choices, the rest lists
    std::uint64_t nSeed = 1;

    int Components() const { return nGroups * nCompsPerGroup; }
    int ItemsPerComp() const { return nOwnItems + nSubsPerComp * nItemsPerSub; }
    // The default rules; a rule file holds about as many.
    int Rules() const { return Components() * ItemsPerComp() * nRulesPerItem; }
};

enum class RuleFileFormat {
    Current,   // RuleVer = the program's version: read and rewritten as it stands
    Older,     // RuleVer 24.2.0: synced with the defaults, type 18 renumbered
    OldFormat, // no RuleVer, "砖胎模" and its old codes, extra root attributes: converted, then synced
};

class RuleSetGenerator {
public:
    explicit RuleSetGenerator(const RuleSetShape& shape) : m_shape(shape) {}

    // A shape of about `nRules` default rules: components grow with the count, 50 rules each,
    // 20 components to a group.
    static RuleSetShape ShapeFor(int nRules, std::uint64_t nSeed = 1);

    const RuleSetShape& Shape() const { return m_shape; }

    std::string TemplatesXml() const;
    std::string RuleCodeIni() const;
    std::string RuleDescIni() const;

    // A rule file over the default keys with values of its own. Besides the defaults' keys it
    // holds what real projects accumulate: rules the defaults no longer have, a rule listed twice,
    // items and components the templates no longer know, and items missing a rule.
    std::string RuleFileXml(RuleFileFormat format, const std::string& strProgramVersion = "25.1.0") const;

    // One group per component type and sub-type, one entry per calculation item with
    // nRulesPerItem variable keys (now and then none), so it grows with the rules.
    CKXCurDeFenLeiSet::FenLeiMap FenLeiMap() const;

    // Writes <root>/sys/Template/Templates.xml, <root>/sys/Rule/RuleCode.ini and RuleDesc.ini.
    void WriteSystem(const std::filesystem::path& root) const;

private:
    RuleSetShape m_shape;
};

} // namespace kxbench
