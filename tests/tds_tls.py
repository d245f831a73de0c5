#!/usr/bin/env python3
"""The TDS test server's certificates as FreeTDS checks them (run by unixODBC's isql): through a
freetds.conf section with a CA file, the right certificate is taken and one for another host name is
refused before the login. The program's own TLS cases (encrypted session, a server without TLS, a
certificate from another authority) are in prueba_sqlserver."""
import json
import os
import subprocess
import sys
import tempfile

AQUI = os.path.dirname(os.path.abspath(__file__))
CONSULTA = "select erp_nax.dbo.nombre_cliente(cliente) from erp_nax.dbo.clientes where cliente = 1234"
fallos = []


def servidor(d, nombre, cert):
    subprocess.run([sys.executable, f"{AQUI}/servidor_tds.py", "--dir", f"{d}/{nombre}", "--datos",
                    f"{AQUI}/datos_tds.json", "--vida", "120", "--daemon", "--certificado", f"{d}/{cert}.pem",
                    "--clave-privada", f"{d}/{cert}.key"], check=True)
    return json.loads(open(f"{d}/{nombre}/servidor.json").read())


with tempfile.TemporaryDirectory() as d:
    subprocess.run([f"{AQUI}/certificado_prueba.sh", d], check=True)
    casos = {"servidor": True, "nombre-ajeno": False}
    srv = {n: servidor(d, n, n) for n in casos}
    try:
        for nombre, acepta in casos.items():
            with open(f"{d}/freetds.conf", "w") as f:
                f.write(f"[prueba]\nhost = 127.0.0.1\nport = {srv[nombre]['tds']}\ntds version = 7.4\n"
                        f"client charset = UTF-8\nencryption = require\nca file = {d}/ca.pem\n")
            r = subprocess.run(["isql", "-v", "-b", "-k", "DRIVER={SQL Server};Servername=prueba;UID=tarjeta;"
                                "PWD=Cl4ve.Secreta;Timeout=10"], input=CONSULTA, capture_output=True, text=True,
                               timeout=60, env={**os.environ, "FREETDSCONF": f"{d}/freetds.conf"})
            bien = r.returncode == 0 and "HERNÁNDEZ" in r.stdout
            print("ok:" if bien == acepta else "FAIL:", nombre, "accepted" if acepta else "refused")
            if bien != acepta:
                fallos.append(nombre)
    finally:
        for n in srv:
            subprocess.run([sys.executable, f"{AQUI}/servidor_tds.py", "--dir", f"{d}/{n}", "--detener"])

sys.exit(1 if fallos else 0)
