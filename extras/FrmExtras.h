#pragma once
// The extra-contacts window: any number of further contacts of the client in
// one grid (name, group, phone, place of the phone, note), saved as a whole.

#include <QDialog>

class QGroupBox;
class QPushButton;
namespace plataforma {
class Rejilla;
}

class FrmExtras : public QDialog {
    Q_OBJECT

public:
    explicit FrmExtras(QWidget* parent = nullptr);
    ~FrmExtras() override;

    // Places the window, builds the grid and reads the client's contacts;
    // false, with a Spanish text, when the contacts cannot be read.
    bool Form_Load(QString* error);

    bool ContactosValidos = false;

    void PrepararRejilla();
    bool CargarContactos(QString* error);
    void iExtras_KeyPress(qint16 codigo);
    void ValidarTelefonos();
    void CmdGuardar_Click();

protected:
    bool eventFilter(QObject* objeto, QEvent* evento) override;

private:
    // Controls, named as the window's layout names them (tests reach them by
    // these object names).
    QGroupBox* Frame1;
    plataforma::Rejilla* iExtras;
    QPushButton* CmdGuardar;

    void Form_KeyPress(qint16 codigo);
    bool guardar(QString* error, bool* conflicto);
    bool resolverConflicto(const QList<QStringList>& leidas);
    QList<QStringList> filasConNombre() const;
    void llenar(const QList<QStringList>& filas);
    bool textosAdmitidos();
    bool largosAdmitidos();
    // Grid columns (1 to 5) whose table column holds only the server's code
    // page, as the loaded contacts' columns say.
    QList<int> columnasSinUnicode_;
    // The contacts as stored when they were read or last saved: a save
    // replaces them only while they are still so.
    QList<QStringList> cargadas_;
};
