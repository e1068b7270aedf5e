// Children written as text and saved in place of the document element's children give the very
// bytes that the same children built as nodes give: random element trees with values full of
// what the writer escapes (markup characters, line breaks, tabs, NULs, characters beyond the BMP)
// under document elements with attributes of their own. Now and then a value holds a character
// that XML cannot carry: both ways refuse it, and whatever either writes loads again.
#include "xmltree/XmlTreeFixture.h"

#include <random>
#include <vector>

#include "platform/Xml.h"
#include "xmltree/CXmlTextWriter.h"

namespace xmltreetest {
namespace {

struct Element {
    CString name;
    std::vector<std::pair<CString, CString>> attrs;
    CString text;  // for an element without children
    std::vector<Element> children;
};

// False when the tree refused a value.
bool BuildNodes(IXMLTree& tree, const Element& element)
{
    bool bAccepted = tree.AddChild(element.name, element.children.empty() ? element.text : CString());
    for (const auto& [name, value] : element.attrs)
        bAccepted = tree.SetAttribute(name, value) && bAccepted;
    for (const Element& child : element.children)
        bAccepted = BuildNodes(tree, child) && bAccepted;
    return tree.MoveToParent() && bAccepted;
}

void WriteText(CXmlTextWriter& writer, const Element& element)
{
    writer.Open(element.name);
    for (const auto& [name, value] : element.attrs)
        writer.Attribute(name, value);
    if (element.children.empty())
        writer.Text(element.text);
    for (const Element& child : element.children)
        WriteText(writer, child);
    writer.Close();
}

class TextChildren : public XmlTreeTest {
protected:
    CString Pick(const std::vector<CString>& choices)
    {
        return choices[std::uniform_int_distribution<std::size_t>(0, choices.size() - 1)(m_random)];
    }
    int Pick(int from, int to) { return std::uniform_int_distribution<int>(from, to)(m_random); }

    CString Value()
    {
        static const std::vector<CString> pieces = {
            L"", L"1,2,43", L"<&>\"'", L"a]]>b", L"\r\n\t", L"中文 值", L"é\U0001F600", CString(L"a\0b", 3),
            CString(L"\0x", 2), L"  ", L"&amp;"};
        CString value;
        for (int i = Pick(0, 2); i > 0; --i)
            value += Pick(pieces);
        if (Pick(0, 199) == 0)
            value += Pick({L"\x01", L"\x1F", L"\xFFFE", L"\xFFFF", CString(1, wchar_t(0xDC00))});
        return value;
    }

    Element Random(int depth)
    {
        Element element{Pick({L"甲", L"扣减项目", L"a", L"_x.y-1", L"砼墙（外）", L"㐀"}), {}, {}, {}};
        for (const wchar_t* name : {L"classtype", L"selecttype", L"initype"}) {
            if (Pick(0, 3))
                element.attrs.emplace_back(name, Value());
        }
        if (depth > 0 && Pick(0, 3)) {
            for (int i = Pick(1, 3); i > 0; --i)
                element.children.push_back(Random(depth - 1));
        } else {
            element.text = Value();
        }
        return element;
    }

    // Saves `children` below the document element of `file` both ways; each result is the file
    // the save wrote, or "(refused)".
    void SaveBothWays(const std::string& file, const std::vector<Element>& children, std::string& nodes,
                      std::string& text)
    {
        kxtest::WriteBytes(m_dir / "source.xml", file);
        const auto byNodes = Reload(m_dir / "source.xml"), byText = Reload(m_dir / "source.xml");
        ASSERT_TRUE(byNodes && byText && byNodes->MoveToPath(L"/*") && byText->MoveToPath(L"/*"));
        ASSERT_TRUE(byNodes->DeleteAllChildren());
        bool bAccepted = true;
        for (const Element& child : children)
            bAccepted = BuildNodes(*byNodes, child) && bAccepted;
        nodes = bAccepted ? Saved(*byNodes, "nodes.xml") : "(refused)";

        ASSERT_TRUE(byText->TakesChildrenAsText()) << file;
        CXmlTextWriter writer(1);
        text = "(refused)";
        try {
            for (const Element& child : children)
                WriteText(writer, child);
        } catch (const KxXmlError&) {
            return;
        }
        const auto textPath = m_dir / "text.xml";
        if (byText->SaveFileWithChildren(W(textPath), writer.Output()))
            text = kxtest::ReadBytes(textPath);
    }

    std::mt19937 m_random{20261205};
};

TEST_F(TextChildren, GiveTheBytesTheNodesGive)
{
    const std::vector<std::string> files = {
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<工程数据 ruletype=\"1\" note=\"a&amp;b&#10;&lt;&#9;中\"><old "
        "x=\"1\">text</old></工程数据>\n",
        "<工程数据 ruletype=\"1\"/>",
        "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?><工程数据 RuleVer=\"25.1.0\">\n  <a/>\n</工程数据>",
    };
    int nRefused = 0;
    for (int round = 0; round < 300 && !HasFailure(); ++round) {
        std::vector<Element> children;
        for (int i = Pick(1, 3); i > 0; --i)
            children.push_back(Random(3));
        std::string nodes, text;
        SaveBothWays(files[static_cast<std::size_t>(round) % files.size()], children, nodes, text);
        ASSERT_EQ(nodes, text) << "round " << round;
        if (nodes == "(refused)")
            ++nRefused;
        else
            ASSERT_TRUE(kx::xml::ParseMemory(nodes)) << nodes;
    }
    // Some saves are refused both ways; most must be written.
    EXPECT_GT(nRefused, 0);
    EXPECT_LT(nRefused, 100);
}

TEST_F(TextChildren, NamesThatAreNoXmlNamesAreRefused)
{
    CXmlTextWriter writer(1);
    for (const CString& name : {CString(L"#comment"), CString(L"1a"), CString(), CString(L"a b")})
        EXPECT_EQ(ErrorCode([&] { writer.Open(name); }), KxXmlError::kFail) << U8(name);
}

TEST_F(TextChildren, OnlyPlainUtf8DocumentsTakeThem)
{
    const std::vector<std::pair<std::string, std::string>> others = {
        {"a comment beside the document element", "<!-- c --><工程数据/>"},
        {"a document type", "<!DOCTYPE 工程数据><工程数据/>"},
        {"a namespace", "<工程数据 xmlns=\"urn:x\"/>"},
        {"a prefixed attribute", "<工程数据 xmlns:p=\"urn:x\" p:a=\"1\"/>"},
        {"GB18030", "<?xml version=\"1.0\" encoding=\"GB18030\"?><a/>"},
    };
    const auto path = m_dir / "other.xml";
    for (const auto& [why, file] : others) {
        kxtest::WriteBytes(path, file);
        ASSERT_TRUE(Tree().LoadFile(W(path)) && Tree().MoveToPath(L"/*")) << why;
        EXPECT_FALSE(Tree().TakesChildrenAsText()) << why;
        EXPECT_FALSE(Tree().SaveFileWithChildren(W(path), "\n  <a/>")) << why;
        EXPECT_EQ(kxtest::ReadBytes(path), file) << why;
    }
    Load("<工程数据><a/></工程数据>");
    ASSERT_TRUE(Tree().MoveToPath(L"/工程数据/a"));
    EXPECT_FALSE(Tree().TakesChildrenAsText()) << "not the document element";
}

} // namespace
} // namespace xmltreetest
