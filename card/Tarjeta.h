#pragma once
// The card's storage contract: the columns of zelt.dbo.tarjeta_telefonica_cliente
// in the order of the insert statement, how the update and the load name each
// one, and where its value comes from on the window.

#include <array>

namespace Tarjeta {

enum class Fuente {
    Cliente,     // the client number
    Texto,       // the text of a box
    Casilla,     // the state of a check box, 0 or 1
    NombreAval,  // the guarantor's full name
    Usuario,     // the 7-character user code
};

struct Columna {
    const char* insertar;    // as the insert names it
    const char* actualizar;  // as the update names it; nullptr: not updated
    const char* leer;        // as the load reads it; nullptr: not read
    Fuente fuente;
    const char* control;  // object name of the box, for Texto and Casilla
};

// The references stand in the order 1, 3, 4, 2; the insert spells two columns
// with other capitals than the update and the load, which the database treats
// as the same names.
// clang-format off
inline constexpr std::array<Columna, 43> kColumnas{{
    {"cliente", nullptr, nullptr, Fuente::Cliente, nullptr},
    {"Principal_Nombre", "Principal_Nombre", "Principal_Nombre", Fuente::Texto, "TxtDueno"},
    {"Principal_Mismo", "Principal_Mismo", "Principal_Mismo", Fuente::Casilla, "ChkMismo"},
    {"Principal_Telefono", "Principal_Telefono", "Principal_Telefono", Fuente::Texto, "TxtPrincipal_Telefono"},
    {"Principal_celular", "Principal_celular", "Principal_celular", Fuente::Texto, "TxtPrincipal_Celular"},
    {"Principal_centro", "Principal_centro", "Principal_centro", Fuente::Texto, "TxtPrincipal_Centro"},
    {"Principal_Telefono_centro", "Principal_Telefono_centro", "Principal_Telefono_centro", Fuente::Texto, "TxtPrincipal_telefono_centro"},
    {"Principal_extension_centro", "Principal_extension_centro", "Principal_extension_centro", Fuente::Texto, "TxtPrincipal_extension_centro"},
    {"conyuge_nombre", "conyuge_nombre", "conyuge_nombre", Fuente::Texto, "TxtConyuge_Nombre"},
    {"conyuge_tiene", "conyuge_tiene", "conyuge_tiene", Fuente::Casilla, "ChkConyuge"},
    {"conyuge_celular", "conyuge_celular", "conyuge_celular", Fuente::Texto, "TxtConyuge_Celular"},
    {"conyuge_centro", "conyuge_centro", "conyuge_centro", Fuente::Texto, "TxtConyuge_Centro"},
    {"conyuge_telefono_Centro", "conyuge_telefono_Centro", "conyuge_telefono_centro", Fuente::Texto, "TxtConyuge_centro_telefono"},
    {"conyuge_extension_centro", "conyuge_extension_centro", "conyuge_extension_centro", Fuente::Texto, "TxtConyuge_centro_extension"},
    {"referencia1_nombre", "referencia1_nombre", "referencia1_nombre", Fuente::Texto, "txtRef1_Nombre"},
    {"referencia1_telefono", "referencia1_telefono", "referencia1_telefono", Fuente::Texto, "TxtRef1_Telefono"},
    {"referencia1_celular", "referencia1_celular", "referencia1_celular", Fuente::Texto, "TxtRef1_Celular"},
    {"referencia1_parentesco", "referencia1_parentesco", "referencia1_parentesco", Fuente::Texto, "TxtRef1_parentesco"},
    {"referencia3_nombre", "referencia3_nombre", "referencia3_nombre", Fuente::Texto, "txtRef3_Nombre"},
    {"referencia3_telefono", "referencia3_telefono", "referencia3_telefono", Fuente::Texto, "TxtRef3_Telefono"},
    {"referencia3_celular", "referencia3_celular", "referencia3_celular", Fuente::Texto, "TxtRef3_Celular"},
    {"referencia3_parentesco", "referencia3_parentesco", "referencia3_parentesco", Fuente::Texto, "TxtRef3_parentesco"},
    {"referencia4_nombre", "referencia4_nombre", "referencia4_nombre", Fuente::Texto, "txtRef4_Nombre"},
    {"referencia4_telefono", "referencia4_telefono", "referencia4_telefono", Fuente::Texto, "TxtRef4_Telefono"},
    {"referencia4_celular", "referencia4_celular", "referencia4_celular", Fuente::Texto, "TxtRef4_Celular"},
    {"referencia4_parentesco", "referencia4_parentesco", "referencia4_parentesco", Fuente::Texto, "TxtRef4_parentesco"},
    {"referencia2_nombre", "referencia2_nombre", "referencia2_nombre", Fuente::Texto, "txtRef2_Nombre"},
    {"referencia2_telefono", "referencia2_telefono", "referencia2_telefono", Fuente::Texto, "TxtRef2_Telefono"},
    {"referencia2_celular", "referencia2_celular", "referencia2_celular", Fuente::Texto, "TxtRef2_Celular"},
    {"referencia2_parentesco", "referencia2_parentesco", "referencia2_parentesco", Fuente::Texto, "TxtRef2_parentesco"},
    {"aval_Nombre", "aval_Nombre", nullptr, Fuente::NombreAval, nullptr},
    {"aval_tiene", "aval_tiene", "aval_tiene", Fuente::Casilla, "ChkAval"},
    {"aval_Telefono", "aval_Telefono", "aval_Telefono", Fuente::Texto, "TxtAval_telefono"},
    {"aval_celular", "aval_celular", "aval_celular", Fuente::Texto, "TxtAval_Celular"},
    {"aval_centro", "aval_centro", "aval_centro", Fuente::Texto, "TxtAval_Centro"},
    {"aval_Telefono_centro", "aval_Telefono_centro", "aval_Telefono_centro", Fuente::Texto, "TxtAval_Telefono_centro"},
    {"aval_extension_centro", "aval_extension_centro", "aval_extension_centro", Fuente::Texto, "TxtAval_extension_centro"},
    {"anotaciones", "anotaciones", "anotaciones", Fuente::Texto, "TxtAnotaciones"},
    {"usuario_genera", nullptr, nullptr, Fuente::Usuario, nullptr},
    {"aval_centro_conyuge", "aval_centro_conyuge", "aval_centro_conyuge", Fuente::Texto, "TxtAval_Centro_Conyuge"},
    {"Aval_telefono_centro_conyuge", "aval_telefono_centro_conyuge", "aval_telefono_centro_conyuge", Fuente::Texto, "TxtAval_Telefono_centro_conyuge"},
    {"aval_extension_centro_conyuge", "aval_extension_centro_conyuge", "aval_extension_centro_conyuge", Fuente::Texto, "TxtAval_extension_centro_conyuge"},
    {"aval_nombre_conyuge", "aval_nombre_conyuge", "aval_nombre_conyuge", Fuente::Texto, "TxtAval_Nombre_Conyuge"},
}};
// clang-format on

// Position of the user-code row, where the update sets fecha_cambia and
// usuario_cambia instead.
inline constexpr int kFilaUsuarioGenera = 38;

}  // namespace Tarjeta
