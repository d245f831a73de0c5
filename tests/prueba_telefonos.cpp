// The shared-phones report of the admin tool: how values compare, the exact
// report on known data in the embedded databases, and the command line; and
// a password the tool refuses to write into the start-up table.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "Apoyo.h"
#include "TelefonosDePrueba.h"
#include "domain/Arranque.h"
#include "tools/TelefonosCompartidos.h"

using TelefonosCompartidos::Numero;

namespace {

TEST(TelefonosCompartidos, NormalizaLosValoresComoSeComparan) {
    using C = Numero::Clase;
    const struct {
        const char* valor;
        C clase;
        const char* digitos;
        bool sinPrefijo;
    } casos[] = {
        {"6141234567", C::Telefono, "6141234567", false},
        {" (614) 123-4567 ", C::Telefono, "6141234567", false},
        {"0614123456", C::Telefono, "0614123456", false},  // a leading zero counts
        {"0446141234567", C::Telefono, "6141234567", true},
        {"045 614 123 4567", C::Telefono, "6141234567", true},
        {"+52 1 614 123 4567", C::Telefono, "6141234567", true},
        {"0436141234567", C::Telefono, "0436141234567", false},    // not one of the prefixes
        {"044614123456", C::Telefono, "044614123456", false},      // 12 digits
        {"04461412345678", C::Telefono, "04461412345678", false},  // 14 digits
        {"12345678901234567", C::Telefono, "12345678901234567", false},
        {"123456789012345678", C::Largo, "", false},
        {"0000000000", C::Relleno, "", false},
        {"0440000000000", C::Relleno, "", true},
        {"7", C::Relleno, "", false},
        {"", C::Vacio, "", false},
        {" \t ", C::Vacio, "", false},
        {"N/A", C::SinDigitos, "", false},
    };
    for (const auto& c : casos) {
        const Numero n = TelefonosCompartidos::Normalizar(QByteArrayView(c.valor));
        EXPECT_EQ(n.clase, c.clase) << c.valor;
        EXPECT_EQ(n.sinPrefijo, c.sinPrefijo) << c.valor;
        EXPECT_EQ(n.clase == C::Telefono ? n.digitos() : QString(), QLatin1String(c.digitos))
            << c.valor;
    }
}

const QString kTabla = QStringLiteral(
    "Phone numbers on the cards or extra contacts of 2 or more clients.\n"
    "Compared on their digits alone; a 13-digit mobile with 044, 045 or 521 in front is "
    "compared on its last 10 digits.\n"
    "\n"
    "number      clients  client  where                    stored as           name\n"
    "6141234567  3        10      Principal_Telefono       6141234567          ANA PÉREZ\n"
    "                     20      conyuge_telefono_centro  (614) 123-4567      JOSÉ RÍOS\n"
    "                     30      contacto extra           6141234567          Tienda, S.A.\n"
    "6145550002  2        30      referencia2_telefono     6145550002          =HYPERLINK(\"x\")\n"
    "                     40      contacto extra           045 614 555 0002    -Primo-\n"
    "6149876543  2        10      Principal_celular        0446149876543       ANA PÉREZ\n"
    "                     20      aval_celular             +52 1 614 987 6543  GARCÍA ROSA\n");
const QString kCsv = QStringLiteral(
    "number,clients,client,where,stored,name\r\n"
    "6141234567,3,10,Principal_Telefono,6141234567,ANA PÉREZ\r\n"
    "6141234567,3,20,conyuge_telefono_centro,(614) 123-4567,JOSÉ RÍOS\r\n"
    "6141234567,3,30,contacto extra,6141234567,\"Tienda, S.A.\"\r\n"
    "6145550002,2,30,referencia2_telefono,6145550002,\"'=HYPERLINK(\"\"x\"\")\"\r\n"
    "6145550002,2,40,contacto extra,045 614 555 0002,'-Primo-\r\n"
    "6149876543,2,10,Principal_celular,0446149876543,ANA PÉREZ\r\n"
    "6149876543,2,20,aval_celular,'+52 1 614 987 6543,GARCÍA ROSA\r\n");
const QString kResumen = QStringLiteral(
    "3 numbers shared by 2 or more clients, in 7 places.\n"
    "Read 3 cards and 3 extra contacts: 54 phone values.\n"
    "Left out: 41 empty, 1 without digits, 2 filler (one digit repeated), 1 longer than 17 "
    "digits.\n"
    "Compared on their last 10 digits: 3 (13-digit mobiles with 044, 045 or 521 in front).\n");

TEST(TelefonosCompartidos, ElInformeExactoEnLaBaseEmbebida) {
    apoyo::Entorno e(apoyo::Opciones::vacia());
    apoyo::telefonos::guardar(e);
    plataforma::Conexion conexion;
    QString error;
    ASSERT_TRUE(Arranque::Conectar(e.carpeta(), &conexion, &error)) << error.toStdString();
    TelefonosCompartidos::Informe informe;
    ASSERT_TRUE(TelefonosCompartidos::Generar(conexion, 2, &informe, &error))
        << error.toStdString();
    EXPECT_EQ(TelefonosCompartidos::Tabla(informe), kTabla);
    EXPECT_EQ(TelefonosCompartidos::Csv(informe), kCsv);
    EXPECT_EQ(TelefonosCompartidos::Resumen(informe), kResumen);

    ASSERT_TRUE(TelefonosCompartidos::Generar(conexion, 3, &informe, &error));
    ASSERT_EQ(informe.compartidos.size(), 1);
    EXPECT_EQ(informe.compartidos[0].numero, QStringLiteral("6141234567"));
    ASSERT_TRUE(TelefonosCompartidos::Generar(conexion, 4, &informe, &error));
    EXPECT_TRUE(TelefonosCompartidos::Tabla(informe).endsWith(
        QStringLiteral("No phone number appears for 4 or more clients.\n")));
}

// A NUL or another control character stored in a name or value is a blank
// in both outputs; the CSV keeps a line break (quoted).
TEST(TelefonosCompartidos, SinCaracteresDeControlEnLaSalida) {
    TelefonosCompartidos::Informe informe;
    informe.compartidos = {
        {QStringLiteral("6141234567"),
         2,
         {{10, QStringLiteral("contacto extra"), QStringLiteral("614\u0000123\u00014567"),
           QStringLiteral("ANA\u0000PÉREZ\nLEAL")}}}};
    EXPECT_TRUE(TelefonosCompartidos::Csv(informe).endsWith(
        QStringLiteral("\n6141234567,2,10,contacto extra,614 123 4567,\"ANA PÉREZ\nLEAL\"\r\n")));
    EXPECT_TRUE(TelefonosCompartidos::Tabla(informe).endsWith(
        QStringLiteral("10      contacto extra  614 123 4567  ANA PÉREZ LEAL\n")));
}

// The tool itself: CSV on standard output and the summary on standard
// error; bad values and a missing database are refused in plain English.
TEST(TelefonosCompartidos, LaLineaDeComandos) {
    apoyo::Entorno e(apoyo::Opciones::vacia());
    apoyo::telefonos::guardar(e);
    const struct {
        QStringList argumentos;
        int estado;
        QString salida, error;
    } casos[] = {
        {{QStringLiteral("--csv")}, 0, kCsv, kResumen},
        {{QStringLiteral("--min-clientes"), QStringLiteral("1")},
         2,
         {},
         QStringLiteral("--min-clientes takes a whole number of clients from 2 up, not '1'")},
        {{QStringLiteral("--min-clientes"), QStringLiteral("dos")},
         2,
         {},
         QStringLiteral("not 'dos'")},
        {{QStringLiteral("--min-clientes")}, 64, {}, QStringLiteral("needs a value")},
        {{QStringLiteral("--borrar")}, 64, {}, QStringLiteral("unexpected argument '--borrar'")},
    };
    for (const auto& c : casos) {
        QProcess p;
        p.start(QStringLiteral(TARJETA_ADMIN),
                QStringList{QStringLiteral("telefonos-compartidos"), e.carpeta()} + c.argumentos);
        ASSERT_TRUE(p.waitForFinished(30000));
        const QString salida = QString::fromUtf8(p.readAllStandardOutput());
        const QString error = QString::fromUtf8(p.readAllStandardError());
        EXPECT_EQ(p.exitCode(), c.estado) << c.argumentos.join(' ').toStdString();
        EXPECT_EQ(salida, c.salida) << c.argumentos.join(' ').toStdString();
        EXPECT_TRUE(error.contains(c.error)) << error.toStdString();
    }
    QFile::remove(e.carpeta() + QStringLiteral("/zelt.db"));
    QProcess p;
    p.start(QStringLiteral(TARJETA_ADMIN), {QStringLiteral("telefonos-compartidos"), e.carpeta()});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 2);
    EXPECT_TRUE(
        p.readAllStandardError().contains("zelt.db named by the start-up table does not "
                                          "exist (create it with 'db init"));
}

// A password holding a NUL byte, which would end it there for the driver, is
// refused as one holding "};" is: status 2, nothing written.
TEST(ArranqueWrite, UnaContrasenaConNulSeRechaza) {
    QTemporaryDir dir;
    QProcess p;
    p.start(QStringLiteral(TARJETA_ADMIN),
            {"arranque", "write", dir.path(), "--server", "s", "--user", "u", "--branch", "12"});
    p.write(QByteArray("ab\0cd\n", 6));
    p.closeWriteChannel();
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 2);
    EXPECT_TRUE(p.readAllStandardError().contains("the password holds a NUL byte"));
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
}

}  // namespace
