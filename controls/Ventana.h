#pragma once
// Window helpers shared by both windows: layout in twips, placement on the
// screen, the skin file, the hourglass.

#include <QIcon>
#include <QRect>
#include <QString>

class QLabel;
class QWidget;

namespace plataforma {

// The frame of both windows: ordinary top-level windows, which taskbars and
// Alt+Tab list (a dialog without an owner would be tied to a hidden leader
// window and left out of them), with a title, a system menu and a close box
// but no minimize or maximize box, as the older program's fixed dialogs had.
inline constexpr Qt::WindowFlags kMarcoDeVentana = Qt::Window | Qt::CustomizeWindowHint |
                                                   Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                                   Qt::WindowCloseButtonHint;

// Twips to pixels: 15 twips a pixel at 96 dpi, scaled with the screen's dpi.
int twips(int t);
QRect twips(int izquierda, int arriba, int ancho, int alto);

// Centres the window across and leaves one sixth of the free height above it.
void colocar(QWidget* ventana);

// The windows' font: MS Sans Serif 8 pt (Wine's copy on Debian) on a screen
// of 96 dpi; elsewhere, or without it, a font with outlines at a size whose
// captions fit their places. It becomes the application's font as well.
void aplicarFuente(QWidget* ventana);

// A caption as shown: "&x" shows x (the mnemonic letter), "&&" shows & and a
// last & nothing.
QString textoVisible(const QString& titulo);

// Sizes a one-line label to its caption; with a buddy, "&" marks the
// mnemonic letter as usual.
void ajustarAlTexto(QLabel* etiqueta);

// The icon of the program's windows.
QIcon iconoPrograma();

// The program's own folder, without a trailing separator.
QString carpetaPrograma();

// The folder of the program's data files when installed (/usr/share/tarjeta
// beside /usr/bin/tarjeta), found from the program's own folder.
QString carpetaDatos();

// Loads the skin file ("part = colour" lines naming palette roles, with
// "Disabled." for disabled controls) and gives the window those colours. A
// file that is not there is looked for by its name in carpetaDatos(): the
// program runs from its build folder with the skin beside it, and installed
// with the skin among its data. A file found in neither place, unreadable,
// or a line it cannot read, leaves the window's own colours.
void aplicarPiel(QWidget* ventana, const QString& archivo);

// The application-wide mouse pointer: hourglass (11) or default (0).
void punteroRaton(int codigo);

}  // namespace plataforma
