#pragma once
// The extra-contacts window: any number of further contacts of the client in
// one grid (name, group, phone, place of the phone, note), saved as a whole.

#include <QDialog>

#include "domain/Contactos.h"

class QGroupBox;
class QPushButton;
namespace plataforma {
class Rejilla;
}

class FrmExtras : public QDialog {
    Q_OBJECT

public:
    // The extra contacts of the session's client; the session must outlive
    // the window.
    explicit FrmExtras(Global::Sesion& sesion, QWidget* parent = nullptr);
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
    Global::Sesion& sesion_;
    // Controls, named as the window's layout names them (tests reach them by
    // these object names).
    QGroupBox* Frame1;
    plataforma::Rejilla* iExtras;
    QPushButton* CmdGuardar;

    void Form_KeyPress(qint16 codigo);
    void guardar();
    QList<Contactos::Mia> filasDeLaRejilla() const;
    void llenar(const QList<QStringList>& filas);
    bool comoSeLeyo(int fila) const;
    bool textosAdmitidos();
    bool largosAdmitidos();
    // Grid columns (1 to 5) whose table column holds only the server's code
    // page, as the loaded contacts' columns say.
    QList<int> columnasSinUnicode_;
    // The contacts as stored when they were read or last saved: a save
    // replaces them only while they are still so, and otherwise merges what
    // this window did to them into the stored ones.
    QList<QStringList> leidas_;
    // The last save lost the link with its commit sent: the next one reads
    // the stored list first.
    bool incierto_ = false;
    // For each grid row from the first, the index in leidas_ of the row it
    // showed; -1 (or no entry) for a row added since. The grid only grows at
    // the end, so a row keeps its index.
    QList<int> origenes_;
};
