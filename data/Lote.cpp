#include "data/Lote.h"

#include <QDateTime>

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

namespace {

// The type a bound value travels as (see the binding in Odbc.cpp).
QString tipoDe(const QVariant& v, int tamano) {
    switch (v.typeId()) {
        case QMetaType::Bool:
            return QStringLiteral("bit");
        case QMetaType::Int:
        case QMetaType::UInt:
            return QStringLiteral("int");
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
            return QStringLiteral("bigint");
        case QMetaType::Double:
            return QStringLiteral("float");
        case QMetaType::QDateTime:
            return QStringLiteral("datetime2(3)");
        default: {
            const qsizetype largo = v.toString().size();
            if (tamano == 0 && largo > 4000) return QStringLiteral("nvarchar(max)");
            return QStringLiteral("nvarchar(%1)")
                .arg(tamano > 0 ? qMax<qsizetype>(tamano, largo) : 4000);
        }
    }
}

}  // namespace

QString Lote::conDeclaraciones() const {
    QString declaraciones, texto;
    int n = 0;
    bool enCadena = false;
    for (const QChar c : texto_) {
        if (c == u'\'') enCadena = !enCadena;
        if (c != u'?' || enCadena) {
            texto += c;
            continue;
        }
        ++n;
        texto += QStringLiteral("@P%1").arg(n);
        declaraciones += QStringLiteral("DECLARE @P%1 %2;\n")
                             .arg(n)
                             .arg(tipoDe(valores_.value(n - 1), tamanos_.value(n - 1)));
    }
    return declaraciones + texto;
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
