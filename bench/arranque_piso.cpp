// The floor for start-up timings: an empty Qt Widgets window, shown, then the
// program ends.

#include <QApplication>
#include <QTimer>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget ventana;
    ventana.resize(824, 466);
    ventana.show();
    QTimer::singleShot(0, &app, &QCoreApplication::quit);
    return QApplication::exec();
}
