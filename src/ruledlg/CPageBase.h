// A page (tab) of the rule-setting sheet: it edits the value of one rule and writes it back into
// the caller's name/value list under its rule name.
#pragma once

#include <QWidget>

#include <kxsysrule/Types.h>

#include "ruledlg/DialogTemplates.h"

class QPushButton;
class CUserSetRuleSheet;

class CPageBase : public QWidget {
    Q_OBJECT
public:
    // Builds the controls of template `nTemplateId` (3009 or 3010) in the dialog font.
    explicit CPageBase(int nTemplateId, QWidget* pParent = nullptr);
    ~CPageBase() override;

    void SetTitle(const CString& strTitle);
    const CString& GetTitle() const { return m_strTitle; }
    void SetRuleName(const CString& strRuleName) { m_strRuleName = strRuleName; }
    const CString& GetRuleName() const { return m_strRuleName; }

    // Enables the page's buttons from its state; the sheet calls it on every idle pass.
    virtual void UpdateCtrlState(QWidget* pTarget, bool bDisableIfNoHndler);
    // Writes the page's value after its rule name in `arrRules`; false when the name is absent.
    virtual bool WriteResult(CStringArray& arrRules);

    // Initialises the page once, as its window is created; later calls do nothing.
    void CreatePage();
    bool HasWindow() const { return m_bHasWindow; }
    // The sheet ended with OK: take over the controls' state.
    virtual void OnOK() {}
    // The sheet's client area changed by (dx, dy): move and grow the controls to match.
    virtual void OnPageResize(int dx, int dy);
    // Button "恢复默认": asks the sheet to put back the project's value of this rule.
    long OnRestoreDefault();

    int GetTemplateId() const { return m_nTemplateId; }
    QSize sizeHint() const override { return m_sizeTemplate; }

protected:
    virtual void OnInitDialog() {}
    CUserSetRuleSheet* GetSheet() const;
    // The part of the sheet's caption before its first "\"; `bHasBackslash` tells whether there
    // is one at all.
    CString CaptionPrefix(bool& bHasBackslash) const;
    // Hides the restore button unless the sheet edits the bill-of-quantities or quota library.
    void ApplyRestoreButtonTest();
    static bool IsLibraryPrefix(const CString& strPrefix);
    // Sets the position of the value after the rule name, or returns false.
    bool FindValueSlot(const CStringArray& arrRules, std::size_t& nPos) const;

    QWidget* Control(int nId) const;
    QPushButton* RestoreButton() const;
    const kx::ruledlg::CDialogUnits& Units() const { return m_units; }
    const kx::ruledlg::SDlgTemplate& Template() const { return m_template; }
    // Moves or grows one control without repainting it; the page repaints once afterwards.
    void AdjustControl(int nId, int dLeft, int dTop, int dWidth, int dHeight);

    CString m_strTitle;
    CString m_strRuleName;

private:
    int m_nTemplateId;
    const kx::ruledlg::SDlgTemplate& m_template;
    kx::ruledlg::CDialogUnits m_units;
    QSize m_sizeTemplate;
    bool m_bHasWindow = false;
};
