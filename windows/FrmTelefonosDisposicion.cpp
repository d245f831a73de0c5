// The phone-card window's layout: its frames, boxes, labels and check boxes
// with their places (in twips), tab order and typing limits, and the building
// of the controls from them.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <vector>

#include "controls/Casilla.h"
#include "controls/Escena.h"
#include "controls/LimiteDeTexto.h"
#include "controls/ListaConDatos.h"
#include "controls/Marco.h"
#include "controls/Ventana.h"
#include "domain/Tarjeta.h"
#include "windows/FrmTelefonos.h"
#include "windows/FrmTelefonosComun.h"

using namespace VentanaTelefonos;

namespace {

const QString kNotasDiseno = QStringLiteral("Anotaciones extras...\r\n");

// ------------------------------------------------------------------ layout
// Positions in twips, relative to the frame (0 = the window itself).
// clang-format off

struct DefMarco {
    QGroupBox* FrmTelefonos::*miembro;
    const char* nombre;
    const char* titulo;
    int x, y, w, h;
};

struct DefEtiqueta {
    const char* nombre;
    const char* titulo;
    int x, y;
};

struct DefCaja {
    QLineEdit* FrmTelefonos::*miembro;
    const char* nombre;
    int campo;  // the field of the card it shows; its width is the typing limit
    int marco;
    int x, y, w, h;
    int tab;
    bool pista;  // hint "Apellido Paterno"
    DefEtiqueta etiqueta;
};

struct DefCasilla {
    QCheckBox* FrmTelefonos::*miembro;
    const char* nombre;
    int campo;  // the field of the card that keeps its state
    const char* titulo;
    int marco;
    int x, y, w, h;
    int tab;
};

// Boxes whose key press goes through the digits-only filter, and the length
// each one must have when the focus leaves it (0: no length check). The
// guarantor's spouse's work phone and extension get the same treatment as
// every other work phone and extension.
struct DefNumerica {
    QLineEdit* FrmTelefonos::*miembro;
    int largo;
};

// clang-format on

}  // namespace

// The window's layout, beside the controls it names (a nested class may name
// the window's private controls).
// clang-format off
struct FrmTelefonos::Disposicion {
    static constexpr DefMarco kMarcos[] = {
        {&FrmTelefonos::Frame1, "Frame1", "Principal:", 120, 0, 5895, 1695},
        {&FrmTelefonos::Frame2, "Frame2", "Cónyuge", 6120, 0, 6135, 1695},
        {&FrmTelefonos::Frame3, "Frame3", "Referencias:", 120, 1680, 12135, 1815},
        {&FrmTelefonos::Frame4, "Frame4", "Aval:", 120, 3480, 12135, 2175},
        {&FrmTelefonos::Frame5, "Frame5", "Anotaciones:", 120, 5640, 9135, 1095},
    };

    static constexpr DefCaja kCajas[] = {
        {&FrmTelefonos::TxtDueno, "TxtDueno", Tarjeta::Campo("Principal_Nombre"), 1, 720, 240, 4095, 285, 0, true, {"SkinLabel1", "Dueño", 120, 240}},
        {&FrmTelefonos::TxtPrincipal_Telefono, "TxtPrincipal_Telefono", Tarjeta::Campo("Principal_Telefono"), 1, 1680, 600, 1815, 285, 2, false, {"SkinLabel2", "Teléfono", 120, 600}},
        {&FrmTelefonos::TxtPrincipal_Celular, "TxtPrincipal_Celular", Tarjeta::Campo("Principal_celular"), 1, 4200, 600, 1575, 285, 3, false, {"SkinLabel3", "Celular", 3600, 600}},
        {&FrmTelefonos::TxtPrincipal_Centro, "TxtPrincipal_Centro", Tarjeta::Campo("Principal_centro"), 1, 1680, 960, 4095, 285, 4, false, {"SkinLabel4", "Centro de Trabajo", 120, 960}},
        {&FrmTelefonos::TxtPrincipal_telefono_centro, "TxtPrincipal_telefono_centro", Tarjeta::Campo("Principal_Telefono_centro"), 1, 1680, 1320, 1815, 285, 5, false, {"SkinLabel5", "Teléfono Trabajo", 120, 1320}},
        {&FrmTelefonos::TxtPrincipal_extension_centro, "TxtPrincipal_extension_centro", Tarjeta::Campo("Principal_extension_centro"), 1, 4560, 1320, 1215, 285, 6, false, {"SkinLabel6", "Extensión", 3600, 1320}},

        {&FrmTelefonos::TxtConyuge_Nombre, "TxtConyuge_Nombre", Tarjeta::Campo("conyuge_nombre"), 2, 840, 240, 5055, 285, 7, true, {"SkinLabel7", "Cónyuge", 120, 240}},
        {&FrmTelefonos::TxtConyuge_Celular, "TxtConyuge_Celular", Tarjeta::Campo("conyuge_celular"), 2, 1560, 600, 1935, 285, 9, false, {"SkinLabel8", "Celular", 120, 600}},
        {&FrmTelefonos::TxtConyuge_Centro, "TxtConyuge_Centro", Tarjeta::Campo("conyuge_centro"), 2, 1560, 960, 4335, 285, 10, false, {"SkinLabel9", "Centro de Trabajo", 120, 960}},
        {&FrmTelefonos::TxtConyuge_centro_telefono, "TxtConyuge_centro_telefono", Tarjeta::Campo("conyuge_telefono_centro"), 2, 1560, 1320, 1815, 285, 11, false, {"SkinLabel10", "Teléfono Trabajo", 120, 1320}},
        {&FrmTelefonos::TxtConyuge_centro_extension, "TxtConyuge_centro_extension", Tarjeta::Campo("conyuge_extension_centro"), 2, 4680, 1320, 1215, 285, 12, false, {"SkinLabel11", "Extensión", 3840, 1320}},

        {&FrmTelefonos::txtRef1_Nombre, "txtRef1_Nombre", Tarjeta::Campo("referencia1_nombre"), 3, 1200, 240, 3615, 285, 13, true, {"SkinLabel12", "Nombre Ref. 1", 120, 240}},
        {&FrmTelefonos::TxtRef1_Telefono, "TxtRef1_Telefono", Tarjeta::Campo("referencia1_telefono"), 3, 5640, 240, 1335, 285, 14, false, {"SkinLabel14", "Teléfono", 4920, 240}},
        {&FrmTelefonos::TxtRef1_Celular, "TxtRef1_Celular", Tarjeta::Campo("referencia1_celular"), 3, 7680, 240, 1575, 285, 15, false, {"SkinLabel13", "Celular", 7080, 240}},
        {&FrmTelefonos::TxtRef1_parentesco, "TxtRef1_parentesco", Tarjeta::Campo("referencia1_parentesco"), 3, 10320, 240, 1695, 285, 16, false, {"SkinLabel15", "Parentesco", 9360, 240}},
        {&FrmTelefonos::txtRef2_Nombre, "txtRef2_Nombre", Tarjeta::Campo("referencia2_nombre"), 3, 1200, 600, 3615, 285, 17, true, {"SkinLabel16", "Nombre Ref. 2", 120, 600}},
        {&FrmTelefonos::TxtRef2_Telefono, "TxtRef2_Telefono", Tarjeta::Campo("referencia2_telefono"), 3, 5640, 600, 1335, 285, 18, false, {"SkinLabel18", "Teléfono", 4920, 600}},
        {&FrmTelefonos::TxtRef2_Celular, "TxtRef2_Celular", Tarjeta::Campo("referencia2_celular"), 3, 7680, 600, 1575, 285, 19, false, {"SkinLabel17", "Celular", 7080, 600}},
        {&FrmTelefonos::TxtRef2_parentesco, "TxtRef2_parentesco", Tarjeta::Campo("referencia2_parentesco"), 3, 10320, 600, 1695, 285, 20, false, {"SkinLabel19", "Parentesco", 9360, 600}},
        {&FrmTelefonos::txtRef3_Nombre, "txtRef3_Nombre", Tarjeta::Campo("referencia3_nombre"), 3, 1200, 960, 3615, 285, 21, true, {"SkinLabel37", "Nombre Ref. 3", 120, 960}},
        {&FrmTelefonos::TxtRef3_Telefono, "TxtRef3_Telefono", Tarjeta::Campo("referencia3_telefono"), 3, 5640, 960, 1335, 285, 22, false, {"SkinLabel39", "Teléfono", 4920, 960}},
        {&FrmTelefonos::TxtRef3_Celular, "TxtRef3_Celular", Tarjeta::Campo("referencia3_celular"), 3, 7680, 960, 1575, 285, 23, false, {"SkinLabel38", "Celular", 7080, 960}},
        {&FrmTelefonos::TxtRef3_parentesco, "TxtRef3_parentesco", Tarjeta::Campo("referencia3_parentesco"), 3, 10320, 960, 1695, 285, 24, false, {"SkinLabel40", "Parentesco", 9360, 960}},
        {&FrmTelefonos::txtRef4_Nombre, "txtRef4_Nombre", Tarjeta::Campo("referencia4_nombre"), 3, 1200, 1320, 3615, 285, 25, true, {"SkinLabel41", "Nombre Ref. 4", 120, 1320}},
        {&FrmTelefonos::TxtRef4_Telefono, "TxtRef4_Telefono", Tarjeta::Campo("referencia4_telefono"), 3, 5640, 1320, 1335, 285, 26, false, {"SkinLabel43", "Teléfono", 4920, 1320}},
        {&FrmTelefonos::TxtRef4_Celular, "TxtRef4_Celular", Tarjeta::Campo("referencia4_celular"), 3, 7680, 1320, 1575, 285, 27, false, {"SkinLabel42", "Celular", 7080, 1320}},
        {&FrmTelefonos::TxtRef4_parentesco, "TxtRef4_parentesco", Tarjeta::Campo("referencia4_parentesco"), 3, 10320, 1320, 1695, 285, 28, false, {"SkinLabel44", "Parentesco", 9360, 1320}},

        {&FrmTelefonos::TxtAval_Paterno, "TxtAval_Paterno", Tarjeta::kCampoPaterno, 4, 960, 240, 1935, 285, 29, false, {"SkinLabel35", "A.Paterno", 120, 240}},
        {&FrmTelefonos::TxtAval_Materno, "TxtAval_Materno", Tarjeta::kCampoMaterno, 4, 3840, 240, 1695, 285, 30, false, {"SkinLabel36", "A.Materno", 3000, 240}},
        {&FrmTelefonos::TxtAval_Nombre, "TxtAval_Nombre", Tarjeta::kCampoNombre, 4, 6240, 240, 1695, 285, 31, false, {"SkinLabel20", "Nombre", 5640, 240}},
        {&FrmTelefonos::TxtAval_telefono, "TxtAval_telefono", Tarjeta::Campo("aval_Telefono"), 4, 8760, 240, 1215, 285, 32, false, {"SkinLabel25", "Teléfono", 8040, 240}},
        {&FrmTelefonos::TxtAval_Celular, "TxtAval_Celular", Tarjeta::Campo("aval_celular"), 4, 10560, 240, 1455, 285, 33, false, {"SkinLabel21", "Celular", 10080, 240}},
        {&FrmTelefonos::TxtAval_Domicilio, "TxtAval_Domicilio", Tarjeta::kCampoCalle, 4, 1560, 585, 3495, 285, 34, false, {"SkinLabel31", "Calle y Numero Aval", 120, 600}},
        {&FrmTelefonos::TxtAval_Colonia, "TxtAval_Colonia", Tarjeta::kCampoColonia, 4, 5760, 600, 2535, 285, 35, false, {"SkinLabel32", "Colonia", 5160, 600}},
        {&FrmTelefonos::TxtAval_CP, "TxtAval_CP", Tarjeta::kCampoCodigo, 4, 11400, 585, 615, 285, 37, false, {"SkinLabel34", "C.P.", 11040, 600}},
        {&FrmTelefonos::TxtAval_Centro, "TxtAval_Centro", Tarjeta::Campo("aval_centro"), 4, 1560, 960, 5175, 285, 38, false, {"SkinLabel22", "Centro de Trabajo", 120, 960}},
        {&FrmTelefonos::TxtAval_Telefono_centro, "TxtAval_Telefono_centro", Tarjeta::Campo("aval_Telefono_centro"), 4, 8400, 960, 1695, 285, 39, false, {"SkinLabel23", "Teléfono Trabajo", 7080, 960}},
        {&FrmTelefonos::TxtAval_extension_centro, "TxtAval_extension_centro", Tarjeta::Campo("aval_extension_centro"), 4, 10920, 960, 1095, 285, 40, false, {"SkinLabel24", "Extensión", 10200, 960}},
        {&FrmTelefonos::TxtAval_Nombre_Conyuge, "TxtAval_Nombre_Conyuge", Tarjeta::Campo("aval_nombre_conyuge"), 4, 2280, 1320, 3255, 285, 41, false, {"SkinLabel30", "Nombre  Conyuge del Aval", 120, 1320}},
        {&FrmTelefonos::TxtAval_Centro_Conyuge, "TxtAval_Centro_Conyuge", Tarjeta::Campo("aval_centro_conyuge"), 4, 7680, 1320, 4335, 285, 42, false, {"SkinLabel26", "Centro de Trabajo Conyuge", 5640, 1320}},
        {&FrmTelefonos::TxtAval_Telefono_centro_conyuge, "TxtAval_Telefono_centro_conyuge", Tarjeta::Campo("aval_telefono_centro_conyuge"), 4, 2280, 1680, 1815, 285, 43, false, {"SkinLabel27", "Teléfono Trabajo Conyuge", 120, 1680}},
        {&FrmTelefonos::TxtAval_extension_centro_conyuge, "TxtAval_extension_centro_conyuge", Tarjeta::Campo("aval_extension_centro_conyuge"), 4, 5040, 1680, 1935, 285, 44, false, {"SkinLabel29", "Extensión", 4200, 1680}},
    };

    static constexpr DefCasilla kCasillas[] = {
        {&FrmTelefonos::ChkMismo, "ChkMismo", Tarjeta::Campo("Principal_Mismo"), "Mismo Cliente", 1, 4920, 240, 855, 375, 1},
        {&FrmTelefonos::ChkConyuge, "ChkConyuge", Tarjeta::Campo("conyuge_tiene"), "Sin Cónyuge", 2, 3840, 480, 1215, 495, 8},
        {&FrmTelefonos::ChkAval, "ChkAval", Tarjeta::Campo("aval_tiene"), "Sin Aval", 4, 10920, 1680, 975, 255, 48},
    };

    static constexpr DefNumerica kNumericas[] = {
        {&FrmTelefonos::TxtPrincipal_Telefono, 10},
        {&FrmTelefonos::TxtPrincipal_Celular, 13},
        {&FrmTelefonos::TxtPrincipal_telefono_centro, 10},
        {&FrmTelefonos::TxtPrincipal_extension_centro, 0},
        {&FrmTelefonos::TxtConyuge_Celular, 13},
        {&FrmTelefonos::TxtConyuge_centro_telefono, 10},
        {&FrmTelefonos::TxtConyuge_centro_extension, 0},
        {&FrmTelefonos::TxtAval_telefono, 10},
        {&FrmTelefonos::TxtAval_Celular, 13},
        {&FrmTelefonos::TxtAval_Telefono_centro, 10},
        {&FrmTelefonos::TxtAval_extension_centro, 0},
        {&FrmTelefonos::TxtAval_Telefono_centro_conyuge, 10},
        {&FrmTelefonos::TxtAval_extension_centro_conyuge, 0},
        {&FrmTelefonos::TxtRef1_Telefono, 10},
        {&FrmTelefonos::TxtRef2_Telefono, 10},
        {&FrmTelefonos::TxtRef3_Telefono, 10},
        {&FrmTelefonos::TxtRef4_Telefono, 10},
        {&FrmTelefonos::TxtRef1_Celular, 13},
        {&FrmTelefonos::TxtRef2_Celular, 13},
        {&FrmTelefonos::TxtRef3_Celular, 13},
        {&FrmTelefonos::TxtRef4_Celular, 13},
    };
};
// clang-format on

void FrmTelefonos::construir() {
    setObjectName(QStringLiteral("FrmTelefonos"));
    setWindowTitle(kCaptionBase);
    plataforma::aplicarFuente(this);
    setWindowIcon(plataforma::iconoPrograma());
    setFixedSize(plataforma::twips(12360), plataforma::twips(6990));
    setAttribute(Qt::WA_DeleteOnClose, false);

    QGroupBox* marcos[6] = {};  // by frame number, from 1
    int numero = 0;
    for (const DefMarco& m : Disposicion::kMarcos) {
        auto* g = new plataforma::Marco(QString::fromUtf8(m.titulo), this);
        g->setObjectName(QLatin1String(m.nombre));
        g->setGeometry(plataforma::twips(m.x, m.y, m.w, m.h));
        this->*m.miembro = g;
        marcos[++numero] = g;
    }

    std::vector<std::pair<int, QWidget*>> orden;
    for (const DefCaja& c : Disposicion::kCajas) {
        QWidget* padre = marcos[c.marco];
        auto* caja = new QLineEdit(padre);
        caja->setObjectName(QLatin1String(c.nombre));
        caja->setGeometry(plataforma::twips(c.x, c.y, c.w, c.h));
        plataforma::limitarTecleo(caja, Tarjeta::Ancho(c.campo));
        if (c.pista) caja->setToolTip(QStringLiteral("Apellido Paterno"));
        auto* etiqueta = new QLabel(QString::fromUtf8(c.etiqueta.titulo), padre);
        etiqueta->setObjectName(QLatin1String(c.etiqueta.nombre));
        etiqueta->move(plataforma::twips(c.etiqueta.x), plataforma::twips(c.etiqueta.y));
        etiqueta->setBuddy(caja);
        plataforma::ajustarAlTexto(etiqueta);
        // Labels lie beneath the controls, as windowless labels do on
        // Windows: a caption a little wider than its place never covers the
        // edge of its box or takes the box's clicks.
        etiqueta->lower();
        caja->setAccessibleName(etiqueta->text());
        this->*c.miembro = caja;
        orden.emplace_back(c.tab, caja);
    }
    for (const DefCasilla& c : Disposicion::kCasillas) {
        auto* casilla = new plataforma::Casilla(QString::fromUtf8(c.titulo), marcos[c.marco]);
        casilla->setObjectName(QLatin1String(c.nombre));
        casilla->setGeometry(plataforma::twips(c.x, c.y, c.w, c.h));
        casilla->setAccessibleName(casilla->text());
        this->*c.miembro = casilla;
        orden.emplace_back(c.tab, casilla);
    }

    CmbMunicipios = new QComboBox(Frame4);
    CmbMunicipios->setObjectName(QStringLiteral("CmbMunicipios"));
    CmbMunicipios->setGeometry(plataforma::twips(9000, 600, 1935, 315));
    listaCiudades_ = new plataforma::ListaConDatos(CmbMunicipios);
    CmbMunicipios->setModel(listaCiudades_);
    CmbMunicipios->setEditable(true);
    CmbMunicipios->setInsertPolicy(QComboBox::NoInsert);
    CmbMunicipios->setMaxVisibleItems(12);
    {
        // Typing keeps the text in the box while the list is open beside it.
        // An editable box comes with a completer over its list: it is set up
        // rather than replaced.
        QCompleter* completador = CmbMunicipios->completer();
        if (!completador) {
            completador = new QCompleter(CmbMunicipios->model(), CmbMunicipios);
            CmbMunicipios->setCompleter(completador);
        }
        completador->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
        completador->setCaseSensitivity(Qt::CaseInsensitive);
        auto* etiqueta = new QLabel(QStringLiteral("Ciudad"), Frame4);
        etiqueta->setObjectName(QStringLiteral("SkinLabel33"));
        etiqueta->move(plataforma::twips(8400), plataforma::twips(600));
        etiqueta->setBuddy(CmbMunicipios);
        plataforma::ajustarAlTexto(etiqueta);
        etiqueta->lower();
        CmbMunicipios->setAccessibleName(etiqueta->text());
    }
    orden.emplace_back(36, CmbMunicipios);

    TxtAnotaciones = new QPlainTextEdit(Frame5);
    TxtAnotaciones->setObjectName(QStringLiteral("TxtAnotaciones"));
    TxtAnotaciones->setGeometry(plataforma::twips(120, 240, 8895, 615));
    TxtAnotaciones->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    TxtAnotaciones->setTabChangesFocus(true);
    TxtAnotaciones->setPlainText(kNotasDiseno);
    TxtAnotaciones->setAccessibleName(QStringLiteral("Anotaciones"));
    orden.emplace_back(45, TxtAnotaciones);

    CmdGuardar = new QPushButton(QStringLiteral("&Guardar"), this);
    CmdGuardar->setObjectName(QStringLiteral("CmdGuardar"));
    CmdGuardar->setGeometry(plataforma::twips(9480, 6240, 1335, 375));
    CmdGuardar->setAutoDefault(false);
    orden.emplace_back(46, CmdGuardar);
    CmdExtras = new QPushButton(QStringLiteral("&C. Extras"), this);
    CmdExtras->setObjectName(QStringLiteral("CmdExtras"));
    CmdExtras->setGeometry(plataforma::twips(10800, 6240, 1335, 375));
    CmdExtras->setAutoDefault(false);
    orden.emplace_back(47, CmdExtras);

    SkinLabel28 = new QLabel(QStringLiteral("Versión 3.2   18 Mayo 2012"), this);
    SkinLabel28->setObjectName(QStringLiteral("SkinLabel28"));
    SkinLabel28->setGeometry(plataforma::twips(120, 6720, 4215, 375));
    SkinLabel28->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    std::sort(orden.begin(), orden.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    for (size_t i = 1; i < orden.size(); ++i) setTabOrder(orden[i - 1].second, orden[i].second);

    // The box of each field of the card (none for the client, the composed
    // guarantor name and the creating user).
    cajasDeCampos_ = QList<QWidget*>(Tarjeta::kNumCampos, nullptr);
    for (const DefCaja& c : Disposicion::kCajas) cajasDeCampos_[c.campo] = this->*c.miembro;
    for (const DefCasilla& c : Disposicion::kCasillas) cajasDeCampos_[c.campo] = this->*c.miembro;
    cajasDeCampos_[Tarjeta::Campo("anotaciones")] = TxtAnotaciones;
    cajasDeCampos_[Tarjeta::kCampoCiudad] = CmbMunicipios;

    for (const DefNumerica& n : Disposicion::kNumericas) {
        QLineEdit* caja = this->*n.miembro;
        caja->setProperty(kPropNumerica, true);
        caja->setProperty(kPropLargo, n.largo);
    }

    TmrInicio = new QTimer(this);
    TmrInicio->setObjectName(QStringLiteral("TmrInicio"));
    TmrInicio->setInterval(2000);
    TmrInicio->setSingleShot(false);
    connect(TmrInicio, &QTimer::timeout, this, &FrmTelefonos::TmrInicio_Timer);
    TmrInicio->start();

    connect(ChkMismo, &QCheckBox::stateChanged, this, &FrmTelefonos::ChkMismo_Click);
    connect(ChkConyuge, &QCheckBox::stateChanged, this, &FrmTelefonos::ChkConyuge_Click);
    connect(ChkAval, &QCheckBox::stateChanged, this, &FrmTelefonos::ChkAval_Click);
    connect(CmdGuardar, &QPushButton::clicked, this, &FrmTelefonos::CmdGuardar_Click);
    connect(CmdExtras, &QPushButton::clicked, this, &FrmTelefonos::CmdExtras_Click);
    connect(CmbMunicipios->lineEdit(), &QLineEdit::textEdited, this,
            &FrmTelefonos::CmbMunicipios_Editado);
    for (QLineEdit* c : {TxtAval_Paterno, TxtAval_Materno, TxtAval_Nombre})
        connect(c, &QLineEdit::textEdited, this, [this] { nombreAvalEditado_ = true; });
    for (QLineEdit* c : {TxtAval_Domicilio, TxtAval_Colonia, TxtAval_CP, CmbMunicipios->lineEdit()})
        connect(c, &QLineEdit::textEdited, this, [this] { domicilioEditado_ = true; });
    connect(CmbMunicipios, &QComboBox::activated, this, [this] { domicilioEditado_ = true; });

    // The window sees every key before its controls, and the focus leaving
    // each checked box.
    qApp->installEventFilter(this);
}
