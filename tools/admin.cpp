// tarjeta-admin: creates the embedded databases, writes or shows the
// start-up table, and reports the phone numbers several clients share.
//
//   tarjeta-admin db init DIR [--demo] [--force]
//   tarjeta-admin arranque write DIR --server S --user U --branch B   (password on stdin)
//   tarjeta-admin arranque show DIR
//   tarjeta-admin telefonos-compartidos DIR [--csv] [--min-clientes N]

#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTextStream>
#include <cstdio>
#include <iostream>
#include <string>

#include "db/Instalador.h"
#include "domain/Arranque.h"
#include "domain/Global.h"
#include "tools/TelefonosCompartidos.h"

namespace {

const char* const kUso =
    "usage:\n"
    "  tarjeta-admin db init DIR [--demo] [--force]\n"
    "      create DIR/erp_nax.db and DIR/zelt.db (with demo data when --demo)\n"
    "  tarjeta-admin arranque write DIR --server S --user U --branch B\n"
    "      write DIR/ARRANQUE.dbf, over the table there in whatever letter case (any other\n"
    "      copy whose name differs only in case is removed); the database password is\n"
    "      read as one line from stdin\n"
    "  tarjeta-admin arranque show DIR\n"
    "      print the server, login and branch of DIR/ARRANQUE.dbf (never the password)\n"
    "  tarjeta-admin telefonos-compartidos DIR [--csv] [--min-clientes N]\n"
    "      connect as the program does from DIR/ARRANQUE.dbf and list the phone numbers that\n"
    "      appear for N or more clients (2 when not given) on cards or extra contacts;\n"
    "      --csv for comma-separated values (the summary then goes to stderr)\n";

int fallo(const QString& mensaje) {
    std::fprintf(stderr, "tarjeta-admin: %s\n", mensaje.toLocal8Bit().constData());
    return 2;
}

int uso(const QString& mensaje) {
    std::fprintf(stderr, "tarjeta-admin: %s\n%s", mensaje.toLocal8Bit().constData(), kUso);
    return 64;
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
    if (!Instalador::CrearBasesEmbebidas(dir, demo, forzar, &error)) return fallo(error);
    std::printf("created %s and %s%s\n",
                QDir(dir).filePath(QStringLiteral("erp_nax.db")).toLocal8Bit().constData(),
                QDir(dir).filePath(QStringLiteral("zelt.db")).toLocal8Bit().constData(),
                demo ? " with demo data" : "");
    return 0;
}

int arranqueWrite(const QStringList& args) {
    QString dir;
    Arranque::Datos datos;
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
        else if (a.startsWith(QLatin1String("--")) || !dir.isEmpty())
            return uso(QStringLiteral("unexpected argument '%1'").arg(a));
        else
            dir = a;
        if (!ok) return uso(QStringLiteral("%1 needs a value").arg(a));
    }
    if (dir.isEmpty()) return uso(QStringLiteral("arranque write needs a folder"));
    if (datos.servidor.isEmpty() || datos.usuario.isEmpty() || datos.sucursal.isEmpty())
        return uso(QStringLiteral("arranque write needs --server, --user and --branch"));
    std::string linea;
    if (!std::getline(std::cin, linea) && linea.empty())
        return fallo(QStringLiteral("no password on standard input (give it as one line)"));
    if (!linea.empty() && linea.back() == '\r') linea.pop_back();
    // Every byte, a NUL included, so that the table's writer can refuse it.
    datos.clave = QString::fromLocal8Bit(linea.data(), qsizetype(linea.size()));
    QString error, archivo;
    QStringList quitados;
    if (!QDir(dir).exists() && !QDir().mkpath(dir))
        return fallo(QStringLiteral("cannot create folder %1").arg(dir));
    if (!Arranque::EscribirEnCarpeta(dir, datos, &archivo, &quitados, &error)) return fallo(error);
    std::printf("wrote %s\n", archivo.toLocal8Bit().constData());
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

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.size() >= 1 &&
        (args[0] == QLatin1String("-h") || args[0] == QLatin1String("--help"))) {
        std::printf("%s", kUso);
        return 0;
    }
    if (args.value(0) == QLatin1String("telefonos-compartidos"))
        return telefonosCompartidos(args.mid(1));
    if (args.size() < 2) return uso(QStringLiteral("missing command"));
    const QString grupo = args[0], orden = args[1];
    const QStringList resto = args.mid(2);
    if (grupo == QLatin1String("db") && orden == QLatin1String("init")) return dbInit(resto);
    if (grupo == QLatin1String("arranque") && orden == QLatin1String("write"))
        return arranqueWrite(resto);
    if (grupo == QLatin1String("arranque") && orden == QLatin1String("show"))
        return arranqueShow(resto);
    return uso(QStringLiteral("unknown command '%1 %2'").arg(grupo, orden));
}
