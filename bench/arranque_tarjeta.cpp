// The program's start-up, whole process: the card window shown and filled,
// then the program ends. Used to time start-up against the floor program.

#include <QApplication>
#include <QTimer>
#include <cstdio>

#include "FrmTelefonos.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    FrmTelefonos ventana(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("1234-25"));
    QString error;
    if (!ventana.Form_Load(&error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    ventana.show();
    QTimer::singleShot(0, &app, &QCoreApplication::quit);
    return QApplication::exec();
}
