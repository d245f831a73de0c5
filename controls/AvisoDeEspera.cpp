#include "controls/AvisoDeEspera.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QThread>
#include <QTimer>

namespace plataforma {

namespace {

// Swallows the user's input to every widget but those of the wait's own bar
// or window. Input held back (QEventLoop::ExcludeUserInputEvents) would only
// run after the wait: a second click on Guardar would save again.
class FiltroDeEntrada : public QObject {
public:
    QPointer<QWidget> permitido;

protected:
    bool eventFilter(QObject* objeto, QEvent* evento) override {
        switch (evento->type()) {
            case QEvent::ShortcutOverride:
                // Claimed as a plain key, which then goes to the widget and
                // is swallowed there: no shortcut fires.
                evento->accept();
                return !esPermitido(objeto);
            case QEvent::Shortcut:
                return true;
            case QEvent::Close:
                if (!objeto->isWidgetType()) return false;
                evento->ignore();
                return true;
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick:
            case QEvent::KeyPress:
            case QEvent::KeyRelease:
            case QEvent::Wheel:
            case QEvent::ContextMenu:
            case QEvent::TouchBegin:
            case QEvent::TouchUpdate:
            case QEvent::TouchEnd:
            case QEvent::TabletPress:
            case QEvent::TabletRelease:
            case QEvent::InputMethod:
            case QEvent::Drop:
                // Events for a native window reach its widgets afterwards;
                // they are judged there.
                return objeto->isWidgetType() && !esPermitido(objeto);
            default:
                return false;
        }
    }

private:
    bool esPermitido(QObject* objeto) const {
        if (!permitido || !objeto->isWidgetType()) return false;
        auto* w = static_cast<QWidget*>(objeto);
        return w == permitido || permitido->isAncestorOf(w);
    }
};

// The window that waits: the active one, or the one with the focus, or any
// window shown; none before the card window is up.
QWidget* ventanaQueEspera() {
    if (QWidget* w = QApplication::activeWindow(); w && w->isVisible()) return w;
    if (QWidget* f = QApplication::focusWidget(); f && f->window()->isVisible()) return f->window();
    for (QWidget* w : QApplication::topLevelWidgets()) {
        const Qt::WindowType tipo = w->windowType();
        if (w->isVisible() && (tipo == Qt::Window || tipo == Qt::Dialog)) return w;
    }
    return nullptr;
}

// The line and its button, as a bar over the bottom edge of the window that
// waits or, with none, as a small window of its own.
QWidget* crearAviso(QWidget* ventana, const QString& texto, const std::function<void()>& cancelar) {
    QWidget* aviso = nullptr;
    if (ventana) {
        auto* barra = new QFrame(ventana);
        barra->setFrameShape(QFrame::StyledPanel);
        barra->setAutoFillBackground(true);
        barra->setObjectName(QStringLiteral("BarraEspera"));
        aviso = barra;
    } else {
        aviso = new QWidget(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
        aviso->setObjectName(QStringLiteral("FrmConectando"));
        aviso->setWindowTitle(QStringLiteral("Tarjeta Telefónica"));
        aviso->setAttribute(Qt::WA_DeleteOnClose, false);
    }
    auto* fila = new QHBoxLayout(aviso);
    auto* etiqueta = new QLabel(texto, aviso);
    etiqueta->setObjectName(QStringLiteral("LblEspera"));
    auto* boton = new QPushButton(QStringLiteral("Cancelar"), aviso);
    boton->setObjectName(QStringLiteral("CmdCancelarEspera"));
    boton->setCursor(Qt::ArrowCursor);
    QObject::connect(boton, &QPushButton::clicked, aviso, [cancelar, boton] {
        boton->setEnabled(false);
        cancelar();
    });
    fila->addWidget(etiqueta, 1);
    fila->addWidget(boton);
    if (ventana) {
        const int alto = aviso->sizeHint().height();
        aviso->setGeometry(0, ventana->height() - alto, ventana->width(), alto);
        aviso->raise();
    } else {
        aviso->adjustSize();
    }
    aviso->show();
    return aviso;
}

}  // namespace

void esperarConVentana(const AvisoDeEspera& aviso) {
    QApplication* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!app || QThread::currentThread() != app->thread() || QApplication::closingDown()) return;
    // Most answers come within a few milliseconds: no loop for those.
    if (aviso.esperar(20)) return;

    FiltroDeEntrada filtro;
    app->installEventFilter(&filtro);
    QEventLoop bucle;
    QPointer<QWidget> ventana;
    QPointer<QWidget> mostrado;
    bool mostradoYa = false;
    bool cursorPropio = false;
    QCursor cursorAnterior;
    QTimer reloj;
    reloj.setInterval(15);
    QObject::connect(&reloj, &QTimer::timeout, &bucle, [&] {
        if (aviso.esperar(0)) {
            bucle.quit();
            return;
        }
        if (mostradoYa || aviso.transcurrido() < kMostrarEsperaMs) return;
        mostradoYa = true;
        ventana = ventanaQueEspera();
        const QString texto =
            ventana ? QStringLiteral("Esperando al servidor…")
                    : QStringLiteral("Conectando con %1…")
                          .arg(aviso.servidor.isEmpty() ? QStringLiteral("el servidor")
                                                        : aviso.servidor);
        mostrado = crearAviso(ventana, texto, aviso.cancelar);
        filtro.permitido = mostrado;
        if (ventana) {
            cursorPropio = ventana->testAttribute(Qt::WA_SetCursor);
            cursorAnterior = ventana->cursor();
            ventana->setCursor(Qt::WaitCursor);
        }
    });
    reloj.start();
    // The loop ends as soon as the answer is in, not at the clock's next look.
    if (aviso.alTerminar)
        aviso.alTerminar([&bucle] { QMetaObject::invokeMethod(&bucle, &QEventLoop::quit); });
    bucle.exec();
    reloj.stop();
    app->removeEventFilter(&filtro);
    delete mostrado.data();
    if (ventana) {
        if (cursorPropio)
            ventana->setCursor(cursorAnterior);
        else
            ventana->unsetCursor();
    }
}

}  // namespace plataforma
