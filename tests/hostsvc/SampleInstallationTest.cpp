// The bundled sample installation is consistent: every default rule belongs to a template item,
// and every code an "M" rule offers has a description and a code-table entry.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include <kxhost/KxHost.h>

#include "common/StringUtil.h"
#include "platform/IniFile.h"
#include "platform/Platform.h"
#include "platform/Xml.h"
#include "support/TestSupport.h"

using namespace kxtest;

namespace {

class SampleInstallation : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(GetTemplateParser()->Init(W(SampleDir() / "sys"))) << U8(KxHost::LastTemplateError());
        ASSERT_TRUE(GetTemplateParser()->GetSysRules(m_rules));
    }
    std::vector<SRuleItem> m_rules;
};

bool HasItem(const SCompTemplate& tmpl, const CString& name)
{
    return std::any_of(tmpl.vecCalItems.begin(), tmpl.vecCalItems.end(),
                       [&](const SCalItemTemplate& item) { return item.strName == name; });
}

} // namespace

TEST_F(SampleInstallation, EveryRuleBelongsToATemplateItemAndEveryItemHasRules)
{
    ITemplateParser& parser = *GetTemplateParser();
    std::set<std::pair<NS_KXComponentType::SCompGroupType, CString>> covered;
    for (const SRuleItem& rule : m_rules) {
        SCOPED_TRACE(U8(rule.strCalItem + L" " + rule.strRuleName) + " type " + std::to_string(rule.compType.nTypeId));
        const SCompTemplate* tmpl = parser.GetCompTemplate(rule.compType);
        ASSERT_NE(tmpl, nullptr);
        EXPECT_TRUE(HasItem(*tmpl, rule.strCalItem));
        EXPECT_TRUE(rule.strSelectType == L"S" || rule.strSelectType == L"M");
        EXPECT_FALSE(parser.GetCalItemUnits(rule.compType, rule.strCalItem).empty());
        covered.insert({rule.compType, rule.strCalItem});
    }
    std::vector<SCompGroupInfo*> groups;
    parser.GetCompGroups(groups, true);
    for (const SCompGroupInfo* group : groups) {
        std::vector<SCompTemplate*> comps;
        parser.GetGroupCompTemplates(group->nGroupId, comps);
        EXPECT_FALSE(comps.empty()) << U8(group->strName);
        for (const SCompTemplate* comp : comps) {
            std::vector<const SCompTemplate*> all{comp};
            all.insert(all.end(), comp->vecSubTemplates.begin(), comp->vecSubTemplates.end());
            for (const SCompTemplate* t : all) {
                const NS_KXComponentType::SCompGroupType key{comp->nTypeId, t == comp ? -1 : t->nTypeId};
                for (const SCalItemTemplate& item : t->vecCalItems)
                    EXPECT_TRUE(covered.count({key, item.strName})) << U8(comp->strName + L" " + item.strName);
            }
        }
    }
}

TEST_F(SampleInstallation, OfferedCodesHaveDescriptionsAndCodeEntries)
{
    const fs::path ruleDir = SampleDir() / "sys" / "Rule";
    // Written on a Chinese system: the descriptions are GB18030, not UTF-8. Both files are read
    // as the library reads them.
    EXPECT_FALSE(kx::platform::IsValidUtf8(ReadBytes(ruleDir / "RuleDesc.ini")));
    const auto desc = kx::platform::LoadIniFile((ruleDir / "RuleDesc.ini").string());
    const auto code = kx::platform::LoadIniFile((ruleDir / "RuleCode.ini").string());

    const int count = kx::platform::ReadProfileInt(*code, L"main", L"RuleItemNum", 0);
    ASSERT_GT(count, 0);
    std::set<CString> codes;
    for (int i = 1; i <= count; ++i) {
        const CString section = L"ITEM" + std::to_wstring(i);
        const CString* name = code->Find(section, L"Name");
        const CString* value = code->Find(section, L"CODE");
        ASSERT_TRUE(name && value) << U8(section);
        EXPECT_FALSE(name->empty()) << U8(section);
        EXPECT_TRUE(codes.insert(*value).second) << "duplicate code " << U8(*value);
    }
    EXPECT_EQ(code->SectionNames().size(), static_cast<std::size_t>(count) + 1);

    int offered = 0;
    for (const SRuleItem& rule : m_rules) {
        CStringArray options;
        SplitList(rule.strOptions, options);
        ASSERT_FALSE(options.empty());
        SCOPED_TRACE(U8(rule.strCalItem + L" " + rule.strRuleName) + " type " + std::to_string(rule.compType.nTypeId));
        CStringArray values;
        SplitList(rule.strValue, values);
        if (rule.strSelectType == L"S") {
            EXPECT_TRUE(rule.strIniType.empty());
            EXPECT_LE(options.size(), 8u);  // the page has eight radio buttons
            EXPECT_LT(kx::WToL(rule.strValue), static_cast<long>(options.size()));
            continue;
        }
        ASSERT_TRUE(desc->HasSection(rule.strIniType)) << U8(rule.strIniType);
        for (const CString& c : options) {
            ++offered;
            EXPECT_TRUE(codes.count(c)) << "no RuleCode.ini item for " << U8(c);
            const CString* text = desc->Find(rule.strIniType, L"TYPE" + c);
            EXPECT_TRUE(text && !text->empty()) << "no RuleDesc.ini entry for " << U8(c);
        }
        for (const CString& v : values)
            EXPECT_NE(CStringDisposeTool::IsInAry(v, options), -1) << "default " << U8(v) << " not offered";
    }
    EXPECT_GT(offered, 0);
    // The codes that replaced the old brick-mould codes are offered and described.
    EXPECT_EQ(kx::platform::ReadProfileString(*desc, L"KouJ", L"TYPE113", L""), L"扣砼垫层所占面积");
}

TEST_F(SampleInstallation, CurrentRuleFileUsesTemplateNames)
{
    ITemplateParser& parser = *GetTemplateParser();
    kx::xml::DocPtr doc = kx::xml::ParseFile((SampleDir() / "proj" / "QDRule.xml").string());
    ASSERT_TRUE(doc);
    const xmlNode* root = xmlDocGetRootElement(doc.get());
    int items = 0;
    for (const xmlNode* group = root->children; group; group = group->next) {
        for (const xmlNode* comp = group->children; comp; comp = comp->next) {
            const CString name = kx::xml::ToWide(comp->name);
            const SCompTemplate* tmpl = parser.GetCompTemplateByName(name);
            ASSERT_NE(tmpl, nullptr) << U8(name);
            for (const xmlNode* item = comp->children; item; item = item->next) {
                const CString itemName = kx::xml::ToWide(item->name);
                bool found = HasItem(*tmpl, itemName);
                for (const SCompTemplate* sub : tmpl->vecSubTemplates)
                    found = found || HasItem(*sub, itemName);
                EXPECT_TRUE(found) << U8(name + L" " + itemName);
                ++items;
            }
        }
    }
    EXPECT_GT(items, 30);
}
