// Radio buttons laid out from the options, stacked 5 pixels apart and as tall as their wrapped
// captions need.
#include "ruledlg/CPageSingleSelect.h"

#include <QFontMetrics>
#include <QPlainTextEdit>
#include <QPushButton>

#include "common/StringUtil.h"
#include "ruledlg/CMultiLineRadio.h"
#include "ruledlg/QtSupport.h"

using namespace kx::ruledlg;

namespace {
constexpr int kRadioSpacing = 5;    // pixels between stacked radios
constexpr int kGroupBottomGap = 6;  // pixels kept between the description and the group's bottom
} // namespace

CPageSingleSelect::CPageSingleSelect(QWidget* pParent)
    : CPageBase(IDD_SINGLESELECT, pParent)
{
    for (std::size_t i = 0; i < m_radios.size(); ++i)
        m_radios[i] = findChild<CMultiLineRadio*>(QString::number(kRadioIds[i]), Qt::FindDirectChildrenOnly);
    // The group box is a sibling drawn behind the radios, not their parent.
    if (QWidget* pGroup = Control(IDC_GROUP))
        pGroup->lower();
}

void CPageSingleSelect::SplitOption(CString strOption, CString& strKey, CString& strLabel)
{
    strKey.clear();
    const std::size_t nDash = strOption.find(L'-');
    if (nDash != CString::npos && nDash > 0) {
        strKey = strOption.substr(0, nDash);
        strOption = strOption.substr(nDash + 1);
    }
    strOption.erase(0, strOption.find_first_not_of(L'-'));
    strLabel = strOption;
}

void CPageSingleSelect::SetOptions(const CStringArray& arrOptions)
{
    for (const CString& strOption : arrOptions) {
        CString strKey;
        CString strLabel;
        SplitOption(strOption, strKey, strLabel);
        m_arrTexts.push_back(strLabel);
        m_arrKeys.push_back(strKey);
    }
}

void CPageSingleSelect::SetRuleValue(const CString& strValue)
{
    m_strValue = strValue;
    m_nSel = static_cast<int>(kx::WToL(strValue));
    if (m_nSel >= static_cast<int>(m_arrTexts.size()))
        m_nSel = -1;
}

void CPageSingleSelect::SetDesc(const CString& strDesc)
{
    m_strDesc.clear();
    m_strDesc.reserve(strDesc.size());
    for (std::size_t i = 0; i < strDesc.size(); ++i) {
        if (strDesc[i] == L'\\' && i + 1 < strDesc.size() && strDesc[i + 1] == L'n') {
            m_strDesc += L"\r\n";
            ++i;
        } else {
            m_strDesc += strDesc[i];
        }
    }
}

int CPageSingleSelect::CheckedRadio() const
{
    for (std::size_t i = 0; i < m_radios.size(); ++i) {
        if (m_radios[i] != nullptr && m_radios[i]->isChecked())
            return static_cast<int>(i);
    }
    return -1;
}

void CPageSingleSelect::CheckRadio(int nSel)
{
    // An exclusive radio refuses to be unchecked; lift the exclusivity while setting the group.
    for (std::size_t i = 0; i < m_radios.size(); ++i) {
        if (m_radios[i] == nullptr)
            continue;
        m_radios[i]->setAutoExclusive(false);
        m_radios[i]->setChecked(static_cast<int>(i) == nSel);
        m_radios[i]->setAutoExclusive(true);
    }
}

void CPageSingleSelect::UpdateData(bool bSaveAndValidate)
{
    auto* pDesc = static_cast<QPlainTextEdit*>(Control(IDC_DESC));
    if (bSaveAndValidate) {
        m_nSel = CheckedRadio();
        return;
    }
    CheckRadio(m_nSel);
    // Qt ends lines with a bare line feed.
    QString desc = ToQString(m_strDesc);
    desc.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    pDesc->setPlainText(desc);
}

void CPageSingleSelect::OnInitDialog()
{
    UpdateData(false);
    ApplyRestoreButtonTest();
    bool bHasBackslash = false;
    if (IsLibraryPrefix(CaptionPrefix(bHasBackslash)) && m_arrTexts.size() < 2)
        RestoreButton()->setEnabled(false);
    LayoutRadios();
}

void CPageSingleSelect::LayoutRadios()
{
    const std::size_t n = m_arrTexts.size();
    if (n < 1 || n > m_radios.size())
        return;
    const QFontMetrics metrics(font());
    const SDlgTemplate& tmpl = Template();
    int nPrevBottom = -1;
    for (std::size_t i = 0; i < n; ++i) {
        CMultiLineRadio* pRadio = m_radios[i];
        if (pRadio == nullptr)
            continue;
        pRadio->show();
        const QString caption = ToQString(m_arrTexts[i] + L"(&" + m_arrKeys[i] + L")");
        const int nTextWidth = metrics.horizontalAdvance(caption);
        const QRect rc = pRadio->geometry();
        // Radios are the template's first eight items, in option order.
        const SDlgItem& item = tmpl.items[i];
        const QRect rcTemplate = Units().MapRect(item.x, item.y, item.cx, item.cy);
        const int nTop = nPrevBottom < 0 ? rcTemplate.top() : nPrevBottom + kRadioSpacing;
        int nHeight = rcTemplate.height();
        if (nTextWidth > rc.width() && rc.width() > 0)
            nHeight = rcTemplate.height() * (nTextWidth / rc.width() + 1);
        pRadio->setGeometry(rc.left(), nTop, rc.width(), nHeight);
        pRadio->setText(caption);
        nPrevBottom = nTop + nHeight;
    }
}

void CPageSingleSelect::OnOK()
{
    if (HasWindow())
        UpdateData(true);
    m_strValue = kx::IntToStr(m_nSel);
}

bool CPageSingleSelect::WriteResult(CStringArray& arrRules)
{
    std::size_t nPos = 0;
    if (!FindValueSlot(arrRules, nPos))
        return false;
    arrRules[nPos] = m_strValue;
    return true;
}

void CPageSingleSelect::OnPageResize(int dx, int dy)
{
    AdjustControl(IDC_GROUP, 0, 0, dx, dy);
    QWidget* pGroup = Control(IDC_GROUP);
    QWidget* pDesc = Control(IDC_DESC);
    if (pGroup == nullptr || pDesc == nullptr)
        return;
    QRect rc = pDesc->geometry();
    rc.setWidth(rc.width() + dx);
    rc.setHeight(rc.height() + dy);
    const int nMaxBottom = pGroup->height() - kGroupBottomGap;
    if (rc.top() + rc.height() > nMaxBottom)
        rc.setHeight(nMaxBottom - rc.top());
    pDesc->setGeometry(rc);
    update();
}
