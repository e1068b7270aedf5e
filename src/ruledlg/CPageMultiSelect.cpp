// The two lists and their buttons. Between OK presses the lists are the live state; the arrays
// are brought up to date from the chosen list only when the sheet ends with OK.
#include "ruledlg/CPageMultiSelect.h"

#include <QPushButton>

#include <kxhost/HostServices.h>

#include "common/StringUtil.h"
#include "ruledlg/CDJListBox.h"

using namespace kx::ruledlg;

CPageMultiSelect::CPageMultiSelect(QWidget* pParent)
    : CPageBase(IDD_MULTISELECT, pParent)
{
    m_lstAll = findChild<CDJListBox*>(QString::number(IDC_LIST_ALL), Qt::FindDirectChildrenOnly);
    m_lstChosen = findChild<CDJListBox*>(QString::number(IDC_LIST_CHOSEN), Qt::FindDirectChildrenOnly);

    auto onClick = [this](int nId, void (CPageMultiSelect::*handler)()) {
        connect(static_cast<QPushButton*>(Control(nId)), &QPushButton::clicked, this, [this, handler] { (this->*handler)(); });
    };
    onClick(IDC_ADD, &CPageMultiSelect::OnAdd);
    onClick(IDC_REMOVE, &CPageMultiSelect::OnRemove);
    onClick(IDC_INSERT, &CPageMultiSelect::OnInsert);
    onClick(IDC_ADDALL, &CPageMultiSelect::OnAddAll);
    onClick(IDC_REMOVEALL, &CPageMultiSelect::OnRemoveAll);
    onClick(IDC_MOVEUP, &CPageMultiSelect::OnMoveUp);
    onClick(IDC_MOVEDOWN, &CPageMultiSelect::OnMoveDown);
    connect(m_lstAll, &QListWidget::itemDoubleClicked, this, [this] { OnDblClkAll(); });
    connect(m_lstChosen, &QListWidget::itemDoubleClicked, this, [this] { OnRemove(); });
}

bool CPageMultiSelect::SetAllItems(const CStringArray& arrCodes, const CStringArray& arrTexts)
{
    if (m_arrAllCodes.size() != m_arrAllNames.size())
        return false;
    m_arrAllCodes = arrCodes;
    m_arrAllNames = arrTexts;
    return true;
}

bool CPageMultiSelect::SetChosenItems(const CStringArray& arrCodes, const CStringArray& arrTexts)
{
    if (m_arrChosenCodes.size() != m_arrChosenNames.size())
        return false;
    m_arrChosenCodes = arrCodes;
    m_arrChosenNames = arrTexts;
    return true;
}

void CPageMultiSelect::FillLists()
{
    m_arrAvailNames.clear();
    for (const CString& strName : m_arrAllNames) {
        if (CStringDisposeTool::IsInAry(strName, m_arrChosenNames) < 0)
            m_arrAvailNames.push_back(strName);
    }
    m_lstAll->ResetItems();
    m_lstChosen->ResetItems();
    for (const CString& strName : m_arrAvailNames)
        m_lstAll->AddItem(strName);
    // A chosen code without a description has nothing to show.
    for (const CString& strName : m_arrChosenNames) {
        if (!strName.empty())
            m_lstChosen->AddItem(strName);
    }
}

void CPageMultiSelect::OnInitDialog()
{
    ApplyRestoreButtonTest();
    FillLists();
}

bool CPageMultiSelect::TakeAvailable(int& nSel, CString& strText)
{
    nSel = m_lstAll->GetCurSel();
    if (nSel < 0)
        return false;
    strText = m_lstAll->GetText(nSel);
    m_lstAll->DeleteItem(nSel);
    kx::RemoveFromArray(m_arrAvailNames, strText);
    return true;
}

void CPageMultiSelect::SelectAfterTake(int nSel)
{
    m_lstAll->SetCurSel(nSel < m_lstAll->GetCount() ? nSel : 0);
}

void CPageMultiSelect::OnAdd()
{
    int nSel = -1;
    CString strText;
    if (!TakeAvailable(nSel, strText))
        return;
    if (m_lstChosen->FindStringExact(strText) < 0)
        m_lstChosen->AddItem(strText);
    SelectAfterTake(nSel);
}

void CPageMultiSelect::OnDblClkAll()
{
    int nSel = -1;
    CString strText;
    if (!TakeAvailable(nSel, strText))
        return;
    if (m_lstChosen->FindStringExact(strText) < 0)
        m_lstChosen->AddItem(strText);
}

void CPageMultiSelect::OnInsert()
{
    int nSel = -1;
    CString strText;
    if (!TakeAvailable(nSel, strText))
        return;
    if (m_lstChosen->FindStringExact(strText) < 0) {
        const int nChosen = m_lstChosen->GetCurSel();
        if (nChosen >= 0) {
            m_lstChosen->InsertItem(nChosen, strText);
            m_lstChosen->SetCurSel(nChosen + 1);
        }
    }
    SelectAfterTake(nSel);
}

void CPageMultiSelect::OnRemove()
{
    const int nSel = m_lstChosen->GetCurSel();
    if (nSel < 0)
        return;
    const CString strText = m_lstChosen->GetText(nSel);
    m_lstChosen->DeleteItem(nSel);
    m_lstChosen->SetCurSel(nSel < m_lstChosen->GetCount() ? nSel : nSel - 1);
    // Back at the end of the offered list; a restore brings back the offer order.
    if (m_lstAll->FindStringExact(strText) < 0) {
        m_lstAll->AddItem(strText);
        kx::AddToArrayOnce(m_arrAvailNames, strText);
    }
}

void CPageMultiSelect::OnMoveUp()
{
    const int nSel = m_lstChosen->GetCurSel();
    if (nSel < 0)
        return;
    const CString strText = m_lstChosen->GetText(nSel);
    m_lstChosen->DeleteItem(nSel);
    m_lstChosen->InsertItem(nSel - 1, strText);
    m_lstChosen->SetCurSel(nSel - 1);
}

void CPageMultiSelect::OnMoveDown()
{
    const int nSel = m_lstChosen->GetCurSel();
    if (nSel < 0)
        return;
    const CString strText = m_lstChosen->GetText(nSel);
    m_lstChosen->DeleteItem(nSel);
    m_lstChosen->InsertItem(nSel + 1, strText);
    m_lstChosen->SetCurSel(nSel + 1);
}

void CPageMultiSelect::OnAddAll()
{
    for (const CString& strName : m_arrAvailNames) {
        if (m_lstChosen->FindStringExact(strName) < 0)
            m_lstChosen->AddItem(strName);
    }
    m_arrAvailNames.clear();
    m_lstAll->ResetItems();
}

void CPageMultiSelect::OnRemoveAll()
{
    for (int i = m_lstChosen->GetCount() - 1; i >= 0; --i)
        m_lstChosen->DeleteItem(i);
    m_arrAvailNames = m_arrAllNames;
    m_lstAll->ResetItems();
    for (const CString& strName : m_arrAvailNames)
        m_lstAll->AddItem(strName);
}

void CPageMultiSelect::UpdateCtrlState(QWidget*, bool)
{
    if (!HasWindow() || !isVisible())
        return;
    const int nAll = m_lstAll->GetCurSel();
    const int nChosen = m_lstChosen->GetCurSel();
    const int nCount = m_lstChosen->GetCount();
    auto enable = [this](int nId, bool bEnable) {
        QWidget* pButton = Control(nId);
        // Only real changes, so that the idle pass settles instead of feeding itself events.
        if (pButton != nullptr && pButton->isEnabledTo(this) != bEnable)
            pButton->setEnabled(bEnable);
    };
    enable(IDC_ADD, nAll >= 0);
    enable(IDC_REMOVE, nChosen >= 0);
    enable(IDC_INSERT, nChosen >= 0);
    enable(IDC_MOVEUP, nChosen > 0);
    enable(IDC_MOVEDOWN, nChosen >= 0 && nChosen < nCount - 1);
}

void CPageMultiSelect::OnOK()
{
    if (!HasWindow())
        return;
    m_arrChosenNames.clear();
    m_arrChosenCodes.clear();
    for (int i = 0; i < m_lstChosen->GetCount(); ++i) {
        const CString strText = m_lstChosen->GetText(i);
        // The first offered item of that text gives the code; a text not offered is dropped.
        const int p = CStringDisposeTool::IsInAry(strText, m_arrAllNames);
        if (p >= 0 && static_cast<std::size_t>(p) < m_arrAllCodes.size()) {
            m_arrChosenNames.push_back(strText);
            m_arrChosenCodes.push_back(m_arrAllCodes[static_cast<std::size_t>(p)]);
        }
    }
}

bool CPageMultiSelect::WriteResult(CStringArray& arrRules)
{
    std::size_t nPos = 0;
    if (!FindValueSlot(arrRules, nPos))
        return false;
    arrRules[nPos] = kx::Join(m_arrChosenCodes, L',');
    return true;
}

void CPageMultiSelect::OnPageResize(int dx, int dy)
{
    const int h = dx / 2;
    AdjustControl(IDC_LIST_ALL, 0, 0, h, dy);
    AdjustControl(IDC_LABEL_ALL, 0, 0, h, dy);
    AdjustControl(IDC_LIST_CHOSEN, h, 0, h, dy);
    AdjustControl(IDC_LABEL_CHOSEN, h, 0, h, dy);
    for (int nId : {IDC_ADD, IDC_REMOVE, IDC_INSERT, IDC_ADDALL, IDC_REMOVEALL})
        AdjustControl(nId, h, 0, 0, 0);
    for (int nId : {IDC_MOVEUP, IDC_MOVEDOWN, IDC_RESTORE})
        AdjustControl(nId, dx, 0, 0, 0);
}
