// Writing DefaultDeFenLeiSet.xml: the file's shape, what a write and a cold read give back, and
// writes that fail leaving the file and the cache as they were.
#include "DeFenLeiFixture.h"
#include "platform/Xml.h"

using namespace fenleitest;
using namespace kxtest;

namespace {

FenLeiMap SampleMap()
{
    FenLeiMap map;
    map[{12, -1}] = {{L"体积", {L"TJDJ", L"H"}}, {L"面积", {}}, {L"实体模板", {L"MBLX"}}};
    map[{-1, 5}] = {{L"Volume", {L"K2", L"K1", L"K2"}}};
    map[{3, 0}] = {};
    map[{2, 9}] = {{L"空项", {}}};
    map[{41, 0}] = {{L"砖模", {L"a<b>&\"c'", L"", L" 前后空格 ", L"tab\there\nline\r"}}, {L"砖模", {L"second"}}};
    return map;
}

std::string Attr(xmlNode* node, const char* name)
{
    kx::xml::CharPtr value(xmlGetProp(node, reinterpret_cast<const xmlChar*>(name)));
    return value ? reinterpret_cast<const char*>(value.get()) : "(none)";
}

// Element names, attributes in order and children, as one line.
std::string Shape(xmlNode* node)
{
    std::string out;
    for (; node; node = node->next) {
        if (node->type != XML_ELEMENT_NODE) {
            out += "!nonelement";
            continue;
        }
        out += reinterpret_cast<const char*>(node->name);
        for (xmlAttr* a = node->properties; a; a = a->next)
            out += std::string(" ") + reinterpret_cast<const char*>(a->name) + '=' + Attr(node, reinterpret_cast<const char*>(a->name));
        if (node->children)
            out += '(' + Shape(node->children) + ')';
        if (node->next)
            out += ',';
    }
    return out;
}

TEST_F(FenLeiTest, WriterProducesTheDocumentedShape)
{
    FenLeiMap map;
    map[{12, 3}] = {{L"Volume", {L"K1", L"K2"}}, {L"Area", {}}};
    map[{3, 0}] = {{L"x", {L"k"}}};
    map[{-1, 5}] = {};
    map[{2, 9}] = {{L"x", {L"k"}}};
    ASSERT_TRUE(CKXCurDeFenLeiSet::WriteDeFenLeiSetInfo(map));

    const std::string bytes = ReadBytes(FilePath());
    kx::xml::DocPtr doc = kx::xml::ParseMemory(bytes);
    ASSERT_TRUE(doc);
    EXPECT_STREQ(reinterpret_cast<const char*>(doc->encoding), "UTF-8");
    EXPECT_EQ(Shape(doc->children),
              "DeFenLeiSetInfo version=1("
              "Comp TypeId=-1 SubTypeId=5,"
              "Comp TypeId=2 SubTypeId=9(x(Var VarKey=k)),"
              "Comp TypeId=3 SubTypeId=0(x(Var VarKey=k)),"
              "Comp TypeId=12 SubTypeId=3(Volume(Var VarKey=K1,Var VarKey=K2)))");
}

TEST_F(FenLeiTest, EmptyMapWritesOnlyTheDocumentElementAndEmptiesTheCache)
{
    WriteFile(R"(<DeFenLeiSetInfo><Comp TypeId="1" SubTypeId="1"><甲><Var VarKey="k"/></甲></Comp></DeFenLeiSetInfo>)");
    ASSERT_EQ(ReadCold(), "1:1{甲[k]}");
    ASSERT_TRUE(CKXCurDeFenLeiSet::WriteDeFenLeiSetInfo({}));
    kx::xml::DocPtr doc = kx::xml::ParseFile(FilePath().string());
    ASSERT_TRUE(doc);
    EXPECT_EQ(Shape(doc->children), "DeFenLeiSetInfo version=1");

    // Empty again, so the next read loads the file just written, which holds no groups.
    FenLeiMap out{{{1, 1}, {}}};
    EXPECT_FALSE(CKXCurDeFenLeiSet::ReadDeFenLeiSetInfo(out));
    EXPECT_TRUE(out.empty());
}

TEST_F(FenLeiTest, RoundTripLosesOnlyWhatTheFileCannotHold)
{
    const FenLeiMap map = SampleMap();
    ASSERT_TRUE(CKXCurDeFenLeiSet::WriteDeFenLeiSetInfo(map));

    // The cache is the written map itself, empty groups and items without keys included.
    FenLeiMap out;
    EXPECT_TRUE(CKXCurDeFenLeiSet::ReadDeFenLeiSetInfo(out));
    EXPECT_EQ(Describe(out), Describe(map));

    // From the file: items without keys and groups left without items are gone; markup, blanks,
    // control whitespace and key order survive.
    FenLeiMap expected = map;
    expected.erase({3, 0});
    expected.erase({2, 9});
    std::erase_if(expected[{12, -1}], [](const Item& item) { return item.vecVarKey.empty(); });
    EXPECT_EQ(ReadCold(), Describe(expected));
}

TEST_F(FenLeiTest, InvalidItemNamesFailOnlyWhenTheItemHasKeys)
{
    for (const CString name : {L"a b", L"1abc", L"", L"<x>", L"a&b", L"-x"}) {
        FenLeiMap map;
        map[{1, 1}] = {{L"ok", {L"k"}}, {name, {}}};
        EXPECT_TRUE(CKXCurDeFenLeiSet::WriteDeFenLeiSetInfo(map)) << U8(name);
        map[{1, 1}][1].vecVarKey = {L"k"};
        EXPECT_FALSE(CKXCurDeFenLeiSet::WriteDeFenLeiSetInfo(map)) << U8(name);
    }
    FenLeiMap chinese;
    chinese[{1, 1}] = {{L"砌体_墙.体积-2", {L"k"}}, {L"_x", {L"k"}}, {L"n:甲", {L"k"}}};
    EXPECT_TRUE(CKXCurDeFenLeiSet::WriteDeFenLeiSetInfo(chinese));
    EXPECT_EQ(ReadCold(), "1:1{砌体_墙.体积-2[k] _x[k] n:甲[k]}");
}

// Each failed write leaves the file byte for byte and the cache as they were. The cache is made
// to differ from the file, so that a cache wrongly emptied (and reloaded) shows.
class FailedWrite : public FenLeiTest {
protected:
    void SetUp() override
    {
        FenLeiTest::SetUp();
        ASSERT_TRUE(CKXCurDeFenLeiSet::WriteDeFenLeiSetInfo({{{4, 0}, {{L"面积", {L"cached"}}}}}));
        m_before = R"(<?xml version="1.0" encoding="UTF-8"?><DeFenLeiSetInfo version="1">)"
                   R"(<Comp TypeId="51" SubTypeId="-1"><体积><Var VarKey="QTCL"/></体积></Comp></DeFenLeiSetInfo>)";
        WriteFile(m_before);
    }
    void ExpectUntouched()
    {
        EXPECT_EQ(ReadBytes(FilePath()), m_before);
        FenLeiMap cached;
        EXPECT_TRUE(CKXCurDeFenLeiSet::ReadDeFenLeiSetInfo(cached));
        EXPECT_EQ(Describe(cached), "4:0{面积[cached]}");
        EXPECT_EQ(std::distance(fs::directory_iterator(m_proj.path()), fs::directory_iterator()), 1)
            << "a temporary file was left behind";
    }
    static FenLeiMap Good() { return {{{7, 7}, {{L"体积", {L"new"}}}}}; }

    std::string m_before;
};

// An item name that is no XML name, a key that XML cannot carry.
TEST_F(FailedWrite, ContentThatCannotBeWritten)
{
    for (const Item& bad : {Item{L"体 积", {L"k"}}, Item{L"体积", {CString(L"a\x01" L"b")}}}) {
        SCOPED_TRACE(U8(bad.strCalcItem));
        FenLeiMap map = Good();
        map[{8, 8}] = {bad};
        EXPECT_FALSE(CKXCurDeFenLeiSet::WriteDeFenLeiSetInfo(map));
        ExpectUntouched();
    }
}

TEST_F(FailedWrite, ProjectFolderMissing)
{
    KxHost::SetCurProjDir(W(m_proj / "gone"));
    EXPECT_FALSE(CKXCurDeFenLeiSet::WriteDeFenLeiSetInfo(Good()));
    KxHost::SetCurProjDir(m_proj.wpath());
    ExpectUntouched();
    EXPECT_FALSE(fs::exists(m_proj / "gone"));
}

} // namespace
