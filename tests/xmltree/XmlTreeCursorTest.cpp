// The cursor of the XML tree: where loads leave it, how moves, reads and edits treat it, and which
// failures travel up as KxXmlError.
#include "xmltree/XmlTreeFixture.h"

#include "xmltree/CXMLTreeImp.h"

namespace xmltreetest {
namespace {

const char* const kRules = R"(<?xml version="1.0" encoding="UTF-8"?>
<工程数据 ruletype="1" RuleVer="25.1.0">
  <主体结构 classtype="1">
    <框架梁 classtype="1">
      <实体模板 classtype="2">
        <扣减项目 selecttype="M" initype="KouJ">1,2,3</扣减项目>
        <计算方法 selecttype="S" initype="">0</计算方法>
      </实体模板>
    </框架梁>
  </主体结构>
  <基础 classtype="1"/>
</工程数据>)";

using XmlTreeCursor = XmlTreeTest;

TEST_F(XmlTreeCursor, FreshTreeHasNoCurrentNodeAndTouchesNothing)
{
    CString value = L"keep";
    int count = 42;
    EXPECT_FALSE(Tree().GetValue(value));
    EXPECT_FALSE(Tree().GetNodeName(value));
    EXPECT_FALSE(Tree().GetAttribute(L"a", value));
    EXPECT_FALSE(Tree().GetChildValue(0, value));
    EXPECT_FALSE(Tree().GetSubNodeValue(L"a", value));
    EXPECT_FALSE(Tree().GetPathValue(L"/a", value));
    EXPECT_EQ(value, L"keep");
    EXPECT_FALSE(Tree().GetChildCount(count));
    EXPECT_FALSE(Tree().GetChildCountByName(L"a", count));
    EXPECT_EQ(count, 42);
    EXPECT_FALSE(Tree().MoveToChild(0));
    EXPECT_FALSE(Tree().MoveToChildByName(L"a", 0));
    EXPECT_FALSE(Tree().MoveToParent());
    EXPECT_FALSE(Tree().MoveToPath(L"工程数据"));
    EXPECT_FALSE(Tree().AddChild(L"a", L"v"));
    EXPECT_FALSE(Tree().SetValue(L"v"));
    EXPECT_FALSE(Tree().SetAttribute(L"a", L"v"));
    EXPECT_FALSE(Tree().RemoveAttribute(L"a"));
    EXPECT_FALSE(Tree().DeleteCurNode());
    EXPECT_FALSE(Tree().DeleteAllChildren());
    // A path reaches the document node itself, which then becomes current.
    EXPECT_TRUE(Tree().MoveToPath(L"/"));
    EXPECT_EQ(Name(), "#document");
}

TEST_F(XmlTreeCursor, LoadEndsOnTheDocumentNodeAndAFailedLoadKeepsIt)
{
    Load(kRules);
    EXPECT_EQ(Name(), "#document");
    EXPECT_EQ(Value(), "(untouched)");  // the document has no string value
    EXPECT_FALSE(Tree().MoveToParent());
    ASSERT_TRUE(Tree().MoveToPath(L"工程数据"));
    ASSERT_TRUE(Tree().MoveToParent());
    EXPECT_EQ(Name(), "#document");

    ASSERT_TRUE(Tree().MoveToPath(L"//计算方法"));
    EXPECT_FALSE(Tree().LoadXML(L"<a><b></a>"));
    EXPECT_FALSE(Tree().LoadXML(L""));
    EXPECT_EQ(Name(), "计算方法");
    EXPECT_EQ(PathValue(L"//扣减项目"), "1,2,3");
}

TEST_F(XmlTreeCursor, ChildIndicesCountEveryKindOfNodeButIndentation)
{
    Load("<r xmlns:p='urn:p'>\n  <!-- note -->\n  <a>text<b/></a>\n  <?pi data?><p:x/><![CDATA[c]]>\n</r>");
    ASSERT_TRUE(Tree().MoveToPath(L"r"));
    EXPECT_EQ(Outline(), "r(#comment a('text' b) pi p:x #cdata-section)");
    EXPECT_FALSE(Tree().MoveToChild(5));
    EXPECT_FALSE(Tree().MoveToChild(-1));
    EXPECT_EQ(Name(), "r");
    ASSERT_TRUE(Tree().MoveToChild(0));
    EXPECT_EQ(Value(), " note ");
    ASSERT_TRUE(Tree().MoveToParent());
    ASSERT_TRUE(Tree().MoveToChild(2));
    EXPECT_FALSE(Tree().MoveToChild(0));  // a processing instruction has no children
}

TEST_F(XmlTreeCursor, ValuesOfElementsAttributesAndText)
{
    Load("<r><a>one<b>two</b><!--not text-->three</a><c x='1 &amp; 2'/></r>");
    // An element's value is all the text below it; comments are not text.
    EXPECT_EQ(PathValue(L"/r/a"), "onetwothree");
    EXPECT_EQ(PathValue(L"/r/c"), "");

    ASSERT_TRUE(Tree().MoveToPath(L"/r/c/@x"));
    EXPECT_EQ(Name(), "x");
    EXPECT_EQ(Value(), "1 & 2");
    EXPECT_FALSE(Tree().MoveToParent());  // an attribute is not a child of its element

    ASSERT_TRUE(Tree().MoveToPath(L"/r/a/text()[2]"));
    EXPECT_EQ(Name(), "#text");
    EXPECT_EQ(Value(), "three");
    ASSERT_TRUE(Tree().MoveToParent());
    EXPECT_EQ(Name(), "a");
}

TEST_F(XmlTreeCursor, SetValueReplacesTheWholeContentLiterally)
{
    Load("<r a='old'><!--c--><e>x<f/></e></r>");
    ASSERT_TRUE(Tree().MoveToPath(L"/r/e"));
    // "&amp;" is text here, not a reference: it must come back exactly as given.
    ASSERT_TRUE(Tree().SetValue(L"a &amp; <b> \"c\""));
    EXPECT_EQ(Outline(), "e('a &amp; <b> \"c\"')");
    ASSERT_TRUE(Tree().SetValue(L""));
    EXPECT_EQ(Count(), 0);

    ASSERT_TRUE(Tree().MoveToPath(L"/r/@a"));
    ASSERT_TRUE(Tree().SetValue(L"x&y"));
    ASSERT_TRUE(Tree().MoveToPath(L"/r/comment()"));
    ASSERT_TRUE(Tree().SetValue(L"new"));
    EXPECT_EQ(Value(), "new");
    EXPECT_EQ(PathValue(L"/r/@a"), "x&y");

    ASSERT_TRUE(Tree().MoveToPath(L"/"));
    EXPECT_FALSE(Tree().SetValue(L"x"));  // the document node holds no value
    EXPECT_EQ(Name(), "#document");
}

TEST_F(XmlTreeCursor, AddChildAppendsLastAndBecomesCurrent)
{
    Load(kRules);
    ASSERT_TRUE(Tree().MoveToPath(L"工程数据"));
    ASSERT_TRUE(Tree().AddChild(L"新组", L""));
    EXPECT_EQ(Name(), "新组");
    EXPECT_EQ(Count(), 0);
    // Without a move to the parent the next child nests.
    ASSERT_TRUE(Tree().AddChild(L"内", L"值"));
    ASSERT_TRUE(Tree().MoveToParent());
    ASSERT_TRUE(Tree().AddChild(L"内", L""));
    ASSERT_TRUE(Tree().MoveToPath(L"工程数据"));
    EXPECT_EQ(Outline(), "工程数据(主体结构(框架梁(实体模板(扣减项目('1,2,3') 计算方法('0')))) 基础 新组(内('值') 内))");

    // And builds a document from nothing, after a failed load too.
    EXPECT_FALSE(Tree().LoadFile(m_dir.wpath() + L"/missing.xml"));
    ASSERT_TRUE(Tree().AddChild(L"工程数据", L""));
    ASSERT_TRUE(Tree().SetAttribute(L"ruletype", L"1"));
    ASSERT_TRUE(Tree().MoveToParent());
    EXPECT_EQ(Outline(), "#document(工程数据)");
    EXPECT_EQ(PathValue(L"/工程数据/@ruletype"), "1");
}

TEST_F(XmlTreeCursor, AddChildRefusalsTravelUp)
{
    Load("<r>text</r>");
    EXPECT_EQ(ErrorCode([&] { Tree().AddChild(L"second", L""); }), KxXmlError::kFail);  // one root only
    ASSERT_TRUE(Tree().MoveToPath(L"r"));
    for (const wchar_t* bad : {L"1abc", L"a b", L""})
        EXPECT_EQ(ErrorCode([&] { Tree().AddChild(bad, L""); }), KxXmlError::kFail) << bad;
    EXPECT_EQ(Name(), "r");
    ASSERT_TRUE(Tree().MoveToChild(0));
    EXPECT_EQ(ErrorCode([&] { Tree().AddChild(L"a", L""); }), KxXmlError::kFail);
    EXPECT_EQ(Name(), "#text");
    ASSERT_TRUE(Tree().MoveToPath(L"/"));
    EXPECT_EQ(Outline(), "#document(r('text'))");
}

// Every name the parser reads can be written back, so a rewrite of a loaded file never fails on
// a name; names that XML forbids are refused before they reach the document.
TEST_F(XmlTreeCursor, NamesThatLoadCanBeWritten)
{
    const std::vector<std::string> names = {"砼墙（外）", "Ｑ２３５", "墙-1.a", "㎡", "_x", "é·x"};
    std::string xml = "<r>";
    for (const std::string& name : names)
        xml += "<" + name + " " + name + "='1'/>";
    Load(xml + "</r>");
    ASSERT_TRUE(Tree().MoveToPath(L"r"));
    for (int i = 0; i < static_cast<int>(names.size()); ++i) {
        ASSERT_TRUE(Tree().MoveToChild(i));
        const CString name = W(Name());
        ASSERT_TRUE(Tree().MoveToParent());
        ASSERT_TRUE(Tree().AddChild(name, L"v")) << U8(name);
        EXPECT_TRUE(Tree().SetAttribute(name, L"2")) << U8(name);
        ASSERT_TRUE(Tree().MoveToParent());
    }
    ASSERT_TRUE(Tree().SaveFile(W(m_dir / "names.xml")));
    const auto again = Reload(m_dir / "names.xml");
    ASSERT_TRUE(again && again->MoveToPath(L"r"));
    int count = 0;
    ASSERT_TRUE(again->GetChildCount(count));
    EXPECT_EQ(count, 2 * static_cast<int>(names.size()));

    for (const wchar_t* bad : {L"1层", L"墙 体", L"-a", L"a>b", L"墙　体", L"a􏿿"}) {
        EXPECT_EQ(ErrorCode([&] { Tree().AddChild(bad, L""); }), KxXmlError::kFail) << U8(bad);
        EXPECT_FALSE(Tree().SetAttribute(bad, L"x")) << U8(bad);
    }
}

TEST_F(XmlTreeCursor, DeleteCurNodeMovesToTheParent)
{
    Load("<r a='1'><a/><b/><c/></r>");
    ASSERT_TRUE(Tree().MoveToPath(L"/r/@a"));
    EXPECT_FALSE(Tree().DeleteCurNode());  // an attribute has no parent to leave
    ASSERT_TRUE(Tree().MoveToPath(L"/r/b"));
    ASSERT_TRUE(Tree().DeleteCurNode());
    EXPECT_EQ(Outline(), "r(a c)");
    ASSERT_TRUE(Tree().MoveToChild(1));
    EXPECT_EQ(Name(), "c");

    ASSERT_TRUE(Tree().MoveToPath(L"r"));
    ASSERT_TRUE(Tree().DeleteCurNode());
    EXPECT_EQ(Name(), "#document");
    EXPECT_FALSE(Tree().MoveToPath(L"r"));
    EXPECT_FALSE(Tree().DeleteCurNode());
    EXPECT_EQ(Outline(), "#document");
}

TEST_F(XmlTreeCursor, DeleteAllChildrenKeepsTheNodeAndItsAttributes)
{
    Load(kRules);
    ASSERT_TRUE(Tree().MoveToPath(L"工程数据"));
    ASSERT_TRUE(Tree().DeleteAllChildren());
    EXPECT_EQ(Outline(), "工程数据");
    EXPECT_EQ(Attr(L"ruletype"), "1");
    EXPECT_FALSE(Tree().MoveToChild(0));

    Load("<r>t</r>");
    ASSERT_TRUE(Tree().MoveToPath(L"/r/text()"));
    EXPECT_TRUE(Tree().DeleteAllChildren());  // nothing to remove
    ASSERT_TRUE(Tree().MoveToPath(L"/"));
    ASSERT_TRUE(Tree().DeleteAllChildren());
    EXPECT_EQ(Outline(), "#document");
}

TEST_F(XmlTreeCursor, ChildrenByNameCountOnlyMatchingElements)
{
    Load("<r><a i='0'/><b/><a i='1'/><!--a--><a i='2'><a i='deep'/></a></r>");
    ASSERT_TRUE(Tree().MoveToPath(L"r"));
    int count = -1;
    ASSERT_TRUE(Tree().GetChildCountByName(L"a", count));
    EXPECT_EQ(count, 3);
    ASSERT_TRUE(Tree().GetChildCountByName(L"none", count));
    EXPECT_EQ(count, 0);

    EXPECT_FALSE(Tree().MoveToChildByName(L"a", 3));
    EXPECT_FALSE(Tree().MoveToChildByName(L"a", -1));
    EXPECT_FALSE(Tree().MoveToChildByName(L"none", 0));
    EXPECT_EQ(Name(), "r");
    ASSERT_TRUE(Tree().MoveToChildByName(L"a", 2));
    EXPECT_EQ(Attr(L"i"), "2");

    EXPECT_EQ(ErrorCode([&] { Tree().MoveToChildByName(L"a[", 0); }), KxXmlError::kFail);
    EXPECT_EQ(ErrorCode([&] { Tree().GetChildCountByName(L"a = 1", count); }), KxXmlError::kFail);
    EXPECT_EQ(Name(), "a");
}

TEST_F(XmlTreeCursor, PathsSelectFromTheDocumentFirstInDocumentOrder)
{
    Load("<r><x><a i='0'/></x><a i='1'/></r>");
    ASSERT_TRUE(Tree().MoveToPath(L"/r/a"));
    // Relative paths start at the document node, not at the current node.
    ASSERT_TRUE(Tree().MoveToPath(L"r/x"));
    EXPECT_EQ(PathValue(L"//a/@i"), "0");
    EXPECT_EQ(PathValue(L"a"), "(failed)");
    EXPECT_FALSE(Tree().MoveToPath(L"a"));
    EXPECT_EQ(Name(), "x");
    EXPECT_EQ(PathValue(L"/"), "(untouched)");  // the document node, which has no string value

    CString value;
    EXPECT_EQ(ErrorCode([&] { Tree().MoveToPath(L"///"); }), KxXmlError::kFail);
    EXPECT_EQ(ErrorCode([&] { Tree().MoveToPath(L""); }), KxXmlError::kFail);
    EXPECT_EQ(ErrorCode([&] { Tree().GetPathValue(L"count(//a)", value); }), KxXmlError::kFail);
    EXPECT_EQ(Name(), "x");
}

TEST_F(XmlTreeCursor, AttributesAbsentRemovedAndReplaced)
{
    Load("<r xmlns:p='urn:p' a='1' p:b='ns'/>");
    ASSERT_TRUE(Tree().MoveToPath(L"r"));
    CString value = L"keep";
    EXPECT_FALSE(Tree().GetAttribute(L"missing", value));
    EXPECT_FALSE(Tree().GetAttribute(L"b", value));  // only attributes in no namespace are addressed
    EXPECT_EQ(value, L"keep");
    EXPECT_TRUE(Tree().RemoveAttribute(L"missing"));

    ASSERT_TRUE(Tree().SetAttribute(L"a", L"2 & \"3\""));
    ASSERT_TRUE(Tree().SetAttribute(L"新", L"值"));
    EXPECT_EQ(Attr(L"a"), "2 & \"3\"");
    ASSERT_TRUE(Tree().RemoveAttribute(L"a"));
    EXPECT_EQ(Attr(L"a"), "(failed)");
    EXPECT_EQ(Attr(L"新"), "值");
    int count = 0;
    ASSERT_TRUE(Tree().GetChildCountByName(L"@*", count));
    EXPECT_EQ(count, 2);  // 新 and p:b
}

TEST_F(XmlTreeCursor, AttributesOfNodesThatAreNotElements)
{
    Load("<r a='1'>t</r>");
    CString value = L"keep";
    // The document node has no attributes at all: a failure, which empties the value.
    EXPECT_FALSE(Tree().GetAttribute(L"a", value));
    EXPECT_EQ(value, L"");
    EXPECT_FALSE(Tree().RemoveAttribute(L"a"));
    EXPECT_EQ(ErrorCode([&] { Tree().SetAttribute(L"a", L"2"); }), KxXmlError::kFail);
    ASSERT_TRUE(Tree().MoveToPath(L"/r/text()"));
    EXPECT_EQ(ErrorCode([&] { Tree().SetAttribute(L"a", L"2"); }), KxXmlError::kFail);
    EXPECT_EQ(PathValue(L"/r/@a"), "1");
}

TEST_F(XmlTreeCursor, TemporaryDescentRestoresTheCurrentNode)
{
    Load("<!DOCTYPE r [<!ENTITY e 'expanded'>]><r><a>&e;</a><b><c>deep</c></b></r>");
    const auto child = [&](int i) { return Read([&](CString& v) { return Tree().GetChildValue(i, v); }); };
    const auto sub = [&](const wchar_t* p) { return Read([&](CString& v) { return Tree().GetSubNodeValue(p, v); }); };
    // The document's first child is its DTD, which has no string value.
    EXPECT_EQ(child(0), "(untouched)");
    EXPECT_EQ(child(2), "(failed)");
    EXPECT_EQ(Name(), "#document");

    ASSERT_TRUE(Tree().MoveToPath(L"r"));
    EXPECT_EQ(child(0), "expanded");
    EXPECT_EQ(sub(L"b/c"), "deep");
    EXPECT_EQ(sub(L"c"), "(failed)");  // relative to r, not to the document
    CString value = L"keep";
    EXPECT_EQ(ErrorCode([&] { Tree().GetSubNodeValue(L"b/", value); }), KxXmlError::kFail);
    EXPECT_EQ(value, L"keep");
    EXPECT_EQ(Name(), "r");
}

// Paths over Chinese names select what the same paths select over ASCII names; libxml2 needs
// help with absolute paths whose first step is not ASCII.
TEST(XmlTreePaths, ChineseNamesSelectLikeAsciiNames)
{
    const std::string ascii = "<R><A i='1' s='/工'>t1<B i='2'/></A><A i='3'>t2</A></R>";
    auto toChinese = [](std::string text) {
        for (const auto& [from, to] : {std::pair<std::string, std::string>{"R", "工程数据"}, {"A", "扣减项目"}, {"B", "计算"}}) {
            for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
                text.replace(at, from.size(), to);
        }
        return text;
    };
    std::unique_ptr<IXMLTree> latin, chinese;
    ASSERT_TRUE(CreateXMLTree(latin));
    ASSERT_TRUE(CreateXMLTree(chinese));
    ASSERT_TRUE(latin->LoadXML(W(ascii)));
    ASSERT_TRUE(chinese->LoadXML(W(toChinese(ascii))));

    // What a path selects: the first node's name (in ASCII) and value, or why it selects nothing.
    auto probe = [&](IXMLTree& tree, const std::string& path, bool isChinese) -> std::string {
        try {
            if (!tree.MoveToPath(W(isChinese ? toChinese(path) : path)))
                return "none";
            const std::string text = Read([&](CString& v) { return tree.GetNodeName(v); }) + "=" +
                                     Read([&](CString& v) { return tree.GetValue(v); });
            return isChinese ? text : toChinese(text);
        } catch (const KxXmlError&) {
            return "error";
        }
    };
    for (const char* path : {"/R", "/R/A/@i", "/R//@i", "/R/A[@i='3']", "/R/A/attribute::i", "/R/A/@*",
                             "/R/A/text()", "/R/A/..", "/R/A/@i/..", "/R/A/self::node()", "/ R/A/B/@i",
                             "R/A/@i", "//A/@i", "/R/A[B/@i='2']", "/R/A[@s='/工']", "/R/A[2] | /R/A/B",
                             "/R/A[", "/R/C"}) {
        EXPECT_EQ(probe(*chinese, path, true), probe(*latin, path, false)) << path;
    }
    EXPECT_EQ(probe(*chinese, "/R/A[@s='/工']/@i", true), "i=1");
}

} // namespace
} // namespace xmltreetest
