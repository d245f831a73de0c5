#include "Comun.h"

#include "Escena.h"

void SoloNumeros(qint16& codigo) {
    if (codigo == 13) {
        codigo = 0;
        plataforma::inyectarTab();
    }
    if (codigo != 8 && (codigo < 48 || codigo > 57)) codigo = 0;
}

void MensajeError(const QString& mensaje, const QString& titulo) {
    plataforma::mostrarError(mensaje, titulo);
}

void MensajeInfo(const QString& mensaje, const QString& titulo) {
    plataforma::mostrarInformacion(mensaje, titulo);
}

bool PreguntaSiNo(const QString& mensaje, const QString& titulo) {
    return plataforma::preguntar(mensaje, titulo);
}

int Elegir(const QString& mensaje, const QString& titulo, const QStringList& botones) {
    return plataforma::elegir(mensaje, titulo, botones);
}

void HacerSobreTodo(QWidget* ventana) {
    plataforma::SetWindowPos(ventana, plataforma::HWND_TOPMOST, 0, 0, 0, 0,
                             plataforma::SWP_NOMOVE | plataforma::SWP_NOSIZE);
}

void QuitarSobreTodo(QWidget* ventana) {
    plataforma::SetWindowPos(ventana, plataforma::HWND_NOTOPMOST, 0, 0, 0, 0,
                             plataforma::SWP_NOMOVE | plataforma::SWP_NOSIZE);
}
