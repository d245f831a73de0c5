// tarjeta: the phone card of one client. The calling application passes
// "client-user" (for example 1234-25) on the command line.

#include <QApplication>
#include <QTranslator>
#include <cstdio>
#include <cstring>

#include "app/Programa.h"
#include "system/Sistema.h"

namespace {

const char kAyuda[] =
    "Uso: tarjeta CLIENTE-USUARIO\n"
    "Muestra y guarda la tarjeta telefónica de un cliente; por ejemplo, tarjeta 1234-25\n"
    "abre la del cliente 1234 para el usuario 25. La conexión con la base de datos se\n"
    "lee de la tabla de arranque ARRANQUE.DBF de /etc/nax (o de la carpeta de NAX_DIR).\n"
    "\n"
    "  -h, --help     muestra esta ayuda y termina\n"
    "      --version  muestra la versión y termina\n";

}  // namespace

int main(int argc, char** argv) {
    // Answered before the window system is touched: they need no display.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0) {
            std::fputs(kAyuda, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("tarjeta %s\n", TARJETA_VERSION);
            return 0;
        }
    }
    // Without a display the toolkit would abort; the program says why.
    if (!plataforma::sistema::hayPantalla()) {
        std::fputs(
            "tarjeta: no hay pantalla donde mostrar la tarjeta (la variable DISPLAY está "
            "vacía); ábrala desde una sesión gráfica.\n",
            stderr);
        return 1;
    }
    QApplication app(argc, argv);
    QTranslator traductor;
    PrepararAplicacion(traductor);
    return Ejecutar(QApplication::arguments().mid(1).join(QLatin1Char(' ')));
}
