#pragma once
// The phone numbers that appear for two or more different clients, on their
// cards or among their extra contacts: a signal supervisors check (one
// client's reference who is another's guarantor, a "mobile" that is a shop's
// landline, many applicants giving one number). The admin tool's report;
// its texts are in English.
//
// Everything is read in one pass of one statement. Per phone value only the
// number, the place and the row are kept in memory, 12 bytes; the names and
// the values as stored wait in a temporary file until the shared numbers are
// known. A million cards with every phone filled and a million extra
// contacts take a few hundred megabytes.

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <functional>

#include "data/BaseDatos.h"

namespace TelefonosCompartidos {

// A stored value as the report compares it.
struct Numero {
    enum class Clase {
        Telefono,    // compared
        Vacio,       // blank or NULL
        SinDigitos,  // text without a digit ("N/A", "-")
        Relleno,     // one digit repeated: 0000000000, 1111111111, 0
        Largo,       // more than kMaxDigitos digits: no phone number
    };
    Clase clase = Clase::Vacio;
    // Telefono: the digits compared, after a 1 that keeps their leading
    // zeros (0614… and 614… differ).
    quint64 clave = 0;
    // A 13-digit mobile with 044, 045 or 521 in front, compared on its last
    // 10 digits.
    bool sinPrefijo = false;
    // The value as stored is the compared digits and nothing else.
    bool tal = false;

    QString digitos() const;
};

inline constexpr int kMaxDigitos = 17;

// Digits only (ASCII digits; anything else between them is dropped), then
// the mobile prefixes, then the filler check.
Numero Normalizar(QByteArrayView valor);

// The statement the report runs: every card with its names and phones, then
// every extra contact, in one result.
QString Sentencia();

struct Aparicion {
    qint64 cliente = 0;
    QString donde;   // the card's column, or "contacto extra"
    QString valor;   // as stored
    QString nombre;  // the name that goes with it on the card, or the contact's
};

struct Compartido {
    QString numero;
    int clientes = 0;
    QList<Aparicion> apariciones;  // by client, then in the card's order, extra contacts last
};

struct Cuentas {
    qint64 tarjetas = 0, contactos = 0;
    qint64 valores = 0;  // phone values looked at, left-out ones included
    qint64 vacios = 0, sinDigitos = 0, relleno = 0, largos = 0;
    qint64 sinPrefijo = 0;  // compared on their last 10 digits
};

struct Informe {
    int minClientes = 2;
    QList<Compartido> compartidos;  // most clients first, then by number
    Cuentas cuentas;
};

// Told now and then what the report is doing ("reading: 65536 rows").
using Avance = std::function<void(const QString& que)>;

// Reads the open connection and fills *informe; false and *error when the
// database or the temporary file fails.
bool Generar(plataforma::Conexion& conexion, int minClientes, Informe* informe, QString* error,
             const Avance& avance = {});

// An aligned text table (number and count on each number's first line).
QString Tabla(const Informe& informe);
// Comma-separated values with a header row, one line per place, for a
// spreadsheet; a text that a spreadsheet would take for a formula gets an
// apostrophe in front.
QString Csv(const Informe& informe);
// What was read, left out and compared on the last 10 digits.
QString Resumen(const Informe& informe);

}  // namespace TelefonosCompartidos
