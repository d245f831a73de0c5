#include "controls/Salida.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#ifdef Q_OS_UNIX
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#endif

namespace plataforma::Salida {

namespace {

std::function<void()> cerrar_;
bool preparado_ = false;

void cerrarAhora() {
    if (cerrar_) cerrar_();
}

#ifdef Q_OS_UNIX
constexpr int kSenales[] = {SIGTERM, SIGHUP, SIGINT};

// The signal handler only writes the signal's number to this socket pair;
// the event loop reads it at [0] (the self-pipe trick: nothing that is not
// async-signal-safe runs inside the handler).
int tubo[2] = {-1, -1};

void alRecibir(int senal) {
    const int guardado = errno;
    const char c = char(senal);
    [[maybe_unused]] const ssize_t n = ::write(tubo[1], &c, 1);
    errno = guardado;
}

void atender() {
    char senal = 0;
    if (::read(tubo[0], &senal, 1) != 1) return;
    for (int s : kSenales) {
        struct sigaction actual {};
        if (::sigaction(s, nullptr, &actual) == 0 && actual.sa_handler == alRecibir)
            ::signal(s, SIG_DFL);
    }
    cerrarAhora();
    QCoreApplication::exit(128 + senal);
}
#endif

}  // namespace

void preparar(std::function<void()> cerrar) {
    cerrar_ = std::move(cerrar);
    if (preparado_ || !QCoreApplication::instance()) return;
    preparado_ = true;
    QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, cerrarAhora);
#ifdef Q_OS_UNIX
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, tubo) != 0) return;
    auto* aviso = new QSocketNotifier(tubo[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(aviso, &QSocketNotifier::activated, aviso, [] { atender(); });
    struct sigaction accion {};
    accion.sa_handler = alRecibir;
    sigemptyset(&accion.sa_mask);
    accion.sa_flags = SA_RESTART;
    for (int s : kSenales) {
        struct sigaction anterior {};
        if (::sigaction(s, nullptr, &anterior) == 0 && anterior.sa_handler == SIG_IGN) continue;
        ::sigaction(s, &accion, nullptr);
    }
#endif
}

}  // namespace plataforma::Salida
