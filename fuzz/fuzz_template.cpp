// The template file of the bundled host services on any bytes, then every lookup on the result.
// Whatever the parser accepts must be safe for the rule-file writer: every name that becomes an
// element name is a valid one, and every lookup finds what the listing gave.
#include <cstdlib>
#include <filesystem>

#include <kxhost/KxHost.h>

#include "FuzzSupport.h"
#include "platform/Xml.h"

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

void CheckItems(ITemplateParser* parser, const SCompTemplate& tmpl, NS_KXComponentType::SCompGroupType key)
{
    for (const SCalItemTemplate& item : tmpl.vecCalItems) {
        Check(kx::xml::IsValidName(item.strName));
        parser->GetCalItemUnits(key, item.strName);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::filesystem::create_directories(kxfuzz::ScratchDir() + "/Template");
    kxfuzz::WriteScratch("Template/Templates.xml", std::string_view(reinterpret_cast<const char*>(data), size));
    ITemplateParser* parser = GetTemplateParser();
    const bool loaded = parser->Init(kxfuzz::Wide(kxfuzz::ScratchDir()));
    // A refused file says why; an accepted one leaves no complaint behind.
    Check(loaded == KxHost::LastTemplateError().empty());

    std::vector<SCompGroupInfo*> groups;
    parser->GetCompGroups(groups, true);
    for (const SCompGroupInfo* group : groups) {
        Check(kx::xml::IsValidName(group->strName));
        Check(parser->GetCompGroup(group->nGroupId) == group);
        std::vector<SCompTemplate*> templates;
        parser->GetGroupCompTemplates(group->nGroupId, templates);
        for (const SCompTemplate* comp : templates) {
            Check(kx::xml::IsValidName(comp->strName));
            Check(parser->GetCompTemplate({comp->nTypeId, -1}) == comp);
            parser->GetCompTemplateByName(comp->strName);
            CheckItems(parser, *comp, {comp->nTypeId, -1});
            for (const SCompTemplate* sub : comp->vecSubTemplates) {
                const NS_KXComponentType::SCompGroupType key{comp->nTypeId, sub->nTypeId};
                Check(parser->GetCompTemplate(key) == sub && sub->pParent == comp);
                CheckItems(parser, *sub, key);
            }
        }
    }
    std::vector<SRuleItem> rules;
    parser->GetSysRules(rules);
    for (const SRuleItem& rule : rules)
        Check(kx::xml::IsValidName(rule.strRuleName));
    return 0;
}
