#include "FrmExtras.h"

#include <QApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QRegularExpression>

#include "Comun.h"
#include "Contactos.h"
#include "Cp1252.h"
#include "Escena.h"
#include "Global.h"
#include "LimiteDeTexto.h"
#include "Marco.h"
#include "Rejilla.h"
#include "Ventana.h"

namespace {
constexpr int kAltoFila = 30;
constexpr int kFilasIniciales = 10;
using Contactos::kAnchos;
}  // namespace

FrmExtras::FrmExtras(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
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
    if (!Contactos::Cargar(&lista, &e)) {
        *error = Global::ConDetalle(
            QStringLiteral("No se pudieron leer los contactos extras del cliente. "
                           "Ciérrela y vuelva a abrirla en un momento; si el "
                           "problema sigue, avise a sistemas."),
            e);
        return false;
    }
    columnasSinUnicode_ = lista.columnasSinUnicode;
    cargadas_ = lista.filas;
    llenar(lista.filas);
    return true;
}

// The grid with the given rows and its empty rows after them.
void FrmExtras::llenar(const QList<QStringList>& filas) {
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

void FrmExtras::ValidarTelefonos() {
    // A phone is digits, with at most blanks before and after them.
    static const QRegularExpression kNumero(QStringLiteral("^ *[0-9]+ *$"));
    ContactosValidos = true;
    for (int r = 1; r <= iExtras->filas(); ++r) {
        const QString p = iExtras->valor(r, 3);
        if (p.isEmpty()) continue;
        if (!kNumero.match(p).hasMatch()) {
            ContactosValidos = false;
            return;
        }
        const qsizetype n = p.trimmed().size();
        const QString q = iExtras->valor(r, 4);
        const bool fijo = n == 10 && (q == QLatin1String("Casa") || q == QLatin1String("Trabajo") ||
                                      q == QLatin1String("Otro"));
        const bool celular = n == 13 && q == QLatin1String("Celular");
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
        for (;;) {
            const QList<QStringList> leidas = cargadas_;
            QString error;
            bool conflicto = false;
            if (guardar(&error, &conflicto)) {
                MensajeInfo(QStringLiteral("Contactos Guardados Correctamente!"),
                            QStringLiteral("Guardar Contactos"));
            } else if (!conflicto) {
                MensajeError(Global::ConDetalle(
                                 QStringLiteral("No se pudieron guardar los contactos; los "
                                                "guardados antes siguen sin cambios y lo "
                                                "capturado sigue en pantalla: vuelva a guardar "
                                                "en un momento y, si el problema sigue, avise a "
                                                "sistemas."),
                                 error),
                             QStringLiteral("Guardar Contactos"));
            } else if (resolverConflicto(leidas)) {
                continue;
            }
            break;
        }
    }
    HacerSobreTodo(this);
}

// A cell whose column holds only the server's code page must not carry a
// character outside it: the server would store '?' in its place. The save
// stops before anything is sent, naming the cell.
bool FrmExtras::textosAdmitidos() {
    for (int r = 1; r <= iExtras->filas(); ++r) {
        if (iExtras->valor(r, 1).isEmpty()) continue;
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

// A cell longer than its table column holds (stored earlier, or put there
// other than by typing) is named before anything is sent.
bool FrmExtras::largosAdmitidos() {
    for (int r = 1; r <= iExtras->filas(); ++r) {
        if (iExtras->valor(r, 1).isEmpty()) continue;
        for (int c = 1; c <= 5; ++c) {
            const qsizetype largo = plataforma::caracteres(iExtras->valor(r, c));
            if (largo <= kAnchos[c - 1]) continue;
            MensajeError(QStringLiteral("«%1» de la fila %2 tiene %3 caracteres y la base de datos "
                                        "guarda a lo más %4. Acórtelo y vuelva a guardar; no se "
                                        "guardó nada.")
                             .arg(iExtras->encabezado(c))
                             .arg(r)
                             .arg(largo)
                             .arg(kAnchos[c - 1]),
                         QStringLiteral("Error de Captura"));
            return false;
        }
    }
    return true;
}

// The rows with a name, as typed.
QList<QStringList> FrmExtras::filasConNombre() const {
    QList<QStringList> filas;
    for (int r = 1; r <= iExtras->filas(); ++r) {
        if (iExtras->valor(r, 1).isEmpty()) continue;
        filas.append({iExtras->valor(r, 1), iExtras->valor(r, 2), iExtras->valor(r, 3),
                      iExtras->valor(r, 4), iExtras->valor(r, 5)});
    }
    return filas;
}

// The client's contacts are replaced as a whole: all of it is stored or none,
// and only over the contacts this window read.
bool FrmExtras::guardar(QString* error, bool* conflicto) {
    return Contactos::Guardar(filasConNombre(), &cargadas_, error, conflicto);
}

// Another desk changed the contacts after this window read them (leidas), and
// nothing was written (cargadas_ holds the stored ones now). The user reloads
// them (keeping the rows the user added or changed, at the end), saves over
// them, or leaves everything as it is. True: save again.
bool FrmExtras::resolverConflicto(const QList<QStringList>& leidas) {
    const int b = Elegir(
        QStringLiteral("Otro usuario cambió los contactos extras de este cliente después de que "
                       "usted los abrió; no se guardó nada.\n\n«Recargar» muestra los contactos "
                       "guardados y agrega al final las filas que usted agregó o cambió. «Guardar "
                       "encima» guarda su lista en lugar de la guardada. «Cancelar» no cambia "
                       "nada."),
        QStringLiteral("Guardar Cambios"),
        {QStringLiteral("&Recargar"), QStringLiteral("Guardar &encima"),
         QStringLiteral("&Cancelar")});
    if (b == 1) return true;
    if (b == 0) {
        // The rows the user added or changed since reading them.
        QList<QStringList> filas = cargadas_;
        QList<QStringList> resto = leidas;
        for (const QStringList& f : filasConNombre())
            if (!resto.removeOne(f)) filas << f;
        llenar(filas);
    }
    return false;
}
