#pragma once
// The program from start to end.

#include <QString>

class QTranslator;

// Sets the application up as the program runs: its name, Mexican Spanish as
// the locale, and Qt's own words (Sí, No, Aceptar, context menus) in Spanish
// through the given translator, which must outlive the application's use.
void PrepararAplicacion(QTranslator& traductor);

// The card window for the given command line. Returns the exit status: 1 when
// it could not start (after telling the user why), 128 + the signal's number
// when SIGTERM, SIGHUP or SIGINT stopped it, otherwise what the event loop
// returns when the window closes.
int Ejecutar(const QString& lineaComandos);
