#include "ServidorTds.h"

#include <QDebug>
#include <QFile>
#include <QJsonDocument>
#include <QTcpSocket>

namespace apoyo {

ServidorTds::ServidorTds() : ServidorTds(qEnvironmentVariable("TDS_PRUEBA")) {}

ServidorTds::ServidorTds(const QString& ruta) {
    QFile archivo(ruta);
    if (!archivo.open(QIODevice::ReadOnly)) {
        qWarning("the TDS test server is not running (TDS_PRUEBA='%s'); CTest starts it",
                 qPrintable(archivo.fileName()));
        return;
    }
    const QJsonObject o = QJsonDocument::fromJson(archivo.readAll()).object();
    tds_ = quint16(o.value(QStringLiteral("tds")).toInt());
    control_ = quint16(o.value(QStringLiteral("control")).toInt());
}

QString ServidorTds::direccion() const {
    return QStringLiteral("127.0.0.1,%1").arg(tds_);
}

QJsonObject ServidorTds::orden(const QJsonObject& orden) {
    QTcpSocket s;
    s.connectToHost(QStringLiteral("127.0.0.1"), control_);
    if (!s.waitForConnected(3000)) {
        qWarning("no control connection to the TDS test server");
        return {};
    }
    s.write(QJsonDocument(orden).toJson(QJsonDocument::Compact) + '\n');
    QByteArray respuesta;
    while (!respuesta.endsWith('\n') && s.waitForReadyRead(5000)) respuesta += s.readAll();
    const QJsonObject r = QJsonDocument::fromJson(respuesta).object();
    if (!r.value(QStringLiteral("ok")).toBool())
        qWarning("the TDS test server refused an order: %s", respuesta.constData());
    return r;
}

void ServidorTds::preparar(const QJsonObject& pistas) {
    QJsonObject o = pistas;
    o.insert(QStringLiteral("orden"), QStringLiteral("preparar"));
    orden(o);
}

void ServidorTds::ajustar(const QJsonObject& pistas) {
    QJsonObject o = pistas;
    o.insert(QStringLiteral("orden"), QStringLiteral("ajustar"));
    orden(o);
}

QJsonArray ServidorTds::registro() {
    return orden({{QStringLiteral("orden"), QStringLiteral("registro")}})
        .value(QStringLiteral("registro"))
        .toArray();
}

QJsonArray ServidorTds::peticiones(qsizetype desde) {
    const QJsonArray todo = registro();
    QJsonArray salida;
    for (qsizetype i = desde; i < todo.size(); ++i) {
        const QString tipo = todo[i].toObject().value(QStringLiteral("tipo")).toString();
        if (tipo == QLatin1String("batch") || tipo == QLatin1String("rpc") ||
            tipo == QLatin1String("tm") || tipo == QLatin1String("malformado"))
            salida.append(todo[i]);
    }
    return salida;
}

QStringList ServidorTds::resumen(const QJsonArray& peticiones) {
    QStringList r;
    for (const QJsonValue& v : peticiones) {
        const QJsonObject p = v.toObject();
        const QString tipo = p.value(QStringLiteral("tipo")).toString();
        if (tipo == QLatin1String("tm"))
            r << QStringLiteral("tm ") +
                     p.value(QStringLiteral("operacion")).toVariant().toString();
        else if (tipo == QLatin1String("rpc"))
            r << (QStringLiteral("rpc ") + p.value(QStringLiteral("proc")).toString() +
                  QLatin1Char(' ') + p.value(QStringLiteral("texto")).toString())
                     .trimmed();
        else
            r << tipo + QLatin1Char(' ') + p.value(QStringLiteral("texto")).toString();
    }
    return r;
}

}  // namespace apoyo
