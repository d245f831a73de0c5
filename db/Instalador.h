#pragma once
// Creates the embedded databases (DIR/erp_nax.db and DIR/zelt.db) from the
// scripts kept in db/embedded, optionally with the demo data. Messages are for
// the admin tool and the tests (plain English).

#include <QString>

namespace Instalador {

// Fails if either file exists already, unless reemplazar is true.
bool CrearBasesEmbebidas(const QString& carpeta, bool demo, bool reemplazar, QString* error);

}  // namespace Instalador
