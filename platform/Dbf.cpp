#include "Dbf.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace plataforma {

namespace {

constexpr int kCabecera = 32;
constexpr int kDescriptor = 32;
constexpr int kEnlaceVfp = 263;  // Visual FoxPro's backlink after the terminator

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

bool TablaDbf::leer(const QString& archivo, QString* error) {
    campos_.clear();
    internos_.clear();
    vivos_.clear();
    campoNulos_ = -1;

    QFile f(archivo);
    if (!f.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("no se puede abrir %1: %2")
                     .arg(QDir::toNativeSeparators(archivo), f.errorString());
        return false;
    }
    const QByteArray datos = f.readAll();
    if (datos.size() < kCabecera + 1) {
        *error = QStringLiteral("el archivo está truncado (%1 bytes)").arg(datos.size());
        return false;
    }
    const auto version = static_cast<unsigned char>(datos[0]);
    const bool vfp = version == 0x30 || version == 0x31 || version == 0x32;
    if (!vfp && version != 0x03 && version != 0x83 && version != 0xF5 && version != 0x8B) {
        *error = QStringLiteral("no es una tabla DBF (versión 0x%1)")
                     .arg(version, 2, 16, QLatin1Char('0'));
        return false;
    }
    const quint32 cuenta = le32(datos.constData() + 4);
    const int largoCabecera = le16(datos.constData() + 8);
    const int largoRegistro = le16(datos.constData() + 10);
    if (largoCabecera < kCabecera + 1 || largoCabecera > datos.size() || largoRegistro < 1) {
        *error = QStringLiteral("la cabecera está dañada");
        return false;
    }

    // Field descriptors up to the 0x0D terminator.
    int desplazamiento = 1;  // byte 0 of a record is the deletion flag
    int bitsNulos = 0;
    for (int p = kCabecera;; p += kDescriptor) {
        if (p >= largoCabecera) {
            *error = QStringLiteral("falta el fin de la lista de campos");
            return false;
        }
        if (datos[p] == '\x0D') break;
        if (p + kDescriptor > largoCabecera) {
            *error = QStringLiteral("la lista de campos está truncada");
            return false;
        }
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
    if (desplazamiento > largoRegistro) {
        *error = QStringLiteral("los campos no caben en el largo de registro");
        return false;
    }
    const qint64 necesario = qint64(largoCabecera) + qint64(cuenta) * largoRegistro;
    if (necesario > datos.size()) {
        *error = QStringLiteral("el archivo está truncado: anuncia %1 registros y no los contiene")
                     .arg(cuenta);
        return false;
    }
    for (quint32 r = 0; r < cuenta; ++r) {
        const QByteArray reg =
            datos.mid(largoCabecera + qsizetype(r) * largoRegistro, largoRegistro);
        if (reg.at(0) == '*') continue;
        vivos_.append(reg);
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
                        const QList<QList<QByteArray>>& filas, QString* error) {
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
    if (!f.open(QIODevice::WriteOnly) || f.write(salida) != salida.size() || !f.commit()) {
        *error = f.errorString();
        return false;
    }
    return true;
}

QString buscarSinMayusculas(const QString& carpeta, const QString& nombre) {
    const QDir dir(carpeta);
    const QString exacto = dir.filePath(nombre);
    if (QFile::exists(exacto)) return exacto;
    const QStringList entradas = dir.entryList(QDir::Files | QDir::Hidden);
    for (const QString& e : entradas)
        if (e.compare(nombre, Qt::CaseInsensitive) == 0) return dir.filePath(e);
    return {};
}

}  // namespace plataforma
