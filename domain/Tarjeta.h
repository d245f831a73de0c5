#pragma once
// The card's storage, with no window: the columns of
// zelt.dbo.tarjeta_telefonica_cliente in the order of the insert statement
// (how the update and the load name each one, what kind of value it holds), a
// card as a plain row of values in that order, and the statements and
// procedure calls that read and write it for a session's client
// (Global::Sesion: its connection, client, user and branch).

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <array>
#include <optional>
#include <string_view>

#include "domain/Global.h"

namespace Tarjeta {

enum class Fuente {
    Cliente,     // the client number
    Texto,       // a text the user types
    Casilla,     // the state of a check box, 0 or 1
    NombreAval,  // the guarantor's full name
    Usuario,     // the 7-character user code
};

struct Columna {
    const char* insertar;    // as the insert names it
    const char* actualizar;  // as the update names it; nullptr: not updated
    const char* leer;        // as the load reads it; nullptr: not read
    Fuente fuente;
    // Characters the column holds, counted as the database counts them (in
    // UTF-16 units); 0: no limit, or not a text.
    int ancho;
};

// The references stand in the order 1, 3, 4, 2; the insert spells two columns
// with other capitals than the update and the load, which the database treats
// as the same names.
// clang-format off
inline constexpr std::array<Columna, 43> kColumnas{{
    {"cliente", nullptr, nullptr, Fuente::Cliente, 0},
    {"Principal_Nombre", "Principal_Nombre", "Principal_Nombre", Fuente::Texto, 100},
    {"Principal_Mismo", "Principal_Mismo", "Principal_Mismo", Fuente::Casilla, 0},
    {"Principal_Telefono", "Principal_Telefono", "Principal_Telefono", Fuente::Texto, 10},
    {"Principal_celular", "Principal_celular", "Principal_celular", Fuente::Texto, 13},
    {"Principal_centro", "Principal_centro", "Principal_centro", Fuente::Texto, 80},
    {"Principal_Telefono_centro", "Principal_Telefono_centro", "Principal_Telefono_centro", Fuente::Texto, 10},
    {"Principal_extension_centro", "Principal_extension_centro", "Principal_extension_centro", Fuente::Texto, 30},
    {"conyuge_nombre", "conyuge_nombre", "conyuge_nombre", Fuente::Texto, 100},
    {"conyuge_tiene", "conyuge_tiene", "conyuge_tiene", Fuente::Casilla, 0},
    {"conyuge_celular", "conyuge_celular", "conyuge_celular", Fuente::Texto, 13},
    {"conyuge_centro", "conyuge_centro", "conyuge_centro", Fuente::Texto, 80},
    {"conyuge_telefono_Centro", "conyuge_telefono_Centro", "conyuge_telefono_centro", Fuente::Texto, 10},
    {"conyuge_extension_centro", "conyuge_extension_centro", "conyuge_extension_centro", Fuente::Texto, 30},
    {"referencia1_nombre", "referencia1_nombre", "referencia1_nombre", Fuente::Texto, 100},
    {"referencia1_telefono", "referencia1_telefono", "referencia1_telefono", Fuente::Texto, 10},
    {"referencia1_celular", "referencia1_celular", "referencia1_celular", Fuente::Texto, 13},
    {"referencia1_parentesco", "referencia1_parentesco", "referencia1_parentesco", Fuente::Texto, 30},
    {"referencia3_nombre", "referencia3_nombre", "referencia3_nombre", Fuente::Texto, 100},
    {"referencia3_telefono", "referencia3_telefono", "referencia3_telefono", Fuente::Texto, 10},
    {"referencia3_celular", "referencia3_celular", "referencia3_celular", Fuente::Texto, 13},
    {"referencia3_parentesco", "referencia3_parentesco", "referencia3_parentesco", Fuente::Texto, 30},
    {"referencia4_nombre", "referencia4_nombre", "referencia4_nombre", Fuente::Texto, 100},
    {"referencia4_telefono", "referencia4_telefono", "referencia4_telefono", Fuente::Texto, 10},
    {"referencia4_celular", "referencia4_celular", "referencia4_celular", Fuente::Texto, 13},
    {"referencia4_parentesco", "referencia4_parentesco", "referencia4_parentesco", Fuente::Texto, 30},
    {"referencia2_nombre", "referencia2_nombre", "referencia2_nombre", Fuente::Texto, 100},
    {"referencia2_telefono", "referencia2_telefono", "referencia2_telefono", Fuente::Texto, 10},
    {"referencia2_celular", "referencia2_celular", "referencia2_celular", Fuente::Texto, 13},
    {"referencia2_parentesco", "referencia2_parentesco", "referencia2_parentesco", Fuente::Texto, 30},
    {"aval_Nombre", "aval_Nombre", nullptr, Fuente::NombreAval, 130},
    {"aval_tiene", "aval_tiene", "aval_tiene", Fuente::Casilla, 0},
    {"aval_Telefono", "aval_Telefono", "aval_Telefono", Fuente::Texto, 10},
    {"aval_celular", "aval_celular", "aval_celular", Fuente::Texto, 13},
    {"aval_centro", "aval_centro", "aval_centro", Fuente::Texto, 80},
    {"aval_Telefono_centro", "aval_Telefono_centro", "aval_Telefono_centro", Fuente::Texto, 10},
    {"aval_extension_centro", "aval_extension_centro", "aval_extension_centro", Fuente::Texto, 30},
    {"anotaciones", "anotaciones", "anotaciones", Fuente::Texto, 0},
    {"usuario_genera", nullptr, nullptr, Fuente::Usuario, 7},
    {"aval_centro_conyuge", "aval_centro_conyuge", "aval_centro_conyuge", Fuente::Texto, 80},
    {"Aval_telefono_centro_conyuge", "aval_telefono_centro_conyuge", "aval_telefono_centro_conyuge", Fuente::Texto, 10},
    {"aval_extension_centro_conyuge", "aval_extension_centro_conyuge", "aval_extension_centro_conyuge", Fuente::Texto, 30},
    {"aval_nombre_conyuge", "aval_nombre_conyuge", "aval_nombre_conyuge", Fuente::Texto, 80},
}};
// clang-format on

// Position of the user-code row, where the update sets fecha_cambia and
// usuario_cambia instead.
inline constexpr int kFilaUsuarioGenera = 38;

inline constexpr int kNumColumnas = int(kColumnas.size());

// Position in kColumnas of a column, by any of its spellings (capitals do not
// matter); -1 when there is none.
int Indice(QLatin1String columna);

// The fields of a card, as the window shows it and the merge and the save
// checks take it: its row's columns in the order of kColumnas, then the
// guarantor's address and name.
enum : int {
    kCampoCalle = kNumColumnas,
    kCampoColonia,
    kCampoCodigo,
    kCampoCiudad,  // the city's name; its number goes with it
    kCampoPaterno,
    kCampoMaterno,
    kCampoNombre,
    kNumCampos
};

// The field of a column, for tables the compiler builds: a name that is not a
// column of kColumnas (capitals aside) does not compile.
consteval int Campo(std::string_view columna) {
    const auto minuscula = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    for (int i = 0; i < kNumColumnas; ++i) {
        const std::string_view nombre = kColumnas[size_t(i)].insertar;
        if (nombre.size() != columna.size()) continue;
        bool igual = true;
        for (size_t k = 0; k < nombre.size() && igual; ++k)
            igual = minuscula(nombre[k]) == minuscula(columna[k]);
        if (igual) return i;
    }
    throw "not a column of the card";
}

// Characters a field holds, counted as the database counts them: a column as
// its table keeps it, the guarantor's address and name as the procedures that
// store them take them. 0: no limit (the notes), or not a text. The boxes
// take it as their typing limit, and the save refuses a longer address or
// name before sending anything.
constexpr int Ancho(int campo) {
    switch (campo) {
        case kCampoCalle:
            return 200;
        case kCampoColonia:
            return 40;
        case kCampoCodigo:
            return 10;
        case kCampoCiudad:
            return 50;
        case kCampoPaterno:
        case kCampoMaterno:
        case kCampoNombre:
            return 40;
        default:
            return campo >= 0 && campo < kNumColumnas ? kColumnas[size_t(campo)].ancho : 0;
    }
}

// One card: a value per column of kColumnas, in that order. Texts as strings,
// check boxes as 0 or 1; the client and user rows are filled by the save from
// the current client and user. A NULL read is a null QVariant.
struct Fila {
    std::array<QVariant, kNumColumnas> valores;

    QVariant& operator[](QLatin1String columna) { return valores[size_t(Indice(columna))]; }
    const QVariant& operator[](QLatin1String columna) const {
        return valores[size_t(Indice(columna))];
    }
    // The column's text; NULL reads as empty.
    QString texto(QLatin1String columna) const;
};

// The guarantor's home address, as CONSULTA_DOMICILIO_CLIENTE returns it and
// GUARDA_DOMICILIO_CLIENTE takes it.
struct Domicilio {
    QString calle;
    QVariant ciudad;  // the city's number; NULL when the stored row has none
    QString colonia;
    QString codigo;
    QString nombreCiudad;
};

// The guarantor's name, as the contact procedures hold it.
struct NombreAval {
    QString nombre;
    QString paterno;
    QString materno;
};

// A stored card as the load finds it. It is also the version a change is
// checked against: the change date and user, or, for a card nobody has
// changed yet, its values.
struct Leida {
    bool existe = false;  // false: no card stored for the client yet
    Fila fila;
    QVariant fechaGenera;    // when the card was created
    QVariant fechaCambia;    // when it was last changed; NULL: never
    QVariant usuarioCambia;  // who changed it last
    // Whether the row has the aval_Nombre column at all (older tables may not).
    bool conAvalNombre = false;
    // Card columns (by their insert name, in lower case) that hold only the
    // server's code page; empty where every column is Unicode.
    QStringList columnasSinUnicode;
    std::optional<Domicilio> domicilio;
    std::optional<NombreAval> nombreAval;
};

struct Ciudad {
    QString nombre;  // trimmed, in capitals
    int numero = 0;
};

// Each reader leaves the error as the database's own words.

// The readings of a card window's opening, in the order they are made.
enum class Lectura { Sucursal, Permiso, Nombre, Ciudades, Tarjeta, Domicilio, NombreAval };
// What could not be read, as a first sentence: "No se pudo leer la tarjeta del
// cliente."
QString QueNoSeLeyo(Lectura lectura);

// Everything the card window shows when it opens.
struct Inicio {
    std::optional<bool> puede;             // see LeerPermiso
    std::optional<QString> nombreCliente;  // see LeerNombreCliente
    QList<Ciudad> ciudades;
    Leida leida;
};
// Reads the branch's state (into s.estado), the user's permission, the
// client's name, the state's cities and the card. On SQL Server it is one
// request; on the embedded database the same readings one after another,
// stopping at a client not on file. On failure *fallo is the reading that
// failed and *detalle the database's words.
bool LeerInicio(Global::Sesion& s, Inicio* inicio, Lectura* fallo, QString* detalle);

// Whether the current user may change cards; no value when the user is not on
// file.
bool LeerPermiso(Global::Sesion& s, std::optional<bool>* puede, QString* error);
// The current client's name (NULL reads as empty); no value when the client is
// not on file.
bool LeerNombreCliente(Global::Sesion& s, std::optional<QString>* nombre, QString* error);
// The branch's state's cities, by name; rows without a number or a name are
// left out.
bool LeerCiudades(Global::Sesion& s, QList<Ciudad>* ciudades, QString* error);
// The current client's card, then (for a stored one) the guarantor's address
// and name. On failure, *error says what could not be read ("No se pudo leer
// la tarjeta del cliente."), and *detalle gets the database's own words (or,
// without detalle, *error ends with them).
bool Cargar(Global::Sesion& s, Leida* leida, QString* error, QString* detalle = nullptr);

// How a save ended.
enum class Desenlace {
    Guardada,
    Fallo,      // nothing stored; the error is the database's own words
    Conflicto,  // another desk stored the card after it was read: nothing stored
    Incierto,   // the link was lost with the commit sent: stored, or not at all
};

// A new card, then the guarantor's address and name where given, in one
// transaction; Conflicto when a card for the client exists already. Once
// stored, *version is the card as stored. On Conflicto, *actual (when given)
// is the card as stored now if the server sent it back with the refusal (SQL
// Server does), and empty otherwise: then it is read with Cargar.
Desenlace Insertar(Global::Sesion& s, const Fila& fila, const std::optional<Domicilio>& domicilio,
                   const std::optional<NombreAval>& nombre, Leida* version, QString* error,
                   std::optional<Leida>* actual = nullptr);
// A change to the stored card, the guarantor's address marked active or not,
// then the address and name where given, in one transaction; only while the
// stored card is still *version (Conflicto otherwise, or when it is gone).
// Once stored, *version is the card as stored; *actual as for Insertar.
Desenlace Actualizar(Global::Sesion& s, const Fila& fila, bool sinAval,
                     const std::optional<Domicilio>& domicilio,
                     const std::optional<NombreAval>& nombre, Leida* version, QString* error,
                     std::optional<Leida>* actual = nullptr);

}  // namespace Tarjeta
