-- ERP objects the phone card reads: branches, staff, clients, cities and the
-- client-name function. Codes are 7 characters, right-aligned.
USE erp_nax;
GO

CREATE TABLE dbo.sucursales (
    sucursal CHAR(7) NOT NULL PRIMARY KEY,
    nombre NVARCHAR(60) NOT NULL DEFAULT (''),
    centro_distribucion CHAR(7) NULL
);
GO

CREATE TABLE dbo.personal (
    persona CHAR(7) NOT NULL PRIMARY KEY,
    nombre NVARCHAR(80) NOT NULL DEFAULT (''),
    modifica_telefonos BIT NULL
);
GO

CREATE TABLE dbo.clientes (
    cliente INT NOT NULL PRIMARY KEY,
    nombre NVARCHAR(120) NULL
);
GO

CREATE TABLE dbo.ciudades (
    ciudad INT NOT NULL PRIMARY KEY,
    nombre_ciudad NVARCHAR(60) NOT NULL,
    estado SMALLINT NOT NULL
);
GO

CREATE INDEX ciudades_estado ON dbo.ciudades (estado, nombre_ciudad);
GO

-- The client's name, NULL for an unknown client.
CREATE FUNCTION dbo.nombre_cliente (@ncliente INT)
RETURNS NVARCHAR(120)
AS
BEGIN
    RETURN (SELECT c.nombre FROM dbo.clientes AS c WHERE c.cliente = @ncliente);
END;
GO
