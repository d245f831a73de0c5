#include "system/Sistema.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
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

long grupoCompartido() {
#ifdef Q_OS_WIN
    return -1;
#else
    const group* g = ::getgrnam(kGrupoCompartido);
    return g ? long(g->gr_gid) : -1;
#endif
}

bool repartir(const QString& ruta, int descriptor, long grupo, unsigned modo, QString* error) {
#ifdef Q_OS_WIN
    Q_UNUSED(ruta)
    Q_UNUSED(descriptor)
    Q_UNUSED(grupo)
    Q_UNUSED(modo)
    Q_UNUSED(error)
    return true;
#else
    const QByteArray r = QFile::encodeName(ruta);
    const auto falla = [&](const char* que) {
        *error = QStringLiteral("%1 %2: %3")
                     .arg(QLatin1String(que), ruta, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    };
    // The group first: a change of group clears the setgid bit.
    if (grupo >= 0 && (descriptor >= 0 ? ::fchown(descriptor, uid_t(-1), gid_t(grupo))
                                       : ::chown(r.constData(), uid_t(-1), gid_t(grupo))) != 0)
        return falla("chgrp");
    if ((descriptor >= 0 ? ::fchmod(descriptor, mode_t(modo))
                         : ::chmod(r.constData(), mode_t(modo))) != 0)
        return falla("chmod");
    return true;
#endif
}

unsigned modoDe(const QString& ruta) {
#ifdef Q_OS_WIN
    Q_UNUSED(ruta)
    return 0;
#else
    struct stat st {};
    if (::stat(QFile::encodeName(ruta).constData(), &st) != 0) return 0;
    return unsigned(st.st_mode) & 07777u;
#endif
}

QString sinEscritura(const QString& ruta) {
#ifdef Q_OS_WIN
    Q_UNUSED(ruta)
    return {};
#else
    const QFileInfo info(ruta);
    for (const QString& r : {info.absoluteFilePath(), info.absolutePath()}) {
        if (::faccessat(AT_FDCWD, QFile::encodeName(r).constData(), W_OK, AT_EACCESS) == 0)
            continue;
        return QStringLiteral("%1: %2").arg(r, QString::fromLocal8Bit(std::strerror(errno)));
    }
    return {};
#endif
}

}  // namespace plataforma::sistema
