#include "domain/AvisosFusion.h"

#include <QTime>

namespace AvisosFusion {

namespace {

// A field's value in a message: check boxes as ticked or not, long texts cut.
QString legible(int campo, const QVariant& v) {
    if (campo < Tarjeta::kNumColumnas &&
        Tarjeta::kColumnas[size_t(campo)].fuente == Tarjeta::Fuente::Casilla)
        return v.toInt() == 1 ? QStringLiteral("marcada") : QStringLiteral("sin marcar");
    QString t = v.isNull() ? QString() : v.toString();
    t.replace(QLatin1String("\r\n"), QLatin1String(" / "));
    if (t.size() > 60) t = t.left(59) + QChar(0x2026);
    return QStringLiteral("«%1»").arg(t);
}

}  // namespace

QString Cuando(const QVariant& fecha, const QDate& hoy) {
    const QString t = fecha.toString();
    const QDate dia = QDate::fromString(t.left(10), QStringLiteral("yyyy-MM-dd"));
    const QTime hora = QTime::fromString(t.mid(11, 5), QStringLiteral("HH:mm"));
    if (!dia.isValid() || !hora.isValid()) return QStringLiteral("el ") + t;
    const QString a = QStringLiteral("a las ") + hora.toString(QStringLiteral("HH:mm"));
    return dia == hoy
               ? a
               : QStringLiteral("el %1 %2").arg(dia.toString(QStringLiteral("dd/MM/yyyy")), a);
}

QString QuienGuardo(const Tarjeta::Leida& actual, bool nueva, const QDate& hoy) {
    if (!actual.existe)
        return QStringLiteral(
            "La tarjeta de este cliente ya no está guardada: otro usuario la "
            "borró después de que usted la abrió");
    const QString usuario =
        (nueva ? actual.fila[QLatin1String("usuario_genera")] : actual.usuarioCambia)
            .toString()
            .trimmed();
    const QVariant fecha = nueva ? actual.fechaGenera : actual.fechaCambia;
    if (usuario.isEmpty() || fecha.isNull())
        return nueva ? QStringLiteral(
                           "Otro usuario dio de alta una tarjeta para este cliente "
                           "mientras usted capturaba esta")
                     : QStringLiteral(
                           "Otro usuario guardó esta tarjeta mientras usted la tenía "
                           "abierta");
    return (nueva ? QStringLiteral("El usuario %1 dio de alta una tarjeta para este cliente %2 "
                                   "mientras usted capturaba esta")
                  : QStringLiteral("El usuario %1 guardó esta tarjeta %2 mientras usted la tenía "
                                   "abierta"))
        .arg(usuario, Cuando(fecha, hoy));
}

QString Pregunta(const QString& quien, const QList<int>& conflictos, const QVariantList& mios,
                 const QVariantList& guardados, const QStringList& nombres) {
    QStringList lineas;
    for (const int i : conflictos)
        if (!nombres.value(i).isEmpty())
            lineas << QStringLiteral("%1: usted %2, guardado %3")
                          .arg(nombres[i], legible(i, mios[i]), legible(i, guardados[i]));
    return quien + QStringLiteral("; no se guardó nada.\n\nLos dos cambiaron estos campos:\n") +
           lineas.join(QLatin1Char('\n')) +
           QStringLiteral(
               "\n\n«Guardar los míos» guarda lo que usted capturó en estos campos; «Dejar "
               "lo guardado» deja en ellos lo que guardó el otro usuario. En los dos casos "
               "se guardan también los demás cambios de los dos. «Cancelar» no guarda "
               "nada.");
}

QString Resultado(const QString& quien, bool guardada, const QList<int>& suyos,
                  const QStringList& nombres) {
    QStringList cambiados;
    for (const int i : suyos)
        if (!nombres.value(i).isEmpty()) cambiados << nombres[i];
    const QString cambio =
        cambiados.isEmpty() ? QString() : QStringLiteral(" Cambió: %1.").arg(cambiados.join(u", "));
    return quien +
           (guardada ? QStringLiteral("; se guardaron los cambios de los dos.")
                     : QStringLiteral("; usted no tenía cambios que guardar y se muestra "
                                      "la tarjeta guardada.")) +
           cambio;
}

}  // namespace AvisosFusion
