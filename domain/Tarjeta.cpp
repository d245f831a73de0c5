#include "domain/Tarjeta.h"

#include "domain/Global.h"

using plataforma::Parametro;
using plataforma::TipoParametro;

namespace Tarjeta {

namespace {

const QString kTabla = QStringLiteral("zelt.dbo.tarjeta_telefonica_cliente");

QString texto(const plataforma::Resultado& rs, int posicion) {
    const QVariant v = rs.valor(posicion);
    return v.isNull() ? QString() : v.toString();
}

QList<Parametro> parametrosConsulta(const Global::Sesion& s) {
    return {{QStringLiteral("@nCliente"), TipoParametro::Entero, 4, s.cliente},
            {QStringLiteral("@cTipo"), TipoParametro::TextoFijo, 20, QStringLiteral("Aval")}};
}

// In capitals. Names in plain ASCII, nearly all of them, are changed here
// directly; any other goes through the full Unicode rules.
QString enMayusculas(QString s) {
    for (const QChar c : std::as_const(s))
        if (c.unicode() >= 0x80) return std::move(s).toUpper();
    for (QChar& c : s)
        if (c >= u'a' && c <= u'z') c = QChar(c.unicode() - (u'a' - u'A'));
    return s;
}

// Numbers and check-box states go into the statement as they are; texts are
// bound, so any character a user types is stored as typed.
void agregar(const Global::Sesion& s, const Fila& fila, int i, QString* sql,
             QVariantList* valores) {
    const Columna& c = kColumnas[size_t(i)];
    switch (c.fuente) {
        case Fuente::Cliente:
            *sql += Global::NumeroPlano(s.cliente);
            return;
        case Fuente::Casilla:
            *sql += fila.valores[size_t(i)].toInt() == 1 ? QLatin1Char('1') : QLatin1Char('0');
            return;
        case Fuente::Usuario:
            *sql += QLatin1Char('?');
            valores->append(s.usuario.valor());
            return;
        case Fuente::Texto:
        case Fuente::NombreAval:
            *sql += QLatin1Char('?');
            valores->append(fila.valores[size_t(i)]);
            return;
    }
}

// The branch, the client and the kind "Aval", which the save procedures take
// first, then the given parameters.
QList<Parametro> delAval(const Global::Sesion& s, const QList<Parametro>& resto) {
    return QList<Parametro>{
               {QStringLiteral("@cSucursal"), TipoParametro::TextoFijo, 7, s.sucursal.valor()}} +
           parametrosConsulta(s) + resto;
}

bool llamarDomicilio(Global::Sesion& s, const Domicilio& d, QString* error) {
    return s.conexion.llamar(
        QStringLiteral("Zelt.dbo.GUARDA_DOMICILIO_CLIENTE"),
        delAval(
            s,
            {{QStringLiteral("@cDomicilio"), TipoParametro::TextoFijo, Ancho(kCampoCalle), d.calle},
             {QStringLiteral("@nCiudad"), TipoParametro::Entero, 4, d.ciudad.toDouble()},
             {QStringLiteral("@cColonia"), TipoParametro::TextoFijo, Ancho(kCampoColonia),
              d.colonia},
             {QStringLiteral("@cCodigo"), TipoParametro::TextoFijo, Ancho(kCampoCodigo), d.codigo},
             {QStringLiteral("@cMunicipio"), TipoParametro::TextoFijo, Ancho(kCampoCiudad),
              d.nombreCiudad},
             {QStringLiteral("@cEntreCalles"), TipoParametro::TextoFijo, 200, QString()}}),
        error);
}

bool llamarContacto(Global::Sesion& s, const NombreAval& n, QString* error) {
    return s.conexion.llamar(
        QStringLiteral("Zelt.dbo.GUARDA_CONTACTO_CLIENTE"),
        delAval(s, {{QStringLiteral("@cNombre"), TipoParametro::TextoFijo, Ancho(kCampoNombre),
                     n.nombre},
                    {QStringLiteral("@cPaterno"), TipoParametro::TextoFijo, Ancho(kCampoPaterno),
                     n.paterno},
                    {QStringLiteral("@cMaterno"), TipoParametro::TextoFijo, Ancho(kCampoMaterno),
                     n.materno},
                    {QStringLiteral("@dNacimiento"), TipoParametro::FechaHora, 10,
                     QStringLiteral("01-01-1900")},
                    {QStringLiteral("@cCorreo"), TipoParametro::TextoFijo, 80, QString()}}),
        error);
}

// The address and the name, where given, after the card's own statements.
bool guardarDomicilioYNombre(Global::Sesion& s, const std::optional<Domicilio>& domicilio,
                             const std::optional<NombreAval>& nombre, QString* error) {
    if (domicilio && !llamarDomicilio(s, *domicilio, error)) return false;
    return !nombre || llamarContacto(s, *nombre, error);
}

// The condition that the stored card is still the given version: its change
// date and user; for a card never changed, every column but the notes (whose
// type on older servers cannot be compared) as it was read.
void agregarVersion(Global::Sesion& s, const Leida& v, QString* sql, QVariantList* valores) {
    const auto condicion = [&](const QString& columna, const QVariant& valor, bool numero) {
        *sql += QStringLiteral(" AND ") + columna;
        if (valor.isNull()) {
            *sql += QStringLiteral(" IS NULL");
        } else if (numero) {
            *sql += QStringLiteral(" = ") + QString::number(valor.toInt());
        } else {
            *sql += QStringLiteral(" = ?");
            valores->append(valor);
        }
    };
    condicion(QStringLiteral("fecha_cambia"), s.conexion.fechaComparable(v.fechaCambia), false);
    if (!v.fechaCambia.isNull()) {
        condicion(QStringLiteral("usuario_cambia"), v.usuarioCambia, false);
        return;
    }
    for (int i = 1; i < kNumColumnas; ++i) {
        const Columna& c = kColumnas[size_t(i)];
        if (qstricmp(c.insertar, "anotaciones") == 0) continue;
        condicion(QLatin1String(c.insertar), v.fila.valores[size_t(i)],
                  c.fuente == Fuente::Casilla);
    }
}

// The version after a save: the row as written (the client and creating user
// as they were), the address and name where sent.
void guardada(const Fila& fila, const std::optional<Domicilio>& domicilio,
              const std::optional<NombreAval>& nombre, Leida* version) {
    for (int i = 0; i < kNumColumnas; ++i) {
        const Fuente f = kColumnas[size_t(i)].fuente;
        if (f != Fuente::Cliente && f != Fuente::Usuario)
            version->fila.valores[size_t(i)] = fila.valores[size_t(i)];
    }
    if (domicilio) version->domicilio = domicilio;
    if (nombre) version->nombreAval = nombre;
    version->existe = true;
}

}  // namespace

int Indice(QLatin1String columna) {
    for (int i = 0; i < kNumColumnas; ++i)
        if (columna.compare(QLatin1String(kColumnas[size_t(i)].insertar), Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QString Fila::texto(QLatin1String columna) const {
    const QVariant& v = (*this)[columna];
    return v.isNull() ? QString() : v.toString();
}

bool LeerPermiso(Global::Sesion& s, std::optional<bool>* puede, QString* error) {
    auto rs = s.conexion.consultar(
        QStringLiteral("SELECT modifica_telefonos FROM personal WHERE persona=?"),
        {s.usuario.valor()}, error);
    if (!rs) return false;
    puede->reset();
    if (!rs->vacio()) {
        // A NULL permission is no permission.
        const QVariant v = rs->valor(0);
        *puede = !v.isNull() && v.toBool();
    }
    rs->cerrar();
    return true;
}

bool LeerNombreCliente(Global::Sesion& s, std::optional<QString>* nombre, QString* error) {
    // From the clients' table: no row for a client not on file (the function
    // alone would give NULL, as it does for a client on file without a name).
    const QString sql = QStringLiteral(
                            "select erp_nax.dbo.nombre_cliente(cliente) from erp_nax.dbo.clientes "
                            "where cliente = ") +
                        Global::NumeroPlano(s.cliente);
    auto rs = s.conexion.consultar(sql, {}, error);
    if (!rs) return false;
    nombre->reset();
    if (!rs->vacio()) *nombre = texto(*rs, 0);
    rs->cerrar();
    return true;
}

bool LeerCiudades(Global::Sesion& s, QList<Ciudad>* ciudades, QString* error) {
    const QString sql =
        QStringLiteral("select c.ciudad,c.nombre_ciudad ") + QStringLiteral("FROM ciudades c ") +
        QStringLiteral("WHERE ciudad > 3701 ") + QStringLiteral("AND estado = ") +
        QString::number(s.estado) + QStringLiteral("  ") + QStringLiteral("order by nombre_ciudad");
    auto rs = s.conexion.consultar(sql, {}, error);
    if (!rs) return false;
    ciudades->clear();
    while (!rs->alFinal()) {
        const QVariant numero = rs->valor(0);
        const QVariant nombre = rs->valor(1);
        if (!numero.isNull() && !nombre.isNull())
            ciudades->append({enMayusculas(nombre.toString().trimmed()), numero.toInt()});
        rs->siguiente();
    }
    rs->cerrar();
    return true;
}

bool Cargar(Global::Sesion& s, Leida* leida, QString* error, QString* detalle) {
    *leida = Leida();
    // What could not be read, and the database's words apart or after it.
    const auto noSePudoLeer = [&](const char* que, const QString& palabras) {
        *error = QStringLiteral("No se pudo leer %1.").arg(QLatin1String(que));
        if (detalle)
            *detalle = palabras;
        else
            *error = Global::ConDetalle(*error, palabras);
    };
    const QString sql = QStringLiteral("select * from ") + kTabla +
                        QStringLiteral(" WHERE cliente= ") + Global::NumeroPlano(s.cliente);
    QString e;
    auto rs = s.conexion.consultar(sql, {}, &e);
    if (!rs) {
        noSePudoLeer("la tarjeta del cliente", e);
        return false;
    }
    for (const Columna& c : kColumnas)
        if (!rs->columnaUnicode(QLatin1String(c.insertar)))
            leida->columnasSinUnicode << QString::fromLatin1(c.insertar).toLower();
    if (rs->vacio()) {
        rs->cerrar();
        return true;
    }
    for (const Columna& c : kColumnas) {
        if (c.leer && !rs->tieneColumna(QLatin1String(c.leer))) {
            noSePudoLeer("la tarjeta del cliente",
                         QStringLiteral("A la tarjeta guardada le falta la columna %1.")
                             .arg(QLatin1String(c.leer)));
            return false;
        }
    }
    leida->existe = true;
    for (int i = 0; i < kNumColumnas; ++i)
        leida->fila.valores[size_t(i)] = rs->valor(QLatin1String(kColumnas[size_t(i)].insertar));
    leida->conAvalNombre = rs->tieneColumna(QStringLiteral("aval_Nombre"));
    leida->fechaGenera = rs->valor(QStringLiteral("fecha_genera"));
    leida->fechaCambia = rs->valor(QStringLiteral("fecha_cambia"));
    leida->usuarioCambia = rs->valor(QStringLiteral("usuario_cambia"));

    {
        auto aux = s.conexion.llamarConFilas(QStringLiteral("Zelt.dbo.CONSULTA_DOMICILIO_CLIENTE"),
                                             parametrosConsulta(s), &e);
        if (!aux) {
            noSePudoLeer("el domicilio del aval", e);
            return false;
        }
        if (!aux->alFinal())
            leida->domicilio =
                Domicilio{texto(*aux, 0).trimmed(), aux->valor(1), texto(*aux, 2).trimmed(),
                          texto(*aux, 3).trimmed(), texto(*aux, 4).trimmed()};
        aux->cerrar();
    }
    {
        auto aux = s.conexion.llamarConFilas(QStringLiteral("Zelt.dbo.CONSULTA_CONTACTO_CLIENTE"),
                                             parametrosConsulta(s), &e);
        if (!aux) {
            noSePudoLeer("el nombre del aval", e);
            return false;
        }
        if (!aux->alFinal())
            leida->nombreAval = NombreAval{texto(*aux, 0).trimmed(), texto(*aux, 1).trimmed(),
                                           texto(*aux, 2).trimmed()};
        aux->cerrar();
    }
    rs->cerrar();
    return true;
}

Desenlace Insertar(Global::Sesion& s, const Fila& fila, const std::optional<Domicilio>& domicilio,
                   const std::optional<NombreAval>& nombre, Leida* version, QString* error) {
    QString columnas, marcas;
    QVariantList valores;
    for (int i = 0; i < kNumColumnas; ++i) {
        if (i > 0) {
            columnas += QLatin1Char(',');
            marcas += QLatin1Char(',');
        }
        columnas += QLatin1String(kColumnas[size_t(i)].insertar);
        agregar(s, fila, i, &marcas, &valores);
    }
    // Inserted only where no card exists: a server without a unique key on
    // the client would otherwise take two desks' new cards. The check holds
    // its lock to the end of the transaction, and the row count decides.
    const QString sql = QStringLiteral("INSERT INTO ") + kTabla + QStringLiteral(" ( ") + columnas +
                        QStringLiteral(") SELECT ") + marcas +
                        QStringLiteral(" WHERE NOT EXISTS (SELECT 1 FROM ") + kTabla +
                        QStringLiteral(" WITH (UPDLOCK, HOLDLOCK) WHERE cliente = ") +
                        Global::NumeroPlano(s.cliente) + QStringLiteral(")");
    auto& bd = s.conexion;
    bool duplicada = false;
    if (bd.enTransaccion(
            [&](QString* e) {
                qint64 afectadas = -1;
                if (!bd.ejecutar(sql, valores, e, &afectadas)) {
                    duplicada = bd.ultimoFueClaveDuplicada();
                    return false;
                }
                if (afectadas == 0) {
                    duplicada = true;
                    return false;
                }
                return guardarDomicilioYNombre(s, domicilio, nombre, e);
            },
            error)) {
        *version = Leida();
        guardada(fila, domicilio, nombre, version);
        version->fila.valores[size_t(kFilaUsuarioGenera)] = s.usuario.valor();
        version->conAvalNombre = true;
        return Desenlace::Guardada;
    }
    if (bd.commitIncierto()) return Desenlace::Incierto;
    if (duplicada) error->clear();
    return duplicada ? Desenlace::Conflicto : Desenlace::Fallo;
}

Desenlace Actualizar(Global::Sesion& s, const Fila& fila, bool sinAval,
                     const std::optional<Domicilio>& domicilio,
                     const std::optional<NombreAval>& nombre, Leida* version, QString* error) {
    QString pares;
    QVariantList valores;
    for (int i = 1; i < kNumColumnas; ++i) {
        if (i == kFilaUsuarioGenera) {
            pares += QStringLiteral(",fecha_cambia=getdate(),usuario_cambia=?");
            valores.append(s.usuario.valor());
            continue;
        }
        if (!pares.isEmpty()) pares += QLatin1Char(',');
        pares += QLatin1String(kColumnas[size_t(i)].actualizar) + QLatin1Char('=');
        agregar(s, fila, i, &pares, &valores);
    }
    const QString cliente = Global::NumeroPlano(s.cliente);
    QString sql = QStringLiteral("UPDATE ") + kTabla + QStringLiteral(" SET ") + pares +
                  QStringLiteral(" WHERE cliente = ") + cliente;
    agregarVersion(s, *version, &sql, &valores);
    auto& bd = s.conexion;
    bool conflicto = false;
    QVariant fechaCambia, usuarioCambia;
    const bool ok = bd.enTransaccion(
        [&](QString* e) {
            qint64 afectadas = -1;
            if (!bd.ejecutar(sql, valores, e, &afectadas)) return false;
            // No row: another desk changed (or removed) the card since it was
            // read. Nothing is written.
            if (afectadas == 0) {
                conflicto = true;
                return false;
            }
            if (!bd.llamar(QStringLiteral("Zelt.dbo.Cambia_Estado_Domicilio_Cliente"),
                           parametrosConsulta(s) << Parametro{QStringLiteral("@lInactivo"),
                                                              TipoParametro::SiNo, 1, sinAval},
                           e) ||
                !guardarDomicilioYNombre(s, domicilio, nombre, e))
                return false;
            // The change date the server gave, which the next change from
            // this desk is checked against.
            auto rs = bd.consultar(QStringLiteral("SELECT fecha_cambia, usuario_cambia FROM ") +
                                       kTabla + QStringLiteral(" WHERE cliente = ") + cliente,
                                   {}, e);
            if (!rs) return false;
            if (!rs->alFinal()) {
                fechaCambia = rs->valor(0);
                usuarioCambia = rs->valor(1);
            }
            rs->cerrar();
            return true;
        },
        error);
    if (ok) {
        guardada(fila, domicilio, nombre, version);
        version->fechaCambia = fechaCambia;
        version->usuarioCambia = usuarioCambia;
        return Desenlace::Guardada;
    }
    if (bd.commitIncierto()) return Desenlace::Incierto;
    if (conflicto) error->clear();
    return conflicto ? Desenlace::Conflicto : Desenlace::Fallo;
}

}  // namespace Tarjeta
