// INI files of the rule library as installations of every age and accident leave them: NUL
// bytes, endless lines, millions of lines that mean nothing, a count of two thousand million
// items, broken text. Each is read safely through CFaceSysRule, the way a host meets it, and the
// test says what is read.
#include "ReliabilityFixture.h"

namespace reltest {
namespace {

class HostileIni : public ReliabilityTest {
protected:
    // Installs the files and starts the rule library afresh, as a newly loaded library would.
    void Write(const std::string& ruleCode, const std::string& ruleDesc = "[KouJ]\nTYPE1=扣柱\nTYPE2=扣板\n")
    {
        WriteBytes(Sys() / "Rule" / "RuleCode.ini", ruleCode);
        WriteBytes(Sys() / "Rule" / "RuleDesc.ini", ruleDesc);
        CSysDefRule::ReleaseInstance();
    }

    static std::size_t ItemCount()
    {
        CStringArray names;
        CFaceSysRule::GetAllCalItemNames(names);
        return names.size();
    }
};

TEST_F(HostileIni, NulBytesAreOrdinaryCharacters)
{
    using namespace std::string_literals;
    Write("[main]\0junk\nRuleItemNum=3\n[ITEM1]\nName=柱\0后\nCODE=1\n\0\0\0\n[ITEM2]\nName=板\nCODE=2\n[ITEM3]\0\nName=梁\nCODE=3\n"s,
          "[KouJ]\nTYPE1=扣\0柱\n\0\nTYPE2=扣板\n"s);
    EXPECT_EQ(CFaceSysRule::GetCalItemName(1), CString(L"柱\0后", 3));
    EXPECT_EQ(CFaceSysRule::GetCalItemName(2), L"板");
    EXPECT_EQ(CFaceSysRule::GetCalItemName(3), L"梁");
    EXPECT_EQ(CFaceSysRule::GetCalItemCode(CString(L"柱\0后", 3)), 1);
    EXPECT_EQ(DescText(L"1,2"), CString(L"1、扣\0柱 2、扣板 ", 11));
}

TEST_F(HostileIni, EndlessLinesAreCutAsAProfileReadCutsThem)
{
    // 20 MB of nothing before the first section, then values of 20 MB without a line end.
    std::string name;
    for (int i = 0; i < 7000000; ++i)
        name += "梁";
    Write("[" + std::string(20u << 20, 'x') + "\n[main]\nRuleItemNum=1\n[ITEM1]\nCODE=7\nName=" + name,
          "[KouJ]\nTYPE1=" + std::string(20u << 20, 'x'));
    EXPECT_EQ(CFaceSysRule::GetCalItemName(7), CString(254, L'梁'));
    EXPECT_EQ(DescText(L"1"), L"1、" + CString(254, L'x') + L" ");
}

// Each line is looked at once: before, a search for ']' or '=' ran on to the end of the file for
// every line that lacked one, and such a file kept the host busy for hours.
TEST_F(HostileIni, MillionsOfLinesThatMeanNothing)
{
    std::string noValue, noSection;
    for (int i = 0; i < 2000000; ++i) {
        noValue += "no value here\n";
        noSection += "[\n";
    }
    Write("[main]\n" + noValue + "RuleItemNum=1\n" + noSection + "[ITEM1]\nName=柱\nCODE=1\n");
    EXPECT_EQ(CFaceSysRule::GetCalItemName(1), L"柱");
    EXPECT_EQ(ItemCount(), 1u);
}

// The items are read by the sections that exist; before, every number up to the count was tried.
TEST_F(HostileIni, HugeItemCountWithAFarSection)
{
    Write("[main]\nRuleItemNum=2147483647\n[ITEM1]\nName=柱\nCODE=1\n[ITEM3]\nName=板\nCODE=2\n"
          "[ITEM2147483646]\nName=远\nCODE=99\n");
    EXPECT_EQ(CFaceSysRule::GetCalItemName(1), L"柱");
    EXPECT_EQ(CFaceSysRule::GetCalItemName(2), L"板");
    EXPECT_EQ(CFaceSysRule::GetCalItemName(99), L"远");
    // The missing sections between and after them read as an empty name under code -1.
    EXPECT_EQ(CFaceSysRule::GetCalItemName(-1), L"");
    EXPECT_EQ(ItemCount(), 4u);
}

TEST_F(HostileIni, BrokenTextIsReadAsWellAsItGoes)
{
    // A UTF-16 file with a lone surrogate, cut in the middle of a character: not UTF-16, not
    // UTF-8, not GB18030. Read as UTF-8 with replacement characters, no line of it means anything.
    std::string utf16 = "\xFF\xFE";
    for (const char c : std::string("[main]\r\nRuleItemNum=1\r\n[ITEM1]\r\nCODE=5\r\nName=x")) {
        utf16 += c;
        utf16 += '\0';
    }
    utf16 += std::string("\x00\xD8\x41", 3);
    Write(utf16);
    EXPECT_EQ(ItemCount(), 0u);

    // Bytes valid in no encoding at all: the rule library reads nothing from them.
    Write("\xFF\xFF\xFF[main]\xFF\nRuleItemNum=\xC0\x80\n", "[KouJ]\nTYPE1=\xFF\xFE\n");
    EXPECT_EQ(ItemCount(), 0u);
    EXPECT_EQ(DescText(L"1"), L"1、\xFFFD\xFFFD ");
}

} // namespace
} // namespace reltest
