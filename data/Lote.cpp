#include "data/Lote.h"

namespace plataforma {

Lote& Lote::operator<<(const QString& texto) {
    texto_ += texto;
    return *this;
}

Lote& Lote::valor(const QVariant& v, int tamano) {
    texto_ += QLatin1Char('?');
    valores_ << v;
    tamanos_ << tamano;
    return *this;
}

Lote& Lote::agregar(const Lote& otro) {
    texto_ += otro.texto_;
    valores_ += otro.valores_;
    tamanos_ += otro.tamanos_;
    return *this;
}

bool Lote::llamada(const QString& nombre, const QList<Parametro>& parametros, QString* error) {
    QVariantList v;
    if (!valoresDeParametros(parametros, false, &v, error)) return false;
    const QList<int> t = tamanosDe(parametros);
    texto_ += QStringLiteral("EXEC ") + nombre;
    for (qsizetype i = 0; i < v.size(); ++i) {
        texto_ += i == 0 ? QStringLiteral(" ") : QStringLiteral(", ");
        valor(v[i], t[i]);
    }
    texto_ += QStringLiteral(";\n");
    return true;
}

Resultado* resultadoLlamado(const std::vector<std::unique_ptr<Resultado>>& resultados,
                            const QString& columna) {
    for (auto it = resultados.rbegin(); it != resultados.rend(); ++it)
        if ((*it)->columnas() > 0 &&
            (*it)->nombreColumna(0).compare(columna, Qt::CaseInsensitive) == 0)
            return it->get();
    return nullptr;
}

}  // namespace plataforma
