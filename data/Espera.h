#pragma once
// Waiting on SQL Server without freezing the thread that waits. A request (or
// the connect) runs on a worker thread; the calling thread waits on a Vigilia,
// through a handler that the program sets (the windows keep repainting and
// offer a way out) or, without one, simply blocked. Either way the vigil
// keeps the clock: no answer within the limit sends the driver's cancel, and
// a cancel with no answer 1.5 s later cuts the connection's socket, so that
// no wait lasts much longer than its limit.

#include <QString>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

namespace plataforma {

// A wait on the server as the waiting thread sees it.
class Espera {
public:
    virtual ~Espera() = default;
    // Whether the wait is over, waiting at most `ms` milliseconds for it (0:
    // just look). Whoever waits must call it until it says true: it also runs
    // the clock.
    virtual bool esperar(int ms) = 0;
    virtual bool terminada() const = 0;
    // The user gives up: the request is cancelled (the connect cut); the
    // operation then fails as cancelled.
    virtual void cancelar() = 0;
    // Milliseconds since the wait began.
    virtual qint64 transcurrido() const = 0;
    // The server waited on, as the connection string names it.
    virtual QString servidor() const = 0;
    // Calls `aviso` once the wait is over, from the thread that ends it (at
    // once if it is over already), before esperar() can say it is over; so
    // that a waiting loop wakes then rather than at its next look. It must
    // be quick (posting an event, say).
    virtual void alTerminar(std::function<void()> aviso) = 0;
};

// How the calling thread waits: the handler must return once the wait is
// over (esperar() true); if it returns earlier the caller goes on waiting
// blocked.
using ManejadorDeEspera = std::function<void(Espera&)>;
// Sets the handler (empty: none) and gives back the one it replaces.
ManejadorDeEspera ponerManejadorDeEspera(ManejadorDeEspera manejador);
ManejadorDeEspera manejadorDeEspera();

// The clock of one wait, shared by the waiting thread and the worker.
class Vigilia final : public Espera {
public:
    struct Acciones {
        std::function<void()> cancelar;  // ask the server to stop (the driver's cancel)
        std::function<void()> cortar;    // cut the link (the socket)
    };
    // limiteMs: how long the server may stay silent; plazoCorteMs: how long a
    // cancel may go unanswered before the link is cut; with abandonarMs >= 0
    // (the connect, whose worker owns all it uses) the wait ends that long
    // after the cut even if the worker is still blocked.
    Vigilia(QString servidor, qint64 limiteMs, Acciones acciones,
            qint64 plazoCorteMs = kPlazoCorteMs, qint64 abandonarMs = -1);

    static constexpr qint64 kPlazoCorteMs = 1500;

    // Worker side: the call returned; an answer arrived (rows keep coming,
    // so the limit counts again from now).
    void terminar();
    void avanzar();

    // How the wait ended.
    bool expirada() const;    // the server stayed silent past the limit
    bool cancelada() const;   // the user gave up
    bool cortada() const;     // the socket was cut
    bool abandonada() const;  // the wait ended with the worker still blocked

    bool esperar(int ms) override;
    bool terminada() const override;
    void cancelar() override;
    qint64 transcurrido() const override;
    QString servidor() const override { return servidor_; }
    void alTerminar(std::function<void()> aviso) override;

    // Waits through the handler, if any, then blocked until the wait is over.
    void aguardar();

private:
    using Reloj = std::chrono::steady_clock;
    qint64 desde(Reloj::time_point t) const;
    // The next moment the clock has something to do (cancel, cut, give up).
    Reloj::time_point proximoPlazo() const;
    void revisar(std::unique_lock<std::mutex>& candado);
    void pedirCancelacion(std::unique_lock<std::mutex>& candado);

    const QString servidor_;
    const qint64 limiteMs_, plazoCorteMs_, abandonarMs_;
    const Acciones acciones_;
    const Reloj::time_point inicio_;
    mutable std::mutex mutex_;
    std::condition_variable aviso_;
    std::function<void()> alTerminar_;
    Reloj::time_point ultimaRespuesta_, momentoCancelacion_, momentoCorte_;
    bool terminada_ = false, expirada_ = false, cancelada_ = false, cancelacionPedida_ = false,
         cortada_ = false, abandonada_ = false;
};

}  // namespace plataforma
