#pragma once
// Two desks, one card: what the window tells the user when another desk
// stored the card after this one read it, with no window. The window gives
// each field's name as the user knows its box and shows the texts.

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include "domain/Tarjeta.h"

namespace AvisosFusion {

// When a card was stored, from the text the database gives ("2026-12-08
// 10:15:00.000"), read as it stands with no time zone: "a las 10:15" on the
// day it happened (hoy), "el 07/12/2026 a las 10:15" after.
QString Cuando(const QVariant& fecha, const QDate& hoy = QDate::currentDate());

// Who stored the card, and when, as the stored card says (actual), or that
// it was removed; nueva: this desk was creating the card.
QString QuienGuardo(const Tarjeta::Leida& actual, bool nueva,
                    const QDate& hoy = QDate::currentDate());

// The question about the fields both desks changed differently
// (conflictos), each named (nombres, by field; a field without a name has no
// box and is left out) with this desk's value and the stored one.
QString Pregunta(const QString& quien, const QList<int>& conflictos, const QVariantList& mios,
                 const QVariantList& guardados, const QStringList& nombres);

// What the user is told once the merge is saved (guardada), or, with nothing
// of this desk's to save, shown: who stored the card and the named fields of
// theirs the window shows from now on.
QString Resultado(const QString& quien, bool guardada, const QList<int>& suyos,
                  const QStringList& nombres);

}  // namespace AvisosFusion
