// The elements below a document element, read as a flat list in document order instead of being
// built as nodes: a file of a hundred thousand records then costs no node, and no free of one.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kx::xml {

struct Outline {
    // A run of `bytes`.
    struct Span {
        std::uint32_t nOffset = 0;
        std::uint32_t nLength = 0;
    };
    struct Attribute {
        Span name;
        Span value;
    };
    struct Element {
        int nDepth = 0;  // 1 for a child of the document element
        Span name;
        std::uint32_t nFirstAttribute = 0;
        std::uint32_t nAttributes = 0;
        Span text;  // empty unless the element is a leaf with text that is not all blank
    };

    // False when the document's content was built as nodes instead (see ParseFile).
    bool bTaken = false;
    std::string bytes;  // UTF-8, as libxml2 hands text over
    std::vector<Element> elements;
    std::vector<Attribute> attributes;

    std::string_view View(Span span) const { return std::string_view(bytes).substr(span.nOffset, span.nLength); }
    // The value of `element`'s attribute `name`; null when it has none.
    const Span* FindAttribute(const Element& element, std::string_view name) const
    {
        for (std::uint32_t i = 0; i < element.nAttributes; ++i) {
            const Attribute& attr = attributes[element.nFirstAttribute + i];
            if (View(attr.name) == name)
                return &attr.value;
        }
        return nullptr;
    }
    void Clear()
    {
        bTaken = false;
        bytes.clear();
        elements.clear();
        attributes.clear();
    }
};

} // namespace kx::xml
