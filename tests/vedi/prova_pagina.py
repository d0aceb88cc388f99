#!/usr/bin/env python3
"""The vedi page in a real browser: Debian's headless Chromium driven through
chromedriver. The carried scenario's page, and one whose station name tries to close the
script element and whose signal row makes a problem, are written by compattatore and
opened from disk; what the page shows is checked against values got without it (the plan
read from the _linea.dat file here, the cell of the speed sign as mostra lists it).

prova_pagina.py COMPATTATORE [--schermate DIR]   exit 0 passed, 1 failed, 77 skipped
"""
import argparse
import json
import math
import os
import re
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time

try:
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.action_chains import ActionChains
    from selenium.webdriver.common.by import By
    from selenium.webdriver.common.keys import Keys
except ImportError:
    print("python3-selenium is not installed: skipped")
    sys.exit(77)

SCENARIO, TRENO = "Orvesa_Cusvana", "5927"


def chrome():
    binario = shutil.which("chromium")
    driver = shutil.which("chromedriver")
    if not binario or not driver:
        print("chromium or chromium-driver is not installed: skipped")
        sys.exit(77)
    o = webdriver.ChromeOptions()
    o.binary_location = binario
    for a in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
              "--disable-background-networking", "--disable-component-update",
              "--disable-default-apps", "--disable-sync", "--no-first-run",
              "--window-size=1400,1100", "--force-device-scale-factor=1"):
        o.add_argument(a)
    o.set_capability("goog:loggingPrefs", {"browser": "ALL", "performance": "ALL"})
    return webdriver.Chrome(service=Service(driver), options=o)


def esegui(*argomenti, stati=(0,)):
    r = subprocess.run(argomenti, capture_output=True)
    if r.returncode not in stati:
        raise AssertionError(f"{argomenti}: status {r.returncode}\n{r.stderr.decode(errors='replace')}")
    return r.stdout.decode("utf-8")


def piano(file):
    """The plan's points (x, y) read from the compact file: a type code of 16 bits, then an
    Integer of 16 bits or a Double; every x first, then every y."""
    dati = open(file, "rb").read()
    valori, pos = [], 0
    while pos < len(dati):
        (codice,) = struct.unpack_from("<H", dati, pos)
        pos += 2
        if codice == 2:
            valori.append(struct.unpack_from("<h", dati, pos)[0]); pos += 2
        elif codice == 5:
            valori.append(struct.unpack_from("<d", dati, pos)[0]); pos += 8
        else:
            valori.append(None)
    n = len(valori) // 2
    return list(zip(valori[:n], valori[n:]))


def stazioni(compattatore, sim):
    """(position, name) of the stations, from mostra's listing of the records."""
    trovate = []
    for riga in esegui(compattatore, "mostra", sim).splitlines():
        nome = re.search(r' nome="((?:[^"\\]|\\.)*)"', riga)
        indice = re.match(r"voce +(\d+):", riga)
        # The station slots come first; the sign texts and the general records after 80.
        if not indice or not nome or not 1 <= int(indice.group(1)) <= 80:
            continue
        campi = dict(re.findall(r" (\w+)=(-?\d+)", riga.replace(nome.group(0), "")))
        if "dato2" in campi:  # a station: it has an extent
            trovate.append((int(campi.get("dato3", 0)), nome.group(1)))
    return trovate


class Prova:
    def __init__(self, browser):
        self.b = browser
        self.errori = []

    def controlla(self, condizione, testo):
        if not condizione:
            self.errori.append(testo)
            print("FAIL:", testo)
        else:
            print("ok:  ", testo)

    def apri(self, file, frammento=""):
        self.b.get_log("performance")
        self.b.get_log("browser")
        url = "file://" + os.path.abspath(file)
        self.b.get(url + frammento)
        for _ in range(100):
            if self.b.execute_script("return !!window.vedi"):
                break
            time.sleep(0.05)
        self.url = url
        return url

    def nessun_errore_ne_richiesta(self, nome):
        errori = [v for v in self.b.get_log("browser") if v["level"] == "SEVERE"]
        self.controlla(not errori, f"{nome}: no console error {errori}")
        altre = []
        for voce in self.b.get_log("performance"):
            m = json.loads(voce["message"])["message"]
            if m["method"] == "Network.requestWillBeSent":
                u = m["params"]["request"]["url"]
                if u.split("#")[0] != self.url and not u.startswith("data:"):
                    altre.append(u)
        self.controlla(not altre, f"{nome}: no request beyond the page itself {altre}")

    def js(self, codice, *a):
        return self.b.execute_script(codice, *a)

    def vista(self):
        v = self.js("return window.vedi.vista()")
        return (v["da"] + v["a"]) / 2, v["a"] - v["da"]

    def pixel(self, id, x, y, lato=0):
        """The RGBA pixels of a canvas around (x, y), in CSS pixels."""
        return self.js("""
            const c = document.getElementById(arguments[0]);
            const r = c.width / c.clientWidth, l = arguments[3];
            const d = c.getContext('2d').getImageData(Math.round((arguments[1] - l) * r),
                Math.round((arguments[2] - l) * r), 2 * l + 1, 2 * l + 1).data;
            return Array.from(d);""", id, x, y, lato)

    def punta(self, id, x, y):
        el = self.b.find_element(By.ID, id)
        w, h = el.size["width"], el.size["height"]
        ActionChains(self.b).move_to_element_with_offset(el, int(x - w / 2), int(y - h / 2)).perform()


def scuri(rgba, soglia=128):
    return sum(1 for i in range(0, len(rgba), 4)
               if rgba[i + 3] > 200 and (rgba[i] + rgba[i + 1] + rgba[i + 2]) / 3 < soglia)


def rossi(rgba):
    return sum(1 for i in range(0, len(rgba), 4)
               if rgba[i + 3] > 200 and rgba[i] > 150 and rgba[i + 1] < 60 and rgba[i + 2] < 80)


def blu(rgba):
    return sum(1 for i in range(0, len(rgba), 4)
               if rgba[i + 3] > 200 and rgba[i + 2] > 110 and rgba[i] < 60 and rgba[i + 1] < 130)


def grigi(rgba):
    return sum(1 for i in range(0, len(rgba), 4)
               if rgba[i + 3] > 200 and 150 < rgba[i] < 200 and rgba[i + 2] > rgba[i] + 5)


def pagina_portata(p, compattatore, cartella, schermate):
    pagina = os.path.join(cartella, f"{SCENARIO}_{TRENO}.html")
    p.apri(pagina)
    p.nessun_errore_ne_richiesta("carried scenario")
    # The map: each of two stations, projected here from the plan file with the page's
    # scale, has its dark ring there; a place far from the route and the names is blank.
    punti = piano(os.path.join(cartella, f"{SCENARIO}_linea.dat"))
    elenco = stazioni(compattatore, os.path.join(cartella, f"{SCENARIO}_{TRENO}.sim"))
    p.controlla(len(elenco) == 29, f"29 stations listed by mostra ({len(elenco)})")
    m = p.js("return window.vedi.mappa()")
    proietta = lambda x, y: (m["ox"] + (x - m["cx"]) * m["scala"], m["oy"] - (y - m["cy"]) * m["scala"])
    for posizione, nome in (elenco[0], elenco[len(elenco) // 2]):
        x, y = proietta(*punti[posizione])
        p.controlla(scuri(p.pixel("mappa", x, y, 6)) >= 6, f"map: station {nome} drawn at ({x:.0f}, {y:.0f})")
    larghezza = p.js("return document.getElementById('mappa').clientWidth")
    sullo_schermo = [proietta(*q) for q in punti[::50] if q[0] is not None]
    vuoto = None
    for gx in range(40, int(larghezza) - 60, 20):
        for gy in range(40, 300, 20):
            lontano = all((gx - a) ** 2 + (gy - b) ** 2 > 60 ** 2 for a, b in sullo_schermo)
            if lontano and all((gx - proietta(*punti[s])[0]) ** 2 + (gy - proietta(*punti[s])[1]) ** 2 > 200 ** 2 for s, _ in elenco):
                vuoto = (gx, gy)
                break
        if vuoto:
            break
    p.controlla(vuoto is not None and scuri(p.pixel("mappa", *vuoto, 3), 250) == 0,
                f"map: blank off the route at {vuoto}")
    # Zoomed in, the thinned line still passes through the plan: every 100 m of the 12 km
    # in view lies on the route's colour, and so does the grey route just beyond it (where
    # a station's ring, or the canvas's edge, does not hide it).
    p.js("window.vedi.imposta(40000, 52000); window.vedi.disegnaOra();")
    m = p.js("return window.vedi.mappa()")
    altezza = p.js("return document.getElementById('mappa').clientHeight")
    anelli = [proietta(*punti[s]) for s, _ in elenco]

    def visibile(x, y):
        return (5 < x < larghezza - 5 and 5 < y < altezza - 5 and
                all((x - a) ** 2 + (y - b) ** 2 > 10 ** 2 for a, b in anelli))
    oltre = [*range(30000, 40000, 100), *range(52100, 62000, 100)]
    for metri, colore, nome in ((range(40000, 52001, 100), blu, "the view"), (oltre, grigi, "beyond the view")):
        provati = [k for k in metri if punti[k][0] is not None and visibile(*proietta(*punti[k]))]
        mancati = [k for k in provati if colore(p.pixel("mappa", *proietta(*punti[k]), 3)) == 0]
        p.controlla(len(provati) >= 10, f"map at km 40 to 52: {len(provati)} points of {nome} to look at")
        p.controlla(not mancati, f"map at km 40 to 52: the line of {nome} passes through the plan (missed at {mancati[:5]} m)")
    p.js("window.vedi.imposta(0, window.vedi.fine); window.vedi.disegnaOra();")
    for id in ("quota", "velocita"):
        disegnati = p.js("""const c = document.getElementById(arguments[0]);
            const d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
            let n = 0; for (let i = 3; i < d.length; i += 4) if (d[i] > 0) n++; return n;""", id)
        p.controlla(disegnati > 5000, f"panel {id} drawn ({disegnati} pixels)")
    if schermate:
        p.b.save_screenshot(os.path.join(schermate, "vedi-intero.png"))

    # Pointing at cell 17 (850 m to 900 m): the maximum-speed sign, as mostra lists it.
    p.js("window.vedi.imposta(0, 2000); window.vedi.disegnaOra();")
    x = p.js("return window.vedi.xDi(875)")
    p.punta("velocita", x, 100)
    campi = p.js("""const t = document.getElementById('campi_cella'); if (!t) return {};
        const r = {}; for (const tr of t.rows) r[tr.cells[0].textContent] = tr.cells[1].textContent; return r;""")
    atteso = {"cella": "17", "m": "850", "tipo": "6", "valore1": "1700", "valore2": "1800",
              "valore3": "1800", "valore4": "0", "velocita_limite": "18", "pendenza": "104",
              "aderenza": "100", "oggetto": "cartello velocità massima"}
    p.controlla(all(campi.get(k) == v for k, v in atteso.items()), f"cell 17 pointed at: {campi}")

    # Pointing at a signal's mark shows its codes: the first signal cell mostra lists,
    # drawn one cell before its own (at its row's metre).
    for riga in esegui(compattatore, "mostra", os.path.join(cartella, f"{SCENARIO}_{TRENO}.dat")).splitlines():
        campi = riga.split()
        if len(campi) >= 14 and campi[0].isdigit() and campi[2] == "1":
            cella, valori = int(campi[0]), campi[3:7]
            break
    metro = (cella - 1) * 50
    p.js("window.vedi.imposta(arguments[0] - 1000, arguments[0] + 1000); window.vedi.disegnaOra();", metro)
    p.punta("velocita", p.js("return window.vedi.xDi(arguments[0])", metro), 170)
    dettagli = p.js("return document.getElementById('dettagli').innerText")
    p.controlla(f"segnale a {metro} m (cella {cella})" in dettagli and
                all(f"valore{i + 1}\t{v}" in dettagli for i, v in enumerate(valori)),
                f"signal of cell {cella} pointed at: its codes {valori}")

    # Zooming in with the keyboard ends at single 50 m cells, each in the table.
    p.b.find_element(By.ID, "pannelli").click()
    for _ in range(30):
        p.b.find_element(By.ID, "pannelli").send_keys("+")
    centro, largo = p.vista()
    righe = p.js("return document.querySelectorAll('#tabella_celle tbody tr').length")
    time.sleep(0.3)
    righe = p.js("return document.querySelectorAll('#tabella_celle tbody tr').length")
    p.controlla(largo == 50 and righe <= 2, f"zoomed in to one cell: {largo} m, {righe} rows in the table")
    if schermate:
        p.js("window.vedi.imposta(700, 1000); window.vedi.disegnaOra();")
        p.punta("velocita", p.js("return window.vedi.xDi(875)"), 100)
        p.b.save_screenshot(os.path.join(schermate, "vedi-celle.png"))

    # A station found by name centres the view on its position (mostra's dato3).
    posizione, nome = elenco[10]
    cerca = p.b.find_element(By.ID, "cerca")
    cerca.clear()
    cerca.send_keys(nome[:5].lower())
    cerca.send_keys(Keys.ENTER)
    time.sleep(0.2)
    centro, largo = p.vista()
    p.controlla(abs(centro - posizione) < 1, f"search {nome[:5].lower()!r}: centred on {nome} at {posizione} m ({centro:.0f})")
    for _ in range(20):  # the address follows once the view rests
        if p.js("return location.hash").startswith(f"#km={posizione / 1000:g}"):
            break
        time.sleep(0.1)
    p.controlla(p.js("return location.hash").startswith(f"#km={posizione / 1000:g}"),
                f"the address follows the view: {p.js('return location.hash')}")
    if schermate:
        p.js("window.vedi.imposta(arguments[0] - 6000, arguments[0] + 6000); window.vedi.disegnaOra();", posizione)
        p.b.save_screenshot(os.path.join(schermate, "vedi-12km.png"))

    # The address keeps the view.
    p.apri(pagina, "#km=47.2&m=400")
    centro, largo = p.vista()
    p.controlla(abs(centro - 47200) < 0.01 and abs(largo - 400) < 0.01, f"#km=47.2&m=400 opens that view ({centro}, {largo})")
    p.b.refresh()
    time.sleep(0.3)
    centro, largo = p.vista()
    p.controlla(abs(centro - 47200) < 0.01 and abs(largo - 400) < 0.01, "a reload keeps it")
    p.controlla(not p.js("return document.getElementById('avviso').hidden === false"), "no notice: the sources are older")
    p.nessun_errore_ne_richiesta("carried scenario, with an address")


def pagina_con_problema(p, compattatore, cartella):
    # A station renamed with what would close the script and open markup, in Windows-1252,
    # and a signal moved onto the cell of the speed sign (problem 16 at 800 m).
    treno = os.path.join(cartella, f"{SCENARIO}_{TRENO}-.txt")
    righe = open(treno, "rb").read().split(b"\r\n")
    stazione = next(i for i, r in enumerate(righe) if r.startswith(b"stazione,") and i > 0 and b"ORVESA" not in r)
    campi = righe[stazione].split(b",")
    nome = "SAN </script><b>PIÈ</b> & <!--"
    campi[-1] = b" " + nome.encode("cp1252")
    righe[stazione] = b",".join(campi)
    segnale = next(i for i, r in enumerate(righe) if r.startswith(b"segnale,    5250,"))
    righe[segnale] = righe[segnale].replace(b"segnale,    5250,", b"segnale,     800,")
    open(treno, "wb").write(b"\r\n".join(righe))
    esegui(compattatore, "compatta", cartella, SCENARIO, TRENO, stati=(3,))
    nuovo = time.time() + 60
    os.utime(treno, (nuovo, nuovo))
    pagina = os.path.join(cartella, "pagina.html")
    esegui(compattatore, "vedi", cartella, pagina)
    p.apri(pagina, "#km=50&m=400")
    p.nessun_errore_ne_richiesta("a name with </script>")
    p.controlla(p.js("return document.querySelectorAll('main b, header b, aside b').length") == 0,
                "no <b> element made from the name")
    cerca = p.b.find_element(By.ID, "cerca")
    cerca.send_keys("</script>")
    trovati = p.js("return Array.from(document.querySelectorAll('#trovate button')).map(b => b.textContent)")
    p.controlla(trovati == [nome], f"the name stays text, decoded from Windows-1252: {trovati}")
    avviso = p.js("const a = document.getElementById('avviso'); return a.hidden ? '' : a.textContent")
    p.controlla("più recenti" in avviso, f"the notice of newer sources: {avviso!r}")

    voci = p.js("""return Array.from(document.querySelectorAll('#elenco_problemi button'))
        .map(b => b.textContent)""")
    voce = [i for i, t in enumerate(voci) if t.startswith("problema 16 a 800 m")]
    p.controlla(len(voce) == 1, f"problem 16 at 800 m in the list: {voci}")
    if voce:
        p.b.find_elements(By.CSS_SELECTOR, "#elenco_problemi button")[voce[0]].click()
        time.sleep(0.2)
        p.js("window.vedi.disegnaOra()")
        centro, largo = p.vista()
        p.controlla(abs(centro - 800) < 1, f"a click centres the view on 800 m ({centro}, {largo})")
        x = p.js("return window.vedi.xDi(800)")
        h = p.js("return document.getElementById('velocita').clientHeight")
        p.controlla(rossi(p.pixel("velocita", x, h - 26 - 8, 3)) > 4, f"its marker on the speed panel at x {x:.0f}")
        p.controlla(rossi(p.pixel("velocita", x + 60, h - 26 - 8, 3)) == 0, "and none 60 px beside it")
    senza = p.js("return document.querySelectorAll('#elenco_problemi .senza_posizione').length")
    print("      entries without a position:", senza)


def pagina_osservata(p, compattatore, cartella):
    # vedi --osserva: a station renamed in its source reaches the open page within 2 s, in
    # the same view; SIGINT ends the watch with status 0.
    esegui(compattatore, "compatta", cartella, SCENARIO, TRENO)
    pagina = os.path.join(cartella, "osservata.html")
    w = subprocess.Popen([compattatore, "vedi", "--osserva", cartella, SCENARIO, TRENO, pagina],
                         stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    try:
        # Its first line on standard error says the watch has begun; the page is written.
        p.controlla(b"in osservazione" in w.stderr.readline(), "vedi --osserva watches the folder")
        p.apri(pagina, "#km=12.5&m=2000")
        prima = p.vista()
        treno = os.path.join(cartella, f"{SCENARIO}_{TRENO}-.txt")
        righe = open(treno, "rb").read().split(b"\r\n")
        i = next(i for i, r in enumerate(righe) if r.startswith(b"stazione,") and i > 0)
        campi = righe[i].split(b",")
        campi[-1] = b" NUOVA OSSERVATA"
        righe[i] = b",".join(campi)
        open(treno, "wb").write(b"\r\n".join(righe))
        salvata = time.time()
        mostrata = None
        while time.time() - salvata < 5:
            try:
                if p.js("const d = document.getElementById('dati');"
                        "return !!(window.vedi && d && d.textContent.includes('NUOVA OSSERVATA'))"):
                    mostrata = time.time() - salvata
                    break
            except Exception:  # the page is being reloaded
                pass
            time.sleep(0.05)
        p.controlla(mostrata is not None and mostrata <= 2,
                    f"the open page shows the new name within 2 s ({mostrata})")
        dopo = p.vista()
        p.controlla(abs(dopo[0] - prima[0]) < 1 and abs(dopo[1] - prima[1]) < 1,
                    f"in the same view {prima} -> {dopo}")
        p.nessun_errore_ne_richiesta("the page reloaded by vedi --osserva")
    finally:
        w.send_signal(signal.SIGINT)
        try:
            stato = w.wait(timeout=10)
        except subprocess.TimeoutExpired:
            w.kill()
            stato = None
        w.stderr.close()
    p.controlla(stato == 0, f"SIGINT ends vedi --osserva with status 0 ({stato})")


def main():
    a = argparse.ArgumentParser()
    a.add_argument("compattatore")
    a.add_argument("--schermate")
    args = a.parse_args()
    browser = chrome()
    p = Prova(browser)
    try:
        with tempfile.TemporaryDirectory() as tmp:
            portato = os.path.join(tmp, "portato")
            esegui(args.compattatore, "esporta", portato)
            esegui(args.compattatore, "compatta", portato, SCENARIO, TRENO)
            esegui(args.compattatore, "vedi", portato)
            pagina_portata(p, args.compattatore, portato, args.schermate)
            problema = os.path.join(tmp, "problema")
            esegui(args.compattatore, "esporta", problema)
            pagina_con_problema(p, args.compattatore, problema)
            osservata = os.path.join(tmp, "osservata")
            esegui(args.compattatore, "esporta", osservata)
            pagina_osservata(p, args.compattatore, osservata)
    finally:
        browser.quit()
    if p.errori:
        print(f"{len(p.errori)} checks failed")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
