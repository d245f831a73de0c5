#include "controls/Casilla.h"

#include <QStyleOptionButton>
#include <QStylePainter>

namespace plataforma {

namespace {
constexpr int kFormaTitulo =
    Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap | Qt::TextShowMnemonic;
}

QRect Casilla::zonaTitulo() const {
    QStyleOptionButton opcion;
    initStyleOption(&opcion);
    const QRect indicador = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &opcion, this);
    const int espacio = style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, &opcion, this);
    const int x = indicador.right() + 1 + espacio;
    return {x, 0, qMax(0, width() - x), height()};
}

void Casilla::paintEvent(QPaintEvent*) {
    QStylePainter pintor(this);
    QStyleOptionButton opcion;
    initStyleOption(&opcion);
    QStyleOptionButton indicador = opcion;
    indicador.rect = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &opcion, this);
    pintor.drawPrimitive(QStyle::PE_IndicatorCheckBox, indicador);

    const QRect zona = zonaTitulo();
    pintor.drawItemText(zona, kFormaTitulo, opcion.palette, isEnabled(), text(),
                        QPalette::WindowText);
    if (hasFocus()) {
        QStyleOptionFocusRect foco;
        foco.initFrom(this);
        foco.rect =
            fontMetrics().boundingRect(zona, kFormaTitulo, text()).adjusted(-1, 0, 1, 0) & rect();
        pintor.drawPrimitive(QStyle::PE_FrameFocusRect, foco);
    }
}

bool Casilla::hitButton(const QPoint& punto) const {
    return rect().contains(punto);
}

}  // namespace plataforma
