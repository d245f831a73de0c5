#include "domain/Contactos.h"

#include <algorithm>
#include <optional>

#include "domain/Global.h"

namespace Contactos {

bool Cargar(Global::Sesion& s, Lista* lista, QString* error) {
    auto RsDatos = s.conexion.consultar(
        QStringLiteral("SELECT * FROM zelt.dbo.contactos_extras WHERE cliente = ") +
            Global::NumeroPlano(s.cliente),
        {}, error);
    if (!RsDatos) return false;
    const char* const columnas[5] = {"Nombre", "parentesco", "telefono", "Lugar", "Nota"};
    *lista = Lista();
    for (int i = 0; i < 5; ++i) {
        const QLatin1String c(columnas[i]);
        if (!RsDatos->tieneColumna(c)) {
            *error = QStringLiteral("A los contactos extras les falta la columna %1.").arg(c);
            return false;
        }
        if (!RsDatos->columnaUnicode(c)) lista->columnasSinUnicode << i + 1;
    }
    while (!RsDatos->alFinal()) {
        QStringList fila;
        for (const char* c : columnas) {
            const QVariant v = RsDatos->valor(QLatin1String(c));
            fila << (v.isNull() ? QString() : v.toString());
        }
        lista->filas << fila;
        RsDatos->siguiente();
    }
    RsDatos->cerrar();
    return true;
}

namespace {

// A text as the server compares it: without its blanks at the end.
QStringView sinBlancosFinales(const QString& texto) {
    qsizetype n = texto.size();
    while (n > 0 && texto[n - 1] == QLatin1Char(' ')) --n;
    return QStringView(texto).left(n);
}

QList<QStringList> comparables(QList<QStringList> filas) {
    for (QStringList& f : filas)
        for (QString& t : f) t = sinBlancosFinales(t).toString();
    std::sort(filas.begin(), filas.end());
    return filas;
}

}  // namespace

bool MismoTexto(const QString& a, const QString& b) {
    return sinBlancosFinales(a) == sinBlancosFinales(b);
}

bool MismaFila(const QStringList& a, const QStringList& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), MismoTexto);
}

bool MismasFilas(const QList<QStringList>& a, const QList<QStringList>& b) {
    return a.size() == b.size() && comparables(a) == comparables(b);
}

bool Guardar(Global::Sesion& s, const QList<QStringList>& filas, QList<QStringList>* guardadas,
             QString* error, bool* conflicto, bool* incierto) {
    *conflicto = false;
    auto& bd = s.conexion;
    const QString cliente = Global::NumeroPlano(s.cliente);
    // The stored rows, locked until the save ends so that no other desk
    // changes them between this reading and the replacement.
    const QString leer =
        QStringLiteral(
            "SELECT Nombre, parentesco, telefono, Lugar, Nota FROM "
            "zelt.dbo.contactos_extras WITH (UPDLOCK, HOLDLOCK) WHERE cliente = ") +
        cliente;
    QList<QStringList> actuales;
    const QString insertar =
        QStringLiteral(
            "INSERT INTO zelt.dbo.contactos_extras (Cliente,Nombre,Parentesco,Telefono,lugar,Nota) "
            "VALUES (") +
        cliente + QStringLiteral(",?,?,?,?,?)");
    QList<QVariantList> valores;
    for (const QStringList& f : filas) {
        QVariantList v;
        for (const QString& t : f) v << t;
        valores << v;
    }
    const bool ok = bd.enTransaccion(
        [&](QString* e) {
            auto rs = bd.consultar(leer, {}, e);
            if (!rs) return false;
            for (; !rs->alFinal(); rs->siguiente()) {
                QStringList fila;
                for (int c = 0; c < 5; ++c) {
                    const QVariant v = rs->valor(c);
                    fila << (v.isNull() ? QString() : v.toString());
                }
                actuales << fila;
            }
            rs->cerrar();
            if (!MismasFilas(actuales, *guardadas)) {
                *conflicto = true;
                return false;
            }
            return bd.ejecutar(
                       QStringLiteral("DELETE FROM zelt.dbo.contactos_extras WHERE Cliente=") +
                           cliente,
                       {}, e) &&
                   bd.ejecutarVarias(insertar, valores, e);
        },
        error);
    if (incierto) *incierto = !ok && bd.commitIncierto();
    if (ok) *guardadas = filas;
    if (*conflicto) {
        *guardadas = actuales;
        error->clear();
    }
    return ok;
}

Fusionada Fusionar(const QList<QStringList>& leidas, const QList<Mia>& mias,
                   const QList<QStringList>& guardadas, bool ganaMia) {
    const qsizetype nl = leidas.size(), ng = guardadas.size();
    // The other desk: the stored row each row as read became (-1: removed),
    // matched first by the whole row, then by the name alone (a change).
    QList<qsizetype> suya(nl, -1), leidaDe(ng, -1);
    QList<bool> intacta(nl, false);
    for (const bool porNombre : {false, true})
        for (qsizetype i = 0; i < nl; ++i)
            for (qsizetype j = 0; suya[i] < 0 && j < ng; ++j) {
                if (leidaDe[j] >= 0) continue;
                if (porNombre ? MismoTexto(leidas[i].value(0), guardadas[j].value(0))
                              : MismaFila(leidas[i], guardadas[j])) {
                    suya[i] = j;
                    leidaDe[j] = i;
                    intacta[i] = !porNombre;
                }
            }
    // This desk: what it left of each row as read (none: unchanged; an empty
    // row: removed), and its new rows.
    QList<std::optional<QStringList>> mia(nl);
    QList<QStringList> nuevas;
    for (const Mia& m : mias) {
        const bool borrada = m.fila.value(0).isEmpty();
        if (m.origen < 0 || m.origen >= nl) {
            if (!borrada) nuevas << m.fila;
        } else if (borrada) {
            mia[m.origen] = QStringList();
        } else if (!MismaFila(m.fila, leidas[m.origen])) {
            mia[m.origen] = m.fila;
        }
    }

    Fusionada r;
    auto choque = [&](qsizetype i, const QStringList& guardada) {
        r.choques << Choque{leidas[i].value(0), *mia[i], guardada};
        return ganaMia ? *mia[i] : guardada;
    };
    for (qsizetype j = 0; j < ng; ++j) {
        const qsizetype i = leidaDe[j];
        QStringList fila = guardadas[j];
        if (i < 0 || !intacta[i]) r.cambiadasPorOtro << fila;
        if (i >= 0 && mia[i]) {
            if (intacta[i])
                fila = *mia[i];
            else if (mia[i]->isEmpty() || !MismaFila(*mia[i], fila))
                fila = choque(i, fila);
        }
        if (!fila.isEmpty()) r.filas << fila;
    }
    for (qsizetype i = 0; i < nl; ++i) {
        if (suya[i] >= 0) continue;
        r.borradasPorOtro << leidas[i];
        if (mia[i] && !mia[i]->isEmpty()) {
            const QStringList fila = choque(i, {});
            if (!fila.isEmpty()) r.filas << fila;
        }
    }
    // A new row the other desk added too is there already.
    QList<bool> tomada(ng, false);
    for (const QStringList& fila : std::as_const(nuevas)) {
        qsizetype j = 0;
        while (j < ng && (leidaDe[j] >= 0 || tomada[j] || !MismaFila(fila, guardadas[j]))) ++j;
        if (j < ng)
            tomada[j] = true;
        else
            r.filas << fila;
    }
    return r;
}

}  // namespace Contactos
