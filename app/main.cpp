// tarjeta: the phone card of one client. The calling application passes
// "client-user" (for example 1234-25) on the command line.

#include <QApplication>
#include <QTranslator>

#include "app/Programa.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTranslator traductor;
    PrepararAplicacion(traductor);
    return Ejecutar(QApplication::arguments().mid(1).join(QLatin1Char(' ')));
}
