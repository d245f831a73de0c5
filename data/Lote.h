#pragma once
// A T-SQL batch as it is written: its text with a "?" for each bound value,
// the values in order and the declared length of each text. The program
// builds one per user action and sends it as one request
// (Conexion::lote).

#include <QList>
#include <QString>
#include <QVariant>

#include "data/BaseDatos.h"

namespace plataforma {

class Lote {
public:
    // Appends text as it stands.
    Lote& operator<<(const QString& texto);
    // Appends a "?" bound to the value; a text is declared `tamano`
    // characters long (0: the default).
    Lote& valor(const QVariant& v, int tamano = 0);
    // Appends another batch's text and values.
    Lote& agregar(const Lote& otro);
    // Appends "EXEC nombre ?, ?…" with the parameters bound in order, and
    // ";\n". False, with the reason, when a value does not fit its parameter.
    bool llamada(const QString& nombre, const QList<Parametro>& parametros, QString* error);

    const QString& texto() const { return texto_; }
    const QVariantList& valores() const { return valores_; }
    const QList<int>& tamanos() const { return tamanos_; }

    // Sends it to SQL Server as one request (Conexion::lote).
    bool enviar(Conexion& bd, std::vector<std::unique_ptr<Resultado>>* resultados,
                QString* error) const {
        return bd.lote(texto_, valores_, tamanos_, resultados, error);
    }

private:
    QString texto_;
    QVariantList valores_;
    QList<int> tamanos_;
};

// The result among *resultados whose first column has the given name (the
// last one, if several), or null.
Resultado* resultadoLlamado(const std::vector<std::unique_ptr<Resultado>>& resultados,
                            const QString& columna);

}  // namespace plataforma
