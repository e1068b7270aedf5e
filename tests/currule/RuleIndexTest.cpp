// The item-rule queries go through the document's index of component types: it must follow every
// change of the records, from a reload as from a caller that edits the list directly.
#include "currule/CurRuleFixture.h"

namespace kxtest {
namespace {

class RuleIndexTest : public CurRuleTest {
protected:
    static CStringArray Rules(NS_KXComponentType::SCompGroupType key, const CString& item)
    {
        CStringArray pairs;
        CFaceCurRule::GetCurItemRules(key, pairs, item, kQD);
        return pairs;
    }

    CString LoadBody(const std::string& name, const std::string& body)
    {
        const CString path = WriteRuleFile(name, RuleFile("ruletype=\"1\" RuleVer=\"25.1.0\"", body));
        EXPECT_TRUE(CFaceCurRule::InitXMLData(path, kQD));
        return path;
    }
};

TEST_F(RuleIndexTest, QueriesFollowAReloadOfAnotherFile)
{
    LoadBody("a.xml", "<G><框架梁><体积>" + RuleElem("扣减项目", "1,2") + "</体积></框架梁></G>");
    EXPECT_EQ(Rules({12, -1}, W("体积")), (CStringArray{W("扣减项目"), L"1,2"}));

    LoadBody("b.xml", "<G><屋面框架梁><体积>" + RuleElem("计算方式", "1", "", "S") + "</体积></屋面框架梁>"
                      "<框架梁><实体模板>" + RuleElem("扣减项目", "3") + "</实体模板></框架梁></G>");
    EXPECT_TRUE(Rules({12, -1}, W("体积")).empty());
    EXPECT_EQ(Rules({12, -1}, W("实体模板")), (CStringArray{W("扣减项目"), L"3"}));
    CString item;
    EXPECT_TRUE(CFaceCurRule::GetDefItem({18, -1}, item, kQD));
    EXPECT_EQ(item, W("体积"));
}

TEST_F(RuleIndexTest, QueriesFollowRecordsEditedInTheList)
{
    LoadBody("a.xml", "<G><框架梁><体积>" + RuleElem("扣减项目", "1") + "</体积></框架梁></G>");
    ASSERT_TRUE(CFaceCurRule::CheckItem({12, -1}, W("体积"), kQD));

    Doc().Items().insert(Doc().Items().begin(), Rule({41, -1}, L"砖模", L"扣减项目", L"113"));
    EXPECT_TRUE(CFaceCurRule::CheckItem({41, -1}, W("砖模"), kQD));
    // Positions moved by one: the record of type 12 is still found, with its own value.
    EXPECT_EQ(Rules({12, -1}, W("体积")), (CStringArray{W("扣减项目"), L"1"}));

    Doc().Items().erase(Doc().Items().begin() + 1);
    EXPECT_FALSE(CFaceCurRule::CheckItem({12, -1}, W("体积"), kQD));
    EXPECT_TRUE(CFaceCurRule::SetCurItemRules({41, -1}, {W("扣减项目"), L"114"}, W("砖模"), kQD));
    EXPECT_EQ(Doc().Items().at(0).strValue, L"114");
}

} // namespace
} // namespace kxtest
