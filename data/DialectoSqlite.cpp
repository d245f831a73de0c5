#include "data/DialectoSqlite.h"

#include <QList>

namespace plataforma::DialectoSqlite {

namespace {

struct Identificador {
    qsizetype inicio = 0;
    qsizetype fin = 0;  // one past the last character
    QString nombre;     // without brackets or quotes
};

bool esInicioNombre(QChar c) {
    return c.isLetter() || c == QLatin1Char('_');
}
bool esParteNombre(QChar c) {
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$') ||
           c == QLatin1Char('#') || c == QLatin1Char('@');
}

// Reads one identifier at i, bare, [bracketed] or "quoted"; false if none.
bool leerIdentificador(const QString& s, qsizetype i, Identificador* id) {
    const qsizetype n = s.size();
    if (i >= n) return false;
    const QChar c = s.at(i);
    if (c == QLatin1Char('[') || c == QLatin1Char('"')) {
        const QChar cierre = c == QLatin1Char('[') ? QLatin1Char(']') : QLatin1Char('"');
        const qsizetype j = s.indexOf(cierre, i + 1);
        if (j < 0) return false;
        *id = {i, j + 1, s.mid(i + 1, j - i - 1)};
        return true;
    }
    if (!esInicioNombre(c)) return false;
    qsizetype j = i + 1;
    while (j < n && esParteNombre(s.at(j))) ++j;
    *id = {i, j, s.mid(i, j - i)};
    return true;
}

// Table hints "WITH (UPDLOCK, HOLDLOCK)" starting at p (just past the WITH):
// one past the closing parenthesis, or -1 when they are not hints. SQLite
// locks the whole database for a write, so it needs none.
qsizetype finDeSugerencias(const QString& s, qsizetype p) {
    static const QLatin1String kSugerencias[] = {
        QLatin1String("UPDLOCK"), QLatin1String("HOLDLOCK"), QLatin1String("ROWLOCK"),
        QLatin1String("SERIALIZABLE"), QLatin1String("READCOMMITTEDLOCK")};
    const qsizetype n = s.size();
    while (p < n && s.at(p).isSpace()) ++p;
    if (p >= n || s.at(p) != QLatin1Char('(')) return -1;
    ++p;
    for (;;) {
        while (p < n && s.at(p).isSpace()) ++p;
        Identificador id;
        if (!leerIdentificador(s, p, &id)) return -1;
        bool conocida = false;
        for (const QLatin1String& h : kSugerencias)
            conocida = conocida || id.nombre.compare(h, Qt::CaseInsensitive) == 0;
        if (!conocida) return -1;
        p = id.fin;
        while (p < n && s.at(p).isSpace()) ++p;
        if (p < n && s.at(p) == QLatin1Char(',')) {
            ++p;
            continue;
        }
        return p < n && s.at(p) == QLatin1Char(')') ? p + 1 : -1;
    }
}

}  // namespace

QString traducir(const QString& sql) {
    QString salida;
    salida.reserve(sql.size());
    const qsizetype n = sql.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = sql.at(i);
        // String literal, with '' as an escaped quote.
        if (c == QLatin1Char('\'')) {
            qsizetype j = i + 1;
            while (j < n) {
                if (sql.at(j) == QLatin1Char('\'')) {
                    if (j + 1 < n && sql.at(j + 1) == QLatin1Char('\'')) {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            j = qMin(j + 1, n);
            salida += sql.mid(i, j - i);
            i = j;
            continue;
        }
        if (c == QLatin1Char('-') && i + 1 < n && sql.at(i + 1) == QLatin1Char('-')) {
            qsizetype j = sql.indexOf(QLatin1Char('\n'), i);
            if (j < 0) j = n;
            salida += sql.mid(i, j - i);
            i = j;
            continue;
        }
        if (c == QLatin1Char('/') && i + 1 < n && sql.at(i + 1) == QLatin1Char('*')) {
            qsizetype j = sql.indexOf(QLatin1String("*/"), i + 2);
            j = j < 0 ? n : j + 2;
            salida += sql.mid(i, j - i);
            i = j;
            continue;
        }
        // A name may only start where the previous character cannot continue one.
        const bool limite =
            i == 0 || !(esParteNombre(sql.at(i - 1)) || sql.at(i - 1) == QLatin1Char('.'));
        Identificador base;
        if (limite && leerIdentificador(sql, i, &base)) {
            if (base.nombre.compare(QLatin1String("WITH"), Qt::CaseInsensitive) == 0) {
                const qsizetype fin = finDeSugerencias(sql, base.fin);
                if (fin > 0) {
                    while (salida.endsWith(QLatin1Char(' '))) salida.chop(1);
                    i = fin;
                    continue;
                }
            }
            Identificador esquema, objeto;
            qsizetype p = base.fin;
            bool tresPartes = false;
            if (p < n && sql.at(p) == QLatin1Char('.')) {
                if (p + 1 < n && sql.at(p + 1) == QLatin1Char('.')) {
                    // db..obj: the default schema
                    tresPartes = leerIdentificador(sql, p + 2, &objeto);
                } else if (leerIdentificador(sql, p + 1, &esquema) && esquema.fin < n &&
                           sql.at(esquema.fin) == QLatin1Char('.') &&
                           esquema.nombre.compare(QLatin1String("dbo"), Qt::CaseInsensitive) == 0) {
                    tresPartes = leerIdentificador(sql, esquema.fin + 1, &objeto);
                }
            }
            if (tresPartes) {
                qsizetype k = objeto.fin;
                while (k < n && sql.at(k).isSpace()) ++k;
                const bool funcion = k < n && sql.at(k) == QLatin1Char('(');
                const QString bd =
                    base.nombre.compare(QLatin1String("erp_nax"), Qt::CaseInsensitive) == 0
                        ? QStringLiteral("main")
                        : base.nombre;
                if (!funcion) salida += bd + QLatin1Char('.');
                salida += sql.mid(objeto.inicio, objeto.fin - objeto.inicio);
                i = objeto.fin;
                continue;
            }
            salida += sql.mid(i, base.fin - i);
            i = base.fin;
            continue;
        }
        salida += c;
        ++i;
    }
    return salida;
}

}  // namespace plataforma::DialectoSqlite
