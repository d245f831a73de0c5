#pragma once
// Test support: a throw-away embedded database with its start-up table, a
// recorder of what reaches the database (able to fail the n-th operation), and
// direct access to the stored rows.

#include <QTemporaryDir>
#include <QVariant>
#include <functional>
#include <ostream>

#include "data/BaseDatos.h"
#include "domain/Global.h"

// Readable Qt strings in test failures.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace apoyo {

struct Opciones {
    bool demo = true;
    QString sucursal = QStringLiteral("12");
    QString servidor;  // empty: the embedded databases of the folder
    QString clave = QStringLiteral("s3cr3t0");

    static Opciones conSucursal(const QString& s) {
        Opciones o;
        o.sucursal = s;
        return o;
    }
    static Opciones conServidor(const QString& s) {
        Opciones o;
        o.servidor = s;
        return o;
    }
    static Opciones vacia() {
        Opciones o;
        o.demo = false;
        return o;
    }
};

// Creates the databases and ARRANQUE in a temporary folder, points NAX_DIR at
// it, resets the program-wide state and records message boxes instead of
// showing them.
class Entorno {
public:
    explicit Entorno(Opciones opciones = {});
    ~Entorno();

    QString carpeta() const { return dir_.path(); }
    // Runs a statement on a connection of its own (the test's view of the data).
    void ejecutar(const QString& sql, const QVariantList& valores = {});
    QVariant valor(const QString& sql, const QVariantList& valores = {});
    QList<QVariantList> filas(const QString& sql, const QVariantList& valores = {});

private:
    QTemporaryDir dir_;
    plataforma::Conexion bd_;
};

// Writes ARRANQUE with the given records (values in plain text; the password
// and the token are scrambled here).
struct RegistroArranque {
    QString contrasena, token, servidor, usuario;
};
void escribirArranque(const QString& carpeta, const QList<RegistroArranque>& registros);

// The sessions a test opens, as a desk's program holds one each: kept until
// the next Entorno starts (their connections closed when this one ends).
Global::Sesion& nuevaSesion();
// The newest session (a new one when there is none).
Global::Sesion& sesion();
// A new session for the command line, opened as the program opens it.
Global::Sesion& abrirSesion(const QString& linea);

// Records every operation on a session's connection (the newest session's
// unless told); can fail one of them.
class Grabadora {
public:
    explicit Grabadora(Global::Sesion& s = sesion());
    ~Grabadora();
    QList<plataforma::Operacion> operaciones;
    // Fails the operation number n (from 1, counting from now) whose kind is
    // not Transaccion, with the given text.
    void fallarEn(int n, QString mensaje = QStringLiteral("fallo simulado del servidor"));
    QStringList textos() const;  // statement texts and procedure names, in order
    void limpiar() {
        operaciones.clear();
        contador_ = 0;
    }

private:
    Global::Sesion& sesion_;
    int fallarEn_ = -1;
    int contador_ = 0;
    QString mensaje_;
};

}  // namespace apoyo
