#pragma once
// Window helpers shared by both windows: layout in twips, placement on the
// screen, the skin file, the hourglass.

#include <QRect>
#include <QString>

class QWidget;

namespace plataforma {

// Twips to pixels: 15 twips a pixel at 96 dpi, scaled with the screen's dpi.
int twips(int t);
QRect twips(int izquierda, int arriba, int ancho, int alto);

// Centres the window across and leaves one sixth of the free height above it.
void colocar(QWidget* ventana);

// The windows' font: MS Sans Serif 8.25 pt, or the nearest font at hand.
void aplicarFuente(QWidget* ventana);

// The program's own folder, without a trailing separator.
QString carpetaPrograma();

// Loads the skin file (a Qt style sheet) and applies it to the window; a
// missing or unreadable file leaves the window's own look.
void aplicarPiel(QWidget* ventana, const QString& archivo);

// The application-wide mouse pointer: hourglass (11) or default (0).
void punteroRaton(int codigo);

}  // namespace plataforma
