#pragma once
// Data access for the program: one connection to SQL Server through ODBC, or to
// the embedded SQLite databases when the server name starts with "file:".
// Errors come back as values carrying the server's own message; nothing here
// shows anything to the user.

#include <QList>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <QVariant>
#include <functional>
#include <memory>

#include "data/Dbf.h"

namespace plataforma {

// Input parameter types of a stored-procedure call.
enum class TipoParametro {
    TextoFijo,  // fixed-length character, with a size
    Entero,     // 32-bit integer
    FechaHora,  // date and time
    SiNo,       // yes/no
};

struct Parametro {
    QString nombre;  // with its leading "@"
    TipoParametro tipo;
    int tamano;
    QVariant valor;
};

// What reaches the database, as seen by an observer (tests, benchmarks).
struct Operacion {
    enum class Tipo {
        Consulta,
        Sentencia,
        Procedimiento,
        ProcedimientoConFilas,
        Transaccion,
        Lote
    };
    Tipo tipo;
    QString texto;  // the statement, the procedure name, or BEGIN/COMMIT/ROLLBACK
    QVariantList valores;
    QList<Parametro> parametros;
};

// Called before every operation. A non-empty result makes the operation fail
// with that text, as a server error would.
using Observador = std::function<QString(const Operacion&)>;

struct FalloOdbc;
struct FilasOdbc;
class SesionOdbc;

// One row of a result handed over as it is read (Conexion::recorrer): each
// column as UTF-8 text, a number as its digits and a NULL as empty text.
// What it gives is valid only until the next row.
class FilaLeida {
public:
    virtual ~FilaLeida() = default;
    virtual int columnas() const = 0;
    virtual QByteArrayView texto(int columna) const = 0;
};
using LectorDeFilas = std::function<void(const FilaLeida& fila)>;

// A forward-only, read-only result: positioned on its first row when opened.
// On SQL Server the rows were copied whole before the call returned, so the
// connection is free for the next statement while this one is read.
class Resultado {
public:
    explicit Resultado(QSqlQuery consulta);
    explicit Resultado(FilasOdbc copia);
    ~Resultado();
    Resultado(const Resultado&) = delete;
    Resultado& operator=(const Resultado&) = delete;

    bool alFinal() const { return !enFila_; }
    // True only when the result has no rows at all (at its end and at its
    // beginning at once).
    bool vacio() const { return vacio_; }
    bool tieneColumna(const QString& nombre) const;
    int columnas() const;
    QString nombreColumna(int posicion) const;
    // Whether the column stores any Unicode text (nvarchar), or only the
    // characters of the server's code page (varchar, char). Known also for a
    // result without rows.
    bool columnaUnicode(const QString& nombre) const;
    // Column by name (case-insensitive) or by 0-based position; a NULL comes
    // back as a null QVariant (isNull()), as does a missing column.
    QVariant valor(const QString& nombre) const;
    QVariant valor(int posicion) const;
    bool siguiente();
    void cerrar();

private:
    int indice(const QString& nombre) const;

    QSqlQuery consulta_;
    QSqlRecord registro_;
    std::unique_ptr<FilasOdbc> copia_;
    qsizetype fila_ = 0;
    bool enFila_ = false;
    bool vacio_ = true;
};

// Why an embedded database file could not be opened: which file, what stands
// at its path or what is wrong with it (Danada: SQLite cannot read it as a
// database, or it holds no table), and SQLite's or the system's words.
struct FalloArchivo {
    QString archivo;
    Fallo tipo = Fallo::Ninguno;
    QString detalle;
    // What is wrong, naming the file: "La base de datos DIR/zelt.db está
    // dañada o no es una base de datos de SQLite".
    QString texto() const;
};

class Conexion {
public:
    enum class Motor { Ninguno, Sqlite, Odbc };

    Conexion();
    ~Conexion();
    Conexion(const Conexion&) = delete;
    Conexion& operator=(const Conexion&) = delete;

    // Opens from an ODBC connection string. "Server=file:DIR" selects the
    // embedded databases DIR/erp_nax.db and DIR/zelt.db; each must be a file
    // SQLite reads as a database with tables in it, or falloArchivo() says
    // which is not and why.
    bool abrir(const QString& cadena, QString* error);
    // The file the last abrir() of the embedded databases failed on, or the
    // one whose fault (gone, not writable) explains the save enTransaccion()
    // just failed; its tipo is Ninguno after any other outcome.
    const FalloArchivo& falloArchivo() const { return falloArchivo_; }
    // Rolls back a transaction still open, then closes. A program that ends
    // through exit() (Qt's X11 plugin calls it when the display goes away)
    // has its open connections closed this way before Qt SQL's own static
    // data is destroyed, whatever the order of the static objects.
    void cerrar();
    bool abierta() const;
    // How many connections of the program are open now.
    static qsizetype cuantasAbiertas();

    // A date read from this database, as a value to bind where it is compared
    // with the column it came from. SQL Server gets the driver's text as
    // ISO 8601, every digit kept, which it reads the same under any login
    // language and converts to the column's own type (a bound datetime2
    // would not equal a datetime); the embedded database keeps dates as
    // text, compared as stored.
    QVariant fechaComparable(const QVariant& leida) const;
    // *afectadas, when given: the rows the statement changed (-1: unknown).
    bool ejecutar(const QString& sql, const QVariantList& valores, QString* error,
                  qint64* afectadas = nullptr);
    // Runs one statement for each list of values, in order (on the embedded
    // database prepared once, executed per row). Stops at the first failure.
    bool ejecutarVarias(const QString& sql, const QList<QVariantList>& filas, QString* error);
    std::unique_ptr<Resultado> consultar(const QString& sql, const QVariantList& valores,
                                         QString* error);
    // Runs a query and hands each row to `lector` as it is read, keeping
    // none: for reports over whole tables, whatever their size. On SQL Server
    // it is one request whose rows are read as they arrive, so the connection
    // serves nothing else until the last one. Texts and whole numbers only
    // among the values.
    bool recorrer(const QString& sql, const QVariantList& valores, const LectorDeFilas& lector,
                  QString* error);
    // Whether this is a SQL Server connection, where an operation goes as one
    // batch (lote) instead of step by step.
    bool esSqlServer() const { return motor_ == Motor::Odbc; }
    // SQL Server only: a T-SQL batch of several statements sent as one
    // request, its values bound in order (tamanos: the declared length of
    // each text value, 0 for the default). Every result with columns comes
    // back in *resultados in the order the server sent it, which is the order
    // the statements stand in the text. On failure *resultados holds what was
    // read before it, so the caller can tell which statement failed.
    bool lote(const QString& sql, const QVariantList& valores, const QList<int>& tamanos,
              std::vector<std::unique_ptr<Resultado>>* resultados, QString* error);
    // Runs a stored procedure by its full name ("Zelt.dbo.X") with its input
    // parameters in order; the first form returns no rows.
    bool llamar(const QString& nombre, const QList<Parametro>& parametros, QString* error);
    std::unique_ptr<Resultado> llamarConFilas(const QString& nombre,
                                              const QList<Parametro>& parametros, QString* error);

    bool iniciarTransaccion(QString* error);
    bool confirmarTransaccion(QString* error);
    void revertirTransaccion();
    // Runs the steps inside one transaction: all of them are stored, or, when
    // a step or the commit fails, none (but see commitIncierto).
    bool enTransaccion(const std::function<bool(QString* error)>& pasos, QString* error);
    // Whether the last enTransaccion failed with its commit sent and no answer
    // (the link lost then): the server may have stored everything or nothing.
    bool commitIncierto() const;

    // Whether the last batch (lote) failed without the server's answer: the
    // link lost, no answer in time, or the wait cancelled. What it would
    // have written may be stored or not.
    bool sinRespuesta() const { return sinRespuesta_; }
    // Whether the last operation (or the last connect) failed because the
    // user gave up waiting for SQL Server (SQLSTATE HY008, "Se canceló la
    // espera del servidor."): nothing more was done; a transaction is rolled
    // back as after any failed step.
    bool ultimaCancelada() const { return cancelada_; }

    // Whether the last failed statement broke a unique key (a row that exists
    // already).
    bool ultimoFueClaveDuplicada() const { return duplicada_; }

    void ponerObservador(Observador observador) { observador_ = std::move(observador); }

    // Opens (creating it if needed) one SQLite file as the only database; used
    // to create the embedded databases one file at a time.
    bool abrirArchivoSqlite(const QString& archivo, QString* error);

    // Runs a whole script (several statements, trigger bodies with ';') on the
    // embedded database; used to create the databases.
    bool ejecutarGuion(const QString& guion, QString* error);

private:
    bool observar(const Operacion& op, QString* error);
    bool reabrir(QString* error);
    FalloArchivo falloDeEscritura() const;
    bool odbcDirecta(const QString& sql, const QVariantList& valores, const QList<int>& tamanos,
                     FilasOdbc* filas, QString* error);
    // Notes what a SQL Server call's failure means (a broken key, a lost
    // link) and gives its message; returns ok.
    bool anotar(bool ok, const FalloOdbc& fallo, QString* error);
    bool preparar(QSqlQuery& q, const QString& sql, QString* error);
    // Adds bd_ to Qt SQL's registry under this connection's name and keeps
    // the connection among those to close at exit.
    void agregarBaseDatos(const QString& tipo);
    // Keeps the connection among those to close at exit.
    void registrarAbierta();
    bool enlazarYEjecutar(QSqlQuery& q, const QVariantList& valores, QString* error);
    QString textoLlamada(const QString& nombre, const QList<Parametro>& parametros,
                         bool conFilas) const;
    bool valoresParametros(const QList<Parametro>& parametros, QVariantList* valores,
                           QString* error) const;
    QString traducir(const QString& sql) const;
    QString limpiar(const QString& mensaje) const;

    QString nombreConexion_;
    QSqlDatabase bd_;
    Motor motor_ = Motor::Ninguno;
    QString cadena_;   // kept to reconnect after the link to the server is lost
    QString secreto_;  // the password, kept only to scrub it from messages
    Observador observador_;
    bool duplicada_ = false;
    bool sinRespuesta_ = false;
    bool cancelada_ = false;
    // cerrar() came while a request of this connection was waiting (a stop
    // signal handled during the wait): the close is done once it returns.
    bool cierrePendiente_ = false;
    // The link to SQL Server broke, or a save on the embedded database failed:
    // the next operation connects again first.
    bool perdida_ = false;
    // A transaction was begun and neither committed nor rolled back.
    bool transaccion_ = false;
    // See commitIncierto().
    bool commitIncierto_ = false;
    FalloArchivo falloArchivo_;
    std::unique_ptr<SesionOdbc> odbc_;
    // The last statement run through ejecutar(), kept prepared: saving many
    // rows runs the same insert again and again.
    QString textoPreparado_;
    std::unique_ptr<QSqlQuery> preparada_;
};

// The values to bind for a procedure's parameters, checked (a text within its
// length, an integer within 32 bits, a date that is one): dates and yes/no as
// the embedded database keeps them when `sqlite`, else as SQL Server takes
// them.
bool valoresDeParametros(const QList<Parametro>& parametros, bool sqlite, QVariantList* valores,
                         QString* error);
// The declared length of each text parameter (0 for the others).
QList<int> tamanosDe(const QList<Parametro>& parametros);

// The value of a key of an ODBC connection string (any letter case).
QString valorDeCadena(const QString& cadena, const QString& clave);
// The connection string without those keys, the rest as written.
QString sinClavesDeCadena(const QString& cadena, const QStringList& claves);

}  // namespace plataforma
