#include "support/XmlOutlineOracle.h"

#include "platform/Xml.h"

namespace kxtest {
namespace {

// Whether an outline can hold the tree's content below `parent`: elements without namespaces
// (a prefix the document never declared stays in the name), text only at the leaf depth.
bool Plain(const xmlNode* parent, int depth, int nLeafDepth)
{
    for (const xmlNode* node = parent->children; node; node = node->next) {
        if (node->type != XML_ELEMENT_NODE || node->ns || node->nsDef || xmlStrchr(node->name, ':'))
            return false;
        for (const xmlAttr* attr = node->properties; attr; attr = attr->next) {
            if (attr->ns || xmlStrchr(attr->name, ':'))
                return false;
        }
        for (const xmlNode* child = node->children; child && depth == nLeafDepth; child = child->next) {
            if (child->type != XML_TEXT_NODE)
                return false;
        }
        if (depth < nLeafDepth && !Plain(node, depth + 1, nLeafDepth))
            return false;
    }
    return true;
}

// The outline's elements built as nodes below the document element, as the tree holds them.
void Build(xmlDoc* doc, const kx::xml::Outline& outline)
{
    std::vector<xmlNode*> open{xmlDocGetRootElement(doc)};
    const auto str = [&](kx::xml::Outline::Span span) { return std::string(outline.View(span)); };
    for (const kx::xml::Outline::Element& element : outline.elements) {
        open.resize(static_cast<std::size_t>(element.nDepth));
        xmlNode* node = xmlNewChild(open.back(), nullptr, kx::xml::X(str(element.name)), nullptr);
        for (std::uint32_t i = 0; i < element.nAttributes; ++i) {
            const kx::xml::Outline::Attribute& attr = outline.attributes[element.nFirstAttribute + i];
            xmlNewProp(node, kx::xml::X(str(attr.name)), kx::xml::X(str(attr.value)));
        }
        if (element.text.nLength > 0)
            xmlAddChild(node,
                        xmlNewDocTextLen(doc, kx::xml::X(str(element.text)), static_cast<int>(element.text.nLength)));
        open.push_back(node);
    }
}

std::string Serialized(xmlDoc* doc)
{
    std::string bytes;
    return kx::xml::Serialize(doc, bytes) ? bytes : "(not serialised)";
}

} // namespace

OutlineComparison CompareOutlineParse(const std::string& xml, int nLeafDepth)
{
    OutlineComparison result;
    kx::xml::ParseError treeError, outlineError;
    kx::xml::DocPtr tree = kx::xml::ParseMemory(xml, &treeError);
    kx::xml::Outline outline;
    outline.bTaken = true;
    kx::xml::DocPtr doc = kx::xml::ParseMemory(xml, nLeafDepth, outline, &outlineError);
    result.bTaken = outline.bTaken;
    if (!tree || !doc) {
        if (tree || doc)
            result.difference = tree ? "only the tree parsed" : "only the outline parsed";
        else if (treeError.message != outlineError.message || treeError.line != outlineError.line)
            result.difference = "errors differ: " + treeError.message + " / " + outlineError.message;
        else if (outline.bTaken || !outline.elements.empty())
            result.difference = "a failed parse left an outline";
        return result;
    }
    result.bPlainContent = !tree->intSubset && Plain(xmlDocGetRootElement(tree.get()), 1, nLeafDepth);
    if (outline.bTaken && xmlDocGetRootElement(doc.get())->children)
        result.difference = "the document element kept children";
    else if (!outline.bTaken && !outline.elements.empty())
        result.difference = "an outline given way to is not empty";
    else if (outline.bTaken)
        Build(doc.get(), outline);
    if (result.difference.empty() && Serialized(doc.get()) != Serialized(tree.get()))
        result.difference = "the documents differ";
    return result;
}

} // namespace kxtest
