#pragma once
// What a save of the card checks before it sends anything, with no window:
// the window gathers the values, and names the box of the field a problem is
// found in.

#include <QString>
#include <QStringList>
#include <optional>

#include "domain/Tarjeta.h"

namespace Revision {

enum class Falta {
    CaracterIncompleto,  // half a character (a lone surrogate), pasted or stored
    FueraDelCodigo,      // characters outside the code page, for a column that holds only it
    DemasiadoLargo,      // longer than the procedure that stores it takes
    SinCiudad,           // an address typed with no city of the list
};

// What the save would send.
struct Captura {
    // Each field's text (Tarjeta::kNumCampos of them) as its box holds it;
    // empty for a field no box shows.
    QStringList textos;
    // Card columns (insert names in lower case) that hold only the server's
    // code page; empty where every column is Unicode.
    QStringList sinUnicode;
    // The guarantor's address and name as the procedures get them, where the
    // save sends them.
    std::optional<Tarjeta::Domicilio> domicilio;
    std::optional<Tarjeta::NombreAval> nombre;
    // The user wrote an address with no city to store it with, and the
    // branch has a city list to choose from.
    bool faltaCiudad = false;
};

struct Problema {
    Falta falta;
    int campo;      // the field to name and to put the focus on
    QString texto;  // FueraDelCodigo: the characters; DemasiadoLargo: the value
    int cabe = 0;   // DemasiadoLargo: what the procedure takes
};

// The first problem, checking in this order: half characters, then
// characters outside the code page, lengths, and the city, each field by
// field in the order of the card. No value: the card can be sent.
std::optional<Problema> Revisar(const Captura& captura);

}  // namespace Revision
