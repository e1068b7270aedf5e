// The benchmarks' roads hold their output fixed: each road's checksum over a generated
// installation equals the checksum of the same output computed by the plain procedure of
// ReferenceRoads, and at the pinned size it equals the value the benchmarks compare against.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include <kxhost/HostServices.h>

#include "currule/CCurRuleObj.h"
#include "gen/Digest.h"
#include "gen/Roads.h"
#include "perfcheck/ReferenceRoads.h"

namespace {

using kxbench::Digest;
using kxbench::Installation;
using kxbench::Road;
using kxbench::RuleFileFormat;
using kxbench::XmlDigest;
using perfcheck::RefDoc;
using perfcheck::RefSystem;

constexpr auto kType = kxbench::kRuleType;

RefSystem SystemOf(const Installation& inst)
{
    RefSystem sys{{}, perfcheck::RefIni(inst.Generator().RuleDescIni()), perfcheck::RefIni(inst.Generator().RuleCodeIni())};
    GetTemplateParser()->GetSysRules(sys.vecDefaults);
    return sys;
}

RefDoc Load(const Installation& inst, const RefSystem& sys, RuleFileFormat format)
{
    return perfcheck::RefLoad(inst.Pristine(format), sys, kxbench::kProgramVersion);
}

sCalItemDir DirOf(const kxbench::ItemKey& key)
{
    sCalItemDir dir;
    dir.compType = key.compType;
    dir.strCalItem = key.strCalItem;
    dir.eRuleType = kType;
    return dir;
}

// The edits of the SetItemRules road: every item's values rotated, even items through the key
// form, odd ones through sCalItemDir.
void Edit(std::vector<SRuleItem>& items, std::vector<bool>& results, bool& modified)
{
    const auto keys = kxbench::TemplateItems();
    std::vector<CStringArray> lists;
    for (const auto& key : keys) {
        CStringArray pairs;
        perfcheck::RefGetItemRules(items, DirOf(key), pairs);
        lists.push_back(kxbench::RotatedValues(pairs));
    }
    modified = false;
    for (std::size_t k = 0; k < keys.size(); ++k) {
        const bool set = k % 2 == 0
                             ? perfcheck::RefSetItemRulesByKey(items, keys[k].compType, lists[k], keys[k].strCalItem)
                             : perfcheck::RefSetItemRulesByDir(items, DirOf(keys[k]), lists[k]);
        results.push_back(set);
        modified = modified || set;
    }
}

std::uint64_t ReferenceDigest(Road road, const Installation& inst)
{
    inst.Activate();
    const RefSystem sys = SystemOf(inst);
    Digest digest;
    auto loadAndWrite = [&](RefDoc doc) {
        digest.Add(true).Add(doc.vecItems);
        XmlDigest xml(digest);
        perfcheck::RefWrite(doc, xml);
    };
    switch (road) {
    case Road::LoadCurrent: loadAndWrite(Load(inst, sys, RuleFileFormat::Current)); break;
    case Road::LoadOlder: loadAndWrite(Load(inst, sys, RuleFileFormat::Older)); break;
    case Road::LoadOldFormat: loadAndWrite(Load(inst, sys, RuleFileFormat::OldFormat)); break;
    case Road::Save: {
        RefDoc doc = Load(inst, sys, RuleFileFormat::Current);
        std::vector<bool> results;
        bool modified = false;
        Edit(doc.vecItems, results, modified);
        loadAndWrite(std::move(doc));
        break;
    }
    case Road::GetItemRules: {
        const RefDoc doc = Load(inst, sys, RuleFileFormat::Current);
        for (const auto& key : kxbench::TemplateItems()) {
            CStringArray pairs;
            digest.AddWide(perfcheck::RefGetItemRules(doc.vecItems, DirOf(key), pairs) ? L"1" : L"0");
            for (const CString& s : pairs)
                digest.AddWide(s);
        }
        break;
    }
    case Road::SetItemRules: {
        RefDoc doc = Load(inst, sys, RuleFileFormat::Current);
        std::vector<bool> results;
        bool modified = false;
        Edit(doc.vecItems, results, modified);
        for (const bool set : results)
            digest.Add(set);
        digest.Add(modified).Add(doc.vecItems);
        break;
    }
    case Road::GridByComponent:
    case Road::GridByItem: {
        const RefDoc doc = Load(inst, sys, RuleFileFormat::Current);
        CStringArray cells, titles;
        int keyCols = 0, valueCols = 0;
        const bool ok = perfcheck::RefGrid(sys, doc.vecItems, road == Road::GridByComponent ? 0 : 1, cells, titles,
                                           keyCols, valueCols);
        digest.Add(ok).Add(keyCols).Add(valueCols).Add(titles).Add(cells);
        break;
    }
    case Road::ShowRuleText: {
        const RefDoc doc = Load(inst, sys, RuleFileFormat::Current);
        for (const SRuleItem& r : doc.vecItems) {
            CString text;
            const bool ok = perfcheck::RefShowRuleText(sys, r.compType, r.strCalItem, r.strRuleName, r.strValue, text);
            digest.Add(ok).Add(text);
        }
        break;
    }
    case Road::FenLeiWrite: {
        digest.Add(true);
        XmlDigest xml(digest);
        perfcheck::RefFenLeiWrite(inst.Generator().FenLeiMap(), xml);
        break;
    }
    case Road::FenLeiColdRead: {
        const auto read = perfcheck::RefFenLeiReadBack(inst.Generator().FenLeiMap());
        digest.Add(!read.empty()).Add(read);
        break;
    }
    case Road::SysRuleLoad: {
        digest.Add(perfcheck::RefCalItemCode(sys.ruleCode, L"实体模板"));
        CStringArray names;
        for (const auto& entry : perfcheck::RefCalItemWalk(sys.ruleCode))
            names.push_back(entry.second);
        digest.Add(names);
        for (const auto& key : kxbench::TemplateItems()) {
            std::vector<SRuleItem> rules;
            const bool found = perfcheck::RefFindSysRules(sys, key.compType, key.strCalItem, rules);
            digest.Add(found).Add(rules);
        }
        break;
    }
    }
    return digest.Value();
}

std::uint64_t LibraryDigest(Road road, const Installation& inst)
{
    kxbench::RoadRunner runner(road, inst);
    runner.Prepare();
    runner.Reset();
    EXPECT_TRUE(runner.Run()) << kxbench::RoadName(road);
    return runner.Result();
}

const Installation& InstallationOf(int nRules, std::uint64_t nSeed)
{
    static std::map<std::pair<int, std::uint64_t>, std::unique_ptr<Installation>> installations;
    auto& slot = installations[{nRules, nSeed}];
    if (!slot)
        slot = std::make_unique<Installation>(nRules, nSeed);
    return *slot;
}

class RoadChecksum : public ::testing::TestWithParam<Road> {};

TEST_P(RoadChecksum, EqualsPlainProcedureAndPinnedValue)
{
    const Installation& inst = InstallationOf(kxbench::kCheckRules, kxbench::kCheckSeed);
    const std::uint64_t reference = ReferenceDigest(GetParam(), inst);
    EXPECT_EQ(kxbench::HexOf(LibraryDigest(GetParam(), inst)), kxbench::HexOf(reference));
    EXPECT_EQ(kxbench::HexOf(kxbench::ExpectedDigest(GetParam())), kxbench::HexOf(reference))
        << "the benchmarks pin a checksum the plain procedure does not give";
}

// Three groups, another seed: other values, other oddities, other collisions of keys.
TEST_P(RoadChecksum, EqualsPlainProcedureOnAnotherInstallation)
{
    const Installation& inst = InstallationOf(2600, 7);
    EXPECT_EQ(kxbench::HexOf(LibraryDigest(GetParam(), inst)), kxbench::HexOf(ReferenceDigest(GetParam(), inst)));
}

INSTANTIATE_TEST_SUITE_P(AllRoads, RoadChecksum, ::testing::ValuesIn(kxbench::kAllRoads),
                         [](const auto& info) { return std::string(kxbench::RoadName(info.param)); });

// The equality above proves something only if the generated files reach the cases the fast code
// handles apart: conversions, renumbering, dropped and added records, unknown names.
TEST(RoadChecksumInputs, GeneratedFilesReachEveryUpgradeCase)
{
    const Installation& inst = InstallationOf(kxbench::kCheckRules, kxbench::kCheckSeed);
    inst.Activate();
    const RefSystem sys = SystemOf(inst);
    auto count = [](const std::vector<SRuleItem>& items, auto pred) {
        return std::count_if(items.begin(), items.end(), pred);
    };

    const RefDoc current = Load(inst, sys, RuleFileFormat::Current);
    EXPECT_GT(count(current.vecItems, [](const SRuleItem& r) { return r.strRuleName == L"旧规则"; }), 0);
    EXPECT_GT(count(current.vecItems, [](const SRuleItem& r) { return r.strCalItem == L"旧项目"; }), 0);
    EXPECT_GT(count(current.vecItems, [](const SRuleItem& r) { return r.compType.nTypeId == 18; }), 0);
    EXPECT_GT(count(current.vecItems, [](const SRuleItem& r) { return r.compType.nSubTypeId > 0; }), 0);

    const auto sameKey = [](const SRuleItem& a, const SRuleItem& b) {
        return a.compType == b.compType && a.strCalItem == b.strCalItem && a.strRuleName == b.strRuleName;
    };
    EXPECT_NE(std::adjacent_find(sys.vecDefaults.begin(), sys.vecDefaults.end(), sameKey), sys.vecDefaults.end());

    const RefDoc older = Load(inst, sys, RuleFileFormat::Older);
    EXPECT_EQ(older.vecItems.size(), sys.vecDefaults.size());
    EXPECT_EQ(count(older.vecItems, [](const SRuleItem& r) { return r.strRuleName == L"旧规则"; }), 0);

    const RefDoc old = Load(inst, sys, RuleFileFormat::OldFormat);
    EXPECT_NE(inst.Pristine(RuleFileFormat::OldFormat).find("砖胎模"), std::string::npos);
    // Before the sync: converted brick-mould codes and the beam deduction put in front.
    RefSystem noDefaults = sys;
    noDefaults.vecDefaults.clear();
    const RefDoc converted = perfcheck::RefLoad(inst.Pristine(RuleFileFormat::OldFormat), noDefaults, L"22.3.1");
    EXPECT_GT(count(converted.vecItems, [](const SRuleItem& r) {
                  return r.strCalItem == L"砖模" && r.strValue.find(L"113") != CString::npos;
              }),
              0);
    EXPECT_GT(count(converted.vecItems, [](const SRuleItem& r) {
                  return r.compType.nTypeId == 12 && r.strCalItem == L"实体模板" && r.strRuleName == L"扣减项目" &&
                         r.strValue.rfind(L"1,", 0) == 0;
              }),
              0);
    EXPECT_EQ(count(converted.vecItems, [](const SRuleItem& r) { return r.compType.nTypeId == 18; }), 0);
    EXPECT_EQ(old.strVersion, kxbench::kProgramVersion);
}

// A checksum that missed a changed value would prove nothing.
TEST(RoadChecksumInputs, OneChangedValueChangesTheChecksum)
{
    const Installation& inst = InstallationOf(kxbench::kCheckRules, kxbench::kCheckSeed);
    kxbench::RoadRunner runner(Road::SetItemRules, inst);
    runner.Prepare();
    runner.Reset();
    ASSERT_TRUE(runner.Run());
    const std::uint64_t before = runner.Result();
    std::vector<SRuleItem>& items = CCurRuleObj::GetInstance()->GetDoc(kType)->Items();
    ASSERT_FALSE(items.empty());
    items[items.size() / 2].strValue += L"9";
    EXPECT_NE(runner.Result(), before);
}

} // namespace
