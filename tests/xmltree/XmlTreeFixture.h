// A fresh tree and a temporary folder per test, with helpers that read the tree without moving it.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "support/TestSupport.h"
#include "xmltree/IXMLTree.h"

namespace xmltreetest {

using kxtest::U8;
using kxtest::W;

// What a read gives: the value, "(untouched)" when it succeeds without writing one, "(failed)".
inline std::string Read(const std::function<bool(CString&)>& read)
{
    CString value = L"(untouched)";
    return read(value) ? U8(value) : "(failed)";
}

// A fresh tree loaded from `file`; null when the load fails.
inline std::unique_ptr<IXMLTree> Reload(const kxtest::fs::path& file)
{
    std::unique_ptr<IXMLTree> tree;
    CreateXMLTree(tree);
    return tree->LoadFile(W(file)) ? std::move(tree) : nullptr;
}

class XmlTreeTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(CreateXMLTree(m_tree)); }

    IXMLTree& Tree() { return *m_tree; }

    void Load(const std::string& utf8)
    {
        ASSERT_TRUE(m_tree->LoadXML(W(utf8))) << utf8;
    }

    std::string Name()
    {
        CString name;
        EXPECT_TRUE(m_tree->GetNodeName(name));
        return U8(name);
    }

    std::string Value() { return Read([&](CString& v) { return m_tree->GetValue(v); }); }
    std::string PathValue(const CString& path) { return Read([&](CString& v) { return m_tree->GetPathValue(path, v); }); }
    std::string Attr(const CString& name) { return Read([&](CString& v) { return m_tree->GetAttribute(name, v); }); }
    // The child count, -1 when it cannot be had.
    int Count()
    {
        int count = -1;
        return m_tree->GetChildCount(count) ? count : -1;
    }

    // The subtree below the current node, as name(child child ...); text nodes as 'text'.
    // Leaves the current node where it was.
    std::string Outline()
    {
        const std::string name = Name();
        if (name == "#text")
            return '\'' + Value() + '\'';
        const int count = Count();
        std::string out = name;
        if (count <= 0)
            return out;
        out += '(';
        for (int i = 0; i < count; ++i) {
            EXPECT_TRUE(m_tree->MoveToChild(i));
            if (i)
                out += ' ';
            out += Outline();
            EXPECT_TRUE(m_tree->MoveToParent());
        }
        return out + ')';
    }

    // The file a tree saves, for comparing documents as the library writes them.
    std::string Saved(IXMLTree& tree, const std::string& name)
    {
        const auto path = m_dir / name;
        return tree.SaveFile(W(path)) ? kxtest::ReadBytes(path) : "(refused)";
    }

    // The code of the KxXmlError that `call` raises, 0 when it raises none.
    static long ErrorCode(const std::function<void()>& call)
    {
        try {
            call();
        } catch (const KxXmlError& e) {
            EXPECT_STRNE(e.what(), "");
            return e.code();
        }
        return 0;
    }

    kxtest::TempDir m_dir;
    std::unique_ptr<IXMLTree> m_tree;
};

} // namespace xmltreetest
