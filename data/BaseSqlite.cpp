#include "data/BaseSqlite.h"

#include <sqlite3.h>

#include <fcntl.h>
#include <unistd.h>

#include <QDateTime>
#include <QFile>
#include <QSqlDriver>
#include <QVariant>

#include <cerrno>
#include <cstring>

#include "data/DialectoSqlite.h"

namespace plataforma::sqlite {

namespace {

sqlite3* manejadorSqlite(const QSqlDatabase& bd) {
    const QVariant v = bd.driver()->handle();
    if (!v.isValid() || qstrcmp(v.typeName(), "sqlite3*") != 0) return nullptr;
    return *static_cast<sqlite3* const*>(v.constData());
}

// getdate(): the server's current date and time, as SQL Server gives it.
void funcionGetdate(sqlite3_context* ctx, int, sqlite3_value**) {
    const QByteArray ahora =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")).toUtf8();
    sqlite3_result_text(ctx, ahora.constData(), int(ahora.size()), SQLITE_TRANSIENT);
}

// nombre_cliente(n): the client's name from erp_nax's clientes, NULL when the
// client is unknown.
void funcionNombreCliente(sqlite3_context* ctx, int, sqlite3_value** args) {
    if (sqlite3_value_type(args[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    sqlite3* db = sqlite3_context_db_handle(ctx);
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT nombre FROM main.clientes WHERE cliente = ?", -1, &st,
                           nullptr) != SQLITE_OK) {
        sqlite3_result_error(ctx, sqlite3_errmsg(db), -1);
        return;
    }
    sqlite3_bind_value(st, 1, args[0]);
    const int rc = sqlite3_step(st);
    if (rc == SQLITE_ROW && sqlite3_column_type(st, 0) != SQLITE_NULL) {
        sqlite3_result_text(ctx, reinterpret_cast<const char*>(sqlite3_column_text(st, 0)),
                            sqlite3_column_bytes(st, 0), SQLITE_TRANSIENT);
    } else if (rc == SQLITE_ROW || rc == SQLITE_DONE) {
        sqlite3_result_null(ctx);
    } else {
        sqlite3_result_error(ctx, sqlite3_errmsg(db), -1);
    }
    sqlite3_finalize(st);
}

bool registrarEn(sqlite3* h, QString* error) {
    const int flags = SQLITE_UTF8;
    if (sqlite3_create_function_v2(h, "getdate", 0, flags, nullptr, funcionGetdate, nullptr,
                                   nullptr, nullptr) != SQLITE_OK ||
        sqlite3_create_function_v2(h, "nombre_cliente", 1, flags, nullptr, funcionNombreCliente,
                                   nullptr, nullptr, nullptr) != SQLITE_OK) {
        *error = QString::fromUtf8(sqlite3_errmsg(h));
        return false;
    }
    return true;
}

// An empty text is bound as an empty text, never as NULL (Qt binds a null
// QString as NULL).
bool enlazar(sqlite3_stmt* st, const QVariantList& valores, QString* error) {
    for (int i = 0; i < valores.size(); ++i) {
        const QVariant& v = valores[i];
        int rc;
        if (v.typeId() == QMetaType::QString) {
            const QByteArray t = v.toString().toUtf8();
            rc = sqlite3_bind_text(st, i + 1, t.constData(), int(t.size()), SQLITE_TRANSIENT);
        } else if (v.typeId() == QMetaType::Int || v.typeId() == QMetaType::LongLong) {
            rc = sqlite3_bind_int64(st, i + 1, v.toLongLong());
        } else {
            *error = QStringLiteral("El valor %1 es de un tipo que no se puede enviar (%2)")
                         .arg(i + 1)
                         .arg(QLatin1String(v.typeName()));
            return false;
        }
        if (rc != SQLITE_OK) {
            *error = QString::fromUtf8(sqlite3_errstr(rc));
            return false;
        }
    }
    return true;
}

// The current row of a statement being stepped through.
class FilaSqlite : public FilaLeida {
public:
    explicit FilaSqlite(sqlite3_stmt* st) : st_(st), columnas_(sqlite3_column_count(st)) {}
    int columnas() const override { return columnas_; }
    QByteArrayView texto(int c) const override {
        const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(st_, c));
        return t ? QByteArrayView(t, sqlite3_column_bytes(st_, c)) : QByteArrayView();
    }

private:
    sqlite3_stmt* st_;
    int columnas_;
};

}  // namespace

bool registrarFunciones(const QSqlDatabase& bd, QString* error) {
    sqlite3* h = manejadorSqlite(bd);
    if (!h) {
        *error = QStringLiteral("El controlador de SQLite no expone su manejador");
        return false;
    }
    return registrarEn(h, error);
}

Fallo revisarArchivo(const QString& archivo, QString* detalle) {
    const Fallo tipo = tipoDeArchivo(archivo, detalle);
    if (tipo != Fallo::Ninguno) return tipo;
    const int fd = ::open(QFile::encodeName(archivo).constData(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        ::close(fd);
        return Fallo::Ninguno;
    }
    const int e = errno;
    *detalle = QStringLiteral("open: %1").arg(QString::fromLocal8Bit(std::strerror(e)));
    return e == EACCES || e == EPERM ? Fallo::SinPermiso : Fallo::Otro;
}

namespace {

// A file SQLite could open but not read as a database.
Fallo falloDeSqlite(int codigo) {
    const int primario = codigo & 0xff;
    return primario == SQLITE_NOTADB || primario == SQLITE_CORRUPT ? Fallo::Danada : Fallo::Otro;
}

// Runs one statement with text values bound, its rows ignored.
int ejecutarUna(sqlite3* h, const QString& sql, const QStringList& valores, QString* error) {
    sqlite3_stmt* st = nullptr;
    const QByteArray texto = sql.toUtf8();
    int rc = sqlite3_prepare_v2(h, texto.constData(), int(texto.size()), &st, nullptr);
    for (int i = 0; rc == SQLITE_OK && i < valores.size(); ++i) {
        const QByteArray v = valores[i].toUtf8();
        rc = sqlite3_bind_text(st, i + 1, v.constData(), int(v.size()), SQLITE_TRANSIENT);
    }
    if (rc == SQLITE_OK) {
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        }
        if (rc == SQLITE_DONE) rc = SQLITE_OK;
    }
    if (rc != SQLITE_OK) *error = QString::fromUtf8(sqlite3_errmsg(h));
    sqlite3_finalize(st);
    return rc;
}

}  // namespace

Fallo adjuntar(const QSqlDatabase& bd, const QString& archivo, const QString& esquema,
               QString* error) {
    sqlite3* h = manejadorSqlite(bd);
    if (!h) {
        *error = QStringLiteral("El controlador de SQLite no expone su manejador");
        return Fallo::Otro;
    }
    const int rc =
        ejecutarUna(h, QStringLiteral("ATTACH DATABASE ? AS ") + esquema, {archivo}, error);
    return rc == SQLITE_OK ? Fallo::Ninguno : falloDeSqlite(rc);
}

Fallo comprobar(const QSqlDatabase& bd, const QString& esquema, QString* detalle) {
    sqlite3* h = manejadorSqlite(bd);
    if (!h) {
        *detalle = QStringLiteral("El controlador de SQLite no expone su manejador");
        return Fallo::Otro;
    }
    // Reading the list of tables reads the file's header and its schema
    // pages: a file that is no database, or shorter than its header says,
    // fails here rather than at the first statement.
    sqlite3_stmt* st = nullptr;
    const QByteArray sql =
        QStringLiteral("SELECT count(*) FROM \"%1\".sqlite_master WHERE type = 'table'")
            .arg(esquema)
            .toUtf8();
    int rc = sqlite3_prepare_v2(h, sql.constData(), int(sql.size()), &st, nullptr);
    if (rc == SQLITE_OK) rc = sqlite3_step(st);
    const bool sinTablas = rc == SQLITE_ROW && sqlite3_column_int64(st, 0) == 0;
    if (rc != SQLITE_ROW) *detalle = QString::fromUtf8(sqlite3_errmsg(h));
    sqlite3_finalize(st);
    if (sinTablas) {
        // An empty file is an empty database to SQLite.
        *detalle = QStringLiteral("no tiene ninguna tabla");
        return Fallo::Danada;
    }
    return rc == SQLITE_ROW ? Fallo::Ninguno : falloDeSqlite(rc);
}

QString archivoMovido(const QSqlDatabase& bd) {
    sqlite3* h = manejadorSqlite(bd);
    if (!h) return {};
    for (int i = 0; const char* esquema = sqlite3_db_name(h, i); ++i) {
        const char* archivo = sqlite3_db_filename(h, esquema);
        if (!archivo || !*archivo) continue;  // "temp", or a database in memory
        int movido = 0;
        if (sqlite3_file_control(h, esquema, SQLITE_FCNTL_HAS_MOVED, &movido) == SQLITE_OK &&
            movido)
            return QString::fromUtf8(archivo);
    }
    return {};
}

QString textoLlamada(const QString& procedimiento, const QStringList& columnas, bool conFilas) {
    const QString vista = DialectoSqlite::traducir(procedimiento);
    if (conFilas) {
        QStringList filtros;
        for (const QString& c : columnas) filtros << c + QStringLiteral(" = ?");
        return QStringLiteral("SELECT * FROM %1%2")
            .arg(vista, filtros.isEmpty()
                            ? QString()
                            : QStringLiteral(" WHERE ") + filtros.join(QStringLiteral(" AND ")));
    }
    QStringList marcas;
    for (qsizetype i = 0; i < columnas.size(); ++i) marcas << QStringLiteral("?");
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
        .arg(vista, columnas.join(QLatin1Char(',')), marcas.join(QLatin1Char(',')));
}

bool recorrer(const QSqlDatabase& bd, const QString& sql, const QVariantList& valores,
              const LectorDeFilas& lector, QString* error) {
    sqlite3* h = manejadorSqlite(bd);
    if (!h) {
        *error = QStringLiteral("El controlador de SQLite no expone su manejador");
        return false;
    }
    sqlite3_stmt* st = nullptr;
    const QByteArray texto = sql.toUtf8();
    if (sqlite3_prepare_v2(h, texto.constData(), int(texto.size()), &st, nullptr) != SQLITE_OK) {
        *error = QString::fromUtf8(sqlite3_errmsg(h));
        return false;
    }
    bool ok = enlazar(st, valores, error);
    if (ok) {
        const FilaSqlite fila(st);
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) lector(fila);
        ok = rc == SQLITE_DONE;
        if (!ok) *error = QString::fromUtf8(sqlite3_errmsg(h));
    }
    sqlite3_finalize(st);
    return ok;
}

bool ejecutarGuion(const QSqlDatabase& bd, const QString& guion, QString* error) {
    sqlite3* h = manejadorSqlite(bd);
    if (!h) {
        *error = QStringLiteral("El controlador de SQLite no expone su manejador");
        return false;
    }
    char* mensaje = nullptr;
    const QByteArray texto = guion.toUtf8();
    if (sqlite3_exec(h, texto.constData(), nullptr, nullptr, &mensaje) != SQLITE_OK) {
        *error = QString::fromUtf8(mensaje ? mensaje : "error");
        sqlite3_free(mensaje);
        return false;
    }
    return true;
}

}  // namespace plataforma::sqlite
