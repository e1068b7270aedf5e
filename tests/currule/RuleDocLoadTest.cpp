// Loading rule files: the four element levels, sub-type resolution, the old-format conversions,
// the renumbering of type 18, the layout of the rewritten file and the refusals.
#include <optional>

#include "currule/CurRuleFixture.h"
#include "platform/Platform.h"

namespace kxtest {
namespace {

class RuleDocLoad : public CurRuleTest {};

// A current-version file: no sync, so the records are exactly what the file holds.
const std::string kCurrentBody =
    "<ZhuTi>"
    "<框架梁>"
    "<体积>" + RuleElem("扣减项目", "1,2") + RuleElem("计算方式", "1", "", "S") + "</体积>"
    "<弧形模板>" + RuleElem("计算方式", "1", "", "S") + "</弧形模板>"
    "<共用模板>" + RuleElem("扣减项目", "5") + "</共用模板>"
    "<未知项目>" + RuleElem("扣减项目", "7") + "</未知项目>"
    "</框架梁>"
    "<圈梁><体积>" + RuleElem("扣减项目", "9") + "</体积></圈梁>"
    "<屋面框架梁><体积><计算方式>1</计算方式></体积></屋面框架梁>"
    "</ZhuTi>"
    "<AnyGroupName><基础梁>"
    "<砖模>" + RuleElem("扣减项目", "43") + "</砖模>"
    "<砖胎模>" + RuleElem("扣减项目", "43") + "</砖胎模>"
    "</基础梁></AnyGroupName>";

// Loaded, rewritten in template order, read back, edited, saved elsewhere and loaded from there.
TEST_F(RuleDocLoad, ReadRewriteSaveAndReload)
{
    const CString path = Load(kCurrentBody, R"(ruletype="1" extra="kept" RuleVer="25.1.0" classtype="99")");
    EXPECT_EQ(Records(), (Lines{
                             "12.-1 体积 扣减项目=1,2",     // also listed by sub-type 4: the own item wins
                             "12.-1 体积 计算方式=1",
                             "12.3 弧形模板 计算方式=1",     // listed by sub-type 3 only
                             "12.4 共用模板 扣减项目=5",     // listed by sub-types 3 and 4: the last wins
                             "12.-1 未知项目 扣减项目=7",    // listed nowhere
                             "18.-1 体积 计算方式=1",        // 圈梁 has no template and is skipped
                             "41.-1 砖模 扣减项目=43",       // not old format: codes stay
                             "41.-1 砖胎模 扣减项目=43",     // and the item keeps its name
                         }));
    // Attributes missing from the element read as empty; text and options are never stored.
    EXPECT_EQ(Attrs(0), "M|KouJ||");
    EXPECT_EQ(Attrs(1), "S|||");
    EXPECT_EQ(Attrs(5), "|||");
    EXPECT_EQ(Doc().GetVersion(), L"25.1.0");

    // Same version, still rewritten: every group, type and item of the templates, even empty
    // ones; records under the first element of their (type, item); a record whose item no
    // template lists is not written.
    EXPECT_EQ(Outline(m_dir / "proj" / "QD.xml"),
              "工程数据 ruletype=1 extra=kept RuleVer=25.1.0 classtype=10\n"
              " ZhuTi classtype=1\n"
              "  框架梁 classtype=1\n"
              "   体积 classtype=2\n"
              "    扣减项目 classtype=3 selecttype=M initype=KouJ : 1,2\n"
              "    计算方式 classtype=3 selecttype=S initype= : 1\n"
              "   实体模板 classtype=2\n"
              "   弧形模板 classtype=2\n"
              "    计算方式 classtype=3 selecttype=S initype= : 1\n"
              "   共用模板 classtype=2\n"
              "    扣减项目 classtype=3 selecttype=M initype=KouJ : 5\n"
              "   共用模板 classtype=2\n"
              "   体积 classtype=2\n"
              "  屋面框架梁 classtype=1\n"
              "   体积 classtype=2\n"
              "    计算方式 classtype=3 selecttype= initype= : 1\n"
              " JiChu classtype=1\n"
              "  基础梁 classtype=1\n"
              "   实体模板 classtype=2\n"
              "   砖模 classtype=2\n"
              "    扣减项目 classtype=3 selecttype=M initype=KouJ : 43\n"
              "  砼条基 classtype=1\n"
              "   体积 classtype=2\n"
              "   砖模 classtype=2\n"
              " Empty classtype=1\n");

    // Reading the rewritten file back gives the same records, less those not written.
    ASSERT_TRUE(CFaceCurRule::InitXMLData(L"-1", kQD));
    const Lines written{"12.-1 体积 扣减项目=1,2", "12.-1 体积 计算方式=1", "12.3 弧形模板 计算方式=1",
                        "12.4 共用模板 扣减项目=5", "18.-1 体积 计算方式=1", "41.-1 砖模 扣减项目=43"};
    EXPECT_EQ(Records(), written);

    ASSERT_TRUE(CFaceCurRule::SetCurItemRules({12, 3}, {L"计算方式", L"0"}, L"弧形模板", kQD));
    ASSERT_TRUE(CFaceCurRule::SetCurItemRules({12, -1}, {L"扣减项目", L""}, L"体积", kQD));
    const CString copy = WriteRuleFile("copy.xml", "");
    ASSERT_TRUE(CFaceCurRule::SaveXMLData(copy, kQD));
    EXPECT_EQ(CFaceCurRule::GetCurFileName(kQD), path);
    ASSERT_TRUE(CFaceCurRule::InitXMLData(copy, KxSysRule::Rule_DingE));
    Lines edited = written;
    edited[0] = "12.-1 体积 扣减项目=";
    edited[2] = "12.3 弧形模板 计算方式=0";
    EXPECT_EQ(Records(KxSysRule::Rule_DingE), edited);
}

// Old-format files: no "RuleVer". The program is at the old version here, so no sync interferes.
// Every entry of the brick-mould code table is met here; the edges of a value list further down.
TEST_F(RuleDocLoad, OldFormatConversions)
{
    Install(kTestTemplates, "22.3.1");
    const std::string body =
        "<ZhuTi>"
        "<框架梁><实体模板>" + RuleElem("扣减项目", "") + RuleElem("计算方式", "2,3", "", "S") + "</实体模板>"
        "<体积>" + RuleElem("扣减项目", "2,3") + "</体积></框架梁>"
        "<屋面框架梁><体积>" + RuleElem("计算方式", "1", "", "S") + "</体积></屋面框架梁>"
        "</ZhuTi>"
        "<JiChu>"
        "<基础梁>"
        "<砖胎模>" + RuleElem("扣减项目", "43,47,99,49,46") + RuleElem("增加项目", "43", "ZenJ") + "</砖胎模>"
        "<实体模板>" + RuleElem("扣减项目", "11,2") + RuleElem("扣减项目", "3,1") + "</实体模板>"
        "</基础梁>"
        "<砼条基><砖胎模>" + RuleElem("扣减项目", "46,44, 49,x,101") + "</砖胎模></砼条基>"
        "</JiChu>";
    Load(body, R"(ruletype="1" classtype="10" version="3" projtype="2" other="x")", "DE.xml", KxSysRule::Rule_DingE);

    EXPECT_EQ(Records(KxSysRule::Rule_DingE),
              (Lines{
                  "12.-1 实体模板 扣减项目=1,",             // beams always deducted code 1
                  "12.-1 实体模板 计算方式=2,3",            // another rule
                  "12.-1 体积 扣减项目=2,3",                // another item
                  "12.-1 体积 计算方式=1",                  // type 18 was 12 before 25.1.0
                  "41.-1 砖模 扣减项目=113,114,115,122,123,99,119,120,121",  // 49 dropped for 基础梁
                  "41.-1 砖模 增加项目=43",                 // not a KouJ rule
                  "41.-1 实体模板 扣减项目=1,11,2",
                  "41.-1 实体模板 扣减项目=3,1",            // already has code 1
                  "42.7 砖模 扣减项目=116,117,118,124,125,126,0,127,128",  // 46 dropped; sub-type from 砖模
              }));
    EXPECT_EQ(Doc(KxSysRule::Rule_DingE).GetVersion(), L"22.3.1");
    EXPECT_EQ(RootLine("DE.xml"), "工程数据 ruletype=1 other=x RuleVer=22.3.1 classtype=10");
}

TEST_F(RuleDocLoad, BrickMouldCodeListEdges)
{
    const struct {
        const char* calItem;
        const char* value;
        const char* expected;
    } rows[] = {
        {"砖模", "101,,7,+8,-3,abc,12abc", "127,128,7,8,-3,0,12"},
        {"砖模", "", ""},
        {"砖胎模", "43", "43"}, // only the renamed item is converted
    };
    for (const auto& r : rows) {
        SRuleItem item = Rule({12, -1}, W(r.calItem).c_str(), L"扣减项目", W(r.value).c_str());
        item.strIniType = L"KouJ";
        CCurRuleDoc::ConvertBrickMouldCodes(L"框架梁", item);
        EXPECT_EQ(U8(item.strValue), r.expected) << r.calItem << " " << r.value;
    }
}

TEST_F(RuleDocLoad, Type18RenumberedOnlyBeforeVersion25_1_0)
{
    const struct {
        const char* fileVersion;
        const char* programVersion;
        int expectedType;
    } cases[] = {
        {"24.9.9", "24.9.9", 12},
        {"25.0", "25.0.0", 12},
        {"25.1.0", "25.1.0", 18},
        {"25.2.0", "25.1.0", 18},
    };
    for (const auto& c : cases) {
        Install(kTestTemplates, c.programVersion);
        Load("<ZhuTi><屋面框架梁><体积>" + RuleElem("计算方式", "1", "", "S") + "</体积></屋面框架梁></ZhuTi>",
             std::string("ruletype=\"1\" RuleVer=\"") + c.fileVersion + "\"");
        ASSERT_EQ(Doc().Items().size(), 1u) << c.fileVersion;
        EXPECT_EQ(Doc().Items()[0].compType.nTypeId, c.expectedType) << c.fileVersion;
        EXPECT_EQ(U8(Doc().GetVersion()), c.fileVersion);
    }
}

// Refused and unreadable files leave the records as they were. A file that is not a rule file is
// left untouched and keeps the name; a missing or broken one forgets it.
TEST_F(RuleDocLoad, RefusedOrUnreadableFileKeepsTheRecords)
{
    std::vector<CString> messages;
    KxSysRule::SetMessageBoxHandler([&](const CString& text) { messages.push_back(text); });
    const std::string body = "<ZhuTi><框架梁><体积>" + RuleElem("扣减项目", "1") + "</体积></框架梁></ZhuTi>";
    Load(body, R"(ruletype="1" RuleVer="25.1.0")", "good.xml");
    ASSERT_EQ(Records(), (Lines{"12.-1 体积 扣减项目=1"}));

    const struct {
        const char* name;
        std::optional<std::string> content;
        bool message;
        bool keepsName;
    } rows[] = {
        {"wrongtype.xml", RuleFile(R"(ruletype="2" RuleVer="25.1.0")", body), true, true},
        {"spaced.xml", RuleFile(R"(ruletype=" 1" RuleVer="25.1.0")", body), true, true},
        {"notype.xml", RuleFile(R"(RuleVer="25.1.0")", body), false, true},
        {"otherroot.xml", R"(<?xml version="1.0"?><项目 ruletype="1"/>)", false, true},
        {"missing.xml", std::nullopt, false, false},
        {"broken.xml", "<工程数据 ruletype=\"1\"><ZhuTi>", false, false},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        messages.clear();
        const CString path = r.content ? WriteRuleFile(r.name, *r.content) : W(m_dir / "proj" / r.name);
        EXPECT_TRUE(CFaceCurRule::InitXMLData(path, kQD));
        EXPECT_EQ(messages, r.message ? std::vector<CString>{L"不是合法的计算规则文件!"} : std::vector<CString>{});
        EXPECT_EQ(Records(), (Lines{"12.-1 体积 扣减项目=1"}));
        EXPECT_EQ(Doc().GetVersion(), L"25.1.0");
        if (r.content)
            EXPECT_EQ(ReadBytes(m_dir / "proj" / r.name), *r.content) << "was rewritten";
        else
            EXPECT_FALSE(fs::exists(m_dir / "proj" / r.name));
        EXPECT_EQ(CFaceCurRule::GetCurFileName(kQD), r.keepsName ? path : L"");
        if (!r.keepsName) {
            // The fresh tree is empty, so there is nothing to save.
            EXPECT_FALSE(CFaceCurRule::SaveXMLData(W(m_dir / "proj" / "out.xml"), kQD));
            EXPECT_FALSE(fs::exists(m_dir / "proj" / "out.xml"));
        }
    }
}

TEST_F(RuleDocLoad, ReadOnlyFileIsMadeWritableAndRewritten)
{
    const CString path = WriteRuleFile("QD.xml", RuleFile(R"(ruletype="1" RuleVer="25.1.0")", kCurrentBody));
    const fs::path file = m_dir / "proj" / "QD.xml";
    fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const std::string before = ReadBytes(file);
    ASSERT_TRUE(CFaceCurRule::InitXMLData(path, kQD));
    EXPECT_NE(fs::status(file).permissions() & fs::perms::owner_write, fs::perms::none);
    EXPECT_NE(ReadBytes(file), before);
    EXPECT_EQ(RootLine("QD.xml"), "工程数据 ruletype=1 RuleVer=25.1.0 classtype=10");
}

// Every child of a calculation item is a record, a comment too; its name cannot be written back,
// so neither the load's rewrite nor a save touches the file.
TEST_F(RuleDocLoad, CommentAmongRulesIsReadButNeverWritten)
{
    const std::string body = "<ZhuTi><框架梁><体积><!--手改-->" + RuleElem("扣减项目", "1") + "</体积></框架梁></ZhuTi>";
    const CString path = Load(body);
    const std::string content = RuleFile(R"(ruletype="1" RuleVer="25.1.0")", body);
    EXPECT_EQ(CFaceCurRule::GetCurFileName(kQD), path);
    EXPECT_EQ(Records(), (Lines{"12.-1 体积 #comment=手改", "12.-1 体积 扣减项目=1"}));
    EXPECT_EQ(ReadBytes(m_dir / "proj" / "QD.xml"), content);
    EXPECT_FALSE(CFaceCurRule::SaveXMLData(path, kQD));
    EXPECT_EQ(ReadBytes(m_dir / "proj" / "QD.xml"), content);

    // Without that record the same document saves.
    Doc().Items().erase(Doc().Items().begin());
    EXPECT_TRUE(CFaceCurRule::SaveXMLData(path, kQD));
    EXPECT_EQ(Outline(m_dir / "proj" / "QD.xml").find("#comment"), std::string::npos);
}

// The records are read from a flat outline of the file where its content allows, else from the
// tree: a comment beside the groups, which holds no record, sends the same file the tree's way.
TEST_F(RuleDocLoad, RecordsReadTheSameFromTheOutlineAndFromTheTree)
{
    const std::string body = kCurrentBody + "<ZhuTi><框架梁><体积>" + RuleElem("扣减项目", " a&amp;b &#x4E2D; ") +
                             "<计算方式 selecttype=\"S\">\n  </计算方式></体积></框架梁></ZhuTi>";
    for (const char* attrs : {R"(ruletype="1" RuleVer="25.1.0")", R"(ruletype="1" RuleVer="24.2.0")",
                              R"(ruletype="1" classtype="10")"}) {
        SCOPED_TRACE(attrs);
        Load(body, attrs, "outline.xml");
        const Lines records = Records();
        ASSERT_GE(records.size(), 6u);
        Lines details;
        for (std::size_t i = 0; i < records.size(); ++i)
            details.push_back(Attrs(i));
        Load(body + "<!-- 手改 -->", attrs, "tree.xml");
        EXPECT_EQ(Records(), records);
        for (std::size_t i = 0; i < records.size() && i < details.size(); ++i)
            EXPECT_EQ(Attrs(i), details[i]) << i;
        EXPECT_EQ(ReadBytes(m_dir / "proj" / "tree.xml"), ReadBytes(m_dir / "proj" / "outline.xml"));
    }
}

// Chinese Windows systems write GBK characters into files declared GB2312: such a file loads, and
// its rewrite keeps the declaration and every character.
TEST_F(RuleDocLoad, Gb2312DeclaredFileHoldingGbkCharacters)
{
    std::string templates = kTestTemplates;
    templates.replace(templates.find("屋面框架梁"), std::string("屋面框架梁").size(), "堃梁");
    Install(templates);
    const std::string body = "<ZhuTi><堃梁><体积>" + RuleElem("计算方式", "堃1", "", "S") + "</体积></堃梁></ZhuTi>";
    const CString path = WriteRuleFile("QD.xml", Encoded(RuleFile(R"(ruletype="1" RuleVer="25.1.0")", body), "GB18030", "GB2312"));
    ASSERT_TRUE(CFaceCurRule::InitXMLData(path, kQD));
    EXPECT_EQ(CFaceCurRule::GetCurFileName(kQD), path);
    EXPECT_EQ(Records(), Lines{"18.-1 体积 计算方式=堃1"});
    CString saved;
    ASSERT_TRUE(kx::platform::Decode(ReadBytes(m_dir / "proj" / "QD.xml"), "GB18030", saved));
    EXPECT_EQ(U8(saved).rfind("<?xml version=\"1.0\" encoding=\"GB2312\"?>", 0), 0u) << U8(saved);
    EXPECT_NE(U8(saved).find("<堃梁 classtype=\"1\">"), std::string::npos) << U8(saved);
    EXPECT_NE(U8(saved).find(">堃1</计算方式>"), std::string::npos) << U8(saved);
}

// Host paths may use backslashes and another letter case than the file system.
TEST_F(RuleDocLoad, AcceptsHostSpelledPaths)
{
    WriteRuleFile("QDRule.xml", RuleFile(R"(ruletype="1" RuleVer="25.1.0")", kCurrentBody));
    const CString hostPath = HostPath(m_dir / "PROJ" / "qdrule.XML");
    ASSERT_TRUE(CFaceCurRule::InitXMLData(hostPath, kQD));
    EXPECT_EQ(CFaceCurRule::GetCurFileName(kQD), hostPath);
    EXPECT_EQ(Doc().Items().size(), 8u);
    EXPECT_EQ(RootLine("QDRule.xml"), "工程数据 ruletype=1 RuleVer=25.1.0 classtype=10");
}

} // namespace
} // namespace kxtest
