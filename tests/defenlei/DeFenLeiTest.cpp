// DefaultDeFenLeiSet.xml and its cache: random maps written and read back, warm and cold, against
// what the file can hold; files written by hand, read by a table.
#include <random>
#include <tuple>

#include <gtest/gtest.h>

#include <kxhost/KxHost.h>
#include <kxsysrule/CKXCurDeFenLeiSet.h>

#include "defenlei/CDeFenLeiFile.h"
#include "support/Installation.h"

namespace {

using namespace kxtest;
using FenLeiMap = CKXCurDeFenLeiSet::FenLeiMap;

// "12:-1{体积[K1;K2;]面积[]}41:0{...}"
std::string Describe(const FenLeiMap& map)
{
    std::string out;
    for (const auto& [key, items] : map) {
        out += std::to_string(key.nTypeId) + ":" + std::to_string(key.nSubTypeId) + "{";
        for (const auto& item : items) {
            out += U8(item.strCalcItem) + "[";
            for (const CString& varKey : item.vecVarKey)
                out += U8(varKey) + ";";
            out += "]";
        }
        out += "}";
    }
    return out;
}

class FenLei : public InstalledTest {
protected:
    fs::path File() const { return Proj() / "DefaultDeFenLeiSet.xml"; }
    static std::string Read()
    {
        FenLeiMap map{{{99, 9}, {}}};
        const bool found = CKXCurDeFenLeiSet::ReadDeFenLeiSetInfo(map);
        EXPECT_EQ(found, !map.empty());
        return Describe(map);
    }
    static std::string Cold() { return CKXCurDeFenLeiSet::ClearCacheData(), Read(); }
};

// A write that succeeds puts the map itself in the cache; a cold read gives it back less the items
// without keys and the groups left empty. One that fails (an item name XML cannot have, a key it
// cannot carry) leaves file and cache alone. The first item of a name answers a lookup.
TEST_F(FenLei, RandomMapsWrittenAndReadBack)
{
    const CString names[] = {L"体积", L"Area", L"x.y-z_1", L"n:甲", L"_x", L"a b", L"1abc", L"", L"a&b", L"-x"};
    const CString keys[] = {L"K1",    L"a&b<c>d\"e'f",        L"\t\n\r x", L" 扣减 ", L"", L"\U0001F600", L"]]>",
                            L"a\x01", {L'a', wchar_t(0xDFFF)}};
    const int ids[] = {INT_MIN, -1, 0, 3, 12, INT_MAX};
    std::mt19937 rng(3);
    FenLeiMap cached, onDisk;
    for (int round = 0; round < 80; ++round) {
        FenLeiMap map, held;
        bool valid = true;
        for (int g = rng() % 5; g > 0; --g) {
            const NS_KXComponentType::SCompGroupType key{ids[rng() % 6], ids[rng() % 6]};
            for (int i = rng() % 4; i > 0; --i) {
                const std::size_t nameAt = rng() % 4 ? rng() % 5 : 5 + rng() % 5; // the first five are XML names
                CKXCurDeFenLeiSet::SDeFenLeiSetInfo item{names[nameAt], {}};
                for (int k = rng() % 3; k > 0; --k) {
                    const std::size_t keyAt = rng() % 20 ? rng() % 7 : 7 + rng() % 2; // the last two are no XML
                    item.vecVarKey.push_back(keys[keyAt]);
                    valid = valid && nameAt < 5 && keyAt < 7;
                }
                if (!item.vecVarKey.empty())
                    held[key].push_back(item);
                map[key].push_back(item);
            }
            map[key];
        }
        const std::string before = ReadBytes(File());
        SCOPED_TRACE(Describe(map));
        ASSERT_EQ(CKXCurDeFenLeiSet::WriteDeFenLeiSetInfo(map), valid);
        if (valid)
            std::tie(cached, onDisk) = std::tie(map, held);
        else
            EXPECT_EQ(ReadBytes(File()), before);
        EXPECT_EQ(Read(), Describe(cached));
        FenLeiMap probes = cached;
        probes[{-7, -7}];
        for (const auto& [key, items] : probes)
            for (const CString& name : names) {
                std::vector<CString> got{L"kept"};
                const auto it =
                    std::find_if(items.begin(), items.end(), [&](const auto& i) { return i.strCalcItem == name; });
                EXPECT_EQ(CKXCurDeFenLeiSet::ReadDeCalcItemFenLeiVarInfo(key, name, got), it != items.end());
                EXPECT_EQ(got, it != items.end() ? it->vecVarKey : std::vector<CString>{L"kept"});
            }
        // Every other round the cache is left unlike the file, so that a failed write that
        // emptied it would show.
        if (round % 2) {
            EXPECT_EQ(Cold(), Describe(onDisk));
            cached = onDisk;
        }
    }
}

#define BEAM R"(<Comp TypeId="12" SubTypeId="-1"><体积><Var VarKey="TJDJ"/><Var VarKey="H"/></体积></Comp>)"
#define WALL R"(<Comp TypeId="51" SubTypeId="-1"><体积><Var VarKey="QTCL"/></体积></Comp>)"
#define DOC(body) R"(<DeFenLeiSetInfo version="1">)" body "</DeFenLeiSetInfo>"
#define COMP(item) R"(<Comp TypeId="3" SubTypeId="1">)" item "</Comp>"
const char kBeam[] = "12:-1{体积[TJDJ;H;]}";
const char kWall[] = "51:-1{体积[QTCL;]}";

// The cache is filled by the first read that finds groups and kept until cleared, whatever the
// disk or the project then holds; a failed write leaves it. The file as written.
TEST_F(FenLei, CacheKeptUntilClearedAndTheFileAsWritten)
{
    EXPECT_EQ(Read(), "");
    WriteBytes(Proj() / "defaultdefenleiset.XML", DOC(WALL)); // found without regard to case
    EXPECT_EQ(Read(), kWall);
    TempDir other;
    WriteBytes(other / "DefaultDeFenLeiSet.xml", DOC(BEAM));
    KxHost::SetCurProjDir(other.wpath());
    EXPECT_EQ(Read(), kWall);
    EXPECT_EQ(Cold(), kBeam);
    KxHost::SetCurProjDir(other.wpath() + L"\\gone");
    EXPECT_FALSE(CKXCurDeFenLeiSet::WriteDeFenLeiSetInfo({{{2, 2}, {{L"甲", {L"k"}}}}}));
    EXPECT_EQ(Read(), kBeam);
    KxHost::SetCurProjDir(other.wpath());
    ASSERT_TRUE(CKXCurDeFenLeiSet::WriteDeFenLeiSetInfo({{{3, -1}, {{L"体积", {L"a<\"&\t"}}, {L"空", {}}}}}));
    EXPECT_EQ(ReadBytes(other / "DefaultDeFenLeiSet.xml"),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<DeFenLeiSetInfo version=\"1\">\n"
              "  <Comp TypeId=\"3\" SubTypeId=\"-1\">\n    <体积>\n      <Var VarKey=\"a&lt;&quot;&amp;&#9;\"/>\n"
              "    </体积>\n  </Comp>\n</DeFenLeiSetInfo>\n");
    ASSERT_TRUE(CKXCurDeFenLeiSet::WriteDeFenLeiSetInfo({}));
    EXPECT_EQ(ReadBytes(other / "DefaultDeFenLeiSet.xml"),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<DeFenLeiSetInfo version=\"1\"/>\n");
}

// The walk at each level ends at the first node that is no element; a read error keeps the groups
// completed before it; of the groups of one key the first with items wins.
TEST_F(FenLei, FilesWrittenByHand)
{
    const std::pair<std::string, std::string> rows[] = {
        {DOC(BEAM "<!-- note -->" WALL), kBeam},
        {DOC(COMP(R"(<!--x--><甲><Var VarKey="k"/></甲>)") WALL), kWall},
        {DOC(COMP(R"(<甲><Var VarKey="a"/>text<Var VarKey="b"/></甲><乙/>)")), "3:1{甲[a;]乙[]}"},
        {DOC(R"(<Group TypeId="7" SubTypeId="2"><面积><Key VarKey="A"/><Other VarKey="B"/></面积></Group>)"),
         "7:2{面积[A;B;]}"},
        {DOC(R"(<Comp TypeId="5" SubTypeId="0"/><Comp TypeId="5" SubTypeId="0"><甲><Var VarKey="a"/></甲></Comp>)"
             R"(<Comp TypeId="3" SubTypeId="0"><丙/></Comp><Comp TypeId="5" SubTypeId="0"><乙/></Comp>)"),
         "3:0{丙[]}5:0{甲[a;]}"},
        {DOC(COMP(R"(<甲/><甲><Var VarKey="k"/></甲>)")), "3:1{甲[]甲[k;]}"},
        {DOC(BEAM R"(<Comp TypeId="beam" SubTypeId="-1"><甲/></Comp>)" WALL), kBeam},
        {DOC(BEAM R"(<Comp TypeId="4"><甲/></Comp>)" WALL), kBeam},
        {DOC(BEAM R"(<Comp TypeId="4" SubTypeId="0"><甲><Var VarKey="k"/></甲><乙><Var/></乙></Comp>)" WALL), kBeam},
        {DOC(R"(<Comp TypeId="4" SubTypeId="0" xmlns:n="urn:n"><甲><Var n:VarKey="k"/></甲></Comp>)"), ""},
        {DOC(R"(<Comp TypeId="4" SubTypeId="0" xmlns:n="urn:n"><n:甲><Var VarKey="k"/></n:甲></Comp>)"),
         "4:0{n:甲[k;]}"},
        {"<Settings>" BEAM "</Settings>", ""},
        {R"(<DeFenLeiSetInfo xmlns="urn:x">)" BEAM "</DeFenLeiSetInfo>", ""},
    };
    for (const auto& [file, expected] : rows) {
        SCOPED_TRACE(file);
        WriteBytes(File(), file);
        EXPECT_EQ(Cold(), expected);
        // A comment after the last group has the file read as a tree rather than an outline.
        const std::size_t end = file.rfind("</DeFenLeiSetInfo>");
        if (end != std::string::npos) {
            WriteBytes(File(), std::string(file).insert(end, "<!--end-->"));
            EXPECT_EQ(Cold(), expected) << "as a tree";
        }
    }
}

} // namespace
