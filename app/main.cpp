// tarjeta: the phone card of one client. The calling application passes
// "client-user" (for example 1234-25) on the command line.

#include <QApplication>
#include <QTranslator>
#include <cstdio>
#include <cstdlib>

#include "app/Programa.h"
#include "data/Odbc.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTranslator traductor;
    PrepararAplicacion(traductor);
    const int estado = Ejecutar(QApplication::arguments().mid(1).join(QLatin1Char(' ')));
    // A connect given up on may have left its worker blocked in the driver;
    // the program leaves without tearing down what that thread may still use.
    if (plataforma::trabajosAbandonados() > 0) {
        std::fflush(nullptr);
        std::_Exit(estado);
    }
    return estado;
}
