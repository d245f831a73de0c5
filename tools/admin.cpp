// tarjeta-admin: creates the embedded databases, writes or shows the
// start-up table, and reports the phone numbers several clients share
// (tarjeta-admin --help for its commands).

#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTextStream>
#include <cstdio>
#include <iostream>
#include <iterator>
#include <string>

#include "db/Instalador.h"
#include "domain/Arranque.h"
#include "domain/Global.h"
#include "tools/TelefonosCompartidos.h"

namespace {

// Each command: its words, its usage (lines within 80 columns) and what runs
// it (set below, once the functions exist).
struct Orden {
    const char* nombre;
    const char* uso;
};

const Orden kOrdenes[] = {
    {"db init",
     "  tarjeta-admin db init DIR [--demo] [--force]\n"
     "      create DIR/erp_nax.db and DIR/zelt.db (with demo data when --demo;\n"
     "      --force replaces both files)\n"},
    {"arranque write",
     "  tarjeta-admin arranque write DIR --server S --user U --branch B\n"
     "                               [--empty-password]\n"
     "      write DIR/ARRANQUE.dbf, over the table there in whatever letter case\n"
     "      (any other copy whose name differs only in case is removed); the\n"
     "      database password is asked for twice, without echo, at a terminal, or\n"
     "      read as one line from standard input; an empty one only with\n"
     "      --empty-password; a relative file: folder is written absolute\n"},
    {"arranque show",
     "  tarjeta-admin arranque show DIR\n"
     "      print the server, login and branch of DIR/ARRANQUE.dbf (never the\n"
     "      password)\n"},
    {"telefonos-compartidos",
     "  tarjeta-admin telefonos-compartidos DIR [--csv] [--min-clientes N]\n"
     "      connect as the program does from DIR/ARRANQUE.dbf and list the phone\n"
     "      numbers that appear for N or more clients (2 when not given) on cards\n"
     "      or extra contacts; --csv for comma-separated values (the summary then\n"
     "      goes to standard error)\n"},
};

const char kOtras[] =
    "  tarjeta-admin help [COMMAND], tarjeta-admin COMMAND --help\n"
    "      print this text, or a command's part of it\n"
    "  tarjeta-admin --version\n"
    "      print the version\n";

QString usoCompleto() {
    QString t = QStringLiteral("usage:\n");
    for (const Orden& o : kOrdenes) t += QString::fromUtf8(o.uso);
    return t + QString::fromUtf8(kOtras);
}

int fallo(const QString& mensaje) {
    std::fprintf(stderr, "tarjeta-admin: %s\n", mensaje.toLocal8Bit().constData());
    return 2;
}

int uso(const QString& mensaje) {
    std::fprintf(stderr, "tarjeta-admin: %s\n%s", mensaje.toLocal8Bit().constData(),
                 usoCompleto().toLocal8Bit().constData());
    return 64;
}

// One line of standard input, without its line end; false at its end.
bool leerLinea(std::string* linea) {
    linea->clear();
    if (!std::getline(std::cin, *linea) && linea->empty()) return false;
    if (!linea->empty() && linea->back() == '\r') linea->pop_back();
    return true;
}

// Asks for a line at the terminal with the prompt on standard error and the
// typing not echoed. The echo goes off before the prompt shows, and nothing
// typed ahead is thrown away.
bool preguntarSinEco(const char* pregunta, std::string* linea) {
    termios antes{};
    const bool terminal = tcgetattr(STDIN_FILENO, &antes) == 0;
    if (terminal) {
        termios sinEco = antes;
        sinEco.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(STDIN_FILENO, TCSANOW, &sinEco);
    }
    std::fputs(pregunta, stderr);
    std::fflush(stderr);
    const bool ok = leerLinea(linea);
    if (terminal) tcsetattr(STDIN_FILENO, TCSANOW, &antes);
    std::fputs("\n", stderr);
    return ok;
}

// The database password: at a terminal asked for twice without echo, else
// one line of standard input; every byte kept, a NUL included, so that the
// table's writer can refuse it.
bool leerClave(bool vaciaPermitida, QString* clave, QString* error) {
    std::string linea;
    if (isatty(STDIN_FILENO)) {
        std::string otra;
        if (!preguntarSinEco("Password: ", &linea) ||
            !preguntarSinEco("Password (again): ", &otra)) {
            *error = QStringLiteral("no password given");
            return false;
        }
        if (linea != otra) {
            *error = QStringLiteral("the two passwords differ; nothing written");
            return false;
        }
    } else if (!leerLinea(&linea)) {
        *error = QStringLiteral("no password on standard input (give it as one line)");
        return false;
    }
    if (linea.empty() && !vaciaPermitida) {
        *error = QStringLiteral(
            "the password is empty; nothing written (give --empty-password to write an empty "
            "one)");
        return false;
    }
    *clave = QString::fromLocal8Bit(linea.data(), qsizetype(linea.size()));
    return true;
}

int dbInit(const QStringList& args) {
    QString dir;
    bool demo = false, forzar = false;
    for (const QString& a : args) {
        if (a == QLatin1String("--demo"))
            demo = true;
        else if (a == QLatin1String("--force"))
            forzar = true;
        else if (a.startsWith(QLatin1Char('-')) || !dir.isEmpty())
            return uso(QStringLiteral("unexpected argument '%1'").arg(a));
        else
            dir = a;
    }
    if (dir.isEmpty()) return uso(QStringLiteral("db init needs a folder"));
    QString error;
    const bool nueva = !QFileInfo::exists(dir);
    if (!Instalador::CrearBasesEmbebidas(dir, demo, forzar, &error)) return fallo(error);
    std::printf("created %s and %s%s\n",
                QDir(dir).filePath(QStringLiteral("erp_nax.db")).toLocal8Bit().constData(),
                QDir(dir).filePath(QStringLiteral("zelt.db")).toLocal8Bit().constData(),
                demo ? " with demo data" : "");
    QString hecho, aviso;
    Instalador::DarAlGrupo(dir, nueva, &hecho, &aviso);
    if (!hecho.isEmpty()) std::printf("%s\n", hecho.toLocal8Bit().constData());
    if (!aviso.isEmpty()) std::fprintf(stderr, "note: %s\n", aviso.toLocal8Bit().constData());
    return 0;
}

int arranqueWrite(const QStringList& args) {
    QString dir;
    Arranque::Datos datos;
    bool vacia = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        auto siguiente = [&](QString* destino) {
            if (i + 1 >= args.size()) return false;
            *destino = args[++i];
            return true;
        };
        bool ok = true;
        if (a == QLatin1String("--server"))
            ok = siguiente(&datos.servidor);
        else if (a == QLatin1String("--user"))
            ok = siguiente(&datos.usuario);
        else if (a == QLatin1String("--branch"))
            ok = siguiente(&datos.sucursal);
        else if (a == QLatin1String("--empty-password"))
            vacia = true;
        else if (a.startsWith(QLatin1String("--")) || !dir.isEmpty())
            return uso(QStringLiteral("unexpected argument '%1'").arg(a));
        else
            dir = a;
        if (!ok) return uso(QStringLiteral("%1 needs a value").arg(a));
    }
    if (dir.isEmpty()) return uso(QStringLiteral("arranque write needs a folder"));
    if (datos.servidor.isEmpty() || datos.usuario.isEmpty() || datos.sucursal.isEmpty())
        return uso(QStringLiteral("arranque write needs --server, --user and --branch"));
    // The program may start from any folder: an embedded databases' folder
    // is kept absolute.
    QString relativa;
    if (datos.servidor.startsWith(QLatin1String("file:"), Qt::CaseInsensitive) &&
        QDir::isRelativePath(datos.servidor.mid(5))) {
        relativa = datos.servidor.mid(5);
        datos.servidor = datos.servidor.left(5) + QDir(relativa).absolutePath();
    }
    QString error, archivo;
    if (!leerClave(vacia, &datos.clave, &error)) return fallo(error);
    QStringList quitados;
    if (!QDir(dir).exists() && !QDir().mkpath(dir))
        return fallo(QStringLiteral("cannot create folder %1").arg(dir));
    if (!Arranque::EscribirEnCarpeta(dir, datos, &archivo, &quitados, &error)) return fallo(error);
    std::printf("wrote %s\n", archivo.toLocal8Bit().constData());
    if (QString aviso; !Arranque::DarAlGrupo(archivo, &aviso))
        std::fprintf(stderr, "note: %s\n", aviso.toLocal8Bit().constData());
    if (!relativa.isEmpty())
        std::printf("note: the relative folder %s was written as %s\n",
                    relativa.toLocal8Bit().constData(),
                    datos.servidor.mid(5).toLocal8Bit().constData());
    for (const QString& q : quitados)
        std::printf("removed %s (same name in another letter case)\n", q.toLocal8Bit().constData());
    return 0;
}

int arranqueShow(const QStringList& args) {
    if (args.size() != 1) return uso(QStringLiteral("arranque show needs exactly one folder"));
    Arranque::Datos datos;
    QString error;
    if (!Arranque::Leer(args[0], &datos, &error)) return fallo(error);
    QTextStream salida(stdout);
    salida << "server: " << datos.servidor << "\n"
           << "login:  " << datos.usuario << "\n"
           << "branch: '" << datos.sucursal << "'\n";
    const QString proteccion = Arranque::DescribirProteccion(args[0], datos.servidor, &error);
    if (proteccion.isEmpty()) return fallo(error);
    salida << "wire:   " << proteccion << "\n";
    if (datos.usuario.contains(QLatin1Char('\\')))
        salida << "note:   the login holds a backslash, so the driver signs in as a Windows "
                  "domain user (DOMAIN\\user), not as a SQL Server login\n";
    return 0;
}

int telefonosCompartidos(const QStringList& args) {
    QString dir;
    bool csv = false;
    int minimo = 2;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--csv")) {
            csv = true;
        } else if (a == QLatin1String("--min-clientes")) {
            if (i + 1 >= args.size()) return uso(QStringLiteral("--min-clientes needs a value"));
            bool ok = false;
            minimo = args[++i].toInt(&ok);
            if (!ok || minimo < 2)
                return fallo(QStringLiteral("--min-clientes takes a whole number of clients from "
                                            "2 up, not '%1'")
                                 .arg(args[i]));
        } else if (a.startsWith(QLatin1Char('-')) || !dir.isEmpty()) {
            return uso(QStringLiteral("unexpected argument '%1'").arg(a));
        } else {
            dir = a;
        }
    }
    if (dir.isEmpty())
        return uso(QStringLiteral("telefonos-compartidos needs the folder of the start-up table"));

    plataforma::Conexion conexion;
    QString error;
    if (!Arranque::Conectar(dir, &conexion, &error)) return fallo(error);
    // Once the report takes more than a second, a progress line: rewritten
    // in place on a terminal, else a new line every few seconds.
    QElapsedTimer reloj;
    reloj.start();
    const bool terminal = isatty(STDERR_FILENO);
    qint64 ultimo = -1;
    auto avance = [&](const QString& que) {
        const qint64 ahora = reloj.elapsed();
        if (ahora < 1000 || (!terminal && ultimo >= 0 && ahora - ultimo < 3000)) return;
        std::fprintf(stderr,
                     terminal ? "\r\033[Ktarjeta-admin: %s, %.1f s" : "tarjeta-admin: %s, %.1f s\n",
                     qPrintable(que), double(ahora) / 1000);
        ultimo = ahora;
    };
    TelefonosCompartidos::Informe informe;
    const bool ok = TelefonosCompartidos::Generar(conexion, minimo, &informe, &error, avance);
    if (terminal && ultimo >= 0) std::fprintf(stderr, "\n");
    if (!ok) return fallo(QStringLiteral("cannot read the phones: %1").arg(error));
    const QByteArray resumen = TelefonosCompartidos::Resumen(informe).toUtf8();
    const QByteArray salida = (csv ? TelefonosCompartidos::Csv(informe)
                                   : TelefonosCompartidos::Tabla(informe) + QLatin1Char('\n'))
                                  .toUtf8();
    std::fwrite(salida.constData(), 1, size_t(salida.size()), stdout);
    std::fwrite(resumen.constData(), 1, size_t(resumen.size()), csv ? stderr : stdout);
    return 0;
}

}  // namespace

// The command the arguments start with: its index in kOrdenes, and how many
// words it takes; -1 when none. *grupo: the first word names commands but
// not this one (it is incomplete, or the second word is unknown).
int ordenDe(const QStringList& args, int* palabras, bool* grupo) {
    *grupo = false;
    for (int i = 0; i < int(std::size(kOrdenes)); ++i) {
        const QStringList nombre = QString::fromLatin1(kOrdenes[i].nombre).split(QLatin1Char(' '));
        if (args.mid(0, nombre.size()) == nombre) {
            *palabras = int(nombre.size());
            return i;
        }
        if (nombre.size() > 1 && args.value(0) == nombre[0]) *grupo = true;
    }
    return -1;
}

// The commands of a group, for the message that names it incomplete.
QString deGrupo(const QString& grupo) {
    QStringList nombres;
    for (const Orden& o : kOrdenes)
        if (QString::fromLatin1(o.nombre).startsWith(grupo + QLatin1Char(' ')))
            nombres << QStringLiteral("'%1'").arg(QLatin1String(o.nombre));
    return nombres.join(QStringLiteral(" or "));
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    const QString primero = args.value(0);
    if (primero == QLatin1String("-h") || primero == QLatin1String("--help") ||
        (primero == QLatin1String("help") && args.size() == 1)) {
        std::printf("%s", usoCompleto().toLocal8Bit().constData());
        return 0;
    }
    if (primero == QLatin1String("--version")) {
        std::printf("tarjeta-admin %s\n", TARJETA_VERSION);
        return 0;
    }
    if (args.isEmpty()) return uso(QStringLiteral("missing command"));
    const bool ayuda = primero == QLatin1String("help");
    const QStringList orden = ayuda ? args.mid(1) : args;
    int palabras = 0;
    bool grupo = false;
    const int i = ordenDe(orden, &palabras, &grupo);
    if (i < 0) {
        if (grupo && orden.size() == 1)
            return uso(
                QStringLiteral("incomplete command '%1': say %2").arg(orden[0], deGrupo(orden[0])));
        return uso(QStringLiteral("unknown command '%1'")
                       .arg(orden.mid(0, grupo ? 2 : 1).join(QLatin1Char(' '))));
    }
    const QStringList resto = orden.mid(palabras);
    if (ayuda || resto.contains(QLatin1String("--help")) || resto.contains(QLatin1String("-h"))) {
        std::printf("usage:\n%s", kOrdenes[i].uso);
        return 0;
    }
    switch (i) {
        case 0:
            return dbInit(resto);
        case 1:
            return arranqueWrite(resto);
        case 2:
            return arranqueShow(resto);
        default:
            return telefonosCompartidos(resto);
    }
}
