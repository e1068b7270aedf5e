// A radio button whose caption wraps onto as many lines as the button is tall, as the multi-line
// radios of the single-select page need; Qt's own radio button draws one line only.
#pragma once

#include <QRadioButton>

namespace kx::ruledlg {

class CMultiLineRadio : public QRadioButton {
    Q_OBJECT
public:
    explicit CMultiLineRadio(const QString& text, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    // The whole button, wrapped lines included, takes the click.
    bool hitButton(const QPoint& pos) const override;
};

} // namespace kx::ruledlg
