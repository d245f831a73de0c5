// Saving the phone card: the checks before anything is sent, the card as
// the window holds it in the storage's terms, and what the user is told.

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRegularExpression>

#include "controls/Comun.h"
#include "domain/Fusion.h"
#include "domain/Global.h"
#include "domain/Revision.h"
#include "domain/Tarjeta.h"
#include "windows/FrmTelefonos.h"
#include "windows/FrmTelefonosComun.h"

using namespace VentanaTelefonos;

namespace {

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

}  // namespace

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
                        nueva ? kTituloAlta : kTituloCambio);
    } else if (d == Tarjeta::Desenlace::Conflicto) {
        resolverConflicto(nueva);
    } else {
        avisarNoGuardada(d, nueva, error);
    }
}

void FrmTelefonos::avisarGuardada(bool nueva) {
    if (nueva) {
        MensajeInfo(QStringLiteral("Tarjeta Generada Correctamente!"), kTituloAlta);
        // The card exists now: a further press changes it.
        TarjetaNueva = false;
        ponerCambiar();
    } else {
        MensajeInfo(QStringLiteral("Tarjeta Modificada Correctamente!"), kTituloCambio);
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
    MensajeError(Global::ConDetalle(QStringLiteral("No se sabe si se guardó la tarjeta: se envió a "
                                                   "la base de datos y no llegó su respuesta. Lo "
                                                   "capturado sigue en pantalla: "
                                                   "vuelva a guardar; antes de escribir nada se "
                                                   "leerá cómo quedó."),
                                    error),
                 nueva ? kTituloAlta : kTituloCambio);
}

void FrmTelefonos::avisarFallo(bool nueva, const QString& error) {
    MensajeError(Global::TrasUnFallo(
                     sesion_,
                     nueva ? QStringLiteral("No se pudo guardar la tarjeta; no se guardó ningún "
                                            "dato. Lo capturado sigue en pantalla")
                           : QStringLiteral("No se pudo modificar la tarjeta; no se guardó ningún "
                                            "cambio. Lo capturado sigue en pantalla"),
                     conNombresDeCajas(error)),
                 nueva ? kTituloAlta : kTituloCambio);
}

// The checks a save makes before it sends anything (Revision::Revisar): the
// first problem found names the box of its field and puts the focus there.
bool FrmTelefonos::capturaGuardable() {
    const auto texto = [this](QWidget* caja) {
        if (auto* c = qobject_cast<QLineEdit*>(caja)) return c->text();
        if (caja == TxtAnotaciones) return TxtAnotaciones->toPlainText();
        if (caja == CmbMunicipios) return CmbMunicipios->currentText();
        return QString();
    };
    Revision::Captura captura;
    for (QWidget* caja : std::as_const(cajasDeCampos_)) captura.textos << texto(caja);
    captura.sinUnicode = columnasSinUnicode_;
    captura.domicilio = domicilioParaGuardar();
    bool llamar = false;
    nombreAvalParaGuardar(&llamar);
    captura.nombre = nombreParaEnviar(llamar);
    // Without a city list the card is saved, and the address left as stored.
    captura.faltaCiudad = domicilioSinCiudad() && CmbMunicipios->count() > 0;
    const std::optional<Revision::Problema> p = Revision::Revisar(captura);
    if (!p) return true;
    const QString caja = nombreDeCampo(p->campo);
    switch (p->falta) {
        case Revision::Falta::CaracterIncompleto:
            MensajeError(MensajeCaracterIncompleto(caja), kTituloCaptura);
            break;
        case Revision::Falta::FueraDelCodigo:
            MensajeError(QStringLiteral("%1 tiene caracteres que la base de datos no puede "
                                        "guardar: %2. Cámbielos y vuelva a guardar; no se guardó "
                                        "nada.")
                             .arg(caja, p->texto),
                         kTituloCaptura);
            break;
        case Revision::Falta::DemasiadoLargo:
            MensajeError(MensajeDemasiadoLargo(caja, p->texto, p->cabe), kTituloCaptura);
            break;
        case Revision::Falta::SinCiudad:
            MensajeError(QStringLiteral("El domicilio del aval solo se guarda con una ciudad de la "
                                        "lista. Elija la ciudad en «Ciudad» (Aval) y vuelva a "
                                        "guardar; no se guardó nada."),
                         kTituloCaptura);
            break;
    }
    cajasDeCampos_[p->campo]->setFocus();
    return false;
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

// A new card. With domicilioSoloEditado (a card removed by another desk,
// whose address row outlives it) the address goes only when the user changed it.
Tarjeta::Desenlace FrmTelefonos::guardarNueva(QString* error, bool domicilioSoloEditado) {
    bool llamarNombre = false;
    const QVariant nombreAval = nombreAvalParaGuardar(&llamarNombre);
    const Tarjeta::Desenlace d = Tarjeta::Insertar(
        sesion_, filaDeVentana(nombreAval),
        domicilioSoloEditado && !domicilioEditado_ ? std::nullopt : domicilioParaGuardar(),
        nombreParaEnviar(llamarNombre), &cargada_, error, &guardadaPorOtro_);
    if (d == Tarjeta::Desenlace::Guardada) guardado(nombreAval);
    return d;
}

Tarjeta::Desenlace FrmTelefonos::guardarCambios(QString* error) {
    bool llamarNombre = false;
    const QVariant nombreAval = nombreAvalParaGuardar(&llamarNombre);
    const std::optional<Tarjeta::Domicilio> domicilio = domicilioParaGuardar();
    const Tarjeta::Desenlace d = Tarjeta::Actualizar(
        sesion_, filaDeVentana(nombreAval), ChkAval->checkState() == Qt::Checked, domicilio,
        nombreParaEnviar(llamarNombre), &cargada_, error, &guardadaPorOtro_);
    if (d == Tarjeta::Desenlace::Guardada) {
        if (domicilio) CiudadAval = domicilio->ciudad.toDouble();
        guardado(nombreAval);
    }
    return d;
}
