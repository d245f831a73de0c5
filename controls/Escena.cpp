#include "controls/Escena.h"

#include "system/Sistema.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QQueue>
#include <QWidget>
#include <QWindow>

namespace plataforma {

namespace {
bool gGrabando = false;
QList<Suceso> gSucesos;
QQueue<bool> gRespuestas;
QQueue<int> gElecciones;

void anotar(Suceso s) {
    gSucesos.append(std::move(s));
}

void caja(QMessageBox::Icon icono, const QString& texto, const QString& titulo) {
    QMessageBox m(icono, titulo, texto, QMessageBox::Ok, QApplication::activeWindow());
    m.setWindowModality(Qt::ApplicationModal);
    m.exec();
}
}  // namespace

namespace Escena {
void grabar(bool si) {
    gGrabando = si;
    limpiar();
}
bool grabando() {
    return gGrabando;
}
const QList<Suceso>& sucesos() {
    return gSucesos;
}
void limpiar() {
    gSucesos.clear();
    gRespuestas.clear();
    gElecciones.clear();
}
void responder(bool si) {
    gRespuestas.enqueue(si);
}
void elegir(int boton) {
    gElecciones.enqueue(boton);
}
}  // namespace Escena

void mostrarError(const QString& texto, const QString& titulo) {
    if (gGrabando) return anotar({Suceso::Tipo::Error, texto, titulo, nullptr, false});
    caja(QMessageBox::Critical, texto, titulo);
}

void mostrarInformacion(const QString& texto, const QString& titulo) {
    if (gGrabando) return anotar({Suceso::Tipo::Informacion, texto, titulo, nullptr, false});
    caja(QMessageBox::Information, texto, titulo);
}

bool preguntar(const QString& texto, const QString& titulo) {
    if (gGrabando) {
        anotar({Suceso::Tipo::Pregunta, texto, titulo, nullptr, true});
        return !gRespuestas.isEmpty() && gRespuestas.dequeue();
    }
    QMessageBox m(QMessageBox::Question, titulo, texto, QMessageBox::Yes | QMessageBox::No,
                  QApplication::activeWindow());
    m.setDefaultButton(QMessageBox::No);
    m.setWindowModality(Qt::ApplicationModal);
    return m.exec() == QMessageBox::Yes;
}

int elegir(const QString& texto, const QString& titulo, const QStringList& botones) {
    const int ultimo = int(botones.size()) - 1;
    if (gGrabando) {
        anotar({Suceso::Tipo::Eleccion, texto, titulo, nullptr, false});
        const int b = gElecciones.isEmpty() ? ultimo : gElecciones.dequeue();
        return b >= 0 && b <= ultimo ? b : ultimo;
    }
    QMessageBox m(QMessageBox::Warning, titulo, texto, QMessageBox::NoButton,
                  QApplication::activeWindow());
    QList<QAbstractButton*> pulsables;
    for (int i = 0; i <= ultimo; ++i)
        pulsables << m.addButton(botones[i],
                                 i == ultimo ? QMessageBox::RejectRole : QMessageBox::AcceptRole);
    if (ultimo >= 0) {
        m.setDefaultButton(static_cast<QPushButton*>(pulsables.last()));
        m.setEscapeButton(pulsables.last());
    }
    m.setWindowModality(Qt::ApplicationModal);
    m.exec();
    const int i = int(pulsables.indexOf(m.clickedButton()));
    return i >= 0 ? i : ultimo;
}

void SetWindowPos(QWidget* ventana, int insertarDespues, int x, int y, int cx, int cy,
                  unsigned banderas) {
    if (!ventana) return;
    const bool encima = insertarDespues == HWND_TOPMOST;
    if (gGrabando)
        anotar(
            {encima ? Suceso::Tipo::SobreTodo : Suceso::Tipo::NoSobreTodo, {}, {}, ventana, false});
    QWidget* superior = ventana->window();
    if (sistema::ponerEncima([superior] { return quintptr(superior->winId()); }, encima, x, y, cx,
                             cy, banderas))
        return;
    // Changing the flag on the native window (not the widget) keeps the window
    // mapped: on X11 Qt only asks the window manager for the "above" state.
    if (QWindow* w = superior->windowHandle())
        w->setFlag(Qt::WindowStaysOnTopHint, encima);
    else if (superior->windowFlags().testFlag(Qt::WindowStaysOnTopHint) != encima)
        superior->setWindowFlag(Qt::WindowStaysOnTopHint, encima);  // not shown yet
}

int codigoDeTecla(const QKeyEvent* e) {
    switch (e->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return 13;
        case Qt::Key_Backspace:
            return 8;
        case Qt::Key_Escape:
            return 27;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        // Editing and moving keys are not characters, whatever text the
        // keyboard attaches to them (X11 gives Delete the text 0x7F).
        case Qt::Key_Delete:
        case Qt::Key_Insert:
        case Qt::Key_Home:
        case Qt::Key_End:
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            return -1;
        default:
            break;
    }
    const QString t = e->text();
    if (t.isEmpty()) return -1;
    return int(qint16(t.at(0).unicode()));
}

void inyectarTab() {
    if (gGrabando) anotar({Suceso::Tipo::Tab, {}, {}, nullptr, false});
    QWidget* destino = QApplication::focusWidget();
    if (!destino) destino = QApplication::activeWindow();
    if (!destino) return;
    QCoreApplication::postEvent(destino, new QKeyEvent(QEvent::KeyPress, Qt::Key_Tab,
                                                       Qt::NoModifier, QStringLiteral("\t")));
}

}  // namespace plataforma
