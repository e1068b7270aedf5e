#include "gen/Digest.h"

#include <cstdio>

#include "platform/Platform.h"
#include "platform/Xml.h"

namespace kxbench {

namespace {
constexpr char kEnd = '\x1f';
} // namespace

void Digest::Mix(const void* data, std::size_t size)
{
    const auto* p = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i) {
        m_nHash ^= p[i];
        m_nHash *= 0x100000001b3ULL;
    }
}

Digest& Digest::Add(std::string_view bytes)
{
    Mix(bytes.data(), bytes.size());
    Mix(&kEnd, 1);
    return *this;
}

Digest& Digest::Add(const CString& text) { return Add(kx::platform::ToUtf8(text)); }

Digest& Digest::AddWide(const CString& text)
{
    for (const wchar_t c : text)
        m_nHash = (m_nHash ^ static_cast<std::uint32_t>(c)) * 0x100000001b3ULL;
    m_nHash = (m_nHash ^ static_cast<unsigned char>(kEnd)) * 0x100000001b3ULL;
    return *this;
}

Digest& Digest::Add(long long n) { return Add(std::to_string(n)); }

Digest& Digest::Add(const SRuleItem& item)
{
    return Add(item.strRuleName)
        .Add(item.strValue)
        .Add(item.strSelectType)
        .Add(item.strIniType)
        .Add(item.strText)
        .Add(item.strOptions)
        .Add(item.compType.nTypeId)
        .Add(item.compType.nSubTypeId)
        .Add(item.strCalItem);
}

Digest& Digest::Add(const std::vector<SRuleItem>& items)
{
    Add(static_cast<long long>(items.size()));
    for (const SRuleItem& item : items)
        Add(item);
    return *this;
}

Digest& Digest::Add(const CStringArray& list)
{
    Add(static_cast<long long>(list.size()));
    for (const CString& s : list)
        Add(s);
    return *this;
}

Digest& Digest::Add(const CKXCurDeFenLeiSet::FenLeiMap& map)
{
    Add(static_cast<long long>(map.size()));
    for (const auto& [key, items] : map) {
        Add(key.nTypeId).Add(key.nSubTypeId).Add(static_cast<long long>(items.size()));
        for (const auto& item : items)
            Add(item.strCalcItem).Add(item.vecVarKey);
    }
    return *this;
}

std::string HexOf(std::uint64_t value)
{
    char text[19];
    std::snprintf(text, sizeof text, "0x%016llx", static_cast<unsigned long long>(value));
    return text;
}

std::string Digest::Hex() const { return HexOf(m_nHash); }

void XmlDigest::Declaration(std::string_view encoding) { m_digest.Add("?").Add(encoding); }
void XmlDigest::Open(std::string_view name) { m_digest.Add("<").Add(name); }
void XmlDigest::Attribute(std::string_view name, std::string_view value) { m_digest.Add("@").Add(name).Add(value); }
void XmlDigest::Text(std::string_view text) { m_digest.Add("#").Add(text); }
void XmlDigest::Close() { m_digest.Add(">"); }

void XmlDigest::Node(xmlNode* node)
{
    auto text = [](const xmlChar* s) { return std::string_view(s ? reinterpret_cast<const char*>(s) : ""); };
    switch (node->type) {
    case XML_ELEMENT_NODE: {
        std::string name = node->ns && node->ns->prefix ? std::string(text(node->ns->prefix)) + ":" : std::string();
        name += text(node->name);
        Open(name);
        for (xmlAttr* attr = node->properties; attr; attr = attr->next) {
            kx::xml::CharPtr value(xmlNodeGetContent(reinterpret_cast<xmlNode*>(attr)));
            Attribute(text(attr->name), text(value.get()));
        }
        for (xmlNode* child = node->children; child; child = child->next)
            Node(child);
        Close();
        break;
    }
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
        Text(text(node->content));
        break;
    case XML_COMMENT_NODE:
        m_digest.Add("!").Add(text(node->content));
        break;
    default:
        break;
    }
}

void XmlDigest::Document(xmlDoc* doc)
{
    Declaration(doc->encoding ? reinterpret_cast<const char*>(doc->encoding) : "");
    for (xmlNode* node = doc->children; node; node = node->next)
        Node(node);
}

void XmlDigest::Bytes(const std::string& bytes)
{
    kx::xml::DocPtr doc = kx::xml::ParseMemory(bytes);
    if (!doc) {
        m_digest.Add("unreadable");
        return;
    }
    Document(doc.get());
}

} // namespace kxbench
