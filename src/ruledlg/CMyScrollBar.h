// The size grip in the sheet's bottom-right corner.
#pragma once

#include <QSizeGrip>

namespace kx::ruledlg {

class CMyScrollBar : public QSizeGrip {
    Q_OBJECT
public:
    explicit CMyScrollBar(QWidget* parent);

protected:
    // QSizeGrip picks its cursor from the corner it thinks it sits in; this one always shows the
    // north-west/south-east cursor.
    void moveEvent(QMoveEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
};

} // namespace kx::ruledlg
