#pragma once
// What differs between Windows, where the program began, and the systems it
// is built for here. The only file that asks which system it is on.

#include <QString>
#include <functional>

namespace plataforma::sistema {

// The folder of the start-up table when NAX_DIR does not name one.
QString carpetaArranque();

// The ODBC driver manager's library, and its major version (-1: any).
QString bibliotecaOdbc(int* version);

// The connection string as the system's SQL Server driver takes it; `espera`
// is the seconds any request may wait.
QString cadenaParaElControlador(const QString& cadena, int espera);

// Makes a native window top-most or ordinary again through the window
// system's own call, where there is one (Windows); false where the toolkit
// must do it. `ventana` gives the native handle, asked for only when used.
bool ponerEncima(const std::function<quintptr()>& ventana, bool encima, int x, int y, int cx,
                 int cy, unsigned banderas);

}  // namespace plataforma::sistema
