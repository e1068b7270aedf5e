// The template file of the bundled host services on any bytes, then every lookup on the result.
#include <filesystem>

#include <kxhost/KxHost.h>

#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::filesystem::create_directories(kxfuzz::ScratchDir() + "/Template");
    kxfuzz::WriteScratch("Template/Templates.xml", std::string_view(reinterpret_cast<const char*>(data), size));
    ITemplateParser* parser = GetTemplateParser();
    parser->Init(kxfuzz::Wide(kxfuzz::ScratchDir()));

    std::vector<SCompGroupInfo*> groups;
    parser->GetCompGroups(groups, true);
    for (const SCompGroupInfo* group : groups) {
        parser->GetCompGroup(group->nGroupId);
        std::vector<SCompTemplate*> templates;
        parser->GetGroupCompTemplates(group->nGroupId, templates);
        for (const SCompTemplate* comp : templates) {
            parser->GetCompTemplateByName(comp->strName);
            for (const SCompTemplate* sub : comp->vecSubTemplates) {
                const NS_KXComponentType::SCompGroupType key{comp->nTypeId, sub->nTypeId};
                parser->GetCompTemplate(key);
                for (const SCalItemTemplate& item : sub->vecCalItems)
                    parser->GetCalItemUnits(key, item.strName);
            }
        }
    }
    std::vector<SRuleItem> rules;
    parser->GetSysRules(rules);
    KxHost::LastTemplateError();
    return 0;
}
