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

    // The subtree below the current node, as name(child child ...); text nodes as 'text'.
    // Leaves the current node where it was.
    std::string Outline()
    {
        const std::string name = Name();
        if (name == "#text") {
            CString value;
            m_tree->GetValue(value);
            return "'" + U8(value) + "'";
        }
        int count = 0;
        EXPECT_TRUE(m_tree->GetChildCount(count));
        std::string out = name;
        if (count == 0)
            return out;
        out += '(';
        for (int i = 0; i < count; ++i) {
            EXPECT_TRUE(m_tree->MoveToChild(i));
            out += (i ? " " : "") + Outline();
            EXPECT_TRUE(m_tree->MoveToParent());
        }
        return out + ')';
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
