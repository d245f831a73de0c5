#include "controls/LimiteDeTexto.h"

#include <QLineEdit>
#include <QValidator>

namespace plataforma {

namespace {

bool tieneMitades(const QString& t) {
    for (qsizetype i = 0; i < t.size(); ++i) {
        const QChar c = t.at(i);
        if (c.isHighSurrogate() && i + 1 < t.size() && t.at(i + 1).isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            return true;
    }
    return false;
}

// QLineEdit's own maximum length cuts what it receives, text set by the
// program included, and may leave half a character; this validator counts
// the same UTF-16 units as the database and refuses instead.
class Limite : public QValidator {
public:
    Limite(QLineEdit* caja, int limite)
        : QValidator(caja), limite_(limite), actual_(caja->text().size()) {
        connect(caja, &QLineEdit::textChanged, this,
                [this](const QString& t) { actual_ = t.size(); });
    }
    int limite() const { return limite_; }
    // The box checks the program's text too, as it sets it: that text is
    // taken as the box's length before it arrives.
    void admitir(const QString& t) { actual_ = t.size(); }

    State validate(QString& texto, int&) const override {
        if (tieneMitades(texto)) return Invalid;
        const qsizetype n = texto.size();
        return n <= limite_ || n <= actual_ ? Acceptable : Invalid;
    }

private:
    int limite_;
    qsizetype actual_;  // UTF-16 units of the box's text as it stands
};

}  // namespace

void limitarTecleo(QLineEdit* caja, int limite) {
    caja->setValidator(new Limite(caja, limite));
}

int limiteDeTecleo(const QLineEdit* caja) {
    const auto* l = dynamic_cast<const Limite*>(caja->validator());
    return l ? l->limite() : 0;
}

void ponerTexto(QLineEdit* caja, const QString& texto) {
    if (auto* l = dynamic_cast<const Limite*>(caja->validator()))
        const_cast<Limite*>(l)->admitir(texto);
    caja->setText(texto);
}

}  // namespace plataforma
