// Reading and setting the rules of one calculation item as name/value pair lists, and the index
// behind those queries.
#include <tuple>

#include <kxsysrule/CFaceSysRule.h>

#include "currule/CurRuleFixture.h"

namespace kxtest {
namespace {

sCalItemDir Dir(NS_KXComponentType::SCompGroupType comp, const wchar_t* item, const wchar_t* name,
                KxSysRule::RuleType type = kQD)
{
    return {comp, item, name, type};
}

class ItemRuleQuery : public CurRuleTest {
protected:
    void SetUp() override
    {
        CurRuleTest::SetUp();
        Doc().Items() = {
            Rule({12, -1}, L"体积", L"扣减项目", L"1,2"),
            Rule({12, 3}, L"弧形模板", L"计算方式", L"0"),
            Rule({12, -1}, L"体积", L"计算方式", L"1"),
            Rule({12, -1}, L"实体模板", L"扣减项目", L"3"),
            Rule({18, -1}, L"体积", L"扣减项目", L"4"),
        };
    }
};

// By key and item; the project's rules through the system-rule entry point are the same pairs.
TEST_F(ItemRuleQuery, GetCurItemRulesAndGetSysDefRules)
{
    const struct {
        NS_KXComponentType::SCompGroupType comp;
        const wchar_t* item;
        CStringArray expected; // empty: refused
        KxSysRule::RuleType type = kQD;
    } rows[] = {
        {{12, -1}, L"体积", {L"扣减项目", L"1,2", L"计算方式", L"1"}},
        // An empty item name gives every item of the type, in document order.
        {{12, -1}, L"", {L"扣减项目", L"1,2", L"计算方式", L"1", L"扣减项目", L"3"}},
        // The sub-type is part of the key.
        {{12, 3}, L"", {L"计算方式", L"0"}},
        {{12, 3}, L"体积", {}},
        {{12, 4}, L"", {}},
        {{12, -1}, L"没有的项目", {}},
        {{-1, -1}, L"", {}},
        {{12, -1}, L"", {}, KxSysRule::Rule_DingE}, // an empty document
        {{12, -1}, L"", {}, static_cast<KxSysRule::RuleType>(7)}, // no document
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(U8(r.item) + " " + std::to_string(r.comp.nTypeId) + "." + std::to_string(r.comp.nSubTypeId) +
                     " type " + std::to_string(r.type));
        CStringArray rules{L"stale"};
        EXPECT_EQ(CFaceCurRule::GetCurItemRules(r.comp, rules, r.item, r.type), !r.expected.empty());
        EXPECT_EQ(rules, r.expected);
        rules = {L"stale"};
        EXPECT_EQ(CFaceSysRule::GetSysDefRules(r.comp, r.item, rules, r.type), !r.expected.empty());
        EXPECT_EQ(rules, r.expected);
    }

    // By full key, with a rule name.
    CStringArray rules;
    EXPECT_TRUE(CFaceCurRule::GetCurItemRules(Dir({12, -1}, L"", L"扣减项目"), rules));
    EXPECT_EQ(rules, (CStringArray{L"扣减项目", L"1,2", L"扣减项目", L"3"}));
    EXPECT_FALSE(CFaceCurRule::GetCurItemRules(Dir({12, -1}, L"实体模板", L"计算方式"), rules));
    EXPECT_FALSE(CFaceCurRule::GetCurItemRules(Dir({12, -1}, L"体积", L"", KxSysRule::Rule_DingE), rules));
}

TEST_F(ItemRuleQuery, FindItemsAppends)
{
    std::vector<SRuleItem> found{Rule({1, 1}, L"x", L"y", L"z")};
    // Nothing matches, but the list already held a record.
    EXPECT_TRUE(CCurRuleObj::GetInstance()->FindItems({12, 4}, found, L"", kQD));
    EXPECT_EQ(found.size(), 1u);
    EXPECT_TRUE(CCurRuleObj::GetInstance()->FindItems(Dir({18, -1}, L"体积", L"扣减项目"), found));
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[1].strValue, L"4");
    EXPECT_FALSE(CCurRuleObj::GetInstance()->FindItems({-1, -1}, found, L"", kQD));
    EXPECT_EQ(found.size(), 2u);
}

TEST_F(ItemRuleQuery, SetCurItemRulesByKey)
{
    // Only the item given; a name missing from the list keeps its value.
    EXPECT_TRUE(CFaceCurRule::SetCurItemRules({12, -1}, {L"扣减项目", L"7"}, L"实体模板", kQD));
    EXPECT_EQ(Records(), (Lines{"12.-1 体积 扣减项目=1,2", "12.3 弧形模板 计算方式=0", "12.-1 体积 计算方式=1",
                                "12.-1 实体模板 扣减项目=7", "18.-1 体积 扣减项目=4"}));

    // Every item of the type; another sub-type or type is left alone.
    EXPECT_TRUE(CFaceCurRule::SetCurItemRules({12, -1}, {L"扣减项目", L"8", L"计算方式", L"2"}, L"", kQD));
    EXPECT_EQ(Records(), (Lines{"12.-1 体积 扣减项目=8", "12.3 弧形模板 计算方式=0", "12.-1 体积 计算方式=2",
                                "12.-1 实体模板 扣减项目=8", "18.-1 体积 扣减项目=4"}));

    // A name is found where it first stands, also at a value position, and the entry after that
    // is taken. A name in the last position has no value and changes nothing.
    EXPECT_TRUE(CFaceCurRule::SetCurItemRules({12, -1}, {L"计算方式", L"扣减项目", L"扣减项目", L"9"}, L"体积", kQD));
    EXPECT_EQ(Records()[0], "12.-1 体积 扣减项目=扣减项目");
    EXPECT_EQ(Records()[2], "12.-1 体积 计算方式=扣减项目");
    EXPECT_TRUE(CFaceCurRule::SetCurItemRules({12, -1}, {L"x", L"y", L"扣减项目"}, L"体积", kQD));
    EXPECT_EQ(Records()[0], "12.-1 体积 扣减项目=扣减项目");

    // Sub-type key.
    EXPECT_TRUE(CFaceCurRule::SetCurItemRules({12, 3}, {L"计算方式", L"1"}, L"", kQD));
    EXPECT_EQ(Records()[1], "12.3 弧形模板 计算方式=1");
    EXPECT_EQ(Records()[2], "12.-1 体积 计算方式=扣减项目");

    // Lists of fewer than two entries are refused.
    EXPECT_FALSE(CFaceCurRule::SetCurItemRules({12, -1}, {L"扣减项目"}, L"", kQD));
    EXPECT_FALSE(CFaceCurRule::SetCurItemRules({12, -1}, {}, L"", kQD));
}

TEST_F(ItemRuleQuery, SetCurItemRulesByFullKey)
{
    // The rule name of the key narrows the records, the list still gives the values.
    EXPECT_TRUE(CFaceCurRule::SetCurItemRules(Dir({12, -1}, L"", L"计算方式"), {L"扣减项目", L"5", L"计算方式", L"0"}));
    EXPECT_EQ(Records(), (Lines{"12.-1 体积 扣减项目=1,2", "12.3 弧形模板 计算方式=0", "12.-1 体积 计算方式=0",
                                "12.-1 实体模板 扣减项目=3", "18.-1 体积 扣减项目=4"}));

    EXPECT_TRUE(CFaceCurRule::SetCurItemRules(Dir({12, -1}, L"实体模板", L""), {L"扣减项目", L"6"}));
    EXPECT_EQ(Records()[3], "12.-1 实体模板 扣减项目=6");
    EXPECT_EQ(Records()[0], "12.-1 体积 扣减项目=1,2");

    // Nothing selected or nothing named: false.
    EXPECT_FALSE(CFaceCurRule::SetCurItemRules(Dir({12, -1}, L"实体模板", L"计算方式"), {L"计算方式", L"1"}));
    EXPECT_FALSE(CFaceCurRule::SetCurItemRules(Dir({12, -1}, L"", L""), {L"没有", L"1"}));
    EXPECT_FALSE(CFaceCurRule::SetCurItemRules(Dir({12, -1}, L"", L""), {L"扣减项目"}));
    EXPECT_FALSE(CFaceCurRule::SetCurItemRules(Dir({-1, -1}, L"", L""), {L"扣减项目", L"1"}));
    EXPECT_EQ(Records()[3], "12.-1 实体模板 扣减项目=6");
}

TEST_F(ItemRuleQuery, CheckItemAndGetDefItem)
{
    const std::tuple<NS_KXComponentType::SCompGroupType, const wchar_t*, bool> checks[] = {
        {{12, -1}, L"体积", true}, {{12, -1}, L"实体模板", true}, {{12, -1}, L"", false},
        {{12, -1}, L"弧形模板", false}, {{12, 3}, L"弧形模板", true},
    };
    for (const auto& [comp, item, found] : checks)
        EXPECT_EQ(CFaceCurRule::CheckItem(comp, item, kQD), found) << U8(item) << " " << comp.nSubTypeId;
    EXPECT_FALSE(CFaceCurRule::CheckItem({12, -1}, L"体积", KxSysRule::Rule_DingE));

    // The item of the key's first record; none gives an emptied name.
    const std::pair<NS_KXComponentType::SCompGroupType, const wchar_t*> defs[] = {
        {{12, -1}, L"体积"}, {{12, 3}, L"弧形模板"}, {{12, 4}, L""}, {{-1, -1}, L""}};
    for (const auto& [comp, expected] : defs) {
        CString item = L"stale";
        EXPECT_EQ(CFaceCurRule::GetDefItem(comp, item, kQD), *expected != 0) << comp.nTypeId << "." << comp.nSubTypeId;
        EXPECT_EQ(item, expected);
    }
    // A first record with an empty item name gives no item.
    Doc().Items().insert(Doc().Items().begin(), Rule({12, -1}, L"", L"r", L"v"));
    CString item;
    EXPECT_FALSE(CFaceCurRule::GetDefItem({12, -1}, item, kQD));
}

// The queries go through the document's index of component types: it must follow every change
// of the records, from a reload of another file as from a caller that edits the list directly.
TEST_F(CurRuleTest, QueriesFollowAReloadAndRecordsEditedInTheList)
{
    CStringArray pairs;
    Load("<G><框架梁><体积>" + RuleElem("扣减项目", "1,2") + "</体积></框架梁></G>", R"(ruletype="1" RuleVer="25.1.0")", "a.xml");
    ASSERT_TRUE(CFaceCurRule::GetCurItemRules({12, -1}, pairs, L"体积", kQD));

    Load("<G><屋面框架梁><体积>" + RuleElem("计算方式", "1", "", "S") + "</体积></屋面框架梁>"
         "<框架梁><实体模板>" + RuleElem("扣减项目", "3") + "</实体模板></框架梁></G>", R"(ruletype="1" RuleVer="25.1.0")", "b.xml");
    EXPECT_FALSE(CFaceCurRule::GetCurItemRules({12, -1}, pairs, L"体积", kQD));
    EXPECT_TRUE(CFaceCurRule::GetCurItemRules({12, -1}, pairs, L"实体模板", kQD));
    EXPECT_EQ(pairs, (CStringArray{L"扣减项目", L"3"}));
    CString item;
    EXPECT_TRUE(CFaceCurRule::GetDefItem({18, -1}, item, kQD));
    EXPECT_EQ(item, L"体积");

    // Records: 18 体积, 12 实体模板. Insert one in front: positions move by one.
    Doc().Items().insert(Doc().Items().begin(), Rule({41, -1}, L"砖模", L"扣减项目", L"113"));
    EXPECT_TRUE(CFaceCurRule::CheckItem({41, -1}, L"砖模", kQD));
    EXPECT_TRUE(CFaceCurRule::GetCurItemRules({12, -1}, pairs, L"实体模板", kQD));
    EXPECT_EQ(pairs, (CStringArray{L"扣减项目", L"3"}));

    Doc().Items().erase(Doc().Items().begin() + 2);
    EXPECT_FALSE(CFaceCurRule::CheckItem({12, -1}, L"实体模板", kQD));
    EXPECT_TRUE(CFaceCurRule::SetCurItemRules({41, -1}, {L"扣减项目", L"114"}, L"砖模", kQD));
    EXPECT_EQ(Doc().Items().at(0).strValue, L"114");
}

} // namespace
} // namespace kxtest
