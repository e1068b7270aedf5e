// The settings cache: when the file is read, when it is not, and what each entry point answers.
#include "DeFenLeiFixture.h"

using namespace fenleitest;
using namespace kxtest;

namespace {

const char kWall[] = R"(<DeFenLeiSetInfo><Comp TypeId="51" SubTypeId="-1"><体积><Var VarKey="QTCL"/></体积>)"
                     R"(<体积><Var VarKey="other"/></体积><面积/></Comp></DeFenLeiSetInfo>)";
const char kWallRead[] = "51:-1{体积[QTCL] 体积[other] 面积[]}";
const char kBeam[] = R"(<DeFenLeiSetInfo><Comp TypeId="12" SubTypeId="-1"><体积><Var VarKey="TJDJ"/></体积>)"
                     R"(</Comp></DeFenLeiSetInfo>)";

std::string Read()
{
    FenLeiMap map;
    CKXCurDeFenLeiSet::ReadDeFenLeiSetInfo(map);
    return Describe(map);
}

// Neither a missing file nor one without groups fills the cache, so the next call reads again.
TEST_F(FenLeiTest, EmptyCacheIsRetriedUntilTheFileHasGroups)
{
    FenLeiMap out{{{1, 1}, {{L"x", {L"y"}}}}};
    EXPECT_FALSE(CKXCurDeFenLeiSet::ReadDeFenLeiSetInfo(out));
    EXPECT_TRUE(out.empty());
    std::vector<CString> keys{L"kept"};
    EXPECT_FALSE(CKXCurDeFenLeiSet::ReadDeCalcItemFenLeiVarInfo({51, -1}, L"体积", keys));
    EXPECT_EQ(keys, std::vector<CString>{L"kept"});

    WriteFile("<DeFenLeiSetInfo><Comp TypeId=\"1\" SubTypeId=\"1\"/></DeFenLeiSetInfo>");
    EXPECT_EQ(Read(), "");
    WriteFile(kWall);
    EXPECT_TRUE(CKXCurDeFenLeiSet::ReadDeCalcItemFenLeiVarInfo({51, -1}, L"体积", keys));
    EXPECT_EQ(keys, std::vector<CString>{L"QTCL"});
}

// A file read only up to an error counts as loaded: the cache then ignores the disk until cleared.
TEST_F(FenLeiTest, FilledCacheIgnoresTheDiskUntilCleared)
{
    WriteFile(R"(<DeFenLeiSetInfo><Comp TypeId="1" SubTypeId="0"><甲><Var VarKey="a"/></甲></Comp>)"
              R"(<Comp TypeId="two" SubTypeId="0"><甲><Var VarKey="b"/></甲></Comp></DeFenLeiSetInfo>)");
    FenLeiMap out;
    EXPECT_TRUE(CKXCurDeFenLeiSet::ReadDeFenLeiSetInfo(out));
    EXPECT_EQ(Describe(out), "1:0{甲[a]}");
    WriteFile(kBeam);
    EXPECT_EQ(Read(), "1:0{甲[a]}");
    fs::remove(FilePath());
    EXPECT_EQ(Read(), "1:0{甲[a]}");
    WriteFile(kBeam);
    CKXCurDeFenLeiSet::ClearCacheData();
    EXPECT_EQ(Read(), "12:-1{体积[TJDJ]}");
}

TEST_F(FenLeiTest, ItemLookup)
{
    WriteFile(kWall);
    std::vector<CString> keys{L"old1", L"old2"};
    // The first item of a name wins; earlier contents of the output are replaced.
    EXPECT_TRUE(CKXCurDeFenLeiSet::ReadDeCalcItemFenLeiVarInfo({51, -1}, L"体积", keys));
    EXPECT_EQ(keys, std::vector<CString>{L"QTCL"});
    // An item without keys is found, with an empty answer.
    EXPECT_TRUE(CKXCurDeFenLeiSet::ReadDeCalcItemFenLeiVarInfo({51, -1}, L"面积", keys));
    EXPECT_TRUE(keys.empty());

    // Names match whole and with their letter case; the key is type and sub-type.
    ASSERT_TRUE(CKXCurDeFenLeiSet::WriteDeFenLeiSetInfo(
        {{{51, -1}, {{L"体积", {L"k51"}}}}, {{1, 1}, {{L"Volume", {L"k1"}}}}, {{51, -2}, {{L"体积", {L"k-2"}}}}}));
    for (const auto& [key, expected] : {std::pair<SCompGroupType, CString>{{1, 1}, L"k1"},
                                        {{51, -2}, L"k-2"}, {{51, -1}, L"k51"}}) {
        const CString name = key.nTypeId == 1 ? L"Volume" : L"体积";
        EXPECT_TRUE(CKXCurDeFenLeiSet::ReadDeCalcItemFenLeiVarInfo(key, name, keys));
        EXPECT_EQ(keys, std::vector<CString>{expected});
    }
    const std::pair<SCompGroupType, CString> misses[] = {{{51, -1}, L"体积 "}, {{51, -1}, L" 体积"}, {{51, -1}, L"体"},
                                                         {{51, -1}, L""},      {{51, 0}, L"体积"},   {{-1, -1}, L"体积"},
                                                         {{1, 1}, L"volume"}};
    keys = {L"kept"};
    for (const auto& [key, name] : misses)
        EXPECT_FALSE(CKXCurDeFenLeiSet::ReadDeCalcItemFenLeiVarInfo(key, name, keys)) << key.nSubTypeId << U8(name);
    EXPECT_EQ(keys, std::vector<CString>{L"kept"});
}

// A write puts the map itself in the cache, empty groups and items without keys included, and
// neither the caller's copies in nor out share anything with it.
TEST_F(FenLeiTest, WriteReplacesTheCacheWithACopyOfTheMap)
{
    WriteFile(kWall);
    EXPECT_EQ(Read(), kWallRead);

    FenLeiMap map{{{12, -1}, {{L"体积", {L"TJDJ"}}, {L"无键", {}}}}, {{13, 0}, {}}};
    ASSERT_TRUE(CKXCurDeFenLeiSet::WriteDeFenLeiSetInfo(map));
    map[{12, -1}][0].vecVarKey[0] = L"changed";
    EXPECT_EQ(Read(), "12:-1{体积[TJDJ] 无键[]} 13:0{}");
    std::vector<CString> keys{L"x"};
    EXPECT_TRUE(CKXCurDeFenLeiSet::ReadDeCalcItemFenLeiVarInfo({12, -1}, L"无键", keys));
    EXPECT_TRUE(keys.empty());

    FenLeiMap out;
    ASSERT_TRUE(CKXCurDeFenLeiSet::ReadDeFenLeiSetInfo(out));
    out.begin()->second[0].vecVarKey.push_back(L"changed");
    out[{99, 9}] = {};
    EXPECT_EQ(Read(), "12:-1{体积[TJDJ] 无键[]} 13:0{}");

    CKXCurDeFenLeiSet::ClearCacheData();
    EXPECT_FALSE(CKXCurDeFenLeiSet::ReadDeCalcItemFenLeiVarInfo({12, -1}, L"无键", keys));
    EXPECT_EQ(Read(), "12:-1{体积[TJDJ]}");
}

TEST_F(FenLeiTest, ProjectSwitch)
{
    TempDir other;
    WriteFile(kWall);
    WriteBytes(other / "DefaultDeFenLeiSet.xml", kBeam);
    EXPECT_EQ(Read(), kWallRead);

    // The cache still answers for the previous project...
    KxHost::SetCurProjDir(other.wpath());
    EXPECT_EQ(Read(), kWallRead);
    // ...until it is cleared; a write goes to the current project's file.
    CKXCurDeFenLeiSet::ClearCacheData();
    EXPECT_EQ(Read(), "12:-1{体积[TJDJ]}");
    ASSERT_TRUE(CKXCurDeFenLeiSet::WriteDeFenLeiSetInfo({{{2, 2}, {{L"甲", {L"k"}}}}}));
    EXPECT_EQ(ReadBytes(FilePath()), kWall);
    KxHost::SetCurProjDir(other.wpath() + L"\\");
    EXPECT_EQ(ReadCold(), "2:2{甲[k]}");
}

} // namespace
