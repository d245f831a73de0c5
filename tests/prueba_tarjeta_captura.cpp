// The card window as the user types: layout, the digits-only filter, the
// length and guarantor-name checks, the check-box rules and the city box.

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QCompleter>
#include <QFontInfo>
#include <QGroupBox>
#include <QImage>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "Controles.h"
#include "Ventanas.h"
#include "controls/Casilla.h"
#include "controls/LimiteDeTexto.h"
#include "controls/Marco.h"
#include "controls/Ventana.h"
#include "domain/Global.h"

using apoyo::escena;

namespace {

const QString kMensaje10 = QStringLiteral(
    "error: Verifique el Numero Capturado, debe ser de 10 posiciones | Error de Captura");
const QString kMensaje13 = QStringLiteral(
    "error: Verifique el Numero Capturado, debe ser de 13 posiciones | Error de Captura");
const QString kMensajeAval = QStringLiteral(
    "error: El Nombre del Aval debe contener al Menos Nombre y Apellido Paterno | Error de "
    "Captura");

class Captura : public ::testing::Test {
protected:
    apoyo::Entorno entorno;
    std::unique_ptr<FrmTelefonos> f;
    void SetUp() override { f = apoyo::abrirTarjeta(QStringLiteral("1235-25")); }
    QLineEdit* caja(const char* nombre) { return f->findChild<QLineEdit*>(QLatin1String(nombre)); }
    // Leaves a box with Tab, as a user does.
    void salirCon(QLineEdit* c, const QString& texto) {
        c->setFocus();
        c->setText(texto);
        plataforma::Escena::limpiar();
        QTest::keyClick(c, Qt::Key_Tab);
    }
};

// ------------------------------------------------------------------ layout

TEST_F(Captura, OrdenDeTabulacion) {
    const QStringList esperado{"TxtDueno",
                               "ChkMismo",
                               "TxtPrincipal_Telefono",
                               "TxtPrincipal_Celular",
                               "TxtPrincipal_Centro",
                               "TxtPrincipal_telefono_centro",
                               "TxtPrincipal_extension_centro",
                               "TxtConyuge_Nombre",
                               "ChkConyuge",
                               "TxtConyuge_Celular",
                               "TxtConyuge_Centro",
                               "TxtConyuge_centro_telefono",
                               "TxtConyuge_centro_extension",
                               "txtRef1_Nombre",
                               "TxtRef1_Telefono",
                               "TxtRef1_Celular",
                               "TxtRef1_parentesco",
                               "txtRef2_Nombre",
                               "TxtRef2_Telefono",
                               "TxtRef2_Celular",
                               "TxtRef2_parentesco",
                               "txtRef3_Nombre",
                               "TxtRef3_Telefono",
                               "TxtRef3_Celular",
                               "TxtRef3_parentesco",
                               "txtRef4_Nombre",
                               "TxtRef4_Telefono",
                               "TxtRef4_Celular",
                               "TxtRef4_parentesco",
                               "TxtAval_Paterno",
                               "TxtAval_Materno",
                               "TxtAval_Nombre",
                               "TxtAval_telefono",
                               "TxtAval_Celular",
                               "TxtAval_Domicilio",
                               "TxtAval_Colonia",
                               "CmbMunicipios",
                               "TxtAval_CP",
                               "TxtAval_Centro",
                               "TxtAval_Telefono_centro",
                               "TxtAval_extension_centro",
                               "TxtAval_Nombre_Conyuge",
                               "TxtAval_Centro_Conyuge",
                               "TxtAval_Telefono_centro_conyuge",
                               "TxtAval_extension_centro_conyuge",
                               "TxtAnotaciones",
                               "CmdGuardar",
                               "CmdExtras",
                               "ChkAval"};
    QStringList orden;
    QWidget* w = txt(*f, "TxtDueno");
    do {
        if (w->focusPolicy() & Qt::TabFocus) {
            // The combo box's own line edit stands for the box.
            QWidget* control = qobject_cast<QComboBox*>(w->parentWidget()) ? w->parentWidget() : w;
            if (orden.isEmpty() || orden.last() != control->objectName())
                orden << control->objectName();
        }
        w = w->nextInFocusChain();
    } while (w != txt(*f, "TxtDueno"));
    EXPECT_EQ(orden.mid(0, esperado.size()), esperado);
}

TEST_F(Captura, LimitesPistasYEtiquetas) {
    const struct {
        const char* caja;
        int limite;
    } limites[] = {{"TxtDueno", 100},
                   {"TxtPrincipal_Telefono", 10},
                   {"TxtPrincipal_Celular", 13},
                   {"TxtPrincipal_Centro", 80},
                   {"TxtPrincipal_extension_centro", 30},
                   {"TxtConyuge_Nombre", 100},
                   {"TxtConyuge_Celular", 13},
                   {"txtRef3_Nombre", 100},
                   {"TxtRef4_parentesco", 30},
                   {"TxtRef2_Telefono", 10},
                   {"TxtAval_Paterno", 40},
                   {"TxtAval_Materno", 40},
                   {"TxtAval_Nombre", 40},
                   {"TxtAval_Nombre_Conyuge", 80},
                   {"TxtAval_Centro_Conyuge", 80},
                   {"TxtAval_Telefono_centro_conyuge", 10},
                   {"TxtAval_extension_centro_conyuge", 30},
                   {"TxtAval_Domicilio", 200},
                   {"TxtAval_Colonia", 40},
                   {"TxtAval_CP", 10}};
    for (const auto& l : limites) {
        ASSERT_NE(caja(l.caja), nullptr) << l.caja;
        EXPECT_EQ(plataforma::limiteDeTecleo(caja(l.caja)), l.limite) << l.caja;
    }
    for (const char* c : {"TxtDueno", "TxtConyuge_Nombre", "txtRef1_Nombre", "txtRef4_Nombre"})
        EXPECT_EQ(caja(c)->toolTip(), QStringLiteral("Apellido Paterno")) << c;
    EXPECT_TRUE(caja("TxtAval_Paterno")->toolTip().isEmpty());
    // Every box has a label that names it, also to a screen reader.
    for (QLineEdit* c : f->findChildren<QLineEdit*>()) {
        if (c->parentWidget() == cmb(*f, "CmbMunicipios")) continue;
        EXPECT_FALSE(c->accessibleName().isEmpty()) << c->objectName().toStdString();
    }
    EXPECT_EQ(f->findChild<QLabel*>(QStringLiteral("SkinLabel30"))->text(),
              QStringLiteral("Nombre  Conyuge del Aval"));
    EXPECT_EQ(f->findChild<QLabel*>(QStringLiteral("SkinLabel30"))->buddy(),
              txt(*f, "TxtAval_Nombre_Conyuge"));
    EXPECT_EQ(control<QLabel>(*f, "SkinLabel28")->text(),
              QStringLiteral("Versión 3.2   18 Mayo 2012"));
    EXPECT_EQ(control<QGroupBox>(*f, "Frame2")->title(), QStringLiteral("Cónyuge"));
    EXPECT_EQ(chk(*f, "ChkConyuge")->text(), QStringLiteral("Sin Cónyuge"));
    EXPECT_EQ(cmd(*f, "CmdExtras")->text(), QStringLiteral("&C. Extras"));
    EXPECT_EQ(txt(*f, "TxtDueno")->geometry(), plataforma::twips(720, 240, 4095, 285));
    EXPECT_EQ(f->size(), QSize(plataforma::twips(12360), plataforma::twips(6990)));
    EXPECT_EQ(txt(*f, "TxtAval_Telefono_centro")->parentWidget(), control<QGroupBox>(*f, "Frame4"));
    // Every label is as large as its caption needs, and the window has an icon.
    for (QLabel* l : f->findChildren<QLabel*>()) {
        if (l == control<QLabel>(*f, "SkinLabel28")) continue;  // placed with the size of its own
        EXPECT_GE(l->width(), l->sizeHint().width()) << l->objectName().toStdString();
        EXPECT_GE(l->height(), l->sizeHint().height()) << l->objectName().toStdString();
    }
    EXPECT_EQ(f->windowIcon().availableSizes(),
              (QList<QSize>{{16, 16}, {24, 24}, {32, 32}, {48, 48}, {64, 64}}));
    // A caption wider than its place lies under its box: the box's left edge
    // still takes the clicks.
    for (QLabel* l : f->findChildren<QLabel*>()) {
        QWidget* caja = l->buddy();
        if (!caja) continue;
        const QPoint borde(caja->x() + 1, caja->y() + caja->height() / 2);
        QWidget* tocado = l->parentWidget()->childAt(borde);
        EXPECT_TRUE(tocado == caja || caja->isAncestorOf(tocado)) << l->objectName().toStdString();
    }
}

TEST(CapturaDiseno, TituloVisibleYMarcoConSuTituloSobreLaLinea) {
    EXPECT_EQ(plataforma::textoVisible(QStringLiteral("&Guardar")), QStringLiteral("Guardar"));
    EXPECT_EQ(plataforma::textoVisible(QStringLiteral("A&&B")), QStringLiteral("A&B"));
    EXPECT_EQ(plataforma::textoVisible(QStringLiteral("Fin&")), QStringLiteral("Fin"));
    plataforma::Marco marco(QStringLiteral("Cónyuge"));
    marco.resize(200, 80);
    const QRect titulo = marco.zonaTitulo();
    EXPECT_GE(titulo.width(), marco.fontMetrics().horizontalAdvance(marco.title()));
    EXPECT_EQ(titulo.top(), 0);
    // The line runs at half the caption's height and breaks under the caption:
    // the pixel on the line inside the caption's zone is not the line's colour.
    const QImage imagen = marco.grab().toImage();
    const QRgb linea = marco.palette().color(QPalette::Mid).rgb();
    const int y = titulo.height() / 2;
    int bajoElTitulo = 0;
    for (int x = titulo.left(); x <= titulo.right(); ++x)
        bajoElTitulo += imagen.pixel(x, y) == linea;
    EXPECT_LT(bajoElTitulo, titulo.width() / 10);
    bool hayLinea = false;
    for (int x = titulo.right() + 4; x < 190; ++x) hayLinea |= imagen.pixel(x, y) == linea;
    EXPECT_TRUE(hayLinea);
    EXPECT_TRUE(plataforma::Marco().zonaTitulo().isEmpty());
}

TEST(CapturaDiseno, EtiquetaDelTamanoDeSuTitulo) {
    QLabel sola, conCompania;
    QLineEdit caja;
    conCompania.setBuddy(&caja);
    for (QLabel* l : {&sola, &conCompania}) {
        for (const char* titulo :
             {"Dueño", "&Guardar", "A&&B", "Fin&", "Nombre  Conyuge del Aval", "Wj"}) {
            l->setText(QString::fromUtf8(titulo));
            plataforma::ajustarAlTexto(l);
            EXPECT_GE(l->width(), l->sizeHint().width()) << titulo;
            EXPECT_LE(l->width(), l->sizeHint().width() + 2) << titulo;
            EXPECT_EQ(l->height(), l->sizeHint().height()) << titulo;
        }
    }
}

// Without the Windows fonts the card is drawn in Wine's copy of MS Sans Serif,
// the older program's font, in its face for 8 points at 96 dpi (13 pixels),
// and so are message boxes.
TEST(CapturaDiseno, LetraMsSansSerifSinLasDeWindows) {
    Global::Sesion sesion;
    FrmTelefonos f(sesion);
    const QString ms = QStringLiteral("MS Sans Serif");
    ASSERT_EQ(QFontInfo(f.font()).family(), ms) << "scripts/setup.sh installs fonts-wine";
    EXPECT_EQ(QFontInfo(f.font()).pixelSize(), 13);
    EXPECT_EQ(QFontInfo(txt(f, "TxtDueno")->font()).family(), ms);
    EXPECT_EQ(QFontInfo(control<QLabel>(f, "SkinLabel28")->font()).family(), ms);
    EXPECT_EQ(QFontInfo(QApplication::font()).family(), ms);
}

TEST(CapturaDiseno, NotasConSuTextoDeDiseno) {
    Global::Sesion sesion;
    FrmTelefonos f(sesion);
    EXPECT_EQ(control<QPlainTextEdit>(f, "TxtAnotaciones")->toPlainText(),
              QStringLiteral("Anotaciones extras...\n"));
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Tarjeta Telefónica de: "));
    EXPECT_EQ(cmd(f, "CmdGuardar")->text(), QStringLiteral("&Guardar"));
}

// ------------------------------------------------------------- key filter

TEST_F(Captura, SoloDigitosYRetrocesoEnLasCajasNumericas) {
    for (const char* nombre :
         {"TxtPrincipal_Telefono", "TxtRef3_Celular", "TxtAval_extension_centro",
          "TxtAval_Telefono_centro_conyuge", "TxtAval_extension_centro_conyuge"}) {
        QLineEdit* c = caja(nombre);
        c->setFocus();
        QTest::keyClicks(c, QStringLiteral("1a2 -+3."));
        QKeyEvent enie(QEvent::KeyPress, 0, Qt::NoModifier, QStringLiteral("ñ"));
        QApplication::sendEvent(c, &enie);
        QTest::keyClicks(c, QStringLiteral("4"));
        EXPECT_EQ(c->text(), QStringLiteral("1234")) << nombre;
        QTest::keyClick(c, Qt::Key_Backspace);
        EXPECT_EQ(c->text(), QStringLiteral("123")) << nombre;
        c->clear();
    }
    // Other boxes take any text; text put there by program is never filtered.
    txt(*f, "TxtDueno")->setFocus();
    QTest::keyClicks(txt(*f, "TxtDueno"), QStringLiteral("Ana-1"));
    EXPECT_EQ(txt(*f, "TxtDueno")->text(), QStringLiteral("Ana-1"));
    txt(*f, "TxtPrincipal_Telefono")->setText(QStringLiteral("abc"));
    EXPECT_EQ(txt(*f, "TxtPrincipal_Telefono")->text(), QStringLiteral("abc"));
}

// Typing limits count as the database does, in UTF-16 units: an emoji takes
// two and is never cut in half, and half a character is never stored.
TEST_F(Captura, LosLimitesCuentanComoLaBaseDeDatosSinPartir) {
    QLineEdit* c = txt(*f, "TxtDueno");
    c->setFocus();
    for (const int letras : {99, 98}) {
        c->setText(QString(letras, QLatin1Char('a')));
        for (int i = 0; i < 2; ++i) {
            QKeyEvent emoji(QEvent::KeyPress, 0, Qt::NoModifier, QStringLiteral("😀"));
            QApplication::sendEvent(c, &emoji);
        }
        EXPECT_EQ(c->text().size(), letras == 99 ? 99 : 100);
    }
    c->setText(QStringLiteral("a"));
    c->insert(QString(QChar(0xD83D)));
    EXPECT_EQ(c->text(), QStringLiteral("a"));
    QString error;
    EXPECT_FALSE(apoyo::sesion().conexion.ejecutar(
        QStringLiteral("update zelt.tarjeta_telefonica_cliente set anotaciones=?"),
        {QStringLiteral("x") + QChar(0xD83D)}, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("carácter incompleto"))) << error.toStdString();
}

TEST_F(Captura, EnterPasaAlSiguienteYRevisaLaCaja) {
    QLineEdit* tel = txt(*f, "TxtPrincipal_Telefono");
    tel->setFocus();
    QTest::keyClicks(tel, QStringLiteral("6141234567"));
    QTest::keyClick(tel, Qt::Key_Return);
    EXPECT_TRUE(tel->hasFocus());  // the Tab is queued, not handled at once
    QTRY_VERIFY(txt(*f, "TxtPrincipal_Celular")->hasFocus());
    EXPECT_EQ(tel->text(), QStringLiteral("6141234567"));
    EXPECT_TRUE(escena().isEmpty());

    QLineEdit* cel = txt(*f, "TxtPrincipal_Celular");
    QTest::keyClicks(cel, QStringLiteral("123"));
    QTest::keyClick(cel, Qt::Key_Enter);
    QTRY_COMPARE(escena(), (QStringList{"no-encima", kMensaje13, "encima"}));
    EXPECT_TRUE(cel->hasFocus());
    EXPECT_EQ(cel->text(), QStringLiteral("123"));
}

// Editing and moving keys work in the numeric boxes with the text X11 gives
// them (0x7F for Delete); a control code typed with Ctrl stays out.
TEST_F(Captura, TeclasDeEdicionEnLasCajasNumericas) {
    QLineEdit* tel = txt(*f, "TxtPrincipal_Telefono");
    tel->setFocus();
    tel->setText(QStringLiteral("12345"));
    tel->setCursorPosition(1);
    const struct {
        Qt::Key tecla;
        const char* texto;
        int cursor;
    } casos[] = {{Qt::Key_Delete, "\x7f", 1},
                 {Qt::Key_Right, "", 2},
                 {Qt::Key_Home, "", 0},
                 {Qt::Key_End, "", 4},
                 {Qt::Key_Left, "", 3}};
    for (const auto& k : casos) {
        QTest::sendKeyEvent(QTest::Click, tel, k.tecla, QString::fromLatin1(k.texto), {});
        EXPECT_EQ(tel->cursorPosition(), k.cursor) << k.tecla;
    }
    EXPECT_EQ(tel->text(), QStringLiteral("1345"));
    QApplication::clipboard()->setText(QStringLiteral("77"));
    QTest::sendKeyEvent(QTest::Click, tel, Qt::Key_V, QStringLiteral("\x16"), Qt::ControlModifier);
    EXPECT_EQ(tel->text(), QStringLiteral("1345"));
    tel->paste();  // as the mouse's menu does
    EXPECT_EQ(tel->text(), QStringLiteral("134775"));
}

// A dead key and a letter arrive as text composed by the input method, with no
// key press: the numeric boxes filter it character by character.
TEST_F(Captura, TextoDelMetodoDeEntradaEnLasCajasNumericas) {
    for (QLineEdit* c : {txt(*f, "TxtDueno"), txt(*f, "TxtPrincipal_Telefono")}) {
        c->setFocus();
        for (const char* compuesto : {"á", "5", "ñ 7"}) {
            QInputMethodEvent e;
            e.setCommitString(QString::fromUtf8(compuesto));
            QApplication::sendEvent(c, &e);
        }
    }
    EXPECT_EQ(txt(*f, "TxtDueno")->text(), QStringLiteral("á5ñ 7"));
    EXPECT_EQ(txt(*f, "TxtPrincipal_Telefono")->text(), QStringLiteral("57"));
}

// ---------------------------------------------------------- length checks

TEST_F(Captura, LargoDeCadaTelefonoAlSalir) {
    const struct {
        const char* caja;
        int largo;
    } cajas[] = {{"TxtPrincipal_Telefono", 10},
                 {"TxtPrincipal_Celular", 13},
                 {"TxtPrincipal_telefono_centro", 10},
                 {"TxtConyuge_Celular", 13},
                 {"TxtConyuge_centro_telefono", 10},
                 {"TxtAval_telefono", 10},
                 {"TxtAval_Celular", 13},
                 {"TxtAval_Telefono_centro", 10},
                 {"TxtAval_Telefono_centro_conyuge", 10},
                 {"TxtRef1_Telefono", 10},
                 {"TxtRef2_Telefono", 10},
                 {"TxtRef3_Telefono", 10},
                 {"TxtRef4_Telefono", 10},
                 {"TxtRef1_Celular", 13},
                 {"TxtRef2_Celular", 13},
                 {"TxtRef3_Celular", 13},
                 {"TxtRef4_Celular", 13}};
    for (const auto& c : cajas) {
        QLineEdit* b = caja(c.caja);
        const QString mensaje = c.largo == 10 ? kMensaje10 : kMensaje13;
        salirCon(b, QString(c.largo, QLatin1Char('5')));
        EXPECT_TRUE(escena().isEmpty()) << c.caja;
        salirCon(b, QString());
        EXPECT_TRUE(escena().isEmpty()) << c.caja;
        // Five digits, blanks only, and a right-length text with a blank around it fail.
        for (const QString& malo : {QStringLiteral("12345"), QStringLiteral("   "),
                                    QString(c.largo - 1, QLatin1Char('9')) + QLatin1Char(' ')}) {
            salirCon(b, malo);
            EXPECT_EQ(escena(), (QStringList{"no-encima", mensaje, "encima"})) << c.caja;
            EXPECT_TRUE(b->hasFocus()) << c.caja;
            EXPECT_EQ(b->text(), malo) << c.caja;
        }
        // Only the count counts: blanks around a right-length number pass.
        salirCon(b, QStringLiteral(" ") + QString(c.largo, QLatin1Char('1')).left(c.largo) +
                        QStringLiteral(" "));
        EXPECT_TRUE(b->maxLength() < c.largo + 2 || escena().isEmpty()) << c.caja;
        b->clear();
    }
}

TEST_F(Captura, LasExtensionesNuncaSeQuejan) {
    for (const char* c : {"TxtPrincipal_extension_centro", "TxtConyuge_centro_extension",
                          "TxtAval_extension_centro", "TxtAval_extension_centro_conyuge"}) {
        salirCon(caja(c), QStringLiteral("1"));
        salirCon(caja(c), QString(30, QLatin1Char('7')));
    }
    EXPECT_TRUE(escena().isEmpty());
}

TEST_F(Captura, DevolverElFocoNoDisparaLaRevisionDeLaOtraCaja) {
    txt(*f, "TxtPrincipal_Celular")->setText(QStringLiteral("123"));
    salirCon(txt(*f, "TxtPrincipal_Telefono"), QStringLiteral("123"));
    EXPECT_EQ(escena(), (QStringList{"no-encima", kMensaje10, "encima"}));
    EXPECT_TRUE(txt(*f, "TxtPrincipal_Telefono")->hasFocus());
    // Moving on again repeats the message.
    plataforma::Escena::limpiar();
    txt(*f, "TxtAval_Colonia")->setFocus(Qt::MouseFocusReason);
    EXPECT_EQ(escena(), (QStringList{"no-encima", kMensaje10, "encima"}));
}

// A click on Guardar out of a box whose check fails: the message comes as the
// focus leaves the box, during the press, and a message box shown for real
// takes the release. The button must not stay down, nor the save run.
TEST_F(Captura, ClicEnGuardarConUnaCajaMalNoGuarda) {
    const QString sql =
        QStringLiteral("select count(*) from zelt.tarjeta_telefonica_cliente where cliente=1235");
    const struct {
        QLineEdit *caja, *foco;
        QStringList mensajes;
    } casos[] = {{txt(*f, "TxtPrincipal_Telefono"),
                  txt(*f, "TxtPrincipal_Telefono"),
                  {"no-encima", kMensaje10, "encima"}},
                 {txt(*f, "TxtAval_Nombre"), txt(*f, "TxtAval_Paterno"), {kMensajeAval}}};
    for (const auto& c : casos) {
        c.caja->setFocus();
        c.caja->setText(QStringLiteral("12345"));
        plataforma::Escena::limpiar();
        QTest::mousePress(cmd(*f, "CmdGuardar"), Qt::LeftButton);
        EXPECT_FALSE(cmd(*f, "CmdGuardar")->isDown());
        QTest::mouseRelease(cmd(*f, "CmdGuardar"), Qt::LeftButton);
        EXPECT_EQ(escena(), c.mensajes);
        EXPECT_TRUE(c.foco->hasFocus());
        EXPECT_EQ(entorno.valor(sql).toInt(), 0);
        c.caja->clear();
    }
    // A failed check with no click behind it leaves no click to swallow later.
    txt(*f, "TxtPrincipal_Telefono")->setFocus();
    txt(*f, "TxtPrincipal_Telefono")->setText(QStringLiteral("12345"));
    txt(*f, "TxtAval_Colonia")->setFocus(Qt::MouseFocusReason);
    QCoreApplication::processEvents();
    txt(*f, "TxtPrincipal_Telefono")->setText(QStringLiteral("6141234567"));
    QTest::mouseClick(cmd(*f, "CmdGuardar"), Qt::LeftButton);
    EXPECT_EQ(entorno.valor(sql).toInt(), 1);
}

// ---------------------------------------------------------- guarantor name

TEST_F(Captura, NombreCompletoDelAval) {
    const struct {
        const char *paterno, *materno, *nombre;
        const char* completo;  // nullptr: the message
    } casos[] = {
        {"Lopez", "", "Ana", "Lopez Ana"},
        {"Lopez", "Ruiz", "Ana", "Lopez Ruiz Ana"},
        {"  Lopez ", " Ruiz ", " Ana María ", "Lopez Ruiz Ana María"},
        {"   ", "", "Ana", " Ana"},
        {"Lopez", "  ", "Ana", "Lopez  Ana"},
        {"", "Ruiz", "Ana", nullptr},
        {"Lopez", "Ruiz", "", nullptr},
    };
    for (const auto& c : casos) {
        f->NombreCompletoAval = QStringLiteral("anterior");
        txt(*f, "TxtAval_Paterno")->setText(QString::fromUtf8(c.paterno));
        txt(*f, "TxtAval_Materno")->setText(QString::fromUtf8(c.materno));
        salirCon(txt(*f, "TxtAval_Nombre"), QString::fromUtf8(c.nombre));
        if (c.completo) {
            EXPECT_TRUE(escena().isEmpty()) << c.paterno << "|" << c.nombre;
            EXPECT_EQ(f->NombreCompletoAval, QString::fromUtf8(c.completo));
        } else {
            // Shown without leaving the always-on-top state.
            EXPECT_EQ(escena(), QStringList{kMensajeAval}) << c.paterno << "|" << c.nombre;
            EXPECT_TRUE(f->NombreCompletoAval.isEmpty());
            EXPECT_TRUE(txt(*f, "TxtAval_Paterno")->hasFocus());
        }
        EXPECT_EQ(txt(*f, "TxtAval_Paterno")->text(), QString::fromUtf8(c.paterno));
    }
}

TEST_F(Captura, ElNombreDelAvalSeRevisaAlHacerClicEnOtroControl) {
    txt(*f, "TxtAval_Nombre")->setFocus();
    plataforma::Escena::limpiar();
    QTest::mouseClick(txt(*f, "TxtAval_Colonia"), Qt::LeftButton);
    EXPECT_EQ(escena(), QStringList{kMensajeAval});
    EXPECT_TRUE(txt(*f, "TxtAval_Paterno")->hasFocus());
}

// --------------------------------------------------------- check-box rules

TEST_F(Captura, MismoClientePoneElNombreDelCliente) {
    txt(*f, "TxtDueno")->setText(QStringLiteral("Otro dueño"));
    QTest::mouseClick(chk(*f, "ChkMismo"), Qt::LeftButton);
    EXPECT_EQ(txt(*f, "TxtDueno")->text(), QStringLiteral("JOSÉ LUIS MARTÍNEZ GARZA"));
    EXPECT_TRUE(txt(*f, "TxtDueno")->isEnabled());
    txt(*f, "TxtDueno")->setText(QStringLiteral("Editado"));
    QTest::mouseClick(chk(*f, "ChkMismo"), Qt::LeftButton);
    EXPECT_TRUE(txt(*f, "TxtDueno")->text().isEmpty());
    f->NombreCliente.clear();  // no name found
    txt(*f, "TxtDueno")->setText(QStringLiteral("x"));
    FrmTelefonos::PonerCasilla(chk(*f, "ChkMismo"), 1);
    EXPECT_TRUE(txt(*f, "TxtDueno")->text().isEmpty());
}

TEST_F(Captura, CasillasConTodoSuTituloYClicEnElTitulo) {
    for (QCheckBox* c : {chk(*f, "ChkMismo"), chk(*f, "ChkConyuge"), chk(*f, "ChkAval")}) {
        auto* casilla = dynamic_cast<plataforma::Casilla*>(c);
        ASSERT_NE(casilla, nullptr) << c->objectName().toStdString();
        // Every word of the caption is shown: narrow boxes wrap it.
        const QRect zona = casilla->zonaTitulo();
        const QRect usado = c->fontMetrics().boundingRect(zona, Qt::TextWordWrap, c->text());
        EXPECT_LE(usado.width(), zona.width()) << c->objectName().toStdString();
        EXPECT_LE(usado.height(), c->height() + 2) << c->objectName().toStdString();
    }
    EXPECT_GT(chk(*f, "ChkMismo")->fontMetrics().horizontalAdvance(chk(*f, "ChkMismo")->text()),
              static_cast<plataforma::Casilla*>(chk(*f, "ChkMismo"))->zonaTitulo().width());
    // A click on the second line of the caption ticks the box, as on the first.
    EXPECT_FALSE(chk(*f, "ChkMismo")->isChecked());
    QTest::mouseClick(chk(*f, "ChkMismo"), Qt::LeftButton, {},
                      QPoint(chk(*f, "ChkMismo")->width() - 3, chk(*f, "ChkMismo")->height() - 3));
    EXPECT_TRUE(chk(*f, "ChkMismo")->isChecked());
    EXPECT_EQ(txt(*f, "TxtDueno")->text(), f->NombreCliente);
}

TEST_F(Captura, SinConyugeVaciaYBloquea) {
    const QList<QLineEdit*> cajas{
        txt(*f, "TxtConyuge_Nombre"), txt(*f, "TxtConyuge_Celular"), txt(*f, "TxtConyuge_Centro"),
        txt(*f, "TxtConyuge_centro_telefono"), txt(*f, "TxtConyuge_centro_extension")};
    for (QLineEdit* c : cajas) c->setText(QStringLiteral("123"));
    QTest::mouseClick(chk(*f, "ChkConyuge"), Qt::LeftButton);
    for (QLineEdit* c : cajas) {
        EXPECT_TRUE(c->text().isEmpty());
        EXPECT_FALSE(c->isEnabled());
    }
    QTest::mouseClick(chk(*f, "ChkConyuge"), Qt::LeftButton);
    for (QLineEdit* c : cajas) {
        EXPECT_TRUE(c->text().isEmpty());
        EXPECT_TRUE(c->isEnabled());
    }
    // Setting the state it already has runs nothing.
    txt(*f, "TxtConyuge_Nombre")->setText(QStringLiteral("Luis"));
    FrmTelefonos::PonerCasilla(chk(*f, "ChkConyuge"), 0);
    EXPECT_EQ(txt(*f, "TxtConyuge_Nombre")->text(), QStringLiteral("Luis"));
}

TEST_F(Captura, SinAvalVaciaYBloqueaLas15CajasYNoLaCiudad) {
    const QList<QLineEdit*> cajas{txt(*f, "TxtAval_Paterno"),
                                  txt(*f, "TxtAval_Materno"),
                                  txt(*f, "TxtAval_Nombre"),
                                  txt(*f, "TxtAval_Nombre_Conyuge"),
                                  txt(*f, "TxtAval_telefono"),
                                  txt(*f, "TxtAval_Celular"),
                                  txt(*f, "TxtAval_Centro"),
                                  txt(*f, "TxtAval_Telefono_centro"),
                                  txt(*f, "TxtAval_extension_centro"),
                                  txt(*f, "TxtAval_Centro_Conyuge"),
                                  txt(*f, "TxtAval_Telefono_centro_conyuge"),
                                  txt(*f, "TxtAval_extension_centro_conyuge"),
                                  txt(*f, "TxtAval_Domicilio"),
                                  txt(*f, "TxtAval_Colonia"),
                                  txt(*f, "TxtAval_CP")};
    for (QLineEdit* c : cajas) c->setText(QStringLiteral("9"));
    cmb(*f, "CmbMunicipios")->setCurrentIndex(2);
    f->NombreCompletoAval = QStringLiteral("GARCIA ANA");
    plataforma::Escena::limpiar();
    FrmTelefonos::PonerCasilla(chk(*f, "ChkAval"), 1);
    for (QLineEdit* c : cajas) {
        EXPECT_TRUE(c->text().isEmpty()) << c->objectName().toStdString();
        EXPECT_FALSE(c->isEnabled()) << c->objectName().toStdString();
    }
    EXPECT_TRUE(cmb(*f, "CmbMunicipios")->isEnabled());
    EXPECT_EQ(cmb(*f, "CmbMunicipios")->currentIndex(), 2);
    EXPECT_TRUE(f->NombreCompletoAval.isEmpty());
    EXPECT_TRUE(escena().isEmpty());  // emptying by program runs no check
    FrmTelefonos::PonerCasilla(chk(*f, "ChkAval"), 0);
    for (QLineEdit* c : cajas) {
        EXPECT_TRUE(c->isEnabled());
        EXPECT_TRUE(c->text().isEmpty());
    }
}

// ------------------------------------------------------------------ cities

TEST_F(Captura, CiudadesDelEstadoEnMayusculasSinRecortarElOrden) {
    const auto filas =
        entorno.filas(QStringLiteral("select ciudad, nombre_ciudad from ciudades where ciudad > "
                                     "3701 and estado = 8 order by nombre_ciudad"));
    ASSERT_EQ(cmb(*f, "CmbMunicipios")->count(), filas.size());
    for (int i = 0; i < filas.size(); ++i) {
        EXPECT_EQ(cmb(*f, "CmbMunicipios")->itemText(i),
                  filas[i][1].toString().trimmed().toUpper());
        EXPECT_EQ(cmb(*f, "CmbMunicipios")->itemData(i).toInt(), filas[i][0].toInt());
    }
    // "  valle de allende  " sorts first in the database and stays first.
    EXPECT_EQ(cmb(*f, "CmbMunicipios")->itemText(0), QStringLiteral("VALLE DE ALLENDE"));
    EXPECT_EQ(cmb(*f, "CmbMunicipios")->findText(QStringLiteral("PARRAL (CLAVE ANTIGUA)")), -1);
    EXPECT_EQ(cmb(*f, "CmbMunicipios")->currentIndex(), -1);
    EXPECT_TRUE(cmb(*f, "CmbMunicipios")->currentText().isEmpty());
}

TEST_F(Captura, EscribirAbreLaListaYEnterLaCierra) {
    QLineEdit* texto = cmb(*f, "CmbMunicipios")->lineEdit();
    texto->setFocus();
    QTest::keyClick(texto, Qt::Key_D);
    EXPECT_EQ(texto->text(), QStringLiteral("d"));
    QAbstractItemView* lista = cmb(*f, "CmbMunicipios")->completer()->popup();
    QTRY_VERIFY(lista->isVisible());
    QTest::keyClicks(lista, QStringLiteral("elicias"));
    QTRY_COMPARE(texto->text(), QStringLiteral("delicias"));
    QTest::keyClick(lista, Qt::Key_Escape);  // closes the list only
    EXPECT_TRUE(f->isVisible());
    texto->setText(QString());
    QTest::keyClicks(texto, QStringLiteral("DELICIAS"));
    EXPECT_EQ(cmb(*f, "CmbMunicipios")->currentText(), QStringLiteral("DELICIAS"));
    // Exactly a listed name: that entry is selected, with its city number.
    EXPECT_EQ(
        cmb(*f, "CmbMunicipios")->currentData().toInt(),
        entorno.valor(QStringLiteral("select ciudad from ciudades where nombre_ciudad='Delicias'"))
            .toInt());
    EXPECT_EQ(lista->font(), f->font());  // a window of its own, in the card's font
    if (lista->isVisible()) QTest::keyClick(lista, Qt::Key_Return);
    QTRY_VERIFY(!lista->isVisible());
    QTest::keyClick(texto, Qt::Key_X);
    EXPECT_EQ(cmb(*f, "CmbMunicipios")->currentIndex(), -1);  // not a listed name any more
    EXPECT_EQ(texto->text(), QStringLiteral("DELICIASx"));
}

TEST(Ciudades, EstadoDeLaSucursalYSucursalDesconocida) {
    {
        apoyo::Entorno e(apoyo::Opciones::conSucursal(QStringLiteral("40")));
        auto f = apoyo::abrirTarjeta(QStringLiteral("1235-25"));
        EXPECT_EQ(apoyo::sesion().estado, 19);
        EXPECT_NE(cmb(*f, "CmbMunicipios")->findText(QStringLiteral("SAN PEDRO GARZA GARCÍA")), -1);
        EXPECT_EQ(cmb(*f, "CmbMunicipios")->findText(QStringLiteral("DELICIAS")), -1);
    }
    {
        apoyo::Entorno e(apoyo::Opciones::conSucursal(QStringLiteral("99")));
        auto f = apoyo::abrirTarjeta(QStringLiteral("1235-25"));
        EXPECT_EQ(apoyo::sesion().estado, 0);
        EXPECT_EQ(cmb(*f, "CmbMunicipios")->count(), 0);
    }
}

}  // namespace
