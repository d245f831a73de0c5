// tarjeta: the phone card of one client. The calling application passes
// "client-user" (for example 1234-25) on the command line.

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "Programa.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tarjeta"));
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Mexico));

    // The toolkit's own words (Sí, No, Aceptar, context menus) in Spanish.
    QTranslator traductor;
    if (traductor.load(QLocale(QLocale::Spanish), QStringLiteral("qtbase"), QStringLiteral("_"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&traductor);

    return Ejecutar(QApplication::arguments().mid(1).join(QLatin1Char(' ')));
}
