// Files older than the program are rebuilt from the system default rules, keeping the project's
// values where a default of the same key exists.
#include "currule/CurRuleFixture.h"

namespace kxtest {
namespace {

class RuleDocSync : public CurRuleTest {};

const std::string kOlderBody =
    "<ZhuTi>"
    "<框架梁>"
    "<体积>" + RuleElem("扣减项目", "3", "Y", "X") + RuleElem("多余规则", "5") + "</体积>"
    "<弧形模板>" + RuleElem("计算方式", "1", "", "S") + "</弧形模板>"
    "</框架梁>"
    "<屋面框架梁><体积>" + RuleElem("计算方式", "1", "", "S") + "</体积></屋面框架梁>"
    "</ZhuTi>"
    "<JiChu><基础梁><砖模>" + RuleElem("扣减项目", "") + "</砖模></基础梁></JiChu>";

TEST_F(RuleDocSync, OlderFileTakesTheDefaultsWithTheProjectValues)
{
    Load(kOlderBody, R"(ruletype="1" RuleVer="24.2.0")");

    EXPECT_EQ(Records(), (Lines{
                             "12.-1 体积 扣减项目=3",
                             "12.-1 体积 计算方式=1",      // from 屋面框架梁, renumbered to 12 before the sync
                             "12.-1 实体模板 扣减项目=1,2", // no project record: the default
                             "12.3 弧形模板 计算方式=1",
                             "18.-1 体积 计算方式=0",
                             "41.-1 砖模 扣减项目=",       // an empty project value is a value
                         })); // 多余规则 has no default and is gone
    EXPECT_EQ(Attrs(0), "M|KouJ|扣减说明|1,2,3"); // the default's attributes, not the file's
    EXPECT_EQ(Doc().GetVersion(), L"25.1.0");

    const std::string outline = Outline(m_dir / "proj" / "QD.xml");
    EXPECT_EQ(RootLine("QD.xml"), "工程数据 ruletype=1 RuleVer=25.1.0 classtype=10");
    EXPECT_NE(outline.find("扣减项目 classtype=3 selecttype=M initype=KouJ : 3\n"), std::string::npos);
    EXPECT_EQ(outline.find("多余规则"), std::string::npos);

    // The rewritten file is current: loading it again changes nothing.
    ASSERT_TRUE(CFaceCurRule::InitXMLData(L"-1", kQD));
    EXPECT_EQ(Records().size(), 6u);
    EXPECT_EQ(Records()[0], "12.-1 体积 扣减项目=3");
    EXPECT_EQ(Attrs(0), "M|KouJ||"); // as the file has it: no text or options left from the defaults

    // A smaller file read into the same records leaves nothing of the earlier ones behind.
    Load("<ZhuTi><框架梁><体积><扣减项目>7</扣减项目></体积></框架梁></ZhuTi>", R"(ruletype="1" RuleVer="25.1.0")",
         "small.xml");
    EXPECT_EQ(Records(), (Lines{"12.-1 体积 扣减项目=7"}));
    EXPECT_EQ(Attrs(0), "|||");
}

// Each project record goes to one default of its key (type, sub-type, item, rule): the first one
// free, whichever default follows the one taken last. Defaults left over keep their values.
TEST_F(RuleDocSync, RecordsOutOfTheDefaultsOrderGoToTheFirstFreeDefault)
{
    Install(R"(<Templates>
  <Group id="1" name="ZhuTi"><Comp name="框架梁" type="12"><Item name="体积"/><Item name="实体模板"/></Comp></Group>
  <Rules>
    <Rule type="12" item="体积" name="扣减项目" value="d1"/>
    <Rule type="12" item="实体模板" name="扣减项目" value="e1"/>
    <Rule type="12" item="体积" name="扣减项目" value="d2"/>
    <Rule type="12" item="体积" name="计算方式" value="c1"/>
    <Rule type="12" item="实体模板" name="扣减项目" value="e2"/>
    <Rule type="12" sub="5" item="实体模板" name="扣减项目" value="s1"/>
  </Rules>
</Templates>)");
    const std::string body = "<ZhuTi><框架梁>"
                             "<实体模板>" + RuleElem("扣减项目", "q") + "</实体模板>"
                             "<体积>" + RuleElem("扣减项目", "p1") + RuleElem("计算方式", "m") +
                             RuleElem("扣减项目", "p2") + RuleElem("扣减项目", "p3") + "</体积>"
                             "</框架梁></ZhuTi>";
    Load(body, R"(ruletype="1" RuleVer="25.0.9")");
    EXPECT_EQ(Records(), (Lines{
                             "12.-1 体积 扣减项目=p1",
                             "12.-1 实体模板 扣减项目=q",
                             "12.-1 体积 扣减项目=p2",
                             "12.-1 体积 计算方式=m", // p3 finds no free default and is dropped
                             "12.-1 实体模板 扣减项目=e2",
                             "12.5 实体模板 扣减项目=s1", // another sub-type is another key
                         }));
}

// Without default records, or with a file newer than the program, nothing is synced.
TEST_F(RuleDocSync, NoDefaultsOrNewerFileMeansNoSync)
{
    Load(kOlderBody, R"(ruletype="1" RuleVer="26.0.0")");
    EXPECT_EQ(Records(), (Lines{"12.-1 体积 扣减项目=3", "12.-1 体积 多余规则=5", "12.3 弧形模板 计算方式=1",
                                "18.-1 体积 计算方式=1", "41.-1 砖模 扣减项目="}));
    EXPECT_EQ(Attrs(0), "X|Y||");
    EXPECT_EQ(RootLine("QD.xml"), "工程数据 ruletype=1 RuleVer=26.0.0 classtype=10"); // rewritten all the same

    // No defaults: not even rewritten, and the file's version stays.
    Install(R"(<Templates><Group id="1" name="ZhuTi"><Comp name="框架梁" type="12"><Item name="体积"/></Comp></Group></Templates>)");
    const std::string content = RuleFile(R"(ruletype="1" RuleVer="24.2.0")", kOlderBody);
    ASSERT_TRUE(CFaceCurRule::InitXMLData(WriteRuleFile("QD.xml", content), kQD));
    EXPECT_EQ(ReadBytes(m_dir / "proj" / "QD.xml"), content);
    EXPECT_EQ(Doc().GetVersion(), L"24.2.0");
    EXPECT_EQ(Records(), (Lines{"12.-1 体积 扣减项目=3", "12.-1 体积 多余规则=5", "12.-1 弧形模板 计算方式=1"}));
}

// An old-format file at a newer program: converted, renumbered, then synced.
TEST_F(RuleDocSync, OldFormatFileIsConvertedThenSynced)
{
    const std::string body = "<ZhuTi><屋面框架梁><体积>" + RuleElem("计算方式", "1", "", "S") + "</体积></屋面框架梁></ZhuTi>"
                             "<JiChu><基础梁><砖胎模>" + RuleElem("扣减项目", "43,49") + "</砖胎模></基础梁></JiChu>";
    Load(body, R"(ruletype="1" version="2")", "DE.xml");
    EXPECT_EQ(Records(), (Lines{
                             "12.-1 体积 扣减项目=1",
                             "12.-1 体积 计算方式=1",
                             "12.-1 实体模板 扣减项目=1,2",
                             "12.3 弧形模板 计算方式=0",
                             "18.-1 体积 计算方式=0",
                             "41.-1 砖模 扣减项目=113,114,115",
                         }));
    EXPECT_EQ(RootLine("DE.xml"), "工程数据 ruletype=1 RuleVer=25.1.0 classtype=10");
}

} // namespace
} // namespace kxtest
