#include "Global.h"

#include <QDir>

#include "Cifrado.h"
#include "Comun.h"
#include "Cp1252.h"
#include "Dbf.h"

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

bool ValorDeConexionAdmitido(const QString& v) {
    return !v.contains(QLatin1String("};"));
}

QString CarpetaArranque() {
    const QString env = qEnvironmentVariable("NAX_DIR");
    if (!env.isEmpty()) return env;
#ifdef Q_OS_WIN
    return QStringLiteral("C:\\nax\\");
#else
    return QStringLiteral("/etc/nax/");
#endif
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

bool LeerArranque(QString* error) {
    const QString cadena = CadenaArranque(CarpetaArranque());
    const QString carpeta = plataforma::valorDeCadena(cadena, QStringLiteral("SourceDB"));
    SqlActual = QStringLiteral("select * from ARRANQUE");
    const QString archivo =
        plataforma::buscarSinMayusculas(carpeta, QStringLiteral("ARRANQUE.DBF"));
    if (archivo.isEmpty()) {
        *error =
            QStringLiteral("No se encontró la tabla de arranque ARRANQUE.DBF en la carpeta %1.")
                .arg(QDir::toNativeSeparators(carpeta));
        return false;
    }
    plataforma::TablaDbf tabla;
    QString detalle;
    if (!tabla.leer(archivo, &detalle)) {
        *error = QStringLiteral("No se puede leer la tabla de arranque %1: %2.")
                     .arg(QDir::toNativeSeparators(archivo), detalle);
        return false;
    }
    for (const char* columna : {"contrasena", "token", "server_SQL", "usuario"}) {
        if (!tabla.tieneCampo(QLatin1String(columna))) {
            *error = QStringLiteral("A la tabla de arranque %1 le falta la columna %2.")
                         .arg(QDir::toNativeSeparators(archivo), QLatin1String(columna));
            return false;
        }
    }
    if (tabla.registros() == 0) {
        *error = QStringLiteral(
                     "La tabla de arranque %1 no tiene ningún registro: faltan los datos de "
                     "conexión a la base de datos.")
                     .arg(QDir::toNativeSeparators(archivo));
        return false;
    }
    // Only the first record counts.
    const QByteArray contrasena =
        recortar(tabla.valor(0, QStringLiteral("contrasena")).value_or(""));
    const QByteArray token = recortar(tabla.valor(0, QStringLiteral("token")).value_or(""));
    const QString clave = plataforma::Cp1252::aTexto(CifrarBytes(contrasena, false));
    SucursalActual = plataforma::Cp1252::aTexto(CifrarBytes(token, false));
    const QString servidor = textoArranque(tabla, QStringLiteral("server_SQL")).trimmed();
    const QString usuario = textoArranque(tabla, QStringLiteral("usuario")).trimmed();
    for (const auto& [valor, nombre] :
         {std::pair{&servidor, "el servidor"}, std::pair{&usuario, "el usuario"},
          std::pair{&clave, "la contraseña"}}) {
        if (ValorDeConexionAdmitido(*valor)) continue;
        *error = QStringLiteral(
                     "En la tabla de arranque %1, %2 de la base de datos contiene «};», "
                     "que el controlador de SQL Server no puede transmitir. Pida al "
                     "administrador que lo cambie.")
                     .arg(QDir::toNativeSeparators(archivo), QLatin1String(nombre));
        return false;
    }
    CadenaConexion = CadenaBaseDatos(servidor, usuario, clave);
    return true;
}

bool AbrirConexion(QString* error) {
    if (!LeerArranque(error)) return false;
    QString detalle;
    if (!Conexion.abrir(CadenaConexion, &detalle)) {
        *error = ConDetalle(
            QStringLiteral("No se pudo conectar con la base de datos (servidor %1). Revise que la "
                           "red funcione y vuelva a abrir la tarjeta; si el problema sigue, avise "
                           "a sistemas.")
                .arg(plataforma::valorDeCadena(CadenaConexion, QStringLiteral("Server"))),
            detalle);
        return false;
    }
    SqlActual =
        QStringLiteral("SELECT centro_distribucion FROM erp_nax.dbo.Sucursales WHERE sucursal = ?");
    auto RsDatos = Conexion.consultar(SqlActual, {SucursalActual.valor()}, &detalle);
    if (!RsDatos) {
        *error = ConDetalle(QStringLiteral("No se pudo consultar la sucursal. ") +
                                QString::fromUtf16(kVuelvaAAbrir),
                            detalle);
        Conexion.cerrar();
        return false;
    }
    if (!RsDatos->alFinal()) {
        const QVariant centro = RsDatos->valor(0);
        const QString c = centro.isNull() ? QString() : centro.toString();
        EstadoSucursal = (c == QLatin1String("      1") || c == QLatin1String("      3")) ? 8 : 19;
    }
    RsDatos->cerrar();
    return true;
}

void CerrarConexion() {
    Conexion.cerrar();
}

QString NumeroPlano(double n) {
    return QString::number(n, 'f', QLocale::FloatingPointShortest);
}

void Reiniciar() {
    Conexion.cerrar();
    Conexion.ponerObservador({});
    CadenaConexion.clear();
    SqlActual.clear();
    UsuarioActual = Texto7();
    SucursalActual = Texto7();
    ClienteActual = 0;
    EstadoSucursal = 0;
}

}  // namespace Global
