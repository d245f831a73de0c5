#pragma once
// A window's controls by their object names, the names the window's layout
// gives them. A missing control stops the run, naming it.

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

template <class T>
T* control(const QObject& ventana, const char* nombre) {
    T* c = ventana.findChild<T*>(QLatin1String(nombre));
    if (!c)
        qFatal("%s has no %s named %s", qPrintable(ventana.objectName()),
               T::staticMetaObject.className(), nombre);
    return c;
}

inline QLineEdit* txt(const QObject& v, const char* nombre) {
    return control<QLineEdit>(v, nombre);
}
inline QCheckBox* chk(const QObject& v, const char* nombre) {
    return control<QCheckBox>(v, nombre);
}
inline QComboBox* cmb(const QObject& v, const char* nombre) {
    return control<QComboBox>(v, nombre);
}
inline QPushButton* cmd(const QObject& v, const char* nombre) {
    return control<QPushButton>(v, nombre);
}
