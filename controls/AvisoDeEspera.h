#pragma once
// What the user sees while the program waits on the database server: for
// half a second nothing; then, on the window that waits, a busy cursor and a
// bar "Esperando al servidor…" with «Cancelar» over its bottom edge (before
// any window is up, a small window "Conectando con SERVER…"). The windows
// keep repainting all along, and take no input but that button: no typing,
// no second click, no closing.

#include <QString>
#include <functional>

namespace plataforma {

// A wait as the windows need it.
struct AvisoDeEspera {
    // Whether the wait is over, waiting at most the given milliseconds.
    std::function<bool(int ms)> esperar;
    // The user gives up.
    std::function<void()> cancelar;
    // Milliseconds since the wait began.
    std::function<qint64()> transcurrido;
    // The server, as the start-up table names it.
    QString servidor;
    // Has the given call made once the wait is over (from any thread).
    std::function<void(std::function<void()>)> alTerminar;
};

// How long a wait goes unshown.
constexpr int kMostrarEsperaMs = 500;

// Waits with the application alive (its own event loop, user input
// swallowed), showing the wait once it outlasts kMostrarEsperaMs. Returns
// when esperar() says the wait is over; at once, without waiting, on a
// thread other than the windows' or once the application is quitting.
void esperarConVentana(const AvisoDeEspera& aviso);

}  // namespace plataforma
