-- Demo data of the card database: a stored card for client 1234 with the
-- guarantor's address and name (a contact row with an e-mail and a birth date
-- the window does not show), a card without guarantor for 2001, a card for
-- 1237 whose guarantor's city was stored in lower case, and a few extra
-- contacts.

INSERT INTO tarjeta_telefonica_cliente (
    cliente, Principal_Nombre, Principal_Mismo, Principal_Telefono, Principal_celular,
    Principal_centro, Principal_Telefono_centro, Principal_extension_centro,
    conyuge_nombre, conyuge_tiene, conyuge_celular, conyuge_centro, conyuge_telefono_centro,
    conyuge_extension_centro,
    referencia1_nombre, referencia1_telefono, referencia1_celular, referencia1_parentesco,
    referencia2_nombre, referencia2_telefono, referencia2_celular, referencia2_parentesco,
    referencia3_nombre, referencia3_telefono, referencia3_celular, referencia3_parentesco,
    referencia4_nombre, referencia4_telefono, referencia4_celular, referencia4_parentesco,
    aval_Nombre, aval_tiene, aval_Telefono, aval_celular, aval_centro, aval_Telefono_centro,
    aval_extension_centro, anotaciones, usuario_genera,
    aval_centro_conyuge, aval_telefono_centro_conyuge, aval_extension_centro_conyuge,
    aval_nombre_conyuge)
VALUES
    (1234, 'MARÍA GUADALUPE HERNÁNDEZ SOTO', 1, '6144102233', '0446141234567',
     'Farmacias Benavides', '6144159900', '214',
     'Ernesto Ríos Quiñones', 0, '0446149876543', 'Maquiladora Delphi', '6144201100', '35',
     'Patricia Soto Leal', '6144123456', '0446145551212', 'Hermana',
     'Jorge Anaya Ruiz', '6144112233', '', 'Compadre',
     'Lucía Fernández', '', '0446147778899', 'Vecina',
     'Raúl Ortega Chávez', '6144334455', '', 'Compañero de trabajo',
     'GARCÍA MEDINA ROSA ELENA', 0, '6144556677', '0446143332211', 'Escuela Primaria Benito Juárez',
     '6144290000', '12', 'Cliente desde 2009. Prefiere llamadas por la tarde.', '     25',
     'Hospital Ángeles', '6144398800', '7', 'Tomás García Salinas'),
    (2001, 'FRANCISCO JAVIER TORRES LUNA', 0, '8183334455', '', '', '', '',
     '', 1, '', '', '', '',
     'Alma Luna Treviño', '8183451200', '', 'Madre',
     '', '', '', '', '', '', '', '', '', '', '', '',
     '', 1, '', '', '', '', '', '', '     26',
     NULL, NULL, NULL, NULL),
    (1237, 'ROBERTO CARLOS DURÁN PEÑA', 1, '6144778899', '', 'Comercial Durán', '6144100500',
     '3',
     '', 1, '', '', '', '',
     'Elvira Peña Rosas', '6144665544', '', 'Madre',
     '', '', '', '', '', '', '', '', '', '', '', '',
     'LOZANO RIVAS PEDRO', 0, '6394721100', '', 'Agrícola del Conchos', '', '',
     'Datos capturados con la versión anterior.', '     25',
     NULL, NULL, NULL, NULL);

INSERT INTO domicilios_cliente
    (cliente, tipo, sucursal, domicilio, ciudad, colonia, codigo, municipio)
VALUES
    (1234, 'Aval', '     12', 'Av. Tecnológico 2310', 3702, 'Santo Niño', '31200', 'CHIHUAHUA'),
    (1237, 'Aval', '     12', 'Calle Tercera 118', 3705, 'Centro', '33000', 'delicias');

INSERT INTO contactos_cliente
    (cliente, tipo, sucursal, nombre, paterno, materno, nacimiento, correo)
VALUES
    (1234, 'Aval', '     12', 'ROSA ELENA', 'GARCÍA', 'MEDINA', '1968-04-21 00:00:00.000',
     'rosa.garcia@example.com'),
    (1237, 'Aval', '     14', 'PEDRO', 'LOZANO', 'RIVAS', '1959-11-02 00:00:00.000', '');

INSERT INTO contactos_extras (Cliente, Nombre, Parentesco, Telefono, lugar, Nota) VALUES
    (1234, 'Carmen Hernández', 'Cliente', '6144001122', 'Casa', 'Madre de la cliente'),
    (1234, 'Oficina del cónyuge', 'Conyuge', '6144201100', 'Trabajo', 'Preguntar por Ernesto'),
    (1234, 'Rosa Elena García', 'Aval', '0446143332211', 'Celular', ''),
    (1234, 'Taller Ríos', 'Conyuge', '6144887766', 'Otro', 'Negocio familiar');
