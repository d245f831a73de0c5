#include "domain/Cifrado.h"

#include "data/Cp1252.h"

namespace {
constexpr char kClave[] = "Q7mW2bR9vB4nT8wJ3pL6jH1cF5gD0sYa";
constexpr int kLargoClave = 32;
static_assert(sizeof(kClave) - 1 == kLargoClave, "the key has 32 characters");
constexpr int kPasadas = 17;
// No key character is a multiple of 15: 17 passes of such a character add a
// multiple of 255 and would leave the text unscrambled.
}  // namespace

QByteArray CifrarBytes(const QByteArray& texto, bool cifrar) {
    QByteArray salida(texto.size(), '\0');
    for (qsizetype i = 0; i < texto.size(); ++i) {
        // Position i (from 0) pairs with key character i mod 32, so positions 1
        // and 33 of the text share a key character.
        const qint16 k = static_cast<unsigned char>(kClave[i % kLargoClave]);
        qint16 c = static_cast<unsigned char>(texto[i]);
        for (int p = 0; p < kPasadas; ++p) {
            if (cifrar) {
                c = qint16(c + k);
                if (c > 255) c = qint16(c - 255);
            } else {
                c = qint16(c - k);
                if (c < 0) c = qint16(c + 255);
            }
        }
        salida[i] = static_cast<char>(c);
    }
    return salida;
}

QString CifrarTexto(const QString& texto, bool cifrar) {
    return plataforma::Cp1252::aTexto(CifrarBytes(plataforma::Cp1252::aBytes(texto), cifrar));
}
