-- Demo data for the embedded database only: client 1237's card as a server
-- with wider columns holds it, with values longer than the window lets a user
-- type (a phone written with dashes, a long extension). The window shows them
-- whole and saves them back unchanged. Our own SQL Server tables are as wide
-- as the boxes, so this file does not load there.

UPDATE tarjeta_telefonica_cliente
SET Principal_Telefono = '614-410-2233',
    Principal_extension_centro = '2214 (conmutador) o 2215 (directo)'
WHERE cliente = 1237;
