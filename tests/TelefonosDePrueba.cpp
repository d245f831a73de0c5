#include "TelefonosDePrueba.h"

#include <QJsonArray>
#include <QRegularExpression>

#include "tools/TelefonosCompartidos.h"

namespace apoyo::telefonos {

namespace {

struct Tarjeta {
    int cliente;
    QList<std::pair<QString, QString>> columnas;
};
struct Contacto {
    int cliente;
    QString nombre, telefono;
};

// 6141234567: three clients (formatted, and as an extra contact); 6149876543
// and 6145550002: two each, behind the 044, 521 and 045 prefixes; 6145550001
// twice for one client only; filler, a value without digits and one too long.
const QList<Tarjeta> kTarjetas{
    {10,
     {{"Principal_Nombre", "ANA PÉREZ"},
      {"Principal_Telefono", "6141234567"},
      {"Principal_celular", "0446149876543"},
      {"referencia1_nombre", "Luis"},
      {"referencia1_telefono", "614 555 0001"}}},
    {20,
     {{"Principal_Telefono", "0000000000"},
      {"conyuge_nombre", "JOSÉ RÍOS"},
      {"conyuge_telefono_centro", "(614) 123-4567"},
      {"aval_Nombre", "GARCÍA ROSA"},
      {"aval_celular", "+52 1 614 987 6543"}}},
    {30,
     {{"Principal_Telefono", "1111111111"},
      {"referencia2_nombre", "=HYPERLINK(\"x\")"},
      {"referencia2_telefono", "6145550002"},
      {"referencia4_celular", "12345678901234567890"},
      {"aval_Telefono", "sin teléfono"}}},
};
const QList<Contacto> kContactos{{10, "Tienda La Esquina", "6145550001"},
                                 {30, "Tienda, S.A.", "6141234567"},
                                 {40, "-Primo-", "045 614 555 0002"}};

// The expressions of one SELECT of the report's statement, in order.
QStringList listaDeSeleccion(int cual) {
    static const QRegularExpression select(QStringLiteral("SELECT (.*?) FROM"));
    auto m = select.globalMatch(TelefonosCompartidos::Sentencia());
    for (int i = 0; i < cual; ++i) m.next();
    return m.next().captured(1).split(QStringLiteral(", "));
}

}  // namespace

void guardar(Entorno& entorno) {
    for (const Tarjeta& t : kTarjetas) {
        QStringList columnas{QStringLiteral("cliente")}, marcas{QStringLiteral("?")};
        QVariantList valores{t.cliente};
        for (const auto& [columna, valor] : t.columnas) {
            columnas << columna;
            marcas << QStringLiteral("?");
            valores << valor;
        }
        entorno.ejecutar(QStringLiteral("INSERT INTO zelt.dbo.tarjeta_telefonica_cliente (%1) "
                                        "VALUES (%2)")
                             .arg(columnas.join(QLatin1Char(',')), marcas.join(QLatin1Char(','))),
                         valores);
    }
    for (const Contacto& c : kContactos)
        entorno.ejecutar(QStringLiteral("INSERT INTO zelt.dbo.contactos_extras (Cliente, Nombre, "
                                        "Telefono) VALUES (?, ?, ?)"),
                         {c.cliente, c.nombre, c.telefono});
}

QJsonObject resultado() {
    const QStringList tarjeta = listaDeSeleccion(0), contacto = listaDeSeleccion(1);
    QJsonArray columnas, filas;
    for (qsizetype i = 0; i < tarjeta.size(); ++i)
        columnas.append(
            QJsonArray{i == 0 ? QStringLiteral("fuente") : tarjeta[i],
                       i < 2 ? QStringLiteral("int") : QStringLiteral("nvarchar(100)")});
    for (const Tarjeta& t : kTarjetas) {
        QJsonArray fila{0, t.cliente};
        for (qsizetype i = 2; i < tarjeta.size(); ++i) {
            QString valor;
            for (const auto& [columna, v] : t.columnas)
                if (columna == tarjeta[i]) valor = v;
            fila.append(valor);
        }
        filas.append(fila);
    }
    for (const Contacto& c : kContactos) {
        QJsonArray fila;
        for (const QString& e : contacto)
            fila.append(e == QLatin1String("1")          ? QJsonValue(1)
                        : e == QLatin1String("Cliente")  ? QJsonValue(c.cliente)
                        : e == QLatin1String("Nombre")   ? QJsonValue(c.nombre)
                        : e == QLatin1String("Telefono") ? QJsonValue(c.telefono)
                                                         : QJsonValue());
        filas.append(fila);
    }
    return {{QStringLiteral("columnas"), columnas}, {QStringLiteral("filas"), filas}};
}

}  // namespace apoyo::telefonos
