// The rule-file road: load (upgrade, sync, rewrite), query, tabulate, edit and save any bytes. A
// file that loaded once must load again after the rewrite that every load makes, and so must
// every save that reports success.
#include <algorithm>
#include <cstdlib>

#include <kxsysrule/KxSysRuleData.h>

#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    kxfuzz::UseSampleInstallation();
    // A document refuses to reload the file it holds, so alternate between two names.
    static int turn = 0;
    const std::string name = (turn++ % 2) ? "rule_a.xml" : "rule_b.xml";
    const std::string path = kxfuzz::WriteScratch(name, std::string_view(reinterpret_cast<const char*>(data), size));
    const CString wpath = kxfuzz::Wide(path);
    const auto type = KxSysRule::Rule_QingDan;
    CFaceCurRule::InitXMLData(wpath, type);
    if (CFaceCurRule::GetCurFileName(type) == wpath) {
        // The second document is emptied by a load that fails, then loads the rewritten file.
        const auto other = KxSysRule::Rule_DingE;
        CFaceCurRule::InitXMLData(L"", other);
        CFaceCurRule::InitXMLData(wpath, other);
        if (CFaceCurRule::GetCurFileName(other) != wpath)
            std::abort();
    }

    CStringArray cells, titles;
    int keys = 0, values = 0;
    CFaceCurRule::GetTableGridData(cells, titles, keys, values, type, L"", 0);
    CFaceCurRule::GetTableGridData(cells, titles, keys, values, type, L"", 1);

    NS_KXComponentType::SCompGroupType comp{12, -1};
    CString item;
    CFaceCurRule::GetDefItem(comp, item, type);
    CStringArray rules;
    if (CFaceCurRule::GetCurItemRules(comp, rules, item, type)) {
        // A value of the input's first bytes, control characters and all, as a host may pass.
        if (rules.size() >= 2)
            rules[1].assign(data, data + std::min<std::size_t>(size, 8));
        CFaceCurRule::SetCurItemRules(comp, rules, item, type);
    }
    // A save that reports success loads again.
    const CString saved = kxfuzz::Wide(kxfuzz::ScratchDir() + "/saved.xml");
    if (CFaceCurRule::SaveXMLData(saved, type)) {
        const auto other = KxSysRule::Rule_DingE;
        CFaceCurRule::InitXMLData(L"", other);
        CFaceCurRule::InitXMLData(saved, other);
        if (CFaceCurRule::GetCurFileName(other) != saved)
            std::abort();
    }
    return 0;
}
