// Loading and saving files: encodings kept as declared, hostile files refused, and saves that
// cannot be written faithfully leaving the old file whole.
#include "xmltree/XmlTreeFixture.h"

#include <algorithm>

#include "platform/Platform.h"

namespace xmltreetest {
namespace {

namespace fs = kxtest::fs;

fs::path DataFile(const std::string& name) { return kxtest::TestDataDir() / "xmltree" / name; }

class XmlTreeFile : public XmlTreeTest {
protected:
    // A copy of a data file in the test's folder.
    fs::path Copy(const std::string& name)
    {
        const fs::path target = m_dir / name;
        fs::copy_file(DataFile(name), target);
        return target;
    }

    // After a refused load: the document node of an empty document.
    void ExpectEmptyDocument()
    {
        EXPECT_EQ(Name(), "#document");
        EXPECT_EQ(Count(), 0);
        EXPECT_FALSE(Tree().MoveToPath(L"工程数据"));
        EXPECT_FALSE(Tree().MoveToPath(L"//*"));
    }

    std::vector<std::string> FolderEntries() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_dir.path()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

struct EncodedFile {
    const char* file;
    const char* encoding;  // as the saved declaration must name it, and as iconv reads it
    const char* bom;
};

class XmlTreeEncoding : public XmlTreeFile, public ::testing::WithParamInterface<EncodedFile> {};

// Each file holds the same rules; it is read, changed and saved over itself in its own encoding.
TEST_P(XmlTreeEncoding, ReadAndRewrittenInItsOwnEncoding)
{
    const EncodedFile& param = GetParam();
    const fs::path file = Copy(param.file);
    ASSERT_TRUE(Tree().LoadFile(W(file)));
    EXPECT_EQ(Name(), "#document");
    ASSERT_TRUE(Tree().MoveToPath(L"工程数据"));
    EXPECT_EQ(Count(), 3);  // the comment and two groups; indentation is no child
    EXPECT_EQ(PathValue(L"/工程数据/主体结构/框架梁/实体模板/扣减项目"), "1,2,3");
    ASSERT_TRUE(Tree().MoveToChild(0));
    EXPECT_EQ(Value(), " 第一组 ");

    ASSERT_TRUE(Tree().MoveToPath(L"//计算方法"));
    ASSERT_TRUE(Tree().SetValue(L"新值&1堃"));  // 堃: GBK, not GB2312
    ASSERT_TRUE(Tree().SaveFile(W(file)));

    const std::string bytes = kxtest::ReadBytes(file);
    ASSERT_EQ(bytes.compare(0, std::string(param.bom).size(), param.bom), 0);
    CString text;
    ASSERT_TRUE(kx::platform::Decode(bytes, param.encoding, text));
    const std::string utf8 = U8(text);
    EXPECT_NE(utf8.find(std::string("encoding=\"") + param.encoding + "\"?>"), std::string::npos) << utf8;
    EXPECT_NE(utf8.find("\n  <主体结构 classtype=\"1\">\n    <框架梁"), std::string::npos) << utf8;
    EXPECT_NE(utf8.find(">新值&amp;1堃</计算方法>"), std::string::npos) << utf8;
    EXPECT_EQ(kx::platform::IsValidUtf8(bytes), std::string(param.encoding) == "UTF-8");
    ASSERT_TRUE(Tree().LoadFile(W(file)));
    EXPECT_EQ(PathValue(L"//计算方法"), "新值&1堃");
}

INSTANTIATE_TEST_SUITE_P(Files, XmlTreeEncoding,
                         ::testing::Values(EncodedFile{"indented.xml", "UTF-8", ""},
                                           EncodedFile{"gb2312.xml", "GB2312", ""},
                                           EncodedFile{"utf16.xml", "UTF-16", "\xFF\xFE"},
                                           EncodedFile{"nodecl.xml", "UTF-8", ""}),
                         [](const auto& info) {
                             std::string name = info.param.file;
                             return name.substr(0, name.find('.'));
                         });

TEST_F(XmlTreeFile, LoadXmlKeepsTheDeclaredEncodingForSaving)
{
    Load("<?xml version=\"1.0\" encoding='GB2312' ?><工程数据>值</工程数据>");
    const fs::path file = m_dir / "out.xml";
    ASSERT_TRUE(Tree().SaveFile(W(file)));
    CString text;
    ASSERT_TRUE(kx::platform::Decode(kxtest::ReadBytes(file), "GB2312", text));
    EXPECT_NE(U8(text).find("encoding=\"GB2312\"?>\n<工程数据>值</工程数据>"), std::string::npos) << U8(text);
    EXPECT_FALSE(kx::platform::IsValidUtf8(kxtest::ReadBytes(file)));  // not merely declared
}

TEST_F(XmlTreeFile, MissingOrMalformedFileLeavesAnEmptyDocument)
{
    const fs::path good = Copy("indented.xml");
    const fs::path broken = m_dir / "broken.xml";
    kxtest::WriteBytes(broken, "<工程数据 ruletype=\"1\"><a></工程数据>");
    for (const fs::path& path : {m_dir / "missing.xml", broken, m_dir.path(), fs::path()}) {
        ASSERT_TRUE(Tree().LoadFile(W(good)));
        ASSERT_TRUE(Tree().MoveToPath(L"//计算方法"));
        EXPECT_FALSE(Tree().LoadFile(W(path))) << path;
        ExpectEmptyDocument();
    }
}

TEST_F(XmlTreeFile, HostileFilesAreRefusedWithNothingRead)
{
    const std::vector<std::pair<std::string, std::string>> files = {
        {"external_entity.xml", ""},
        {"parameter_entity.xml", ""},
        {"entity_bomb.xml", ""},
        // An internal parameter entity that smuggles in an external one.
        {"smuggled.xml", "<?xml version=\"1.0\"?>\n<!DOCTYPE 工程数据 [\n"
                         "  <!ENTITY % decl \"<!ENTITY secret SYSTEM 'file:///etc/passwd'>\">\n  %decl;\n]>\n"
                         "<工程数据 ruletype=\"1\">&secret;</工程数据>\n"},
    };
    for (const auto& [name, inline_text] : files) {
        SCOPED_TRACE(name);
        const fs::path file = inline_text.empty() ? Copy(name) : m_dir / name;
        if (!inline_text.empty())
            kxtest::WriteBytes(file, inline_text);
        EXPECT_FALSE(Tree().LoadFile(W(file)));
        ExpectEmptyDocument();
        EXPECT_FALSE(Tree().LoadXML(W(kxtest::ReadBytes(file))));
    }
}

TEST_F(XmlTreeFile, PercentInThePathSavesToThatPath)
{
    Load("<工程数据 ruletype=\"1\"/>");
    for (const char* name : {"50%完成.xml", "a%20b.xml", "%"}) {
        ASSERT_TRUE(Tree().SaveFile(W(m_dir / name))) << name;
        const auto again = Reload(m_dir / name);
        EXPECT_TRUE(again && again->MoveToPath(L"工程数据")) << name;
    }
    EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"%", "50%完成.xml", "a%20b.xml"}));
}

TEST_F(XmlTreeFile, SaveThatCannotBeWrittenFaithfullyLeavesTheOldFileWhole)
{
    const fs::path file = Copy("gb2312.xml");
    const std::string before = kxtest::ReadBytes(file);
    ASSERT_TRUE(Tree().LoadFile(W(file)));
    ASSERT_TRUE(Tree().MoveToPath(L"工程数据"));
    // GB2312 has no way to write this name; a character reference is no XML inside a tag.
    ASSERT_TRUE(Tree().AddChild(L"规则한", L""));
    EXPECT_FALSE(Tree().SaveFile(W(file)));
    EXPECT_EQ(kxtest::ReadBytes(file), before);

    // An encoding nobody knows cannot be written at all.
    Load("<?xml version=\"1.0\" encoding=\"X-UNKNOWN\"?><工程数据/>");
    EXPECT_FALSE(Tree().SaveFile(W(file)));
    EXPECT_EQ(kxtest::ReadBytes(file), before);
    EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"gb2312.xml"}));
}

} // namespace
} // namespace xmltreetest
