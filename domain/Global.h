#pragma once
// A desk's session (the connection, and whom and where it works for), read
// from the start-up table and opened here, and the start-up table's own
// reading. Nothing here shows anything: failures come back as Spanish texts
// for the window to show.

#include <QString>

#include "data/BaseDatos.h"
#include "data/Dbf.h"
#include "domain/TextoFijo.h"

namespace Global {

// One desk's session, handed to everything that reads or writes for it.
struct Sesion {
    plataforma::Conexion conexion;
    double cliente = 0;     // the client whose card is open
    Texto7 usuario;         // the desk's user, right-aligned as the database keeps it
    Texto7 sucursal;        // the branch, from the start-up table
    qint16 estado = 0;      // the branch's state, whose cities are listed; 0: none
    QString lineaComandos;  // as the calling application gave it, for messages
};

// Folder of the start-up table: $NAX_DIR when set, else the fixed folder.
QString CarpetaArranque();
// Connection string of the start-up table.
QString CadenaArranque(const QString& carpeta);
// Connection string of the database.
QString CadenaBaseDatos(const QString& servidor, const QString& usuario, const QString& clave);
// How the desk's connection to SQL Server is protected, from the file
// kArchivoProteccion beside the start-up table (whose format other programs
// read, and stays as it is). Without that file: the whole session encrypted
// and the server's certificate checked against the system's store.
struct Proteccion {
    bool cifrar = true;  // false: the administrator declared the server without TLS
    // The authorities the server's certificate is checked against: "system"
    // (the system's store) or a CA file; empty: encrypted, not checked.
    QString autoridades = QStringLiteral("system");
    QString archivo;  // the settings file read; empty when there is none
};
inline constexpr char kArchivoProteccion[] = "tarjeta-tls.conf";
// Reads the settings file in `carpeta` for the table's `servidor`: lines
// "certificate = system", "certificate = /path/ca.pem" (absolute, readable),
// "certificate = unchecked", "unencrypted server = NAME" (as many as needed;
// only one naming `servidor` counts), "#" comments and blank lines. False
// when it cannot be used: *linea is the number of the line at fault (0: the
// file as a whole) and *detalle that line, or the system's words.
bool LeerProteccion(const QString& carpeta, const QString& servidor, Proteccion* proteccion,
                    int* linea, QString* detalle);
// Why the settings file cannot be used, and what to do, in Spanish.
QString MensajeProteccion(const QString& archivo, int linea, const QString& detalle);
// The connection string with the protection in it ("Encrypt", "CAFile"),
// for the data layer to word as its driver takes it.
QString ConProteccion(const QString& cadena, const Proteccion& proteccion);
// A message for the user: what happened and what to do, in Spanish; then, on
// a line of its own, the database's or driver's own words, kept for support.
QString ConDetalle(const QString& mensaje, const QString& detalle);
// A failed save or read told to the user: what happened (`hecho`, one
// sentence without its full stop), then what to do. A file of the embedded
// databases that is gone or that this user cannot write will not mend
// itself: the message names it and says what the administrator must do.
// Anything else: try again in a moment, then call support, with `detalle`.
QString TrasUnFallo(const Sesion& sesion, const QString& hecho, const QString& detalle);
// What to do when the program cannot start: try again, then call support.
inline constexpr char16_t kVuelvaAAbrir[] =
    u"Vuelva a abrir la tarjeta en un momento; si el problema sigue, avise a sistemas.";

// Whether a server, login or password can travel in the connection string
// exactly as it is.
bool ValorDeConexionAdmitido(const QString& valor);

// Why the start-up table could not be used. The program words it in Spanish
// (MensajeArranque), the admin tool in English.
struct FalloArranque {
    enum class Tipo {
        Ninguno,
        Carpeta,          // the folder cannot be looked into; `lectura` says why
        NoEncontrada,     // no table in the folder
        Varias,           // several tables whose names differ only in letter case
        Tabla,            // the table cannot be read; `lectura` says why
        FaltaColumna,     // `dato` is the column
        SinRegistros,     // not one live record
        ValorNoAdmitido,  // `dato` is "servidor", "usuario" or "clave"
    };
    Tipo tipo = Tipo::Ninguno;
    plataforma::Fallo lectura = plataforma::Fallo::Ninguno;
    QString ruta;        // the folder (Carpeta, NoEncontrada, Varias) or the table
    QStringList tablas;  // Varias: every one found
    QString dato;
    QString detalle;  // the system's or the table reader's words
};

// What the start-up table holds, unscrambled.
struct Ajustes {
    QString servidor, usuario, clave, sucursal;
};

// Reads the start-up table in a folder (only its first record counts).
bool LeerTabla(const QString& carpeta, Ajustes* ajustes, FalloArranque* fallo);

// Reads the table in CarpetaArranque().
bool LeerArranque(Ajustes* ajustes, FalloArranque* fallo);
// The same, with the fault worded by MensajeArranque.
bool LeerArranque(Ajustes* ajustes, QString* error);
// What is wrong and what to do, in its first sentence; the lower-level detail,
// where it helps, on a line of its own starting "Detalle:".
QString MensajeArranque(const FalloArranque& fallo);
// LeerArranque, then opens the session's connection and takes its branch.
bool AbrirSesion(Sesion* sesion, QString* error);
// Sets the session's state from its branch's distribution centre (0 for a
// branch not on file). The error is the database's own words.
bool LeerEstado(Sesion& sesion, QString* error);

// A number as SQL text in its shortest plain form: 1234, never 1234.0 or 1.234e3.
QString NumeroPlano(double n);

}  // namespace Global
