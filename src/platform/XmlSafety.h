// Guards around libxml2 that keep a hostile file from costing more than its size. libxml2 2.9
// compares the attributes of a start tag pairwise and appends every entity copy to a growing text
// node, so a few megabytes with a million attributes on one element, or with a hundred thousand
// entity references, keep the parser busy for hours. Both are refused before they cost anything.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>

#include <libxml/parser.h>

namespace kx::xml {

// Most attributes one start tag may carry.
constexpr std::size_t kMaxAttributesPerTag = 1000;
// Most references to declared entities one parse may expand, and the most text they may expand
// to in all. Files written by this library declare no entities at all.
constexpr std::size_t kMaxEntityReferences = 1000;
constexpr std::size_t kMaxEntityExpansion = std::size_t(1) << 20;

// False, with the reason in `why`, when a start tag carries more than kMaxAttributesPerTag
// attributes, or when the bytes are not valid in the encoding the parser would read them in.
bool CheckStartTags(std::string_view bytes, std::string& why);

// Counts the entity expansions of the parses on `ctxt` while it lives. Once the budget is spent,
// every further reference stays unexpanded and Exceeded() tells the caller to refuse the document.
class EntityBudget {
public:
    explicit EntityBudget(xmlParserCtxt* ctxt);
    ~EntityBudget();
    EntityBudget(const EntityBudget&) = delete;
    EntityBudget& operator=(const EntityBudget&) = delete;

    bool Exceeded() const { return m_bExceeded; }

private:
    static xmlEntityPtr GetEntity(void* ctx, const xmlChar* name);
    std::size_t ExpandedSize(xmlEntity* ent);

    xmlParserCtxt* m_pCtxt;
    getEntitySAXFunc m_pfnPrevious;
    EntityBudget* m_pOuter;
    std::size_t m_nReferences = 0;
    std::size_t m_nBytes = 0;
    bool m_bExceeded = false;
    std::unordered_map<const xmlEntity*, std::size_t> m_mapSizes;
};

// Keeps libxml2's own error output (encoding and I/O errors that reach no parser context) off
// the host's standard error while it lives; the host's handlers are restored afterwards.
class QuietErrors {
public:
    QuietErrors();
    ~QuietErrors();
    QuietErrors(const QuietErrors&) = delete;
    QuietErrors& operator=(const QuietErrors&) = delete;

private:
    xmlGenericErrorFunc m_pfnGeneric;
    void* m_pGenericContext;
    xmlStructuredErrorFunc m_pfnStructured;
    void* m_pStructuredContext;
};

} // namespace kx::xml
