#pragma once
// The program's command line, "client-user" (for example 1234-25), read with
// no window: the client number and the user code, or why the line names no
// card to open, in Spanish for the user.

#include <QString>

namespace LineaComandos {

struct Datos {
    double cliente = 0;
    QString usuario;  // 7 characters, right-aligned: the form the database keeps codes in
};

// Reads the line. False, with the message to show, when it lacks the client
// number or the user code (empty or blank), or the number is not a whole
// number the procedures take. Only the first 7 characters of a user code
// count, and anything after a second hyphen is ignored.
bool Leer(const QString& linea, Datos* datos, QString* error);

// The message for a client number that is not in the clients' table.
QString ClienteNoRegistrado(double cliente, const QString& linea);

}  // namespace LineaComandos
