#include "domain/Arranque.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "data/Cp1252.h"
#include "data/Dbf.h"
#include "domain/Cifrado.h"
#include "domain/Global.h"
#include "system/Sistema.h"

namespace Arranque {

namespace {

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

QList<plataforma::CampoDbf> Campos() {
    return {{QStringLiteral("contrasena"), 'C', kLargoClave},
            {QStringLiteral("token"), 'C', kLargoToken},
            {QStringLiteral("server_SQL"), 'C', kLargoServidor},
            {QStringLiteral("usuario"), 'C', kLargoUsuario}};
}

bool EscribirRegistros(const QString& archivo, const QList<Datos>& registros, QString* error) {
    QList<QList<QByteArray>> filas;
    for (const Datos& r : registros)
        filas.append({CifrarBytes(plataforma::Cp1252::aBytes(r.clave), true),
                      CifrarBytes(plataforma::Cp1252::aBytes(r.sucursal), true),
                      plataforma::Cp1252::aBytes(r.servidor),
                      plataforma::Cp1252::aBytes(r.usuario)});
    return plataforma::TablaDbf::escribir(archivo, Campos(), filas, error);
}

bool Escribir(const QString& archivo, const Datos& d, QString* error) {
    const QString sucursal = d.sucursal.trimmed();
    if (sucursal.size() > 7) {
        *error = QStringLiteral("the branch code has more than 7 characters");
        return false;
    }
    for (const auto& [valor, nombre] :
         {std::pair{&d.servidor, "server"}, std::pair{&d.usuario, "login"},
          std::pair{&d.clave, "password"}}) {
        // The connection string reaches the driver as a C string: a NUL would
        // end the value there.
        QLatin1String que;
        if (valor->contains(QChar(0)))
            que = QLatin1String("a NUL byte");
        else if (!Global::ValorDeConexionAdmitido(valor->trimmed()))
            que = QLatin1String("\"};\"");
        else
            continue;
        *error = QStringLiteral(
                     "the %1 holds %2, which the SQL Server driver cannot pass on to the "
                     "server; choose another")
                     .arg(QLatin1String(nombre), que);
        return false;
    }
    QByteArray clave, token, servidor, usuario;
    if (!cifrado(QStringLiteral("password"), d.clave, kLargoClave, &clave, error) ||
        !cifrado(QStringLiteral("branch code"), sucursal.rightJustified(7, QLatin1Char(' ')),
                 kLargoToken, &token, error) ||
        !texto(QStringLiteral("server"), d.servidor, kLargoServidor, &servidor, error) ||
        !texto(QStringLiteral("login"), d.usuario, kLargoUsuario, &usuario, error))
        return false;
    const QList<plataforma::CampoDbf> campos = Campos();
    // The table holds the scrambled password: its owner and group (the desk
    // users) read it, nobody else.
    return plataforma::TablaDbf::escribir(
        archivo, campos, {{clave, token, servidor, usuario}}, error,
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup);
}

bool EscribirEnCarpeta(const QString& carpeta, const Datos& datos, QString* escrito,
                       QStringList* quitados, QString* error) {
    quitados->clear();
    Global::FalloArranque fallo;
    fallo.tipo = Global::FalloArranque::Tipo::Carpeta;
    fallo.ruta = carpeta;
    const QStringList existentes = plataforma::buscarTodosSinMayusculas(
        carpeta, QStringLiteral("ARRANQUE.DBF"), &fallo.lectura, &fallo.detalle);
    if (fallo.lectura != plataforma::Fallo::Ninguno) {
        *error = Mensaje(fallo);
        return false;
    }
    // Only regular files are replaced: a folder, a FIFO or a device by that
    // name is something the administrator put there, not an old table.
    for (const QString& e : existentes) {
        fallo.tipo = Global::FalloArranque::Tipo::Tabla;
        fallo.ruta = e;
        fallo.lectura = plataforma::tipoDeArchivo(e, &fallo.detalle);
        if (fallo.lectura == plataforma::Fallo::Ninguno) continue;
        *error = Mensaje(fallo) + QStringLiteral("; remove it first (nothing was written)");
        return false;
    }
    const QString nuevo = QDir(carpeta).filePath(QStringLiteral("ARRANQUE.dbf"));
    *escrito = existentes.isEmpty() || existentes.contains(nuevo) ? nuevo : existentes.first();
    if (!Escribir(*escrito, datos, error)) return false;
    for (const QString& e : existentes) {
        if (e == *escrito) continue;
        QFile viejo(e);
        if (!viejo.remove()) {
            *error = QStringLiteral(
                         "wrote %1 but could not remove %2 (%3); remove it, or the program "
                         "will refuse to start with two start-up tables")
                         .arg(*escrito, e, viejo.errorString());
            return false;
        }
        quitados->append(e);
    }
    return true;
}

namespace {

// The table's settings, or why it cannot be used and what to do about it.
bool leerAjustes(const QString& carpeta, Global::Ajustes* a, QString* error) {
    Global::FalloArranque fallo;
    if (!Global::LeerTabla(carpeta, a, &fallo)) {
        using Tipo = Global::FalloArranque::Tipo;
        *error = Mensaje(fallo);
        if (fallo.tipo == Tipo::NoEncontrada || fallo.tipo == Tipo::FaltaColumna ||
            fallo.tipo == Tipo::SinRegistros || fallo.tipo == Tipo::ValorNoAdmitido ||
            fallo.lectura == plataforma::Fallo::Danada ||
            fallo.lectura == plataforma::Fallo::DemasiadoGrande)
            *error += QStringLiteral("; write it again with 'arranque write'");
        else if (fallo.tipo == Tipo::Tabla && fallo.lectura != plataforma::Fallo::SinPermiso)
            *error += QStringLiteral("; remove it and run 'arranque write'");
        return false;
    }
    return true;
}

}  // namespace

bool DarAlGrupo(const QString& tabla, QString* aviso) {
    namespace sistema = plataforma::sistema;
    const long grupo = sistema::grupoCompartido();
    QString error;
    if (grupo < 0)
        error = QStringLiteral("there is no group '%1' here (the package creates it)")
                    .arg(QLatin1String(sistema::kGrupoCompartido));
    else if (sistema::repartir(tabla, -1, grupo, 0640, &error))
        return true;
    *aviso = QStringLiteral(
                 "%1, so %2 stays readable by its owner and the owner's group only; "
                 "desk users outside that group cannot start the program")
                 .arg(error, tabla);
    return false;
}

QString MensajeProteccion(const QString& archivo, int linea, const QString& detalle) {
    if (linea == 0) return QStringLiteral("cannot read %1: %2").arg(archivo, detalle);
    return QStringLiteral(
               "%1, line %2 ('%3'): not a setting, or a certificate file that is not an absolute "
               "path to a readable file (see tarjeta(1))")
        .arg(archivo)
        .arg(linea)
        .arg(detalle);
}

QString DescribirProteccion(const QString& carpeta, const QString& servidor, QString* error) {
    if (servidor.startsWith(QLatin1String("file:"), Qt::CaseInsensitive))
        return QStringLiteral("none needed (embedded databases, local files)");
    Global::Proteccion p;
    int linea = 0;
    QString detalle;
    if (!Global::LeerProteccion(carpeta, servidor, &p, &linea, &detalle)) {
        *error = MensajeProteccion(p.archivo, linea, detalle);
        return {};
    }
    const QString origen = p.archivo.isEmpty() ? QStringLiteral(" (the default: no %1 here)")
                                                     .arg(QLatin1String(Global::kArchivoProteccion))
                                               : QStringLiteral(" (from %1)").arg(p.archivo);
    if (!p.cifrar)
        return QStringLiteral(
                   "NONE: declared an unencrypted lab server; the password and every "
                   "client's data cross the network readable") +
               origen;
    if (p.autoridades.isEmpty())
        return QStringLiteral(
                   "TLS, the certificate NOT checked: eavesdroppers see nothing, but "
                   "whoever can pose as the server gets the password") +
               origen;
    return QStringLiteral("TLS, the certificate checked against %1, with the server's name")
               .arg(p.autoridades == QLatin1String("system")
                        ? QStringLiteral("the system's certificate authorities")
                        : p.autoridades) +
           origen;
}

bool Leer(const QString& carpeta, Datos* d, QString* error) {
    Global::Ajustes a;
    if (!leerAjustes(carpeta, &a, error)) return false;
    d->servidor = a.servidor;
    d->usuario = a.usuario;
    Texto7 sucursal;  // as the program holds it: 7 characters
    sucursal = a.sucursal;
    d->sucursal = sucursal.valor();
    return true;
}

bool Conectar(const QString& carpeta, plataforma::Conexion* conexion, QString* error) {
    Global::Ajustes a;
    if (!leerAjustes(carpeta, &a, error)) return false;
    if (a.servidor.startsWith(QLatin1String("file:"), Qt::CaseInsensitive)) {
        const QDir bases(a.servidor.mid(5));
        for (const char* nombre : {"erp_nax.db", "zelt.db"}) {
            const QString archivo = bases.filePath(QLatin1String(nombre));
            if (QFileInfo(archivo).isFile()) continue;
            *error = QStringLiteral(
                         "the embedded database %1 named by the start-up table does not exist "
                         "(create it with 'db init %2')")
                         .arg(archivo, bases.path());
            return false;
        }
    }
    QString detalle;
    Global::Proteccion p;
    int linea = 0;
    if (!a.servidor.startsWith(QLatin1String("file:"), Qt::CaseInsensitive) &&
        !Global::LeerProteccion(carpeta, a.servidor, &p, &linea, &detalle)) {
        *error = MensajeProteccion(p.archivo, linea, detalle);
        return false;
    }
    if (conexion->abrir(
            Global::ConProteccion(Global::CadenaBaseDatos(a.servidor, a.usuario, a.clave), p),
            &detalle))
        return true;
    // As the program does: a refused encryption is told apart from the rest.
    namespace sistema = plataforma::sistema;
    const auto porQue =
        p.cifrar && !a.servidor.startsWith(QLatin1String("file:"), Qt::CaseInsensitive)
            ? sistema::porQueNoSeCifro(a.servidor, detalle, !p.autoridades.isEmpty())
            : sistema::FalloDeCifrado::NoSeSabe;
    const QString ajustes = p.archivo.isEmpty()
                                ? QDir(carpeta).filePath(QLatin1String(Global::kArchivoProteccion))
                                : p.archivo;
    if (porQue == sistema::FalloDeCifrado::NoLoOfrece)
        *error = QStringLiteral(
                     "the server %1 offers no encryption, so neither the password nor anything "
                     "else was sent: install a certificate on the server (only for a lab server: "
                     "'unencrypted server = %1' in %2)")
                     .arg(a.servidor, ajustes);
    else if (porQue == sistema::FalloDeCifrado::CertificadoRechazado)
        *error = QStringLiteral(
                     "the certificate of %1 is not trusted here, or does not carry that name "
                     "(checked against %2), so neither the password nor anything else was sent: "
                     "name the authority that signed it in %3 ('certificate = FILE'), or, for a "
                     "server with only its self-signed certificate, 'certificate = unchecked'")
                     .arg(a.servidor,
                          p.autoridades == QLatin1String("system")
                              ? QStringLiteral("the system's certificate authorities")
                              : p.autoridades,
                          ajustes);
    else
        *error =
            QStringLiteral("cannot connect to the database on %1: %2").arg(a.servidor, detalle);
    return false;
}

QString Mensaje(const Global::FalloArranque& f) {
    using plataforma::Fallo;
    using Tipo = Global::FalloArranque::Tipo;
    auto queEs = [](Fallo lectura) -> QString {
        switch (lectura) {
            case Fallo::NoExiste:
                return QStringLiteral("does not exist");
            case Fallo::EnlaceRoto:
                return QStringLiteral("is a symbolic link to nothing");
            case Fallo::SinPermiso:
                return QStringLiteral("cannot be read: permission denied");
            case Fallo::EsCarpeta:
                return QStringLiteral("is a folder, not a file");
            case Fallo::NoEsCarpeta:
                return QStringLiteral("is not a folder");
            case Fallo::EsTuberia:
                return QStringLiteral("is a FIFO, not a file");
            case Fallo::EsDispositivo:
                return QStringLiteral("is a device, not a file");
            case Fallo::EsSocket:
                return QStringLiteral("is a socket, not a file");
            case Fallo::DemasiadoGrande:
                return QStringLiteral("is too large for a start-up table");
            case Fallo::Danada:
                return QStringLiteral("is damaged or not a DBF table");
            default:
                return QStringLiteral("cannot be read");
        }
    };
    QString mensaje;
    switch (f.tipo) {
        case Tipo::Ninguno:
            return {};
        case Tipo::Carpeta:
            mensaje = QStringLiteral("folder %1 %2").arg(f.ruta, queEs(f.lectura));
            break;
        case Tipo::NoEncontrada:
            mensaje = QStringLiteral("no start-up table ARRANQUE.DBF (in any letter case) in %1")
                          .arg(f.ruta);
            break;
        case Tipo::Varias:
            mensaje = QStringLiteral(
                          "%1 holds %2 start-up tables whose names differ only in case (%3); "
                          "the program refuses to choose: keep one, or run 'arranque write', "
                          "which leaves only the one it writes")
                          .arg(f.ruta)
                          .arg(f.tablas.size())
                          .arg(f.tablas.join(QStringLiteral(", ")));
            break;
        case Tipo::Tabla:
            mensaje = QStringLiteral("%1 %2").arg(f.ruta, queEs(f.lectura));
            break;
        case Tipo::FaltaColumna:
            mensaje = QStringLiteral("%1 lacks the column %2").arg(f.ruta, f.dato);
            break;
        case Tipo::SinRegistros:
            mensaje = QStringLiteral("%1 holds no record: the connection settings are missing")
                          .arg(f.ruta);
            break;
        case Tipo::ValorNoAdmitido: {
            const char* cual = f.dato == QLatin1String("servidor")  ? "server"
                               : f.dato == QLatin1String("usuario") ? "login"
                                                                    : "password";
            mensaje = QStringLiteral(
                          "in %1, the %2 holds \"};\", which the SQL Server driver cannot pass "
                          "on to the server")
                          .arg(f.ruta, QLatin1String(cual));
            break;
        }
    }
    const bool conDetalle = f.lectura == Fallo::SinPermiso || f.lectura == Fallo::Danada ||
                            f.lectura == Fallo::DemasiadoGrande || f.lectura == Fallo::Otro;
    if (conDetalle && !f.detalle.isEmpty()) mensaje += QStringLiteral(" (%1)").arg(f.detalle);
    return mensaje;
}

}  // namespace Arranque
