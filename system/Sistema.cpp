#include "system/Sistema.h"

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <dirent.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#endif

namespace plataforma::sistema {

QString carpetaArranque() {
#ifdef Q_OS_WIN
    return QStringLiteral("C:\\nax\\");
#else
    return QStringLiteral("/etc/nax/");
#endif
}

bool hayPantalla() {
#ifdef Q_OS_WIN
    return true;
#else
    const QString plataforma = qEnvironmentVariable("QT_QPA_PLATFORM");
    if (plataforma.startsWith(QLatin1String("wayland")))
        return !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (!plataforma.isEmpty() && !plataforma.startsWith(QLatin1String("xcb"))) return true;
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           (plataforma.isEmpty() && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"));
#endif
}

QString bibliotecaOdbc(int* version) {
#ifdef Q_OS_WIN
    *version = -1;
    return QStringLiteral("odbc32");
#else
    *version = 2;
    return QStringLiteral("odbc");
#endif
}

QString cadenaParaElControlador(const QString& cadena, int espera) {
#ifdef Q_OS_WIN
    Q_UNUSED(espera)
    return cadena;
#else
    // FreeTDS, which plays the "SQL Server" driver here, takes its protocol
    // version and character set from the connection string when it has no
    // named server section. A pinned version matters: with autodetection a
    // server that accepts the connection and never answers hangs the login
    // after the first timeout. Its Timeout is the driver's own limit on any
    // wait, the requests it makes itself as it connects included; the
    // program's clock (data/Espera.h) cancels and cuts before it, so it is
    // only a last resort against a wait without end.
    QString odbc = cadena;
    if (!odbc.trimmed().endsWith(QLatin1Char(';'))) odbc += QLatin1Char(';');
    return odbc + QStringLiteral("TDS_Version=7.4;ClientCharset=UTF-8;Timeout=%1;").arg(espera);
#endif
}

QList<SocketTcp> socketsTcp() {
    QList<SocketTcp> lista;
#ifndef Q_OS_WIN
    // /proc/self/fd names each socket "socket:[INODE]"; the family tells TCP
    // from the AF_UNIX pairs the driver and the toolkit keep for wake-ups.
    DIR* carpeta = ::opendir("/proc/self/fd");
    if (!carpeta) return lista;
    const int propio = ::dirfd(carpeta);
    while (const dirent* e = ::readdir(carpeta)) {
        char* fin = nullptr;
        const long fd = std::strtol(e->d_name, &fin, 10);
        if (fin == e->d_name || *fin != '\0' || fd == propio) continue;
        char destino[64] = {};
        const ssize_t n = ::readlinkat(propio, e->d_name, destino, sizeof destino - 1);
        if (n <= 8 || std::strncmp(destino, "socket:[", 8) != 0) continue;
        int familia = 0, tipo = 0;
        socklen_t largo = sizeof familia;
        if (::getsockopt(int(fd), SOL_SOCKET, SO_DOMAIN, &familia, &largo) != 0) continue;
        largo = sizeof tipo;
        if (::getsockopt(int(fd), SOL_SOCKET, SO_TYPE, &tipo, &largo) != 0) continue;
        if ((familia != AF_INET && familia != AF_INET6) || tipo != SOCK_STREAM) continue;
        lista.append({int(fd), std::strtoull(destino + 8, nullptr, 10)});
    }
    ::closedir(carpeta);
#endif
    return lista;
}

bool cortarSocket(const SocketTcp& socket) {
#ifdef Q_OS_WIN
    Q_UNUSED(socket)
    return false;
#else
    struct stat datos {};
    if (socket.descriptor < 0 || ::fstat(socket.descriptor, &datos) != 0 ||
        !S_ISSOCK(datos.st_mode) || quint64(datos.st_ino) != socket.nodo)
        return false;
    return ::shutdown(socket.descriptor, SHUT_RDWR) == 0;
#endif
}

bool ponerEncima(const std::function<quintptr()>& ventana, bool encima, int x, int y, int cx,
                 int cy, unsigned banderas) {
#ifdef Q_OS_WIN
    ::SetWindowPos(reinterpret_cast<HWND>(ventana()), encima ? HWND_TOPMOST : HWND_NOTOPMOST, x, y,
                   cx, cy, banderas);
    return true;
#else
    Q_UNUSED(ventana)
    Q_UNUSED(encima)
    Q_UNUSED(x)
    Q_UNUSED(y)
    Q_UNUSED(cx)
    Q_UNUSED(cy)
    Q_UNUSED(banderas)
    return false;
#endif
}

}  // namespace plataforma::sistema
