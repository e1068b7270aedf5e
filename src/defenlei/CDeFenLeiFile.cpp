// Reader and writer of DefaultDeFenLeiSet.xml over libxml2.
#include "defenlei/CDeFenLeiFile.h"

#include <climits>
#include <cstdint>
#include <string>

#include <kxhost/HostServices.h>
#include <libxml/xpathInternals.h>

#include "platform/Platform.h"
#include "platform/Xml.h"
#include "xmltree/CXmlTextWriter.h"

namespace {

using SDeFenLeiSetInfo = CKXCurDeFenLeiSet::SDeFenLeiSetInfo;

const char kRootName[] = "DeFenLeiSetInfo";
// Groups, their items and the items' keys below the document element.
constexpr int kLeafDepth = 3;

// A read error: ends the walk with the groups taken so far.
struct ReadError {};

xmlNode* ElementOrNull(xmlNode* node)
{
    return node && node->type == XML_ELEMENT_NODE ? node : nullptr;
}

// The qualified name, as the element was spelt: a prefixed item name is kept whole.
std::string NodeName(const xmlNode* node)
{
    std::string name;
    if (node->ns && node->ns->prefix) {
        name = reinterpret_cast<const char*>(node->ns->prefix);
        name += ':';
    }
    name += reinterpret_cast<const char*>(node->name);
    return name;
}

// An attribute in no namespace, as xmlGetNoNsProp gives it.
std::optional<std::string> Attribute(xmlNode* node, const char* name)
{
    kx::xml::CharPtr value(xmlGetNoNsProp(node, reinterpret_cast<const xmlChar*>(name)));
    if (!value)
        return std::nullopt;
    return std::string(reinterpret_cast<const char*>(value.get()));
}

int ReadId(const std::optional<std::string_view>& text)
{
    if (!text)
        throw ReadError{};
    const std::optional<int> id = CDeFenLeiFile::ParseId(kx::platform::FromUtf8(*text));
    if (!id)
        throw ReadError{};
    return *id;
}

// The groups of a file built as nodes. The walk at every level runs along the siblings while
// they are elements: a comment, processing instruction or text among them ends that level, and
// what follows is not read. Hand-edited files are thereby read exactly as the host has always
// read them.
void ReadTree(xmlNode* root, CDeFenLeiSettings& settings)
{
    for (xmlNode* group = ElementOrNull(root->children); group; group = ElementOrNull(group->next)) {
        const int nTypeId = ReadId(Attribute(group, "TypeId"));
        settings.OpenGroup({nTypeId, ReadId(Attribute(group, "SubTypeId"))});
        for (xmlNode* item = ElementOrNull(group->children); item; item = ElementOrNull(item->next)) {
            settings.AddItem(NodeName(item));
            for (xmlNode* var = ElementOrNull(item->children); var; var = ElementOrNull(var->next)) {
                const std::optional<std::string> key = Attribute(var, "VarKey");
                if (!key)
                    throw ReadError{};
                settings.AddKey(*key);
            }
        }
        settings.CloseGroup();
    }
}

// The same walk over a file read as an outline, which holds only elements: no comment or text can
// end a level there.
void ReadOutline(const kx::xml::Outline& outline, CDeFenLeiSettings& settings)
{
    auto attribute = [&](const kx::xml::Outline::Element& element,
                         std::string_view name) -> std::optional<std::string_view> {
        const kx::xml::Outline::Span* value = outline.FindAttribute(element, name);
        if (!value)
            return std::nullopt;
        return outline.View(*value);
    };
    // Room for all of it at once: the outline tells how much there is, and text takes no more
    // characters than bytes.
    std::size_t nCount[kLeafDepth + 1] = {};
    for (const kx::xml::Outline::Element& element : outline.elements)
        ++nCount[element.nDepth <= kLeafDepth ? element.nDepth : 0];
    settings.Reserve(nCount[1], nCount[2], nCount[3], outline.bytes.size());
    for (const kx::xml::Outline::Element& element : outline.elements) {
        switch (element.nDepth) {
        case 1: {
            settings.CloseGroup();
            const int nTypeId = ReadId(attribute(element, "TypeId"));
            settings.OpenGroup({nTypeId, ReadId(attribute(element, "SubTypeId"))});
            break;
        }
        case 2: settings.AddItem(outline.View(element.name)); break;
        case 3: {
            const std::optional<std::string_view> varKey = attribute(element, "VarKey");
            if (!varKey)
                throw ReadError{};
            settings.AddKey(*varKey);
            break;
        }
        default: break;
        }
    }
    settings.CloseGroup();
}

// The document element, selected by name the way the file has always been located.
xmlNode* SelectRoot(xmlDoc* doc)
{
    kx::xml::XPathContextPtr ctxt(xmlXPathNewContext(doc));
    if (!ctxt)
        return nullptr;
    ctxt->node = reinterpret_cast<xmlNode*>(doc);
    kx::xml::XPathObjectPtr result(xmlXPathEvalExpression(reinterpret_cast<const xmlChar*>(kRootName), ctxt.get()));
    if (!result || result->type != XPATH_NODESET || !result->nodesetval || result->nodesetval->nodeNr < 1)
        return nullptr;
    return result->nodesetval->nodeTab[0];
}

} // namespace

CString CDeFenLeiFile::GetFilePath() { return ISysCache::GetCurProjDir() + L"\\DefaultDeFenLeiSet.xml"; }

std::optional<int> CDeFenLeiFile::ParseId(const CString& strText)
{
    auto isBlank = [](wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; };
    std::size_t pos = 0;
    std::size_t end = strText.size();
    while (pos < end && isBlank(strText[pos]))
        ++pos;
    while (end > pos && isBlank(strText[end - 1]))
        --end;
    bool negative = false;
    if (pos < end && (strText[pos] == L'-' || strText[pos] == L'+'))
        negative = strText[pos++] == L'-';
    if (pos == end)
        return std::nullopt;
    std::int64_t value = 0;
    for (; pos < end; ++pos) {
        const wchar_t c = strText[pos];
        if (c < L'0' || c > L'9')
            return std::nullopt;
        value = value * 10 + (c - L'0');
        if (value > static_cast<std::int64_t>(INT_MAX) + 1)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value < INT_MIN || value > INT_MAX)
        return std::nullopt;
    return static_cast<int>(value);
}

void CDeFenLeiFile::Load(const CString& strPath, CDeFenLeiSettings& settings) noexcept
{
    settings.Clear();
    try {
        // Groups, items and keys come as an outline where the file allows: no node is built.
        kx::xml::Outline outline;
        kx::xml::DocPtr doc = kx::xml::ParseFile(kx::platform::MapPath(strPath), kLeafDepth, outline);
        if (!doc)
            return;
        xmlNode* root = SelectRoot(doc.get());
        if (!root)
            return;
        if (outline.bTaken)
            ReadOutline(outline, settings);
        else
            ReadTree(root, settings);
    } catch (...) {
        // A read error or an allocation failure: what was completed stays loaded.
    }
    settings.Finish();
}

bool CDeFenLeiFile::Save(const CString& strPath, const FenLeiMap& mapIn) noexcept
{
    try {
        // The groups are written as text below the document element, byte for byte what libxml2
        // writes for the same nodes: a large map costs no node per key.
        CXmlTextWriter writer(1);
        for (const auto& [key, items] : mapIn) {
            writer.Open(L"Comp");
            writer.Attribute(L"TypeId", std::to_wstring(key.nTypeId));
            writer.Attribute(L"SubTypeId", std::to_wstring(key.nSubTypeId));
            for (const SDeFenLeiSetInfo& info : items) {
                // The file cannot hold an item without keys, so its name never matters.
                if (info.vecVarKey.empty())
                    continue;
                // The reader's rules (XML 1.0 fifth edition), so that what was read can be written.
                if (!kx::xml::IsValidName(info.strCalcItem))
                    return false;
                writer.Open(info.strCalcItem);
                for (const CString& varKey : info.vecVarKey) {
                    writer.Open(L"Var");
                    writer.Attribute(L"VarKey", varKey);
                    writer.Close();
                }
                writer.Close();
            }
            writer.Close();
        }
        kx::xml::DocPtr doc(xmlNewDoc(reinterpret_cast<const xmlChar*>("1.0")));
        if (!doc)
            return false;
        xmlNode* root = xmlNewDocNode(doc.get(), nullptr, reinterpret_cast<const xmlChar*>(kRootName), nullptr);
        if (!root)
            return false;
        xmlDocSetRootElement(doc.get(), root);
        if (!xmlNewProp(root, reinterpret_cast<const xmlChar*>("version"), reinterpret_cast<const xmlChar*>("1")))
            return false;
        const std::string fsPath = kx::platform::MapPath(strPath);
        if (writer.Output().empty())
            return kx::xml::SaveFile(doc.get(), fsPath, "UTF-8");
        std::string bytes;
        return kx::xml::SerializeWithChildren(doc.get(), writer.Output(), bytes) &&
               kx::platform::WriteFileAtomic(fsPath, bytes);
    } catch (...) {
        return false;
    }
}
