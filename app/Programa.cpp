#include "app/Programa.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "controls/AvisoDeEspera.h"
#include "controls/Comun.h"
#include "controls/Salida.h"
#include "controls/Ventana.h"
#include "data/Espera.h"
#include "domain/Global.h"
#include "domain/LineaComandos.h"
#include "windows/FrmTelefonos.h"

void InstalarEsperaVisible() {
    plataforma::ponerManejadorDeEspera([](plataforma::Espera& espera) {
        plataforma::esperarConVentana(
            {[&espera](int ms) { return espera.esperar(ms); }, [&espera] { espera.cancelar(); },
             [&espera] { return espera.transcurrido(); }, espera.servidor(),
             [&espera](std::function<void()> aviso) { espera.alTerminar(std::move(aviso)); }});
    });
}

void PrepararAplicacion(QTranslator& traductor) {
    InstalarEsperaVisible();
    QApplication::setApplicationName(QStringLiteral("tarjeta"));
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Mexico));
    if (traductor.load(QLocale(QLocale::Spanish), QStringLiteral("qtbase"), QStringLiteral("_"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&traductor);
}

bool Arrancar(const QString& lineaComandos, Global::Sesion* sesion, QString* error) {
    // A command line that names no card to open is refused before the
    // database is asked anything; a client not on file, once its name is read.
    LineaComandos::Datos linea;
    if (!LineaComandos::Leer(lineaComandos, &linea, error)) return false;
    sesion->lineaComandos = lineaComandos;
    sesion->cliente = linea.cliente;
    sesion->usuario = linea.usuario;
    plataforma::punteroRaton(11);
    const bool abierta = Global::AbrirSesion(sesion, error);
    plataforma::punteroRaton(0);
    return abierta;
}

int Ejecutar(const QString& lineaComandos) {
    Global::Sesion sesion;
    QString error;
    // «Cancelar» on the wait for the server before the card is up ends the
    // program: the user chose not to wait, so no message follows.
    if (!Arrancar(lineaComandos, &sesion, &error)) {
        if (!sesion.conexion.ultimaCancelada())
            MensajeError(error, QStringLiteral("Tarjeta Telefónica"));
        return 1;
    }
    FrmTelefonos ventana(sesion);
    if (!ventana.Form_Load(&error)) {
        if (!sesion.conexion.ultimaCancelada())
            MensajeError(error, QStringLiteral("Tarjeta Telefónica"));
        return 1;
    }
    // The connection is open from here on: a stop signal closes it, rolling
    // back what was half done, before the program leaves.
    plataforma::Salida::preparar([&sesion] { sesion.conexion.cerrar(); });
    ventana.show();
    const int estado = QApplication::exec();
    plataforma::Salida::preparar({});
    return estado;
}
