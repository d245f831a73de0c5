#pragma once
// Two desks, one card: a three-way merge, field by field, of the card as this
// desk read it (base), as this desk leaves it (mine) and as it is stored now
// (theirs). A field only the other desk changed takes their value, a field
// only this desk changed keeps mine, and a field both changed to the same
// value is no conflict. No widgets here: the window gathers the values and
// shows the outcome.

#include <QList>
#include <QVariant>
#include <optional>

#include "domain/Tarjeta.h"

namespace Fusion {

enum class Origen {
    Nadie,      // neither desk changed it
    Mio,        // only this desk changed it
    Suyo,       // only the other desk changed it
    Ambos,      // both changed it, to the same value
    Conflicto,  // both changed it, differently
};

// A check box whose rule empties or locks other fields: a change of the box
// is a change of every field it governs. When any of them is in conflict,
// the box and every field of the group the two desks left different are in
// conflict together, so that either choice leaves the group as one desk had
// it (never "no spouse" beside a spouse's phone).
struct Regla {
    int casilla;
    QList<int> gobernados;
};

// Values are compared as text, NULL as empty.
bool Iguales(const QVariant& a, const QVariant& b);

// The origin of each field.
QList<Origen> Fusionar(const QVariantList& base, const QVariantList& mio, const QVariantList& suyo,
                       const QList<Regla>& reglas);

QList<int> Conflictos(const QList<Origen>& origen);

// A merge once its conflicts are settled (conflictosMios: this desk keeps its
// values there).
struct Reparto {
    bool deOtro = false;   // a field the other desk changed: theirs alone, or in conflict
    bool algoMio = false;  // a field that takes this desk's value: something to save
    QList<int> suyos;      // the fields that take the other desk's change
};
Reparto Repartir(const QList<Origen>& origen, bool conflictosMios);

// Whether the merged field takes this desk's value: it changed it alone, or
// both did and the user keeps their own.
bool TomaMio(Origen origen, bool conflictosMios);

// The merged values: mine where TomaMio, otherwise theirs exactly as stored.
QVariantList Valores(const QList<Origen>& origen, const QVariantList& mio, const QVariantList& suyo,
                     bool conflictosMios);

}  // namespace Fusion

namespace Tarjeta {

// A card's fields: the check boxes as 0 or 1 (what the save writes), the
// texts as stored, the address and name as the procedures return them ("" when
// none is stored).
QVariantList Campos(const Leida& leida);

// The check boxes' rules in fields: "Mismo Cliente" fills the owner's name,
// "Sin Cónyuge" empties the spouse, "Sin Aval" the guarantor (the city aside).
const QList<Fusion::Regla>& Reglas();

// The guarantor's full name from its parts: first surname, second surname
// when there is one, given names, each trimmed; empty without a first surname
// or a given name.
QString NombreCompleto(const QString& paterno, const QString& materno, const QString& nombre);

// What the save of a merged card writes over the stored one.
struct Combinada {
    Fila fila;
    bool sinAval = false;
    std::optional<Domicilio> domicilio;  // sent only when it holds a change of this desk
    std::optional<NombreAval> nombre;    // likewise, and only a whole name
};

// The merge of this desk's fields (mios: the card as read with the user's
// changes; ciudadMia: the number of its city) into the stored card (suya),
// with the conflicts resolved as chosen. aval_Nombre follows the name: it is
// composed anew when this desk's name is kept.
Combinada Combinar(const QVariantList& mios, const QVariant& ciudadMia, const Leida& suya,
                   const QList<Fusion::Origen>& origen, bool conflictosMios);

}  // namespace Tarjeta
