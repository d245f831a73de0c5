#include "controls/Ventana.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QIcon>
#include <QLabel>
#include <QMetaEnum>
#include <QPalette>
#include <QScreen>
#include <QWidget>
#include <QtMath>

namespace plataforma {

namespace {

double escala() {
    const QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->logicalDotsPerInch() / 96.0 : 1.0;
}

// Wine's copy of MS Sans Serif (Debian's fonts-wine), drawn to the Windows
// font's own measures: the windows' captions were placed for it in twips, and
// in Arial's measures several of them run under their boxes. It lies outside
// fontconfig's folders, and fontconfig's settings leave bitmap fonts out, so
// the program loads it itself.
const char kMsSansSerifDeWine[] = "/usr/share/wine/fonts/ms_sans_serif.ttf";

struct Familia {
    QString nombre;
    double puntos;  // the size at which its captions fit their places
};

const Familia& familiaDeLaVentana() {
    // MS Sans Serif and its outline version keep their own measures. Arial's
    // are about a tenth wider: at 7.25 points the captions fit the places
    // made for MS Sans Serif's 8, at 96, 120 and 144 dpi.
    static const Familia preferidas[] = {
        {QStringLiteral("MS Sans Serif"), 8.25},   {QStringLiteral("Microsoft Sans Serif"), 8.25},
        {QStringLiteral("Liberation Sans"), 7.25}, {QStringLiteral("Arial"), 7.25},
        {QStringLiteral("Nimbus Sans"), 7.25},     {QStringLiteral("DejaVu Sans"), 7.25}};
    // Named alone, the first one installed is found at once; a family the
    // machine lacks costs Qt an alias lookup and a fallback sort in
    // fontconfig before it moves on to the next.
    static const Familia familia = [] {
        // Wine's MS Sans Serif has one face Qt can draw, 13 pixels tall: 8
        // points at 96 dpi. Another density, or a screen Qt scales by a pixel
        // ratio (where it puts a bitmap font's unscaled glyphs at scaled
        // places), takes the first font with outlines.
        const QScreen* s = QGuiApplication::primaryScreen();
        const bool mapaDeBitsDibujable = !s || (s->devicePixelRatio() == 1.0 && escala() == 1.0);
        // Loaded before the font database is first read, so that it is read
        // once.
        if (mapaDeBitsDibujable)
            QFontDatabase::addApplicationFont(QLatin1String(kMsSansSerifDeWine));
        const QStringList instaladas = QFontDatabase::families();
        for (const Familia& f : preferidas)
            if (instaladas.contains(f.nombre, Qt::CaseInsensitive) &&
                (mapaDeBitsDibujable || QFontDatabase::isSmoothlyScalable(f.nombre)))
                return f;
        return preferidas[2];
    }();
    return familia;
}
}  // namespace

int twips(int t) {
    return int(t / 15.0 * escala() + 0.5);
}

QRect twips(int izquierda, int arriba, int ancho, int alto) {
    return {twips(izquierda), twips(arriba), twips(ancho), twips(alto)};
}

void colocar(QWidget* ventana) {
    const QScreen* s = ventana->screen() ? ventana->screen() : QGuiApplication::primaryScreen();
    if (!s) return;
    const QRect pantalla = s->geometry();
    const QSize tam = ventana->frameGeometry().size().expandedTo(ventana->size());
    ventana->move(pantalla.x() + (pantalla.width() - tam.width()) / 2,
                  pantalla.y() + (pantalla.height() - tam.height()) / 6);
}

void aplicarFuente(QWidget* ventana) {
    const Familia& familia = familiaDeLaVentana();
    QFont f = ventana->font();
    f.setFamilies({familia.nombre});
    f.setPointSizeF(familia.puntos);
    // The program's own message boxes and lists use the same font, and so does
    // the text layout every control makes before it knows its window's font:
    // one font is looked up and loaded instead of two.
    if (QApplication::font() != f) QApplication::setFont(f);
    ventana->setFont(f);
}

QIcon iconoPrograma() {
    // Each size drawn for itself (the same art as the hicolor theme's); read
    // only when the window system asks for the icon.
    QIcon icono;
    for (int lado : {16, 24, 32, 48, 64})
        icono.addFile(QStringLiteral(":/icono/tarjeta-%1.png").arg(lado), QSize(lado, lado));
    return icono;
}

QString textoVisible(const QString& titulo) {
    QString texto;
    for (qsizetype i = 0; i < titulo.size(); ++i) {
        if (titulo[i] == QLatin1Char('&') && ++i == titulo.size()) break;
        texto += titulo[i];
    }
    return texto;
}

void ajustarAlTexto(QLabel* etiqueta) {
    // One line of text: its advance and the font's height are the size, which
    // is much cheaper to learn than the general size hint of a label. Only a
    // label with a buddy reads "&" as the mark of its mnemonic letter.
    const QString texto = etiqueta->buddy() ? textoVisible(etiqueta->text()) : etiqueta->text();
    const QFontMetricsF medidas(etiqueta->font());
    const QMargins m = etiqueta->contentsMargins();
    // One pixel more than the advance: the last glyph may reach past it.
    etiqueta->resize(qCeil(medidas.horizontalAdvance(texto)) + 1 + m.left() + m.right(),
                     qCeil(medidas.height()) + m.top() + m.bottom());
}

QString carpetaPrograma() {
    return QCoreApplication::applicationDirPath();
}

QString carpetaDatos() {
    // TARJETA_CARPETA_DATOS: the data folder relative to the installed
    // program's folder, as the build's install layout sets it.
    return QDir::cleanPath(carpetaPrograma() + QLatin1Char('/') +
                           QStringLiteral(TARJETA_CARPETA_DATOS));
}

void aplicarPiel(QWidget* ventana, const QString& archivo) {
    // Beside the program first: one failed open is all an installed program
    // pays for the build folder's layout.
    QFile f(archivo);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) {
        f.setFileName(carpetaDatos() + QLatin1Char('/') + QFileInfo(archivo).fileName());
        if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) return;
    }
    // A palette rather than a style sheet: the window keeps its native style
    // and only changes colours, which costs nothing when controls are made or
    // polished.
    const QMetaEnum partes = QMetaEnum::fromType<QPalette::ColorRole>();
    QList<std::pair<int, QColor>> todos, inactivos;
    while (!f.atEnd()) {
        const QString linea = QString::fromUtf8(f.readLine()).trimmed();
        const qsizetype igual = linea.indexOf(QLatin1Char('='));
        if (linea.startsWith(QLatin1Char(';')) || igual < 0) continue;
        QString parte = linea.left(igual).trimmed();
        const bool inactivo = parte.startsWith(QLatin1String("Disabled."));
        if (inactivo) parte.remove(0, 9);
        bool conocida = false;
        const int rol = partes.keyToValue(parte.toLatin1().constData(), &conocida);
        const QColor color = QColor::fromString(QStringView(linea).mid(igual + 1).trimmed());
        // Lines the program does not know are left out, so a damaged skin
        // never keeps the window from opening.
        if (!conocida || rol < 0 || rol >= QPalette::NColorRoles || rol == QPalette::NoRole ||
            !color.isValid())
            continue;
        (inactivo ? inactivos : todos).append({rol, color});
    }
    QPalette paleta = ventana->palette();
    for (const auto& [rol, color] : todos) paleta.setColor(QPalette::ColorRole(rol), color);
    for (const auto& [rol, color] : inactivos)
        paleta.setColor(QPalette::Disabled, QPalette::ColorRole(rol), color);
    ventana->setPalette(paleta);
}

void punteroRaton(int codigo) {
    static bool reloj = false;
    if (codigo == 11 && !reloj) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        reloj = true;
    } else if (codigo == 0 && reloj) {
        QApplication::restoreOverrideCursor();
        reloj = false;
    }
}

}  // namespace plataforma
