#include "data/Cp1252.h"

namespace plataforma::Cp1252 {

namespace {
// Codes 0x80 to 0x9F; 0 where Windows-1252 leaves the code undefined (those
// bytes map to the C1 control of the same number, as Windows does).
constexpr char16_t kAlto[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};
}  // namespace

QString aTexto(const QByteArray& bytes) {
    QString t;
    t.reserve(bytes.size());
    for (const char b : bytes) {
        const auto u = static_cast<unsigned char>(b);
        if (u >= 0x80 && u <= 0x9F && kAlto[u - 0x80] != 0)
            t += QChar(kAlto[u - 0x80]);
        else
            t += QChar(u);
    }
    return t;
}

QByteArray aBytes(const QString& texto, bool* completo) {
    QByteArray b;
    b.reserve(texto.size());
    bool todo = true;
    for (const QChar c : texto) {
        const char16_t u = c.unicode();
        int codigo = -1;
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            codigo = u;
        } else if (u >= 0x80 && u <= 0x9F) {
            if (kAlto[u - 0x80] == 0) codigo = u;
        } else {
            for (int i = 0; i < 32; ++i)
                if (kAlto[i] == u) codigo = 0x80 + i;
        }
        if (codigo < 0) {
            todo = false;
            codigo = '?';
        }
        b += static_cast<char>(codigo);
    }
    if (completo) *completo = todo;
    return b;
}

QString sinCodigo(const QString& texto) {
    QString faltan;
    for (qsizetype i = 0; i < texto.size(); ++i) {
        const qsizetype largo = texto.at(i).isHighSurrogate() && i + 1 < texto.size() ? 2 : 1;
        const QString c = texto.mid(i, largo);
        bool completo = false;
        aBytes(c, &completo);
        if (!completo && !faltan.contains(c)) faltan += c;
        i += largo - 1;
    }
    return faltan;
}

}  // namespace plataforma::Cp1252
