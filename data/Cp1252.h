#pragma once
// Windows-1252, the single-byte code page of the start-up table and of the
// settings cipher. Qt only converts it when built with ICU, so the table is here.

#include <QByteArray>
#include <QString>

namespace plataforma::Cp1252 {

QString aTexto(const QByteArray& bytes);
// Characters without a code in Windows-1252 become '?'; *completo, when given,
// tells whether every character had one.
QByteArray aBytes(const QString& texto, bool* completo = nullptr);
// The characters of a text that have no code in Windows-1252, each once, in
// order of appearance.
QString sinCodigo(const QString& texto);

}  // namespace plataforma::Cp1252
