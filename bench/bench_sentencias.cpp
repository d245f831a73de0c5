// Counts what reaches the database for each operation and fails when an
// operation sends more than it needs to.

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "Controles.h"
#include "Datos.h"
#include "app/Programa.h"
#include "controls/Escena.h"
#include "controls/Rejilla.h"
#include "data/BaseDatos.h"
#include "domain/Global.h"
#include "windows/FrmExtras.h"
#include "windows/FrmTelefonos.h"

namespace {

struct Cuenta {
    int sentencias = 0, procedimientos = 0, transacciones = 0;
};
Cuenta gCuenta;

void contar(Global::Sesion& sesion) {
    gCuenta = {};
    sesion.conexion.ponerObservador([](const plataforma::Operacion& op) {
        using T = plataforma::Operacion::Tipo;
        if (op.tipo == T::Consulta || op.tipo == T::Sentencia) ++gCuenta.sentencias;
        if (op.tipo == T::Procedimiento || op.tipo == T::ProcedimientoConFilas)
            ++gCuenta.procedimientos;
        if (op.tipo == T::Transaccion) ++gCuenta.transacciones;
        return QString();
    });
}

int fallos = 0;
void informar(const char* que, int maxSentencias, int maxProcedimientos) {
    const bool ok =
        gCuenta.sentencias <= maxSentencias && gCuenta.procedimientos <= maxProcedimientos;
    fallos += !ok;
    std::printf(
        "%-40s %3d statements (max %3d)  %2d procedure calls (max %d)  %d transaction steps  %s\n",
        que, gCuenta.sentencias, maxSentencias, gCuenta.procedimientos, maxProcedimientos,
        gCuenta.transacciones, ok ? "ok" : "TOO MANY");
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    plataforma::Escena::grabar(true);
    QString error;
    datos::Tamano t;
    t.contactos = 25;
    // "--preparar N": only build the database with N cities and print its folder
    // (the start-up timings use it).
    if (argc == 3 && std::strcmp(argv[1], "--preparar") == 0) {
        t.ciudades = std::atoi(argv[2]);
        const QString dir = t.ciudades > 0 ? datos::preparar(t, &error) : QString();
        if (dir.isEmpty()) {
            std::fprintf(stderr, "cannot build the benchmark database: %s\n",
                         t.ciudades > 0 ? qPrintable(error) : "the city count must be positive");
            return 2;
        }
        std::printf("%s\n", qPrintable(dir));
        return 0;
    }
    // "--telefonos N": only build the shared-phones report's data with N
    // cards and N extra contacts and print its folder.
    if (argc == 3 && std::strcmp(argv[1], "--telefonos") == 0) {
        const int n = std::atoi(argv[2]);
        const QString dir = n > 0 ? datos::prepararTelefonos(n, &error) : QString();
        if (dir.isEmpty()) {
            std::fprintf(stderr, "cannot build the report's database: %s\n",
                         n > 0 ? qPrintable(error) : "the card count must be positive");
            return 2;
        }
        std::printf("%s\n", qPrintable(dir));
        return 0;
    }
    const QString dir = datos::preparar(t, &error);
    if (dir.isEmpty()) {
        std::fprintf(stderr, "cannot build the benchmark database: %s\n", qPrintable(error));
        return 2;
    }
    qputenv("NAX_DIR", dir.toLocal8Bit());
    {
        // Client 1235 must have no card yet: an earlier run stored one.
        plataforma::Conexion c;
        c.abrir(QStringLiteral("Server=file:") + dir + QLatin1Char(';'), &error);
        for (const char* tabla :
             {"tarjeta_telefonica_cliente", "domicilios_cliente", "contactos_cliente"})
            c.ejecutar(QStringLiteral("DELETE FROM zelt.%1 WHERE cliente = 1235")
                           .arg(QLatin1String(tabla)),
                       {}, &error);
    }

    // Start-up of a stored card: the start-up table is read from its file,
    // then branch, permission, name, cities and card, and the two procedures.
    {
        Global::Sesion sesion;
        contar(sesion);  // set before the connection opens, so it sees everything
        auto* f = new FrmTelefonos(sesion);
        if (!Arrancar(QStringLiteral("1234-25"), &sesion, &error) || !f->Form_Load(&error)) {
            std::fprintf(stderr, "start-up failed: %s\n", qPrintable(error));
            return 2;
        }
        informar("start-up (stored card)", 5, 2);

        contar(sesion);
        plataforma::Escena::responder(true);
        f->CmdGuardar_Click();
        // The update (over the version read) and the change date read back.
        informar("confirmed change of a card", 2, 3);

        contar(sesion);
        {
            FrmExtras x(sesion);
            x.Form_Load(&error);
            informar("extras load (25 contacts)", 1, 0);
            int nombrados = 0;
            for (int r = 1; r <= control<plataforma::Rejilla>(x, "iExtras")->filas(); ++r)
                nombrados += !control<plataforma::Rejilla>(x, "iExtras")->valor(r, 1).isEmpty();
            contar(sesion);
            plataforma::Escena::responder(true);
            x.CmdGuardar_Click();
            // The stored list read (locked) and compared, the delete, the inserts.
            informar("extras save (25 named rows)", 2 + nombrados, 0);
        }
        delete f;
    }
    // A new card, with guarantor address and name.
    {
        Global::Sesion sesion;
        Arrancar(QStringLiteral("1235-25"), &sesion, &error);
        FrmTelefonos f(sesion);
        f.Form_Load(&error);
        txt(f, "TxtAval_Paterno")->setText(QStringLiteral("LOPEZ"));
        txt(f, "TxtAval_Nombre")->setText(QStringLiteral("ANA"));
        f.NombreCompletoAval = QStringLiteral("LOPEZ ANA");
        txt(f, "TxtAval_Domicilio")->setText(QStringLiteral("Calle 1"));
        cmb(f, "CmbMunicipios")->setCurrentIndex(0);
        contar(sesion);
        f.CmdGuardar_Click();
        informar("new card save", 1, 3);
    }
    return fallos ? 1 : 0;
}
