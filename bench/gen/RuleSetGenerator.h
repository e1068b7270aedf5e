// Generates a whole rule installation for benchmarks: a Templates.xml with groups, components,
// sub-types, calculation items and default rules, and rule files over the same keys in the
// current layout, at an older version or in the old format. Deterministic for a given seed.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace kxbench {

struct RuleSetShape {
    int nGroups = 2;
    int nCompsPerGroup = 10;
    int nOwnItems = 6;        // per component; item 0 is "砖模", item 1 "实体模板"
    int nSubsPerComp = 2;
    int nItemsPerSub = 2;
    int nRulesPerItem = 5;    // rule 0 is "扣减项目" (a KouJ list), rule 1 "计算方式" (a choice)
    std::uint64_t nSeed = 1;

    int Components() const { return nGroups * nCompsPerGroup; }
    int ItemsPerComp() const { return nOwnItems + nSubsPerComp * nItemsPerSub; }
    int Rules() const { return Components() * ItemsPerComp() * nRulesPerItem; }
};

enum class RuleFileFormat {
    Current,   // RuleVer = the program's version
    Older,     // RuleVer older than the program and than 25.1.0: synced and renumbered
    OldFormat, // no RuleVer, old item names and codes: converted, then synced
};

class RuleSetGenerator {
public:
    explicit RuleSetGenerator(const RuleSetShape& shape) : m_shape(shape) {}

    // A shape of about `nRules` rules: components grow with the count, 50 rules each.
    static RuleSetShape ShapeFor(int nRules, std::uint64_t nSeed = 1);

    const RuleSetShape& Shape() const { return m_shape; }
    std::string TemplatesXml() const;
    // A rule file holding every default key once, with values drawn from the seed.
    std::string RuleFileXml(RuleFileFormat format, const std::string& strProgramVersion = "25.1.0") const;

    // Writes <root>/sys/Template/Templates.xml.
    void WriteTemplates(const std::filesystem::path& root) const;

private:
    RuleSetShape m_shape;
};

} // namespace kxbench
