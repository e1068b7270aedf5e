// A plain model of an XML document, a seeded generator of documents that hit the edge cases on
// purpose, the source text of a model in any encoding, and the bytes the library's indented save
// must give for it.
#pragma once

#include <gtest/gtest.h>

#include <iconv.h>

#include <random>
#include <stdexcept>
#include <string>
#include <vector>

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
    std::string Value() const  // as an XPath string value, which the tree reads
    {
        if (kind != Element)
            return text;
        std::string out;
        for (const Node& c : children)
            out += c.kind == Element || c.IsText() ? c.Value() : "";
        return out;
    }
};

template <class N> N& Root(N& doc)
{
    return *std::find_if(doc.children.begin(), doc.children.end(), [](const Node& c) { return c.kind == Node::Element; });
}

inline std::string Encode(const std::string& utf8, const char* encoding)
{
    iconv_t cd = ::iconv_open(encoding, "UTF-8");
    std::string out(utf8.size() * 4 + 16, '\0');
    char* in = const_cast<char*>(utf8.data());
    char* to = out.data();
    std::size_t inLeft = utf8.size(), outLeft = out.size();
    if (cd == reinterpret_cast<iconv_t>(-1) || ::iconv(cd, &in, &inLeft, &to, &outLeft) == std::size_t(-1))
        throw std::runtime_error(std::string("cannot encode in ") + encoding);
    ::iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}

inline std::string Escape(const std::string& s, bool bAttr)
{
    std::string out;
    for (char c : s) {
        switch (c) {
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '&': out += "&amp;"; break;
        case '\r': out += "&#13;"; break;
        case '"': out += bAttr ? "&quot;" : "\""; break;
        case '\n': out += bAttr ? "&#10;" : "\n"; break;
        case '\t': out += bAttr ? "&#9;" : "\t"; break;
        default: out += c;
        }
    }
    return out;
}

// The indented save: two spaces a level (at most sixty), none inside an element holding text.
inline void Saved(const Node& n, int level, bool bIndent, std::string& out)
{
    switch (n.kind) {
    case Node::Doc:
        for (const Node& c : n.children)
            Saved(c, 0, true, out), out += '\n';
        return;
    case Node::Dtd: out += "<!DOCTYPE " + n.name + " [\n<!ENTITY e \"扣\">\n]>"; return;
    case Node::Text: out += Escape(n.text, false); return;
    case Node::CData: {
        std::string text = n.text;  // "]]>" splits the section
        for (std::size_t at = 0; (at = text.find("]]>", at)) != std::string::npos; at += 15)
            text.replace(at, 3, "]]]]><![CDATA[>");
        out += "<![CDATA[" + text + "]]>";
        return;
    }
    case Node::Comment: out += "<!--" + n.text + "-->"; return;
    case Node::PI: out += "<?" + n.name + (n.text.empty() ? "" : " " + n.text) + "?>"; return;
    case Node::Element: break;
    }
    out += "<" + n.name;
    for (const auto& [k, v] : n.attrs)
        out += " " + k + "=\"" + Escape(v, true) + "\"";
    if (n.children.empty()) {
        out += "/>";
        return;
    }
    out += '>';
    for (const Node& c : n.children)
        bIndent = bIndent && !c.IsText();
    for (const Node& c : n.children) {
        if (bIndent)
            out += "\n" + std::string(2 * std::min(level + 1, 30), ' ');
        Saved(c, level + 1, bIndent, out);
    }
    if (bIndent)
        out += "\n" + std::string(2 * std::min(level, 30), ' ');
    out += "</" + n.name + ">";
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
    template <class T> const T& Pick(const std::vector<T>& v) { return v[std::size_t(Pick(0, int(v.size()) - 1))]; }
    bool Chance(int n) { return Pick(1, n) == 1; }

    bool bGbk = false;  // only characters GBK has
    std::string Name() { return Pick(bGbk ? kGbkNames : kNames); }
    std::string AttrName() { return Pick(std::vector<std::string>{"a", "classtype", "新"}); }
    std::string Value()
    {
        std::string v;
        for (int i = Pick(0, 3); i > 0; --i)
            v += Pick(bGbk ? kGbkPieces : kPieces);
        return v;
    }
    std::string Text()  // never blank alone: the parser drops such text
    {
        std::string v = Value();
        return v.find_first_not_of(" \t\r\n") == std::string::npos ? v + "1" : v;
    }

    // A document element named `root` with content `depth` levels deep; comments, CDATA, processing
    // instructions and mixed text unless `bPlain`; now and then a DTD, comments and PIs beside it.
    Node Document(int depth, bool bPlain, const std::string& root = "工程数据")
    {
        Node doc{Node::Doc};
        if (!bPlain && Chance(6))
            doc.children.push_back({Node::Dtd, root});
        if (!bPlain && Chance(6))
            doc.children.push_back({Node::Comment, "", " 前 "});
        doc.children.push_back(Element(depth, bPlain));
        doc.children.back().name = root;
        if (!bPlain && Chance(6))
            doc.children.push_back({Node::PI, "pi", Pick(std::vector<std::string>{"", "x y"})});
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
        if (depth <= 0 || (!bPlain && Chance(5))) {
            if (Pick(0, 2))
                e.children.push_back({Node::Text, "", Text()});
            return e;
        }
        for (int i = Pick(1, 4); i > 0; --i) {
            const int kind = bPlain ? 9 : Pick(0, 9);
            // Adjacent text, or adjacent CDATA, is one node.
            const bool bAfterText = !e.children.empty() && e.children.back().IsText();
            if (kind == 0 && !bAfterText)
                e.children.push_back({Node::Text, "", Text()});
            else if (kind == 1 && !bAfterText)
                e.children.push_back({Node::CData, "", Pick(std::vector<std::string>{"x<y&z", "扣 1"})});
            else if (kind == 2)
                e.children.push_back({Node::Comment, "", Pick(std::vector<std::string>{" c ", "注释"})});
            else if (kind == 3)
                e.children.push_back({Node::PI, "pi", "data"});
            else
                e.children.push_back(Element(depth - 1, bPlain));
        }
        return e;
    }

    // The source text: references, quotes and blanks varied, the DTD's entity used for 扣.
    std::string Source(const Node& n, bool bEntity = false)
    {
        std::string out;
        switch (n.kind) {
        case Node::Doc:
            for (const Node& c : n.children) {
                bEntity = bEntity || c.kind == Node::Dtd;
                out += Source(c, bEntity) + (Chance(2) ? "\n" : "");
            }
            return out;
        case Node::Dtd: return "<!DOCTYPE " + n.name + " [<!ENTITY e \"扣\">]>";
        case Node::Text: return Varied(n.text, false, bEntity);
        case Node::Element: break;
        default: Saved(n, 0, false, out); return out;
        }
        const char q = Chance(3) ? '\'' : '"';
        out = "<" + n.name;
        for (const auto& [k, v] : n.attrs)
            out += std::string(Pick(1, 2), ' ') + k + "=" + q + Varied(v, true, bEntity, q) + q;
        if (n.children.empty())
            return out + (Chance(2) ? "/>" : "></" + n.name + ">");
        out += ">";
        bool bBlanks = std::none_of(n.children.begin(), n.children.end(), [](const Node& c) { return c.IsText(); });
        for (const Node& c : n.children)
            out += (bBlanks && Chance(2) ? "\n  " : "") + Source(c, bEntity);
        return out + "</" + n.name + ">";
    }

private:
    std::string Varied(const std::string& s, bool bAttr, bool bEntity, char quote = 0)
    {
        std::string out;
        for (std::size_t i = 0; i < s.size(); ++i) {
            const char c = s[i];
            if (bEntity && s.compare(i, 3, "扣") == 0 && Chance(2)) {
                out += "&e;", i += 2;
            } else if (c == '&' || c == '<' || (bAttr && (c == quote || c == '\t' || c == '\n')) || c == '\r') {
                out += Chance(2) || c == '\'' ? "&#" + std::to_string(int(c)) + ";" : Escape(std::string(1, c), true);
            } else if (c == '>') {  // "]]>" must not stand in text
                out += Chance(2) ? "&#x3E;" : "&gt;";
            } else {
                out += c;
            }
        }
        return out;
    }

    std::mt19937 m_rng;
    const std::vector<std::string> kNames{"组", "体积", "a", "扣减项目", "_x.y-1", "砼墙（外）", "㐀", "Ö·x"};
    const std::vector<std::string> kGbkNames{"组", "体积", "a", "扣减项目", "_x.y-1"};
    const std::vector<std::string> kPieces{"1,2,3", "<&>\"'", "a]]>b", "\r\n\t", "中文 值", "é\U0001F600", "&amp;",
                                           " x ", "扣", "堃"};
    const std::vector<std::string> kGbkPieces{"1,2,3", "<&>\"'", "a]]>b", "\r\n\t", "中文 值", "&amp;", " x ", "扣", "堃"};
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
    const std::string expectedName = n.kind == Node::Doc ? "#document" : n.kind == Node::Text ? "#text"
                                   : n.kind == Node::CData ? "#cdata-section" : n.kind == Node::Comment ? "#comment" : n.name;
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
        std::string diff = Differs(tree, n.children[i], bCountAttrs, at + "/" + std::to_string(i));
        if (!tree.MoveToParent() || !diff.empty())
            return diff.empty() ? at + ": no way back" : diff;
    }
    return "";
}

} // namespace xmltreetest
