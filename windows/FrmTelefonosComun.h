#pragma once
// What the phone-card window's source files (windows/FrmTelefonos*.cpp)
// share: the titles of its messages and the properties its layout sets on
// the numeric boxes. Nothing else includes it.

#include <QString>

namespace VentanaTelefonos {

inline const QString kTituloCaptura = QStringLiteral("Error de Captura");
inline const QString kTituloAlta = QStringLiteral("Alta de Tarjeta Telefónica");
inline const QString kTituloCambio = QStringLiteral("Cambio a Tarjeta Telefónica");
inline const QString kCaptionBase = QStringLiteral("Tarjeta Telefónica de: ");

// A numeric box: its key presses go through the digits-only filter, and the
// length it must have when the focus leaves it (0: any).
inline constexpr const char* kPropNumerica = "soloNumeros";
inline constexpr const char* kPropLargo = "largoTelefono";

}  // namespace VentanaTelefonos
