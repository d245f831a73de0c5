#pragma once
// What the program shows and asks through the window system: message boxes,
// the top-most state, the injected Tab keystroke. In a test run ("grabando")
// nothing is shown: every call is written down in order, and questions take
// the answers queued beforehand (No when none is queued).

#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>

class QKeyEvent;
class QWidget;

namespace plataforma {

struct Suceso {
    enum class Tipo { Error, Informacion, Pregunta, Eleccion, SobreTodo, NoSobreTodo, Tab };
    Tipo tipo;
    QString texto;
    QString titulo;
    QPointer<QWidget> ventana;  // the window whose top-most state changed
    bool noPorDefecto = false;  // question boxes: No is the default button
};

namespace Escena {

void grabar(bool si);
bool grabando();
const QList<Suceso>& sucesos();
void limpiar();
void responder(bool si);  // queues the answer to the next question
// Queues the button (from 0) chosen in the next choice box; the last button
// (the one that does nothing) when none is queued.
void elegir(int boton);

}  // namespace Escena

// Message boxes, modal to the application. The icons are the critical (stop)
// and the information icon; the question has Yes and No with No as default.
void mostrarError(const QString& texto, const QString& titulo);
void mostrarInformacion(const QString& texto, const QString& titulo);
bool preguntar(const QString& texto, const QString& titulo);
// A warning box with the given buttons; the last one is the default and the
// one Escape presses, so it must be the choice that changes nothing. Returns
// the index of the button pressed.
int elegir(const QString& texto, const QString& titulo, const QStringList& botones);

// The window system's z-order call: insert-after HWND_TOPMOST (-1) or
// HWND_NOTOPMOST (-2), with SWP_NOMOVE | SWP_NOSIZE, so only the window's
// always-on-top state changes.
constexpr int HWND_TOPMOST = -1;
constexpr int HWND_NOTOPMOST = -2;
constexpr unsigned SWP_NOSIZE = 1;
constexpr unsigned SWP_NOMOVE = 2;
void SetWindowPos(QWidget* ventana, int insertarDespues, int x, int y, int cx, int cy,
                  unsigned banderas);

// The character code of a key press as the windows' key handlers see it:
// Enter 13, Backspace 8, Escape 27, otherwise the typed character (control
// codes typed with Ctrl included); -1 for keys that type nothing (Tab, function
// keys) and for the editing and moving keys (Delete, Insert, arrows, Home, End,
// PageUp, PageDown), which raise no key press.
int codigoDeTecla(const QKeyEvent* evento);

// Puts one Tab keystroke into the keyboard input of the active window, to be
// handled after the current event (not at once).
void inyectarTab();

}  // namespace plataforma
