-- The phone card's own objects: the card table, the extra contacts, the
-- guarantor's address and contact, and the five procedures the program calls.
USE zelt;
GO

CREATE TABLE dbo.tarjeta_telefonica_cliente (
    cliente INT NOT NULL,
    principal_nombre NVARCHAR(100) NOT NULL DEFAULT (''),
    principal_mismo BIT NOT NULL DEFAULT (0),
    principal_telefono NVARCHAR(10) NOT NULL DEFAULT (''),
    principal_celular NVARCHAR(13) NOT NULL DEFAULT (''),
    principal_centro NVARCHAR(80) NOT NULL DEFAULT (''),
    principal_telefono_centro NVARCHAR(10) NOT NULL DEFAULT (''),
    principal_extension_centro NVARCHAR(30) NOT NULL DEFAULT (''),
    conyuge_nombre NVARCHAR(100) NOT NULL DEFAULT (''),
    conyuge_tiene INT NOT NULL DEFAULT (0),
    conyuge_celular NVARCHAR(13) NOT NULL DEFAULT (''),
    conyuge_centro NVARCHAR(80) NOT NULL DEFAULT (''),
    conyuge_telefono_centro NVARCHAR(10) NOT NULL DEFAULT (''),
    conyuge_extension_centro NVARCHAR(30) NOT NULL DEFAULT (''),
    referencia1_nombre NVARCHAR(100) NOT NULL DEFAULT (''),
    referencia1_telefono NVARCHAR(10) NOT NULL DEFAULT (''),
    referencia1_celular NVARCHAR(13) NOT NULL DEFAULT (''),
    referencia1_parentesco NVARCHAR(30) NOT NULL DEFAULT (''),
    referencia2_nombre NVARCHAR(100) NOT NULL DEFAULT (''),
    referencia2_telefono NVARCHAR(10) NOT NULL DEFAULT (''),
    referencia2_celular NVARCHAR(13) NOT NULL DEFAULT (''),
    referencia2_parentesco NVARCHAR(30) NOT NULL DEFAULT (''),
    referencia3_nombre NVARCHAR(100) NOT NULL DEFAULT (''),
    referencia3_telefono NVARCHAR(10) NOT NULL DEFAULT (''),
    referencia3_celular NVARCHAR(13) NOT NULL DEFAULT (''),
    referencia3_parentesco NVARCHAR(30) NOT NULL DEFAULT (''),
    referencia4_nombre NVARCHAR(100) NOT NULL DEFAULT (''),
    referencia4_telefono NVARCHAR(10) NOT NULL DEFAULT (''),
    referencia4_celular NVARCHAR(13) NOT NULL DEFAULT (''),
    referencia4_parentesco NVARCHAR(30) NOT NULL DEFAULT (''),
    aval_nombre NVARCHAR(130) NOT NULL DEFAULT (''),
    aval_tiene INT NOT NULL DEFAULT (0),
    aval_telefono NVARCHAR(10) NOT NULL DEFAULT (''),
    aval_celular NVARCHAR(13) NOT NULL DEFAULT (''),
    aval_centro NVARCHAR(80) NOT NULL DEFAULT (''),
    aval_telefono_centro NVARCHAR(10) NOT NULL DEFAULT (''),
    aval_extension_centro NVARCHAR(30) NOT NULL DEFAULT (''),
    anotaciones NVARCHAR(MAX) NOT NULL DEFAULT (''),
    aval_centro_conyuge NVARCHAR(80) NULL,
    aval_telefono_centro_conyuge NVARCHAR(10) NULL,
    aval_extension_centro_conyuge NVARCHAR(30) NULL,
    aval_nombre_conyuge NVARCHAR(80) NULL,
    fecha_genera DATETIME NOT NULL DEFAULT (GETDATE()),
    usuario_genera CHAR(7) NOT NULL DEFAULT (''),
    fecha_cambia DATETIME NULL,
    usuario_cambia CHAR(7) NULL,
    CONSTRAINT tarjeta_telefonica_cliente_pk PRIMARY KEY (cliente)
);
GO

CREATE TABLE dbo.contactos_extras (
    id INT IDENTITY (1, 1) NOT NULL PRIMARY KEY,
    cliente INT NOT NULL,
    nombre NVARCHAR(100) NOT NULL,
    parentesco NVARCHAR(30) NOT NULL DEFAULT (''),
    telefono NVARCHAR(30) NOT NULL DEFAULT (''),
    lugar NVARCHAR(30) NOT NULL DEFAULT (''),
    nota NVARCHAR(250) NOT NULL DEFAULT ('')
);
GO

CREATE INDEX contactos_extras_cliente ON dbo.contactos_extras (cliente, id);
GO

CREATE TABLE dbo.domicilios_cliente (
    cliente INT NOT NULL,
    tipo VARCHAR(20) NOT NULL,
    sucursal CHAR(7) NOT NULL DEFAULT (''),
    domicilio NVARCHAR(200) NOT NULL DEFAULT (''),
    ciudad INT NOT NULL DEFAULT (0),
    colonia NVARCHAR(40) NOT NULL DEFAULT (''),
    codigo NVARCHAR(10) NOT NULL DEFAULT (''),
    municipio NVARCHAR(50) NOT NULL DEFAULT (''),
    entre_calles NVARCHAR(200) NOT NULL DEFAULT (''),
    inactivo BIT NOT NULL DEFAULT (0),
    CONSTRAINT domicilios_cliente_pk PRIMARY KEY (cliente, tipo)
);
GO

CREATE TABLE dbo.contactos_cliente (
    cliente INT NOT NULL,
    tipo VARCHAR(20) NOT NULL,
    sucursal CHAR(7) NOT NULL DEFAULT (''),
    nombre NVARCHAR(40) NOT NULL DEFAULT (''),
    paterno NVARCHAR(40) NOT NULL DEFAULT (''),
    materno NVARCHAR(40) NOT NULL DEFAULT (''),
    nacimiento DATETIME NULL,
    correo NVARCHAR(80) NOT NULL DEFAULT (''),
    CONSTRAINT contactos_cliente_pk PRIMARY KEY (cliente, tipo)
);
GO

-- Stores the address of a type for the client, new or not.
CREATE PROCEDURE dbo.guarda_domicilio_cliente
    @cSucursal CHAR(7),
    @nCliente INT,
    @cTipo CHAR(20),
    @cDomicilio NVARCHAR(200),
    @nCiudad INT,
    @cColonia NVARCHAR(40),
    @cCodigo NVARCHAR(10),
    @cMunicipio NVARCHAR(50),
    @cEntreCalles NVARCHAR(200)
AS
BEGIN
    SET NOCOUNT ON;
    UPDATE dbo.domicilios_cliente
        SET
            sucursal = @cSucursal, domicilio = @cDomicilio, ciudad = @nCiudad,
            colonia = @cColonia, codigo = @cCodigo, municipio = @cMunicipio,
            entre_calles = @cEntreCalles
    WHERE cliente = @nCliente AND tipo = RTRIM(@cTipo);
    IF @@ROWCOUNT = 0
        INSERT INTO dbo.domicilios_cliente (
            cliente,
            tipo,
            sucursal,
            domicilio,
            ciudad,
            colonia,
            codigo,
            municipio,
            entre_calles
        )
        VALUES (
            @nCliente,
            RTRIM(@cTipo),
            @cSucursal,
            @cDomicilio,
            @nCiudad,
            @cColonia,
            @cCodigo, @cMunicipio, @cEntreCalles
        );
END;
GO

-- Stores the contact person of a type for the client, new or not.
CREATE PROCEDURE dbo.guarda_contacto_cliente
    @cSucursal CHAR(7),
    @nCliente INT,
    @cTipo CHAR(20),
    @cNombre NVARCHAR(40),
    @cPaterno NVARCHAR(40),
    @cMaterno NVARCHAR(40),
    @dNacimiento DATETIME,
    @cCorreo NVARCHAR(80)
AS
BEGIN
    SET NOCOUNT ON;
    UPDATE dbo.contactos_cliente
        SET
            sucursal = @cSucursal, nombre = @cNombre, paterno = @cPaterno,
            materno = @cMaterno, nacimiento = @dNacimiento, correo = @cCorreo
    WHERE cliente = @nCliente AND tipo = RTRIM(@cTipo);
    IF @@ROWCOUNT = 0
        INSERT INTO dbo.contactos_cliente (
            cliente,
            tipo,
            sucursal,
            nombre,
            paterno,
            materno,
            nacimiento,
            correo
        )
        VALUES (
            @nCliente,
            RTRIM(@cTipo),
            @cSucursal,
            @cNombre,
            @cPaterno,
            @cMaterno,
            @dNacimiento, @cCorreo
        );
END;
GO

-- Marks the address of a type inactive or active; no address is no error.
CREATE PROCEDURE dbo.cambia_estado_domicilio_cliente
    @nCliente INT,
    @cTipo CHAR(20),
    @lInactivo BIT
AS
BEGIN
    SET NOCOUNT ON;
    UPDATE dbo.domicilios_cliente
        SET inactivo = @lInactivo
    WHERE cliente = @nCliente AND tipo = RTRIM(@cTipo);
END;
GO

-- Street, city number, neighbourhood, postal code and city name.
CREATE PROCEDURE dbo.consulta_domicilio_cliente
    @nCliente INT,
    @cTipo CHAR(20)
AS
BEGIN
    SET NOCOUNT ON;
    SELECT
        d.domicilio,
        d.ciudad,
        d.colonia,
        d.codigo,
        d.municipio
    FROM dbo.domicilios_cliente AS d
    WHERE d.cliente = @nCliente AND d.tipo = RTRIM(@cTipo);
END;
GO

-- Given names, paternal and maternal surname.
CREATE PROCEDURE dbo.consulta_contacto_cliente
    @nCliente INT,
    @cTipo CHAR(20)
AS
BEGIN
    SET NOCOUNT ON;
    SELECT
        c.nombre,
        c.paterno,
        c.materno
    FROM dbo.contactos_cliente AS c
    WHERE c.cliente = @nCliente AND c.tipo = RTRIM(@cTipo);
END;
GO
