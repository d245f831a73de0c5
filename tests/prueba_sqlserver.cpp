// The SQL Server path as users take it: the program's windows through the
// ODBC driver manager (unixODBC) and FreeTDS, against the TDS test server on
// loopback, asserting what arrives on the wire.

#include <gtest/gtest.h>

#include <ctime>

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QTemporaryDir>
#include <QTimer>

#include "Controles.h"
#include "ServidorTds.h"
#include "TelefonosDePrueba.h"
#include "Ventanas.h"
#include "app/Programa.h"
#include "controls/Rejilla.h"
#include "data/Odbc.h"
#include "domain/Arranque.h"
#include "domain/Contactos.h"
#include "domain/Global.h"
#include "system/Sistema.h"
#include "tools/TelefonosCompartidos.h"
#include "windows/FrmExtras.h"

using apoyo::escena;
using apoyo::ServidorTds;

namespace {

const QString kInsertTarjeta = QStringLiteral("INSERT INTO zelt.dbo.tarjeta_telefonica_cliente");
// The demo data's keys of the save batches: a new card, a change, the extra
// contacts.
const QString kLoteAlta = QStringLiteral(
    "re:^SET NOCOUNT ON;\\s*SET XACT_ABORT ON;\\s*BEGIN TRANSACTION;\\s*INSERT INTO "
    "zelt\\.dbo\\.tarjeta_telefonica_cliente");
const QString kLoteCambio = QStringLiteral(
    "re:^SET NOCOUNT ON;\\s*SET XACT_ABORT ON;\\s*BEGIN TRANSACTION;\\s*UPDATE "
    "zelt\\.dbo\\.tarjeta_telefonica_cliente");
const QString kLoteContactos =
    QStringLiteral("re:^SET NOCOUNT ON;\\s*SET XACT_ABORT ON;\\s*DECLARE @filas xml");
const QString kRollback = QStringLiteral("batch IF @@TRANCOUNT > 0 ROLLBACK TRANSACTION");

// A save batch's answer: its "desenlace" result, then the given results.
QJsonObject desenlace(const QString& que, const QJsonArray& despues = {}) {
    QJsonArray lote{QJsonObject{
        {QStringLiteral("columnas"),
         QJsonArray{QJsonArray{QStringLiteral("desenlace"), QStringLiteral("varchar(10)")}}},
        {QStringLiteral("filas"), QJsonArray{QJsonArray{que}}}}};
    for (const QJsonValue& r : despues) lote << r;
    return {{QStringLiteral("lote"), lote}};
}

// The rows of the extra contacts as a save batch carries them (each text the
// hexadecimal of its UTF-16).
QList<QStringList> filasDeXml(const QString& xml) {
    QList<QStringList> filas;
    static const QRegularExpression fila(QStringLiteral("<f([^/]*)/>"));
    static const QRegularExpression atributo(QStringLiteral("[a-e]=\"([0-9A-F]*)\""));
    for (auto f = fila.globalMatch(xml); f.hasNext();) {
        QStringList textos;
        const QString a = f.next().captured(1);
        for (auto t = atributo.globalMatch(a); t.hasNext();) {
            const QByteArray b = QByteArray::fromHex(t.next().captured(1).toLatin1());
            textos << QString::fromUtf16(reinterpret_cast<const char16_t*>(b.constData()),
                                         b.size() / 2);
        }
        filas << textos;
    }
    return filas;
}

// Whether the pieces stand in the text in this order.
::testing::AssertionResult enOrden(const QString& texto, std::initializer_list<const char*> pasos) {
    qsizetype desde = 0;
    for (const char* paso : pasos) {
        const qsizetype i = texto.indexOf(QString::fromUtf8(paso), desde);
        if (i < 0)
            return ::testing::AssertionFailure()
                   << "\"" << paso << "\" missing after position " << desde << " in:\n"
                   << texto.toStdString();
        desde = i + 1;
    }
    return ::testing::AssertionSuccess();
}

class SqlServer : public ::testing::Test {
protected:
    ServidorTds servidor;
    std::unique_ptr<apoyo::Entorno> entorno;

    void SetUp() override { ASSERT_TRUE(servidor.listo()) << "CTest starts the TDS test server"; }
    // The requests since the mark; none may have left the client malformed.
    QJsonArray peticiones(qsizetype desde = 0) {
        const QJsonArray p = servidor.peticiones(desde);
        for (const QJsonValue& v : p)
            EXPECT_NE(v[QStringLiteral("tipo")], QStringLiteral("malformado"))
                << QJsonDocument(v.toObject()).toJson().toStdString();
        return p;
    }
    // A start-up table that points at the test server, with the given cues.
    void preparar(const QJsonObject& pistas = {}) {
        servidor.preparar(pistas);
        entorno.reset();
        entorno =
            std::make_unique<apoyo::Entorno>(apoyo::Opciones::conServidor(servidor.direccion()));
    }
    qsizetype marca() { return servidor.registro().size(); }
    // One result of the demo data, as the server sends it.
    static QJsonObject resultadoDemo(const QString& clave) {
        QFile datos(QStringLiteral(TARJETA_DATOS_TDS));
        EXPECT_TRUE(datos.open(QIODevice::ReadOnly));
        return QJsonDocument::fromJson(datos.readAll()).object()[clave].toObject();
    }
    // The demo data with one column of one result declared of another type.
    void prepararConVarchar(const QString& clave, int columna, const QString& tipo) {
        QJsonObject r = resultadoDemo(clave);
        QJsonArray columnas = r[QStringLiteral("columnas")].toArray();
        columnas[columna] = QJsonArray{columnas[columna].toArray()[0], tipo};
        r[QStringLiteral("columnas")] = columnas;
        preparar({{QStringLiteral("resultados"), QJsonObject{{clave, r}}}});
    }
    // The values the request carried for the user's parameters.
    static QVariantList valores(const QJsonValue& peticion) {
        QVariantList v;
        for (const QJsonValue& a : peticion[QStringLiteral("argumentos")].toArray())
            v << a[QStringLiteral("valor")].toVariant();
        return v;
    }
    // The values bound in one statement of a batch: the one that starts
    // with `inicio`, up to its ";", in the order they stand there.
    static QVariantList valoresDe(const QJsonValue& peticion, const QString& inicio,
                                  QStringList* tipos = nullptr) {
        const QString t = peticion[QStringLiteral("texto")].toString();
        const qsizetype desde = t.indexOf(inicio);
        if (desde < 0) return {};
        const QString parte = t.mid(desde, t.indexOf(QLatin1Char(';'), desde) - desde);
        const QJsonArray argumentos = peticion[QStringLiteral("argumentos")].toArray();
        static const QRegularExpression marca(QStringLiteral("@P(\\d+)"));
        QVariantList v;
        for (auto m = marca.globalMatch(parte); m.hasNext();) {
            const QJsonValue a = argumentos[m.next().captured(1).toInt() - 1];
            v << a[QStringLiteral("valor")].toVariant();
            if (tipos) *tipos << a[QStringLiteral("tipo")].toString();
        }
        return v;
    }
    // A new card with a guarantor and an address, text beyond Windows-1252
    // included.
    static void llenarNueva(FrmTelefonos& f) {
        txt(f, "TxtDueno")->setText(QStringLiteral("Łukasz O'Brien 😀"));
        txt(f, "TxtPrincipal_Telefono")->setText(QStringLiteral("6141234567"));
        txt(f, "TxtAval_Paterno")->setText(QStringLiteral("GARCÍA"));
        txt(f, "TxtAval_Nombre")->setText(QStringLiteral("ROSA"));
        f.TxtAval_Nombre_LostFocus();
        txt(f, "TxtAval_Domicilio")->setText(QStringLiteral("Calle Ñandú 5"));
        cmb(f, "CmbMunicipios")
            ->setCurrentIndex(cmb(f, "CmbMunicipios")->findText(QStringLiteral("DELICIAS")));
    }
};

TEST_F(SqlServer, ArrancaConTarjetaNuevaYConTarjetaGuardada) {
    for (const bool guardada : {false, true}) {
        preparar();
        auto f =
            apoyo::abrirTarjeta(guardada ? QStringLiteral("1234-25") : QStringLiteral("1235-25"));
        const QJsonArray registro = servidor.registro();
        ASSERT_FALSE(registro.isEmpty());
        for (const QJsonValue& e : registro) {
            EXPECT_NE(e[QStringLiteral("tipo")], QStringLiteral("atencion"))
                << "a result was abandoned: " << QJsonDocument(e.toObject()).toJson().toStdString();
            if (e[QStringLiteral("tipo")] == QStringLiteral("login")) {
                EXPECT_EQ(e[QStringLiteral("usuario")], QStringLiteral("tarjeta"));
                EXPECT_EQ(e[QStringLiteral("clave")], QStringLiteral("s3cr3t0"));
                EXPECT_EQ(e[QStringLiteral("base")], QStringLiteral("erp_nax"));
            }
        }
        // Pre-login, login and one request with every reading in order.
        QStringList mensajes;
        for (const QJsonValue& e : registro) mensajes << e[QStringLiteral("tipo")].toString();
        EXPECT_EQ(mensajes, (QStringList{QStringLiteral("prelogin"), QStringLiteral("login"),
                                         QStringLiteral("rpc")}));
        const QJsonArray p = peticiones();
        ASSERT_EQ(p.size(), 1);
        EXPECT_TRUE(enOrden(p[0][QStringLiteral("texto")].toString(),
                            {"SET NOCOUNT ON;", "FROM erp_nax.dbo.Sucursales WHERE sucursal = @P1",
                             "SELECT @estado AS estado;", "FROM personal WHERE persona=@P2",
                             "erp_nax.dbo.nombre_cliente(cliente)", "FROM ciudades c",
                             "AND estado = @estado", "select * from zelt.dbo.tarjeta_telefonica_",
                             "IF EXISTS", "EXEC Zelt.dbo.CONSULTA_DOMICILIO_CLIENTE",
                             "EXEC Zelt.dbo.CONSULTA_CONTACTO_CLIENTE", "END;"}));
        EXPECT_EQ(valores(p[0]).mid(0, 2),
                  (QVariantList{QStringLiteral("     12"), QStringLiteral("     25")}));
        EXPECT_EQ(apoyo::sesion().estado, 8);
        EXPECT_GT(cmb(*f, "CmbMunicipios")->count(), 10);
        EXPECT_TRUE(f->windowTitle().endsWith(guardada
                                                  ? QStringLiteral("MARÍA GUADALUPE HERNÁNDEZ SOTO")
                                                  : QStringLiteral("JOSÉ LUIS MARTÍNEZ GARZA")));
        if (!guardada) {
            EXPECT_TRUE(f->TarjetaNueva);
            EXPECT_EQ(txt(*f, "TxtDueno")->text(), QString());
            continue;
        }
        EXPECT_FALSE(f->TarjetaNueva);
        EXPECT_EQ(cmd(*f, "CmdGuardar")->text(), QStringLiteral("&Cambiar"));
        EXPECT_EQ(txt(*f, "TxtPrincipal_Telefono")->text(), QStringLiteral("6144102233"));
        EXPECT_EQ(txt(*f, "TxtPrincipal_Celular")->text(), QStringLiteral("0446141234567"));
        EXPECT_EQ(txt(*f, "txtRef1_Nombre")->text(), QStringLiteral("Patricia Soto Leal"));
        EXPECT_TRUE(chk(*f, "ChkMismo")->isChecked());
        EXPECT_FALSE(chk(*f, "ChkAval")->isChecked());
        EXPECT_EQ(txt(*f, "TxtAval_Domicilio")->text(), QStringLiteral("Av. Tecnológico 2310"));
        EXPECT_EQ(txt(*f, "TxtAval_Colonia")->text(), QStringLiteral("Santo Niño"));
        EXPECT_EQ(cmb(*f, "CmbMunicipios")->currentText(), QStringLiteral("CHIHUAHUA"));
        EXPECT_EQ(txt(*f, "TxtAval_Paterno")->text(), QStringLiteral("GARCÍA"));
        EXPECT_EQ(txt(*f, "TxtAval_Nombre")->text(), QStringLiteral("ROSA ELENA"));
    }
}

TEST_F(SqlServer, UnaTarjetaNuevaViajaEnUnaTransaccionConSusValoresExactos) {
    preparar();
    auto f = apoyo::abrirTarjeta(QStringLiteral("1235-25"));
    llenarNueva(*f);
    const qsizetype desde = marca();
    cmd(*f, "CmdGuardar")->click();
    EXPECT_EQ(escena().value(1),
              QStringLiteral("info: Tarjeta Generada Correctamente! | Alta de Tarjeta Telefónica"));
    // One request: the insert, the address and the name, then the commit.
    const QJsonArray p = peticiones(desde);
    const QStringList r = ServidorTds::resumen(p);
    ASSERT_EQ(r.size(), 1) << r.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(
        enOrden(p[0][QStringLiteral("texto")].toString(),
                {"SET XACT_ABORT ON;", "BEGIN TRANSACTION;",
                 "INSERT INTO zelt.dbo.tarjeta_telefonica_cliente",
                 "WHERE NOT EXISTS (SELECT 1 FROM zelt.dbo.tarjeta_telefonica_cliente WITH "
                 "(UPDLOCK, HOLDLOCK) WHERE cliente = 1235)",
                 "IF @@ROWCOUNT = 0", "ROLLBACK TRANSACTION;", "RETURN;",
                 "EXEC Zelt.dbo.GUARDA_DOMICILIO_CLIENTE", "EXEC Zelt.dbo.GUARDA_CONTACTO_CLIENTE",
                 "COMMIT TRANSACTION;", "SELECT 'guardada' AS desenlace"}));

    // Every text of the insert goes as Unicode, exactly as typed.
    QStringList tiposInsert;
    const QVariantList insert = valoresDe(p[0], kInsertTarjeta, &tiposInsert);
    EXPECT_EQ(tiposInsert, QStringList(insert.size(), QStringLiteral("nvarchar")));
    EXPECT_EQ(insert.value(0), QStringLiteral("Łukasz O'Brien 😀"));
    EXPECT_EQ(insert.value(1), QStringLiteral("6141234567"));
    EXPECT_TRUE(insert.contains(QStringLiteral("     25")));  // usuario_genera, 7 characters
    EXPECT_TRUE(insert.contains(QStringLiteral("GARCÍA ROSA")));

    QStringList tiposDomicilio;
    const QVariantList domicilio =
        valoresDe(p[0], QStringLiteral("EXEC Zelt.dbo.GUARDA_DOMICILIO_CLIENTE"), &tiposDomicilio);
    ASSERT_EQ(domicilio.size(), 9);
    EXPECT_EQ(domicilio[0], QStringLiteral("     12"));
    EXPECT_EQ(domicilio[1].toInt(), 1235);
    EXPECT_EQ(domicilio[2], QStringLiteral("Aval"));
    EXPECT_EQ(domicilio[3], QStringLiteral("Calle Ñandú 5"));
    EXPECT_EQ(domicilio[7], QStringLiteral("DELICIAS"));
    EXPECT_EQ(
        tiposDomicilio.mid(0, 5),
        (QStringList{QStringLiteral("nvarchar"), QStringLiteral("int"), QStringLiteral("nvarchar"),
                     QStringLiteral("nvarchar"), QStringLiteral("int")}));
    const QVariantList contacto =
        valoresDe(p[0], QStringLiteral("EXEC Zelt.dbo.GUARDA_CONTACTO_CLIENTE"));
    ASSERT_EQ(contacto.size(), 8);
    EXPECT_EQ(contacto[3], QStringLiteral("ROSA"));
    EXPECT_EQ(contacto[4], QStringLiteral("GARCÍA"));
    EXPECT_TRUE(contacto[6].toString().startsWith(QStringLiteral("1900-01-01T00:00:00")))
        << contacto[6].toString().toStdString();
}

TEST_F(SqlServer, UnCambioConfirmadoEsUnaActualizacionYSusProcedimientos) {
    preparar();
    auto f = apoyo::abrirTarjeta(QStringLiteral("1234-25"));
    txt(*f, "TxtRef1_Telefono")->setText(QStringLiteral("6149998877"));
    const qsizetype desde = marca();
    plataforma::Escena::responder(true);
    cmd(*f, "CmdGuardar")->click();
    EXPECT_TRUE(escena().contains(
        QStringLiteral("info: Tarjeta Modificada Correctamente! | Cambio a Tarjeta Telefónica")))
        << escena().join(QLatin1Char('\n')).toStdString();
    const QJsonArray p = peticiones(desde);
    const QStringList r = ServidorTds::resumen(p);
    ASSERT_EQ(r.size(), 1) << r.join(QLatin1Char('\n')).toStdString();
    // The change only over the version read; the date the server gave read
    // back before the commit.
    EXPECT_TRUE(enOrden(p[0][QStringLiteral("texto")].toString(),
                        {"SET XACT_ABORT ON;", "BEGIN TRANSACTION;",
                         "UPDATE zelt.dbo.tarjeta_telefonica_cliente SET ",
                         "WHERE cliente = 1234 AND fecha_cambia IS NULL AND ", "IF @@ROWCOUNT = 0",
                         "ROLLBACK TRANSACTION;", "SELECT 'conflicto' AS desenlace;", "RETURN;",
                         "EXEC Zelt.dbo.Cambia_Estado_Domicilio_Cliente",
                         "SELECT 'guardada' AS desenlace, (SELECT fecha_cambia FROM "
                         "zelt.dbo.tarjeta_telefonica_cliente WHERE cliente = 1234)",
                         "COMMIT TRANSACTION;"}));
    EXPECT_TRUE(valoresDe(p[0], QStringLiteral("UPDATE ")).contains(QStringLiteral("6149998877")));
    EXPECT_EQ(valoresDe(p[0], QStringLiteral("EXEC Zelt.dbo.Cambia_Estado_Domicilio_Cliente")),
              (QVariantList{1234, QStringLiteral("Aval"), false}));
}

// What the user did not change goes back as the server sent it: an over-long
// phone, the stored guarantor name (with no call to the contact procedure),
// and the address, its city found by its name in lower case (the stored number
// is not in the list).
TEST_F(SqlServer, UnCambioDevuelveLoGuardadoTalCual) {
    const QString clave =
        QStringLiteral("select * from zelt.dbo.tarjeta_telefonica_cliente WHERE cliente= 1234");
    QJsonObject tarjeta = resultadoDemo(clave);
    QJsonArray fila = tarjeta[QStringLiteral("filas")][0].toArray();
    fila[3] = QStringLiteral("614-410-2233");  // a column wider than the box, on this server
    QJsonArray columnas = tarjeta[QStringLiteral("columnas")].toArray();
    columnas[3] = QJsonArray{QStringLiteral("Principal_Telefono"), QStringLiteral("nvarchar(20)")};
    tarjeta[QStringLiteral("columnas")] = columnas;
    fila[30] = QStringLiteral("GARCIA M. ROSA");
    tarjeta[QStringLiteral("filas")] = QJsonArray{fila};
    const QString procDomicilio = QStringLiteral("Zelt.dbo.CONSULTA_DOMICILIO_CLIENTE");
    QJsonObject domicilio = resultadoDemo(procDomicilio);
    domicilio[QStringLiteral("filas")] =
        QJsonArray{QJsonArray{QStringLiteral("Calle 5"), 9999, QStringLiteral("Centro"),
                              QStringLiteral("33000"), QStringLiteral("delicias")}};
    preparar({{QStringLiteral("resultados"),
               QJsonObject{{clave, tarjeta}, {procDomicilio, domicilio}}}});
    auto f = apoyo::abrirTarjeta(QStringLiteral("1234-25"));
    txt(*f, "TxtRef1_Telefono")->setText(QStringLiteral("6149998877"));
    const qsizetype desde = marca();
    plataforma::Escena::responder(true);
    cmd(*f, "CmdGuardar")->click();
    const QJsonArray p = peticiones(desde);
    const QStringList r = ServidorTds::resumen(p);
    ASSERT_EQ(r.size(), 1) << r.join(QLatin1Char('\n')).toStdString();
    EXPECT_FALSE(p[0][QStringLiteral("texto")].toString().contains(
        QStringLiteral("GUARDA_CONTACTO_CLIENTE")));
    const QVariantList cambio = valoresDe(p[0], QStringLiteral("UPDATE "));
    EXPECT_TRUE(cambio.contains(QStringLiteral("614-410-2233")));
    EXPECT_TRUE(cambio.contains(QStringLiteral("GARCIA M. ROSA")));
    const QVariantList dom =
        valoresDe(p[0], QStringLiteral("EXEC Zelt.dbo.GUARDA_DOMICILIO_CLIENTE"));
    EXPECT_EQ(dom.value(4).toInt(), 3705);
    EXPECT_EQ(dom.value(7).toString().trimmed(), QStringLiteral("delicias"));
}

TEST_F(SqlServer, LosContactosExtrasSeLeenYSeGuardanEnUnaPeticion) {
    preparar();
    auto f = apoyo::abrirTarjeta(QStringLiteral("1234-25"));
    FrmExtras extras(apoyo::sesion());
    QString error;
    ASSERT_TRUE(extras.Form_Load(&error)) << error.toStdString();
    EXPECT_EQ(control<plataforma::Rejilla>(extras, "iExtras")->valor(1, 1),
              QStringLiteral("Carmen Hernández"));
    EXPECT_EQ(control<plataforma::Rejilla>(extras, "iExtras")->valor(3, 3),
              QStringLiteral("0446143332211"));
    EXPECT_EQ(control<plataforma::Rejilla>(extras, "iExtras")->valor(5, 1), QString());
    for (int r = 5; r <= 25; ++r) {
        if (r > control<plataforma::Rejilla>(extras, "iExtras")->filas())
            control<plataforma::Rejilla>(extras, "iExtras")->agregarFila();
        control<plataforma::Rejilla>(extras, "iExtras")
            ->ponerValor(r, 1, QStringLiteral("Contacto %1 ✓").arg(r));
        control<plataforma::Rejilla>(extras, "iExtras")
            ->ponerValor(r, 3, QStringLiteral("6140000%1").arg(r, 3, 10, QLatin1Char('0')));
        control<plataforma::Rejilla>(extras, "iExtras")->ponerValor(r, 4, QStringLiteral("Casa"));
    }
    const qsizetype desde = marca();
    plataforma::Escena::responder(true);
    extras.CmdGuardar_Click();
    EXPECT_TRUE(escena().contains(
        QStringLiteral("info: Contactos Guardados Correctamente! | Guardar Contactos")));
    const QJsonArray p = peticiones(desde);
    const QStringList r = ServidorTds::resumen(p);
    ASSERT_EQ(r.size(), 1) << r.join(QLatin1Char('\n')).toStdString();
    // The stored list, locked and compared with the one read, replaced in the
    // same request.
    EXPECT_TRUE(enOrden(p[0][QStringLiteral("texto")].toString(),
                        {"SET XACT_ABORT ON;", "DECLARE @filas xml = @P1;", "BEGIN TRANSACTION;",
                         "contactos_extras WITH (UPDLOCK, HOLDLOCK) WHERE cliente = 1234", "<> @P2",
                         "ROLLBACK TRANSACTION;", "SELECT 'conflicto' AS desenlace;", "RETURN;",
                         "DELETE FROM zelt.dbo.contactos_extras WHERE Cliente=1234;",
                         "INSERT INTO zelt.dbo.contactos_extras", "FROM @filas.nodes('/f')",
                         "COMMIT TRANSACTION;", "SELECT 'guardada' AS desenlace;"}));
    const QVariantList v = valores(p[0]);
    ASSERT_EQ(v.size(), 2);
    const QList<QStringList> filas = filasDeXml(v[0].toString());
    ASSERT_EQ(filas.size(), 25);
    EXPECT_EQ(filas[0], (QStringList{QStringLiteral("Carmen Hernández"), QStringLiteral("Cliente"),
                                     QStringLiteral("6144001122"), QStringLiteral("Casa"),
                                     QStringLiteral("Madre de la cliente")}));
    EXPECT_EQ(filas[24].value(0), QStringLiteral("Contacto 25 ✓"));
    EXPECT_EQ(v[1].toString(), Contactos::HuellaDeFilas(filas.mid(0, 4)));
}

// A fault in a save, of a new card or of a change: nothing is reported as
// saved, the window keeps what was typed, and the next press stores it. A
// server error rolls back (and makes sure no transaction stays open); a link
// cut with the request sent leaves it unknown whether the server stored it,
// which the window says, and the next press connects again and reads the
// card before storing it.
TEST_F(SqlServer, UnFalloAMitadDeGuardarSeRecupera) {
    const QString lote = QStringLiteral(
        "re:BEGIN TRANSACTION;\\s*(INSERT INTO|UPDATE) zelt\\.dbo\\.tarjeta_telefonica_cliente");
    struct Caso {
        const char* nombre;
        QJsonObject pista;
        const char* aviso;  // how the message starts, after "error: "
        QString mensaje;
        bool reconecta;
    };
    const Caso casos[] = {
        {"error del servidor",
         {{QStringLiteral("fallos"),
           QJsonObject{{lote, QJsonObject{{QStringLiteral("numero"), 50000},
                                          {QStringLiteral("mensaje"),
                                           QStringLiteral("Domicilio rechazado")},
                                          {QStringLiteral("veces"), 1}}}}}},
         "No se pudo",
         QStringLiteral("Domicilio rechazado"),
         false},
        {"conexión cortada",
         {{QStringLiteral("cortar_con"), lote}},
         "No se sabe si se guardó la tarjeta",
         QStringLiteral("Se perdió la conexión con la base de datos"),
         true},
    };
    // The first message box of a kind that the last press showed.
    auto mensaje = [](const QString& inicio) {
        for (const QString& s : escena())
            if (s.startsWith(inicio)) return s;
        return QString();
    };
    for (const bool cambio : {false, true}) {
        for (const Caso& c : casos) {
            const std::string nombre =
                std::string(c.nombre) + (cambio ? ", cambio" : ", tarjeta nueva");
            preparar();
            auto f =
                apoyo::abrirTarjeta(cambio ? QStringLiteral("1234-25") : QStringLiteral("1235-25"));
            QLineEdit* caja = cambio ? txt(*f, "TxtRef1_Telefono") : txt(*f, "TxtDueno");
            if (cambio)
                caja->setText(QStringLiteral("6149998877"));
            else
                llenarNueva(*f);
            const QString escrito = caja->text();
            servidor.ajustar(c.pista);
            const qsizetype desde = marca();
            plataforma::Escena::responder(true);
            cmd(*f, "CmdGuardar")->click();
            const QString error = mensaje(QStringLiteral("error: ") + QString::fromUtf8(c.aviso));
            EXPECT_TRUE(error.contains(c.mensaje)) << nombre << ": " << error.toStdString();
            EXPECT_TRUE(mensaje(QStringLiteral("info:")).isEmpty()) << nombre;
            EXPECT_EQ(f->TarjetaNueva, !cambio) << nombre;
            EXPECT_EQ(caja->text(), escrito) << nombre;
            QJsonArray p = peticiones(desde);
            const QStringList r = ServidorTds::resumen(p);
            EXPECT_EQ(r.count(kRollback), c.reconecta ? 0 : 1) << nombre;
            if (!c.reconecta) {
                EXPECT_EQ(r.last(), kRollback) << nombre;
            }
            const int sesion = p.last()[QStringLiteral("sesion")].toInt();

            plataforma::Escena::limpiar();
            const qsizetype otra = marca();
            plataforma::Escena::responder(true);
            cmd(*f, "CmdGuardar")->click();
            EXPECT_EQ(mensaje(QStringLiteral("info:")),
                      cambio ? QStringLiteral("info: Tarjeta Modificada Correctamente! | Cambio a "
                                              "Tarjeta Telefónica")
                             : QStringLiteral("info: Tarjeta Generada Correctamente! | Alta de "
                                              "Tarjeta Telefónica"))
                << nombre;
            p = peticiones(otra);
            ASSERT_FALSE(p.isEmpty());
            EXPECT_EQ(p.last()[QStringLiteral("sesion")].toInt() != sesion, c.reconecta) << nombre;
            // The card read first when the outcome was unknown, then the save.
            EXPECT_EQ(p.size(), c.reconecta ? 2 : 1) << nombre;
            EXPECT_TRUE(p.last()[QStringLiteral("texto")].toString().contains(
                QStringLiteral("COMMIT TRANSACTION;")))
                << nombre;
        }
    }
}

// The same for the extra contacts: a failed save rolls back, and the next
// press stores the list.
TEST_F(SqlServer, UnFalloAlGuardarContactosExtrasSeRecupera) {
    preparar({{QStringLiteral("fallos"),
               QJsonObject{{kLoteContactos,
                            QJsonObject{{QStringLiteral("numero"), 547},
                                        {QStringLiteral("mensaje"), QStringLiteral("Rechazado")},
                                        {QStringLiteral("veces"), 1}}}}}});
    auto f = apoyo::abrirTarjeta(QStringLiteral("1234-25"));
    FrmExtras extras(apoyo::sesion());
    QString error;
    ASSERT_TRUE(extras.Form_Load(&error)) << error.toStdString();
    control<plataforma::Rejilla>(extras, "iExtras")->ponerValor(2, 5, QStringLiteral("Nota nueva"));
    for (const bool primera : {true, false}) {
        plataforma::Escena::limpiar();
        const qsizetype desde = marca();
        plataforma::Escena::responder(true);
        extras.CmdGuardar_Click();
        const QStringList r = ServidorTds::resumen(peticiones(desde));
        if (primera) {
            EXPECT_TRUE(escena().join(QLatin1Char('\n')).contains(QStringLiteral("Rechazado")));
            EXPECT_EQ(r, (QStringList{r.value(0), kRollback}));
        } else {
            EXPECT_TRUE(escena().contains(
                QStringLiteral("info: Contactos Guardados Correctamente! | Guardar Contactos")));
            ASSERT_EQ(r.size(), 1);
            EXPECT_TRUE(r[0].contains(QStringLiteral("COMMIT TRANSACTION;")));
        }
        EXPECT_EQ(control<plataforma::Rejilla>(extras, "iExtras")->valor(2, 5),
                  QStringLiteral("Nota nueva"));
    }
}

// A column that holds only the server's code page refuses a character outside
// it before anything is sent.
TEST_F(SqlServer, UnTextoQueLaColumnaNoPuedeGuardarSeRechazaSinEnviarNada) {
    prepararConVarchar(
        QStringLiteral("select * from zelt.dbo.tarjeta_telefonica_cliente WHERE cliente= 1235"), 1,
        QStringLiteral("varchar(100)"));
    auto f = apoyo::abrirTarjeta(QStringLiteral("1235-25"));
    llenarNueva(*f);
    const qsizetype desde = marca();
    cmd(*f, "CmdGuardar")->click();
    ASSERT_EQ(escena().size(), 3);
    EXPECT_EQ(escena()[1], QStringLiteral("error: «Dueño» (Principal) tiene caracteres que la base "
                                          "de datos no puede guardar: Ł😀. Cámbielos y vuelva a "
                                          "guardar; no se guardó nada. | Error de Captura"));
    EXPECT_TRUE(peticiones(desde).isEmpty());
    EXPECT_TRUE(txt(*f, "TxtDueno")->hasFocus());
}

TEST_F(SqlServer, UnTextoQueLaColumnaDeContactosNoPuedeGuardarSeRechazaSinEnviarNada) {
    prepararConVarchar(
        QStringLiteral("SELECT * FROM zelt.dbo.contactos_extras WHERE cliente = 1234"), 6,
        QStringLiteral("varchar(250)"));
    auto f = apoyo::abrirTarjeta(QStringLiteral("1234-25"));
    FrmExtras extras(apoyo::sesion());
    QString error;
    ASSERT_TRUE(extras.Form_Load(&error)) << error.toStdString();
    control<plataforma::Rejilla>(extras, "iExtras")
        ->ponerValor(2, 5, QStringLiteral("Llamar a Łucja"));
    const qsizetype desde = marca();
    plataforma::Escena::responder(true);
    extras.CmdGuardar_Click();
    EXPECT_TRUE(escena().contains(
        QStringLiteral("error: «Nota» de la fila 2 tiene caracteres que la base de datos no puede "
                       "guardar: Ł. Cámbielos y vuelva a guardar; no se guardó nada. | Error de "
                       "Captura")))
        << escena().join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(peticiones(desde).isEmpty());
}

// The shared-phones report reads SQL Server with one statement, its rows
// taken as they arrive, and reports exactly what it does on the embedded
// databases holding the same cards and contacts.
TEST_F(SqlServer, ElInformeDeTelefonosCompartidosEsUnaSolaSentencia) {
    namespace T = TelefonosCompartidos;
    apoyo::Entorno embebida(apoyo::Opciones::vacia());
    apoyo::telefonos::guardar(embebida);
    plataforma::Conexion local, remota;
    T::Informe esperado, informe;
    QString error;
    ASSERT_TRUE(Arranque::Conectar(embebida.carpeta(), &local, &error)) << error.toStdString();
    ASSERT_TRUE(T::Generar(local, 2, &esperado, &error)) << error.toStdString();
    ASSERT_EQ(esperado.compartidos.size(), 3);

    preparar({{QStringLiteral("resultados"),
               QJsonObject{{T::Sentencia(), apoyo::telefonos::resultado()}}}});
    ASSERT_TRUE(Arranque::Conectar(entorno->carpeta(), &remota, &error)) << error.toStdString();
    const qsizetype desde = marca();
    ASSERT_TRUE(T::Generar(remota, 2, &informe, &error)) << error.toStdString();
    EXPECT_EQ(ServidorTds::resumen(peticiones(desde)),
              QStringList{QStringLiteral("batch ") + T::Sentencia()});
    EXPECT_EQ(T::Tabla(informe), T::Tabla(esperado));
    EXPECT_EQ(T::Csv(informe), T::Csv(esperado));
    EXPECT_EQ(T::Resumen(informe), T::Resumen(esperado));
}

// A refused login and a server that never answers the login end the program
// with a message within seconds.
// Requests may wait 2 s here instead of 30; the server goes silent on cue.
struct EsperaCorta {
    EsperaCorta() { plataforma::fijarEsperaSentencia(2); }
    ~EsperaCorta() { plataforma::fijarEsperaSentencia(30); }
};

TEST_F(SqlServer, UnInicioDeSesionRechazadoOSinRespuestaTerminaPronto) {
    EsperaCorta espera;
    for (const QJsonObject& pista :
         {QJsonObject{{QStringLiteral("clave"), QStringLiteral("otra")}},
          QJsonObject{{QStringLiteral("colgar_login"), true}},
          QJsonObject{{QStringLiteral("callar_con"), QStringLiteral("re:Sucursales")}}}) {
        preparar(pista);
        QElapsedTimer reloj;
        reloj.start();
        EXPECT_EQ(Ejecutar(QStringLiteral("1234-25")), 1);
        EXPECT_LT(reloj.elapsed(), 10000);
        const QStringList s = escena();
        ASSERT_EQ(s.size(), 1);
        EXPECT_TRUE(s[0].startsWith(QStringLiteral("error: No se pudo"))) << s[0].toStdString();
        EXPECT_FALSE(s[0].contains(QStringLiteral("s3cr3t0")));
    }
}

// Text as UTF-16LE, as the driver sends SQL text and NVARCHAR values.
QByteArray utf16(const QString& t) {
    return QByteArray(reinterpret_cast<const char*>(t.utf16()), t.size() * 2);
}

// The session is encrypted from the pre-login on: what crossed the wire while
// a card was opened and a change saved holds neither the password nor a
// typed phone or name, in any form the driver writes them.
TEST_F(SqlServer, NadaCruzaLaRedEnClaro) {
    QTemporaryDir d;
    const QString captura = d.filePath(QStringLiteral("captura.bin"));
    preparar({{QStringLiteral("captura"), captura}});
    const qsizetype desde = marca();
    auto f = apoyo::abrirTarjeta(QStringLiteral("1234-25"));
    txt(*f, "TxtRef1_Telefono")->setText(QStringLiteral("6149998877"));
    txt(*f, "TxtDueno")->setText(QStringLiteral("ZACARÍAS PÉREZ"));
    plataforma::Escena::responder(true);
    cmd(*f, "CmdGuardar")->click();
    ASSERT_TRUE(escena()
                    .join(QLatin1Char('\n'))
                    .contains(QStringLiteral("Tarjeta Modificada Correctamente!")));
    QFile c(captura);
    ASSERT_TRUE(c.open(QIODevice::ReadOnly));
    const QByteArray crudo = c.readAll();
    ASSERT_GT(crudo.size(), 2000);
    QByteArray clave;  // the login's form: UTF-16LE, nibbles swapped, XOR 0xA5
    for (char b : utf16(QStringLiteral("s3cr3t0")))
        clave += char((((uchar(b) & 0x0F) << 4) | (uchar(b) >> 4)) ^ 0xA5);
    EXPECT_FALSE(crudo.contains(clave));
    for (const QString& t : {QStringLiteral("6149998877"), QStringLiteral("ZACARÍAS PÉREZ"),
                             QStringLiteral("tarjeta_telefonica_cliente")})
        for (const QByteArray& b : {t.toUtf8(), t.toLatin1(), utf16(t)})
            EXPECT_FALSE(crudo.contains(b)) << t.toStdString();
    const QJsonArray registro = servidor.registro();
    for (qsizetype i = desde; i < registro.size(); ++i) {
        if (registro[i][QStringLiteral("tipo")] == QStringLiteral("login")) {
            EXPECT_EQ(registro[i][QStringLiteral("cifrado")], QStringLiteral("tls"));
        }
    }
}

// A server that offers no encryption, or whose certificate this desk does not
// trust, gets no login: the message names the server and what to do. A lab
// server the administrator declared unencrypted, by its name, is reached in
// clear text.
TEST_F(SqlServer, SinCifradoNoSeEnviaLaContrasena) {
    const struct {
        bool sinCifrado;          // the server answers "not supported"
        const char* ajuste;       // the settings file's line; %1 is the server
        const char* mensaje;      // nullptr: the card opens
        const char* herramienta;  // what tarjeta-admin's reports say
    } casos[] = {
        {true, "", "El servidor %1 no ofrece cifrado, así que no se le envió la contraseña",
         "the server %1 offers no encryption"},
        {false, "certificate = " TARJETA_TLS_PRUEBA "/otra-ca.pem",
         "El certificado del servidor %1 no es de confianza para este equipo o no lleva ese "
         "nombre (se revisó contra ",
         "the certificate of %1 is not trusted here"},
        {true, "unencrypted server = %1", nullptr, nullptr},
    };
    for (const auto& c : casos) {
        preparar({{QStringLiteral("sin_cifrado"), c.sinCifrado}});
        QFile ajustes(entorno->carpeta() + QLatin1Char('/') +
                      QLatin1String(Global::kArchivoProteccion));
        ASSERT_TRUE(ajustes.open(QIODevice::WriteOnly));
        ajustes.write(QString::fromUtf8(c.ajuste).arg(servidor.direccion()).toUtf8());
        ajustes.close();
        const qsizetype desde = marca();
        Global::Sesion s;
        QString error;
        EXPECT_EQ(Arrancar(QStringLiteral("1234-25"), &s, &error), c.mensaje == nullptr)
            << error.toStdString();
        QJsonValue login;
        const QJsonArray registro = servidor.registro();
        for (qsizetype i = desde; i < registro.size(); ++i)
            if (registro[i][QStringLiteral("tipo")] == QStringLiteral("login")) login = registro[i];
        if (c.mensaje) {
            EXPECT_TRUE(error.startsWith(QString::fromUtf8(c.mensaje).arg(servidor.direccion())))
                << error.toStdString();
            EXPECT_TRUE(login.isNull()) << "a LOGIN7 reached the server";
            plataforma::Conexion informe;
            EXPECT_FALSE(Arranque::Conectar(entorno->carpeta(), &informe, &error));
            EXPECT_TRUE(
                error.startsWith(QString::fromUtf8(c.herramienta).arg(servidor.direccion())))
                << error.toStdString();
        } else {
            EXPECT_TRUE(login[QStringLiteral("cifrado")].isNull()) << c.ajuste;
        }
        s.conexion.cerrar();
    }
}

// A save the server never answers (a lock held elsewhere) is given up on
// within the limit (2 s here) plus 2 s, with a message that says the outcome
// is unknown; the window keeps what was typed and the next press connects
// again and, once it has read the card, stores it.
TEST_F(SqlServer, UnGuardadoSinRespuestaSeRecupera) {
    EsperaCorta espera;
    preparar();
    auto f = apoyo::abrirTarjeta(QStringLiteral("1234-25"));
    txt(*f, "TxtRef1_Telefono")->setText(QStringLiteral("6149998877"));
    servidor.ajustar({{QStringLiteral("callar_con"), kLoteCambio}});
    const auto logins = [this] {
        int n = 0;
        for (const QJsonValue& e : servidor.registro())
            n += e[QStringLiteral("tipo")] == QStringLiteral("login");
        return n;
    };
    int antes = 0;
    QStringList vistos;
    for (const char* esperado : {"error: No se sabe si se guardó la tarjeta: se envió a la base "
                                 "de datos y no llegó su respuesta",
                                 "info: Tarjeta Modificada Correctamente!"}) {
        plataforma::Escena::limpiar();
        plataforma::Escena::responder(true);
        antes = logins();
        QElapsedTimer reloj;
        reloj.start();
        cmd(*f, "CmdGuardar")->click();
        EXPECT_LT(reloj.elapsed(), 2000 + 2000);
        EXPECT_TRUE(escena().value(2).startsWith(QString::fromUtf8(esperado)))
            << escena().join(QLatin1Char('\n')).toStdString();
        EXPECT_EQ(txt(*f, "TxtRef1_Telefono")->text(), QStringLiteral("6149998877"));
        vistos << escena().value(2);
    }
    EXPECT_TRUE(vistos[0].contains(QStringLiteral("no respondió a tiempo")))
        << vistos[0].toStdString();
    EXPECT_EQ(logins(), antes + 1);  // the second press connected again
}

// Every login and password the start-up table can hold reaches the server
// exactly, braces and separators included; one the driver cannot pass on
// ("};") is refused by the tool that writes the table and by the program.
TEST_F(SqlServer, UsuarioYContrasenaLleganTalCual) {
    const struct {
        const char* usuario;
        const char* clave;
    } casos[] = {
        {"tarjeta", "a}b"}, {"us}er", "{ab}"}, {"{x}", "a;}b"}, {"u;v", "}"}, {"tarjeta", "a};b"}};
    for (const auto& c : casos) {
        preparar();
        const QString usuario = QLatin1String(c.usuario), clave = QLatin1String(c.clave);
        apoyo::escribirArranque(entorno->carpeta(), {{clave, QStringLiteral("     12"),
                                                      servidor.direccion(), usuario}});
        QString error;
        const bool admitida = !clave.contains(QLatin1String("};"));
        Global::Sesion sesion;
        EXPECT_EQ(Global::AbrirSesion(&sesion, &error), admitida) << c.clave;
        QString escrito;
        EXPECT_EQ(Arranque::Escribir(entorno->carpeta() + QStringLiteral("/ARRANQUE.dbf"),
                                     {servidor.direccion(), usuario, QStringLiteral("12"), clave},
                                     &escrito),
                  admitida);
        if (!admitida) {
            EXPECT_TRUE(error.contains(QStringLiteral("contiene «};»"))) << error.toStdString();
            EXPECT_TRUE(escrito.contains(QStringLiteral("password holds")))
                << escrito.toStdString();
            continue;
        }
        int logins = 0;
        for (const QJsonValue& e : servidor.registro()) {
            if (e[QStringLiteral("tipo")] != QStringLiteral("login")) continue;
            ++logins;
            EXPECT_EQ(e[QStringLiteral("usuario")].toString(), usuario);
            EXPECT_EQ(e[QStringLiteral("clave")].toString(), clave);
        }
        EXPECT_EQ(logins, 1);
    }
}

}  // namespace

// Two desks on the wire: a change carries the version read back after the
// last one (the change date as text, which the server converts to its own
// datetime); when no row matches, nothing is written, the card is read again
// and the merge is saved over the version read then. A card that keeps
// changing under it ends the attempts with a message, nothing written.
TEST_F(SqlServer, UnCambioSoloSeEscribeSobreLaVersionLeida) {
    preparar();
    auto f = apoyo::abrirTarjeta(QStringLiteral("1234-25"));
    txt(*f, "TxtRef1_Telefono")->setText(QStringLiteral("6149998877"));
    plataforma::Escena::responder(true);
    cmd(*f, "CmdGuardar")->click();
    ASSERT_TRUE(escena().contains(
        QStringLiteral("info: Tarjeta Modificada Correctamente! | Cambio a Tarjeta Telefónica")));

    const QString clave =
        QStringLiteral("select * from zelt.dbo.tarjeta_telefonica_cliente WHERE cliente= 1234");
    QJsonObject tarjeta = resultadoDemo(clave);
    QJsonArray fila = tarjeta[QStringLiteral("filas")][0].toArray();
    fila[15] = QStringLiteral("6149998877");  // referencia1_telefono, as this desk saved it
    fila[fila.size() - 2] = QStringLiteral("2026-12-08 10:15:00");
    fila[fila.size() - 1] = QStringLiteral("ABCDEFG");
    tarjeta[QStringLiteral("filas")] = QJsonArray{fila};
    // The refusal carries the card as the other desk left it.
    const QJsonArray guardada{QJsonObject{{QStringLiteral("como"), clave}},
                              QJsonObject{{QStringLiteral("como"),
                                           QStringLiteral("Zelt.dbo.CONSULTA_DOMICILIO_CLIENTE")}},
                              QJsonObject{{QStringLiteral("como"),
                                           QStringLiteral("Zelt.dbo.CONSULTA_CONTACTO_CLIENTE")}}};
    servidor.ajustar(
        {{QStringLiteral("resultados"),
          QJsonObject{{clave, tarjeta},
                      {kLoteCambio, desenlace(QStringLiteral("conflicto"), guardada)}}}});
    txt(*f, "TxtRef1_Telefono")->setText(QStringLiteral("6140000000"));
    plataforma::Escena::limpiar();
    plataforma::Escena::responder(true);
    const qsizetype desde = marca();
    cmd(*f, "CmdGuardar")->click();
    const QJsonArray p = peticiones(desde);
    const QStringList r = ServidorTds::resumen(p);
    // The change, then five rounds of saving the merge over the card each
    // refusal sent back: a request each, nothing read apart, nothing left to
    // roll back.
    ASSERT_EQ(r.size(), 1 + 5) << r.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(r[0].contains(QStringLiteral("WHERE cliente = 1234 AND fecha_cambia = @P")))
        << r[0].toStdString();
    const QVariantList v = valoresDe(p[0], QStringLiteral("UPDATE "));
    ASSERT_GE(v.size(), 2);
    EXPECT_EQ(v[v.size() - 2].toString(), QStringLiteral("2026-12-08T13:20:05.000"));
    EXPECT_EQ(v[v.size() - 1].toString(), QStringLiteral("     25"));
    EXPECT_TRUE(
        enOrden(r[0], {"SELECT 'conflicto' AS desenlace;",
                       "select * from zelt.dbo.tarjeta_telefonica_cliente WHERE cliente= 1234;",
                       "EXEC Zelt.dbo.CONSULTA_CONTACTO_CLIENTE", "RETURN;"}));
    const QVariantList fusion = valoresDe(p[1], QStringLiteral("UPDATE "));
    ASSERT_GE(fusion.size(), 2);
    EXPECT_TRUE(fusion.contains(QStringLiteral("6140000000")));
    EXPECT_EQ(fusion[fusion.size() - 2].toString(), QStringLiteral("2026-12-08T10:15:00.000"));
    EXPECT_EQ(fusion[fusion.size() - 1].toString(), QStringLiteral("ABCDEFG"));
    EXPECT_FALSE(r.contains(kRollback));
    const QStringList e = escena();
    ASSERT_EQ(e.size(), 4) << e.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(e[2].startsWith(QStringLiteral(
        "error: Otros usuarios siguen guardando esta tarjeta en este momento; no se guardó nada.")))
        << e[2].toStdString();
    EXPECT_EQ(txt(*f, "TxtRef1_Telefono")->text(), QStringLiteral("6140000000"));
}

// A new card goes in only where none exists, whatever keys the server has:
// an insert that finds one stores no row, calls no procedure, rolls back, and
// the card the other desk created is read to merge with (here the refusal
// does not carry it).
TEST_F(SqlServer, UnaTarjetaNuevaSoloEntraSiNoHayOtra) {
    const QString clave =
        QStringLiteral("select * from zelt.dbo.tarjeta_telefonica_cliente WHERE cliente= 1235");
    QJsonObject otra = resultadoDemo(
        QStringLiteral("select * from zelt.dbo.tarjeta_telefonica_cliente WHERE cliente= 1234"));
    QJsonArray fila = otra[QStringLiteral("filas")][0].toArray();
    fila[0] = 1235;
    fila[fila.size() - 4] = QStringLiteral("2025-11-03 09:05:00");
    fila[fila.size() - 3] = QStringLiteral("ABCDEFG");
    otra[QStringLiteral("filas")] = QJsonArray{fila};
    preparar();
    auto f = apoyo::abrirTarjeta(QStringLiteral("1235-25"));
    txt(*f, "TxtDueno")->setText(QStringLiteral("Lo mío"));
    servidor.ajustar(
        {{QStringLiteral("resultados"),
          QJsonObject{{clave, otra}, {kLoteAlta, desenlace(QStringLiteral("conflicto"))}}}});
    const qsizetype desde = marca();
    cmd(*f, "CmdGuardar")->click();
    const QStringList r = ServidorTds::resumen(peticiones(desde));
    ASSERT_EQ(r.size(), 2) << r.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(r[0].contains(QStringLiteral(
        " WHERE NOT EXISTS (SELECT 1 FROM zelt.dbo.tarjeta_telefonica_cliente WITH (UPDLOCK, "
        "HOLDLOCK) WHERE cliente = 1235);\nIF @@ROWCOUNT = 0")))
        << r[0].toStdString();
    EXPECT_TRUE(r[1].contains(clave + QLatin1Char(';'))) << r[1].toStdString();
    const QStringList e = escena();
    ASSERT_EQ(e.size(), 3) << e.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(e[1].startsWith(
        QStringLiteral("elige: El usuario ABCDEFG dio de alta una tarjeta para este cliente el "
                       "03/11/2025 a las 09:05 mientras usted capturaba esta; no se guardó nada.")))
        << e[1].toStdString();
}

// A change is checked against the change date exactly as the server keeps
// it, read with the card and after the desk's own save: all seven digits of
// a datetime2(7).
TEST_F(SqlServer, UnCambioSeComparaConLaFechaTalComoLaGuardaElServidor) {
    const QString clave =
        QStringLiteral("select * from zelt.dbo.tarjeta_telefonica_cliente WHERE cliente= 1234");
    const QJsonArray fecha{QStringLiteral("fecha_cambia"), QStringLiteral("datetime2(7)")};
    QJsonObject tarjeta = resultadoDemo(clave);
    QJsonArray columnas = tarjeta[QStringLiteral("columnas")].toArray();
    columnas[columnas.size() - 2] = fecha;
    tarjeta[QStringLiteral("columnas")] = columnas;
    QJsonArray fila = tarjeta[QStringLiteral("filas")][0].toArray();
    fila[fila.size() - 2] = QStringLiteral("2026-12-08 13:20:05.1234567");
    fila[fila.size() - 1] = QStringLiteral("     31");
    tarjeta[QStringLiteral("filas")] = QJsonArray{fila};
    // The change date the save batch reads back before its commit.
    const QJsonObject version{
        {QStringLiteral("lote"),
         QJsonArray{QJsonObject{
             {QStringLiteral("columnas"),
              QJsonArray{QJsonArray{QStringLiteral("desenlace"), QStringLiteral("varchar(10)")},
                         QJsonValue(fecha),
                         QJsonArray{QStringLiteral("usuario_cambia"), QStringLiteral("char(7)")}}},
             {QStringLiteral("filas"),
              QJsonArray{QJsonArray{QStringLiteral("guardada"),
                                    QStringLiteral("2026-12-08 13:25:41.7654321"),
                                    QStringLiteral("     25")}}}}}}};
    preparar(
        {{QStringLiteral("resultados"), QJsonObject{{clave, tarjeta}, {kLoteCambio, version}}}});
    auto f = apoyo::abrirTarjeta(QStringLiteral("1234-25"));
    for (const char* ligada : {"2026-12-08T13:20:05.1234567", "2026-12-08T13:25:41.7654321"}) {
        txt(*f, "TxtRef1_Telefono")->setText(QLatin1String(ligada).right(4) + "614000");
        plataforma::Escena::limpiar();
        plataforma::Escena::responder(true);
        const qsizetype desde = marca();
        cmd(*f, "CmdGuardar")->click();
        EXPECT_TRUE(escena().contains(QStringLiteral(
            "info: Tarjeta Modificada Correctamente! | Cambio a Tarjeta Telefónica")))
            << escena().join(QLatin1Char('\n')).toStdString();
        const QVariantList v = valoresDe(peticiones(desde).at(0), QStringLiteral("UPDATE "));
        ASSERT_GE(v.size(), 2);
        EXPECT_EQ(v[v.size() - 2].toString(), QLatin1String(ligada));
    }
}

// A date arrives as the driver's text, every digit kept, the hour a
// daylight-saving gap of the desk skips included.
TEST_F(SqlServer, LasFechasLleganComoTextoDelControlador) {
    // The desk in Denver, whose clocks skip 02:00 to 03:00 that day; the
    // server's have no such gap.
    struct Zona {
        QByteArray antes = qgetenv("TZ");
        Zona() { qputenv("TZ", "America/Denver"), tzset(); }
        ~Zona() { antes.isNull() ? qunsetenv("TZ") : qputenv("TZ", antes), tzset(); }
    } zona;
    const QString sql =
        QStringLiteral("SELECT fecha_cambia FROM zelt.dbo.tarjeta_telefonica_cliente");
    const struct {
        const char* tipo;
        const char* valor;
        const char* texto;
    } casos[] = {
        {"datetime", "2026-03-08 02:30:00", "2026-03-08 02:30:00.000"},
        {"datetime2(7)", "2026-12-08 13:20:05.1234567", "2026-12-08 13:20:05.1234567"},
    };
    preparar();
    plataforma::FalloOdbc fallo;
    auto sesion = plataforma::SesionOdbc::conectar(
        plataforma::sistema::cadenaParaElControlador(
            Global::CadenaBaseDatos(servidor.direccion(), QStringLiteral("tarjeta"),
                                    QStringLiteral("s3cr3t0")),
            30),
        8, &fallo);
    ASSERT_TRUE(sesion) << fallo.texto.toStdString();
    for (const auto& c : casos) {
        const QJsonArray columnas{
            QJsonArray{QStringLiteral("fecha_cambia"), QLatin1String(c.tipo)}};
        servidor.ajustar(
            {{QStringLiteral("resultados"),
              QJsonObject{{sql, QJsonObject{{QStringLiteral("columnas"), columnas},
                                            {QStringLiteral("filas"),
                                             QJsonArray{QJsonArray{QLatin1String(c.valor)}}}}}}}});
        plataforma::FilasOdbc filas;
        ASSERT_TRUE(sesion->directa(sql, {}, {}, &filas, &fallo)) << fallo.texto.toStdString();
        // Text: a QDateTime would print "T" between date and time.
        EXPECT_EQ(filas.filas.value(0).value(0).toString(), QLatin1String(c.texto)) << c.tipo;
    }
}

// The stored extra contacts, as a save batch sends them back when they are no
// longer the ones read.
const QString kVerificarContactos = QStringLiteral(
    "SELECT Nombre, parentesco, telefono, Lugar, Nota FROM zelt.dbo.contactos_extras WITH "
    "(UPDLOCK, HOLDLOCK) WHERE cliente = 1234");

// The extra contacts on the wire: when the stored list is no longer the one
// read, the batch writes nothing and sends the stored rows back; what this
// window did is merged into them and saved with the next request, the other
// desk's row kept.
TEST_F(SqlServer, LosContactosCambiadosPorOtroNoSeBorran) {
    QJsonObject lista = resultadoDemo(kVerificarContactos);
    QJsonArray filas = lista[QStringLiteral("filas")].toArray();
    filas.append(QJsonArray{QStringLiteral("De otro escritorio"), QStringLiteral("Cliente"),
                            QStringLiteral("6140000000"), QStringLiteral("Casa"), QString()});
    lista[QStringLiteral("filas")] = filas;
    preparar({{QStringLiteral("una_vez"),
               QJsonObject{{kLoteContactos, desenlace(QStringLiteral("conflicto"), {lista})}}}});
    auto f = apoyo::abrirTarjeta(QStringLiteral("1234-25"));
    FrmExtras extras(apoyo::sesion());
    QString error;
    ASSERT_TRUE(extras.Form_Load(&error)) << error.toStdString();
    control<plataforma::Rejilla>(extras, "iExtras")->ponerValor(5, 1, QStringLiteral("Mío"));
    const qsizetype desde = marca();
    plataforma::Escena::responder(true);
    extras.CmdGuardar_Click();
    const QJsonArray p = peticiones(desde);
    const QStringList r = ServidorTds::resumen(p);
    ASSERT_EQ(r.size(), 2) << r.join(QLatin1Char('\n')).toStdString();
    const QList<QStringList> guardadas = filasDeXml(valores(p[1]).value(0).toString());
    ASSERT_EQ(guardadas.size(), filas.size() + 1);
    EXPECT_EQ(guardadas[filas.size() - 1].value(0), QStringLiteral("De otro escritorio"));
    EXPECT_EQ(guardadas.last().value(0), QStringLiteral("Mío"));
    // The second save is checked against the list the server sent back.
    EXPECT_EQ(valores(p[1]).value(1).toString(),
              Contactos::HuellaDeFilas(guardadas.mid(0, filas.size())));
    EXPECT_TRUE(escena().contains(QStringLiteral(
        "info: Otro usuario cambió los contactos extras de este cliente mientras usted los tenía "
        "abiertos; se guardaron los cambios de los dos. Agregó o cambió: «De otro escritorio». | "
        "Guardar Contactos")))
        << escena().join(QLatin1Char('\n')).toStdString();
}

// A server whose contact columns are CHAR(n) sends every value padded with
// blanks: the list as read is checked by a digest that drops them, as the
// server's does, and after a save the list checked is the one saved, so a
// second save from the same window stores again.
TEST_F(SqlServer, LosContactosEnColumnasCharSeGuardanOtraVez) {
    const QString cargar =
        QStringLiteral("SELECT * FROM zelt.dbo.contactos_extras WHERE cliente = 1234");
    QJsonObject r = resultadoDemo(cargar);
    QJsonArray columnas;
    for (const QJsonValue& c : r[QStringLiteral("columnas")].toArray())
        columnas << QJsonArray{
            c[0], c[1].toString().replace(QStringLiteral("nvarchar"), QStringLiteral("char"))};
    r[QStringLiteral("columnas")] = columnas;
    preparar({{QStringLiteral("resultados"), QJsonObject{{cargar, r}}}});
    auto f = apoyo::abrirTarjeta(QStringLiteral("1234-25"));
    FrmExtras extras(apoyo::sesion());
    QString error;
    ASSERT_TRUE(extras.Form_Load(&error)) << error.toStdString();
    control<plataforma::Rejilla>(extras, "iExtras")->ponerValor(5, 1, QStringLiteral("Nuevo"));
    QString huellaEsperada;
    for (int vez = 1; vez <= 2; ++vez) {
        plataforma::Escena::limpiar();
        const qsizetype desde = marca();
        plataforma::Escena::responder(true);
        extras.CmdGuardar_Click();
        EXPECT_TRUE(escena().contains(
            QStringLiteral("info: Contactos Guardados Correctamente! | Guardar Contactos")))
            << vez << escena().join(QLatin1Char('\n')).toStdString();
        const QJsonArray p = peticiones(desde);
        ASSERT_EQ(p.size(), 1) << vez;
        const QVariantList v = valores(p[0]);
        const QList<QStringList> enviadas = filasDeXml(v.value(0).toString());
        if (vez == 1) {
            // The rows as read, blanks at the end aside, as the server
            // digests them.
            QList<QStringList> conBlancos = enviadas.mid(0, enviadas.size() - 1);
            for (QStringList& fila : conBlancos)
                for (QString& t : fila) t += QStringLiteral("   ");
            EXPECT_EQ(v.value(1).toString(), Contactos::HuellaDeFilas(conBlancos));
        } else {
            EXPECT_EQ(v.value(1).toString(), huellaEsperada);
        }
        huellaEsperada = Contactos::HuellaDeFilas(enviadas);
    }
}

// A save whose commit reached the server and whose answer was lost with the
// link ends with its outcome unknown, and says so; a cut before the commit,
// or a commit the server refused, is a plain failure. The next save stores
// (connecting again after a lost link).
TEST_F(SqlServer, UnCommitSinRespuestaQuedaIncierto) {
    const QJsonObject rechazo{
        {QStringLiteral("COMMIT TRANSACTION"), QJsonObject{{QStringLiteral("veces"), 1}}}};
    const struct {
        const char* pista;
        QJsonValue valor;
        bool incierto;
        const char* mensaje;
    } casos[] = {
        {"cortar_tras", QStringLiteral("COMMIT TRANSACTION"), true,
         "Se perdió la conexión al confirmar lo guardado; no se sabe si el servidor lo guardó"},
        {"cortar_con", QStringLiteral("re:^UPDATE"), false, "Se perdió la conexión con la base"},
        {"fallos", rechazo, false, "Simulated failure"},
    };
    for (const auto& c : casos) {
        preparar();
        QString error;
        Global::Sesion sesion;
        plataforma::Conexion& bd = sesion.conexion;
        ASSERT_TRUE(Global::AbrirSesion(&sesion, &error)) << error.toStdString();
        auto guardar = [&] {
            return bd.enTransaccion(
                [&](QString* e) {
                    return bd.ejecutar(
                        QStringLiteral("UPDATE zelt.dbo.contactos_extras SET Nota = ''"), {}, e);
                },
                &error);
        };
        servidor.ajustar({{QLatin1String(c.pista), c.valor}});
        EXPECT_FALSE(guardar()) << c.pista;
        EXPECT_EQ(bd.commitIncierto(), c.incierto) << c.pista;
        EXPECT_TRUE(error.contains(QString::fromUtf8(c.mensaje))) << error.toStdString();
        EXPECT_TRUE(guardar()) << error.toStdString();
        EXPECT_FALSE(bd.commitIncierto()) << c.pista;
    }
}

// A client not on file opens no card: the one statement that reads the
// client's name returns no row for such a client, and nothing follows it.
TEST_F(SqlServer, UnClienteQueNoEstaRegistradoNoAbreTarjeta) {
    const QString nombre = QStringLiteral(
        "select erp_nax.dbo.nombre_cliente(cliente) from erp_nax.dbo.clientes where cliente = ");
    const QString tarjeta =
        QStringLiteral("select * from zelt.dbo.tarjeta_telefonica_cliente WHERE cliente= 1234");
    // The start-up batch for client 9999: no name, no card.
    const QJsonObject inicio{
        {QStringLiteral("lote"),
         QJsonArray{
             QJsonObject{{QStringLiteral("columnas"),
                          QJsonArray{QJsonArray{QStringLiteral("estado"), QStringLiteral("int")}}},
                         {QStringLiteral("filas"), QJsonArray{QJsonArray{8}}}},
             QJsonObject{
                 {QStringLiteral("como"),
                  QStringLiteral("SELECT modifica_telefonos FROM personal WHERE persona=@P1")}},
             QJsonObject{{QStringLiteral("como"), nombre + QStringLiteral("1234")},
                         {QStringLiteral("filas"), QJsonArray()}},
             QJsonObject{{QStringLiteral("como"),
                          QStringLiteral("select c.ciudad,c.nombre_ciudad FROM ciudades c WHERE "
                                         "ciudad > 3701 AND estado = 8  order by nombre_ciudad")}},
             QJsonObject{{QStringLiteral("como"), tarjeta},
                         {QStringLiteral("filas"), QJsonArray()}},
         }}};
    preparar({{QStringLiteral("resultados"),
               QJsonObject{{QStringLiteral("re:SELECT @estado AS estado[\\s\\S]*cliente = 9999;"),
                            inicio}}}});
    QTimer salir;  // a card that opens after all ends its event loop at once
    salir.callOnTimeout(QCoreApplication::instance(), &QCoreApplication::quit);
    salir.start(0);
    EXPECT_EQ(Ejecutar(QStringLiteral("9999-25")), 1);
    EXPECT_TRUE(escena().value(0).startsWith(QStringLiteral("error: El cliente 9999 no está")))
        << escena().join(QLatin1Char('\n')).toStdString();
    const QStringList r = ServidorTds::resumen(peticiones());
    ASSERT_EQ(r.size(), 1) << r.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(r[0].contains(nombre + QStringLiteral("9999;"))) << r[0].toStdString();
}

// The answer to COMMIT lost on the wire (the server committed, or not): each
// save says it is not known whether it was stored, and the next press reads
// what is stored before sending anything; stored as read, the save goes in.
TEST_F(SqlServer, UnaConfirmacionSinRespuestaNoSeDaPorPerdida) {
    const struct {
        const char* linea;
        bool extras;
        const char* lectura;  // the first request of the next press
        const char* exito;
    } casos[] = {
        {"1234-25", false, "select * from zelt.dbo.tarjeta_telefonica_cliente WHERE cliente= 1234;",
         "info: Tarjeta Modificada Correctamente! | Cambio a Tarjeta Telefónica"},
        {"1235-25", false, "select * from zelt.dbo.tarjeta_telefonica_cliente WHERE cliente= 1235;",
         "info: Tarjeta Generada Correctamente! | Alta de Tarjeta Telefónica"},
        {"1234-25", true, "SELECT * FROM zelt.dbo.contactos_extras WHERE cliente = 1234",
         "info: Contactos Guardados Correctamente! | Guardar Contactos"},
    };
    for (const auto& c : casos) {
        preparar();
        auto f = apoyo::abrirTarjeta(QLatin1String(c.linea));
        servidor.ajustar(
            {{QStringLiteral("cortar_tras"), QStringLiteral("re:COMMIT TRANSACTION;")}});
        std::unique_ptr<FrmExtras> extras;
        if (c.extras) {
            extras = std::make_unique<FrmExtras>(apoyo::sesion());
            QString error;
            ASSERT_TRUE(extras->Form_Load(&error)) << error.toStdString();
            control<plataforma::Rejilla>(*extras, "iExtras")->ponerValor(5, 1, "Nuevo");
        } else {
            txt(*f, "TxtRef1_Telefono")->setText(QStringLiteral("6149998877"));
        }
        for (const bool segunda : {false, true}) {
            plataforma::Escena::limpiar();
            plataforma::Escena::responder(true);
            const qsizetype desde = marca();
            if (extras)
                extras->CmdGuardar_Click();
            else
                f->CmdGuardar_Click();
            const QString e = escena().join(QLatin1Char('\n'));
            if (!segunda) {
                EXPECT_TRUE(e.contains(QStringLiteral("error: No se sabe si se guard")))
                    << e.toStdString();
                continue;
            }
            EXPECT_TRUE(e.contains(QString::fromUtf8(c.exito))) << e.toStdString();
            // After connecting again: the stored card or list read, then the save.
            const QStringList r = ServidorTds::resumen(peticiones(desde));
            ASSERT_EQ(r.size(), 2) << r.join(QLatin1Char('\n')).toStdString();
            EXPECT_TRUE(r[0].contains(QLatin1String(c.lectura))) << r[0].toStdString();
            EXPECT_TRUE(r[1].contains(QStringLiteral("COMMIT TRANSACTION;"))) << r[1].toStdString();
        }
    }
}

// Every T-SQL text the program sends (each batch with the declarations of its
// parameters, as the server receives it) parses with sqlfluff's T-SQL
// dialect: the TDS test server does not parse T-SQL, so nothing else would
// catch a syntax error before a real server does. The flows cover each batch
// and each of its variants: the opening of a new and of a stored card, a new
// card with the guarantor's address and name, a change without and with
// them, a change that meets another desk's (the card read again, the merge
// saved), the extra contacts read and saved.
TEST_F(SqlServer, TodoElTSqlQueSeEnviaEsValido) {
    preparar({{QStringLiteral("una_vez"),
               QJsonObject{{kLoteCambio, desenlace(QStringLiteral("conflicto"))}}}});
    {
        auto f = apoyo::abrirTarjeta(QStringLiteral("1235-25"));
        llenarNueva(*f);
        f->CmdGuardar_Click();
    }
    auto f = apoyo::abrirTarjeta(QStringLiteral("1234-25"));
    for (const char* telefono : {"6149998877", "6149998866"}) {
        txt(*f, "TxtRef1_Telefono")->setText(QLatin1String(telefono));
        plataforma::Escena::responder(true);
        f->CmdGuardar_Click();
    }
    txt(*f, "TxtAval_Domicilio")->setText(QStringLiteral("Calle 7"));
    txt(*f, "TxtAval_Nombre")->setText(QStringLiteral("ROSA"));
    f->TxtAval_Nombre_LostFocus();
    plataforma::Escena::responder(true);
    f->CmdGuardar_Click();
    FrmExtras extras(apoyo::sesion());
    QString error;
    ASSERT_TRUE(extras.Form_Load(&error)) << error.toStdString();
    control<plataforma::Rejilla>(extras, "iExtras")->ponerValor(5, 1, QStringLiteral("Nuevo"));
    plataforma::Escena::responder(true);
    extras.CmdGuardar_Click();
    EXPECT_FALSE(escena().join(QLatin1Char('\n')).contains(QStringLiteral("error:")))
        << escena().join(QLatin1Char('\n')).toStdString();

    QTemporaryDir dir;
    QStringList textos;
    for (const QJsonValue& p : peticiones()) {
        QString t = p[QStringLiteral("texto")].toString();
        if (p[QStringLiteral("tipo")] == QStringLiteral("rpc")) {
            ASSERT_EQ(p[QStringLiteral("proc")], QStringLiteral("sp_executesql"));
            const QString declaraciones = p[QStringLiteral("declaraciones")].toString();
            if (!declaraciones.isEmpty())
                t = QStringLiteral("DECLARE ") + declaraciones + QStringLiteral(";\n") + t;
        }
        if (textos.contains(t)) continue;
        textos << t;
        QFile archivo(
            dir.filePath(QStringLiteral("lote%1.sql").arg(textos.size(), 2, 10, QLatin1Char('0'))));
        ASSERT_TRUE(archivo.open(QIODevice::WriteOnly));
        archivo.write(t.toUtf8() + '\n');
    }
    // Two openings, a new card, three changes, the card read again, the
    // contacts read and saved.
    EXPECT_EQ(textos.size(), 9);
    QProcess sqlfluff;
    sqlfluff.setProcessChannelMode(QProcess::MergedChannels);
    sqlfluff.start(
        QStringLiteral("sqlfluff"),
        {QStringLiteral("parse"), QStringLiteral("--dialect"), QStringLiteral("tsql"), dir.path()});
    ASSERT_TRUE(sqlfluff.waitForFinished(120000));
    const QString salida = QString::fromUtf8(sqlfluff.readAll());
    EXPECT_EQ(sqlfluff.exitCode(), 0) << salida.right(3000).toStdString();
    EXPECT_FALSE(salida.contains(QStringLiteral("unparsable"))) << salida.right(3000).toStdString();
}

// The opening is one request: a failure in any of its statements is named by
// the reading it broke, as on the embedded databases, with the server's words.
TEST_F(SqlServer, UnFalloAlAbrirNombraLaLecturaQueFallo) {
    const QString clave =
        QStringLiteral("re:SELECT @estado AS estado[\\s\\S]*clientes where cliente = 1234;");
    const struct {
        int parte;  // the result the server fails at
        const char* mensaje;
    } casos[] = {
        {0, "No se pudo consultar la sucursal."},
        {1, "No se pudo consultar el permiso del usuario."},
        {3, "No se pudo leer la lista de ciudades."},
        {4, "No se pudo leer la tarjeta del cliente."},
        {5, "No se pudo leer el domicilio del aval."},
        {6, "No se pudo leer el nombre del aval."},
    };
    for (const auto& c : casos) {
        QJsonObject lote = resultadoDemo(clave);
        QJsonArray partes = lote[QStringLiteral("lote")].toArray();
        while (partes.size() > c.parte) partes.removeLast();
        partes << QJsonObject{{QStringLiteral("error"),
                               QJsonObject{{QStringLiteral("mensaje"), QStringLiteral("Roto")}}}};
        lote[QStringLiteral("lote")] = partes;
        preparar({{QStringLiteral("resultados"), QJsonObject{{clave, lote}}}});
        QTimer salir;  // a card that opens after all ends its event loop at once
        salir.callOnTimeout(QCoreApplication::instance(), &QCoreApplication::quit);
        salir.start(0);
        EXPECT_EQ(Ejecutar(QStringLiteral("1234-25")), 1) << c.mensaje;
        const QString e = escena().join(QLatin1Char('\n'));
        EXPECT_TRUE(e.startsWith(QStringLiteral("error: ") + QString::fromUtf8(c.mensaje)))
            << e.toStdString();
        EXPECT_TRUE(e.contains(QStringLiteral("\nDetalle: [FreeTDS][SQL Server]Roto")))
            << e.toStdString();
        plataforma::Escena::limpiar();
    }
}
