// The roads the host takes through the library when a project opens and its rules are shown and
// edited, each runnable over a generated installation and each with a checksum of what it hands
// back. The benchmarks time Run() and compare the checksum at 1,000 rules with a pinned value; the
// procedures themselves are held against a plain model by the rule-document tests.
#pragma once

#include <cstdint>
#include <vector>

#include <kxsysrule/CKXCurDeFenLeiSet.h>
#include <kxsysrule/Types.h>

#include "gen/Installation.h"

namespace kxbench {

enum class Road {
    LoadCurrent,     // InitXMLData of a file at the program's version
    LoadOlder,       // ... of an older file: synced with the defaults
    LoadOldFormat,   // ... of an old-format file: converted, then synced
    Save,            // SaveXMLData after the edits of SetItemRules
    GetItemRules,    // GetCurItemRules for every calculation item of the templates, each list read and let go
    SetItemRules,    // SetCurItemRules for every calculation item, values rotated within the item
    GridByComponent, // GetTableGridData, layout 0
    GridByItem,      // GetTableGridData, block layout
    ShowRuleText,    // GetShowRuleText for every rule of the document
    FenLeiWrite,     // WriteDeFenLeiSetInfo of the generated map
    FenLeiColdRead,  // ReadDeFenLeiSetInfo with an empty cache
    SysRuleLoad,     // the first CFaceSysRule call: rule library and templates loaded
};

inline constexpr Road kAllRoads[] = {
    Road::LoadCurrent,     Road::LoadOlder,  Road::LoadOldFormat, Road::Save,
    Road::GetItemRules,    Road::SetItemRules, Road::GridByComponent, Road::GridByItem,
    Road::ShowRuleText,    Road::FenLeiWrite, Road::FenLeiColdRead, Road::SysRuleLoad,
};

const char* RoadName(Road road);

// The file whose bare parse and save a road is measured against.
enum class FloorFile { RuleFile, FenLeiFile, Templates };
FloorFile FloorOf(Road road);

// The size and seed at which every road's checksum is pinned.
constexpr int kCheckRules = 1000;
constexpr std::uint64_t kCheckSeed = kSharedSeed;
// The checksum of each road at kCheckRules and kCheckSeed.
std::uint64_t ExpectedDigest(Road road);

// A calculation item of the templates, in template order: the component's own items with
// sub-type -1, then those of each sub-template.
struct ItemKey {
    NS_KXComponentType::SCompGroupType compType;
    CString strCalItem;
};
std::vector<ItemKey> TemplateItems();

// The pair list with every value moved one rule up within the list (the first value goes last).
CStringArray RotatedValues(const CStringArray& arrPairs);

class RoadRunner {
public:
    RoadRunner(Road road, const Installation& inst) : m_road(road), m_inst(inst) {}

    // Untimed: what the road needs in place, once.
    void Prepare();
    // Untimed: what has to be undone before each run (a rule file rewritten, a cache filled).
    void Reset();
    // The road itself. False when it reported a failure it should not have.
    bool Run();
    // Untimed: the checksum of what the last Run produced.
    std::uint64_t Result();

    // How many rules the document holds after Prepare.
    std::size_t DocumentRules() const;

private:
    void SetAll(bool bRecord);

    Road m_road;
    const Installation& m_inst;
    std::vector<ItemKey> m_keys;
    std::vector<CStringArray> m_lists;
    std::vector<bool> m_results;
    std::vector<sCalItemDir> m_dirs;
    std::vector<CString> m_values;
    std::vector<CString> m_texts;
    CStringArray m_cells;
    CStringArray m_titles;
    int m_nKeyCols = 0;
    int m_nValueCols = 0;
    int m_nCode = 0;
    bool m_bResult = false;
    std::uint64_t m_nRunDigest = 0;
    CKXCurDeFenLeiSet::FenLeiMap m_map;
    CKXCurDeFenLeiSet::FenLeiMap m_out;
};

} // namespace kxbench
