#pragma once
// The settings cipher: a keyed character cipher on single-byte (Windows-1252)
// codes, 17 passes, wrapping by 255. The start-up table keeps the database
// password and the branch code scrambled with it.

#include <QByteArray>
#include <QString>

// cifrar true scrambles (adds the key), false unscrambles (subtracts it). The
// result has as many characters as the input; an empty text gives an empty text.
QByteArray CifrarBytes(const QByteArray& texto, bool cifrar);
QString CifrarTexto(const QString& texto, bool cifrar);
