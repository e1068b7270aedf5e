// How DefaultDeFenLeiSet.xml is read: elements by depth, the walk that ends at the first
// non-element, read errors that keep the groups completed before them, ids, encodings.
#include <climits>

#include "DeFenLeiFixture.h"
#include "defenlei/CDeFenLeiFile.h"

using namespace fenleitest;
using namespace kxtest;

namespace {

struct ReadCase {
    const char* name;
    const char* body;     // content of the document element
    const char* expected; // Describe() of what is read
};

// Two ordinary groups used around the case under test.
#define BEAM R"(<Comp TypeId="12" SubTypeId="-1"><体积><Var VarKey="TJDJ"/><Var VarKey="H"/></体积></Comp>)"
#define WALL R"(<Comp TypeId="51" SubTypeId="-1"><体积><Var VarKey="QTCL"/></体积></Comp>)"

const ReadCase kReadCases[] = {
    {"Plain", BEAM WALL, "12:-1{体积[TJDJ,H]} 51:-1{体积[QTCL]}"},
    {"CommentFirstReadsNothing", "<!-- note -->" BEAM WALL, ""},
    {"CommentBetweenGroupsEndsTheWalk", BEAM "<!-- note -->" WALL, "12:-1{体积[TJDJ,H]}"},
    {"TextBetweenGroupsEndsTheWalk", BEAM "stray" WALL, "12:-1{体积[TJDJ,H]}"},
    {"ProcessingInstructionEndsTheWalk", BEAM "<?pi x?>" WALL, "12:-1{体积[TJDJ,H]}"},
    {"ForeignGroupNameReadAsGroup",
     R"(<Group TypeId="7" SubTypeId="2"><面积><Key VarKey="A"/><Other VarKey="B"/></面积></Group>)", "7:2{面积[A,B]}"},
    {"FirstGroupWithItemsWins",
     R"(<Comp TypeId="5" SubTypeId="0"></Comp>)"
     R"(<Comp TypeId="5" SubTypeId="0"><甲><Var VarKey="first"/></甲></Comp>)"
     R"(<Comp TypeId="5" SubTypeId="0"><乙><Var VarKey="second"/></乙></Comp>)",
     "5:0{甲[first]}"},
    {"GroupWithoutItemsIsNoEntry", R"(<Comp TypeId="3" SubTypeId="1"/>)" WALL, "51:-1{体积[QTCL]}"},
    {"GroupWhoseFirstChildIsCommentIsNoEntry",
     R"(<Comp TypeId="3" SubTypeId="1"><!--x--><甲><Var VarKey="k"/></甲></Comp>)" WALL, "51:-1{体积[QTCL]}"},
    {"ItemWithoutVarsKeptEmpty", R"(<Comp TypeId="3" SubTypeId="1"><甲/><乙><Var VarKey="k"/></乙></Comp>)",
     "3:1{甲[] 乙[k]}"},
    {"TextInItemEndsItsKeys",
     R"(<Comp TypeId="3" SubTypeId="1"><甲><Var VarKey="a"/>text<Var VarKey="b"/></甲><乙/></Comp>)", "3:1{甲[a] 乙[]}"},
    {"CDataFirstInItemGivesNoKeys", R"(<Comp TypeId="3" SubTypeId="1"><甲><![CDATA[x]]><Var VarKey="a"/></甲></Comp>)",
     "3:1{甲[]}"},
    {"EmptyVarKeyIsEmptyString", R"(<Comp TypeId="3" SubTypeId="1"><甲><Var VarKey=""/></甲></Comp>)", "3:1{甲[\"\"]}"},
    {"DuplicateItemNamesKept",
     R"(<Comp TypeId="3" SubTypeId="1"><甲><Var VarKey="a"/></甲><甲><Var VarKey="b"/></甲></Comp>)", "3:1{甲[a] 甲[b]}"},
    {"EntitiesInVarKeyResolved", R"(<Comp TypeId="3" SubTypeId="1"><甲><Var VarKey="a&amp;b&lt;&#x4E2D;"/></甲></Comp>)",
     "3:1{甲[a&b<中]}"},
    {"NegativeKeysSortFirst",
     R"(<Comp TypeId="0" SubTypeId="0"><甲><Var VarKey="z"/></甲></Comp>)"
     R"(<Comp TypeId="-1" SubTypeId="5"><甲><Var VarKey="y"/></甲></Comp>)"
     R"(<Comp TypeId="-1" SubTypeId="-3"><甲><Var VarKey="x"/></甲></Comp>)",
     "-1:-3{甲[x]} -1:5{甲[y]} 0:0{甲[z]}"},
    {"IdExtremes",
     R"(<Comp TypeId="-2147483648" SubTypeId="2147483647"><甲><Var VarKey="k"/></甲></Comp>)",
     "-2147483648:2147483647{甲[k]}"},
    {"BadTypeIdInTheMiddleKeepsEarlierGroups",
     BEAM R"(<Comp TypeId="beam" SubTypeId="-1"><甲><Var VarKey="k"/></甲></Comp>)" WALL, "12:-1{体积[TJDJ,H]}"},
    {"TypeIdOutOfRangeIsAnError", BEAM R"(<Comp TypeId="2147483648" SubTypeId="0"><甲><Var VarKey="k"/></甲></Comp>)" WALL,
     "12:-1{体积[TJDJ,H]}"},
    {"MissingSubTypeIdIsAnError", BEAM R"(<Comp TypeId="4"><甲><Var VarKey="k"/></甲></Comp>)" WALL,
     "12:-1{体积[TJDJ,H]}"},
    {"EmptyTypeIdIsAnError", R"(<Comp TypeId="" SubTypeId="0"><甲><Var VarKey="k"/></甲></Comp>)" WALL, ""},
    {"MissingVarKeyDropsTheGroupAndStops",
     BEAM R"(<Comp TypeId="4" SubTypeId="0"><甲><Var VarKey="k"/></甲><乙><Var/></乙></Comp>)" WALL,
     "12:-1{体积[TJDJ,H]}"},
    {"NamespacedVarKeyIsNotVarKey",
     R"(<Comp TypeId="4" SubTypeId="0" xmlns:n="urn:n"><甲><Var n:VarKey="k"/></甲></Comp>)", ""},
    {"PrefixedItemNameKeptWhole",
     R"(<Comp TypeId="4" SubTypeId="0" xmlns:n="urn:n"><n:甲><Var VarKey="k"/></n:甲></Comp>)", "4:0{n:甲[k]}"},
};

class ReadRules : public FenLeiTest, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(ReadRules, ReadsAsDescribed)
{
    WriteFile(std::string(R"(<DeFenLeiSetInfo version="1">)") + GetParam().body + "</DeFenLeiSetInfo>");
    EXPECT_EQ(ReadCold(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(DeFenLeiRead, ReadRules, ::testing::ValuesIn(kReadCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FenLeiTest, IndentedAndCompactFilesReadAlike)
{
    WriteFile("<DeFenLeiSetInfo>" BEAM WALL "</DeFenLeiSetInfo>");
    const std::string compact = ReadCold();
    WriteFile("<?xml version=\"1.0\"?>\r\n<DeFenLeiSetInfo version=\"1\">\r\n\t<Comp TypeId=\"12\" SubTypeId=\"-1\">\n"
              "    <体积>\n      <Var VarKey=\"TJDJ\"/>\n      <Var VarKey=\"H\"/>\n    </体积>\n  </Comp>\n"
              "  <Comp TypeId=\"51\" SubTypeId=\"-1\">\n    <体积> <Var VarKey=\"QTCL\"/> </体积>\n  </Comp>\n"
              "</DeFenLeiSetInfo>\n");
    EXPECT_EQ(ReadCold(), compact);
    EXPECT_EQ(compact, "12:-1{体积[TJDJ,H]} 51:-1{体积[QTCL]}");
}

TEST_F(FenLeiTest, VersionIsIgnored)
{
    for (const char* root : {R"(<DeFenLeiSetInfo version="7">)", R"(<DeFenLeiSetInfo version="abc">)",
                             "<DeFenLeiSetInfo>"}) {
        WriteFile(std::string(root) + WALL "</DeFenLeiSetInfo>");
        EXPECT_EQ(ReadCold(), "51:-1{体积[QTCL]}") << root;
    }
}

TEST_F(FenLeiTest, UnusableFilesReadNothing)
{
    const char* const files[] = {
        "<DeFenLeiSetInfo>" BEAM,                      // not well-formed
        "<Settings>" BEAM "</Settings>",               // foreign document element
        R"(<DeFenLeiSetInfo xmlns="urn:x">)" BEAM "</DeFenLeiSetInfo>", // not the element by that name
        "",
        "\xEF\xBB\xBF",
    };
    for (const char* file : files) {
        WriteFile(file);
        EXPECT_EQ(ReadCold(), "") << file;
    }
}

TEST_F(FenLeiTest, DeclaredEncodingsAreDecoded)
{
    for (const char* name : {"gb2312.xml", "utf16.xml"}) {
        WriteFile(ReadBytes(TestDataDir() / "defenlei" / name));
        EXPECT_EQ(ReadCold(), "12:3{弧形模板[模板类型]} 41:-1{砖基础[砂浆标号,砖规格]}") << name;
    }
}

TEST_F(FenLeiTest, FileNameFoundWithoutRegardToCase)
{
    WriteBytes(m_proj / "defaultdefenleiset.XML", "<DeFenLeiSetInfo>" WALL "</DeFenLeiSetInfo>");
    EXPECT_EQ(ReadCold(), "51:-1{体积[QTCL]}");
}

struct IdCase {
    const wchar_t* text;
    std::optional<int> value;
};

TEST(DeFenLeiParseId, AcceptsSignedDecimalsInRangeOnly)
{
    const IdCase cases[] = {
        {L"12", 12},          {L"-1", -1},          {L"+3", 3},           {L"007", 7},
        {L" \t7\n ", 7},      {L"-0", 0},           {L"2147483647", INT_MAX}, {L"-2147483648", INT_MIN},
        {L"2147483648", {}},  {L"-2147483649", {}}, {L"99999999999999999999", {}},
        {L"", {}},            {L" ", {}},           {L"-", {}},           {L"+", {}},
        {L"--1", {}},         {L"+-1", {}},         {L"1 2", {}},         {L"12a", {}},
        {L"0x10", {}},        {L"1.0", {}},         {L"\x00A0" L"1", {}}, {L"\xFF11\xFF12", {}},
        {L"- 1", {}},
    };
    for (const IdCase& c : cases)
        EXPECT_EQ(CDeFenLeiFile::ParseId(c.text), c.value) << U8(c.text);
}

} // namespace
