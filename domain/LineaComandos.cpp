#include "domain/LineaComandos.h"

#include <QStringList>

#include "domain/Global.h"

namespace LineaComandos {

namespace {

// What to do about a line that lacks a part: the other application opens the
// card with both.
const QString kAbraConLosDos = QStringLiteral(
    " Abra la tarjeta indicando el número de cliente y el usuario, por ejemplo «tarjeta "
    "1234-25».");

// The client number: 1 to 10 digits with blanks around; -1 when it is not
// one. Read by hand rather than with a regular expression, so starting the
// program does not page in the regular-expression engine.
double numeroDeCliente(const QString& texto) {
    const QString t = texto.trimmed();
    if (t.isEmpty() || t.size() > 10) return -1;
    for (const QChar c : t)
        if (c < u'0' || c > u'9') return -1;
    return t.toDouble();
}

}  // namespace

bool Leer(const QString& linea, Datos* datos, QString* error) {
    if (linea.trimmed().isEmpty()) {
        *error =
            QStringLiteral("La línea de comandos no indica el número de cliente ni el usuario.") +
            kAbraConLosDos;
        return false;
    }
    const QStringList partes = linea.split(QLatin1Char('-'));
    if (partes[0].trimmed().isEmpty()) {
        *error =
            QStringLiteral("La línea de comandos «%1» no indica el número de cliente.").arg(linea) +
            kAbraConLosDos;
        return false;
    }
    // Client numbers are whole numbers that the stored procedures take as
    // 32-bit integers.
    const double n = numeroDeCliente(partes[0]);
    if (n < 0 || n > 2147483647.0) {
        *error = QStringLiteral(
                     "El número de cliente «%1» de la línea de comandos no es válido: debe ser "
                     "un número entero entre 0 y 2147483647.")
                     .arg(partes[0]);
        return false;
    }
    const QString usuario = partes.value(1).trimmed().left(7);
    if (usuario.isEmpty()) {
        *error = QStringLiteral("La línea de comandos «%1» no indica el usuario.").arg(linea) +
                 kAbraConLosDos;
        return false;
    }
    datos->cliente = n;
    datos->usuario = usuario.rightJustified(7, QLatin1Char(' '));
    return true;
}

QString ClienteNoRegistrado(double cliente, const QString& linea) {
    return QStringLiteral(
               "El cliente %1 no está registrado. Revise el número de cliente de la línea de "
               "comandos «%2» y vuelva a abrir la tarjeta.")
        .arg(Global::NumeroPlano(cliente), linea);
}

}  // namespace LineaComandos
