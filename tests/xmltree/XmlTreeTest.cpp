// The XML tree held against a plain model: random documents read in every encoding a rule file
// comes in, then random moves, reads and edits, each result checked against the model and every
// save against the bytes the model says; children written as text must give the same bytes.
#include "xmltree/XmlModel.h"

#include "platform/Platform.h"
#include "platform/Xml.h"
#include "support/XmlOutlineOracle.h"
#include "xmltree/CXMLTreeImp.h"
#include "xmltree/CXmlTextWriter.h"

namespace xmltreetest {
namespace {

const std::string kTrue = "true (untouched)", kFalse = "false", kRefused = "error " + std::to_string(KxXmlError::kFail);

void WriteText(CXmlTextWriter& writer, const Node& n)
{
    writer.Open(W(n.name));
    for (const auto& [k, v] : n.attrs)
        writer.Attribute(W(k), W(v));
    for (const Node& c : n.children)  // the tree keeps text up to a NUL, an empty text node for a NUL first
        c.kind == Node::Text ? writer.Text(W(c.text) + CString(L"\0junk", 5)) : WriteText(writer, c);
    writer.Close();
}

// Elements holding elements or one text each can be written as text, below the document element.
bool Writable(const Node& n, bool bRoot)
{
    return std::all_of(n.children.begin(), n.children.end(), [&](const Node& c) {
        return c.kind == Node::Element ? Writable(c, false) : !bRoot && n.children.size() == 1 && c.kind == Node::Text;
    });
}

// The tree holds `doc` and saves the model's bytes, also with the children of the document element
// written as text where it takes them so: the document element alone, in UTF-8.
void ExpectSavedAsTheModel(IXMLTree& tree, const Node& doc, const kxtest::TempDir& dir, const std::string& encoding)
{
    const auto file = dir / "saved.xml";
    CString saved;
    ASSERT_TRUE(tree.MoveToPath(L"/"));
    EXPECT_EQ(Differs(tree, doc), "");
    ASSERT_TRUE(tree.SaveFile(W(file)) && kx::platform::Decode(kxtest::ReadBytes(file), encoding.c_str(), saved));
    EXPECT_EQ(U8(saved), Saved(doc, encoding));
    if (!tree.MoveToPath(L"/*"))
        return;  // no document element left
    const Node& root = Root(doc);
    const bool bAlone = doc.children.size() == 1 && (encoding == "UTF-8" || encoding == "utf-8");
    const bool bTaken = bAlone && !root.children.empty() && Writable(root, true);
    CXmlTextWriter writer(1);
    for (const Node& c : bTaken ? root.children : std::vector<Node>{})
        WriteText(writer, c);
    kxtest::WriteBytes(file, "old");
    EXPECT_EQ(tree.TakesChildrenAsText(), bAlone);
    EXPECT_EQ(tree.SaveFileWithChildren(W(file), writer.Output()), bTaken);
    EXPECT_EQ(kxtest::ReadBytes(file), bTaken ? Saved(doc, encoding) : "old");
}

TEST(XmlTree, RandomDocumentsAreReadAndSavedInTheirEncoding)
{
    // Text in UTF-8 is read as written; in another encoding as the library writes it.
    const struct { const char* declared; const char* bom; bool bUtf8; } encodings[] = {
        {"UTF-8", "", true}, {nullptr, "", true}, {"GB2312", "", false}, {"GB18030", "", false}, {"UTF-16", "", false},
        {"utf-8", "\xEF\xBB\xBF", true}};
    Generator gen(20261206);
    kxtest::TempDir dir;
    const auto file = dir / "doc.xml";
    int nTaken = 0;
    for (int round = 0; round < 180 && !::testing::Test::HasFailure(); ++round) {
        const auto& enc = encodings[round % std::size(encodings)];
        gen.bGbk = enc.declared && enc.declared == std::string("GB2312");
        const bool bPlain = gen.Chance(2);
        Node doc = gen.Document(bPlain && gen.Chance(2) ? 2 : gen.Pick(0, 3), bPlain);
        if (gen.Chance(15)) {  // deeper than the save indents; the comment keeps it from the text writer
            Node chain{Node::Element, "深", "", {}, {{Node::Comment, "", "c"}, {Node::Element, "底"}}};
            for (int i = 0; i < 40; ++i)
                chain = Node{Node::Element, "深", "", {}, {chain}};
            Root(doc).children = {chain};
        }
        const std::string declared = !enc.declared ? "" : enc.bUtf8 ? enc.declared : "UTF-8";
        std::string source = declared.empty() ? "" : "<?xml version=\"1.0\" encoding=\"" + declared + "\"?>";
        Saved(doc, 0, gen.Chance(2), source, true);
        std::string bytes = enc.bom + source;
        ASSERT_TRUE(enc.bUtf8 || kx::xml::Serialize(kx::xml::ParseMemory(source).get(), bytes, enc.declared));
        SCOPED_TRACE("round " + std::to_string(round) + ": " + source);
        kxtest::WriteBytes(file, bytes);

        // The outline means what the tree means, and takes the content exactly when it can hold it.
        CXMLTreeImp tree;
        kx::xml::Outline outline;
        const kxtest::OutlineComparison comparison = kxtest::CompareOutlineParse(bytes, 2);
        EXPECT_EQ(comparison.difference, "");
        ASSERT_TRUE(tree.LoadFileOutline(W(file), 2, outline));
        EXPECT_TRUE(outline.bTaken == comparison.bTaken && outline.bTaken == comparison.bPlainContent);
        nTaken += outline.bTaken;
        Node root = Root(doc);  // the tree keeps the document element alone when the outline takes its content
        root.children.resize(outline.bTaken ? 0 : root.children.size());
        EXPECT_TRUE(tree.MoveToPath(L"/*") && Differs(tree, root).empty());

        ASSERT_TRUE(enc.declared ? tree.LoadFile(W(file)) : tree.LoadXML(W(source)));
        ExpectSavedAsTheModel(tree, doc, dir, enc.declared ? enc.declared : "UTF-8");
    }
    EXPECT_GT(nTaken, 15);
}

// The XPath of the node at the end of the steps [begin, end) from `parent`; empty for the DTD.
std::string PathOf(const Node* parent, const std::size_t* begin, const std::size_t* end)
{
    std::string out;
    for (const std::size_t* s = begin; s != end; parent = &parent->children[*s++]) {
        const Node& n = parent->children[*s];
        // XPath knows names by the older rules, which lack 㐀 and （: such elements are reached as *[k].
        const bool bByName = n.name.find("㐀") == std::string::npos && n.name.find("（") == std::string::npos;
        const auto k =
            std::count_if(parent->children.begin(), parent->children.begin() + long(*s) + 1, [&](const Node& o) {
                return n.kind == Node::Element ? o.kind == Node::Element && (!bByName || o.name == n.name)
                       : n.IsText()            ? o.IsText()
                                               : o.kind == n.kind;
            });
        const char* steps[] = {"",       "",          bByName ? n.name.c_str() : "*", "text()",
                               "text()", "comment()", "processing-instruction()"};
        if (n.kind == Node::Dtd)
            return "";
        out.append(s != begin ? "/" : "").append(steps[n.kind]).append("[").append(std::to_string(k)).append("]");
    }
    return out;
}

TEST(XmlTree, RandomEditsMatchTheModel)
{
    Generator gen(20251205);
    kxtest::TempDir dir;
    gen.bGbk = true;  // the five names of the old documents, so that rebuilt elements meet their old selves
    const std::vector<std::string> names{"组", "体积", "a", "扣减项目", "_x.y-1", "1a", "a b", ""};
    const std::vector<CString> values{L"", L"1,2,43", L"<&>\"'", L"a]]>b", L"\r\n\t", L"中文 值", L"é\U0001F600",
                                      CString(L"a\0b", 3), CString(L"\0x", 2), L"  ", L"&amp;", L"\x01", L"\x1F",
                                      L"\xFFFE", L"\xFFFF", CString(1, wchar_t(0xDC00))};
    for (int round = 0; round < 80 && !::testing::Test::HasFailure(); ++round) {
        Node doc = gen.Document(3, gen.Chance(2));
        CXMLTreeImp tree;
        std::string source;
        Saved(doc, 0, gen.Chance(2), source, true);
        ASSERT_TRUE(tree.LoadXML(W(source))) << source;
        std::vector<std::size_t> path;
        std::vector<Node> former;  // the children last deleted, for building them again
        if (gen.Chance(2)) {  // rebuilt from the top, as a rule document is on every save
            path = {std::size_t(&Root(doc) - doc.children.data())};
            ASSERT_TRUE(tree.MoveToPath(L"/*") && tree.DeleteAllChildren());
            former = std::exchange(Root(doc).children, {});
        }
        const auto cur = [&]() -> Node& {
            Node* n = &doc;
            for (std::size_t i : path)
                n = &n->children[i];
            return *n;
        };
        for (int step = 0; step < 250 && !::testing::Test::HasFailure(); ++step) {
            Node& node = cur();
            const int size = int(node.children.size()), op = gen.Pick(0, 99), i = gen.Pick(-1, size);
            const bool bElement = node.kind == Node::Element, bValid = i >= 0 && i < size,
                       bNoRoot = node.kind == Node::Doc &&
                                 std::none_of(node.children.begin(), node.children.end(), IsElement);
            std::string name = gen.Pick(names, gen.Chance(15) ? 0 : 3), key = gen.Chance(15) ? "-a" : gen.AttrName();
            const CString value = gen.Pick(values, gen.Chance(20) ? 0 : 5);
            const std::string stored = U8(value.substr(0, value.find(L'\0')));  // libxml2 takes C strings
            const bool bGood = kx::xml::IsXmlText(value);
            bool bName = kx::xml::IsXmlName(W(name));
            const auto attr =
                std::find_if(node.attrs.begin(), node.attrs.end(), [&](const auto& a) { return a.first == key; });
            std::string what, expected = kTrue;
            std::function<bool(CString&)> act;
            if (op < 15) {
                what = "MoveToChild", act = [&](CString&) { return tree.MoveToChild(i); },
                expected = bValid ? kTrue : kFalse;
                if (bValid)
                    path.push_back(std::size_t(i));
            } else if (op < 27) {
                what = "MoveToParent", act = [&](CString&) { return tree.MoveToParent(); },
                expected = path.empty() ? kFalse : kTrue;
                if (!path.empty())
                    path.pop_back();
            } else if (op < 31) {
                what = "GetChildValue", act = [&](CString& v) { return tree.GetChildValue(i, v); };
                expected = !bValid ? kFalse
                           : node.children[std::size_t(i)].kind == Node::Dtd
                               ? kTrue
                               : "true " + node.children[std::size_t(i)].Value();
            } else if (op < 51) {
                const auto old = std::find_if(former.begin(), former.end(), IsElement);
                if (old != former.end() && gen.Pick(0, 3))
                    name = old->name, former.erase(former.begin(), old + 1), bName = true;
                what = "AddChild " + name, act = [&](CString&) { return tree.AddChild(W(name), value); };
                expected = (!bElement && !bNoRoot) || !bName ? kRefused : bGood ? kTrue : kFalse;
                if (expected != kRefused) {
                    node.children.push_back({Node::Element, name});
                    if (!value.empty() && bGood)
                        node.children.back().children.push_back({Node::Text, "", stored});
                    path.push_back(node.children.size() - 1);
                }
            } else if (op < 57) {
                what = "SetValue", act = [&](CString&) { return tree.SetValue(value); };
                expected = node.kind != Node::Doc && node.kind != Node::Dtd && bGood ? kTrue : kFalse;
                if (expected == kTrue && bElement)
                    node.children = value.empty() ? std::vector<Node>{} : std::vector<Node>{{Node::Text, "", stored}};
                else if (expected == kTrue)
                    node.text = stored;
            } else if (op < 70) {
                what = "SetAttribute " + key, act = [&](CString&) { return tree.SetAttribute(W(key), value); };
                expected = !bElement ? kRefused : bGood && key != "-a" ? kTrue : kFalse;
                if (expected == kTrue && attr != node.attrs.end())
                    attr->second = stored;
                else if (expected == kTrue)
                    node.attrs.emplace_back(key, stored);
            } else if (op < 73) {
                what = "RemoveAttribute", act = [&](CString&) { return tree.RemoveAttribute(W(key)); },
                expected = bElement ? kTrue : kFalse;
                if (attr != node.attrs.end())
                    node.attrs.erase(attr);
            } else if (op < 77) {
                what = "GetAttribute", act = [&](CString& v) { return tree.GetAttribute(W(key), v); };
                expected = bElement && attr != node.attrs.end() ? "true " + attr->second : kFalse;
            } else if (op < 80) {
                what = "DeleteCurNode", act = [&](CString&) { return tree.DeleteCurNode(); };
                expected = path.empty() ? kFalse : kTrue;
                if (!path.empty()) {
                    const std::size_t at = path.back();
                    path.pop_back();
                    cur().children.erase(cur().children.begin() + long(at));
                }
            } else if (op < 85) {
                what = "DeleteAllChildren", act = [&](CString&) { return tree.DeleteAllChildren(); };
                former = std::exchange(node.children, {});
            } else if (op < 92) {
                std::vector<std::size_t> to;
                const Node* target = &doc;
                for (; !target->children.empty() && gen.Pick(0, 3); target = &target->children[to.back()])
                    to.push_back(std::size_t(gen.Pick(0, int(target->children.size()) - 1)));
                // Relative or not, a path starts at the document node.
                const std::string absolute =
                    (to.empty() || gen.Chance(2) ? "/" : "") + PathOf(&doc, to.data(), to.data() + to.size());
                if (target->kind == Node::Dtd)
                    continue;
                if (to.size() > path.size() && std::equal(path.begin(), path.end(), to.begin()) && gen.Chance(2)) {
                    const std::string relative = PathOf(&node, to.data() + path.size(), to.data() + to.size());
                    what = "GetSubNodeValue " + relative,
                    act = [&, relative](CString& v) { return tree.GetSubNodeValue(W(relative), v); };
                    expected = "true " + target->Value();
                } else {
                    what = "MoveToPath " + absolute,
                    act = [&, absolute](CString&) { return tree.MoveToPath(W(absolute)); }, path = to;
                }
            } else if (op < 96) {
                const auto n = int(std::count_if(node.children.begin(), node.children.end(), [&](const Node& c) {
                    return c.kind == Node::Element && c.name == name;
                }));
                int count = -1;
                EXPECT_EQ(Call([&](CString&) { return tree.GetChildCountByName(W(name), count); }),
                          bName ? kTrue : kRefused);
                EXPECT_EQ(count, bName ? n : -1) << name;
                what = "MoveToChildByName " + name, act = [&](CString&) { return tree.MoveToChildByName(W(name), i); };
                expected = !bName ? kRefused : i >= 0 && i < n ? kTrue : kFalse;
                for (int k = 0, at = 0; expected == kTrue && k <= i; ++at) {
                    if (node.children[std::size_t(at)].kind == Node::Element &&
                        node.children[std::size_t(at)].name == name && k++ == i)
                        path.push_back(std::size_t(at));
                }
            } else {
                what = gen.Pick(std::vector<std::string>{"///", "", "count(//*)", "/*["}), expected = kRefused;
                act = [&](CString& v) {
                    return gen.Chance(2) ? tree.MoveToPath(W(what)) : tree.GetPathValue(W(what), v);
                };
            }
            ASSERT_EQ(Call(act), expected) << "step " << step << ": " << what << " " << i << " '" << stored << "'";
            if (gen.Chance(4)) {  // not always: moves must also find the end of a child list themselves
                ASSERT_EQ(Differs(tree, cur(), false), "") << "step " << step << ": " << what;
            }
        }
        SCOPED_TRACE("round " + std::to_string(round));
        ExpectSavedAsTheModel(tree, doc, dir, "UTF-8");
    }
}

} // namespace
} // namespace xmltreetest
