// Rewriting a loaded tree after DeleteAllChildren gives exactly the document that the same calls
// give on a fresh element, whatever the old content was: random old trees from a small set of
// names, attributes and texts (so that the new calls often ask for what was there) are rewritten
// by random call sequences, and every result is held against a plain model of those calls.
#include "xmltree/XmlTreeFixture.h"

#include <random>
#include <utility>
#include <vector>

namespace xmltreetest {
namespace {

struct ModelNode {
    std::string name;  // "#text" for a text node
    std::string text;
    std::vector<std::pair<std::string, std::string>> attrs;
    std::vector<ModelNode> children;

    void SetAttr(const std::string& key, const std::string& value)
    {
        for (auto& [k, v] : attrs) {
            if (k == key) {
                v = value;
                return;
            }
        }
        attrs.emplace_back(key, value);
    }
};

std::string ToXml(const ModelNode& node)
{
    if (node.name == "#text")
        return node.text;
    if (node.name == "#comment")
        return "<!--" + node.text + "-->";
    std::string out = "<" + node.name;
    for (const auto& [k, v] : node.attrs)
        out += " " + k + "=\"" + v + "\"";
    if (node.children.empty())
        return out + "/>";
    out += ">";
    for (const ModelNode& child : node.children)
        out += ToXml(child);
    return out + "</" + node.name + ">";
}

class Rewrite : public XmlTreeTest {
protected:
    const char* Pick(std::initializer_list<const char*> choices)
    {
        return choices.begin()[std::uniform_int_distribution<std::size_t>(0, choices.size() - 1)(m_random)];
    }
    int Pick(int from, int to) { return std::uniform_int_distribution<int>(from, to)(m_random); }

    std::string Name() { return Pick({"甲", "乙", "丙", "丁"}); }
    std::string AttrName() { return Pick({"a", "b", "classtype"}); }
    std::string Value() { return Pick({"1", "2", "1,2,43", "x"}); }

    ModelNode OldTree(int depth)
    {
        ModelNode node{Name(), "", {}, {}};
        for (int i = Pick(0, 3); i > 0; --i)
            node.SetAttr(AttrName(), Value());
        if (depth == 0 || Pick(0, 4) == 0) {
            if (Pick(0, 1))
                node.children.push_back({"#text", Value(), {}, {}});
            return node;
        }
        for (int i = Pick(0, 5); i > 0; --i) {
            if (Pick(0, 9) == 0)
                node.children.push_back({"#comment", "c", {}, {}});
            else
                node.children.push_back(OldTree(depth - 1));
        }
        return node;
    }

    // Rewrites the children of the document element with random calls on both the tree and the
    // model; now and then reads in between, which must not see anything of the old content.
    void RewriteRandomly(ModelNode& root)
    {
        ASSERT_TRUE(Tree().MoveToChild(0));
        ASSERT_TRUE(Tree().DeleteAllChildren());
        root.children.clear();
        std::vector<ModelNode*> path{&root};
        for (int step = Pick(0, 60); step > 0 && !HasFailure(); --step) {
            ModelNode& node = *path.back();
            const int op = Pick(0, 99);
            if (op < 40) {
                const std::string name = Name();
                const std::string value = Pick(0, 2) ? "" : Value();
                ASSERT_TRUE(Tree().AddChild(W(name), W(value)));
                node.children.push_back({name, "", {}, {}});
                if (!value.empty())
                    node.children.back().children.push_back({"#text", value, {}, {}});
                path.push_back(&node.children.back());
            } else if (op < 65) {
                const std::string key = AttrName(), value = Value();
                ASSERT_TRUE(Tree().SetAttribute(W(key), W(value)));
                node.SetAttr(key, value);
            } else if (op < 88) {
                if (path.size() > 1) {
                    ASSERT_TRUE(Tree().MoveToParent());
                    path.pop_back();
                }
            } else if (op < 92) {
                const std::string value = Pick(0, 3) ? Value() : "";
                ASSERT_TRUE(Tree().SetValue(W(value)));
                node.children.clear();
                if (!value.empty())
                    node.children.push_back({"#text", value, {}, {}});
            } else if (op < 96) {
                ASSERT_EQ(Count(), static_cast<int>(node.children.size()));
                EXPECT_EQ(Attr(L"a") != "(failed)", std::any_of(node.attrs.begin(), node.attrs.end(),
                                                                [](const auto& a) { return a.first == "a"; }));
            } else {
                // Into an element child already written, and on from there.
                std::vector<std::size_t> elements;
                for (std::size_t i = 0; i < node.children.size(); ++i) {
                    if (node.children[i].name != "#text")
                        elements.push_back(i);
                }
                if (!elements.empty()) {
                    const std::size_t index = elements[static_cast<std::size_t>(Pick(0, static_cast<int>(elements.size()) - 1))];
                    ASSERT_TRUE(Tree().MoveToChild(static_cast<int>(index)));
                    path.push_back(&node.children[index]);
                }
            }
        }
    }

    std::mt19937 m_random{20251205};
};

TEST_F(Rewrite, RandomRewritesGiveWhatFreshElementsGive)
{
    for (int round = 0; round < 150 && !HasFailure(); ++round) {
        ModelNode root = OldTree(3);
        root.name = "工程数据";
        Load(ToXml(root));
        RewriteRandomly(root);

        std::unique_ptr<IXMLTree> expected;
        ASSERT_TRUE(CreateXMLTree(expected) && expected->LoadXML(W(ToXml(root))));
        const std::string rewritten = Saved(Tree(), "rewritten.xml");
        ASSERT_NE(rewritten, "(refused)");
        ASSERT_EQ(rewritten, Saved(*expected, "expected.xml")) << "round " << round;
    }
}

// The rule documents' case: the same tree written again, with some values changed, twice.
TEST_F(Rewrite, TheSameTreeWrittenAgainKeepsItsContentAndTakesNewValues)
{
    Load("<工程数据 v=\"1\"><组><梁 classtype=\"1\"><体积 classtype=\"2\">"
         "<扣减项目 classtype=\"3\" selecttype=\"M\" initype=\"KouJ\">1,2</扣减项目>"
         "<计算方式 classtype=\"3\" selecttype=\"S\" initype=\"\">0</计算方式></体积></梁></组></工程数据>");
    auto write = [this](const char* deduction, const char* method) {
        ASSERT_TRUE(Tree().MoveToPath(L"工程数据"));
        ASSERT_TRUE(Tree().DeleteAllChildren());
        ASSERT_TRUE(Tree().AddChild(W("组"), L""));
        ASSERT_TRUE(Tree().AddChild(W("梁"), L""));
        ASSERT_TRUE(Tree().SetAttribute(L"classtype", L"1"));
        ASSERT_TRUE(Tree().AddChild(W("体积"), L""));
        ASSERT_TRUE(Tree().SetAttribute(L"classtype", L"2"));
        for (const auto& [name, value, select] : {std::tuple{"扣减项目", deduction, "M"}, std::tuple{"计算方式", method, "S"}}) {
            ASSERT_TRUE(Tree().AddChild(W(name), W(value)));
            ASSERT_TRUE(Tree().SetAttribute(L"classtype", L"3"));
            ASSERT_TRUE(Tree().SetAttribute(L"selecttype", W(select)));
            ASSERT_TRUE(Tree().SetAttribute(L"initype", W(std::string(select) == "M" ? "KouJ" : "")));
            ASSERT_TRUE(Tree().MoveToParent());
        }
    };
    write("1,2", "0");
    ASSERT_TRUE(Tree().MoveToPath(L"工程数据"));
    EXPECT_EQ(Outline(), "工程数据(组(梁(体积(扣减项目('1,2') 计算方式('0')))))");
    write("", "1");
    ASSERT_TRUE(Tree().MoveToPath(L"工程数据"));
    EXPECT_EQ(Outline(), "工程数据(组(梁(体积(扣减项目 计算方式('1')))))");
    EXPECT_EQ(PathValue(L"/工程数据/组/梁/体积/计算方式/@selecttype"), "S");
    write("3", "1");
    EXPECT_EQ(PathValue(L"/工程数据/组/梁/体积/扣减项目"), "3");
}

} // namespace
} // namespace xmltreetest
