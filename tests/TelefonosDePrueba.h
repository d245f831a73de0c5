#pragma once
// Cards and extra contacts with known shared phone numbers, for the
// shared-phones report on both databases: stored in the embedded ones, or
// as the SQL Server test server sends the report's statement's result.

#include <QJsonObject>

#include "Apoyo.h"

namespace apoyo::telefonos {

// Writes them into the embedded databases of the folder.
void guardar(Entorno& entorno);
// The same rows, as the result of TelefonosCompartidos::Sentencia().
QJsonObject resultado();

}  // namespace apoyo::telefonos
