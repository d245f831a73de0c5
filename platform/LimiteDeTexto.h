#pragma once
// Typing limits of one-line boxes, counted in characters as a user counts
// them: a character outside the Basic Multilingual Plane (an emoji) is one,
// and is never cut in half.

#include <QString>

class QLineEdit;

namespace plataforma {

// Characters of a text: a surrogate pair counts once.
qsizetype caracteres(const QString& texto);

// A user can type at most `limite` characters into the box; an insertion
// that would go beyond, or leave half a character, is refused whole. Text
// the program puts there is never cut: a longer value shows whole, and
// typing can then shorten it but not lengthen it.
void limitarTecleo(QLineEdit* caja, int limite);

// The box's typing limit; 0 when it has none.
int limiteDeTecleo(const QLineEdit* caja);

// Puts text into a box by program, whole whatever the box's limit.
void ponerTexto(QLineEdit* caja, const QString& texto);

}  // namespace plataforma
