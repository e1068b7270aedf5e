// The three facade classes in a few lines: the example of the README, compiled with the project.
#include <kxhost/KxHost.h>
#include <kxsysrule/KxSysRuleData.h>

int main()
{
    KxHost::SetKXSysDir(L"/opt/takeoff/sys");         // where Rule/ and Template/ live
    KxHost::SetCurProjDir(L"/home/me/projects/tower");

    // Current rules: load (and upgrade) the quota rules, change one item's rules, save.
    const auto type = KxSysRule::Rule_DingE;
    CFaceCurRule::InitXMLData(L"/home/me/projects/tower/DERule.xml", type);
    const NS_KXComponentType::SCompGroupType beam{12, -1};   // component type 12, no sub-type
    CStringArray rules;                                      // name, value, name, value, ...
    if (CFaceCurRule::GetCurItemRules(beam, rules, L"实体模板", type)) {
        CFaceSysRule::UserSetRules(beam, L"实体模板", rules, type);  // the dialog; OK rewrites values
        CFaceCurRule::SetCurItemRules(beam, rules, L"实体模板", type);
        CFaceCurRule::SaveXMLData(CFaceCurRule::GetCurFileName(type), type);
    }

    // System rules: units of a calculation item.
    CString unit;
    CFaceSysRule::GetDefaultUnit(beam, CFaceSysRule::GetCalItemCode(L"体积"), unit);

    // Quota-classification settings: variable keys of one item.
    std::vector<CString> keys;
    CKXCurDeFenLeiSet::ReadDeCalcItemFenLeiVarInfo(beam, L"体积", keys);
    return 0;
}
