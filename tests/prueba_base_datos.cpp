// Every statement and procedure the program sends, run against a freshly built
// embedded database, plus the data-access layer's own rules.

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>

#include "Apoyo.h"
#include "domain/Global.h"
#include "domain/Tarjeta.h"

using plataforma::Parametro;
using plataforma::TipoParametro;

namespace {

class BaseDatos : public ::testing::Test {
protected:
    apoyo::Entorno entorno;
    Global::Sesion& sesion = apoyo::nuevaSesion();
    plataforma::Conexion& bd = sesion.conexion;
    void SetUp() override {
        QString error;
        ASSERT_TRUE(Global::AbrirSesion(&sesion, &error)) << error.toStdString();
    }
    std::unique_ptr<plataforma::Resultado> consultar(const QString& sql,
                                                     const QVariantList& v = {}) {
        QString error;
        auto rs = bd.consultar(sql, v, &error);
        EXPECT_TRUE(rs) << error.toStdString();
        return rs;
    }
};

QList<Parametro> aval(double cliente) {
    return {{QStringLiteral("@nCliente"), TipoParametro::Entero, 4, cliente},
            {QStringLiteral("@cTipo"), TipoParametro::TextoFijo, 20, QStringLiteral("Aval")}};
}

TEST_F(BaseDatos, LecturasDelArranque) {
    auto rs = consultar(
        QStringLiteral("SELECT centro_distribucion FROM erp_nax.dbo.Sucursales WHERE sucursal = ?"),
        {QStringLiteral("     12")});
    ASSERT_FALSE(rs->alFinal());
    EXPECT_EQ(rs->valor(0).toString(), QStringLiteral("      1"));
    rs = consultar(QStringLiteral("SELECT modifica_telefonos FROM personal WHERE persona=?"),
                   {QStringLiteral("     25")});
    EXPECT_TRUE(rs->valor(QStringLiteral("MODIFICA_TELEFONOS")).toBool());
    rs = consultar(QStringLiteral("select erp_nax.dbo.nombre_cliente(1234)"));
    EXPECT_EQ(rs->valor(0).toString(), QStringLiteral("MARÍA GUADALUPE HERNÁNDEZ SOTO"));
    // An unknown client still gives one row, with a NULL name.
    rs = consultar(QStringLiteral("select erp_nax.dbo.nombre_cliente(999999)"));
    ASSERT_FALSE(rs->vacio());
    EXPECT_TRUE(rs->valor(0).isNull());
}

TEST_F(BaseDatos, CiudadesDelEstadoArribaDe3701OrdenadasPorNombre) {
    QList<Tarjeta::Ciudad> ciudades;
    QString error;
    ASSERT_TRUE(Global::LeerEstado(sesion, &error)) << error.toStdString();
    ASSERT_TRUE(Tarjeta::LeerCiudades(sesion, &ciudades, &error)) << error.toStdString();
    QStringList nombres;
    for (const Tarjeta::Ciudad& c : std::as_const(ciudades)) {
        EXPECT_GT(c.numero, 3701);
        nombres << c.nombre;
    }
    EXPECT_EQ(nombres.size(), 41);
    EXPECT_FALSE(nombres.contains(QStringLiteral("PARRAL (CLAVE ANTIGUA)")));
    // In the database's order of the stored names: one is stored with a
    // leading blank, so it comes first, and is shown trimmed.
    ASSERT_FALSE(nombres.isEmpty());
    EXPECT_EQ(nombres.takeFirst(), QStringLiteral("VALLE DE ALLENDE"));
    QStringList ordenados = nombres;
    std::sort(ordenados.begin(), ordenados.end());
    EXPECT_EQ(nombres, ordenados);
}

TEST_F(BaseDatos, LaTarjetaSeLeeConLosNombresDeColumnaDeLaCarga) {
    sesion.cliente = 1234;
    Tarjeta::Leida leida;
    QString error;
    ASSERT_TRUE(Tarjeta::Cargar(sesion, &leida, &error)) << error.toStdString();
    ASSERT_TRUE(leida.existe);
    EXPECT_EQ(leida.fila.texto(QLatin1String("conyuge_telefono_centro")),
              QStringLiteral("6144201100"));
    EXPECT_TRUE(leida.fila[QLatin1String("Principal_Mismo")].toBool());
    EXPECT_TRUE(leida.domicilio.has_value());
    EXPECT_TRUE(leida.nombreAval.has_value());
    sesion.cliente = 1;
    ASSERT_TRUE(Tarjeta::Cargar(sesion, &leida, &error)) << error.toStdString();
    EXPECT_FALSE(leida.existe);
}

TEST_F(BaseDatos, LosProcedimientosGuardanYLasConsultasDevuelven) {
    QString error;
    QList<Parametro> domicilio{
        {QStringLiteral("@cSucursal"), TipoParametro::TextoFijo, 7, QStringLiteral("     12")},
        {QStringLiteral("@nCliente"), TipoParametro::Entero, 4, 1235.0},
        {QStringLiteral("@cTipo"), TipoParametro::TextoFijo, 20, QStringLiteral("Aval")},
        {QStringLiteral("@cDomicilio"), TipoParametro::TextoFijo, 200,
         QStringLiteral("Calle 5 #10")},
        {QStringLiteral("@nCiudad"), TipoParametro::Entero, 4, 3705},
        {QStringLiteral("@cColonia"), TipoParametro::TextoFijo, 40, QStringLiteral("Centro")},
        {QStringLiteral("@cCodigo"), TipoParametro::TextoFijo, 10, QStringLiteral("31000")},
        {QStringLiteral("@cMunicipio"), TipoParametro::TextoFijo, 50, QStringLiteral("DELICIAS")},
        {QStringLiteral("@cEntreCalles"), TipoParametro::TextoFijo, 200, QString()}};
    ASSERT_TRUE(bd.llamar(QStringLiteral("Zelt.dbo.GUARDA_DOMICILIO_CLIENTE"), domicilio, &error))
        << error.toStdString();
    domicilio[3].valor = QStringLiteral("Calle 6 #11");  // stored again: replaced, not added
    ASSERT_TRUE(bd.llamar(QStringLiteral("Zelt.dbo.GUARDA_DOMICILIO_CLIENTE"), domicilio, &error));
    auto rs = bd.llamarConFilas(QStringLiteral("Zelt.dbo.CONSULTA_DOMICILIO_CLIENTE"), aval(1235),
                                &error);
    ASSERT_TRUE(rs) << error.toStdString();
    ASSERT_FALSE(rs->alFinal());
    EXPECT_EQ(rs->valor(0).toString(), QStringLiteral("Calle 6 #11"));
    EXPECT_EQ(rs->valor(1).toInt(), 3705);
    EXPECT_EQ(rs->valor(2).toString(), QStringLiteral("Centro"));
    EXPECT_EQ(rs->valor(3).toString(), QStringLiteral("31000"));
    EXPECT_EQ(rs->valor(4).toString(), QStringLiteral("DELICIAS"));
    rs->siguiente();
    EXPECT_TRUE(rs->alFinal());

    ASSERT_TRUE(bd.llamar(
        QStringLiteral("Zelt.dbo.Cambia_Estado_Domicilio_Cliente"),
        aval(1235) << Parametro{QStringLiteral("@lInactivo"), TipoParametro::SiNo, 1, true},
        &error));
    EXPECT_EQ(entorno
                  .valor(QStringLiteral(
                      "select inactivo from zelt.domicilios_cliente where cliente=1235"))
                  .toInt(),
              1);
    // A client without an address: not an error.
    EXPECT_TRUE(bd.llamar(
        QStringLiteral("Zelt.dbo.Cambia_Estado_Domicilio_Cliente"),
        aval(77) << Parametro{QStringLiteral("@lInactivo"), TipoParametro::SiNo, 1, false},
        &error));

    QList<Parametro> contacto{
        {QStringLiteral("@cSucursal"), TipoParametro::TextoFijo, 7, QStringLiteral("     12")},
        {QStringLiteral("@nCliente"), TipoParametro::Entero, 4, 1235.0},
        {QStringLiteral("@cTipo"), TipoParametro::TextoFijo, 20, QStringLiteral("Aval")},
        {QStringLiteral("@cNombre"), TipoParametro::TextoFijo, 40, QStringLiteral("ANA")},
        {QStringLiteral("@cPaterno"), TipoParametro::TextoFijo, 40, QStringLiteral("LÓPEZ")},
        {QStringLiteral("@cMaterno"), TipoParametro::TextoFijo, 40, QString()},
        {QStringLiteral("@dNacimiento"), TipoParametro::FechaHora, 10,
         QStringLiteral("01-01-1900")},
        {QStringLiteral("@cCorreo"), TipoParametro::TextoFijo, 80, QString()}};
    ASSERT_TRUE(bd.llamar(QStringLiteral("Zelt.dbo.GUARDA_CONTACTO_CLIENTE"), contacto, &error))
        << error.toStdString();
    rs =
        bd.llamarConFilas(QStringLiteral("Zelt.dbo.CONSULTA_CONTACTO_CLIENTE"), aval(1235), &error);
    ASSERT_TRUE(rs && !rs->alFinal());
    EXPECT_EQ(rs->valor(0).toString(), QStringLiteral("ANA"));
    EXPECT_EQ(rs->valor(1).toString(), QStringLiteral("LÓPEZ"));
    EXPECT_EQ(entorno
                  .valor(QStringLiteral(
                      "select nacimiento from zelt.contactos_cliente where cliente=1235"))
                  .toString(),
              QStringLiteral("1900-01-01 00:00:00.000"));
    EXPECT_TRUE(
        bd.llamarConFilas(QStringLiteral("Zelt.dbo.CONSULTA_CONTACTO_CLIENTE"), aval(4321), &error)
            ->vacio());
}

TEST_F(BaseDatos, ParametrosFueraDeTamanoOTipoSonErrores) {
    QString error;
    EXPECT_FALSE(
        bd.llamar(QStringLiteral("Zelt.dbo.Cambia_Estado_Domicilio_Cliente"),
                  {{QStringLiteral("@nCliente"), TipoParametro::Entero, 4, 3e9},
                   {QStringLiteral("@cTipo"), TipoParametro::TextoFijo, 20, QStringLiteral("Aval")},
                   {QStringLiteral("@lInactivo"), TipoParametro::SiNo, 1, false}},
                  &error));
    EXPECT_TRUE(error.contains(QStringLiteral("@nCliente")));
    EXPECT_FALSE(bd.llamar(
        QStringLiteral("Zelt.dbo.Cambia_Estado_Domicilio_Cliente"),
        {{QStringLiteral("@nCliente"), TipoParametro::Entero, 4, 5},
         {QStringLiteral("@cTipo"), TipoParametro::TextoFijo, 20, QString(21, QLatin1Char('x'))},
         {QStringLiteral("@lInactivo"), TipoParametro::SiNo, 1, false}},
        &error));
    EXPECT_TRUE(error.contains(QStringLiteral("@cTipo")));
}

TEST_F(BaseDatos, ContactosExtrasSeBorranEInsertanPorCliente) {
    QString error;
    ASSERT_TRUE(bd.ejecutar(
        QStringLiteral("DELETE FROM zelt.dbo.contactos_extras WHERE Cliente=1234"), {}, &error));
    ASSERT_TRUE(bd.ejecutar(
        QStringLiteral(
            "INSERT INTO zelt.dbo.contactos_extras (Cliente,Nombre,Parentesco,Telefono,lugar,Nota) "
            "VALUES (1234,?,?,?,?,?)"),
        {QStringLiteral("O'Brien"), QStringLiteral("Aval"), QStringLiteral(" 6141234567 "),
         QStringLiteral("Casa"), QString()},
        &error))
        << error.toStdString();
    auto rs =
        consultar(QStringLiteral("SELECT * FROM zelt.dbo.contactos_extras WHERE cliente = 1234"));
    ASSERT_FALSE(rs->alFinal());
    EXPECT_EQ(rs->valor(QStringLiteral("Nombre")).toString(), QStringLiteral("O'Brien"));
    EXPECT_EQ(rs->valor(QStringLiteral("telefono")).toString(), QStringLiteral(" 6141234567 "));
    EXPECT_EQ(rs->valor(QStringLiteral("Lugar")).toString(), QStringLiteral("Casa"));
    rs->siguiente();
    EXPECT_TRUE(rs->alFinal());
}

TEST_F(BaseDatos, UnaTransaccionRevertidaNoDejaNada) {
    QString error;
    ASSERT_TRUE(bd.iniciarTransaccion(&error));
    ASSERT_TRUE(bd.ejecutar(
        QStringLiteral("DELETE FROM zelt.dbo.contactos_extras WHERE Cliente=1234"), {}, &error));
    bd.revertirTransaccion();
    EXPECT_EQ(
        entorno
            .valor(QStringLiteral("select count(*) from zelt.contactos_extras where Cliente=1234"))
            .toInt(),
        4);
}

// Closing with a transaction open rolls it back on the server itself: a
// connection that goes back to a pool does not end its session.
TEST_F(BaseDatos, CerrarAMitadDeUnaTransaccionLaRevierte) {
    apoyo::Grabadora g;
    QString error;
    ASSERT_TRUE(bd.iniciarTransaccion(&error));
    ASSERT_TRUE(bd.ejecutar(
        QStringLiteral("DELETE FROM zelt.dbo.contactos_extras WHERE Cliente=1234"), {}, &error));
    bd.cerrar();
    EXPECT_EQ(g.operaciones.last().texto, QStringLiteral("ROLLBACK"));
    EXPECT_EQ(
        entorno
            .valor(QStringLiteral("select count(*) from zelt.contactos_extras where Cliente=1234"))
            .toInt(),
        4);
}

// Another program moves an embedded database file away and puts a copy in
// its place before a save commits: the save fails, the copy keeps what it
// had, and the next operations use it. Either file, the attached one too.
TEST_F(BaseDatos, UnArchivoReemplazadoAMitadDeGuardarNoSeDaPorGuardado) {
    const QString leer = QStringLiteral(
        "SELECT c.nombre || t.referencia1_telefono FROM clientes c, "
        "zelt.tarjeta_telefonica_cliente "
        "t WHERE c.cliente = 1234 AND t.cliente = 1234");
    auto guardar = [&](const QString& v, QString* error) {
        return bd.enTransaccion(
            [&](QString* e) {
                return bd.ejecutar(QStringLiteral("UPDATE clientes SET nombre = ?"), {v}, e) &&
                       bd.ejecutar(QStringLiteral("UPDATE zelt.dbo.tarjeta_telefonica_cliente "
                                                  "SET referencia1_telefono = ?"),
                                   {v}, e);
            },
            error);
    };
    for (const char* base : {"erp_nax.db", "zelt.db"}) {
        const QString archivo = QDir(entorno.carpeta()).filePath(QLatin1String(base));
        const QString antes = consultar(leer)->valor(0).toString();
        bd.ponerObservador([&](const plataforma::Operacion& op) {
            if (op.texto == QLatin1String("COMMIT") && QFile::rename(archivo, archivo + u'~'))
                QFile::copy(archivo + u'~', archivo);
            return QString();
        });
        QString error;
        EXPECT_FALSE(guardar(QStringLiteral("1"), &error)) << base;
        EXPECT_TRUE(error.contains(QDir::toNativeSeparators(archivo))) << error.toStdString();
        EXPECT_FALSE(bd.commitIncierto());
        EXPECT_EQ(consultar(leer)->valor(0).toString(), antes) << base;
        bd.ponerObservador({});
        EXPECT_TRUE(guardar(QStringLiteral("2"), &error)) << error.toStdString();
        EXPECT_EQ(consultar(leer)->valor(0).toString(), QStringLiteral("22")) << base;
    }
}

TEST_F(BaseDatos, GetdateDaLaFechaDelServidor) {
    auto rs = consultar(QStringLiteral("select getdate()"));
    const QDateTime t =
        QDateTime::fromString(rs->valor(0).toString(), QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
    ASSERT_TRUE(t.isValid());
    EXPECT_LT(qAbs(t.secsTo(QDateTime::currentDateTime())), 60);
}

TEST_F(BaseDatos, UnaSentenciaRechazadaDevuelveElMensajeDelServidor) {
    QString error;
    EXPECT_FALSE(bd.consultar(QStringLiteral("select * from zelt.dbo.no_existe"), {}, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("no_existe"))) << error.toStdString();
    EXPECT_FALSE(bd.ejecutar(
        QStringLiteral("INSERT INTO zelt.dbo.tarjeta_telefonica_cliente (cliente) values (1234)"),
        {}, &error));
    EXPECT_TRUE(bd.ultimoFueClaveDuplicada());
}

}  // namespace
