#include "support/XmlOutlineOracle.h"

#include "platform/Xml.h"

namespace kxtest {
namespace {

std::string Str(const xmlChar* text) { return text ? reinterpret_cast<const char*>(text) : ""; }

// The tree's elements below the document element in the outline's terms, one line each in
// document order; and whether an outline could hold them all. A prefix the document never
// declared stays in the name, without a namespace.
void View(const xmlNode* parent, int depth, int nLeafDepth, bool& bPlain, std::string& out)
{
    for (const xmlNode* node = parent->children; node; node = node->next) {
        const bool bColon = Str(node->name).find(':') != std::string::npos;
        if (node->type != XML_ELEMENT_NODE || node->ns || node->nsDef || depth > nLeafDepth || bColon) {
            bPlain = false;
            continue;
        }
        out += std::to_string(depth) + " " + Str(node->name);
        for (const xmlAttr* attr = node->properties; attr; attr = attr->next) {
            bPlain = bPlain && !attr->ns && Str(attr->name).find(':') == std::string::npos;
            const kx::xml::CharPtr value(xmlNodeGetContent(reinterpret_cast<const xmlNode*>(attr)));
            out += " " + Str(attr->name) + "=" + Str(value.get());
        }
        if (depth == nLeafDepth) {
            for (const xmlNode* child = node->children; child; child = child->next)
                bPlain = bPlain && child->type == XML_TEXT_NODE;
            const kx::xml::CharPtr text(xmlNodeGetContent(node));
            out += " : " + Str(text.get()) + "\n";
        } else {
            out += "\n";
            View(node, depth + 1, nLeafDepth, bPlain, out);
        }
    }
}

std::string View(const kx::xml::Outline& outline, int nLeafDepth)
{
    std::string out;
    for (const kx::xml::Outline::Element& element : outline.elements) {
        out += std::to_string(element.nDepth) + " " + std::string(outline.View(element.name));
        for (std::uint32_t i = 0; i < element.nAttributes; ++i) {
            const kx::xml::Outline::Attribute& attr = outline.attributes[element.nFirstAttribute + i];
            out.append(" ").append(outline.View(attr.name)).append("=").append(outline.View(attr.value));
        }
        out += (element.nDepth == nLeafDepth ? " : " + std::string(outline.View(element.text)) : "") + "\n";
    }
    return out;
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
    std::string lines;
    result.bPlainContent = !tree->intSubset;
    xmlNode* root = xmlDocGetRootElement(tree.get());
    View(root, 1, nLeafDepth, result.bPlainContent, lines);
    if (outline.bTaken) {
        if (View(outline, nLeafDepth) != lines)
            result.difference = "the outline's elements differ from the tree's";
        else if (xmlDocGetRootElement(doc.get())->children)
            result.difference = "the document element kept children";
        // All else of the document is the tree's.
        while (xmlNode* child = root->children) {
            xmlUnlinkNode(child);
            xmlFreeNode(child);
        }
    } else if (!outline.elements.empty()) {
        result.difference = "an outline given way to is not empty";
    }
    if (result.difference.empty() && Serialized(doc.get()) != Serialized(tree.get()))
        result.difference = "the documents differ";
    return result;
}

} // namespace kxtest
