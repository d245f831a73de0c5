#include "windows/FrmTelefonos.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCompleter>
#include <QDate>
#include <QGroupBox>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTime>
#include <QTimer>
#include <vector>

#include "controls/Casilla.h"
#include "controls/Comun.h"
#include "controls/Escena.h"
#include "controls/LimiteDeTexto.h"
#include "controls/ListaConDatos.h"
#include "controls/Marco.h"
#include "controls/Ventana.h"
#include "data/Cp1252.h"
#include "domain/Fusion.h"
#include "domain/Global.h"
#include "domain/LineaComandos.h"
#include "domain/Tarjeta.h"
#include "windows/FrmExtras.h"

using plataforma::Parametro;
using plataforma::TipoParametro;

namespace {

const QString kTituloCaptura = QStringLiteral("Error de Captura");
const QString kTituloCambio = QStringLiteral("Cambio a Tarjeta Telefónica");
const QString kCaptionBase = QStringLiteral("Tarjeta Telefónica de: ");
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
    const char* columna;  // the card column it shows; nullptr: none
    int marco;
    int x, y, w, h;
    // Characters a user may type. The guarantor's address boxes hold what
    // the address procedure takes.
    int limite;
    int tab;
    bool pista;  // hint "Apellido Paterno"
    DefEtiqueta etiqueta;
};

struct DefCasilla {
    QCheckBox* FrmTelefonos::*miembro;
    const char* nombre;
    const char* columna;  // the card column that keeps its state
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

// Puts text into a box by program, shown from its beginning. Typing limits
// never cut it (see limitarTecleo).
void poner(QLineEdit* caja, const QString& t) {
    plataforma::ponerTexto(caja, t);
    caja->setCursorPosition(0);
}

const char* const kPropLargo = "largoTelefono";
const char* const kPropNumerica = "soloNumeros";

// A procedure's parameter named in an error, as the user knows the box.
QString conNombresDeCajas(QString error) {
    static const std::pair<const char*, const char*> kCajas[] = {
        {"@cDomicilio", "«Calle y Numero Aval»"},
        {"@cColonia", "«Colonia»"},
        {"@cCodigo", "«C.P.»"},
        {"@cMunicipio", "«Ciudad»"},
        {"@cNombre", "«Nombre» del aval"},
        {"@cPaterno", "«A.Paterno»"},
        {"@cMaterno", "«A.Materno»"}};
    for (const auto& [parametro, caja] : kCajas)
        error.replace(
            QRegularExpression(QStringLiteral("El valor de %1\\b").arg(QLatin1String(parametro))),
            QStringLiteral("El valor de ") + QString::fromUtf8(caja));
    return error;
}

// Notes keep Windows line breaks in the table, as they always have.
QString notasParaGuardar(const QString& t) {
    QString s = t;
    s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    s.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return s;
}

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
        {&FrmTelefonos::TxtDueno, "TxtDueno", "Principal_Nombre", 1, 720, 240, 4095, 285, 100, 0, true, {"SkinLabel1", "Dueño", 120, 240}},
        {&FrmTelefonos::TxtPrincipal_Telefono, "TxtPrincipal_Telefono", "Principal_Telefono", 1, 1680, 600, 1815, 285, 10, 2, false, {"SkinLabel2", "Teléfono", 120, 600}},
        {&FrmTelefonos::TxtPrincipal_Celular, "TxtPrincipal_Celular", "Principal_celular", 1, 4200, 600, 1575, 285, 13, 3, false, {"SkinLabel3", "Celular", 3600, 600}},
        {&FrmTelefonos::TxtPrincipal_Centro, "TxtPrincipal_Centro", "Principal_centro", 1, 1680, 960, 4095, 285, 80, 4, false, {"SkinLabel4", "Centro de Trabajo", 120, 960}},
        {&FrmTelefonos::TxtPrincipal_telefono_centro, "TxtPrincipal_telefono_centro", "Principal_Telefono_centro", 1, 1680, 1320, 1815, 285, 10, 5, false, {"SkinLabel5", "Teléfono Trabajo", 120, 1320}},
        {&FrmTelefonos::TxtPrincipal_extension_centro, "TxtPrincipal_extension_centro", "Principal_extension_centro", 1, 4560, 1320, 1215, 285, 30, 6, false, {"SkinLabel6", "Extensión", 3600, 1320}},

        {&FrmTelefonos::TxtConyuge_Nombre, "TxtConyuge_Nombre", "conyuge_nombre", 2, 840, 240, 5055, 285, 100, 7, true, {"SkinLabel7", "Cónyuge", 120, 240}},
        {&FrmTelefonos::TxtConyuge_Celular, "TxtConyuge_Celular", "conyuge_celular", 2, 1560, 600, 1935, 285, 13, 9, false, {"SkinLabel8", "Celular", 120, 600}},
        {&FrmTelefonos::TxtConyuge_Centro, "TxtConyuge_Centro", "conyuge_centro", 2, 1560, 960, 4335, 285, 80, 10, false, {"SkinLabel9", "Centro de Trabajo", 120, 960}},
        {&FrmTelefonos::TxtConyuge_centro_telefono, "TxtConyuge_centro_telefono", "conyuge_telefono_centro", 2, 1560, 1320, 1815, 285, 10, 11, false, {"SkinLabel10", "Teléfono Trabajo", 120, 1320}},
        {&FrmTelefonos::TxtConyuge_centro_extension, "TxtConyuge_centro_extension", "conyuge_extension_centro", 2, 4680, 1320, 1215, 285, 30, 12, false, {"SkinLabel11", "Extensión", 3840, 1320}},

        {&FrmTelefonos::txtRef1_Nombre, "txtRef1_Nombre", "referencia1_nombre", 3, 1200, 240, 3615, 285, 100, 13, true, {"SkinLabel12", "Nombre Ref. 1", 120, 240}},
        {&FrmTelefonos::TxtRef1_Telefono, "TxtRef1_Telefono", "referencia1_telefono", 3, 5640, 240, 1335, 285, 10, 14, false, {"SkinLabel14", "Teléfono", 4920, 240}},
        {&FrmTelefonos::TxtRef1_Celular, "TxtRef1_Celular", "referencia1_celular", 3, 7680, 240, 1575, 285, 13, 15, false, {"SkinLabel13", "Celular", 7080, 240}},
        {&FrmTelefonos::TxtRef1_parentesco, "TxtRef1_parentesco", "referencia1_parentesco", 3, 10320, 240, 1695, 285, 30, 16, false, {"SkinLabel15", "Parentesco", 9360, 240}},
        {&FrmTelefonos::txtRef2_Nombre, "txtRef2_Nombre", "referencia2_nombre", 3, 1200, 600, 3615, 285, 100, 17, true, {"SkinLabel16", "Nombre Ref. 2", 120, 600}},
        {&FrmTelefonos::TxtRef2_Telefono, "TxtRef2_Telefono", "referencia2_telefono", 3, 5640, 600, 1335, 285, 10, 18, false, {"SkinLabel18", "Teléfono", 4920, 600}},
        {&FrmTelefonos::TxtRef2_Celular, "TxtRef2_Celular", "referencia2_celular", 3, 7680, 600, 1575, 285, 13, 19, false, {"SkinLabel17", "Celular", 7080, 600}},
        {&FrmTelefonos::TxtRef2_parentesco, "TxtRef2_parentesco", "referencia2_parentesco", 3, 10320, 600, 1695, 285, 30, 20, false, {"SkinLabel19", "Parentesco", 9360, 600}},
        {&FrmTelefonos::txtRef3_Nombre, "txtRef3_Nombre", "referencia3_nombre", 3, 1200, 960, 3615, 285, 100, 21, true, {"SkinLabel37", "Nombre Ref. 3", 120, 960}},
        {&FrmTelefonos::TxtRef3_Telefono, "TxtRef3_Telefono", "referencia3_telefono", 3, 5640, 960, 1335, 285, 10, 22, false, {"SkinLabel39", "Teléfono", 4920, 960}},
        {&FrmTelefonos::TxtRef3_Celular, "TxtRef3_Celular", "referencia3_celular", 3, 7680, 960, 1575, 285, 13, 23, false, {"SkinLabel38", "Celular", 7080, 960}},
        {&FrmTelefonos::TxtRef3_parentesco, "TxtRef3_parentesco", "referencia3_parentesco", 3, 10320, 960, 1695, 285, 30, 24, false, {"SkinLabel40", "Parentesco", 9360, 960}},
        {&FrmTelefonos::txtRef4_Nombre, "txtRef4_Nombre", "referencia4_nombre", 3, 1200, 1320, 3615, 285, 100, 25, true, {"SkinLabel41", "Nombre Ref. 4", 120, 1320}},
        {&FrmTelefonos::TxtRef4_Telefono, "TxtRef4_Telefono", "referencia4_telefono", 3, 5640, 1320, 1335, 285, 10, 26, false, {"SkinLabel43", "Teléfono", 4920, 1320}},
        {&FrmTelefonos::TxtRef4_Celular, "TxtRef4_Celular", "referencia4_celular", 3, 7680, 1320, 1575, 285, 13, 27, false, {"SkinLabel42", "Celular", 7080, 1320}},
        {&FrmTelefonos::TxtRef4_parentesco, "TxtRef4_parentesco", "referencia4_parentesco", 3, 10320, 1320, 1695, 285, 30, 28, false, {"SkinLabel44", "Parentesco", 9360, 1320}},

        {&FrmTelefonos::TxtAval_Paterno, "TxtAval_Paterno", nullptr, 4, 960, 240, 1935, 285, 40, 29, false, {"SkinLabel35", "A.Paterno", 120, 240}},
        {&FrmTelefonos::TxtAval_Materno, "TxtAval_Materno", nullptr, 4, 3840, 240, 1695, 285, 40, 30, false, {"SkinLabel36", "A.Materno", 3000, 240}},
        {&FrmTelefonos::TxtAval_Nombre, "TxtAval_Nombre", nullptr, 4, 6240, 240, 1695, 285, 40, 31, false, {"SkinLabel20", "Nombre", 5640, 240}},
        {&FrmTelefonos::TxtAval_telefono, "TxtAval_telefono", "aval_Telefono", 4, 8760, 240, 1215, 285, 10, 32, false, {"SkinLabel25", "Teléfono", 8040, 240}},
        {&FrmTelefonos::TxtAval_Celular, "TxtAval_Celular", "aval_celular", 4, 10560, 240, 1455, 285, 13, 33, false, {"SkinLabel21", "Celular", 10080, 240}},
        {&FrmTelefonos::TxtAval_Domicilio, "TxtAval_Domicilio", nullptr, 4, 1560, 585, 3495, 285, 200, 34, false, {"SkinLabel31", "Calle y Numero Aval", 120, 600}},
        {&FrmTelefonos::TxtAval_Colonia, "TxtAval_Colonia", nullptr, 4, 5760, 600, 2535, 285, 40, 35, false, {"SkinLabel32", "Colonia", 5160, 600}},
        {&FrmTelefonos::TxtAval_CP, "TxtAval_CP", nullptr, 4, 11400, 585, 615, 285, 10, 37, false, {"SkinLabel34", "C.P.", 11040, 600}},
        {&FrmTelefonos::TxtAval_Centro, "TxtAval_Centro", "aval_centro", 4, 1560, 960, 5175, 285, 80, 38, false, {"SkinLabel22", "Centro de Trabajo", 120, 960}},
        {&FrmTelefonos::TxtAval_Telefono_centro, "TxtAval_Telefono_centro", "aval_Telefono_centro", 4, 8400, 960, 1695, 285, 10, 39, false, {"SkinLabel23", "Teléfono Trabajo", 7080, 960}},
        {&FrmTelefonos::TxtAval_extension_centro, "TxtAval_extension_centro", "aval_extension_centro", 4, 10920, 960, 1095, 285, 30, 40, false, {"SkinLabel24", "Extensión", 10200, 960}},
        {&FrmTelefonos::TxtAval_Nombre_Conyuge, "TxtAval_Nombre_Conyuge", "aval_nombre_conyuge", 4, 2280, 1320, 3255, 285, 80, 41, false, {"SkinLabel30", "Nombre  Conyuge del Aval", 120, 1320}},
        {&FrmTelefonos::TxtAval_Centro_Conyuge, "TxtAval_Centro_Conyuge", "aval_centro_conyuge", 4, 7680, 1320, 4335, 285, 80, 42, false, {"SkinLabel26", "Centro de Trabajo Conyuge", 5640, 1320}},
        {&FrmTelefonos::TxtAval_Telefono_centro_conyuge, "TxtAval_Telefono_centro_conyuge", "aval_telefono_centro_conyuge", 4, 2280, 1680, 1815, 285, 10, 43, false, {"SkinLabel27", "Teléfono Trabajo Conyuge", 120, 1680}},
        {&FrmTelefonos::TxtAval_extension_centro_conyuge, "TxtAval_extension_centro_conyuge", "aval_extension_centro_conyuge", 4, 5040, 1680, 1935, 285, 30, 44, false, {"SkinLabel29", "Extensión", 4200, 1680}},
    };

    static constexpr DefCasilla kCasillas[] = {
        {&FrmTelefonos::ChkMismo, "ChkMismo", "Principal_Mismo", "Mismo Cliente", 1, 4920, 240, 855, 375, 1},
        {&FrmTelefonos::ChkConyuge, "ChkConyuge", "conyuge_tiene", "Sin Cónyuge", 2, 3840, 480, 1215, 495, 8},
        {&FrmTelefonos::ChkAval, "ChkAval", "aval_tiene", "Sin Aval", 4, 10920, 1680, 975, 255, 48},
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

// ================================================================ building

FrmTelefonos::FrmTelefonos(Global::Sesion& sesion, QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      sesion_(sesion) {
    construir();
}

FrmTelefonos::~FrmTelefonos() {
    if (qApp) qApp->removeEventFilter(this);
    if (!cerrada_) Form_Unload();
}

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
        plataforma::limitarTecleo(caja, c.limite);
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
    for (const DefCaja& c : Disposicion::kCajas)
        if (c.columna) cajasDeCampos_[Tarjeta::Indice(QLatin1String(c.columna))] = this->*c.miembro;
    for (const DefCasilla& c : Disposicion::kCasillas)
        cajasDeCampos_[Tarjeta::Indice(QLatin1String(c.columna))] = this->*c.miembro;
    cajasDeCampos_[Tarjeta::Indice(QLatin1String("anotaciones"))] = TxtAnotaciones;
    cajasDeCampos_[Tarjeta::kCampoCalle] = TxtAval_Domicilio;
    cajasDeCampos_[Tarjeta::kCampoColonia] = TxtAval_Colonia;
    cajasDeCampos_[Tarjeta::kCampoCodigo] = TxtAval_CP;
    cajasDeCampos_[Tarjeta::kCampoCiudad] = CmbMunicipios;
    cajasDeCampos_[Tarjeta::kCampoPaterno] = TxtAval_Paterno;
    cajasDeCampos_[Tarjeta::kCampoMaterno] = TxtAval_Materno;
    cajasDeCampos_[Tarjeta::kCampoNombre] = TxtAval_Nombre;

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

// ================================================================ start-up

bool FrmTelefonos::Form_Load(QString* error) {
    plataforma::colocar(this);
    plataforma::aplicarPiel(this, plataforma::carpetaPrograma() + QStringLiteral("/Msn2008.skn"));
    plataforma::punteroRaton(11);
    struct Puntero {
        ~Puntero() { plataforma::punteroRaton(0); }
    } restaurar;

    TarjetaNueva = false;

    QString detalle;
    RevisarPermiso(&detalle);
    if (detalle.isEmpty()) MostrarNombreCliente(&detalle);
    if (detalle.isEmpty()) CargarCiudades(&detalle);
    if (detalle.isEmpty()) CargarTarjeta(&detalle);
    if (!detalle.isEmpty()) {
        *error = detalle;
        sesion_.conexion.cerrar();
        return false;
    }
    return true;
}

void FrmTelefonos::RevisarPermiso(QString* error) {
    std::optional<bool> puede;
    QString e;
    if (!Tarjeta::LeerPermiso(sesion_, &puede, &e)) {
        *error =
            Global::ConDetalle(QStringLiteral("No se pudo consultar el permiso del usuario. ") +
                                   QString::fromUtf16(Global::kVuelvaAAbrir),
                               e);
        return;
    }
    if (puede) PuedeModificar = *puede;
}

void FrmTelefonos::MostrarNombreCliente(QString* error) {
    std::optional<QString> nombre;
    QString e;
    if (!Tarjeta::LeerNombreCliente(sesion_, &nombre, &e)) {
        *error = Global::ConDetalle(QStringLiteral("No se pudo consultar el nombre del cliente. ") +
                                        QString::fromUtf16(Global::kVuelvaAAbrir),
                                    e);
        return;
    }
    if (!nombre) {
        *error = LineaComandos::ClienteNoRegistrado(sesion_.cliente, sesion_.lineaComandos);
        return;
    }
    NombreCliente = *nombre;
    setWindowTitle(kCaptionBase + NombreCliente);
}

void FrmTelefonos::LimpiarCampos() {
    TxtDueno->setText(QString());
    PonerCasilla(ChkMismo, 0);
    for (QLineEdit* c :
         {TxtPrincipal_Telefono, TxtPrincipal_Celular, TxtPrincipal_Centro,
          TxtPrincipal_telefono_centro, TxtPrincipal_extension_centro, TxtConyuge_Nombre})
        c->setText(QString());
    PonerCasilla(ChkConyuge, 0);
    for (QLineEdit* c : {TxtConyuge_Celular,
                         TxtConyuge_Centro,
                         TxtConyuge_centro_telefono,
                         TxtConyuge_centro_extension,
                         txtRef1_Nombre,
                         TxtRef1_Telefono,
                         TxtRef1_Celular,
                         TxtRef1_parentesco,
                         txtRef2_Nombre,
                         TxtRef2_Telefono,
                         TxtRef2_Celular,
                         TxtRef2_parentesco,
                         txtRef3_Nombre,
                         TxtRef3_Telefono,
                         TxtRef3_Celular,
                         TxtRef3_parentesco,
                         txtRef4_Nombre,
                         TxtRef4_Telefono,
                         TxtRef4_Celular,
                         TxtRef4_parentesco})
        c->setText(QString());
    PonerCasilla(ChkAval, 0);
    for (QLineEdit* c :
         {TxtAval_Nombre, TxtAval_Nombre_Conyuge, TxtAval_telefono, TxtAval_Celular, TxtAval_Centro,
          TxtAval_Telefono_centro, TxtAval_extension_centro, TxtAval_Centro_Conyuge,
          TxtAval_Telefono_centro_conyuge, TxtAval_extension_centro_conyuge})
        c->setText(QString());
    TxtAnotaciones->setPlainText(QString());
    CmdGuardar->setText(QStringLiteral("&Guardar"));
}

void FrmTelefonos::TmrInicio_Timer() {
    TmrInicio->stop();
    HacerSobreTodo(this);
}

void FrmTelefonos::CmdExtras_Click() {
    QuitarSobreTodo(this);
    {
        FrmExtras extras(sesion_);
        QString error;
        if (extras.Form_Load(&error))
            extras.exec();
        else
            MensajeError(error, QStringLiteral("Contactos Extras"));
    }
    HacerSobreTodo(this);
}

void FrmTelefonos::Form_KeyPress(qint16& codigo) {
    if (codigo == 27) close();
}

void FrmTelefonos::closeEvent(QCloseEvent* evento) {
    // Typing not yet saved is not thrown away without a word.
    if (!cerrada_ && !cerrarSinPreguntar_ && hayCambios()) {
        QuitarSobreTodo(this);
        const bool salir = PreguntaSiNo(QStringLiteral("¿Desea salir sin guardar los cambios?"),
                                        QStringLiteral("Tarjeta Telefónica"));
        HacerSobreTodo(this);
        if (!salir) {
            evento->ignore();
            return;
        }
    }
    Form_Unload();
    evento->accept();
}

// Whether a box shows something other than what was loaded or last saved.
bool FrmTelefonos::hayCambios() const {
    const QVariantList ahora = valoresEnVentana();
    for (int i = 0; i < Tarjeta::kNumCampos; ++i)
        if (!Fusion::Iguales(ahora[i], mostrado_.value(i))) return true;
    return false;
}

void FrmTelefonos::Form_Unload() {
    if (cerrada_) return;
    cerrada_ = true;
    TmrInicio->stop();
    sesion_.conexion.cerrar();
}

// ============================================================== key handling

bool FrmTelefonos::eventFilter(QObject* objeto, QEvent* evento) {
    if (!objeto->isWidgetType()) return false;
    auto* control = static_cast<QWidget*>(objeto);
    if (control->window() != this) return false;

    if (evento->type() == QEvent::KeyPress) {
        // Only the first delivery, to the focused control (or the window).
        if (control != QApplication::focusWidget() && control != this) return false;
        auto* tecla = static_cast<QKeyEvent*>(evento);
        int c = plataforma::codigoDeTecla(tecla);
        if (c < 0) return false;
        qint16 codigo = qint16(c);
        Form_KeyPress(codigo);
        if (codigo == 27 && cerrada_) return true;
        if (control->property(kPropNumerica).toBool()) {
            SoloNumeros(codigo);
            return codigo == 0;
        }
        if (control == CmbMunicipios || control == CmbMunicipios->lineEdit()) {
            CmbMunicipios_KeyPress(codigo);
        }
        return false;
    }

    // Text composed by the input method (a dead key and a letter give "á")
    // arrives without a key press: in the numeric boxes each of its characters
    // goes through the same filter as a typed one.
    if (evento->type() == QEvent::InputMethod && control->property(kPropNumerica).toBool()) {
        auto* metodo = static_cast<QInputMethodEvent*>(evento);
        QString admitido;
        for (const QChar ch : metodo->commitString()) {
            qint16 codigo = qint16(ch.unicode());
            SoloNumeros(codigo);
            if (codigo != 0) admitido += QChar(char16_t(codigo));
        }
        if (admitido != metodo->commitString())
            metodo->setCommitString(admitido, metodo->replacementStart(),
                                    metodo->replacementLength());
        return false;
    }

    // The press that moved the focus out of a box whose check failed: its
    // release went to the message box, so it must not reach the control (a
    // button would stay pressed, and its action must not run).
    if ((evento->type() == QEvent::MouseButtonPress ||
         evento->type() == QEvent::MouseButtonDblClick) &&
        tragarClic_) {
        tragarClic_ = false;
        return true;
    }

    if (evento->type() == QEvent::FocusOut) {
        // Focus moving to another control of this window; not a message box
        // or another window taking it.
        const auto razon = static_cast<QFocusEvent*>(evento)->reason();
        if (razon == Qt::ActiveWindowFocusReason || razon == Qt::PopupFocusReason) return false;
        if (reenfocando_) return false;
        if (auto* caja = qobject_cast<QLineEdit*>(control)) {
            const int largo = caja->property(kPropLargo).toInt();
            bool bien = true;
            if (largo > 0)
                bien = RevisarLongitud(caja, largo);
            else if (caja == TxtAval_Nombre)
                bien = TxtAval_Nombre_LostFocus();
            // A click moved the focus: its press is delivered right after this,
            // within the same dispatch. Never later: the flag goes once the
            // event loop runs again.
            if (!bien && razon == Qt::MouseFocusReason) {
                tragarClic_ = true;
                QTimer::singleShot(0, this, [this] { tragarClic_ = false; });
            }
        }
    }
    return false;
}

// ============================================================ field checks

bool FrmTelefonos::RevisarLongitud(QLineEdit* caja, int largo) {
    if (caja->text().isEmpty()) return true;
    if (caja->text().trimmed().size() == largo) return true;
    QuitarSobreTodo(this);
    MensajeError(largo == 13
                     ? QStringLiteral("Verifique el Numero Capturado, debe ser de 13 posiciones")
                     : QStringLiteral("Verifique el Numero Capturado, debe ser de 10 posiciones"),
                 kTituloCaptura);
    // The box that has just taken the focus loses it again; its own check must
    // not run for that.
    reenfocando_ = true;
    caja->setFocus(Qt::OtherFocusReason);
    reenfocando_ = false;
    HacerSobreTodo(this);
    return false;
}

bool FrmTelefonos::TxtAval_Nombre_LostFocus() {
    if (!TxtAval_Paterno->text().isEmpty() && !TxtAval_Nombre->text().isEmpty()) {
        componerNombreAval();
        return true;
    }
    MensajeError(
        QStringLiteral("El Nombre del Aval debe contener al Menos Nombre y Apellido Paterno"),
        kTituloCaptura);
    NombreCompletoAval.clear();
    reenfocando_ = true;
    TxtAval_Paterno->setFocus(Qt::OtherFocusReason);
    reenfocando_ = false;
    return false;
}

// The guarantor's full name from the three name boxes: first surname, second
// surname when present, given names; each trimmed.
void FrmTelefonos::componerNombreAval() {
    NombreCompletoAval = Tarjeta::NombreCompleto(TxtAval_Paterno->text(), TxtAval_Materno->text(),
                                                 TxtAval_Nombre->text());
}

// ========================================================== check-box rules

void FrmTelefonos::PonerCasilla(QCheckBox* casilla, int estado) {
    casilla->setCheckState(estado == 1 ? Qt::Checked
                                       : (estado == 2 ? Qt::PartiallyChecked : Qt::Unchecked));
}

void FrmTelefonos::ChkMismo_Click() {
    if (ChkMismo->checkState() == Qt::Checked)
        poner(TxtDueno, NombreCliente);
    else
        TxtDueno->setText(QString());
}

void FrmTelefonos::ChkConyuge_Click() {
    const QList<QLineEdit*> cajas{TxtConyuge_Nombre, TxtConyuge_Celular, TxtConyuge_Centro,
                                  TxtConyuge_centro_telefono, TxtConyuge_centro_extension};
    if (ChkConyuge->checkState() == Qt::Checked) {
        for (QLineEdit* c : cajas) c->setText(QString());
        for (QLineEdit* c : cajas) c->setEnabled(false);
    } else {
        for (QLineEdit* c : cajas) c->setEnabled(true);
    }
}

void FrmTelefonos::ChkAval_Click() {
    // Either way the name boxes change (emptied now, or open again): the
    // stored name no longer stands for what the window shows.
    nombreAvalEditado_ = true;
    if (ChkAval->checkState() == Qt::Checked) {
        for (QLineEdit* c :
             {TxtAval_Paterno, TxtAval_Materno, TxtAval_Nombre, TxtAval_Nombre_Conyuge,
              TxtAval_telefono, TxtAval_Celular, TxtAval_Centro, TxtAval_Telefono_centro,
              TxtAval_extension_centro, TxtAval_Centro_Conyuge, TxtAval_Telefono_centro_conyuge,
              TxtAval_extension_centro_conyuge, TxtAval_Domicilio, TxtAval_Colonia, TxtAval_CP})
            c->setText(QString());
        for (QLineEdit* c :
             {TxtAval_Nombre, TxtAval_Paterno, TxtAval_Materno, TxtAval_Nombre_Conyuge,
              TxtAval_telefono, TxtAval_Celular, TxtAval_Centro, TxtAval_Centro_Conyuge,
              TxtAval_Telefono_centro, TxtAval_extension_centro, TxtAval_Telefono_centro_conyuge,
              TxtAval_extension_centro_conyuge, TxtAval_Domicilio, TxtAval_Colonia, TxtAval_CP})
            c->setEnabled(false);
        // No guarantor: no guarantor name is written or sent either.
        NombreCompletoAval.clear();
    } else {
        for (QLineEdit* c :
             {TxtAval_Paterno, TxtAval_Materno, TxtAval_Nombre, TxtAval_Nombre_Conyuge,
              TxtAval_telefono, TxtAval_Celular, TxtAval_Centro, TxtAval_Centro_Conyuge,
              TxtAval_Telefono_centro, TxtAval_extension_centro, TxtAval_Telefono_centro_conyuge,
              TxtAval_extension_centro_conyuge, TxtAval_Domicilio, TxtAval_Colonia, TxtAval_CP})
            c->setEnabled(true);
    }
}

// ================================================================ city list

bool FrmTelefonos::CargarCiudades(QString* error) {
    CmbMunicipios->clear();
    QList<Tarjeta::Ciudad> ciudades;
    QString e;
    if (!Tarjeta::LeerCiudades(sesion_, &ciudades, &e)) {
        *error = Global::ConDetalle(QStringLiteral("No se pudo leer la lista de ciudades. ") +
                                        QString::fromUtf16(Global::kVuelvaAAbrir),
                                    e);
        return false;
    }
    // The entries are built first and handed to the box's list in one go:
    // adding them one at a time costs a signal per entry and per city number.
    QList<plataforma::ListaConDatos::Entrada> entradas;
    entradas.reserve(ciudades.size());
    for (Tarjeta::Ciudad& c : ciudades) entradas.append({std::move(c.nombre), c.numero});
    CmbMunicipios->blockSignals(true);
    listaCiudades_->reemplazar(std::move(entradas));
    // Filling the list selects nothing and leaves the text empty.
    CmbMunicipios->setCurrentIndex(-1);
    CmbMunicipios->blockSignals(false);
    return true;
}

void FrmTelefonos::CmbMunicipios_KeyPress(qint16 codigo) {
    QCompleter* lista = CmbMunicipios->completer();
    if (codigo == 13) {
        if (lista && lista->popup()) lista->popup()->hide();
        CmbMunicipios->hidePopup();
        return;
    }
    // Open the list once the key has reached the box's text.
    QTimer::singleShot(0, CmbMunicipios, [this] {
        QCompleter* l = CmbMunicipios->completer();
        if (l && CmbMunicipios->hasFocus()) {
            l->setCompletionPrefix(QString());
            l->complete();
        }
    });
}

// The entry whose name is the given one, capitals and surrounding blanks
// aside; -1 if there is none.
int FrmTelefonos::indiceDeCiudad(const QString& nombre) const {
    const QString buscado = nombre.trimmed();
    if (buscado.isEmpty()) return -1;
    for (int i = 0; i < CmbMunicipios->count(); ++i)
        if (CmbMunicipios->itemText(i).compare(buscado, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

// Typing in the box selects the entry with that name, or none, so the city
// number saved always belongs to the name shown.
void FrmTelefonos::CmbMunicipios_Editado(const QString& texto) {
    const int i = indiceDeCiudad(texto);
    if (i == CmbMunicipios->currentIndex()) return;
    QLineEdit* edicion = CmbMunicipios->lineEdit();
    const int cursor = edicion->cursorPosition();
    CmbMunicipios->setCurrentIndex(i);
    if (edicion->text() != texto) edicion->setText(texto);
    edicion->setCursorPosition(cursor);
}

// ============================================================ loading a card

bool FrmTelefonos::CargarTarjeta(QString* error) {
    Tarjeta::Leida leida;
    QString que, detalle;
    if (!Tarjeta::Cargar(sesion_, &leida, &que, &detalle)) {
        *error = Global::ConDetalle(
            que + QLatin1Char(' ') + QString::fromUtf16(Global::kVuelvaAAbrir), detalle);
        return false;
    }
    mostrar(leida);
    return true;
}

// Shows a card as read. It becomes the version a change is checked against,
// and what the window shows now is what the user has not changed.
void FrmTelefonos::mostrar(const Tarjeta::Leida& leida) {
    cargada_ = leida;
    columnasSinUnicode_ = leida.columnasSinUnicode;
    if (!leida.existe) {
        TarjetaNueva = true;
        LimpiarCampos();
        // Boxes the empty start-up window has empty anyway, emptied for a card
        // shown again.
        for (QLineEdit* c :
             {TxtAval_Paterno, TxtAval_Materno, TxtAval_Domicilio, TxtAval_Colonia, TxtAval_CP})
            c->clear();
        CmbMunicipios->setCurrentIndex(-1);
        CmbMunicipios->setEditText(QString());
        CiudadAval = 0;
        NombreCompletoAval.clear();
        avalNombreGuardado_ = QVariant();
        nombreAvalEditado_ = false;
        domicilioEditado_ = false;
        mostrado_ = valoresEnVentana();
        return;
    }
    const Tarjeta::Fila& t = leida.fila;
    const auto texto = [&t](const char* columna) { return t.texto(QLatin1String(columna)); };

    // The boxes are filled in this order: a check box's rule runs as it is
    // set ("Mismo Cliente" puts the client's name in "Dueño", "Sin Cónyuge"
    // and "Sin Aval" empty the boxes filled before them).
    TarjetaNueva = false;
    poner(TxtDueno, texto("Principal_Nombre"));
    PonerCasilla(ChkMismo, t[QLatin1String("Principal_Mismo")].toBool() ? 1 : 0);
    poner(TxtPrincipal_Telefono, texto("Principal_Telefono"));
    poner(TxtPrincipal_Celular, texto("Principal_celular"));
    poner(TxtPrincipal_Centro, texto("Principal_centro"));
    poner(TxtPrincipal_telefono_centro, texto("Principal_Telefono_centro"));
    poner(TxtPrincipal_extension_centro, texto("Principal_extension_centro"));
    poner(TxtConyuge_Nombre, texto("conyuge_nombre"));
    PonerCasilla(ChkConyuge, t[QLatin1String("conyuge_tiene")].toInt() == 1 ? 1 : 0);
    poner(TxtConyuge_Celular, texto("conyuge_celular"));
    poner(TxtConyuge_Centro, texto("conyuge_centro"));
    poner(TxtConyuge_centro_telefono, texto("conyuge_telefono_centro"));
    poner(TxtConyuge_centro_extension, texto("conyuge_extension_centro"));
    QLineEdit* const referencias[4][4] = {
        {txtRef1_Nombre, TxtRef1_Telefono, TxtRef1_Celular, TxtRef1_parentesco},
        {txtRef2_Nombre, TxtRef2_Telefono, TxtRef2_Celular, TxtRef2_parentesco},
        {txtRef3_Nombre, TxtRef3_Telefono, TxtRef3_Celular, TxtRef3_parentesco},
        {txtRef4_Nombre, TxtRef4_Telefono, TxtRef4_Celular, TxtRef4_parentesco}};
    for (int n = 0; n < 4; ++n) {
        const char* campos[4] = {"nombre", "telefono", "celular", "parentesco"};
        for (int k = 0; k < 4; ++k)
            poner(referencias[n][k], texto(QStringLiteral("referencia%1_%2")
                                               .arg(n + 1)
                                               .arg(QLatin1String(campos[k]))
                                               .toLatin1()
                                               .constData()));
    }
    PonerCasilla(ChkAval, t[QLatin1String("aval_tiene")].toInt() == 1 ? 1 : 0);
    poner(TxtAval_telefono, texto("aval_Telefono"));
    poner(TxtAval_Celular, texto("aval_celular"));
    poner(TxtAval_Centro, texto("aval_centro"));
    poner(TxtAval_Nombre_Conyuge, texto("aval_nombre_conyuge"));
    poner(TxtAval_Centro_Conyuge, texto("aval_centro_conyuge"));
    poner(TxtAval_Telefono_centro_conyuge, texto("aval_telefono_centro_conyuge"));
    poner(TxtAval_extension_centro_conyuge, texto("aval_extension_centro_conyuge"));

    if (const auto& d = leida.domicilio) {
        poner(TxtAval_Domicilio, d->calle);
        CiudadAval = d->ciudad.toDouble();
        // The stored city is chosen in the list by its number, or else by its
        // name, so that saving again stores the address; the box shows the
        // name as stored.
        int i = d->ciudad.isNull() ? -1 : CmbMunicipios->findData(d->ciudad.toInt());
        if (i < 0) i = indiceDeCiudad(d->nombreCiudad);
        CmbMunicipios->setCurrentIndex(i);
        CmbMunicipios->setEditText(d->nombreCiudad);
        poner(TxtAval_Colonia, d->colonia);
        poner(TxtAval_CP, d->codigo);
    } else if (!TxtAval_Domicilio->text().isEmpty() || CmbMunicipios->currentIndex() > -1) {
        // Shown again after another desk's save that left no address.
        for (QLineEdit* c : {TxtAval_Domicilio, TxtAval_Colonia, TxtAval_CP}) c->clear();
        CmbMunicipios->setCurrentIndex(-1);
        CmbMunicipios->setEditText(QString());
        CiudadAval = 0;
    }
    if (const auto& n = leida.nombreAval) {
        poner(TxtAval_Paterno, n->paterno);
        poner(TxtAval_Materno, n->materno);
        poner(TxtAval_Nombre, n->nombre);
    } else {
        for (QLineEdit* c : {TxtAval_Paterno, TxtAval_Materno, TxtAval_Nombre}) c->clear();
    }
    poner(TxtAval_Telefono_centro, texto("aval_Telefono_centro"));
    poner(TxtAval_extension_centro, texto("aval_extension_centro"));
    TxtAnotaciones->setPlainText(texto("anotaciones"));
    ponerCambiar();

    // The full name shown for the boxes just filled. A change saves the stored
    // aval_Nombre back unless the user edits a name box.
    componerNombreAval();
    avalNombreGuardado_ =
        leida.conAvalNombre ? t[QLatin1String("aval_Nombre")] : QVariant(NombreCompletoAval);
    nombreAvalEditado_ = false;
    domicilioEditado_ = false;
    mostrado_ = valoresEnVentana();
}

// The button of a stored card: "&Cambiar", enabled with the permission to
// change cards; greyed without it, its tip saying why.
void FrmTelefonos::ponerCambiar() {
    CmdGuardar->setText(QStringLiteral("&Cambiar"));
    CmdGuardar->setEnabled(PuedeModificar);
    CmdGuardar->setToolTip(PuedeModificar
                               ? QString()
                               : QStringLiteral("Su usuario no tiene permiso para modificar "
                                                "tarjetas: puede consultar esta, pero no "
                                                "cambiarla."));
}

// ============================================================= saving a card

void FrmTelefonos::CmdGuardar_Click() {
    QuitarSobreTodo(this);
    if (TarjetaNueva) {
        if (!capturaGuardable()) {
            HacerSobreTodo(this);
            return;
        }
        guardarYAvisar();
    } else if (PreguntaSiNo(
                   QStringLiteral(
                       "Se Dispone a Modificar la Tarjeta telefónica del Cliente, esta seguro?"),
                   QStringLiteral("Guardar Cambios")) &&
               capturaGuardable()) {
        guardarYAvisar();
    }
    HacerSobreTodo(this);
}

// Stores the card (new or changed) and says how it went. When another desk
// stored the card in the meantime, the two desks' changes are merged.
void FrmTelefonos::guardarYAvisar() {
    const bool nueva = TarjetaNueva;
    // After a save whose outcome is unknown the card is read first: what is
    // stored tells whether that save went in, and nothing is sent blindly.
    if (incierto_) {
        resolverConflicto(nueva);
        return;
    }
    const bool sinLista = domicilioSinCiudad();
    QString error;
    const Tarjeta::Desenlace d = nueva ? guardarNueva(&error) : guardarCambios(&error);
    if (d == Tarjeta::Desenlace::Guardada) {
        avisarGuardada(nueva);
        if (sinLista)
            MensajeInfo(QStringLiteral("El domicilio del aval no se guardó: solo se guarda con una "
                                       "ciudad de la lista, y la lista de ciudades de esta "
                                       "sucursal está vacía. Avise a sistemas."),
                        nueva ? QStringLiteral("Alta de Tarjeta Telefónica") : kTituloCambio);
    } else if (d == Tarjeta::Desenlace::Conflicto) {
        resolverConflicto(nueva);
    } else {
        avisarNoGuardada(d, nueva, error);
    }
}

void FrmTelefonos::avisarGuardada(bool nueva) {
    if (nueva) {
        MensajeInfo(QStringLiteral("Tarjeta Generada Correctamente!"),
                    QStringLiteral("Alta de Tarjeta Telefónica"));
        // The card exists now: a further press changes it.
        TarjetaNueva = false;
        ponerCambiar();
    } else {
        MensajeInfo(QStringLiteral("Tarjeta Modificada Correctamente!"),
                    QStringLiteral("Cambio a Tarjeta Telefónica"));
    }
    mostrado_ = valoresEnVentana();
}

// A save that stored nothing, or whose outcome is unknown.
void FrmTelefonos::avisarNoGuardada(Tarjeta::Desenlace d, bool nueva, const QString& error) {
    if (d != Tarjeta::Desenlace::Incierto) {
        avisarFallo(nueva, error);
        return;
    }
    incierto_ = true;
    MensajeError(Global::ConDetalle(QStringLiteral("No se sabe si se guardó la tarjeta: se perdió "
                                                   "la conexión con la base de datos justo al "
                                                   "confirmarla. Lo capturado sigue en pantalla: "
                                                   "vuelva a guardar; antes de escribir nada se "
                                                   "leerá cómo quedó."),
                                    error),
                 nueva ? QStringLiteral("Alta de Tarjeta Telefónica") : kTituloCambio);
}

void FrmTelefonos::avisarFallo(bool nueva, const QString& error) {
    if (nueva)
        MensajeError(
            Global::ConDetalle(QStringLiteral("No se pudo guardar la tarjeta; no se guardó "
                                              "ningún dato. Lo capturado sigue en "
                                              "pantalla: vuelva a guardar en un momento "
                                              "y, si el problema sigue, avise a "
                                              "sistemas."),
                               conNombresDeCajas(error)),
            QStringLiteral("Alta de Tarjeta Telefónica"));
    else
        MensajeError(Global::ConDetalle(QStringLiteral("No se pudo modificar la tarjeta; no se "
                                                       "guardó ningún cambio. Lo capturado sigue "
                                                       "en pantalla: vuelva a guardar en un "
                                                       "momento y, si el problema sigue, avise a "
                                                       "sistemas."),
                                        conNombresDeCajas(error)),
                     QStringLiteral("Cambio a Tarjeta Telefónica"));
}

// The checks a save makes before it sends anything; each names the box and
// puts the focus there.
bool FrmTelefonos::capturaGuardable() {
    return caracteresEnteros() && textosAdmitidos() && largosAdmitidos() && ciudadElegida();
}

namespace {

// A box as the user knows it: «label» (frame).
QString nombreDeCaja(QWidget* caja) {
    QString marco;
    if (auto* g = qobject_cast<QGroupBox*>(caja->parentWidget())) {
        const QString titulo = g->title().remove(QLatin1Char(':')).trimmed();
        if (titulo != caja->accessibleName()) marco = QStringLiteral(" (%1)").arg(titulo);
    }
    return QStringLiteral("«%1»%2").arg(caja->accessibleName(), marco);
}

}  // namespace

// The box that shows a text column of the card (the notes for the one column
// without a line box).
QWidget* FrmTelefonos::cajaDeColumna(const char* columna) const {
    return cajasDeCampos_[Tarjeta::Indice(QLatin1String(columna))];
}

// A box whose column holds only the server's code page must not carry a
// character outside it: the server would store '?' in its place. The save
// stops before anything is sent, and the box is named.
bool FrmTelefonos::textosAdmitidos() {
    if (columnasSinUnicode_.isEmpty()) return true;
    for (const Tarjeta::Columna& c : Tarjeta::kColumnas) {
        if (!columnasSinUnicode_.contains(QString::fromLatin1(c.insertar).toLower())) continue;
        QList<QWidget*> cajas;
        if (c.fuente == Tarjeta::Fuente::NombreAval)
            cajas = {TxtAval_Paterno, TxtAval_Materno, TxtAval_Nombre};
        else if (c.fuente == Tarjeta::Fuente::Texto)
            cajas = {cajaDeColumna(c.insertar)};
        for (QWidget* caja : std::as_const(cajas)) {
            const QString texto = caja == TxtAnotaciones ? TxtAnotaciones->toPlainText()
                                                         : static_cast<QLineEdit*>(caja)->text();
            const QString faltan = plataforma::Cp1252::sinCodigo(texto);
            if (faltan.isEmpty()) continue;
            MensajeError(QStringLiteral("%1 tiene caracteres que la base de datos no puede "
                                        "guardar: %2. Cámbielos y vuelva a guardar; no se guardó "
                                        "nada.")
                             .arg(nombreDeCaja(caja), faltan),
                         kTituloCaptura);
            caja->setFocus();
            return false;
        }
    }
    return true;
}

// The guarantor's address and name go to procedures that hold so many
// characters of each value (trimmed, as they are sent). A longer value, stored
// earlier or pasted, is reported before anything is sent.
bool FrmTelefonos::largosAdmitidos() {
    struct Limite {
        QWidget* caja;
        QString texto;
        int cabe;
    };
    QList<Limite> limites;
    if (const auto d = domicilioParaGuardar())
        limites << Limite{TxtAval_Domicilio, d->calle, 200}
                << Limite{TxtAval_Colonia, d->colonia, 40} << Limite{TxtAval_CP, d->codigo, 10}
                << Limite{CmbMunicipios, d->nombreCiudad, 50};
    bool llamar = false;
    nombreAvalParaGuardar(&llamar);
    if (llamar)
        for (QLineEdit* c : {TxtAval_Paterno, TxtAval_Materno, TxtAval_Nombre})
            limites << Limite{c, c->text().trimmed(), 40};
    for (const Limite& l : std::as_const(limites)) {
        if (l.texto.size() <= l.cabe) continue;
        MensajeError(MensajeDemasiadoLargo(nombreDeCaja(l.caja), l.texto, l.cabe), kTituloCaptura);
        l.caja->setFocus();
        return false;
    }
    return true;
}

// Half a character (a lone surrogate, pasted or stored) cannot be sent; the
// box that holds it is named.
bool FrmTelefonos::caracteresEnteros() {
    for (QWidget* caja : std::as_const(cajasDeCampos_)) {
        QString texto;
        if (auto* c = qobject_cast<QLineEdit*>(caja))
            texto = c->text();
        else if (caja == TxtAnotaciones)
            texto = TxtAnotaciones->toPlainText();
        else if (caja == CmbMunicipios)
            texto = CmbMunicipios->currentText();
        if (QStringView(texto).isValidUtf16()) continue;
        MensajeError(MensajeCaracterIncompleto(nombreDeCaja(caja)), kTituloCaptura);
        caja->setFocus();
        return false;
    }
    return true;
}

// The city the guarantor's address is stored with: the entry chosen in the
// list; while the user has not changed the city box, the stored city (number
// and name) even where the list lacks it. No value: none.
std::optional<std::pair<QVariant, QString>> FrmTelefonos::ciudadParaGuardar() const {
    if (CmbMunicipios->currentIndex() > -1)
        return std::pair{CmbMunicipios->currentData(), CmbMunicipios->currentText().trimmed()};
    const bool cambiada = !Fusion::Iguales(valorDeCampo(Tarjeta::kCampoCiudad),
                                           mostrado_.value(Tarjeta::kCampoCiudad));
    if (!cambiada && cargada_.domicilio && !cargada_.domicilio->ciudad.isNull())
        return std::pair{cargada_.domicilio->ciudad, cargada_.domicilio->nombreCiudad};
    return std::nullopt;
}

// An address the user wrote without a city to store it with: with a city
// list the save is refused (it would leave the address out and still report
// success); a branch without a list stores the card, and the address stays as
// stored, which the save then says.
bool FrmTelefonos::domicilioSinCiudad() const {
    return domicilioEditado_ && !TxtAval_Domicilio->text().isEmpty() && !ciudadParaGuardar();
}

bool FrmTelefonos::ciudadElegida() {
    if (!domicilioSinCiudad() || CmbMunicipios->count() == 0) return true;
    MensajeError(QStringLiteral("El domicilio del aval solo se guarda con una ciudad de la lista. "
                                "Elija la ciudad en «Ciudad» (Aval) y vuelva a guardar; no se "
                                "guardó nada."),
                 kTituloCaptura);
    CmbMunicipios->setFocus();
    return false;
}

bool FrmTelefonos::domicilioSeGuarda() const {
    return !TxtAval_Domicilio->text().isEmpty() && ciudadParaGuardar().has_value();
}

// What the save writes as aval_Nombre, and whether it sends the name to the
// contact procedure. A stored card whose name boxes nobody touched keeps its
// stored name, and its contact row (with the e-mail and birth date the window
// does not show) is left alone. "Sin Aval" ticked writes no name and sends
// none.
QVariant FrmTelefonos::nombreAvalParaGuardar(bool* llamarContacto) {
    *llamarContacto = false;
    if (!nombreAvalEditado_ && !TarjetaNueva) return avalNombreGuardado_;
    if (nombreAvalEditado_) {
        if (ChkAval->checkState() == Qt::Checked) return QStringLiteral("");
        componerNombreAval();
    }
    *llamarContacto = !NombreCompletoAval.isEmpty();
    return NombreCompletoAval;
}

// After a save: what was written is what is stored now.
void FrmTelefonos::guardado(const QVariant& nombreAval) {
    avalNombreGuardado_ = nombreAval;
    nombreAvalEditado_ = false;
    domicilioEditado_ = false;
}

// The card as the window shows it, in the storage's row.
Tarjeta::Fila FrmTelefonos::filaDeVentana(const QVariant& nombreAval) const {
    Tarjeta::Fila fila;
    for (int i = 0; i < Tarjeta::kNumColumnas; ++i)
        if (cajasDeCampos_[i]) fila.valores[size_t(i)] = valorDeCampo(i);
    fila[QLatin1String("aval_Nombre")] = nombreAval;
    return fila;
}

// The guarantor's address from its boxes, when the save stores it.
std::optional<Tarjeta::Domicilio> FrmTelefonos::domicilioParaGuardar() const {
    const auto ciudad = ciudadParaGuardar();
    if (TxtAval_Domicilio->text().isEmpty() || !ciudad) return std::nullopt;
    return Tarjeta::Domicilio{TxtAval_Domicilio->text().trimmed(), ciudad->first,
                              TxtAval_Colonia->text().trimmed(), TxtAval_CP->text().trimmed(),
                              ciudad->second};
}

// The guarantor's name from its boxes, when the save sends it.
std::optional<Tarjeta::NombreAval> FrmTelefonos::nombreParaEnviar(bool enviar) const {
    if (!enviar) return std::nullopt;
    return Tarjeta::NombreAval{TxtAval_Nombre->text().trimmed(), TxtAval_Paterno->text().trimmed(),
                               TxtAval_Materno->text().trimmed()};
}

Tarjeta::Desenlace FrmTelefonos::guardarNueva(QString* error) {
    bool llamarNombre = false;
    const QVariant nombreAval = nombreAvalParaGuardar(&llamarNombre);
    const Tarjeta::Desenlace d =
        Tarjeta::Insertar(sesion_, filaDeVentana(nombreAval), domicilioParaGuardar(),
                          nombreParaEnviar(llamarNombre), &cargada_, error);
    if (d == Tarjeta::Desenlace::Guardada) guardado(nombreAval);
    return d;
}

Tarjeta::Desenlace FrmTelefonos::guardarCambios(QString* error) {
    bool llamarNombre = false;
    const QVariant nombreAval = nombreAvalParaGuardar(&llamarNombre);
    const std::optional<Tarjeta::Domicilio> domicilio = domicilioParaGuardar();
    const Tarjeta::Desenlace d = Tarjeta::Actualizar(
        sesion_, filaDeVentana(nombreAval), ChkAval->checkState() == Qt::Checked, domicilio,
        nombreParaEnviar(llamarNombre), &cargada_, error);
    if (d == Tarjeta::Desenlace::Guardada) {
        if (domicilio) CiudadAval = domicilio->ciudad.toDouble();
        guardado(nombreAval);
    }
    return d;
}

// ========================================================= two desks, one card

// What a field of the card holds in the window now, as it would be saved.
QVariant FrmTelefonos::valorDeCampo(int campo) const {
    QWidget* caja = cajasDeCampos_[campo];
    if (!caja) return {};
    if (auto* c = qobject_cast<QCheckBox*>(caja)) return c->checkState() == Qt::Checked ? 1 : 0;
    if (caja == TxtAnotaciones) return notasParaGuardar(TxtAnotaciones->toPlainText());
    if (caja == CmbMunicipios) return CmbMunicipios->currentText().trimmed();
    const QString t = static_cast<QLineEdit*>(caja)->text();
    // The guarantor's address and name go to procedures, which keep them
    // trimmed.
    return campo >= Tarjeta::kNumColumnas ? t.trimmed() : t;
}

QVariantList FrmTelefonos::valoresEnVentana() const {
    QVariantList v;
    v.reserve(Tarjeta::kNumCampos);
    for (int i = 0; i < Tarjeta::kNumCampos; ++i) v << valorDeCampo(i);
    return v;
}

// This desk's card: the card as read, with what the user changed since it was
// shown as the window holds it now (and, where the user changed a check box,
// every box its rule governs). *ciudad: the number of its city.
QVariantList FrmTelefonos::capturada(QVariant* ciudad) const {
    const QVariantList ahora = valoresEnVentana();
    QList<bool> cambiado(Tarjeta::kNumCampos);
    for (int i = 0; i < Tarjeta::kNumCampos; ++i)
        cambiado[i] = !Fusion::Iguales(ahora[i], mostrado_.value(i));
    for (const Fusion::Regla& r : Tarjeta::Reglas())
        if (cambiado[r.casilla])
            for (const int g : r.gobernados) cambiado[g] = true;
    // The composed guarantor name (aval_Nombre) stays as read: the merge
    // composes it anew where this desk's name is kept.
    QVariantList mios = Tarjeta::Campos(cargada_);
    for (int i = 0; i < Tarjeta::kNumCampos; ++i)
        if (cambiado[i] && cajasDeCampos_[i]) mios[i] = ahora[i];
    const auto c = ciudadParaGuardar();
    *ciudad = c ? c->first : QVariant();
    return mios;
}

void FrmTelefonos::ponerValor(QWidget* caja, const QVariant& valor) {
    const QString t = valor.isNull() ? QString() : valor.toString();
    if (auto* c = qobject_cast<QCheckBox*>(caja)) {
        PonerCasilla(c, valor.toInt() == 1 ? 1 : 0);
    } else if (caja == TxtAnotaciones) {
        TxtAnotaciones->setPlainText(t);
    } else if (caja == CmbMunicipios) {
        CmbMunicipios->setCurrentIndex(indiceDeCiudad(t));
        CmbMunicipios->setEditText(t);
    } else {
        poner(static_cast<QLineEdit*>(caja), t);
    }
}

namespace {

// When a card was stored, from the text the database gives ("2026-12-08
// 10:15:00.000"), read as it stands with no time zone: "a las 10:15" on the
// day it happened, "el 07/12/2026 a las 10:15" after.
QString cuando(const QVariant& v) {
    const QString t = v.toString();
    const QDate dia = QDate::fromString(t.left(10), QStringLiteral("yyyy-MM-dd"));
    const QTime hora = QTime::fromString(t.mid(11, 5), QStringLiteral("HH:mm"));
    if (!dia.isValid() || !hora.isValid()) return QStringLiteral("el ") + t;
    const QString a = QStringLiteral("a las ") + hora.toString(QStringLiteral("HH:mm"));
    return dia == QDate::currentDate()
               ? a
               : QStringLiteral("el %1 %2").arg(dia.toString(QStringLiteral("dd/MM/yyyy")), a);
}

// A box's value in a message: check boxes as ticked or not, long texts cut.
QString valorLegible(QWidget* caja, const QVariant& v) {
    if (qobject_cast<QCheckBox*>(caja))
        return v.toInt() == 1 ? QStringLiteral("marcada") : QStringLiteral("sin marcar");
    QString t = v.isNull() ? QString() : v.toString();
    t.replace(QLatin1String("\r\n"), QLatin1String(" / "));
    if (t.size() > 60) t = t.left(59) + QChar(0x2026);
    return QStringLiteral("«%1»").arg(t);
}

// Who stored the card, and when, as the stored card says.
QString quienGuardo(const Tarjeta::Leida& actual, bool nueva) {
    if (!actual.existe)
        return QStringLiteral(
            "La tarjeta de este cliente ya no está guardada: otro usuario la "
            "borró después de que usted la abrió");
    const QString usuario =
        (nueva ? actual.fila[QLatin1String("usuario_genera")] : actual.usuarioCambia)
            .toString()
            .trimmed();
    const QVariant fecha = nueva ? actual.fechaGenera : actual.fechaCambia;
    if (usuario.isEmpty() || fecha.isNull())
        return nueva ? QStringLiteral(
                           "Otro usuario dio de alta una tarjeta para este cliente "
                           "mientras usted capturaba esta")
                     : QStringLiteral(
                           "Otro usuario guardó esta tarjeta mientras usted la tenía "
                           "abierta");
    return (nueva ? QStringLiteral("El usuario %1 dio de alta una tarjeta para este cliente %2 "
                                   "mientras usted capturaba esta")
                  : QStringLiteral("El usuario %1 guardó esta tarjeta %2 mientras usted la tenía "
                                   "abierta"))
        .arg(usuario, cuando(fecha));
}

}  // namespace

// Another desk stored (or removed) the card after this window read it, and
// nothing was written. What each desk changed is merged box by box and saved
// without a question; the user chooses only for the boxes both changed
// differently. A further desk saving meanwhile starts the merge again.
void FrmTelefonos::resolverConflicto(bool nueva) {
    const QString titulo = QStringLiteral("Guardar Cambios");
    bool trasIncierto = incierto_;
    for (int vuelta = 0; vuelta < 5; ++vuelta) {
        Tarjeta::Leida actual;
        QString error, detalle;
        if (!Tarjeta::Cargar(sesion_, &actual, &error, &detalle)) {
            MensajeError(
                Global::ConDetalle(
                    (trasIncierto ? QStringLiteral("No se pudo leer cómo quedó la tarjeta, así "
                                                   "que sigue sin saberse si se guardó; no se "
                                                   "envió nada.")
                                  : QStringLiteral("Otro usuario guardó esta tarjeta mientras "
                                                   "usted la tenía abierta y no se pudo leer "
                                                   "cómo quedó; no se guardó nada.")) +
                        QStringLiteral(" Lo capturado sigue en pantalla: vuelva a guardar en un "
                                       "momento y, si el problema sigue, avise a sistemas."),
                    detalle),
                titulo);
            return;
        }
        incierto_ = false;
        bool otraVez = false;
        if (actual.existe) {
            otraVez = fusionar(actual, nueva, trasIncierto);
        } else if (nueva) {
            // Not stored, or created and removed by others in between: the
            // insert is tried again.
            const Tarjeta::Desenlace d = guardarNueva(&error);
            otraVez = d == Tarjeta::Desenlace::Conflicto;
            if (d == Tarjeta::Desenlace::Guardada) avisarGuardada(true);
            if (d == Tarjeta::Desenlace::Fallo || d == Tarjeta::Desenlace::Incierto)
                avisarNoGuardada(d, true, error);
        } else {
            otraVez = guardarDeNuevo(actual);
        }
        if (!otraVez) return;
        trasIncierto = false;
    }
    MensajeError(QStringLiteral("Otros usuarios siguen guardando esta tarjeta en este momento; "
                                "no se guardó nada. Lo capturado sigue en pantalla: vuelva a "
                                "guardar en un momento."),
                 titulo);
}

// The card was removed by another desk: the user stores it again as the
// window shows it, closes it, or leaves everything as it is. True: another
// desk stored a card meanwhile.
bool FrmTelefonos::guardarDeNuevo(const Tarjeta::Leida& actual) {
    const int eleccion =
        Elegir(quienGuardo(actual, false) +
                   QStringLiteral("; no se guardó nada.\n\n«Guardar de nuevo» la guarda como "
                                  "usted la tiene en pantalla. «Cerrar» cierra la tarjeta sin "
                                  "guardar. «Cancelar» no cambia nada."),
               QStringLiteral("Guardar Cambios"),
               {QStringLiteral("Guardar de &nuevo"), QStringLiteral("Ce&rrar"),
                QStringLiteral("&Cancelar")});
    if (eleccion == 1) {
        cerrarSinPreguntar_ = true;
        close();
    }
    if (eleccion != 0) return false;
    // The guarantor's address and contact rows outlive the card: they are
    // sent again only when the user changed them.
    bool llamar = false;
    const QVariant nombreAval = nombreAvalParaGuardar(&llamar);
    QString error;
    const Tarjeta::Desenlace d =
        Tarjeta::Insertar(sesion_, filaDeVentana(nombreAval),
                          domicilioEditado_ ? domicilioParaGuardar() : std::nullopt,
                          nombreParaEnviar(llamar), &cargada_, &error);
    if (d == Tarjeta::Desenlace::Conflicto) return true;
    if (d != Tarjeta::Desenlace::Guardada) {
        avisarNoGuardada(d, true, error);
        return false;
    }
    guardado(nombreAval);
    MensajeInfo(QStringLiteral("Tarjeta Generada Correctamente!"),
                QStringLiteral("Alta de Tarjeta Telefónica"));
    mostrado_ = valoresEnVentana();
    return false;
}

// Merges this desk's changes into the card another desk stored (actual) and
// saves the merge, asking only about the boxes both changed differently.
// True: yet another desk stored the card meanwhile.
bool FrmTelefonos::fusionar(const Tarjeta::Leida& actual, bool nueva, bool trasIncierto) {
    QVariant ciudad;
    const QVariantList mios = capturada(&ciudad);
    const QList<Fusion::Origen> origen = Fusion::Fusionar(
        Tarjeta::Campos(cargada_), mios, Tarjeta::Campos(actual), Tarjeta::Reglas());
    const QString quien = quienGuardo(actual, nueva);
    bool deOtro = false, algoMio = false;
    for (const Fusion::Origen o : origen) {
        deOtro = deOtro || o == Fusion::Origen::Suyo || o == Fusion::Origen::Conflicto;
        algoMio = algoMio || o == Fusion::Origen::Mio;
    }
    // Read after a save whose outcome was unknown, with nothing of another
    // desk's: what is stored is that save, whole, or the card as it was.
    if (trasIncierto && !deOtro) {
        if (!algoMio || (nueva && !PuedeModificar)) {
            mostrarConLoMio(actual, mios, origen);
            MensajeInfo(QStringLiteral("La tarjeta ya estaba guardada: la base de datos sí recibió "
                                       "lo que usted envió antes de perderse la conexión."),
                        nueva ? QStringLiteral("Alta de Tarjeta Telefónica") : kTituloCambio);
            return false;
        }
        const Tarjeta::Combinada c = Tarjeta::Combinar(mios, ciudad, actual, origen, false);
        Tarjeta::Leida version = actual;
        QString error;
        const Tarjeta::Desenlace d = Tarjeta::Actualizar(sesion_, c.fila, c.sinAval, c.domicilio,
                                                         c.nombre, &version, &error);
        if (d == Tarjeta::Desenlace::Conflicto) return true;
        if (d != Tarjeta::Desenlace::Guardada) {
            avisarNoGuardada(d, false, error);
            return false;
        }
        mostrar(version);
        MensajeInfo(QStringLiteral("Tarjeta Modificada Correctamente!"), kTituloCambio);
        return false;
    }

    // Saving over a card another desk created is a change, which needs the
    // permission to change cards.
    if (nueva && !PuedeModificar) {
        mostrarConLoMio(actual, mios, origen);
        MensajeError(quien + QStringLiteral("; no se guardó nada, porque usted no tiene permiso "
                                            "para modificar tarjetas. Se muestra la tarjeta "
                                            "guardada, con lo que usted capturó en los demás "
                                            "campos sin guardar."),
                     QStringLiteral("Alta de Tarjeta Telefónica"));
        return false;
    }

    bool conflictosMios = false;
    const QList<int> conflictos = Fusion::Conflictos(origen);
    if (!conflictos.isEmpty()) {
        const QVariantList guardados = Tarjeta::Campos(actual);
        QStringList lineas;
        for (const int i : conflictos)
            if (QWidget* caja = cajasDeCampos_[i])  // fields without a box never differ
                lineas << QStringLiteral("%1: usted %2, guardado %3")
                              .arg(nombreDeCaja(caja), valorLegible(caja, mios[i]),
                                   valorLegible(caja, guardados[i]));
        const int eleccion = Elegir(
            quien + QStringLiteral("; no se guardó nada.\n\nLos dos cambiaron estos campos:\n") +
                lineas.join(QLatin1Char('\n')) +
                QStringLiteral(
                    "\n\n«Guardar los míos» guarda lo que usted capturó en estos campos; «Dejar "
                    "lo guardado» deja en ellos lo que guardó el otro usuario. En los dos casos "
                    "se guardan también los demás cambios de los dos. «Cancelar» no guarda "
                    "nada."),
            QStringLiteral("Guardar Cambios"),
            {QStringLiteral("Guardar los &míos"), QStringLiteral("Dejar lo &guardado"),
             QStringLiteral("&Cancelar")});
        if (eleccion != 0 && eleccion != 1) return false;
        conflictosMios = eleccion == 0;
    }

    // The boxes the other desk changed that the window shows from now on.
    QStringList suyos;
    algoMio = false;  // what is left of this desk's once the conflicts are settled
    for (int i = 0; i < Tarjeta::kNumCampos; ++i) {
        if (Fusion::TomaMio(origen[i], conflictosMios)) {
            algoMio = true;
        } else if (cajasDeCampos_[i] &&
                   (origen[i] == Fusion::Origen::Suyo || origen[i] == Fusion::Origen::Conflicto)) {
            suyos << nombreDeCaja(cajasDeCampos_[i]);
        }
    }
    const QString cambio =
        suyos.isEmpty() ? QString() : QStringLiteral(" Cambió: %1.").arg(suyos.join(u", "));
    if (!algoMio) {
        mostrar(actual);
        MensajeInfo(quien +
                        QStringLiteral("; usted no tenía cambios que guardar y se muestra "
                                       "la tarjeta guardada.") +
                        cambio,
                    kTituloCambio);
        return false;
    }

    const Tarjeta::Combinada c = Tarjeta::Combinar(mios, ciudad, actual, origen, conflictosMios);
    Tarjeta::Leida version = actual;
    QString error;
    const Tarjeta::Desenlace d =
        Tarjeta::Actualizar(sesion_, c.fila, c.sinAval, c.domicilio, c.nombre, &version, &error);
    if (d == Tarjeta::Desenlace::Conflicto) return true;
    if (d != Tarjeta::Desenlace::Guardada) {
        avisarNoGuardada(d, false, error);
        return false;
    }
    mostrar(version);
    MensajeInfo(quien + QStringLiteral("; se guardaron los cambios de los dos.") + cambio,
                kTituloCambio);
    return false;
}

// The stored card, with what only this desk changed put back into its boxes
// (check boxes first: their rules), for a user who cannot store it.
void FrmTelefonos::mostrarConLoMio(const Tarjeta::Leida& actual, const QVariantList& mios,
                                   const QList<Fusion::Origen>& origen) {
    mostrar(actual);
    for (int pasada = 0; pasada < 2; ++pasada)
        for (int i = 0; i < Tarjeta::kNumCampos; ++i) {
            QWidget* caja = cajasDeCampos_[i];
            if (caja && origen[i] == Fusion::Origen::Mio &&
                (qobject_cast<QCheckBox*>(caja) != nullptr) == (pasada == 0))
                ponerValor(caja, mios[i]);
        }
}
