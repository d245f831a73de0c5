// Two desks with the same client open: each window below is a desk, with a
// session (a connection, a user) of its own, as each desk's program has. The merge itself is tested
// without windows first, as tables of base, mine and theirs.

#include <gtest/gtest.h>

#include <QPlainTextEdit>

#include "Controles.h"
#include "Ventanas.h"
#include "controls/Rejilla.h"
#include "domain/Fusion.h"
#include "domain/Global.h"
#include "windows/FrmExtras.h"

using apoyo::escena;

namespace {

// ------------------------------------------------------------- the merge

// Four fields: a check box governing the next two, and a free one. Each
// case gives base, mine and theirs as one letter a field ('-' empty, '_'
// NULL), and the origin of each field: Nadie, Mio, Suyo, Ambos, Conflicto.
TEST(Fusion, CampoPorCampoConLaReglaDeUnaCasilla) {
    struct Caso {
        const char *base, *mio, *suyo, *origen;
    } const casos[] = {
        {"0ab-", "0ab-", "0ab-", "NNNN"},
        {"0ab-", "0ab-", "0abx", "NNNS"},  // only theirs changed it: theirs
        {"0ab-", "0abx", "0ab-", "NNNM"},  // only mine: mine
        {"0ab-", "0abx", "0abx", "NNNA"},  // both, to the same value
        {"0ab-", "0abx", "0aby", "NNNC"},  // both, differently
        {"0a-_", "0a-_", "0a--", "NNNN"},  // NULL and empty are the same
        // They ticked the box (emptying its fields), I typed in one of them:
        // the whole group is settled together.
        {"0a--", "0ay-", "1---", "CCCN"},
        // I ticked it, they changed a free field: no conflict.
        {"0ab-", "1---", "0abx", "MMMS"},
        // Both ticked it.
        {"0ab-", "1---", "1---", "AAAN"},
        // I ticked it, they typed in a field it empties: the group.
        {"0a--", "1---", "0az-", "CCCN"},
    };
    const auto valores = [](const char* s) {
        QVariantList v;
        for (; *s; ++s)
            v << (*s == '_' ? QVariant() : *s == '-' ? QVariant(QString()) : QVariant(QString(*s)));
        return v;
    };
    const QList<Fusion::Regla> reglas{{0, {1, 2}}};
    for (const Caso& c : casos) {
        const QList<Fusion::Origen> o =
            Fusion::Fusionar(valores(c.base), valores(c.mio), valores(c.suyo), reglas);
        QString letras;
        for (const Fusion::Origen x : o) letras += QLatin1Char("NMSAC"[int(x)]);
        EXPECT_EQ(letras, QLatin1String(c.origen)) << c.base << " " << c.mio << " " << c.suyo;
    }
}

// Once the conflicts are settled: whether anything of the other desk's came
// in, whether anything of this desk's is left to save, and the fields of
// theirs the window shows from now on (a conflict settled either way).
TEST(Fusion, LoDeCadaUnoTrasResolverLosConflictos) {
    const struct {
        const char* origen;  // N, M, S, A, C a field
        bool conflictosMios;
        bool deOtro, algoMio;
        QList<int> suyos;
    } casos[] = {
        {"NNA", false, false, false, {}}, {"NMA", false, false, true, {}},
        {"SMN", false, true, true, {0}},  {"CNS", false, true, false, {0, 2}},
        {"CNS", true, true, true, {2}},
    };
    for (const auto& c : casos) {
        QList<Fusion::Origen> origen;
        for (const char* o = c.origen; *o; ++o)
            origen << Fusion::Origen(QByteArray("NMSAC").indexOf(*o));
        const Fusion::Reparto r = Fusion::Repartir(origen, c.conflictosMios);
        EXPECT_EQ(r.deOtro, c.deOtro) << c.origen << c.conflictosMios;
        EXPECT_EQ(r.algoMio, c.algoMio) << c.origen << c.conflictosMios;
        EXPECT_EQ(r.suyos, c.suyos) << c.origen << c.conflictosMios;
    }
}

// What the save of a merged card sends: the guarantor's address and name
// only when they hold this desk's change, aval_Nombre composed anew with the
// name (empty without a guarantor), the city's number following its name.
TEST(Fusion, ElDomicilioYElNombreSeEnvianSoloConUnCambioPropio) {
    Tarjeta::Leida suya;
    suya.fila[QLatin1String("aval_Nombre")] = QStringLiteral("GARCÍA ROSA");
    suya.domicilio = Tarjeta::Domicilio{QStringLiteral("Calle 1"), 3702, {}, {}, {}};
    suya.nombreAval = Tarjeta::NombreAval{QStringLiteral("ROSA"), QStringLiteral("GARCÍA"), {}};
    const int tiene = Tarjeta::Indice(QLatin1String("aval_tiene"));
    const struct {
        int campo;
        QVariant valor;
        int ciudad;  // sent with the address; 0: no address sent
        bool nombre;
        const char* avalNombre;
    } casos[] = {
        {Tarjeta::Indice(QLatin1String("anotaciones")), QStringLiteral("mías"), 0, false,
         "GARCÍA ROSA"},
        {Tarjeta::kCampoMaterno, QStringLiteral("LÓPEZ"), 0, true, "GARCÍA LÓPEZ ROSA"},
        {Tarjeta::kCampoCiudad, QStringLiteral("DELICIAS"), 3705, false, "GARCÍA ROSA"},
        {tiene, 1, 0, false, ""},
    };
    for (const auto& c : casos) {
        const QVariantList base = Tarjeta::Campos(suya);
        QVariantList mios = base;
        mios[c.campo] = c.valor;
        if (c.campo == tiene)
            for (const int g : Tarjeta::Reglas()[2].gobernados) mios[g] = QString();
        const Tarjeta::Combinada m = Tarjeta::Combinar(
            mios, 3705, suya, Fusion::Fusionar(base, mios, base, Tarjeta::Reglas()), false);
        EXPECT_EQ(m.domicilio ? m.domicilio->ciudad.toInt() : 0, c.ciudad) << c.campo;
        EXPECT_EQ(m.nombre.has_value(), c.nombre) << c.campo;
        EXPECT_EQ(m.fila.texto(QLatin1String("aval_Nombre")), QString::fromUtf8(c.avalNombre));
    }
}

// ------------------------------------------------------------- two windows

enum Boton { kLosMios = 0, kLoGuardado = 1, kCancelar = 2 };

struct Escritorio {
    explicit Escritorio(const char* linea)
        : f(apoyo::abrirTarjeta(QLatin1String(linea), &sesion)) {}
    Global::Sesion* sesion = nullptr;
    std::unique_ptr<FrmTelefonos> f;
    // Saves as this desk, a change confirmed, then the given choice if asked.
    QStringList guardar(Boton eleccion = kCancelar) {
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
    Escritorio a{"1234-25"};
    Escritorio b{"1234-ABCDEFG"};

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

// Each desk changes a box of its own: the later save stores both with no
// question, naming who saved in between and what of theirs it now shows.
// Then both change the notes: only that box is asked about, with both
// values; Cancelar stores nothing, and keeping one's own stores the other
// desk's other change too.
TEST_F(DosEscritorios, LoQueCambioSoloUnoSeFusionaYLoDeLosDosSePregunta) {
    b.notas()->setPlainText(QStringLiteral("de B"));
    EXPECT_TRUE(b.guardar().contains(kModificada));
    txt(*a.f, "TxtRef1_Telefono")->setText(QStringLiteral("6140000001"));
    QStringList e = a.guardar();
    ASSERT_EQ(e.size(), 4) << e.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(
        e[2].startsWith(QStringLiteral("info: El usuario ABCDEFG guardó esta tarjeta a las ")))
        << e[2].toStdString();
    EXPECT_TRUE(e[2].endsWith(
        QStringLiteral(" mientras usted la tenía abierta; se guardaron los cambios de los dos. "
                       "Cambió: «Anotaciones». | Cambio a Tarjeta Telefónica")));
    EXPECT_EQ(guardado("anotaciones"), QStringLiteral("de B"));
    EXPECT_EQ(guardado("referencia1_telefono"), QStringLiteral("6140000001"));
    EXPECT_EQ(a.notas()->toPlainText(), QStringLiteral("de B"));

    a.notas()->setPlainText(QStringLiteral("de A"));
    a.guardar();
    b.notas()->setPlainText(QStringLiteral("otra de B"));
    e = b.guardar(kCancelar);
    ASSERT_EQ(e.size(), 4) << e.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(e[2].contains(QStringLiteral(
        " mientras usted la tenía abierta; no se guardó nada.\n\nLos dos cambiaron estos "
        "campos:\n«Anotaciones»: usted «otra de B», guardado «de A»\n\n«Guardar los míos»")))
        << e[2].toStdString();
    EXPECT_EQ(guardado("anotaciones"), QStringLiteral("de A"));
    b.guardar(kLosMios);
    EXPECT_EQ(guardado("anotaciones"), QStringLiteral("otra de B"));
    EXPECT_EQ(guardado("referencia1_telefono"), QStringLiteral("6140000001"));
    EXPECT_EQ(txt(*b.f, "TxtRef1_Telefono")->text(), QStringLiteral("6140000001"));
    // A desk with nothing of its own to store stores nothing, and is shown the card.
    EXPECT_TRUE(a.guardar().value(2).contains(QStringLiteral(
        "; usted no tenía cambios que guardar y se muestra la tarjeta guardada. Cambió: "
        "«Anotaciones».")));
    EXPECT_EQ(a.notas()->toPlainText(), QStringLiteral("otra de B"));
}

// "Sin Cónyuge" ticked by one desk, the spouse's mobile typed by the other:
// the box and the spouse's boxes are asked about together, and leaving what
// is stored leaves the spouse as that desk had it, never "no spouse" with a
// phone.
TEST_F(DosEscritorios, UnaReglaDeCasillaCuentaComoCambioDeSusCampos) {
    txt(*a.f, "TxtConyuge_Celular")->setText(QStringLiteral("6141234567890"));
    FrmTelefonos::PonerCasilla(chk(*b.f, "ChkConyuge"), 1);
    EXPECT_TRUE(b.guardar().contains(kModificada));
    const QStringList e = a.guardar(kLoGuardado);
    ASSERT_EQ(e.size(), 5) << e.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(e[2].contains(QStringLiteral(
        "\n«Cónyuge»: usted «Ernesto Ríos Quiñones», guardado «»\n«Sin Cónyuge» (Cónyuge): "
        "usted sin marcar, guardado marcada\n«Celular» (Cónyuge): usted «6141234567890», "
        "guardado «»\n")))
        << e[2].toStdString();
    EXPECT_EQ(guardado("conyuge_tiene"), QStringLiteral("1"));
    EXPECT_EQ(guardado("conyuge_celular"), QString());
    EXPECT_TRUE(chk(*a.f, "ChkConyuge")->isChecked());
}

// When the stored card cannot be read after another desk's save, the message
// says so once, with the database's words once, and keeps the typing.
TEST_F(DosEscritorios, SiNoSePuedeLeerLoGuardadoSeDiceUnaVez) {
    b.notas()->setPlainText(QStringLiteral("de B"));
    b.guardar();
    txt(*a.f, "TxtRef1_Telefono")->setText(QStringLiteral("6140000001"));
    apoyo::Grabadora g(*a.sesion);
    g.fallarEn(2);  // the reading of the card after the change met B's
    EXPECT_EQ(a.guardar().value(2),
              QStringLiteral("error: Otro usuario guardó esta tarjeta mientras usted la tenía "
                             "abierta y no se pudo leer cómo quedó; no se guardó nada. Lo "
                             "capturado sigue en pantalla: vuelva a guardar en un momento y, si "
                             "el problema sigue, avise a sistemas.\nDetalle: fallo simulado del "
                             "servidor | Guardar Cambios"));
    EXPECT_EQ(txt(*a.f, "TxtRef1_Telefono")->text(), QStringLiteral("6140000001"));
}

// The window's check-box rules and the merge's are the same: ticking each
// box changes exactly the boxes of the fields its rule governs.
TEST_F(DosEscritorios, LasReglasDeLaVentanaSonLasDeLaFusion) {
    for (const Fusion::Regla& r : Tarjeta::Reglas()) {
        auto f = apoyo::abrirTarjeta(QStringLiteral("1234-25"));
        auto* casilla = qobject_cast<QCheckBox*>(f->cajaDeCampo(r.casilla));
        ASSERT_TRUE(casilla);
        FrmTelefonos::PonerCasilla(casilla, 0);
        QList<QLineEdit*> cajas = f->findChildren<QLineEdit*>();
        for (QLineEdit* c : std::as_const(cajas)) c->setText(QStringLiteral("x"));
        FrmTelefonos::PonerCasilla(casilla, 1);
        QSet<QWidget*> cambiadas, gobernadas;
        for (QLineEdit* c : std::as_const(cajas))
            if (c->text() != QLatin1String("x") && c != cmb(*f, "CmbMunicipios")->lineEdit())
                cambiadas << c;
        for (const int g : r.gobernados) gobernadas << f->cajaDeCampo(g);
        EXPECT_EQ(cambiadas, gobernadas) << casilla->objectName().toStdString();
    }
}

// A new card another desk created meanwhile: the insert stores nothing; the
// two cards are merged like two changes, asking about the box both filled.
TEST(DosEscritoriosNueva, OtroDioDeAltaLaTarjetaEntretanto) {
    apoyo::Entorno entorno;
    auto f = apoyo::abrirTarjeta(QStringLiteral("1235-25"));
    txt(*f, "TxtDueno")->setText(QStringLiteral("lo que escribí"));
    txt(*f, "TxtRef2_Telefono")->setText(QStringLiteral("6145550000"));
    entorno.ejecutar(QStringLiteral(
        "insert into zelt.tarjeta_telefonica_cliente (cliente, Principal_Nombre, usuario_genera, "
        "fecha_genera) values (1235, 'de otro', 'ABCDEFG', '2025-11-03 09:05:00')"));
    plataforma::Escena::elegir(kCancelar);
    f->CmdGuardar_Click();
    QStringList e = escena();
    ASSERT_EQ(e.size(), 3);
    EXPECT_TRUE(e[1].startsWith(
        QStringLiteral("elige: El usuario ABCDEFG dio de alta una tarjeta para este cliente el "
                       "03/11/2025 a las 09:05 mientras usted capturaba esta; no se guardó "
                       "nada.\n\nLos dos cambiaron estos campos:\n«Dueño» (Principal): usted "
                       "«lo que escribí», guardado «de otro»\n\n")))
        << e[1].toStdString();
    EXPECT_EQ(txt(*f, "TxtDueno")->text(), QStringLiteral("lo que escribí"));

    plataforma::Escena::limpiar();
    plataforma::Escena::elegir(kLoGuardado);
    f->CmdGuardar_Click();
    const auto guardado = [&](const char* c) {
        return entorno
            .valor(QStringLiteral("select %1 from zelt.tarjeta_telefonica_cliente where cliente = "
                                  "1235")
                       .arg(QLatin1String(c)))
            .toString();
    };
    EXPECT_EQ(guardado("Principal_Nombre"), QStringLiteral("de otro"));
    EXPECT_EQ(guardado("referencia2_telefono"), QStringLiteral("6145550000"));
    EXPECT_EQ(txt(*f, "TxtDueno")->text(), QStringLiteral("de otro"));
    EXPECT_EQ(cmd(*f, "CmdGuardar")->text(), QStringLiteral("&Cambiar"));
    EXPECT_FALSE(f->TarjetaNueva);
}

// The extra contacts, two desks on one list: what each desk did to the rows
// it read is merged row by row into what the other stored.
class DosEscritoriosExtras : public ::testing::Test {
protected:
    apoyo::Entorno entorno;
    std::unique_ptr<FrmTelefonos> tarjeta = apoyo::abrirTarjeta(QStringLiteral("1234-25"));
    FrmExtras x{apoyo::abrirSesion(QStringLiteral("1234-25"))};
    FrmExtras y{apoyo::abrirSesion(QStringLiteral("1234-ABCDEFG"))};
    plataforma::Rejilla* rx = control<plataforma::Rejilla>(x, "iExtras");
    plataforma::Rejilla* ry = control<plataforma::Rejilla>(y, "iExtras");

    void SetUp() override {
        QString error;
        ASSERT_TRUE(x.Form_Load(&error) && y.Form_Load(&error)) << error.toStdString();
    }
    // Saves the desk's contacts, the change confirmed and the given button
    // (Cancelar unless told) chosen if asked.
    static QStringList guardar(FrmExtras& escritorio, int eleccion = 2) {
        plataforma::Escena::limpiar();
        plataforma::Escena::responder(true);
        plataforma::Escena::elegir(eleccion);
        escritorio.CmdGuardar_Click();
        return escena();
    }
    // "name phone" of each stored row, in order.
    QStringList guardados() {
        QStringList s;
        for (const QVariantList& f : entorno.filas(QStringLiteral(
                 "select Nombre, Telefono from zelt.contactos_extras where cliente = "
                 "1234 order by id")))
            s << f[0].toString() + QLatin1Char(' ') + f[1].toString();
        return s;
    }
};

const QString kOtroCambio = QStringLiteral(
    "Otro usuario cambió los contactos extras de este cliente mientras usted los tenía abiertos; ");

// Y corrects Carmen's phone and drops "Taller Ríos" while X adds a row and
// saves: Y's save stores both desks' changes with no question, and says so.
// X, whose origins were renumbered by its own save, then changes its row:
// nothing comes back, nothing is doubled.
TEST_F(DosEscritoriosExtras, LosCambiosDeLosDosSeGuardanSinPreguntar) {
    ry->ponerValor(1, 3, QStringLiteral("6144009999"));
    ry->ponerValor(4, 1, QString());
    rx->ponerValor(5, 1, QStringLiteral("De X"));
    rx->ponerValor(5, 3, QStringLiteral("6141112233"));
    rx->ponerValor(5, 4, QStringLiteral("Casa"));
    EXPECT_TRUE(guardar(x).contains(
        QStringLiteral("info: Contactos Guardados Correctamente! | Guardar Contactos")));

    QStringList e = guardar(y);
    ASSERT_EQ(e.size(), 4) << e.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(e[2], QStringLiteral("info: ") + kOtroCambio +
                        QStringLiteral("se guardaron los cambios de los dos. Agregó o cambió: «De "
                                       "X». | Guardar Contactos"));
    EXPECT_EQ(guardados(),
              (QStringList{"Carmen Hernández 6144009999", "Oficina del cónyuge 6144201100",
                           "Rosa Elena García 0446143332211", "De X 6141112233"}));
    EXPECT_EQ(ry->valor(4, 1), QStringLiteral("De X"));

    rx->ponerValor(5, 3, QStringLiteral("6141112244"));
    e = guardar(x);
    ASSERT_EQ(e.size(), 4) << e.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(
        e[2].endsWith(QStringLiteral("Agregó o cambió: «Carmen Hernández». Borró: «Taller "
                                     "Ríos». | Guardar Contactos")))
        << e[2].toStdString();
    EXPECT_EQ(guardados(),
              (QStringList{"Carmen Hernández 6144009999", "Oficina del cónyuge 6144201100",
                           "Rosa Elena García 0446143332211", "De X 6141112244"}));
}

// Both desks changed the same row: the question names it with both values;
// Cancelar writes nothing and keeps the grid, «Guardar los míos» stores this
// desk's row once.
TEST_F(DosEscritoriosExtras, LaMismaFilaCambiadaSeNombraConLosDosValores) {
    rx->ponerValor(1, 3, QStringLiteral("6144000001"));
    guardar(x);
    ry->ponerValor(1, 3, QStringLiteral("6144000002"));
    QStringList e = guardar(y);
    ASSERT_EQ(e.size(), 4) << e.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(e[2],
              QStringLiteral("elige: ") + kOtroCambio +
                  QStringLiteral(
                      "no se guardó nada.\n\nLos dos cambiaron estas filas:\n«Carmen "
                      "Hernández»: usted «Carmen Hernández · Cliente · 6144000002 · Casa · Madre "
                      "de la cliente», guardado «Carmen Hernández · Cliente · 6144000001 · Casa · "
                      "Madre de la cliente»\n\n«Guardar los míos» guarda estas filas como usted "
                      "las dejó; «Dejar lo guardado» las deja como las guardó el otro usuario. En "
                      "los dos casos se guardan también los demás cambios de los dos. «Cancelar» "
                      "no guarda nada. | Guardar Cambios"));
    EXPECT_EQ(guardados().value(0), QStringLiteral("Carmen Hernández 6144000001"));
    EXPECT_EQ(ry->valor(1, 3), QStringLiteral("6144000002"));

    e = guardar(y, 0);
    ASSERT_EQ(e.size(), 5) << e.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(e[3].startsWith(QStringLiteral("info: ") + kOtroCambio)) << e[3].toStdString();
    EXPECT_EQ(guardados(),
              (QStringList{"Carmen Hernández 6144000002", "Oficina del cónyuge 6144201100",
                           "Rosa Elena García 0446143332211", "Taller Ríos 6144887766"}));
}

// The card removed by another desk: «Guardar de nuevo» stores the window's
// card anew and leaves the guarantor's contact row (its e-mail and birth
// date) alone, its name untouched; «Cerrar» closes the window, storing nothing.
TEST(DosEscritoriosBorrada, GuardarDeNuevoNoTocaElContactoDelAval) {
    apoyo::Entorno entorno;
    const QString contacto = QStringLiteral(
        "select nombre, correo, substr(nacimiento, 1, 10) from zelt.contactos_cliente where "
        "cliente = 1234");
    const QList<QVariantList> antes = entorno.filas(contacto);
    const QString borrar =
        QStringLiteral("delete from zelt.tarjeta_telefonica_cliente where cliente = 1234");
    const QString celular = QStringLiteral(
        "select referencia1_celular, aval_Nombre from "
        "zelt.tarjeta_telefonica_cliente where cliente = 1234");
    auto f = apoyo::abrirTarjeta(QStringLiteral("1234-25"));
    txt(*f, "TxtRef1_Celular")->setText(QStringLiteral("6141112223334"));
    entorno.ejecutar(borrar);
    plataforma::Escena::responder(true);
    plataforma::Escena::elegir(0);
    f->CmdGuardar_Click();
    const QStringList e = escena();
    ASSERT_EQ(e.size(), 5) << e.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(e[2].startsWith(QStringLiteral(
        "elige: La tarjeta de este cliente ya no está guardada: otro usuario la borró")));
    EXPECT_EQ(e[3],
              QStringLiteral("info: Tarjeta Generada Correctamente! | Alta de Tarjeta Telefónica"));
    EXPECT_EQ(entorno.filas(celular),
              (QList<QVariantList>{
                  {QStringLiteral("6141112223334"), QStringLiteral("GARCÍA MEDINA ROSA ELENA")}}));
    EXPECT_EQ(entorno.filas(contacto), antes);
    EXPECT_EQ(antes.value(0).value(1), QStringLiteral("rosa.garcia@example.com"));

    entorno.ejecutar(borrar);
    plataforma::Escena::limpiar();
    plataforma::Escena::responder(true);
    plataforma::Escena::elegir(1);
    f->CmdGuardar_Click();
    EXPECT_FALSE(f->isVisible());
    EXPECT_TRUE(entorno.filas(celular).isEmpty());
}

}  // namespace
