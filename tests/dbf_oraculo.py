#!/usr/bin/env python3
"""Checks the start-up table format against independent implementations:
dbfread reads what tarjeta-admin writes, and python-dbf writes Visual FoxPro
tables (with null flags and deleted records) that tarjeta-admin reads."""
import os
import shutil
import subprocess
import sys
import tempfile

import dbf
import dbfread

ADMIN = sys.argv[1]
failures = 0


def check(cond, what):
    global failures
    if not cond:
        failures += 1
        print("FAIL:", what)
    else:
        print("ok:", what)


def run(*args, stdin=""):
    return subprocess.run([ADMIN, *args], input=stdin, capture_output=True, text=True)


with tempfile.TemporaryDirectory() as d:
    r = run("arranque", "write", d, "--server", "srv01\\SQL2008", "--user", "sucursal", "--branch", "12",
            stdin="Clave.2012\n")
    check(r.returncode == 0, "admin writes ARRANQUE: " + r.stderr)
    table = dbfread.DBF(os.path.join(d, "ARRANQUE.dbf"), raw=True)
    check(table.dbversion == 0x30 or "FoxPro" in str(table.dbversion), "version byte is Visual FoxPro")
    check([f.lower() for f in table.field_names] == ["contrasena", "token", "server_sql", "usuario"],
          "field names")
    rec = list(table)[0]
    check(rec["SERVER_SQL"].rstrip() == b"srv01\\SQL2008", "server stored in plain text")
    check(rec["USUARIO"].rstrip() == b"sucursal", "login stored in plain text")
    check(rec["CONTRASENA"].rstrip() not in (b"", b"Clave.2012"), "password stored scrambled")
    check(len(list(table)) == 1, "one record")
    r = run("arranque", "show", d)
    check(r.returncode == 0 and "srv01\\SQL2008" in r.stdout and "'     12'" in r.stdout, "admin reads it back")
    check("Clave.2012" not in r.stdout + r.stderr, "show never prints the password")

with tempfile.TemporaryDirectory() as d:
    path = os.path.join(d, "arranque.dbf")
    t = dbf.Table(path, "contrasena C(20) NULL; token C(20) NULL; server_SQL C(40) NULL; usuario C(20); extra N(5,0)",
                  dbf_type="vfp", codepage="cp1252")
    t.open(dbf.READ_WRITE)
    t.append(("x", "y", "borrado", "nadie", 1))
    t.append(("a", "b", "  servidor.real  ", " login ", 2))
    t.append(("c", "d", "segundo", "otro", 3))
    dbf.delete(t[0])
    t.close()
    r = run("arranque", "show", d)
    check(r.returncode == 0, "admin reads a python-dbf VFP table: " + r.stderr)
    check("server: servidor.real" in r.stdout, "first live record, trimmed: " + r.stdout)
    check("login:  login" in r.stdout, "login trimmed")

with tempfile.TemporaryDirectory() as d:
    path = os.path.join(d, "ARRANQUE.DBF")
    t = dbf.Table(path, "contrasena C(20) NULL; token C(20) NULL; server_SQL C(40) NULL; usuario C(20) NULL",
                  dbf_type="vfp", codepage="cp1252")
    t.open(dbf.READ_WRITE)
    t.append((None, None, "srv", "u"))
    t.close()
    r = run("arranque", "show", d)
    check(r.returncode == 0 and "server: srv" in r.stdout, "NULL password and token read as empty: " + r.stdout + r.stderr)

with tempfile.TemporaryDirectory() as d:
    path = os.path.join(d, "ARRANQUE.DBF")
    t = dbf.Table(path, "contrasena C(20); server_SQL C(40)", dbf_type="vfp")
    t.open(dbf.READ_WRITE)
    t.append(("a", "b"))
    t.close()
    r = run("arranque", "show", d)
    check(r.returncode != 0 and "token" in r.stderr, "a missing column is a clear error: " + r.stderr)

with tempfile.TemporaryDirectory() as d:
    r = run("arranque", "write", d, "--server", "s", "--user", "u", "--branch", "12345678", stdin="x\n")
    check(r.returncode != 0 and "7 characters" in r.stderr, "branch code over 7 characters refused")
    r = run("arranque", "write", d, "--server", "s", "--user", "u", "--branch", "1", stdin="")
    check(r.returncode != 0 and "password" in r.stderr, "no password on stdin refused")
    r = run("arranque", "write", d, "--user", "u", "--branch", "1", stdin="x\n")
    check(r.returncode != 0, "missing --server refused")
    r = run("db", "init")
    check(r.returncode != 0 and "folder" in r.stderr, "db init without folder refused")
    r = run("frobnicate", "x")
    check(r.returncode != 0 and "unknown command" in r.stderr, "unknown command refused")

def tables(d):
    return sorted(n for n in os.listdir(d) if n.lower() == "arranque.dbf")


with tempfile.TemporaryDirectory() as d:
    # Stale tables in other letter cases: write replaces them, show then reads the new one.
    write = ("arranque", "write", d, "--user", "u", "--branch", "1", "--server")
    run(*write, "viejo", stdin="x\n")
    os.rename(os.path.join(d, "ARRANQUE.dbf"), os.path.join(d, "ARRANQUE.DBF"))
    shutil.copy(os.path.join(d, "ARRANQUE.DBF"), os.path.join(d, "arranque.dbf"))
    r = run("arranque", "show", d)
    check(r.returncode != 0 and "ARRANQUE.DBF" in r.stderr and "arranque.dbf" in r.stderr,
          "show refuses two tables, naming both: " + r.stderr)
    r = run(*write, "nuevo", stdin="x\n")
    check(r.returncode == 0 and len(tables(d)) == 1, "write leaves one table: " + str(tables(d)))
    r = run("arranque", "show", d)
    check(r.returncode == 0 and "server: nuevo" in r.stdout, "show reads what write wrote: " + r.stdout)
    # A folder by that name is not a table to replace: nothing is written beside it.
    os.remove(os.path.join(d, tables(d)[0]))
    os.mkdir(os.path.join(d, "arranque.dbf"))
    r = run(*write, "nuevo", stdin="x\n")
    check(r.returncode != 0 and "folder" in r.stderr and tables(d) == ["arranque.dbf"],
          "write refuses a folder named like the table: " + r.stderr)

print(f"{failures} failed" if failures else "all passed")
sys.exit(1 if failures else 0)
