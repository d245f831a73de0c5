// In-process timings of the card's and the extras window's database work, at
// several sizes, with the targets each must meet.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMap>
#include <QPlainTextEdit>
#include <QTimer>
#include <cstdio>
#include <memory>

#include "Datos.h"
#include "Escena.h"
#include "FrmExtras.h"
#include "FrmTelefonos.h"
#include "Global.h"
#include "Rejilla.h"

namespace {

// The card window open on the current benchmark database; closed before the
// application ends.
QMap<QString, std::shared_ptr<FrmTelefonos>> abiertas;
QString actual;

// Opens the card window on a database of the given size, once per size.
FrmTelefonos* tarjeta(const datos::Tamano& t) {
    QString error;
    const QString dir = datos::preparar(t, &error);
    if (dir.isEmpty()) {
        std::fprintf(stderr, "cannot build the benchmark database: %s\n", qPrintable(error));
        std::exit(2);
    }
    if (actual != dir) {
        abiertas.clear();  // one connection at a time
        Global::Reiniciar();
        qputenv("NAX_DIR", dir.toLocal8Bit());
        auto f = std::make_shared<FrmTelefonos>(QStringLiteral("%1-25").arg(datos::kCliente));
        if (!f->Form_Load(&error)) {
            std::fprintf(stderr, "start-up failed: %s\n", qPrintable(error));
            std::exit(2);
        }
        f->TmrInicio->stop();
        f->show();  // as the user has it: shown
        abiertas.insert(dir, f);
        actual = dir;
    }
    return abiertas.value(dir).get();
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
    FrmTelefonos* f = tarjeta(conTarjetas(int(s.range(0))));
    QString error;
    for (auto _ : s) {
        if (!f->CargarTarjeta(&error)) s.SkipWithError(qPrintable(error));
    }
}
BENCHMARK(BM_CargarTarjeta)->Arg(1000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_GuardarTarjeta(benchmark::State& s) {
    FrmTelefonos* f = tarjeta(conTarjetas(int(s.range(0))));
    int n = 0;
    for (auto _ : s) {
        f->TxtAnotaciones->setPlainText(QStringLiteral("Cambio %1").arg(++n));
        plataforma::Escena::limpiar();
        plataforma::Escena::responder(true);
        f->CmdGuardar_Click();
        if (plataforma::Escena::sucesos().size() != 4 ||
            plataforma::Escena::sucesos()[2].tipo != plataforma::Suceso::Tipo::Informacion)
            s.SkipWithError("the change was not saved");
    }
}
BENCHMARK(BM_GuardarTarjeta)->Arg(1000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_CargarCiudades(benchmark::State& s) {
    datos::Tamano t;
    t.ciudades = int(s.range(0));
    FrmTelefonos* f = tarjeta(t);
    QString error;
    for (auto _ : s) {
        if (!f->CargarCiudades(&error)) s.SkipWithError(qPrintable(error));
    }
    s.counters["ciudades"] = f->CmbMunicipios->count();
}
BENCHMARK(BM_CargarCiudades)->Arg(2500)->Unit(benchmark::kMillisecond);

void BM_CargarContactos(benchmark::State& s) {
    tarjeta(conContactos(int(s.range(0))));
    QString error;
    int filas = 0;
    for (auto _ : s) {
        FrmExtras x;
        if (!x.Form_Load(&error)) s.SkipWithError(qPrintable(error));
        x.show();
        filas = x.iExtras->filas();
    }
    s.counters["filas"] = filas;
}
BENCHMARK(BM_CargarContactos)->Arg(10)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_GuardarContactos(benchmark::State& s) {
    tarjeta(conContactos(int(s.range(0))));
    FrmExtras x;
    QString error;
    x.Form_Load(&error);
    for (auto _ : s) {
        plataforma::Escena::limpiar();
        plataforma::Escena::responder(true);
        x.CmdGuardar_Click();
        if (plataforma::Escena::sucesos().size() != 4 ||
            plataforma::Escena::sucesos()[2].tipo != plataforma::Suceso::Tipo::Informacion)
            s.SkipWithError("the contacts were not saved");
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
    benchmark::Initialize(&argc, argv);
    Reportero r;
    benchmark::RunSpecifiedBenchmarks(&r);
    abiertas.clear();

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
