// Display text of a stored rule value: the chosen option of a single-choice rule, or the
// numbered descriptions of the codes of a list rule.
#include "common/StringUtil.h"
#include "sysrule/CSysDefRule.h"

bool CSysDefRule::GetShowRuleText(NS_KXComponentType::SCompGroupType compType, const CString& strCalItem,
                                  const CString& strRuleName, const CString& strValue, CString& strText)
{
    // The first default record of the item with that name decides; the grid calls this once per
    // rule, so the records are not copied out.
    const SRuleItem* def = FirstSysRule(compType, strCalItem, strRuleName);
    if (!def)
        return false;

    if (def->strSelectType == L"S") {
        CStringArray arrOptions;
        SplitList(def->strOptions, arrOptions, L',');
        if (arrOptions.empty())
            return false;
        const long nIndex = kx::WToL(strValue);
        if (nIndex < 0 || static_cast<std::size_t>(nIndex) >= arrOptions.size())
            return false;
        const CString& strOption = arrOptions[static_cast<std::size_t>(nIndex)];
        // An option written as code-label shows its label; one that starts with '-' shows whole.
        const std::size_t p = strOption.find(L'-');
        strText = (p != CString::npos && p > 0) ? strOption.substr(p + 1) : strOption;
        return true;
    }
    if (def->strSelectType == L"M") {
        CStringArray arrCodes;
        SplitList(strValue, arrCodes, L',');
        CStringArray arrDescs;
        GetRuleDescs(def->strIniType, arrCodes, arrDescs);
        // Appended to the caller's text: the grid builds one text from several calls.
        for (std::size_t i = 0; i < arrDescs.size(); ++i)
            strText += kx::IntToStr(static_cast<long>(i + 1)) + L"、" + arrDescs[i] + L" ";
        return true;
    }
    return true;
}
