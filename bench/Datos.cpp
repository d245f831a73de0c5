#include "Datos.h"

#include <QDir>
#include <QFile>

#include "Arranque.h"
#include "BaseDatos.h"
#include "Instalador.h"

namespace datos {

namespace {

bool ejecutar(plataforma::Conexion& c, const QString& sql, const QVariantList& v, QString* error) {
    QString e;
    if (c.ejecutar(sql, v, &e)) return true;
    *error = sql.left(80) + QStringLiteral(": ") + e;
    return false;
}

// Names and phones built from the row number, so rows differ as real ones do.
const char* const kTarjetas = R"(
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < ?)
INSERT INTO zelt.tarjeta_telefonica_cliente (
    cliente, Principal_Nombre, Principal_Mismo, Principal_Telefono, Principal_celular,
    Principal_centro, Principal_Telefono_centro, Principal_extension_centro,
    conyuge_nombre, conyuge_tiene, conyuge_celular, conyuge_centro, conyuge_telefono_centro,
    conyuge_extension_centro, referencia1_nombre, referencia1_telefono, referencia1_celular,
    referencia1_parentesco, referencia2_nombre, referencia2_telefono, referencia3_nombre,
    referencia3_celular, referencia4_nombre, aval_Nombre, aval_tiene, aval_Telefono,
    aval_celular, aval_centro, anotaciones, usuario_genera)
SELECT 100000 + i,
       'CLIENTE ' || i || ' ' || substr('HERNANDEZGARCIA  LOPEZ    MARTINEZ ', 1 + (i % 4) * 9, 9),
       i % 3 = 0, printf('614%07d', i % 10000000), printf('044614%07d', i % 10000000),
       'Empresa ' || (i % 500), printf('614%07d', (i * 7) % 10000000), CAST(i % 1000 AS TEXT),
       'Cónyuge ' || i, i % 5 = 0, printf('044656%07d', i % 10000000), 'Taller ' || (i % 300),
       printf('656%07d', i % 10000000), '', 'Referencia uno ' || i, printf('614%07d', (i * 3) % 10000000),
       '', 'Hermano', 'Referencia dos ' || i, printf('614%07d', (i * 5) % 10000000),
       'Referencia tres ' || i, printf('044614%07d', (i * 11) % 10000000), 'Referencia cuatro ' || i,
       'AVAL ' || i, i % 7 = 0, printf('614%07d', (i * 13) % 10000000), '', 'Comercio ' || (i % 800),
       'Cliente generado para medir ' || i, '     25'
FROM n
)";

}  // namespace

QString preparar(const Tamano& t, QString* error) {
    const QString raiz = qEnvironmentVariable(
        "TARJETA_BENCH_DIR", QDir::temp().filePath(QStringLiteral("tarjeta-bench")));
    const QString dir = QDir(raiz).filePath(
        QStringLiteral("t%1-c%2-m%3").arg(t.tarjetas).arg(t.contactos).arg(t.ciudades));
    if (QFile::exists(QDir(dir).filePath(QStringLiteral("listo")))) return dir;

    QDir(dir).removeRecursively();
    if (!Instalador::CrearBasesEmbebidas(dir, true, true, error)) return {};
    plataforma::Conexion c;
    QString e;
    if (!c.abrir(QStringLiteral("Server=file:") + dir + QLatin1Char(';'), &e)) {
        *error = e;
        return {};
    }
    // The demo already holds client 1234's card; the rest are generated.
    if (!ejecutar(c, QStringLiteral("BEGIN"), {}, error) ||
        !ejecutar(c, QString::fromUtf8(kTarjetas), {qMax(0, t.tarjetas - 2)}, error) ||
        !ejecutar(c, QStringLiteral("DELETE FROM zelt.contactos_extras WHERE Cliente = ?"),
                  {kCliente}, error) ||
        !ejecutar(
            c,
            QStringLiteral(
                "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < ?) "
                "INSERT INTO zelt.contactos_extras (Cliente, Nombre, Parentesco, Telefono, lugar, "
                "Nota) "
                "SELECT ?, 'Contacto ' || i, substr('ClienteConyugeAval   ', 1 + (i % 3) * 7, 7), "
                "CASE i % 2 WHEN 0 THEN printf('614%07d', i) ELSE printf('044614%07d', i) END, "
                "CASE i % 2 WHEN 0 THEN 'Casa' ELSE 'Celular' END, 'Nota ' || i FROM n"),
            {t.contactos, kCliente}, error) ||
        !ejecutar(c, QStringLiteral("DELETE FROM ciudades WHERE estado = 8 AND ciudad > 3701"), {},
                  error) ||
        !ejecutar(c,
                  QStringLiteral(
                      "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < ?) "
                      "INSERT INTO ciudades (ciudad, nombre_ciudad, estado) "
                      "SELECT 10000 + i, substr('San Santa Villa Ciudad Nuevo ', 1 + (i % 5) * 6, "
                      "6) || ' ' || "
                      "substr('Rosario Juárez Allende Guerrero Morelos ', 1 + (i % 5) * 8, 8) || ' "
                      "' || i, 8 FROM n"),
                  {t.ciudades}, error) ||
        !ejecutar(c, QStringLiteral("UPDATE main.ciudades SET ciudad = 3702 WHERE ciudad = 10001"),
                  {}, error) ||
        !ejecutar(c, QStringLiteral("COMMIT"), {}, error))
        return {};
    ejecutar(c, QStringLiteral("ANALYZE"), {}, error);
    c.cerrar();

    // ARRANQUE for branch 12 (state 8).
    Arranque::Datos arranque;
    arranque.servidor = QStringLiteral("file:") + dir;
    arranque.usuario = QStringLiteral("bench");
    arranque.sucursal = QStringLiteral("12");
    arranque.clave = QStringLiteral("medir");
    if (!Arranque::Escribir(QDir(dir).filePath(QStringLiteral("ARRANQUE.dbf")), arranque, error))
        return {};
    QFile listo(QDir(dir).filePath(QStringLiteral("listo")));
    listo.open(QIODevice::WriteOnly);
    return dir;
}

}  // namespace datos
