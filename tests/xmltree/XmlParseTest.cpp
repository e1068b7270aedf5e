// Below the tree: what the parser refuses (hostile and damaged files, once for every reader),
// where the outline gives way to nodes, which names XML allows, and the tree's file edges.
#include "xmltree/XmlModel.h"

#include <sys/stat.h>

#include "platform/Platform.h"
#include "platform/Xml.h"
#include "support/XmlOutlineOracle.h"
#include "xmltree/CXMLTreeImp.h"
#include "xmltree/CXmlTextWriter.h"

namespace xmltreetest {
namespace {

std::string Repeat(const std::string& s, std::size_t n)
{
    std::string out;
    while (n-- > 0)
        out += s;
    return out;
}

std::string Attributes(int n, const std::string& value = "")
{
    std::string tag = "<a";
    for (int i = 0; i < n; ++i)
        tag += " a" + std::to_string(i) + "=\"" + value + "\"";
    return tag + "/>";
}

std::string Doc(const std::string& body, const std::string& doctype = "", const std::string& encoding = "UTF-8")
{
    return "<?xml version=\"1.0\" encoding=\"" + encoding + "\"?>\n" + doctype + "<工程数据 v=\"扣\">" + body + "</工程数据>";
}

TEST(XmlParse, HostileAndDamagedFiles)
{
    kxtest::TempDir dir;
    kxtest::WriteBytes(dir / "secret.txt", "SECRET");
    kxtest::WriteBytes(dir / "secret.dtd", "<!ENTITY leak \"SECRET\">");
    const std::string secret = "file://" + (dir / "secret.txt").string(), dtd = "file://" + (dir / "secret.dtd").string();
    std::string laughs = "<!DOCTYPE 工程数据 [<!ENTITY l0 \"haha\">";
    for (int i = 1; i <= 9; ++i)
        laughs += "<!ENTITY l" + std::to_string(i) + " \"" + Repeat("&l" + std::to_string(i - 1) + ";", 10) + "\">";
    laughs += "]>";
    const auto entity = [](const std::string& text) { return "<!DOCTYPE 工程数据 [<!ENTITY e \"" + text + "\">]>"; };
    const auto utf16 = [](const std::string& doc) { return "\xFF\xFE" + Encode(doc, "UTF-16LE"); };
    const std::string deep = Repeat("<a>", 100000);
    const struct { const char* what; std::string bytes; bool bRead; } rows[] = {
        {"external entity", Doc("&x;", "<!DOCTYPE 工程数据 [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>"), false},
        {"external entity beside", Doc("&x;", "<!DOCTYPE 工程数据 [<!ENTITY x SYSTEM \"" + secret + "\">]>"), false},
        {"relative external entity", Doc("&x;", "<!DOCTYPE 工程数据 [<!ENTITY x SYSTEM \"secret.txt\">]>"), false},
        {"public external entity", Doc("&x;", "<!DOCTYPE 工程数据 [<!ENTITY x PUBLIC \"-//X//Y\" \"http://127.0.0.1:9/p\">]>"), false},
        {"unparsed entity", Doc("1", "<!DOCTYPE 工程数据 [<!NOTATION n SYSTEM \"x\"><!ENTITY x SYSTEM \"" + secret + "\" NDATA n>]>"), false},
        {"external parameter entity", Doc("&leak;", "<!DOCTYPE 工程数据 [<!ENTITY % p SYSTEM \"" + dtd + "\"> %p;]>"), false},
        {"smuggled external entity", Doc("&x;", "<!DOCTYPE 工程数据 [<!ENTITY % d \"<!ENTITY x SYSTEM '" + secret + "'>\"> %d;]>"), false},
        // The external subset is never loaded, so nothing is asked of it.
        {"external DTD subset", Doc("1", "<!DOCTYPE 工程数据 SYSTEM \"" + dtd + "\">"), true},
        {"internal entity", Doc("&e;", entity("1,2")), true},
        {"internal parameter entity", Doc("&e;", "<!DOCTYPE 工程数据 [<!ENTITY % d \"<!ENTITY e '1'>\"> %d;]>"), true},
        {"billion laughs", Doc("&l9;", laughs), false},
        {"billion laughs in an attribute", Doc("<a v=\"&l9;\"/>", laughs), false},
        {"quadratic blowup", Doc(Repeat("&e;", 20000), entity(std::string(100000, 'a'))), false},
        // Below libxml2's own amplification checks, yet hours of copying without a budget.
        {"5 MB from a small entity", Doc(Repeat("&e;", 5000), entity(std::string(1000, 'a'))), false},
        {"1001 references", Doc(Repeat("&e;", 1001), entity("a")), false},
        {"500 references", Doc(Repeat("&e;", 500), entity("a")), true},
        {"1 MB and one byte", Doc(Repeat("&e;", 1), entity(std::string(1 << 20, 'a') + "&amp;")), false},
        {"a quarter MB", Doc(Repeat("&e;", 1), entity(std::string(1 << 18, 'a') + "&amp;")), true},
        {"nested references counted", Doc("&f;", "<!DOCTYPE 工程数据 [<!ENTITY e \"" + std::string(1 << 19, 'a') + "\"><!ENTITY f \"&e;&e;&#65;\">]>"), false},
        {"recursive entity", Doc("&a;", "<!DOCTYPE 工程数据 [<!ENTITY a \"&b;\"><!ENTITY b \"&a;\">]>"), false},
        {"a chain of 50 entities", Doc("&e50;", [] {
             std::string d = "<!DOCTYPE 工程数据 [<!ENTITY e0 \"x\">";
             for (int i = 1; i <= 50; ++i)
                 d += "<!ENTITY e" + std::to_string(i) + " \"&e" + std::to_string(i - 1) + ";\">";
             return d + "]>";
         }()), false},
        {"100,000 levels", Doc(deep + Repeat("</a>", 100000)), false},
        {"100,000 levels, unclosed", Doc(deep), false},
        {"11 MB attribute", Doc("<a v=\"" + std::string(11u << 20, 'x') + "\"/>"), false},
        {"11 MB text in one run", Doc(std::string(11u << 20, 'x')), true},
        // ...but in pieces it stops at 10 MB without the parser calling the file ill-formed.
        {"12 MB text in two pieces", Doc(std::string(6u << 20, 'x') + "&#x4E2D;" + std::string(6u << 20, 'x')), false},
        {"1 MB name", Doc("<" + std::string(1u << 20, 'x') + "/>"), false},
        {"1000 attributes, '=' quoted", Doc(Attributes(1000, "=>")), true},
        {"1001 attributes", Doc(Attributes(1001)), false},
        {"1001 '=' in markup that is no tag", Doc("<!--" + Repeat("=", 1001) + "--><?pi " + Repeat("=", 1001) + "?><![CDATA[" + Repeat("a=", 1001) + "]]>"), true},
        {"1001 attributes after an empty comment", Doc("<!---->" + Attributes(1001) + "<!-- -->"), false},
        {"1001 attributes, UTF-16", utf16(Doc(Attributes(1001), "", "UTF-16")), false},
        {"1001 attributes, UTF-16 without a byte-order mark", Encode(Doc(Attributes(1001), "", "UTF-16"), "UTF-16BE"), false},
        {"1001 attributes, GB18030", Encode(Doc(Attributes(1001), "", "GB18030"), "GB18030"), false},
        {"1000 attributes, UTF-16", utf16(Doc(Attributes(1000), "", "UTF-16")), true},
        {"invalid UTF-8", Doc("1\xFF\xFE,2\xC0\x80"), false},
        {"an encoded surrogate in an attribute", Doc("<a v=\"\xED\xA0\x80\"/>"), false},
        {"cut short UTF-8", Doc("1,\xE5\xB7"), false},
        {"NUL byte", Doc(std::string("1\0,2", 4)), false},
        {"control character reference", Doc("1&#1;2"), false},
        {"declared UTF-8, written in GB18030", Encode(Doc("扣减"), "GB18030"), false},
        {"no declaration, written in GB18030", Encode("<工程数据>扣减</工程数据>", "GB18030"), false},
        {"declared GB18030, written in UTF-8", Doc("扣减", "", "GB18030"), false},
        {"declared UTF-16, written in UTF-8", Doc("1", "", "UTF-16"), false},
        {"declared UTF-8, written in UTF-16", utf16(Doc("1")), true},
        {"declared GBK, invalid GBK", Encode(Doc("1", "", "GBK"), "GBK") + "\xD4", false},
        {"unknown encoding", Doc("1", "", "x-no-such-code"), false},
        {"declared ISO-8859-1, written in UTF-8", Doc("1", "", "ISO-8859-1"), false},
        {"declared EBCDIC, written in UTF-8", Doc("1", "", "EBCDIC-US"), false},
    };
    for (const auto& row : rows) {
        kx::xml::ParseError error;
        const kx::xml::DocPtr doc = kx::xml::ParseMemory(row.bytes, &error);
        EXPECT_EQ(doc != nullptr, row.bRead) << row.what << ": " << error.message;
        EXPECT_EQ(error.message.empty(), row.bRead) << row.what;
        std::string text;
        EXPECT_TRUE(!doc || (kx::xml::Serialize(doc.get(), text) && text.find("SECRET") == std::string::npos)) << row.what;
    }
}

// The outline gives way to nodes for anything it cannot hold as the tree would; random documents
// hold comments, CDATA, mixed text and DTDs, these the rest.
TEST(XmlParse, OutlineGivesWayWhereItCannotHoldTheContent)
{
    const std::pair<bool, std::string> rows[] = {
        {true, Encode(Doc("<组><a>1</a></组>", "", "GBK"), "GBK")},
        {true, "<工程数据 xmlns:x=\"urn:x\"><组><a> \t\r\n</a><b>  x  </b></组></工程数据>"},
        {false, Doc("<x:组 xmlns:x=\"urn:x\"/>")},
        {false, Doc("<组 xmlns=\"urn:d\"><a>1</a></组>")},
        {false, "<工程数据 xmlns=\"urn:d\"><组/></工程数据>"},
        {false, Doc("<组><a x:v=\"1\" xmlns:x=\"urn:x\"/></组>")},
        {false, "<工程数据 xmlns:x=\"urn:x\"><组><a x:v=\"1\"/></组></工程数据>"},
        {false, Doc("<组><a y:v=\"1\"/></组>")},
        {false, Doc("<组><y:a/></组>")},
        {false, Doc("<组><a :v=\"1\"/></组>")},
        {false, "<!DOCTYPE 工程数据><工程数据><组/></工程数据>"},
        {false, Doc("<组><a>" + std::string(1 << 20, 'x') + "y</a></组>")},
        {false, Doc("<组>" + std::string((1 << 20) + 1, ' ') + "</组>")},
        {false, Doc("<组>" + std::string(10000001, ' ') + "</组>")},
        {false, ""},
        {false, Doc("<组><a>1</b></组>")},
        {false, Doc("<组><a>&undefined;</a></组>")},
        {false, Doc("<组><a v=\"1\" v=\"2\"/></组>")},
        {false, Doc("<组><!-- c --><a>1</b></组>")},
        {false, "<!DOCTYPE a SYSTEM \"file:///etc/passwd\"><a/>"},
    };
    for (const auto& [bTaken, xml] : rows) {
        const kxtest::OutlineComparison comparison = kxtest::CompareOutlineParse(xml, 2);
        EXPECT_EQ(comparison.difference, "") << xml.substr(0, 200);
        EXPECT_EQ(comparison.bTaken, bTaken) << xml.substr(0, 200);
    }
}

// Every name the parser reads can be written back, and no other: all of Unicode, as a first and
// as a later character.
TEST(XmlParse, NamesAreWhatTheParserReads)
{
    for (char32_t c = 1; c < 0x110000; c += c < 0x10000 ? 1 : 97) {
        if (c == ':' || (c >= 0xD800 && c < 0xE000))
            continue;
        const CString ch(1, wchar_t(c));
        const std::string utf8 = U8(ch);
        for (const bool bFirst : {true, false}) {
            const CString name = bFirst ? ch : L"a" + ch + L"b";
            const bool bParsed = kx::xml::ParseMemory("<" + U8(name) + "/>") != nullptr;
            ASSERT_EQ(kx::xml::IsXmlName(name), bParsed) << std::hex << unsigned(c) << (bFirst ? " first" : " later");
            ASSERT_EQ(kx::xml::IsValidName(name), bParsed) << std::hex << unsigned(c);
        }
    }
    for (const CString& bad : {CString(), CString(1, wchar_t(0xD800)), CString(L"a\xDFFF"), CString(L"a b")})
        EXPECT_FALSE(kx::xml::IsXmlName(bad));
    EXPECT_FALSE(kx::xml::IsValidName(L""));
}

// Paths with Chinese steps select what the same paths select with ASCII ones.
TEST(XmlParse, ChinesePathsSelectLikeAscii)
{
    CXMLTreeImp tree;
    ASSERT_TRUE(tree.LoadXML(L"<工程数据><扣减 i='1' s='/工'>t1<计算 i='2'/></扣减><扣减 i='3'>t2</扣减></工程数据>"));
    const std::pair<const wchar_t*, const char*> rows[] = {
        {L"/工程数据/扣减/@i", "1"}, {L"/ 工程数据/扣减[2]", "t2"}, {L"/工程数据//@i", "1"}, {L"//计算/@i", "2"},
        {L"/工程数据/扣减[@s='/工']/@i", "1"}, {L"/工程数据/扣减[@s=\"/工\"]/@i", "1"}, {L"/工程数据/扣减[计算/@i='2']", "t1"},
        {L"/工程数据/扣减[2]/@i | /工程数据/扣减/计算/@i", "2"}, {L"工程数据/扣减/..", "t1t2"}, {L"/工程数据/扣减/@i/..", "t1"},
    };
    for (const auto& [path, value] : rows) {
        CString got;
        EXPECT_TRUE(tree.GetPathValue(path, got) && U8(got) == value) << U8(path) << " gave " << U8(got);
    }
}

TEST(XmlParse, FreshTreeHasNoCurrentNode)
{
    CXMLTreeImp tree;
    CString v = L"keep";
    int n = 42;
    EXPECT_FALSE(tree.GetValue(v) || tree.GetNodeName(v) || tree.GetAttribute(L"a", v) || tree.GetChildValue(0, v) ||
                 tree.GetSubNodeValue(L"a", v) || tree.GetChildCount(n) || tree.GetChildCountByName(L"a", n) ||
                 tree.MoveToChild(0) || tree.MoveToChildByName(L"a", 0) || tree.MoveToParent() || tree.AddChild(L"a", L"v") ||
                 tree.SetValue(L"v") || tree.SetAttribute(L"a", L"v") || tree.RemoveAttribute(L"a") || tree.DeleteCurNode() ||
                 tree.DeleteAllChildren() || tree.TakesChildrenAsText() || tree.MoveToPath(L"a"));
    EXPECT_TRUE(v == L"keep" && n == 42);
    EXPECT_TRUE(tree.MoveToPath(L"/") && tree.GetNodeName(v) && v == L"#document");
}

TEST(XmlParse, FailedLoadsAndSaves)
{
    kxtest::TempDir dir;
    const auto good = dir / "good.xml", file = dir / "file.xml";
    const Node group{Node::Element, "组", "", {}, {{Node::Text, "", "1"}}};
    const Node goodDoc{Node::Doc, "", "", {}, {{Node::Element, "工程数据", "", {{"v", "扣"}}, {group}}}};
    kxtest::WriteBytes(good, Doc("<组>1</组>"));
    kxtest::WriteBytes(dir / "broken.xml", Doc("<组>"));
    ASSERT_EQ(::mkfifo((dir / "pipe.xml").c_str(), 0600), 0);
    CXMLTreeImp tree;
    kx::xml::Outline outline;
    for (const auto& bad : {dir / "missing.xml", dir / "broken.xml", dir / "pipe.xml", dir.path(), kxtest::fs::path()}) {
        // A failed load leaves an empty document and no outline; a failed LoadXML the old document.
        ASSERT_TRUE(tree.LoadFile(W(good)) && tree.MoveToPath(L"//组"));
        EXPECT_FALSE(tree.LoadXML(W(Doc("<组>"))));
        EXPECT_EQ(Differs(tree, group), "");
        outline.bTaken = true;
        EXPECT_FALSE(tree.LoadFileOutline(W(bad), 2, outline)) << bad;
        EXPECT_TRUE(!outline.bTaken && outline.elements.empty() && outline.bytes.empty());
        EXPECT_EQ(Differs(tree, Node{Node::Doc}), "") << bad;
    }
    // A declared encoding is kept for the save, also of text given as such, with or without a BOM.
    for (const char* encoding : {"gb18030", "GB2312"}) {
        ASSERT_TRUE(tree.LoadXML(W("\xEF\xBB\xBF<?xml version=\"1.0\" encoding = '" + std::string(encoding) + "' ?><工程数据>值堃</工程数据>")));
        ASSERT_TRUE(tree.SaveFile(W(file)));
        const Node doc{Node::Doc, "", "", {}, {{Node::Element, "工程数据", "", {}, {{Node::Text, "", "值堃"}}}}};
        EXPECT_EQ(kxtest::ReadBytes(file), Encode(Saved(doc, encoding), kx::platform::IconvEncoding(encoding)));
    }
    // What cannot be written faithfully is not written: GB2312 has no 한, a character reference is no
    // XML in a name; nobody knows the encoding.
    const std::string before = kxtest::ReadBytes(file);
    ASSERT_TRUE(tree.MoveToPath(L"/*") && tree.AddChild(L"规则한", L""));
    EXPECT_FALSE(tree.SaveFile(W(file)));
    ASSERT_TRUE(tree.LoadXML(L"<?xml version=\"1.0\" encoding=\"X-UNKNOWN\"?><工程数据/>"));
    EXPECT_FALSE(tree.SaveFile(W(file)));
    EXPECT_EQ(kxtest::ReadBytes(file), before);
    // A percent sign is part of the name, never an escape.
    for (const char* name : {"50%完成.xml", "a%20b.xml", "%"}) {
        ASSERT_TRUE(tree.LoadFile(W(good)) && tree.SaveFile(W(dir / name))) << name;
        EXPECT_EQ(kxtest::ReadBytes(dir / name), Saved(goodDoc, "UTF-8"));
    }
}

TEST(XmlParse, TextWriterRefusesWhatTheTreeRefuses)
{
    CXmlTextWriter writer(1);
    for (const CString& name : {CString(L"#comment"), CString(L"1a"), CString(), CString(L"a b")})
        EXPECT_THROW(writer.Open(name), KxXmlError) << U8(name);
    writer.Open(L"a");
    for (const CString& bad : {CString(L"\x01"), CString(L"x\xFFFE"), CString(1, wchar_t(0xDC00))}) {
        EXPECT_THROW(writer.Attribute(L"v", bad), KxXmlError);
        EXPECT_THROW(writer.Text(bad), KxXmlError);
    }
}

} // namespace
} // namespace xmltreetest
