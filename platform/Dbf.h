#pragma once
// Reader and writer for FoxPro free tables (DBF files): dBase III (0x03) and
// Visual FoxPro (0x30, 0x31, 0x32). Values come back as raw bytes with only the
// trailing blanks and NULs removed; the caller decodes and trims them.

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace plataforma {

struct CampoDbf {
    QString nombre;
    char tipo = 'C';
    int longitud = 0;
};

class TablaDbf {
public:
    // Reads the whole file; false with a plain description on any fault.
    bool leer(const QString& archivo, QString* error);

    const QList<CampoDbf>& campos() const { return campos_; }
    bool tieneCampo(const QString& nombre) const { return indice(nombre) >= 0; }
    // Number of records not marked deleted.
    int registros() const { return int(vivos_.size()); }
    // Value of a field of the n-th record not marked deleted; nullopt when the
    // field is NULL (Visual FoxPro null flags).
    std::optional<QByteArray> valor(int registro, const QString& campo) const;

    // Writes a Visual FoxPro table (0x30, code page 1252) of character fields
    // through a temporary file that replaces the target only when complete.
    static bool escribir(const QString& archivo, const QList<CampoDbf>& campos,
                         const QList<QList<QByteArray>>& filas, QString* error);

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
};

// Finds a file in a folder regardless of the letter case of its name.
QString buscarSinMayusculas(const QString& carpeta, const QString& nombre);

}  // namespace plataforma
