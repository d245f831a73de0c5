// The program's ways out besides its window, each on the real program run as
// a child process on the embedded demo database.

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
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

// Qt's X11 plugin calls exit() when the connection to the display breaks.
TEST(Salida, SiSeVaLaPantallaTerminaSinFallar) {
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (xvfb.isEmpty()) GTEST_SKIP() << "Xvfb no está instalado";
    apoyo::Entorno e;
    QProcess servidor;  // writes its display number once it takes clients
    servidor.start(xvfb, QStringList{"-displayfd", "1", "-nolisten", "tcp"});
    QByteArray pantalla;
    while (!pantalla.contains('\n') && servidor.waitForReadyRead(10000))
        pantalla += servidor.readAllStandardOutput();
    if (!pantalla.contains('\n')) GTEST_SKIP() << "Xvfb no arrancó";
    QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
    entorno.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    entorno.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(":" + pantalla.trimmed()));
    QProcess p;
    ASSERT_TRUE(lanzar(p, entorno)) << salida(p);
    servidor.kill();
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << salida(p);
    EXPECT_NE(p.exitCode(), 0) << salida(p);
}

}  // namespace
