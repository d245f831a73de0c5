// Every caption of both windows reads whole at the screen's density: CTest
// runs this program on screens of 96, 120 and 144 dpi (tests/CMakeLists.txt),
// 120 both as Qt scales a window by a pixel ratio and as a logical dpi. Each
// window is also saved as a picture beside the program, to be looked at.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QScreen>
#include <QStyleOptionButton>
#include <QtMath>
#include <cstdio>

#include "Ventanas.h"
#include "controls/Marco.h"
#include "controls/Ventana.h"
#include "windows/FrmExtras.h"

namespace {

// Captions the older program wrapped too: the box is narrower than the words
// side by side, and two lines high.
const QStringList kDosLineas = {QStringLiteral("ChkMismo")};

// A label lies beneath the control that follows it in its row: its caption
// shows up to that control, or to the frame's edge (and within its own width
// where it is not sized to its caption).
int lugarDeEtiqueta(const QLabel* l) {
    const QWidget* padre = l->parentWidget();
    int lugar = padre->width() - 1 - l->x();
    if (!l->buddy()) lugar = qMin(lugar, l->width());
    for (const QWidget* otro : padre->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        const QRect r = otro->geometry();
        if (otro != l && r.x() > l->x() && r.bottom() >= l->y() &&
            r.top() <= l->geometry().bottom())
            lugar = qMin(lugar, r.x() - l->x());
    }
    return lugar;
}

// "name «caption»: needs N px, given M" for each caption that does not fit
// its place: a label up to its box, a frame's caption on its top edge, a
// button's with its margins, a check box's beside its indicator on one line
// (on two, each line, where listed above).
QStringList sinLugar(const QWidget& ventana) {
    QStringList faltas;
    for (QWidget* c : ventana.findChildren<QWidget*>()) {
        const QFontMetricsF letra(c->font());
        QString texto;
        int necesario = 0, dado = c->width();
        bool cabe = true;
        if (auto* l = qobject_cast<QLabel*>(c)) {
            texto = l->buddy() ? plataforma::textoVisible(l->text()) : l->text();
            dado = lugarDeEtiqueta(l);
        } else if (auto* m = dynamic_cast<plataforma::Marco*>(c)) {
            texto = plataforma::textoVisible(m->title());
            necesario = 2 * m->zonaTitulo().left() + 4;  // as far from either edge
        } else if (auto* b = qobject_cast<QAbstractButton*>(c)) {
            texto = plataforma::textoVisible(b->text());
            QStyleOptionButton o;
            o.initFrom(b);
            const bool radio = qobject_cast<QRadioButton*>(b);
            auto medida = [b, &o](QStyle::PixelMetric p) {
                return b->style()->pixelMetric(p, &o, b);
            };
            if (radio)
                necesario = medida(QStyle::PM_ExclusiveIndicatorWidth) +
                            medida(QStyle::PM_RadioButtonLabelSpacing);
            else if (qobject_cast<QCheckBox*>(b))
                necesario =
                    medida(QStyle::PM_IndicatorWidth) + medida(QStyle::PM_CheckBoxLabelSpacing);
            else
                necesario =
                    2 * (medida(QStyle::PM_ButtonMargin) + medida(QStyle::PM_DefaultFrameWidth));
            if (kDosLineas.contains(b->objectName())) {
                const QRectF usado = letra.boundingRect(QRectF(0, 0, dado - necesario, 1000),
                                                        Qt::TextWordWrap, texto);
                necesario += qCeil(usado.width()) - qCeil(letra.horizontalAdvance(texto));
                cabe = qRound(usado.height() / letra.lineSpacing()) <= 2 &&
                       usado.height() <= b->height() + 2;
            } else {
                cabe = letra.height() <= b->height();
            }
        }
        necesario += qCeil(letra.horizontalAdvance(texto));
        if (texto.isEmpty() || (cabe && necesario <= dado)) continue;
        faltas << QStringLiteral("%1 «%2»: needs %3 px, given %4")
                      .arg(c->objectName(), texto,
                           cabe ? QString::number(necesario) : QStringLiteral("more lines"))
                      .arg(dado);
    }
    return faltas;
}

// This run's density, as CTest sets its screen.
int dpiDeLaPrueba() {
    const int dpi = qEnvironmentVariableIntValue("TARJETA_PRUEBA_DPI");
    return dpi ? dpi : 96;
}

void mirarYGuardar(QWidget& ventana) {
    const qreal dpi = ventana.screen()->logicalDotsPerInch();
    const qreal proporcion = ventana.devicePixelRatio();
    // The screen is the one this run asked for.
    EXPECT_EQ(qRound(dpi * proporcion), dpiDeLaPrueba());
    const QString carpeta = QCoreApplication::applicationDirPath() + QStringLiteral("/titulos");
    ASSERT_TRUE(QDir().mkpath(carpeta));
    const QString archivo = QStringLiteral("%1/%2_%3dpi_x%4.png")
                                .arg(carpeta, ventana.objectName())
                                .arg(dpi)
                                .arg(proporcion);
    EXPECT_TRUE(ventana.grab().save(archivo)) << archivo.toStdString();
    std::printf("%s\n", qPrintable(archivo));
    EXPECT_EQ(sinLugar(ventana), QStringList{}) << archivo.toStdString();
    // MS Sans Serif, as the older program, where its one face is drawn
    // pixel for pixel at its size: 13 pixels at 96 dpi.
    const QFontInfo letra(ventana.font());
    if (dpi == 96 && proporcion == 1) {
        EXPECT_EQ(letra.family(), QStringLiteral("MS Sans Serif"))
            << "scripts/setup.sh installs fonts-wine";
        EXPECT_EQ(letra.pixelSize(), 13);
    } else {
        EXPECT_EQ(letra.family(), QStringLiteral("Liberation Sans"));
    }
}

class Titulos : public ::testing::Test {
protected:
    apoyo::Entorno entorno;
};

TEST_F(Titulos, TarjetaConCadaTituloEntero) {
    auto f = apoyo::abrirTarjeta(QStringLiteral("1234-25"));
    mirarYGuardar(*f);
}

TEST_F(Titulos, ExtrasConCadaTituloEntero) {
    Global::Sesion& sesion = apoyo::nuevaSesion();
    QString error;
    ASSERT_TRUE(Global::AbrirSesion(&sesion, &error)) << error.toStdString();
    sesion.cliente = 1234;
    FrmExtras extras(sesion);
    ASSERT_TRUE(extras.Form_Load(&error)) << error.toStdString();
    extras.show();
    mirarYGuardar(extras);
}

}  // namespace
