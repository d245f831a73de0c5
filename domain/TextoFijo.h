#pragma once
// A fixed-width text field of N characters: assigning left-aligns the value,
// fills with blanks on the right and drops what passes the N-th character;
// reading yields all N characters. Before the first assignment it holds N
// blanks: a code is never stored with NUL characters.

#include <QString>

template <int N>
class TextoFijo {
public:
    TextoFijo() : valor_(N, QLatin1Char(' ')) {}

    void asignar(const QString& v) { valor_ = v.left(N).leftJustified(N, QLatin1Char(' ')); }
    TextoFijo& operator=(const QString& v) {
        asignar(v);
        return *this;
    }
    const QString& valor() const { return valor_; }

private:
    QString valor_;
};

using Texto7 = TextoFijo<7>;
