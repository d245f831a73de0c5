#include "domain/Tarjeta.h"

#include "data/Lote.h"
#include "domain/Global.h"

using plataforma::Lote;
using plataforma::Parametro;
using plataforma::Resultado;
using Resultados = std::vector<std::unique_ptr<Resultado>>;
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
void agregar(const Global::Sesion& s, const Fila& fila, int i, Lote* l) {
    const Columna& c = kColumnas[size_t(i)];
    switch (c.fuente) {
        case Fuente::Cliente:
            *l << Global::NumeroPlano(s.cliente);
            return;
        case Fuente::Casilla:
            *l << (fila.valores[size_t(i)].toInt() == 1 ? QStringLiteral("1")
                                                        : QStringLiteral("0"));
            return;
        case Fuente::Usuario:
            l->valor(s.usuario.valor());
            return;
        case Fuente::Texto:
        case Fuente::NombreAval:
            l->valor(fila.valores[size_t(i)]);
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

const QString kGuardaDomicilio = QStringLiteral("Zelt.dbo.GUARDA_DOMICILIO_CLIENTE");
const QString kGuardaContacto = QStringLiteral("Zelt.dbo.GUARDA_CONTACTO_CLIENTE");
const QString kCambiaEstado = QStringLiteral("Zelt.dbo.Cambia_Estado_Domicilio_Cliente");
const QString kConsultaDomicilio = QStringLiteral("Zelt.dbo.CONSULTA_DOMICILIO_CLIENTE");
const QString kConsultaContacto = QStringLiteral("Zelt.dbo.CONSULTA_CONTACTO_CLIENTE");

QList<Parametro> parametrosDomicilio(const Global::Sesion& s, const Domicilio& d) {
    return delAval(
        s,
        {{QStringLiteral("@cDomicilio"), TipoParametro::TextoFijo, Ancho(kCampoCalle), d.calle},
         {QStringLiteral("@nCiudad"), TipoParametro::Entero, 4, d.ciudad.toDouble()},
         {QStringLiteral("@cColonia"), TipoParametro::TextoFijo, Ancho(kCampoColonia), d.colonia},
         {QStringLiteral("@cCodigo"), TipoParametro::TextoFijo, Ancho(kCampoCodigo), d.codigo},
         {QStringLiteral("@cMunicipio"), TipoParametro::TextoFijo, Ancho(kCampoCiudad),
          d.nombreCiudad},
         {QStringLiteral("@cEntreCalles"), TipoParametro::TextoFijo, 200, QString()}});
}

QList<Parametro> parametrosContacto(const Global::Sesion& s, const NombreAval& n) {
    return delAval(
        s,
        {{QStringLiteral("@cNombre"), TipoParametro::TextoFijo, Ancho(kCampoNombre), n.nombre},
         {QStringLiteral("@cPaterno"), TipoParametro::TextoFijo, Ancho(kCampoPaterno), n.paterno},
         {QStringLiteral("@cMaterno"), TipoParametro::TextoFijo, Ancho(kCampoMaterno), n.materno},
         {QStringLiteral("@dNacimiento"), TipoParametro::FechaHora, 10,
          QStringLiteral("01-01-1900")},
         {QStringLiteral("@cCorreo"), TipoParametro::TextoFijo, 80, QString()}});
}

QList<Parametro> parametrosEstadoDomicilio(const Global::Sesion& s, bool sinAval) {
    return parametrosConsulta(s) << Parametro{QStringLiteral("@lInactivo"), TipoParametro::SiNo, 1,
                                              sinAval};
}

// The address and the name, where given, after the card's own statements:
// called one by one on the embedded database.
bool guardarDomicilioYNombre(Global::Sesion& s, const std::optional<Domicilio>& domicilio,
                             const std::optional<NombreAval>& nombre, QString* error) {
    if (domicilio &&
        !s.conexion.llamar(kGuardaDomicilio, parametrosDomicilio(s, *domicilio), error))
        return false;
    return !nombre || s.conexion.llamar(kGuardaContacto, parametrosContacto(s, *nombre), error);
}

// The same calls written into a SQL Server batch.
bool domicilioYNombreEnLote(const Global::Sesion& s, const std::optional<Domicilio>& domicilio,
                            const std::optional<NombreAval>& nombre, Lote* l, QString* error) {
    if (domicilio && !l->llamada(kGuardaDomicilio, parametrosDomicilio(s, *domicilio), error))
        return false;
    return !nombre || l->llamada(kGuardaContacto, parametrosContacto(s, *nombre), error);
}

// The condition that the stored card is still the given version: its change
// date and user; for a card never changed, every column but the notes (whose
// type on older servers cannot be compared) as it was read.
void agregarVersion(Global::Sesion& s, const Leida& v, Lote* l) {
    const auto condicion = [&](const QString& columna, const QVariant& valor, bool numero) {
        *l << QStringLiteral(" AND ") + columna;
        if (valor.isNull()) {
            *l << QStringLiteral(" IS NULL");
        } else if (numero) {
            *l << QStringLiteral(" = ") + QString::number(valor.toInt());
        } else {
            *l << QStringLiteral(" = ");
            l->valor(valor);
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

// ------------------------------------------------------------------ reading

namespace {

// A NULL permission is no permission; no row, no value.
void permisoDe(const Resultado& rs, std::optional<bool>* puede) {
    puede->reset();
    if (rs.vacio()) return;
    const QVariant v = rs.valor(0);
    *puede = !v.isNull() && v.toBool();
}

void nombreDe(const Resultado& rs, std::optional<QString>* nombre) {
    nombre->reset();
    if (!rs.vacio()) *nombre = texto(rs, 0);
}

void ciudadesDe(Resultado& rs, QList<Ciudad>* ciudades) {
    ciudades->clear();
    for (; !rs.alFinal(); rs.siguiente()) {
        const QVariant numero = rs.valor(0);
        const QVariant nombre = rs.valor(1);
        if (!numero.isNull() && !nombre.isNull())
            ciudades->append({enMayusculas(nombre.toString().trimmed()), numero.toInt()});
    }
}

// The card's row; false, with *detalle, when a column the load reads is
// missing.
bool filaDe(const Resultado& rs, Leida* leida, QString* detalle) {
    for (const Columna& c : kColumnas)
        if (!rs.columnaUnicode(QLatin1String(c.insertar)))
            leida->columnasSinUnicode << QString::fromLatin1(c.insertar).toLower();
    if (rs.vacio()) return true;
    for (const Columna& c : kColumnas) {
        if (c.leer && !rs.tieneColumna(QLatin1String(c.leer))) {
            *detalle = QStringLiteral("A la tarjeta guardada le falta la columna %1.")
                           .arg(QLatin1String(c.leer));
            return false;
        }
    }
    leida->existe = true;
    for (int i = 0; i < kNumColumnas; ++i)
        leida->fila.valores[size_t(i)] = rs.valor(QLatin1String(kColumnas[size_t(i)].insertar));
    leida->conAvalNombre = rs.tieneColumna(QStringLiteral("aval_Nombre"));
    leida->fechaGenera = rs.valor(QStringLiteral("fecha_genera"));
    leida->fechaCambia = rs.valor(QStringLiteral("fecha_cambia"));
    leida->usuarioCambia = rs.valor(QStringLiteral("usuario_cambia"));
    return true;
}

void domicilioDe(const Resultado& rs, Leida* leida) {
    if (!rs.alFinal())
        leida->domicilio = Domicilio{texto(rs, 0).trimmed(), rs.valor(1), texto(rs, 2).trimmed(),
                                     texto(rs, 3).trimmed(), texto(rs, 4).trimmed()};
}

void nombreAvalDe(const Resultado& rs, Leida* leida) {
    if (!rs.alFinal())
        leida->nombreAval =
            NombreAval{texto(rs, 0).trimmed(), texto(rs, 1).trimmed(), texto(rs, 2).trimmed()};
}

const QString kSqlPermiso =
    QStringLiteral("SELECT modifica_telefonos FROM personal WHERE persona=");

QString sqlNombreCliente(const Global::Sesion& s) {
    // From the clients' table: no row for a client not on file (the function
    // alone would give NULL, as it does for a client on file without a name).
    return QStringLiteral(
               "select erp_nax.dbo.nombre_cliente(cliente) from erp_nax.dbo.clientes "
               "where cliente = ") +
           Global::NumeroPlano(s.cliente);
}

QString sqlCiudades(const QString& estado) {
    return QStringLiteral("select c.ciudad,c.nombre_ciudad ") + QStringLiteral("FROM ciudades c ") +
           QStringLiteral("WHERE ciudad > 3701 ") + QStringLiteral("AND estado = ") + estado +
           QStringLiteral("  ") + QStringLiteral("order by nombre_ciudad");
}

QString sqlTarjeta(const Global::Sesion& s) {
    return QStringLiteral("select * from ") + kTabla + QStringLiteral(" WHERE cliente= ") +
           Global::NumeroPlano(s.cliente);
}

// SQL Server: the stored card, then, for a stored one, the guarantor's
// address and name; three results, or one for a card not stored.
bool tarjetaEnLote(const Global::Sesion& s, Lote* l, QString* error) {
    *l << sqlTarjeta(s) << QStringLiteral(";\nIF EXISTS (SELECT 1 FROM ") << kTabla
       << QStringLiteral(" WHERE cliente = ") << Global::NumeroPlano(s.cliente)
       << QStringLiteral(")\nBEGIN\n");
    if (!l->llamada(kConsultaDomicilio, parametrosConsulta(s), error) ||
        !l->llamada(kConsultaContacto, parametrosConsulta(s), error))
        return false;
    *l << QStringLiteral("END;\n");
    return true;
}

// The card from the results of tarjetaEnLote, the first at `desde`.
bool tarjetaDeLote(const Resultados& rs, size_t desde, Leida* leida, Lectura* fallo,
                   QString* detalle) {
    *fallo = Lectura::Tarjeta;
    if (rs.size() <= desde || !filaDe(*rs[desde], leida, detalle)) return false;
    if (!leida->existe) return true;
    if (rs.size() > desde + 1) domicilioDe(*rs[desde + 1], leida);
    if (rs.size() > desde + 2) nombreAvalDe(*rs[desde + 2], leida);
    return true;
}

// The embedded database: the row, then the two procedures one by one.
bool tarjetaPorPasos(Global::Sesion& s, Leida* leida, Lectura* fallo, QString* detalle) {
    *fallo = Lectura::Tarjeta;
    auto rs = s.conexion.consultar(sqlTarjeta(s), {}, detalle);
    if (!rs || !filaDe(*rs, leida, detalle)) return false;
    if (!leida->existe) return true;
    *fallo = Lectura::Domicilio;
    auto aux = s.conexion.llamarConFilas(kConsultaDomicilio, parametrosConsulta(s), detalle);
    if (!aux) return false;
    domicilioDe(*aux, leida);
    *fallo = Lectura::NombreAval;
    aux = s.conexion.llamarConFilas(kConsultaContacto, parametrosConsulta(s), detalle);
    if (!aux) return false;
    nombreAvalDe(*aux, leida);
    return true;
}

// A batch that failed after the results before `desde`: which of the card's
// readings had not arrived whole (the card's row, if it had, goes to *leida).
Lectura fallidaEn(const Resultados& rs, size_t desde, Leida* leida) {
    QString ignorado;
    if (rs.size() <= desde || !filaDe(*rs[desde], leida, &ignorado)) return Lectura::Tarjeta;
    return rs.size() == desde + 1 ? Lectura::Domicilio : Lectura::NombreAval;
}

}  // namespace

QString QueNoSeLeyo(Lectura lectura) {
    switch (lectura) {
        case Lectura::Sucursal:
            return QStringLiteral("No se pudo consultar la sucursal.");
        case Lectura::Permiso:
            return QStringLiteral("No se pudo consultar el permiso del usuario.");
        case Lectura::Nombre:
            return QStringLiteral("No se pudo consultar el nombre del cliente.");
        case Lectura::Ciudades:
            return QStringLiteral("No se pudo leer la lista de ciudades.");
        case Lectura::Tarjeta:
            return QStringLiteral("No se pudo leer la tarjeta del cliente.");
        case Lectura::Domicilio:
            return QStringLiteral("No se pudo leer el domicilio del aval.");
        case Lectura::NombreAval:
            return QStringLiteral("No se pudo leer el nombre del aval.");
    }
    return {};
}

bool LeerPermiso(Global::Sesion& s, std::optional<bool>* puede, QString* error) {
    auto rs = s.conexion.consultar(kSqlPermiso + QLatin1Char('?'), {s.usuario.valor()}, error);
    if (!rs) return false;
    permisoDe(*rs, puede);
    return true;
}

bool LeerNombreCliente(Global::Sesion& s, std::optional<QString>* nombre, QString* error) {
    auto rs = s.conexion.consultar(sqlNombreCliente(s), {}, error);
    if (!rs) return false;
    nombreDe(*rs, nombre);
    return true;
}

bool LeerCiudades(Global::Sesion& s, QList<Ciudad>* ciudades, QString* error) {
    auto rs = s.conexion.consultar(sqlCiudades(QString::number(s.estado)), {}, error);
    if (!rs) return false;
    ciudadesDe(*rs, ciudades);
    return true;
}

bool LeerInicio(Global::Sesion& s, Inicio* inicio, Lectura* fallo, QString* detalle) {
    *inicio = Inicio();
    if (!s.conexion.esSqlServer()) {
        *fallo = Lectura::Sucursal;
        if (!Global::LeerEstado(s, detalle)) return false;
        *fallo = Lectura::Permiso;
        if (!LeerPermiso(s, &inicio->puede, detalle)) return false;
        *fallo = Lectura::Nombre;
        if (!LeerNombreCliente(s, &inicio->nombreCliente, detalle)) return false;
        if (!inicio->nombreCliente) return true;
        *fallo = Lectura::Ciudades;
        if (!LeerCiudades(s, &inicio->ciudades, detalle)) return false;
        return tarjetaPorPasos(s, &inicio->leida, fallo, detalle);
    }
    // One request, its results in the order of its statements: the state of
    // the branch's distribution centre (8 for centres 1 and 3, 19 for any
    // other, 0 for a branch not on file), the permission, the client's name,
    // the state's cities, then the card.
    Lote l;
    l << QStringLiteral(
        "SET NOCOUNT ON;\n"
        "DECLARE @estado smallint = 0;\n"
        "SELECT TOP (1) @estado = CASE WHEN centro_distribucion IN ('      1', '      3') THEN 8 "
        "ELSE 19 END\nFROM erp_nax.dbo.Sucursales WHERE sucursal = ");
    l.valor(s.sucursal.valor(), 7);
    l << QStringLiteral(";\nSELECT @estado AS estado;\n") << kSqlPermiso;
    l.valor(s.usuario.valor(), 7);
    l << QStringLiteral(";\n") << sqlNombreCliente(s) << QStringLiteral(";\n")
      << sqlCiudades(QStringLiteral("@estado")) << QStringLiteral(";\n");
    if (!tarjetaEnLote(s, &l, detalle)) {
        *fallo = Lectura::Tarjeta;
        return false;
    }
    Resultados rs;
    const bool ok = l.enviar(s.conexion, &rs, detalle);
    constexpr size_t kTarjeta = 4;  // results before the card's
    for (size_t i = 0; i < kTarjeta; ++i) {
        if (rs.size() <= i) {
            *fallo = Lectura(i);
            if (ok) *detalle = QStringLiteral("El servidor no devolvió esta lectura.");
            return false;
        }
    }
    s.estado = qint16(rs[0]->alFinal() ? 0 : rs[0]->valor(0).toInt());
    permisoDe(*rs[1], &inicio->puede);
    nombreDe(*rs[2], &inicio->nombreCliente);
    ciudadesDe(*rs[3], &inicio->ciudades);
    if (!ok) {
        *fallo = fallidaEn(rs, kTarjeta, &inicio->leida);
        return false;
    }
    return tarjetaDeLote(rs, kTarjeta, &inicio->leida, fallo, detalle);
}

bool Cargar(Global::Sesion& s, Leida* leida, QString* error, QString* detalle) {
    *leida = Leida();
    Lectura fallo = Lectura::Tarjeta;
    QString palabras;
    bool ok;
    if (s.conexion.esSqlServer()) {
        Lote l;
        Resultados rs;
        ok = tarjetaEnLote(s, &l, &palabras) && l.enviar(s.conexion, &rs, &palabras);
        if (ok) {
            ok = tarjetaDeLote(rs, 0, leida, &fallo, &palabras);
        } else {
            fallo = fallidaEn(rs, 0, leida);
        }
    } else {
        ok = tarjetaPorPasos(s, leida, &fallo, &palabras);
    }
    if (ok) return true;
    *error = QueNoSeLeyo(fallo);
    if (detalle)
        *detalle = palabras;
    else
        *error = Global::ConDetalle(*error, palabras);
    return false;
}

// ------------------------------------------------------------------- saving

namespace {

// The end of a save batch on SQL Server: the result named "desenlace" says
// "guardada" or "conflicto", the latter followed by the card as stored now,
// which goes to *actual. A batch that failed with no answer (the link lost, a
// time-out, a cancel) may have been committed or not.
Desenlace desenlaceDeLote(Global::Sesion& s, bool ok, const Resultados& rs,
                          std::optional<Leida>* actual, QString* error) {
    auto& bd = s.conexion;
    const Resultado* d = plataforma::resultadoLlamado(rs, QStringLiteral("desenlace"));
    const QString que = d && !d->alFinal() ? d->valor(0).toString() : QString();
    if (ok && que == QLatin1String("conflicto")) {
        size_t i = 0;
        while (i < rs.size() && rs[i].get() != d) ++i;
        Leida leida;
        Lectura fallo;
        QString detalle;
        if (actual && tarjetaDeLote(rs, i + 1, &leida, &fallo, &detalle)) *actual = leida;
        return Desenlace::Conflicto;
    }
    if (ok && que == QLatin1String("guardada")) return Desenlace::Guardada;
    if (ok || bd.sinRespuesta()) {
        if (ok) *error = QStringLiteral("El servidor no dijo si guardó la tarjeta.");
        return Desenlace::Incierto;
    }
    const bool duplicada = bd.ultimoFueClaveDuplicada();
    // An error the server does not abort the batch for (a missing object)
    // leaves the transaction open.
    bd.revertirTransaccion();
    if (duplicada) {
        error->clear();
        return Desenlace::Conflicto;
    }
    return Desenlace::Fallo;
}

// The end of a save run step by step on the embedded database.
Desenlace desenlaceDePasos(const plataforma::Conexion& bd, bool ok, bool conflicto,
                           QString* error) {
    if (ok) return Desenlace::Guardada;
    if (bd.commitIncierto()) return Desenlace::Incierto;
    if (!conflicto) return Desenlace::Fallo;
    error->clear();
    return Desenlace::Conflicto;
}

const QString kInicioDeGuardado =
    QStringLiteral("SET NOCOUNT ON;\nSET XACT_ABORT ON;\nBEGIN TRANSACTION;\n");
// After the card's own statement: no row written means another desk got
// there first. Nothing stays written, and the card as that desk left it is
// sent back, for the merge.
bool siNoHayFila(const Global::Sesion& s, Lote* l, QString* error) {
    *l << QStringLiteral(
        ";\nIF @@ROWCOUNT = 0\nBEGIN\nROLLBACK TRANSACTION;\nSELECT 'conflicto' AS desenlace;\n");
    if (!tarjetaEnLote(s, l, error)) return false;
    *l << QStringLiteral("RETURN;\nEND;\n");
    return true;
}

}  // namespace

Desenlace Insertar(Global::Sesion& s, const Fila& fila, const std::optional<Domicilio>& domicilio,
                   const std::optional<NombreAval>& nombre, Leida* version, QString* error,
                   std::optional<Leida>* actual) {
    if (actual) actual->reset();
    QString columnas;
    Lote valores;
    for (int i = 0; i < kNumColumnas; ++i) {
        if (i > 0) {
            columnas += QLatin1Char(',');
            valores << QStringLiteral(",");
        }
        columnas += QLatin1String(kColumnas[size_t(i)].insertar);
        agregar(s, fila, i, &valores);
    }
    // Inserted only where no card exists: a server without a unique key on
    // the client would otherwise take two desks' new cards. The check holds
    // its lock to the end of the transaction, and the row count decides.
    const QString insertar = QStringLiteral("INSERT INTO ") + kTabla + QStringLiteral(" ( ") +
                             columnas + QStringLiteral(") SELECT ");
    const QString siNoHay = QStringLiteral(" WHERE NOT EXISTS (SELECT 1 FROM ") + kTabla +
                            QStringLiteral(" WITH (UPDLOCK, HOLDLOCK) WHERE cliente = ") +
                            Global::NumeroPlano(s.cliente) + QStringLiteral(")");
    auto& bd = s.conexion;
    Desenlace d;
    if (bd.esSqlServer()) {
        Lote l;
        l << kInicioDeGuardado << insertar;
        l.agregar(valores);
        l << siNoHay;
        if (!siNoHayFila(s, &l, error) || !domicilioYNombreEnLote(s, domicilio, nombre, &l, error))
            return Desenlace::Fallo;
        l << QStringLiteral("COMMIT TRANSACTION;\nSELECT 'guardada' AS desenlace;\n");
        Resultados rs;
        const bool ok = l.enviar(bd, &rs, error);
        d = desenlaceDeLote(s, ok, rs, actual, error);
    } else {
        const QString sql = insertar + valores.texto() + siNoHay;
        bool duplicada = false;
        const bool ok = bd.enTransaccion(
            [&](QString* e) {
                qint64 afectadas = -1;
                if (!bd.ejecutar(sql, valores.valores(), e, &afectadas)) {
                    duplicada = bd.ultimoFueClaveDuplicada();
                    return false;
                }
                if (afectadas == 0) {
                    duplicada = true;
                    return false;
                }
                return guardarDomicilioYNombre(s, domicilio, nombre, e);
            },
            error);
        d = desenlaceDePasos(bd, ok, duplicada, error);
    }
    if (d == Desenlace::Guardada) {
        *version = Leida();
        guardada(fila, domicilio, nombre, version);
        version->fila.valores[size_t(kFilaUsuarioGenera)] = s.usuario.valor();
        version->conAvalNombre = true;
    }
    return d;
}

Desenlace Actualizar(Global::Sesion& s, const Fila& fila, bool sinAval,
                     const std::optional<Domicilio>& domicilio,
                     const std::optional<NombreAval>& nombre, Leida* version, QString* error,
                     std::optional<Leida>* actual) {
    if (actual) actual->reset();
    Lote cambio;
    cambio << QStringLiteral("UPDATE ") + kTabla + QStringLiteral(" SET ");
    for (int i = 1; i < kNumColumnas; ++i) {
        if (i == kFilaUsuarioGenera) {
            cambio << QStringLiteral(",fecha_cambia=getdate(),usuario_cambia=");
            cambio.valor(s.usuario.valor());
            continue;
        }
        if (i > 1) cambio << QStringLiteral(",");
        cambio << QLatin1String(kColumnas[size_t(i)].actualizar) + QLatin1Char('=');
        agregar(s, fila, i, &cambio);
    }
    const QString cliente = Global::NumeroPlano(s.cliente);
    cambio << QStringLiteral(" WHERE cliente = ") + cliente;
    agregarVersion(s, *version, &cambio);
    const QString leerVersion = QStringLiteral("SELECT fecha_cambia, usuario_cambia FROM ") +
                                kTabla + QStringLiteral(" WHERE cliente = ") + cliente;
    auto& bd = s.conexion;
    QVariant fechaCambia, usuarioCambia;
    Desenlace d;
    if (bd.esSqlServer()) {
        // The change, the address marked active or not, the address and the
        // name, then the change date the server gave: the version the next
        // change from this desk is checked against.
        Lote l;
        l << kInicioDeGuardado;
        l.agregar(cambio);
        if (!siNoHayFila(s, &l, error) ||
            !l.llamada(kCambiaEstado, parametrosEstadoDomicilio(s, sinAval), error) ||
            !domicilioYNombreEnLote(s, domicilio, nombre, &l, error))
            return Desenlace::Fallo;
        const QString deLaTarjeta =
            QStringLiteral(" FROM ") + kTabla + QStringLiteral(" WHERE cliente = ") + cliente;
        l << QStringLiteral("SELECT 'guardada' AS desenlace, (SELECT fecha_cambia") + deLaTarjeta +
                 QStringLiteral(") AS fecha_cambia, (SELECT usuario_cambia") + deLaTarjeta +
                 QStringLiteral(") AS usuario_cambia;\nCOMMIT TRANSACTION;\n");
        Resultados rs;
        const bool ok = l.enviar(bd, &rs, error);
        d = desenlaceDeLote(s, ok, rs, actual, error);
        if (d == Desenlace::Guardada) {
            const Resultado* r = plataforma::resultadoLlamado(rs, QStringLiteral("desenlace"));
            fechaCambia = r->valor(1);
            usuarioCambia = r->valor(2);
        }
    } else {
        bool conflicto = false;
        const bool ok = bd.enTransaccion(
            [&](QString* e) {
                qint64 afectadas = -1;
                if (!bd.ejecutar(cambio.texto(), cambio.valores(), e, &afectadas)) return false;
                // No row: another desk changed (or removed) the card since it
                // was read. Nothing is written.
                if (afectadas == 0) {
                    conflicto = true;
                    return false;
                }
                if (!bd.llamar(kCambiaEstado, parametrosEstadoDomicilio(s, sinAval), e) ||
                    !guardarDomicilioYNombre(s, domicilio, nombre, e))
                    return false;
                auto rs = bd.consultar(leerVersion, {}, e);
                if (!rs) return false;
                if (!rs->alFinal()) {
                    fechaCambia = rs->valor(0);
                    usuarioCambia = rs->valor(1);
                }
                return true;
            },
            error);
        d = desenlaceDePasos(bd, ok, conflicto, error);
    }
    if (d == Desenlace::Guardada) {
        guardada(fila, domicilio, nombre, version);
        version->fechaCambia = fechaCambia;
        version->usuarioCambia = usuarioCambia;
    }
    return d;
}

}  // namespace Tarjeta
