#include "Apoyo.h"

#include "domain/Arranque.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <deque>
#include <memory>

#include "app/Programa.h"
#include "controls/Escena.h"
#include "data/Cp1252.h"
#include "data/Dbf.h"
#include "db/Instalador.h"
#include "domain/Cifrado.h"
#include "domain/Global.h"

namespace apoyo {

namespace {

std::deque<std::unique_ptr<Global::Sesion>>& sesiones() {
    static std::deque<std::unique_ptr<Global::Sesion>> s;
    return s;
}

}  // namespace

Global::Sesion& nuevaSesion() {
    return *sesiones().emplace_back(std::make_unique<Global::Sesion>());
}

Global::Sesion& sesion() {
    return sesiones().empty() ? nuevaSesion() : *sesiones().back();
}

Global::Sesion& abrirSesion(const QString& linea) {
    Global::Sesion& s = nuevaSesion();
    QString error;
    EXPECT_TRUE(Arrancar(linea, &s, &error)) << error.toStdString();
    return s;
}

Entorno::Entorno(Opciones o) {
    EXPECT_TRUE(dir_.isValid());
    QString error;
    EXPECT_TRUE(Instalador::CrearBasesEmbebidas(dir_.path(), o.demo, false, &error))
        << error.toStdString();
    const QString servidor =
        o.servidor.isEmpty() ? QStringLiteral("file:") + dir_.path() : o.servidor;
    escribirArranque(dir_.path(), {{o.clave, o.sucursal.rightJustified(7, QLatin1Char(' ')),
                                    servidor, QStringLiteral("tarjeta")}});
    // A SQL Server is the TDS test server: its certificate is checked
    // against the tests' own authority.
    if (!o.servidor.isEmpty()) {
        QFile tls(dir_.filePath(QLatin1String(Global::kArchivoProteccion)));
        EXPECT_TRUE(tls.open(QIODevice::WriteOnly) &&
                    tls.write("certificate = " TARJETA_TLS_PRUEBA "/ca.pem\n") > 0);
    }
    qputenv("NAX_DIR", dir_.path().toLocal8Bit());
    sesiones().clear();
    plataforma::Escena::grabar(true);
    EXPECT_TRUE(bd_.abrir(QStringLiteral("Server=file:") + dir_.path() + QLatin1Char(';'), &error))
        << error.toStdString();
}

Entorno::~Entorno() {
    for (const auto& s : sesiones()) s->conexion.cerrar();
    plataforma::Escena::grabar(false);
    bd_.cerrar();
}

void Entorno::ejecutar(const QString& sql, const QVariantList& valores) {
    QString error;
    EXPECT_TRUE(bd_.ejecutar(sql, valores, &error))
        << sql.toStdString() << ": " << error.toStdString();
}

QVariant Entorno::valor(const QString& sql, const QVariantList& valores) {
    QString error;
    auto rs = bd_.consultar(sql, valores, &error);
    EXPECT_TRUE(rs) << sql.toStdString() << ": " << error.toStdString();
    if (!rs || rs->alFinal()) return {};
    return rs->valor(0);
}

QList<QVariantList> Entorno::filas(const QString& sql, const QVariantList& valores) {
    QString error;
    auto rs = bd_.consultar(sql, valores, &error);
    EXPECT_TRUE(rs) << sql.toStdString() << ": " << error.toStdString();
    QList<QVariantList> salida;
    if (!rs) return salida;
    const int columnas = rs->columnas();
    for (; !rs->alFinal(); rs->siguiente()) {
        QVariantList fila;
        for (int i = 0; i < columnas; ++i) fila << rs->valor(i);
        salida << fila;
    }
    return salida;
}

void escribirArranque(const QString& carpeta, const QList<RegistroArranque>& registros) {
    QList<Arranque::Datos> datos;
    for (const RegistroArranque& r : registros)
        datos.append({r.servidor, r.usuario, r.token, r.contrasena});
    QString error;
    EXPECT_TRUE(Arranque::EscribirRegistros(QDir(carpeta).filePath(QStringLiteral("ARRANQUE.dbf")),
                                            datos, &error))
        << error.toStdString();
}

Grabadora::Grabadora(Global::Sesion& s) : sesion_(s) {
    sesion_.conexion.ponerObservador([this](const plataforma::Operacion& op) {
        operaciones.append(op);
        if (op.tipo == plataforma::Operacion::Tipo::Transaccion) return QString();
        return ++contador_ == fallarEn_ ? mensaje_ : QString();
    });
}

Grabadora::~Grabadora() {
    sesion_.conexion.ponerObservador({});
}

void Grabadora::fallarEn(int n, QString mensaje) {
    fallarEn_ = contador_ + n;
    mensaje_ = std::move(mensaje);
}

QStringList Grabadora::textos() const {
    QStringList t;
    for (const auto& op : operaciones) t << op.texto;
    return t;
}

}  // namespace apoyo
