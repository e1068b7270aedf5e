// The modal sheet in which the user sets the rules of one calculation item: one page per rule,
// OK and Cancel, resizable with a size grip.
#pragma once

#include <memory>
#include <vector>

#include <QDialog>

#include <kxsysrule/Types.h>

class CPageBase;
class QPushButton;
class QTabWidget;

namespace kx::ruledlg {
class CMyScrollBar;
}

class CUserSetRuleSheet : public QDialog {
    Q_OBJECT
public:
    CUserSetRuleSheet(const CString& strCaption, QWidget* pParentWnd = nullptr, int nSelectPage = 0);
    ~CUserSetRuleSheet() override;

    void SetContext(NS_KXComponentType::SCompGroupType compType, const CString& strCalItem,
                    KxSysRule::RuleType eRuleType);
    // Takes the page over; pages are shown in the order they were added.
    void AddRulePage(std::unique_ptr<CPageBase> pPage);
    // Runs the sheet modally; on OK writes every page's value into `arrRules` and returns true.
    bool RunModal(CStringArray& arrRules);

    // A page asks for the project's value of its rule (its restore-default button).
    long OnRestorePage(CPageBase* pPage);
    // The modal loop's idle pass: lets every page enable its buttons.
    void ContinueModal();

    const CString& GetCaption() const { return m_strCaption; }
    const std::vector<std::unique_ptr<CPageBase>>& GetPages() const { return m_arrPages; }
    QTabWidget* GetTabControl() const { return m_pTab; }
    void UpdatePageTitle(CPageBase* pPage);

public slots:
    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // Puts the pages on the tab control and sizes the sheet around the largest.
    void AddPagesToSheet();
    void OnInitDialog();
    void OnSize(int cx, int cy);
    void UpdateGripVisibility();

    std::vector<std::unique_ptr<CPageBase>> m_arrPages;
    kx::ruledlg::CMyScrollBar* m_wndSizeGrip = nullptr;
    QSize m_sizeClient{-1, -1};
    bool m_bInitDone = false;
    NS_KXComponentType::SCompGroupType m_compType;
    CString m_strCalItem;
    KxSysRule::RuleType m_eRuleType = KxSysRule::Rule_QingDan;

    CString m_strCaption;
    int m_nStartPage;
    bool m_bPagesAdded = false;
    QTabWidget* m_pTab = nullptr;
    QPushButton* m_pOk = nullptr;
    QPushButton* m_pCancel = nullptr;
    QMetaObject::Connection m_idleConnection;
};
