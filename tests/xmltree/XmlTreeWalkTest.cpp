// Child positions stay right under any mix of moves and edits: the tree is driven by a long random
// sequence and checked after every step against a plain model of the same document.
#include "xmltree/XmlTreeFixture.h"

#include <random>
#include <vector>

namespace xmltreetest {
namespace {

struct ModelNode {
    std::string name;
    std::vector<ModelNode> children;
};

std::string ToXml(const ModelNode& node)
{
    if (node.children.empty())
        return "<" + node.name + "/>";
    std::string out = "<" + node.name + ">";
    for (const ModelNode& child : node.children)
        out += ToXml(child);
    return out + "</" + node.name + ">";
}

class RandomWalk {
public:
    explicit RandomWalk(unsigned seed) : m_random(seed) {}

    int Pick(int from, int to) { return std::uniform_int_distribution<int>(from, to)(m_random); }

    ModelNode Generate(int depth)
    {
        ModelNode node{"级" + std::to_string(m_next++), {}};
        if (depth > 0) {
            const int count = Pick(0, 12);
            for (int i = 0; i < count; ++i)
                node.children.push_back(Generate(depth - 1));
        }
        return node;
    }

    std::string NewName() { return "新" + std::to_string(m_next++); }

private:
    std::mt19937 m_random;
    int m_next = 0;
};

class XmlTreeWalk : public XmlTreeTest {
protected:
    ModelNode& Current()
    {
        ModelNode* node = &m_document;
        for (std::size_t index : m_path)
            node = &node->children[index];
        return *node;
    }

    // The count is asked now and then only, so that moves also run into the end of a child list
    // whose length is not known yet.
    void ExpectSameNode(const std::string& step, bool withCount)
    {
        const ModelNode& expected = Current();
        EXPECT_EQ(Name(), expected.name) << step;
        if (!withCount)
            return;
        EXPECT_EQ(Count(), static_cast<int>(expected.children.size())) << step;
    }

    ModelNode m_document{"#document", {}};
    std::vector<std::size_t> m_path;
};

TEST_F(XmlTreeWalk, RandomMovesAndEditsMatchTheModel)
{
    RandomWalk walk(20240611);
    m_document.children.push_back(walk.Generate(4));
    Load(ToXml(m_document.children[0]));

    for (int step = 0; step < 40000 && !HasFailure(); ++step) {
        ModelNode& node = Current();
        const int size = static_cast<int>(node.children.size());
        const int op = walk.Pick(0, 99);
        std::string what;
        if (op < 35) {
            // Anywhere from one before the first to one past the last, now and then near the end.
            const int index = walk.Pick(0, 3) ? walk.Pick(-1, size) : std::max(0, size - 1 - walk.Pick(0, 2));
            what = "MoveToChild(" + std::to_string(index) + ")";
            const bool exists = index >= 0 && index < size;
            EXPECT_EQ(Tree().MoveToChild(index), exists) << what;
            if (exists)
                m_path.push_back(static_cast<std::size_t>(index));
        } else if (op < 70) {
            what = "MoveToParent";
            EXPECT_EQ(Tree().MoveToParent(), !m_path.empty()) << what;
            if (!m_path.empty())
                m_path.pop_back();
        } else if (op < 78) {
            const int index = walk.Pick(-1, size);
            what = "GetChildValue(" + std::to_string(index) + ")";
            CString value;
            EXPECT_EQ(Tree().GetChildValue(index, value), index >= 0 && index < size) << what;
        } else if (op < 88) {
            if (node.name != "#text" && (!m_path.empty() || node.children.empty())) {
                const std::string name = walk.NewName();
                what = "AddChild(" + name + ")";
                ASSERT_TRUE(Tree().AddChild(W(name), L"")) << what;
                node.children.push_back({name, {}});
                m_path.push_back(node.children.size() - 1);
            }
        } else if (op < 93) {
            what = "DeleteCurNode";
            EXPECT_EQ(Tree().DeleteCurNode(), !m_path.empty()) << what;
            if (!m_path.empty()) {
                const std::size_t index = m_path.back();
                m_path.pop_back();
                Current().children.erase(Current().children.begin() + static_cast<std::ptrdiff_t>(index));
            }
        } else if (op < 95) {
            what = "DeleteAllChildren";
            EXPECT_TRUE(Tree().DeleteAllChildren()) << what;
            node.children.clear();
        } else if (op < 97 && !m_path.empty()) {
            what = "SetValue";
            ASSERT_TRUE(Tree().SetValue(L"文本"));
            if (node.name != "#text")
                node.children.assign(1, ModelNode{"#text", {}});
        } else if (!m_path.empty() && node.name != "#text") {
            what = "SetAttribute";
            ASSERT_TRUE(Tree().SetAttribute(L"classtype", L"1"));
        }
        ExpectSameNode("step " + std::to_string(step) + ": " + what, walk.Pick(0, 3) == 0);
    }
}

// The rule documents' read: every index in order at every level, then back to the parent.
TEST_F(XmlTreeWalk, LevelByLevelReadVisitsEveryNodeInOrder)
{
    RandomWalk walk(7);
    const ModelNode root = walk.Generate(4);
    Load(ToXml(root));
    const auto outline = [](auto&& self, const ModelNode& node) -> std::string {
        std::string out = node.name;
        for (std::size_t i = 0; i < node.children.size(); ++i)
            out.append(i ? " " : "(").append(self(self, node.children[i]));
        if (!node.children.empty())
            out += ')';
        return out;
    };
    ASSERT_TRUE(Tree().MoveToChild(0));
    EXPECT_EQ(Outline(), outline(outline, root));
}

} // namespace
} // namespace xmltreetest
