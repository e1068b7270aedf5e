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
    const char* file;     // the whole file
    const char* expected; // Describe() of what is read
};

// Two ordinary groups used around the case under test.
#define BEAM R"(<Comp TypeId="12" SubTypeId="-1"><体积><Var VarKey="TJDJ"/><Var VarKey="H"/></体积></Comp>)"
#define WALL R"(<Comp TypeId="51" SubTypeId="-1"><体积><Var VarKey="QTCL"/></体积></Comp>)"
#define DOC(body) R"(<DeFenLeiSetInfo version="1">)" body "</DeFenLeiSetInfo>"
#define COMP(item) R"(<Comp TypeId="3" SubTypeId="1">)" item "</Comp>"
const char kBoth[] = "12:-1{体积[TJDJ,H]} 51:-1{体积[QTCL]}";
const char kBeamOnly[] = "12:-1{体积[TJDJ,H]}";

const ReadCase kReadCases[] = {
    {"Plain", DOC(BEAM WALL), kBoth},
    {"Indented",
     "<?xml version=\"1.0\"?>\r\n<DeFenLeiSetInfo>\r\n\t<Comp TypeId=\"12\" SubTypeId=\"-1\">\n    <体积>\n"
     "      <Var VarKey=\"TJDJ\"/>\n      <Var VarKey=\"H\"/>\n    </体积>\n  </Comp>\n"
     "  <Comp TypeId=\"51\" SubTypeId=\"-1\">\n    <体积> <Var VarKey=\"QTCL\"/> </体积>\n  </Comp>\n"
     "</DeFenLeiSetInfo>\n",
     kBoth},
    {"VersionIsIgnored", R"(<DeFenLeiSetInfo version="abc">)" BEAM WALL "</DeFenLeiSetInfo>", kBoth},
    {"CommentFirstReadsNothing", DOC("<!-- note -->" BEAM WALL), ""},
    {"CommentBetweenGroupsEndsTheWalk", DOC(BEAM "<!-- note -->" WALL), kBeamOnly},
    {"TextBetweenGroupsEndsTheWalk", DOC(BEAM "stray" WALL), kBeamOnly},
    {"ProcessingInstructionEndsTheWalk", DOC(BEAM "<?pi x?>" WALL), kBeamOnly},
    {"ForeignGroupNameReadAsGroup",
     DOC(R"(<Group TypeId="7" SubTypeId="2"><面积><Key VarKey="A"/><Other VarKey="B"/></面积></Group>)"), "7:2{面积[A,B]}"},
    {"FirstGroupWithItemsWins",
     DOC(R"(<Comp TypeId="5" SubTypeId="0"></Comp>)"
         R"(<Comp TypeId="5" SubTypeId="0"><甲><Var VarKey="first"/></甲></Comp>)"
         R"(<Comp TypeId="5" SubTypeId="0"><乙><Var VarKey="second"/></乙></Comp>)"),
     "5:0{甲[first]}"},
    {"FirstGroupOfAKeyWinsWhereverItStands",
     DOC(R"(<Comp TypeId="5" SubTypeId="0"><甲><Var VarKey="first"/></甲></Comp>)"
         R"(<Comp TypeId="3" SubTypeId="0"><丙><Var VarKey="x"/></丙></Comp>)"
         R"(<Comp TypeId="5" SubTypeId="0"><乙><Var VarKey="second"/></乙></Comp>)"),
     "3:0{丙[x]} 5:0{甲[first]}"},
    {"GroupWithoutItemsIsNoEntry", DOC(COMP("") WALL), "51:-1{体积[QTCL]}"},
    {"GroupWhoseFirstChildIsCommentIsNoEntry", DOC(COMP(R"(<!--x--><甲><Var VarKey="k"/></甲>)") WALL),
     "51:-1{体积[QTCL]}"},
    {"ItemWithoutVarsKeptEmpty", DOC(COMP(R"(<甲/><乙><Var VarKey="k"/></乙>)")), "3:1{甲[] 乙[k]}"},
    {"TextInItemEndsItsKeys", DOC(COMP(R"(<甲><Var VarKey="a"/>text<Var VarKey="b"/></甲><乙/>)")), "3:1{甲[a] 乙[]}"},
    {"CDataFirstInItemGivesNoKeys", DOC(COMP(R"(<甲><![CDATA[x]]><Var VarKey="a"/></甲>)")), "3:1{甲[]}"},
    {"EmptyVarKeyIsEmptyString", DOC(COMP(R"(<甲><Var VarKey=""/></甲>)")), "3:1{甲[\"\"]}"},
    {"DuplicateItemNamesKept", DOC(COMP(R"(<甲><Var VarKey="a"/></甲><甲><Var VarKey="b"/></甲>)")), "3:1{甲[a] 甲[b]}"},
    {"EntitiesInVarKeyResolved", DOC(COMP(R"(<甲><Var VarKey="a&amp;b&lt;&#x4E2D;"/></甲>)")), "3:1{甲[a&b<中]}"},
    {"NegativeKeysSortFirst",
     DOC(R"(<Comp TypeId="0" SubTypeId="0"><甲><Var VarKey="z"/></甲></Comp>)"
         R"(<Comp TypeId="-1" SubTypeId="5"><甲><Var VarKey="y"/></甲></Comp>)"
         R"(<Comp TypeId="-1" SubTypeId="-3"><甲><Var VarKey="x"/></甲></Comp>)"),
     "-1:-3{甲[x]} -1:5{甲[y]} 0:0{甲[z]}"},
    {"IdExtremes", DOC(R"(<Comp TypeId="-2147483648" SubTypeId="2147483647"><甲><Var VarKey="k"/></甲></Comp>)"),
     "-2147483648:2147483647{甲[k]}"},
    {"BadTypeIdInTheMiddleKeepsEarlierGroups",
     DOC(BEAM R"(<Comp TypeId="beam" SubTypeId="-1"><甲><Var VarKey="k"/></甲></Comp>)" WALL), kBeamOnly},
    {"TypeIdOutOfRangeIsAnError",
     DOC(BEAM R"(<Comp TypeId="2147483648" SubTypeId="0"><甲><Var VarKey="k"/></甲></Comp>)" WALL), kBeamOnly},
    {"MissingSubTypeIdIsAnError", DOC(BEAM R"(<Comp TypeId="4"><甲><Var VarKey="k"/></甲></Comp>)" WALL), kBeamOnly},
    {"EmptyTypeIdIsAnError", DOC(R"(<Comp TypeId="" SubTypeId="0"><甲><Var VarKey="k"/></甲></Comp>)" WALL), ""},
    {"MissingVarKeyDropsTheGroupAndStops",
     DOC(BEAM R"(<Comp TypeId="4" SubTypeId="0"><甲><Var VarKey="k"/></甲><乙><Var/></乙></Comp>)" WALL), kBeamOnly},
    {"NamespacedVarKeyIsNotVarKey",
     DOC(R"(<Comp TypeId="4" SubTypeId="0" xmlns:n="urn:n"><甲><Var n:VarKey="k"/></甲></Comp>)"), ""},
    {"PrefixedItemNameKeptWhole",
     DOC(R"(<Comp TypeId="4" SubTypeId="0" xmlns:n="urn:n"><n:甲><Var VarKey="k"/></n:甲></Comp>)"), "4:0{n:甲[k]}"},
    // Files that give nothing at all.
    {"NotWellFormed", "<DeFenLeiSetInfo>" BEAM, ""},
    {"ForeignDocumentElement", "<Settings>" BEAM "</Settings>", ""},
    {"DocumentElementInANamespace", R"(<DeFenLeiSetInfo xmlns="urn:x">)" BEAM "</DeFenLeiSetInfo>", ""},
    {"EmptyFile", "", ""},
    {"OnlyAByteOrderMark", "\xEF\xBB\xBF", ""},
};

class ReadRules : public FenLeiTest, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(ReadRules, ReadsAsDescribed)
{
    WriteFile(GetParam().file);
    EXPECT_EQ(ReadCold(), GetParam().expected);

    // A comment after the last group ends nothing; it has the file read as a tree, where a file
    // of elements alone is read as an outline: both ways read the same.
    std::string file = GetParam().file;
    const std::size_t end = file.rfind("</DeFenLeiSetInfo>");
    if (end == std::string::npos)
        return;
    file.insert(end, "<!--end-->");
    WriteFile(file);
    EXPECT_EQ(ReadCold(), GetParam().expected) << "read as a tree";
}

INSTANTIATE_TEST_SUITE_P(DeFenLeiRead, ReadRules, ::testing::ValuesIn(kReadCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FenLeiTest, DeclaredEncodingsAreDecoded)
{
    for (const char* name : {"gb2312.xml", "utf16.xml"}) {
        WriteFile(ReadBytes(TestDataDir() / "defenlei" / name));
        EXPECT_EQ(ReadCold(), "12:3{弧形模板[模板类型]} 41:-1{砖基础[砂浆标号,砖规格]}") << name;
    }
    // Declared GB2312, holding characters that only GBK has, as Chinese Windows systems write.
    WriteFile(kxtest::Encoded(DOC(R"(<Comp TypeId="41" SubTypeId="-1"><堃基础><Var VarKey="堃规格"/></堃基础></Comp>)"),
                              "GB18030", "GB2312"));
    EXPECT_EQ(ReadCold(), "41:-1{堃基础[堃规格]}");
}

TEST_F(FenLeiTest, FileNameFoundWithoutRegardToCase)
{
    WriteBytes(m_proj / "defaultdefenleiset.XML", DOC(WALL));
    EXPECT_EQ(ReadCold(), "51:-1{体积[QTCL]}");
}

TEST(DeFenLeiParseId, AcceptsSignedDecimalsInRangeOnly)
{
    const std::pair<const wchar_t*, std::optional<int>> cases[] = {
        {L"12", 12},          {L"-1", -1},          {L"+3", 3},           {L"007", 7},
        {L" \t7\n ", 7},      {L"-0", 0},           {L"2147483647", INT_MAX}, {L"-2147483648", INT_MIN},
        {L"2147483648", {}},  {L"-2147483649", {}}, {L"99999999999999999999", {}},
        {L"", {}},            {L" ", {}},           {L"-", {}},           {L"+", {}},
        {L"--1", {}},         {L"+-1", {}},         {L"1 2", {}},         {L"12a", {}},
        {L"0x10", {}},        {L"1.0", {}},         {L"\x00A0" L"1", {}}, {L"\xFF11\xFF12", {}},
        {L"- 1", {}},
    };
    for (const auto& [text, value] : cases)
        EXPECT_EQ(CDeFenLeiFile::ParseId(text), value) << U8(text);
}

} // namespace
