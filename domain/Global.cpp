#include "domain/Global.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "data/Cp1252.h"
#include "domain/Cifrado.h"
#include "system/Sistema.h"

namespace Global {

namespace {

QString textoArranque(const plataforma::TablaDbf& tabla, const QString& campo) {
    const auto v = tabla.valor(0, campo);
    return v ? plataforma::Cp1252::aTexto(*v) : QString();
}

// Trims blanks (only blanks) at both ends of raw bytes.
QByteArray recortar(QByteArray b) {
    qsizetype i = 0, f = b.size();
    while (i < f && b[i] == ' ') ++i;
    while (f > i && b[f - 1] == ' ') --f;
    return b.mid(i, f - i);
}

// An ODBC value that holds a separator or a brace goes between braces, as
// it stands: the driver (FreeTDS) reads a braced value up to the first "}"
// that a ";" follows and undoes no doubling. A value holding "};" cannot be
// passed at all (see ValorDeConexionAdmitido).
QString valorOdbc(const QString& v) {
    if (!v.contains(QLatin1Char(';')) && !v.contains(QLatin1Char('{')) &&
        !v.contains(QLatin1Char('}')))
        return v;
    return QLatin1Char('{') + v + QLatin1Char('}');
}

}  // namespace

QString ConDetalle(const QString& mensaje, const QString& detalle) {
    if (detalle.trimmed().isEmpty()) return mensaje;
    return mensaje + QStringLiteral("\nDetalle: ") + detalle.trimmed();
}

bool ValorDeConexionAdmitido(const QString& v) {
    // The connection string reaches the driver as a C string: a NUL would
    // cut it there.
    return !v.contains(QLatin1String("};")) && !v.contains(QChar(0));
}

QString CarpetaArranque() {
    const QString env = qEnvironmentVariable("NAX_DIR");
    if (!env.isEmpty()) return env;
    return plataforma::sistema::carpetaArranque();
}

QString CadenaArranque(const QString& carpeta) {
    return QStringLiteral(" Driver={Microsoft Visual FoxPro Driver}; ") +
           QStringLiteral(" SourceType=DBF; ") + QStringLiteral(" SourceDB=") + carpeta +
           QStringLiteral("; ") + QStringLiteral(" Exclusive=No ");
}

QString CadenaBaseDatos(const QString& servidor, const QString& usuario, const QString& clave) {
    return QStringLiteral("Driver={SQL Server};Server=") + valorOdbc(servidor) +
           QStringLiteral(";Database=erp_nax;Uid=") + valorOdbc(usuario) + QStringLiteral(";Pwd=") +
           valorOdbc(clave) + QStringLiteral(";");
}

bool LeerProteccion(const QString& carpeta, const QString& servidor, Proteccion* p, int* linea,
                    QString* detalle) {
    *p = Proteccion();
    *linea = 0;
    QFile f(QDir(carpeta).filePath(QLatin1String(kArchivoProteccion)));
    if (!f.exists()) return true;
    p->archivo = f.fileName();
    // A settings file is a few lines: anything larger is not one.
    if (!f.open(QIODevice::ReadOnly) || f.size() > 65536) {
        *detalle = f.size() > 65536 ? QStringLiteral("más de 64 KiB") : f.errorString();
        return false;
    }
    const QList<QByteArray> lineas = f.readAll().split('\n');
    for (qsizetype i = 0; i < lineas.size(); ++i) {
        const QString texto = QString::fromUtf8(lineas[i]).trimmed();
        if (texto.isEmpty() || texto.startsWith(QLatin1Char('#'))) continue;
        const qsizetype igual = texto.indexOf(QLatin1Char('='));
        const QString clave = texto.left(igual).simplified().toLower();
        const QString valor = texto.mid(igual + 1).trimmed();
        bool bien = igual > 0 && !valor.isEmpty();
        if (bien && clave == QLatin1String("certificate")) {
            const QFileInfo ca(valor);
            if (valor == QLatin1String("unchecked"))
                p->autoridades.clear();
            else if (valor == QLatin1String("system") ||
                     (ca.isAbsolute() && ca.isFile() && ca.isReadable()))
                p->autoridades = valor;
            else
                bien = false;
        } else if (bien && clave == QLatin1String("unencrypted server")) {
            if (valor.compare(servidor.trimmed(), Qt::CaseInsensitive) == 0) p->cifrar = false;
        } else {
            bien = false;
        }
        if (!bien) {
            *linea = int(i + 1);
            *detalle = texto;
            return false;
        }
    }
    return true;
}

QString ConProteccion(const QString& cadena, const Proteccion& p) {
    if (!p.cifrar) return cadena + QStringLiteral("Encrypt=no;");
    if (p.autoridades.isEmpty()) return cadena + QStringLiteral("Encrypt=yes;");
    return cadena + QStringLiteral("Encrypt=yes;CAFile=") + valorOdbc(p.autoridades) +
           QLatin1Char(';');
}

bool LeerArranque(Ajustes* ajustes, FalloArranque* fallo) {
    return LeerTabla(CarpetaArranque(), ajustes, fallo);
}

bool LeerTabla(const QString& carpeta, Ajustes* ajustes, FalloArranque* fallo) {
    using Tipo = FalloArranque::Tipo;
    *fallo = FalloArranque();
    auto falla = [&](Tipo tipo, const QString& ruta) {
        fallo->tipo = tipo;
        fallo->ruta = ruta;
        return false;
    };
    const QStringList tablas = plataforma::buscarTodosSinMayusculas(
        carpeta, QStringLiteral("ARRANQUE.DBF"), &fallo->lectura, &fallo->detalle);
    if (fallo->lectura != plataforma::Fallo::Ninguno) return falla(Tipo::Carpeta, carpeta);
    if (tablas.isEmpty()) return falla(Tipo::NoEncontrada, carpeta);
    // Which of two tables is the right one cannot be told; reading either
    // could connect with settings the administrator meant to replace.
    if (tablas.size() > 1) {
        fallo->tablas = tablas;
        return falla(Tipo::Varias, carpeta);
    }
    const QString archivo = tablas.first();
    plataforma::TablaDbf tabla;
    if (!tabla.leer(archivo, &fallo->detalle, 1)) {  // only the first record counts
        fallo->lectura = tabla.fallo();
        return falla(Tipo::Tabla, archivo);
    }
    for (const char* columna : {"contrasena", "token", "server_SQL", "usuario"}) {
        if (!tabla.tieneCampo(QLatin1String(columna))) {
            fallo->dato = QLatin1String(columna);
            return falla(Tipo::FaltaColumna, archivo);
        }
    }
    if (tabla.registros() == 0) return falla(Tipo::SinRegistros, archivo);
    const QByteArray contrasena =
        recortar(tabla.valor(0, QStringLiteral("contrasena")).value_or(""));
    const QByteArray token = recortar(tabla.valor(0, QStringLiteral("token")).value_or(""));
    const QString clave = plataforma::Cp1252::aTexto(CifrarBytes(contrasena, false));
    const QString sucursal = plataforma::Cp1252::aTexto(CifrarBytes(token, false));
    const QString servidor = textoArranque(tabla, QStringLiteral("server_SQL")).trimmed();
    const QString usuario = textoArranque(tabla, QStringLiteral("usuario")).trimmed();
    // The branch code goes into every address stored: no NUL in it either.
    for (const auto& [valor, nombre] :
         {std::pair{&servidor, "servidor"}, std::pair{&usuario, "usuario"},
          std::pair{&clave, "clave"}, std::pair{&sucursal, "sucursal"}}) {
        if (ValorDeConexionAdmitido(*valor)) continue;
        fallo->dato = QLatin1String(nombre);
        return falla(Tipo::ValorNoAdmitido, archivo);
    }
    *ajustes = {servidor, usuario, clave, sucursal};
    return true;
}

bool LeerArranque(Ajustes* ajustes, QString* error) {
    FalloArranque fallo;
    if (LeerArranque(ajustes, &fallo)) return true;
    *error = MensajeArranque(fallo);
    return false;
}

QString MensajeArranque(const FalloArranque& f) {
    using plataforma::Fallo;
    using Tipo = FalloArranque::Tipo;
    const QString ruta = QDir::toNativeSeparators(f.ruta);
    const QString reescribir = QStringLiteral(
        "pida al administrador del sistema que la vuelva a escribir con "
        "«tarjeta-admin arranque write».");
    // Why a table or a folder is no file to read, as the first sentence says it.
    auto queEs = [](Fallo lectura) -> QString {
        switch (lectura) {
            case Fallo::EsCarpeta:
                return QStringLiteral("es una carpeta, no un archivo");
            case Fallo::EsTuberia:
                return QStringLiteral("es una tubería (FIFO), no un archivo");
            case Fallo::EsDispositivo:
                return QStringLiteral("es un dispositivo, no un archivo");
            case Fallo::EsSocket:
                return QStringLiteral("es un socket, no un archivo");
            case Fallo::EnlaceRoto:
                return QStringLiteral("es un enlace simbólico a algo que no existe");
            case Fallo::SinPermiso:
                return QStringLiteral("no se puede leer: permiso denegado");
            case Fallo::DemasiadoGrande:
                return QStringLiteral("es demasiado grande para ser una tabla de arranque");
            case Fallo::Danada:
                return QStringLiteral("está dañada o no es una tabla DBF");
            default:
                return QStringLiteral("no se puede leer");  // the detail says why
        }
    };
    QString mensaje;
    switch (f.tipo) {
        case Tipo::Ninguno:
            return {};
        case Tipo::Carpeta:
            if (f.lectura == Fallo::NoExiste)
                mensaje = QStringLiteral(
                              "No existe la carpeta %1 de la tabla de arranque: pida al "
                              "administrador del sistema que la cree con «tarjeta-admin "
                              "arranque write» o que corrija la variable NAX_DIR.")
                              .arg(ruta);
            else if (f.lectura == Fallo::SinPermiso)
                mensaje = QStringLiteral(
                              "La carpeta %1 de la tabla de arranque no se puede leer: "
                              "permiso denegado; pida al administrador del sistema que le "
                              "dé permiso de lectura y de paso.")
                              .arg(ruta);
            else if (f.lectura == Fallo::NoEsCarpeta)
                mensaje = QStringLiteral(
                              "%1, donde debe estar la tabla de arranque, no es una carpeta: "
                              "pida al administrador del sistema que corrija la variable NAX_DIR.")
                              .arg(ruta);
            else
                mensaje = QStringLiteral(
                              "La carpeta %1 de la tabla de arranque %2: pida al administrador "
                              "del sistema que la revise o que corrija la variable NAX_DIR.")
                              .arg(ruta, queEs(f.lectura));
            break;
        case Tipo::NoEncontrada:
            mensaje = QStringLiteral(
                          "No se encontró la tabla de arranque ARRANQUE.DBF en la carpeta %1: "
                          "pida al administrador del sistema que la escriba con "
                          "«tarjeta-admin arranque write».")
                          .arg(ruta);
            break;
        case Tipo::Varias: {
            QStringList nombres;
            for (const QString& t : f.tablas) nombres.append(QFileInfo(t).fileName());
            mensaje = QStringLiteral(
                          "Hay %1 tablas de arranque en la carpeta %2 cuyos nombres solo "
                          "difieren en mayúsculas (%3) y no se sabe cuál vale: pida al "
                          "administrador del sistema que deje solo una; «tarjeta-admin "
                          "arranque write» deja solo la que escribe.")
                          .arg(f.tablas.size())
                          .arg(ruta, nombres.join(QStringLiteral(", ")));
            break;
        }
        case Tipo::Tabla:
            if (f.lectura == Fallo::NoExiste)
                mensaje = QStringLiteral(
                              "La tabla de arranque %1 desapareció mientras se leía: vuelva a "
                              "abrir el programa y, si sigue faltando, %2")
                              .arg(ruta, reescribir);
            else if (f.lectura == Fallo::SinPermiso)
                mensaje = QStringLiteral(
                              "La tabla de arranque %1 no se puede leer: permiso denegado; "
                              "pida al administrador del sistema que agregue a este usuario al "
                              "grupo «tarjeta», que puede leerla, o que le dé permiso de "
                              "lectura.")
                              .arg(ruta);
            else if (f.lectura == Fallo::Danada)
                mensaje = QStringLiteral("No se puede leer la tabla de arranque %1, que %2: %3")
                              .arg(ruta, queEs(f.lectura), reescribir);
            else if (f.lectura == Fallo::Otro)
                mensaje = QStringLiteral(
                              "No se puede leer la tabla de arranque %1: pida al administrador "
                              "del sistema que la revise.")
                              .arg(ruta);
            else if (f.lectura == Fallo::DemasiadoGrande)
                mensaje = QStringLiteral("La tabla de arranque %1 %2: %3")
                              .arg(ruta, queEs(f.lectura), reescribir);
            else  // something else stands where the table should: the tool will not replace it
                mensaje = QStringLiteral(
                              "La tabla de arranque %1 %2: pida al administrador del sistema que "
                              "lo quite y escriba la tabla con «tarjeta-admin arranque write».")
                              .arg(ruta, queEs(f.lectura));
            break;
        case Tipo::FaltaColumna:
            mensaje = QStringLiteral("A la tabla de arranque %1 le falta la columna %2: %3")
                          .arg(ruta, f.dato, reescribir);
            break;
        case Tipo::SinRegistros:
            mensaje = QStringLiteral(
                          "La tabla de arranque %1 no tiene ningún registro, así que faltan "
                          "los datos de conexión a la base de datos: %2")
                          .arg(ruta, reescribir);
            break;
        case Tipo::ValorNoAdmitido: {
            if (f.dato == QLatin1String("sucursal")) {
                mensaje = QStringLiteral(
                              "En la tabla de arranque %1, el código de sucursal contiene un "
                              "carácter nulo, que no puede guardarse: %2")
                              .arg(ruta, reescribir);
                break;
            }
            const QString cual = f.dato == QLatin1String("servidor") ? QStringLiteral("el servidor")
                                 : f.dato == QLatin1String("usuario")
                                     ? QStringLiteral("el usuario")
                                     : QStringLiteral("la contraseña");
            mensaje = QStringLiteral(
                          "En la tabla de arranque %1, %2 de la base de datos contiene «};» o un "
                          "carácter nulo, que el controlador de SQL Server no puede transmitir: "
                          "pida al administrador del sistema que lo cambie.")
                          .arg(ruta, cual);
            break;
        }
    }
    // The system's or the reader's own words, where they add to the above.
    const bool conDetalle = f.lectura == Fallo::SinPermiso || f.lectura == Fallo::Danada ||
                            f.lectura == Fallo::DemasiadoGrande || f.lectura == Fallo::Otro;
    if (conDetalle && !f.detalle.isEmpty()) mensaje += QStringLiteral("\nDetalle: ") + f.detalle;
    return mensaje;
}

namespace {

// Why an embedded database cannot be opened, for a file on this desk or a
// share: the file and its fault, and what the administrator does about it.
QString MensajeBaseEmbebida(const plataforma::FalloArchivo& f) {
    using plataforma::Fallo;
    const QString respaldo =
        QStringLiteral(
            "de su respaldo (sin datos que conservar, «tarjeta-admin db init %1 --force» vuelve a "
            "crear las dos bases, vacías).")
            .arg(QDir::toNativeSeparators(QFileInfo(f.archivo).path()));
    QString queHacer;
    switch (f.tipo) {
        case Fallo::NoExiste:
        case Fallo::NoEsCarpeta:
        case Fallo::EnlaceRoto:
        case Fallo::Danada:
            queHacer =
                QStringLiteral(": pida al administrador del sistema que la restaure ") + respaldo;
            break;
        case Fallo::EsCarpeta:
        case Fallo::EsTuberia:
        case Fallo::EsDispositivo:
        case Fallo::EsSocket:
            queHacer = QStringLiteral(
                           ": pida al administrador del sistema que lo quite y restaure la base ") +
                       respaldo;
            break;
        case Fallo::SinPermiso:
        case Fallo::SinEscritura:
            queHacer = QStringLiteral(
                "; pida al administrador del sistema que agregue a este usuario al grupo "
                "«tarjeta» («tarjeta-admin db init» deja las bases y su carpeta con permiso de "
                "lectura y escritura para ese grupo) o que le dé ese permiso sobre ella y sobre "
                "su carpeta.");
            break;
        default:
            queHacer = QStringLiteral(": pida al administrador del sistema que la revise.");
            break;
    }
    const bool conDetalle = f.tipo == Fallo::SinPermiso || f.tipo == Fallo::SinEscritura ||
                            f.tipo == Fallo::Danada || f.tipo == Fallo::Otro;
    return ConDetalle(f.texto() + queHacer, conDetalle ? f.detalle : QString());
}

}  // namespace

namespace {

// The connection to SQL Server could not be encrypted, or its certificate
// checked: nothing was sent but the pre-login, and the administrator is
// told what to change. Empty when the driver's words say something else.
QString MensajeSinCifrado(const QString& servidor, const Proteccion& p, const QString& detalle) {
    namespace sistema = plataforma::sistema;
    const QString archivo = QDir::toNativeSeparators(
        p.archivo.isEmpty() ? QDir(CarpetaArranque()).filePath(QLatin1String(kArchivoProteccion))
                            : p.archivo);
    switch (sistema::porQueNoSeCifro(servidor, detalle, !p.autoridades.isEmpty())) {
        case sistema::FalloDeCifrado::NoLoOfrece:
            return QStringLiteral(
                       "El servidor %1 no ofrece cifrado, así que no se le envió la contraseña "
                       "ni ningún dato. Pida al administrador del sistema que instale un "
                       "certificado en el servidor; solo si es un servidor de pruebas, que lo "
                       "declare sin cifrado en %2 («unencrypted server = %1»).")
                .arg(servidor, archivo);
        case sistema::FalloDeCifrado::CertificadoRechazado:
            return QStringLiteral(
                       "El certificado del servidor %1 no es de confianza para este equipo o no "
                       "lleva ese nombre (se revisó contra %2), así que no se le envió la "
                       "contraseña ni ningún "
                       "dato. Pida al administrador del sistema que indique en %3 el archivo de "
                       "la autoridad que lo firmó («certificate = ARCHIVO») o, si el servidor "
                       "solo tiene un certificado hecho por él mismo, que lo acepte sin "
                       "revisarlo («certificate = unchecked»).")
                .arg(servidor,
                     p.autoridades == QLatin1String("system")
                         ? QStringLiteral("los certificados del sistema")
                         : QDir::toNativeSeparators(p.autoridades),
                     archivo);
        case sistema::FalloDeCifrado::NoSeSabe:
            break;
    }
    return {};
}

}  // namespace

QString MensajeProteccion(const QString& archivo, int linea, const QString& detalle) {
    const QString f = QDir::toNativeSeparators(archivo);
    if (linea == 0)
        return ConDetalle(QStringLiteral("No se puede leer %1, que dice cómo se protege la "
                                         "conexión con el servidor: pida al administrador del "
                                         "sistema que lo revise.")
                              .arg(f),
                          detalle);
    return QStringLiteral(
               "La línea %1 de %2 («%3») no se entiende, o nombra un archivo de certificados que "
               "no existe o no se puede leer; así que no se sabe cómo proteger la conexión con "
               "el servidor: pida al administrador del sistema que la corrija (vea «man "
               "tarjeta»).")
        .arg(linea)
        .arg(f, detalle);
}

bool AbrirSesion(Sesion* sesion, QString* error) {
    Ajustes a;
    if (!LeerArranque(&a, error)) return false;
    sesion->sucursal = a.sucursal;
    plataforma::Conexion& bd = sesion->conexion;
    QString detalle;
    Proteccion p;
    const bool embebida = a.servidor.startsWith(QLatin1String("file:"), Qt::CaseInsensitive);
    if (int linea = 0;
        !embebida && !LeerProteccion(CarpetaArranque(), a.servidor, &p, &linea, &detalle)) {
        *error = MensajeProteccion(p.archivo, linea, detalle);
        return false;
    }
    const QString cadena = CadenaBaseDatos(a.servidor, a.usuario, a.clave);
    if (!bd.abrir(embebida ? cadena : ConProteccion(cadena, p), &detalle)) {
        if (bd.falloArchivo().tipo != plataforma::Fallo::Ninguno) {
            *error = MensajeBaseEmbebida(bd.falloArchivo());
            return false;
        }
        if (!embebida && p.cifrar) {
            if (const QString m = MensajeSinCifrado(a.servidor, p, detalle); !m.isEmpty()) {
                *error = m;
                return false;
            }
        }
        *error = ConDetalle(
            QStringLiteral("No se pudo conectar con la base de datos (servidor %1). Revise que la "
                           "red funcione y vuelva a abrir la tarjeta; si el problema sigue, avise "
                           "a sistemas.")
                .arg(a.servidor),
            detalle);
        return false;
    }
    return true;
}

namespace {

// The state of a branch whose distribution centre is `centro` (the opening's
// batch on SQL Server says the same in T-SQL).
qint16 estadoDelCentro(const QVariant& centro) {
    const QString c = centro.isNull() ? QString() : centro.toString();
    return (c == QLatin1String("      1") || c == QLatin1String("      3")) ? 8 : 19;
}

}  // namespace

QString TrasUnFallo(const Sesion& sesion, const QString& hecho, const QString& detalle) {
    if (const auto& f = sesion.conexion.falloArchivo(); f.tipo != plataforma::Fallo::Ninguno)
        return hecho + QStringLiteral(".\n") + MensajeBaseEmbebida(f);
    return ConDetalle(hecho + QStringLiteral(": vuelva a guardar en un momento y, si el problema "
                                             "sigue, avise a sistemas."),
                      detalle);
}

bool LeerEstado(Sesion& sesion, QString* error) {
    auto rs = sesion.conexion.consultar(
        QStringLiteral("SELECT centro_distribucion FROM erp_nax.dbo.Sucursales WHERE sucursal = ?"),
        {sesion.sucursal.valor()}, error);
    if (!rs) return false;
    sesion.estado = rs->alFinal() ? 0 : estadoDelCentro(rs->valor(0));
    rs->cerrar();
    return true;
}

QString NumeroPlano(double n) {
    return QString::number(n, 'f', QLocale::FloatingPointShortest);
}

}  // namespace Global
