#pragma once
// The embedded variant of the server: two SQLite files standing for the two
// databases, the server's functions the program's statements use, the
// procedures as views, and schema scripts. Free functions on Qt's database
// handle, so the backend-neutral connection stays small.

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include "BaseDatos.h"

namespace plataforma::sqlite {

// Registers getdate() and nombre_cliente(n) on the open database.
bool registrarFunciones(const QSqlDatabase& bd, QString* error);

// Attaches another file under a schema name.
bool adjuntar(const QSqlDatabase& bd, const QString& archivo, const QString& esquema,
              QString* error);

// A procedure call as the embedded database takes it: a procedure that
// returns no rows is a view with an INSTEAD OF INSERT trigger, a query
// procedure a view filtered by its parameters; the view's columns are named
// after the parameters without the "@".
QString textoLlamada(const QString& procedimiento, const QStringList& columnas, bool conFilas);

// Runs a query through SQLite's own interface, handing over each row as it
// is stepped to: no value is copied into Qt's types.
bool recorrer(const QSqlDatabase& bd, const QString& sql, const QVariantList& valores,
              const LectorDeFilas& lector, QString* error);

// Runs a script of several statements as it stands.
bool ejecutarGuion(const QSqlDatabase& bd, const QString& guion, QString* error);

}  // namespace plataforma::sqlite
