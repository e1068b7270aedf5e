// The file-level entry points of CFaceCurRule: when InitXMLData reloads, the modified flag, saves
// that fail, the host's rule-action function, and rule types that select no document.
#include <tuple>

#include "currule/CurRuleFixture.h"

namespace kxtest {
namespace {

class CurRuleFacade : public CurRuleTest {
protected:
    void SetUp() override
    {
        CurRuleTest::SetUp();
        m_path = WriteRuleFile("QD.xml", RuleFile(R"(ruletype="1" RuleVer="25.1.0")", "<ZhuTi><框架梁><体积>" +
                                                      RuleElem("扣减项目", "1") + RuleElem("计算方式", "1", "", "S") +
                                                      "</体积></框架梁></ZhuTi>"));
    }

    static CString Value(std::size_t index) { return Doc().Items().at(index).strValue; }

    CString m_path;
};

TEST_F(CurRuleFacade, InitXMLDataReloadsOnlyWhenAsked)
{
    // An empty path equals the empty name of a fresh document: nothing is loaded.
    EXPECT_FALSE(CFaceCurRule::InitXMLData(L"", kQD));
    EXPECT_TRUE(Doc().Items().empty());

    ASSERT_TRUE(CFaceCurRule::InitXMLData(m_path, kQD));
    EXPECT_EQ(CFaceCurRule::GetCurFileName(kQD), m_path);
    ASSERT_TRUE(CFaceCurRule::SetCurItemRules({12, -1}, {L"扣减项目", L"9"}, L"体积", kQD));

    // The loaded path again: refused, the edit stays in memory.
    EXPECT_FALSE(CFaceCurRule::InitXMLData(m_path, kQD));
    EXPECT_EQ(Value(0), L"9");
    EXPECT_TRUE(CFaceCurRule::IsModified(kQD));

    // "-1" reloads the current file: the edit is gone.
    EXPECT_TRUE(CFaceCurRule::InitXMLData(L"-1", kQD));
    EXPECT_EQ(Value(0), L"1");
    EXPECT_FALSE(CFaceCurRule::IsModified(kQD));
    EXPECT_EQ(CFaceCurRule::GetCurFileName(kQD), m_path);

    // A missing file still answers true; the name tells the host it failed.
    EXPECT_TRUE(CFaceCurRule::InitXMLData(W(m_dir / "proj" / "none.xml"), kQD));
    EXPECT_EQ(CFaceCurRule::GetCurFileName(kQD), L"");
    EXPECT_FALSE(CFaceCurRule::IsModified(kQD));
    // Now the document has no name, so an empty path is the same name again.
    EXPECT_FALSE(CFaceCurRule::InitXMLData(L"", kQD));

    // A released registry comes back with three empty documents; a second release is harmless.
    ASSERT_TRUE(CFaceCurRule::InitXMLData(m_path, kQD));
    CCurRuleObj::ReleaseInstance();
    CCurRuleObj::ReleaseInstance();
    EXPECT_EQ(CFaceCurRule::GetCurFileName(kQD), L"");
    EXPECT_TRUE(Doc().Items().empty());
}

TEST_F(CurRuleFacade, ModifiedFlag)
{
    ASSERT_TRUE(CFaceCurRule::InitXMLData(m_path, kQD));
    EXPECT_FALSE(CFaceCurRule::IsModified(kQD));

    // By key: true and modified even when no name matches.
    EXPECT_TRUE(CFaceCurRule::SetCurItemRules({12, -1}, {L"没有", L"1"}, L"", kQD));
    EXPECT_TRUE(CFaceCurRule::IsModified(kQD));
    EXPECT_TRUE(CFaceCurRule::SaveXMLData(m_path, kQD));
    EXPECT_FALSE(CFaceCurRule::IsModified(kQD));

    // A refused list leaves the flag alone.
    EXPECT_FALSE(CFaceCurRule::SetCurItemRules({12, -1}, {L"扣减项目"}, L"", kQD));
    EXPECT_FALSE(CFaceCurRule::SetCurItemRules({-1, -1}, {L"扣减项目", L"2"}, L"", kQD));
    EXPECT_FALSE(CFaceCurRule::IsModified(kQD));

    // By full key: only a change marks the document.
    const sCalItemDir dir{{12, -1}, L"", L"", kQD};
    EXPECT_FALSE(CFaceCurRule::SetCurItemRules(dir, {L"没有", L"1"}));
    EXPECT_FALSE(CFaceCurRule::IsModified(kQD));
    EXPECT_TRUE(CFaceCurRule::SetCurItemRules(dir, {L"计算方式", L"0"}));
    EXPECT_TRUE(CFaceCurRule::IsModified(kQD));
    EXPECT_FALSE(CFaceCurRule::IsModified(KxSysRule::Rule_DingE));

    // A save that fails clears the flag too.
    EXPECT_FALSE(CFaceCurRule::SaveXMLData(W(m_dir / "no such folder" / "QD.xml"), kQD));
    EXPECT_FALSE(CFaceCurRule::IsModified(kQD));
}

using ActionCall = std::tuple<int, int, bool>;
std::vector<ActionCall> g_calls;
bool g_actionResult = false;

bool RecordAction(int n1, int n2, bool b)
{
    g_calls.push_back({n1, n2, b});
    return g_actionResult;
}

TEST_F(CurRuleFacade, RuleActionFunction)
{
    g_calls.clear();
    EXPECT_FALSE(CFaceCurRule::RefressDefRule());
    EXPECT_FALSE(CFaceCurRule::ActionRule(3, 7));
    EXPECT_TRUE(g_calls.empty());

    auto pfn = &RecordAction;
    EXPECT_TRUE(CFaceCurRule::SetRuleActionCBFun(reinterpret_cast<void**>(pfn)));

    g_actionResult = false; // the refresh ignores the answer
    EXPECT_TRUE(CFaceCurRule::RefressDefRule());
    EXPECT_EQ(g_calls, (std::vector<ActionCall>{{0, 1, false}, {1, 1, false}}));

    g_calls.clear();
    EXPECT_FALSE(CFaceCurRule::ActionRule(3, 7));
    g_actionResult = true;
    EXPECT_TRUE(CFaceCurRule::ActionRule(-2, 5));
    EXPECT_EQ(g_calls, (std::vector<ActionCall>{{3, 7, true}, {-2, 5, true}}));

    // A null address clears it.
    g_calls.clear();
    EXPECT_TRUE(CFaceCurRule::SetRuleActionCBFun(nullptr));
    EXPECT_FALSE(CFaceCurRule::RefressDefRule());
    EXPECT_TRUE(g_calls.empty());
}

TEST_F(CurRuleFacade, RuleTypesWithoutDocument)
{
    for (const auto type : {static_cast<KxSysRule::RuleType>(3), static_cast<KxSysRule::RuleType>(-1)}) {
        EXPECT_FALSE(CFaceCurRule::InitXMLData(m_path, type));
        EXPECT_FALSE(CFaceCurRule::SaveXMLData(m_path, type));
        EXPECT_FALSE(CFaceCurRule::IsModified(type));
        EXPECT_EQ(CFaceCurRule::GetCurFileName(type), L"");
        EXPECT_FALSE(CFaceCurRule::SetCurItemRules({12, -1}, {L"扣减项目", L"1"}, L"", type));
        EXPECT_FALSE(CFaceCurRule::CheckItem({12, -1}, L"体积", type));
        CString item = L"x";
        EXPECT_FALSE(CFaceCurRule::GetDefItem({12, -1}, item, type));
        EXPECT_EQ(item, L"");
        EXPECT_EQ(CCurRuleObj::GetInstance()->GetDoc(type), nullptr);
        EXPECT_FALSE(CCurRuleObj::GetInstance()->SetModified(true, type));
    }
    EXPECT_TRUE(CCurRuleObj::GetInstance()->SetModified(true, KxSysRule::Rule_Other));
    EXPECT_TRUE(CFaceCurRule::IsModified(KxSysRule::Rule_Other));
}

} // namespace
} // namespace kxtest
