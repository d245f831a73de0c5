// From the start-up table to a shown card window: settings, the connection,
// the branch's state, the command line, and every way start-up can fail.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTranslator>
#include <QWindow>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "Apoyo.h"
#include "Controles.h"
#include "app/Programa.h"
#include "controls/Escena.h"
#include "controls/Ventana.h"
#include "domain/Global.h"
#include "windows/FrmTelefonos.h"

using plataforma::Operacion;
using plataforma::Suceso;
using plataforma::Escena::sucesos;

namespace {

// In a new session, or in the one given.
QString arrancar(const QString& linea, std::unique_ptr<FrmTelefonos>* ventana = nullptr,
                 Global::Sesion* sesion = nullptr) {
    Global::Sesion& s = sesion ? *sesion : apoyo::nuevaSesion();
    QString error;
    if (!Arrancar(linea, &s, &error)) return error;
    auto f = std::make_unique<FrmTelefonos>(s);
    if (f->Form_Load(&error)) error.clear();
    if (ventana) *ventana = std::move(f);
    return error;
}

// ------------------------------------------------------------ start-up table

TEST(Arranque, SoloCuentaElPrimerRegistroYSeRecortan) {
    apoyo::Entorno e;
    apoyo::escribirArranque(e.carpeta(),
                            {{QStringLiteral("clave"), QStringLiteral("     12"),
                              QStringLiteral("   file:") + e.carpeta() + QStringLiteral("   "),
                              QStringLiteral("  tarjeta  ")},
                             {QStringLiteral("otra"), QStringLiteral("99"), QStringLiteral("otro"),
                              QStringLiteral("otro")}});
    QString error;
    Global::Ajustes a;
    ASSERT_TRUE(Global::LeerArranque(&a, &error)) << error.toStdString();
    EXPECT_EQ(Global::CadenaBaseDatos(a.servidor, a.usuario, a.clave),
              QStringLiteral("Driver={SQL Server};Server=file:") + e.carpeta() +
                  QStringLiteral(";Database=erp_nax;Uid=tarjeta;Pwd=clave;"));
    EXPECT_EQ(a.sucursal, QStringLiteral("     12"));
}

TEST(Arranque, LaSucursalSeLlenaOCortaASiete) {
    apoyo::Entorno e;
    const QString servidor = QStringLiteral("file:") + e.carpeta();
    QString error;
    apoyo::escribirArranque(
        e.carpeta(), {{QStringLiteral("c"), QStringLiteral("12"), servidor, QStringLiteral("u")}});
    Global::Sesion s;
    ASSERT_TRUE(Global::AbrirSesion(&s, &error));
    EXPECT_EQ(s.sucursal.valor(), QStringLiteral("12     "));
    apoyo::escribirArranque(e.carpeta(), {{QStringLiteral("c"), QStringLiteral("123456789"),
                                           servidor, QStringLiteral("u")}});
    Global::Sesion t;
    ASSERT_TRUE(Global::AbrirSesion(&t, &error));
    EXPECT_EQ(t.sucursal.valor(), QStringLiteral("1234567"));
}

struct CasoEstado {
    const char* sucursal;
    QVariant centro;  // invalid: the branch has no row
    int estado;
};

TEST(Arranque, EstadoSegunElCentroDeDistribucion) {
    const CasoEstado casos[] = {
        {"     50", QStringLiteral("      1"), 8},
        {"     51", QStringLiteral("      3"), 8},
        {"     52", QStringLiteral("      5"), 19},
        {"     53", QStringLiteral("1"), 19},
        {"     54", QStringLiteral(""), 19},
        {"     55", QVariant(QMetaType::fromType<QString>()), 19},
        {"     56", QVariant(), 0},
    };
    for (const auto& c : casos) {
        apoyo::Entorno e(apoyo::Opciones::conSucursal(QString::fromLatin1(c.sucursal)));
        if (c.centro.isValid())
            e.ejecutar(QStringLiteral(
                           "insert into Sucursales (sucursal, centro_distribucion) values (?, ?)"),
                       {QString::fromLatin1(c.sucursal), c.centro});
        Global::Sesion& s = apoyo::nuevaSesion();
        QString error;
        ASSERT_TRUE(Global::AbrirSesion(&s, &error)) << error.toStdString();
        apoyo::Grabadora g(s);
        ASSERT_TRUE(Global::LeerEstado(s, &error)) << error.toStdString();
        EXPECT_EQ(s.estado, c.estado) << c.sucursal;
        ASSERT_EQ(g.operaciones.size(), 1);
        EXPECT_EQ(g.operaciones[0].valores, QVariantList{QString::fromLatin1(c.sucursal)});
    }
}

// ------------------------------------ what stands where the table should be

// Every message about the start-up table: the fault and what to do on the
// first line, any lower-level detail on lines of its own after "Detalle:".
void comprobarMensaje(const QString& mensaje, const char* fragmento, const char* caso) {
    const QStringList lineas = mensaje.split(QLatin1Char('\n'));
    EXPECT_TRUE(lineas[0].contains(QString::fromUtf8(fragmento)))
        << caso << ": " << mensaje.toStdString();
    EXPECT_TRUE(lineas[0].contains(QStringLiteral("pida al administrador"))) << caso;
    for (qsizetype i = 1; i < lineas.size(); ++i)
        EXPECT_TRUE(lineas[i].startsWith(QStringLiteral("Detalle: ")))
            << caso << ": " << mensaje.toStdString();
}

struct CasoTabla {
    const char* nombre;
    std::function<void(const QString& carpeta, const QString& tabla)> preparar;
    const char* mensaje;
};

TEST(Arranque, LoQueNoEsUnaTablaSeNombraEnseguida) {
    const CasoTabla casos[] = {
        {"carpeta",
         [](const QString&, const QString& t) {
             QFile::remove(t);
             QDir().mkdir(t);
         },
         "es una carpeta, no un archivo"},
        {"FIFO",
         [](const QString& c, const QString& t) {
             QFile::remove(t);  // the exact name: opening it must not wait for a writer
             const QByteArray fifo = QFile::encodeName(c + QStringLiteral("/ARRANQUE.DBF"));
             ASSERT_EQ(::mkfifo(fifo.constData(), 0644), 0);
         },
         "es una tubería (FIFO), no un archivo"},
        {"/dev/zero",
         [](const QString&, const QString& t) {
             QFile::remove(t);
             QFile::link(QStringLiteral("/dev/zero"), t);
         },
         "es un dispositivo, no un archivo"},
        {"3 GiB", [](const QString&, const QString& t) { QFile(t).resize(qint64(3) << 30); },
         "es demasiado grande"},
        {"enlace roto",
         [](const QString& c, const QString& t) {
             QFile::remove(t);
             QFile::link(c + QStringLiteral("/nada"), t);
         },
         "es un enlace simbólico a algo que no existe"},
        {"dos tablas",
         [](const QString& c, const QString& t) {
             QFile::copy(t, c + QStringLiteral("/ARRANQUE.DBF"));
         },
         "cuyos nombres solo difieren en mayúsculas (ARRANQUE.DBF, ARRANQUE.dbf)"},
        {"NAX_DIR es un archivo",
         [](const QString&, const QString& t) { qputenv("NAX_DIR", QFile::encodeName(t)); },
         "no es una carpeta"},
        {"NAX_DIR no existe",
         [](const QString& c, const QString&) { qputenv("NAX_DIR", QFile::encodeName(c) + "/no"); },
         "No existe la carpeta"},
    };
    for (const auto& c : casos) {
        apoyo::Entorno e;
        c.preparar(e.carpeta(), QDir(e.carpeta()).filePath(QStringLiteral("ARRANQUE.dbf")));
        QElapsedTimer reloj;
        reloj.start();
        QString error;
        Global::Ajustes a;
        EXPECT_FALSE(Global::LeerArranque(&a, &error)) << c.nombre;
        EXPECT_LT(reloj.elapsed(), 1000) << c.nombre;
        comprobarMensaje(error, c.mensaje, c.nombre);
    }
}

// The message `leer` gives as a user without root's powers gets it. Root
// reads whatever the permission bits say, so as root `leer` runs in a child
// process that has become "nobody"; *pudo is false when it cannot.
QString sinPrivilegios(const std::function<QString()>& leer, bool* pudo) {
    *pudo = true;
    if (::geteuid() != 0) return leer();
    int tubo[2];
    if (::pipe(tubo) != 0) {
        *pudo = false;
        return {};
    }
    const pid_t hijo = ::fork();
    if (hijo == 0) {
        ::close(tubo[0]);
        if (::setgroups(0, nullptr) != 0 || ::setresgid(65534, 65534, 65534) != 0 ||
            ::setresuid(65534, 65534, 65534) != 0)
            ::_exit(3);
        const QByteArray b = leer().toUtf8();
        ::_exit(::write(tubo[1], b.constData(), size_t(b.size())) == b.size() ? 0 : 4);
    }
    ::close(tubo[1]);
    QByteArray salida;
    char trozo[4096];
    for (ssize_t n; (n = ::read(tubo[0], trozo, sizeof trozo)) > 0;) salida.append(trozo, n);
    ::close(tubo[0]);
    int estado = 0;
    ::waitpid(hijo, &estado, 0);
    *pudo = WIFEXITED(estado) && WEXITSTATUS(estado) == 0;
    return QString::fromUtf8(salida);
}

TEST(Arranque, SinPermisoSeDicePermisoDenegado) {
    const CasoTabla casos[] = {
        {"tabla sin lectura",
         [](const QString&, const QString& t) { QFile::setPermissions(t, {}); },
         "ARRANQUE.dbf no se puede leer: permiso denegado"},
        {"carpeta sin paso",
         [](const QString& c, const QString&) {
             QFile::setPermissions(c, QFile::ReadOwner | QFile::ReadOther);
         },
         "arranque no se puede leer: permiso denegado"},
        {"carpeta sin lectura",
         [](const QString& c, const QString&) {
             QFile::setPermissions(c, QFile::ExeOwner | QFile::ExeOther);
         },
         "arranque no se puede leer: permiso denegado"},
    };
    for (const auto& c : casos) {
        apoyo::Entorno e;
        // "nobody" must reach the folder (QTemporaryDir makes it private).
        const auto abierta = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                             QFile::ReadOther | QFile::ExeOther;
        QFile::setPermissions(e.carpeta(), abierta);
        c.preparar(e.carpeta(), QDir(e.carpeta()).filePath(QStringLiteral("ARRANQUE.dbf")));
        bool pudo = false;
        const QString error = sinPrivilegios(
            [] {
                QString e;
                Global::Ajustes a;
                Global::LeerArranque(&a, &e);
                return e;
            },
            &pudo);
        QFile::setPermissions(e.carpeta(), abierta);
        if (!pudo) GTEST_SKIP() << "cannot read as the user nobody";
        comprobarMensaje(error, c.mensaje, c.nombre);
    }
}

// ------------------------------------------------- the embedded databases

// A missing or damaged embedded database file (either one) stops start-up
// with a message that names it, says what is wrong and what to do, and sends
// no one to the network; read as a desk user, not root.
TEST(Arranque, UnaBaseEmbebidaDanadaSeNombraConQueHacer) {
    const struct {
        std::function<void(const QString&)> danar;
        const char *mensaje, *detalle;
    } casos[] = {
        {[](const QString& a) { QFile::remove(a); }, "Falta la base de datos", ""},
        {[](const QString& a) { QFile(a).resize(0) && QFile(a).resize(5000); },  // zeros
         "está dañada", "file is not a database"},
        {[](const QString& a) { QFile(a).resize(QFileInfo(a).size() / 2); }, "está dañada",
         "malformed"},
        {[](const QString& a) { QFile(a).resize(0); }, "está dañada", "no tiene ninguna tabla"},
        {[](const QString& a) { QFile::remove(a) && ::mkfifo(QFile::encodeName(a).data(), 0644); },
         "es una tubería (FIFO), no un archivo", ""},
        {[](const QString& a) { QFile::setPermissions(a, {}); },
         "no se puede abrir: permiso denegado", "Permission denied"},
    };
    for (const char* base : {"erp_nax.db", "zelt.db"}) {
        for (const auto& c : casos) {
            apoyo::Entorno e;
            QFile::setPermissions(e.carpeta(), QFile::ReadOwner | QFile::WriteOwner |
                                                   QFile::ExeOwner | QFile::ReadOther |
                                                   QFile::ExeOther);
            const QString archivo = QDir(e.carpeta()).filePath(QLatin1String(base));
            c.danar(archivo);
            bool pudo = false;
            const QString error = sinPrivilegios(
                [] {
                    QString m;
                    Global::Sesion s;
                    return Global::AbrirSesion(&s, &m) ? QStringLiteral("abierta") : m;
                },
                &pudo);
            if (!pudo) GTEST_SKIP() << "cannot open as the user nobody";
            comprobarMensaje(error, c.mensaje, base);
            EXPECT_TRUE(error.section(u'\n', 0, 0).contains(QDir::toNativeSeparators(archivo)) &&
                        error.section(u'\n', 1).contains(QLatin1String(c.detalle)) &&
                        !error.contains(QStringLiteral("la red")))
                << error.toStdString();
        }
    }
}

// -------------------------------------------------------------- command line

struct CasoLinea {
    const char* linea;
    double cliente;
    const char* usuario;
    bool permiso;
};

TEST(LineaDeComandos, ClienteYUsuario) {
    const CasoLinea casos[] = {
        {"1234-25", 1234, "     25", true},
        {"1234-ABCDEFG", 1234, "ABCDEFG", true},
        {"1234-ABCDEFGHI", 1234, "ABCDEFG", true},
        {"1234-25-9", 1234, "     25", true},
        {"1234-26", 1234, "     26", false},
        {"1234-27", 1234, "     27", false},  // a NULL permission is none
        {" 1235 -25", 1235, "     25", true},
        {"1235- 25 ", 1235, "     25", true},
        {"\t0001236-25", 1236, "     25", true},
    };
    for (const auto& c : casos) {
        apoyo::Entorno e;
        std::unique_ptr<FrmTelefonos> f;
        EXPECT_EQ(arrancar(QString::fromLatin1(c.linea), &f), QString()) << c.linea;
        EXPECT_EQ(apoyo::sesion().cliente, c.cliente) << c.linea;
        EXPECT_EQ(apoyo::sesion().usuario.valor(), QString::fromLatin1(c.usuario, 7)) << c.linea;
        EXPECT_EQ(f->PuedeModificar, c.permiso) << c.linea;
    }
}

TEST(Arranque, SentenciasEnOrdenConValoresEnlazados) {
    apoyo::Entorno e;
    Global::Sesion& s = apoyo::nuevaSesion();
    apoyo::Grabadora g(s);
    std::unique_ptr<FrmTelefonos> f;
    ASSERT_EQ(arrancar(QStringLiteral("1234-25"), &f, &s), QString());
    const QStringList esperadas{
        QStringLiteral("SELECT centro_distribucion FROM erp_nax.dbo.Sucursales WHERE sucursal = ?"),
        QStringLiteral("SELECT modifica_telefonos FROM personal WHERE persona=?"),
        QStringLiteral("select erp_nax.dbo.nombre_cliente(cliente) from erp_nax.dbo.clientes "
                       "where cliente = 1234"),
        QStringLiteral(
            "select c.ciudad,c.nombre_ciudad FROM ciudades c WHERE ciudad > 3701 AND estado = 8  "
            "order by nombre_ciudad"),
        QStringLiteral("select * from zelt.dbo.tarjeta_telefonica_cliente WHERE cliente= 1234"),
        QStringLiteral("Zelt.dbo.CONSULTA_DOMICILIO_CLIENTE"),
        QStringLiteral("Zelt.dbo.CONSULTA_CONTACTO_CLIENTE"),
    };
    EXPECT_EQ(g.textos(), esperadas);
    EXPECT_EQ(g.operaciones[0].valores, QVariantList{QStringLiteral("     12")});
    EXPECT_EQ(g.operaciones[1].valores, QVariantList{QStringLiteral("     25")});
    EXPECT_EQ(f->windowTitle(),
              QStringLiteral("Tarjeta Telefónica de: MARÍA GUADALUPE HERNÁNDEZ SOTO"));
    EXPECT_EQ(f->NombreCliente, QStringLiteral("MARÍA GUADALUPE HERNÁNDEZ SOTO"));
    EXPECT_TRUE(sucesos().isEmpty());
}

TEST(Arranque, VentanaColocadaConPielYSinRelojDeArena) {
    apoyo::Entorno e;
    QTemporaryDir carpeta;
    std::unique_ptr<FrmTelefonos> f;
    ASSERT_EQ(arrancar(QStringLiteral("1234-25"), &f), QString());
    const QRect pantalla = f->screen()->geometry();
    EXPECT_EQ(f->x(), pantalla.x() + (pantalla.width() - f->frameGeometry().width()) / 2);
    EXPECT_EQ(f->y(), pantalla.y() + (pantalla.height() - f->frameGeometry().height()) / 6);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    // The skin beside the program gives the window its colours.
    EXPECT_EQ(f->palette().color(QPalette::Window), QColor(0xee, 0xf3, 0xfa));
    EXPECT_EQ(txt(*f, "TxtDueno")->palette().color(QPalette::Disabled, QPalette::Text),
              QColor(0x6b, 0x76, 0x86));
    // A missing file changes nothing; lines it cannot read are left out.
    const QPalette antes = f->palette();
    plataforma::aplicarPiel(f.get(), carpeta.filePath(QStringLiteral("no-existe.skn")));
    EXPECT_EQ(f->palette(), antes);
    QFile piel(carpeta.filePath(QStringLiteral("Msn2008.skn")));
    ASSERT_TRUE(piel.open(QIODevice::WriteOnly));
    piel.write(
        "; notes\nDisabled.Base = #010203\n  Base=#123456  \nNoSuchPart = #ffffff\n"
        "Text = not-a-colour\nWindowText #abcdef\nNColorRoles = #000000\n"
        "NoRole = #000000\n");
    piel.close();
    plataforma::aplicarPiel(f.get(), piel.fileName());
    EXPECT_EQ(f->palette().color(QPalette::Active, QPalette::Base), QColor(0x12, 0x34, 0x56));
    EXPECT_EQ(f->palette().color(QPalette::Disabled, QPalette::Base), QColor(1, 2, 3));
    EXPECT_EQ(f->palette().color(QPalette::Text), antes.color(QPalette::Text));
    EXPECT_EQ(f->palette().color(QPalette::WindowText), antes.color(QPalette::WindowText));
}

// Installed, the skin is not beside the program but in its data folder
// (the build tree lays out share/tarjeta/ beside the tests' folder as well).
TEST(Arranque, PielDeLaCarpetaDeDatosCuandoNoEstaJuntoAlPrograma) {
    QTemporaryDir sinPiel;
    QWidget ventana;
    plataforma::aplicarPiel(&ventana, sinPiel.filePath(QStringLiteral("Msn2008.skn")));
    EXPECT_EQ(ventana.palette().color(QPalette::Window), QColor(0xee, 0xf3, 0xfa));
}

TEST(Arranque, AplicacionEnEspanol) {
    const QLocale antes;
    QTranslator traductor;
    PrepararAplicacion(traductor);
    EXPECT_EQ(QApplication::applicationName(), QStringLiteral("tarjeta"));
    EXPECT_EQ(QLocale().language(), QLocale::Spanish);
    EXPECT_EQ(QLocale().territory(), QLocale::Mexico);
    // The toolkit's own button words, as message boxes show them.
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes"), QStringLiteral("&Sí"));
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "OK"), QStringLiteral("Aceptar"));
    QApplication::removeTranslator(&traductor);
    QLocale::setDefault(antes);
}

TEST(Arranque, ClienteSinNombre) {
    apoyo::Entorno e;
    std::unique_ptr<FrmTelefonos> f;
    ASSERT_EQ(arrancar(QStringLiteral("2002-25"), &f), QString());  // on file, a NULL name
    EXPECT_EQ(f->windowTitle(), QStringLiteral("Tarjeta Telefónica de: "));
    EXPECT_TRUE(f->NombreCliente.isEmpty());
}

TEST(Arranque, SobreTodoALosDosSegundosYEscapeCierra) {
    apoyo::Entorno e;
    std::unique_ptr<FrmTelefonos> f;
    ASSERT_EQ(arrancar(QStringLiteral("1234-25"), &f), QString());
    EXPECT_EQ(control<QTimer>(*f, "TmrInicio")->interval(), 2000);
    EXPECT_TRUE(control<QTimer>(*f, "TmrInicio")->isActive());
    f->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(f.get()));
    const WId nativa = f->winId();
    EXPECT_TRUE(sucesos().isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(sucesos().size(), 1, 4000);
    EXPECT_EQ(sucesos()[0].tipo, Suceso::Tipo::SobreTodo);
    EXPECT_EQ(sucesos()[0].ventana, f.get());
    EXPECT_FALSE(control<QTimer>(*f, "TmrInicio")->isActive());
    EXPECT_TRUE(f->windowHandle()->flags() & Qt::WindowStaysOnTopHint);
    // The same native window, still shown: only its always-on-top state changed.
    EXPECT_EQ(f->winId(), nativa);
    EXPECT_TRUE(f->isVisible());

    txt(*f, "TxtAval_Colonia")->setFocus();
    QTest::keyClick(txt(*f, "TxtAval_Colonia"), Qt::Key_Escape);
    EXPECT_FALSE(f->isVisible());
    EXPECT_FALSE(apoyo::sesion().conexion.abierta());
}

// ------------------------------------------------------------------ failures

struct CasoFallo {
    const char* nombre;
    std::function<void(apoyo::Entorno&)> preparar;
    const char* linea;
    const char* mensaje;
};

TEST(Arranque, CadaFalloTerminaConMensajeYEstado1) {
    const CasoFallo casos[] = {
        {"sin tabla",
         [](apoyo::Entorno& e) { QFile::remove(QDir(e.carpeta()).filePath("ARRANQUE.dbf")); },
         "1234-25", "No se encontró la tabla de arranque"},
        {"tabla dañada",
         [](apoyo::Entorno& e) {
             QFile f(QDir(e.carpeta()).filePath("ARRANQUE.dbf"));
             ASSERT_TRUE(f.open(QIODevice::ReadWrite));
             f.resize(100);
         },
         "1234-25", "No se puede leer la tabla de arranque"},
        {"tabla vacía", [](apoyo::Entorno& e) { apoyo::escribirArranque(e.carpeta(), {}); },
         "1234-25", "no tiene ningún registro"},
        {"sin base de datos",
         [](apoyo::Entorno& e) { QFile::remove(QDir(e.carpeta()).filePath("zelt.db")); }, "1234-25",
         "Falta la base de datos"},
        {"sentencia rechazada", [](apoyo::Entorno& e) { e.ejecutar("DROP TABLE personal"); },
         "1234-25", "No se pudo consultar el permiso del usuario"},
        {"sin sucursales", [](apoyo::Entorno& e) { e.ejecutar("DROP TABLE Sucursales"); },
         "1234-25", "No se pudo consultar la sucursal"},
        {"sin ciudades", [](apoyo::Entorno& e) { e.ejecutar("DROP TABLE ciudades"); }, "1234-25",
         "No se pudo leer la lista de ciudades"},
        {"sin procedimiento",
         [](apoyo::Entorno& e) { e.ejecutar("DROP VIEW zelt.CONSULTA_CONTACTO_CLIENTE"); },
         "1234-25", "No se pudo leer el nombre del aval"},
        {"nulo en la sucursal",
         [](apoyo::Entorno& e) {
             const QString servidor = QStringLiteral("file:") + e.carpeta();
             apoyo::escribirArranque(
                 e.carpeta(), {{QStringLiteral("c"), QString::fromUtf8("1\0002", 3), servidor,
                                QStringLiteral("u")}});
         },
         "1234-25", "el código de sucursal contiene un carácter nulo"},
        {"nulo en la clave",
         [](apoyo::Entorno& e) {
             const QString servidor = QStringLiteral("file:") + e.carpeta();
             apoyo::escribirArranque(
                 e.carpeta(), {{QString::fromUtf8("c\000d", 3), QStringLiteral("12"), servidor,
                                QStringLiteral("u")}});
         },
         "1234-25", "la contraseña de la base de datos contiene «};» o un carácter nulo"},
        {"cliente vacío", nullptr, "-25", "no indica el número de cliente"},
        {"línea vacía", nullptr, "", "no indica el número de cliente ni el usuario"},
        {"sin usuario", nullptr, "1235", "La línea de comandos «1235» no indica el usuario"},
        {"cliente que no existe", nullptr, "9999-25", "El cliente 9999 no está registrado"},
        {"cliente no numérico", nullptr, "abc-1", "«abc» de la línea de comandos no es válido"},
        {"cliente decimal", nullptr, "12.5-1", "no es válido"},
        {"cliente enorme", nullptr, "99999999999-1", "no es válido"},
        {"cliente fuera de 32 bits", nullptr, "2147483648-1", "no es válido"},
        // Digits of other scripts make no client number (as a number they would read 0).
        {"cliente en cifras arábigo-índicas", nullptr, "\u0661\u0662\u0663\u0664-25",
         "no es válido"},
    };
    for (const auto& c : casos) {
        apoyo::Entorno e;
        if (c.preparar) c.preparar(e);
        QTimer salir;  // a card that opens after all ends its event loop at once
        salir.callOnTimeout(qApp, &QCoreApplication::quit);
        salir.start(0);
        const qsizetype abiertas = plataforma::Conexion::cuantasAbiertas();
        EXPECT_EQ(Ejecutar(QString::fromUtf8(c.linea)), 1) << c.nombre;
        ASSERT_EQ(sucesos().size(), 1) << c.nombre;
        EXPECT_EQ(sucesos()[0].tipo, Suceso::Tipo::Error);
        EXPECT_EQ(sucesos()[0].titulo, QStringLiteral("Tarjeta Telefónica"));
        EXPECT_TRUE(sucesos()[0].texto.contains(QString::fromUtf8(c.mensaje)))
            << c.nombre << ": " << sucesos()[0].texto.toStdString();
        EXPECT_FALSE(sucesos()[0].texto.contains(QStringLiteral("s3cr3t0"))) << c.nombre;
        EXPECT_EQ(plataforma::Conexion::cuantasAbiertas(), abiertas) << c.nombre;
    }
}

// A SQL Server that does not answer fails within seconds, through the ODBC
// driver registered as "SQL Server", without showing the password.
TEST(Arranque, ServidorQueNoRespondeFallaProntoSinMostrarLaClave) {
    QProcess odbcinst;
    odbcinst.start(QStringLiteral("odbcinst"),
                   {QStringLiteral("-q"), QStringLiteral("-d"), QStringLiteral("-n"),
                    QStringLiteral("SQL Server")});
    if (!odbcinst.waitForFinished(5000) || odbcinst.exitCode() != 0)
        GTEST_SKIP()
            << "the ODBC driver \"SQL Server\" is not registered (scripts/setup.sh does it)";
    QTcpServer mudo;  // accepts connections and never answers
    ASSERT_TRUE(mudo.listen(QHostAddress::LocalHost));
    for (const QString& servidor :
         {QStringLiteral("127.0.0.1,1"), QStringLiteral("127.0.0.1,%1").arg(mudo.serverPort())}) {
        apoyo::Entorno e(apoyo::Opciones::conServidor(servidor));
        QElapsedTimer reloj;
        reloj.start();
        EXPECT_EQ(Ejecutar(QStringLiteral("1234-25")), 1);
        EXPECT_LT(reloj.elapsed(), 20000) << servidor.toStdString();
        ASSERT_EQ(sucesos().size(), 1);
        EXPECT_TRUE(sucesos()[0].texto.startsWith(
            QStringLiteral("No se pudo conectar con la base de datos")))
            << sucesos()[0].texto.toStdString();
        EXPECT_FALSE(sucesos()[0].texto.contains(QStringLiteral("s3cr3t0")));
    }
}

}  // namespace
