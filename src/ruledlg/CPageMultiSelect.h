// The page of a rule that holds an ordered selection of item codes ("M"): the offered items on
// the left, the chosen ones in the user's order on the right. Items show their descriptions and
// are written back as codes.
#pragma once

#include "ruledlg/CPageBase.h"

namespace kx::ruledlg {
class CDJListBox;
}

class CPageMultiSelect : public CPageBase {
    Q_OBJECT
public:
    explicit CPageMultiSelect(QWidget* pParent = nullptr);

    // Codes with their texts, one text per code (no texts when the rule has no description
    // section). False, changing nothing, while the current two lists differ in length.
    bool SetAllItems(const CStringArray& arrCodes, const CStringArray& arrTexts);
    bool SetChosenItems(const CStringArray& arrCodes, const CStringArray& arrTexts);
    // Refills both lists from the arrays.
    void FillLists();

    void OnAdd();
    void OnInsert();
    void OnRemove();
    void OnMoveUp();
    void OnMoveDown();
    void OnAddAll();
    void OnRemoveAll();
    void OnDblClkAll();

    void UpdateCtrlState(QWidget* pTarget, bool bDisableIfNoHndler) override;
    void OnOK() override;
    bool WriteResult(CStringArray& arrRules) override;
    void OnPageResize(int dx, int dy) override;

    kx::ruledlg::CDJListBox* ChosenList() const { return m_lstChosen; }
    kx::ruledlg::CDJListBox* AllList() const { return m_lstAll; }
    const CStringArray& GetAvailNames() const { return m_arrAvailNames; }
    const CStringArray& GetChosenNames() const { return m_arrChosenNames; }
    const CStringArray& GetChosenCodes() const { return m_arrChosenCodes; }

protected:
    void OnInitDialog() override;

private:
    // Takes the selected offered entry out of the available list; false without a selection.
    bool TakeAvailable(int& nSel, CString& strText);
    void SelectAfterTake(int nSel);

    kx::ruledlg::CDJListBox* m_lstChosen = nullptr;
    kx::ruledlg::CDJListBox* m_lstAll = nullptr;
    CStringArray m_arrAllNames;
    CStringArray m_arrAllCodes;
    CStringArray m_arrAvailNames;
    CStringArray m_arrChosenNames;
    CStringArray m_arrChosenCodes;
};
