// Below the tree: what the parser refuses (hostile and damaged files, once for every reader) and
// where the outline gives way to nodes, which names XML allows, and the tree's edges.
#include "xmltree/XmlModel.h"

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

// Each file is refused, read as nodes, or read with its content as an outline (taken); the outline
// means what the tree means, and no local file is read into either.
TEST(XmlParse, HostileDamagedAndOutlinedFiles)
{
    enum { kRefused, kRead, kTaken };
    kxtest::TempDir dir;
    kxtest::WriteBytes(dir / "secret.dtd", "<!ENTITY leak \"SECRET\">");
    const std::string secret = "file://" + (dir / "secret.dtd").string();
    std::string laughs = "<!DOCTYPE 工程数据 [<!ENTITY l0 \"haha\">";
    for (int i = 1; i <= 9; ++i)
        laughs += "<!ENTITY l" + std::to_string(i) + " \"" + Repeat("&l" + std::to_string(i - 1) + ";", 10) + "\">";
    const auto entity = [](const std::string& text) { return "<!DOCTYPE 工程数据 [<!ENTITY e \"" + text + "\">]>"; };
    const auto utf16 = [](const std::string& ascii) {  // little-endian, behind a byte-order mark
        std::string out = "\xFF\xFE";
        for (const char c : ascii)
            out += {c, '\0'};
        return out;
    };
    std::string chain = "<!DOCTYPE 工程数据 [<!ENTITY e0 \"x\">";  // deeper than the budget follows
    for (int i = 1; i <= 50; ++i)
        chain += "<!ENTITY e" + std::to_string(i) + " \"&e" + std::to_string(i - 1) + ";\">";
    const std::string deep = Repeat("<a>", 100000), big(11u << 20, 'x');
    const struct { const char* what; std::string bytes; int outcome;
    } rows[] = {
        {"external entity", Doc("&x;", "<!DOCTYPE 工程数据 [<!ENTITY x SYSTEM \"" + secret + "\">]>"), kRefused},
        {"unparsed entity",
         Doc("1", "<!DOCTYPE 工程数据 [<!NOTATION n SYSTEM \"x\"><!ENTITY x SYSTEM \"" + secret + "\" NDATA n>]>"),
         kRefused},
        {"external parameter entity",
         Doc("&leak;", "<!DOCTYPE 工程数据 [<!ENTITY % p SYSTEM \"" + secret + "\"> %p;]>"), kRefused},
        {"external DTD subset, never loaded", Doc("1", "<!DOCTYPE 工程数据 SYSTEM \"" + secret + "\">"), kRead},
        {"billion laughs in an attribute", Doc("<a v=\"&l9;\"/>", laughs + "]>"), kRefused},
        {"1001 references", Doc(Repeat("&e;", 1001), entity("a")), kRefused},
        {"500 references", Doc(Repeat("&e;", 500), entity("a")), kRead},
        {"1.2 MB from 600 references", Doc(Repeat("&e;", 600), entity(std::string(2000, 'a'))), kRefused},
        {"1 MB and one byte", Doc("&e;", entity(std::string(1 << 20, 'a') + "&amp;")), kRefused},
        {"a quarter MB", Doc("&e;", entity(std::string(1 << 18, 'a') + "&amp;")), kRead},
        {"nested references",
         Doc("&f;",
             "<!DOCTYPE 工程数据 [<!ENTITY e \"" + std::string(1 << 19, 'a') + "\"><!ENTITY f \"&e;&e;&#65;\">]>"),
         kRefused},
        {"a chain of 50 entities", Doc("&e50;", chain + "]>"), kRefused},
        {"recursive entity", Doc("&a;", "<!DOCTYPE 工程数据 [<!ENTITY a \"&b;\"><!ENTITY b \"&a;\">]>"), kRefused},
        {"100,000 levels", Doc(deep + Repeat("</a>", 100000)), kRefused},
        {"11 MB attribute", Doc("<a v=\"" + big + "\"/>"), kRefused},
        {"11 MB text in one run", Doc(big), kRead},
        // ...but in pieces the text stops at 10 MB without the parser calling the file ill-formed.
        {"12 MB text in two pieces", Doc(std::string(6u << 20, 'x') + "&#x4E2D;" + std::string(6u << 20, 'x')),
         kRefused},
        {"1000 attributes, '=' quoted", Doc(Attributes(1000, "=>")), kTaken},
        {"1001 attributes, '>' quoted", Doc(Attributes(1001, ">")), kRefused},
        {"1001 '=' in markup that is no tag",
         Doc("<!--" + Repeat("=", 1001) + "--><?pi " + Repeat("=", 1001) + "?><![CDATA[" + Repeat("a=", 1001) + "]]>"),
         kRead},
        {"1001 attributes after an empty comment", Doc("<!---->" + Attributes(1001) + "<!-- -->"), kRefused},
        {"1001 attributes, UTF-16", utf16("<?xml version=\"1.0\" encoding=\"UTF-16\"?>" + Attributes(1001)), kRefused},
        {"1001 attributes, GB18030", "<?xml version=\"1.0\" encoding=\"GB18030\"?>" + Attributes(1001), kRefused},
        {"invalid UTF-8", Doc("<a>1\xFF\xFE</a>"), kRefused},
        {"NUL byte", Doc(std::string("1\0,2", 4)), kRefused},
        {"control character reference", Doc("1&#1;2"), kRefused},
        {"declared UTF-16, written in UTF-8", Doc("1", "", "UTF-16"), kRefused},
        {"declared UTF-8, written in UTF-16", utf16("<?xml version=\"1.0\" encoding=\"UTF-8\"?><r><a/></r>"), kTaken},
        {"declared GBK, invalid GBK", kxtest::Encoded(Doc("1"), "GBK", "GBK") + "\xD4", kRefused},
        {"GBK", kxtest::Encoded(Doc("<组><a>1</a></组>"), "GBK", "GBK"), kTaken},
        {"blank leaf text is none", "<工程数据 xmlns:x=\"urn:x\"><组><a> \t\r\n</a><b>  x  </b></组></工程数据>",
         kTaken},
        {"namespace declared below the document element", Doc("<组 xmlns:x=\"urn:x\"><a/></组>"), kRead},
        {"default namespace of the document element", "<工程数据 xmlns=\"urn:d\"><组/></工程数据>", kRead},
        {"undeclared prefix of an attribute", Doc("<组><a y:v=\"1\"/></组>"), kRead},
        {"undeclared prefix of an element", Doc("<组><y:a/></组>"), kRead},
        {"empty prefix of an attribute", Doc("<组><a :v=\"1\"/></组>"), kRead},
        {"empty prefix of an element", Doc("<组><:a/></组>"), kRead},
        {"DTD without declarations", "<!DOCTYPE 工程数据><工程数据><组/></工程数据>", kRead},
        {"1 MB of blanks between elements", Doc("<组>" + std::string((1 << 20) + 1, ' ') + "</组>"), kRead},
        {"mismatched tag after a comment", Doc("<组><!-- c --><a>1</b></组>"), kRefused},
        {"undefined entity", Doc("<组><a>&undefined;</a></组>"), kRefused},
        {"empty file", "", kRefused},
    };
    for (const auto& row : rows) {
        kx::xml::ParseError error;
        const kx::xml::DocPtr doc = kx::xml::ParseMemory(row.bytes, &error);
        EXPECT_EQ(doc != nullptr, row.outcome != kRefused) << row.what << ": " << error.message;
        EXPECT_EQ(error.message.empty(), row.outcome != kRefused) << row.what;
        std::string text;
        EXPECT_TRUE(!doc || (kx::xml::Serialize(doc.get(), text) && text.find("SECRET") == std::string::npos))
            << row.what;
        const kxtest::OutlineComparison comparison = kxtest::CompareOutlineParse(row.bytes, 2);
        EXPECT_EQ(comparison.difference, "") << row.what;
        EXPECT_EQ(comparison.bTaken, row.outcome == kTaken) << row.what;
    }
    // The first error is the one told, with its line: what follows it are its consequences.
    kx::xml::ParseError error;
    EXPECT_FALSE(kx::xml::ParseMemory("<r>\n&bogus;\n<a></b></r>", &error));
    EXPECT_EQ(error.message + " " + std::to_string(error.line), "Entity 'bogus' not defined 2");
}

// Every name the parser reads can be written back, and no other: all of Unicode, as a first and
// as a later character.
TEST(XmlParse, NamesAreWhatTheParserReads)
{
    for (char32_t c = 1; c < 0x110000; c += c < 0x10000 ? 1 : 97) {
        if (c == ':' || (c >= 0xD800 && c < 0xE000) || c == 0xFFFE || c == 0xFFFF)
            continue;
        for (const CString& name : {CString(1, wchar_t(c)), L"a" + CString(1, wchar_t(c)) + L"b"}) {
            std::string doc = "<";  // appended, not "<" + U8(name): GCC 12 at -O3 warns wrongly of that
            doc.append(U8(name)).append("/>");
            const bool bParsed = kx::xml::ParseMemory(doc) != nullptr;
            ASSERT_EQ(kx::xml::IsXmlName(name), bParsed) << std::hex << unsigned(c) << " in " << U8(name);
            ASSERT_EQ(kx::xml::IsValidName(name), bParsed) << std::hex << unsigned(c) << " in " << U8(name);
        }
    }
    for (const CString& bad : {CString(), CString(1, wchar_t(0xD800)), CString(L"a\xDFFF"), CString(L"a\xFFFE")})
        EXPECT_FALSE(kx::xml::IsXmlName(bad));  // IsValidName would take the replacement character
    EXPECT_FALSE(kx::xml::IsValidName(L""));
}

// What the random walks do not reach: paths with Chinese steps beside quotes and blanks, attribute
// nodes, prefixed names, and reads on nodes that are no elements.
TEST(XmlParse, PathsAttributesAndPrefixes)
{
    CXMLTreeImp tree;
    ASSERT_TRUE(tree.LoadXML(L"<工程数据 xmlns:p='urn:p'><扣减 i='1' s='/工' p:i='n'>t1<计算 i='2'/></扣减><扣减 "
                             L"i='3'>t2</扣减><p:x/></工程数据>"));
    for (const auto& [path, value] : std::initializer_list<std::pair<const wchar_t*, const char*>>{
             {L"/ 工程数据/扣减[2]", "true t2"}, {L"/工程数据/扣减[@s='/工']/@i", "true 1"}, {L"/工程数据/扣减[@s=\"/工\"]/@i", "true 1"},
             {L"/工程数据/扣减[2]/@i | /工程数据/扣减/计算/@i", "true 2"}, {L"工程数据/扣减/@i/..", "true t1"}, {L"/", "true (untouched)"},
             {L"扣减", "false"}}) {
        EXPECT_EQ(Call([&, path = path](CString& out) { return tree.GetPathValue(path, out); }), value) << U8(path);
    }
    CString v = L"x";
    int n = 0;
    EXPECT_TRUE(tree.MoveToPath(L"工程数据/*[3]") && tree.GetNodeName(v) && v == L"p:x");
    EXPECT_TRUE(tree.MoveToPath(L"//扣减") && !tree.GetAttribute(L"p:i", v) && tree.GetChildCountByName(L"@*", n) &&
                n == 3);
    ASSERT_TRUE(tree.MoveToPath(L"//扣减/@i") && tree.GetNodeName(v) && v == L"i" && tree.SetValue(L"&1"));
    EXPECT_FALSE(tree.MoveToParent() || tree.DeleteCurNode() || tree.MoveToChild(1) || tree.GetAttribute(L"i", v) ||
                 !v.empty());
    EXPECT_EQ(Call([&](CString& out) { return tree.GetPathValue(L"//扣减/@i", out); }), "true &1");
    EXPECT_EQ(Call([&](CString&) { return tree.SetAttribute(L"i", L"2"); }),
              "error " + std::to_string(KxXmlError::kFail));
    // A rebuilt element takes its old attribute back once: set again, the value is replaced, not doubled.
    ASSERT_TRUE(tree.LoadXML(L"<r><e v='1' w='2'/></r>") && tree.MoveToPath(L"/r") && tree.DeleteAllChildren() &&
                tree.AddChild(L"e", L"") && tree.SetAttribute(L"v", L"2") && tree.SetAttribute(L"v", L"3"));
    EXPECT_TRUE(tree.GetChildCountByName(L"@*", n) && n == 1 && tree.GetAttribute(L"v", v) && v == L"3") << n;
}

TEST(XmlParse, FailedLoadsAndSaves)
{
    // A tree that holds no document answers every call with false.
    CXMLTreeImp none;
    CString text;
    int count = 0;
    EXPECT_FALSE(none.TakesChildrenAsText() || none.AddChild(L"a", L"") || none.DeleteCurNode() ||
                 none.DeleteAllChildren() || none.MoveToChildByName(L"a", 0) || none.GetChildCount(count) ||
                 none.GetChildCountByName(L"a", count) || none.GetValue(text) || none.SetValue(L"") ||
                 none.GetAttribute(L"a", text) || none.SetAttribute(L"a", L"") || none.GetChildValue(0, text) ||
                 none.GetSubNodeValue(L"a", text) || none.MoveToParent() || none.GetNodeName(text) ||
                 none.MoveToChild(0));
    kxtest::TempDir dir;
    const auto good = dir / "good.xml", file = dir / "file.xml";
    const Node group{Node::Element, "组", "", {}, {{Node::Text, "", "1"}}};
    kxtest::WriteBytes(good, Doc("<组>1</组>"));
    kxtest::WriteBytes(dir / "broken.xml", Doc("<组>"));
    CXMLTreeImp tree;
    kx::xml::Outline outline;
    for (const auto& bad : {dir / "missing.xml", dir / "broken.xml", dir.path(), kxtest::fs::path()}) {
        // A failed load leaves an empty document and no outline; a failed LoadXML the old document.
        ASSERT_TRUE(tree.LoadFile(W(good)) && tree.MoveToPath(L"//组") && !tree.LoadXML(W(Doc("<组>"))));
        EXPECT_EQ(Differs(tree, group), "");
        outline.bTaken = true;
        EXPECT_FALSE(tree.LoadFileOutline(W(bad), 2, outline) || outline.bTaken || !outline.bytes.empty()) << bad;
        EXPECT_EQ(Differs(tree, Node{Node::Doc}), "") << bad;
    }
    // A declared encoding is kept for the save, also of text given as such, with or without a BOM.
    for (const char* encoding : {"gb18030", "GB2312"}) {
        ASSERT_TRUE(tree.LoadXML(W("\xEF\xBB\xBF<?xml version=\"1.0\" encoding = '" + std::string(encoding) +
                                   "' ?><工程数据>值堃</工程数据>")));
        ASSERT_TRUE(tree.SaveFile(W(file)));
        const Node doc{Node::Doc, "", "", {}, {{Node::Element, "工程数据", "", {}, {{Node::Text, "", "值堃"}}}}};
        EXPECT_EQ(kxtest::ReadBytes(file), kxtest::Encoded(Saved(doc, "UTF-8"), "GB18030", encoding));
    }
    // What cannot be written faithfully is not written: GB2312 has no 한, and a character reference
    // is no XML in a name; nobody knows the encoding.
    const std::string before = kxtest::ReadBytes(file);
    EXPECT_FALSE(tree.MoveToPath(L"/*") && tree.AddChild(L"规则한", L"") && tree.SaveFile(W(file)));
    EXPECT_FALSE(tree.LoadXML(L"<?xml version=\"1.0\" encoding=\"X-UNKNOWN\"?><工程数据/>") && tree.SaveFile(W(file)));
    EXPECT_EQ(kxtest::ReadBytes(file), before);
    // An "encoding" past the declaration is an attribute like any other: the file is UTF-8.
    ASSERT_TRUE(tree.LoadXML(L"<?xml version=\"1.0\"?><工程数据 encoding=\"GBK\">值</工程数据>") && tree.SaveFile(W(file)));
    EXPECT_EQ(kxtest::ReadBytes(file), Saved(Node{Node::Doc, "", "", {}, {{Node::Element, "工程数据", "", {{"encoding", "GBK"}},
                                                                             {{Node::Text, "", "值"}}}}},
                                              "UTF-8"));
    // A percent sign is part of the name, never an escape.
    for (const char* name : {"50%完成.xml", "a%20b.xml", "%"}) {
        ASSERT_TRUE(tree.LoadFile(W(good)) && tree.SaveFile(W(dir / name))) << name;
        EXPECT_EQ(
            kxtest::ReadBytes(dir / name),
            Saved(Node{Node::Doc, "", "", {}, {{Node::Element, "工程数据", "", {{"v", "扣"}}, {group}}}}, "UTF-8"));
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
    // A NUL ends a text as it ends a C string, in the tree as in the writer: what stands after it
    // is never written, so it is not looked at.
    CXMLTreeImp tree;
    EXPECT_TRUE(tree.LoadXML(L"<r/>") && tree.MoveToPath(L"/r") && tree.SetValue(CString(L"1\0\x01", 3)));
    EXPECT_NO_THROW(writer.Text(CString(L"1\0\x01", 3)));
}

} // namespace
} // namespace xmltreetest
