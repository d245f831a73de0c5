// The program's start-up, whole process, exactly as its main runs it: the
// card window shown and filled, then the program ends (the event loop quits
// as soon as it has shown the window). Used to time start-up against the
// floor program.

#include <QApplication>
#include <QTimer>
#include <QTranslator>

#include "app/Programa.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTranslator traductor;
    PrepararAplicacion(traductor);
    QTimer::singleShot(0, &app, &QCoreApplication::quit);
    return Ejecutar(QApplication::arguments().mid(1).join(QLatin1Char(' ')));
}
