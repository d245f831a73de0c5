#pragma once
// Typing limits of one-line boxes, counted as the database counts a text:
// in UTF-16 units, so that a character outside the Basic Multilingual Plane
// (an emoji) takes two; a character is never cut in half.

#include <QString>

class QLineEdit;

namespace plataforma {

// A user can type at most `limite` UTF-16 units into the box; an insertion
// that would go beyond, or leave half a character, is refused whole. Text
// the program puts there is never cut: a longer value shows whole, and
// typing can then shorten it but not lengthen it.
void limitarTecleo(QLineEdit* caja, int limite);

// The box's typing limit; 0 when it has none.
int limiteDeTecleo(const QLineEdit* caja);

// Puts text into a box by program, whole whatever the box's limit.
void ponerTexto(QLineEdit* caja, const QString& texto);

}  // namespace plataforma
