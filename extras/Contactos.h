#pragma once
// Storage of a client's extra contacts (zelt.dbo.contactos_extras), with no
// window: the rows as plain values, in the grid's column order (name, group,
// phone, place of the phone, note).

#include <QList>
#include <QStringList>

namespace Contactos {

// Characters the table holds in each field, in that order.
inline constexpr int kAnchos[5] = {100, 30, 30, 30, 250};

struct Lista {
    QList<QStringList> filas;       // five texts each, NULL read as empty
    QList<int> columnasSinUnicode;  // fields (1 to 5) that hold only the code page
};

// Reads the contacts of the current client. The error is the database's own
// words.
bool Cargar(Lista* lista, QString* error);

// Replaces the current client's contacts with the given rows, all or nothing,
// only while the stored ones are still *guardadas (the rows as read, in any
// order). Otherwise nothing is written, *conflicto is set and *guardadas
// becomes the rows stored now. Once stored, *guardadas is the given rows.
bool Guardar(const QList<QStringList>& filas, QList<QStringList>* guardadas, QString* error,
             bool* conflicto);

}  // namespace Contactos
