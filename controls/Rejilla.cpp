#include "controls/Rejilla.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QStyledItemDelegate>

#include "controls/LimiteDeTexto.h"

namespace plataforma {

class Rejilla::Delegado : public QStyledItemDelegate {
public:
    explicit Delegado(Rejilla* rejilla) : QStyledItemDelegate(rejilla), rejilla_(rejilla) {}

    QWidget* createEditor(QWidget* padre, const QStyleOptionViewItem& opcion,
                          const QModelIndex& indice) const override {
        const QString lista = rejilla_->listaDeColumna(indice.column() + 1);
        QWidget* editor = nullptr;
        if (lista.isEmpty()) {
            editor = QStyledItemDelegate::createEditor(padre, opcion, indice);
        } else {
            auto* combo = new QComboBox(padre);
            combo->setEditable(true);
            combo->setInsertPolicy(QComboBox::NoInsert);
            combo->addItems(rejilla_->lista(lista));
            editor = combo;
        }
        editor_ = editor;
        return editor;
    }

    void setEditorData(QWidget* editor, const QModelIndex& indice) const override {
        const QString v = indice.data(Qt::EditRole).toString();
        auto* combo = qobject_cast<QComboBox*>(editor);
        QLineEdit* edicion = combo ? combo->lineEdit() : qobject_cast<QLineEdit*>(editor);
        const int limite = rejilla_->limiteDeColumna(indice.column() + 1);
        if (edicion && limite > 0 && limiteDeTecleo(edicion) == 0) limitarTecleo(edicion, limite);
        if (combo) {
            combo->setCurrentIndex(combo->findText(v, Qt::MatchExactly | Qt::MatchCaseSensitive));
            if (edicion) ponerTexto(edicion, v);
            return;
        }
        if (edicion) {
            ponerTexto(edicion, v);
            return;
        }
        QStyledItemDelegate::setEditorData(editor, indice);
    }

    void setModelData(QWidget* editor, QAbstractItemModel* modelo,
                      const QModelIndex& indice) const override {
        if (auto* combo = qobject_cast<QComboBox*>(editor)) {
            modelo->setData(indice, combo->currentText(), Qt::EditRole);
            return;
        }
        QStyledItemDelegate::setModelData(editor, modelo, indice);
    }

    void destroyEditor(QWidget* editor, const QModelIndex& indice) const override {
        if (editor_ == editor) editor_ = nullptr;
        QStyledItemDelegate::destroyEditor(editor, indice);
    }

    void confirmar() {
        if (editor_) emit commitData(editor_);
    }
    QWidget* editor() const { return editor_; }

private:
    Rejilla* rejilla_;
    mutable QPointer<QWidget> editor_;
};

Rejilla::Rejilla(QWidget* parent) : QTableWidget(parent), delegado_(new Delegado(this)) {
    setItemDelegate(delegado_);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                    QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setHighlightSections(false);
    setTabKeyNavigation(true);
}

void Rejilla::agregarColumna(const QString& encabezado, int ancho) {
    const int c = columnCount();
    insertColumn(c);
    setHorizontalHeaderItem(c, new QTableWidgetItem(encabezado));
    setColumnWidth(c, ancho);
}

QString Rejilla::encabezado(int columna) const {
    const QTableWidgetItem* h = horizontalHeaderItem(columna - 1);
    return h ? h->text() : QString();
}

void Rejilla::crearLista(const QString& nombre) {
    listas_.insert(nombre, {});
}

void Rejilla::agregarALista(const QString& lista, const QString& elemento) {
    listas_[lista].append(elemento);
}

void Rejilla::asignarLista(int columna, const QString& lista) {
    listaPorColumna_.insert(columna, lista);
}

void Rejilla::limitarColumna(int columna, int largo) {
    limites_.insert(columna, largo);
}

void Rejilla::agregarFila() {
    insertRow(rowCount());
}

void Rejilla::altoFila(int fila, int alto) {
    setRowHeight(fila - 1, alto);
}

QString Rejilla::valor(int fila, int columna) const {
    const QTableWidgetItem* i = item(fila - 1, columna - 1);
    return i ? i->text() : QString();
}

void Rejilla::ponerValor(int fila, int columna, const QString& v) {
    QTableWidgetItem* i = item(fila - 1, columna - 1);
    if (!i) {
        i = new QTableWidgetItem;
        setItem(fila - 1, columna - 1, i);
    }
    i->setText(v);
}

void Rejilla::confirmarEdicion() {
    delegado_->confirmar();
}

QWidget* Rejilla::editorAbierto() const {
    return delegado_->editor();
}

}  // namespace plataforma
