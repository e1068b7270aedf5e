// A plain model of an XML document, a seeded generator of documents that hit the edge cases on
// purpose, and the bytes the library's indented save must give for a model.
#pragma once

#include <gtest/gtest.h>

#include <random>

#include "support/TestSupport.h"
#include "xmltree/IXMLTree.h"

namespace xmltreetest {

using kxtest::U8;
using kxtest::W;

struct Node {
    enum Kind { Doc, Dtd, Element, Text, CData, Comment, PI } kind = Element;
    std::string name = {}, text = {};  // text: of a text, CDATA, comment or PI node
    std::vector<std::pair<std::string, std::string>> attrs = {};
    std::vector<Node> children = {};

    bool IsText() const { return kind == Text || kind == CData; }
    std::string Value() const  // the string value, which the tree reads
    {
        std::string out = kind == Element ? "" : text;
        for (const Node& c : children)
            out += c.kind == Element || c.IsText() ? c.Value() : "";
        return out;
    }
};

// What a call gives: its result and value, "(untouched)" when it writes none, or the error code.
inline std::string Call(const std::function<bool(CString&)>& call)
{
    CString value = L"(untouched)";
    try {
        return call(value) ? "true " + U8(value) : "false";
    } catch (const KxXmlError& e) {
        return "error " + std::to_string(e.code());
    }
}

inline bool IsElement(const Node& n) { return n.kind == Node::Element; }

template <class N> N& Root(N& doc)
{
    return *std::find_if(doc.children.begin(), doc.children.end(), IsElement);
}

// As the save escapes; with `bEntity`, 扣 as a reference to the DTD's entity e.
inline std::string Escape(const std::string& s, bool bAttr, bool bEntity)
{
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        const char* escaped = c == '<'    ? "&lt;"
                              : c == '>'  ? "&gt;"
                              : c == '&'  ? "&amp;"
                              : c == '\r' ? "&#13;"
                                          : nullptr;
        if (bAttr && !escaped)
            escaped = c == '"' ? "&quot;" : c == '\n' ? "&#10;" : c == '\t' ? "&#9;" : nullptr;
        if (bEntity && s.compare(i, 3, "扣") == 0)
            escaped = "&e;", i += 2;
        out += escaped ? escaped : std::string(1, c);
    }
    return out;
}

// The indented save: two spaces a level (at most sixty), none inside an element holding text.
// For a document with `bEntity`, the source text instead, with references to the DTD's entity.
inline void Saved(const Node& n, int level, bool bIndent, std::string& out, bool bEntity = false)
{
    std::string text = n.text;
    switch (n.kind) {
    case Node::Doc:  // a DTD comes first
        for (const Node& c : n.children) {
            Saved(c, 0, bIndent, out, bEntity && n.children.front().kind == Node::Dtd);
            out += '\n';
        }
        return;
    case Node::Dtd: out += "<!DOCTYPE " + n.name + " [\n<!ENTITY e \"扣\">\n]>"; return;
    case Node::Text: out += Escape(n.text, false, bEntity); return;
    case Node::CData:  // "]]>" splits the section
        for (std::size_t at = 0; (at = text.find("]]>", at)) != std::string::npos; at += 15)
            text.replace(at, 3, "]]]]><![CDATA[>");
        out += "<![CDATA[" + text + "]]>";
        return;
    case Node::Comment: out += "<!--" + n.text + "-->"; return;
    case Node::PI: out += "<?" + n.name + (n.text.empty() ? "" : " " + n.text) + "?>"; return;
    case Node::Element: break;
    }
    out += "<" + n.name;
    for (const auto& [k, v] : n.attrs)
        out += " " + k + "=\"" + Escape(v, true, bEntity) + "\"";
    out += n.children.empty() ? "/>" : ">";
    bIndent = bIndent && std::none_of(n.children.begin(), n.children.end(), [](const Node& c) { return c.IsText(); });
    for (const Node& c : n.children) {
        out += bIndent ? "\n" + std::string(2 * std::min(level + 1, 30), ' ') : "";
        Saved(c, level + 1, bIndent, out, bEntity);
    }
    if (!n.children.empty())
        out += (bIndent ? "\n" + std::string(2 * std::min(level, 30), ' ') : "") + "</" + n.name + ">";
}

inline std::string Saved(const Node& doc, const std::string& encoding)
{
    std::string out = "<?xml version=\"1.0\" encoding=\"" + encoding + "\"?>\n";
    Saved(doc, 0, true, out);
    return out;
}

class Generator {
public:
    explicit Generator(unsigned seed) : m_rng(seed) {}

    int Pick(int from, int to) { return std::uniform_int_distribution<int>(from, to)(m_rng); }
    template <class T> const T& Pick(const std::vector<T>& v, int nLess = 0) {
        return v[std::size_t(Pick(0, int(v.size()) - 1 - nLess))];
    }
    bool Chance(int n) { return Pick(1, n) == 1; }

    bool bGbk = false;  // only what GBK has: the names and pieces last in the lists are left out
    std::string Name() { return Pick(m_names, bGbk ? 3 : 0); }
    std::string AttrName() { return Pick(std::vector<std::string>{"a", "classtype", "新"}); }
    std::string Value()
    {
        std::string v;
        for (int i = Pick(0, 3); i > 0; --i)
            v += Pick(m_pieces, bGbk);
        return v;
    }

    // A document element named 工程数据 with content `depth` levels deep: elements, text only in
    // leaves when `bPlain`; else also comments, CDATA, PIs and mixed text, a DTD, nodes beside it.
    Node Document(int depth, bool bPlain)
    {
        Node doc{Node::Doc};
        if (!bPlain && Chance(6))
            doc.children.push_back({Node::Dtd, "工程数据"});
        if (!bPlain && Chance(6))
            doc.children.push_back({Node::Comment, "", " 前 "});
        doc.children.push_back(Element(depth, bPlain));
        doc.children.back().name = "工程数据";
        if (!bPlain && Chance(6))
            doc.children.push_back({Node::PI, "pi", Chance(2) ? "" : "x y"});
        return doc;
    }

    Node Element(int depth, bool bPlain)
    {
        Node e{Node::Element, Name()};
        for (int i = Pick(0, 3); i > 0; --i) {
            const std::string key = AttrName();
            if (std::none_of(e.attrs.begin(), e.attrs.end(), [&](const auto& a) { return a.first == key; }))
                e.attrs.emplace_back(key, Value());
        }
        for (int i = depth <= 0 || (!bPlain && Chance(5)) ? 0 : Pick(1, 4); i > 0; --i) {
            const int kind = bPlain ? 9 : Pick(0, 9);
            // Adjacent text, or adjacent CDATA, is one node; blank text is none.
            if (kind < 2 && (e.children.empty() || !e.children.back().IsText()))
                e.children.push_back({kind ? Node::CData : Node::Text, "", kind ? "x<y&扣]]>" : Value() + "1"});
            else if (kind == 2 || kind == 3)
                e.children.push_back({kind == 2 ? Node::Comment : Node::PI, "pi", kind == 2 ? "注释" : "data"});
            else if (kind > 3)
                e.children.push_back(Element(depth - 1, bPlain));
        }
        if (e.children.empty() && Pick(0, 2))
            e.children.push_back({Node::Text, "", Value() + "1"});
        return e;
    }

private:
    std::mt19937 m_rng;
    const std::vector<std::string> m_names{"组", "体积", "a", "扣减项目", "_x.y-1", "砼墙（外）", "㐀", "Ö·x"};
    const std::vector<std::string> m_pieces{"1,2,3", "<&>\"'", "a]]>b", "\r\n\t", "中文 值",
                                            "&amp;", " x ",    "扣",    "堃",     "é\U0001F600"};
};

// The first difference between the tree below its current node and `n`, empty when none; the
// current node is where it was afterwards. Counting attributes takes a path, which drops what
// the tree keeps aside for rebuilding.
inline std::string Differs(IXMLTree& tree, const Node& n, bool bCountAttrs = true, const std::string& at = "")
{
    CString name, value = L"(none)";
    int count = -1, attrs = -1;
    tree.GetNodeName(name);
    tree.GetValue(value);
    tree.GetChildCount(count);
    const char* kinds[] = {"#document", "", "", "#text", "#cdata-section", "#comment", ""};
    const std::string expectedName = *kinds[n.kind] ? kinds[n.kind] : n.name;
    const std::string expectedValue = n.kind == Node::Doc || n.kind == Node::Dtd ? "(none)" : n.Value();
    if (U8(name) != expectedName || U8(value) != expectedValue || count != int(n.children.size()))
        return at + ": " + U8(name) + "='" + U8(value) + "' with " + std::to_string(count) + ", not " + expectedName +
               "='" + expectedValue + "' with " + std::to_string(n.children.size());
    if (n.kind == Node::Element) {
        if (bCountAttrs && (!tree.GetChildCountByName(L"@*", attrs) || attrs != int(n.attrs.size())))
            return at + ": attributes";
        for (const auto& [k, v] : n.attrs) {
            if (!tree.GetAttribute(W(k), value) || U8(value) != v)
                return at + "/@" + k;
        }
    }
    for (std::size_t i = 0; i < n.children.size(); ++i) {
        if (!tree.MoveToChild(int(i)))
            return at + ": no child " + std::to_string(i);
        const std::string diff = Differs(tree, n.children[i], bCountAttrs, at + "/" + std::to_string(i));
        if (!tree.MoveToParent() || !diff.empty())
            return diff.empty() ? at + ": no way back" : diff;
    }
    return "";
}

} // namespace xmltreetest
