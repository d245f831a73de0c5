#include "system/Sistema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <netdb.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
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

QString cadenaParaElControlador(const QString& cadena, int espera, bool cifrar) {
#ifdef Q_OS_WIN
    Q_UNUSED(espera)
    return cadena + (cifrar ? QStringLiteral("Encrypt=yes;") : QStringLiteral("Encrypt=no;"));
#else
    // FreeTDS, which plays the "SQL Server" driver here, takes its protocol
    // version and character set from the connection string when it has no
    // named server section. A pinned version matters: with autodetection a
    // server that accepts the connection and never answers hangs the login
    // after the first timeout. Its Timeout is the driver's own limit on any
    // wait, the requests it makes itself as it connects included; the
    // program's clock (data/Espera.h) cancels and cuts before it, so it is
    // only a last resort against a wait without end.
    // Its Encryption=require encrypts the login and everything after it, and
    // gives up before the login when the server offers no encryption; its
    // default would encrypt the login alone.
    QString odbc = cadena;
    if (!odbc.trimmed().endsWith(QLatin1Char(';'))) odbc += QLatin1Char(';');
    return odbc + QStringLiteral("TDS_Version=7.4;ClientCharset=UTF-8;Timeout=%1;Encryption=%2;")
                      .arg(espera)
                      .arg(cifrar ? QLatin1String("require") : QLatin1String("off"));
#endif
}

namespace {

// "host", "host,port" or "host\instance", as the start-up table names a
// SQL Server.
struct DireccionSql {
    QString host, instancia;
    int puerto = 0;
};

DireccionSql direccionSql(const QString& servidor) {
    DireccionSql d;
    const QString s = servidor.trimmed();
    if (const qsizetype coma = s.indexOf(QLatin1Char(',')); coma >= 0) {
        d.host = s.left(coma).trimmed();
        d.puerto = s.mid(coma + 1).trimmed().toInt();
    } else if (const qsizetype barra = s.indexOf(QLatin1Char('\\')); barra >= 0) {
        d.host = s.left(barra).trimmed();
        d.instancia = s.mid(barra + 1).trimmed();
    } else {
        d.host = s;
    }
    return d;
}

#ifndef Q_OS_WIN
// The encryption byte a SQL Server answers to a pre-login asking for it
// (0 off, 1 on, 2 not supported, 3 required); -1 when it cannot be learnt
// within 3 s. Nothing but the pre-login is sent.
int cifradoQueOfrece(const QString& host, int puerto) {
    addrinfo pista{};
    pista.ai_socktype = SOCK_STREAM;
    addrinfo* direcciones = nullptr;
    if (::getaddrinfo(host.toUtf8().constData(), QByteArray::number(puerto).constData(), &pista,
                      &direcciones) != 0)
        return -1;
    int respuesta = -1;
    for (addrinfo* a = direcciones; a && respuesta < 0; a = a->ai_next) {
        const int s = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
        if (s < 0) continue;
        const timeval plazo{3, 0};
        ::setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, &plazo, sizeof plazo);
        ::setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &plazo, sizeof plazo);
        // A PRELOGIN message: VERSION and ENCRYPTION (on), then their data.
        const unsigned char preLogin[] = {0x12, 0x01, 0x00, 26,   0x00, 0x00, 0x01, 0x00, 0x00,
                                          0x00, 11,   0x00, 6,    0x01, 0x00, 17,   0x00, 1,
                                          0xFF, 0x09, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01};
        unsigned char r[512];
        ssize_t leidos = 0;
        if (::connect(s, a->ai_addr, a->ai_addrlen) == 0 &&
            ::send(s, preLogin, sizeof preLogin, MSG_NOSIGNAL) == ssize_t(sizeof preLogin)) {
            // One reply packet: its header, then option tokens pointing into it.
            while (leidos < ssize_t(sizeof r)) {
                const ssize_t n = ::recv(s, r + leidos, sizeof r - size_t(leidos), 0);
                if (n <= 0) break;
                leidos += n;
                if (leidos >= 8 && leidos >= ((r[2] << 8) | r[3])) break;
            }
        }
        ::close(s);
        if (leidos < 9 || r[0] != 0x04) continue;
        const unsigned char* datos = r + 8;
        const ssize_t largo = std::min<ssize_t>(leidos, (r[2] << 8) | r[3]) - 8;
        for (ssize_t i = 0; i + 5 <= largo && datos[i] != 0xFF; i += 5) {
            const int desde = (datos[i + 1] << 8) | datos[i + 2];
            if (datos[i] == 0x01 && desde < largo) respuesta = datos[desde];
        }
    }
    ::freeaddrinfo(direcciones);
    return respuesta;
}
#endif

}  // namespace

QString conAutoridades(const QString& sinServidor, const QString& servidor,
                       const QString& autoridades, std::unique_ptr<QTemporaryFile>* archivo,
                       QString* error) {
#ifdef Q_OS_WIN
    Q_UNUSED(archivo)
    Q_UNUSED(error)
    Q_UNUSED(autoridades)
    return sinServidor + QStringLiteral("Server={%1};TrustServerCertificate=no;").arg(servidor);
#else
    const DireccionSql d = direccionSql(servidor);
    // A value with a line break would add settings of its own to the file.
    for (const QString& v : {d.host, d.instancia, autoridades})
        if (v.contains(QLatin1Char('\n')) || v.contains(QLatin1Char('\r'))) {
            *error = QStringLiteral("un salto de línea en «%1»").arg(v.trimmed());
            return {};
        }
    QString texto = QStringLiteral("[tarjeta]\n\thost = %1\n").arg(d.host);
    if (d.puerto > 0) texto += QStringLiteral("\tport = %1\n").arg(d.puerto);
    if (!d.instancia.isEmpty()) texto += QStringLiteral("\tinstance = %1\n").arg(d.instancia);
    texto +=
        QStringLiteral("\tca file = %1\n\tcheck certificate hostname = yes\n").arg(autoridades);
    auto f = std::make_unique<QTemporaryFile>(QDir::tempPath() +
                                              QStringLiteral("/tarjeta-freetds-XXXXXX.conf"));
    const QByteArray bytes = texto.toUtf8();
    if (!f->open() || f->write(bytes) != bytes.size() || !f->flush()) {
        *error = QStringLiteral("no se pudo escribir %1: %2").arg(f->fileName(), f->errorString());
        return {};
    }
    // The driver reads the file named here as it connects.
    qputenv("FREETDSCONF", QFile::encodeName(f->fileName()));
    *archivo = std::move(f);
    return sinServidor + QStringLiteral("Servername=tarjeta;");
#endif
}

FalloDeCifrado porQueNoSeCifro(const QString& servidor, const QString& detalle,
                               bool conAutoridades) {
#ifdef Q_OS_WIN
    Q_UNUSED(servidor)
    Q_UNUSED(detalle)
    Q_UNUSED(conAutoridades)
    return FalloDeCifrado::NoSeSabe;
#else
    // FreeTDS words a server without encryption and a certificate it refuses
    // alike; a server it cannot reach, or a refused login, otherwise.
    if (!detalle.contains(QLatin1String("Adaptive Server connection failed")))
        return FalloDeCifrado::NoSeSabe;
    const DireccionSql d = direccionSql(servidor);
    if (!d.instancia.isEmpty()) return FalloDeCifrado::NoSeSabe;  // its port is the browser's
    const int cifrado = cifradoQueOfrece(d.host, d.puerto > 0 ? d.puerto : 1433);
    if (cifrado == 2) return FalloDeCifrado::NoLoOfrece;
    if (cifrado >= 0 && conAutoridades) return FalloDeCifrado::CertificadoRechazado;
    return FalloDeCifrado::NoSeSabe;
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
