#include "data/Odbc.h"

#include "system/Sistema.h"

#include <sql.h>
#include <sqlext.h>

#include <QDateTime>
#include <QLibrary>
#include <atomic>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "data/Espera.h"

namespace plataforma {

// The ODBC driver manager is loaded when the first SQL Server connection
// opens, so a program on the embedded databases never loads it.
// clang-format off
#define TARJETA_FUNCIONES_ODBC(X) \
    X(SQLAllocHandle) X(SQLFreeHandle) X(SQLSetStmtAttr) X(SQLExecDirectW) \
    X(SQLBindParameter) X(SQLNumResultCols) X(SQLDescribeColW) X(SQLFetch) \
    X(SQLGetData) X(SQLMoreResults) X(SQLFreeStmt) X(SQLGetDiagRecW) X(SQLGetConnectAttr) \
    X(SQLRowCount) X(SQLSetEnvAttr) X(SQLSetConnectAttr) X(SQLDriverConnectW) X(SQLDisconnect) \
    X(SQLCancel)
// clang-format on

struct SesionOdbc::Api {
#define TARJETA_PUNTERO(f) decltype(&::f) f = nullptr;
    TARJETA_FUNCIONES_ODBC(TARJETA_PUNTERO)
#undef TARJETA_PUNTERO
};

namespace {

using Api = SesionOdbc::Api;

// Longest text bound with a fixed declared length; longer texts go as
// nvarchar(max).
constexpr int kLargoTexto = 4000;

std::shared_ptr<const Api> cargarApi(QString* error) {
    static std::shared_ptr<const Api> api;
    if (api) return api;
    int version = -1;
    const QString nombre = sistema::bibliotecaOdbc(&version);
    QLibrary biblioteca(nombre, version);
    if (!biblioteca.load()) {
        *error = QStringLiteral("No se pudo cargar el administrador de ODBC: %1")
                     .arg(biblioteca.errorString());
        return nullptr;
    }
    auto nueva = std::make_shared<Api>();
#define TARJETA_RESOLVER(f)                                                        \
    nueva->f = reinterpret_cast<decltype(&::f)>(biblioteca.resolve(#f));           \
    if (!nueva->f) {                                                               \
        *error = QStringLiteral("El administrador de ODBC no tiene la función %1") \
                     .arg(QLatin1String(#f));                                      \
        return nullptr;                                                            \
    }
    TARJETA_FUNCIONES_ODBC(TARJETA_RESOLVER)
#undef TARJETA_RESOLVER
    api = std::move(nueva);
    return api;
}

const SQLWCHAR* anchos(const QString& s) {
    return reinterpret_cast<const SQLWCHAR*>(s.utf16());
}

void diagnostico(const Api& api, SQLSMALLINT tipo, SQLHANDLE h, FalloOdbc* fallo) {
    QStringList textos;
    for (SQLSMALLINT i = 1; i <= 8; ++i) {
        SQLWCHAR estado[6] = {};
        SQLWCHAR mensaje[1024] = {};
        SQLINTEGER nativo = 0;
        SQLSMALLINT largo = 0;
        const SQLRETURN r = api.SQLGetDiagRecW(tipo, h, i, estado, &nativo, mensaje, 1024, &largo);
        if (!SQL_SUCCEEDED(r)) break;
        if (i == 1) {
            fallo->estado = QString::fromUtf16(reinterpret_cast<const char16_t*>(estado), 5);
            fallo->nativo = int(nativo);
        }
        textos << QString::fromUtf16(reinterpret_cast<const char16_t*>(mensaje),
                                     qMin<int>(largo, 1023))
                      .trimmed();
    }
    fallo->texto = textos.isEmpty() ? QStringLiteral("error de ODBC sin descripción")
                                    : textos.join(QLatin1Char(' '));
}

// Room for one bound value; its address must not change until the statement
// has run.
struct Enlace {
    std::vector<char16_t> texto;
    SQLBIGINT entero = 0;
    double real = 0;
    unsigned char bit = 0;
    SQL_TIMESTAMP_STRUCT fecha{};
    SQLLEN indicador = 0;
};

bool esTexto(const QVariant& v) {
    return v.isNull() || v.typeId() == QMetaType::QString;
}

// A text goes out only whole: no half of a surrogate pair (the driver would
// fail half-way through the request).
bool textoEnviable(const QString& t, int i, FalloOdbc* fallo) {
    if (QStringView(t).isValidUtf16()) return true;
    fallo->texto = QStringLiteral("El texto del valor %1 tiene un carácter incompleto").arg(i + 1);
    return false;
}

// Binds the values in order.
bool enlazar(const Api& api, SQLHSTMT st, const QVariantList& valores, const QList<int>& tamanos,
             std::vector<Enlace>* enlaces, FalloOdbc* fallo) {
    enlaces->assign(size_t(valores.size()), Enlace{});
    for (int i = 0; i < valores.size(); ++i) {
        const QVariant& v = valores[i];
        Enlace& e = (*enlaces)[size_t(i)];
        const SQLUSMALLINT n = SQLUSMALLINT(i + 1);
        SQLRETURN r;
        if (esTexto(v)) {
            const QString t = v.isNull() ? QString() : v.toString();
            if (!textoEnviable(t, i, fallo)) return false;
            const int tamano = i < tamanos.size() ? tamanos[i] : 0;
            const qsizetype largo = t.size();
            const qsizetype capacidad = qMax<qsizetype>(largo, 1);
            e.texto.assign(size_t(capacidad + 1), u'\0');
            std::copy(t.utf16(), t.utf16() + largo, e.texto.begin());
            e.indicador = v.isNull() ? SQL_NULL_DATA : SQLLEN(largo * 2);
            const bool largoMax = tamano == 0 && largo > kLargoTexto;
            const SQLULEN declarado = largoMax     ? SQLULEN(largo)
                                      : tamano > 0 ? SQLULEN(qMax<qsizetype>(tamano, largo))
                                                   : SQLULEN(kLargoTexto);
            r = api.SQLBindParameter(st, n, SQL_PARAM_INPUT, SQL_C_WCHAR,
                                     largoMax ? SQL_WLONGVARCHAR : SQL_WVARCHAR, declarado, 0,
                                     e.texto.data(), SQLLEN(capacidad * 2), &e.indicador);
        } else if (v.typeId() == QMetaType::Bool) {
            e.bit = v.toBool() ? 1 : 0;
            r = api.SQLBindParameter(st, n, SQL_PARAM_INPUT, SQL_C_BIT, SQL_BIT, 1, 0, &e.bit, 0,
                                     &e.indicador);
        } else if (v.typeId() == QMetaType::Int || v.typeId() == QMetaType::UInt) {
            e.entero = v.toLongLong();
            r = api.SQLBindParameter(st, n, SQL_PARAM_INPUT, SQL_C_SBIGINT, SQL_INTEGER, 10, 0,
                                     &e.entero, 0, &e.indicador);
        } else if (v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::ULongLong) {
            e.entero = v.toLongLong();
            r = api.SQLBindParameter(st, n, SQL_PARAM_INPUT, SQL_C_SBIGINT, SQL_BIGINT, 19, 0,
                                     &e.entero, 0, &e.indicador);
        } else if (v.typeId() == QMetaType::Double) {
            e.real = v.toDouble();
            r = api.SQLBindParameter(st, n, SQL_PARAM_INPUT, SQL_C_DOUBLE, SQL_DOUBLE, 15, 0,
                                     &e.real, 0, &e.indicador);
        } else if (v.typeId() == QMetaType::QDateTime) {
            const QDateTime f = v.toDateTime();
            const QDate d = f.date();
            const QTime h = f.time();
            e.fecha = {SQLSMALLINT(d.year()),           SQLUSMALLINT(d.month()),
                       SQLUSMALLINT(d.day()),           SQLUSMALLINT(h.hour()),
                       SQLUSMALLINT(h.minute()),        SQLUSMALLINT(h.second()),
                       SQLUINTEGER(h.msec()) * 1000000u};
            r = api.SQLBindParameter(st, n, SQL_PARAM_INPUT, SQL_C_TYPE_TIMESTAMP,
                                     SQL_TYPE_TIMESTAMP, 23, 3, &e.fecha, 0, &e.indicador);
        } else {
            fallo->texto = QStringLiteral("El valor %1 es de un tipo que no se puede enviar (%2)")
                               .arg(i + 1)
                               .arg(QLatin1String(v.typeName()));
            return false;
        }
        if (!SQL_SUCCEEDED(r)) {
            diagnostico(api, SQL_HANDLE_STMT, st, fallo);
            return false;
        }
    }
    return true;
}

bool esUnicode(SQLSMALLINT tipo) {
    return tipo != SQL_CHAR && tipo != SQL_VARCHAR && tipo != SQL_LONGVARCHAR;
}

// Reads one column of the current row.
bool leerColumna(const Api& api, SQLHSTMT st, SQLUSMALLINT col, SQLSMALLINT tipo, QVariant* valor,
                 FalloOdbc* fallo) {
    SQLLEN ind = 0;
    SQLRETURN r;
    switch (tipo) {
        case SQL_BIT: {
            unsigned char b = 0;
            r = api.SQLGetData(st, col, SQL_C_BIT, &b, sizeof b, &ind);
            *valor = QVariant(b != 0);
            break;
        }
        case SQL_TINYINT:
        case SQL_SMALLINT:
        case SQL_INTEGER:
        case SQL_BIGINT: {
            SQLBIGINT n = 0;
            r = api.SQLGetData(st, col, SQL_C_SBIGINT, &n, sizeof n, &ind);
            *valor = QVariant(qlonglong(n));
            break;
        }
        case SQL_REAL:
        case SQL_FLOAT:
        case SQL_DOUBLE: {
            double d = 0;
            r = api.SQLGetData(st, col, SQL_C_DOUBLE, &d, sizeof d, &ind);
            *valor = QVariant(d);
            break;
        }
        default: {
            // Text (and anything else, as text), read in pieces until whole.
            // Dates and times too, as the driver writes them ("2026-12-08
            // 13:20:05.003", a datetime2(7) with all seven digits): the
            // server's value exactly, never moved into the desk's time zone
            // (where a daylight-saving gap has no such hour) nor cut to the
            // milliseconds a QDateTime keeps.
            QString texto;
            SQLWCHAR trozo[2048];
            for (;;) {
                r = api.SQLGetData(st, col, SQL_C_WCHAR, trozo, sizeof trozo, &ind);
                if (r == SQL_NO_DATA) break;
                if (!SQL_SUCCEEDED(r) || ind == SQL_NULL_DATA) break;
                const qsizetype cabe = qsizetype(sizeof trozo / sizeof(SQLWCHAR)) - 1;
                const qsizetype llegaron =
                    (ind == SQL_NO_TOTAL || ind / 2 > cabe) ? cabe : qsizetype(ind / 2);
                texto.append(reinterpret_cast<const QChar*>(trozo), llegaron);
                if (r == SQL_SUCCESS) break;
            }
            *valor = QVariant(texto);
            if (r == SQL_NO_DATA) r = SQL_SUCCESS;
            break;
        }
    }
    if (!SQL_SUCCEEDED(r)) {
        diagnostico(api, SQL_HANDLE_STMT, st, fallo);
        return false;
    }
    if (ind == SQL_NULL_DATA) *valor = QVariant();
    return true;
}

// The wait of the request the worker thread runs, told of every answer that
// arrives: rows read one after another are no silence.
thread_local Vigilia* tVigilia = nullptr;

void latido() {
    if (tVigilia) tVigilia->avanzar();
}

// Reads every result of the statement to its end. The first result with
// columns is copied into *filas when given (its rows too, or, with
// `entregar`, each row handed over as it is fetched instead); with `todos`,
// every result with columns is appended to it, in order. Nothing is left
// pending on the connection.
bool consumir(const Api& api, SQLHSTMT st, FilasOdbc* filas, FalloOdbc* fallo,
              const std::function<void(const QVariantList&)>& entregar = {},
              QList<FilasOdbc>* todos = nullptr) {
    bool primero = true;
    for (;;) {
        SQLSMALLINT columnas = 0;
        if (!SQL_SUCCEEDED(api.SQLNumResultCols(st, &columnas))) {
            diagnostico(api, SQL_HANDLE_STMT, st, fallo);
            return false;
        }
        if (columnas > 0) {
            FilasOdbc* destino = nullptr;
            if (todos)
                destino = &todos->emplace_back();
            else if (primero)
                destino = filas;
            primero = false;
            QList<SQLSMALLINT> tipos;
            if (destino) {
                for (SQLUSMALLINT c = 1; c <= SQLUSMALLINT(columnas); ++c) {
                    SQLWCHAR nombre[256] = {};
                    SQLSMALLINT largo = 0, tipo = 0, decimales = 0, nulo = 0;
                    SQLULEN tamano = 0;
                    if (!SQL_SUCCEEDED(api.SQLDescribeColW(st, c, nombre, 256, &largo, &tipo,
                                                           &tamano, &decimales, &nulo))) {
                        diagnostico(api, SQL_HANDLE_STMT, st, fallo);
                        return false;
                    }
                    destino->nombres << QString::fromUtf16(
                        reinterpret_cast<const char16_t*>(nombre), qMin<int>(largo, 255));
                    destino->unicode << esUnicode(tipo);
                    tipos << tipo;
                }
            }
            for (;;) {
                const SQLRETURN r = api.SQLFetch(st);
                latido();
                if (r == SQL_NO_DATA) break;
                if (!SQL_SUCCEEDED(r)) {
                    diagnostico(api, SQL_HANDLE_STMT, st, fallo);
                    return false;
                }
                if (!destino) continue;
                QVariantList fila;
                for (SQLUSMALLINT c = 1; c <= SQLUSMALLINT(columnas); ++c) {
                    QVariant v;
                    if (!leerColumna(api, st, c, tipos[c - 1], &v, fallo)) return false;
                    fila << v;
                }
                if (entregar && !todos)
                    entregar(fila);
                else
                    destino->filas << fila;
            }
        }
        const SQLRETURN r = api.SQLMoreResults(st);
        latido();
        if (r == SQL_NO_DATA) return true;
        if (!SQL_SUCCEEDED(r)) {
            diagnostico(api, SQL_HANDLE_STMT, st, fallo);
            return false;
        }
    }
}

}  // namespace

// The statement the worker runs now. The driver's cancel goes from a thread
// of its own, so that a driver manager that serializes calls on the
// connection never blocks the thread that waits; the worker joins it before
// the statement is freed.
struct SesionOdbc::Curso {
    std::mutex mutex;
    void* st = nullptr;
    std::thread cancelador;

    void poner(void* sentencia) {
        std::lock_guard<std::mutex> candado(mutex);
        st = sentencia;
    }
    void cancelar(const Api& api) {
        std::lock_guard<std::mutex> candado(mutex);
        if (!st || cancelador.joinable()) return;
        cancelador = std::thread([&api, sentencia = st] { api.SQLCancel(sentencia); });
    }
    void quitar() {
        std::thread t;
        {
            std::lock_guard<std::mutex> candado(mutex);
            st = nullptr;
            t = std::move(cancelador);
        }
        if (t.joinable()) t.join();
    }
};

namespace {

std::atomic<int> gAbandonados{0};

// What a connect's worker owns: everything it touches, so that a connect
// given up on can finish (or stay blocked) after its caller has gone.
struct Intento {
    std::shared_ptr<const Api> api;
    SQLHENV env = nullptr;
    SQLHDBC dbc = nullptr;
    QString cadena;
    std::mutex mutex;
    bool hecho = false, abandonado = false, conectado = false;
    FalloOdbc fallo;
};

void conectarEnTrabajador(const std::shared_ptr<Intento>& i, const std::shared_ptr<Vigilia>& v) {
    const Api& a = *i->api;
    SQLSMALLINT largo = 0;
    const SQLRETURN r =
        a.SQLDriverConnectW(i->dbc, nullptr, const_cast<SQLWCHAR*>(anchos(i->cadena)), SQL_NTS,
                            nullptr, 0, &largo, SQL_DRIVER_NOPROMPT);
    bool abandonado = false;
    {
        std::lock_guard<std::mutex> candado(i->mutex);
        i->conectado = SQL_SUCCEEDED(r);
        if (!i->conectado) diagnostico(a, SQL_HANDLE_DBC, i->dbc, &i->fallo);
        i->hecho = true;
        abandonado = i->abandonado;
    }
    v->terminar();
    if (!abandonado) return;
    if (i->conectado) a.SQLDisconnect(i->dbc);
    a.SQLFreeHandle(SQL_HANDLE_DBC, i->dbc);
    a.SQLFreeHandle(SQL_HANDLE_ENV, i->env);
    --gAbandonados;
}

// The sockets that were not there before.
QList<sistema::SocketTcp> nuevos(const QList<sistema::SocketTcp>& antes) {
    QList<sistema::SocketTcp> n;
    for (const sistema::SocketTcp& s : sistema::socketsTcp())
        if (!antes.contains(s)) n << s;
    return n;
}

const QString kCancelada = QStringLiteral("Se canceló la espera del servidor.");

}  // namespace

int trabajosAbandonados() {
    return gAbandonados.load();
}

bool FalloOdbc::conexionPerdida() const {
    // 08S01 link failure, 08003 not open, 08007 lost during a transaction,
    // HYT00/HYT01 time-outs (the driver may have left the request half-read).
    return muerta || estado.startsWith(QLatin1String("08")) || estado == QLatin1String("HYT00") ||
           estado == QLatin1String("HYT01");
}

void SesionOdbc::revisarConexion(FalloOdbc* fallo) {
    // The driver may first report a cut link as a plain error ("Unexpected
    // EOF from the server"); it knows the connection is dead all the same.
    SQLUINTEGER muerta = SQL_CD_FALSE;
    if (SQL_SUCCEEDED(api_->SQLGetConnectAttr(hdbc_, SQL_ATTR_CONNECTION_DEAD, &muerta,
                                              sizeof muerta, nullptr)))
        fallo->muerta = muerta == SQL_CD_TRUE;
}

std::unique_ptr<SesionOdbc> SesionOdbc::conectar(const QString& cadena, int esperaLogin,
                                                 FalloOdbc* fallo, const QString& servidor) {
    auto api = cargarApi(&fallo->texto);
    if (!api) return nullptr;
    // ODBC 3 behaviour; the handles are the session's until it closes.
    SQLHENV env = nullptr;
    if (!SQL_SUCCEEDED(api->SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env))) {
        fallo->texto = QStringLiteral("El administrador de ODBC no pudo iniciar un entorno");
        return nullptr;
    }
    api->SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLHDBC dbc = nullptr;
    if (!SQL_SUCCEEDED(api->SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc))) {
        diagnostico(*api, SQL_HANDLE_ENV, env, fallo);
        api->SQLFreeHandle(SQL_HANDLE_ENV, env);
        return nullptr;
    }
    api->SQLSetConnectAttr(dbc, SQL_ATTR_LOGIN_TIMEOUT,
                           reinterpret_cast<SQLPOINTER>(SQLULEN(esperaLogin)), 0);
    auto intento = std::make_shared<Intento>();
    intento->api = api;
    intento->env = env;
    intento->dbc = dbc;
    intento->cadena = cadena;
    // The connect has no statement to cancel: giving up cuts the sockets
    // that appeared since it began, which are the driver's.
    const QList<sistema::SocketTcp> antes = sistema::socketsTcp();
    const auto cortarNuevos = [antes] {
        for (const sistema::SocketTcp& s : nuevos(antes)) sistema::cortarSocket(s);
    };
    auto vigilia = std::make_shared<Vigilia>(servidor, qint64(esperaLogin) * 1000,
                                             Vigilia::Acciones{cortarNuevos, cortarNuevos},
                                             Vigilia::kPlazoCorteMs, 1000);
    std::thread trabajador(conectarEnTrabajador, intento, vigilia);
    vigilia->aguardar();
    bool abandonado = false;
    {
        std::lock_guard<std::mutex> candado(intento->mutex);
        if (!intento->hecho) {
            // Still blocked in the driver (a name lookup, say): left behind,
            // to free its handles itself whenever it returns.
            intento->abandonado = abandonado = true;
            ++gAbandonados;
        }
    }
    if (abandonado)
        trabajador.detach();
    else
        trabajador.join();
    if (abandonado || !intento->conectado) {
        if (vigilia->cancelada()) {
            fallo->estado = QStringLiteral("HY008");
            fallo->texto = kCancelada;
        } else if (vigilia->expirada()) {
            fallo->estado = QStringLiteral("HYT00");
            fallo->texto = QStringLiteral("El servidor no respondió al inicio de sesión en %1 s")
                               .arg(esperaLogin);
        } else {
            *fallo = intento->fallo;
        }
        if (!abandonado) {
            api->SQLFreeHandle(SQL_HANDLE_DBC, dbc);
            api->SQLFreeHandle(SQL_HANDLE_ENV, env);
        }
        return nullptr;
    }
    std::unique_ptr<SesionOdbc> sesion(new SesionOdbc(std::move(api), env, dbc, servidor));
    sesion->conectada_ = true;
    // The connection's socket is the TCP socket the connect opened; with
    // another one opened meanwhile (another connection of the program) it is
    // not known which, and none is taken.
    const QList<sistema::SocketTcp> propios = nuevos(antes);
    if (propios.size() == 1) sesion->socket_ = propios.first();
    return sesion;
}

SesionOdbc::SesionOdbc(std::shared_ptr<const Api> api, void* env, void* hdbc, QString servidor)
    : api_(std::move(api)),
      env_(env),
      hdbc_(hdbc),
      servidor_(std::move(servidor)),
      curso_(std::make_shared<Curso>()) {}

SesionOdbc::~SesionOdbc() {
    if (conectada_) api_->SQLDisconnect(hdbc_);
    api_->SQLFreeHandle(SQL_HANDLE_DBC, hdbc_);
    api_->SQLFreeHandle(SQL_HANDLE_ENV, env_);
}

void SesionOdbc::liberar(void* st) {
    api_->SQLFreeHandle(SQL_HANDLE_STMT, st);
}

namespace {
int gEsperaSentencia = 30;
}  // namespace

int esperaSentencia() {
    return gEsperaSentencia;
}

void fijarEsperaSentencia(int segundos) {
    gEsperaSentencia = segundos;
}

int esperaDelControlador() {
    return esperaSentencia() + 10;
}

bool SesionOdbc::nuevaSentencia(void** stmt, FalloOdbc* fallo) {
    SQLHSTMT st = nullptr;
    if (!SQL_SUCCEEDED(api_->SQLAllocHandle(SQL_HANDLE_STMT, hdbc_, &st))) {
        diagnostico(*api_, SQL_HANDLE_DBC, hdbc_, fallo);
        return false;
    }
    // The driver's own time-out would cancel and then wait as long again for
    // the cancel's answer; the clock of the wait acts first.
    api_->SQLSetStmtAttr(st, SQL_ATTR_QUERY_TIMEOUT,
                         reinterpret_cast<SQLPOINTER>(SQLULEN(esperaDelControlador())), 0);
    *stmt = st;
    return true;
}

bool SesionOdbc::directa(const QString& sql, const QVariantList& valores, const QList<int>& tamanos,
                         FilasOdbc* filas, FalloOdbc* fallo) {
    return ejecutarDirecta(sql, valores, tamanos, filas, {}, nullptr, fallo);
}

bool SesionOdbc::lote(const QString& sql, const QVariantList& valores, const QList<int>& tamanos,
                      QList<FilasOdbc>* resultados, FalloOdbc* fallo) {
    resultados->clear();
    return ejecutarDirecta(sql, valores, tamanos, nullptr, {}, resultados, fallo);
}

bool SesionOdbc::recorrer(const QString& sql, const QVariantList& valores,
                          const std::function<void(const QVariantList&)>& fila, FalloOdbc* fallo) {
    FilasOdbc cabecera;
    return ejecutarDirecta(sql, valores, {}, &cabecera, fila, nullptr, fallo);
}

bool SesionOdbc::enTrabajador(const std::function<bool(FalloOdbc*)>& llamada, FalloOdbc* fallo) {
    if (enCurso_) {
        fallo->texto =
            QStringLiteral("La conexión con la base de datos está ocupada con otra petición");
        return false;
    }
    Curso& curso = *curso_;
    const Api& api = *api_;
    const sistema::SocketTcp socket = socket_;
    Vigilia vigilia(servidor_, qint64(esperaSentencia()) * 1000,
                    {[&curso, &api] { curso.cancelar(api); },
                     [socket] {
                         if (socket.descriptor >= 0) sistema::cortarSocket(socket);
                     }});
    enCurso_ = &vigilia;
    bool ok = false;
    FalloOdbc propio;
    std::thread trabajador([&] {
        tVigilia = &vigilia;
        ok = llamada(&propio);
        tVigilia = nullptr;
        vigilia.terminar();
    });
    vigilia.aguardar();
    trabajador.join();
    enCurso_ = nullptr;
    if (ok) return true;
    *fallo = propio;
    if (vigilia.cancelada()) {
        // Answered, the cancel leaves the connection usable; cut, it is gone.
        fallo->estado = QStringLiteral("HY008");
        fallo->texto = kCancelada;
        fallo->muerta = fallo->muerta || vigilia.cortada();
    } else if (vigilia.expirada()) {
        fallo->estado = QStringLiteral("HYT00");
        fallo->texto = QStringLiteral("el servidor no contestó en %1 s").arg(esperaSentencia());
        fallo->muerta = true;
    }
    return false;
}

void SesionOdbc::interrumpir() {
    if (!enCurso_) return;
    enCurso_->cancelar();
    while (!enCurso_->esperar(1000)) {
    }
}

bool SesionOdbc::ejecutarDirecta(const QString& sql, const QVariantList& valores,
                                 const QList<int>& tamanos, FilasOdbc* filas,
                                 const std::function<void(const QVariantList&)>& entregar,
                                 QList<FilasOdbc>* todos, FalloOdbc* fallo) {
    return enTrabajador(
        [&](FalloOdbc* f) { return directaAqui(sql, valores, tamanos, filas, entregar, todos, f); },
        fallo);
}

bool SesionOdbc::directaAqui(const QString& sql, const QVariantList& valores,
                             const QList<int>& tamanos, FilasOdbc* filas,
                             const std::function<void(const QVariantList&)>& entregar,
                             QList<FilasOdbc>* todos, FalloOdbc* fallo) {
    void* st = nullptr;
    if (!nuevaSentencia(&st, fallo)) return false;
    curso_->poner(st);
    std::vector<Enlace> enlaces;
    bool ok = enlazar(*api_, st, valores, tamanos, &enlaces, fallo);
    if (ok) {
        const SQLRETURN r = api_->SQLExecDirectW(st, const_cast<SQLWCHAR*>(anchos(sql)), SQL_NTS);
        if (r == SQL_NO_DATA) {
            ok = true;  // a statement that touched no row
            if (filas) filas->afectadas = 0;
        } else if (!SQL_SUCCEEDED(r)) {
            diagnostico(*api_, SQL_HANDLE_STMT, st, fallo);
            ok = false;
        } else {
            SQLLEN afectadas = -1;
            if (filas && SQL_SUCCEEDED(api_->SQLRowCount(st, &afectadas)))
                filas->afectadas = afectadas;
            ok = consumir(*api_, st, filas, fallo, entregar, todos);
        }
    }
    curso_->quitar();
    api_->SQLFreeStmt(st, SQL_CLOSE);
    liberar(st);
    if (!ok) revisarConexion(fallo);
    return ok;
}

}  // namespace plataforma
