// The list box of the multi-select page. Qt computes a list's scroll range from its items; here
// the range is the list's own horizontal extent, kept as entries come and go.
#include "ruledlg/CDJListBox.h"

#include <algorithm>

#include <QResizeEvent>
#include <QScrollBar>

#include "ruledlg/QtSupport.h"

namespace kx::ruledlg {

CDJListBox::CDJListBox(QWidget* parent)
    : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setTextElideMode(Qt::ElideNone);
}

int CDJListBox::TextWidth(const QString& text) const { return fontMetrics().horizontalAdvance(text); }

void CDJListBox::SetHorizontalExtent(int nExtent)
{
    m_nHorzExtent = nExtent;
    ShowHorizontalBar(m_nHorzExtent > width());
    updateGeometries();
}

void CDJListBox::ShowHorizontalBar(bool bShow)
{
    // The bar is shown or hidden here only, never by Qt from the range: Qt's range comes from the
    // items, this list's from its extent, and letting both decide makes the view lay itself out
    // without end.
    const Qt::ScrollBarPolicy policy = bShow ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff;
    if (horizontalScrollBarPolicy() != policy)
        setHorizontalScrollBarPolicy(policy);
    if (!bShow)
        horizontalScrollBar()->setValue(0);
}

int CDJListBox::AddItem(const CString& strText)
{
    return InsertItem(-1, strText);
}

int CDJListBox::InsertItem(int nIndex, const CString& strText)
{
    if (nIndex < -1 || nIndex > count())
        return -1;
    const int nRow = nIndex == -1 ? count() : nIndex;
    const QString text = ToQString(strText);
    insertItem(nRow, text);
    m_nMaxExtent = std::max(m_nMaxExtent, TextWidth(text));
    SetHorizontalExtent(m_nMaxExtent + 3);
    return nRow;
}

int CDJListBox::DeleteItem(int nIndex)
{
    if (nIndex < 0 || nIndex >= count())
        return -1;
    const bool bWasSelected = GetCurSel() == nIndex;
    delete takeItem(nIndex);
    // A list box keeps no selection when its selected entry goes; Qt would move it on.
    if (bWasSelected)
        SetCurSel(-1);

    m_nMaxExtent = width();
    for (int i = 0; i < count(); ++i)
        m_nMaxExtent = std::max(m_nMaxExtent, TextWidth(item(i)->text()));
    if (m_nMaxExtent > width()) {
        SetHorizontalExtent(m_nMaxExtent);
    } else {
        // Nothing is wider than the window: the bar goes, and a later resize of the list measures
        // against the window's width rather than against entries that are gone.
        m_nHorzExtent = m_nMaxExtent;
        ShowHorizontalBar(false);
        updateGeometries();
    }
    return count();
}

void CDJListBox::ResetItems()
{
    clear();
    m_nMaxExtent = 0;
    SetHorizontalExtent(0);
}

CString CDJListBox::GetText(int nIndex) const
{
    const QListWidgetItem* entry = item(nIndex);
    return entry != nullptr ? FromQString(entry->text()) : CString();
}

int CDJListBox::GetCurSel() const
{
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.front().row();
}

void CDJListBox::SetCurSel(int nIndex)
{
    if (nIndex >= 0 && nIndex < count()) {
        setCurrentRow(nIndex, QItemSelectionModel::ClearAndSelect);
    } else {
        clearSelection();
    }
}

int CDJListBox::FindStringExact(const CString& strText) const
{
    const QString text = ToQString(strText);
    for (int i = 0; i < count(); ++i) {
        if (item(i)->text().compare(text, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

void CDJListBox::resizeEvent(QResizeEvent* event)
{
    QListWidget::resizeEvent(event);
    // As a list box does, the bar comes and goes with the window's width against the extent.
    ShowHorizontalBar(m_nHorzExtent > width());
}

void CDJListBox::updateGeometries()
{
    QListWidget::updateGeometries();
    QScrollBar* bar = horizontalScrollBar();
    const int nView = viewport()->width();
    bar->setRange(0, horizontalScrollBarPolicy() == Qt::ScrollBarAlwaysOn ? std::max(0, m_nHorzExtent - nView) : 0);
    bar->setPageStep(nView);
    bar->setSingleStep(std::max(1, fontMetrics().averageCharWidth()));
}

} // namespace kx::ruledlg
