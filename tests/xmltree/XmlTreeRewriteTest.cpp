// Rewriting a loaded tree after DeleteAllChildren gives exactly the document that the same calls
// give on a fresh element, whatever the old content was: random old trees from a few names,
// attributes and texts (so that the new calls often ask for what was there) are rewritten, once or
// twice, by random calls, and every result is held against a plain model of those calls.
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
        ASSERT_TRUE(Tree().MoveToPath(L"/*"));
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
        // Now and then written again before the save, over what the first rewrite built.
        for (int pass = Pick(1, 2); pass > 0 && !HasFailure(); --pass)
            RewriteRandomly(root);

        std::unique_ptr<IXMLTree> expected;
        ASSERT_TRUE(CreateXMLTree(expected) && expected->LoadXML(W(ToXml(root))));
        const std::string rewritten = Saved(Tree(), "rewritten.xml");
        ASSERT_NE(rewritten, "(refused)");
        ASSERT_EQ(rewritten, Saved(*expected, "expected.xml")) << "round " << round;
    }
}

} // namespace
} // namespace xmltreetest
