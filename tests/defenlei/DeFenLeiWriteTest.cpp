// Writing DefaultDeFenLeiSet.xml: the file's shape, what a write and a cold read give back, and
// writes that fail leaving the file and the cache as they were.
#include "DeFenLeiFixture.h"
#include "platform/Xml.h"

using namespace fenleitest;
using namespace kxtest;

namespace {

// The file as libxml2 writes the same map built as nodes.
std::string WrittenAsNodes(const FenLeiMap& map)
{
    kx::xml::DocPtr doc(xmlNewDoc(reinterpret_cast<const xmlChar*>("1.0")));
    xmlNode* root = xmlNewDocNode(doc.get(), nullptr, reinterpret_cast<const xmlChar*>("DeFenLeiSetInfo"), nullptr);
    xmlDocSetRootElement(doc.get(), root);
    auto add = [](xmlNode* parent, const std::string& name) {
        return xmlNewChild(parent, nullptr, kx::xml::X(name), nullptr);
    };
    auto prop = [](xmlNode* node, const char* name, const std::string& value) {
        xmlNewProp(node, reinterpret_cast<const xmlChar*>(name), kx::xml::X(value));
    };
    prop(root, "version", "1");
    for (const auto& [key, items] : map) {
        xmlNode* comp = add(root, "Comp");
        prop(comp, "TypeId", std::to_string(key.nTypeId));
        prop(comp, "SubTypeId", std::to_string(key.nSubTypeId));
        for (const auto& info : items) {
            if (info.vecVarKey.empty())
                continue;
            xmlNode* item = add(comp, kx::xml::ToUtf8(info.strCalcItem));
            for (const CString& varKey : info.vecVarKey)
                prop(add(item, "Var"), "VarKey", kx::xml::ToUtf8(varKey));
        }
    }
    std::string bytes;
    EXPECT_TRUE(kx::xml::Serialize(doc.get(), bytes, "UTF-8"));
    return bytes;
}

// The writer writes text, not nodes; what it writes must be what the nodes would give.
TEST_F(FenLeiTest, WriterWritesWhatNodesWouldGive)
{
    const CString kKeys[] = {L"K1", L"a&b<c>d\"e'f", L"\t\n\r x", L"扣减 中", L"", L"\U0001F600", L"]]>"};
    const CString kNames[] = {L"体积", L"Area", L"x.y-z_1", L"砼墙（外）"};
    std::uint32_t seed = 7;
    auto next = [&seed](std::uint32_t n) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % n;
    };
    for (int round = 0; round < 40; ++round) {
        FenLeiMap map;
        for (std::uint32_t g = next(5); g > 0; --g) {
            auto& items = map[{static_cast<int>(next(40)) - 5, static_cast<int>(next(4)) - 1}];
            for (std::uint32_t i = next(4); i > 0; --i) {
                CKXCurDeFenLeiSet::SDeFenLeiSetInfo info;
                info.strCalcItem = kNames[next(std::size(kNames))];
                for (std::uint32_t k = next(4); k > 0; --k)
                    info.vecVarKey.push_back(kKeys[next(std::size(kKeys))]);
                items.push_back(info);
            }
        }
        SCOPED_TRACE(round);
        ASSERT_TRUE(CKXCurDeFenLeiSet::WriteDeFenLeiSetInfo(map));
        EXPECT_EQ(ReadBytes(FilePath()), WrittenAsNodes(map));
    }
}

// An empty map writes the document element alone and empties the cache, so the next read loads
// that file, which holds no groups.
TEST_F(FenLeiTest, EmptyMapWritesAnEmptyFileAndEmptiesTheCache)
{
    ASSERT_TRUE(CKXCurDeFenLeiSet::WriteDeFenLeiSetInfo({{{3, 0}, {{L"x", {L"k"}}}}}));
    ASSERT_TRUE(CKXCurDeFenLeiSet::WriteDeFenLeiSetInfo({}));
    EXPECT_EQ(ReadBytes(FilePath()), WrittenAsNodes({}));
    FenLeiMap out{{{1, 1}, {}}};
    EXPECT_FALSE(CKXCurDeFenLeiSet::ReadDeFenLeiSetInfo(out));
    EXPECT_TRUE(out.empty());
}

TEST_F(FenLeiTest, RoundTripLosesOnlyWhatTheFileCannotHold)
{
    // Items without keys and groups left without items are gone; markup, blanks, control
    // whitespace, repeated keys and key order survive.
    FenLeiMap map;
    map[{12, -1}] = {{L"体积", {L"TJDJ", L"H"}}, {L"面积", {}}, {L"实体模板", {L"MBLX"}}};
    map[{-1, 5}] = {{L"Volume", {L"K2", L"K1", L"K2"}}};
    map[{3, 0}] = {};
    map[{2, 9}] = {{L"空项", {}}};
    map[{41, 0}] = {{L"砖模", {L"a<b>&\"c'", L"", L" 前后空格 ", L"tab\there\nline\r"}}, {L"砖模", {L"second"}}};
    ASSERT_TRUE(CKXCurDeFenLeiSet::WriteDeFenLeiSetInfo(map));
    map.erase({3, 0});
    map.erase({2, 9});
    map[{12, -1}].erase(map[{12, -1}].begin() + 1);
    EXPECT_EQ(ReadCold(), Describe(map));
}

TEST_F(FenLeiTest, InvalidItemNamesFailOnlyWhenTheItemHasKeys)
{
    for (const CString name : {L"a b", L"1abc", L"", L"<x>", L"a&b", L"-x", L"a>b", L"a\x01", L"#comment"}) {
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

// Each failed write leaves the file byte for byte and the cache as they were: an item name that is
// no XML name, a key that XML cannot carry, a project folder that is gone. The cache is made to
// differ from the file, so that a cache wrongly emptied (and reloaded) shows.
TEST_F(FenLeiTest, FailedWritesLeaveFileAndCacheAlone)
{
    ASSERT_TRUE(CKXCurDeFenLeiSet::WriteDeFenLeiSetInfo({{{4, 0}, {{L"面积", {L"cached"}}}}}));
    const std::string before = R"(<?xml version="1.0" encoding="UTF-8"?><DeFenLeiSetInfo version="1">)"
                               R"(<Comp TypeId="51" SubTypeId="-1"><体积><Var VarKey="QTCL"/></体积></Comp></DeFenLeiSetInfo>)";
    WriteFile(before);
    const struct {
        const char* name;
        Item bad;
        const char* projDir;
    } rows[] = {
        {"item name", {L"体 积", {L"k"}}, ""},
        {"key", {L"体积", {CString(L"a\x01" L"b")}}, ""},
        {"key with a lone surrogate", {L"体积", {CString{L'a', wchar_t(0xDFFF)}}}, ""},
        {"folder gone", {L"体积", {L"k"}}, "gone"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        KxHost::SetCurProjDir(W(m_proj / r.projDir));
        EXPECT_FALSE(CKXCurDeFenLeiSet::WriteDeFenLeiSetInfo({{{7, 7}, {{L"体积", {L"new"}}}}, {{8, 8}, {r.bad}}}));
        KxHost::SetCurProjDir(m_proj.wpath());
        EXPECT_EQ(ReadBytes(FilePath()), before);
        FenLeiMap cached;
        EXPECT_TRUE(CKXCurDeFenLeiSet::ReadDeFenLeiSetInfo(cached));
        EXPECT_EQ(Describe(cached), "4:0{面积[cached]}");
        EXPECT_EQ(std::distance(fs::directory_iterator(m_proj.path()), fs::directory_iterator()), 1)
            << "a temporary file was left behind, or the folder made";
    }
}

} // namespace
