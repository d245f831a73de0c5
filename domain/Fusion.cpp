#include "domain/Fusion.h"

namespace Fusion {

bool Iguales(const QVariant& a, const QVariant& b) {
    const auto texto = [](const QVariant& v) { return v.isNull() ? QString() : v.toString(); };
    return texto(a) == texto(b);
}

QList<Origen> Fusionar(const QVariantList& base, const QVariantList& mio, const QVariantList& suyo,
                       const QList<Regla>& reglas) {
    const qsizetype n = base.size();
    QList<bool> cambioMio(n), cambioSuyo(n);
    for (qsizetype i = 0; i < n; ++i) {
        cambioMio[i] = !Iguales(mio[i], base[i]);
        cambioSuyo[i] = !Iguales(suyo[i], base[i]);
    }
    // A check box changed is a change of every field its rule governs.
    for (const Regla& r : reglas)
        for (const int g : r.gobernados) {
            if (!Iguales(mio[r.casilla], base[r.casilla])) cambioMio[g] = true;
            if (!Iguales(suyo[r.casilla], base[r.casilla])) cambioSuyo[g] = true;
        }
    QList<Origen> origen(n);
    for (qsizetype i = 0; i < n; ++i) {
        if (!cambioMio[i])
            origen[i] = cambioSuyo[i] ? Origen::Suyo : Origen::Nadie;
        else if (!cambioSuyo[i])
            origen[i] = Origen::Mio;
        else
            origen[i] = Iguales(mio[i], suyo[i]) ? Origen::Ambos : Origen::Conflicto;
    }
    // A group whose box either desk changed is settled as a whole.
    for (const Regla& r : reglas) {
        if (!cambioMio[r.casilla] && !cambioSuyo[r.casilla]) continue;
        QList<int> grupo = r.gobernados;
        grupo.prepend(r.casilla);
        bool enConflicto = false;
        for (const int g : std::as_const(grupo))
            enConflicto = enConflicto || origen[g] == Origen::Conflicto;
        if (!enConflicto) continue;
        for (const int g : std::as_const(grupo))
            if (!Iguales(mio[g], suyo[g])) origen[g] = Origen::Conflicto;
    }
    return origen;
}

QList<int> Conflictos(const QList<Origen>& origen) {
    QList<int> c;
    for (qsizetype i = 0; i < origen.size(); ++i)
        if (origen[i] == Origen::Conflicto) c << int(i);
    return c;
}

Reparto Repartir(const QList<Origen>& origen, bool conflictosMios) {
    Reparto r;
    for (int i = 0; i < origen.size(); ++i) {
        const bool deOtro = origen[i] == Origen::Suyo || origen[i] == Origen::Conflicto;
        r.deOtro = r.deOtro || deOtro;
        if (TomaMio(origen[i], conflictosMios))
            r.algoMio = true;
        else if (deOtro)
            r.suyos << i;
    }
    return r;
}

bool TomaMio(Origen origen, bool conflictosMios) {
    return origen == Origen::Mio || (origen == Origen::Conflicto && conflictosMios);
}

QVariantList Valores(const QList<Origen>& origen, const QVariantList& mio, const QVariantList& suyo,
                     bool conflictosMios) {
    QVariantList v;
    v.reserve(origen.size());
    for (qsizetype i = 0; i < origen.size(); ++i)
        v << (TomaMio(origen[i], conflictosMios) ? mio[i] : suyo[i]);
    return v;
}

}  // namespace Fusion

namespace Tarjeta {

QVariantList Campos(const Leida& leida) {
    QVariantList c;
    c.reserve(kNumCampos);
    for (int i = 0; i < kNumColumnas; ++i) {
        const Columna& col = kColumnas[size_t(i)];
        const QVariant& v = leida.fila.valores[size_t(i)];
        if (col.fuente != Fuente::Casilla)
            c << v;
        else if (i == Campo("Principal_Mismo"))
            c << (v.toBool() ? 1 : 0);  // a yes/no column
        else
            c << (v.toInt() == 1 ? 1 : 0);
    }
    const Domicilio d = leida.domicilio.value_or(Domicilio{});
    c << d.calle << d.colonia << d.codigo << d.nombreCiudad;
    const NombreAval n = leida.nombreAval.value_or(NombreAval{});
    c << n.paterno << n.materno << n.nombre;
    return c;
}

const QList<Fusion::Regla>& Reglas() {
    static const QList<Fusion::Regla> kReglas{
        {Campo("Principal_Mismo"), {Campo("Principal_Nombre")}},
        {Campo("conyuge_tiene"),
         {Campo("conyuge_nombre"), Campo("conyuge_celular"), Campo("conyuge_centro"),
          Campo("conyuge_telefono_centro"), Campo("conyuge_extension_centro")}},
        {Campo("aval_tiene"),
         {kCampoPaterno, kCampoMaterno, kCampoNombre, Campo("aval_nombre_conyuge"),
          Campo("aval_Telefono"), Campo("aval_celular"), Campo("aval_centro"),
          Campo("aval_Telefono_centro"), Campo("aval_extension_centro"),
          Campo("aval_centro_conyuge"), Campo("aval_telefono_centro_conyuge"),
          Campo("aval_extension_centro_conyuge"), kCampoCalle, kCampoColonia, kCampoCodigo}},
    };
    return kReglas;
}

QString NombreCompleto(const QString& paterno, const QString& materno, const QString& nombre) {
    if (paterno.isEmpty() || nombre.isEmpty()) return QString();
    if (materno.isEmpty()) return paterno.trimmed() + QLatin1Char(' ') + nombre.trimmed();
    return paterno.trimmed() + QLatin1Char(' ') + materno.trimmed() + QLatin1Char(' ') +
           nombre.trimmed();
}

Combinada Combinar(const QVariantList& mios, const QVariant& ciudadMia, const Leida& suya,
                   const QList<Fusion::Origen>& origen, bool conflictosMios) {
    const QVariantList v = Fusion::Valores(origen, mios, Campos(suya), conflictosMios);
    const auto mio = [&](int i) { return Fusion::TomaMio(origen[i], conflictosMios); };
    const auto texto = [&](int i) { return v[i].isNull() ? QString() : v[i].toString(); };
    Combinada c;
    for (int i = 0; i < kNumColumnas; ++i) c.fila.valores[size_t(i)] = v[i];
    c.sinAval = v[Campo("aval_tiene")].toInt() == 1;

    if (mio(kCampoCalle) || mio(kCampoColonia) || mio(kCampoCodigo) || mio(kCampoCiudad)) {
        const QVariant ciudad = mio(kCampoCiudad) ? ciudadMia
                                : suya.domicilio  ? suya.domicilio->ciudad
                                                  : QVariant();
        // An address is stored only with its street and a city of the list.
        if (!texto(kCampoCalle).isEmpty() && !ciudad.isNull())
            c.domicilio = Domicilio{texto(kCampoCalle), ciudad, texto(kCampoColonia),
                                    texto(kCampoCodigo), texto(kCampoCiudad)};
    }
    if (mio(kCampoPaterno) || mio(kCampoMaterno) || mio(kCampoNombre)) {
        const QString completo =
            c.sinAval
                ? QString()
                : NombreCompleto(texto(kCampoPaterno), texto(kCampoMaterno), texto(kCampoNombre));
        c.fila.valores[size_t(Campo("aval_Nombre"))] = completo;
        if (!completo.isEmpty())
            c.nombre = NombreAval{texto(kCampoNombre), texto(kCampoPaterno), texto(kCampoMaterno)};
    }
    return c;
}

}  // namespace Tarjeta
