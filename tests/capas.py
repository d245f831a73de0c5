#!/usr/bin/env python3
"""Checks the layers: each product folder includes only from itself and the
folders below it, every product include names its folder, and no folder below
the controls includes a widget header in any spelling (<QMessageBox>,
<QtWidgets/QMessageBox>, <qmessagebox.h>, <QtWidgets>).

Usage: capas.py REPOSITORY QT_INCLUDE_ROOT
The headers QtWidgets shares with Qt Core, Gui and Sql (qaction.h, in Qt Gui
since Qt 6) are not widgets."""
import os
import re
import sys

ABAJO = {  # folder: the folders it may include from, itself included
    "system": {"system"},
    "data": {"system", "data"},
    "domain": {"system", "data", "domain"},
    "controls": {"system", "controls"},
    "windows": {"system", "data", "domain", "controls", "windows"},
    "app": {"system", "data", "domain", "controls", "windows", "app"},
    "db": {"system", "data", "db"},
    "tools": {"system", "data", "domain", "db", "tools"},
}
SIN_WIDGETS = {"system", "data", "domain", "db", "tools"}
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)


def nombres(carpeta):
    return {os.path.splitext(f)[0].lower() for f in os.listdir(carpeta)}


def main():
    raiz, qt = sys.argv[1], sys.argv[2]
    de_widgets = nombres(os.path.join(qt, "QtWidgets")) - {"qtwidgets"}
    for otra in ("QtCore", "QtGui", "QtSql"):
        de_widgets -= nombres(os.path.join(qt, otra))
    faltas = []
    for carpeta, permitidas in sorted(ABAJO.items()):
        base = os.path.join(raiz, carpeta)
        for dirpath, _, archivos in os.walk(base):
            for nombre in sorted(archivos):
                if not nombre.endswith((".cpp", ".h")):
                    continue
                ruta = os.path.join(dirpath, nombre)
                relativa = os.path.relpath(ruta, raiz)
                with open(ruta, encoding="utf-8") as f:
                    texto = f.read()
                for linea, (marca, incluido) in ((texto.count("\n", 0, m.start()) + 1, m.groups())
                                                 for m in INCLUDE.finditer(texto)):
                    partes = incluido.replace("\\", "/").split("/")
                    if marca == '"':
                        if len(partes) < 2 or partes[0] not in ABAJO:
                            if not incluido.endswith(".xpm"):
                                faltas.append(f"{relativa}:{linea}: include without its folder: {incluido}")
                        elif partes[0] not in permitidas:
                            faltas.append(f"{relativa}:{linea}: {carpeta}/ may not include {incluido}")
                        continue
                    if carpeta not in SIN_WIDGETS:
                        continue
                    cabecera = os.path.splitext(partes[-1])[0].lower()
                    if partes[0].lower() == "qtwidgets" or cabecera in de_widgets:
                        faltas.append(f"{relativa}:{linea}: {carpeta}/ is below the widgets: <{incluido}>")
    for f in faltas:
        print(f)
    if faltas:
        print(f"{len(faltas)} include(s) out of their layer (README, \"Layout\")")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
