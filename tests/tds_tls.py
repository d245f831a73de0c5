#!/usr/bin/env python3
"""The TDS test server's TLS through the real driver (FreeTDS, run by unixODBC's isql): what is
encrypted for each client setting, what crosses the wire, and certificates checked against a CA."""
import json
import os
import socket
import subprocess
import sys
import tempfile

AQUI = os.path.dirname(os.path.abspath(__file__))
CONSULTA = "select erp_nax.dbo.nombre_cliente(cliente) from erp_nax.dbo.clientes where cliente = 1234"
fallos = []


def check(cond, what):
    fallos.extend([] if cond else [what])
    print("ok:" if cond else "FAIL:", what)


def servidor(d, nombre, cert=None):
    extra = ["--certificado", f"{d}/{cert}.pem", "--clave-privada", f"{d}/{cert}.key"] if cert else []
    subprocess.run([sys.executable, f"{AQUI}/servidor_tds.py", "--dir", f"{d}/{nombre}", "--datos",
                    f"{AQUI}/datos_tds.json", "--vida", "120", "--daemon", *extra], check=True)
    return json.loads(open(f"{d}/{nombre}/servidor.json").read())


def orden(srv, **o):
    with socket.create_connection(("127.0.0.1", srv["control"])) as s:
        s.sendall((json.dumps(o) + "\n").encode())
        return json.loads(s.makefile().readline())


def isql(cadena, env=None):
    cadena = "DRIVER={SQL Server};UID=tarjeta;PWD=Cl4ve.Secreta;Timeout=10;" + cadena
    r = subprocess.run(["isql", "-v", "-b", "-k", cadena], input=CONSULTA, capture_output=True, text=True,
                       timeout=60, env={**os.environ, **(env or {})})
    return r.returncode == 0 and "HERNÁNDEZ" in r.stdout


def sesion(srv, cifrado, captura, **cues):
    """One login and query; returns (it worked, the log's prelogin and login entries, capture)."""
    orden(srv, orden="preparar", captura=captura, **cues)
    bien = isql(f"Server=127.0.0.1;Port={srv['tds']};TDS_Version=7.4;ClientCharset=UTF-8;{cifrado}")
    tipos = {e["tipo"]: e for e in orden(srv, orden="registro")["registro"]}
    return bien, tipos.get("prelogin"), tipos.get("login"), open(captura, "rb").read()


def en_claro(crudo):
    """Which of the session's secrets cross the wire readable, as the driver encodes them."""
    clave = bytes((((b & 0x0F) << 4) | (b >> 4)) ^ 0xA5 for b in "Cl4ve.Secreta".encode("utf-16-le"))
    return [t for t, b in [("password", clave), ("query", CONSULTA.encode("utf-16-le")),
                           ("name", "HERNÁNDEZ".encode("utf-16-le"))] if b in crudo]


with tempfile.TemporaryDirectory() as d:
    subprocess.run([f"{AQUI}/certificado_prueba.sh", d], check=True)
    certificados = {"con": "servidor", "sin": None, "otro": "otro-servidor", "ajeno": "nombre-ajeno"}
    srv = {n: servidor(d, n, c) for n, c in certificados.items()}
    try:
        bien, pre, login, crudo = sesion(srv["con"], "Encryption=require", f"{d}/a.bin")
        check(bien and login["cifrado"] == "tls" and pre["tls"]["version"] == "TLSv1.2", "require: over TLS 1.2")
        check(en_claro(crudo) == [], f"require: no secret on the wire ({en_claro(crudo)})")
        bien, pre, login, crudo = sesion(srv["con"], "Encryption=off", f"{d}/b.bin")
        check(bien and en_claro(crudo) == ["password", "query", "name"], "off: the capture shows clear text")
        bien, pre, login, crudo = sesion(srv["con"], "", f"{d}/c.bin")
        check(bien and login["cifrado"] == "solo_login" and en_claro(crudo) == ["query", "name"],
              "default: the LOGIN7 alone encrypted, then clear text")
        bien, pre, login, crudo = sesion(srv["con"], "Encryption=require", f"{d}/d.bin", sin_cifrado=True)
        check(not bien and pre["respuesta"] == 2 and login is None, "require against NOT_SUP: no LOGIN7 sent")
        bien, pre, login, crudo = sesion(srv["sin"], "", f"{d}/e.bin")
        check(bien and pre["respuesta"] == 2 and login["cifrado"] is None, "no certificate: clear text")
        # FreeTDS 1.3 takes a CA file from a freetds.conf section only (Servername=).
        for nombre, acepta in [("con", True), ("otro", False), ("ajeno", False)]:
            orden(srv[nombre], orden="preparar")
            with open(f"{d}/freetds.conf", "w") as f:
                f.write(f"[prueba]\nhost = 127.0.0.1\nport = {srv[nombre]['tds']}\ntds version = 7.4\n"
                        f"client charset = UTF-8\nencryption = require\nca file = {d}/ca.pem\n")
            check(isql("Servername=prueba", {"FREETDSCONF": f"{d}/freetds.conf"}) == acepta,
                  f"CA file: {nombre} {'accepted' if acepta else 'refused'}")
    finally:
        for n in srv:
            subprocess.run([sys.executable, f"{AQUI}/servidor_tds.py", "--dir", f"{d}/{n}", "--detener"])

print(f"{len(fallos)} failed" if fallos else "all passed")
sys.exit(1 if fallos else 0)
