// The FoxPro free-table reader and writer: formats, the first live record,
// and damaged files that must give a clear error.

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <functional>

#include "data/Dbf.h"

using plataforma::CampoDbf;
using plataforma::TablaDbf;

namespace {

const QList<CampoDbf> kCampos{{QStringLiteral("contrasena"), 'C', 10},
                              {QStringLiteral("token"), 'C', 8},
                              {QStringLiteral("server_SQL"), 'C', 20},
                              {QStringLiteral("usuario"), 'C', 12}};

class Dbf : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString archivo() const { return QDir(dir.path()).filePath(QStringLiteral("ARRANQUE.dbf")); }
    QByteArray leerCrudo() {
        QFile f(archivo());
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll();
    }
    void escribirCrudo(const QByteArray& b) {
        QFile f(archivo());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(b);
    }
    QString leerError() {
        TablaDbf t;
        QString error;
        EXPECT_FALSE(t.leer(archivo(), &error));
        return error;
    }
};

TEST_F(Dbf, EscribeYLeeUnaTablaVisualFoxPro) {
    QString error;
    ASSERT_TRUE(TablaDbf::escribir(
        archivo(), kCampos, {{"abc", "tok", "  servidor  ", "sa"}, {"x", "y", "z", "w"}}, &error));
    const QByteArray crudo = leerCrudo();
    EXPECT_EQ(static_cast<unsigned char>(crudo[0]), 0x30);
    EXPECT_EQ(static_cast<unsigned char>(crudo[29]), 0x03);
    EXPECT_EQ(crudo.right(1), QByteArray("\x1A"));
    TablaDbf t;
    ASSERT_TRUE(t.leer(archivo(), &error)) << error.toStdString();
    EXPECT_EQ(t.registros(), 2);
    ASSERT_EQ(t.campos().size(), 4);
    EXPECT_EQ(t.campos()[2].nombre, QStringLiteral("SERVER_SQL"));
    // Names match whatever their case; only trailing blanks are dropped.
    EXPECT_EQ(*t.valor(0, QStringLiteral("server_sql")), QByteArray("  servidor"));
    EXPECT_EQ(*t.valor(0, QStringLiteral("CONTRASENA")), QByteArray("abc"));
    EXPECT_EQ(*t.valor(1, QStringLiteral("usuario")), QByteArray("w"));
    EXPECT_FALSE(t.tieneCampo(QStringLiteral("otro")));
}

TEST_F(Dbf, ElRegistroBorradoNoCuenta) {
    QString error;
    ASSERT_TRUE(TablaDbf::escribir(archivo(), kCampos, {{"uno"}, {"dos"}}, &error));
    QByteArray crudo = leerCrudo();
    const int cabecera = static_cast<unsigned char>(crudo[8]) | static_cast<unsigned char>(crudo[9])
                                                                    << 8;
    crudo[cabecera] = '*';
    escribirCrudo(crudo);
    TablaDbf t;
    ASSERT_TRUE(t.leer(archivo(), &error));
    EXPECT_EQ(t.registros(), 1);
    EXPECT_EQ(*t.valor(0, QStringLiteral("contrasena")), QByteArray("dos"));
}

TEST_F(Dbf, LeeDBaseIIISinEnlaceYConNulosAlFinal) {
    // dBase III: 32-byte header, descriptors, 0x0D, records; no backlink.
    QByteArray b(32, '\0');
    b[0] = 0x03;
    b[4] = 1;
    const int cabecera = 32 + 32 + 1;
    b[8] = char(cabecera);
    b[10] = 1 + 6;
    QByteArray d(32, '\0');
    d.replace(0, 5, "TOKEN");
    d[11] = 'C';
    d[16] = 6;
    b += d;
    b += '\x0D';
    b += QByteArray("  ab\0\0 ", 7);
    escribirCrudo(b);
    TablaDbf t;
    QString error;
    ASSERT_TRUE(t.leer(archivo(), &error)) << error.toStdString();
    EXPECT_EQ(*t.valor(0, QStringLiteral("token")), QByteArray(" ab"));
}

TEST_F(Dbf, ArchivosDanadosDanUnErrorClaro) {
    QString error;
    ASSERT_TRUE(TablaDbf::escribir(archivo(), kCampos, {{"uno"}}, &error));
    const QByteArray bueno = leerCrudo();

    escribirCrudo(bueno.left(20));
    EXPECT_TRUE(leerError().contains(QStringLiteral("truncado")));

    QByteArray muchos = bueno;
    muchos[4] = 50;  // announces 50 records
    escribirCrudo(muchos);
    EXPECT_TRUE(leerError().contains(QStringLiteral("50 registros")));

    QByteArray sinFin = bueno;
    sinFin[32 + 32 * 4] = 'X';  // the terminator is gone
    escribirCrudo(sinFin);
    EXPECT_FALSE(leerError().isEmpty());

    QByteArray version = bueno;
    version[0] = 0x7F;
    escribirCrudo(version);
    EXPECT_TRUE(leerError().contains(QStringLiteral("no es una tabla DBF")));

    QByteArray cabecera = bueno;
    cabecera[8] = char(0xFF);
    cabecera[9] = char(0x7F);
    escribirCrudo(cabecera);
    EXPECT_TRUE(leerError().contains(QStringLiteral("cabecera")));

    escribirCrudo(QByteArray());
    EXPECT_FALSE(leerError().isEmpty());

    QFile::remove(archivo());
    EXPECT_FALSE(leerError().isEmpty());
}

// Whatever stands at the path, the reader answers within a second after a few
// small reads: nothing endless or huge is read into memory.
TEST_F(Dbf, LoEnormeOInfinitoFallaEnseguida) {
    QString error;
    ASSERT_TRUE(TablaDbf::escribir(archivo(), kCampos, {{"uno"}}, &error));
    const QByteArray bueno = leerCrudo();
    const int cabeceraBuena =
        static_cast<unsigned char>(bueno[8]) | static_cast<unsigned char>(bueno[9]) << 8;
    auto conLargos = [&](int cabecera, int registro) {
        QByteArray b = bueno;
        b[8] = char(cabecera & 0xFF);
        b[9] = char(cabecera >> 8);
        b[10] = char(registro & 0xFF);
        b[11] = char(registro >> 8);
        return b + QByteArray(70000, ' ');  // as long as both announce
    };
    const struct {
        const char* nombre;
        std::function<void()> preparar;
        const char* mensaje;
    } casos[] = {
        {"/dev/zero",
         [&] {
             QFile::remove(archivo());
             QFile::link(QStringLiteral("/dev/zero"), archivo());
         },
         "no es un archivo regular"},
        {"3 GiB", [&] { ASSERT_TRUE(QFile(archivo()).resize(qint64(3) << 30)); }, "ocupa"},
        {"cabecera de 60000 bytes", [&] { escribirCrudo(conLargos(60000, 211)); }, "cabecera"},
        {"registros de 60000 bytes", [&] { escribirCrudo(conLargos(cabeceraBuena, 60000)); },
         "registro"},
    };
    for (const auto& c : casos) {
        escribirCrudo(bueno);
        c.preparar();
        QElapsedTimer reloj;
        reloj.start();
        const QString e = leerError();
        EXPECT_LT(reloj.elapsed(), 1000) << c.nombre;
        EXPECT_TRUE(e.contains(QLatin1String(c.mensaje))) << c.nombre << ": " << e.toStdString();
        QFile::remove(archivo());
    }
}

TEST_F(Dbf, ElEscritorRechazaValoresLargos) {
    QString error;
    EXPECT_FALSE(TablaDbf::escribir(archivo(), kCampos, {{"demasiado largo para diez"}}, &error));
    EXPECT_FALSE(QFile::exists(archivo()));
}

TEST_F(Dbf, BuscaElArchivoSinImportarMayusculas) {
    QFile f(QDir(dir.path()).filePath(QStringLiteral("arranque.DBF")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    EXPECT_EQ(plataforma::buscarSinMayusculas(dir.path(), QStringLiteral("ARRANQUE.DBF")),
              f.fileName());
    EXPECT_TRUE(plataforma::buscarSinMayusculas(dir.path(), QStringLiteral("OTRA.DBF")).isEmpty());
}

}  // namespace
