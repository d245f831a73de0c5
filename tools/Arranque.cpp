#include "Arranque.h"

#include "Cifrado.h"
#include "Cp1252.h"
#include "Dbf.h"
#include "Global.h"

namespace Arranque {

namespace {

constexpr int kLargoClave = 60;
constexpr int kLargoToken = 30;
constexpr int kLargoServidor = 80;
constexpr int kLargoUsuario = 40;

// What the program gets back from a stored value: trailing blanks and NULs
// dropped by the table reader, then blanks trimmed at both ends.
QByteArray comoSeLee(QByteArray b) {
    while (!b.isEmpty() && (b.endsWith(' ') || b.endsWith('\0'))) b.chop(1);
    while (b.startsWith(' ')) b.remove(0, 1);
    return b;
}

bool cifrado(const QString& nombre, const QString& valor, int largo, QByteArray* salida,
             QString* error) {
    bool completo = true;
    const QByteArray claro = plataforma::Cp1252::aBytes(valor, &completo);
    if (!completo) {
        *error = QStringLiteral("the %1 has characters outside Windows-1252").arg(nombre);
        return false;
    }
    *salida = CifrarBytes(claro, true);
    if (salida->size() > largo) {
        *error = QStringLiteral("the %1 is longer than %2 characters").arg(nombre).arg(largo);
        return false;
    }
    if (CifrarBytes(comoSeLee(*salida), false) != claro) {
        *error = QStringLiteral(
                     "the %1 cannot be stored: its scrambled form would not read back the same "
                     "(it begins or ends with a blank, or holds a character the cipher cannot "
                     "round-trip); choose another")
                     .arg(nombre);
        return false;
    }
    return true;
}

bool texto(const QString& nombre, const QString& valor, int largo, QByteArray* salida,
           QString* error) {
    bool completo = true;
    *salida = plataforma::Cp1252::aBytes(valor.trimmed(), &completo);
    if (!completo) {
        *error = QStringLiteral("the %1 has characters outside Windows-1252").arg(nombre);
        return false;
    }
    if (salida->size() > largo) {
        *error = QStringLiteral("the %1 is longer than %2 characters").arg(nombre).arg(largo);
        return false;
    }
    return true;
}

}  // namespace

bool Escribir(const QString& archivo, const Datos& d, QString* error) {
    const QString sucursal = d.sucursal.trimmed();
    if (sucursal.size() > 7) {
        *error = QStringLiteral("the branch code has more than 7 characters");
        return false;
    }
    for (const auto& [valor, nombre] :
         {std::pair{&d.servidor, "server"}, std::pair{&d.usuario, "login"},
          std::pair{&d.clave, "password"}}) {
        if (Global::ValorDeConexionAdmitido(valor->trimmed())) continue;
        *error = QStringLiteral(
                     "the %1 holds \"};\", which the SQL Server driver cannot pass on "
                     "to the server; choose another")
                     .arg(QLatin1String(nombre));
        return false;
    }
    QByteArray clave, token, servidor, usuario;
    if (!cifrado(QStringLiteral("password"), d.clave, kLargoClave, &clave, error) ||
        !cifrado(QStringLiteral("branch code"), sucursal.rightJustified(7, QLatin1Char(' ')),
                 kLargoToken, &token, error) ||
        !texto(QStringLiteral("server"), d.servidor, kLargoServidor, &servidor, error) ||
        !texto(QStringLiteral("login"), d.usuario, kLargoUsuario, &usuario, error))
        return false;
    const QList<plataforma::CampoDbf> campos{{QStringLiteral("contrasena"), 'C', kLargoClave},
                                             {QStringLiteral("token"), 'C', kLargoToken},
                                             {QStringLiteral("server_SQL"), 'C', kLargoServidor},
                                             {QStringLiteral("usuario"), 'C', kLargoUsuario}};
    return plataforma::TablaDbf::escribir(archivo, campos, {{clave, token, servidor, usuario}},
                                          error);
}

bool Leer(const QString& carpeta, Datos* d, QString* error) {
    qputenv("NAX_DIR", carpeta.toLocal8Bit());
    if (!Global::LeerArranque(error)) return false;
    d->servidor = plataforma::valorDeCadena(Global::CadenaConexion, QStringLiteral("Server"));
    d->usuario = plataforma::valorDeCadena(Global::CadenaConexion, QStringLiteral("Uid"));
    d->sucursal = Global::SucursalActual.valor();
    return true;
}

}  // namespace Arranque
