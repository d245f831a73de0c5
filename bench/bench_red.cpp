// Requests on the wire and time per operation on the SQL Server path, against
// the TDS test server with every reply delayed (a branch office on a WAN
// link). Usage: bench_red SERVIDOR.json DATOS.json [DEMORA_MS...]
// Prints the requests (batches, RPCs, transaction requests) and round trips
// (those plus pre-login, login and attention) of each operation with its
// local time, then one table per delay: round trips, the time measured, the
// time waited over the local time, and the target (the local time plus one
// delay for each round trip the operation may cost; missed beyond a tenth of
// those delays, the test server's timer overshooting a little).

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTranslator>
#include <cstdio>
#include <functional>

#include "Controles.h"
#include "ServidorTds.h"
#include "app/Programa.h"
#include "controls/Escena.h"
#include "controls/Rejilla.h"
#include "domain/Arranque.h"
#include "domain/Global.h"
#include "windows/FrmExtras.h"
#include "windows/FrmTelefonos.h"

namespace {

struct Medida {
    const char* operacion;
    int peticiones = 0;
    int idasYVueltas = 0;
    double ms = 0;
    bool fallo = false;
};

// The extras of the measured client, `n` rows, as the server returns them.
QJsonObject contactos(const QString& datos, int n) {
    QFile f(datos);
    f.open(QIODevice::ReadOnly);
    const QString clave =
        QStringLiteral("SELECT * FROM zelt.dbo.contactos_extras WHERE cliente = 1234");
    QJsonObject e = QJsonDocument::fromJson(f.readAll()).object()[clave].toObject();
    QJsonArray filas = e[QStringLiteral("filas")].toArray();
    const QJsonArray modelo = filas.first().toArray();
    for (int i = int(filas.size()); i < n; ++i) {
        QJsonArray fila = modelo;
        fila[0] = i + 1;
        fila[2] = QStringLiteral("Contacto %1").arg(i + 1);
        filas.append(fila);
    }
    e[QStringLiteral("filas")] = filas;
    // The same rows as a save's check between desks reads them, where the
    // program reads them in a statement of their own.
    const QStringList nombres{QStringLiteral("Nombre"), QStringLiteral("parentesco"),
                              QStringLiteral("telefono"), QStringLiteral("Lugar"),
                              QStringLiteral("Nota")};
    QList<int> cual;
    QJsonArray columnas;
    const QJsonArray todas = e[QStringLiteral("columnas")].toArray();
    for (const QString& n : nombres)
        for (int c = 0; c < todas.size(); ++c)
            if (todas[c][0].toString().compare(n, Qt::CaseInsensitive) == 0) {
                cual << c;
                columnas << todas[c];
            }
    QJsonArray leidas;
    for (const QJsonValue& f : filas) {
        QJsonArray fila;
        for (int c : cual) fila << f[c];
        leidas << fila;
    }
    const QString verificar = QStringLiteral(
        "SELECT Nombre, parentesco, telefono, Lugar, Nota FROM zelt.dbo.contactos_extras WITH "
        "(UPDLOCK, HOLDLOCK) WHERE cliente = 1234");
    return {{clave, e},
            {verificar, QJsonObject{{QStringLiteral("columnas"), columnas},
                                    {QStringLiteral("filas"), leidas}}}};
}

// Round trips each operation may cost over its local time: the start-up's
// pre-login, the TLS 1.2 handshake's two, login and one request (and one to
// spare); one request for every save and load; two for a list of 500
// contacts.
int idasYVueltasPermitidas(const char* operacion) {
    const QString o = QLatin1String(operacion);
    if (o.startsWith(QLatin1String("start-up"))) return 6;
    if (o.contains(QLatin1String("500"))) return 2;
    return 1;
}

class Banco {
public:
    Banco(apoyo::ServidorTds& s, int demora, QJsonObject extras)
        : servidor_(s), demora_(demora), extras_(std::move(extras)) {}
    apoyo::ServidorTds& servidor() { return servidor_; }

    // Runs `paso` after `antes` (not timed), counting what reached the server.
    Medida medir(const char* nombre, const std::function<void()>& antes,
                 const std::function<bool()>& paso) {
        antes();
        const qsizetype desde = servidor_.registro().size();
        QElapsedTimer reloj;
        reloj.start();
        const bool ok = paso();
        Medida m{nombre};
        m.fallo = !ok;
        m.ms = double(reloj.nsecsElapsed()) / 1e6;
        const QJsonArray registro = servidor_.registro();
        for (qsizetype i = desde; i < registro.size(); ++i) {
            const QString tipo = registro[i][QStringLiteral("tipo")].toString();
            ++m.idasYVueltas;
            // The TLS handshake's replies, carried in pre-login packets.
            m.idasYVueltas +=
                registro[i][QStringLiteral("tls")][QStringLiteral("paquetes_enviados")].toInt();
            if (tipo != QLatin1String("prelogin") && tipo != QLatin1String("login") &&
                tipo != QLatin1String("atencion"))
                ++m.peticiones;
        }
        return m;
    }
    void preparar() {
        servidor_.preparar(
            {{QStringLiteral("demora_ms"), demora_}, {QStringLiteral("resultados"), extras_}});
    }

private:
    apoyo::ServidorTds& servidor_;
    int demora_;
    QJsonObject extras_;
};

QList<Medida> ronda(apoyo::ServidorTds& servidor, int demora, const QJsonObject& extras,
                    const QJsonObject& quinientos) {
    Banco b(servidor, demora, extras);
    QList<Medida> salida;
    std::unique_ptr<FrmTelefonos> f;
    std::unique_ptr<Global::Sesion> sesion;
    QString error;
    auto arrancar = [&](const char* nombre, const char* linea) {
        salida << b.medir(
            nombre,
            [&] {
                f.reset();
                sesion = std::make_unique<Global::Sesion>();
                b.preparar();
            },
            [&] {
                f = std::make_unique<FrmTelefonos>(*sesion);
                if (Arrancar(QString::fromLatin1(linea), sesion.get(), &error) &&
                    f->Form_Load(&error))
                    return true;
                std::fprintf(stderr, "%s: %s\n", nombre, qPrintable(error));
                return false;
            });
        return !salida.last().fallo;
    };
    // A save that shows an error has failed.
    auto guardar = [](const std::function<void()>& clic, bool confirmar = false) {
        plataforma::Escena::limpiar();
        if (confirmar) plataforma::Escena::responder(true);
        clic();
        for (const auto& s : plataforma::Escena::sucesos())
            if (s.tipo == plataforma::Suceso::Tipo::Error) {
                std::fprintf(stderr, "%s\n", qPrintable(s.texto));
                return false;
            }
        return true;
    };
    if (!arrancar("start-up, new card", "1235-25")) return salida;
    salida << b.medir(
        "card save, new",
        [&] {
            txt(*f, "TxtDueno")->setText(QStringLiteral("Łukasz O'Brien"));
            txt(*f, "TxtAval_Paterno")->setText(QStringLiteral("GARCÍA"));
            txt(*f, "TxtAval_Nombre")->setText(QStringLiteral("ROSA"));
            f->TxtAval_Nombre_LostFocus();
            txt(*f, "TxtAval_Domicilio")->setText(QStringLiteral("Calle 5"));
            cmb(*f, "CmbMunicipios")->setCurrentIndex(0);
        },
        [&] { return guardar([&] { f->CmdGuardar_Click(); }); });
    if (!arrancar("start-up, stored card", "1234-25")) return salida;
    salida << b.medir(
        "card save, change",
        [&] { txt(*f, "TxtRef1_Telefono")->setText(QStringLiteral("6149998877")); },
        [&] { return guardar([&] { f->CmdGuardar_Click(); }, true); });
    std::unique_ptr<FrmExtras> x;
    salida << b.medir(
        "extras load, 25 rows", [] {},
        [&] {
            x = std::make_unique<FrmExtras>(*sesion);
            return x->Form_Load(&error);
        });
    salida << b.medir(
        "extras save, 25 rows", [] {},
        [&] { return guardar([&] { x->CmdGuardar_Click(); }, true); });
    salida << b.medir(
        "extras load, 500 rows",
        [&] {
            x.reset();
            b.servidor().ajustar({{QStringLiteral("resultados"), quinientos}});
        },
        [&] {
            x = std::make_unique<FrmExtras>(*sesion);
            return x->Form_Load(&error);
        });
    salida << b.medir(
        "extras save, 500 rows", [] {},
        [&] { return guardar([&] { x->CmdGuardar_Click(); }, true); });
    x.reset();
    f.reset();
    sesion.reset();
    return salida;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTranslator traductor;
    PrepararAplicacion(traductor);
    const QStringList args = QApplication::arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: bench_red SERVIDOR.json DATOS.json [DEMORA_MS...]\n");
        return 2;
    }
    apoyo::ServidorTds servidor(args[1]);
    if (!servidor.listo()) return 1;
    const QJsonObject extras = contactos(args[2], 25);
    const QJsonObject quinientos = contactos(args[2], 500);
    QTemporaryDir dir;
    QString error;
    if (!Arranque::Escribir(QDir(dir.path()).filePath(QStringLiteral("ARRANQUE.DBF")),
                            {servidor.direccion(), QStringLiteral("tarjeta"), QStringLiteral("12"),
                             QStringLiteral("s3cr3t0")},
                            &error))
        qFatal("%s", qPrintable(error));
    // The test server speaks TLS when its certificates lie beside its
    // settings: the program checks them against their authority, as a
    // branch's desk would; without them it is declared a lab server.
    const QString ca = QFileInfo(args[1]).dir().filePath(QStringLiteral("ca.pem"));
    QFile tls(QDir(dir.path()).filePath(QLatin1String(Global::kArchivoProteccion)));
    if (!tls.open(QIODevice::WriteOnly) ||
        tls.write((QFileInfo::exists(ca)
                       ? QStringLiteral("certificate = ") + ca
                       : QStringLiteral("unencrypted server = ") + servidor.direccion())
                      .toUtf8()) <= 0)
        qFatal("cannot write %s", qPrintable(tls.fileName()));
    tls.close();
    qputenv("NAX_DIR", dir.path().toLocal8Bit());
    plataforma::Escena::grabar(true);

    QList<int> demoras{0};
    for (int i = 3; i < args.size(); ++i) demoras << args[i].toInt();
    // The local time of each operation: the best of three rounds without delay.
    QList<Medida> local = ronda(servidor, 0, extras, quinientos);
    for (int i = 0; i < 2 && !local.last().fallo; ++i) {
        const QList<Medida> otra = ronda(servidor, 0, extras, quinientos);
        for (qsizetype k = 0; k < local.size(); ++k) local[k].ms = qMin(local[k].ms, otra[k].ms);
    }
    std::printf("%-24s %8s %11s %10s\n", "operation", "requests", "round trips", "local ms");
    int fallos = 0;
    for (const Medida& m : local) {
        std::printf("%-24s %8d %11d %10.1f%s\n", m.operacion, m.peticiones, m.idasYVueltas, m.ms,
                    m.fallo ? "  FAILED" : "");
        if (m.fallo) fallos = 1;
    }
    for (qsizetype d = 1; d < demoras.size(); ++d) {
        const QList<Medida> medidas = ronda(servidor, demoras[d], extras, quinientos);
        std::printf("\nevery reply delayed %d ms\n%-24s %11s %10s %10s %10s\n", demoras[d],
                    "operation", "round trips", "ms", "waited ms", "target ms");
        for (qsizetype k = 0; k < medidas.size(); ++k) {
            const Medida& m = medidas[k];
            // The target: the local time and the round trips the operation
            // may cost, each of them one delay.
            const int idas = idasYVueltasPermitidas(m.operacion);
            const double objetivo = local[k].ms + idas * demoras[d];
            // The test server's timer and its reading of the request may
            // add a little to each delay.
            const bool fuera = m.fallo || m.ms > objetivo + 0.1 * idas * demoras[d];
            std::printf("%-24s %11d %10.1f %10.1f %10.1f%s\n", m.operacion, m.idasYVueltas, m.ms,
                        m.ms - local[k].ms, objetivo, fuera ? "  MISSED" : "");
            if (fuera) fallos = 1;
        }
    }
    servidor.preparar();
    return fallos;
}
