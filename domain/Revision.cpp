#include "domain/Revision.h"

#include <QList>
#include <utility>

#include "data/Cp1252.h"

namespace Revision {

namespace {

using namespace Tarjeta;

// Half a character cannot be sent at all.
std::optional<Problema> caracteresEnteros(const Captura& c) {
    for (int campo = 0; campo < kNumCampos; ++campo)
        if (!QStringView(c.textos.value(campo)).isValidUtf16())
            return Problema{Falta::CaracterIncompleto, campo, {}, 0};
    return std::nullopt;
}

// A column that holds only the server's code page would store '?' for any
// character outside it. The composed guarantor name is checked in its parts.
std::optional<Problema> textosAdmitidos(const Captura& c) {
    if (c.sinUnicode.isEmpty()) return std::nullopt;
    for (int i = 0; i < kNumColumnas; ++i) {
        const Columna& columna = kColumnas[size_t(i)];
        if (!c.sinUnicode.contains(QString::fromLatin1(columna.insertar).toLower())) continue;
        QList<int> campos;
        if (columna.fuente == Fuente::NombreAval)
            campos = {kCampoPaterno, kCampoMaterno, kCampoNombre};
        else if (columna.fuente == Fuente::Texto)
            campos = {i};
        for (const int campo : std::as_const(campos)) {
            const QString faltan = plataforma::Cp1252::sinCodigo(c.textos.value(campo));
            if (!faltan.isEmpty()) return Problema{Falta::FueraDelCodigo, campo, faltan, 0};
        }
    }
    return std::nullopt;
}

// The address and name procedures hold so many characters of each value; a
// longer one, stored earlier or pasted, is refused rather than cut.
std::optional<Problema> largosAdmitidos(const Captura& c) {
    QList<std::pair<int, QString>> enviados;
    if (const auto& d = c.domicilio)
        enviados = {{kCampoCalle, d->calle},
                    {kCampoColonia, d->colonia},
                    {kCampoCodigo, d->codigo},
                    {kCampoCiudad, d->nombreCiudad}};
    if (const auto& n = c.nombre)
        enviados << std::pair{kCampoPaterno, n->paterno} << std::pair{kCampoMaterno, n->materno}
                 << std::pair{kCampoNombre, n->nombre};
    for (const auto& [campo, texto] : std::as_const(enviados))
        if (texto.size() > Ancho(campo))
            return Problema{Falta::DemasiadoLargo, campo, texto, Ancho(campo)};
    return std::nullopt;
}

}  // namespace

std::optional<Problema> Revisar(const Captura& captura) {
    if (auto p = caracteresEnteros(captura)) return p;
    if (auto p = textosAdmitidos(captura)) return p;
    if (auto p = largosAdmitidos(captura)) return p;
    if (captura.faltaCiudad) return Problema{Falta::SinCiudad, kCampoCiudad, {}, 0};
    return std::nullopt;
}

}  // namespace Revision
