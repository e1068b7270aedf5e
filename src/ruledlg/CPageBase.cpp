// Common ground of the two kinds of page: title, rule name, the template's controls, the
// restore-button test and the write-back slot.
#include "ruledlg/CPageBase.h"

#include <QPushButton>

#include <kxhost/HostServices.h>

#include "ruledlg/CUserSetRuleSheet.h"
#include "ruledlg/QtSupport.h"

using namespace kx::ruledlg;

namespace {
const SDlgTemplate& TemplateOf(int nTemplateId)
{
    return nTemplateId == IDD_MULTISELECT ? MultiSelectTemplate() : SingleSelectTemplate();
}
} // namespace

CPageBase::CPageBase(int nTemplateId, QWidget* pParent)
    : QWidget(pParent)
    , m_nTemplateId(nTemplateId)
    , m_template(TemplateOf(nTemplateId))
    , m_units(DialogFont())
{
    setFont(DialogFont());
    // Not the bare template id: 3009 and 3010 are also the ids of the add and remove buttons.
    setObjectName(QStringLiteral("page%1").arg(m_template.nId));
    m_sizeTemplate = m_units.MapSize(m_template.cx, m_template.cy);
    resize(m_sizeTemplate);
    for (const SDlgItem& item : m_template.items)
        CreateDlgItem(this, item, m_units);
    connect(RestoreButton(), &QPushButton::clicked, this, [this] { OnRestoreDefault(); });
}

CPageBase::~CPageBase() = default;

void CPageBase::SetTitle(const CString& strTitle)
{
    m_strTitle = strTitle;
    setWindowTitle(ToQString(strTitle));
    if (CUserSetRuleSheet* pSheet = GetSheet())
        pSheet->UpdatePageTitle(this);
}

void CPageBase::UpdateCtrlState(QWidget*, bool) {}

bool CPageBase::WriteResult(CStringArray&) { return false; }

void CPageBase::CreatePage()
{
    if (m_bHasWindow)
        return;
    m_bHasWindow = true;
    OnInitDialog();
}

void CPageBase::OnPageResize(int, int) {}

long CPageBase::OnRestoreDefault()
{
    CUserSetRuleSheet* pSheet = GetSheet();
    return pSheet != nullptr ? pSheet->OnRestorePage(this) : 0;
}

CUserSetRuleSheet* CPageBase::GetSheet() const
{
    for (QWidget* w = parentWidget(); w != nullptr; w = w->parentWidget()) {
        if (auto* pSheet = qobject_cast<CUserSetRuleSheet*>(w))
            return pSheet;
    }
    return nullptr;
}

CString CPageBase::CaptionPrefix(bool& bHasBackslash) const
{
    const CUserSetRuleSheet* pSheet = GetSheet();
    const CString strCaption = pSheet != nullptr ? pSheet->GetCaption() : CString();
    const std::size_t nSlash = strCaption.find(L'\\');
    bHasBackslash = nSlash != CString::npos;
    return bHasBackslash ? strCaption.substr(0, nSlash) : CString();
}

bool CPageBase::IsLibraryPrefix(const CString& strPrefix)
{
    return strPrefix == L"清单库" || strPrefix == L"定额库";
}

void CPageBase::ApplyRestoreButtonTest()
{
    bool bHasBackslash = false;
    const CString strPrefix = CaptionPrefix(bHasBackslash);
    // Only the two libraries have a project document to restore from.
    if (bHasBackslash && !IsLibraryPrefix(strPrefix))
        RestoreButton()->hide();
}

bool CPageBase::FindValueSlot(const CStringArray& arrRules, std::size_t& nPos) const
{
    const int p = CStringDisposeTool::IsInAry(m_strRuleName, arrRules);
    if (p < 0 || static_cast<std::size_t>(p) + 1 >= arrRules.size())
        return false;
    nPos = static_cast<std::size_t>(p) + 1;
    return true;
}

QWidget* CPageBase::Control(int nId) const
{
    return findChild<QWidget*>(QString::number(nId), Qt::FindDirectChildrenOnly);
}

QPushButton* CPageBase::RestoreButton() const { return static_cast<QPushButton*>(Control(IDC_RESTORE)); }

void CPageBase::AdjustControl(int nId, int dLeft, int dTop, int dWidth, int dHeight)
{
    QWidget* pControl = Control(nId);
    if (pControl == nullptr)
        return;
    const QRect r = pControl->geometry();
    pControl->setGeometry(r.x() + dLeft, r.y() + dTop, r.width() + dWidth, r.height() + dHeight);
    update();
}
