// Reading the content of the document element as an outline must mean exactly what the tree
// means: each document is parsed both ways, and the outline is held against the tree's elements,
// or, where the outline gives way, the documents are held against each other.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/Xml.h"
#include "xmltree/CXMLTreeImp.h"
#include "support/TestSupport.h"
#include "support/XmlOutlineOracle.h"

namespace xmltreetest {
namespace {

constexpr int kLeafDepth = 2;

// Parses `xml` both ways and holds them against each other; answers whether the outline took it.
// Unless `bByContent` is false, the outline must take exactly the documents whose content it can
// hold.
bool ExpectSameMeaning(const std::string& xml, bool bByContent = true)
{
    SCOPED_TRACE(xml.substr(0, 300));
    const kxtest::OutlineComparison comparison = kxtest::CompareOutlineParse(xml, kLeafDepth);
    EXPECT_EQ(comparison.difference, "");
    if (bByContent) {
        EXPECT_EQ(comparison.bTaken, comparison.bPlainContent);
    }
    return comparison.bTaken;
}

std::string Doc(const std::string& content, const std::string& rootAttrs = "")
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<工程数据" + rootAttrs + ">" + content + "</工程数据>";
}

TEST(XmlOutline, NamedDocumentsMeanTheSameEitherWay)
{
    const std::pair<bool, std::string> rows[] = {
        // Plain content is taken by the outline.
        {true, Doc("")},
        {true, Doc("<组/>", " ruletype=\"1\"")},
        {true, Doc("\n  <组 classtype=\"1\">\n    <体积 selecttype=\"M\" initype=\"KouJ\">1,2,3</体积>\n  </组>\n")},
        // Blank leaf text is no text; the rest keeps its blanks.
        {true, Doc("<组><a> \t\r\n</a><b>  x  </b><c></c></组>")},
        // References come back as what they stand for, in text and in values.
        {true, Doc("<组><a v=\"&lt;&amp;&#x4E2D;&#9;x\">&lt;b&gt;&#x1F600;&amp;</a></组>")},
        // A namespace declared on the document element but used by none of the content.
        {true, Doc("<组><a>1</a></组>", " xmlns:x=\"urn:x\"")},
        // A file in another encoding comes as UTF-8 either way.
        {true, "<?xml version=\"1.0\" encoding=\"GBK\"?><\xB9\xA4\xB3\xCC\xCA\xFD\xBE\xDD \xC0\xE0=\"\xD6\xD0\">"
               "<\xD7\xE9><a v=\"\xD6\xB5\">\xD6\xD0\xCE\xC4</a></\xD7\xE9></\xB9\xA4\xB3\xCC\xCA\xFD\xBE\xDD>"},
        // Comments and processing instructions beside the document element stay in the tree.
        {true, "<!-- before --><?pi data?><工程数据><组><a>1</a></组></工程数据><!-- after -->"},
        // Other content is built as nodes.
        {false, Doc("<组><!-- c --><a>1</a></组>")},
        {false, Doc("<?pi x?><组/>")},
        {false, Doc("<组><a><![CDATA[x]]></a></组>")},
        {false, Doc("text<组/>")},
        {false, Doc("<组>text<a>1</a></组>")},
        {false, Doc("<组><a>1<b/></a></组>")},
        {false, Doc("<组><a><!-- c -->1</a></组>")},
        {false, Doc("<x:组 xmlns:x=\"urn:x\"/>")},
        {false, Doc("<组 xmlns=\"urn:d\"><a>1</a></组>")},
        {false, Doc("<组/>", " xmlns=\"urn:d\"")},
        {false, Doc("<组><a x:v=\"1\" xmlns:x=\"urn:x\"/></组>")},
        {false, Doc("<组><a x:v=\"1\"/></组>", " xmlns:x=\"urn:x\"")},
        // Prefixes the document never declared.
        {false, Doc("<组><a y:v=\"1\"/></组>")},
        {false, Doc("<组><y:a/></组>")},
        {false, Doc("<组><a :v=\"1\"/></组>")},
        {false, "<!DOCTYPE 工程数据 [<!ENTITY e \"1\">]><工程数据><组><a>&e;</a></组></工程数据>"},
        {false, "<!DOCTYPE 工程数据><工程数据><组/></工程数据>"},
        // Failures are the tree's.
        {false, ""},
        {false, "<工程数据>"},
        {false, Doc("<组><a>1</b></组>")},
        {false, Doc("<组><a>&undefined;</a></组>")},
        {false, Doc("<组><a v=\"1\" v=\"2\"/></组>")},
        {false, Doc("<组><!-- c --><a>1</b></组>")},  // given way to the tree before the fault
        {false, Doc("<组><a>\x80</a></组>")},
        {false, "<!DOCTYPE a SYSTEM \"file:///etc/passwd\"><a/>"},
    };
    for (const auto& [bTaken, xml] : rows)
        EXPECT_EQ(ExpectSameMeaning(xml), bTaken);
    // Text longer than the outline holds is the tree's to take or refuse (libxml2 refuses a text
    // node beyond 10 MB), between elements too, where the tree drops it once it is built.
    for (const std::string& xml : std::vector<std::string>{
             Doc("<组><a>" + std::string(1 << 20, 'x') + "y</a></组>"),
             Doc("<组>" + std::string((1 << 20) + 1, ' ') + "</组>"),
             Doc("<组>" + std::string(10000001, ' ') + "</组>"),
         })
        EXPECT_FALSE(ExpectSameMeaning(xml, false));
}

// Random documents of every kind of content at every depth, some ill-formed.
class RandomDocument {
public:
    explicit RandomDocument(unsigned seed) : m_rng(seed) {}

    std::string Make()
    {
        std::string xml;
        if (Chance(4))
            xml += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
        if (Chance(10))
            xml += "<!DOCTYPE 工程数据 [<!ENTITY e \"&#x4E2D;\">]>";
        if (Chance(8))
            xml += "<!-- prologue -->";
        m_bPrefix = Chance(6);
        xml += "<工程数据 ruletype=\"1\"";
        if (m_bPrefix)
            xml += " xmlns:x=\"urn:x\"";
        xml += ">";
        Children(1, xml);
        xml += "</工程数据>";
        if (Chance(30))
            xml.insert(Pick(xml.size()), 1, '<');  // now and then ill-formed
        return xml;
    }

private:
    bool Chance(int n) { return Pick(static_cast<std::size_t>(n)) == 0; }
    std::size_t Pick(std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(m_rng); }

    std::string Text()
    {
        static const char* const kPieces[] = {"1", ",", "扣减", " ", "\n", "\t", "&amp;", "&lt;", "&#x4E2D;", "&#13;",
                                             "&gt;", "&quot;", "x y"};
        std::string text;
        for (std::size_t n = Pick(4); n > 0; --n)
            text += kPieces[Pick(std::size(kPieces))];
        return text;
    }

    std::string Blank()
    {
        static const char* const kBlanks[] = {"", "", " ", "\n  ", "\t", "\r\n"};
        return kBlanks[Pick(std::size(kBlanks))];
    }

    void Children(int depth, std::string& xml)
    {
        for (std::size_t n = Pick(depth == 1 ? 4 : 3); n > 0; --n) {
            xml += Blank();
            switch (Pick(40)) {
            case 0: xml += "<!-- c -->"; break;
            case 1: xml += "<?pi x?>"; break;
            case 2: xml += "<![CDATA[x]]>"; break;
            case 3: xml += "stray"; break;
            default: Element(depth, xml); break;
            }
        }
        xml += Blank();
    }

    void Element(int depth, std::string& xml)
    {
        static const char* const kNames[] = {"组", "体积", "a", "扣减项目"};
        std::string name = kNames[Pick(std::size(kNames))];
        if (m_bPrefix && Chance(15))
            name = "x:" + name;
        xml += "<" + name;
        if (Chance(30))
            xml += " xmlns=\"urn:d\"";
        for (std::size_t n = Pick(3); n > 0; --n)
            xml += " a" + std::to_string(n) + "=\"" + Text() + "\"";
        if (m_bPrefix && Chance(20))
            xml += " x:b=\"1\"";
        xml += ">";
        if (depth < kLeafDepth || Chance(20))
            Children(depth + 1, xml);
        else if (Chance(25))
            xml += "&e;";
        else
            xml += Text();
        xml += "</" + name + ">";
    }

    std::mt19937 m_rng;
    bool m_bPrefix = false;
};

TEST(XmlOutline, RandomDocumentsMeanTheSameEitherWay)
{
    RandomDocument random(20261206);
    int nTaken = 0;
    const int nDocuments = 600;
    for (int i = 0; i < nDocuments; ++i) {
        if (ExpectSameMeaning(random.Make()))
            ++nTaken;
        if (HasFailure())
            break;
    }
    // Both ways must have been taken often enough for the comparison to mean something.
    EXPECT_GT(nTaken, nDocuments / 5);
    EXPECT_LT(nTaken, nDocuments * 4 / 5);
}

TEST(XmlOutline, TreeKeepsTheDocumentElementAlone)
{
    kxtest::TempDir dir;
    const auto file = dir / "rules.xml";
    kxtest::WriteBytes(file, Doc("<组><a>1</a></组>", " ruletype=\"1\""));
    CXMLTreeImp tree;
    kx::xml::Outline outline;
    ASSERT_TRUE(tree.LoadFileOutline(kxtest::W(file), kLeafDepth, outline));
    EXPECT_TRUE(outline.bTaken);
    EXPECT_EQ(outline.elements.size(), 2u);
    ASSERT_TRUE(tree.MoveToPath(L"工程数据"));
    int nChildren = -1;
    ASSERT_TRUE(tree.GetChildCount(nChildren));
    EXPECT_EQ(nChildren, 0);
    CString strType;
    EXPECT_TRUE(tree.GetAttribute(L"ruletype", strType));
    EXPECT_EQ(strType, L"1");

    // A file the outline gives way to is all in the tree, and a failed load leaves no outline.
    kxtest::WriteBytes(file, Doc("<组><!-- c --><a>1</a></组>"));
    ASSERT_TRUE(tree.LoadFileOutline(kxtest::W(file), kLeafDepth, outline));
    EXPECT_FALSE(outline.bTaken);
    ASSERT_TRUE(tree.MoveToPath(L"工程数据/组/a"));
    kxtest::WriteBytes(file, Doc("<组><a>1</a></组>") + "<");
    outline.bTaken = true;
    EXPECT_FALSE(tree.LoadFileOutline(kxtest::W(file), kLeafDepth, outline));
    EXPECT_FALSE(outline.bTaken);
    EXPECT_TRUE(outline.elements.empty());
}

} // namespace
} // namespace xmltreetest
