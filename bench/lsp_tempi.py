#!/usr/bin/env python3
"""The language server timed through its pipe, as an editor drives it.

    bench/lsp_tempi.py COMPATTATORE CARTELLA [EDITS] [RSS_EDITS]

CARTELLA holds one scenario's two sources (Windows-1252). The train file is opened, and
each timed edit moves its first signal through a run of positions (a value the checker
reads); the time is from writing didChange to reading the train file's
publishDiagnostics. The median is printed beside the median wall time of a
`compattatore controlla` process on the same files. With RSS_EDITS, the server's resident
size after the first 100 edits and after RSS_EDITS edits (from /proc) is printed too.
"""
import json
import os
import re
import statistics
import subprocess
import sys
import time
import urllib.parse


def messaggio(oggetto):
    corpo = json.dumps(oggetto).encode()
    return b"Content-Length: %d\r\n\r\n" % len(corpo) + corpo


class Server:
    def __init__(self, programma):
        self.p = subprocess.Popen([programma, "lsp"], stdin=subprocess.PIPE,
                                  stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)

    def manda(self, oggetto):
        self.p.stdin.write(messaggio(oggetto))
        self.p.stdin.flush()

    def leggi(self):
        lunghezza = None
        while True:
            riga = self.p.stdout.readline()
            if not riga:
                raise SystemExit("lsp_tempi: the server ended")
            riga = riga.strip()
            if not riga:
                break
            nome, _, valore = riga.partition(b":")
            if nome.lower() == b"content-length":
                lunghezza = int(valore)
        return json.loads(self.p.stdout.read(lunghezza))

    def attendi(self, condizione):
        while True:
            m = self.leggi()
            if condizione(m):
                return m

    def rss_kib(self):
        with open("/proc/%d/status" % self.p.pid) as f:
            return int(re.search(r"VmRSS:\s+(\d+)", f.read()).group(1))


def main():
    programma, cartella = sys.argv[1], os.path.abspath(sys.argv[2])
    modifiche = int(sys.argv[3]) if len(sys.argv) > 3 else 200
    per_rss = int(sys.argv[4]) if len(sys.argv) > 4 else 0
    linea = next(f for f in os.listdir(cartella) if f.endswith("_linea.txt"))
    scenario = linea[: -len("_linea.txt")]
    treno_file = next(f for f in os.listdir(cartella) if f.endswith("-.txt"))
    treno = treno_file[len(scenario) + 1: -len("-.txt")]
    percorso = os.path.join(cartella, treno_file)
    uri = "file://" + urllib.parse.quote(percorso)
    testo = open(percorso, "rb").read().decode("cp1252")
    segnale = re.search(r"^segnale,\s*(\d+)", testo, re.M)
    if not segnale:
        raise SystemExit("lsp_tempi: no signal row in " + percorso)
    base = int(segnale.group(1))

    def con_segnale(i):
        posizione = base + 50 * (i % 10)
        return testo[: segnale.start(1)] + str(posizione) + testo[segnale.end(1):]

    # The controlla process on the same files.
    tempi_processo = []
    for _ in range(15):
        inizio = time.perf_counter()
        subprocess.run([programma, "controlla", cartella, scenario, treno],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        tempi_processo.append(time.perf_counter() - inizio)

    s = Server(programma)
    s.manda({"jsonrpc": "2.0", "id": 1, "method": "initialize",
             "params": {"processId": None, "capabilities": {}}})
    s.attendi(lambda m: m.get("id") == 1)
    s.manda({"jsonrpc": "2.0", "method": "initialized", "params": {}})
    pubblicato = lambda m: (m.get("method") == "textDocument/publishDiagnostics"
                            and m["params"]["uri"] == uri)
    s.manda({"jsonrpc": "2.0", "method": "textDocument/didOpen",
             "params": {"textDocument": {"uri": uri, "languageId": "orvesa", "version": 0,
                                         "text": testo}}})
    s.attendi(pubblicato)
    tempi = []
    rss_100 = None
    totale = max(modifiche, per_rss)
    for i in range(1, totale + 1):
        inizio = time.perf_counter()
        s.manda({"jsonrpc": "2.0", "method": "textDocument/didChange",
                 "params": {"textDocument": {"uri": uri, "version": i},
                            "contentChanges": [{"text": con_segnale(i)}]}})
        s.attendi(pubblicato)
        if i <= modifiche:
            tempi.append(time.perf_counter() - inizio)
        if i == 100:
            rss_100 = s.rss_kib()
    rss_fine = s.rss_kib()
    s.manda({"jsonrpc": "2.0", "id": 2, "method": "shutdown"})
    s.attendi(lambda m: m.get("id") == 2)
    s.manda({"jsonrpc": "2.0", "method": "exit"})
    stato = s.p.wait()

    mediana = statistics.median(tempi) * 1000
    processo = statistics.median(tempi_processo) * 1000
    print("%s: didChange -> publishDiagnostics median %.1f ms over %d edits; "
          "controlla process median %.1f ms (ratio %.2f); server exit %d"
          % (scenario, mediana, len(tempi), processo, mediana / processo, stato))
    if per_rss and rss_100:
        print("%s: resident size after 100 edits %d KiB, after %d edits %d KiB (%+.1f %%)"
              % (scenario, rss_100, totale, rss_fine, 100.0 * (rss_fine - rss_100) / rss_100))


if __name__ == "__main__":
    main()
