#include "app/Programa.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "controls/Comun.h"
#include "controls/Salida.h"
#include "domain/Global.h"
#include "windows/FrmTelefonos.h"

void PrepararAplicacion(QTranslator& traductor) {
    QApplication::setApplicationName(QStringLiteral("tarjeta"));
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Mexico));
    if (traductor.load(QLocale(QLocale::Spanish), QStringLiteral("qtbase"), QStringLiteral("_"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&traductor);
}

int Ejecutar(const QString& lineaComandos) {
    FrmTelefonos ventana(lineaComandos);
    QString error;
    if (!ventana.Form_Load(&error)) {
        MensajeError(error, QStringLiteral("Tarjeta Telefónica"));
        return 1;
    }
    // The connection is open from here on: a stop signal closes it, rolling
    // back what was half done, before the program leaves.
    plataforma::Salida::preparar(Global::CerrarConexion);
    ventana.show();
    return QApplication::exec();
}
