#pragma once
// A SQL Server session through the ODBC driver manager, opened and run with
// its functions directly (no set-up requests of a toolkit's driver): text
// travels as Unicode (nvarchar), every result is read to its end before the
// call returns, and a statement or a batch runs as one request
// (sp_executesql, or a plain batch when it has no values).

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>

#include "system/Sistema.h"

namespace plataforma {

class Vigilia;

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

// Every call that waits on the server (the connect, each request) runs on a
// worker thread while the calling thread waits on a Vigilia (data/Espera.h):
// through the program's handler, with its clock. A request the server leaves
// unanswered for esperaSentencia() seconds gets the driver's cancel and, with
// no answer 1.5 s later, its socket cut; it fails with SQLSTATE HYT00. One the
// user gives up on fails with HY008 ("Se canceló la espera del servidor.").
// A session serves one request at a time, from one thread at a time.
class SesionOdbc {
public:
    // Connects with an ODBC connection string, waiting at most esperaLogin
    // seconds for the login (`servidor` names the server to whoever waits);
    // the session closes the connection when destroyed. A connect the user
    // gives up on, or that outlives its limit, is cut; should its worker stay
    // blocked even so, it is left behind (see trabajosAbandonados).
    static std::unique_ptr<SesionOdbc> conectar(const QString& cadena, int esperaLogin,
                                                FalloOdbc* fallo, const QString& servidor = {});
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
    // Whether a request is under way (its caller waiting on it).
    bool ocupada() const { return enCurso_ != nullptr; }
    // Cancels the request under way and waits, blocked, until its worker is
    // done; the request then fails as cancelled. For a thread that must close
    // the connection while its own request waits (a stop signal).
    void interrumpir();

    struct Api;

private:
    struct Curso;
    SesionOdbc(std::shared_ptr<const Api> api, void* env, void* hdbc, QString servidor);
    // Runs `llamada` on a worker thread and waits for it; the outcome as the
    // clock or the user left it.
    bool enTrabajador(const std::function<bool(FalloOdbc*)>& llamada, FalloOdbc* fallo);
    bool directaAqui(const QString& sql, const QVariantList& valores, const QList<int>& tamanos,
                     FilasOdbc* filas, const std::function<void(const QVariantList&)>& entregar,
                     QList<FilasOdbc>* todos, FalloOdbc* fallo);
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
    QString servidor_;
    // The connection's own socket, found as it connected (descriptor -1:
    // not known; a cancel is then all the clock can do).
    sistema::SocketTcp socket_;
    // The statement running now, for the cancel.
    std::shared_ptr<Curso> curso_;
    Vigilia* enCurso_ = nullptr;
};

// Seconds any request may wait for the server before it is given up: 30.
// Tests that make a server go silent shorten it.
int esperaSentencia();
void fijarEsperaSentencia(int segundos);
// The driver's own limit on a wait, beyond esperaSentencia(): reached only if
// the clock could neither cancel the request nor cut its socket.
int esperaDelControlador();

// Connects given up on whose worker is still blocked in the driver: a program
// that leaves then must not run its static destructors under it.
int trabajosAbandonados();

}  // namespace plataforma
