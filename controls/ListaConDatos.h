#pragma once
// The entries of a list or combo box: a text and the number kept with it
// (the box's item data), held in one plain array so that thousands of
// entries are filled in a single step.

#include <QAbstractListModel>
#include <QList>
#include <QString>

namespace plataforma {

class ListaConDatos : public QAbstractListModel {
public:
    struct Entrada {
        QString texto;
        int dato = 0;
    };

    using QAbstractListModel::QAbstractListModel;

    // Replaces every entry at once.
    void reemplazar(QList<Entrada> entradas);

    int rowCount(const QModelIndex& padre = {}) const override;
    QVariant data(const QModelIndex& indice, int rol = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& indice, const QVariant& valor, int rol = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& indice) const override;
    bool insertRows(int fila, int cuantas, const QModelIndex& padre = {}) override;
    bool removeRows(int fila, int cuantas, const QModelIndex& padre = {}) override;

private:
    bool valido(const QModelIndex& indice) const;

    QList<Entrada> entradas_;
};

}  // namespace plataforma
