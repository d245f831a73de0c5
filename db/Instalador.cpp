#include "db/Instalador.h"

#include <QDir>
#include <QFile>

#include "data/BaseDatos.h"

namespace Instalador {

namespace {

// The text of one of the scripts built into the program.
QString Guion(const QString& nombre) {
    QFile f(QStringLiteral(":/db/") + nombre);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(f.readAll());
}

bool crear(const QString& archivo, const QStringList& guiones, QString* error) {
    plataforma::Conexion c;
    QString e;
    if (!c.abrirArchivoSqlite(archivo, &e)) {
        *error = QStringLiteral("cannot create %1: %2").arg(archivo, e);
        return false;
    }
    for (const QString& g : guiones) {
        const QString texto = Guion(g);
        if (texto.isEmpty()) {
            *error = QStringLiteral("script %1 is missing from the program").arg(g);
            return false;
        }
        if (!c.ejecutarGuion(QStringLiteral("BEGIN;\n") + texto + QStringLiteral("\nCOMMIT;"),
                             &e)) {
            *error = QStringLiteral("script %1 failed on %2: %3").arg(g, archivo, e);
            c.ejecutarGuion(QStringLiteral("ROLLBACK;"), &e);
            return false;
        }
    }
    return true;
}
}  // namespace

bool CrearBasesEmbebidas(const QString& carpeta, bool demo, bool reemplazar, QString* error) {
    QDir dir(carpeta);
    if (!dir.exists() && !QDir().mkpath(carpeta)) {
        *error = QStringLiteral("cannot create folder %1").arg(carpeta);
        return false;
    }
    const QString erp = dir.filePath(QStringLiteral("erp_nax.db"));
    const QString zelt = dir.filePath(QStringLiteral("zelt.db"));
    for (const QString& f : {erp, zelt}) {
        if (!QFile::exists(f)) continue;
        if (!reemplazar) {
            *error = QStringLiteral("%1 already exists (use --force to replace it)").arg(f);
            return false;
        }
        if (!QFile::remove(f)) {
            *error = QStringLiteral("cannot remove %1").arg(f);
            return false;
        }
    }
    QStringList guionesErp{QStringLiteral("erp_nax.sql")};
    QStringList guionesZelt{QStringLiteral("zelt.sql")};
    if (demo) {
        guionesErp << QStringLiteral("demo_erp_nax.sql");
        guionesZelt << QStringLiteral("demo_zelt.sql") << QStringLiteral("demo_zelt_anchas.sql");
    }
    if (crear(erp, guionesErp, error) && crear(zelt, guionesZelt, error)) return true;
    QFile::remove(erp);
    QFile::remove(zelt);
    return false;
}

}  // namespace Instalador
