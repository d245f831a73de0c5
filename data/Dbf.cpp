#include "data/Dbf.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace plataforma {

namespace {

constexpr int kCabecera = 32;
constexpr int kDescriptor = 32;
constexpr int kEnlaceVfp = 263;  // Visual FoxPro's backlink after the terminator

// Bounds for a table of settings, so that a huge, endless or damaged file is
// refused after a few small reads instead of being read into memory.
// A FoxPro table has at most 255 fields: 32 + 255 * 32 + 1 + 263 = 8456 bytes
// of header; 16 KB leaves room for writers that pad it.
constexpr int kMaxCabecera = 16 * 1024;
// The start-up table tarjeta-admin writes takes 211 bytes a record; 4 KB holds
// one with many more columns (FoxPro itself allows 65500).
constexpr int kMaxRegistro = 4 * 1024;
// The largest header and a couple of hundred of the largest records. A
// start-up table holds one record; a file past this is no such table.
constexpr qint64 kMaxArchivo = 1024 * 1024;
// Bytes of records read at a time.
constexpr qint64 kBloque = 64 * 1024;

// Closes a descriptor when it goes out of scope.
struct Descriptor {
    int fd;
    ~Descriptor() { ::close(fd); }
};

QString textoDeSistema(int e) {
    return QString::fromLocal8Bit(std::strerror(e));
}

Fallo falloDeTipo(mode_t modo) {
    if (S_ISREG(modo)) return Fallo::Ninguno;
    if (S_ISDIR(modo)) return Fallo::EsCarpeta;
    if (S_ISFIFO(modo)) return Fallo::EsTuberia;
    if (S_ISCHR(modo) || S_ISBLK(modo)) return Fallo::EsDispositivo;
    if (S_ISSOCK(modo)) return Fallo::EsSocket;
    return Fallo::Otro;
}

// The fault a system call on a path failed with; a missing target behind a
// symbolic link is a broken link.
Fallo falloDeRuta(const QByteArray& ruta, int e) {
    switch (e) {
        case ENOENT: {
            struct stat st {};
            return ::lstat(ruta.constData(), &st) == 0 && S_ISLNK(st.st_mode) ? Fallo::EnlaceRoto
                                                                              : Fallo::NoExiste;
        }
        case EACCES:
        case EPERM:
            return Fallo::SinPermiso;
        case ENOTDIR:
            return Fallo::NoEsCarpeta;
        case EISDIR:
            return Fallo::EsCarpeta;
        default:
            return Fallo::Otro;
    }
}

// Reads n bytes from an offset; fewer only where the file ends.
bool leerEn(int fd, qint64 desde, qint64 n, QByteArray* salida, int* error) {
    salida->resize(n);
    qint64 hecho = 0;
    while (hecho < n) {
        const ssize_t r =
            ::pread(fd, salida->data() + hecho, size_t(n - hecho), off_t(desde + hecho));
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) {
            *error = errno;
            return false;
        }
        if (r == 0) break;
        hecho += r;
    }
    salida->truncate(hecho);
    return true;
}

quint32 le32(const char* p) {
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return quint32(u[0]) | quint32(u[1]) << 8 | quint32(u[2]) << 16 | quint32(u[3]) << 24;
}
quint16 le16(const char* p) {
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return quint16(u[0] | u[1] << 8);
}
void ponerLe32(char* p, quint32 v) {
    for (int i = 0; i < 4; ++i) p[i] = char((v >> (8 * i)) & 0xFF);
}
void ponerLe16(char* p, quint16 v) {
    p[0] = char(v & 0xFF);
    p[1] = char(v >> 8);
}

}  // namespace

int TablaDbf::indice(const QString& nombre) const {
    for (int i = 0; i < internos_.size(); ++i)
        if (i != campoNulos_ &&
            internos_[i].definicion.nombre.compare(nombre, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

bool TablaDbf::leer(const QString& archivo, QString* error, int vivos) {
    campos_.clear();
    internos_.clear();
    vivos_.clear();
    campoNulos_ = -1;
    fallo_ = Fallo::Ninguno;
    auto falla = [&](Fallo f, const QString& texto) {
        fallo_ = f;
        *error = texto;
        return false;
    };

    // Opened without blocking (a FIFO with no writer would wait forever) and
    // checked through the descriptor, so the file read is the file checked.
    const QByteArray ruta = QFile::encodeName(archivo);
    const int fd = ::open(ruta.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int e = errno;
        return falla(falloDeRuta(ruta, e),
                     QStringLiteral("no se puede abrir %1: %2")
                         .arg(QDir::toNativeSeparators(archivo), textoDeSistema(e)));
    }
    const Descriptor cerrar{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return falla(Fallo::Otro, QStringLiteral("fstat: %1").arg(textoDeSistema(errno)));
    if (const Fallo tipo = falloDeTipo(st.st_mode); tipo != Fallo::Ninguno)
        return falla(
            tipo,
            QStringLiteral("%1 no es un archivo regular").arg(QDir::toNativeSeparators(archivo)));
    const qint64 largo = st.st_size;
    if (largo > kMaxArchivo)
        return falla(Fallo::DemasiadoGrande,
                     QStringLiteral("el archivo ocupa %1 bytes, más de los %2 que se admiten")
                         .arg(largo)
                         .arg(kMaxArchivo));
    if (largo < kCabecera + 1)
        return falla(Fallo::Danada,
                     QStringLiteral("el archivo está truncado (%1 bytes)").arg(largo));

    QByteArray datos;
    int e = 0;
    if (!leerEn(fd, 0, kCabecera, &datos, &e))
        return falla(Fallo::Otro, QStringLiteral("read: %1").arg(textoDeSistema(e)));
    const auto version = static_cast<unsigned char>(datos[0]);
    const bool vfp = version == 0x30 || version == 0x31 || version == 0x32;
    if (!vfp && version != 0x03 && version != 0x83 && version != 0xF5 && version != 0x8B)
        return falla(Fallo::Danada, QStringLiteral("no es una tabla DBF (versión 0x%1)")
                                        .arg(version, 2, 16, QLatin1Char('0')));
    const quint32 cuenta = le32(datos.constData() + 4);
    const int largoCabecera = le16(datos.constData() + 8);
    const int largoRegistro = le16(datos.constData() + 10);
    if (largoCabecera < kCabecera + 1 || largoCabecera > largo || largoRegistro < 1)
        return falla(Fallo::Danada, QStringLiteral("la cabecera está dañada"));
    if (largoCabecera > kMaxCabecera)
        return falla(Fallo::DemasiadoGrande,
                     QStringLiteral("la cabecera anuncia %1 bytes, más de los %2 que se admiten")
                         .arg(largoCabecera)
                         .arg(kMaxCabecera));
    if (largoRegistro > kMaxRegistro)
        return falla(Fallo::DemasiadoGrande,
                     QStringLiteral("cada registro anuncia %1 bytes, más de los %2 que se admiten")
                         .arg(largoRegistro)
                         .arg(kMaxRegistro));
    if (!leerEn(fd, 0, largoCabecera, &datos, &e))
        return falla(Fallo::Otro, QStringLiteral("read: %1").arg(textoDeSistema(e)));

    // Field descriptors up to the 0x0D terminator.
    int desplazamiento = 1;  // byte 0 of a record is the deletion flag
    int bitsNulos = 0;
    for (int p = kCabecera;; p += kDescriptor) {
        if (p >= largoCabecera)
            return falla(Fallo::Danada, QStringLiteral("falta el fin de la lista de campos"));
        if (datos[p] == '\x0D') break;
        if (p + kDescriptor > largoCabecera)
            return falla(Fallo::Danada, QStringLiteral("la lista de campos está truncada"));
        const char* d = datos.constData() + p;
        QByteArray nombre(d, 11);
        nombre.truncate(qstrnlen(nombre.constData(), 11));
        Campo c;
        c.definicion.nombre = QString::fromLatin1(nombre).trimmed();
        c.definicion.tipo = d[11];
        c.definicion.longitud = static_cast<unsigned char>(d[16]);
        if (c.definicion.tipo == 'C' && !vfp)
            c.definicion.longitud += static_cast<unsigned char>(d[17]) << 8;
        c.desplazamiento = desplazamiento;
        desplazamiento += c.definicion.longitud;
        const auto banderas = static_cast<unsigned char>(d[18]);
        const bool sistema = vfp && (banderas & 0x01);
        if (vfp && !sistema) {
            // Variable-length fields take a bit of their own before the null bit.
            if (c.definicion.tipo == 'V' || c.definicion.tipo == 'Q') ++bitsNulos;
            if (banderas & 0x02) c.bitNulo = bitsNulos++;
        }
        if (sistema &&
            c.definicion.nombre.compare(QLatin1String("_NullFlags"), Qt::CaseInsensitive) == 0)
            campoNulos_ = int(internos_.size());
        internos_.append(c);
        if (!sistema) campos_.append(c.definicion);
    }
    if (desplazamiento > largoRegistro)
        return falla(Fallo::Danada, QStringLiteral("los campos no caben en el largo de registro"));
    const qint64 necesario = qint64(largoCabecera) + qint64(cuenta) * largoRegistro;
    if (necesario > largo)
        return falla(Fallo::Danada, QStringLiteral("el archivo está truncado: anuncia %1 "
                                                   "registros y no los contiene")
                                        .arg(cuenta));

    // The records, a block at a time, up to the last one wanted. The size
    // bound above keeps this to a few reads.
    const qint64 porBloque = qMax<qint64>(1, kBloque / largoRegistro);
    for (qint64 r = 0; r < cuenta && (vivos < 0 || vivos_.size() < vivos); r += porBloque) {
        const qint64 n = qMin<qint64>(porBloque, qint64(cuenta) - r);
        QByteArray bloque;
        if (!leerEn(fd, largoCabecera + r * largoRegistro, n * largoRegistro, &bloque, &e))
            return falla(Fallo::Otro, QStringLiteral("read: %1").arg(textoDeSistema(e)));
        if (bloque.size() < n * largoRegistro)
            return falla(Fallo::Danada, QStringLiteral("el archivo se acortó mientras se leía"));
        for (qint64 i = 0; i < n && (vivos < 0 || vivos_.size() < vivos); ++i) {
            const QByteArray reg = bloque.mid(i * largoRegistro, largoRegistro);
            if (reg.at(0) == '*') continue;
            vivos_.append(reg);
        }
    }
    return true;
}

std::optional<QByteArray> TablaDbf::valor(int registro, const QString& campo) const {
    const int i = indice(campo);
    if (i < 0 || registro < 0 || registro >= vivos_.size()) return QByteArray();
    const QByteArray& reg = vivos_[registro];
    const Campo& c = internos_[i];
    if (c.bitNulo >= 0 && campoNulos_ >= 0) {
        const Campo& n = internos_[campoNulos_];
        const int byte = n.desplazamiento + c.bitNulo / 8;
        if (byte < reg.size() && (static_cast<unsigned char>(reg[byte]) >> (c.bitNulo % 8)) & 1)
            return std::nullopt;
    }
    QByteArray v = reg.mid(c.desplazamiento, c.definicion.longitud);
    qsizetype fin = v.size();
    while (fin > 0 && (v[fin - 1] == ' ' || v[fin - 1] == '\0')) --fin;
    v.truncate(fin);
    return v;
}

bool TablaDbf::escribir(const QString& archivo, const QList<CampoDbf>& campos,
                        const QList<QList<QByteArray>>& filas, QString* error,
                        QFileDevice::Permissions permisos) {
    int largoRegistro = 1;
    for (const CampoDbf& c : campos) {
        if (c.nombre.isEmpty() || c.nombre.size() > 10 || c.longitud < 1 || c.longitud > 254) {
            *error = QStringLiteral("invalid field %1").arg(c.nombre);
            return false;
        }
        largoRegistro += c.longitud;
    }
    const int largoCabecera = kCabecera + kDescriptor * int(campos.size()) + 1 + kEnlaceVfp;
    QByteArray salida(largoCabecera, '\0');
    char* h = salida.data();
    h[0] = 0x30;
    const QDate hoy = QDate::currentDate();
    h[1] = char(hoy.year() % 100);
    h[2] = char(hoy.month());
    h[3] = char(hoy.day());
    ponerLe32(h + 4, quint32(filas.size()));
    ponerLe16(h + 8, quint16(largoCabecera));
    ponerLe16(h + 10, quint16(largoRegistro));
    h[29] = 0x03;  // code page 1252
    int desplazamiento = 1;
    for (int i = 0; i < campos.size(); ++i) {
        char* d = h + kCabecera + kDescriptor * i;
        const QByteArray nombre = campos[i].nombre.toUpper().toLatin1();
        memcpy(d, nombre.constData(), size_t(nombre.size()));
        d[11] = 'C';
        ponerLe32(d + 12, quint32(desplazamiento));
        d[16] = char(campos[i].longitud);
        desplazamiento += campos[i].longitud;
    }
    h[kCabecera + kDescriptor * campos.size()] = 0x0D;
    for (const auto& fila : filas) {
        QByteArray reg(largoRegistro, ' ');
        for (int i = 0; i < campos.size(); ++i) {
            const QByteArray v = i < fila.size() ? fila[i] : QByteArray();
            if (v.size() > campos[i].longitud) {
                *error = QStringLiteral("value too long for field %1 (%2 > %3 bytes)")
                             .arg(campos[i].nombre)
                             .arg(v.size())
                             .arg(campos[i].longitud);
                return false;
            }
            int off = 1;
            for (int k = 0; k < i; ++k) off += campos[k].longitud;
            memcpy(reg.data() + off, v.constData(), size_t(v.size()));
        }
        salida += reg;
    }
    salida += '\x1A';

    QSaveFile f(archivo);
    if (!f.open(QIODevice::WriteOnly) || (permisos && !f.setPermissions(permisos)) ||
        f.write(salida) != salida.size() || !f.commit()) {
        *error = f.errorString();
        return false;
    }
    return true;
}

QStringList buscarTodosSinMayusculas(const QString& carpeta, const QString& nombre, Fallo* fallo,
                                     QString* error) {
    *fallo = Fallo::Ninguno;
    error->clear();
    const QDir dir(carpeta);
    const QByteArray ruta = QFile::encodeName(carpeta);
    struct stat st {};
    if (::stat(ruta.constData(), &st) != 0) {
        const int e = errno;
        *fallo = falloDeRuta(ruta, e);
        *error = QStringLiteral("stat: %1").arg(textoDeSistema(e));
        return {};
    }
    if (!S_ISDIR(st.st_mode)) {
        *fallo = Fallo::NoEsCarpeta;
        return {};
    }
    // Without search permission no entry of the folder can be opened, even
    // when its names can be listed.
    if (::faccessat(AT_FDCWD, ruta.constData(), X_OK, AT_EACCESS) != 0) {
        const int e = errno;
        *fallo = falloDeRuta(ruta, e);
        *error = QStringLiteral("no search (x) permission: %1").arg(textoDeSistema(e));
        return {};
    }
    DIR* d = ::opendir(ruta.constData());
    if (!d) {
        const int e = errno;
        // A folder that may be searched but not listed still opens the name
        // as given.
        const QString exacto = dir.filePath(nombre);
        if (e == EACCES && ::lstat(QFile::encodeName(exacto).constData(), &st) == 0)
            return {exacto};
        *fallo = falloDeRuta(ruta, e);
        *error = QStringLiteral("opendir: %1").arg(textoDeSistema(e));
        return {};
    }
    QStringList encontrados;
    while (const dirent* entrada = ::readdir(d)) {
        const QString n = QFile::decodeName(entrada->d_name);
        if (n.compare(nombre, Qt::CaseInsensitive) == 0) encontrados.append(dir.filePath(n));
    }
    ::closedir(d);
    encontrados.sort();
    return encontrados;
}

QString buscarSinMayusculas(const QString& carpeta, const QString& nombre) {
    Fallo fallo;
    QString error;
    const QStringList encontrados = buscarTodosSinMayusculas(carpeta, nombre, &fallo, &error);
    const QString exacto = QDir(carpeta).filePath(nombre);
    if (encontrados.contains(exacto)) return exacto;
    return encontrados.value(0);
}

Fallo tipoDeArchivo(const QString& ruta, QString* error) {
    error->clear();
    const QByteArray r = QFile::encodeName(ruta);
    struct stat st {};
    if (::stat(r.constData(), &st) != 0) {
        const int e = errno;
        *error = QStringLiteral("stat: %1").arg(textoDeSistema(e));
        return falloDeRuta(r, e);
    }
    return falloDeTipo(st.st_mode);
}

}  // namespace plataforma
