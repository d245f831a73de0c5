// The program's start-up, whole process, exactly as its main runs it: the
// card window shown and filled, then the program ends (the main event loop
// quits as soon as it runs, the window shown). Used to time start-up against the
// floor program.

#include <QApplication>
#include <QThread>
#include <QTimer>
#include <QTranslator>
#include <QWidget>
#include <functional>

#include "app/Programa.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTranslator traductor;
    PrepararAplicacion(traductor);
    // Quits from the main event loop, once the card window is up: a wait for
    // the server before it runs an event loop of its own, which a quit would
    // end instead.
    std::function<void()> salir = [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && w->inherits("FrmTelefonos") &&
                QThread::currentThread()->loopLevel() == 1)
                return QCoreApplication::quit();
        QTimer::singleShot(1, &app, salir);
    };
    QTimer::singleShot(0, &app, salir);
    return Ejecutar(QApplication::arguments().mid(1).join(QLatin1Char(' ')));
}
