// The driver's steps, for the tests, benchmarks and fuzz targets that run one step and look
// at the model. The programs go through the engine's entry (compactor/esecuzione.h).
#pragma once

#include "compactor/compattatore.h"

#include <cstdint>

struct passi_del_driver {
    static int memorizza_percorso(compattatore& c, int32_t& j) { return c.memorizza_percorso(j); }
    static int compatta_in_memoria(compattatore& c, int32_t& j) { return c.compatta_in_memoria(j); }
    static int concludi_percorso(compattatore& c) { return c.concludi_percorso(); }
    static void memorizza_dati(compattatore& c, modo_lettura modo = modo_lettura::compattazione) {
        c.memorizza_dati(modo);
    }
    static int controlla_percorso(compattatore& c, int32_t j = 1) {
        return c.controlla_percorso(j);
    }
    static bool leggi_linea(compattatore& c, modo_lettura modo = modo_lettura::compattazione) {
        return c.leggi_linea(modo);
    }
    static void leggi_treno(compattatore& c, modo_lettura modo = modo_lettura::compattazione) {
        c.leggi_treno(modo);
    }
};
