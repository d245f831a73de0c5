#pragma once
// Writing and reading the start-up table for the admin tool. Messages are
// plain English.

#include <QString>

namespace Arranque {

struct Datos {
    QString servidor;
    QString usuario;
    QString sucursal;
    QString clave;  // only when writing
};

// Writes a Visual FoxPro ARRANQUE table of one record, with the password and
// the branch code scrambled. The branch code is stored right-aligned in 7
// characters, the form the ERP keeps branch codes in. Refuses values the
// program could not read back exactly.
bool Escribir(const QString& archivo, const Datos& datos, QString* error);

// Reads the table in DIR the way the program does.
bool Leer(const QString& carpeta, Datos* datos, QString* error);

}  // namespace Arranque
