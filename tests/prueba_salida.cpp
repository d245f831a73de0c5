// The program's ways out besides its window, each on the real program run as
// a child process on the embedded demo database.

#include <gtest/gtest.h>

#include <grp.h>
#include <sys/stat.h>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <csignal>

#include "Apoyo.h"

namespace {

// Starts the program for client 1234, user 25 (the stop signals in their
// default state, whatever the test runner left), and waits until it handles
// SIGTERM: it installs its handlers once the card is loaded, right before
// showing it. Returns false when it ended or 30 s passed first.
bool lanzar(QProcess& p, const QProcessEnvironment& entorno) {
    p.setProcessEnvironment(entorno);
    p.setChildProcessModifier([] {
        for (int s : {SIGTERM, SIGHUP, SIGINT}) ::signal(s, SIG_DFL);
    });
    p.start(QStringLiteral(TARJETA_PROGRAMA), {QStringLiteral("1234-25")});
    const QDeadlineTimer limite(30000);
    while (p.waitForStarted(30000) && !limite.hasExpired() && !p.waitForFinished(20)) {
        QFile estado(QStringLiteral("/proc/%1/status").arg(p.processId()));
        if (!estado.open(QIODevice::ReadOnly)) continue;
        const QByteArray texto = estado.readAll();
        const qsizetype i = texto.indexOf("SigCgt:");
        if (i >= 0 &&
            (texto.mid(i + 7, 17).trimmed().toULongLong(nullptr, 16) >> (SIGTERM - 1)) & 1)
            return true;
    }
    return false;
}

std::string salida(QProcess& p) {
    return (p.readAllStandardOutput() + p.readAllStandardError()).toStdString();
}

TEST(Salida, UnaSenalDeParadaCierraYSaleConSuCodigo) {
    apoyo::Entorno e;
    for (int senal : {SIGTERM, SIGHUP, SIGINT}) {
        SCOPED_TRACE(senal);
        QProcess p;
        ASSERT_TRUE(lanzar(p, QProcessEnvironment::systemEnvironment())) << salida(p);
        ::kill(pid_t(p.processId()), senal);
        ASSERT_TRUE(p.waitForFinished(10000));
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << salida(p);
        EXPECT_EQ(p.exitCode(), 128 + senal) << salida(p);
    }
}

// An X server of the test's own (Xvfb); the environment for a program to
// show its windows there. Empty when there is no Xvfb or it did not start.
QProcessEnvironment pantallaVirtual(QProcess& servidor) {
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (xvfb.isEmpty()) return {};
    // It writes its display number once it takes clients.
    servidor.start(xvfb, QStringList{"-displayfd", "1", "-nolisten", "tcp"});
    QByteArray pantalla;
    while (!pantalla.contains('\n') && servidor.waitForReadyRead(10000))
        pantalla += servidor.readAllStandardOutput();
    if (!pantalla.contains('\n')) return {};
    QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
    entorno.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    entorno.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(":" + pantalla.trimmed()));
    return entorno;
}

// Qt's X11 plugin calls exit() when the connection to the display breaks.
TEST(Salida, SiSeVaLaPantallaTerminaSinFallar) {
    apoyo::Entorno e;
    QProcess servidor;
    const QProcessEnvironment entorno = pantallaVirtual(servidor);
    if (entorno.isEmpty()) GTEST_SKIP() << "Xvfb no está instalado o no arrancó";
    QProcess p;
    ASSERT_TRUE(lanzar(p, entorno)) << salida(p);
    servidor.kill();
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << salida(p);
    EXPECT_NE(p.exitCode(), 0) << salida(p);
}

// Both windows as a desktop's taskbar and Alt+Tab see them (read from the X
// server): ordinary windows of their own, not dialogs tied to a hidden
// leader, with the program's icon at several sizes.
TEST(Salida, LasVentanasSonNormalesYLlevanSuIcono) {
    apoyo::Entorno e;
    QProcess servidor, p;
    const QProcessEnvironment entorno = pantallaVirtual(servidor);
    if (entorno.isEmpty() || QStandardPaths::findExecutable(QStringLiteral("xprop")).isEmpty())
        GTEST_SKIP() << "Xvfb, xdotool o xprop no están instalados";
    ASSERT_TRUE(lanzar(p, entorno)) << salida(p);
    const auto x = [&](const QString& programa, const QStringList& argumentos) {
        QProcess q;
        q.setProcessEnvironment(entorno);
        q.start(programa, argumentos);
        q.waitForFinished(10000);
        return QString::fromUtf8(q.readAllStandardOutput());
    };
    const auto ventana = [&](const char* titulo) {
        return x(QStringLiteral("xdotool"), {"search", "--sync", "--onlyvisible", "--pid",
                                             QString::number(p.processId()), "--name", titulo})
            .trimmed();
    };
    const QString tarjeta = ventana("^Tarjeta Telef");
    // «C. Extras», at its place on the card.
    x(QStringLiteral("xdotool"), {"mousemove", "--window", tarjeta, "764", "428", "click", "1"});
    const QString extras = ventana("^Contactos Extras$");
    for (const QString& w : {tarjeta, extras}) {
        const QString props = x(QStringLiteral("xprop"), {"-id", w, "_NET_WM_WINDOW_TYPE",
                                                          "WM_TRANSIENT_FOR", "_NET_WM_ICON"});
        for (const char* debe : {"_NET_WM_WINDOW_TYPE_NORMAL", "WM_TRANSIENT_FOR:  not found",
                                 "Icon (16 x 16)", "Icon (64 x 64)"})
            EXPECT_TRUE(props.contains(QLatin1String(debe))) << debe << "\n" << props.toStdString();
    }
    p.kill();
    p.waitForFinished(5000);
    servidor.kill();
    servidor.waitForFinished(5000);
}

// A command line that names no card to open (no client or no user, as the
// desktop entry's bare "tarjeta" gives, or a client not on file) shows the
// refusal, never the card; Enter closes it and the program ends with status 1.
TEST(Salida, UnaLineaDeComandosSinTarjetaQueAbrirTerminaConEstado1) {
    apoyo::Entorno e;
    QProcess servidor, p, teclado;
    const QProcessEnvironment entorno = pantallaVirtual(servidor);
    if (entorno.isEmpty() || QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        GTEST_SKIP() << "Xvfb o xdotool no están instalados";
    p.setProcessEnvironment(entorno);
    teclado.setProcessEnvironment(entorno);
    for (const QStringList& linea :
         {QStringList(), {"1235"}, {"1235-   "}, {"0-25"}, {"9999-25"}}) {
        p.start(QStringLiteral(TARJETA_PROGRAMA), linea);
        ASSERT_TRUE(p.waitForStarted(10000));
        // The message box's title alone: the card's adds the client's name.
        teclado.start(
            QStringLiteral("xdotool"),
            {"search", "--sync", "--onlyvisible", "--all", "--pid", QString::number(p.processId()),
             "--name", "^Tarjeta Telef.+nica$", "key", "--window", "%1", "Return"});
        EXPECT_TRUE(p.waitForFinished(15000) && p.exitCode() == 1)
            << linea.join(' ').toStdString() << salida(p);
        for (QProcess* q : {&p, &teclado}) {
            q->kill();
            q->waitForFinished(5000);
        }
    }
    servidor.kill();
    servidor.waitForFinished(5000);
}

// The command lines of both programs as an administrator or a script meets
// them: help and version without a display or a start-up table, commands
// named unknown or incomplete as they are, usage within 80 columns, and the
// password rules of "arranque write" from a pipe.
TEST(Salida, LasLineasDeOrdenesDicenLoQueSon) {
    QTemporaryDir dir;
    const struct {
        const char* programa;
        QStringList argumentos;
        QByteArray entrada;
        int codigo;
        const char* salida;  // in standard output, or standard error when the code is not 0
    } casos[] = {
        {TARJETA_PROGRAMA, {"--help"}, {}, 0, "Uso: tarjeta CLIENTE-USUARIO"},
        {TARJETA_PROGRAMA, {"-h"}, {}, 0, "--version  muestra la versión"},
        {TARJETA_PROGRAMA, {"--version"}, {}, 0, "tarjeta 3."},
        {TARJETA_PROGRAMA, {"1234-25"}, {}, 1, "tarjeta: no hay pantalla donde mostrar"},
        {TARJETA_ADMIN, {"--version"}, {}, 0, "tarjeta-admin 3."},
        {TARJETA_ADMIN, {"foo"}, {}, 64, "unknown command 'foo'"},
        {TARJETA_ADMIN, {"arranque", "bla"}, {}, 64, "unknown command 'arranque bla'"},
        {TARJETA_ADMIN, {"db"}, {}, 64, "incomplete command 'db'"},
        {TARJETA_ADMIN, {"help", "arranque"}, {}, 64, "incomplete command 'arranque'"},
        {TARJETA_ADMIN, {"db", "init", "X", "--help"}, {}, 0, "tarjeta-admin db init DIR"},
        {TARJETA_ADMIN, {"help", "arranque", "show"}, {}, 0, "tarjeta-admin arranque show DIR"},
        {TARJETA_ADMIN,
         {"arranque", "write", "nax", "--server", "s", "--user", "u", "--branch", "1"},
         "\n",
         2,
         "the password is empty; nothing written"},
        {TARJETA_ADMIN,
         {"arranque", "write", "nax", "--server", "file:db", "--user", "u", "--branch", "1",
          "--empty-password"},
         "\n",
         0,
         "note: the relative folder db was written as "},
    };
    for (const auto& c : casos) {
        const std::string nombre = c.argumentos.join(QLatin1Char(' ')).toStdString();
        QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
        for (const char* v : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            entorno.remove(QLatin1String(v));
        entorno.insert(QStringLiteral("NAX_DIR"), dir.filePath(QStringLiteral("no-existe")));
        QProcess p;
        p.setProcessEnvironment(entorno);
        p.setWorkingDirectory(dir.path());
        p.start(QLatin1String(c.programa), c.argumentos);
        p.write(c.entrada);
        p.closeWriteChannel();
        ASSERT_TRUE(p.waitForFinished(20000)) << nombre;
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << nombre;
        EXPECT_EQ(p.exitCode(), c.codigo) << nombre;
        const QString texto =
            QString::fromUtf8(c.codigo == 0 ? p.readAllStandardOutput() : p.readAllStandardError());
        EXPECT_TRUE(texto.contains(QString::fromUtf8(c.salida)))
            << nombre << ": " << texto.toStdString();
        // The usage, printed or after a message, fits 80 columns.
        for (const QString& linea : texto.split(QLatin1Char('\n')))
            EXPECT_TRUE(!linea.startsWith(QLatin1String("  ")) || linea.size() <= 80)
                << nombre << ": " << linea.toStdString();
    }
}

// What arranque write leaves: a table no one outside its owner and group
// reads; without the group "tarjeta", both commands say what the desks will
// meet. (The modes the group gets are checked by scripts/package-test.sh,
// where the package has made the group.)
TEST(Salida, LaTablaNoLaLeenOtrosYSinGrupoSeAvisa) {
    QTemporaryDir dir;
    const QString bases = dir.filePath(QStringLiteral("bases"));
    const bool sinGrupo = !::getgrnam("tarjeta");
    for (const QStringList& orden :
         {QStringList{"db", "init", bases},
          QStringList{"arranque", "write", dir.filePath(QStringLiteral("nax")), "--server",
                      QStringLiteral("file:") + bases, "--user", "u", "--branch", "1"}}) {
        QProcess p;
        p.start(QStringLiteral(TARJETA_ADMIN), orden);
        p.write("clave\n");
        p.closeWriteChannel();
        ASSERT_TRUE(p.waitForFinished(20000));
        const QString aviso = QString::fromLocal8Bit(p.readAllStandardError());
        EXPECT_EQ(p.exitCode(), 0) << aviso.toStdString();
        EXPECT_TRUE(!sinGrupo || aviso.contains(QLatin1String("no group 'tarjeta'")))
            << aviso.toStdString();
    }
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(dir.filePath(QStringLiteral("nax/ARRANQUE.dbf"))), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

}  // namespace
