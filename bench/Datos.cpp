#include "Datos.h"

#include <QDir>
#include <QFile>

#include "data/BaseDatos.h"
#include "db/Instalador.h"
#include "domain/Arranque.h"

namespace datos {

namespace {

bool ejecutar(plataforma::Conexion& c, const QString& sql, const QVariantList& v, QString* error) {
    QString e;
    if (c.ejecutar(sql, v, &e)) return true;
    *error = sql.left(80) + QStringLiteral(": ") + e;
    return false;
}

// A data folder by name, under TARJETA_BENCH_DIR (default: the temporary
// folder's tarjeta-bench), kept from run to run.
QString carpeta(const QString& nombre) {
    const QString raiz = qEnvironmentVariable(
        "TARJETA_BENCH_DIR", QDir::temp().filePath(QStringLiteral("tarjeta-bench")));
    return QDir(raiz).filePath(nombre);
}

// Whether a data folder was completed by an earlier run.
bool lista(const QString& dir) {
    return QFile::exists(QDir(dir).filePath(QStringLiteral("listo")));
}

// Builds the folder anew with the demo databases and connects c to them.
bool crear(const QString& dir, plataforma::Conexion* c, QString* error) {
    QDir(dir).removeRecursively();
    return Instalador::CrearBasesEmbebidas(dir, true, true, error) &&
           c->abrir(QStringLiteral("Server=file:") + dir + QLatin1Char(';'), error);
}

// Writes the folder's ARRANQUE (branch 12, state 8) and the mark that the
// folder is complete; the folder, or empty on failure.
QString terminar(const QString& dir, QString* error) {
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

// The report's data (see prepararTelefonos): value k of row i, from a
// sequence number unique to it. Built by concatenation: printf's own "%"
// patterns are in the text.
QString telefono(int k, bool celular, int pool) {
    const QString v = QStringLiteral("(i * 18 + ") + QString::number(k) + QLatin1Char(')');
    const QString numero = QStringLiteral("(CASE WHEN ") + v +
                           QStringLiteral(" % 500 = 0 THEN printf('614%07d', 9000000 + (") + v +
                           QStringLiteral(" / 500) % ") + QString::number(pool) +
                           QStringLiteral(") ELSE printf('%010d', 2000000000 + (") + v +
                           QStringLiteral(" * 7919) % 7000000000) END)");
    if (celular) return QStringLiteral("CASE WHEN i % 2 = 1 THEN '044' ELSE '' END || ") + numero;
    return QStringLiteral("CASE WHEN i % 100 = ") + QString::number(k % 100) +
           QStringLiteral(" THEN '0000000000' WHEN i % 10 = ") + QString::number(k % 10) +
           QStringLiteral(" THEN substr(") + numero + QStringLiteral(", 1, 3) || '-' || substr(") +
           numero + QStringLiteral(", 4, 3) || '-' || substr(") + numero +
           QStringLiteral(", 7) ELSE ") + numero + QStringLiteral(" END");
}

}  // namespace

QString prepararTelefonos(int n, QString* error) {
    const QString dir = carpeta(QStringLiteral("telefonos-%1").arg(n));
    if (lista(dir)) return dir;
    plataforma::Conexion c;
    if (!crear(dir, &c, error)) return {};
    // Every name and phone column of the card, with names as long as real ones.
    const QStringList nombres{
        QStringLiteral("Principal_Nombre"),   QStringLiteral("conyuge_nombre"),
        QStringLiteral("referencia1_nombre"), QStringLiteral("referencia2_nombre"),
        QStringLiteral("referencia3_nombre"), QStringLiteral("referencia4_nombre"),
        QStringLiteral("aval_Nombre"),        QStringLiteral("aval_nombre_conyuge")};
    const QStringList telefonos{QStringLiteral("Principal_Telefono"),
                                QStringLiteral("Principal_celular"),
                                QStringLiteral("Principal_Telefono_centro"),
                                QStringLiteral("conyuge_celular"),
                                QStringLiteral("conyuge_telefono_centro"),
                                QStringLiteral("referencia1_telefono"),
                                QStringLiteral("referencia1_celular"),
                                QStringLiteral("referencia2_telefono"),
                                QStringLiteral("referencia2_celular"),
                                QStringLiteral("referencia3_telefono"),
                                QStringLiteral("referencia3_celular"),
                                QStringLiteral("referencia4_telefono"),
                                QStringLiteral("referencia4_celular"),
                                QStringLiteral("aval_Telefono"),
                                QStringLiteral("aval_celular"),
                                QStringLiteral("aval_Telefono_centro"),
                                QStringLiteral("aval_telefono_centro_conyuge")};
    const int pool = qMax(10, n / 100);
    QStringList columnas{QStringLiteral("cliente"), QStringLiteral("usuario_genera")};
    QStringList valores{QStringLiteral("100000 + i"), QStringLiteral("'     25'")};
    for (int k = 0; k < nombres.size(); ++k) {
        columnas << nombres[k];
        valores << QStringLiteral(
                       "rtrim(substr('MARIA JOSE JUAN CARLOSROSA ELENA LUIS MIGUEL', "
                       "1 + ((i + %1) % 4) * 11, 11)) || ' ' || rtrim(substr('HERNANDEZ "
                       "GARCIA    MARTINEZ  LOPEZ     ', 1 + ((i * 3 + %1) % 4) * 10, 10)) || "
                       "' ' || i")
                       .arg(k);
    }
    for (int k = 0; k < telefonos.size(); ++k) {
        columnas << telefonos[k];
        valores << telefono(k, telefonos[k].endsWith(QLatin1String("celular")), pool);
    }
    const QString serie = QStringLiteral(
        "WITH RECURSIVE s(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM s WHERE i < ?) ");
    const QString tarjetas = serie +
                             QStringLiteral("INSERT INTO zelt.tarjeta_telefonica_cliente (") +
                             columnas.join(QStringLiteral(", ")) + QStringLiteral(") SELECT ") +
                             valores.join(QStringLiteral(", ")) + QStringLiteral(" FROM s");
    // Extra contact i belongs to client 100001 + (i * 7) % n.
    const QString contactos =
        serie +
        QStringLiteral(
            "INSERT INTO zelt.contactos_extras (Cliente, Nombre, Parentesco, Telefono, lugar, "
            "Nota) SELECT 100001 + (i * 7) % ") +
        QString::number(n) + QStringLiteral(", 'Contacto ' || i || ' de la familia', 'Cliente', ") +
        telefono(17, false, pool) + QStringLiteral(", 'Casa', '' FROM s");
    if (!ejecutar(c, QStringLiteral("BEGIN"), {}, error) || !ejecutar(c, tarjetas, {n}, error) ||
        !ejecutar(c, contactos, {n}, error) || !ejecutar(c, QStringLiteral("COMMIT"), {}, error))
        return {};
    c.cerrar();
    return terminar(dir, error);
}

QString preparar(const Tamano& t, QString* error) {
    const QString dir =
        carpeta(QStringLiteral("t%1-c%2-m%3").arg(t.tarjetas).arg(t.contactos).arg(t.ciudades));
    if (lista(dir)) return dir;
    plataforma::Conexion c;
    if (!crear(dir, &c, error)) return {};
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
    return terminar(dir, error);
}

}  // namespace datos
