#pragma once
// A SQL Server session through the ODBC driver manager, opened and run with
// its functions directly (no set-up requests of a toolkit's driver): text travels as Unicode
// (nvarchar), every result is read to its end before the call returns, a statement runs as one
// request (sp_executesql, a plain batch or an RPC by name), and a statement
// meant to be repeated is prepared once and executed per row.

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>

namespace plataforma {

// A result copied whole: column names, whether each column holds Unicode
// text, and the rows.
struct FilasOdbc {
    QStringList nombres;
    QList<bool> unicode;
    QList<QVariantList> filas;
    // Rows the statement changed, as the driver counts them; -1 unknown.
    qint64 afectadas = -1;
};

// What failed: the driver's and server's text, the SQLSTATE of the first
// record and the server's error number.
struct FalloOdbc {
    QString texto;
    QString estado;
    int nativo = 0;
    bool muerta = false;  // the driver marked the connection dead
    // The link to the server is gone (or timed out): the connection cannot be
    // trusted for another statement.
    bool conexionPerdida() const;
};

class SesionOdbc {
public:
    // Connects with an ODBC connection string, waiting at most esperaLogin
    // seconds for the login; the session closes the connection when
    // destroyed.
    static std::unique_ptr<SesionOdbc> conectar(const QString& cadena, int esperaLogin,
                                                FalloOdbc* fallo);
    ~SesionOdbc();
    SesionOdbc(const SesionOdbc&) = delete;
    SesionOdbc& operator=(const SesionOdbc&) = delete;

    // Runs the text once with its values bound in order (tamanos: the
    // declared length of each text value, 0 for the default). The rows of the
    // first result go to *filas when it is given; every result is consumed.
    bool directa(const QString& sql, const QVariantList& valores, const QList<int>& tamanos,
                 FilasOdbc* filas, FalloOdbc* fallo);
    // Runs a batch of statements once, as one request, with its values bound
    // in order: every result with columns goes to *resultados, in the order
    // the server sends them (statements that return no rows give none). On
    // failure *resultados holds the results read before it.
    bool lote(const QString& sql, const QVariantList& valores, const QList<int>& tamanos,
              QList<FilasOdbc>* resultados, FalloOdbc* fallo);
    // Runs the text once like directa() and hands each row of the first
    // result to `fila` as it is fetched, keeping none.
    bool recorrer(const QString& sql, const QVariantList& valores,
                  const std::function<void(const QVariantList&)>& fila, FalloOdbc* fallo);
    // Runs a statement that is executed again and again with other values:
    // prepared on its first use, kept for the rest of the session.
    bool repetida(const QString& sql, const QVariantList& valores, FalloOdbc* fallo);
    // Drops the prepared statements (before the connection closes).
    void soltar();

    struct Api;

private:
    struct Preparada;
    SesionOdbc(std::shared_ptr<const Api> api, void* env, void* hdbc);
    bool ejecutarDirecta(const QString& sql, const QVariantList& valores, const QList<int>& tamanos,
                         FilasOdbc* filas, const std::function<void(const QVariantList&)>& entregar,
                         QList<FilasOdbc>* todos, FalloOdbc* fallo);
    bool nuevaSentencia(void** stmt, FalloOdbc* fallo);
    void revisarConexion(FalloOdbc* fallo);
    void liberar(void* stmt);

    std::shared_ptr<const Api> api_;
    void* env_;
    void* hdbc_;
    bool conectada_ = false;
    // Prepared statements by text, each with its bound buffers.
    QHash<QString, std::shared_ptr<Preparada>> preparadas_;
};

// Seconds any request may wait for the server before it is given up: 30.
// Tests that make a server go silent shorten it.
int esperaSentencia();
void fijarEsperaSentencia(int segundos);

}  // namespace plataforma
