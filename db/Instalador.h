#pragma once
// Creates the embedded databases (DIR/erp_nax.db and DIR/zelt.db) from the
// scripts kept in db/embedded, optionally with the demo data. Messages are for
// the admin tool and the tests (plain English).

#include <QString>

namespace Instalador {

// Fails if either file exists already, unless reemplazar is true.
bool CrearBasesEmbebidas(const QString& carpeta, bool demo, bool reemplazar, QString* error);

// Gives the databases' folder and both files to the group of the desk users,
// who must write them: the files 0660, the folder group-writable and setgid,
// so that the journal SQLite writes there belongs to the group too. A folder
// that holds other files keeps its group and mode unless `carpetaNueva`.
// *hecho says what was done; false with *aviso saying what was not, and why.
bool DarAlGrupo(const QString& carpeta, bool carpetaNueva, QString* hecho, QString* aviso);

}  // namespace Instalador
