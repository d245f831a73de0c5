#pragma once
// An editable grid in the manner the extra-contacts window needs: columns with
// a header and a width in pixels, named drop-down lists attached to columns,
// rows added at the end only, cells addressed by (row, column) from 1.

#include <QHash>
#include <QPointer>
#include <QStringList>
#include <QTableWidget>

namespace plataforma {

class Rejilla : public QTableWidget {
    Q_OBJECT

public:
    explicit Rejilla(QWidget* parent = nullptr);

    void agregarColumna(const QString& encabezado, int ancho);
    QString encabezado(int columna) const;  // from 1
    void crearLista(const QString& nombre);
    void agregarALista(const QString& lista, const QString& elemento);
    // Cells of the column are edited with the list; the list is editable, so
    // a value outside it is shown and kept as it is.
    void asignarLista(int columna, const QString& lista);
    // What a user may type into a cell of the column. A longer value already
    // in the cell is edited whole; typing can only shorten it.
    void limitarColumna(int columna, int largo);
    int limiteDeColumna(int columna) const { return limites_.value(columna, 0); }

    void agregarFila();
    void altoFila(int fila, int alto);
    int filas() const { return rowCount(); }
    QString valor(int fila, int columna) const;
    void ponerValor(int fila, int columna, const QString& valor);
    QStringList lista(const QString& nombre) const { return listas_.value(nombre); }
    QString listaDeColumna(int columna) const { return listaPorColumna_.value(columna); }

    // Writes the text of a cell being edited into the grid.
    void confirmarEdicion();
    // The editor of the cell being edited, if any.
    QWidget* editorAbierto() const;

private:
    QHash<QString, QStringList> listas_;
    QHash<int, QString> listaPorColumna_;  // by column from 1
    QHash<int, int> limites_;              // by column from 1; none: no limit
    class Delegado;
    Delegado* delegado_;
};

}  // namespace plataforma
