#pragma once
// The ways out of the program besides closing its window: a stop request
// from the session manager or a terminal (SIGTERM, SIGHUP, SIGINT) ends the
// program in order, from its event loop, never from inside the signal.

#include <functional>

namespace plataforma::Salida {

// From now on `cerrar` (which closes the database connection, rolling back an
// open transaction) runs when the event loop ends, and a stop signal makes
// the event loop run it and leave with status 128 + the signal's number; a
// second signal while that happens ends the program at once. A signal that
// was ignored when the program started (nohup) stays ignored. Call with the
// application object built; calling again only replaces `cerrar` (an empty
// one: nothing to close any more).
void preparar(std::function<void()> cerrar);

}  // namespace plataforma::Salida
