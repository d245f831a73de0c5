#include "tools/TelefonosCompartidos.h"

#include <QHash>
#include <QTemporaryFile>
#include <algorithm>
#include <array>
#include <memory>
#include <string_view>
#include <tuple>
#include <vector>

namespace TelefonosCompartidos {

namespace {

// The card's names, and its phone columns with the name that goes with each
// (an index into kNombres). The extra contact is the place after them.
constexpr std::array<const char*, 8> kNombres{
    "Principal_Nombre",   "conyuge_nombre",     "referencia1_nombre", "referencia2_nombre",
    "referencia3_nombre", "referencia4_nombre", "aval_Nombre",        "aval_nombre_conyuge"};
struct Columna {
    const char* nombre;
    int dueno;
};
constexpr std::array<Columna, 17> kTelefonos{{
    {"Principal_Telefono", 0},
    {"Principal_celular", 0},
    {"Principal_Telefono_centro", 0},
    {"conyuge_celular", 1},
    {"conyuge_telefono_centro", 1},
    {"referencia1_telefono", 2},
    {"referencia1_celular", 2},
    {"referencia2_telefono", 3},
    {"referencia2_celular", 3},
    {"referencia3_telefono", 4},
    {"referencia3_celular", 4},
    {"referencia4_telefono", 5},
    {"referencia4_celular", 5},
    {"aval_Telefono", 6},
    {"aval_celular", 6},
    {"aval_Telefono_centro", 6},
    {"aval_telefono_centro_conyuge", 7},
}};
constexpr int kContacto = int(kTelefonos.size());
// Columns of the statement: source (0 card, 1 extra contact), client, the
// names, the phones; an extra contact fills the first name and phone.
constexpr int kPrimerNombre = 2;
constexpr int kPrimerTelefono = kPrimerNombre + int(kNombres.size());

// One phone value kept while reading: the number's key with its place in the
// low bits, and the row it came from. Packed to 12 bytes: there may be tens
// of millions.
constexpr int kBitsLugar = 5;
static_assert(kContacto < (1 << kBitsLugar));
#pragma pack(push, 4)
struct Ocurrencia {
    quint64 clave;
    quint32 fila;
};
#pragma pack(pop)
static_assert(sizeof(Ocurrencia) == 12);

// Kept in large blocks, each an allocation of its own: growing never copies
// what is there, and a block this large is mapped for itself by the memory
// allocator, so no other allocation keeps its memory. Sorted block by block,
// then read in order through all the blocks at once: nothing of this size is
// ever held twice.
class Ocurrencias {
public:
    void agregar(Ocurrencia o) {
        if (bloques_.empty() || bloques_.back().second == kBloque)
            bloques_.emplace_back(std::make_unique_for_overwrite<Ocurrencia[]>(kBloque), 0);
        auto& [bloque, usados] = bloques_.back();
        bloque[usados++] = o;
        ++total_;
    }
    qsizetype total() const { return total_; }
    // Hands every one to `f` in order of its key, then of its row.
    template <typename F>
    void enOrden(F f) {
        const auto menor = [](const Ocurrencia& a, const Ocurrencia& b) {
            return a.clave < b.clave || (a.clave == b.clave && a.fila < b.fila);
        };
        std::vector<std::pair<const Ocurrencia*, const Ocurrencia*>> cursores;
        for (auto& [bloque, usados] : bloques_) {
            std::sort(bloque.get(), bloque.get() + usados, menor);
            cursores.emplace_back(bloque.get(), bloque.get() + usados);
        }
        for (;;) {
            std::pair<const Ocurrencia*, const Ocurrencia*>* siguiente = nullptr;
            for (auto& c : cursores)
                if (c.first != c.second && (!siguiente || menor(*c.first, *siguiente->first)))
                    siguiente = &c;
            if (!siguiente) break;
            f(*siguiente->first++);
        }
    }

private:
    // 48 MiB, above the largest size glibc's allocator serves from its heap.
    static constexpr qsizetype kBloque = qsizetype(1) << 22;
    std::vector<std::pair<std::unique_ptr<Ocurrencia[]>, qsizetype>> bloques_;
    qsizetype total_ = 0;
};

// The rows' names and stored values, written in order as they are read and
// read back only for the rows of shared numbers. Each field is its length
// (7 bits a byte, the high bit saying more follows) and its bytes.
class Apartado {
public:
    bool abrir(QString* error) {
        bufer_.reserve(kBufer + 64);
        if (archivo_.open()) return true;
        *error = QStringLiteral("cannot create a temporary file: %1").arg(archivo_.errorString());
        return false;
    }
    qint64 posicion() const { return escrito_ + bufer_.size(); }
    void poner(QByteArrayView v) {
        quint64 n = quint64(v.size());
        do {
            bufer_.append(char((n & 0x7f) | (n > 0x7f ? 0x80 : 0)));
            n >>= 7;
        } while (n);
        bufer_.append(v);
        if (bufer_.size() >= kBufer) vaciar();
    }
    // False once a write failed (fallo() says why); what follows is dropped.
    bool vaciar() {
        if (fallo_.isEmpty() && archivo_.write(bufer_) != bufer_.size())
            fallo_ = QStringLiteral("cannot write the temporary file %1: %2")
                         .arg(archivo_.fileName(), archivo_.errorString());
        escrito_ += bufer_.size();
        bufer_.resize(0);  // keeps its room for the next megabyte
        return fallo_.isEmpty();
    }
    const QString& fallo() const { return fallo_; }
    qint64 fin() const { return escrito_; }
    // The record written from `desde` up to `hasta`, after vaciar().
    QByteArray leer(qint64 desde, qint64 hasta) {
        if (!archivo_.seek(desde)) return {};
        return archivo_.read(hasta - desde);
    }
    // Field i of a record.
    static QByteArrayView campo(const QByteArray& registro, int i) {
        qsizetype p = 0;
        for (;;) {
            quint64 n = 0;
            for (int corrimiento = 0; p < registro.size(); corrimiento += 7) {
                const uchar c = uchar(registro[p++]);
                n |= quint64(c & 0x7f) << corrimiento;
                if (!(c & 0x80)) break;
            }
            if (i-- == 0)
                return QByteArrayView(registro.constData() + p,
                                      qMin(qsizetype(n), registro.size() - p));
            p += qsizetype(n);
            if (p >= registro.size()) return {};
        }
    }

private:
    static constexpr qsizetype kBufer = 1 << 20;
    QTemporaryFile archivo_;
    QByteArray bufer_;
    qint64 escrito_ = 0;
    QString fallo_;
};

qint64 entero(QByteArrayView t) {
    bool ok = false;
    const qint64 n = t.trimmed().toLongLong(&ok);
    if (ok) return n;
    return qint64(t.trimmed().toDouble());  // a client number kept as a float
}

// A value on one line of the table, whatever it holds.
QString enUnaLinea(QString t) {
    for (QChar& c : t)
        if (c.unicode() < 0x20) c = QLatin1Char(' ');
    return t.trimmed();
}

struct Grupo {
    quint64 clave;
    int clientes;
    std::vector<Ocurrencia> ocurrencias;
};

}  // namespace

QString Numero::digitos() const {
    return QString::number(clave).mid(1);
}

Numero Normalizar(QByteArrayView valor) {
    Numero n;
    char d[kMaxDigitos + 1];
    int cuantos = 0;
    bool soloDigitos = true, algo = false;
    for (const char c : valor) {
        if (c >= '0' && c <= '9') {
            if (cuantos <= kMaxDigitos) d[cuantos] = c;
            ++cuantos;
        } else {
            soloDigitos = false;
            algo = algo || (c != ' ' && c != '\t' && c != '\r' && c != '\n');
        }
    }
    using C = Numero::Clase;
    if (cuantos == 0) {
        n.clase = algo ? C::SinDigitos : C::Vacio;
        return n;
    }
    if (cuantos > kMaxDigitos) {
        n.clase = C::Largo;
        return n;
    }
    int desde = 0;
    if (cuantos == 13 && (std::string_view(d, 3) == "044" || std::string_view(d, 3) == "045" ||
                          std::string_view(d, 3) == "521")) {
        desde = 3;
        n.sinPrefijo = true;
    }
    if (std::all_of(d + desde, d + cuantos, [&](char c) { return c == d[desde]; })) {
        n.clase = C::Relleno;
        return n;
    }
    n.clase = C::Telefono;
    n.clave = 1;
    for (int i = desde; i < cuantos; ++i) n.clave = n.clave * 10 + quint64(d[i] - '0');
    n.tal = soloDigitos && !n.sinPrefijo;
    return n;
}

QString Sentencia() {
    QStringList tarjeta{QStringLiteral("0"), QStringLiteral("cliente")};
    QStringList contacto{QStringLiteral("1"), QStringLiteral("Cliente")};
    for (const char* nombre : kNombres) {
        tarjeta << QLatin1String(nombre);
        contacto << (contacto.size() == kPrimerNombre ? QStringLiteral("Nombre")
                                                      : QStringLiteral("NULL"));
    }
    for (const Columna& c : kTelefonos) {
        tarjeta << QLatin1String(c.nombre);
        contacto << (contacto.size() == kPrimerTelefono ? QStringLiteral("Telefono")
                                                        : QStringLiteral("NULL"));
    }
    return QStringLiteral(
               "SELECT %1 FROM zelt.dbo.tarjeta_telefonica_cliente UNION ALL SELECT %2 FROM "
               "zelt.dbo.contactos_extras")
        .arg(tarjeta.join(QStringLiteral(", ")), contacto.join(QStringLiteral(", ")));
}

bool Generar(plataforma::Conexion& conexion, int minClientes, Informe* informe, QString* error,
             const Avance& avance) {
    *informe = Informe();
    informe->minClientes = minClientes;
    Cuentas& cuenta = informe->cuentas;
    Apartado apartado;
    if (!apartado.abrir(error)) return false;
    Ocurrencias ocurrencias;
    std::vector<qint64> clientes;   // by row
    std::vector<qint64> registros;  // by row: where its record starts in the file

    // A value seen: counted, and kept when it is a phone number. Its stored
    // form goes to the file only when it is not the digits compared.
    auto anotar = [&](QByteArrayView valor, int lugar, quint32 fila) {
        ++cuenta.valores;
        const Numero n = Normalizar(valor);
        switch (n.clase) {
            case Numero::Clase::Telefono:
                cuenta.sinPrefijo += n.sinPrefijo;
                ocurrencias.agregar({(n.clave << kBitsLugar) | quint64(lugar), fila});
                apartado.poner(n.tal ? QByteArrayView() : valor);
                return;
            case Numero::Clase::Vacio:
                ++cuenta.vacios;
                break;
            case Numero::Clase::SinDigitos:
                ++cuenta.sinDigitos;
                break;
            case Numero::Clase::Relleno:
                ++cuenta.relleno;
                break;
            case Numero::Clase::Largo:
                ++cuenta.largos;
                break;
        }
        apartado.poner({});
    };
    const bool leido = conexion.recorrer(
        Sentencia(), {},
        [&](const plataforma::FilaLeida& f) {
            const quint32 fila = quint32(clientes.size());
            clientes.push_back(entero(f.texto(1)));
            registros.push_back(apartado.posicion());
            if (f.texto(0) == "1") {
                ++cuenta.contactos;
                apartado.poner(f.texto(kPrimerNombre));
                anotar(f.texto(kPrimerTelefono), kContacto, fila);
            } else {
                ++cuenta.tarjetas;
                for (int i = 0; i < int(kNombres.size()); ++i)
                    apartado.poner(f.texto(kPrimerNombre + i));
                for (int i = 0; i < kContacto; ++i) anotar(f.texto(kPrimerTelefono + i), i, fila);
            }
            if (avance && (fila + 1) % (1 << 16) == 0)
                avance(QStringLiteral("reading: %1 rows").arg(fila + 1));
        },
        error);
    if (!leido) return false;
    if (!apartado.vaciar()) {
        *error = apartado.fallo();
        return false;
    }

    // In order of number, each run of one number is the places it appears.
    if (avance) avance(QStringLiteral("sorting %1 phone numbers").arg(ocurrencias.total()));
    std::vector<Grupo> grupos;
    std::vector<Ocurrencia> corrida;
    std::vector<qint64> distintos;
    auto cerrar = [&] {
        if (qsizetype(corrida.size()) < minClientes) return;
        distintos.clear();
        for (const Ocurrencia& o : corrida) distintos.push_back(clientes[o.fila]);
        std::sort(distintos.begin(), distintos.end());
        const int n = int(std::unique(distintos.begin(), distintos.end()) - distintos.begin());
        if (n >= minClientes) grupos.push_back({corrida.front().clave >> kBitsLugar, n, corrida});
    };
    ocurrencias.enOrden([&](const Ocurrencia& o) {
        if (!corrida.empty() && corrida.front().clave >> kBitsLugar != o.clave >> kBitsLugar) {
            cerrar();
            corrida.clear();
        }
        corrida.push_back(o);
    });
    cerrar();
    ocurrencias = Ocurrencias();

    // The names and stored values of the rows involved, read back in file
    // order.
    if (avance) avance(QStringLiteral("reading the names of %1 shared numbers").arg(grupos.size()));
    std::vector<quint32> filas;
    for (const Grupo& g : grupos)
        for (const Ocurrencia& o : g.ocurrencias) filas.push_back(o.fila);
    std::sort(filas.begin(), filas.end());
    filas.erase(std::unique(filas.begin(), filas.end()), filas.end());
    QHash<quint32, QByteArray> registro;
    for (const quint32 fila : filas)
        registro.insert(
            fila, apartado.leer(registros[fila], fila + 1 < registros.size() ? registros[fila + 1]
                                                                             : apartado.fin()));

    std::sort(grupos.begin(), grupos.end(), [](const Grupo& a, const Grupo& b) {
        return a.clientes > b.clientes || (a.clientes == b.clientes && a.clave < b.clave);
    });
    for (Grupo& g : grupos) {
        Numero numero;
        numero.clave = g.clave;
        Compartido c;
        c.numero = numero.digitos();
        c.clientes = g.clientes;
        auto lugar = [](const Ocurrencia& o) { return int(o.clave & ((1 << kBitsLugar) - 1)); };
        std::sort(g.ocurrencias.begin(), g.ocurrencias.end(),
                  [&](const Ocurrencia& a, const Ocurrencia& b) {
                      return std::tuple(clientes[a.fila], lugar(a), a.fila) <
                             std::tuple(clientes[b.fila], lugar(b), b.fila);
                  });
        for (const Ocurrencia& o : g.ocurrencias) {
            const QByteArray& r = registro[o.fila];
            const int l = lugar(o);
            const bool contacto = l == kContacto;
            const QByteArrayView nombre =
                Apartado::campo(r, contacto ? 0 : kTelefonos[size_t(l)].dueno);
            const QByteArrayView valor =
                Apartado::campo(r, contacto ? 1 : int(kNombres.size()) + l);
            c.apariciones.append({clientes[o.fila],
                                  contacto ? QStringLiteral("contacto extra")
                                           : QLatin1String(kTelefonos[size_t(l)].nombre),
                                  valor.empty() ? c.numero : QString::fromUtf8(valor),
                                  QString::fromUtf8(nombre).trimmed()});
        }
        informe->compartidos.append(std::move(c));
    }
    return true;
}

QString Tabla(const Informe& informe) {
    QList<QStringList> filas{{QStringLiteral("number"), QStringLiteral("clients"),
                              QStringLiteral("client"), QStringLiteral("where"),
                              QStringLiteral("stored as"), QStringLiteral("name")}};
    for (const Compartido& c : informe.compartidos) {
        bool primera = true;
        for (const Aparicion& a : c.apariciones) {
            filas.append(
                {primera ? c.numero : QString(), primera ? QString::number(c.clientes) : QString(),
                 QString::number(a.cliente), a.donde, enUnaLinea(a.valor), enUnaLinea(a.nombre)});
            primera = false;
        }
    }
    QList<qsizetype> anchos(filas.first().size() - 1, 0);
    for (const QStringList& f : filas)
        for (qsizetype i = 0; i < anchos.size(); ++i) anchos[i] = qMax(anchos[i], f[i].size());
    QString salida = QStringLiteral(
                         "Phone numbers on the cards or extra contacts of %1 or more clients.\n"
                         "Compared on their digits alone; a 13-digit mobile with 044, 045 or 521 "
                         "in front is compared on its last 10 digits.\n\n")
                         .arg(informe.minClientes);
    if (informe.compartidos.isEmpty())
        return salida + QStringLiteral("No phone number appears for %1 or more clients.\n")
                            .arg(informe.minClientes);
    for (const QStringList& f : filas) {
        QString linea;
        for (qsizetype i = 0; i < anchos.size(); ++i)
            linea += f[i].leftJustified(anchos[i] + 2, QLatin1Char(' '));
        linea += f.last();
        while (linea.endsWith(QLatin1Char(' '))) linea.chop(1);
        salida += linea + QLatin1Char('\n');
    }
    return salida;
}

QString Csv(const Informe& informe) {
    auto campo = [](QString t) {
        // A NUL or another control character is a blank, as in the text
        // table; tabs and line breaks stay.
        for (QChar& c : t)
            if (c.unicode() < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') c = u' ';
        // A spreadsheet runs a cell that starts so as a formula.
        if (!t.isEmpty() && QStringLiteral("=+-@\t\r").contains(t.front()))
            t.prepend(QLatin1Char('\''));
        if (t.contains(QLatin1Char(',')) || t.contains(QLatin1Char('"')) ||
            t.contains(QLatin1Char('\n')) || t.contains(QLatin1Char('\r')))
            t = QLatin1Char('"') + t.replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
                QLatin1Char('"');
        return t;
    };
    QString salida = QStringLiteral("number,clients,client,where,stored,name\r\n");
    for (const Compartido& c : informe.compartidos)
        for (const Aparicion& a : c.apariciones)
            salida += QStringList{c.numero,
                                  QString::number(c.clientes),
                                  QString::number(a.cliente),
                                  campo(a.donde),
                                  campo(a.valor),
                                  campo(a.nombre)}
                          .join(QLatin1Char(',')) +
                      QStringLiteral("\r\n");
    return salida;
}

QString Resumen(const Informe& informe) {
    // "1 card", "2 cards".
    auto cuantos = [](qint64 n, const char* uno, const char* varios) {
        return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? uno : varios));
    };
    const Cuentas& c = informe.cuentas;
    qsizetype lugares = 0;
    for (const Compartido& s : informe.compartidos) lugares += s.apariciones.size();
    return QStringLiteral(
               "%1 shared by %2 or more clients, in %3.\n"
               "Read %4 and %5: %6.\n"
               "Left out: %7 empty, %8 without digits, %9 filler (one digit repeated), %10 "
               "longer than %11 digits.\n"
               "Compared on their last 10 digits: %12 (13-digit mobiles with 044, 045 or 521 in "
               "front).\n")
        .arg(cuantos(informe.compartidos.size(), "number", "numbers"))
        .arg(informe.minClientes)
        .arg(cuantos(lugares, "place", "places"))
        .arg(cuantos(c.tarjetas, "card", "cards"))
        .arg(cuantos(c.contactos, "extra contact", "extra contacts"))
        .arg(cuantos(c.valores, "phone value", "phone values"))
        .arg(c.vacios)
        .arg(c.sinDigitos)
        .arg(c.relleno)
        .arg(c.largos)
        .arg(kMaxDigitos)
        .arg(c.sinPrefijo);
}

}  // namespace TelefonosCompartidos
