// Reading and setting the rules of one calculation item as name/value pair lists.
#include "currule/CurRuleFixture.h"

namespace kxtest {
namespace {

sCalItemDir Dir(NS_KXComponentType::SCompGroupType comp, const wchar_t* item, const wchar_t* name,
                KxSysRule::RuleType type = kQD)
{
    sCalItemDir dir;
    dir.compType = comp;
    dir.strCalItem = item;
    dir.strRuleName = name;
    dir.eRuleType = type;
    return dir;
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

TEST_F(ItemRuleQuery, GetCurItemRules)
{
    CStringArray rules{L"stale"};
    EXPECT_TRUE(CFaceCurRule::GetCurItemRules({12, -1}, rules, L"体积", kQD));
    EXPECT_EQ(rules, (CStringArray{L"扣减项目", L"1,2", L"计算方式", L"1"}));

    // An empty item name gives every item of the type, in document order.
    EXPECT_TRUE(CFaceCurRule::GetCurItemRules({12, -1}, rules, L"", kQD));
    EXPECT_EQ(rules, (CStringArray{L"扣减项目", L"1,2", L"计算方式", L"1", L"扣减项目", L"3"}));

    // The sub-type is part of the key.
    EXPECT_TRUE(CFaceCurRule::GetCurItemRules({12, 3}, rules, L"", kQD));
    EXPECT_EQ(rules, (CStringArray{L"计算方式", L"0"}));
    EXPECT_FALSE(CFaceCurRule::GetCurItemRules({12, 3}, rules, L"体积", kQD));
    EXPECT_TRUE(rules.empty());
    EXPECT_FALSE(CFaceCurRule::GetCurItemRules({12, 4}, rules, L"", kQD));

    // By full key, with a rule name.
    EXPECT_TRUE(CFaceCurRule::GetCurItemRules(Dir({12, -1}, L"", L"扣减项目"), rules));
    EXPECT_EQ(rules, (CStringArray{L"扣减项目", L"1,2", L"扣减项目", L"3"}));
    EXPECT_FALSE(CFaceCurRule::GetCurItemRules(Dir({12, -1}, L"实体模板", L"计算方式"), rules));
    EXPECT_FALSE(CFaceCurRule::GetCurItemRules(Dir({12, -1}, L"体积", L"", KxSysRule::Rule_DingE), rules));

    // No type id: refused.
    rules = {L"stale"};
    EXPECT_FALSE(CFaceCurRule::GetCurItemRules({-1, -1}, rules, L"", kQD));
    EXPECT_TRUE(rules.empty());
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
    EXPECT_TRUE(CFaceCurRule::CheckItem({12, -1}, L"体积", kQD));
    EXPECT_TRUE(CFaceCurRule::CheckItem({12, -1}, L"实体模板", kQD));
    EXPECT_FALSE(CFaceCurRule::CheckItem({12, -1}, L"", kQD));
    EXPECT_FALSE(CFaceCurRule::CheckItem({12, -1}, L"弧形模板", kQD));
    EXPECT_TRUE(CFaceCurRule::CheckItem({12, 3}, L"弧形模板", kQD));
    EXPECT_FALSE(CFaceCurRule::CheckItem({12, -1}, L"体积", KxSysRule::Rule_DingE));

    CString item = L"stale";
    EXPECT_TRUE(CFaceCurRule::GetDefItem({12, -1}, item, kQD));
    EXPECT_EQ(item, L"体积");
    EXPECT_TRUE(CFaceCurRule::GetDefItem({12, 3}, item, kQD));
    EXPECT_EQ(item, L"弧形模板");
    item = L"stale";
    EXPECT_FALSE(CFaceCurRule::GetDefItem({12, 4}, item, kQD));
    EXPECT_EQ(item, L"");
    item = L"stale";
    EXPECT_FALSE(CFaceCurRule::GetDefItem({-1, -1}, item, kQD));
    EXPECT_EQ(item, L"");

    // A first record with an empty item name gives no item.
    Doc().Items().insert(Doc().Items().begin(), Rule({12, -1}, L"", L"r", L"v"));
    EXPECT_FALSE(CFaceCurRule::GetDefItem({12, -1}, item, kQD));
}

// The project's rules through the system-rule entry point: the same pairs, from the document.
TEST_F(ItemRuleQuery, GetSysDefRulesGivesTheProjectsPairs)
{
    CStringArray rules{L"old"};
    ASSERT_TRUE(CFaceSysRule::GetSysDefRules({12, -1}, L"体积", rules, kQD));
    EXPECT_EQ(rules, (CStringArray{L"扣减项目", L"1,2", L"计算方式", L"1"}));
    ASSERT_TRUE(CFaceSysRule::GetSysDefRules({12, -1}, L"", rules, kQD));
    EXPECT_EQ(rules, (CStringArray{L"扣减项目", L"1,2", L"计算方式", L"1", L"扣减项目", L"3"}));

    // No type, an item without records, an empty document, no document.
    struct Refused {
        NS_KXComponentType::SCompGroupType comp;
        const wchar_t* item;
        KxSysRule::RuleType type;
    };
    for (const Refused& r : {Refused{{-1, -1}, L"", kQD}, Refused{{12, -1}, L"没有的项目", kQD},
                             Refused{{12, -1}, L"", KxSysRule::Rule_DingE},
                             Refused{{12, -1}, L"", static_cast<KxSysRule::RuleType>(7)}}) {
        rules = {L"old"};
        EXPECT_FALSE(CFaceSysRule::GetSysDefRules(r.comp, r.item, rules, r.type)) << U8(r.item) << " " << r.type;
        EXPECT_TRUE(rules.empty());
    }
}

} // namespace
} // namespace kxtest
