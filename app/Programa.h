#pragma once
// The program from start to end.

#include <QString>

#include "domain/Global.h"

class QTranslator;

// Sets the application up as the program runs: its name, Mexican Spanish as
// the locale, and Qt's own words (Sí, No, Aceptar, context menus) in Spanish
// through the given translator, which must outlive the application's use.
void PrepararAplicacion(QTranslator& traductor);

// Makes every wait on SQL Server keep the windows alive and show itself after
// half a second, with a way out (controls/AvisoDeEspera.h); PrepararAplicacion
// does it for the program.
void InstalarEsperaVisible();

// The start-up before the card window: the command line read into the
// session (client and user), then the session opened (start-up table,
// connection, branch). False, with the message to show.
bool Arrancar(const QString& lineaComandos, Global::Sesion* sesion, QString* error);

// The card window for the given command line. Returns the exit status: 1 when
// it could not start (after telling the user why, unless the user gave up
// waiting for the server at start-up), 128 + the signal's number
// when SIGTERM, SIGHUP or SIGINT stopped it, otherwise what the event loop
// returns when the window closes.
int Ejecutar(const QString& lineaComandos);
