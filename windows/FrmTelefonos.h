#pragma once
// The phone-card window: one client's phones and work places, the spouse, four
// references, the guarantor with the guarantor's spouse and address, and notes.
// FrmTelefonos.cpp holds its start-up, keys, rules and display;
// FrmTelefonosDisposicion.cpp its layout, FrmTelefonosGuardado.cpp the save
// and FrmTelefonosDosEscritorios.cpp what follows another desk's save.

#include <QString>
#include <QVariant>
#include <QWidget>
#include <optional>

#include "domain/Fusion.h"
#include "domain/Tarjeta.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTimer;
namespace plataforma {
class ListaConDatos;
}

class FrmTelefonos : public QWidget {
    Q_OBJECT

public:
    // The card of the session's client, which must outlive the window.
    explicit FrmTelefonos(Global::Sesion& sesion, QWidget* parent = nullptr);
    ~FrmTelefonos() override;

    // The start-up sequence. False, with a Spanish text naming the cause, when
    // the program cannot start; the window is then never shown.
    bool Form_Load(QString* error);

    // Window-level values.
    QString NombreCliente;
    bool PuedeModificar = false;
    bool TarjetaNueva = false;
    double CiudadAval = 0;
    QString NombreCompletoAval;

    // Handlers and procedures, callable from tests.
    void RevisarPermiso(const std::optional<bool>& puede);
    bool MostrarNombreCliente(const std::optional<QString>& nombre, QString* error);
    void CargarCiudades(QList<Tarjeta::Ciudad> ciudades);
    void CargarTarjeta(const Tarjeta::Leida& leida);
    void LimpiarCampos();
    void TmrInicio_Timer();
    void CmdExtras_Click();
    void CmdGuardar_Click();
    void ChkMismo_Click();
    void ChkConyuge_Click();
    void ChkAval_Click();
    bool TxtAval_Nombre_LostFocus();  // false: the name was refused
    void CmbMunicipios_KeyPress(qint16 codigo);
    // The box that shows a field of the card (Tarjeta::Campos); nullptr where
    // none does.
    QWidget* cajaDeCampo(int campo) const { return cajasDeCampos_.value(campo); }
    // Sets a check box's state by program; its rule runs only when the state
    // changes, as a user's click would.
    static void PonerCasilla(QCheckBox* casilla, int estado);

protected:
    bool eventFilter(QObject* objeto, QEvent* evento) override;
    void closeEvent(QCloseEvent* evento) override;

private:
    struct Disposicion;

    // Controls, named as the window's layout names them (tests reach them by
    // these object names).
    QGroupBox *Frame1, *Frame2, *Frame3, *Frame4, *Frame5;
    QLineEdit* TxtDueno;
    QCheckBox* ChkMismo;
    QLineEdit *TxtPrincipal_Telefono, *TxtPrincipal_Celular, *TxtPrincipal_Centro,
        *TxtPrincipal_telefono_centro, *TxtPrincipal_extension_centro;
    QLineEdit* TxtConyuge_Nombre;
    QCheckBox* ChkConyuge;
    QLineEdit *TxtConyuge_Celular, *TxtConyuge_Centro, *TxtConyuge_centro_telefono,
        *TxtConyuge_centro_extension;
    QLineEdit *txtRef1_Nombre, *TxtRef1_Telefono, *TxtRef1_Celular, *TxtRef1_parentesco;
    QLineEdit *txtRef2_Nombre, *TxtRef2_Telefono, *TxtRef2_Celular, *TxtRef2_parentesco;
    QLineEdit *txtRef3_Nombre, *TxtRef3_Telefono, *TxtRef3_Celular, *TxtRef3_parentesco;
    QLineEdit *txtRef4_Nombre, *TxtRef4_Telefono, *TxtRef4_Celular, *TxtRef4_parentesco;
    QLineEdit *TxtAval_Paterno, *TxtAval_Materno, *TxtAval_Nombre, *TxtAval_telefono,
        *TxtAval_Celular, *TxtAval_Domicilio, *TxtAval_Colonia, *TxtAval_CP, *TxtAval_Centro,
        *TxtAval_Telefono_centro, *TxtAval_extension_centro, *TxtAval_Nombre_Conyuge,
        *TxtAval_Centro_Conyuge, *TxtAval_Telefono_centro_conyuge,
        *TxtAval_extension_centro_conyuge;
    QComboBox* CmbMunicipios;
    QCheckBox* ChkAval;
    QPlainTextEdit* TxtAnotaciones;
    QPushButton* CmdGuardar;
    QPushButton* CmdExtras;
    QLabel* SkinLabel28;
    QTimer* TmrInicio;

    void construir();
    void Form_KeyPress(qint16& codigo);
    void Form_Unload();
    bool RevisarLongitud(QLineEdit* caja, int largo);
    void mostrar(const Tarjeta::Leida& leida);
    void ponerCambiar();
    void guardarYAvisar();
    void avisarGuardada(bool nueva);
    void avisarNoGuardada(Tarjeta::Desenlace d, bool nueva, const QString& error);
    void avisarFallo(bool nueva, const QString& error);
    Tarjeta::Desenlace guardarNueva(QString* error, bool domicilioSoloEditado = false);
    bool darDeAlta(bool domicilioSoloEditado);
    Tarjeta::Desenlace guardarCambios(QString* error);
    void resolverConflicto(bool nueva);
    bool guardarDeNuevo(const Tarjeta::Leida& actual);
    bool fusionar(const Tarjeta::Leida& actual, bool nueva, bool trasIncierto);
    bool guardarFusion(const QVariantList& mios, const QVariant& ciudad,
                       const Tarjeta::Leida& actual, const QList<Fusion::Origen>& origen,
                       bool conflictosMios, const QString& aviso);
    void mostrarConLoMio(const Tarjeta::Leida& actual, const QVariantList& mios,
                         const QList<Fusion::Origen>& origen);
    QVariant valorDeCampo(int campo) const;
    QVariantList valoresEnVentana() const;
    QVariantList capturada(QVariant* ciudad) const;
    void ponerValor(QWidget* caja, const QVariant& valor);
    Tarjeta::Fila filaDeVentana(const QVariant& nombreAval) const;
    std::optional<Tarjeta::Domicilio> domicilioParaGuardar() const;
    std::optional<Tarjeta::NombreAval> nombreParaEnviar(bool enviar) const;
    QString nombreDeCampo(int campo) const;
    void CmbMunicipios_Editado(const QString& texto);
    void componerNombreAval();
    QVariant nombreAvalParaGuardar(bool* llamarContacto);
    std::optional<std::pair<QVariant, QString>> ciudadParaGuardar() const;
    bool domicilioSinCiudad() const;
    bool hayCambios() const;
    int indiceDeCiudad(const QString& nombre) const;
    bool capturaGuardable();
    void guardado(const QVariant& nombreAval);

    Global::Sesion& sesion_;
    plataforma::ListaConDatos* listaCiudades_ = nullptr;  // the entries of CmbMunicipios
    bool reenfocando_ = false;  // a check is returning the focus to its box
    bool tragarClic_ = false;   // a failed check took the focus back from a click
    bool cerrada_ = false;
    bool cerrarSinPreguntar_ = false;  // the user chose to close, nothing saved
    // The last save lost the link with its commit sent: the next one reads
    // the card first.
    bool incierto_ = false;
    // The card as another desk left it, when the server sent it back with a
    // save it refused; the merge then need not read it.
    std::optional<Tarjeta::Leida> guardadaPorOtro_;
    // Card columns (in lower case) that hold only the server's code page, as
    // the loaded card's columns say; empty where every column is Unicode.
    QStringList columnasSinUnicode_;
    // What the user changed since the card was loaded or last saved: a
    // guarantor name box (or "Sin Aval"), and the guarantor's address.
    bool nombreAvalEditado_ = false;
    bool domicilioEditado_ = false;
    QVariant avalNombreGuardado_;  // aval_Nombre as the stored card holds it
    // The card as stored when it was read or last saved: the version a change
    // is checked against.
    Tarjeta::Leida cargada_;
    // The box of each field of the card (Tarjeta::Campos), nullptr where none
    // shows it.
    QList<QWidget*> cajasDeCampos_;
    // What the window showed then, field by field: what differs now is what
    // the user changed.
    QVariantList mostrado_;
};
