#pragma once
// Reader and writer for FoxPro free tables (DBF files): dBase III (0x03) and
// Visual FoxPro (0x30, 0x31, 0x32). Values come back as raw bytes with only the
// trailing blanks and NULs removed; the caller decodes and trims them.
//
// The reader is meant for small tables of settings: it reads a regular file
// only, never more than a small bound of bytes, and says what stands at the
// path when that is not a table it can read.

#include <QByteArray>
#include <QFileDevice>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace plataforma {

// Why a file or a folder could not be read.
enum class Fallo {
    Ninguno,
    NoExiste,         // nothing at the path
    EnlaceRoto,       // a symbolic link to nothing
    SinPermiso,       // the file, or a folder on the way to it, denies access
    EsCarpeta,        // a folder where a file was wanted
    NoEsCarpeta,      // something else where a folder was wanted
    EsTuberia,        // a FIFO
    EsDispositivo,    // a character or block device
    EsSocket,         // a local socket
    DemasiadoGrande,  // larger than a table of settings can be
    Danada,           // not a DBF table, or a damaged one
    Otro,             // any other system error
    SinEscritura,     // an embedded database, or its folder, this user cannot write
};

struct CampoDbf {
    QString nombre;
    char tipo = 'C';
    int longitud = 0;
};

class TablaDbf {
public:
    // Reads the header and the records, stopping after the first `vivos` records
    // not marked deleted when `vivos` is not negative. False with a plain
    // description on any fault; fallo() then says what kind of fault it was.
    // Never blocks: a FIFO, a device or a socket is refused before reading.
    bool leer(const QString& archivo, QString* error, int vivos = -1);
    Fallo fallo() const { return fallo_; }

    const QList<CampoDbf>& campos() const { return campos_; }
    bool tieneCampo(const QString& nombre) const { return indice(nombre) >= 0; }
    // Number of records not marked deleted.
    int registros() const { return int(vivos_.size()); }
    // Value of a field of the n-th record not marked deleted; nullopt when the
    // field is NULL (Visual FoxPro null flags).
    std::optional<QByteArray> valor(int registro, const QString& campo) const;

    // Writes a Visual FoxPro table (0x30, code page 1252) of character fields
    // through a temporary file that replaces the target only when complete.
    // With `permisos`, the table has those from the moment it appears (never
    // for a moment the ones the process's defaults would give it).
    static bool escribir(const QString& archivo, const QList<CampoDbf>& campos,
                         const QList<QList<QByteArray>>& filas, QString* error,
                         QFileDevice::Permissions permisos = {});

private:
    struct Campo {
        CampoDbf definicion;
        int desplazamiento = 0;
        int bitNulo = -1;
    };
    int indice(const QString& nombre) const;

    QList<CampoDbf> campos_;
    QList<Campo> internos_;
    QList<QByteArray> vivos_;  // raw records, deletion flag included
    int campoNulos_ = -1;      // index in internos_ of _NullFlags
    Fallo fallo_ = Fallo::Ninguno;
};

// Every entry of a folder named `nombre` in any letter case, whatever it is
// (file, folder, link, broken link), sorted by name. When the folder
// cannot be looked into, returns nothing with *fallo and *error saying why;
// *fallo is Ninguno otherwise.
QStringList buscarTodosSinMayusculas(const QString& carpeta, const QString& nombre, Fallo* fallo,
                                     QString* error);
// Finds a file in a folder regardless of the letter case of its name: the
// first entry buscarTodosSinMayusculas gives, or an empty text.
QString buscarSinMayusculas(const QString& carpeta, const QString& nombre);
// What stands at a path, following symbolic links: Ninguno for a regular
// file, the kind of thing or of fault otherwise (with the system's words in
// *error for a fault).
Fallo tipoDeArchivo(const QString& ruta, QString* error);

}  // namespace plataforma
