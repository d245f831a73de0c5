#pragma once
// Storage of a client's extra contacts (zelt.dbo.contactos_extras), with no
// window: the rows as plain values, in the grid's column order (name, group,
// phone, place of the phone, note).

#include <QList>
#include <QStringList>

#include "domain/Global.h"

namespace Contactos {

// Characters the table holds in each field, in that order.
inline constexpr int kAnchos[5] = {100, 30, 30, 30, 250};

struct Lista {
    QList<QStringList> filas;       // five texts each, NULL read as empty
    QList<int> columnasSinUnicode;  // fields (1 to 5) that hold only the code page
};

// Reads the contacts of the session's client. The error is the database's own
// words.
bool Cargar(Global::Sesion& s, Lista* lista, QString* error);

// Two texts, or two rows, as the server compares them: blanks at the end do
// not count (a CHAR(n) column sends its values padded with them), anything
// else does.
bool MismoTexto(const QString& a, const QString& b);
bool MismaFila(const QStringList& a, const QStringList& b);
// The same rows, in any order.
bool MismasFilas(const QList<QStringList>& a, const QList<QStringList>& b);

// A digest of a list, the same whatever the order of its rows and the blanks
// at the end of its texts, which the server computes alike over the stored
// rows (SHA-256 of each row, in hexadecimal, sorted and run together).
QString HuellaDeFilas(const QList<QStringList>& filas);

// Replaces the current client's contacts with the given rows, all or nothing,
// only while the stored ones are still *guardadas (MismasFilas). Otherwise
// nothing is written, *conflicto is set and *guardadas becomes the rows stored
// now. Once stored, *guardadas is the given rows.
// *incierto, when given: the link was lost with the commit sent, so the rows
// may be stored or not. On SQL Server it takes one request, whatever the number
// of rows.
bool Guardar(Global::Sesion& s, const QList<QStringList>& filas, QList<QStringList>* guardadas,
             QString* error, bool* conflicto, bool* incierto = nullptr);

// A row of a desk's list and the row as read that it showed: `origen` is its
// index in the list as read, -1 for a row added since. A row with an empty
// name removes the row it showed.
struct Mia {
    int origen = -1;
    QStringList fila;
};

// A row as read that both desks changed, each in its own way.
struct Choque {
    QString nombre;        // its name as read
    QStringList mia;       // as this desk left it; empty: this desk removed it
    QStringList guardada;  // as stored now; empty: the other desk removed it
};

struct Fusionada {
    QList<QStringList> filas;  // the list to store
    QList<Choque> choques;
    // What the other desk did to the list as read: the rows it added or
    // changed (as stored now) and the rows it removed (as read).
    QList<QStringList> cambiadasPorOtro;
    QList<QStringList> borradasPorOtro;
};

// Merges what this desk did to the rows it read (`leidas`) into the rows
// stored now, by rows. The other desk's changes are inferred: a row as read
// that is still stored is untouched; one whose name is still stored in a row
// not otherwise accounted for was changed into that row; any other was
// removed, and the stored rows left over were added. The stored rows keep
// their order, with this desk's changes in place and its new rows at the end;
// a new row the other desk added as well is not added twice. A row both
// changed, or one changed and the other removed, is a Choque, settled as
// stored, or as this desk left it when `ganaMia`.
Fusionada Fusionar(const QList<QStringList>& leidas, const QList<Mia>& mias,
                   const QList<QStringList>& guardadas, bool ganaMia = false);

}  // namespace Contactos
