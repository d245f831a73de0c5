#pragma once
// Helpers for the window tests: start the card window on a test database and
// read what the program showed or asked.

#include <QStringList>
#include <memory>

#include "Apoyo.h"
#include "controls/Escena.h"
#include "windows/FrmTelefonos.h"

namespace apoyo {

// Runs the start-up for the command line in a session of its own and shows
// the window, active; *sesion, when asked for, is that session.
std::unique_ptr<FrmTelefonos> abrirTarjeta(const QString& linea, Global::Sesion** sesion = nullptr);

// The recorded message boxes and top-most calls, one short text each:
// "error: <text>", "info: <text> | <title>", "pregunta: <text>", "encima",
// "no-encima"; Tab injections are left out.
QStringList escena();

}  // namespace apoyo
