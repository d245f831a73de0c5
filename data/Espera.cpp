#include "data/Espera.h"

#include <utility>

namespace plataforma {

namespace {

std::mutex gMutexManejador;
ManejadorDeEspera gManejador;

}  // namespace

ManejadorDeEspera ponerManejadorDeEspera(ManejadorDeEspera manejador) {
    std::lock_guard<std::mutex> candado(gMutexManejador);
    std::swap(gManejador, manejador);
    return manejador;
}

ManejadorDeEspera manejadorDeEspera() {
    std::lock_guard<std::mutex> candado(gMutexManejador);
    return gManejador;
}

Vigilia::Vigilia(QString servidor, qint64 limiteMs, Acciones acciones, qint64 plazoCorteMs,
                 qint64 abandonarMs)
    : servidor_(std::move(servidor)),
      limiteMs_(limiteMs),
      plazoCorteMs_(plazoCorteMs),
      abandonarMs_(abandonarMs),
      acciones_(std::move(acciones)),
      inicio_(Reloj::now()),
      ultimaRespuesta_(inicio_) {}

qint64 Vigilia::desde(Reloj::time_point t) const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Reloj::now() - t).count();
}

void Vigilia::terminar() {
    {
        // The call is made before anyone can see the wait over: whoever
        // waits may let go of what it reaches once it does.
        std::lock_guard<std::mutex> candado(mutex_);
        terminada_ = true;
        if (alTerminar_) std::exchange(alTerminar_, nullptr)();
    }
    aviso_.notify_all();
}

void Vigilia::alTerminar(std::function<void()> aviso) {
    {
        std::lock_guard<std::mutex> candado(mutex_);
        if (!terminada_) {
            alTerminar_ = std::move(aviso);
            return;
        }
    }
    aviso();
}

void Vigilia::avanzar() {
    std::lock_guard<std::mutex> candado(mutex_);
    ultimaRespuesta_ = Reloj::now();
}

bool Vigilia::expirada() const {
    std::lock_guard<std::mutex> candado(mutex_);
    return expirada_;
}

bool Vigilia::cancelada() const {
    std::lock_guard<std::mutex> candado(mutex_);
    return cancelada_;
}

bool Vigilia::cortada() const {
    std::lock_guard<std::mutex> candado(mutex_);
    return cortada_;
}

bool Vigilia::abandonada() const {
    std::lock_guard<std::mutex> candado(mutex_);
    return abandonada_;
}

bool Vigilia::terminada() const {
    std::lock_guard<std::mutex> candado(mutex_);
    return terminada_ || abandonada_;
}

qint64 Vigilia::transcurrido() const {
    return desde(inicio_);
}

Vigilia::Reloj::time_point Vigilia::proximoPlazo() const {
    using std::chrono::milliseconds;
    if (!cancelacionPedida_) return ultimaRespuesta_ + milliseconds(limiteMs_);
    if (!cortada_) return momentoCancelacion_ + milliseconds(plazoCorteMs_);
    if (abandonarMs_ >= 0) return momentoCorte_ + milliseconds(abandonarMs_);
    return Reloj::time_point::max();
}

// The actions run with the lock released: they reach the driver and the
// system, which may take their own locks.
void Vigilia::pedirCancelacion(std::unique_lock<std::mutex>& candado) {
    cancelacionPedida_ = true;
    momentoCancelacion_ = Reloj::now();
    candado.unlock();
    if (acciones_.cancelar) acciones_.cancelar();
    candado.lock();
}

void Vigilia::revisar(std::unique_lock<std::mutex>& candado) {
    if (terminada_ || abandonada_) return;
    const auto ahora = Reloj::now();
    if (ahora < proximoPlazo()) return;
    if (!cancelacionPedida_) {
        expirada_ = true;
        pedirCancelacion(candado);
    } else if (!cortada_) {
        cortada_ = true;
        momentoCorte_ = ahora;
        candado.unlock();
        if (acciones_.cortar) acciones_.cortar();
        candado.lock();
    } else if (abandonarMs_ >= 0) {
        abandonada_ = true;
    }
}

bool Vigilia::esperar(int ms) {
    std::unique_lock<std::mutex> candado(mutex_);
    const auto hasta = Reloj::now() + std::chrono::milliseconds(qMax(ms, 0));
    for (;;) {
        revisar(candado);
        if (terminada_ || abandonada_) return true;
        const auto plazo = std::min(hasta, proximoPlazo());
        if (Reloj::now() >= hasta) return false;
        aviso_.wait_until(candado, plazo);
    }
}

void Vigilia::cancelar() {
    std::unique_lock<std::mutex> candado(mutex_);
    if (terminada_ || abandonada_ || cancelada_) return;
    cancelada_ = true;
    // A cancel already asked for by the clock keeps its own cut time.
    if (!cancelacionPedida_) pedirCancelacion(candado);
}

void Vigilia::aguardar() {
    if (esperar(0)) return;
    if (const ManejadorDeEspera manejador = manejadorDeEspera()) manejador(*this);
    while (!esperar(1000)) {
    }
}

}  // namespace plataforma
