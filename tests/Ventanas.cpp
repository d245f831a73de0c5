#include "Ventanas.h"
#include "Controles.h"

#include <gtest/gtest.h>

#include <QTest>
#include <QTimer>

namespace apoyo {

std::unique_ptr<FrmTelefonos> abrirTarjeta(const QString& linea, Global::Sesion** sesion) {
    Global::Sesion& s = abrirSesion(linea);
    if (sesion) *sesion = &s;
    auto f = std::make_unique<FrmTelefonos>(s);
    QString error;
    EXPECT_TRUE(f->Form_Load(&error)) << error.toStdString();
    control<QTimer>(*f, "TmrInicio")->stop();  // tests that need it start it themselves
    f->show();
    f->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(f.get()));
    plataforma::Escena::limpiar();
    return f;
}

QStringList escena() {
    QStringList s;
    for (const auto& e : plataforma::Escena::sucesos()) {
        switch (e.tipo) {
            case plataforma::Suceso::Tipo::Error:
                s << QStringLiteral("error: ") + e.texto + QStringLiteral(" | ") + e.titulo;
                break;
            case plataforma::Suceso::Tipo::Informacion:
                s << QStringLiteral("info: ") + e.texto + QStringLiteral(" | ") + e.titulo;
                break;
            case plataforma::Suceso::Tipo::Pregunta:
                s << QStringLiteral("pregunta: ") + e.texto + QStringLiteral(" | ") + e.titulo;
                break;
            case plataforma::Suceso::Tipo::Eleccion:
                s << QStringLiteral("elige: ") + e.texto + QStringLiteral(" | ") + e.titulo;
                break;
            case plataforma::Suceso::Tipo::SobreTodo:
                s << QStringLiteral("encima");
                break;
            case plataforma::Suceso::Tipo::NoSobreTodo:
                s << QStringLiteral("no-encima");
                break;
            case plataforma::Suceso::Tipo::Tab:
                break;
        }
    }
    return s;
}

}  // namespace apoyo
