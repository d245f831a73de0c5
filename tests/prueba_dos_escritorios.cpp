// Two desks with the same client open: each window below is a desk, and the
// user code, which each desk's program keeps for itself, is switched to the
// desk's own before the desk saves.

#include <gtest/gtest.h>

#include <QPlainTextEdit>

#include "Controles.h"
#include "FrmExtras.h"
#include "Global.h"
#include "Rejilla.h"
#include "Ventanas.h"

using apoyo::escena;

namespace {

enum Boton { kRecargar = 0, kEncima = 1, kCancelar = 2 };

struct Escritorio {
    std::unique_ptr<FrmTelefonos> f;
    QString usuario;
    // Saves as this desk, a change confirmed, then the given choice if the
    // card changed meanwhile.
    QStringList guardar(Boton eleccion = kCancelar) {
        Global::UsuarioActual = usuario;
        plataforma::Escena::limpiar();
        plataforma::Escena::responder(true);
        plataforma::Escena::elegir(eleccion);
        f->CmdGuardar_Click();
        return escena();
    }
    QPlainTextEdit* notas() { return control<QPlainTextEdit>(*f, "TxtAnotaciones"); }
};

class DosEscritorios : public ::testing::Test {
protected:
    apoyo::Entorno entorno;
    Escritorio a{apoyo::abrirTarjeta(QStringLiteral("1234-25")), QStringLiteral("     25")};
    Escritorio b{apoyo::abrirTarjeta(QStringLiteral("1234-ABCDEFG")), QStringLiteral("ABCDEFG")};

    QString guardado(const char* columna) {
        return entorno
            .valor(QStringLiteral("select %1 from zelt.tarjeta_telefonica_cliente where "
                                  "cliente = 1234")
                       .arg(QLatin1String(columna)))
            .toString();
    }
};

const QString kModificada =
    QStringLiteral("info: Tarjeta Modificada Correctamente! | Cambio a Tarjeta Telefónica");

// Each desk changes a box of its own, in both orders: the later save finds
// the card changed, names who changed it, stores nothing; reloading keeps its
// own change beside the other's, and the next save stores both.
TEST_F(DosEscritorios, CadaUnoCambiaLoSuyoYNadaSePierde) {
    for (const bool aPrimero : {true, false}) {
        Escritorio& primero = aPrimero ? a : b;
        Escritorio& segundo = aPrimero ? b : a;
        const QString notas = QStringLiteral("Notas de ") + primero.usuario.trimmed();
        const QString telefono =
            aPrimero ? QStringLiteral("6140000001") : QStringLiteral("6140000002");
        primero.notas()->setPlainText(notas);
        EXPECT_TRUE(primero.guardar().contains(kModificada));
        txt(*segundo.f, "TxtRef1_Telefono")->setText(telefono);

        const QStringList e = segundo.guardar(kRecargar);
        ASSERT_EQ(e.size(), 4) << e.join(QLatin1Char('\n')).toStdString();
        EXPECT_TRUE(e[2].startsWith(QStringLiteral("elige: El usuario %1 modificó esta tarjeta el ")
                                        .arg(primero.usuario.trimmed())))
            << e[2].toStdString();
        EXPECT_TRUE(e[2].contains(QStringLiteral("; no se guardó nada.\n\n«Recargar» muestra")));
        EXPECT_TRUE(e[2].endsWith(QStringLiteral(" | Guardar Cambios")));
        EXPECT_NE(guardado("referencia1_telefono"), telefono);

        EXPECT_EQ(segundo.notas()->toPlainText(), notas);
        EXPECT_EQ(txt(*segundo.f, "TxtRef1_Telefono")->text(), telefono);
        EXPECT_TRUE(segundo.guardar().contains(kModificada));
        EXPECT_EQ(guardado("anotaciones"), notas);
        EXPECT_EQ(guardado("referencia1_telefono"), telefono);
        EXPECT_EQ(guardado("usuario_cambia"), segundo.usuario);
        // The first desk is now behind: reloading shows the second's phone.
        EXPECT_EQ(primero.guardar(kRecargar).size(), 4);
        EXPECT_EQ(txt(*primero.f, "TxtRef1_Telefono")->text(), telefono);
    }
}

// Both desks changed the same box: the message names it with both values,
// and saving over stores this desk's, with no second question.
TEST_F(DosEscritorios, ElMismoCampoSeNombraYGuardarEncimaLoEscribe) {
    a.notas()->setPlainText(QStringLiteral("de A"));
    a.guardar();
    b.notas()->setPlainText(QStringLiteral("de B"));
    const QStringList e = b.guardar(kEncima);
    ASSERT_EQ(e.size(), 5) << e.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(
        e[2].contains(QStringLiteral("Los dos cambiaron estos campos; al recargar queda lo "
                                     "guardado:\n«Anotaciones» (Anotaciones): usted «de "
                                     "B», guardado «de A»\n\n")))
        << e[2].toStdString();
    EXPECT_EQ(e[3], kModificada);
    EXPECT_EQ(guardado("anotaciones"), QStringLiteral("de B"));
    // Cancel leaves the window and the table as they are.
    a.notas()->setPlainText(QStringLiteral("otra de A"));
    EXPECT_EQ(a.guardar(kCancelar).size(), 4);
    EXPECT_EQ(guardado("anotaciones"), QStringLiteral("de B"));
    EXPECT_EQ(a.notas()->toPlainText(), QStringLiteral("otra de A"));
}

// A new card another desk created meanwhile: the insert stores nothing, the
// message says who created it; reloading shows the stored card as a change.
TEST(DosEscritoriosNueva, OtroDioDeAltaLaTarjetaEntretanto) {
    apoyo::Entorno entorno;
    auto f = apoyo::abrirTarjeta(QStringLiteral("1235-25"));
    txt(*f, "TxtDueno")->setText(QStringLiteral("lo que escribí"));
    txt(*f, "TxtRef2_Telefono")->setText(QStringLiteral("6145550000"));
    entorno.ejecutar(QStringLiteral(
        "insert into zelt.tarjeta_telefonica_cliente (cliente, Principal_Nombre, usuario_genera, "
        "fecha_genera) values (1235, 'de otro', 'ABCDEFG', '2026-12-08 09:05:00')"));
    plataforma::Escena::elegir(kCancelar);
    f->CmdGuardar_Click();
    QStringList e = escena();
    ASSERT_EQ(e.size(), 3);
    EXPECT_TRUE(e[1].startsWith(
        QStringLiteral("elige: El usuario ABCDEFG dio de alta una tarjeta para este cliente el "
                       "08/12/2026 a las 09:05, mientras usted capturaba esta; no se guardó "
                       "nada.\n\nLos dos cambiaron estos campos; al recargar queda lo guardado:\n"
                       "«Dueño» (Principal): usted «lo que escribí», guardado «de otro»\n\n")))
        << e[1].toStdString();
    EXPECT_EQ(txt(*f, "TxtDueno")->text(), QStringLiteral("lo que escribí"));

    plataforma::Escena::limpiar();
    plataforma::Escena::elegir(kRecargar);
    f->CmdGuardar_Click();
    EXPECT_EQ(txt(*f, "TxtDueno")->text(), QStringLiteral("de otro"));
    EXPECT_EQ(txt(*f, "TxtRef2_Telefono")->text(), QStringLiteral("6145550000"));
    EXPECT_EQ(cmd(*f, "CmdGuardar")->text(), QStringLiteral("&Cambiar"));
    EXPECT_FALSE(f->TarjetaNueva);
}

// The extra contacts: the later save finds the list changed and deletes
// nothing; reloading shows the stored list with this desk's new row at the
// end, and the next save stores both.
TEST(DosEscritoriosExtras, LaListaCambiadaNoSeBorra) {
    apoyo::Entorno entorno;
    auto f = apoyo::abrirTarjeta(QStringLiteral("1234-25"));
    FrmExtras x, y;
    QString error;
    ASSERT_TRUE(x.Form_Load(&error) && y.Form_Load(&error)) << error.toStdString();
    auto* rx = control<plataforma::Rejilla>(x, "iExtras");
    auto* ry = control<plataforma::Rejilla>(y, "iExtras");
    const int libre =
        int(entorno
                .valor(QStringLiteral("select count(*) from zelt.contactos_extras where "
                                      "cliente = 1234"))
                .toInt()) +
        1;
    for (auto [r, nombre] : {std::pair{rx, "De X"}, std::pair{ry, "De Y"}}) {
        r->ponerValor(libre, 1, QString::fromUtf8(nombre));
        r->ponerValor(libre, 3, QStringLiteral("6141112233"));
        r->ponerValor(libre, 4, QStringLiteral("Casa"));
    }
    plataforma::Escena::responder(true);
    x.CmdGuardar_Click();
    plataforma::Escena::limpiar();
    plataforma::Escena::responder(true);
    plataforma::Escena::elegir(kRecargar);
    y.CmdGuardar_Click();
    const QStringList e = escena();
    ASSERT_EQ(e.size(), 4) << e.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(e[2].startsWith(QStringLiteral(
        "elige: Otro usuario cambió los contactos extras de este cliente después de que usted "
        "los abrió; no se guardó nada.")));
    const QString contar =
        QStringLiteral("select count(*) from zelt.contactos_extras where cliente = 1234");
    EXPECT_EQ(entorno.valor(contar).toInt(), libre);
    EXPECT_EQ(ry->valor(libre, 1), QStringLiteral("De X"));
    EXPECT_EQ(ry->valor(libre + 1, 1), QStringLiteral("De Y"));
    plataforma::Escena::responder(true);
    y.CmdGuardar_Click();
    EXPECT_EQ(entorno.valor(contar).toInt(), libre + 1);
}

// The card removed by another desk: the change stores nothing and says so;
// saving over stores the window's card anew.
TEST(DosEscritoriosBorrada, GuardarEncimaDeUnaTarjetaBorradaLaDaDeAlta) {
    apoyo::Entorno entorno;
    auto f = apoyo::abrirTarjeta(QStringLiteral("1234-25"));
    txt(*f, "TxtRef1_Telefono")->setText(QStringLiteral("6140000009"));
    entorno.ejecutar(
        QStringLiteral("delete from zelt.tarjeta_telefonica_cliente where cliente = 1234"));
    plataforma::Escena::responder(true);
    plataforma::Escena::elegir(kEncima);
    f->CmdGuardar_Click();
    const QStringList e = escena();
    ASSERT_EQ(e.size(), 5) << e.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(e[2].startsWith(QStringLiteral(
        "elige: La tarjeta de este cliente ya no está guardada: otro usuario la borró")));
    EXPECT_EQ(e[3],
              QStringLiteral("info: Tarjeta Generada Correctamente! | Alta de Tarjeta Telefónica"));
    EXPECT_EQ(entorno
                  .valor(QStringLiteral("select referencia1_telefono from "
                                        "zelt.tarjeta_telefonica_cliente where cliente = 1234"))
                  .toString(),
              QStringLiteral("6140000009"));
    EXPECT_FALSE(f->TarjetaNueva);
}

}  // namespace
