// The typical road of a host through the library: load the project's rules, read and show
// them, change one, save, ask for units, and keep the quota-classification settings.
//
// Usage: example_host SYSDIR PROJDIR
//   SYSDIR  the installation's system folder (Rule/ and Template/ below it)
//   PROJDIR a project folder holding QDRule.xml and DERule.xml; the files are rewritten.
#include <cstdio>
#include <iostream>
#include <string>

#include <kxhost/KxHost.h>
#include <kxsysrule/KxSysRuleData.h>

namespace {

std::string Narrow(const CString& s)
{
    // The host's own conversion; the library leaves text encoding at its edges to the host.
    std::string out;
    for (wchar_t c : s) {
        const auto u = static_cast<char32_t>(c);
        if (u < 0x80) {
            out += static_cast<char>(u);
        } else if (u < 0x800) {
            out += static_cast<char>(0xC0 | (u >> 6));
            out += static_cast<char>(0x80 | (u & 0x3F));
        } else if (u < 0x10000) {
            out += static_cast<char>(0xE0 | (u >> 12));
            out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (u & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (u >> 18));
            out += static_cast<char>(0x80 | ((u >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (u & 0x3F));
        }
    }
    return out;
}

CString Wide(const std::string& s) { return CString(s.begin(), s.end()); } // ASCII paths only here

int Fail(const char* what)
{
    std::cerr << "example_host: " << what << " failed\n";
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: example_host SYSDIR PROJDIR\n";
        return 2;
    }
    const CString sysDir = Wide(argv[1]);
    const CString projDir = Wide(argv[2]);
    KxHost::SetKXSysDir(sysDir);
    KxHost::SetCurProjDir(projDir);

    // 1. Load the bill-of-quantities and the quota rules; each load upgrades and rewrites the file.
    if (!CFaceCurRule::InitXMLData(projDir + L"/QDRule.xml", KxSysRule::Rule_QingDan))
        return Fail("InitXMLData(0)");
    if (!CFaceCurRule::InitXMLData(projDir + L"/DERule.xml", KxSysRule::Rule_DingE))
        return Fail("InitXMLData(1)");
    if (CFaceCurRule::GetCurFileName(KxSysRule::Rule_DingE).empty())
        return Fail("reading DERule.xml");

    // 2. The rules of the first calculation item of component type 12, with their display text.
    const NS_KXComponentType::SCompGroupType beam{12, -1};
    CString item;
    if (!CFaceCurRule::GetDefItem(beam, item, KxSysRule::Rule_QingDan))
        return Fail("GetDefItem");
    CStringArray rules;
    if (!CFaceCurRule::GetCurItemRules(beam, rules, item, KxSysRule::Rule_QingDan))
        return Fail("GetCurItemRules");
    std::cout << "item " << Narrow(item) << ":\n";
    for (std::size_t i = 0; i + 1 < rules.size(); i += 2) {
        sCalItemDir dir;
        dir.compType = beam;
        dir.strCalItem = item;
        dir.strRuleName = rules[i];
        dir.eRuleType = KxSysRule::Rule_QingDan;
        CString text;
        CFaceCurRule::GetShowRuleText(dir, rules[i + 1], text);
        std::cout << "  " << Narrow(rules[i]) << " = " << Narrow(rules[i + 1]) << "  (" << Narrow(text) << ")\n";
    }

    // 3. The whole document as a table.
    CStringArray cells, titles;
    int keyCols = 0, valueCols = 0;
    if (!CFaceCurRule::GetTableGridData(cells, titles, keyCols, valueCols, KxSysRule::Rule_QingDan, L"", 0))
        return Fail("GetTableGridData");
    std::cout << "grid: " << titles.size() << " titles, " << cells.size() / 2 << " cells\n";

    // 4. Change the first rule's value to itself (a host would take it from the dialog), then save.
    if (rules.size() >= 2) {
        if (!CFaceCurRule::SetCurItemRules(beam, rules, item, KxSysRule::Rule_QingDan))
            return Fail("SetCurItemRules");
        if (!CFaceCurRule::IsModified(KxSysRule::Rule_QingDan))
            return Fail("IsModified after SetCurItemRules");
    }
    if (!CFaceCurRule::SaveXMLData(projDir + L"/QDRule.xml", KxSysRule::Rule_QingDan))
        return Fail("SaveXMLData");

    // 5. Units of the item.
    CString unit;
    const int code = CFaceSysRule::GetCalItemCode(item);
    if (CFaceSysRule::GetDefaultUnit(beam, code, unit))
        std::cout << "default unit: " << Narrow(unit) << '\n';
    CString typed = L"10" + unit;
    std::cout << "unit " << Narrow(typed) << " valid: " << (CFaceSysRule::IsDWVailid(beam, item, typed) ? "yes" : "no")
              << '\n';

    // 6. Quota-classification settings: write, then read back through a cold cache.
    CKXCurDeFenLeiSet::FenLeiMap settings;
    settings[beam].push_back({item, {L"K1", L"K2"}});
    if (!CKXCurDeFenLeiSet::WriteDeFenLeiSetInfo(settings))
        return Fail("WriteDeFenLeiSetInfo");
    CKXCurDeFenLeiSet::ClearCacheData();
    std::vector<CString> keys;
    if (!CKXCurDeFenLeiSet::ReadDeCalcItemFenLeiVarInfo(beam, item, keys) || keys.size() != 2)
        return Fail("ReadDeCalcItemFenLeiVarInfo");
    std::cout << "quota classification keys: " << Narrow(keys[0]) << "," << Narrow(keys[1]) << '\n';
    std::cout << "done\n";
    return 0;
}
