// The page of a rule with one choice among options ("S"): up to eight radio buttons, one per
// option, and the rule's description.
#pragma once

#include <array>

#include "ruledlg/CPageBase.h"

namespace kx::ruledlg {
class CMultiLineRadio;
}

class CPageSingleSelect : public CPageBase {
    Q_OBJECT
public:
    explicit CPageSingleSelect(QWidget* pParent = nullptr);

    // Options "key-label" (see SplitOption); call before SetRuleValue.
    void SetOptions(const CStringArray& arrOptions);
    // The 0-based index of the chosen option as text; out of range chooses none.
    void SetRuleValue(const CString& strValue);
    // The description; the two characters "\n" start a new line.
    void SetDesc(const CString& strDesc);
    // "1-按体积" gives key "1" and label "按体积"; "-扣" gives an empty key and label "扣".
    static void SplitOption(CString strOption, CString& strKey, CString& strLabel);

    // Moves the page's data into its controls, or (bSaveAndValidate) reads the choice back.
    void UpdateData(bool bSaveAndValidate);
    void OnOK() override;
    bool WriteResult(CStringArray& arrRules) override;
    void OnPageResize(int dx, int dy) override;

protected:
    void OnInitDialog() override;

private:
    void LayoutRadios();
    int CheckedRadio() const;
    void CheckRadio(int nSel);

    int m_nSel = -1;
    CString m_strDesc;
    CStringArray m_arrTexts;
    CStringArray m_arrKeys;
    CString m_strValue;

    std::array<kx::ruledlg::CMultiLineRadio*, 8> m_radios{};
};
