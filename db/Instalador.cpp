#include "db/Instalador.h"

#include <QDir>
#include <QFile>

#include "data/BaseDatos.h"
#include "system/Sistema.h"

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

bool DarAlGrupo(const QString& carpeta, bool carpetaNueva, QString* hecho, QString* aviso) {
    namespace sistema = plataforma::sistema;
    const QString grupoTexto = QLatin1String(sistema::kGrupoCompartido);
    const long grupo = sistema::grupoCompartido();
    if (grupo < 0) {
        *aviso = QStringLiteral(
                     "there is no group '%1' here (the package creates it), so %2 and its "
                     "databases keep your group and modes; desk users outside your group may "
                     "be unable to save")
                     .arg(grupoTexto, carpeta);
        return false;
    }
    const QDir dir(carpeta);
    QString error;
    for (const QString& nombre : {QStringLiteral("erp_nax.db"), QStringLiteral("zelt.db")}) {
        if (!sistema::repartir(dir.filePath(nombre), -1, grupo, 0660, &error)) {
            *aviso = QStringLiteral(
                         "%1; desk users may be unable to save (run db init as root "
                         "or as a member of group '%2')")
                         .arg(error, grupoTexto);
            return false;
        }
    }
    // The folder is shared too, unless it holds more than the databases
    // (a folder of the administrator's, whose group is theirs to choose).
    bool propia = carpetaNueva;
    if (!propia) {
        propia = true;
        for (const QString& e :
             dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
            if (e != QLatin1String("erp_nax.db") && e != QLatin1String("zelt.db") &&
                !e.endsWith(QLatin1String(".db-journal")))
                propia = false;
    }
    if (!propia) {
        *hecho = QStringLiteral("gave both databases (mode 0660) to group '%1'").arg(grupoTexto);
        *aviso = QStringLiteral(
                     "%1 holds other files, so its group and mode were left alone: make it "
                     "writable for group '%2' (chgrp %2 %1; chmod g+rwxs %1), since SQLite "
                     "writes its journal there")
                     .arg(carpeta, grupoTexto);
        return false;
    }
    // Its other bits stay as the administrator left them.
    if (!sistema::repartir(carpeta, -1, grupo, sistema::modoDe(carpeta) | 02070, &error)) {
        *aviso = QStringLiteral("%1; desk users may be unable to save").arg(error);
        return false;
    }
    *hecho = QStringLiteral(
                 "gave %1 (group-writable, setgid) and both databases (mode 0660) to "
                 "group '%2'")
                 .arg(carpeta, grupoTexto);
    return true;
}

}  // namespace Instalador
