// Paints the indicator and the wrapped caption, both centred vertically as a multi-line radio
// button of a dialog template is.
#include "ruledlg/CMultiLineRadio.h"

#include <QStyleOptionButton>
#include <QStylePainter>

namespace kx::ruledlg {

CMultiLineRadio::CMultiLineRadio(const QString& text, QWidget* parent)
    : QRadioButton(text, parent)
{
}

void CMultiLineRadio::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);

    QStyleOptionButton indicator = option;
    indicator.rect = style()->subElementRect(QStyle::SE_RadioButtonIndicator, &option, this);
    indicator.rect.moveTop((height() - indicator.rect.height()) / 2);
    painter.drawPrimitive(QStyle::PE_IndicatorRadioButton, indicator);

    QRect textRect = rect();
    textRect.setLeft(indicator.rect.right() + 1 + style()->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, &option, this));
    int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap;
    flags |= style()->styleHint(QStyle::SH_UnderlineShortcut, &option, this) ? Qt::TextShowMnemonic : Qt::TextHideMnemonic;
    painter.drawItemText(textRect, flags, option.palette, isEnabled(), option.text, QPalette::WindowText);

    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = painter.boundingRect(textRect, flags, option.text).adjusted(-1, 0, 1, 0) & rect();
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}

bool CMultiLineRadio::hitButton(const QPoint& pos) const { return rect().contains(pos); }

} // namespace kx::ruledlg
