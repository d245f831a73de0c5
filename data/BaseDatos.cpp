#include "data/BaseDatos.h"

#include <QAtomicInt>
#include <QDateTime>
#include <QDir>
#include <QSqlError>
#include <QSqlField>
#include <QTemporaryFile>
#include <cmath>
#include <cstdlib>

#include "data/BaseSqlite.h"
#include "data/DialectoSqlite.h"
#include "data/Odbc.h"
#include "system/Sistema.h"

namespace plataforma {

namespace {

// Seconds a login may take before the connection is given up.
constexpr int kEsperaLogin = 8;

QString textoError(const QSqlError& e) {
    QString t = e.databaseText().trimmed();
    const QString d = e.driverText().trimmed();
    if (t.isEmpty()) return d;
    if (!d.isEmpty() && !t.contains(d)) t += QStringLiteral(" (") + d + QLatin1Char(')');
    return t;
}

// SQL Server reports a broken unique key as 2627 or 2601; SQLite names it.
bool esClaveDuplicada(const QSqlError& e) {
    const QString codigo = e.nativeErrorCode();
    return codigo == QLatin1String("2627") || codigo == QLatin1String("2601") ||
           e.databaseText().contains(QLatin1String("UNIQUE constraint failed")) ||
           e.databaseText().contains(QLatin1String("PRIMARY KEY constraint failed"));
}

QVariant enlazable(const QVariant& v) {
    if (v.typeId() == QMetaType::QString && v.toString().isNull())
        return QString(QLatin1String(""));
    return v;
}

QString nombreSinArroba(const QString& n) {
    return n.startsWith(QLatin1Char('@')) ? n.mid(1) : n;
}

// The connections added to Qt SQL's registry and not closed yet. Qt SQL keeps
// its registry in a static object built on the first addDatabase; exit()
// destroys it before the static objects built ahead of it, such as the
// program's own connection, whose destructor would then reach a registry
// that is gone. An exit handler registered right after that first
// addDatabase runs before the registry is destroyed and closes what is still
// open. The list itself is never destroyed, so that it outlives every user.
QList<Conexion*>& abiertas() {
    static auto* const lista = new QList<Conexion*>;
    return *lista;
}

void cerrarAbiertas() {
    while (!abiertas().isEmpty()) abiertas().constLast()->cerrar();
}

// The embedded databases a connection string names ("Server=file:DIR"): the
// main one first; none for a server.
QStringList archivosEmbebidos(const QString& cadena) {
    const QString servidor = valorDeCadena(cadena, QStringLiteral("Server"));
    if (!servidor.startsWith(QLatin1String("file:"), Qt::CaseInsensitive)) return {};
    const QDir carpeta(servidor.mid(5));
    return {carpeta.filePath(QStringLiteral("erp_nax.db")),
            carpeta.filePath(QStringLiteral("zelt.db"))};
}

// Each key=value pair of a connection string in turn: its key, its value and
// where the pair ends (past its ';'). Pairs are separated by ';'; a value in
// braces may hold ';' and braces, and ends at the first '}' followed by ';' or
// by the end, as the driver reads it.
template <typename Cada>
void recorrerCadena(const QString& cadena, Cada cada) {
    qsizetype i = 0;
    const qsizetype n = cadena.size();
    while (i < n) {
        const qsizetype igual = cadena.indexOf(QLatin1Char('='), i);
        if (igual < 0) break;
        const qsizetype inicio = i;
        const QString nombre = cadena.mid(i, igual - i).trimmed();
        qsizetype j = igual + 1;
        while (j < n && cadena.at(j) == QLatin1Char(' ')) ++j;
        QString valor;
        if (j < n && cadena.at(j) == QLatin1Char('{')) {
            ++j;
            qsizetype cierre = cadena.indexOf(QLatin1String("};"), j);
            if (cierre < 0) cierre = cadena.endsWith(QLatin1Char('}')) ? n - 1 : n;
            valor = cadena.mid(j, cierre - j);
            i = std::min(cierre + 2, n);
        } else {
            const qsizetype fin = cadena.indexOf(QLatin1Char(';'), j);
            valor = cadena.mid(j, (fin < 0 ? n : fin) - j).trimmed();
            i = fin < 0 ? n : fin + 1;
        }
        if (!cada(nombre, valor, inicio, i)) return;
    }
}

}  // namespace

QString valorDeCadena(const QString& cadena, const QString& clave) {
    QString hallado;
    recorrerCadena(cadena, [&](const QString& nombre, const QString& valor, qsizetype, qsizetype) {
        if (nombre.compare(clave, Qt::CaseInsensitive) != 0) return true;
        hallado = valor;
        return false;
    });
    return hallado;
}

QString sinClavesDeCadena(const QString& cadena, const QStringList& claves) {
    QString resto;
    recorrerCadena(cadena,
                   [&](const QString& nombre, const QString&, qsizetype desde, qsizetype hasta) {
                       if (!claves.contains(nombre, Qt::CaseInsensitive)) {
                           resto += cadena.mid(desde, hasta - desde);
                           if (!resto.endsWith(QLatin1Char(';'))) resto += QLatin1Char(';');
                       }
                       return true;
                   });
    return resto;
}

// ---------------------------------------------------------------- Resultado

Resultado::Resultado(QSqlQuery consulta) : consulta_(std::move(consulta)) {
    registro_ = consulta_.record();
    enFila_ = consulta_.next();
    vacio_ = !enFila_;
}

Resultado::Resultado(FilasOdbc copia) : copia_(std::make_unique<FilasOdbc>(std::move(copia))) {
    enFila_ = !copia_->filas.isEmpty();
    vacio_ = !enFila_;
}

Resultado::~Resultado() {
    cerrar();
}

int Resultado::columnas() const {
    return copia_ ? int(copia_->nombres.size()) : registro_.count();
}

QString Resultado::nombreColumna(int posicion) const {
    if (posicion < 0 || posicion >= columnas()) return {};
    return copia_ ? copia_->nombres[posicion] : registro_.fieldName(posicion);
}

int Resultado::indice(const QString& nombre) const {
    if (!copia_) return registro_.indexOf(nombre);
    for (qsizetype i = 0; i < copia_->nombres.size(); ++i)
        if (copia_->nombres[i].compare(nombre, Qt::CaseInsensitive) == 0) return int(i);
    return -1;
}

bool Resultado::tieneColumna(const QString& nombre) const {
    return indice(nombre) >= 0;
}

bool Resultado::columnaUnicode(const QString& nombre) const {
    const int i = indice(nombre);
    return !copia_ || i < 0 || copia_->unicode[i];
}

QVariant Resultado::valor(const QString& nombre) const {
    const int i = indice(nombre);
    if (i < 0 || !enFila_) return {};
    return valor(i);
}

QVariant Resultado::valor(int posicion) const {
    if (!enFila_ || posicion < 0 || posicion >= columnas()) return {};
    return copia_ ? copia_->filas[fila_][posicion] : consulta_.value(posicion);
}

bool Resultado::siguiente() {
    if (enFila_) {
        if (copia_)
            enFila_ = ++fila_ < copia_->filas.size();
        else
            enFila_ = consulta_.next();
    }
    return enFila_;
}

void Resultado::cerrar() {
    enFila_ = false;
    if (!copia_) consulta_.finish();
}

// ----------------------------------------------------------------- Conexion

Conexion::Conexion() {
    static QAtomicInt contador;
    nombreConexion_ = QStringLiteral("tarjeta-%1").arg(contador.fetchAndAddRelaxed(1));
}

Conexion::~Conexion() {
    cerrar();
}

qsizetype Conexion::cuantasAbiertas() {
    return abiertas().size();
}

bool Conexion::abierta() const {
    if (motor_ == Motor::Odbc) return odbc_ != nullptr;
    return motor_ != Motor::Ninguno && bd_.isOpen();
}

QString FalloArchivo::texto() const {
    const QString f = QDir::toNativeSeparators(archivo);
    switch (tipo) {
        case Fallo::Ninguno:
            return {};
        case Fallo::NoExiste:
            return QStringLiteral("Falta la base de datos %1").arg(f);
        case Fallo::NoEsCarpeta:
            return QStringLiteral("Falta la base de datos %1 (parte de su ruta no es una carpeta)")
                .arg(f);
        case Fallo::EnlaceRoto:
            return QStringLiteral("La base de datos %1 es un enlace simbólico a algo que no existe")
                .arg(f);
        case Fallo::EsCarpeta:
            return QStringLiteral("La base de datos %1 es una carpeta, no un archivo").arg(f);
        case Fallo::EsTuberia:
            return QStringLiteral("La base de datos %1 es una tubería (FIFO), no un archivo")
                .arg(f);
        case Fallo::EsDispositivo:
            return QStringLiteral("La base de datos %1 es un dispositivo, no un archivo").arg(f);
        case Fallo::EsSocket:
            return QStringLiteral("La base de datos %1 es un socket, no un archivo").arg(f);
        case Fallo::SinPermiso:
            return QStringLiteral("La base de datos %1 no se puede abrir: permiso denegado").arg(f);
        case Fallo::Danada:
            return QStringLiteral(
                       "La base de datos %1 está dañada o no es una base de datos de SQLite")
                .arg(f);
        case Fallo::SinEscritura:
            return QStringLiteral(
                       "La base de datos %1 no se puede modificar: este usuario no tiene permiso "
                       "de escritura sobre ella o sobre su carpeta")
                .arg(f);
        default:
            return QStringLiteral("No se puede abrir la base de datos %1").arg(f);
    }
}

bool Conexion::abrir(const QString& cadena, QString* error) {
    cerrar();
    cancelada_ = false;
    falloArchivo_ = {};
    cadena_ = cadena;
    secreto_ = valorDeCadena(cadena, QStringLiteral("Pwd"));
    const QString servidor = valorDeCadena(cadena, QStringLiteral("Server"));
    if (const QStringList archivos = archivosEmbebidos(cadena); !archivos.isEmpty()) {
        const QString& principal = archivos[0];
        const QString& zelt = archivos[1];
        // Closes, notes which file failed and why, and words it.
        auto falla = [&](const QString& archivo, Fallo tipo, const QString& detalle) {
            cerrar();
            falloArchivo_ = {archivo, tipo, detalle};
            *error = falloArchivo_.texto();
            if (!detalle.isEmpty()) *error += QStringLiteral(": ") + detalle;
            return false;
        };
        QString detalle;
        for (const QString& f : {principal, zelt})
            if (const Fallo tipo = sqlite::revisarArchivo(f, &detalle); tipo != Fallo::Ninguno)
                return falla(f, tipo, detalle);
        // erp_nax is the main database, so its unqualified tables (personal,
        // ciudades) resolve first and a transaction over both files commits
        // atomically (rollback journal on a file-backed main database).
        // Each file is read before the next is attached: attaching reads the
        // schemas of all, and would blame the attached file for the main one.
        if (!abrirArchivoSqlite(principal, &detalle)) return falla(principal, Fallo::Otro, detalle);
        Fallo tipo = sqlite::comprobar(bd_, QStringLiteral("main"), &detalle);
        if (tipo != Fallo::Ninguno) return falla(principal, tipo, detalle);
        tipo = sqlite::adjuntar(bd_, zelt, QStringLiteral("zelt"), &detalle);
        if (tipo == Fallo::Ninguno) tipo = sqlite::comprobar(bd_, QStringLiteral("zelt"), &detalle);
        if (tipo != Fallo::Ninguno) return falla(zelt, tipo, detalle);
        return true;
    }

    // How the session is protected travels in the string as "Encrypt" (no:
    // a lab server without TLS) and "CAFile" (the authorities the server's
    // certificate is checked against; none: not checked); the system layer
    // words both as its driver takes them.
    const bool cifrar = valorDeCadena(cadena, QStringLiteral("Encrypt"))
                            .compare(QLatin1String("no"), Qt::CaseInsensitive) != 0;
    const QString autoridades = valorDeCadena(cadena, QStringLiteral("CAFile"));
    QString paraControlador = sistema::cadenaParaElControlador(
        sinClavesDeCadena(cadena, {QStringLiteral("Encrypt"), QStringLiteral("CAFile")}),
        esperaDelControlador(), cifrar);
    std::unique_ptr<QTemporaryFile> ajustesDelControlador;
    if (cifrar && !autoridades.isEmpty()) {
        paraControlador =
            sistema::conAutoridades(sinClavesDeCadena(paraControlador, {QStringLiteral("Server")}),
                                    servidor, autoridades, &ajustesDelControlador, error);
        if (paraControlador.isEmpty()) {
            cerrar();
            return false;
        }
    }
    FalloOdbc fallo;
    odbc_ = SesionOdbc::conectar(paraControlador, kEsperaLogin, &fallo, servidor);
    if (!odbc_) {
        cancelada_ = fallo.estado == QLatin1String("HY008");
        *error = limpiar(fallo.texto);
        cerrar();
        return false;
    }
    motor_ = Motor::Odbc;
    registrarAbierta();
    return true;
}

bool Conexion::abrirArchivoSqlite(const QString& archivo, QString* error) {
    cerrar();
    agregarBaseDatos(QStringLiteral("QSQLITE"));
    bd_.setDatabaseName(archivo);
    bd_.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (!bd_.open()) {
        *error = textoError(bd_.lastError());
        cerrar();
        return false;
    }
    motor_ = Motor::Sqlite;
    if (!sqlite::registrarFunciones(bd_, error)) {
        cerrar();
        return false;
    }
    return true;
}

void Conexion::agregarBaseDatos(const QString& tipo) {
    bd_ = QSqlDatabase::addDatabase(tipo, nombreConexion_);
    registrarAbierta();
}

void Conexion::registrarAbierta() {
    [[maybe_unused]] static const bool registrado = std::atexit(cerrarAbiertas) == 0;
    if (!abiertas().contains(this)) abiertas().append(this);
}

void Conexion::cerrar() {
    if (odbc_ && odbc_->ocupada()) {
        // Called from inside the wait of one of this connection's own
        // requests: that request is cancelled and its worker finished first;
        // the connection is closed as soon as the request returns.
        odbc_->interrumpir();
        abiertas().removeOne(this);
        cierrePendiente_ = true;
        return;
    }
    if (transaccion_) revertirTransaccion();
    transaccion_ = false;
    abiertas().removeOne(this);
    odbc_.reset();
    perdida_ = false;
    preparada_.reset();
    textoPreparado_.clear();
    if (bd_.isValid()) {
        bd_.close();
        bd_ = QSqlDatabase();
        QSqlDatabase::removeDatabase(nombreConexion_);
    }
    motor_ = Motor::Ninguno;
}

QString Conexion::limpiar(const QString& mensaje) const {
    if (secreto_.isEmpty()) return mensaje;
    QString m = mensaje;
    return m.replace(secreto_, QStringLiteral("****"));
}

QString Conexion::traducir(const QString& sql) const {
    return motor_ == Motor::Sqlite ? DialectoSqlite::traducir(sql) : sql;
}

bool Conexion::reabrir(QString* error) {
    QString detalle;
    if (abrir(QString(cadena_), &detalle)) return true;
    perdida_ = true;
    // An embedded file that is gone or damaged is no lost connection.
    if (falloArchivo_.tipo != Fallo::Ninguno) {
        *error = detalle;
        return false;
    }
    *error =
        QStringLiteral("Se perdió la conexión con la base de datos y no se pudo restablecer: %1")
            .arg(detalle);
    return false;
}

bool Conexion::observar(const Operacion& op, QString* error) {
    cancelada_ = false;
    if (perdida_ && !reabrir(error)) return false;
    if (!abierta()) {
        *error = QStringLiteral("La conexión con la base de datos no está abierta");
        return false;
    }
    if (!observador_) return true;
    const QString fallo = observador_(op);
    if (fallo.isEmpty()) return true;
    *error = fallo;
    return false;
}

bool Conexion::preparar(QSqlQuery& q, const QString& sql, QString* error) {
    q.setForwardOnly(true);
    if (q.prepare(traducir(sql))) return true;
    *error = limpiar(textoError(q.lastError()));
    return false;
}

bool Conexion::enlazarYEjecutar(QSqlQuery& q, const QVariantList& valores, QString* error) {
    duplicada_ = false;
    // Half a surrogate pair would be written as bytes that are not UTF-8.
    for (int i = 0; i < valores.size(); ++i) {
        if (valores[i].typeId() == QMetaType::QString &&
            !QStringView(valores[i].toString()).isValidUtf16()) {
            *error =
                QStringLiteral("El texto del valor %1 tiene un carácter incompleto").arg(i + 1);
            return false;
        }
    }
    for (int i = 0; i < valores.size(); ++i) q.bindValue(i, enlazable(valores[i]));
    if (q.exec()) return true;
    duplicada_ = esClaveDuplicada(q.lastError());
    *error = limpiar(textoError(q.lastError()));
    return false;
}

namespace {

// The message of a failed SQL Server call; a lost link or a time-out says
// that the next attempt connects again.
QString textoFallo(const FalloOdbc& f, const QString& texto) {
    // Given up by the user: said as it is; a connection cut on the way is
    // opened again by the next operation without a word.
    if (f.estado == QLatin1String("HY008")) return texto;
    if (f.estado.startsWith(QLatin1String("HYT")))
        return QStringLiteral(
                   "La base de datos no respondió a tiempo (%1); al intentarlo de nuevo se volverá "
                   "a conectar.")
            .arg(texto);
    if (f.conexionPerdida())
        return QStringLiteral(
                   "Se perdió la conexión con la base de datos (%1); al intentarlo de nuevo se "
                   "volverá a conectar.")
            .arg(texto);
    return texto;
}

}  // namespace

bool Conexion::odbcDirecta(const QString& sql, const QVariantList& valores,
                           const QList<int>& tamanos, FilasOdbc* filas, QString* error) {
    FalloOdbc f;
    return anotar(odbc_->directa(sql, valores, tamanos, filas, &f), f, error);
}

bool Conexion::anotar(bool ok, const FalloOdbc& f, QString* error) {
    duplicada_ = !ok && (f.nativo == 2627 || f.nativo == 2601);
    cancelada_ = !ok && f.estado == QLatin1String("HY008");
    if (!ok) {
        perdida_ = f.conexionPerdida();
        *error = textoFallo(f, limpiar(f.texto));
    }
    if (cierrePendiente_) {
        cierrePendiente_ = false;
        cerrar();
    }
    return ok;
}

QVariant Conexion::fechaComparable(const QVariant& leida) const {
    if (motor_ != Motor::Odbc || leida.isNull()) return leida;
    // The driver's text: "2026-12-08 13:20:05.003" for a datetime, every
    // fractional digit of a datetime2. Only the blank becomes the 'T' of
    // ISO 8601; "yyyy-mm-dd hh:mm:ss" is read as year-day-month under a
    // day-month login language such as Spanish.
    QString t = leida.toString();
    if (t.size() >= 19 && t.at(4) == u'-' && t.at(7) == u'-' && t.at(10) == u' ' &&
        t.at(13) == u':')
        t[10] = u'T';
    return t;
}

bool Conexion::ejecutar(const QString& sql, const QVariantList& valores, QString* error,
                        qint64* afectadas) {
    if (!observar({Operacion::Tipo::Sentencia, sql, valores, {}}, error)) return false;
    if (motor_ == Motor::Odbc) {
        if (!afectadas) return odbcDirecta(sql, valores, {}, nullptr, error);
        FilasOdbc cuenta;
        const bool ok = odbcDirecta(sql, valores, {}, &cuenta, error);
        *afectadas = cuenta.afectadas;
        return ok;
    }
    if (!preparada_ || textoPreparado_ != sql) {
        preparada_.reset();
        auto q = std::make_unique<QSqlQuery>(bd_);
        if (!preparar(*q, sql, error)) return false;
        preparada_ = std::move(q);
        textoPreparado_ = sql;
    }
    const bool ok = enlazarYEjecutar(*preparada_, valores, error);
    if (afectadas) *afectadas = ok ? preparada_->numRowsAffected() : -1;
    preparada_->finish();
    return ok;
}

bool Conexion::ejecutarVarias(const QString& sql, const QList<QVariantList>& filas,
                              QString* error) {
    for (const QVariantList& valores : filas)
        if (!ejecutar(sql, valores, error)) return false;
    return true;
}

std::unique_ptr<Resultado> Conexion::consultar(const QString& sql, const QVariantList& valores,
                                               QString* error) {
    if (!observar({Operacion::Tipo::Consulta, sql, valores, {}}, error)) return nullptr;
    if (motor_ == Motor::Odbc) {
        FilasOdbc filas;
        if (!odbcDirecta(sql, valores, {}, &filas, error)) return nullptr;
        return std::make_unique<Resultado>(std::move(filas));
    }
    QSqlQuery q(bd_);
    if (!preparar(q, sql, error) || !enlazarYEjecutar(q, valores, error)) return nullptr;
    return std::make_unique<Resultado>(std::move(q));
}

bool Conexion::lote(const QString& sql, const QVariantList& valores, const QList<int>& tamanos,
                    std::vector<std::unique_ptr<Resultado>>* resultados, QString* error) {
    resultados->clear();
    sinRespuesta_ = false;
    if (!observar({Operacion::Tipo::Lote, sql, valores, {}}, error)) return false;
    if (motor_ != Motor::Odbc) {
        *error = QStringLiteral("Los lotes de T-SQL solo se envían a SQL Server");
        return false;
    }
    QList<FilasOdbc> leidos;
    FalloOdbc f;
    const bool ok = anotar(odbc_->lote(sql, valores, tamanos, &leidos, &f), f, error);
    sinRespuesta_ = !ok && (f.conexionPerdida() || f.estado == QLatin1String("HY008"));
    for (FilasOdbc& filas : leidos)
        resultados->push_back(std::make_unique<Resultado>(std::move(filas)));
    return ok;
}

namespace {

// A row fetched from SQL Server, its values as UTF-8 text.
class FilaOdbc : public FilaLeida {
public:
    void poner(const QVariantList& valores) {
        textos_.resize(valores.size());
        for (qsizetype i = 0; i < valores.size(); ++i)
            textos_[i] = valores[i].isNull() ? QByteArray() : valores[i].toString().toUtf8();
    }
    int columnas() const override { return int(textos_.size()); }
    QByteArrayView texto(int c) const override {
        return c >= 0 && c < textos_.size() ? QByteArrayView(textos_[c]) : QByteArrayView();
    }

private:
    QList<QByteArray> textos_;
};

}  // namespace

bool Conexion::recorrer(const QString& sql, const QVariantList& valores,
                        const LectorDeFilas& lector, QString* error) {
    if (!observar({Operacion::Tipo::Consulta, sql, valores, {}}, error)) return false;
    if (motor_ == Motor::Odbc) {
        FilaOdbc fila;
        FalloOdbc f;
        const bool ok = odbc_->recorrer(
            sql, valores,
            [&](const QVariantList& v) {
                fila.poner(v);
                lector(fila);
            },
            &f);
        return anotar(ok, f, error);
    }
    return sqlite::recorrer(bd_, traducir(sql), valores, lector, error);
}

bool Conexion::valoresParametros(const QList<Parametro>& parametros, QVariantList* valores,
                                 QString* error) const {
    return valoresDeParametros(parametros, motor_ == Motor::Sqlite, valores, error);
}

bool valoresDeParametros(const QList<Parametro>& parametros, bool sqlite, QVariantList* valores,
                         QString* error) {
    for (const Parametro& p : parametros) {
        switch (p.tipo) {
            case TipoParametro::TextoFijo: {
                const QString t = p.valor.toString();
                if (t.size() > p.tamano) {
                    *error = QStringLiteral("El valor de %1 tiene %2 caracteres; admite %3")
                                 .arg(p.nombre)
                                 .arg(t.size())
                                 .arg(p.tamano);
                    return false;
                }
                valores->append(t);
                break;
            }
            case TipoParametro::Entero: {
                bool ok = false;
                const double d = p.valor.toDouble(&ok);
                if (!ok || !std::isfinite(d) || std::abs(d) > 2147483647.0) {
                    *error = QStringLiteral("El valor de %1 no cabe en un entero de 32 bits")
                                 .arg(p.nombre);
                    return false;
                }
                valores->append(int(std::llround(d)));
                break;
            }
            case TipoParametro::FechaHora: {
                QDateTime fecha = p.valor.toDateTime();
                if (p.valor.typeId() == QMetaType::QString) {
                    const QString t = p.valor.toString();
                    fecha =
                        QDateTime(QDate::fromString(t, QStringLiteral("dd-MM-yyyy")), QTime(0, 0));
                    if (!fecha.isValid()) fecha = QDateTime::fromString(t, Qt::ISODate);
                }
                if (!fecha.isValid()) {
                    *error = QStringLiteral("El valor de %1 no es una fecha").arg(p.nombre);
                    return false;
                }
                if (sqlite)
                    valores->append(fecha.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")));
                else
                    valores->append(fecha);
                break;
            }
            case TipoParametro::SiNo:
                if (sqlite)
                    valores->append(p.valor.toBool() ? 1 : 0);
                else
                    valores->append(p.valor.toBool());
                break;
        }
    }
    return true;
}

// On SQL Server a procedure is called with the ODBC escape. In the embedded
// databases a procedure that returns no rows is a view with an INSTEAD OF
// INSERT trigger, and a query procedure is a view filtered by its parameters;
// the view's columns are named after the parameters without the "@".
QString Conexion::textoLlamada(const QString& nombre, const QList<Parametro>& parametros,
                               bool conFilas) const {
    QStringList marcas, columnas;
    for (const Parametro& p : parametros) {
        marcas << QStringLiteral("?");
        columnas << nombreSinArroba(p.nombre);
    }
    if (motor_ == Motor::Odbc)
        return QStringLiteral("{CALL %1(%2)}").arg(nombre, marcas.join(QLatin1Char(',')));
    return sqlite::textoLlamada(nombre, columnas, conFilas);
}

QList<int> tamanosDe(const QList<Parametro>& parametros) {
    QList<int> t;
    for (const Parametro& p : parametros) t << (p.tipo == TipoParametro::TextoFijo ? p.tamano : 0);
    return t;
}

bool Conexion::llamar(const QString& nombre, const QList<Parametro>& parametros, QString* error) {
    if (!observar({Operacion::Tipo::Procedimiento, nombre, {}, parametros}, error)) return false;
    QVariantList valores;
    if (motor_ == Motor::Odbc)
        return valoresParametros(parametros, &valores, error) &&
               odbcDirecta(textoLlamada(nombre, parametros, false), valores, tamanosDe(parametros),
                           nullptr, error);
    QSqlQuery q(bd_);
    if (!valoresParametros(parametros, &valores, error) ||
        !preparar(q, textoLlamada(nombre, parametros, false), error) ||
        !enlazarYEjecutar(q, valores, error))
        return false;
    q.finish();
    return true;
}

std::unique_ptr<Resultado> Conexion::llamarConFilas(const QString& nombre,
                                                    const QList<Parametro>& parametros,
                                                    QString* error) {
    if (!observar({Operacion::Tipo::ProcedimientoConFilas, nombre, {}, parametros}, error))
        return nullptr;
    QVariantList valores;
    if (motor_ == Motor::Odbc) {
        FilasOdbc filas;
        if (!valoresParametros(parametros, &valores, error) ||
            !odbcDirecta(textoLlamada(nombre, parametros, true), valores, tamanosDe(parametros),
                         &filas, error))
            return nullptr;
        return std::make_unique<Resultado>(std::move(filas));
    }
    QSqlQuery q(bd_);
    if (!valoresParametros(parametros, &valores, error) ||
        !preparar(q, textoLlamada(nombre, parametros, true), error) ||
        !enlazarYEjecutar(q, valores, error))
        return nullptr;
    return std::make_unique<Resultado>(std::move(q));
}

// On SQL Server the transaction is begun and ended by statements of its own,
// one request each. The driver's manual-commit mode would cost more: its
// commit chains a new transaction that going back to autocommit then rolls
// back.
namespace {
const QString kBeginSqlServer = QStringLiteral("BEGIN TRANSACTION");
const QString kCommitSqlServer = QStringLiteral("COMMIT TRANSACTION");
// A server that already ended the transaction (a deadlock victim) has nothing
// to roll back; the test keeps that from being an error.
const QString kRollbackSqlServer = QStringLiteral("IF @@TRANCOUNT > 0 ROLLBACK TRANSACTION");
}  // namespace

bool Conexion::iniciarTransaccion(QString* error) {
    if (!observar({Operacion::Tipo::Transaccion, QStringLiteral("BEGIN"), {}, {}}, error))
        return false;
    if (motor_ == Motor::Odbc) {
        transaccion_ = odbcDirecta(kBeginSqlServer, {}, {}, nullptr, error);
    } else {
        transaccion_ = bd_.transaction();
        if (!transaccion_) *error = limpiar(textoError(bd_.lastError()));
    }
    return transaccion_;
}

bool Conexion::confirmarTransaccion(QString* error) {
    commitIncierto_ = false;
    if (!observar({Operacion::Tipo::Transaccion, QStringLiteral("COMMIT"), {}, {}}, error)) {
        if (motor_ != Motor::Odbc) {
            bd_.rollback();
            transaccion_ = false;
        }
        return false;
    }
    // A commit refused by a server still connected leaves the transaction
    // open for the caller to roll back. After a lost link (or no answer in
    // time) it is not known whether the server committed; the connection is
    // not used again as it is.
    if (motor_ == Motor::Odbc) {
        FalloOdbc f;
        if (anotar(odbc_->directa(kCommitSqlServer, {}, {}, nullptr, &f), f, error)) {
            transaccion_ = false;
            return true;
        }
        // A commit whose wait was given up on may have been done by the
        // server as well.
        if (f.conexionPerdida() || cancelada_) {
            commitIncierto_ = true;
            *error = QStringLiteral(
                         "%1 al confirmar lo guardado; no se sabe si el servidor lo guardó (%2). "
                         "La siguiente operación volverá a conectar.")
                         .arg(cancelada_ ? QStringLiteral("Se canceló la espera del servidor")
                              : f.estado.startsWith(QLatin1String("HYT"))
                                  ? QStringLiteral("La base de datos no respondió a tiempo")
                                  : QStringLiteral("Se perdió la conexión"),
                              limpiar(f.texto));
            perdida_ = true;
        }
        return false;
    }
    // A file moved away or replaced since it was opened would take the
    // commit where no one reads it any more, and the file at its path would
    // keep its old data.
    if (const QString movido = sqlite::archivoMovido(bd_); !movido.isEmpty()) {
        *error = QStringLiteral(
                     "La base de datos %1 fue movida o reemplazada por otro programa mientras se "
                     "guardaba, así que no se guardó nada; lo capturado se conserva: vuelva a "
                     "guardar y se guardará en el archivo que está ahora en su lugar.")
                     .arg(QDir::toNativeSeparators(movido));
        bd_.rollback();
        transaccion_ = false;
        return false;
    }
    if (!bd_.commit()) {
        *error = limpiar(textoError(bd_.lastError()));
        bd_.rollback();
        transaccion_ = false;
        return false;
    }
    transaccion_ = false;
    return true;
}

void Conexion::revertirTransaccion() {
    transaccion_ = false;
    if (observador_ && abierta())
        observador_({Operacion::Tipo::Transaccion, QStringLiteral("ROLLBACK"), {}, {}});
    if (!abierta()) return;
    if (motor_ != Motor::Odbc) {
        bd_.rollback();
        return;
    }
    // After a lost link there is nothing to roll back on this side: the
    // server drops the transaction with the session. A rollback that fails
    // leaves the session in doubt: the next operation connects anew.
    QString ignorado;
    if (!perdida_ && !odbcDirecta(kRollbackSqlServer, {}, {}, nullptr, &ignorado)) perdida_ = true;
}

bool Conexion::enTransaccion(const std::function<bool(QString*)>& pasos, QString* error) {
    commitIncierto_ = false;
    if (!iniciarTransaccion(error)) return false;
    if (pasos(error) && confirmarTransaccion(error)) return true;
    revertirTransaccion();
    // An embedded database opened while its file could not be written stays
    // read-only for the life of the connection, and one whose file was moved
    // or replaced keeps the old file; after any failed save the next
    // operation opens the files at their paths again, so the save succeeds
    // once the fault is gone. Opening an embedded file costs next to nothing.
    if (motor_ == Motor::Sqlite) {
        perdida_ = true;
        falloArchivo_ = falloDeEscritura();
    }
    return false;
}

FalloArchivo Conexion::falloDeEscritura() const {
    // A file gone, or one this user cannot write, explains a failed save and
    // will not mend itself: the window says what the administrator must do
    // instead of asking to try again.
    for (const QString& f : archivosEmbebidos(cadena_)) {
        QString detalle;
        if (const Fallo tipo = sqlite::revisarArchivo(f, &detalle); tipo != Fallo::Ninguno)
            return {f, tipo, detalle};
        if (const QString no = sistema::sinEscritura(f); !no.isEmpty())
            return {f, Fallo::SinEscritura, no};
    }
    return {};
}

bool Conexion::commitIncierto() const {
    return commitIncierto_;
}

bool Conexion::ejecutarGuion(const QString& guion, QString* error) {
    if (motor_ != Motor::Sqlite) {
        *error = QStringLiteral("Los guiones solo se ejecutan en la base embebida");
        return false;
    }
    return sqlite::ejecutarGuion(bd_, guion, error);
}

}  // namespace plataforma
