#pragma once
// What both windows share: the digits-only key filter, the two message boxes,
// and the calls that make a window top-most or an ordinary window again.

#include <QString>

class QWidget;

// Key filter of the numeric boxes, on a character code changed in place: Enter
// (13) is cancelled and becomes one Tab keystroke; digits and Backspace (8)
// pass; every other code becomes 0 (cancelled).
void SoloNumeros(qint16& codigo);

// A message for the user: what happened and what to do, in Spanish; then, on
// a line of its own, the database's or driver's own words, kept for support.
QString ConDetalle(const QString& mensaje, const QString& detalle);
// What to do when the program cannot start: try again, then call support.
inline constexpr char16_t kVuelvaAAbrir[] =
    u"Vuelva a abrir la tarjeta en un momento; si el problema sigue, avise a sistemas.";

void MensajeError(const QString& mensaje, const QString& titulo);
void MensajeInfo(const QString& mensaje, const QString& titulo);
// Yes/No question with the question icon and No as the default button.
bool PreguntaSiNo(const QString& mensaje, const QString& titulo);

void HacerSobreTodo(QWidget* ventana);
void QuitarSobreTodo(QWidget* ventana);
