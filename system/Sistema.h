#pragma once
// What differs between Windows, where the program began, and the systems it
// is built for here. The only file that asks which system it is on.

#include <QList>
#include <QString>
#include <functional>
#include <memory>

class QTemporaryFile;

namespace plataforma::sistema {

// The folder of the start-up table when NAX_DIR does not name one.
QString carpetaArranque();
// Whether the window system the toolkit would use can be reached: on X11 or
// Wayland, whether the session's display variable is set (a platform chosen
// with QT_QPA_PLATFORM that needs none, such as offscreen, always can).
// Without one the toolkit aborts as it starts.
bool hayPantalla();

// The ODBC driver manager's library, and its major version (-1: any).
QString bibliotecaOdbc(int* version);

// The connection string as the system's SQL Server driver takes it; `espera`
// is the seconds the driver itself lets any wait last. With `cifrar` the
// whole session goes through TLS, and a server that does not offer it is
// left before the login is sent; without it nothing is encrypted (a lab
// server declared so by the administrator).
QString cadenaParaElControlador(const QString& cadena, int espera, bool cifrar = true);

// The server's certificate checked against `autoridades` ("system": the
// system's store of certificate authorities; else a PEM file of them), its
// name included. The driver takes them only from a server section of its
// own settings file, never from the connection string: one is written for
// `servidor` ("host", "host,port" or "host\instance") in `*archivo`, which
// must live until the connect returns, and the string `sinServidor` (the
// driver's string without its Server key) is returned naming that section.
// Empty, with *error, when the file cannot be written.
QString conAutoridades(const QString& sinServidor, const QString& servidor,
                       const QString& autoridades, std::unique_ptr<QTemporaryFile>* archivo,
                       QString* error);

// Why a connect that asked for TLS failed, when the driver's words
// (`detalle`) leave it open: the server is asked, in a connection of its own,
// whether it offers encryption at all.
enum class FalloDeCifrado { NoSeSabe, NoLoOfrece, CertificadoRechazado };
FalloDeCifrado porQueNoSeCifro(const QString& servidor, const QString& detalle,
                               bool conAutoridades);

// A TCP socket of this process: its descriptor and the system's identity of
// the socket behind it, so that a descriptor closed and reused for something
// else is never taken for it.
struct SocketTcp {
    int descriptor = -1;
    quint64 nodo = 0;
    bool operator==(const SocketTcp&) const = default;
};

// The process's TCP sockets (IPv4 and IPv6) open now; none where the system
// does not tell (Windows). The SQL Server driver does not give its socket
// away: the one that appears while it connects is its.
QList<SocketTcp> socketsTcp();

// Shuts the socket down both ways, if it is still the one found: a read
// blocked on it returns at once, as on a broken link. False when it is gone.
bool cortarSocket(const SocketTcp& socket);

// Makes a native window top-most or ordinary again through the window
// system's own call, where there is one (Windows); false where the toolkit
// must do it. `ventana` gives the native handle, asked for only when used.
bool ponerEncima(const std::function<quintptr()>& ventana, bool encima, int x, int y, int cx,
                 int cy, unsigned banderas);

// The files the desks of one machine share (the embedded databases and the
// start-up table) belong to the group "tarjeta", which the package creates
// and into which the administrator puts the desk users.
inline constexpr char kGrupoCompartido[] = "tarjeta";

// The shared group's id, or -1 where the system has no such group (a build
// run without the package) or no groups at all (Windows).
long grupoCompartido();

// Gives a file or folder to a group (-1: its group stays) and sets its mode
// bits (setgid included); through `descriptor` when it is not negative, else
// by `ruta`. False with the system's words; nothing to do on Windows.
bool repartir(const QString& ruta, int descriptor, long grupo, unsigned modo, QString* error);

// The permission bits of a file or folder (setgid and sticky included); 0
// where the system does not say.
unsigned modoDe(const QString& ruta);

// Why the file at `ruta`, or its folder, cannot be written by this process
// with its effective ids (empty: both can). SQLite writes its rollback
// journal beside the file, so the folder counts too. A file that is gone
// says so.
QString sinEscritura(const QString& ruta);

}  // namespace plataforma::sistema
