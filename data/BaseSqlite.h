#pragma once
// The embedded variant of the server: two SQLite files standing for the two
// databases, the server's functions the program's statements use, the
// procedures as views, and schema scripts. Free functions on Qt's database
// handle, so the backend-neutral connection stays small.

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include "data/BaseDatos.h"

namespace plataforma::sqlite {

// Registers getdate() and nombre_cliente(n) on the open database.
bool registrarFunciones(const QSqlDatabase& bd, QString* error);

// What stands at an embedded database's path, looked at before SQLite opens
// it (SQLite would create a missing file, and wait for a writer on a FIFO):
// Ninguno for a regular file this process may open for reading.
Fallo revisarArchivo(const QString& archivo, QString* detalle);

// Attaches another file under a schema name: Ninguno, Danada when SQLite
// cannot read it as a database, Otro for any other failure.
Fallo adjuntar(const QSqlDatabase& bd, const QString& archivo, const QString& esquema,
               QString* error);

// Reads the header and the list of tables of one database of the connection
// ("main" or an attached one): Danada, with SQLite's words, when it cannot or
// when the database holds no table; Otro when the read fails otherwise.
Fallo comprobar(const QSqlDatabase& bd, const QString& esquema, QString* detalle);

// The file of the first database of the connection that is no longer the one
// at its path (moved away, or replaced by another file, since it was opened);
// empty when each still is.
QString archivoMovido(const QSqlDatabase& bd);

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
