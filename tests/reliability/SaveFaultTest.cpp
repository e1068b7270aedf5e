// Saves that fail or are cut off part-way: the previous rule file and DefaultDeFenLeiSet.xml stay
// whole, and the entry point says the save failed. A full disk needs a mount (root only); a file
// size limit fails the same write calls part-way (EFBIG for ENOSPC) and stands in for it.
#include <chrono>
#include <random>
#include <sys/resource.h>
#include <thread>

#include "ChildProcess.h"
#include "ReliabilityFixture.h"

namespace reltest {
namespace {

using FenLeiMap = CKXCurDeFenLeiSet::FenLeiMap;

FenLeiMap LargeFenLei(int nGroups, const std::string& tag)
{
    FenLeiMap map;
    for (int i = 0; i < nGroups; ++i)
        map[{i, -1}] = {{L"砖基础", {W(tag + std::to_string(i)), L"砂浆标号"}}};
    return map;
}

// Sets every deduction of the `nComps` components of Templates(nComps) to `value`.
bool SetAllDeductions(int nComps, const CString& value)
{
    for (int c = 0; c < nComps; ++c) {
        if (!CFaceCurRule::SetCurItemRules({100 + c, -1}, {L"扣减项目", value}, L"", kQD))
            return false;
    }
    return true;
}

class SaveFault : public ReliabilityTest {
protected:
    void WriteProject(int nComps)
    {
        if (nComps != 1)
            Install(Templates(nComps));
        WriteBytes(RulePath(), RuleFile(nComps));
        WriteBytes(FenLeiPath(), FenLeiFile());
        ASSERT_TRUE(Load(RulePath()));
    }
};

TEST_F(SaveFault, FileSizeLimitStopsTheWritePartWay)
{
    WriteProject(40);
    const std::string rules = ReadBytes(RulePath());
    const std::string fenlei = ReadBytes(FenLeiPath());
    const FenLeiMap large = LargeFenLei(500, "K");
    const rlim_t limit = rules.size() / 2;

    const int code = RunInChild([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit lim{limit, limit};
        if (::setrlimit(RLIMIT_FSIZE, &lim) != 0)
            return 10;
        if (!SetAllDeductions(40, L"1,2,3"))
            return 11;
        if (CFaceCurRule::SaveXMLData(W(RulePath()), kQD))
            return 12;
        if (CKXCurDeFenLeiSet::WriteDeFenLeiSetInfo(large))
            return 13;
        return 0;
    });
    EXPECT_EQ(code, 0) << "10: no limit, 11: no edit, 12: rule file saved, 13: settings saved";
    EXPECT_EQ(ReadBytes(RulePath()), rules);
    EXPECT_EQ(ReadBytes(FenLeiPath()), fenlei);
    EXPECT_EQ(Listing(Proj()), (std::set<std::string>{"DefaultDeFenLeiSet.xml", "QDRule.xml"}));

    // Without the limit the same saves go through, so it was the limit that stopped them.
    ASSERT_TRUE(SetAllDeductions(40, L"1,2,3"));
    EXPECT_TRUE(CFaceCurRule::SaveXMLData(W(RulePath()), kQD));
    EXPECT_TRUE(CKXCurDeFenLeiSet::WriteDeFenLeiSetInfo(large));
    EXPECT_GT(ReadBytes(RulePath()).size(), limit);
    EXPECT_GT(ReadBytes(FenLeiPath()).size(), limit);
}

TEST_F(SaveFault, TargetsThatCannotBeWritten)
{
    WriteProject(1);
    // A folder where each file was is left alone.
    for (const path& target : {RulePath(), FenLeiPath()}) {
        kxtest::fs::remove(target);
        WriteBytes(target / "inside.txt", "kept");
    }
    EXPECT_FALSE(CFaceCurRule::SaveXMLData(W(RulePath()), kQD));
    EXPECT_FALSE(CKXCurDeFenLeiSet::WriteDeFenLeiSetInfo(LargeFenLei(2, "K")));
    for (const path& target : {RulePath(), FenLeiPath()}) {
        EXPECT_EQ(Listing(target), std::set<std::string>{"inside.txt"});
        EXPECT_EQ(ReadBytes(target / "inside.txt"), "kept");
    }
    EXPECT_EQ(Listing(Proj()), (std::set<std::string>{"DefaultDeFenLeiSet.xml", "QDRule.xml"}));

    // A removed project folder is not made again (for the settings: FailedWritesLeaveFileAndCacheAlone).
    kxtest::fs::remove_all(Proj());
    EXPECT_FALSE(CFaceCurRule::SaveXMLData(W(RulePath()), kQD));
    EXPECT_FALSE(kxtest::fs::exists(Proj()));
}

// A value that XML cannot carry fails the save, whether the document is written as text (UTF-8)
// or as nodes (GB18030): the old file stays byte for byte, and the records stay in memory, so the
// save goes through once the value is put right, and what it writes loads again.
TEST_F(SaveFault, ValuesThatXmlCannotCarryFailTheSave)
{
    WriteProject(1);
    const CString bad[] = {L"1,\x01 2", L"\x1F", L"1\xFFFF", L"\xFFFE", CString{L'1', wchar_t(0xD800)}};
    for (const char* encoding : {"UTF-8", "GB18030"}) {
        SCOPED_TRACE(encoding);
        CCurRuleObj::ReleaseInstance();
        WriteBytes(RulePath(), kxtest::Encoded(RuleFile(), encoding, encoding));
        ASSERT_TRUE(Load(RulePath()));
        const std::string before = ReadBytes(RulePath());
        for (const CString& value : bad) {
            ASSERT_TRUE(SetAllDeductions(1, value));
            EXPECT_FALSE(CFaceCurRule::SaveXMLData(W(RulePath()), kQD)) << U8(value);
            EXPECT_EQ(ReadBytes(RulePath()), before) << U8(value);
        }
        ASSERT_TRUE(SetAllDeductions(1, L"1,3"));
        ASSERT_TRUE(CFaceCurRule::SaveXMLData(W(RulePath()), kQD));
        CCurRuleObj::ReleaseInstance();
        ASSERT_TRUE(Load(RulePath()));
        CStringArray rules;
        ASSERT_TRUE(CFaceCurRule::GetCurItemRules({100, -1}, rules, L"体积", kQD));
        EXPECT_EQ(rules, (CStringArray{L"扣减项目", L"1,3", L"计算方式", L"1"}));
    }
}

// Children save the rule file and the settings over and over and are killed at random moments:
// each file is always one of the states a save could leave, whole, never a mix or a piece.
TEST_F(SaveFault, KilledWhileSavingLeavesTheOldOrTheNewFile)
{
    constexpr int kComps = 400;
    constexpr int kSaves = 4;
    constexpr int kKills = 16;
    WriteProject(kComps);
    const FenLeiMap maps[2] = {LargeFenLei(2000, "A"), LargeFenLei(2000, "B")};
    const auto save = [&](int k) {
        return SetAllDeductions(kComps, k % 2 ? L"1,3" : L"2,3") && CFaceCurRule::SaveXMLData(W(RulePath()), kQD) &&
               CKXCurDeFenLeiSet::WriteDeFenLeiSetInfo(maps[k % 2]);
    };
    std::set<std::string> ruleStates{ReadBytes(RulePath())};
    std::set<std::string> fenleiStates{ReadBytes(FenLeiPath())};
    for (int k = 0; k < 2; ++k) {
        ASSERT_TRUE(save(k));
        ruleStates.insert(ReadBytes(RulePath()));
        fenleiStates.insert(ReadBytes(FenLeiPath()));
    }
    ASSERT_EQ(ruleStates.size(), 3u);
    ASSERT_EQ(fenleiStates.size(), 3u);

    // One child runs to its end, to learn over how long a span the kills are to be spread.
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(RunInChild([&] {
                  for (int k = 0; k < kSaves; ++k) {
                      if (!save(k))
                          return 1;
                  }
                  return 0;
              }),
              0);
    const auto span = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);

    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    std::uniform_int_distribution<long long> moment(0, span.count());
    const std::set<std::string> expected{"DefaultDeFenLeiSet.xml", "QDRule.xml"};
    for (int i = 0; i < kKills; ++i) {
        // Far more saves than fit in the span, so that the kill always lands mid-run.
        const pid_t pid = StartChild([&] {
            for (int k = 0; k < 100 * kSaves; ++k)
                save(k);
            return 0;
        });
        ASSERT_GT(pid, 0);
        std::this_thread::sleep_for(std::chrono::microseconds(moment(rng)));
        ::kill(pid, SIGKILL);
        EXPECT_EQ(WaitChild(pid), -SIGKILL);
        EXPECT_EQ(ruleStates.count(ReadBytes(RulePath())), 1u) << "kill " << i;
        EXPECT_EQ(fenleiStates.count(ReadBytes(FenLeiPath())), 1u) << "kill " << i;
        // A save cut off leaves at most its own hidden temporary file, which is no rule file.
        for (const std::string& name : Listing(Proj())) {
            if (expected.count(name))
                continue;
            EXPECT_TRUE(name.rfind(".QDRule.xml.", 0) == 0 || name.rfind(".DefaultDeFenLeiSet.xml.", 0) == 0) << name;
            kxtest::fs::remove(Proj() / name);
        }
    }

    // What the kills left loads: each state was checked whole above.
    CCurRuleObj::ReleaseInstance();
    EXPECT_TRUE(Load(RulePath()));
    CKXCurDeFenLeiSet::ClearCacheData();
    FenLeiMap map;
    EXPECT_TRUE(CKXCurDeFenLeiSet::ReadDeFenLeiSetInfo(map));
    EXPECT_EQ(map.size(), 2000u);
}

} // namespace
} // namespace reltest
