// The floor for start-up timings: an empty Qt Widgets window, shown, then the
// program ends. With "--texto" the window holds one label, which makes Qt load
// the system's font database as every window with text must.

#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <QWidget>
#include <cstring>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget ventana;
    ventana.resize(824, 466);
    if (argc > 1 && std::strcmp(argv[1], "--texto") == 0)
        (new QLabel(QStringLiteral("Tarjeta Telefónica"), &ventana))->adjustSize();
    ventana.show();
    QTimer::singleShot(0, &app, &QCoreApplication::quit);
    return QApplication::exec();
}
