// In-process timings of the card's and the extra contacts' storage at several
// sizes (and of the extras window as it opens), with the targets each must
// meet.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMap>
#include <QWidget>
#include <cstdio>

#include "Controles.h"
#include "Datos.h"
#include "controls/Escena.h"
#include "controls/Rejilla.h"
#include "domain/Contactos.h"
#include "domain/Global.h"
#include "domain/Tarjeta.h"
#include "windows/FrmExtras.h"

namespace {

QString actual;
// The benchmarks' session, as a desk's program holds one.
Global::Sesion sesion;

// Connects to a database of the given size, as the program does at start-up,
// once per size; the current client is the benchmark's client.
void abrir(const datos::Tamano& t) {
    QString error;
    const QString dir = datos::preparar(t, &error);
    if (dir.isEmpty()) {
        std::fprintf(stderr, "cannot build the benchmark database: %s\n", qPrintable(error));
        std::exit(2);
    }
    if (actual == dir) return;
    sesion.conexion.cerrar();
    qputenv("NAX_DIR", dir.toLocal8Bit());
    if (!Global::AbrirSesion(&sesion, &error) || !Global::LeerEstado(sesion, &error)) {
        std::fprintf(stderr, "cannot connect: %s\n", qPrintable(error));
        std::exit(2);
    }
    sesion.cliente = datos::kCliente;
    sesion.usuario = QStringLiteral("     25");
    actual = dir;
}

datos::Tamano conTarjetas(int n) {
    datos::Tamano t;
    t.tarjetas = n;
    return t;
}
datos::Tamano conContactos(int n) {
    datos::Tamano t;
    t.contactos = n;
    return t;
}

void BM_CargarTarjeta(benchmark::State& s) {
    abrir(conTarjetas(int(s.range(0))));
    Tarjeta::Leida leida;
    QString error;
    for (auto _ : s) {
        if (!Tarjeta::Cargar(sesion, &leida, &error)) s.SkipWithError(qPrintable(error));
    }
}
BENCHMARK(BM_CargarTarjeta)->Arg(1000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// A confirmed change to the stored card: the update, the address state, the
// address.
void BM_GuardarTarjeta(benchmark::State& s) {
    abrir(conTarjetas(int(s.range(0))));
    Tarjeta::Leida leida;
    QString error;
    if (!Tarjeta::Cargar(sesion, &leida, &error) || !leida.existe || !leida.domicilio) {
        s.SkipWithError("the benchmark's card cannot be read");
        return;
    }
    int n = 0;
    for (auto _ : s) {
        Tarjeta::Fila fila = leida.fila;
        fila[QLatin1String("anotaciones")] = QStringLiteral("Cambio %1").arg(++n);
        if (Tarjeta::Actualizar(sesion, fila, false, leida.domicilio, std::nullopt, &leida,
                                &error) != Tarjeta::Desenlace::Guardada)
            s.SkipWithError(qPrintable(error));
    }
}
BENCHMARK(BM_GuardarTarjeta)->Arg(1000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_CargarCiudades(benchmark::State& s) {
    datos::Tamano t;
    t.ciudades = int(s.range(0));
    abrir(t);
    QList<Tarjeta::Ciudad> ciudades;
    QString error;
    for (auto _ : s) {
        if (!Tarjeta::LeerCiudades(sesion, &ciudades, &error)) s.SkipWithError(qPrintable(error));
    }
    s.counters["ciudades"] = double(ciudades.size());
}
BENCHMARK(BM_CargarCiudades)->Arg(2500)->Unit(benchmark::kMillisecond);

// The extras window as the user opens it: the rows read, the grid built and
// filled.
void BM_CargarContactos(benchmark::State& s) {
    abrir(conContactos(int(s.range(0))));
    QString error;
    int filas = 0;
    for (auto _ : s) {
        FrmExtras x(sesion);
        if (!x.Form_Load(&error)) s.SkipWithError(qPrintable(error));
        x.show();
        filas = control<plataforma::Rejilla>(x, "iExtras")->filas();
    }
    s.counters["filas"] = filas;
}
BENCHMARK(BM_CargarContactos)->Arg(10)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_GuardarContactos(benchmark::State& s) {
    abrir(conContactos(int(s.range(0))));
    Contactos::Lista lista;
    QString error;
    if (!Contactos::Cargar(sesion, &lista, &error)) {
        s.SkipWithError(qPrintable(error));
        return;
    }
    for (auto _ : s) {
        bool conflicto = false;
        QList<QStringList> guardadas = lista.filas;
        if (!Contactos::Guardar(sesion, lista.filas, &guardadas, &error, &conflicto))
            s.SkipWithError(qPrintable(error));
    }
}
BENCHMARK(BM_GuardarContactos)->Arg(10)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// Keeps each run's mean time, to check the targets after the table.
class Reportero : public benchmark::ConsoleReporter {
public:
    QMap<QString, double> ms;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration && !r.error_occurred)
                ms[QString::fromStdString(r.benchmark_name())] = r.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
};

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    plataforma::Escena::grabar(true);
    // The extras window opens over the card window, which the user always has
    // shown; a window already on the display keeps the toolkit's per-display
    // state, as in the program.
    QWidget debajo;
    debajo.resize(600, 400);
    debajo.show();
    benchmark::Initialize(&argc, argv);
    Reportero r;
    benchmark::RunSpecifiedBenchmarks(&r);

    int fallos = 0;
    auto objetivo = [&](const char* que, double valor, double limite, const char* unidad) {
        if (valor < 0) return;
        const bool ok = valor <= limite;
        fallos += !ok;
        std::printf("%-52s %10.3f %s  (target <= %.3f)  %s\n", que, valor, unidad, limite,
                    ok ? "ok" : "MISSED");
    };
    auto t = [&](const char* n) { return r.ms.value(QString::fromLatin1(n), -1); };
    std::printf("\nTargets\n");
    if (t("BM_CargarTarjeta/1000") > 0 && t("BM_CargarTarjeta/1000000") > 0)
        objetivo("card load, 1M cards / 1k cards",
                 t("BM_CargarTarjeta/1000000") / t("BM_CargarTarjeta/1000"), 1.5, "x");
    if (t("BM_GuardarTarjeta/1000") > 0 && t("BM_GuardarTarjeta/1000000") > 0)
        objetivo("card save, 1M cards / 1k cards",
                 t("BM_GuardarTarjeta/1000000") / t("BM_GuardarTarjeta/1000"), 1.5, "x");
    objetivo("extras load, 10k contacts", t("BM_CargarContactos/10000"), 250, "ms");
    objetivo("extras save, 10k contacts", t("BM_GuardarContactos/10000"), 500, "ms");
    objetivo("city list, 2500 cities", t("BM_CargarCiudades/2500"), 30, "ms");
    benchmark::Shutdown();
    std::fflush(stdout);
    return fallos ? 1 : 0;
}
