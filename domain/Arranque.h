#pragma once
// Writing and reading the start-up table, for the admin tool (messages in
// plain English), the tests and the benchmarks: one format, one width for
// each field.

#include <QString>
#include <QStringList>

#include "data/Dbf.h"
#include "domain/Global.h"

namespace Arranque {

// Field widths of the table, in bytes.
inline constexpr int kLargoClave = 60;
inline constexpr int kLargoToken = 30;
inline constexpr int kLargoServidor = 80;
inline constexpr int kLargoUsuario = 40;

struct Datos {
    QString servidor;
    QString usuario;
    QString sucursal;
    QString clave;  // only when writing
};

// The table's fields, in order, with their widths.
QList<plataforma::CampoDbf> Campos();

// Writes the records as given, the password and the branch code scrambled,
// nothing checked: for tests that need a table the tool would refuse.
bool EscribirRegistros(const QString& archivo, const QList<Datos>& registros, QString* error);

// Writes a Visual FoxPro ARRANQUE table of one record, with the password and
// the branch code scrambled. The branch code is stored right-aligned in 7
// characters, the form the ERP keeps branch codes in. Refuses values the
// program could not read back exactly.
bool Escribir(const QString& archivo, const Datos& datos, QString* error);

// Writes the table into a folder: over the one already there whatever the
// letter case of its name (ARRANQUE.dbf when there is none), then removes any
// other whose name differs only in case, so that exactly one is left for the
// program to read. *escrito is the table written, *quitados those removed.
// Refuses, changing nothing, when one of them is no regular file.
bool EscribirEnCarpeta(const QString& carpeta, const Datos& datos, QString* escrito,
                       QStringList* quitados, QString* error);

// Gives the table written (0640) to the group of the desk users, so that they
// can read it and nobody else can. False when it could not be done, with
// *aviso saying why and what the desk users outside the owner's group will
// meet.
bool DarAlGrupo(const QString& tabla, QString* aviso);

// How the connection to `servidor` named by the table in DIR is protected,
// for "arranque show"; empty with *error when the settings file is unusable.
QString DescribirProteccion(const QString& carpeta, const QString& servidor, QString* error);
// Why the protection's settings file cannot be used, in English.
QString MensajeProteccion(const QString& archivo, int linea, const QString& detalle);

// Reads the table in DIR the way the program does.
bool Leer(const QString& carpeta, Datos* datos, QString* error);

// Opens a connection as the program does, from the start-up table in DIR
// (the same settings, the same connection string): for the admin tool's
// reports. The message says in English what failed.
bool Conectar(const QString& carpeta, plataforma::Conexion* conexion, QString* error);

// The program's reasons for refusing the start-up table, in English.
QString Mensaje(const Global::FalloArranque& fallo);

}  // namespace Arranque
