#pragma once
// Rewrites the SQL Server forms that the program's statements use into forms
// SQLite understands, so one statement text serves both databases.

#include <QString>

namespace plataforma::DialectoSqlite {

// Three-part names "db.dbo.obj" (also "db..obj", brackets allowed, any letter
// case) become "db.obj", with erp_nax, the main database, written "main"; a
// three-part name followed by "(" is a function and loses its qualifier.
// Table hints ("WITH (UPDLOCK, HOLDLOCK)") are dropped: SQLite locks the
// whole database for a write.
// String literals and comments are left untouched.
QString traducir(const QString& sql);

}  // namespace plataforma::DialectoSqlite
