// The cipher, fixed texts, numbers in SQL, connection strings, the SQL dialect
// rewrite and the digits-only key filter.

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <QComboBox>

#include "controls/Comun.h"
#include "controls/Escena.h"
#include "controls/ListaConDatos.h"
#include "data/DialectoSqlite.h"
#include "domain/Cifrado.h"
#include "domain/Global.h"
#include "domain/TextoFijo.h"

namespace {

QByteArray bytes(std::initializer_list<int> codigos) {
    QByteArray b;
    for (int c : codigos) b += char(c);
    return b;
}

TEST(Cifrado, ConservaElLargoAntesEnYDespuesDe32) {
    for (int n : {1, 2, 31, 32, 33, 64, 65, 100}) {
        const QByteArray t(n, 'a');
        EXPECT_EQ(CifrarBytes(t, true).size(), n);
        EXPECT_EQ(CifrarBytes(t, false).size(), n);
    }
    EXPECT_TRUE(CifrarBytes({}, false).isEmpty());
    EXPECT_TRUE(CifrarTexto(QString(), false).isEmpty());
}

TEST(Cifrado, LasPosiciones1y33CompartenCaracterDeClave) {
    const QByteArray t(66, 'M');
    for (bool cifrar : {true, false}) {
        const QByteArray c = CifrarBytes(t, cifrar);
        EXPECT_EQ(c[0], c[32]);
        EXPECT_EQ(c[1], c[33]);
        EXPECT_EQ(c[0], c[64]);
        // Positions within one key length differ: the key is not one repeated character.
        EXPECT_NE(c.left(32), QByteArray(32, c[0]));
    }
}

TEST(Cifrado, CadaPosicionSoloDependeDeSuCaracter) {
    const QByteArray base = "contrasena de prueba larga, de mas de 32 caracteres";
    QByteArray otro = base;
    otro[5] = 'X';
    const QByteArray a = CifrarBytes(base, true), b = CifrarBytes(otro, true);
    for (int i = 0; i < base.size(); ++i) {
        if (i != 5) {
            EXPECT_EQ(a[i], b[i]) << i;
        }
    }
    EXPECT_NE(a[5], b[5]);
}

QByteArray enPosicion(int pos, int codigo) {
    QByteArray t(pos + 1, 'a');
    t[pos] = char(codigo);
    return t;
}

// Scrambling wraps by 255, so a code of 255 is the same as 0 to the cipher: it
// is the one code that does not come back (it comes back as 0); every other
// code does, at every key position.
TEST(Cifrado, IdaYVueltaSalvoElCodigo255) {
    for (int pos = 0; pos < 40; ++pos) {
        for (int c = 0; c < 256; ++c) {
            const QByteArray vuelta = CifrarBytes(CifrarBytes(enPosicion(pos, c), true), false);
            EXPECT_EQ(static_cast<unsigned char>(vuelta[pos]), c == 255 ? 0 : c)
                << "pos " << pos << " code " << c;
        }
    }
}

TEST(Cifrado, DescifrarEnvuelveSumando255) {
    // Code 0 is below every key character: each subtraction wraps by +255,
    // and no code comes out of unscrambling as 255.
    const QByteArray cero = CifrarBytes(bytes({0}), false);
    EXPECT_NE(cero[0], 0);
    // Scrambling never yields 0: the code 0 it stands for comes back as 255.
    EXPECT_EQ(CifrarBytes(cero, true), bytes({255}));
    for (int c = 0; c < 256; ++c)
        EXPECT_NE(static_cast<unsigned char>(CifrarBytes(bytes({c}), false)[0]), 255) << c;
}

TEST(Cifrado, TextoUsaLaPaginaDeCodigos1252) {
    const QString clave = QStringLiteral("Contraseña€");
    EXPECT_EQ(CifrarTexto(CifrarTexto(clave, true), false), clave);
}

TEST(TextoFijo, SieteCaracteres) {
    Texto7 t;
    EXPECT_EQ(t.valor(), QStringLiteral("       "));
    t = QStringLiteral("25");
    EXPECT_EQ(t.valor(), QStringLiteral("25     "));
    t = QStringLiteral("ABCDEFGHI");
    EXPECT_EQ(t.valor(), QStringLiteral("ABCDEFG"));
    t = QStringLiteral("ABCDEFG");
    EXPECT_EQ(t.valor(), QStringLiteral("ABCDEFG"));
    t = QString();
    EXPECT_EQ(t.valor(), QStringLiteral("       "));
}

TEST(NumeroPlano, FormaMasCortaSinExponente) {
    EXPECT_EQ(Global::NumeroPlano(1234), QStringLiteral("1234"));
    EXPECT_EQ(Global::NumeroPlano(0), QStringLiteral("0"));
    EXPECT_EQ(Global::NumeroPlano(2147483647.0), QStringLiteral("2147483647"));
    EXPECT_EQ(Global::NumeroPlano(1e15), QStringLiteral("1000000000000000"));
    EXPECT_EQ(Global::NumeroPlano(1234.5), QStringLiteral("1234.5"));
}

TEST(CadenasConexion, TextosExactos) {
    EXPECT_EQ(Global::CadenaArranque(QStringLiteral("C:\\nax\\")),
              QStringLiteral(" Driver={Microsoft Visual FoxPro Driver};  SourceType=DBF;  "
                             "SourceDB=C:\\nax\\;  Exclusive=No "));
    EXPECT_EQ(
        Global::CadenaBaseDatos(QStringLiteral("srv\\inst"), QStringLiteral("sa"),
                                QStringLiteral("pw")),
        QStringLiteral("Driver={SQL Server};Server=srv\\inst;Database=erp_nax;Uid=sa;Pwd=pw;"));
}

// The settings file of the connection's protection, line by line: what each
// line sets, and the first line that cannot be used.
TEST(CadenasConexion, LaProteccionSeLeeDeSuArchivo) {
    QTemporaryDir dir;
    const QString archivo = dir.filePath(QLatin1String(Global::kArchivoProteccion));
    const struct {
        QString texto;  // null: no file
        int lineaMala;  // -1: read
        bool cifrar;
        QString autoridades;
    } casos[] = {
        {QString(), -1, true, QStringLiteral("system")},
        {QStringLiteral("# lab\n\ncertificate = unchecked\n"), -1, true, QString()},
        {QStringLiteral("certificate = ") + archivo, -1, true, archivo},
        {QStringLiteral("unencrypted server = otro\nunencrypted server = SRV\n"), -1, false,
         QStringLiteral("system")},
        {QStringLiteral("unencrypted server = otro"), -1, true, QStringLiteral("system")},
        {QStringLiteral("certificate = ca.pem"), 1, true, {}},
        {QStringLiteral("\ncertificate = /no/existe.pem"), 2, true, {}},
        {QStringLiteral("encryption = off"), 1, true, {}},
        {QStringLiteral("certificate ="), 1, true, {}},
    };
    for (const auto& c : casos) {
        QFile::remove(archivo);
        if (!c.texto.isNull()) {
            QFile f(archivo);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(c.texto.toUtf8());
        }
        Global::Proteccion p;
        int linea = 0;
        QString detalle;
        const bool leido =
            Global::LeerProteccion(dir.path(), QStringLiteral("srv"), &p, &linea, &detalle);
        EXPECT_EQ(leido, c.lineaMala < 0) << c.texto.toStdString();
        if (!leido) {
            EXPECT_EQ(linea, c.lineaMala) << c.texto.toStdString();
            continue;
        }
        EXPECT_EQ(p.cifrar, c.cifrar) << c.texto.toStdString();
        EXPECT_EQ(p.autoridades, c.autoridades) << c.texto.toStdString();
    }
    // What reaches the data layer: a CA file with ';' in its name whole.
    Global::Proteccion p;
    p.autoridades = QStringLiteral("/a;b/ca.pem");
    EXPECT_EQ(plataforma::valorDeCadena(Global::ConProteccion(QStringLiteral("Server=s;"), p),
                                        QStringLiteral("CAFile")),
              p.autoridades);
}

TEST(CadenasConexion, ValoresConPuntoYComaVanEntreLlaves) {
    const QString c = Global::CadenaBaseDatos(QStringLiteral("srv"), QStringLiteral("u"),
                                              QStringLiteral("a;b}c"));
    EXPECT_EQ(c,
              QStringLiteral("Driver={SQL Server};Server=srv;Database=erp_nax;Uid=u;Pwd={a;b}c};"));
    EXPECT_EQ(plataforma::valorDeCadena(c, QStringLiteral("pwd")), QStringLiteral("a;b}c"));
    EXPECT_EQ(plataforma::valorDeCadena(c, QStringLiteral("Database")), QStringLiteral("erp_nax"));
    EXPECT_EQ(plataforma::valorDeCadena(c, QStringLiteral("Driver")), QStringLiteral("SQL Server"));
    EXPECT_EQ(plataforma::valorDeCadena(Global::CadenaArranque(QStringLiteral("/etc/nax/")),
                                        QStringLiteral("SourceDB")),
              QStringLiteral("/etc/nax/"));
}

struct CasoDialecto {
    const char* entrada;
    const char* salida;
};

TEST(DialectoSqlite, NombresDeTresPartes) {
    const CasoDialecto casos[] = {
        {"select * from zelt.dbo.tarjeta_telefonica_cliente WHERE cliente= 5",
         "select * from zelt.tarjeta_telefonica_cliente WHERE cliente= 5"},
        {"SELECT x FROM erp_nax.dbo.Sucursales", "SELECT x FROM main.Sucursales"},
        {"SELECT x FROM ERP_NAX.DBO.Sucursales", "SELECT x FROM main.Sucursales"},
        {"select erp_nax.dbo.nombre_cliente(1234)", "select nombre_cliente(1234)"},
        {"select erp_nax.dbo.nombre_cliente (1234)", "select nombre_cliente (1234)"},
        {"select * from [zelt].[dbo].[contactos_extras]", "select * from zelt.[contactos_extras]"},
        {"select * from zelt..contactos_extras", "select * from zelt.contactos_extras"},
        {"Zelt.dbo.GUARDA_DOMICILIO_CLIENTE", "Zelt.GUARDA_DOMICILIO_CLIENTE"},
        {"select 'zelt.dbo.x' from zelt.dbo.y", "select 'zelt.dbo.x' from zelt.y"},
        {"select 'it''s zelt.dbo.x', zelt.dbo.y", "select 'it''s zelt.dbo.x', zelt.y"},
        {"-- zelt.dbo.x\nselect 1", "-- zelt.dbo.x\nselect 1"},
        {"select a.b.c from t", "select a.b.c from t"},
        {"select t.col from t", "select t.col from t"},
        {"select 1.5 + getdate()", "select 1.5 + getdate()"},
        {"select xzelt.dbo.y", "select xzelt.y"},
        {"SELECT * FROM zelt.dbo.c WITH (UPDLOCK, HOLDLOCK) WHERE k = 5",
         "SELECT * FROM zelt.c WHERE k = 5"},
        {"select * from t with(updlock)", "select * from t"},
        {"WITH x (a) AS (select 1) select a from x", "WITH x (a) AS (select 1) select a from x"},
        {"select 1 from t WITH (NOEXPAND)", "select 1 from t WITH (NOEXPAND)"},
        {"select 'WITH (UPDLOCK)'", "select 'WITH (UPDLOCK)'"},
    };
    for (const auto& c : casos)
        EXPECT_EQ(plataforma::DialectoSqlite::traducir(QString::fromUtf8(c.entrada)),
                  QString::fromUtf8(c.salida))
            << c.entrada;
}

TEST(SoloNumeros, DigitosYRetrocesoPasanLoDemasSeCancela) {
    plataforma::Escena::grabar(true);
    struct {
        int entra, sale;
    } casos[] = {{'0', '0'}, {'5', '5'}, {'9', '9'}, {8, 8},    {'a', 0}, {'Z', 0}, {' ', 0},
                 {'-', 0},   {'+', 0},   {'.', 0},   {0xF1, 0}, {27, 0},  {9, 0},   {22, 0}};
    for (const auto& c : casos) {
        qint16 codigo = qint16(c.entra);
        SoloNumeros(codigo);
        EXPECT_EQ(codigo, c.sale) << c.entra;
    }
    EXPECT_TRUE(plataforma::Escena::sucesos().isEmpty());
    qint16 enter = 13;
    SoloNumeros(enter);
    EXPECT_EQ(enter, 0);
    ASSERT_EQ(plataforma::Escena::sucesos().size(), 1);
    EXPECT_EQ(plataforma::Escena::sucesos()[0].tipo, plataforma::Suceso::Tipo::Tab);
    plataforma::Escena::grabar(false);
}

}  // namespace

// The entries of a combo box kept as text and number, as the city box uses them.
TEST(ListaConDatos, LaCajaLasLeeAgregaYVacia) {
    QComboBox caja;
    auto* lista = new plataforma::ListaConDatos(&caja);
    caja.setModel(lista);
    caja.setEditable(true);
    lista->reemplazar({{QStringLiteral("DELICIAS"), 3702}, {QStringLiteral("JUÁREZ"), 4100}});
    ASSERT_EQ(caja.count(), 2);
    EXPECT_EQ(caja.itemText(1), QStringLiteral("JUÁREZ"));
    EXPECT_EQ(caja.itemData(1).toInt(), 4100);
    EXPECT_EQ(caja.findText(QStringLiteral("DELICIAS")), 0);
    EXPECT_FALSE(caja.itemData(-1).isValid());
    EXPECT_FALSE(caja.itemData(2).isValid());
    caja.addItem(QStringLiteral("OJINAGA"), 4200);
    caja.setItemData(0, 3800);
    EXPECT_EQ(caja.itemData(0).toInt(), 3800);
    EXPECT_FALSE(lista->setData(lista->index(0), QStringLiteral("no es número"), Qt::UserRole));
    EXPECT_EQ(caja.itemText(2), QStringLiteral("OJINAGA"));
    EXPECT_EQ(caja.itemData(2).toInt(), 4200);
    caja.setCurrentIndex(1);
    EXPECT_EQ(caja.currentText(), QStringLiteral("JUÁREZ"));
    caja.clear();
    EXPECT_EQ(caja.count(), 0);
    EXPECT_EQ(caja.currentIndex(), -1);
}
