// Display text of rule values: any option list and any value, for single-choice and list rules.
// Input: the option list, a NUL byte, then the value.
#include <filesystem>
#include <string>

#include <kxhost/KxHost.h>
#include <kxsysrule/KxSysRuleData.h>

#include "FuzzSupport.h"
#include "sysrule/CSysDefRule.h"

namespace {
std::string EscapeAttr(std::string_view s)
{
    std::string out;
    for (char c : s) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '"': out += "&quot;"; break;
        case '\0': break;
        default: out += c;
        }
    }
    return out;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t nul = input.find('\0');
    const std::string_view options = input.substr(0, nul);
    const std::string_view value = nul == std::string_view::npos ? std::string_view() : input.substr(nul + 1);

    const std::string& dir = kxfuzz::ScratchDir();
    std::filesystem::create_directories(dir + "/Template");
    std::filesystem::create_directories(dir + "/Rule");
    kxfuzz::WriteScratch("Rule/RuleDesc.ini", "[KouJ]\nTYPE1=梁\nTYPE2=板\nTYPE3=柱\n");
    kxfuzz::WriteScratch("Template/Templates.xml",
                         "<Templates><Group id=\"1\" name=\"G\" display=\"组\"><Comp name=\"梁\" type=\"12\">"
                         "<Item name=\"体积\" units=\"m3\"/></Comp></Group><Rules>"
                         "<Rule type=\"12\" item=\"体积\" name=\"S\" select=\"S\" options=\"" + EscapeAttr(options) +
                         "\"/><Rule type=\"12\" item=\"体积\" name=\"M\" select=\"M\" ini=\"KouJ\" options=\"" +
                         EscapeAttr(options) + "\"/></Rules></Templates>");
    KxHost::SetKXSysDir(kxfuzz::Wide(dir));
    CSysDefRule::ReleaseInstance();
    GetTemplateParser()->Init(kxfuzz::Wide(dir));

    const CString wvalue = kxfuzz::Wide(value);
    for (const wchar_t* rule : {L"S", L"M"}) {
        sCalItemDir key;
        key.compType = {12, -1};
        key.strCalItem = L"体积";
        key.strRuleName = rule;
        CString text;
        CFaceCurRule::GetShowRuleText(key, wvalue, text);
    }
    return 0;
}
