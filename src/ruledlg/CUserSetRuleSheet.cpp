// The sheet: builds its frame around the largest page, keeps OK, Cancel and the grip in the
// bottom-right corner while it is resized, runs the pages' idle pass, and answers a page's
// restore-default request from the project's current rule document.
#include "ruledlg/CUserSetRuleSheet.h"

#include <QAbstractEventDispatcher>
#include <QEvent>
#include <QPushButton>
#include <QResizeEvent>
#include <QTabWidget>

#include "common/StringUtil.h"
#include "currule/CCurRuleObj.h"
#include "ruledlg/CMyScrollBar.h"
#include "ruledlg/CPageMultiSelect.h"
#include "ruledlg/CPageSingleSelect.h"
#include "ruledlg/DialogTemplates.h"
#include "ruledlg/QtSupport.h"
#include "sysrule/CSysDefRule.h"

using namespace kx::ruledlg;

namespace {
// Frame metrics in dialog units.
constexpr int kMarginX = 4;
constexpr int kMarginY = 4;
constexpr int kButtonWidth = 50;
constexpr int kButtonHeight = 14;
constexpr int kButtonGap = 4;
constexpr int kButtonAreaY = 7;
// Where OnInitDialog shifts OK and Cancel to make room for the grip, in pixels.
constexpr int kButtonShiftLeft = 30;
constexpr int kButtonShiftUp = 5;
} // namespace

CUserSetRuleSheet::CUserSetRuleSheet(const CString& strCaption, QWidget* pParentWnd, int nSelectPage)
    : QDialog(pParentWnd)
    , m_strCaption(strCaption)
    , m_nStartPage(nSelectPage)
{
    // A resizable frame that can be maximised; no help button.
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setSizeGripEnabled(false);
    setFont(DialogFont());
    setWindowTitle(ToQString(strCaption));

    m_pTab = new QTabWidget(this);
    m_pOk = new QPushButton(QStringLiteral("确定"), this);
    m_pOk->setObjectName(QString::number(IDOK));
    m_pOk->setDefault(true);
    m_pCancel = new QPushButton(QStringLiteral("取消"), this);
    m_pCancel->setObjectName(QString::number(IDCANCEL));
    m_pCancel->setAutoDefault(false);
    connect(m_pOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_pCancel, &QPushButton::clicked, this, &QDialog::reject);
}

CUserSetRuleSheet::~CUserSetRuleSheet()
{
    // The sheet owns its pages: the last made goes first.
    while (!m_arrPages.empty())
        m_arrPages.pop_back();
}

void CUserSetRuleSheet::SetContext(NS_KXComponentType::SCompGroupType compType, const CString& strCalItem,
                                   KxSysRule::RuleType eRuleType)
{
    m_compType = compType;
    m_strCalItem = strCalItem;
    m_eRuleType = eRuleType;
}

void CUserSetRuleSheet::AddRulePage(std::unique_ptr<CPageBase> pPage)
{
    if (pPage != nullptr)
        m_arrPages.push_back(std::move(pPage));
}

void CUserSetRuleSheet::UpdatePageTitle(CPageBase* pPage)
{
    const int nIndex = m_pTab->indexOf(pPage);
    if (nIndex >= 0)
        m_pTab->setTabText(nIndex, ToQString(pPage->GetTitle()));
}

void CUserSetRuleSheet::AddPagesToSheet()
{
    if (m_bPagesAdded)
        return;
    m_bPagesAdded = true;
    for (const auto& pPage : m_arrPages)
        m_pTab->addTab(pPage.get(), ToQString(pPage->GetTitle()));

    const CDialogUnits units(font());
    QSize sizeTab = m_pTab->sizeHint();
    if (m_arrPages.empty()) {
        const SDlgTemplate& tmpl = SingleSelectTemplate();
        sizeTab = sizeTab.expandedTo(units.MapSize(tmpl.cx, tmpl.cy) + QSize(4, 4 + units.BaseY() * 2));
    }
    const QRect rcTab(QPoint(units.MapX(kMarginX), units.MapY(kMarginY)), sizeTab);
    m_pTab->setGeometry(rcTab);

    const QSize sizeButton = units.MapSize(kButtonWidth, kButtonHeight);
    const int nClientWidth = rcTab.right() + 1 + units.MapX(kMarginX);
    const int nButtonTop = rcTab.bottom() + 1 + units.MapY(kButtonAreaY);
    const int nCancelLeft = nClientWidth - units.MapX(kMarginX) - sizeButton.width();
    m_pCancel->setGeometry(QRect(QPoint(nCancelLeft, nButtonTop), sizeButton));
    m_pOk->setGeometry(QRect(QPoint(nCancelLeft - units.MapX(kButtonGap) - sizeButton.width(), nButtonTop), sizeButton));
    resize(nClientWidth, nButtonTop + sizeButton.height() + units.MapY(kButtonAreaY));
}

void CUserSetRuleSheet::OnInitDialog()
{
    m_bInitDone = true;
    m_sizeClient = size();

    for (QPushButton* pButton : {m_pOk, m_pCancel})
        pButton->move(pButton->pos() - QPoint(kButtonShiftLeft, kButtonShiftUp));

    const int cx = m_sizeClient.width();
    const int cy = m_sizeClient.height();
    m_wndSizeGrip = new CMyScrollBar(this);
    // (cx - 15, cy - 15) to (cx - 2, cy - 2), right and bottom exclusive.
    m_wndSizeGrip->setGeometry(cx - 15, cy - 15, 13, 13);
    m_wndSizeGrip->show();

    // Every page gets its window now, so that OK finds them all initialised.
    for (std::size_t i = 0; i < m_arrPages.size(); ++i) {
        m_pTab->setCurrentIndex(static_cast<int>(i));
        m_arrPages[i]->CreatePage();
    }
    m_pTab->setCurrentIndex(m_arrPages.empty() ? 0 : std::min<int>(m_nStartPage, static_cast<int>(m_arrPages.size()) - 1));
    UpdateGripVisibility();
}

void CUserSetRuleSheet::showEvent(QShowEvent* event)
{
    AddPagesToSheet();
    QDialog::showEvent(event);
    if (!m_bInitDone)
        OnInitDialog();
    // The idle pass: whenever the event loop is about to wait, the pages catch up with the
    // selections the user made.
    if (!m_idleConnection) {
        if (QAbstractEventDispatcher* pDispatcher = QAbstractEventDispatcher::instance())
            m_idleConnection = connect(pDispatcher, &QAbstractEventDispatcher::aboutToBlock, this,
                                       &CUserSetRuleSheet::ContinueModal);
    }
}

void CUserSetRuleSheet::hideEvent(QHideEvent* event)
{
    disconnect(m_idleConnection);
    m_idleConnection = {};
    QDialog::hideEvent(event);
}

void CUserSetRuleSheet::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    OnSize(event->size().width(), event->size().height());
}

void CUserSetRuleSheet::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && m_bInitDone)
        UpdateGripVisibility();
}

void CUserSetRuleSheet::OnSize(int cx, int cy)
{
    if (cx < 2 || cy < 2 || !m_bInitDone)
        return;
    const int dx = cx - m_sizeClient.width();
    const int dy = cy - m_sizeClient.height();
    for (QWidget* pChild : {static_cast<QWidget*>(m_pOk), static_cast<QWidget*>(m_pCancel),
                            static_cast<QWidget*>(m_wndSizeGrip)}) {
        pChild->move(pChild->pos() + QPoint(dx, dy));
        update();
    }
    // Each page hears of the change before it grows. The tab control's stack resizes the page it
    // shows by itself; the others are grown here so that all pages keep one size.
    std::vector<QSize> vecTargets;
    vecTargets.reserve(m_arrPages.size());
    for (const auto& pPage : m_arrPages) {
        pPage->OnPageResize(dx, dy);
        vecTargets.push_back(pPage->size() + QSize(dx, dy));
    }
    m_pTab->resize(m_pTab->size() + QSize(dx, dy));
    update();
    for (std::size_t i = 0; i < m_arrPages.size(); ++i) {
        m_arrPages[i]->resize(vecTargets[i]);
        update();
    }
    m_sizeClient = QSize(cx, cy);
    UpdateGripVisibility();
}

void CUserSetRuleSheet::UpdateGripVisibility()
{
    if (m_wndSizeGrip != nullptr)
        m_wndSizeGrip->setVisible(!isMaximized());
}

void CUserSetRuleSheet::ContinueModal()
{
    for (const auto& pPage : m_arrPages)
        pPage->UpdateCtrlState(this, false);
}

void CUserSetRuleSheet::accept()
{
    for (const auto& pPage : m_arrPages)
        pPage->OnOK();
    QDialog::accept();
}

bool CUserSetRuleSheet::RunModal(CStringArray& arrRules)
{
    AddPagesToSheet();
    if (exec() != QDialog::Accepted)
        return false;
    for (const auto& pPage : m_arrPages)
        pPage->WriteResult(arrRules);
    return true;
}

long CUserSetRuleSheet::OnRestorePage(CPageBase* pPage)
{
    if (pPage == nullptr || m_compType.nTypeId == -1)
        return 0;
    CCurRuleObj* pRules = CCurRuleObj::GetInstance();
    std::vector<SRuleItem> vecItems;
    if (pRules == nullptr || !pRules->FindItems(m_compType, vecItems, m_strCalItem, m_eRuleType))
        return 0;
    // The first rule named as the page's tab, in document order.
    const SRuleItem* pItem = nullptr;
    for (const SRuleItem& item : vecItems) {
        if (item.strRuleName == pPage->GetTitle()) {
            pItem = &item;
            break;
        }
    }
    if (pItem == nullptr)
        return 0;

    if (auto* pSingle = dynamic_cast<CPageSingleSelect*>(pPage)) {
        pSingle->SetRuleValue(pItem->strValue);
        if (pSingle->HasWindow())
            pSingle->UpdateData(false);
    } else if (auto* pMulti = dynamic_cast<CPageMultiSelect*>(pPage)) {
        CStringArray arrCodes;
        SplitList(pItem->strValue, arrCodes, L',');
        CStringArray arrDescs;
        // Only the two rules of this name have a description section to look in.
        if (pPage->GetTitle() == L"增加项目")
            CSysDefRule::GetInstance()->GetRuleDescs(L"ZenJ", arrCodes, arrDescs);
        else if (pPage->GetTitle() == L"扣减项目")
            CSysDefRule::GetInstance()->GetRuleDescs(L"KouJ", arrCodes, arrDescs);
        pMulti->SetChosenItems(arrCodes, arrDescs);
        pMulti->FillLists();
    }
    return 0;
}
