#include "domain/Contactos.h"

#include <QCryptographicHash>
#include <algorithm>
#include <optional>

#include "data/Lote.h"
#include "domain/Global.h"

namespace Contactos {

bool Cargar(Global::Sesion& s, Lista* lista, QString* error) {
    auto RsDatos = s.conexion.consultar(
        QStringLiteral("SELECT * FROM zelt.dbo.contactos_extras WHERE cliente = ") +
            Global::NumeroPlano(s.cliente),
        {}, error);
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

// A text as the server compares it: without its blanks at the end.
QStringView sinBlancosFinales(const QString& texto) {
    qsizetype n = texto.size();
    while (n > 0 && texto[n - 1] == QLatin1Char(' ')) --n;
    return QStringView(texto).left(n);
}

QList<QStringList> comparables(QList<QStringList> filas) {
    for (QStringList& f : filas)
        for (QString& t : f) t = sinBlancosFinales(t).toString();
    std::sort(filas.begin(), filas.end());
    return filas;
}

}  // namespace

bool MismoTexto(const QString& a, const QString& b) {
    return sinBlancosFinales(a) == sinBlancosFinales(b);
}

bool MismaFila(const QStringList& a, const QStringList& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), MismoTexto);
}

bool MismasFilas(const QList<QStringList>& a, const QList<QStringList>& b) {
    return a.size() == b.size() && comparables(a) == comparables(b);
}

namespace {

using Resultados = std::vector<std::unique_ptr<plataforma::Resultado>>;

const QString kColumnasLeidas = QStringLiteral("Nombre, parentesco, telefono, Lugar, Nota");

QList<QStringList> filasDe(plataforma::Resultado& rs) {
    QList<QStringList> filas;
    for (; !rs.alFinal(); rs.siguiente()) {
        QStringList fila;
        for (int c = 0; c < 5; ++c) {
            const QVariant v = rs.valor(c);
            fila << (v.isNull() ? QString() : v.toString());
        }
        filas << fila;
    }
    return filas;
}

// SQL Server: the stored list is checked against the rows as read by a digest
// that both sides compute alike: each row's SHA-256 over its five texts
// (blanks at the end dropped, NULL as empty, U+001F between them) in UTF-16,
// in upper-case hexadecimal; the digests in ascending order, run together.
// One value, whatever the number of rows.
const QString kHuellaServidor = QStringLiteral(
    "ISNULL((SELECT CONVERT(char(64), HASHBYTES('SHA2_256', "
    "ISNULL(RTRIM(CONVERT(nvarchar(100), Nombre)), N'') + NCHAR(31) + "
    "ISNULL(RTRIM(CONVERT(nvarchar(30), parentesco)), N'') + NCHAR(31) + "
    "ISNULL(RTRIM(CONVERT(nvarchar(30), telefono)), N'') + NCHAR(31) + "
    "ISNULL(RTRIM(CONVERT(nvarchar(30), Lugar)), N'') + NCHAR(31) + "
    "ISNULL(RTRIM(CONVERT(nvarchar(250), Nota)), N'')), 2) COLLATE Latin1_General_BIN2 "
    "FROM zelt.dbo.contactos_extras WITH (UPDLOCK, HOLDLOCK) WHERE cliente = %1 "
    "ORDER BY 1 FOR XML PATH('')), '')");

// SQL Server: the rows to store as one XML value, each row an element whose
// five attributes hold its texts as the hexadecimal of their UTF-16 (so any
// character travels, control characters too, and none is read as markup);
// the batch turns them back into text.
QString filasEnXml(const QList<QStringList>& filas) {
    QString xml;
    for (const QStringList& f : filas) {
        xml += QStringLiteral("<f");
        for (int c = 0; c < 5; ++c) {
            QByteArray utf16;
            for (const QChar ch : f.value(c)) {
                utf16 += char(ch.unicode() & 0xFF);
                utf16 += char(ch.unicode() >> 8);
            }
            xml += QLatin1Char(' ') + QChar(u'a' + c) + QStringLiteral("=\"") +
                   QString::fromLatin1(utf16.toHex().toUpper()) + QLatin1Char('"');
        }
        xml += QStringLiteral("/>");
    }
    return xml;
}

QString textoDeXml(char atributo) {
    return QStringLiteral(
               "CONVERT(nvarchar(max), CONVERT(varbinary(max), f.value('@%1', 'varchar(max)'), 2))")
        .arg(QLatin1Char(atributo));
}

// One request whatever the number of rows: the list checked, deleted and
// inserted anew within one transaction, all or nothing; or, when another
// desk changed it, nothing written and the stored rows sent back.
bool guardarEnSqlServer(Global::Sesion& s, const QList<QStringList>& filas,
                        QList<QStringList>* guardadas, QString* error, bool* conflicto,
                        bool* incierto) {
    auto& bd = s.conexion;
    const QString cliente = Global::NumeroPlano(s.cliente);
    plataforma::Lote l;
    l << QStringLiteral("SET NOCOUNT ON;\nSET XACT_ABORT ON;\nDECLARE @filas xml = ");
    l.valor(filasEnXml(filas));
    l << QStringLiteral(";\nBEGIN TRANSACTION;\nIF ") << kHuellaServidor.arg(cliente)
      << QStringLiteral(" <> ");
    l.valor(HuellaDeFilas(*guardadas));
    l << QStringLiteral(
             "\nBEGIN\n    ROLLBACK TRANSACTION;\n    SELECT 'conflicto' AS desenlace;\n    "
             "SELECT ") +
             kColumnasLeidas + QStringLiteral(" FROM zelt.dbo.contactos_extras WHERE cliente = ") +
             cliente +
             QStringLiteral(
                 ";\n    RETURN;\nEND;\nDELETE FROM zelt.dbo.contactos_extras WHERE Cliente=") +
             cliente +
             QStringLiteral(
                 ";\nINSERT INTO zelt.dbo.contactos_extras "
                 "(Cliente,Nombre,Parentesco,Telefono,lugar,"
                 "Nota)\nSELECT ") +
             cliente;
    for (char c = 'a'; c <= 'e'; ++c) l << QStringLiteral(", ") << textoDeXml(c);
    l << QStringLiteral(
        "\nFROM @filas.nodes('/f') AS t(f);\nCOMMIT TRANSACTION;\nSELECT 'guardada' AS "
        "desenlace;\n");

    Resultados rs;
    const bool ok = l.enviar(bd, &rs, error);
    const plataforma::Resultado* d = plataforma::resultadoLlamado(rs, QStringLiteral("desenlace"));
    const QString que = ok && d && !d->alFinal() ? d->valor(0).toString() : QString();
    if (que == QLatin1String("guardada")) {
        *guardadas = filas;
        return true;
    }
    if (que == QLatin1String("conflicto")) {
        plataforma::Resultado* actuales =
            plataforma::resultadoLlamado(rs, QStringLiteral("Nombre"));
        *guardadas = actuales ? filasDe(*actuales) : QList<QStringList>();
        *conflicto = true;
        error->clear();
        return false;
    }
    if (ok || bd.sinRespuesta()) {
        if (ok) *error = QStringLiteral("El servidor no dijo si guardó los contactos.");
        if (incierto) *incierto = true;
        return false;
    }
    // An error the server does not abort the batch for leaves the
    // transaction open.
    bd.revertirTransaccion();
    return false;
}

}  // namespace

QString HuellaDeFilas(const QList<QStringList>& filas) {
    QStringList huellas;
    for (const QStringList& f : filas) {
        QString canonica;
        for (int c = 0; c < 5; ++c) {
            if (c > 0) canonica += QChar(0x1F);
            canonica += sinBlancosFinales(f.value(c));
        }
        QByteArray utf16;
        utf16.reserve(canonica.size() * 2);
        for (const QChar ch : std::as_const(canonica)) {
            utf16 += char(ch.unicode() & 0xFF);
            utf16 += char(ch.unicode() >> 8);
        }
        huellas << QString::fromLatin1(
            QCryptographicHash::hash(utf16, QCryptographicHash::Sha256).toHex().toUpper());
    }
    huellas.sort();
    return huellas.join(QString());
}

bool Guardar(Global::Sesion& s, const QList<QStringList>& filas, QList<QStringList>* guardadas,
             QString* error, bool* conflicto, bool* incierto) {
    *conflicto = false;
    if (incierto) *incierto = false;
    auto& bd = s.conexion;
    if (bd.esSqlServer())
        return guardarEnSqlServer(s, filas, guardadas, error, conflicto, incierto);
    const QString cliente = Global::NumeroPlano(s.cliente);
    // The stored rows, locked until the save ends so that no other desk
    // changes them between this reading and the replacement.
    const QString leer = QStringLiteral("SELECT ") + kColumnasLeidas +
                         QStringLiteral(
                             " FROM zelt.dbo.contactos_extras WITH (UPDLOCK, HOLDLOCK) WHERE "
                             "cliente = ") +
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
            actuales = filasDe(*rs);
            rs->cerrar();
            if (!MismasFilas(actuales, *guardadas)) {
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
    if (incierto) *incierto = !ok && bd.commitIncierto();
    if (ok) *guardadas = filas;
    if (*conflicto) {
        *guardadas = actuales;
        error->clear();
    }
    return ok;
}

Fusionada Fusionar(const QList<QStringList>& leidas, const QList<Mia>& mias,
                   const QList<QStringList>& guardadas, bool ganaMia) {
    const qsizetype nl = leidas.size(), ng = guardadas.size();
    // The other desk: the stored row each row as read became (-1: removed),
    // matched first by the whole row, then by the name alone (a change).
    QList<qsizetype> suya(nl, -1), leidaDe(ng, -1);
    QList<bool> intacta(nl, false);
    for (const bool porNombre : {false, true})
        for (qsizetype i = 0; i < nl; ++i)
            for (qsizetype j = 0; suya[i] < 0 && j < ng; ++j) {
                if (leidaDe[j] >= 0) continue;
                if (porNombre ? MismoTexto(leidas[i].value(0), guardadas[j].value(0))
                              : MismaFila(leidas[i], guardadas[j])) {
                    suya[i] = j;
                    leidaDe[j] = i;
                    intacta[i] = !porNombre;
                }
            }
    // This desk: what it left of each row as read (none: unchanged; an empty
    // row: removed), and its new rows.
    QList<std::optional<QStringList>> mia(nl);
    QList<QStringList> nuevas;
    for (const Mia& m : mias) {
        const bool borrada = m.fila.value(0).isEmpty();
        if (m.origen < 0 || m.origen >= nl) {
            if (!borrada) nuevas << m.fila;
        } else if (borrada) {
            mia[m.origen] = QStringList();
        } else if (!MismaFila(m.fila, leidas[m.origen])) {
            mia[m.origen] = m.fila;
        }
    }

    Fusionada r;
    auto choque = [&](qsizetype i, const QStringList& guardada) {
        r.choques << Choque{leidas[i].value(0), *mia[i], guardada};
        return ganaMia ? *mia[i] : guardada;
    };
    for (qsizetype j = 0; j < ng; ++j) {
        const qsizetype i = leidaDe[j];
        QStringList fila = guardadas[j];
        if (i < 0 || !intacta[i]) r.cambiadasPorOtro << fila;
        if (i >= 0 && mia[i]) {
            if (intacta[i])
                fila = *mia[i];
            else if (mia[i]->isEmpty() || !MismaFila(*mia[i], fila))
                fila = choque(i, fila);
        }
        if (!fila.isEmpty()) r.filas << fila;
    }
    for (qsizetype i = 0; i < nl; ++i) {
        if (suya[i] >= 0) continue;
        r.borradasPorOtro << leidas[i];
        if (mia[i] && !mia[i]->isEmpty()) {
            const QStringList fila = choque(i, {});
            if (!fila.isEmpty()) r.filas << fila;
        }
    }
    // A new row the other desk added too is there already.
    QList<bool> tomada(ng, false);
    for (const QStringList& fila : std::as_const(nuevas)) {
        qsizetype j = 0;
        while (j < ng && (leidaDe[j] >= 0 || tomada[j] || !MismaFila(fila, guardadas[j]))) ++j;
        if (j < ng)
            tomada[j] = true;
        else
            r.filas << fila;
    }
    return r;
}

}  // namespace Contactos
