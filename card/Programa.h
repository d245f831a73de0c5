#pragma once
// The program from start to end: the card window for the given command line.
// Returns the exit status: 1 when it could not start (after telling the user
// why), otherwise what the event loop returns when the window closes.

#include <QString>

int Ejecutar(const QString& lineaComandos);
