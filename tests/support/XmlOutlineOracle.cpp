#include "support/XmlOutlineOracle.h"

#include <vector>

#include "platform/Xml.h"

namespace kxtest {
namespace {

std::string Str(const xmlChar* text) { return text ? reinterpret_cast<const char*>(text) : ""; }

std::string Content(const xmlNode* node)
{
    kx::xml::CharPtr content(xmlNodeGetContent(node));
    return Str(content.get());
}

// The tree's elements below the document element in the outline's terms, one line each, children
// before their parent; and whether an outline could hold them all.
void ViewChildren(const xmlNode* parent, int depth, int nLeafDepth, bool& bPlain, std::vector<std::string>& lines)
{
    for (const xmlNode* node = parent->children; node; node = node->next) {
        // A prefix the document never declared stays in the name, without a namespace.
        if (node->type != XML_ELEMENT_NODE || node->ns || node->nsDef || depth > nLeafDepth ||
            Str(node->name).find(':') != std::string::npos) {
            bPlain = false;
            continue;
        }
        std::string line = std::to_string(depth) + " " + Str(node->name);
        for (const xmlAttr* attr = node->properties; attr; attr = attr->next) {
            if (attr->ns || Str(attr->name).find(':') != std::string::npos)
                bPlain = false;
            line.append(" ").append(Str(attr->name)).append("=");
            line.append(Content(reinterpret_cast<const xmlNode*>(attr)));
        }
        if (depth == nLeafDepth) {
            for (const xmlNode* child = node->children; child; child = child->next) {
                if (child->type != XML_TEXT_NODE)
                    bPlain = false;
            }
            line.append(" : ").append(Content(node));
        } else {
            ViewChildren(node, depth + 1, nLeafDepth, bPlain, lines);
        }
        lines.push_back(line);
    }
}

std::vector<std::string> OutlineLines(const kx::xml::Outline& outline, int nLeafDepth)
{
    std::vector<std::string> lines;
    std::vector<std::string> open;
    for (const kx::xml::Outline::Element& element : outline.elements) {
        while (static_cast<int>(open.size()) >= element.nDepth) {
            lines.push_back(open.back());
            open.pop_back();
        }
        std::string line = std::to_string(element.nDepth) + " " + std::string(outline.View(element.name));
        for (std::uint32_t i = 0; i < element.nAttributes; ++i) {
            const kx::xml::Outline::Attribute& attr = outline.attributes[element.nFirstAttribute + i];
            line.append(" ").append(outline.View(attr.name)).append("=").append(outline.View(attr.value));
        }
        if (element.nDepth == nLeafDepth)
            line.append(" : ").append(outline.View(element.text));
        open.push_back(line);
    }
    for (; !open.empty(); open.pop_back())
        lines.push_back(open.back());
    return lines;
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
    kx::xml::ParseError treeError;
    kx::xml::DocPtr tree = kx::xml::ParseMemory(xml, &treeError);
    kx::xml::Outline outline;
    outline.bTaken = true;
    kx::xml::ParseError outlineError;
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
    std::vector<std::string> lines;
    result.bPlainContent = !tree->intSubset;
    xmlNode* root = xmlDocGetRootElement(tree.get());
    ViewChildren(root, 1, nLeafDepth, result.bPlainContent, lines);
    if (outline.bTaken) {
        if (OutlineLines(outline, nLeafDepth) != lines)
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
