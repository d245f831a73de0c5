#include "controls/ListaConDatos.h"

namespace plataforma {

void ListaConDatos::reemplazar(QList<Entrada> entradas) {
    beginResetModel();
    entradas_ = std::move(entradas);
    endResetModel();
}

bool ListaConDatos::valido(const QModelIndex& indice) const {
    // Boxes ask for "no entry" (an invalid index) all the time: no warning.
    return indice.isValid() && indice.model() == this && indice.column() == 0 &&
           indice.row() < entradas_.size();
}

int ListaConDatos::rowCount(const QModelIndex& padre) const {
    return padre.isValid() ? 0 : int(entradas_.size());
}

QVariant ListaConDatos::data(const QModelIndex& indice, int rol) const {
    if (!valido(indice)) return {};
    const Entrada& e = entradas_[indice.row()];
    switch (rol) {
        case Qt::DisplayRole:
        case Qt::EditRole:
            return e.texto;
        case Qt::UserRole:
            return e.dato;
        default:
            return {};
    }
}

bool ListaConDatos::setData(const QModelIndex& indice, const QVariant& valor, int rol) {
    if (!valido(indice)) return false;
    Entrada& e = entradas_[indice.row()];
    if (rol == Qt::DisplayRole || rol == Qt::EditRole) {
        e.texto = valor.toString();
    } else if (rol == Qt::UserRole) {
        bool numero = false;
        const int dato = valor.toInt(&numero);
        if (!numero && !valor.isNull()) return false;
        e.dato = dato;
    } else {
        return false;
    }
    emit dataChanged(indice, indice, {rol});
    return true;
}

Qt::ItemFlags ListaConDatos::flags(const QModelIndex& indice) const {
    return indice.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

bool ListaConDatos::insertRows(int fila, int cuantas, const QModelIndex& padre) {
    if (padre.isValid() || fila < 0 || fila > entradas_.size() || cuantas < 1) return false;
    beginInsertRows(padre, fila, fila + cuantas - 1);
    entradas_.insert(fila, cuantas, Entrada{});
    endInsertRows();
    return true;
}

bool ListaConDatos::removeRows(int fila, int cuantas, const QModelIndex& padre) {
    if (padre.isValid() || fila < 0 || cuantas < 1 || fila + cuantas > entradas_.size())
        return false;
    beginRemoveRows(padre, fila, fila + cuantas - 1);
    entradas_.remove(fila, cuantas);
    endRemoveRows();
    return true;
}

}  // namespace plataforma
