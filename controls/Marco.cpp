#include "controls/Marco.h"

#include <QPainter>
#include <QStyle>

#include "controls/Ventana.h"

namespace plataforma {

QRect Marco::zonaTitulo() const {
    if (title().isEmpty()) return {};
    const QFontMetrics medidas(font());
    return {6, 0, medidas.horizontalAdvance(textoVisible(title())) + 4, medidas.height()};
}

void Marco::paintEvent(QPaintEvent*) {
    QPainter pintor(this);
    const QRect titulo = zonaTitulo();
    const int arriba = titulo.isEmpty() ? 0 : titulo.height() / 2;

    // The line goes round the frame and breaks under the caption.
    pintor.save();
    if (!titulo.isEmpty()) pintor.setClipRegion(QRegion(rect()) - titulo);
    pintor.setRenderHint(QPainter::Antialiasing);
    pintor.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Mid));
    pintor.drawRoundedRect(QRectF(rect().adjusted(0, arriba, -1, -1)).translated(0.5, 0.5), 3, 3);
    pintor.restore();

    if (!titulo.isEmpty())
        style()->drawItemText(&pintor, titulo, Qt::AlignCenter | Qt::TextShowMnemonic, palette(),
                              isEnabled(), title(), QPalette::WindowText);
}

}  // namespace plataforma
