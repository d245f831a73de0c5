#pragma once
// A frame around a group of controls, drawn as the classic Windows frame: a
// thin line with the caption sitting on its top edge, so that controls placed
// at the usual distance from the top stay clear of the caption.

#include <QGroupBox>

namespace plataforma {

class Marco : public QGroupBox {
public:
    using QGroupBox::QGroupBox;

    // Where the caption is drawn, in the frame's own coordinates.
    QRect zonaTitulo() const;

protected:
    void paintEvent(QPaintEvent* evento) override;
};

}  // namespace plataforma
