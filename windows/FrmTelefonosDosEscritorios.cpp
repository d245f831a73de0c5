// Two desks, one card: another desk stored (or removed) the card after this
// window read it. The merge and its texts are the domain's (Fusion,
// AvisosFusion); here are the calls, the questions and the display.

#include <QCheckBox>
#include <utility>

#include "controls/Comun.h"
#include "domain/AvisosFusion.h"
#include "domain/Fusion.h"
#include "domain/Global.h"
#include "domain/Tarjeta.h"
#include "windows/FrmTelefonos.h"
#include "windows/FrmTelefonosComun.h"

using namespace VentanaTelefonos;

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

// Another desk stored (or removed) the card after this window read it, and
// nothing was written. What each desk changed is merged box by box and saved
// without a question; the user chooses only for the boxes both changed
// differently. A further desk saving meanwhile starts the merge again.
void FrmTelefonos::resolverConflicto(bool nueva) {
    const QString titulo = QStringLiteral("Guardar Cambios");
    bool trasIncierto = incierto_;
    for (int vuelta = 0; vuelta < 5; ++vuelta) {
        // The card as stored now: sent back with the refused save, or read.
        Tarjeta::Leida actual;
        QString error, detalle;
        const std::optional<Tarjeta::Leida> devuelta = std::exchange(guardadaPorOtro_, {});
        if (devuelta && !trasIncierto) {
            actual = *devuelta;
        } else if (!Tarjeta::Cargar(sesion_, &actual, &error, &detalle)) {
            MensajeError(
                Global::TrasUnFallo(
                    sesion_,
                    (trasIncierto ? QStringLiteral("No se pudo leer cómo quedó la tarjeta, así "
                                                   "que sigue sin saberse si se guardó; no se "
                                                   "envió nada.")
                                  : QStringLiteral("Otro usuario guardó esta tarjeta mientras "
                                                   "usted la tenía abierta y no se pudo leer "
                                                   "cómo quedó; no se guardó nada.")) +
                        QStringLiteral(" Lo capturado sigue en pantalla"),
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
            otraVez = darDeAlta(false);
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
        Elegir(AvisosFusion::QuienGuardo(actual, false) +
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
    return darDeAlta(true);
}

// Stores the window's card as a new one and says how it went. True: a card
// for the client exists already (another desk stored one meanwhile).
bool FrmTelefonos::darDeAlta(bool domicilioSoloEditado) {
    QString error;
    const Tarjeta::Desenlace d = guardarNueva(&error, domicilioSoloEditado);
    if (d == Tarjeta::Desenlace::Guardada)
        avisarGuardada(true);
    else if (d != Tarjeta::Desenlace::Conflicto)
        avisarNoGuardada(d, true, error);
    return d == Tarjeta::Desenlace::Conflicto;
}

// Merges this desk's changes into the card another desk stored (actual) and
// saves the merge, asking only about the boxes both changed differently.
// True: yet another desk stored the card meanwhile.
bool FrmTelefonos::fusionar(const Tarjeta::Leida& actual, bool nueva, bool trasIncierto) {
    QVariant ciudad;
    const QVariantList mios = capturada(&ciudad);
    const QList<Fusion::Origen> origen = Fusion::Fusionar(
        Tarjeta::Campos(cargada_), mios, Tarjeta::Campos(actual), Tarjeta::Reglas());
    const QString quien = AvisosFusion::QuienGuardo(actual, nueva);
    const Fusion::Reparto antes = Fusion::Repartir(origen, false);
    // Read after a save whose outcome was unknown, with nothing of another
    // desk's: what is stored is that save, whole, or the card as it was.
    if (trasIncierto && !antes.deOtro) {
        if (!antes.algoMio || (nueva && !PuedeModificar)) {
            mostrarConLoMio(actual, mios, origen);
            MensajeInfo(QStringLiteral("La tarjeta ya estaba guardada: la base de datos sí recibió "
                                       "lo que usted envió antes de perderse la conexión."),
                        nueva ? kTituloAlta : kTituloCambio);
            return false;
        }
        return guardarFusion(mios, ciudad, actual, origen, false,
                             QStringLiteral("Tarjeta Modificada Correctamente!"));
    }

    // Saving over a card another desk created is a change, which needs the
    // permission to change cards.
    if (nueva && !PuedeModificar) {
        mostrarConLoMio(actual, mios, origen);
        MensajeError(quien + QStringLiteral("; no se guardó nada, porque usted no tiene permiso "
                                            "para modificar tarjetas. Se muestra la tarjeta "
                                            "guardada, con lo que usted capturó en los demás "
                                            "campos sin guardar."),
                     kTituloAlta);
        return false;
    }

    QStringList nombres;
    for (int i = 0; i < Tarjeta::kNumCampos; ++i) nombres << nombreDeCampo(i);
    bool conflictosMios = false;
    const QList<int> conflictos = Fusion::Conflictos(origen);
    if (!conflictos.isEmpty()) {
        const int eleccion = Elegir(
            AvisosFusion::Pregunta(quien, conflictos, mios, Tarjeta::Campos(actual), nombres),
            QStringLiteral("Guardar Cambios"),
            {QStringLiteral("Guardar los &míos"), QStringLiteral("Dejar lo &guardado"),
             QStringLiteral("&Cancelar")});
        if (eleccion != 0 && eleccion != 1) return false;
        conflictosMios = eleccion == 0;
    }

    // What is left of this desk's once the conflicts are settled, and the
    // boxes the other desk changed that the window shows from now on.
    const Fusion::Reparto reparto = Fusion::Repartir(origen, conflictosMios);
    if (!reparto.algoMio) {
        mostrar(actual);
        MensajeInfo(AvisosFusion::Resultado(quien, false, reparto.suyos, nombres), kTituloCambio);
        return false;
    }

    return guardarFusion(mios, ciudad, actual, origen, conflictosMios,
                         AvisosFusion::Resultado(quien, true, reparto.suyos, nombres));
}

// Saves the merge over the card as stored now (actual) and, once stored,
// shows the card as stored and the given message. True: yet another desk
// stored the card meanwhile.
bool FrmTelefonos::guardarFusion(const QVariantList& mios, const QVariant& ciudad,
                                 const Tarjeta::Leida& actual, const QList<Fusion::Origen>& origen,
                                 bool conflictosMios, const QString& aviso) {
    const Tarjeta::Combinada c = Tarjeta::Combinar(mios, ciudad, actual, origen, conflictosMios);
    Tarjeta::Leida version = actual;
    QString error;
    const Tarjeta::Desenlace d = Tarjeta::Actualizar(sesion_, c.fila, c.sinAval, c.domicilio,
                                                     c.nombre, &version, &error, &guardadaPorOtro_);
    if (d == Tarjeta::Desenlace::Conflicto) return true;
    if (d != Tarjeta::Desenlace::Guardada) {
        avisarNoGuardada(d, false, error);
        return false;
    }
    mostrar(version);
    MensajeInfo(aviso, kTituloCambio);
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
