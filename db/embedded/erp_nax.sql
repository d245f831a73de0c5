-- ERP database (erp_nax) for the embedded SQLite variant: branches, staff,
-- clients and cities. Text keys compare without regard to letter case, as on
-- SQL Server's default collation.

CREATE TABLE Sucursales (
    sucursal            TEXT NOT NULL COLLATE NOCASE PRIMARY KEY,  -- 7 characters, right-aligned
    nombre              TEXT NOT NULL DEFAULT '',
    centro_distribucion TEXT                                       -- 7 characters, right-aligned
);

CREATE TABLE personal (
    persona            TEXT NOT NULL COLLATE NOCASE PRIMARY KEY,   -- 7 characters, right-aligned
    nombre             TEXT NOT NULL DEFAULT '',
    modifica_telefonos INTEGER                                     -- 1 may change stored cards
);

CREATE TABLE clientes (
    cliente INTEGER NOT NULL PRIMARY KEY,
    nombre  TEXT
);

CREATE TABLE ciudades (
    ciudad        INTEGER NOT NULL PRIMARY KEY,
    nombre_ciudad TEXT NOT NULL,
    estado        INTEGER NOT NULL
);
CREATE INDEX ciudades_estado ON ciudades (estado, nombre_ciudad);
