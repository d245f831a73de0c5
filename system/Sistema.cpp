#include "system/Sistema.h"

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace plataforma::sistema {

QString carpetaArranque() {
#ifdef Q_OS_WIN
    return QStringLiteral("C:\\nax\\");
#else
    return QStringLiteral("/etc/nax/");
#endif
}

QString bibliotecaOdbc(int* version) {
#ifdef Q_OS_WIN
    *version = -1;
    return QStringLiteral("odbc32");
#else
    *version = 2;
    return QStringLiteral("odbc");
#endif
}

QString cadenaParaElControlador(const QString& cadena, int espera) {
#ifdef Q_OS_WIN
    Q_UNUSED(espera)
    return cadena;
#else
    // FreeTDS, which plays the "SQL Server" driver here, takes its protocol
    // version and character set from the connection string when it has no
    // named server section. A pinned version matters: with autodetection a
    // server that accepts the connection and never answers hangs the login
    // after the first timeout. Its Timeout covers the requests the driver
    // makes itself as it connects, which no statement attribute of ours
    // reaches: a server that takes the login and then goes silent ends in an
    // error, not a wait without end.
    QString odbc = cadena;
    if (!odbc.trimmed().endsWith(QLatin1Char(';'))) odbc += QLatin1Char(';');
    return odbc + QStringLiteral("TDS_Version=7.4;ClientCharset=UTF-8;Timeout=%1;").arg(espera);
#endif
}

bool ponerEncima(const std::function<quintptr()>& ventana, bool encima, int x, int y, int cx,
                 int cy, unsigned banderas) {
#ifdef Q_OS_WIN
    ::SetWindowPos(reinterpret_cast<HWND>(ventana()), encima ? HWND_TOPMOST : HWND_NOTOPMOST, x, y,
                   cx, cy, banderas);
    return true;
#else
    Q_UNUSED(ventana)
    Q_UNUSED(encima)
    Q_UNUSED(x)
    Q_UNUSED(y)
    Q_UNUSED(cx)
    Q_UNUSED(cy)
    Q_UNUSED(banderas)
    return false;
#endif
}

}  // namespace plataforma::sistema
