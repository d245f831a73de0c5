#include "controls/Comun.h"

#include "controls/Escena.h"

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

QString MensajeDemasiadoLargo(const QString& que, const QString& texto, int cabe) {
    qsizetype caracteres = texto.size();
    for (qsizetype i = 0; i + 1 < texto.size(); ++i)
        if (texto.at(i).isHighSurrogate() && texto.at(i + 1).isLowSurrogate()) --caracteres, ++i;
    const QString largo =
        caracteres == texto.size()
            ? QStringLiteral("%1 tiene %2 caracteres y la base de datos guarda a lo más %3.")
                  .arg(que)
                  .arg(caracteres)
                  .arg(cabe)
            : QStringLiteral(
                  "%1 tiene %2 caracteres, que ocupan %3 posiciones (cada emoji ocupa "
                  "dos), y la base de datos guarda a lo más %4 posiciones.")
                  .arg(que)
                  .arg(caracteres)
                  .arg(texto.size())
                  .arg(cabe);
    return largo + QStringLiteral(" Acórtelo y vuelva a guardar; no se guardó nada.");
}

QString MensajeCaracterIncompleto(const QString& que) {
    return QStringLiteral(
               "%1 tiene medio carácter (un carácter incompleto, quizá de un texto "
               "pegado). Bórrelo y vuelva a guardar; no se guardó nada.")
        .arg(que);
}

void HacerSobreTodo(QWidget* ventana) {
    plataforma::SetWindowPos(ventana, plataforma::HWND_TOPMOST, 0, 0, 0, 0,
                             plataforma::SWP_NOMOVE | plataforma::SWP_NOSIZE);
}

void QuitarSobreTodo(QWidget* ventana) {
    plataforma::SetWindowPos(ventana, plataforma::HWND_NOTOPMOST, 0, 0, 0, 0,
                             plataforma::SWP_NOMOVE | plataforma::SWP_NOSIZE);
}
