#include "windows/FrmExtras.h"

#include <QApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QRegularExpression>
#include <optional>

#include "controls/Comun.h"
#include "controls/Escena.h"
#include "controls/LimiteDeTexto.h"
#include "controls/Marco.h"
#include "controls/Rejilla.h"
#include "controls/Ventana.h"
#include "data/Cp1252.h"
#include "domain/Contactos.h"
#include "domain/Global.h"

namespace {
constexpr int kAltoFila = 30;
constexpr int kFilasIniciales = 10;
using Contactos::kAnchos;

const QString kOtroUsuario = QStringLiteral(
    "Otro usuario cambió los contactos extras de este cliente mientras usted los tenía "
    "abiertos; ");

// A stored text as the messages show it: without the blanks around it, cut to
// a few words (never in the middle of a character).
QString corto(const QString& texto) {
    constexpr qsizetype kLargo = 40;
    const QString t = texto.trimmed();
    if (t.size() <= kLargo) return t;
    const qsizetype n = t[kLargo - 1].isHighSurrogate() ? kLargo - 1 : kLargo;
    return t.left(n) + QStringLiteral("…");
}

// A row in one line: its fields joined, the empty ones left out.
QString resumen(const QStringList& fila) {
    QStringList partes;
    for (const QString& t : fila)
        if (const QString c = corto(t); !c.isEmpty()) partes << c;
    return QStringLiteral("«%1»").arg(partes.join(QStringLiteral(" · ")));
}

// The rows by name (the whole row when it has none), the first ten.
QString nombres(const QList<QStringList>& filas) {
    constexpr qsizetype kCuantos = 10;
    QStringList n;
    for (const QStringList& f : filas.first(qMin(filas.size(), kCuantos))) {
        const QString nombre = corto(f.value(0));
        n << (nombre.isEmpty() ? resumen(f) : QStringLiteral("«%1»").arg(nombre));
    }
    QString texto = n.join(QStringLiteral(", "));
    if (filas.size() > kCuantos) texto += QStringLiteral(" y %1 más").arg(filas.size() - kCuantos);
    return texto;
}

// What the other desk did to the list this window read.
QString cambiosDelOtro(const Contactos::Fusionada& f) {
    QString texto;
    if (!f.cambiadasPorOtro.isEmpty())
        texto += QStringLiteral(" Agregó o cambió: %1.").arg(nombres(f.cambiadasPorOtro));
    if (!f.borradasPorOtro.isEmpty())
        texto += QStringLiteral(" Borró: %1.").arg(nombres(f.borradasPorOtro));
    return texto;
}

// The rows both desks changed, each with both values; the index of the
// button pressed: 0 keeps this desk's rows, 1 the stored ones, 2 cancels.
int elegirEnChoque(const QList<Contactos::Choque>& choques) {
    QStringList filas;
    for (const Contactos::Choque& c : choques)
        filas << QStringLiteral("«%1»: %2, %3")
                     .arg(corto(c.nombre),
                          c.mia.isEmpty() ? QStringLiteral("usted la borró")
                                          : QStringLiteral("usted ") + resumen(c.mia),
                          c.guardada.isEmpty() ? QStringLiteral("el otro usuario la borró")
                                               : QStringLiteral("guardado ") + resumen(c.guardada));
    return Elegir(
        kOtroUsuario + QStringLiteral("no se guardó nada.\n\nLos dos cambiaron estas filas:\n") +
            filas.join(QLatin1Char('\n')) +
            QStringLiteral("\n\n«Guardar los míos» guarda estas filas como usted las dejó; «Dejar "
                           "lo guardado» las deja como las guardó el otro usuario. En los dos "
                           "casos se guardan también los demás cambios de los dos. «Cancelar» no "
                           "guarda nada."),
        QStringLiteral("Guardar Cambios"),
        {QStringLiteral("Guardar los &míos"), QStringLiteral("Dejar lo &guardado"),
         QStringLiteral("&Cancelar")});
}

}  // namespace

FrmExtras::FrmExtras(Global::Sesion& sesion, QWidget* parent)
    : QDialog(parent, plataforma::kMarcoDeVentana), sesion_(sesion) {
    setObjectName(QStringLiteral("FrmExtras"));
    setWindowTitle(QStringLiteral("Contactos Extras"));
    plataforma::aplicarFuente(this);
    setWindowIcon(plataforma::iconoPrograma());
    setModal(true);
    setFixedSize(plataforma::twips(11370), plataforma::twips(6075));

    Frame1 = new plataforma::Marco(QStringLiteral("Contactos"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setGeometry(plataforma::twips(120, 0, 11175, 5535));
    iExtras = new plataforma::Rejilla(Frame1);
    iExtras->setObjectName(QStringLiteral("iExtras"));
    iExtras->setGeometry(plataforma::twips(120, 240, 10935, 5055));
    iExtras->setAccessibleName(QStringLiteral("Contactos"));
    CmdGuardar = new QPushButton(QStringLiteral("&Guardar"), this);
    CmdGuardar->setObjectName(QStringLiteral("CmdGuardar"));
    CmdGuardar->setGeometry(plataforma::twips(9960, 5640, 1335, 375));
    CmdGuardar->setAutoDefault(false);
    setTabOrder(iExtras, CmdGuardar);

    connect(CmdGuardar, &QPushButton::clicked, this, &FrmExtras::CmdGuardar_Click);
    // The window sees every key before its controls, the grid's cell editors
    // included.
    qApp->installEventFilter(this);
}

FrmExtras::~FrmExtras() {
    if (qApp) qApp->removeEventFilter(this);
}

bool FrmExtras::Form_Load(QString* error) {
    HacerSobreTodo(this);
    plataforma::colocar(this);
    plataforma::aplicarPiel(this, plataforma::carpetaPrograma() + QStringLiteral("/Msn2008.skn"));
    PrepararRejilla();
    return CargarContactos(error);
}

void FrmExtras::PrepararRejilla() {
    iExtras->agregarColumna(QStringLiteral("Nombre"), 180);
    iExtras->agregarColumna(QStringLiteral("Grupo"), 100);
    iExtras->agregarColumna(QStringLiteral("Teléfono"), 150);
    iExtras->agregarColumna(QStringLiteral("Lugar Teléfono"), 90);
    iExtras->agregarColumna(QStringLiteral("Nota"), 180);
    iExtras->crearLista(QStringLiteral("Lugar"));
    for (const char* l : {"Casa", "Trabajo", "Celular"})
        iExtras->agregarALista(QStringLiteral("Lugar"), QString::fromUtf8(l));
    iExtras->asignarLista(4, QStringLiteral("Lugar"));
    iExtras->crearLista(QStringLiteral("Grupo"));
    for (const char* g : {"Cliente", "Conyuge", "Aval", "Conyuge del Aval", "Referencia 1",
                          "Referencia 2", "Referencia 3", "Referencia 4"})
        iExtras->agregarALista(QStringLiteral("Grupo"), QString::fromUtf8(g));
    iExtras->asignarLista(2, QStringLiteral("Grupo"));
    for (int c = 1; c <= 5; ++c) iExtras->limitarColumna(c, kAnchos[c - 1]);
    for (int i = 0; i < kFilasIniciales; ++i) {
        iExtras->agregarFila();
        iExtras->altoFila(iExtras->filas(), kAltoFila);
    }
}

bool FrmExtras::CargarContactos(QString* error) {
    Contactos::Lista lista;
    QString e;
    if (!Contactos::Cargar(sesion_, &lista, &e)) {
        *error = Global::ConDetalle(
            QStringLiteral("No se pudieron leer los contactos extras del cliente. "
                           "Ciérrela y vuelva a abrirla en un momento; si el "
                           "problema sigue, avise a sistemas."),
            e);
        return false;
    }
    columnasSinUnicode_ = lista.columnasSinUnicode;
    llenar(lista.filas);
    return true;
}

// The grid with the given rows, as stored, and its empty rows after them.
void FrmExtras::llenar(const QList<QStringList>& filas) {
    leidas_ = filas;
    origenes_.clear();
    for (int i = 0; i < filas.size(); ++i) origenes_ << i;
    if (iExtras->filas() != kFilasIniciales) iExtras->setRowCount(kFilasIniciales);
    iExtras->clearContents();
    int fila = 0;
    for (const QStringList& valores : filas) {
        ++fila;
        for (int c = 0; c < 5; ++c) iExtras->ponerValor(fila, c + 1, valores[c]);
        if (fila >= kFilasIniciales) {
            iExtras->agregarFila();
            iExtras->altoFila(iExtras->filas(), kAltoFila);
        }
    }
}

bool FrmExtras::eventFilter(QObject* objeto, QEvent* evento) {
    if (evento->type() != QEvent::KeyPress || !objeto->isWidgetType()) return false;
    auto* control = static_cast<QWidget*>(objeto);
    if (control->window() != this) return false;
    if (control != QApplication::focusWidget() && control != this) return false;
    const int c = plataforma::codigoDeTecla(static_cast<QKeyEvent*>(evento));
    if (c < 0) return false;
    Form_KeyPress(qint16(c));
    if (c == 27) return true;
    if (control == iExtras || iExtras->isAncestorOf(control)) iExtras_KeyPress(qint16(c));
    return false;
}

void FrmExtras::Form_KeyPress(qint16 codigo) {
    if (codigo == 27) reject();
}

void FrmExtras::iExtras_KeyPress(qint16 codigo) {
    if (codigo == 13) {
        iExtras->agregarFila();
        iExtras->altoFila(iExtras->filas(), kAltoFila);
    }
}

// Whether grid row r still shows, unchanged, the stored row it was filled
// with. Such a row goes back as it is: no check of the window refuses it.
bool FrmExtras::comoSeLeyo(int r) const {
    const int origen = origenes_.value(r - 1, -1);
    if (origen < 0 || origen >= leidas_.size()) return false;
    QStringList fila;
    for (int c = 1; c <= 5; ++c) fila << iExtras->valor(r, c);
    return Contactos::MismaFila(fila, leidas_[origen]);
}

void FrmExtras::ValidarTelefonos() {
    // A phone is digits, with at most blanks before and after them.
    static const QRegularExpression kNumero(QStringLiteral("^ *[0-9]+ *$"));
    ContactosValidos = true;
    for (int r = 1; r <= iExtras->filas(); ++r) {
        const QString p = iExtras->valor(r, 3);
        if (p.isEmpty() || comoSeLeyo(r)) continue;
        if (!kNumero.match(p).hasMatch()) {
            ContactosValidos = false;
            return;
        }
        const qsizetype n = p.trimmed().size();
        // The place as the server compares it: a CHAR column sends it padded
        // with blanks.
        const QString q = iExtras->valor(r, 4);
        auto es = [&q](const char* lugar) {
            return Contactos::MismoTexto(q, QString::fromLatin1(lugar));
        };
        const bool fijo = n == 10 && (es("Casa") || es("Trabajo") || es("Otro"));
        const bool celular = n == 13 && es("Celular");
        if (!fijo && !celular) {
            ContactosValidos = false;
            return;
        }
    }
}

void FrmExtras::CmdGuardar_Click() {
    QuitarSobreTodo(this);
    iExtras->confirmarEdicion();
    ValidarTelefonos();
    if (!ContactosValidos) {
        MensajeError(
            QStringLiteral("Revise la longitud de los teléfonos capturados, para fijos es de 10 "
                           "posiciones y celulares de 13"),
            QStringLiteral("Error de Captura"));
    } else if (PreguntaSiNo(
                   QStringLiteral(
                       "Se Dispone a Modificar los Contactos Extra del Cliente, esta seguro?"),
                   QStringLiteral("Guardar Cambios")) &&
               textosAdmitidos() && largosAdmitidos()) {
        guardar();
    }
    HacerSobreTodo(this);
}

// A cell whose column holds only the server's code page must not carry a
// character outside it: the server would store '?' in its place. The save
// stops before anything is sent, naming the cell.
bool FrmExtras::textosAdmitidos() {
    for (int r = 1; r <= iExtras->filas(); ++r) {
        if (iExtras->valor(r, 1).isEmpty() || comoSeLeyo(r)) continue;
        for (int c = 1; c <= 5; ++c) {
            if (QStringView(iExtras->valor(r, c)).isValidUtf16()) continue;
            MensajeError(
                MensajeCaracterIncompleto(
                    QStringLiteral("«%1» de la fila %2").arg(iExtras->encabezado(c)).arg(r)),
                QStringLiteral("Error de Captura"));
            return false;
        }
        for (const int c : std::as_const(columnasSinUnicode_)) {
            const QString faltan = plataforma::Cp1252::sinCodigo(iExtras->valor(r, c));
            if (faltan.isEmpty()) continue;
            MensajeError(QStringLiteral("«%1» de la fila %2 tiene caracteres que la base de datos "
                                        "no puede guardar: %3. Cámbielos y vuelva a guardar; no "
                                        "se guardó nada.")
                             .arg(iExtras->encabezado(c))
                             .arg(r)
                             .arg(faltan),
                         QStringLiteral("Error de Captura"));
            return false;
        }
    }
    return true;
}

// A cell longer than its table column holds (put there other than by
// typing) is named before anything is sent.
bool FrmExtras::largosAdmitidos() {
    for (int r = 1; r <= iExtras->filas(); ++r) {
        if (iExtras->valor(r, 1).isEmpty() || comoSeLeyo(r)) continue;
        for (int c = 1; c <= 5; ++c) {
            const QString valor = iExtras->valor(r, c);
            if (valor.size() <= kAnchos[c - 1]) continue;
            MensajeError(
                MensajeDemasiadoLargo(
                    QStringLiteral("«%1» de la fila %2").arg(iExtras->encabezado(c)).arg(r), valor,
                    kAnchos[c - 1]),
                QStringLiteral("Error de Captura"));
            return false;
        }
    }
    return true;
}

// Every grid row that showed a stored row or has a name, with the stored row
// it showed.
QList<Contactos::Mia> FrmExtras::filasDeLaRejilla() const {
    QList<Contactos::Mia> filas;
    for (int r = 1; r <= iExtras->filas(); ++r) {
        Contactos::Mia m{origenes_.value(r - 1, -1), {}};
        for (int c = 1; c <= 5; ++c) m.fila << iExtras->valor(r, c);
        if (m.origen >= 0 || !m.fila[0].isEmpty()) filas << m;
    }
    return filas;
}

// The client's contacts are replaced as a whole, all of them or none, and
// only over the list this window read. When another desk changed that list
// meanwhile, what this window did to each row is merged into the stored list,
// and the merge is saved over the stored list instead (merged again if yet
// another desk got there first); the grid then shows what was stored.
void FrmExtras::guardar() {
    const QString titulo = QStringLiteral("Guardar Contactos");
    const QList<Contactos::Mia> mias = filasDeLaRejilla();
    QList<QStringList> filas;
    for (const Contactos::Mia& m : mias)
        if (!m.fila[0].isEmpty()) filas << m.fila;
    QList<QStringList> version = leidas_;
    std::optional<Contactos::Fusionada> fusion;
    // After a save whose outcome is unknown the stored list is read first: it
    // tells whether that save went in, and nothing is sent blindly.
    bool trasIncierto = incierto_;
    for (int vuelta = 0; vuelta < 5; ++vuelta, trasIncierto = false) {
        QString error;
        bool conflicto = false, incierto = false;
        QList<QStringList> guardadas = version;
        if (trasIncierto) {
            Contactos::Lista lista;
            if (!Contactos::Cargar(sesion_, &lista, &error)) {
                MensajeError(Global::TrasUnFallo(
                                 sesion_,
                                 QStringLiteral("No se pudo leer cómo quedaron los contactos, así "
                                                "que sigue sin saberse si se guardaron; no se "
                                                "envió nada. Lo capturado sigue en pantalla"),
                                 error),
                             titulo);
                return;
            }
            incierto_ = false;
            if (Contactos::MismasFilas(lista.filas, filas)) {
                llenar(lista.filas);
                MensajeInfo(
                    QStringLiteral("Los contactos ya estaban guardados: la base de datos sí "
                                   "recibió lo que usted envió antes de perderse la "
                                   "conexión."),
                    titulo);
                return;
            }
            // Stored as this window read them: that save did not go in.
            version = lista.filas;
            if (Contactos::MismasFilas(lista.filas, leidas_)) continue;
            guardadas = lista.filas;
            conflicto = true;
        } else if (Contactos::Guardar(sesion_, filas, &guardadas, &error, &conflicto, &incierto)) {
            if (fusion) {
                llenar(filas);
                MensajeInfo(kOtroUsuario + QStringLiteral("se guardaron los cambios de los dos.") +
                                cambiosDelOtro(*fusion),
                            titulo);
                return;
            }
            // The grid stays as it is: its rows with a name are now the
            // stored rows, in order.
            leidas_ = filas;
            origenes_.clear();
            int n = 0;
            for (int r = 1; r <= iExtras->filas(); ++r)
                origenes_ << (iExtras->valor(r, 1).isEmpty() ? -1 : n++);
            MensajeInfo(QStringLiteral("Contactos Guardados Correctamente!"), titulo);
            return;
        }
        if (incierto) {
            incierto_ = true;
            MensajeError(Global::ConDetalle(
                             QStringLiteral("No se sabe si se guardaron los contactos: se "
                                            "enviaron a la base de datos y no llegó su "
                                            "respuesta. Lo capturado sigue en pantalla: "
                                            "vuelva a guardar; antes de escribir nada se leerá "
                                            "cómo quedaron."),
                             error),
                         titulo);
            return;
        }
        if (!conflicto) {
            MensajeError(Global::TrasUnFallo(sesion_,
                                             QStringLiteral("No se pudieron guardar los "
                                                            "contactos; los guardados antes "
                                                            "siguen sin cambios y lo capturado "
                                                            "sigue en pantalla"),
                                             error),
                         titulo);
            return;
        }
        Contactos::Fusionada f = Contactos::Fusionar(leidas_, mias, guardadas);
        if (!f.choques.isEmpty()) {
            const int boton = elegirEnChoque(f.choques);
            if (boton == 0)
                f = Contactos::Fusionar(leidas_, mias, guardadas, true);
            else if (boton != 1)
                return;
        }
        if (Contactos::MismasFilas(f.filas, guardadas)) {
            llenar(guardadas);
            MensajeInfo(kOtroUsuario +
                            QStringLiteral("no hubo nada que agregar a lo guardado, así que no "
                                           "se escribió nada y se muestran los contactos "
                                           "guardados.") +
                            cambiosDelOtro(f),
                        titulo);
            return;
        }
        filas = f.filas;
        version = guardadas;
        fusion = f;
    }
    MensajeError(QStringLiteral("Otros usuarios siguen guardando los contactos extras de este "
                                "cliente en este momento; no se guardó nada. Lo capturado sigue "
                                "en pantalla: vuelva a guardar en un momento."),
                 titulo);
}
