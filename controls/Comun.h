#pragma once
// What both windows share: the digits-only key filter, the two message boxes,
// and the calls that make a window top-most or an ordinary window again.

#include <QString>
#include <QStringList>

class QWidget;

// Key filter of the numeric boxes, on a character code changed in place: Enter
// (13) is cancelled and becomes one Tab keystroke; digits and Backspace (8)
// pass; every other code becomes 0 (cancelled).
void SoloNumeros(qint16& codigo);

void MensajeError(const QString& mensaje, const QString& titulo);
void MensajeInfo(const QString& mensaje, const QString& titulo);
// Yes/No question with the question icon and No as the default button.
bool PreguntaSiNo(const QString& mensaje, const QString& titulo);
// A choice among buttons, the last one changing nothing (Escape); the index of
// the one pressed.
int Elegir(const QString& mensaje, const QString& titulo, const QStringList& botones);

// The refusal of a value longer than the database keeps (`cabe`, counted as
// the database counts: in UTF-16 units, two for an emoji), and of a value
// holding half a character; `que` names the box or cell.
QString MensajeDemasiadoLargo(const QString& que, const QString& texto, int cabe);
QString MensajeCaracterIncompleto(const QString& que);

void HacerSobreTodo(QWidget* ventana);
void QuitarSobreTodo(QWidget* ventana);
