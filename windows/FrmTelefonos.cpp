#include "windows/FrmTelefonos.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCompleter>
#include <QGroupBox>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include "controls/Comun.h"
#include "controls/Escena.h"
#include "controls/LimiteDeTexto.h"
#include "controls/ListaConDatos.h"
#include "controls/Ventana.h"
#include "domain/Fusion.h"
#include "domain/Global.h"
#include "domain/LineaComandos.h"
#include "domain/Tarjeta.h"
#include "windows/FrmExtras.h"
#include "windows/FrmTelefonosComun.h"

using namespace VentanaTelefonos;

namespace {

// Puts text into a box by program, shown from its beginning. Typing limits
// never cut it (see limitarTecleo).
void poner(QLineEdit* caja, const QString& t) {
    plataforma::ponerTexto(caja, t);
    caja->setCursorPosition(0);
}

// Notes keep Windows line breaks in the table, as they always have.
QString notasParaGuardar(const QString& t) {
    QString s = t;
    s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    s.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return s;
}

}  // namespace

// ================================================================ building

FrmTelefonos::FrmTelefonos(Global::Sesion& sesion, QWidget* parent)
    : QWidget(parent, plataforma::kMarcoDeVentana), sesion_(sesion) {
    construir();
}

FrmTelefonos::~FrmTelefonos() {
    if (qApp) qApp->removeEventFilter(this);
    if (!cerrada_) Form_Unload();
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

    // Everything the window shows, read at once (one request on SQL
    // Server), then shown in order.
    Tarjeta::Inicio inicio;
    Tarjeta::Lectura fallo = Tarjeta::Lectura::Sucursal;
    QString detalle;
    const bool leido = Tarjeta::LeerInicio(sesion_, &inicio, &fallo, &detalle);
    if (!leido)
        *error = Global::ConDetalle(Tarjeta::QueNoSeLeyo(fallo) + QLatin1Char(' ') +
                                        QString::fromUtf16(Global::kVuelvaAAbrir),
                                    detalle);
    if (!leido || !MostrarNombreCliente(inicio.nombreCliente, error)) {
        sesion_.conexion.cerrar();
        return false;
    }
    RevisarPermiso(inicio.puede);
    CargarCiudades(std::move(inicio.ciudades));
    CargarTarjeta(inicio.leida);
    return true;
}

void FrmTelefonos::RevisarPermiso(const std::optional<bool>& puede) {
    if (puede) PuedeModificar = *puede;
}

bool FrmTelefonos::MostrarNombreCliente(const std::optional<QString>& nombre, QString* error) {
    if (!nombre) {
        *error = LineaComandos::ClienteNoRegistrado(sesion_.cliente, sesion_.lineaComandos);
        return false;
    }
    NombreCliente = *nombre;
    setWindowTitle(kCaptionBase + NombreCliente);
    return true;
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

void FrmTelefonos::CargarCiudades(QList<Tarjeta::Ciudad> ciudades) {
    CmbMunicipios->clear();
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

void FrmTelefonos::CargarTarjeta(const Tarjeta::Leida& leida) {
    mostrar(leida);
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

// ============================================================ field values

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

// Puts a field's value into its box, as a user would.
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

// A field's box as the user knows it, «label» (frame); empty where no box
// shows the field.
QString FrmTelefonos::nombreDeCampo(int campo) const {
    QWidget* caja = cajasDeCampos_[campo];
    if (!caja) return {};
    QString marco;
    if (auto* g = qobject_cast<QGroupBox*>(caja->parentWidget())) {
        const QString titulo = g->title().remove(QLatin1Char(':')).trimmed();
        if (titulo != caja->accessibleName()) marco = QStringLiteral(" (%1)").arg(titulo);
    }
    return QStringLiteral("«%1»%2").arg(caja->accessibleName(), marco);
}
