// The vedi page: decodes the scenario embedded in #dati and draws the plan, the altitude
// with the gradients and the speed limit with its objects, on one axis of route metres.
// Every author's text reaches the page through textContent or the canvas, never as markup.
"use strict";
(function () {
  const D = JSON.parse(document.getElementById("dati").textContent);

  // ---- Data --------------------------------------------------------------------------
  function byte(b64) {
    const s = atob(b64);
    const u = new Uint8Array(s.length);
    for (let i = 0; i < s.length; i++) u[i] = s.charCodeAt(i);
    return u;
  }
  function piano() {
    const p = D.piano;
    const n = p.n;
    const x = new Float64Array(n);
    const y = new Float64Array(n);
    if (n === 0) return { n, x, y };
    if (p.codifica === "d16") {
      const dx = new Int16Array(byte(p.x).buffer);
      const dy = new Int16Array(byte(p.y).buffer);
      let qx = 0, qy = 0;
      for (let i = 0; i < n; i++) {
        qx += dx[i]; qy += dy[i];
        x[i] = p.x0 + qx / 100;
        y[i] = p.y0 + qy / 100;
      }
    } else {
      x.set(new Float64Array(byte(p.x).buffer));
      y.set(new Float64Array(byte(p.y).buffer));
    }
    return { n, x, y };
  }
  const P = piano();
  const campiCella = [["tipo", Uint8Array], ["valore1", Int16Array], ["valore2", Int16Array],
    ["valore3", Int16Array], ["valore4", Int16Array], ["tempo", Uint8Array], ["codice", Uint8Array],
    ["montagna", Uint8Array], ["velocita_limite", Uint8Array], ["pendenza", Uint8Array],
    ["aderenza", Uint8Array]];
  const C = { n: D.celle.n };
  for (const [nome, Tipo] of campiCella) C[nome] = new Tipo(byte(D.celle[nome]).buffer);
  // Cells 0 to n - 3 carry the track values; the last three carry none.
  const utili = C.n > 3 ? C.n - 3 : C.n;
  const fine = Math.max(utili * 50, 1);
  const quota = new Float64Array(utili + 1);
  for (let i = 0; i < utili; i++) quota[i + 1] = quota[i] + (C.pendenza[i] - 100) * 0.05;
  let vmax = 10;
  for (let c = 0; c < utili; c++) vmax = Math.max(vmax, C.velocita_limite[c] * 5);
  vmax = Math.ceil(vmax / 20) * 20;
  const voci = D.voci;
  const stazioni = D.stazioni.map((k) => ({ k, v: voci[k],
    m: Math.min(Math.max(voci[k].dato3, 0), fine) }));
  // Objects put at cell p / 50 + 1 stand at p metres: one cell before their cell.
  const oggetti = [];
  for (let i = 0; i < C.n; i++) {
    const t = C.tipo[i];
    if (t !== 0 && t !== 10 && t !== 11) oggetti.push({ c: i, t, m: i > 0 ? (i - 1) * 50 : 0 });
  }
  const problemi = D.segnalazioni;
  const nomiOggetto = D.nomi_oggetto;

  // ---- The view ------------------------------------------------------------------------
  const minimo = 50;
  const vista = { da: 0, a: fine };
  let cursore = null;  // route metres under the pointer, or null
  let scelto = null;   // the problem whose entry was chosen
  function limita(da, a) {
    let w = Math.min(Math.max(a - da, minimo), fine);
    let c = (da + a) / 2;
    c = Math.min(Math.max(c, w / 2), fine - w / 2);
    vista.da = c - w / 2; vista.a = c + w / 2;
  }
  function centra(m, w) { limita(m - w / 2, m + w / 2); cambiata(); }
  function zoom(f, m) {
    const w = vista.a - vista.da;
    if (m === undefined || m === null) m = (vista.da + vista.a) / 2;
    const t = (m - vista.da) / w;
    const nw = Math.min(Math.max(w * f, minimo), fine);
    limita(m - t * nw, m - t * nw + nw);
    cambiata();
  }
  function sposta(dm) { limita(vista.da + dm, vista.a + dm); cambiata(); }

  // The address keeps the view: #km=centre in km&m=width in metres.
  function leggiIndirizzo() {
    const h = new URLSearchParams(location.hash.slice(1));
    const km = parseFloat(h.get("km")), w = parseFloat(h.get("m"));
    if (!isFinite(km)) return false;
    const larg = isFinite(w) && w > 0 ? w : vista.a - vista.da;
    limita(km * 1000 - larg / 2, km * 1000 + larg / 2);
    return true;
  }
  let indirizzoScritto = "";
  function scriviIndirizzo() {
    const h = "#km=" + (((vista.da + vista.a) / 2) / 1000).toFixed(3).replace(/\.?0+$/, "") +
      "&m=" + Math.round(vista.a - vista.da);
    if (h !== location.hash) {
      indirizzoScritto = h;
      history.replaceState(null, "", h);
    }
  }
  window.addEventListener("hashchange", () => {
    if (location.hash === indirizzoScritto) return;
    if (leggiIndirizzo()) cambiata();
  });

  // ---- Canvas helpers ------------------------------------------------------------------
  const tele = {};
  for (const id of ["mappa", "quota", "velocita"]) {
    const el = document.getElementById(id);
    tele[id] = { el, ctx: el.getContext("2d"), w: 0, h: 0 };
  }
  function misura() {
    const r = window.devicePixelRatio || 1;
    for (const id in tele) {
      const t = tele[id];
      t.w = t.el.clientWidth;
      t.h = Number(t.el.getAttribute("height"));
      t.el.style.height = t.h + "px";
      t.el.width = Math.round(t.w * r);
      t.el.height = Math.round(t.h * r);
      t.ctx.setTransform(r, 0, 0, r, 0, 0);
    }
  }
  const sinistra = 56, destra = 16;
  // Route metres to the x of the profile panels, and back.
  function xDi(m) { return sinistra + (m - vista.da) / (vista.a - vista.da) * (tele.quota.w - sinistra - destra); }
  function metroDi(x) { return vista.da + (x - sinistra) / (tele.quota.w - sinistra - destra) * (vista.a - vista.da); }
  function passoTondo(v) {
    const p = Math.pow(10, Math.floor(Math.log10(v)));
    for (const f of [1, 2, 5, 10]) if (f * p >= v) return f * p;
    return 10 * p;
  }
  const colore = { testo: "#1b1b1b", tenue: "#3b464d", griglia: "#dfe5e9", linea: "#0b4f8a",
    contesto: "#aab6bf", quota: "#6b3e12", salita: "#b5532a", discesa: "#2f7d4f", velocita: "#0b4f8a",
    segnale: "#c0001a", cartello: "#1f5fbf", rallentamento: "#c76b00", stazione: "#1b1b1b",
    problema: "#c0001a", cursore: "#e07000", montagna: "#7c5a3a" };

  function assiKm(ctx, t, fondo) {
    const w = vista.a - vista.da;
    const passo = passoTondo(w / 8);
    ctx.fillStyle = colore.tenue; ctx.font = "11px sans-serif"; ctx.textAlign = "center";
    ctx.strokeStyle = colore.griglia; ctx.lineWidth = 1;
    for (let m = Math.ceil(vista.da / passo) * passo; m <= vista.a + 1e-6; m += passo) {
      const x = Math.round(xDi(m)) + 0.5;
      ctx.beginPath(); ctx.moveTo(x, 4); ctx.lineTo(x, fondo); ctx.stroke();
      const km = m / 1000;
      ctx.fillText(passo >= 1000 ? km.toFixed(0) : passo >= 100 ? km.toFixed(1) : km.toFixed(2), x, fondo + 13);
    }
    ctx.textAlign = "left"; ctx.fillText("km", 4, fondo + 13);
  }
  function griglia(ctx, alto, basso) {
    const px = 50 / (vista.a - vista.da) * (tele.quota.w - sinistra - destra);
    if (px < 6) return;
    ctx.strokeStyle = "#eef1f3"; ctx.lineWidth = 1;
    const c0 = Math.floor(vista.da / 50), c1 = Math.ceil(vista.a / 50);
    ctx.beginPath();
    for (let c = c0; c <= c1; c++) { const x = Math.round(xDi(c * 50)) + 0.5; ctx.moveTo(x, alto); ctx.lineTo(x, basso); }
    ctx.stroke();
    if (px >= 34) {
      ctx.fillStyle = colore.tenue; ctx.font = "10px sans-serif"; ctx.textAlign = "center";
      for (let c = Math.max(c0, 0); c < Math.min(c1, C.n); c++) ctx.fillText(String(c), xDi(c * 50 + 25), alto + 10);
    }
  }
  function lineaCursore(ctx, alto, basso) {
    if (cursore === null) return;
    const x = Math.round(xDi(cursore)) + 0.5;
    ctx.strokeStyle = colore.cursore; ctx.lineWidth = 1.5;
    ctx.beginPath(); ctx.moveTo(x, alto); ctx.lineTo(x, basso); ctx.stroke();
  }
  function scelta(ctx, t) {
    if (!selezione) return;
    const a = Math.min(selezione.x0, selezione.x1), b = Math.max(selezione.x0, selezione.x1);
    ctx.fillStyle = "rgba(11,87,208,0.15)"; ctx.fillRect(a, 0, b - a, t.h);
  }

  // ---- The map -------------------------------------------------------------------------
  const M = { scala: 1, cx: 0, cy: 0, ox: 0, oy: 0 };  // screen = (ox + (x-cx)*scala, oy - (y-cy)*scala)
  function schermoMappa(i) { return [M.ox + (P.x[i] - M.cx) * M.scala, M.oy - (P.y[i] - M.cy) * M.scala]; }
  function indice(m) { return Math.min(Math.max(Math.round(m), 0), P.n - 1); }
  // The plan from metre da to a, every passo-th metre. What the canvas rasterises is kept
  // small: points that stay within half a pixel of the line from the last point drawn are
  // left out (the straights and gentle curves), and so is a stretch whose ends lie beyond
  // the same edge of the canvas, where nothing of it would show.
  function tracciaMappa(ctx, t, da, a, passo) {
    const bordo = 20, destro = t.w + bordo, basso = t.h + bordo, scarto = 0.5;
    const lati = (x, y) => (x < -bordo ? 1 : 0) | (x > destro ? 2 : 0) | (y < -bordo ? 4 : 0) | (y > basso ? 8 : 0);
    ctx.beginPath();
    let px = 0, py = 0, pl = -1;       // the point before, and the edges it lies beyond
    let ux = 0, uy = 0, aperto = false; // the last point drawn, and whether the line is there
    let vx = 0, vy = 0;                 // the direction from it, once a point is a pixel away
    let qx = 0, qy = 0, qa = 0, attesa = false; // the furthest point left out so far
    const traccia = (x, y) => {
      for (;;) {
        const ex = x - ux, ey = y - uy;
        if (vx === 0 && vy === 0) {
          const d = Math.sqrt(ex * ex + ey * ey);
          if (d >= 1) { vx = ex / d; vy = ey / d; }
          qx = x; qy = y; qa = d; attesa = true;
          return;
        }
        const lungo = ex * vx + ey * vy;
        if (Math.abs(ex * vy - ey * vx) <= scarto && lungo >= qa) {
          qx = x; qy = y; qa = lungo;
          return;
        }
        // The line turns: the furthest point left out is drawn, and x, y measured from it.
        ctx.lineTo(qx, qy); ux = qx; uy = qy; vx = 0; vy = 0; attesa = false;
      }
    };
    const chiudi = () => { if (attesa) ctx.lineTo(qx, qy); attesa = false; vx = 0; vy = 0; };
    for (let i = da; ; i += passo) {
      if (i > a) i = a;
      const x = M.ox + (P.x[i] - M.cx) * M.scala, y = M.oy - (P.y[i] - M.cy) * M.scala;
      const l = lati(x, y);
      if (pl < 0) {
        ctx.moveTo(x, y); ux = x; uy = y; aperto = true;
      } else if ((l & pl) !== 0) {
        if (aperto) chiudi();
        aperto = false;
      } else {
        if (!aperto) { ctx.moveTo(px, py); ux = px; uy = py; aperto = true; }
        traccia(x, y);
      }
      px = x; py = y; pl = l;
      if (i === a) break;
    }
    chiudi();
    ctx.stroke();
  }
  function potenza2(v) { return Math.pow(2, Math.max(0, Math.floor(Math.log2(Math.max(v, 1))))); }
  function disegnaMappa() {
    const t = tele.mappa, ctx = t.ctx;
    ctx.clearRect(0, 0, t.w, t.h);
    if (P.n < 2) return;
    const ia = indice(vista.da), ib = indice(vista.a);
    // The box of the plan in view, from a thinned walk.
    const passoBox = potenza2((ib - ia) / 4000);
    let x0 = Infinity, x1 = -Infinity, y0 = Infinity, y1 = -Infinity;
    for (let i = ia; ; i += passoBox) {
      if (i > ib) i = ib;
      const x = P.x[i], y = P.y[i];
      if (x < x0) x0 = x; if (x > x1) x1 = x; if (y < y0) y0 = y; if (y > y1) y1 = y;
      if (i === ib) break;
    }
    const bordo = 24;
    const dx = Math.max(x1 - x0, 10), dy = Math.max(y1 - y0, 10);
    M.scala = Math.min((t.w - 2 * bordo) / dx, (t.h - 2 * bordo) / dy);
    M.cx = (x0 + x1) / 2; M.cy = (y0 + y1) / 2; M.ox = t.w / 2; M.oy = t.h / 2;
    // About a point per pixel: every 2^k-th metre of the plan.
    const passo = potenza2(1 / M.scala);
    const tutto = potenza2((P.n - 1) / 3000);
    // Round joins only where the points are few: they cost most to rasterise.
    ctx.lineJoin = ib - ia <= 4000 * passo ? "round" : "bevel"; ctx.lineCap = "round";
    // The rest of the route in grey: all of it thinned hard, and on either side of the view
    // finer; nothing where the view holds the whole route.
    ctx.strokeStyle = colore.contesto; ctx.lineWidth = 2;
    const w = ib - ia, prima = Math.max(0, ia - 2 * w - 2000), dopo = Math.min(P.n - 1, ib + 2 * w + 2000);
    if (ia > 0 || ib < P.n - 1) {
      if (prima > 0 || dopo < P.n - 1) tracciaMappa(ctx, t, 0, P.n - 1, tutto);
      if (prima < ia) tracciaMappa(ctx, t, prima, ia, passo);
      if (ib < dopo) tracciaMappa(ctx, t, ib, dopo, passo);
    }
    ctx.strokeStyle = colore.linea; ctx.lineWidth = 3;
    tracciaMappa(ctx, t, ia, ib, passo);
    const dentro = (p) => p[0] >= -20 && p[0] <= t.w + 20 && p[1] >= -20 && p[1] <= t.h + 20;
    // Signals and speed signs, where they are few enough to tell apart.
    const visti = oggetti.filter((o) => o.m >= vista.da && o.m <= vista.a);
    if (visti.length < 3000) {
      const tipi = [new Path2D(), new Path2D(), new Path2D()];
      for (const o of visti) {
        const p = schermoMappa(indice(o.m));
        tipi[o.t === 1 ? 0 : o.t === 6 ? 1 : 2].rect(p[0] - 2.5, p[1] - 2.5, 5, 5);
      }
      ctx.fillStyle = colore.rallentamento; ctx.fill(tipi[2]);
      ctx.fillStyle = colore.cartello; ctx.fill(tipi[1]);
      ctx.fillStyle = colore.segnale; ctx.fill(tipi[0]);
    }
    for (const s of problemiPosti) {
      const p = schermoMappa(indice(s.posizione));
      if (!dentro(p)) continue;
      ctx.strokeStyle = colore.problema; ctx.lineWidth = s === scelto ? 3 : 2;
      ctx.beginPath(); ctx.arc(p[0], p[1], s === scelto ? 9 : 7, 0, 2 * Math.PI); ctx.stroke();
    }
    // Stations, named where the name finds room.
    const occupati = [];
    ctx.font = "bold 11px sans-serif";
    for (const s of stazioni) {
      const p = schermoMappa(indice(s.m));
      if (!dentro(p)) continue;
      ctx.fillStyle = "#fff"; ctx.strokeStyle = colore.stazione; ctx.lineWidth = 2;
      ctx.beginPath(); ctx.arc(p[0], p[1], 4.5, 0, 2 * Math.PI); ctx.fill(); ctx.stroke();
      const largo = ctx.measureText(s.v.nome).width;
      for (const [bx, by] of [[p[0] + 8, p[1] + 4], [p[0] - 8 - largo, p[1] + 4], [p[0] + 8, p[1] - 10], [p[0] + 8, p[1] + 18]]) {
        const box = [bx - 1, by - 11, bx + largo + 1, by + 3];
        if (occupati.some((o) => !(box[2] < o[0] || box[0] > o[2] || box[3] < o[1] || box[1] > o[3]))) continue;
        occupati.push(box);
        ctx.fillStyle = "rgba(255,255,255,0.85)"; ctx.fillRect(box[0], box[1], box[2] - box[0], box[3] - box[1]);
        ctx.fillStyle = colore.testo; ctx.fillText(s.v.nome, bx, by);
        break;
      }
    }
    if (cursore !== null) {
      const p = schermoMappa(indice(cursore));
      ctx.fillStyle = colore.cursore; ctx.strokeStyle = "#fff"; ctx.lineWidth = 2;
      ctx.beginPath(); ctx.arc(p[0], p[1], 6, 0, 2 * Math.PI); ctx.fill(); ctx.stroke();
    }
    // Scale bar and north.
    const barra = passoTondo(80 / M.scala);
    const lb = barra * M.scala;
    ctx.strokeStyle = colore.testo; ctx.lineWidth = 2;
    ctx.beginPath(); ctx.moveTo(12, t.h - 12); ctx.lineTo(12 + lb, t.h - 12); ctx.stroke();
    ctx.fillStyle = colore.testo; ctx.font = "11px sans-serif"; ctx.textAlign = "left";
    ctx.fillText(barra >= 1000 ? barra / 1000 + " km" : barra + " m", 12, t.h - 18);
    ctx.textAlign = "center"; ctx.fillText("N ↑", t.w - 20, 16); ctx.textAlign = "left";
  }

  // ---- The profiles --------------------------------------------------------------------
  // A profile's series with its lowest and highest values over every run of 2^k cells,
  // level by level, so that a view of many cells per pixel walks a few groups per column.
  function livelli(n, f) {
    const lo = [new Float64Array(n)], hi = [new Float64Array(n)];
    for (let i = 0; i < n; i++) lo[0][i] = hi[0][i] = f(i);
    while (lo[lo.length - 1].length > 1) {
      const a = lo[lo.length - 1], b = hi[hi.length - 1], m = Math.ceil(a.length / 2);
      const l = new Float64Array(m), h = new Float64Array(m);
      for (let j = 0; j < m; j++) {
        const e = Math.min(2 * j + 1, a.length - 1);
        l[j] = Math.min(a[2 * j], a[e]); h[j] = Math.max(b[2 * j], b[e]);
      }
      lo.push(l); hi.push(h);
    }
    return { lo, hi };
  }
  const serie = {
    montagna: livelli(utili, (c) => C.montagna[c] ? 1 : 0),
    quota: livelli(utili + 1, (c) => quota[c]),
    pendenza: livelli(utili, (c) => C.pendenza[c] - 100),
    velocita: livelli(utili, (c) => C.velocita_limite[c] * 5),
  };
  // Per pixel column, the lowest and highest of a series over the cells c0 to c1 - 1 there.
  // For a line (unita), each column also reaches the one before, so that a step between
  // two columns is drawn as the vertical it is.
  function perColonne(c0, c1, s, fn, unita) {
    const perPixel = (c1 - c0) / Math.max(tele.quota.w - sinistra - destra, 1);
    let k = 0;
    while (k + 1 < s.lo.length && (2 << k) <= perPixel) k++;
    const lo = s.lo[k], hi = s.hi[k], g = 1 << k;
    let col = null, a = 0, b = 0, pa = Infinity, pb = -Infinity;  // pa, pb: the column before
    const emetti = () => {
      if (unita && pa <= pb) { if (a > pb) a = pb; if (b < pa) b = pa; }
      fn(col, a, b);
      pa = a; pb = b;
    };
    for (let j = Math.floor(c0 / g), oltre = Math.ceil(c1 / g); j < oltre; j++) {
      const x = Math.floor(xDi(Math.max(j * g, c0) * 50));
      if (x !== col) {
        if (col !== null) emetti();
        col = x; a = lo[j]; b = hi[j];
      } else { if (lo[j] < a) a = lo[j]; if (hi[j] > b) b = hi[j]; }
    }
    if (col !== null) emetti();
  }
  function celleInVista() {
    return [Math.max(0, Math.floor(vista.da / 50)), Math.min(utili, Math.ceil(vista.a / 50))];
  }
  function disegnaQuota() {
    const t = tele.quota, ctx = t.ctx;
    ctx.clearRect(0, 0, t.w, t.h);
    scelta(ctx, t);
    const alto = 8, basso = t.h - 78, gAlto = t.h - 70, gBasso = t.h - 22;
    assiKm(ctx, t, t.h - 20);
    griglia(ctx, alto, gBasso);
    const [c0, c1] = celleInVista();
    if (c1 <= c0) return;
    let qmin = Infinity, qmax = -Infinity;
    for (let i = c0; i <= c1; i++) { if (quota[i] < qmin) qmin = quota[i]; if (quota[i] > qmax) qmax = quota[i]; }
    const passo = passoTondo(Math.max(qmax - qmin, 4) / 3);
    qmin = Math.floor(qmin / passo) * passo; qmax = Math.max(Math.ceil(qmax / passo) * passo, qmin + passo);
    const y = (q) => basso - (q - qmin) / (qmax - qmin) * (basso - alto);
    ctx.fillStyle = colore.tenue; ctx.font = "11px sans-serif"; ctx.textAlign = "right";
    for (let q = qmin; q <= qmax + 1e-9; q += passo) ctx.fillText(q.toFixed(passo < 1 ? 1 : 0) + " m", sinistra - 4, y(q) + 4);
    ctx.fillText("‰", sinistra - 4, (gAlto + gBasso) / 2 + 4);
    ctx.textAlign = "left";
    // Mountain spans along the foot of the altitude.
    const larga = Math.max(1, xDi(50) - xDi(0));
    const montagne = new Path2D();
    perColonne(c0, c1, serie.montagna, (x, lo, hi) => { if (hi) montagne.rect(x, basso - 4, larga, 4); });
    ctx.fillStyle = colore.montagna; ctx.fill(montagne);
    ctx.strokeStyle = colore.quota; ctx.lineWidth = 1.8;
    ctx.beginPath();
    if (c1 - c0 > t.w) {
      // More cells than pixels: each column filled from its lowest to its highest point,
      // which is cheaper to rasterise than a line through them.
      const colonne = new Path2D();
      perColonne(c0, c1 + 1, serie.quota, (x, lo, hi) => colonne.rect(x, y(hi) - 1, 1.5, y(lo) - y(hi) + 2), true);
      ctx.fillStyle = colore.quota; ctx.fill(colonne);
    } else {
      for (let i = c0; i <= c1; i++) { if (i === c0) ctx.moveTo(xDi(i * 50), y(quota[i])); else ctx.lineTo(xDi(i * 50), y(quota[i])); }
    }
    ctx.stroke();
    // Gradients: bars about the zero line, uphill above, downhill below.
    let gmax = 1;
    for (let c = c0; c < c1; c++) gmax = Math.max(gmax, Math.abs(C.pendenza[c] - 100));
    const zero = (gAlto + gBasso) / 2, sc = (gBasso - gAlto) / 2 / gmax;
    ctx.strokeStyle = colore.griglia; ctx.beginPath(); ctx.moveTo(sinistra, zero + 0.5); ctx.lineTo(t.w - destra, zero + 0.5); ctx.stroke();
    const salite = new Path2D(), discese = new Path2D();
    perColonne(c0, c1, serie.pendenza, (x, lo, hi) => {
      if (hi > 0) salite.rect(x, zero - hi * sc, larga, hi * sc);
      if (lo < 0) discese.rect(x, zero, larga, -lo * sc);
    });
    ctx.fillStyle = colore.salita; ctx.fill(salite);
    ctx.fillStyle = colore.discesa; ctx.fill(discese);
    ctx.fillStyle = colore.tenue; ctx.font = "10px sans-serif";
    ctx.fillText("+" + gmax, 4, gAlto + 8); ctx.fillText("−" + gmax, 4, gBasso);
    lineaCursore(ctx, 0, t.h - 20);
  }
  const problemiPosti = problemi.filter((s) => s.posizione !== null && s.posizione !== undefined);
  function disegnaVelocita() {
    const t = tele.velocita, ctx = t.ctx;
    ctx.clearRect(0, 0, t.w, t.h);
    scelta(ctx, t);
    const alto = 40, basso = t.h - 26;
    assiKm(ctx, t, t.h - 20);
    griglia(ctx, alto - 30, basso);
    const [c0, c1] = celleInVista();
    const y = (v) => basso - v / vmax * (basso - alto);
    ctx.fillStyle = colore.tenue; ctx.font = "11px sans-serif"; ctx.textAlign = "right";
    for (let v = 0; v <= vmax; v += vmax > 120 ? 40 : 20) ctx.fillText(v + "", sinistra - 4, y(v) + 4);
    ctx.textAlign = "left"; ctx.fillText("km/h", 4, 12);
    ctx.textAlign = "left";
    // Stations: their extent shaded, their point marked, the name above.
    for (const s of stazioni) {
      const a = xDi(s.v.dato1), b = xDi(s.v.dato2);
      if (b < sinistra || a > t.w - destra) continue;
      ctx.fillStyle = "rgba(27,27,27,0.07)"; ctx.fillRect(a, alto, Math.max(b - a, 1), basso - alto);
      const x = xDi(s.m);
      ctx.fillStyle = "#6b767d"; ctx.fillRect(x - 0.5, alto - 6, 1, basso - alto + 6);
    }
    ctx.strokeStyle = colore.velocita; ctx.lineWidth = 2; ctx.beginPath();
    if (c1 - c0 > t.w) {
      const colonne = new Path2D();
      perColonne(c0, c1, serie.velocita, (x, lo, hi) => colonne.rect(x, y(hi) - 1, 1.5, y(lo) - y(hi) + 2), true);
      ctx.fillStyle = colore.velocita; ctx.fill(colonne);
    } else {
      for (let c = c0; c < c1; c++) {
        const v = y(C.velocita_limite[c] * 5);
        if (c === c0) ctx.moveTo(xDi(c * 50), v); else ctx.lineTo(xDi(c * 50), v);
        ctx.lineTo(xDi(c * 50 + 50), v);
      }
    }
    ctx.stroke();
    // Objects: signals red, speed signs blue, slowdown marks orange.
    // One path per kind, at most one mark per kind and pixel column.
    const segnali = new Path2D(), cartelli = new Path2D(), altri = new Path2D();
    const ultimo = [-10, -10, -10];
    for (const o of oggetti) {
      if (o.m < vista.da || o.m > vista.a) continue;
      const x = xDi(o.m), k = o.t === 1 ? 0 : o.t === 6 ? 1 : 2;
      if (x - ultimo[k] < 1) continue;
      ultimo[k] = x;
      if (k === 0) { segnali.moveTo(x, basso - 12); segnali.lineTo(x - 5, basso); segnali.lineTo(x + 5, basso); segnali.closePath(); }
      else if (k === 1) { cartelli.moveTo(x + 5, basso - 5); cartelli.arc(x, basso - 5, 5, 0, 2 * Math.PI); }
      else altri.rect(x - 4, basso - 9, 8, 8);
    }
    ctx.fillStyle = colore.rallentamento; ctx.fill(altri);
    ctx.fillStyle = colore.cartello; ctx.fill(cartelli);
    ctx.fillStyle = colore.segnale; ctx.fill(segnali);
    // Station names in the strip on top, where they fit.
    ctx.font = "bold 11px sans-serif"; ctx.fillStyle = colore.testo;
    let fineNome = -Infinity;
    for (const s of stazioni) {
      const x = xDi(s.m);
      if (x < sinistra - 40 || x > t.w) continue;
      const largo = ctx.measureText(s.v.nome).width;
      if (x - largo / 2 < fineNome + 6) continue;
      ctx.textAlign = "center"; ctx.fillText(s.v.nome, x, alto - 12); ctx.textAlign = "left";
      fineNome = x + largo / 2;
    }
    for (const s of problemiPosti) {
      const x = xDi(s.posizione);
      if (x < sinistra - 6 || x > t.w - destra + 6) continue;
      ctx.fillStyle = colore.problema; ctx.beginPath();
      const r = s === scelto ? 8 : 6;
      ctx.moveTo(x, basso - 2); ctx.lineTo(x - r, basso - 2 - 2 * r); ctx.lineTo(x + r, basso - 2 - 2 * r); ctx.fill();
    }
    lineaCursore(ctx, alto - 30, t.h - 20);
  }

  // ---- Drawing and what follows a change of view ----------------------------------------
  let richiesto = false;
  function disegnaOra(solo) {
    const t0 = performance.now();
    if (!solo || solo === "mappa") disegnaMappa();
    if (!solo || solo === "quota") disegnaQuota();
    if (!solo || solo === "velocita") disegnaVelocita();
    document.getElementById("vista").textContent = "km " + (vista.da / 1000).toFixed(3) + " – " +
      (vista.a / 1000).toFixed(3) + " (" + Math.round(vista.a - vista.da) + " m, " + fine + " m in tutto)";
    return performance.now() - t0;
  }
  function ridisegna() {
    if (richiesto) return;
    richiesto = true;
    requestAnimationFrame(() => { richiesto = false; disegnaOra(); });
  }
  // The address and the table of cells follow once the view rests: a history entry
  // rewritten at every step of a drag costs the browser a round trip, and it throttles them.
  let inAttesa = null;
  function cambiata() {
    ridisegna();
    clearTimeout(inAttesa);
    inAttesa = setTimeout(() => { scriviIndirizzo(); tabella(); }, 150);
  }

  // ---- Details -------------------------------------------------------------------------
  function el(tag, testo, classe) {
    const e = document.createElement(tag);
    if (testo !== undefined) e.textContent = testo;
    if (classe) e.className = classe;
    return e;
  }
  function tabellaCampi(righe) {
    const tb = el("table");
    for (const [k, v] of righe) {
      const tr = el("tr"); tr.append(el("th", k), el("td", String(v))); tb.append(tr);
    }
    return tb;
  }
  function campiCellaDi(c) {
    const r = [["cella", c], ["m", c * 50]];
    for (const [nome] of campiCella) r.push([nome, C[nome][c]]);
    r.push(["oggetto", nomiOggetto[C.tipo[c]] !== undefined ? nomiOggetto[C.tipo[c]] : "tipo sconosciuto"]);
    return r;
  }
  const campiVoce = ["marca", "dato1", "dato2", "dato3", "segno", "nome", "intero1", "intero2", "intero3",
    "intero4", "intero5", "flag1", "flag2", "flag3", "flag4", "dato_finale"];
  function ora(s) {
    const h = Math.floor(s / 3600), m = Math.floor(s % 3600 / 60), x = s % 60;
    return [h, m, x].map((n) => String(n).padStart(2, "0")).join(":");
  }
  function dettagliStazione(s) {
    const v = s.v;
    const r = [["stazione", s.k + ": " + v.nome], ["posizione", v.dato3 + " m"],
      ["da – a", v.dato1 + " – " + v.dato2 + " m"], ["lunghezza", (v.dato2 - v.dato1) + " m"],
      ["sosta", v.flag2 ? v.flag2 + " s" : "nessuna"],
      ["partenza", v.dato_finale ? ora(v.dato_finale) : "—"]];
    for (const k of campiVoce) if (k !== "nome") r.push([k, v[k]]);
    return r;
  }
  // What is at metre m: the cell, an object drawn within a few pixels, the station around.
  function mostraDettagli(m, x) {
    const box = document.getElementById("dettagli");
    box.replaceChildren(el("h2", "Dettagli"));
    const c = Math.floor(m / 50);
    if (x !== undefined) {
      let vicino = null, d = 7;
      for (const o of oggetti) {
        const dx = Math.abs(xDi(o.m) - x);
        if (dx < d) { d = dx; vicino = o; }
      }
      if (vicino) {
        const nome = nomiOggetto[vicino.t] || "oggetto";
        box.append(el("h3", nome + " a " + vicino.m + " m (cella " + vicino.c + ")"));
        box.append(tabellaCampi(vicino.t === 1 ?
          [["valore1", C.valore1[vicino.c]], ["valore2", C.valore2[vicino.c]], ["valore3", C.valore3[vicino.c]],
            ["valore4", C.valore4[vicino.c]], ["tempo", C.tempo[vicino.c]], ["codice", C.codice[vicino.c]]] :
          campiCellaDi(vicino.c)));
      }
    }
    if (c >= 0 && c < C.n) {
      box.append(el("h3", "Cella " + c + " (" + c * 50 + " – " + (c * 50 + 50) + " m)"));
      const t = tabellaCampi(campiCellaDi(c)); t.id = "campi_cella"; box.append(t);
    }
    for (const s of stazioni) {
      if (m >= s.v.dato1 && m <= s.v.dato2) {
        box.append(el("h3", "Stazione")); box.append(tabellaCampi(dettagliStazione(s)));
      }
    }
    for (const s of problemiPosti) {
      if (Math.abs(s.posizione - m) < 50) box.append(el("p", testoProblema(s), s.gravita === "problema" ? "problema" : ""));
    }
  }

  // ---- Pointing, dragging, zooming -----------------------------------------------------
  let selezione = null;
  const puntatori = new Map();
  let trascina = null;
  function metroMappa(px, py) {
    const ia = indice(vista.da), ib = indice(vista.a);
    const passo = potenza2((ib - ia) / 4000);
    let meglio = -1, d = 144;
    for (let i = ia; i <= ib; i += passo) {
      const p = schermoMappa(i), dd = (p[0] - px) ** 2 + (p[1] - py) ** 2;
      if (dd < d) { d = dd; meglio = i; }
    }
    return meglio < 0 ? null : meglio;
  }
  function posizione(e, t) {
    const r = t.el.getBoundingClientRect();
    return [e.clientX - r.left, e.clientY - r.top];
  }
  for (const id in tele) {
    const t = tele[id];
    const eMappa = id === "mappa";
    t.el.addEventListener("pointerdown", (e) => {
      t.el.setPointerCapture(e.pointerId);
      const [x, y] = posizione(e, t);
      puntatori.set(e.pointerId, x);
      if (puntatori.size === 2) {
        const xs = [...puntatori.values()];
        trascina = { pizzico: Math.abs(xs[0] - xs[1]) || 1, da: vista.da, a: vista.a, m: metroDi((xs[0] + xs[1]) / 2) };
        selezione = null;
        return;
      }
      const suScala = !eMappa && y > t.h - 22;
      if ((e.shiftKey || suScala) && !eMappa) selezione = { x0: x, x1: x };
      else trascina = { x, da: vista.da, a: vista.a, scala: eMappa ? M.scala : null };
    });
    t.el.addEventListener("pointermove", (e) => {
      const [x, y] = posizione(e, t);
      if (puntatori.has(e.pointerId)) puntatori.set(e.pointerId, x);
      if (trascina && trascina.pizzico && puntatori.size === 2) {
        const xs = [...puntatori.values()];
        const f = trascina.pizzico / (Math.abs(xs[0] - xs[1]) || 1);
        const w = Math.min(Math.max((trascina.a - trascina.da) * f, minimo), fine);
        const t0 = (trascina.m - trascina.da) / (trascina.a - trascina.da);
        limita(trascina.m - t0 * w, trascina.m - t0 * w + w); cambiata();
        return;
      }
      if (selezione) { selezione.x1 = x; ridisegna(); return; }
      if (trascina && !trascina.pizzico) {
        const dx = x - trascina.x;
        const dm = trascina.scala ? dx / trascina.scala : dx / (t.w - sinistra - destra) * (trascina.a - trascina.da);
        if (Math.abs(dx) > 2) { trascina.mosso = true; limita(trascina.da - dm, trascina.a - dm); cambiata(); }
        return;
      }
      const m = eMappa ? metroMappa(x, y) : metroDi(x);
      cursore = m === null ? null : Math.min(Math.max(m, 0), fine);
      if (cursore !== null) mostraDettagli(cursore, eMappa ? undefined : x);
      ridisegna();
    });
    const fineGesto = (e) => {
      puntatori.delete(e.pointerId);
      if (selezione) {
        const a = metroDi(Math.min(selezione.x0, selezione.x1)), b = metroDi(Math.max(selezione.x0, selezione.x1));
        selezione = null;
        if (b - a > 1) { limita(a, b); cambiata(); } else ridisegna();
      }
      if (puntatori.size === 0) trascina = null;
    };
    t.el.addEventListener("pointerup", fineGesto);
    t.el.addEventListener("pointercancel", fineGesto);
    t.el.addEventListener("pointerleave", () => { if (!trascina && !selezione) { cursore = null; ridisegna(); } });
    t.el.addEventListener("wheel", (e) => {
      e.preventDefault();
      const [x, y] = posizione(e, t);
      const m = eMappa ? metroMappa(x, y) : metroDi(x);
      zoom(e.deltaY > 0 ? 1.25 : 0.8, m);
    }, { passive: false });
  }
  const pannelli = document.getElementById("pannelli");
  pannelli.addEventListener("keydown", (e) => {
    const w = vista.a - vista.da;
    let fatto = true;
    switch (e.key) {
      case "ArrowLeft": sposta(-w / 5); break;
      case "ArrowRight": sposta(w / 5); break;
      case "+": case "=": case "ArrowUp": zoom(0.8, cursore); break;
      case "-": case "ArrowDown": zoom(1.25, cursore); break;
      case "Home": limita(0, fine); cambiata(); break;
      case ",": case ".": {
        const c = cursore === null ? Math.floor((vista.da + vista.a) / 100) : Math.floor(cursore / 50) + (e.key === "," ? -1 : 1);
        cursore = Math.min(Math.max(c, 0), C.n - 1) * 50 + 25;
        if (cursore < vista.da || cursore > vista.a) centra(cursore, w);
        mostraDettagli(cursore); ridisegna(); break;
      }
      default: fatto = false;
    }
    if (fatto) e.preventDefault();
  });
  document.getElementById("piu").addEventListener("click", () => zoom(0.5));
  document.getElementById("meno").addEventListener("click", () => zoom(2));
  document.getElementById("tutto").addEventListener("click", () => { limita(0, fine); cambiata(); });

  // ---- Station search ------------------------------------------------------------------
  const cerca = document.getElementById("cerca"), trovate = document.getElementById("trovate");
  function vaiStazione(s) { centra(s.m, Math.min(vista.a - vista.da, 5000)); cursore = s.m; mostraDettagli(s.m); }
  function trova() {
    const q = cerca.value.trim().toLocaleUpperCase("it");
    trovate.replaceChildren();
    if (!q) return [];
    const r = stazioni.filter((s) => s.v.nome.toLocaleUpperCase("it").includes(q));
    for (const s of r.slice(0, 30)) {
      const b = el("button", s.v.nome); b.type = "button";
      b.addEventListener("click", () => vaiStazione(s));
      const li = el("li"); li.append(b); trovate.append(li);
    }
    return r;
  }
  cerca.addEventListener("input", trova);
  cerca.addEventListener("keydown", (e) => {
    if (e.key === "Enter") { const r = trova(); if (r.length) vaiStazione(r[0]); e.preventDefault(); }
  });

  // ---- Problems ------------------------------------------------------------------------
  function testoProblema(s) {
    return (s.gravita === "problema" ? "problema " + s.codice : "avviso " + s.nome) +
      (s.posizione !== null && s.posizione !== undefined ? " a " + s.posizione + " m" : "") + ": " + s.messaggio;
  }
  (function elencaProblemi() {
    const ul = document.getElementById("elenco_problemi");
    if (!D.sorgenti) { ul.append(el("li", "Sorgenti non trovate accanto ai file compatti: nessun controllo.", "tenue")); return; }
    if (!problemi.length) { ul.append(el("li", "Nessun problema e nessun avviso.", "tenue")); return; }
    for (const s of problemi) {
      const li = el("li");
      const dove = s.file ? s.file + (s.riga ? ":" + s.riga + ":" + s.colonna : "") : "";
      const classe = s.gravita === "problema" ? "problema" : "avviso_controllo";
      let voce;
      if (s.posizione !== null && s.posizione !== undefined) {
        voce = el("button"); voce.type = "button";
        voce.addEventListener("click", () => {
          scelto = s;
          for (const b of ul.querySelectorAll("[aria-current]")) b.removeAttribute("aria-current");
          voce.setAttribute("aria-current", "true");
          cursore = s.posizione;
          centra(s.posizione, Math.min(vista.a - vista.da, 2000));
          mostraDettagli(s.posizione);
        });
      } else voce = el("div", undefined, "senza_posizione");
      voce.append(el("span", testoProblema(s), classe));
      if (dove) voce.append(el("small", dove));
      li.append(voce); ul.append(li);
    }
  })();
  if (D.avviso) { const a = document.getElementById("avviso"); a.textContent = D.avviso; a.hidden = false; }

  // ---- The table of the cells in view --------------------------------------------------
  const colonne = ["cella", "m"].concat(campiCella.map((c) => c[0]), ["oggetto"]);
  document.querySelector("#tabella_celle thead").append((() => {
    const tr = el("tr"); for (const c of colonne) { const th = el("th", c); th.scope = "col"; tr.append(th); } return tr;
  })());
  const righeMassime = 500;
  function tabella() {
    const c0 = Math.max(0, Math.floor(vista.da / 50)), c1 = Math.min(C.n, Math.ceil(vista.a / 50));
    const tb = document.querySelector("#tabella_celle tbody");
    const frammento = document.createDocumentFragment();
    for (let c = c0; c < Math.min(c1, c0 + righeMassime); c++) {
      const tr = el("tr");
      for (const [, v] of campiCellaDi(c)) tr.append(el("td", String(v)));
      frammento.append(tr);
    }
    tb.replaceChildren(frammento);
    document.getElementById("nota_celle").textContent = c1 - c0 > righeMassime ?
      "Le prime " + righeMassime + " delle " + (c1 - c0) + " celle della vista (dalla " + c0 + "): avvicina la vista per le altre." :
      (c1 - c0) + " celle, dalla " + c0 + " alla " + (c1 - 1) + ".";
  }

  // ---- Start ---------------------------------------------------------------------------
  misura();
  if (!leggiIndirizzo()) limita(0, fine);
  disegnaOra();
  // From the start of loading (the page's time origin) to the first drawing done.
  const primoDisegno = performance.now();
  tabella();
  scriviIndirizzo();
  window.addEventListener("resize", () => { misura(); ridisegna(); });
  // Written by vedi --osserva: the page is written again on each save. A page opened from
  // disk may not read its own file, and its content policy allows no other request, so it
  // reloads itself; the address keeps the view across the reload. Not while a drag is
  // under way or a search is being typed.
  if (D.osserva) {
    setInterval(() => {
      const cerca = document.getElementById("cerca");
      if (trascina || (document.activeElement === cerca && cerca.value)) return;
      scriviIndirizzo();
      location.reload();
    }, 1500);
  }
  // For the browser tests and the benchmark.
  window.vedi = {
    primoDisegno,
    vista: () => ({ da: vista.da, a: vista.a }),
    imposta: (da, a) => { limita(da, a); cambiata(); },
    disegnaOra,
    mappa: () => ({ scala: M.scala, cx: M.cx, cy: M.cy, ox: M.ox, oy: M.oy }),
    xDi,
    fine,
  };
})();
