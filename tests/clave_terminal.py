#!/usr/bin/env python3
"""tarjeta-admin arranque write at a terminal: it asks for the password twice on a
pseudo-terminal, never echoes it, and writes nothing when the two differ.

    python3 clave_terminal.py PATH/TO/tarjeta-admin
"""
import os
import pty
import select
import sys
import tempfile


def escribir(admin, carpeta, respuestas):
    """Runs "arranque write" on a pseudo-terminal, answering each prompt; returns the
    exit code and everything the terminal showed."""
    try:
        pid, fd = pty.fork()
    except OSError as e:                                # no pseudo-terminals here
        print("skipped: no pseudo-terminal (%s)" % e)
        sys.exit(77)
    if pid == 0:
        os.execv(admin, [admin, "arranque", "write", carpeta, "--server", "file:/srv/x",
                         "--user", "u", "--branch", "1"])
    visto = b""
    pendientes = list(respuestas)
    dadas = 0
    while True:
        if not select.select([fd], [], [], 10)[0]:      # a prompt never answered: give up
            os.kill(pid, 9)
            visto += b"<no output for 10 s>"
            break
        try:
            trozo = os.read(fd, 1024)
        except OSError:
            break
        if not trozo:
            break
        visto += trozo
        # One answer per prompt shown, written once the prompt is there (the
        # echo is back on between the two prompts, as with any terminal prompt).
        if pendientes and visto.count(b"Password") > dadas:
            os.write(fd, pendientes.pop(0) + b"\n")
            dadas += 1
    _, estado = os.waitpid(pid, 0)
    return os.waitstatus_to_exitcode(estado), visto.decode("utf-8", "replace")


def main():
    admin = sys.argv[1]
    fallos = []
    with tempfile.TemporaryDirectory() as d:
        codigo, visto = escribir(admin, os.path.join(d, "a"), [b"s3cr3t0", b"s3cr3t0"])
        if codigo != 0 or "Password (again): " not in visto or "wrote " not in visto:
            fallos.append("same password twice: exit %d, terminal showed %r" % (codigo, visto))
        if "s3cr3t0" in visto:
            fallos.append("the password was echoed: %r" % visto)
        codigo, visto = escribir(admin, os.path.join(d, "b"), [b"uno", b"otro"])
        if codigo != 2 or "differ" not in visto or os.path.exists(os.path.join(d, "b")):
            fallos.append("two different passwords: exit %d, terminal showed %r" % (codigo, visto))
    for f in fallos:
        print("FAILED: " + f)
    return 1 if fallos else 0


if __name__ == "__main__":
    sys.exit(main())
