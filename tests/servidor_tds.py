#!/usr/bin/env python3
"""A small Microsoft SQL Server stand-in that speaks TDS 7.4 on 127.0.0.1, for the tests.

It answers what FreeTDS (through unixODBC) sends: PRELOGIN, LOGIN7, SQL batches,
RPCs (sp_executesql, sp_prepexec, sp_execute, sp_unprepare, sp_cursoropen, procedures by name),
transaction-manager requests and attentions. Answers come from a results table keyed by statement
text; every request is decoded strictly and logged, so a test can read back exactly what left the
client. A control port takes JSON orders, one per line, to set the table and the fault cues and
to read the log.

    python3 servidor_tds.py --dir DIR [--datos FILE.json] [--vida SECONDS] [--daemon]
                            [--certificado CERT.pem --clave-privada KEY.pem] [--captura FILE]
    python3 servidor_tds.py --dir DIR --detener

With a certificate it encrypts as SQL Server does: the PRELOGIN reply answers the client's
encryption byte (ON or REQ: ON, the whole session over TLS; OFF: OFF, the LOGIN7 alone over TLS;
NOT_SUP: NOT_SUP), the TLS handshake travels inside PRELOGIN packets and TLS records go straight
on the socket after it. TLS is capped at 1.2, as SQL Server up to 2019 has it. Without a
certificate every client is answered NOT_SUP and the session stays in clear text. --captura
appends every byte that crosses the socket (TLS records as they are, not what they carry).

Once listening it writes DIR/servidor.json = {"tds": PORT, "control": PORT, "pid": PID}; it ends
on the control order "detener" (what --detener sends) or after --vida seconds, removing the file.
Only the standard library is used.
"""
import argparse
import codecs
import datetime
import decimal
import json
import math
import os
import re
import socket
import ssl
import struct
import sys
import threading
import time
import traceback
import uuid

HOST = "127.0.0.1"
TAM_PAQUETE = 4096          # the packet size we announce; client packets may not exceed it
MAX_MENSAJE = 64 << 20      # a bound on one reassembled message
COLACION = bytes.fromhex("0904D00034")   # SQL_Latin1_General_CP1_CI_AS, code page 1252
BASE_POR_DEFECTO = "erp_nax"


class Malformado(Exception):
    """A message that cannot be decoded; the connection is logged and closed."""

    def __init__(self, texto, crudo=None):
        super().__init__(texto)
        self.crudo = crudo


class Cerrada(Exception):
    """The peer closed the connection between messages."""


# Windows-1252 leaves five bytes undefined; Windows maps them to the same code point, so do we.
def _cp1252_laxo(err):
    if isinstance(err, UnicodeDecodeError):
        return "".join(chr(b) for b in err.object[err.start:err.end]), err.end
    return "?" * (err.end - err.start), err.end


codecs.register_error("cp1252_windows", _cp1252_laxo)


def a_cp1252(s):
    return s.encode("cp1252", "cp1252_windows")


def de_cp1252(b):
    return b.decode("cp1252", "cp1252_windows")


# ---------------------------------------------------------------------------------------------
# Framing: 8-byte packet headers, messages reassembled until the end-of-message bit.

def leer_exacto(sock, n, crudo):
    partes = []
    falta = n
    while falta:
        trozo = sock.recv(min(falta, 65536))
        if not trozo:
            if not crudo and falta == n:
                raise Cerrada()
            raise Malformado("connection closed in the middle of a packet", bytes(crudo))
        partes.append(trozo)
        crudo.extend(trozo)
        falta -= len(trozo)
    return b"".join(partes)


def leer_mensaje(sock):
    """Returns (type, status of the last packet, payload). Packets of one message must share a type."""
    crudo = bytearray()
    tipo = None
    cuerpo = []
    total = 0
    while True:
        cab = leer_exacto(sock, 8, crudo)
        t, estado, largo = struct.unpack(">BBH", cab[:4])
        if largo < 8 or largo > TAM_PAQUETE:
            raise Malformado("packet length %d out of range 8..%d" % (largo, TAM_PAQUETE), bytes(crudo))
        if tipo is None:
            tipo = t
        elif t != tipo:
            raise Malformado("packet of type 0x%02X inside a message of type 0x%02X" % (t, tipo), bytes(crudo))
        if estado & ~0x1B:
            raise Malformado("unknown packet status bits 0x%02X" % estado, bytes(crudo))
        cuerpo.append(leer_exacto(sock, largo - 8, crudo))
        total += largo - 8
        if total > MAX_MENSAJE:
            raise Malformado("message longer than %d bytes" % MAX_MENSAJE, bytes(crudo[:256]))
        if estado & 0x01:
            return tipo, estado, b"".join(cuerpo)


def paquetes(tipo, datos, spid, contador):
    """Splits one reply message into packets of at most TAM_PAQUETE bytes."""
    util = TAM_PAQUETE - 8
    salida = []
    trozos = [datos[i:i + util] for i in range(0, len(datos), util)] or [b""]
    for i, trozo in enumerate(trozos):
        contador[0] = (contador[0] + 1) % 256
        estado = 0x01 if i == len(trozos) - 1 else 0x00
        salida.append(struct.pack(">BBHHBB", tipo, estado, len(trozo) + 8, spid, contador[0], 0) + trozo)
    return b"".join(salida)


class Canal:
    """The socket of one connection, as the framing reads and writes it. What crosses it is also
    appended to the capture file while the cue "captura" names one."""

    def __init__(self, sock, estado):
        self.sock = sock
        self.estado = estado

    def recv(self, n):
        datos = self.sock.recv(n)
        self.estado.capturar(datos)
        return datos

    def sendall(self, datos):
        self.estado.capturar(datos)
        self.sock.sendall(datos)


class CanalTls:
    """TDS over TLS on a Canal: TLS records are read whole off the socket, one at a time, so that
    nothing past the last record the client sent is taken (after an encrypted LOGIN7 alone the
    session goes on in clear text on the same socket)."""

    def __init__(self, canal, tls, entrante, saliente):
        self.canal, self.tls, self.entrante, self.saliente = canal, tls, entrante, saliente

    def exacto(self, n):
        datos = b""
        while len(datos) < n:
            trozo = self.canal.recv(n - len(datos))
            if not trozo:
                break
            datos += trozo
        return datos

    def registro_tls(self):
        """One whole TLS record, or b"" when the peer closed before one arrived."""
        cabecera = self.exacto(5)
        if len(cabecera) < 5:
            return b""
        largo = struct.unpack(">H", cabecera[3:5])[0]
        cuerpo = self.exacto(largo)
        return cabecera + cuerpo if len(cuerpo) == largo else b""

    def recv(self, n):
        while True:
            try:
                return self.tls.read(n)
            except ssl.SSLWantReadError:
                registro = self.registro_tls()
                if not registro:
                    return b""
                self.entrante.write(registro)
            except ssl.SSLZeroReturnError:                 # the client's close_notify
                return b""

    def sendall(self, datos):
        self.tls.write(datos)
        self.canal.sendall(self.saliente.read())


# ---------------------------------------------------------------------------------------------
# Decoding of client messages. Every read is bounds-checked; running past the end is malformed.

class Lector:
    def __init__(self, datos):
        self.d = datos
        self.p = 0

    def tomar(self, n):
        if n < 0 or self.p + n > len(self.d):
            raise Malformado("read of %d bytes at offset %d runs past the end (%d)" % (n, self.p, len(self.d)))
        b = self.d[self.p:self.p + n]
        self.p += n
        return b

    def u8(self):
        return self.tomar(1)[0]

    def u16(self):
        return struct.unpack("<H", self.tomar(2))[0]

    def u32(self):
        return struct.unpack("<I", self.tomar(4))[0]

    def u64(self):
        return struct.unpack("<Q", self.tomar(8))[0]

    def ucs2(self, caracteres):
        return self.tomar(2 * caracteres).decode("utf-16-le", "surrogatepass")

    def b_varchar(self):
        return self.ucs2(self.u8())

    def queda(self):
        return len(self.d) - self.p

    def fin(self, que):
        if self.p != len(self.d):
            raise Malformado("%s ends at offset %d but the message has %d bytes" % (que, self.p, len(self.d)))


def leer_cabeceras(r):
    """ALL_HEADERS; returns the transaction descriptor, which TDS 7.2+ requests must carry."""
    inicio = r.p
    total = r.u32()
    if total < 4 or inicio + total > len(r.d):
        raise Malformado("ALL_HEADERS length %d does not fit the message" % total)
    fin = inicio + total
    transaccion = None
    while r.p < fin:
        largo = r.u32()
        clase = r.u16()
        if largo < 6 or r.p - 6 + largo > fin:
            raise Malformado("header of type %d with length %d overruns ALL_HEADERS" % (clase, largo))
        datos = r.tomar(largo - 6)
        if clase == 2:
            if len(datos) != 12:
                raise Malformado("transaction descriptor header of %d bytes" % len(datos))
            transaccion = datos[:8]
        elif clase not in (1, 3):
            raise Malformado("unknown ALL_HEADERS header type %d" % clase)
    if transaccion is None:
        raise Malformado("request without a transaction descriptor header")
    return transaccion


FIJOS = {0x1F: ("null", 0), 0x30: ("tinyint", 1), 0x32: ("bit", 1), 0x34: ("smallint", 2), 0x38: ("int", 4),
         0x3A: ("smalldatetime", 4), 0x3B: ("real", 4), 0x3C: ("money", 8), 0x3D: ("datetime", 8),
         0x3E: ("float", 8), 0x7A: ("smallmoney", 4), 0x7F: ("bigint", 8)}
# Nullable types with a one-byte length: the allowed lengths decide the SQL name.
POR_BYTE = {0x26: {1: "tinyint", 2: "smallint", 4: "int", 8: "bigint"}, 0x68: {1: "bit"},
            0x6D: {4: "real", 8: "float"}, 0x6E: {4: "smallmoney", 8: "money"},
            0x6F: {4: "smalldatetime", 8: "datetime"}, 0x24: {16: "uniqueidentifier"},
            0x6A: {n: "decimal" for n in range(1, 18)}, 0x6C: {n: "numeric" for n in range(1, 18)}}
CON_ESCALA = {0x29: "time", 0x2A: "datetime2", 0x2B: "datetimeoffset"}
POR_USHORT = {0xA5: "varbinary", 0xA7: "varchar", 0xAD: "binary", 0xAF: "char", 0xE7: "nvarchar", 0xEF: "nchar"}
POR_LONG = {0x22: "image", 0x23: "text", 0x63: "ntext"}
CON_COLACION = {0xA7, 0xAF, 0xE7, 0xEF, 0x23, 0x63}
PLP_NULO = 0xFFFFFFFFFFFFFFFF
PLP_SIN_LARGO = 0xFFFFFFFFFFFFFFFE


def bytes_de_hora(escala):
    return 3 if escala <= 2 else 4 if escala <= 4 else 5


def leer_tipo(r):
    """TYPE_INFO of an RPC parameter."""
    t = {"codigo": r.u8(), "tamano": None, "escala": None}
    c = t["codigo"]
    if c in FIJOS:
        t["nombre"], t["ancho"] = FIJOS[c]
        t["forma"] = "fija"
    elif c in POR_BYTE:
        n = r.u8()
        if n not in POR_BYTE[c]:
            raise Malformado("type 0x%02X with length %d" % (c, n))
        t.update(nombre=POR_BYTE[c][n], tamano=n, forma="byte")
        if c in (0x6A, 0x6C):
            t["precision"], t["escala"] = r.u8(), r.u8()
            if not 1 <= t["precision"] <= 38 or t["escala"] > t["precision"]:
                raise Malformado("decimal precision %d scale %d" % (t["precision"], t["escala"]))
    elif c == 0x28:
        t.update(nombre="date", forma="fecha")
    elif c in CON_ESCALA:
        t.update(nombre=CON_ESCALA[c], escala=r.u8(), forma="escala")
        if t["escala"] > 7:
            raise Malformado("%s with scale %d" % (t["nombre"], t["escala"]))
    elif c in POR_USHORT:
        n = r.u16()
        t["nombre"] = POR_USHORT[c]
        if n == 0xFFFF:
            if c not in (0xA5, 0xA7, 0xE7):
                raise Malformado("%s cannot be (max)" % t["nombre"])
            t.update(tamano=-1, forma="plp")
        else:
            if n > 8000 or (c in (0xE7, 0xEF) and n % 2):
                raise Malformado("%s with maximum length %d bytes" % (t["nombre"], n))
            t.update(tamano=n, forma="ushort")
    elif c in POR_LONG:
        t.update(nombre=POR_LONG[c], tamano=r.u32(), forma="long")
    else:
        raise Malformado("unknown data type 0x%02X" % c)
    if c in CON_COLACION:
        t["colacion"] = r.tomar(5)
    return t


def leer_crudo(r, t):
    """The value's bytes, or None for NULL, with every length checked against the type."""
    forma, c = t["forma"], t["codigo"]
    if forma == "fija":
        return None if c == 0x1F else r.tomar(t["ancho"])
    if forma == "byte":
        n = r.u8()
        if n and n not in POR_BYTE[c] and c not in (0x6A, 0x6C):
            raise Malformado("%s value of %d bytes" % (t["nombre"], n))
        if n > t["tamano"]:
            raise Malformado("%s value of %d bytes, declared %d" % (t["nombre"], n, t["tamano"]))
        return r.tomar(n) if n else None
    if forma in ("fecha", "escala"):
        n = r.u8()
        esperado = {"date": 3, "time": bytes_de_hora(t["escala"] or 0),
                    "datetime2": bytes_de_hora(t["escala"] or 0) + 3,
                    "datetimeoffset": bytes_de_hora(t["escala"] or 0) + 5}[t["nombre"]]
        if n not in (0, esperado):
            raise Malformado("%s value of %d bytes, expected %d" % (t["nombre"], n, esperado))
        return r.tomar(n) if n else None
    if forma == "ushort":
        n = r.u16()
        if n == 0xFFFF:
            return None
        if n > t["tamano"] or (c in (0xE7, 0xEF) and n % 2):
            raise Malformado("%s value of %d bytes, declared %d" % (t["nombre"], n, t["tamano"]))
        return r.tomar(n)
    if forma == "long":
        n = r.u32()
        if n == 0xFFFFFFFF:
            return None
        return r.tomar(n)
    total = r.u64()                                       # PLP: chunks until a zero length
    if total == PLP_NULO:
        return None
    trozos = []
    while True:
        n = r.u32()
        if n == 0:
            break
        trozos.append(r.tomar(n))
    datos = b"".join(trozos)
    if total != PLP_SIN_LARGO and total != len(datos):
        raise Malformado("PLP value announces %d bytes and carries %d" % (total, len(datos)))
    if c == 0xE7 and len(datos) % 2:
        raise Malformado("nvarchar(max) value of an odd number of bytes")
    return datos


def hora_de(entero, escala):
    micro = entero * 10 ** 6 // 10 ** escala
    if micro >= 86400 * 10 ** 6:
        raise Malformado("time of day out of range")
    return (datetime.datetime.min + datetime.timedelta(microseconds=micro)).time()


def fecha_de(tres):
    dias = int.from_bytes(tres, "little")
    if dias > 3652058:
        raise Malformado("date out of range")
    return datetime.date(1, 1, 1) + datetime.timedelta(days=dias)


def valor_de(t, b):
    """The value as JSON shows it."""
    if b is None:
        return None
    nombre = t["nombre"]
    if nombre in ("tinyint",):
        return b[0]
    if nombre in ("smallint", "int", "bigint"):
        return int.from_bytes(b, "little", signed=True)
    if nombre == "bit":
        return b[0] != 0
    if nombre in ("real", "float"):
        v = struct.unpack("<f" if len(b) == 4 else "<d", b)[0]
        return v if math.isfinite(v) else repr(v)         # JSON has no NaN nor infinity
    if nombre in ("money", "smallmoney"):
        n = int.from_bytes(b, "little", signed=True) if len(b) == 4 else \
            (struct.unpack("<i", b[:4])[0] << 32) | struct.unpack("<I", b[4:])[0]
        return str(decimal.Decimal(n).scaleb(-4))
    if nombre in ("decimal", "numeric"):
        n = int.from_bytes(b[1:], "little")
        return str(decimal.Decimal(n if b[0] else -n).scaleb(-t["escala"]))
    if nombre == "datetime":
        dias, tics = struct.unpack("<iI", b)
        if tics >= 300 * 86400:
            raise Malformado("datetime with %d ticks in a day" % tics)
        ms = (tics * 10 + 1) // 3                          # SQL Server shows datetime to the millisecond
        return (datetime.datetime(1900, 1, 1) + datetime.timedelta(days=dias, milliseconds=ms)).isoformat()
    if nombre == "smalldatetime":
        dias, minutos = struct.unpack("<HH", b)
        return (datetime.datetime(1900, 1, 1) + datetime.timedelta(days=dias, minutes=minutos)).isoformat()
    if nombre == "date":
        return datetime.datetime.combine(fecha_de(b), datetime.time()).isoformat()
    if nombre in ("time", "datetime2", "datetimeoffset"):
        nh = bytes_de_hora(t["escala"])
        hora = hora_de(int.from_bytes(b[:nh], "little"), t["escala"])
        if nombre == "time":
            return hora.isoformat()
        momento = datetime.datetime.combine(fecha_de(b[nh:nh + 3]), hora)
        if nombre == "datetime2":
            return momento.isoformat()
        minutos = struct.unpack("<h", b[nh + 3:])[0]      # stored in UTC, shown at its offset
        zona = datetime.timezone(datetime.timedelta(minutes=minutos))
        return (momento.replace(tzinfo=datetime.timezone.utc) + datetime.timedelta(minutes=minutos)).replace(
            tzinfo=zona).isoformat()
    if nombre == "uniqueidentifier":
        return str(uuid.UUID(bytes_le=b))
    if nombre in ("nvarchar", "nchar", "ntext"):
        if len(b) % 2:
            raise Malformado("%s value of an odd number of bytes" % nombre)
        return b.decode("utf-16-le", "surrogatepass")
    if nombre in ("varchar", "char", "text"):
        return de_cp1252(b)
    return b.hex()


def leer_parametro(r):
    nombre = r.b_varchar()
    estado = r.u8()
    if estado & ~0x03:
        raise Malformado("parameter %r with status bits 0x%02X" % (nombre, estado))
    t = leer_tipo(r)
    crudo = leer_crudo(r, t)
    p = {"nombre": nombre, "tipo": t["nombre"], "tamano": t["tamano"], "escala": t["escala"],
         "salida": bool(estado & 0x01), "valor": valor_de(t, crudo), "crudo": None if crudo is None else crudo.hex()}
    if "precision" in t:
        p["precision"] = t["precision"]
    return p


PROC_IDS = {1: "sp_cursor", 2: "sp_cursoropen", 3: "sp_cursorprepare", 4: "sp_cursorexecute",
            5: "sp_cursorprepexec", 6: "sp_cursorunprepare", 7: "sp_cursorfetch", 8: "sp_cursoroption",
            9: "sp_cursorclose", 10: "sp_executesql", 11: "sp_prepare", 12: "sp_execute", 13: "sp_prepexec",
            14: "sp_prepexecrpc", 15: "sp_unprepare"}
PROC_NOMBRES = set(PROC_IDS.values())


def leer_rpcs(r):
    """One or more RPC calls, separated by the batch flag byte."""
    llamadas = []
    while True:
        largo = r.u16()
        if largo == 0xFFFF:
            ident = r.u16()
            if ident not in PROC_IDS:
                raise Malformado("unknown procedure id %d" % ident)
            nombre = PROC_IDS[ident]
        else:
            if largo == 0 or largo > 1046:
                raise Malformado("procedure name of %d characters" % largo)
            nombre = r.ucs2(largo)
        opciones = r.u16()
        if opciones & ~0x0007:
            raise Malformado("RPC option flags 0x%04X" % opciones)
        params = []
        while r.queda() and r.d[r.p] not in (0x80, 0xFE, 0xFF):
            params.append(leer_parametro(r))
        llamadas.append((nombre, params))
        if not r.queda():
            return llamadas
        r.u8()
        if not r.queda():
            raise Malformado("RPC batch separator at the end of the message")


# ---------------------------------------------------------------------------------------------
# Encoding of replies: tokens, column types and values.

# Transaction statements sent as batches.
LOTE_TRANSACCION = re.compile(
    r"\s*(?:(begin)|(commit)|(if\s+@@trancount\s*>\s*0\s+)?rollback)\s+tran(?:saction)?\s*;?\s*$",
    re.I)


def b_varchar(s):
    b = s.encode("utf-16-le", "surrogatepass")
    return bytes([len(b) // 2]) + b


def us_varchar(s):
    b = s.encode("utf-16-le", "surrogatepass")
    return struct.pack("<H", len(b) // 2) + b


def tok_envchange(tipo, nuevo, viejo):
    cuerpo = bytes([tipo]) + nuevo + viejo
    return b"\xE3" + struct.pack("<H", len(cuerpo)) + cuerpo


def tok_done(token, estado, cuenta=0, orden=0):
    return struct.pack("<BHHQ", token, estado, orden, cuenta)


DONE, DONEPROC, DONEINPROC = 0xFD, 0xFE, 0xFF
MAS, ERROR, CUENTA, ATENCION = 0x01, 0x02, 0x10, 0x20


def tok_error(numero, clase, mensaje, estado=1):
    cuerpo = (struct.pack("<iBB", numero, estado, clase) + us_varchar(mensaje) + b_varchar("TDSPRUEBA")
              + b_varchar("") + struct.pack("<i", 1))
    return b"\xAA" + struct.pack("<H", len(cuerpo)) + cuerpo


def tok_retstatus(valor=0):
    return b"\x79" + struct.pack("<i", valor)


def tok_retvalue(ordinal, nombre, valor):
    """An int output parameter (the handles of sp_prepexec, sp_prepare and sp_cursoropen)."""
    v = b"\x00" if valor is None else b"\x04" + struct.pack("<i", valor)
    return b"\xAC" + struct.pack("<H", ordinal) + b_varchar(nombre) + b"\x01" + struct.pack("<IH", 0, 0) + \
        b"\x26\x04" + v


TIPO_COLUMNA = re.compile(r"^\s*([a-z0-9]+)\s*(?:\(\s*(\d+|max)\s*\))?\s*$", re.I)
ENTEROS = {"tinyint": 1, "smallint": 2, "int": 4, "bigint": 8}
TEXTOS = {"nvarchar": 0xE7, "nchar": 0xEF, "varchar": 0xA7, "char": 0xAF}


def parse_momento(v):
    """A date and time as text: (the moment to the second, its fraction in units of 100 ns)."""
    m = re.fullmatch(r"(\d{4})-(\d\d)-(\d\d)(?:[ T](\d\d):(\d\d)(?::(\d\d)(?:\.(\d{1,7}))?)?)?", v.strip())
    if not m:
        raise ValueError("datetime value %r is not YYYY-MM-DD HH:MM:SS[.fffffff]" % v)
    a, mes, d, h, mi, s, f = m.groups()
    return (datetime.datetime(int(a), int(mes), int(d), int(h or 0), int(mi or 0), int(s or 0)),
            int((f or "0").ljust(7, "0")))


class Columna:
    """A result column: its COLMETADATA entry and how its values go into a ROW."""

    def __init__(self, nombre, tipo):
        m = TIPO_COLUMNA.match(tipo)
        if not m:
            raise ValueError("column type %r" % tipo)
        self.nombre, self.base, largo = nombre, m.group(1).lower(), m.group(2)
        self.largo = None if largo is None else (-1 if largo.lower() == "max" else int(largo))
        b = self.base
        if b in TEXTOS:
            if self.largo is None or self.largo == 0 or (self.largo == -1 and b in ("char", "nchar")):
                raise ValueError("column type %r needs a length" % tipo)
            ancho = 2 if b[0] == "n" else 1
            if self.largo * ancho > 8000:
                raise ValueError("column type %r is longer than 8000 bytes; use (max)" % tipo)
            maximo = 0xFFFF if self.largo == -1 else self.largo * ancho
            self.info = bytes([TEXTOS[b]]) + struct.pack("<H", maximo) + COLACION
        elif self.largo is not None and b != "datetime2":
            raise ValueError("column type %r takes no length" % tipo)
        elif b in ENTEROS:
            self.info = bytes([0x26, ENTEROS[b]])
        elif b == "bit":
            self.info = b"\x68\x01"
        elif b in ("float", "real"):
            self.info = bytes([0x6D, 8 if b == "float" else 4])
        elif b == "datetime":
            self.info = b"\x6F\x08"
        elif b == "date":
            self.info = b"\x28"
        elif b == "datetime2":
            self.escala = 7 if self.largo is None else self.largo
            if self.escala > 7:
                raise ValueError("column type %r: the scale goes from 0 to 7" % tipo)
            self.info = bytes([0x2A, self.escala])
        else:
            raise ValueError("column type %r is not supported" % tipo)

    def metadatos(self):
        return struct.pack("<IH", 0, 0x0009) + self.info + b_varchar(self.nombre)

    def valor(self, v):
        b = self.base
        if b in TEXTOS:
            if v is not None and not isinstance(v, str):
                raise ValueError("column %s expects text, got %r" % (self.nombre, v))
            n = b[0] == "n"
            datos = None if v is None else (v.encode("utf-16-le", "surrogatepass") if n else a_cp1252(v))
            if self.largo == -1:
                if datos is None:
                    return struct.pack("<Q", PLP_NULO)
                return struct.pack("<Q", len(datos)) + (struct.pack("<I", len(datos)) + datos if datos else b"") + \
                    b"\x00\x00\x00\x00"
            if datos is None:
                return b"\xFF\xFF"
            maximo = self.largo * (2 if n else 1)
            if len(datos) > maximo:
                raise ValueError("value %r does not fit column %s %s(%d)" % (v, self.nombre, b, self.largo))
            if b in ("char", "nchar"):
                datos += (" " * ((maximo - len(datos)) // (2 if n else 1))).encode("utf-16-le" if n else "ascii")
            return struct.pack("<H", len(datos)) + datos
        if v is None:
            return b"\x00"
        if b in ENTEROS or b == "bit":
            if isinstance(v, bool) != (b == "bit") and not (b == "bit" and v in (0, 1)) or not isinstance(v, int):
                raise ValueError("column %s %s got %r" % (self.nombre, b, v))
            if b == "bit":
                return b"\x01" + bytes([1 if v else 0])
            w = ENTEROS[b]
            return bytes([w]) + int(v).to_bytes(w, "little", signed=b != "tinyint")
        if b in ("float", "real"):
            if isinstance(v, bool) or not isinstance(v, (int, float)):
                raise ValueError("column %s %s got %r" % (self.nombre, b, v))
            return b"\x08" + struct.pack("<d", v) if b == "float" else b"\x04" + struct.pack("<f", v)
        if not isinstance(v, str):
            raise ValueError("column %s %s expects a string, got %r" % (self.nombre, b, v))
        m, fraccion = parse_momento(v)
        if b == "date":
            return b"\x03" + (m.date() - datetime.date(1, 1, 1)).days.to_bytes(3, "little")
        if b == "datetime2":
            # Rounded to the column's scale, as the server stores it: the time of day in units of
            # 10^-scale s, then the days since 0001-01-01.
            desde = m - datetime.datetime(1, 1, 1)
            unidad = 10 ** (7 - self.escala)
            tics = ((desde.seconds * 10 ** 7 + fraccion) * 2 + unidad) // (2 * unidad)
            dias, tics = divmod(desde.days * 86400 * 10 ** self.escala + tics, 86400 * 10 ** self.escala)
            if dias > 3652058:
                raise ValueError("value %r is past the last day of column %s" % (v, self.nombre))
            nh = bytes_de_hora(self.escala)
            return bytes([nh + 3]) + tics.to_bytes(nh, "little") + dias.to_bytes(3, "little")
        desde = m - datetime.datetime(1900, 1, 1)
        dias, cien_ns = desde.days, desde.seconds * 10 ** 7 + fraccion
        tics = (cien_ns * 3 + 50000) // 100000             # 1/300 s, rounded
        if tics >= 300 * 86400:
            dias, tics = dias + 1, tics - 300 * 86400
        return b"\x08" + struct.pack("<iI", dias, tics)


def compilar_entrada(clave, e):
    """Checks one results-table entry. Returns (columns, rows) or (None, affected count); for a
    batch, ("lote", [(columns, rows) or ("error", server error)...]), one per result in order."""
    if isinstance(e, dict) and "lote" in e:
        if set(e) != {"lote"} or not isinstance(e["lote"], list):
            raise ValueError("result %r: a batch is {\"lote\": [results...]} alone" % clave)
        partes = []
        for i, parte in enumerate(e["lote"]):
            if isinstance(parte, dict) and "como" in parte:
                if set(parte) - {"como", "filas"} or not isinstance(parte["como"], str) \
                        or not isinstance(parte.get("filas", []), list):
                    raise ValueError("result %r, part %d: {\"como\": key, \"filas\"?}" % (clave, i))
                comprobar_clave_re(parte["como"])
                partes.append(("como", parte))
                continue
            if isinstance(parte, dict) and set(parte) == {"error"}:
                d = parte["error"]
                if not isinstance(d, dict) or set(d) - {"numero", "clase", "mensaje"}:
                    raise ValueError("result %r, part %d: error has numero, clase, mensaje" % (clave, i))
                partes.append(("error", {"numero": d.get("numero", 50000), "clase": d.get("clase", 16),
                                         "mensaje": d.get("mensaje", "Simulated failure")}))
                continue
            cols, filas = compilar_entrada("%s[%d]" % (clave, i), parte)
            if cols is None:
                raise ValueError("result %r, part %d: a batch part has columnas" % (clave, i))
            partes.append((cols, filas))
        return "lote", partes
    if not isinstance(e, dict) or set(e) - {"columnas", "filas", "afectadas"}:
        raise ValueError("result %r: expected an object with columnas, filas, afectadas" % clave)
    if "columnas" not in e:
        if "filas" in e:
            raise ValueError("result %r has filas but no columnas" % clave)
        n = e.get("afectadas")
        if n is not None and (not isinstance(n, int) or n < 0):
            raise ValueError("result %r: afectadas must be a count" % clave)
        return None, n
    cols = []
    for c in e["columnas"]:
        if not (isinstance(c, list) and len(c) == 2 and all(isinstance(x, str) for x in c)):
            raise ValueError("result %r: each column is [name, type]" % clave)
        cols.append(Columna(*c))
    filas = e.get("filas", [])
    for f in filas:
        if not isinstance(f, list) or len(f) != len(cols):
            raise ValueError("result %r: row %r does not have %d values" % (clave, f, len(cols)))
        for col, v in zip(cols, f):
            col.valor(v)
    return cols, filas


def tokens_resultado(cols, filas):
    out = [b"\x81", struct.pack("<H", len(cols))] + [c.metadatos() for c in cols]
    for f in filas:
        out.append(b"\xD1" + b"".join(c.valor(v) for c, v in zip(cols, f)))
    return b"".join(out)


ORDEN_SQL = {"select": 0xC1, "insert": 0xC3, "delete": 0xC4, "update": 0xC5}


def orden_de(texto):
    m = re.match(r"\s*(\w+)", texto or "")
    return ORDEN_SQL.get(m.group(1).lower(), 0) if m else 0


# ---------------------------------------------------------------------------------------------
# Matching of request keys against the tables of results and faults.

def normalizar(s):
    return " ".join(s.split()).casefold()


def buscar(tabla, clave):
    """Exact text first, then ignoring case and runs of blanks, then the "re:" keys in order."""
    if clave is None:
        return None
    if clave in tabla:
        return clave
    n = normalizar(clave)
    for k in tabla:
        if not k.startswith("re:") and normalizar(k) == n:
            return k
    for k in tabla:
        if k.startswith("re:") and re.search(k[3:], clave, re.I):
            return k
    return None


# ---------------------------------------------------------------------------------------------
# Shared state: the tables, the cues and the request log, all under one lock.

POR_DEFECTO = {"fallos": {}, "una_vez": {}, "clave": None, "colgar_login": False, "cortar_en": None, "cortar_con": None,
               "cortar_tras": None, "callar_con": None, "demora_ms": 0, "sin_cifrado": False, "captura": None}


def comprobar_clave_re(k):
    if k.startswith("re:"):
        try:
            re.compile(k[3:], re.I)
        except re.error as e:
            raise ValueError("bad regular expression in key %r: %s" % (k, e))


class Estado:
    def __init__(self, datos, contexto_tls=None, captura=None):
        self.lock = threading.Lock()
        self.datos = self.tabla_valida(datos)
        self.resultados = dict(self.datos)
        self.contexto_tls = contexto_tls                   # None: no certificate, never encrypts
        self.por_defecto = dict(POR_DEFECTO, captura=self.cues_validas({"captura": captura})["captura"])
        self.cues = dict(self.por_defecto)
        self.lock_captura = threading.Lock()
        self.registro = []
        self.contador_corte = 0
        self.sesiones = 0
        self.transacciones = 0x1000

    @staticmethod
    def tabla_valida(t):
        if not isinstance(t, dict):
            raise ValueError("resultados must be an object keyed by statement text")
        for k, e in t.items():
            comprobar_clave_re(k)
            compilar_entrada(k, e)
        return t

    @staticmethod
    def cues_validas(orden):
        nuevas = {}
        for k, v in orden.items():
            if k in ("orden", "resultados"):
                continue
            if k not in POR_DEFECTO:
                raise ValueError("unknown cue %r" % k)
            if k == "una_vez":
                Estado.tabla_valida(v)
            elif k == "fallos":
                if not isinstance(v, dict):
                    raise ValueError("fallos must be an object keyed by statement text")
                f = {}
                for clave, d in v.items():
                    comprobar_clave_re(clave)
                    if not isinstance(d, dict) or set(d) - {"numero", "clase", "mensaje", "veces"}:
                        raise ValueError("fallos[%r]: expected numero, clase, mensaje, veces" % clave)
                    f[clave] = {"numero": d.get("numero", 50000), "clase": d.get("clase", 16),
                                "mensaje": d.get("mensaje", "Simulated failure"), "veces": d.get("veces")}
                    if not (isinstance(f[clave]["numero"], int) and -2 ** 31 <= f[clave]["numero"] < 2 ** 31
                            and isinstance(f[clave]["clase"], int)
                            and 0 <= f[clave]["clase"] <= 255 and isinstance(f[clave]["mensaje"], str)
                            and (f[clave]["veces"] is None or isinstance(f[clave]["veces"], int)
                                 and f[clave]["veces"] >= 1)):
                        raise ValueError("fallos[%r] has a value of the wrong type" % clave)
                v = f
            elif k == "clave" and not (v is None or isinstance(v, str)):
                raise ValueError("clave must be a string or null")
            elif k == "colgar_login" and not isinstance(v, bool):
                raise ValueError("colgar_login must be true or false")
            elif k == "cortar_en" and not (v is None or isinstance(v, int) and not isinstance(v, bool) and v >= 1):
                raise ValueError("cortar_en must be a count from 1, or null")
            elif k in ("cortar_con", "cortar_tras", "callar_con"):
                if not (v is None or isinstance(v, str)):
                    raise ValueError("%s must be a key or null" % k)
                if v:
                    comprobar_clave_re(v)
            elif k == "demora_ms" and (isinstance(v, bool) or not isinstance(v, (int, float)) or v < 0):
                raise ValueError("demora_ms must be a number of milliseconds")
            elif k == "sin_cifrado" and not isinstance(v, bool):
                raise ValueError("sin_cifrado must be true or false")
            elif k == "captura" and v is not None:
                if not isinstance(v, str) or not v:
                    raise ValueError("captura must be a file name or null")
                try:
                    open(v, "ab").close()
                except OSError as e:
                    raise ValueError("captura: cannot append to %s: %s" % (v, e))
            nuevas[k] = v
        return nuevas

    def aplicar(self, orden, desde_cero):
        nuevas = self.cues_validas(orden)
        extra = self.tabla_valida(orden.get("resultados", {}))
        with self.lock:
            if desde_cero:
                self.registro = []
                self.contador_corte = 0
                self.cues = dict(self.por_defecto)
                self.resultados = dict(self.datos)
            self.resultados = {**self.resultados, **extra}
            self.cues.update(nuevas)
            if "cortar_en" in nuevas:
                self.contador_corte = 0

    def capturar(self, datos):
        """Appends bytes that crossed a TDS socket to the capture file, when there is one."""
        if not datos:
            return
        with self.lock:
            ruta = self.cues["captura"]
        if ruta is None:
            return
        with self.lock_captura, open(ruta, "ab") as f:
            f.write(datos)

    def nueva_sesion(self):
        with self.lock:
            self.sesiones += 1
            return self.sesiones

    def nueva_transaccion(self):
        with self.lock:
            self.transacciones += 1
            return struct.pack("<Q", self.transacciones)

    def cue(self, nombre):
        with self.lock:
            return self.cues[nombre]

    def registrar(self, sesion, entrada):
        with self.lock:
            entrada = {"sesion": sesion, "n": len(self.registro) + 1, **entrada}
            self.registro.append(entrada)

    def decidir_corte(self, claves):
        """Counts one request; true when a cut cue fires on it (the cue is then spent)."""
        with self.lock:
            if self.cues["cortar_en"] is not None:
                self.contador_corte += 1
                if self.contador_corte >= self.cues["cortar_en"]:
                    self.cues["cortar_en"] = None
                    return True
            return self.gastar_patron("cortar_con", claves)

    def decidir_perdida(self, claves):
        """True when the lost-answer cue matches one of the request's keys (the cue is then spent)."""
        with self.lock:
            return self.gastar_patron("cortar_tras", claves)

    def decidir_silencio(self, claves):
        """True when the silence cue matches one of the request's keys (the cue is then spent)."""
        with self.lock:
            return self.gastar_patron("callar_con", claves)

    def gastar_patron(self, cue, claves):
        """Under the lock: true when the key cue matches one of the keys; the cue is then spent."""
        patron = self.cues[cue]
        if patron is not None and any(buscar({patron: None}, k) is not None for k in claves):
            self.cues[cue] = None
            return True
        return False

    def tomar_fallo(self, clave):
        with self.lock:
            k = buscar(self.cues["fallos"], clave)
            if k is None:
                return None
            f = self.cues["fallos"][k]
            if f["veces"] is not None:
                fallos = dict(self.cues["fallos"])
                if f["veces"] <= 1:
                    del fallos[k]
                else:
                    fallos[k] = dict(f, veces=f["veces"] - 1)
                self.cues["fallos"] = fallos
            return f

    def resultado(self, clave):
        with self.lock:
            tabla = self.resultados
            k = buscar(self.cues["una_vez"], clave)
            if k is not None:                               # answered once, then the table again
                una = dict(self.cues["una_vez"])
                entrada = una.pop(k)
                self.cues["una_vez"] = una
                return compilar_entrada(k, entrada)
        k = buscar(tabla, clave)
        return None if k is None else compilar_entrada(k, tabla[k])


# ---------------------------------------------------------------------------------------------
# One TDS connection: PRELOGIN, LOGIN7, then requests until the client leaves.

class Sesion:
    def __init__(self, estado, sock):
        self.estado = estado
        self.sock = sock
        self.crudo = Canal(sock, estado)                 # the bytes as they cross the socket
        self.canal = self.crudo                           # where TDS packets go: the socket or TLS on it
        self.cifrado = None                               # "tls" (the whole session) or "solo_login"
        self.numero = estado.nueva_sesion()
        self.spid = 50 + self.numero % 30000
        self.contador = [0]
        self.fase = "inicio"
        self.transaccion = None
        self.handles = {}
        self.ultimo_handle = 0

    def registrar(self, entrada):
        self.estado.registrar(self.numero, entrada)

    def demorar(self):
        demora = self.estado.cue("demora_ms")
        if demora:
            time.sleep(demora / 1000.0)

    def enviar(self, datos):
        self.demorar()
        self.canal.sendall(paquetes(0x04, datos, self.spid, self.contador))

    def atender(self):
        datos = b""
        try:
            while True:
                try:
                    tipo, estado, datos = leer_mensaje(self.canal)
                except Cerrada:
                    return
                if not self.despachar(tipo, estado, datos):
                    return
        except Malformado as e:
            crudo = e.crudo if e.crudo is not None else datos
            self.registrar({"tipo": "malformado", "error": str(e), "hex": crudo[:256].hex()})
        except ssl.SSLError as e:                               # a record that does not decrypt, an alert
            self.registrar({"tipo": "malformado", "error": "TLS: %s" % e, "hex": ""})
        except OSError:
            pass
        except Exception as e:                                  # a fault of ours must show in the log too
            traceback.print_exc()
            self.registrar({"tipo": "malformado", "error": "server fault: %r" % e, "hex": datos[:256].hex()})
        finally:
            try:
                self.sock.close()
            except OSError:
                pass

    def despachar(self, tipo, estado, datos):
        if estado & 0x02:
            # The client gave up writing this message; it is discarded and an attention follows.
            self.registrar({"tipo": "ignorado", "hex": datos[:256].hex()})
            return True
        if tipo == 0x12 and self.fase == "inicio":
            return self.prelogin(datos)
        if tipo == 0x10 and self.fase in ("inicio", "prelogin"):
            return self.login(datos)
        if self.fase == "sesion" and tipo in (0x01, 0x03, 0x0E):
            return self.peticion(tipo, datos)
        if self.fase == "sesion" and tipo == 0x06:
            if datos:
                raise Malformado("attention with a payload of %d bytes" % len(datos))
            self.registrar({"tipo": "atencion"})
            self.enviar(tok_done(DONE, ATENCION))
            return True
        raise Malformado("message of type 0x%02X not expected after %s" % (tipo, self.fase))

    def prelogin(self, datos):
        r = Lector(datos)
        opciones = {}
        for _ in range(256):
            token = r.u8()
            if token == 0xFF:
                break
            desde, largo = struct.unpack(">HH", r.tomar(4))
            if desde + largo > len(datos):
                raise Malformado("PRELOGIN option %d points past the end" % token)
            opciones[token] = datos[desde:desde + largo]
        else:
            raise Malformado("PRELOGIN without a terminator")
        if 0 not in opciones or len(opciones[0]) != 6:
            raise Malformado("PRELOGIN without a VERSION option of 6 bytes")
        pedido = opciones.get(1, b"\x02")
        entrada = {"tipo": "prelogin", "cifrado": pedido[0] if pedido else None}
        # As SQL Server: ON when the client asks ON or REQ, OFF (the LOGIN7 alone encrypted) when
        # it says OFF, NOT_SUP when it does not support it, or when there is no certificate.
        respuesta = 0x02
        if self.estado.contexto_tls is not None and not self.estado.cue("sin_cifrado") and pedido:
            respuesta = {0x00: 0x00, 0x01: 0x01, 0x03: 0x01}.get(pedido[0], 0x02)
        entrada["respuesta"] = respuesta
        valores = [(0, bytes([16, 0, 0x0F, 0xA0, 0, 0])), (1, bytes([respuesta])), (2, b"\x00"), (3, b""),
                   (4, b"\x00")]
        cab, cuerpo = b"", b""
        desde = 5 * len(valores) + 1
        for token, v in valores:
            cab += struct.pack(">BHH", token, desde + len(cuerpo), len(v))
            cuerpo += v
        self.fase = "prelogin"
        if respuesta == 0x02:
            self.registrar(entrada)
            self.enviar(cab + b"\xFF" + cuerpo)
            return True
        entrada["tls"] = {"paquetes_recibidos": 0, "paquetes_enviados": 0}
        try:
            self.enviar(cab + b"\xFF" + cuerpo)
            canal = self.saludo_tls(entrada["tls"])
        finally:
            self.registrar(entrada)
        if canal is None:
            return False
        self.canal = canal
        self.cifrado = "tls" if respuesta == 0x01 else "solo_login"
        return True

    def saludo_tls(self, cuenta):
        """The TLS handshake, its records inside PRELOGIN packets both ways. Returns the TLS
        channel, or None when the client left or the handshake failed (said in cuenta)."""
        entrante, saliente = ssl.MemoryBIO(), ssl.MemoryBIO()
        tls = self.estado.contexto_tls.wrap_bio(entrante, saliente, server_side=True)
        while True:
            try:
                tipo, _, datos = leer_mensaje(self.crudo)
            except Cerrada:
                cuenta["error"] = "the client left during the handshake"
                return None
            if tipo != 0x12:
                raise Malformado("message of type 0x%02X during the TLS handshake" % tipo)
            cuenta["paquetes_recibidos"] += 1
            entrante.write(datos)
            try:
                tls.do_handshake()
                hecho = True
            except ssl.SSLWantReadError:
                hecho = False
            except ssl.SSLError as e:
                cuenta["error"] = str(e)
                salida = saliente.read()                   # the alert, for the client to read
                if salida:
                    self.crudo.sendall(paquetes(0x12, salida, self.spid, self.contador))
                return None
            salida = saliente.read()
            if salida:
                self.demorar()                             # a handshake reply is a round trip too
                self.crudo.sendall(paquetes(0x12, salida, self.spid, self.contador))
                cuenta["paquetes_enviados"] += 1
            if hecho:
                cuenta["version"] = tls.version()
                cuenta["cifra"] = tls.cipher()[0]
                return CanalTls(self.crudo, tls, entrante, saliente)

    def login(self, datos):
        r = Lector(datos)
        largo, version = struct.unpack("<II", r.tomar(8))
        if largo != len(datos) or largo < 94:
            raise Malformado("LOGIN7 says %d bytes and the message has %d" % (largo, len(datos)))
        r.p = 36

        def cadena():
            desde, n = r.u16(), r.u16()
            if n and (desde < 94 or desde + 2 * n > len(datos)):
                raise Malformado("LOGIN7 string at %d of %d characters outside the message" % (desde, n))
            return datos[desde:desde + 2 * n]

        _maquina, usuario, clave, app, servidor, _ext, _lib, _idioma, base = [cadena() for _ in range(9)]
        texto = lambda b: b.decode("utf-16-le", "surrogatepass")
        clave = bytes((((b ^ 0xA5) & 0x0F) << 4) | ((b ^ 0xA5) >> 4) for b in clave)
        entrada = {"tipo": "login", "usuario": texto(usuario), "clave": texto(clave), "base": texto(base),
                   "servidor": texto(servidor), "aplicacion": texto(app), "version_tds": "0x%08X" % version,
                   "rechazado": False, "cifrado": self.cifrado}
        if self.cifrado == "solo_login":                   # encryption OFF: the rest goes in clear text
            self.canal = self.crudo
        if self.estado.cue("colgar_login"):
            entrada["colgado"] = True
            self.registrar(entrada)
            for _ in iter(lambda: self.canal.recv(65536), b""):   # hold it until the client leaves
                pass
            return False
        esperada = self.estado.cue("clave")
        if esperada is not None and esperada != entrada["clave"]:
            entrada["rechazado"] = True
            self.registrar(entrada)
            self.enviar(tok_error(18456, 14, "Login failed for user '%s'." % entrada["usuario"])
                        + tok_done(DONE, ERROR))
            return False
        self.registrar(entrada)
        nombre_base = entrada["base"] or BASE_POR_DEFECTO
        ack = b"\x01" + bytes([0x74, 0, 0, 4]) + b_varchar("Microsoft SQL Server") + bytes([16, 0, 0x0F, 0xA0])
        self.enviar(tok_envchange(1, b_varchar(nombre_base), b_varchar("master"))
                    + tok_envchange(7, b"\x05" + COLACION, b"\x00")
                    + tok_envchange(2, b_varchar("us_english"), b_varchar(""))
                    + b"\xAD" + struct.pack("<H", len(ack)) + ack
                    + tok_envchange(4, b_varchar(str(TAM_PAQUETE)), b_varchar(str(TAM_PAQUETE)))
                    + tok_done(DONE, 0))
        self.fase = "sesion"
        return True

    # -- requests -------------------------------------------------------------------------------

    def peticion(self, tipo, datos):
        r = Lector(datos)
        transaccion = leer_cabeceras(r)
        if tipo == 0x01:
            if r.queda() % 2:
                raise Malformado("SQL batch text of an odd number of bytes")
            texto = r.ucs2(r.queda() // 2)
            llamadas = [({"tipo": "batch", "texto": texto}, texto, None)]
        elif tipo == 0x03:
            llamadas = [self.describir_rpc(nombre, params) for nombre, params in leer_rpcs(r)]
        else:
            llamadas = [self.leer_tm(r)]
        r.fin("the request")
        for entrada, _, _ in llamadas:
            entrada["transaccion"] = transaccion.hex()
        if self.estado.decidir_silencio([clave for _, clave, _ in llamadas]):
            for entrada, _, _ in llamadas:
                self.registrar(dict(entrada, callado=True))
            for _ in iter(lambda: self.canal.recv(65536), b""):   # never answers, until the client leaves
                pass
            return False
        if self.estado.decidir_corte([clave for _, clave, _ in llamadas]):
            for entrada, _, _ in llamadas:
                self.registrar(dict(entrada, cortado=True))
            return False
        perdida = self.estado.decidir_perdida([clave for _, clave, _ in llamadas])
        salida = []
        for i, (entrada, clave, responder) in enumerate(llamadas):
            mas = MAS if i < len(llamadas) - 1 else 0
            fallo = self.estado.tomar_fallo(clave)
            if fallo:
                entrada["fallado"] = True
                fin = DONE if tipo != 0x03 else DONEPROC
                salida.append(tok_error(fallo["numero"], fallo["clase"], fallo["mensaje"])
                              + tok_done(fin, ERROR | mas))
            elif tipo == 0x01:
                salida.append(self.lote(clave, mas))
            else:
                salida.append(responder(mas))
            if perdida:
                entrada["respuesta_perdida"] = True
            self.registrar(entrada)
        if perdida:                                 # done, as a server would; the answer never leaves
            return False
        self.enviar(b"".join(salida))
        return True

    def lote(self, texto, mas):
        """A SQL batch. BEGIN, COMMIT and ROLLBACK TRANSACTION change the session's
        transaction as a server's would (ENVCHANGE 8, 9, 10); anything else is a statement."""
        m = LOTE_TRANSACCION.match(texto)
        if not m:
            return self.sentencia(texto, DONE, mas)
        if m.group(1):
            viejo = b"\x00" if self.transaccion is None else b"\x08" + self.transaccion
            self.transaccion = self.estado.nueva_transaccion()
            return tok_envchange(8, b"\x08" + self.transaccion, viejo) + tok_done(DONE, mas)
        if self.transaccion is None:
            if m.group(3):  # "IF @@TRANCOUNT > 0 ROLLBACK": nothing to do
                return tok_done(DONE, mas)
            numero, que = (3902, "COMMIT") if m.group(2) else (3903, "ROLLBACK")
            return (tok_error(numero, 16, "The %s TRANSACTION request has no corresponding BEGIN "
                              "TRANSACTION." % que) + tok_done(DONE, ERROR | mas))
        salida = tok_envchange(9 if m.group(2) else 10, b"\x00", b"\x08" + self.transaccion)
        self.transaccion = None
        return salida + tok_done(DONE, mas)

    def sentencia(self, texto, token, mas):
        """COLMETADATA + ROWs + DONE for a statement, from the table or the defaults. A batch
        entry gives each of its results in turn; an error part ends the batch there, as a server
        with XACT_ABORT ON would."""
        res = self.estado.resultado(texto)
        if res is not None and res[0] == "lote":
            salida = []
            for cols, filas in res[1]:
                if cols == "como":                          # another key's result, as the table holds it now
                    otro = self.estado.resultado(filas["como"])
                    if otro is None or otro[0] is None or otro[0] == "lote":
                        continue                            # that statement returns no rows
                    cols, filas = otro[0], filas.get("filas", otro[1])
                if cols == "error":
                    salida.append(tok_error(filas["numero"], filas["clase"], filas["mensaje"])
                                  + tok_done(token, ERROR | mas))
                    return b"".join(salida)
                salida.append(tokens_resultado(cols, filas) + tok_done(token, CUENTA | MAS, len(filas), 0xC1))
            return b"".join(salida) + tok_done(token, mas)
        if res is not None:
            cols, filas = res
            if cols is not None:
                return tokens_resultado(cols, filas) + tok_done(token, CUENTA | mas, len(filas), 0xC1)
            if filas is not None:
                return tok_done(token, CUENTA | mas, filas, orden_de(texto))
            return tok_done(token, mas)
        if re.match(r"\s*(insert|update|delete)\b", texto, re.I):
            return tok_done(token, CUENTA | mas, 1, orden_de(texto))
        return tok_done(token, mas)

    def describir_rpc(self, nombre, params):
        """The log entry, the matching key and the reply builder of one RPC call."""
        base = nombre.lower().rsplit(".", 1)[-1]
        sistema = "." not in nombre or nombre.lower().startswith(("sys.", "master."))
        especial = base if sistema and base in PROC_NOMBRES else None
        texto = declaraciones = None
        argumentos = params
        valor = lambda i: params[i]["valor"] if len(params) > i else None

        def en_proc(cuerpo, salidas=b""):
            return lambda mas: cuerpo + tok_retstatus(0) + salidas + tok_done(DONEPROC, mas)

        def texto_de(i):
            v = valor(i)
            if v is not None and not isinstance(v, str):
                raise Malformado("%s: parameter %d is not text" % (nombre, i + 1))
            return v

        if especial == "sp_executesql":
            texto, declaraciones, argumentos = texto_de(0), texto_de(1), params[2:]
            responder = lambda mas: en_proc(self.sentencia(texto or "", DONEINPROC, MAS))(mas)
        elif especial in ("sp_prepexec", "sp_prepare"):
            texto, declaraciones = texto_de(2), texto_de(1)
            argumentos = params[3:] if especial == "sp_prepexec" else []
            if not params or not params[0]["salida"]:
                raise Malformado("%s without an output handle parameter" % nombre)

            def responder(mas):
                self.ultimo_handle += 1
                self.handles[self.ultimo_handle] = texto or ""
                if especial == "sp_prepexec":
                    filas = self.sentencia(texto or "", DONEINPROC, MAS)
                else:                                       # sp_prepare describes the columns only
                    res = self.estado.resultado(texto or "")
                    filas = tokens_resultado(res[0], []) + tok_done(DONEINPROC, MAS) if res and res[0] else b""
                return en_proc(filas, tok_retvalue(0, params[0]["nombre"], self.ultimo_handle))(mas)
        elif especial == "sp_execute":
            handle = valor(0)
            texto, argumentos = self.handles.get(handle), params[1:]

            def responder(mas):
                if texto is None:
                    return tok_error(8179, 16, "Could not find prepared statement with handle %s." % handle) + \
                        tok_done(DONEPROC, ERROR | mas)
                return en_proc(self.sentencia(texto, DONEINPROC, MAS))(mas)
        elif especial == "sp_unprepare":
            argumentos = params[1:]

            def responder(mas):
                self.handles.pop(valor(0), None)
                return en_proc(b"")(mas)
        elif especial == "sp_cursoropen":
            # No server cursor is kept: the statement runs and the handle returned is 0, which the
            # driver takes as "no cursor left open". The other output parameters echo their input.
            texto, declaraciones, argumentos = texto_de(1), texto_de(5), params[6:]
            salidas = b"".join(tok_retvalue(i, p["nombre"], 0 if i in (0, 4) or not isinstance(p["valor"], int)
                                            else p["valor"]) for i, p in enumerate(params) if p["salida"])

            def responder(mas):
                res = self.estado.resultado(texto or "")
                if res and res[0] is not None:              # rows through a cursor would silently vanish
                    return tok_error(16945, 16, "The TDS test server keeps no server cursors; run this "
                                     "query forward-only.") + tok_done(DONEPROC, ERROR | mas)
                return en_proc(b"", salidas)(mas)
        elif especial is not None:
            responder = en_proc(b"")
        else:
            def responder(mas):
                res = self.estado.resultado(nombre)
                return en_proc(self.sentencia(nombre, DONEINPROC, MAS) if res else b"")(mas)
        entrada = {"tipo": "rpc", "proc": nombre, "texto": texto, "parametros": params, "argumentos": argumentos}
        if especial in ("sp_executesql", "sp_prepexec", "sp_prepare", "sp_cursoropen"):
            entrada["declaraciones"] = declaraciones
        return entrada, texto if texto is not None else nombre, responder

    def leer_tm(self, r):
        operacion = r.u16()
        nueva = False
        if operacion == 5:
            r.u8()
            r.b_varchar()
        elif operacion in (7, 8):
            r.b_varchar()
            nueva = bool(r.u8() & 0x01)
            if nueva:
                r.u8()
                r.b_varchar()
        else:
            r.p = len(r.d)
        nombres = {5: "begin", 7: "commit", 8: "rollback"}
        entrada = {"tipo": "tm", "operacion": nombres.get(operacion, operacion)}
        if operacion in (7, 8):
            entrada["nueva_transaccion"] = nueva

        def responder(mas):
            salida = b""
            if operacion in (7, 8):
                if self.transaccion is None:
                    numero = 3902 if operacion == 7 else 3903
                    return tok_error(numero, 16, "The %s TRANSACTION request has no corresponding BEGIN "
                                     "TRANSACTION." % nombres[operacion].upper()) + tok_done(DONE, ERROR | mas)
                salida += tok_envchange(operacion + 2, b"\x00", b"\x08" + self.transaccion)
                self.transaccion = None
            if operacion == 5 or nueva:
                viejo = b"\x00" if self.transaccion is None else b"\x08" + self.transaccion
                self.transaccion = self.estado.nueva_transaccion()
                salida += tok_envchange(8, b"\x08" + self.transaccion, viejo)
            return salida + tok_done(DONE, mas)
        return entrada, "tm:%s" % entrada["operacion"], responder


# ---------------------------------------------------------------------------------------------
# Control port: one JSON order per line, one JSON reply per line.
#
#   {"orden": "preparar", ...cues}  clears the log and the cues, then sets the cues given
#   {"orden": "ajustar", ...cues}   changes only the cues given
#   {"orden": "registro"}           the log: {"ok": true, "registro": [entries]}
#   {"orden": "detener"}            ends the server
#
# Cues (a "key" is a statement text, a procedure name or "tm:OPERATION", matched exactly, then
# ignoring case and runs of blanks, or a regular expression written "re:PATTERN"):
#   resultados    {key: {"columnas": [[name, type]...], "filas": [[...]...]} or {"afectadas": n}
#                 or, for a batch of several statements, {"lote": [{"columnas", "filas"} or
#                 {"como": key, "filas"?} (the result the table holds for another key, when it
#                 answers, its rows replaced when given) or {"error": {"numero", "clase",
#                 "mensaje"}}...]}, its results in order},
#                 added to the table read from --datos
#   una_vez       {key: result} like resultados, each answered once ahead of the table
#   fallos        {key: {"numero", "clase", "mensaje", "veces"}}: the request fails with that server
#                 error ("veces" times, or always)
#   clave         the only password a login is accepted with (null: any)
#   colgar_login  true: a login is never answered, the connection held until the client leaves
#   cortar_en     n: the n-th request from now is not run and its connection is closed
#   cortar_con    key: the next request that matches is not run and its connection is closed
#   cortar_tras   key: the next request that matches is run (a COMMIT commits) and its connection
#                 is closed before the answer leaves; its log entry says "respuesta_perdida"
#   callar_con    key: the next request that matches is never answered
#   demora_ms     a delay before every reply
#   sin_cifrado   true: PRELOGIN answers NOT_SUP even with a certificate, as a server without one
#   captura       a file name: every byte read or written on a TDS socket from now on is appended
#                 to it, TLS records as they are (null: none; --captura gives the starting value)
#
# The log's "prelogin" entry has the client's encryption byte ("cifrado") and the answer
# ("respuesta"); when TLS was negotiated, "tls": the PRELOGIN packets each way during the
# handshake, the protocol version and cipher, or "error" when it failed. A "login" entry says how
# the LOGIN7 came: "cifrado" "tls" (the whole session encrypted), "solo_login" (only the LOGIN7)
# or null (clear text).
# Each of cortar_en, cortar_con, cortar_tras and callar_con fires once and is then spent.

def atender_control(estado, sock, parada):
    try:
        with sock, sock.makefile("rb") as entrada:
            while not parada.is_set():
                linea = entrada.readline(MAX_MENSAJE)
                if not linea:
                    return
                if not linea.strip():
                    continue
                detener = False
                try:
                    orden = json.loads(linea)
                    if not isinstance(orden, dict):
                        raise ValueError("an order is a JSON object")
                    que = orden.get("orden")
                    if que in ("preparar", "ajustar"):
                        estado.aplicar(orden, que == "preparar")
                        respuesta = {"ok": True}
                    elif que == "registro":
                        with estado.lock:
                            respuesta = {"ok": True, "registro": list(estado.registro)}
                    elif que == "detener":
                        respuesta, detener = {"ok": True}, True
                    else:
                        raise ValueError("unknown order %r" % que)
                except Exception as e:                      # any bad order is answered, never fatal
                    respuesta = {"ok": False, "error": str(e)}
                sock.sendall((json.dumps(respuesta) + "\n").encode("ascii"))
                if detener:
                    parada.set()
                    return
    except OSError:
        pass


def aceptar(servidor, atender):
    while True:
        try:
            sock, _ = servidor.accept()
        except OSError:
            return
        threading.Thread(target=atender, args=(sock,), daemon=True).start()


# ---------------------------------------------------------------------------------------------
# Main: listen, announce the ports, live until "detener" or the end of --vida.

def demonizar(directorio, ruta):
    """The parent returns only to exit: 0 once the child has announced its ports, 1 if not in 10 s."""
    hijo = os.fork()
    if hijo:
        limite = time.monotonic() + 10
        while time.monotonic() < limite:
            if os.path.exists(ruta):
                sys.exit(0)
            if os.waitpid(hijo, os.WNOHANG)[0]:
                break
            time.sleep(0.05)
        if os.path.exists(ruta):
            sys.exit(0)
        sys.stderr.write("The TDS test server did not start: %s did not appear (see %s).\n"
                         % (ruta, os.path.join(directorio, "servidor.err")))
        sys.exit(1)
    os.setsid()
    nulo = os.open(os.devnull, os.O_RDONLY)
    err = os.open(os.path.join(directorio, "servidor.err"), os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)
    os.dup2(nulo, 0)
    os.dup2(err, 1)
    os.dup2(err, 2)
    os.closerange(3, 1024)


def detener(ruta):
    """Stops the server announced in ruta and waits until it has gone (it removes the file last)."""
    try:
        with open(ruta) as f:
            puerto = json.load(f)["control"]
    except (OSError, ValueError, KeyError):
        print("No TDS test server is announced in %s; nothing to stop." % ruta)
        return 0
    try:
        with socket.create_connection((HOST, puerto), timeout=5) as s:
            s.sendall(b'{"orden": "detener"}\n')
            s.makefile("rb").readline()
    except OSError as e:
        print("The TDS test server of %s was not running (%s); its stale file is removed." % (ruta, e))
        os.unlink(ruta)
        return 0
    limite = time.monotonic() + 10
    while os.path.exists(ruta) and time.monotonic() < limite:
        time.sleep(0.05)
    if os.path.exists(ruta):
        sys.stderr.write("The TDS test server of %s did not stop within 10 s.\n" % ruta)
        return 1
    return 0


def contexto_tls(certificado, clave):
    """The server's TLS context. TLS 1.2 at most: SQL Server up to 2019 negotiates it, and FreeTDS
    1.3 sends its last TLS 1.3 handshake message only when it next reads, which it never does, so
    a TLS 1.3 login hangs."""
    contexto = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    contexto.maximum_version = ssl.TLSVersion.TLSv1_2
    contexto.load_cert_chain(certificado, clave)
    return contexto


def main():
    p = argparse.ArgumentParser(description="TDS (SQL Server) test server on 127.0.0.1")
    p.add_argument("--dir", required=True, help="where servidor.json (ports and pid) is written")
    p.add_argument("--datos", help="JSON file with the default results table")
    p.add_argument("--vida", type=float, default=900.0, help="seconds after which the server ends itself")
    p.add_argument("--daemon", action="store_true", help="detach, and return once the ports are announced")
    p.add_argument("--detener", action="store_true", help="stop the server running for --dir, and wait for it")
    p.add_argument("--certificado", help="PEM certificate (and chain): TLS is then offered as SQL Server does")
    p.add_argument("--clave-privada", help="PEM private key of --certificado")
    p.add_argument("--captura", help="file to append every byte that crosses a TDS socket to (cue \"captura\")")
    args = p.parse_args()
    if bool(args.certificado) != bool(args.clave_privada):
        p.error("--certificado and --clave-privada go together")
    if args.detener:
        sys.exit(detener(os.path.join(args.dir, "servidor.json")))
    try:
        os.makedirs(args.dir, exist_ok=True)
    except OSError as e:
        sys.stderr.write("Cannot use %s as the server's directory: %s\n" % (args.dir, e))
        sys.exit(2)
    ruta = os.path.join(args.dir, "servidor.json")
    if os.path.exists(ruta):
        os.unlink(ruta)                                    # a stale one must not pass for ours
    try:
        datos = {}
        if args.datos:
            with open(args.datos, encoding="utf-8") as f:
                datos = json.load(f)
        Estado.tabla_valida(datos)
    except (OSError, ValueError) as e:
        sys.stderr.write("Cannot use the results table %s: %s\n" % (args.datos, e))
        sys.exit(2)
    contexto = None
    if args.certificado:
        try:
            contexto = contexto_tls(args.certificado, args.clave_privada)
        except (OSError, ssl.SSLError) as e:
            sys.stderr.write("Cannot use the certificate %s with the key %s: %s\n"
                             % (args.certificado, args.clave_privada, e))
            sys.exit(2)
    try:
        estado = Estado(datos, contexto, args.captura)
    except ValueError as e:
        sys.stderr.write("Cannot use the capture file: %s\n" % e)
        sys.exit(2)
    if args.daemon:
        demonizar(args.dir, ruta)

    parada = threading.Event()
    tds = socket.create_server((HOST, 0))
    control = socket.create_server((HOST, 0))
    threading.Thread(target=aceptar, daemon=True,
                     args=(tds, lambda s: Sesion(estado, s).atender())).start()
    threading.Thread(target=aceptar, daemon=True,
                     args=(control, lambda s: atender_control(estado, s, parada))).start()

    anuncio = {"tds": tds.getsockname()[1], "control": control.getsockname()[1], "pid": os.getpid()}
    temporal = os.path.join(args.dir, ".servidor.json.%d" % os.getpid())
    with open(temporal, "w") as f:
        json.dump(anuncio, f)
    os.replace(temporal, ruta)

    parada.wait(max(args.vida, 0))
    try:
        with open(ruta) as f:
            if json.load(f).get("pid") == os.getpid():
                os.unlink(ruta)
    except (OSError, ValueError):
        pass
    sys.stdout.flush()
    sys.stderr.flush()
    os._exit(0)


if __name__ == "__main__":
    main()
