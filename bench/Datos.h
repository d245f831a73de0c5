#pragma once
// Benchmark databases: the demo data plus a given number of stored cards,
// extra contacts of one client and cities of the branch's state, with values
// that look like real ones. Built once per size under a cache folder.

#include <QString>

namespace datos {

struct Tamano {
    int tarjetas = 1000;  // stored cards (one of them is the measured client's)
    int contactos = 10;   // extra contacts of the measured client
    int ciudades = 2500;  // cities of state 8 above 3701
};

// The measured client: it has a stored card with guarantor address and
// contact, and the extra contacts.
constexpr int kCliente = 1234;

// Returns the folder with erp_nax.db, zelt.db and ARRANQUE.dbf for that size
// (creating it when missing); empty and *error on failure.
QString preparar(const Tamano& t, QString* error);

// For the shared-phones report: the demo data plus n stored cards with every
// phone column and every name filled, and n extra contacts spread over those
// clients. One phone value in 500 comes from a pool of n / 100 numbers, so
// that numbers are shared by about 3 clients each; half the mobiles carry the
// old 044 prefix, one work phone in ten is written with dashes and one in a
// hundred is filler. Built once per size, as preparar() does.
QString prepararTelefonos(int n, QString* error);

}  // namespace datos
