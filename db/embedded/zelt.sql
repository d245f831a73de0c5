-- Card database (zelt) for the embedded SQLite variant. The stored procedures
-- of the server are views here: a procedure that returns no rows is a view with
-- an INSTEAD OF INSERT trigger, a query procedure a view filtered by its
-- parameters. View columns carry the parameter names without the "@".

CREATE TABLE tarjeta_telefonica_cliente (
    cliente                       INTEGER NOT NULL PRIMARY KEY,  -- one card per client
    Principal_Nombre              TEXT NOT NULL DEFAULT '',
    Principal_Mismo               INTEGER NOT NULL DEFAULT 0,    -- bit: "Mismo Cliente"
    Principal_Telefono            TEXT NOT NULL DEFAULT '',
    Principal_celular             TEXT NOT NULL DEFAULT '',
    Principal_centro              TEXT NOT NULL DEFAULT '',
    Principal_Telefono_centro     TEXT NOT NULL DEFAULT '',
    Principal_extension_centro    TEXT NOT NULL DEFAULT '',
    conyuge_nombre                TEXT NOT NULL DEFAULT '',
    conyuge_tiene                 INTEGER NOT NULL DEFAULT 0,    -- 1: "Sin Cónyuge"
    conyuge_celular               TEXT NOT NULL DEFAULT '',
    conyuge_centro                TEXT NOT NULL DEFAULT '',
    conyuge_telefono_centro       TEXT NOT NULL DEFAULT '',
    conyuge_extension_centro      TEXT NOT NULL DEFAULT '',
    referencia1_nombre            TEXT NOT NULL DEFAULT '',
    referencia1_telefono          TEXT NOT NULL DEFAULT '',
    referencia1_celular           TEXT NOT NULL DEFAULT '',
    referencia1_parentesco        TEXT NOT NULL DEFAULT '',
    referencia2_nombre            TEXT NOT NULL DEFAULT '',
    referencia2_telefono          TEXT NOT NULL DEFAULT '',
    referencia2_celular           TEXT NOT NULL DEFAULT '',
    referencia2_parentesco        TEXT NOT NULL DEFAULT '',
    referencia3_nombre            TEXT NOT NULL DEFAULT '',
    referencia3_telefono          TEXT NOT NULL DEFAULT '',
    referencia3_celular           TEXT NOT NULL DEFAULT '',
    referencia3_parentesco        TEXT NOT NULL DEFAULT '',
    referencia4_nombre            TEXT NOT NULL DEFAULT '',
    referencia4_telefono          TEXT NOT NULL DEFAULT '',
    referencia4_celular           TEXT NOT NULL DEFAULT '',
    referencia4_parentesco        TEXT NOT NULL DEFAULT '',
    aval_Nombre                   TEXT NOT NULL DEFAULT '',
    aval_tiene                    INTEGER NOT NULL DEFAULT 0,    -- 1: "Sin Aval"
    aval_Telefono                 TEXT NOT NULL DEFAULT '',
    aval_celular                  TEXT NOT NULL DEFAULT '',
    aval_centro                   TEXT NOT NULL DEFAULT '',
    aval_Telefono_centro          TEXT NOT NULL DEFAULT '',
    aval_extension_centro         TEXT NOT NULL DEFAULT '',
    anotaciones                   TEXT NOT NULL DEFAULT '',
    aval_centro_conyuge           TEXT,
    aval_telefono_centro_conyuge  TEXT,
    aval_extension_centro_conyuge TEXT,
    aval_nombre_conyuge           TEXT,
    fecha_genera                  TEXT NOT NULL DEFAULT (datetime('now', 'localtime')),
    usuario_genera                TEXT NOT NULL DEFAULT '',
    fecha_cambia                  TEXT,
    usuario_cambia                TEXT
);

CREATE TABLE contactos_extras (
    id         INTEGER PRIMARY KEY,
    Cliente    INTEGER NOT NULL,
    Nombre     TEXT NOT NULL CHECK (length(Nombre) <= 100),
    Parentesco TEXT NOT NULL DEFAULT '' CHECK (length(Parentesco) <= 30),
    Telefono   TEXT NOT NULL DEFAULT '' CHECK (length(Telefono) <= 30),
    lugar      TEXT NOT NULL DEFAULT '' CHECK (length(lugar) <= 30),
    Nota       TEXT NOT NULL DEFAULT '' CHECK (length(Nota) <= 250)
);
CREATE INDEX contactos_extras_cliente ON contactos_extras (Cliente);

-- Addresses and contact persons of a client, one of each type ("Aval", ...).
CREATE TABLE domicilios_cliente (
    cliente      INTEGER NOT NULL,
    tipo         TEXT NOT NULL COLLATE NOCASE,
    sucursal     TEXT NOT NULL DEFAULT '',
    domicilio    TEXT NOT NULL DEFAULT '',
    ciudad       INTEGER NOT NULL DEFAULT 0,
    colonia      TEXT NOT NULL DEFAULT '',
    codigo       TEXT NOT NULL DEFAULT '',
    municipio    TEXT NOT NULL DEFAULT '',
    entre_calles TEXT NOT NULL DEFAULT '',
    inactivo     INTEGER NOT NULL DEFAULT 0,
    PRIMARY KEY (cliente, tipo)
);

CREATE TABLE contactos_cliente (
    cliente    INTEGER NOT NULL,
    tipo       TEXT NOT NULL COLLATE NOCASE,
    sucursal   TEXT NOT NULL DEFAULT '',
    nombre     TEXT NOT NULL DEFAULT '',
    paterno    TEXT NOT NULL DEFAULT '',
    materno    TEXT NOT NULL DEFAULT '',
    nacimiento TEXT,
    correo     TEXT NOT NULL DEFAULT '',
    PRIMARY KEY (cliente, tipo)
);

-- GUARDA_DOMICILIO_CLIENTE: stores the address of a type, new or not.
CREATE VIEW GUARDA_DOMICILIO_CLIENTE AS
SELECT '' AS cSucursal, 0 AS nCliente, '' AS cTipo, '' AS cDomicilio, 0 AS nCiudad,
       '' AS cColonia, '' AS cCodigo, '' AS cMunicipio, '' AS cEntreCalles
WHERE 0;

CREATE TRIGGER GUARDA_DOMICILIO_CLIENTE_ejecutar
INSTEAD OF INSERT ON GUARDA_DOMICILIO_CLIENTE
BEGIN
    INSERT INTO domicilios_cliente
        (cliente, tipo, sucursal, domicilio, ciudad, colonia, codigo, municipio, entre_calles)
    VALUES (NEW.nCliente, rtrim(NEW.cTipo), NEW.cSucursal, NEW.cDomicilio, NEW.nCiudad,
            NEW.cColonia, NEW.cCodigo, NEW.cMunicipio, NEW.cEntreCalles)
    ON CONFLICT (cliente, tipo) DO UPDATE SET
        sucursal = excluded.sucursal, domicilio = excluded.domicilio, ciudad = excluded.ciudad,
        colonia = excluded.colonia, codigo = excluded.codigo, municipio = excluded.municipio,
        entre_calles = excluded.entre_calles;
END;

-- GUARDA_CONTACTO_CLIENTE: stores the contact person of a type, new or not.
CREATE VIEW GUARDA_CONTACTO_CLIENTE AS
SELECT '' AS cSucursal, 0 AS nCliente, '' AS cTipo, '' AS cNombre, '' AS cPaterno,
       '' AS cMaterno, '' AS dNacimiento, '' AS cCorreo
WHERE 0;

CREATE TRIGGER GUARDA_CONTACTO_CLIENTE_ejecutar
INSTEAD OF INSERT ON GUARDA_CONTACTO_CLIENTE
BEGIN
    INSERT INTO contactos_cliente
        (cliente, tipo, sucursal, nombre, paterno, materno, nacimiento, correo)
    VALUES (NEW.nCliente, rtrim(NEW.cTipo), NEW.cSucursal, NEW.cNombre, NEW.cPaterno,
            NEW.cMaterno, NEW.dNacimiento, NEW.cCorreo)
    ON CONFLICT (cliente, tipo) DO UPDATE SET
        sucursal = excluded.sucursal, nombre = excluded.nombre, paterno = excluded.paterno,
        materno = excluded.materno, nacimiento = excluded.nacimiento, correo = excluded.correo;
END;

-- Cambia_Estado_Domicilio_Cliente: marks the address of a type inactive or
-- active; a client without such an address is not an error.
CREATE VIEW Cambia_Estado_Domicilio_Cliente AS
SELECT 0 AS nCliente, '' AS cTipo, 0 AS lInactivo
WHERE 0;

CREATE TRIGGER Cambia_Estado_Domicilio_Cliente_ejecutar
INSTEAD OF INSERT ON Cambia_Estado_Domicilio_Cliente
BEGIN
    UPDATE domicilios_cliente SET inactivo = NEW.lInactivo
    WHERE cliente = NEW.nCliente AND tipo = rtrim(NEW.cTipo);
END;

-- CONSULTA_DOMICILIO_CLIENTE: street, city number, neighbourhood, postal
-- code, city name; the parameter columns come last.
CREATE VIEW CONSULTA_DOMICILIO_CLIENTE AS
SELECT domicilio, ciudad, colonia, codigo, municipio, cliente AS nCliente, tipo AS cTipo
FROM domicilios_cliente;

-- CONSULTA_CONTACTO_CLIENTE: given names, paternal and maternal surname.
CREATE VIEW CONSULTA_CONTACTO_CLIENTE AS
SELECT nombre, paterno, materno, cliente AS nCliente, tipo AS cTipo
FROM contactos_cliente;
