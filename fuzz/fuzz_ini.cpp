// The INI reader on any bytes: parsed on its own, then as the rule library's RuleCode.ini and
// RuleDesc.ini, read through the system rules the way a host reaches them.
#include <chrono>
#include <cstdlib>
#include <filesystem>

#include <kxhost/KxHost.h>
#include <kxsysrule/KxSysRuleData.h>

#include "FuzzSupport.h"
#include "platform/IniFile.h"
#include "platform/Platform.h"
#include "sysrule/CSysDefRule.h"

namespace {

// The INI cache knows a file by size and modification time; every input gets a time of its own
// so that the next input is always read again.
void WriteIni(const std::string& name, std::string_view bytes)
{
    static long long tick = 0;
    const std::string path = kxfuzz::WriteScratch(name, bytes);
    std::error_code ec;
    std::filesystem::last_write_time(path, std::filesystem::file_time_type(std::chrono::seconds(++tick)), ec);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    namespace pf = kx::platform;
    const pf::IniFile ini = pf::IniFile::Parse(pf::DecodeText(bytes));
    for (const CString& section : ini.SectionNames()) {
        if (!ini.HasSection(section))
            std::abort();
        if (pf::ReadProfileString(ini, section, L"Name", L"").size() >= pf::kProfileBufferChars)
            std::abort();
        pf::ReadProfileInt(ini, section, L"CODE", -1);
    }

    static const std::string dir = [] {
        const std::string sys = kxfuzz::ScratchDir();
        std::filesystem::create_directories(sys + "/Rule");
        std::filesystem::create_directories(sys + "/Template");
        kxfuzz::WriteScratch("Template/Templates.xml",
                             "<Templates><Group id=\"1\" name=\"G\"><Comp name=\"梁\" type=\"12\">"
                             "<Item name=\"体积\"/></Comp></Group><Rules>"
                             "<Rule type=\"12\" item=\"体积\" name=\"扣减项目\" select=\"M\" ini=\"KouJ\"/>"
                             "</Rules></Templates>");
        KxSysRule::SetMessageBoxHandler([](const CString&) {});
        return sys;
    }();
    WriteIni("Rule/RuleCode.ini", bytes);
    WriteIni("Rule/RuleDesc.ini", bytes);
    KxHost::SetKXSysDir(kxfuzz::Wide(dir));
    CSysDefRule::ReleaseInstance();

    CStringArray names;
    CFaceSysRule::GetAllCalItemNames(names);
    for (const CString& name : names) {
        // The code of a listed name always leads back to that name.
        if (CFaceSysRule::GetCalItemName(CFaceSysRule::GetCalItemCode(name)) != name)
            std::abort();
    }
    sCalItemDir key;
    key.compType = {12, -1};
    key.strCalItem = L"体积";
    key.strRuleName = L"扣减项目";
    CString text;
    CFaceCurRule::GetShowRuleText(key, L"1,2,3,44,-1,2147483648", text);
    return 0;
}
