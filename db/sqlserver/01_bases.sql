-- The two databases of the phone card: erp_nax (the ERP, the connection's
-- default database) and zelt (cards and extra contacts).
IF DB_ID('erp_nax') IS NULL
    CREATE DATABASE erp_nax;
GO
IF DB_ID('zelt') IS NULL
    CREATE DATABASE zelt;
GO
