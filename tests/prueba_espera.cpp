// Waiting on SQL Server: the clock of a wait on its own, then the program's
// windows against the TDS test server through the real driver stack: they
// stay alive while the server is slow, the user can give up, and the
// start-up wait can end the program. (A silent server given up on in time:
// prueba_sqlserver.)

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QTest>
#include <atomic>
#include <functional>

#include "Controles.h"
#include "ServidorTds.h"
#include "Ventanas.h"
#include "app/Programa.h"
#include "data/Espera.h"
#include "data/Odbc.h"

using apoyo::escena;
using apoyo::ServidorTds;

namespace {

// ------------------------------------------------------------ the clock alone

// Each case: what happens to a wait with a 100 ms limit and a 150 ms cut
// (milliseconds from its start), and what the clock must have done.
TEST(Vigilia, CancelaCortaYAbandonaASuTiempo) {
    struct Caso {
        const char* nombre;
        int terminaEn;      // the worker returns (-1: never)
        int cancelaEn;      // the user presses Cancelar (-1: never)
        int avanzaHasta;    // answers keep arriving every 40 ms until then
        qint64 abandonar;   // -1: the wait cannot be left behind
        int cancelacionEn;  // when the driver's cancel went (-1: never)
        int corteEn;        // when the socket was cut (-1: never)
        bool expirada, cancelada, abandonada;
    };
    const Caso casos[] = {
        {"answered in time", 50, -1, 0, -1, -1, -1, false, false, false},
        {"rows keep coming", 350, -1, 300, -1, -1, -1, false, false, false},
        {"silent, answers the cancel", 180, -1, 0, -1, 100, -1, true, false, false},
        {"silent, deaf to the cancel", 300, -1, 0, -1, 100, 250, true, false, false},
        {"given up by the user", 350, 30, 0, -1, 30, 180, false, true, false},
        {"a connect blocked for good", -1, -1, 0, 100, 100, 250, true, false, true},
    };
    for (const Caso& c : casos) {
        QElapsedTimer reloj;
        std::atomic<qint64> cancelacion{-1}, corte{-1};
        plataforma::Vigilia v(
            QStringLiteral("S"), 100,
            {[&] { cancelacion = reloj.elapsed(); }, [&] { corte = reloj.elapsed(); }}, 150,
            c.abandonar);
        reloj.start();
        while (!v.esperar(5)) {
            const qint64 t = reloj.elapsed();
            if (c.terminaEn >= 0 && t >= c.terminaEn) v.terminar();
            if (c.cancelaEn >= 0 && t >= c.cancelaEn) v.cancelar();
            if (t < c.avanzaHasta) v.avanzar();
            ASSERT_LT(t, 2000) << c.nombre;
        }
        const auto cerca = [](qint64 medido, int esperado) {
            return esperado < 0 ? medido < 0 : medido >= esperado && medido < esperado + 60;
        };
        EXPECT_TRUE(cerca(cancelacion, c.cancelacionEn)) << c.nombre << ": " << cancelacion;
        EXPECT_TRUE(cerca(corte, c.corteEn)) << c.nombre << ": " << corte;
        EXPECT_EQ(v.expirada(), c.expirada) << c.nombre;
        EXPECT_EQ(v.cancelada(), c.cancelada) << c.nombre;
        EXPECT_EQ(v.abandonada(), c.abandonada) << c.nombre;
    }
}

// ------------------------------------------------------ against the server

class Espera : public ::testing::Test {
protected:
    ServidorTds servidor;
    std::unique_ptr<apoyo::Entorno> entorno;

    void SetUp() override {
        ASSERT_TRUE(servidor.listo()) << "CTest starts the TDS test server";
        InstalarEsperaVisible();
    }
    void TearDown() override {
        plataforma::ponerManejadorDeEspera({});
        plataforma::fijarEsperaSentencia(30);
    }
    void preparar(const QJsonObject& pistas = {}) {
        servidor.preparar(pistas);
        entorno.reset();
        entorno =
            std::make_unique<apoyo::Entorno>(apoyo::Opciones::conServidor(servidor.direccion()));
    }
    // How many log entries of the kind (any with nullptr) hold the text.
    int cuantas(const char* tipo, const QString& texto = {}) {
        int n = 0;
        for (const QJsonValue& e : servidor.registro())
            if ((!tipo || e[QStringLiteral("tipo")] == QLatin1String(tipo)) &&
                QJsonDocument(e.toObject()).toJson().contains(texto.toUtf8()))
                ++n;
        return n;
    }
};

QWidget* visible(const char* nombre) {
    for (QWidget* w : QApplication::allWidgets())
        if (w->objectName() == QLatin1String(nombre) && w->isVisible()) return w;
    return nullptr;
}

// A save on a server that takes 2 s to answer: the window repaints, shows
// the bar after half a second, ignores a second click on Guardar, and
// «Cancelar» ends the save at once, the typing kept; the request had left,
// so the message says it is not known whether it was stored.
TEST_F(Espera, UnGuardadoLentoSeVeSeIgnoraElSegundoClicYSeCancela) {
    preparar();
    auto f = apoyo::abrirTarjeta(QStringLiteral("1234-25"));
    txt(*f, "TxtRef1_Telefono")->setText(QStringLiteral("6149998877"));
    servidor.ajustar({{QStringLiteral("demora_ms"), 2000}});
    const int comienzos = cuantas(nullptr, QStringLiteral("BEGIN TRANSACTION"));

    int latidos = 0;  // the window's thread keeps running its timers
    QTimer latido;
    latido.callOnTimeout([&] { ++latidos; });
    latido.start(50);
    bool barraTemprana = true, barraALaVista = false, cursorOcupado = false;
    qint64 canceladaEn = -1;
    QElapsedTimer reloj;
    QTimer temprano, tarde;  // die with the test, as do the locals they reach
    temprano.setSingleShot(true);
    tarde.setSingleShot(true);
    temprano.callOnTimeout([&] { barraTemprana = visible("BarraEspera") != nullptr; });
    tarde.callOnTimeout([&] {
        QWidget* barra = visible("BarraEspera");
        barraALaVista = barra && barra->window() == f.get() &&
                        control<QLabel>(*barra, "LblEspera")->text() ==
                            QStringLiteral("Esperando al servidor…");
        cursorOcupado = f->cursor().shape() == Qt::WaitCursor;
        QTest::mouseClick(cmd(*f, "CmdGuardar"), Qt::LeftButton);
        QTest::keyClicks(txt(*f, "TxtRef1_Telefono"), QStringLiteral("00"));
        if (barra) {
            canceladaEn = reloj.elapsed();
            QTest::mouseClick(cmd(*barra, "CmdCancelarEspera"), Qt::LeftButton);
        }
    });
    plataforma::Escena::responder(true);
    temprano.start(300);
    tarde.start(1000);
    reloj.start();
    QTest::mouseClick(cmd(*f, "CmdGuardar"), Qt::LeftButton);
    const qint64 fin = reloj.elapsed();
    servidor.ajustar({{QStringLiteral("demora_ms"), 0}});

    EXPECT_FALSE(barraTemprana);
    EXPECT_TRUE(barraALaVista);
    EXPECT_TRUE(cursorOcupado);
    ASSERT_GE(canceladaEn, 0);
    EXPECT_LT(fin - canceladaEn, 2000) << "the cancel took " << fin - canceladaEn << " ms";
    EXPECT_GE(latidos, 1000 / 50 - 10);
    EXPECT_FALSE(visible("BarraEspera"));
    EXPECT_EQ(txt(*f, "TxtRef1_Telefono")->text(), QStringLiteral("6149998877"));
    EXPECT_EQ(cuantas(nullptr, QStringLiteral("BEGIN TRANSACTION")), comienzos + 1)
        << "one save only";
    EXPECT_FALSE(escena().join(QLatin1Char('\n')).contains(QStringLiteral("info:")));
    EXPECT_TRUE(escena().join(QLatin1Char('\n')).contains(QStringLiteral("Se canceló la espera")))
        << escena().join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(apoyo::sesion().conexion.ultimaCancelada());
}

// Before the card window is up, the wait shows "Conectando con SERVER…";
// its «Cancelar» ends the program with status 1 and no message.
TEST_F(Espera, CancelarAlConectarTerminaElPrograma) {
    preparar({{QStringLiteral("colgar_login"), true}});
    QString texto;
    QTimer cancelar;
    cancelar.setSingleShot(true);
    cancelar.callOnTimeout([&] {
        if (QWidget* w = visible("FrmConectando")) {
            texto = control<QLabel>(*w, "LblEspera")->text();
            QTest::mouseClick(cmd(*w, "CmdCancelarEspera"), Qt::LeftButton);
        }
    });
    cancelar.start(800);
    QElapsedTimer reloj;
    reloj.start();
    EXPECT_EQ(Ejecutar(QStringLiteral("1234-25")), 1);
    EXPECT_LT(reloj.elapsed(), 3000);
    EXPECT_EQ(texto, QStringLiteral("Conectando con %1…").arg(servidor.direccion()));
    EXPECT_TRUE(escena().isEmpty()) << escena().join(QLatin1Char('\n')).toStdString();
    EXPECT_FALSE(visible("FrmConectando"));
}

}  // namespace
