#pragma once
// A check box whose caption wraps onto further lines when the box is too
// narrow for it on one line, as Windows check boxes do; a click anywhere on
// the box toggles it.

#include <QCheckBox>

namespace plataforma {

class Casilla : public QCheckBox {
public:
    using QCheckBox::QCheckBox;

    // Where the caption is drawn, in the box's own coordinates.
    QRect zonaTitulo() const;

protected:
    void paintEvent(QPaintEvent* evento) override;
    bool hitButton(const QPoint& punto) const override;
};

}  // namespace plataforma
