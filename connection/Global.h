#pragma once
// Program-wide state shared by both windows, and the opening and closing of
// the one database connection. Nothing here shows anything: failures come back
// as Spanish texts for the window to show.

#include <QString>

#include "BaseDatos.h"
#include "TextoFijo.h"

namespace Global {

inline plataforma::Conexion Conexion;
inline QString CadenaConexion;
inline QString SqlActual;
inline Texto7 UsuarioActual;
inline Texto7 SucursalActual;
inline double ClienteActual = 0;
inline qint16 EstadoSucursal = 0;

// Folder of the start-up table: $NAX_DIR when set, else the fixed folder.
QString CarpetaArranque();
// Connection string of the start-up table.
QString CadenaArranque(const QString& carpeta);
// Connection string of the database.
QString CadenaBaseDatos(const QString& servidor, const QString& usuario, const QString& clave);
// Whether a server, login or password can travel in the connection string
// exactly as it is.
bool ValorDeConexionAdmitido(const QString& valor);

// Reads ARRANQUE: fills CadenaConexion and SucursalActual.
bool LeerArranque(QString* error);
// LeerArranque, then opens Conexion and sets EstadoSucursal from the branch's
// distribution centre.
bool AbrirConexion(QString* error);
void CerrarConexion();

// A number as SQL text in its shortest plain form: 1234, never 1234.0 or 1.234e3.
QString NumeroPlano(double n);

// Back to the start values (tests).
void Reiniciar();

}  // namespace Global
