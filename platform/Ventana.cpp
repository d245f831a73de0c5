#include "Ventana.h"

#include <QApplication>
#include <QFile>
#include <QScreen>
#include <QWidget>

namespace plataforma {

namespace {
double escala() {
    const QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->logicalDotsPerInch() / 96.0 : 1.0;
}
}  // namespace

int twips(int t) {
    return int(t / 15.0 * escala() + 0.5);
}

QRect twips(int izquierda, int arriba, int ancho, int alto) {
    return {twips(izquierda), twips(arriba), twips(ancho), twips(alto)};
}

void colocar(QWidget* ventana) {
    const QScreen* s = ventana->screen() ? ventana->screen() : QGuiApplication::primaryScreen();
    if (!s) return;
    const QRect pantalla = s->geometry();
    const QSize tam = ventana->frameGeometry().size().expandedTo(ventana->size());
    ventana->move(pantalla.x() + (pantalla.width() - tam.width()) / 2,
                  pantalla.y() + (pantalla.height() - tam.height()) / 6);
}

void aplicarFuente(QWidget* ventana) {
    QFont f = ventana->font();
    f.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                   QStringLiteral("Nimbus Sans"), QStringLiteral("Liberation Sans"),
                   QStringLiteral("Arial"), QStringLiteral("DejaVu Sans")});
    f.setPointSizeF(8.25);
    ventana->setFont(f);
}

QString carpetaPrograma() {
    return QCoreApplication::applicationDirPath();
}

void aplicarPiel(QWidget* ventana, const QString& archivo) {
    QFile f(archivo);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) return;
    ventana->setStyleSheet(QString::fromUtf8(f.readAll()));
}

void punteroRaton(int codigo) {
    static bool reloj = false;
    if (codigo == 11 && !reloj) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        reloj = true;
    } else if (codigo == 0 && reloj) {
        QApplication::restoreOverrideCursor();
        reloj = false;
    }
}

}  // namespace plataforma
