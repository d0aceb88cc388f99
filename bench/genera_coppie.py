# Altered source pairs for bench/confronta_byte.sh: the carried sources with rows deleted,
# duplicated, swapped or inserted (slowdowns, signals, "abbattimento", speed and adhesion
# rows) and values replaced, from a fixed seed, so that the same pairs come out every time.
#   python3 bench/genera_coppie.py CARRIED_DIR OUT_DIR COUNT

import os, random, sys
src = sys.argv[1]; out = sys.argv[2]; n = int(sys.argv[3])
L = open(os.path.join(src, 'Orvesa_Cusvana_linea.txt'), 'rb').read().split(b'\r\n')
T = open(os.path.join(src, 'Orvesa_Cusvana_5927-.txt'), 'rb').read().split(b'\r\n')
vals = [b'0', b'-50', b'25', b'1025', b'800', b'5250', b'13000', b'98650', b'107900', b'107950',
        b'2147483648', b'x', b'1278', b'300', b'', b'-1000', b'20000', b'256', b'70000', b'1', b'50']
rnd = random.Random(20261211)
def riga_nuova():
    k = rnd.randrange(5)
    p = 50 * rnd.randrange(2200)
    if k == 0:
        return b'rallentamento, %d, %d, %d, %d, %d, %d' % (p, rnd.choice([30, 60, 100, 109, 110, 150]),
            rnd.choice([50 * rnd.randrange(60), -1000, 20000, -50]), 1, rnd.randrange(2), rnd.randrange(3))
    if k == 1:
        return b'segnale, %d, 1, 4, 0, 0, 0, 0, 0,0,0, 0' % p
    if k == 2:
        return b'abbattimento, %d, %d' % (p, rnd.choice([0, 7, 200, 300]))
    if k == 3:
        return b'velocita, %d, %d' % (p, rnd.choice([50, 90, 1278, 2000, 92]))
    return b'aderenza, %d, %d' % (p, rnd.choice([80, 300]))
for i in range(n):
    l = list(L); t = list(T)
    for _ in range(1 + rnd.randrange(4)):
        rows = l if rnd.randrange(3) == 0 else t
        j = 1 + rnd.randrange(len(rows) - 2)
        op = rnd.randrange(6)
        if op == 0:
            del rows[j]
        elif op == 1:
            rows.insert(j, rows[j])
        elif op == 2 and rows is t:
            rows.insert(j, riga_nuova())
        elif op == 3:
            j2 = 1 + rnd.randrange(len(rows) - 2); rows[j], rows[j2] = rows[j2], rows[j]
        else:
            r = rows[j]; commas = [k for k in range(len(r)) if r[k:k+1] == b',']
            if not commas: continue
            a = rnd.choice(commas) + 1; b = r.find(b',', a)
            if b < 0: b = len(r)
            rows[j] = r[:a] + b' ' + rnd.choice(vals) + r[b:]
    d = os.path.join(out, '%04d' % i); os.makedirs(d, exist_ok=True)
    open(os.path.join(d, 'Orvesa_Cusvana_linea.txt'), 'wb').write(b'\r\n'.join(l))
    open(os.path.join(d, 'Orvesa_Cusvana_5927-.txt'), 'wb').write(b'\r\n'.join(t))
