#pragma once
// The TDS test server that CTest starts for the SQL Server tests: its address,
// its cues, and the requests it received, decoded.

#include <QJsonArray>
#include <QJsonObject>
#include <QStringList>

namespace apoyo {

class ServidorTds {
public:
    // Reads the ports the server wrote ($TDS_PRUEBA names the file).
    ServidorTds();
    // From a file other than $TDS_PRUEBA.
    explicit ServidorTds(const QString& archivo);
    bool listo() const { return tds_ != 0; }
    // The server name for the start-up table: "127.0.0.1,PORT".
    QString direccion() const;

    // Clears the log and sets the cues (see tests/servidor_tds.py).
    void preparar(const QJsonObject& pistas = {});
    void ajustar(const QJsonObject& pistas);
    QJsonArray registro();
    // The requests after the first `desde` log entries: batches, RPCs,
    // transaction requests and any that could not be decoded ("malformado"),
    // with login and attention left out.
    QJsonArray peticiones(qsizetype desde = 0);
    // One line per request: "batch TEXT", "rpc NAME[ TEXT]", "tm OPERATION".
    static QStringList resumen(const QJsonArray& peticiones);

private:
    QJsonObject orden(const QJsonObject& orden);
    quint16 tds_ = 0;
    quint16 control_ = 0;
};

}  // namespace apoyo
