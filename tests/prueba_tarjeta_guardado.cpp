// Loading a stored card and saving a card: what the window shows, the
// statements and procedure calls with their values, and what ends up stored.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <functional>

#include <sys/stat.h>
#include <unistd.h>

#include "Controles.h"
#include "Ventanas.h"
#include "app/Programa.h"
#include "domain/Global.h"
#include "domain/Revision.h"
#include "domain/Tarjeta.h"

using apoyo::escena;
using plataforma::Operacion;
using plataforma::TipoParametro;

namespace {

// The change date a change reads back, to check the next change against.
const QString kLeerVersion = QStringLiteral(
    "SELECT fecha_cambia, usuario_cambia FROM zelt.dbo.tarjeta_telefonica_cliente WHERE "
    "cliente = 1234");

// The box of the window that shows each card column.
const std::pair<const char*, const char*> kCajaDeColumna[] = {
    {"Principal_Nombre", "TxtDueno"},
    {"Principal_Mismo", "ChkMismo"},
    {"Principal_Telefono", "TxtPrincipal_Telefono"},
    {"Principal_celular", "TxtPrincipal_Celular"},
    {"Principal_centro", "TxtPrincipal_Centro"},
    {"Principal_Telefono_centro", "TxtPrincipal_telefono_centro"},
    {"Principal_extension_centro", "TxtPrincipal_extension_centro"},
    {"conyuge_nombre", "TxtConyuge_Nombre"},
    {"conyuge_tiene", "ChkConyuge"},
    {"conyuge_celular", "TxtConyuge_Celular"},
    {"conyuge_centro", "TxtConyuge_Centro"},
    {"conyuge_telefono_Centro", "TxtConyuge_centro_telefono"},
    {"conyuge_extension_centro", "TxtConyuge_centro_extension"},
    {"referencia1_nombre", "txtRef1_Nombre"},
    {"referencia1_telefono", "TxtRef1_Telefono"},
    {"referencia1_celular", "TxtRef1_Celular"},
    {"referencia1_parentesco", "TxtRef1_parentesco"},
    {"referencia3_nombre", "txtRef3_Nombre"},
    {"referencia3_telefono", "TxtRef3_Telefono"},
    {"referencia3_celular", "TxtRef3_Celular"},
    {"referencia3_parentesco", "TxtRef3_parentesco"},
    {"referencia4_nombre", "txtRef4_Nombre"},
    {"referencia4_telefono", "TxtRef4_Telefono"},
    {"referencia4_celular", "TxtRef4_Celular"},
    {"referencia4_parentesco", "TxtRef4_parentesco"},
    {"referencia2_nombre", "txtRef2_Nombre"},
    {"referencia2_telefono", "TxtRef2_Telefono"},
    {"referencia2_celular", "TxtRef2_Celular"},
    {"referencia2_parentesco", "TxtRef2_parentesco"},
    {"aval_tiene", "ChkAval"},
    {"aval_Telefono", "TxtAval_telefono"},
    {"aval_celular", "TxtAval_Celular"},
    {"aval_centro", "TxtAval_Centro"},
    {"aval_Telefono_centro", "TxtAval_Telefono_centro"},
    {"aval_extension_centro", "TxtAval_extension_centro"},
    {"anotaciones", "TxtAnotaciones"},
    {"aval_centro_conyuge", "TxtAval_Centro_Conyuge"},
    {"Aval_telefono_centro_conyuge", "TxtAval_Telefono_centro_conyuge"},
    {"aval_extension_centro_conyuge", "TxtAval_extension_centro_conyuge"},
    {"aval_nombre_conyuge", "TxtAval_Nombre_Conyuge"},
};

const char* cajaDeColumna(const char* columna) {
    for (const auto& [c, caja] : kCajaDeColumna)
        if (qstrcmp(c, columna) == 0) return caja;
    return "";
}

const QString kPreguntaCambio = QStringLiteral(
    "pregunta: Se Dispone a Modificar la Tarjeta telefónica del Cliente, esta seguro? | Guardar "
    "Cambios");
const QString kSelectTarjeta =
    QStringLiteral("select * from zelt.tarjeta_telefonica_cliente where cliente = ?");

class Guardado : public ::testing::Test {
protected:
    apoyo::Entorno entorno;

    QVariantList fila(int cliente) {
        const auto filas = entorno.filas(kSelectTarjeta, {cliente});
        return filas.isEmpty() ? QVariantList() : filas[0];
    }
    QVariant columna(int cliente, const char* nombre) {
        return entorno.valor(
            QStringLiteral("select %1 from zelt.tarjeta_telefonica_cliente where cliente = ?")
                .arg(QLatin1String(nombre)),
            {cliente});
    }
    // Every box of the card with a text that tells them apart.
    static void llenar(FrmTelefonos& f) {
        for (QLineEdit* c : f.findChildren<QLineEdit*>()) {
            if (c->parentWidget() == cmb(f, "CmbMunicipios")) continue;
            const bool numerica = c->property("soloNumeros").toBool();
            const int largo = c->property("largoTelefono").toInt();
            c->setText(numerica ? QString(largo ? largo : 4,
                                          QLatin1Char('0' + c->objectName().size() % 10))
                                : c->objectName() + QStringLiteral(" ñ'\""));
        }
        txt(f, "TxtAval_CP")->setText(QStringLiteral("31'0ñ"));
        control<QPlainTextEdit>(f, "TxtAnotaciones")
            ->setPlainText(QStringLiteral("Línea 1\nLínea 2 con 'comillas'"));
        cmb(f, "CmbMunicipios")
            ->setCurrentIndex(cmb(f, "CmbMunicipios")->findText(QStringLiteral("DELICIAS")));
    }
    // What every box shows, to compare one window with another.
    static QMap<QString, QString> foto(FrmTelefonos& f) {
        QMap<QString, QString> m;
        for (QLineEdit* c : f.findChildren<QLineEdit*>())
            m[c->objectName().isEmpty() ? QStringLiteral("ciudad") : c->objectName()] =
                c->text() + (c->isEnabled() ? QString() : QStringLiteral(" [bloqueada]"));
        for (QCheckBox* c : f.findChildren<QCheckBox*>())
            m[c->objectName()] = QString::number(c->checkState());
        m[QStringLiteral("TxtAnotaciones")] =
            control<QPlainTextEdit>(f, "TxtAnotaciones")->toPlainText();
        m[QStringLiteral("CmdGuardar")] =
            cmd(f, "CmdGuardar")->text() + (cmd(f, "CmdGuardar")->isEnabled() ? "" : " [inactivo]");
        return m;
    }
};

// ------------------------------------------------------------------ loading

TEST_F(Guardado, TarjetaNuevaVaciaYGuardarHabilitadoSinPermiso) {
    auto f = apoyo::abrirTarjeta(QStringLiteral("1235-26"));
    EXPECT_TRUE(f->TarjetaNueva);
    EXPECT_FALSE(f->PuedeModificar);
    EXPECT_EQ(cmd(*f, "CmdGuardar")->text(), QStringLiteral("&Guardar"));
    EXPECT_TRUE(cmd(*f, "CmdGuardar")->isEnabled());
    EXPECT_TRUE(control<QPlainTextEdit>(*f, "TxtAnotaciones")->toPlainText().isEmpty());
    for (QLineEdit* c : f->findChildren<QLineEdit*>()) {
        EXPECT_TRUE(c->text().isEmpty()) << c->objectName().toStdString();
        EXPECT_TRUE(c->isEnabled()) << c->objectName().toStdString();
    }
    for (QCheckBox* c : f->findChildren<QCheckBox*>()) EXPECT_EQ(c->checkState(), Qt::Unchecked);
}

TEST_F(Guardado, TarjetaGuardadaSinPermisoSeVePeroNoSeCambia) {
    auto f = apoyo::abrirTarjeta(QStringLiteral("1234-26"));
    EXPECT_FALSE(f->TarjetaNueva);
    EXPECT_EQ(cmd(*f, "CmdGuardar")->text(), QStringLiteral("&Cambiar"));
    EXPECT_FALSE(cmd(*f, "CmdGuardar")->isEnabled());
    EXPECT_TRUE(cmd(*f, "CmdGuardar")->toolTip().contains(QStringLiteral("no tiene permiso")));
    EXPECT_EQ(txt(*f, "TxtPrincipal_Celular")->text(), QStringLiteral("0446141234567"));
    EXPECT_EQ(txt(*f, "TxtConyuge_centro_telefono")->text(), QStringLiteral("6144201100"));
    EXPECT_EQ(txt(*f, "txtRef3_Nombre")->text(), QStringLiteral("Lucía Fernández"));
    EXPECT_EQ(txt(*f, "TxtRef4_parentesco")->text(), QStringLiteral("Compañero de trabajo"));
    EXPECT_EQ(txt(*f, "TxtAval_Telefono_centro_conyuge")->text(), QStringLiteral("6144398800"));
    EXPECT_EQ(txt(*f, "TxtAval_Paterno")->text(), QStringLiteral("GARCÍA"));
    EXPECT_EQ(txt(*f, "TxtAval_Materno")->text(), QStringLiteral("MEDINA"));
    EXPECT_EQ(txt(*f, "TxtAval_Nombre")->text(), QStringLiteral("ROSA ELENA"));
    EXPECT_EQ(txt(*f, "TxtAval_Domicilio")->text(), QStringLiteral("Av. Tecnológico 2310"));
    EXPECT_EQ(cmb(*f, "CmbMunicipios")->currentText(), QStringLiteral("CHIHUAHUA"));
    EXPECT_EQ(f->CiudadAval, 3702);
    EXPECT_EQ(txt(*f, "TxtAval_CP")->text(), QStringLiteral("31200"));
    EXPECT_EQ(control<QPlainTextEdit>(*f, "TxtAnotaciones")->toPlainText(),
              QStringLiteral("Cliente desde 2009. Prefiere llamadas por la tarde."));
    // The guarantor's full name is composed from what was loaded.
    EXPECT_EQ(f->NombreCompletoAval, QStringLiteral("GARCÍA MEDINA ROSA ELENA"));
    EXPECT_TRUE(escena().isEmpty());
}

TEST_F(Guardado, MismoClienteMuestraElNombreActualDelCliente) {
    entorno.ejecutar(
        QStringLiteral("update zelt.tarjeta_telefonica_cliente set Principal_Nombre='NOMBRE VIEJO' "
                       "where cliente=1234"));
    auto f = apoyo::abrirTarjeta(QStringLiteral("1234-25"));
    EXPECT_EQ(chk(*f, "ChkMismo")->checkState(), Qt::Checked);
    EXPECT_EQ(txt(*f, "TxtDueno")->text(), QStringLiteral("MARÍA GUADALUPE HERNÁNDEZ SOTO"));
}

TEST_F(Guardado, SinConyugeYSinAvalGuardados) {
    entorno.ejecutar(
        QStringLiteral("update zelt.tarjeta_telefonica_cliente set conyuge_tiene=1, aval_tiene=1 "
                       "where cliente=1234"));
    auto f = apoyo::abrirTarjeta(QStringLiteral("1234-25"));
    EXPECT_TRUE(txt(*f, "TxtConyuge_Nombre")->text().isEmpty());  // emptied after it was loaded
    EXPECT_FALSE(txt(*f, "TxtConyuge_Nombre")->isEnabled());
    EXPECT_EQ(txt(*f, "TxtConyuge_Celular")->text(), QStringLiteral("0446149876543"));
    EXPECT_FALSE(txt(*f, "TxtConyuge_Celular")->isEnabled());
    // Guarantor boxes are loaded after the rule ran: locked, but filled.
    EXPECT_EQ(txt(*f, "TxtAval_telefono")->text(), QStringLiteral("6144556677"));
    EXPECT_FALSE(txt(*f, "TxtAval_telefono")->isEnabled());
    EXPECT_EQ(txt(*f, "TxtAval_Paterno")->text(), QStringLiteral("GARCÍA"));
    EXPECT_EQ(txt(*f, "TxtAval_Domicilio")->text(), QStringLiteral("Av. Tecnológico 2310"));
    EXPECT_FALSE(txt(*f, "TxtAval_Domicilio")->isEnabled());
    EXPECT_TRUE(cmb(*f, "CmbMunicipios")->isEnabled());
}

TEST_F(Guardado, NulosSeMuestranVaciosYLosProcedimientosSeRecortan) {
    entorno.ejecutar(
        QStringLiteral("update zelt.tarjeta_telefonica_cliente set aval_nombre_conyuge=NULL, "
                       "aval_centro_conyuge=NULL, "
                       "aval_telefono_centro_conyuge=NULL, aval_extension_centro_conyuge=NULL "
                       "where cliente=1234"));
    entorno.ejecutar(QStringLiteral(
        "update zelt.domicilios_cliente set domicilio='  Calle 1  ', colonia=' Centro ', "
        "codigo=' 31000 ', ciudad=3705, municipio='  DELICIAS ' where cliente=1234"));
    entorno.ejecutar(QStringLiteral(
        "update zelt.contactos_cliente set paterno='  GARCÍA  ' where cliente=1234"));
    // A column the program always writes, NULL from another writer: an empty box.
    entorno.ejecutar(
        QStringLiteral("create table zelt.copia as select * from zelt.tarjeta_telefonica_cliente"));
    entorno.ejecutar(QStringLiteral("drop table zelt.tarjeta_telefonica_cliente"));
    entorno.ejecutar(QStringLiteral("alter table zelt.copia rename to tarjeta_telefonica_cliente"));
    entorno.ejecutar(QStringLiteral(
        "update zelt.tarjeta_telefonica_cliente set referencia2_nombre=NULL where cliente=1234"));
    auto f = apoyo::abrirTarjeta(QStringLiteral("1234-25"));
    for (QLineEdit* c : {txt(*f, "TxtAval_Nombre_Conyuge"), txt(*f, "TxtAval_Centro_Conyuge"),
                         txt(*f, "TxtAval_Telefono_centro_conyuge"),
                         txt(*f, "TxtAval_extension_centro_conyuge"), txt(*f, "txtRef2_Nombre")})
        EXPECT_TRUE(c->text().isEmpty()) << c->objectName().toStdString();
    EXPECT_EQ(txt(*f, "TxtAval_Domicilio")->text(), QStringLiteral("Calle 1"));
    EXPECT_EQ(txt(*f, "TxtAval_Colonia")->text(), QStringLiteral("Centro"));
    EXPECT_EQ(txt(*f, "TxtAval_CP")->text(), QStringLiteral("31000"));
    EXPECT_EQ(cmb(*f, "CmbMunicipios")->currentText(), QStringLiteral("DELICIAS"));
    EXPECT_EQ(
        cmb(*f, "CmbMunicipios")->itemData(cmb(*f, "CmbMunicipios")->currentIndex()).toInt(),
        entorno.valor(QStringLiteral("select ciudad from ciudades where nombre_ciudad='Delicias'"))
            .toInt());
    EXPECT_EQ(txt(*f, "TxtAval_Paterno")->text(), QStringLiteral("GARCÍA"));
}

TEST_F(Guardado, SinDomicilioNiContactoDelAval) {
    entorno.ejecutar(QStringLiteral("delete from zelt.domicilios_cliente"));
    entorno.ejecutar(QStringLiteral("delete from zelt.contactos_cliente"));
    auto f = apoyo::abrirTarjeta(QStringLiteral("1234-25"));
    EXPECT_TRUE(txt(*f, "TxtAval_Domicilio")->text().isEmpty());
    EXPECT_TRUE(txt(*f, "TxtAval_Paterno")->text().isEmpty());
    EXPECT_EQ(f->CiudadAval, 0);
    EXPECT_TRUE(f->NombreCompletoAval.isEmpty());
}

// ------------------------------------------------------------ new card

TEST_F(Guardado, TarjetaNuevaGuardaLas43ColumnasYLosProcedimientos) {
    auto f = apoyo::abrirTarjeta(QStringLiteral("1235-25"));
    llenar(*f);
    FrmTelefonos::PonerCasilla(chk(*f, "ChkConyuge"), 1);  // empties and locks the spouse boxes
    txt(*f, "TxtAval_Nombre")->setFocus();
    QTest::keyClick(txt(*f, "TxtAval_Nombre"), Qt::Key_Tab);  // composes the guarantor's name
    plataforma::Escena::limpiar();
    apoyo::Grabadora g;
    QTest::mouseClick(cmd(*f, "CmdGuardar"), Qt::LeftButton);

    EXPECT_EQ(escena(),
              (QStringList{"no-encima",
                           "info: Tarjeta Generada Correctamente! | Alta de Tarjeta Telefónica",
                           "encima"}));
    ASSERT_EQ(g.textos().size(), 5);
    EXPECT_EQ(g.textos()[0], QStringLiteral("BEGIN"));
    EXPECT_TRUE(
        g.textos()[1].startsWith(QStringLiteral("INSERT INTO zelt.dbo.tarjeta_telefonica_cliente ( "
                                                "cliente,Principal_Nombre,Principal_Mismo,")));
    EXPECT_TRUE(g.textos()[1].contains(QStringLiteral(",conyuge_telefono_Centro,")));
    EXPECT_TRUE(g.textos()[1].contains(
        QStringLiteral("referencia1_parentesco,referencia3_nombre,referencia3_telefono,referencia3_"
                       "celular,referencia3_parentesco,"
                       "referencia4_nombre")));
    EXPECT_TRUE(g.textos()[1].contains(
        QStringLiteral(",usuario_genera,aval_centro_conyuge,Aval_telefono_centro_conyuge,")));
    EXPECT_TRUE(g.textos()[1].contains(QStringLiteral(") SELECT 1235,?,0,?,")));
    EXPECT_TRUE(g.textos()[1].endsWith(
        QStringLiteral(" WHERE NOT EXISTS (SELECT 1 FROM zelt.dbo.tarjeta_telefonica_cliente WITH "
                       "(UPDLOCK, HOLDLOCK) WHERE cliente = 1235)")));
    EXPECT_EQ(g.textos()[2], QStringLiteral("Zelt.dbo.GUARDA_DOMICILIO_CLIENTE"));
    EXPECT_EQ(g.textos()[3], QStringLiteral("Zelt.dbo.GUARDA_CONTACTO_CLIENTE"));
    EXPECT_EQ(g.textos()[4], QStringLiteral("COMMIT"));

    const auto& dom = g.operaciones[2].parametros;
    const QStringList nombresDom{"@cSucursal",  "@nCliente",   "@cTipo",
                                 "@cDomicilio", "@nCiudad",    "@cColonia",
                                 "@cCodigo",    "@cMunicipio", "@cEntreCalles"};
    const QList<int> tamanosDom{7, 4, 20, 200, 4, 40, 10, 50, 200};
    ASSERT_EQ(dom.size(), 9);
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(dom[i].nombre, nombresDom[i]);
        EXPECT_EQ(dom[i].tamano, tamanosDom[i]);
    }
    EXPECT_EQ(dom[0].valor.toString(), QStringLiteral("     12"));
    EXPECT_EQ(dom[1].tipo, TipoParametro::Entero);
    EXPECT_EQ(dom[3].valor.toString(), QStringLiteral("TxtAval_Domicilio ñ'\""));  // trimmed
    EXPECT_EQ(dom[4].valor.toInt(), cmb(*f, "CmbMunicipios")->currentData().toInt());
    EXPECT_EQ(dom[7].valor.toString(), QStringLiteral("DELICIAS"));
    EXPECT_TRUE(dom[8].valor.toString().isEmpty());
    const auto& con = g.operaciones[3].parametros;
    ASSERT_EQ(con.size(), 8);
    EXPECT_EQ(con[3].nombre, QStringLiteral("@cNombre"));
    EXPECT_EQ(con[6].nombre, QStringLiteral("@dNacimiento"));
    EXPECT_EQ(con[6].tipo, TipoParametro::FechaHora);
    EXPECT_EQ(con[6].tamano, 10);
    EXPECT_EQ(con[7].nombre, QStringLiteral("@cCorreo"));

    // Stored: every column from its box.
    for (const auto& c : Tarjeta::kColumnas) {
        const QVariant v = columna(1235, c.insertar);
        const char* caja = cajaDeColumna(c.insertar);
        switch (c.fuente) {
            case Tarjeta::Fuente::Cliente:
                EXPECT_EQ(v.toInt(), 1235);
                break;
            case Tarjeta::Fuente::Usuario:
                EXPECT_EQ(v.toString(), QStringLiteral("     25"));
                break;
            case Tarjeta::Fuente::NombreAval:
                EXPECT_EQ(v.toString(), f->NombreCompletoAval);
                EXPECT_FALSE(v.toString().isEmpty());
                break;
            case Tarjeta::Fuente::Casilla:
                EXPECT_EQ(v.toInt(), qstrcmp(caja, "ChkConyuge") == 0 ? 1 : 0) << c.insertar;
                break;
            case Tarjeta::Fuente::Texto:
                if (qstrcmp(caja, "TxtAnotaciones") == 0)
                    EXPECT_EQ(v.toString(), QStringLiteral("Línea 1\r\nLínea 2 con 'comillas'"));
                else
                    EXPECT_EQ(v.toString(), f->findChild<QLineEdit*>(QLatin1String(caja))->text())
                        << c.insertar;
                break;
        }
    }
    EXPECT_TRUE(columna(1235, "fecha_cambia").isNull());
    EXPECT_TRUE(columna(1235, "usuario_cambia").isNull());
    EXPECT_EQ(entorno
                  .valor(QStringLiteral(
                      "select municipio from zelt.domicilios_cliente where cliente=1235"))
                  .toString(),
              QStringLiteral("DELICIAS"));
    EXPECT_EQ(
        entorno
            .valor(QStringLiteral("select paterno from zelt.contactos_cliente where cliente=1235"))
            .toString(),
        QStringLiteral("TxtAval_Paterno ñ'\""));

    // The card exists now: the button changes it, and never inserts again.
    EXPECT_FALSE(f->TarjetaNueva);
    EXPECT_EQ(cmd(*f, "CmdGuardar")->text(), QStringLiteral("&Cambiar"));
    EXPECT_TRUE(cmd(*f, "CmdGuardar")->isEnabled());
    plataforma::Escena::limpiar();
    plataforma::Escena::responder(true);
    f->CmdGuardar_Click();
    EXPECT_EQ(escena()[1], kPreguntaCambio);
    EXPECT_EQ(entorno
                  .valor(QStringLiteral(
                      "select count(*) from zelt.tarjeta_telefonica_cliente where cliente=1235"))
                  .toInt(),
              1);
}

TEST_F(Guardado, SinDomicilioOSinCiudadNoSeLlamaAlProcedimiento) {
    struct Caso {
        const char* domicilio;
        bool ciudad;
        bool llama;
    } casos[] = {
        {"", true, false}, {"Calle 1", false, false}, {"   ", true, true}, {"Calle 1", true, true}};
    int cliente = 3000;
    for (const auto& c : casos) {
        entorno.ejecutar(QStringLiteral("insert into clientes (cliente, nombre) values (?, 'X')"),
                         {++cliente});
        auto f = apoyo::abrirTarjeta(QStringLiteral("%1-25").arg(cliente));
        txt(*f, "TxtAval_Domicilio")->setText(QString::fromLatin1(c.domicilio));
        if (c.ciudad) cmb(*f, "CmbMunicipios")->setCurrentIndex(3);
        apoyo::Grabadora g;
        f->CmdGuardar_Click();
        EXPECT_EQ(g.textos().contains(QStringLiteral("Zelt.dbo.GUARDA_DOMICILIO_CLIENTE")), c.llama)
            << c.domicilio;
        EXPECT_FALSE(g.textos().contains(QStringLiteral("Zelt.dbo.GUARDA_CONTACTO_CLIENTE")));
        EXPECT_TRUE(escena().contains(
            QStringLiteral("info: Tarjeta Generada Correctamente! | Alta de Tarjeta Telefónica")));
        if (c.llama) {
            const auto& op = g.operaciones[2];
            EXPECT_EQ(op.parametros[3].valor.toString(),
                      QString::fromLatin1(c.domicilio).trimmed());
        }
    }
}

// --------------------------------------------------------------- changing

TEST_F(Guardado, CambioConNoNoEscribeNada) {
    auto f = apoyo::abrirTarjeta(QStringLiteral("1234-25"));
    txt(*f, "TxtDueno")->setText(QStringLiteral("cambiado"));
    apoyo::Grabadora g;
    QTest::mouseClick(cmd(*f, "CmdGuardar"), Qt::LeftButton);
    EXPECT_EQ(escena(), (QStringList{"no-encima", kPreguntaCambio, "encima"}));
    EXPECT_TRUE(plataforma::Escena::sucesos()[1].noPorDefecto);
    EXPECT_TRUE(g.operaciones.isEmpty());
    EXPECT_EQ(columna(1234, "Principal_Nombre").toString(),
              QStringLiteral("MARÍA GUADALUPE HERNÁNDEZ SOTO"));
}

TEST_F(Guardado, CambioConfirmadoActualizaYLlamaEnOrden) {
    auto f =
        apoyo::abrirTarjeta(QStringLiteral("1234-27"));  // a NULL permission: the button is off...
    EXPECT_FALSE(cmd(*f, "CmdGuardar")->isEnabled());
    f.reset();
    f = apoyo::abrirTarjeta(
        QStringLiteral("1234-ABCDEFG"));  // ...a 7-character user with permission
    ASSERT_TRUE(cmd(*f, "CmdGuardar")->isEnabled());
    txt(*f, "TxtPrincipal_Telefono")->setText(QStringLiteral(" 61400000 "));
    cmb(*f, "CmbMunicipios")
        ->setCurrentIndex(cmb(*f, "CmbMunicipios")->findText(QStringLiteral("JUÁREZ")));
    apoyo::Grabadora g;
    plataforma::Escena::responder(true);
    QTest::mouseClick(cmd(*f, "CmdGuardar"), Qt::LeftButton);
    EXPECT_EQ(escena(),
              (QStringList{"no-encima", kPreguntaCambio,
                           "info: Tarjeta Modificada Correctamente! | Cambio a Tarjeta Telefónica",
                           "encima"}));
    const QStringList esperadas{"BEGIN",
                                "",
                                "Zelt.dbo.Cambia_Estado_Domicilio_Cliente",
                                "Zelt.dbo.GUARDA_DOMICILIO_CLIENTE",
                                kLeerVersion,
                                "COMMIT"};
    ASSERT_EQ(g.textos().size(), esperadas.size());
    const QString update = g.textos()[1];
    EXPECT_TRUE(update.startsWith(
        QStringLiteral("UPDATE zelt.dbo.tarjeta_telefonica_cliente SET Principal_Nombre=?,"
                       "Principal_Mismo=1,Principal_Telefono=?")));
    EXPECT_TRUE(update.contains(QStringLiteral(",conyuge_telefono_Centro=?,")));
    EXPECT_TRUE(
        update.contains(QStringLiteral(",anotaciones=?,fecha_cambia=getdate(),usuario_cambia=?,"
                                       "aval_centro_conyuge=?,aval_telefono_centro_conyuge=?,")));
    // Only while the stored card is the one read (never changed yet: its values).
    EXPECT_TRUE(
        update.contains(QStringLiteral(" WHERE cliente = 1234 AND fecha_cambia IS NULL AND ")));
    EXPECT_FALSE(
        update.section(QStringLiteral(" WHERE "), 0, 0).contains(QStringLiteral("usuario_genera")));
    for (int i : {0, 2, 3, 4, 5}) EXPECT_EQ(g.textos()[i], esperadas[i]);
    const auto& estado = g.operaciones[2].parametros;
    ASSERT_EQ(estado.size(), 3);
    EXPECT_EQ(estado[2].nombre, QStringLiteral("@lInactivo"));
    EXPECT_EQ(estado[2].tipo, TipoParametro::SiNo);
    EXPECT_EQ(estado[2].valor.toBool(), false);
    EXPECT_EQ(f->CiudadAval, cmb(*f, "CmbMunicipios")->currentData().toDouble());
    EXPECT_EQ(g.operaciones[3].parametros[4].valor.toDouble(), f->CiudadAval);

    EXPECT_EQ(columna(1234, "Principal_Telefono").toString(), QStringLiteral(" 61400000 "));
    EXPECT_EQ(columna(1234, "usuario_genera").toString(), QStringLiteral("     25"));
    EXPECT_EQ(columna(1234, "usuario_cambia").toString(), QStringLiteral("ABCDEFG"));
    EXPECT_FALSE(columna(1234, "fecha_cambia").isNull());
    EXPECT_EQ(columna(1234, "aval_Nombre").toString(), QStringLiteral("GARCÍA MEDINA ROSA ELENA"));
    EXPECT_EQ(entorno
                  .valor(QStringLiteral(
                      "select municipio from zelt.domicilios_cliente where cliente=1234"))
                  .toString(),
              QStringLiteral("JUÁREZ"));
}

TEST_F(Guardado, SinAvalMarcadoYConfirmado) {
    auto f = apoyo::abrirTarjeta(QStringLiteral("1234-25"));
    QTest::mouseClick(chk(*f, "ChkAval"), Qt::LeftButton);
    apoyo::Grabadora g;
    plataforma::Escena::responder(true);
    f->CmdGuardar_Click();
    EXPECT_EQ(g.textos(),
              (QStringList{"BEGIN", g.textos().value(1), "Zelt.dbo.Cambia_Estado_Domicilio_Cliente",
                           kLeerVersion, "COMMIT"}));
    EXPECT_EQ(g.operaciones[2].parametros[2].valor.toBool(), true);
    EXPECT_EQ(columna(1234, "aval_tiene").toInt(), 1);
    EXPECT_TRUE(columna(1234, "aval_Telefono").toString().isEmpty());
    EXPECT_TRUE(columna(1234, "aval_Nombre").toString().isEmpty());
    EXPECT_EQ(entorno
                  .valor(QStringLiteral(
                      "select inactivo from zelt.domicilios_cliente where cliente=1234"))
                  .toInt(),
              1);
    // Reloaded: ticked, locked boxes, and the stored address and name still shown.
    f.reset();
    auto otra = apoyo::abrirTarjeta(QStringLiteral("1234-25"));
    EXPECT_EQ(chk(*otra, "ChkAval")->checkState(), Qt::Checked);
    EXPECT_FALSE(txt(*otra, "TxtAval_Paterno")->isEnabled());
}

TEST_F(Guardado, IdaYVueltaDeCadaCaja) {
    auto f = apoyo::abrirTarjeta(QStringLiteral("1235-25"));
    llenar(*f);
    txt(*f, "TxtAval_Nombre")->setFocus();
    QTest::keyClick(txt(*f, "TxtAval_Nombre"), Qt::Key_Tab);
    f->CmdGuardar_Click();
    const auto antes = foto(*f);
    f.reset();
    auto g = apoyo::abrirTarjeta(QStringLiteral("1235-25"));
    EXPECT_EQ(foto(*g), antes);
    // Saved again unchanged: the row stays the same but for the change columns.
    QVariantList fila1 = fila(1235);
    plataforma::Escena::responder(true);
    g->CmdGuardar_Click();
    QVariantList fila2 = fila(1235);
    ASSERT_EQ(fila1.size(), fila2.size());
    for (int i = 0; i < 43; ++i) EXPECT_EQ(fila1[i], fila2[i]) << i;
    g.reset();
    EXPECT_EQ(foto(*apoyo::abrirTarjeta(QStringLiteral("1235-25"))), antes);
}

TEST_F(Guardado, TextosHostilesSeGuardanTalCual) {
    const QStringList textos{QStringLiteral("O'Brien"),
                             QStringLiteral("'; DROP TABLE zelt.tarjeta_telefonica_cliente; --"),
                             QStringLiteral("Ñandú Pérez Ü"), QStringLiteral("x') , (1"),
                             QString(100, QChar(0x00E9))};
    auto f = apoyo::abrirTarjeta(QStringLiteral("1235-25"));
    txt(*f, "TxtDueno")->setText(textos[0]);
    txt(*f, "TxtConyuge_Nombre")->setText(textos[1]);
    txt(*f, "txtRef1_Nombre")->setText(textos[2]);
    txt(*f, "TxtAval_Centro")->setText(textos[3]);
    txt(*f, "txtRef4_Nombre")->setText(textos[4]);
    control<QPlainTextEdit>(*f, "TxtAnotaciones")
        ->setPlainText(textos[1] + QStringLiteral("\n") + textos[0]);
    txt(*f, "TxtAval_Domicilio")->setText(textos[0]);
    cmb(*f, "CmbMunicipios")->setCurrentIndex(0);
    f->CmdGuardar_Click();
    EXPECT_EQ(columna(1235, "Principal_Nombre").toString(), textos[0]);
    EXPECT_EQ(columna(1235, "conyuge_nombre").toString(), textos[1]);
    EXPECT_EQ(columna(1235, "referencia1_nombre").toString(), textos[2]);
    EXPECT_EQ(columna(1235, "aval_centro").toString(), textos[3]);
    EXPECT_EQ(columna(1235, "referencia4_nombre").toString(), textos[4]);
    f.reset();
    auto g = apoyo::abrirTarjeta(QStringLiteral("1235-25"));
    EXPECT_EQ(txt(*g, "TxtConyuge_Nombre")->text(), textos[1]);
    EXPECT_EQ(txt(*g, "txtRef4_Nombre")->text(), textos[4]);
    EXPECT_EQ(control<QPlainTextEdit>(*g, "TxtAnotaciones")->toPlainText(),
              textos[1] + QStringLiteral("\n") + textos[0]);
    EXPECT_EQ(txt(*g, "TxtAval_Domicilio")->text(), textos[0]);
}

// ---------------------------------------------------------------- failures

TEST_F(Guardado, UnFalloAMitadNoGuardaNadaYConservaLoEscrito) {
    auto f = apoyo::abrirTarjeta(QStringLiteral("1235-25"));
    llenar(*f);
    txt(*f, "TxtAval_Nombre")->setFocus();
    QTest::keyClick(txt(*f, "TxtAval_Nombre"), Qt::Key_Tab);
    const auto capturado = foto(*f);
    {
        apoyo::Grabadora g;
        g.fallarEn(3, QStringLiteral("Timeout expired"));  // the guarantor-name call
        plataforma::Escena::limpiar();
        f->CmdGuardar_Click();
        EXPECT_TRUE(g.textos().contains(QStringLiteral("ROLLBACK")));
    }
    const QStringList e = escena();
    ASSERT_EQ(e.size(), 3);
    EXPECT_EQ(e[0], QStringLiteral("no-encima"));
    EXPECT_TRUE(e[1].startsWith(QStringLiteral("error: No se pudo guardar la tarjeta")));
    EXPECT_TRUE(e[1].contains(QStringLiteral("Timeout expired")));
    EXPECT_EQ(e[2], QStringLiteral("encima"));
    EXPECT_TRUE(fila(1235).isEmpty());
    EXPECT_FALSE(entorno
                     .valor(QStringLiteral(
                         "select count(*) from zelt.domicilios_cliente where cliente=1235"))
                     .toBool());
    EXPECT_EQ(foto(*f), capturado);
    EXPECT_TRUE(f->TarjetaNueva);
    // Pressing again retries, and stores it all.
    plataforma::Escena::limpiar();
    f->CmdGuardar_Click();
    EXPECT_TRUE(escena().contains(
        QStringLiteral("info: Tarjeta Generada Correctamente! | Alta de Tarjeta Telefónica")));
    EXPECT_FALSE(fila(1235).isEmpty());
    EXPECT_TRUE(
        entorno
            .valor(QStringLiteral("select count(*) from zelt.contactos_cliente where cliente=1235"))
            .toBool());
}

TEST_F(Guardado, UnCambioFallidoNoCambiaNada) {
    auto f = apoyo::abrirTarjeta(QStringLiteral("1234-25"));
    txt(*f, "TxtDueno")->setText(QStringLiteral("nuevo"));
    const double ciudad = f->CiudadAval;
    cmb(*f, "CmbMunicipios")
        ->setCurrentIndex(cmb(*f, "CmbMunicipios")->findText(QStringLiteral("DELICIAS")));
    apoyo::Grabadora g;
    g.fallarEn(3);  // the address call, after the update and the address state
    plataforma::Escena::responder(true);
    f->CmdGuardar_Click();
    EXPECT_TRUE(escena()[2].startsWith(QStringLiteral("error: No se pudo modificar la tarjeta")));
    EXPECT_EQ(columna(1234, "Principal_Nombre").toString(),
              QStringLiteral("MARÍA GUADALUPE HERNÁNDEZ SOTO"));
    EXPECT_EQ(entorno
                  .valor(QStringLiteral(
                      "select municipio from zelt.domicilios_cliente where cliente=1234"))
                  .toString(),
              QStringLiteral("CHIHUAHUA"));
    EXPECT_EQ(f->CiudadAval, ciudad);
    EXPECT_EQ(txt(*f, "TxtDueno")->text(), QStringLiteral("nuevo"));
}

// A database the program could not write when it opened it (a read-only file,
// here a connection put in read-only mode) is opened again after a failed
// save: once the fault is gone, pressing again stores the card.
TEST_F(Guardado, TrasUnFalloLaBaseSeAbreDeNuevo) {
    auto f = apoyo::abrirTarjeta(QStringLiteral("1235-25"));
    txt(*f, "TxtDueno")->setText(QStringLiteral("alguien"));
    QString e;
    ASSERT_TRUE(apoyo::sesion().conexion.ejecutar(QStringLiteral("PRAGMA query_only = 1"), {}, &e))
        << e.toStdString();
    for (const char* esperado :
         {"error: No se pudo guardar la tarjeta", "info: Tarjeta Generada Correctamente!"}) {
        plataforma::Escena::limpiar();
        f->CmdGuardar_Click();
        EXPECT_TRUE(escena().value(1).startsWith(QLatin1String(esperado)))
            << escena().value(1).toStdString();
    }
    EXPECT_EQ(columna(1235, "Principal_Nombre").toString(), QStringLiteral("alguien"));
}

// A database this desk cannot write, or one that is gone, will not mend
// itself: the message names the file and what the administrator must do,
// never "try again in a moment", nor the network. Root passes every
// permission check, so a test run as root writes as "nobody".
TEST_F(Guardado, UnaBaseQueNoSePuedeEscribirLoDiceSinPedirQueSeReintente) {
    const QString dir = entorno.carpeta(), zelt = dir + QStringLiteral("/zelt.db");
    const auto modo = [](const QString& ruta, mode_t m) {
        ASSERT_EQ(::chmod(QFile::encodeName(ruta).constData(), m), 0) << ruta.toStdString();
    };
    const struct {
        const char* caso;
        bool antesDeAbrir;  // SQLite opens a file it cannot write read-only
        std::function<void()> romper;
        QString dice;
    } casos[] = {
        {"archivo", true, [&] { modo(zelt, 0444); },
         QStringLiteral("La base de datos %1 no se puede modificar").arg(zelt)},
        {"carpeta", true, [&] { modo(dir, 0555); },
         QStringLiteral("Detalle: %1: Permission denied").arg(dir)},
        {"borrada", false, [&] { QFile::remove(zelt); },
         QStringLiteral("Falta la base de datos %1: pida al administrador").arg(zelt)},
    };
    const bool root = ::geteuid() == 0;
    for (const auto& c : casos) {
        SCOPED_TRACE(c.caso);
        modo(dir, 0777);
        modo(dir + QStringLiteral("/erp_nax.db"), 0666);
        if (QFile::exists(zelt)) modo(zelt, 0666);
        if (c.antesDeAbrir) c.romper();
        ASSERT_TRUE(!root || (::setegid(65534) == 0 && ::seteuid(65534) == 0));
        Global::Sesion& sesion = apoyo::abrirSesion(QStringLiteral("1234-25"));
        if (!c.antesDeAbrir) c.romper();
        QString error;
        EXPECT_FALSE(sesion.conexion.enTransaccion(
            [&](QString* e) {
                return sesion.conexion.ejecutar(
                    QStringLiteral("update zelt.tarjeta_telefonica_cliente set Principal_Nombre "
                                   "= Principal_Nombre || 'x' where cliente = 1234"),
                    {}, e);
            },
            &error));
        const QString m = Global::TrasUnFallo(sesion, QStringLiteral("No se guardó"), error);
        sesion.conexion.cerrar();
        ASSERT_TRUE(!root || (::seteuid(0) == 0 && ::setegid(0) == 0));
        EXPECT_TRUE(m.startsWith(QStringLiteral("No se guardó.\n")) && m.contains(c.dice) &&
                    !m.contains(QLatin1String("en un momento")) &&
                    !m.contains(QLatin1String(" red ")))
            << m.toStdString();
    }
    modo(dir, 0700);
}

// A failure says first, in Spanish, what to do; the database's own words
// follow on a line of their own after "Detalle:".
TEST_F(Guardado, LosFallosDicenQueHacerYDespuesElDetalle) {
    auto f = apoyo::abrirTarjeta(QStringLiteral("1235-25"));
    apoyo::Grabadora g;
    g.fallarEn(1, QStringLiteral("Timeout expired"));
    f->CmdGuardar_Click();
    EXPECT_TRUE(escena().value(1).contains(
        QStringLiteral("avise a sistemas.\nDetalle: Timeout expired | Alta")))
        << escena().value(1).toStdString();
    f.reset();
    entorno.ejecutar(QStringLiteral("drop table zelt.tarjeta_telefonica_cliente"));
    plataforma::Escena::limpiar();
    EXPECT_EQ(Ejecutar(QStringLiteral("1234-25")), 1);
    EXPECT_TRUE(escena().value(0).startsWith(
        QStringLiteral("error: No se pudo leer la tarjeta del cliente. Vuelva a abrir la tarjeta "
                       "en un momento; si el problema sigue, avise a sistemas.\nDetalle: ")))
        << escena().value(0).toStdString();
}

// The save's checks without a window: each kind of problem, the field it
// names and what its message needs; half characters first, then the code
// page, the lengths the procedures take (in UTF-16 units) and the city.
TEST(Revision, ElPrimerProblemaConSuCampo) {
    using Revision::Falta;
    using Tarjeta::kCampoColonia, Tarjeta::kCampoMaterno, Tarjeta::kCampoNombre,
        Tarjeta::kCampoPaterno, Tarjeta::kCampoCiudad;
    const int dueno = Tarjeta::Campo("Principal_Nombre");
    const QString medio = QStringLiteral("x") + QChar(0xD800), marca = QStringLiteral("José ✓");
    const QString c40(40, QLatin1Char('c')), c41(41, QLatin1Char('c')), p41(41, QLatin1Char('p'));
    const QString emoji = QString(39, QLatin1Char('c')) + QStringLiteral("😀");
    const QString no;  // null: no address, or no name, sent
    const struct {
        int campo;  // holds texto
        QString texto;
        const char* sinUnicode;  // a column holding only the code page
        QString colonia;         // the address is sent with it
        QString paterno;         // the name is sent with it
        bool faltaCiudad;
        std::optional<Falta> falta;
        int en;
        QString dato;
    } casos[] = {
        // clang-format off
        {dueno, marca, "", c40, marca, false, {}, 0, {}},
        {kCampoNombre, medio, "", no, no, false, Falta::CaracterIncompleto, kCampoNombre, {}},
        {dueno, marca + medio, "principal_nombre", no, no, false, Falta::CaracterIncompleto, dueno, {}},
        {dueno, QStringLiteral("€ ✓ ✗"), "principal_nombre", no, no, false, Falta::FueraDelCodigo, dueno, QStringLiteral("✓✗")},
        // The composed guarantor name is checked in its parts.
        {kCampoMaterno, marca, "aval_nombre", no, no, false, Falta::FueraDelCodigo, kCampoMaterno, QStringLiteral("✓")},
        {dueno, {}, "", c41, no, true, Falta::DemasiadoLargo, kCampoColonia, c41},
        {dueno, {}, "", emoji, no, false, Falta::DemasiadoLargo, kCampoColonia, emoji},
        {dueno, {}, "", no, p41, false, Falta::DemasiadoLargo, kCampoPaterno, p41},
        {dueno, {}, "", c40, marca, true, Falta::SinCiudad, kCampoCiudad, {}},
        // clang-format on
    };
    for (const auto& c : casos) {
        Revision::Captura captura;
        captura.textos = QStringList(Tarjeta::kNumCampos, QString());
        captura.textos[c.campo] = c.texto;
        if (*c.sinUnicode) captura.sinUnicode << QLatin1String(c.sinUnicode);
        if (!c.colonia.isNull())
            captura.domicilio =
                Tarjeta::Domicilio{QString(200, QLatin1Char('d')), 3702, c.colonia,
                                   QStringLiteral("31000"), QStringLiteral("CHIHUAHUA")};
        if (!c.paterno.isNull())
            captura.nombre = Tarjeta::NombreAval{QString(40, QLatin1Char('n')), c.paterno, {}};
        captura.faltaCiudad = c.faltaCiudad;
        const auto p = Revision::Revisar(captura);
        ASSERT_EQ(p.has_value(), c.falta.has_value()) << c.en;
        if (!p) continue;
        EXPECT_EQ(p->falta, *c.falta) << c.en;
        EXPECT_EQ(p->campo, c.en);
        EXPECT_EQ(p->texto, c.dato) << c.en;
        EXPECT_EQ(p->cabe, p->falta == Falta::DemasiadoLargo ? 40 : 0) << c.en;
    }
}

// What a save could not store as the window shows it is named before
// anything is sent, and the window keeps it: a stored neighbourhood longer
// than the address procedure takes (counted as the database counts, an emoji
// as two), an address typed with a city not of the list, half a character.
TEST_F(Guardado, LoQueNoSePuedeGuardarSeNombraSinEnviarNada) {
    const struct {
        QString colonia;
        const char* caja;  // typed into; nullptr: none
        QString texto;
        const char* mensaje;
    } casos[] = {
        {QString(41, QLatin1Char('c')),
         nullptr,
         {},
         "«Colonia» (Aval) tiene 41 caracteres y la base de datos guarda a lo más 40."},
        {QString(39, QLatin1Char('c')) + QStringLiteral("😀"),
         nullptr,
         {},
         "«Colonia» (Aval) tiene 40 caracteres, que ocupan 41 posiciones (cada emoji ocupa dos), "
         "y la base de datos guarda a lo más 40 posiciones."},
        {QStringLiteral("Centro"), "CmbMunicipios", QStringLiteral("Ciudad Inventada"),
         "El domicilio del aval solo se guarda con una ciudad de la lista."},
        {QStringLiteral("Centro"), "TxtDueno", QStringLiteral("x") + QChar(0xD800),
         "«Dueño» (Principal) tiene medio carácter (un carácter incompleto, quizá de un texto "
         "pegado). Bórrelo"},
    };
    for (const auto& c : casos) {
        entorno.ejecutar(QStringLiteral("update zelt.domicilios_cliente set colonia=?"),
                         {c.colonia});
        auto f = apoyo::abrirTarjeta(QStringLiteral("1234-25"));
        if (c.caja && qstrcmp(c.caja, "CmbMunicipios") == 0) {
            cmb(*f, "CmbMunicipios")->lineEdit()->selectAll();
            QTest::keyClicks(cmb(*f, "CmbMunicipios")->lineEdit(), c.texto);
        } else if (c.caja) {
            txt(*f, c.caja)->setText(c.texto);
        }
        apoyo::Grabadora g;
        plataforma::Escena::limpiar();
        plataforma::Escena::responder(true);
        f->CmdGuardar_Click();
        EXPECT_TRUE(g.operaciones.isEmpty()) << c.mensaje;
        EXPECT_TRUE(
            escena().value(2).startsWith(QStringLiteral("error: ") + QString::fromUtf8(c.mensaje)))
            << escena().value(2).toStdString();
        EXPECT_EQ(txt(*f, "TxtAval_Colonia")->text(), c.colonia);
    }
}

// The guarantor's address keeps its stored city while the city box is left
// alone, in the list or not (a branch of another state, a branch without a
// list); without a list, an address that needs a city is left as stored and
// the save says why.
TEST(GuardadoCiudad, LaCiudadGuardadaSeConservaMientrasNoSeCambie) {
    const struct {
        const char* sucursal;
        const char* caja;
        QString texto;
        const char* calle;  // stored afterwards
        bool aviso;         // the save says the address was not stored
    } casos[] = {
        {"40", "TxtAval_CP", QStringLiteral("31201"), "Av. Tecnológico 2310", false},
        {"99", "TxtAval_Domicilio", QStringLiteral("Calle Nueva 1"), "Calle Nueva 1", false},
        {"99", "CmbMunicipios", QStringLiteral("OTRA"), "Av. Tecnológico 2310", true},
    };
    for (const auto& c : casos) {
        apoyo::Entorno entorno(apoyo::Opciones::conSucursal(QLatin1String(c.sucursal)));
        auto f = apoyo::abrirTarjeta(QStringLiteral("1234-25"));
        QLineEdit* caja =
            qstrcmp(c.caja, "CmbMunicipios") == 0 ? cmb(*f, c.caja)->lineEdit() : txt(*f, c.caja);
        caja->selectAll();
        QTest::keyClicks(caja, c.texto);
        plataforma::Escena::responder(true);
        f->CmdGuardar_Click();
        const QStringList e = escena();
        EXPECT_TRUE(e.contains(QStringLiteral(
            "info: Tarjeta Modificada Correctamente! | Cambio a Tarjeta Telefónica")))
            << e.join(QLatin1Char('\n')).toStdString();
        EXPECT_EQ(
            e.join(QLatin1Char('\n')).contains(QStringLiteral("no se guardó: solo se guarda")),
            c.aviso)
            << e.join(QLatin1Char('\n')).toStdString();
        EXPECT_EQ(
            entorno.filas(QStringLiteral("select domicilio, ciudad, municipio from "
                                         "zelt.domicilios_cliente where cliente = 1234")),
            (QList<QVariantList>{{QString::fromUtf8(c.calle), 3702, QStringLiteral("CHIHUAHUA")}}))
            << c.caja;
    }
}

// Escape, or the close box, with typing not yet saved asks first (No keeps
// the window); with nothing changed it closes at once.
TEST(GuardadoSalir, EscapeConCambiosPreguntaAntesDeSalir) {
    const struct {
        bool cambio, respuesta, cerrada;
    } casos[] = {{false, false, true}, {true, false, false}, {true, true, true}};
    for (const auto& c : casos) {
        apoyo::Entorno entorno;
        auto f = apoyo::abrirTarjeta(QStringLiteral("1234-25"));
        if (c.cambio)
            control<QPlainTextEdit>(*f, "TxtAnotaciones")->setPlainText(QStringLiteral("x"));
        plataforma::Escena::responder(c.respuesta);
        QTest::keyClick(f.get(), Qt::Key_Escape);
        EXPECT_EQ(f->isVisible(), !c.cerrada) << c.cambio << c.respuesta;
        EXPECT_EQ(escena()
                      .join(QLatin1Char('\n'))
                      .contains(QStringLiteral("pregunta: ¿Desea salir sin guardar los cambios?")),
                  c.cambio);
    }
}

// A change that leaves them alone writes back a stored value longer than its
// box and the stored guarantor name, leaves the guarantor's contact row
// (e-mail, birth date) as it is, and stores the address again with the city
// found by its number; editing the name stores it. Typing never lengthens a
// value beyond its box's limit.
TEST_F(Guardado, UnCambioDevuelveLoGuardadoTalCual) {
    entorno.ejecutar(QStringLiteral(
        "update zelt.tarjeta_telefonica_cliente set Principal_Telefono='614-410-2233', "
        "aval_Nombre='GARCIA M. ROSA' where cliente=1234"));
    entorno.ejecutar(
        QStringLiteral("update zelt.domicilios_cliente set ciudad=3705, municipio='chihuahua'"));
    const QString guardado = QStringLiteral(
        "select t.Principal_Telefono, t.aval_Nombre, d.ciudad, d.municipio, c.* from "
        "zelt.tarjeta_telefonica_cliente t, zelt.domicilios_cliente d, zelt.contactos_cliente c "
        "where t.cliente=1234 and d.cliente=1234 and c.cliente=1234");
    const auto antes = entorno.filas(guardado);
    auto f = apoyo::abrirTarjeta(QStringLiteral("1234-25"));
    EXPECT_EQ(cmb(*f, "CmbMunicipios")->currentData().toInt(), 3705);
    txt(*f, "TxtDueno")->setText(QStringLiteral("otro"));
    apoyo::Grabadora g;
    plataforma::Escena::responder(true);
    f->CmdGuardar_Click();
    EXPECT_TRUE(g.textos().contains(QStringLiteral("Zelt.dbo.GUARDA_DOMICILIO_CLIENTE")));
    EXPECT_EQ(entorno.filas(guardado), antes);

    txt(*f, "TxtAval_Nombre")->selectAll();
    QTest::keyClicks(txt(*f, "TxtAval_Nombre"), QStringLiteral("ROSA"));
    plataforma::Escena::responder(true);
    f->CmdGuardar_Click();
    EXPECT_EQ(columna(1234, "aval_Nombre").toString(), QStringLiteral("GARCÍA MEDINA ROSA"));
    EXPECT_EQ(entorno.valor(QStringLiteral("select nombre from zelt.contactos_cliente")),
              QStringLiteral("ROSA"));

    QLineEdit* tel = txt(*f, "TxtPrincipal_Telefono");
    tel->end(false);
    QTest::keyClicks(tel, QStringLiteral("5"));
    QTest::keyClick(tel, Qt::Key_Backspace);
    QTest::keyClicks(tel, QStringLiteral("5"));
    EXPECT_EQ(tel->text(), QStringLiteral("614-410-223"));
}

}  // namespace
