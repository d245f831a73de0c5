// The extra-contacts window: the grid, loading, Enter and Escape, the phone
// check, and saving the client's contacts as a whole.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "Controles.h"
#include "Ventanas.h"
#include "controls/Rejilla.h"
#include "domain/Contactos.h"
#include "domain/Global.h"
#include "windows/FrmExtras.h"

using apoyo::escena;

namespace {

const QString kGuardado =
    QStringLiteral("info: Contactos Guardados Correctamente! | Guardar Contactos");
const QString kPregunta = QStringLiteral(
    "pregunta: Se Dispone a Modificar los Contactos Extra del Cliente, esta seguro? | Guardar "
    "Cambios");
const QString kMalTelefono = QStringLiteral(
    "error: Revise la longitud de los teléfonos capturados, para fijos es de 10 posiciones y "
    "celulares de 13 | "
    "Error de Captura");

class Extras : public ::testing::Test {
protected:
    apoyo::Entorno entorno;
    Global::Sesion& sesion = apoyo::nuevaSesion();
    void SetUp() override {
        QString error;
        ASSERT_TRUE(Global::AbrirSesion(&sesion, &error)) << error.toStdString();
        sesion.cliente = 1234;
    }
    std::unique_ptr<FrmExtras> abrir() {
        auto f = std::make_unique<FrmExtras>(sesion);
        QString error;
        EXPECT_TRUE(f->Form_Load(&error)) << error.toStdString();
        f->show();
        f->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(f.get()));
        return f;
    }
    void sembrar(int cliente, int cuantos) {
        entorno.ejecutar(QStringLiteral("delete from zelt.contactos_extras where Cliente = ?"),
                         {cliente});
        for (int i = 1; i <= cuantos; ++i)
            entorno.ejecutar(QStringLiteral("insert into zelt.contactos_extras (Cliente, Nombre, "
                                            "Parentesco, Telefono, lugar, Nota) "
                                            "values (?, ?, 'Cliente', '6140000000', 'Casa', '')"),
                             {cliente, QStringLiteral("Contacto %1").arg(i)});
    }
    QList<QVariantList> guardados(int cliente = 1234) {
        return entorno.filas(
            QStringLiteral(
                "select Nombre, Parentesco, Telefono, lugar, Nota from zelt.contactos_extras "
                "where Cliente = ? order by id"),
            {cliente});
    }
    static void fila(plataforma::Rejilla* g, int r, const QStringList& valores) {
        for (int c = 0; c < valores.size(); ++c) g->ponerValor(r, c + 1, valores[c]);
    }
};

TEST_F(Extras, RejillaConSusColumnasListasYDiezFilas) {
    sembrar(1234, 0);
    auto f = abrir();
    auto* g = control<plataforma::Rejilla>(*f, "iExtras");
    EXPECT_EQ(f->windowTitle(), QStringLiteral("Contactos Extras"));
    ASSERT_EQ(g->columnCount(), 5);
    const QStringList encabezados{"Nombre", "Grupo", "Teléfono", "Lugar Teléfono", "Nota"};
    const QList<int> anchos{180, 100, 150, 90, 180};
    for (int c = 0; c < 5; ++c) {
        EXPECT_EQ(g->horizontalHeaderItem(c)->text(), encabezados[c]);
        EXPECT_EQ(g->columnWidth(c), anchos[c]);
    }
    EXPECT_EQ(g->listaDeColumna(2), QStringLiteral("Grupo"));
    EXPECT_EQ(g->listaDeColumna(4), QStringLiteral("Lugar"));
    EXPECT_EQ(g->lista(QStringLiteral("Lugar")), (QStringList{"Casa", "Trabajo", "Celular"}));
    EXPECT_EQ(g->lista(QStringLiteral("Grupo")),
              (QStringList{"Cliente", "Conyuge", "Aval", "Conyuge del Aval", "Referencia 1",
                           "Referencia 2", "Referencia 3", "Referencia 4"}));
    EXPECT_EQ(g->filas(), 10);
    for (int r = 0; r < 10; ++r) EXPECT_EQ(g->rowHeight(r), 30);
    EXPECT_EQ(cmd(*f, "CmdGuardar")->text(), QStringLiteral("&Guardar"));
    // Made top-most first thing.
    ASSERT_FALSE(plataforma::Escena::sucesos().isEmpty());
    EXPECT_EQ(plataforma::Escena::sucesos()[0].tipo, plataforma::Suceso::Tipo::SobreTodo);
    EXPECT_EQ(plataforma::Escena::sucesos()[0].ventana, f.get());
}

TEST_F(Extras, FilasSegunLosContactosGuardados) {
    const struct { int contactos, filas; } casos[] = {{0, 10}, {9, 10}, {10, 11}, {25, 26}};
    for (const auto& c : casos) {
        sembrar(1234, c.contactos);
        auto f = abrir();
        EXPECT_EQ(control<plataforma::Rejilla>(*f, "iExtras")->filas(),
                  c.contactos < 10 ? 10 : c.contactos + 1)
            << c.contactos;
        EXPECT_EQ(control<plataforma::Rejilla>(*f, "iExtras")->filas(), c.filas);
        for (int r = 1; r <= c.contactos; ++r)
            EXPECT_EQ(control<plataforma::Rejilla>(*f, "iExtras")->valor(r, 1),
                      QStringLiteral("Contacto %1").arg(r));
        EXPECT_TRUE(
            control<plataforma::Rejilla>(*f, "iExtras")->valor(c.contactos + 1, 1).isEmpty());
        for (int r = 0; r < control<plataforma::Rejilla>(*f, "iExtras")->filas(); ++r)
            EXPECT_EQ(control<plataforma::Rejilla>(*f, "iExtras")->rowHeight(r), 30);
    }
}

TEST_F(Extras, ValoresComoEstanGuardados) {
    sembrar(1234, 0);
    entorno.ejecutar(
        QStringLiteral("insert into zelt.contactos_extras (Cliente, Nombre, Parentesco, Telefono, "
                       "lugar, Nota) values "
                       "(1234, '  Ana  ', 'Compadre', ' 6141112233 ', 'Otro', ' nota ')"));
    auto f = abrir();
    EXPECT_EQ(control<plataforma::Rejilla>(*f, "iExtras")->valor(1, 1), QStringLiteral("  Ana  "));
    EXPECT_EQ(control<plataforma::Rejilla>(*f, "iExtras")->valor(1, 2), QStringLiteral("Compadre"));
    EXPECT_EQ(control<plataforma::Rejilla>(*f, "iExtras")->valor(1, 3),
              QStringLiteral(" 6141112233 "));
    EXPECT_EQ(control<plataforma::Rejilla>(*f, "iExtras")->valor(1, 4), QStringLiteral("Otro"));
    EXPECT_EQ(control<plataforma::Rejilla>(*f, "iExtras")->valor(1, 5), QStringLiteral(" nota "));
    // The place list does not hold "Otro", yet editing the cell keeps it.
    control<plataforma::Rejilla>(*f, "iExtras")->setCurrentCell(0, 3);
    control<plataforma::Rejilla>(*f, "iExtras")
        ->editItem(control<plataforma::Rejilla>(*f, "iExtras")->item(0, 3));
    auto* combo =
        qobject_cast<QComboBox*>(control<plataforma::Rejilla>(*f, "iExtras")->editorAbierto());
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->currentText(), QStringLiteral("Otro"));
    EXPECT_EQ(combo->count(), 3);
    control<plataforma::Rejilla>(*f, "iExtras")->confirmarEdicion();
    EXPECT_EQ(control<plataforma::Rejilla>(*f, "iExtras")->valor(1, 4), QStringLiteral("Otro"));
}

TEST_F(Extras, EnterAgregaUnaFilaDondeSeaEscapeCierraSinGuardar) {
    auto f = abrir();
    auto* g = control<plataforma::Rejilla>(*f, "iExtras");
    const int antes = g->filas();
    g->setFocus();
    g->setCurrentCell(2, 0);
    QTest::keyClick(g, Qt::Key_Return);
    EXPECT_EQ(g->filas(), antes + 1);
    EXPECT_EQ(g->rowHeight(g->filas() - 1), 30);
    // Also while a cell is being edited.
    g->editItem(g->item(0, 0));
    QWidget* editor = g->editorAbierto();
    ASSERT_NE(editor, nullptr);
    QTRY_VERIFY(editor->hasFocus());
    QTest::keyClicks(editor, QStringLiteral("Nuevo"));
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(g->filas(), antes + 2);
    QTRY_COMPARE(g->valor(1, 1), QStringLiteral("Nuevo"));
    // Escape from an open editor closes the window: nothing asked, nothing saved.
    g->setCurrentCell(0, 4);
    g->editItem(g->item(0, 4) ? g->item(0, 4)
                              : (g->setItem(0, 4, new QTableWidgetItem), g->item(0, 4)));
    QTRY_VERIFY(g->editorAbierto() && g->editorAbierto()->hasFocus());
    plataforma::Escena::limpiar();
    QTest::keyClick(g->editorAbierto(), Qt::Key_Escape);
    EXPECT_FALSE(f->isVisible());
    EXPECT_EQ(f->result(), QDialog::Rejected);
    EXPECT_TRUE(escena().isEmpty());
    EXPECT_EQ(guardados()[0][0].toString(), QStringLiteral("Carmen Hernández"));
}

struct CasoTelefono {
    const char* telefono;
    const char* lugar;
    bool valido;
};

TEST_F(Extras, TelefonoSegunElLugar) {
    const CasoTelefono casos[] = {
        {"6141234567", "Casa", true},
        {"6141234567", "Trabajo", true},
        {"6141234567", "Otro", true},
        {"6141234567", "Casa      ", true},  // as a CHAR column sends it
        {"6141234567", "Celular", false},
        {"0446141234567", "Celular", true},
        {"0446141234567", "Casa", false},
        {"6141234567", "casa", false},
        {" 6141234567 ", "Casa", true},
        {"614123456", "Casa", false},
        {"614-1234567", "Casa", false},
        {"614 1234567", "Casa", false},
        {"12345.6789", "Casa", false},
        {"+123456789", "Casa", false},
        {"1,23456789", "Casa", false},
        {"6141234567", "", false},
        {"6141234567", "Lugar", false},
        {"", "", true},
        {"", "Celular", true},
    };
    auto f = abrir();
    for (const auto& c : casos) {
        for (int r = 1; r <= control<plataforma::Rejilla>(*f, "iExtras")->filas(); ++r)
            for (int k = 1; k <= 5; ++k)
                control<plataforma::Rejilla>(*f, "iExtras")->ponerValor(r, k, QString());
        fila(control<plataforma::Rejilla>(*f, "iExtras"), 3,
             {"Alguien", "Cliente", QString::fromLatin1(c.telefono), QString::fromLatin1(c.lugar)});
        f->ValidarTelefonos();
        EXPECT_EQ(f->ContactosValidos, c.valido) << c.telefono << " / " << c.lugar;
    }
    // A phone in a row without a name is checked too.
    fila(control<plataforma::Rejilla>(*f, "iExtras"), 3, {"", "", "123", "Casa"});
    f->ValidarTelefonos();
    EXPECT_FALSE(f->ContactosValidos);
}

TEST_F(Extras, TelefonoMalNoGuardaNada) {
    auto f = abrir();
    fila(control<plataforma::Rejilla>(*f, "iExtras"), 1, {"Carmen", "Cliente", "61400", "Casa"});
    plataforma::Escena::limpiar();
    f->CmdGuardar_Click();
    EXPECT_EQ(escena(), (QStringList{"no-encima", kMalTelefono, "encima"}));
    EXPECT_EQ(guardados().size(), 4);
    EXPECT_EQ(control<plataforma::Rejilla>(*f, "iExtras")->valor(1, 3), QStringLiteral("61400"));
}

TEST_F(Extras, ConNoLaTablaNoCambia) {
    auto f = abrir();
    fila(control<plataforma::Rejilla>(*f, "iExtras"), 1, {"Otra persona", "Aval", "", ""});
    plataforma::Escena::limpiar();
    apoyo::Grabadora g;
    f->CmdGuardar_Click();
    EXPECT_EQ(escena(), (QStringList{"no-encima", kPregunta, "encima"}));
    EXPECT_TRUE(plataforma::Escena::sucesos()[1].noPorDefecto);
    EXPECT_TRUE(g.operaciones.isEmpty());
    EXPECT_EQ(guardados()[0][0].toString(), QStringLiteral("Carmen Hernández"));
}

TEST_F(Extras, GuardarBorraEInsertaLasFilasConNombreEnOrden) {
    auto f = abrir();
    auto* r = control<plataforma::Rejilla>(*f, "iExtras");
    fila(r, 1, {"Primero", "Aval", " 6141234567 ", "Casa", "nota 'uno'"});
    fila(r, 2, {"", "Cliente", "6141234567", "Trabajo", "sin nombre: no se guarda"});
    fila(r, 3, {"O'Brien; DROP TABLE x", "Grupo raro", "", "", ""});
    fila(r, 4, {"", "", "", "", ""});
    r->agregarFila();
    fila(r, r->filas(), {"Último", "Referencia 4", "0446141234567", "Celular", "Ñandú"});
    plataforma::Escena::limpiar();
    plataforma::Escena::responder(true);
    apoyo::Grabadora g;
    f->CmdGuardar_Click();
    EXPECT_EQ(escena(), (QStringList{"no-encima", kPregunta, kGuardado, "encima"}));
    QStringList esperado{"BEGIN",
                         "SELECT Nombre, parentesco, telefono, Lugar, Nota FROM "
                         "zelt.dbo.contactos_extras WITH (UPDLOCK, HOLDLOCK) WHERE cliente = 1234",
                         "DELETE FROM zelt.dbo.contactos_extras WHERE Cliente=1234"};
    const QString insertar = QStringLiteral(
        "INSERT INTO zelt.dbo.contactos_extras (Cliente,Nombre,Parentesco,Telefono,lugar,Nota) "
        "VALUES (1234,?,?,?,?,?)");
    esperado << insertar << insertar << insertar << "COMMIT";
    EXPECT_EQ(g.textos(), esperado);
    const auto filas = guardados();
    ASSERT_EQ(filas.size(), 3);
    EXPECT_EQ(filas[0], (QVariantList{"Primero", "Aval", " 6141234567 ", "Casa", "nota 'uno'"}));
    EXPECT_EQ(filas[1], (QVariantList{"O'Brien; DROP TABLE x", "Grupo raro", "", "", ""}));
    EXPECT_EQ(filas[2],
              (QVariantList{"Último", "Referencia 4", "0446141234567", "Celular", "Ñandú"}));
    // The grid stays as it was; the next opening shows what was saved.
    EXPECT_EQ(r->valor(2, 5), QStringLiteral("sin nombre: no se guarda"));
    f.reset();
    auto otra = abrir();
    EXPECT_EQ(control<plataforma::Rejilla>(*otra, "iExtras")->valor(2, 1),
              QStringLiteral("O'Brien; DROP TABLE x"));
    EXPECT_EQ(control<plataforma::Rejilla>(*otra, "iExtras")->filas(), 10);
}

TEST_F(Extras, SinNombresBorraTodoYAvisaIgual) {
    auto f = abrir();
    for (int r = 1; r <= 4; ++r)
        control<plataforma::Rejilla>(*f, "iExtras")->ponerValor(r, 1, QString());
    plataforma::Escena::responder(true);
    f->CmdGuardar_Click();
    EXPECT_TRUE(escena().contains(kGuardado));
    EXPECT_TRUE(guardados().isEmpty());
}

TEST_F(Extras, LoQueSeEstaEditandoTambienSeGuarda) {
    auto f = abrir();
    auto* r = control<plataforma::Rejilla>(*f, "iExtras");
    r->setCurrentCell(0, 4);
    r->editItem(r->item(0, 4));
    auto* editor = qobject_cast<QLineEdit*>(r->editorAbierto());
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("escrito sin salir de la celda"));
    plataforma::Escena::responder(true);
    cmd(*f, "CmdGuardar")->click();  // by its access key: the focus stays in the cell
    EXPECT_TRUE(escena().contains(kGuardado)) << escena().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(guardados()[0][4].toString(), QStringLiteral("escrito sin salir de la celda"));
}

TEST_F(Extras, UnFalloAMitadDejaLosContactosComoEstaban) {
    auto f = abrir();
    const auto antes = guardados();
    fila(control<plataforma::Rejilla>(*f, "iExtras"), 1, {"Cambio 1", "Aval", "", "", ""});
    fila(control<plataforma::Rejilla>(*f, "iExtras"), 5, {"Nuevo", "Aval", "", "", ""});
    plataforma::Escena::limpiar();
    {
        apoyo::Grabadora g;
        g.fallarEn(3, QStringLiteral("Communication link failure"));  // the second insert
        plataforma::Escena::responder(true);
        f->CmdGuardar_Click();
    }
    QStringList e = escena();
    ASSERT_EQ(e.size(), 4) << e.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(e[2].startsWith(QStringLiteral("error: No se pudieron guardar los contactos")));
    EXPECT_TRUE(e[2].contains(QStringLiteral("Communication link failure")));
    EXPECT_EQ(e[3], QStringLiteral("encima"));
    EXPECT_EQ(guardados(), antes);
    EXPECT_EQ(control<plataforma::Rejilla>(*f, "iExtras")->valor(5, 1), QStringLiteral("Nuevo"));
    // A value too long for its column is named before anything is sent.
    control<plataforma::Rejilla>(*f, "iExtras")->ponerValor(2, 5, QString(300, QLatin1Char('n')));
    plataforma::Escena::limpiar();
    plataforma::Escena::responder(true);
    {
        apoyo::Grabadora g;
        f->CmdGuardar_Click();
        EXPECT_TRUE(g.operaciones.isEmpty());
    }
    EXPECT_EQ(escena()[2],
              QStringLiteral("error: «Nota» de la fila 2 tiene 300 caracteres y la base de datos "
                             "guarda a lo más 250. Acórtelo y vuelva a guardar; no se guardó "
                             "nada. | Error de Captura"));
    EXPECT_EQ(guardados(), antes);
    // Corrected, a second press stores it all.
    control<plataforma::Rejilla>(*f, "iExtras")->ponerValor(2, 5, QStringLiteral("corta"));
    plataforma::Escena::limpiar();
    plataforma::Escena::responder(true);
    f->CmdGuardar_Click();
    EXPECT_TRUE(escena().contains(kGuardado));
    EXPECT_EQ(guardados().size(), 5);
    EXPECT_EQ(guardados()[0][0].toString(), QStringLiteral("Cambio 1"));
}

// Each cell's editor takes what its table column holds.
TEST_F(Extras, CadaCeldaAdmiteLoQueGuardaSuColumna) {
    auto f = abrir();
    auto* r = control<plataforma::Rejilla>(*f, "iExtras");
    const int anchos[] = {100, 30, 30, 30, 250};
    for (int c = 0; c < 5; ++c) {
        r->ponerValor(6, c + 1, QString());
        r->setCurrentCell(5, c);
        r->editItem(r->item(5, c));
        QWidget* editor = r->editorAbierto();
        auto* combo = qobject_cast<QComboBox*>(editor);
        QLineEdit* edicion = combo ? combo->lineEdit() : qobject_cast<QLineEdit*>(editor);
        ASSERT_NE(edicion, nullptr) << c;
        QTest::keyClicks(edicion, QString(anchos[c] + 5, QLatin1Char('7')));
        EXPECT_EQ(edicion->text().size(), anchos[c]) << c;
        r->confirmarEdicion();
    }
}

// A stored row the user leaves alone goes back as it is, whatever the checks
// would say of it typed (a phone with "+"); once changed, it is checked.
TEST_F(Extras, UnaFilaGuardadaSinTocarNoSeRechaza) {
    sembrar(1234, 1);
    entorno.ejecutar(
        QStringLiteral("insert into zelt.contactos_extras (Cliente, Nombre, Parentesco, Telefono, "
                       "lugar, Nota) values (1234, 'Otra', 'Aval', '+521234567890', 'Celular', "
                       "'')"));
    auto f = abrir();
    for (const bool tocada : {false, true}) {
        if (tocada) control<plataforma::Rejilla>(*f, "iExtras")->ponerValor(2, 5, "nota");
        plataforma::Escena::limpiar();
        plataforma::Escena::responder(true);
        f->CmdGuardar_Click();
        EXPECT_EQ(escena().value(1), tocada ? kMalTelefono : kPregunta) << tocada;
    }
    EXPECT_EQ(guardados().value(1).value(2), QStringLiteral("+521234567890"));
}

// Two desks' changes merged by rows, with no window: the rows as read, what
// this desk did to them (by the index of the row each grid row showed; an
// empty row removes it) and the rows stored now, both ways of settling the
// rows both desks changed.
TEST(FusionDeContactos, PorFilas) {
    auto f = [](const char* nombre, const char* telefono = "6140000000") {
        return QStringList{QString::fromUtf8(nombre), QStringLiteral("Cliente"),
                           QString::fromLatin1(telefono), QStringLiteral("Casa"), QString()};
    };
    auto conBlancos = [](QStringList fila) {  // as a CHAR(n) column sends it
        for (int i = 0; i < 5; ++i) fila[i] = fila[i].leftJustified(Contactos::kAnchos[i]);
        return fila;
    };
    const QStringList a = f("Ana"), b = f("Beto"), c = f("Ceci"), a1 = f("Ana", "6141111111"),
                      a2 = f("Ana", "6142222222");
    const QList<QStringList> base{a, b};
    using L = QList<QStringList>;
    const struct {
        const char* caso;
        QList<Contactos::Mia> mias;
        L suyas, guardado, mios;
        QStringList choques;
        int cambiosSuyos;
    } casos[] = {
        {"mi cambio, su alta", {{0, a1}}, {a, b, c}, {a1, b, c}, {a1, b, c}, {}, 1},
        {"mi baja de una intacta", {{1, {}}}, {a, b, c}, {a, c}, {a, c}, {}, 1},
        {"los dos la borran", {{1, {}}}, {a}, {a}, {a}, {}, 1},
        {"el mismo cambio", {{0, a1}}, {a1, b}, {a1, b}, {a1, b}, {}, 1},
        {"cambios distintos", {{0, a1}}, {a2, b}, {a2, b}, {a1, b}, {"Ana"}, 1},
        {"mi baja, su cambio", {{0, {}}}, {a2, b}, {a2, b}, {b}, {"Ana"}, 1},
        {"mi cambio, su baja", {{0, a1}}, {b}, {b}, {b, a1}, {"Ana"}, 1},
        {"la misma alta", {{-1, c}}, {a, b, c}, {a, b, c}, {a, b, c}, {}, 1},
        {"guardadas con blancos de CHAR",
         {{0, a}, {1, b}, {-1, c}},
         {conBlancos(a), conBlancos(b)},
         {conBlancos(a), conBlancos(b), c},
         {conBlancos(a), conBlancos(b), c},
         {},
         0},
    };
    for (const auto& k : casos) {
        for (const bool mios : {false, true}) {
            const Contactos::Fusionada r = Contactos::Fusionar(base, k.mias, k.suyas, mios);
            EXPECT_EQ(r.filas, mios ? k.mios : k.guardado) << k.caso << " " << mios;
            QStringList choques;
            for (const Contactos::Choque& ch : r.choques) choques << ch.nombre;
            EXPECT_EQ(choques, k.choques) << k.caso;
            EXPECT_EQ(r.cambiadasPorOtro.size() + r.borradasPorOtro.size(), k.cambiosSuyos)
                << k.caso;
        }
        EXPECT_EQ(Contactos::MismasFilas(k.suyas, base), k.cambiosSuyos == 0) << k.caso;
    }
}

TEST(ExtrasDesdeLaTarjeta, LaTarjetaDejaDeEstarEncimaMientrasSeVe) {
    apoyo::Entorno e;
    auto f = apoyo::abrirTarjeta(QStringLiteral("1234-25"));
    QPointer<FrmExtras> vista;
    int filas = 0;
    QTimer::singleShot(0, [&] {
        vista = qobject_cast<FrmExtras*>(QApplication::activeModalWidget());
        if (!vista) return;
        filas = control<plataforma::Rejilla>(*vista, "iExtras")->filas();
        QTest::keyClick(vista, Qt::Key_Escape);
    });
    cmd(*f, "CmdExtras")->click();
    EXPECT_EQ(filas, 10);
    const auto& s = plataforma::Escena::sucesos();
    ASSERT_EQ(s.size(), 3);
    EXPECT_EQ(s[0].tipo, plataforma::Suceso::Tipo::NoSobreTodo);
    EXPECT_EQ(s[0].ventana, f.get());
    EXPECT_EQ(s[1].tipo, plataforma::Suceso::Tipo::SobreTodo);  // the extras window, on loading
    EXPECT_NE(s[1].ventana, f.get());
    EXPECT_EQ(s[2].tipo, plataforma::Suceso::Tipo::SobreTodo);
    EXPECT_EQ(s[2].ventana, f.get());
    EXPECT_TRUE(f->isVisible());  // Escape closed only the extras window
    EXPECT_TRUE(apoyo::sesion().conexion.abierta());
}

}  // namespace
