// Checksums of what a road hands back: records, string lists and XML documents are fed field by
// field into a 64-bit FNV-1a hash, each field closed by a separator so that ("ab", "c") and
// ("a", "bc") differ. Text is hashed as UTF-8, so a document read from disk and records held in
// memory hash their names alike.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <kxsysrule/CKXCurDeFenLeiSet.h>
#include <kxsysrule/Types.h>

#include <libxml/tree.h>

namespace kxbench {

class Digest {
public:
    Digest& Add(std::string_view bytes);
    Digest& Add(const CString& text);
    Digest& Add(const wchar_t* text) { return Add(CString(text)); }
    Digest& Add(long long n);
    Digest& Add(int n) { return Add(static_cast<long long>(n)); }
    Digest& Add(bool b) { return Add(static_cast<long long>(b)); }

    Digest& Add(const SRuleItem& item);
    Digest& Add(const std::vector<SRuleItem>& items);
    Digest& Add(const CStringArray& list);
    Digest& Add(const CKXCurDeFenLeiSet::FenLeiMap& map);

    // A cheaper form for use inside a timed road: the wide units as they stand, one step each.
    Digest& AddWide(const CString& text);

    std::uint64_t Value() const { return m_nHash; }
    std::string Hex() const;

private:
    void Mix(const void* data, std::size_t size);

    std::uint64_t m_nHash = 0xcbf29ce484222325ULL;
};

// The structure of an XML document as a stream of events: the declared encoding, then for every
// element its name, its attributes in order and its children, and the text of text nodes.
// Formatting (indentation, quoting) is not part of it. Writers that build the stream themselves
// use the same calls.
class XmlDigest {
public:
    explicit XmlDigest(Digest& digest) : m_digest(digest) {}

    void Declaration(std::string_view encoding);
    void Open(std::string_view name);
    void Attribute(std::string_view name, std::string_view value);
    void Text(std::string_view text);
    void Close();

    // Walks a parsed document.
    void Document(xmlDoc* doc);
    // Parses `bytes` and walks them; an unreadable file gives one marker event.
    void Bytes(const std::string& bytes);

private:
    void Node(xmlNode* node);

    Digest& m_digest;
};

std::string HexOf(std::uint64_t value);

} // namespace kxbench
