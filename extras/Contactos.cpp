#include "Contactos.h"

#include <algorithm>

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

namespace {

QList<QStringList> ordenadas(QList<QStringList> filas) {
    std::sort(filas.begin(), filas.end());
    return filas;
}

}  // namespace

bool Guardar(const QList<QStringList>& filas, QList<QStringList>* guardadas, QString* error,
             bool* conflicto) {
    *conflicto = false;
    auto& bd = Global::Conexion;
    const QString cliente = Global::NumeroPlano(Global::ClienteActual);
    // The stored rows, locked until the save ends so that no other desk
    // changes them between this reading and the replacement.
    const QString leer =
        QStringLiteral(
            "SELECT Nombre, parentesco, telefono, Lugar, Nota FROM "
            "zelt.dbo.contactos_extras WITH (UPDLOCK, HOLDLOCK) WHERE cliente = ") +
        cliente;
    QList<QStringList> actuales;
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
    const bool ok = bd.enTransaccion(
        [&](QString* e) {
            auto rs = bd.consultar(leer, {}, e);
            if (!rs) return false;
            for (; !rs->alFinal(); rs->siguiente()) {
                QStringList fila;
                for (int c = 0; c < 5; ++c) {
                    const QVariant v = rs->valor(c);
                    fila << (v.isNull() ? QString() : v.toString());
                }
                actuales << fila;
            }
            rs->cerrar();
            if (ordenadas(actuales) != ordenadas(*guardadas)) {
                *conflicto = true;
                return false;
            }
            return bd.ejecutar(
                       QStringLiteral("DELETE FROM zelt.dbo.contactos_extras WHERE Cliente=") +
                           cliente,
                       {}, e) &&
                   bd.ejecutarVarias(insertar, valores, e);
        },
        error);
    if (ok) *guardadas = filas;
    if (*conflicto) {
        *guardadas = actuales;
        error->clear();
    }
    return ok;
}

}  // namespace Contactos
