// The sheet's size grip: Qt's grip with a fixed diagonal resize cursor.
#include "ruledlg/CMyScrollBar.h"

#include "ruledlg/DialogTemplates.h"

namespace kx::ruledlg {

CMyScrollBar::CMyScrollBar(QWidget* parent)
    : QSizeGrip(parent)
{
    setObjectName(QString::number(IDC_SIZEGRIP));
    setCursor(Qt::SizeFDiagCursor);
}

void CMyScrollBar::moveEvent(QMoveEvent* event)
{
    QSizeGrip::moveEvent(event);
    setCursor(Qt::SizeFDiagCursor);
}

void CMyScrollBar::enterEvent(QEnterEvent* event)
{
    QSizeGrip::enterEvent(event);
    setCursor(Qt::SizeFDiagCursor);
}

} // namespace kx::ruledlg
