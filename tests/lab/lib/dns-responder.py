#!/usr/bin/env python3
"""A hostile DNS server for the lab: it answers every query with one kind of
malformed or misleading reply, chosen at start, and ends by itself.

Usage:
  dns-responder.py --kind KIND --listen ADDRESS [--port N] [--lifetime S]
                   [--answer NAME=ADDRESS ...] [--default-answer ADDRESS]
                   [--poison ADDRESS] [--other-address ADDRESS]
  dns-responder.py --describe [KIND]    what each kind sends, one line each
  dns-responder.py --table ROWS LOGS    one row per kind: what it sent (its log
                   LOGS/KIND.out) and what the lookup gave (ROWS: the Wine
                   test's "kind, result, elapsed ms" lines)

The sound answer for a question is the address --answer gives its name
(else --default-answer); kinds that mislead carry --poison instead, so a
client that takes them shows it. Each reply sent is logged on stdout.
"""
import argparse
import os
import re
import select
import socket
import struct
import sys
import time

import tables

MAX_QUERIES = 2000  # a bound on the work of one lifetime, whatever comes in

DESCRIPTIONS = {
    "short-datagram": "5 bytes: the query's ID and 3 bytes of a header",
    "counts-beyond": "counts 1/5/3/2, then the question and one whole A record",
    "compression-loop": "an answer whose owner name is a pointer to itself",
    "forward-pointer": "an answer whose owner name points forward, to a name behind the record",
    "pointer-out-of-range": "an answer whose owner name points to offset 1023 of a short reply",
    "reserved-label-bits": "an answer whose owner name starts with length byte 0x41 (65 bytes follow)",
    "rdlength-past-end": "an A record whose RDLENGTH is 255 with 4 data bytes",
    "answer-flood": "ANCOUNT 65535 and as many whole A records as fill 512 bytes",
    "wrong-id": "a well-formed reply with a poisoned address under another ID",
    "other-address": "a well-formed reply with a poisoned address, sent from another address",
    "other-port": "a well-formed reply with a poisoned address, sent from another port",
    "unknown-types": "two answers of types 99 and 65280 only, no A record",
    "truncated": "the TC bit set over one whole A record",
    "silence": "nothing",
}


def question_of(query):
    """The question section's bytes (name, type, class), or None."""
    at = 12
    while at < len(query):
        length = query[at]
        if length == 0:
            end = at + 5
            return query[12:end] if end <= len(query) else None
        if length > 63:
            return None
        at += length + 1
    return None


def name_of(question):
    labels, at = [], 0
    while question[at]:
        labels.append(question[at + 1 : at + 1 + question[at]].decode("ascii", "replace"))
        at += question[at] + 1
    return ".".join(labels).lower()


def header(qid, flags, qd, an, ns=0, ar=0):
    return struct.pack(">HHHHHH", qid, flags, qd, an, ns, ar)


def a_record(owner, address, rdlength=4):
    return owner + struct.pack(">HHIH", 1, 1, 60, rdlength) + socket.inet_aton(address)


QUESTION_POINTER = b"\xc0\x0c"


def reply_for(kind, qid, question, sound, poison):
    """The datagram KIND sends for a query, or None for silence."""
    ok = 0x8180
    if kind == "short-datagram":
        return struct.pack(">H", qid) + b"\x81\x80\x00"
    if kind == "counts-beyond":
        return header(qid, ok, 1, 5, 3, 2) + question + a_record(QUESTION_POINTER, sound)
    if kind == "compression-loop":
        start = 12 + len(question)
        return header(qid, ok, 1, 1) + question + a_record(struct.pack(">H", 0xC000 | start), poison)
    if kind == "forward-pointer":
        start = 12 + len(question)
        behind = start + 16
        return (header(qid, ok, 1, 1) + question
                + a_record(struct.pack(">H", 0xC000 | behind), poison) + question[:-4])
    if kind == "pointer-out-of-range":
        return header(qid, ok, 1, 1) + question + a_record(b"\xc3\xff", poison)
    if kind == "reserved-label-bits":
        owner = b"\x41" + b"r" * 65 + b"\x00"
        return header(qid, ok, 1, 1) + question + a_record(owner, poison)
    if kind == "rdlength-past-end":
        return header(qid, ok, 1, 1) + question + a_record(QUESTION_POINTER, poison, 255)
    if kind == "answer-flood":
        reply = header(qid, ok, 1, 0xFFFF) + question + a_record(QUESTION_POINTER, sound)
        n = 0
        while len(reply) + 16 <= 512:
            n += 1
            reply += a_record(QUESTION_POINTER, "198.18.%d.%d" % (n // 256, n % 256))
        return reply
    if kind in ("wrong-id", "other-address", "other-port"):
        rid = (qid + 1) & 0xFFFF if kind == "wrong-id" else qid
        return header(rid, ok, 1, 1) + question + a_record(QUESTION_POINTER, poison)
    if kind == "unknown-types":
        spf = QUESTION_POINTER + struct.pack(">HHIH", 99, 1, 60, 6) + b"\x05hello"
        private = QUESTION_POINTER + struct.pack(">HHIH", 65280, 1, 60, 4) + b"\x01\x02\x03\x04"
        return header(qid, ok, 1, 2) + question + spf + private
    if kind == "truncated":
        return header(qid, ok | 0x0200, 1, 1) + question + a_record(QUESTION_POINTER, sound)
    if kind == "silence":
        return None
    raise ValueError(kind)


def bound_socket(address, port):
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    s.bind((address, port))
    return s


def serve(args):
    answers = dict(pair.split("=", 1) for pair in args.answer)
    listener = bound_socket(args.listen, args.port)
    sender = listener
    if args.kind == "other-port":
        sender = bound_socket(args.listen, 0)
    elif args.kind == "other-address":
        sender = bound_socket(args.other_address, args.port)
    print("listening %s:%d kind %s" % (args.listen, args.port, args.kind), flush=True)
    deadline = time.monotonic() + args.lifetime
    for _ in range(MAX_QUERIES):
        left = deadline - time.monotonic()
        if left <= 0:
            break
        if not select.select([listener], [], [], left)[0]:
            break
        query, client = listener.recvfrom(2048)
        question = question_of(query) if len(query) >= 12 else None
        if question is None:
            print("from %s:%d unreadable query, nothing sent" % client, flush=True)
            continue
        qid = struct.unpack(">H", query[:2])[0]
        name = name_of(question)
        sound = answers.get(name, args.default_answer)
        reply = reply_for(args.kind, qid, question, sound, args.poison)
        if reply is None:
            print("from %s:%d id %04x %s: nothing sent" % (client + (qid, name)), flush=True)
            continue
        sender.sendto(reply, client)
        print("from %s:%d id %04x %s: sent %d bytes from %s:%d: %s" % (
            client + (qid, name, len(reply)) + sender.getsockname() + (reply.hex(),)), flush=True)


def table(rows_path, logs):
    rows = {}
    if os.path.exists(rows_path):
        with open(rows_path, encoding="utf-8") as f:
            rows = {row[0]: row[1:3] for row in (line.rstrip("\n").split("\t") for line in f) if len(row) >= 3}
    lines = [("class", "what the responder sent", "result (address / error text (code))", "elapsed ms")]
    for kind, sends in DESCRIPTIONS.items():
        log = os.path.join(logs, kind + ".out")
        sent = None
        if os.path.exists(log):
            with open(log, encoding="utf-8") as f:
                sent = re.findall(r": sent (\d+) bytes from (\S+):", f.read())
        sends += "; no log" if sent is None else "; nothing sent" if not sent else \
            "; %d sent, %s bytes from %s" % (len(sent), sent[0][0], sent[0][1])
        lines.append((kind, sends) + tuple(rows.get(kind, ("no result: the lookup did not finish", "-"))))
    print(tables.markdown(lines))


def main():
    if sys.argv[1:2] == ["--table"]:
        return table(*sys.argv[2:4])
    parser = argparse.ArgumentParser()
    parser.add_argument("--kind", choices=sorted(DESCRIPTIONS))
    parser.add_argument("--describe", nargs="?", const="", default=None)
    parser.add_argument("--listen")
    parser.add_argument("--port", type=int, default=53)
    parser.add_argument("--lifetime", type=float, default=300)
    parser.add_argument("--answer", action="append", default=[])
    parser.add_argument("--default-answer", default="192.0.2.1")
    parser.add_argument("--poison", default="10.77.0.66")
    parser.add_argument("--other-address")
    args = parser.parse_args()
    if args.describe is not None:
        for kind in [args.describe] if args.describe else DESCRIPTIONS:
            print("%s\t%s" % (kind, DESCRIPTIONS[kind]))
        return
    if not args.kind or not args.listen:
        parser.error("--kind and --listen are needed")
    if args.kind == "other-address" and not args.other_address:
        parser.error("other-address needs --other-address")
    serve(args)


if __name__ == "__main__":
    sys.exit(main())
