#include "Contactos.h"

#include "Global.h"

namespace Contactos {

bool Cargar(Lista* lista, QString* error) {
    Global::SqlActual = QStringLiteral("SELECT * FROM zelt.dbo.contactos_extras WHERE cliente = ") +
                        Global::NumeroPlano(Global::ClienteActual);
    auto RsDatos = Global::Conexion.consultar(Global::SqlActual, {}, error);
    if (!RsDatos) return false;
    const char* const columnas[5] = {"Nombre", "parentesco", "telefono", "Lugar", "Nota"};
    *lista = Lista();
    for (int i = 0; i < 5; ++i) {
        const QLatin1String c(columnas[i]);
        if (!RsDatos->tieneColumna(c)) {
            *error = QStringLiteral("A los contactos extras les falta la columna %1.").arg(c);
            return false;
        }
        if (!RsDatos->columnaUnicode(c)) lista->columnasSinUnicode << i + 1;
    }
    while (!RsDatos->alFinal()) {
        QStringList fila;
        for (const char* c : columnas) {
            const QVariant v = RsDatos->valor(QLatin1String(c));
            fila << (v.isNull() ? QString() : v.toString());
        }
        lista->filas << fila;
        RsDatos->siguiente();
    }
    RsDatos->cerrar();
    return true;
}

bool Guardar(const QList<QStringList>& filas, QString* error) {
    auto& bd = Global::Conexion;
    const QString cliente = Global::NumeroPlano(Global::ClienteActual);
    const QString insertar =
        QStringLiteral(
            "INSERT INTO zelt.dbo.contactos_extras (Cliente,Nombre,Parentesco,Telefono,lugar,Nota) "
            "VALUES (") +
        cliente + QStringLiteral(",?,?,?,?,?)");
    QList<QVariantList> valores;
    for (const QStringList& f : filas) {
        QVariantList v;
        for (const QString& t : f) v << t;
        valores << v;
    }
    return bd.enTransaccion(
        [&](QString* e) {
            return bd.ejecutar(
                       QStringLiteral("DELETE FROM zelt.dbo.contactos_extras WHERE Cliente=") +
                           cliente,
                       {}, e) &&
                   bd.ejecutarVarias(insertar, valores, e);
        },
        error);
}

}  // namespace Contactos
