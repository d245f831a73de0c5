#include "Programa.h"

#include <QApplication>

#include "Comun.h"
#include "FrmTelefonos.h"

int Ejecutar(const QString& lineaComandos) {
    FrmTelefonos ventana(lineaComandos);
    QString error;
    if (!ventana.Form_Load(&error)) {
        MensajeError(error, QStringLiteral("Tarjeta Telefónica"));
        return 1;
    }
    ventana.show();
    return QApplication::exec();
}
