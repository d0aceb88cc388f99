// Line phase of the source reading: the line source file into the grid, the plan and
// the line header records.
#include "compactor/arrotonda.h"
#include "compactor/compattatore.h"
#include "compactor/testo.h"

#include <cstddef>
#include <limits>
#include <string_view>
#include <system_error>
#include <vector>

namespace {

constexpr int32_t lunghezza_massima = 1000000;
constexpr int32_t ultimo_punto_ammesso = 1000000;
// A voce's name is written with a 2-byte length.
constexpr std::size_t nome_massimo = 32767;

// Curvature of a curve row from the first of the digits 1 to 6 in its keyword; 0 when
// there is none.
double curvatura(std::string_view chiave) {
    static constexpr struct {
        std::string_view cifra;
        double k;
    } gradi[] = {{"1", 0.0001}, {"2", 0.0002}, {"3", 0.0004},
                 {"4", 0.001},  {"5", 0.002},  {"6", 0.003}};
    for (const auto& grado : gradi) {
        if (contiene(chiave, grado.cifra)) {
            return grado.k;
        }
    }
    return 0.0;
}

bool inizia_con_trattino(std::string_view campo) {
    const std::size_t primo = campo.find_first_not_of(' ');
    return primo != std::string_view::npos && campo[primo] == '-';
}

// The plan is extended point by point from the last two points, kept here as doubles so
// the loops never go through the variant values of the plan.
struct cursore_piano {
    int32_t i = 2;              // next point to compute
    double x2 = 0.0, y2 = 0.0;  // point i - 2
    double x1 = 0.0, y1 = 1.0;  // point i - 1
};

// Extends the plan up to point `fine`: straight on, or, with `curva`, turning by about k
// radians to the right at each step (left for negative k), the step growing by
// sqrt(1 + k^2), which the plan keeps. Stops after the first point whose successor would
// pass `limite`, returning false. The state lives in local variables while the loop
// runs: held in the cursor, every step would go through memory, since the compiler must
// assume that the byte stores of the plan's values may overwrite it.
bool estendi_piano(std::vector<punto_piano>& piano, cursore_piano& cursore, int64_t fine,
                   bool curva, double k, int64_t limite) {
    int32_t i = cursore.i;
    double x2 = cursore.x2, y2 = cursore.y2, x1 = cursore.x1, y1 = cursore.y1;
    bool entro_limite = true;
    while (entro_limite && i <= fine) {
        double x, y;
        if (curva) {
            const double dx = x1 - x2;
            const double dy = y1 - y2;
            x = x1 + (dx + k * dy);
            y = y1 + (dy - k * dx);
        } else {
            x = x1 + (x1 - x2);
            y = y1 + (y1 - y2);
        }
        piano[static_cast<std::size_t>(i)] = punto_piano{x, y};
        x2 = x1;
        y2 = y1;
        x1 = x;
        y1 = y;
        ++i;
        entro_limite = i <= limite;
    }
    cursore = {i, x2, y2, x1, y1};
    return entro_limite;
}

// Straight up to point `inizio`, then turning up to point `fine`; false as soon as the
// next point passes the index limit.
bool traccia_curva(std::vector<punto_piano>& piano, cursore_piano& cursore, int64_t inizio,
                   int64_t fine, double k) {
    return estendi_piano(piano, cursore, inizio, false, 0.0, ultimo_punto_ammesso) &&
           estendi_piano(piano, cursore, fine, true, k, ultimo_punto_ammesso);
}

}  // namespace

bool compattatore::leggi_linea() {
    voci[85].nome = identita().nome_scenario;
    voci[86].nome = identita().numero_treno;
    celle.clear();
    tracciato.clear();

    const std::filesystem::path file = nomi_file::sorgente_linea(cartella(), identita());
    std::error_code ignorato;
    if (!std::filesystem::is_regular_file(file, ignorato)) {
        codice_errore = 101;
        return false;
    }
    lettore_campi lettore(leggi_file(file));

    // Ends the phase with a code: the file is deleted and the train phase does not run.
    const auto interrompi = [&](int32_t codice, luogo_campo luogo) {
        elimina_sorgente(file);
        codice_errore = codice;
        segna_origine(file, lettore, luogo);
        return false;
    };
    // Rows are refused beyond 50 m before the last cell, and at negative positions.
    const auto fuori_griglia = [&](int32_t p) {
        return p < 0 || int64_t{p} + 100 > int64_t{50} * n_celle;
    };

    try {
        for (;;) {
            riga = lettore.leggi_testo();
            if (lettore.fine()) {
                elimina_sorgente(file);
                codice_errore = 102;
                return false;
            }
            if (contiene_ignora_maiuscole(riga, "[generale]")) {
                break;
            }
        }

        // General section. Its keywords, but for the length row, are tested with exact case.
        bool griglia_creata = false;
        while (!lettore.fine()) {
            riga = lettore.leggi_testo();
            if (lettore.fine()) {
                break;
            }
            for (int n = 0; n < 10 && contiene(riga, "-"); ++n) {
                riga = lettore.leggi_testo();
            }
            const luogo_campo chiave = lettore.luogo();

            if (contiene_ignora_maiuscole(riga, "percorso") &&
                contiene_ignora_maiuscole(riga, "lunghezza")) {
                voci[84].dato2 = lettore.leggi_long();
                const int32_t lunghezza = voci[84].dato2;
                if (lunghezza > lunghezza_massima || lunghezza < 0) {
                    return interrompi(1, lettore.luogo());
                }
                lunghezza_estesa = lunghezza + 7000;
                n_celle = static_cast<int32_t>(arrotonda(lunghezza_estesa / 50.0));
                celle.assign(static_cast<std::size_t>(n_celle) + 1, cella{});
                tracciato.clear();
                if (scrivi_linea != 0) {
                    tracciato.assign(static_cast<std::size_t>(lunghezza_estesa) + 1, punto_piano{});
                }
                griglia_creata = true;
            }
            const auto progressiva = [&](voce& v) {
                v.dato1 = lettore.leggi_long();
                v.dato2 = lettore.leggi_long();
                v.dato3 = lettore.leggi_long();
            };
            if (contiene(riga, "tre") && contiene(riga, "progressiva")) {
                progressiva(voci[81]);
            }
            if (contiene(riga, "due") && contiene(riga, "progressiva")) {
                progressiva(voci[82]);
            }
            if (contiene(riga, "uno") && contiene(riga, "progressiva")) {
                progressiva(voci[83]);
            }
            // The background values are crossed: "due" goes to dato3, "tre" to dato2.
            if (contiene(riga, "sfondo") && contiene(riga, "uno")) {
                voci[85].dato1 = lettore.leggi_long();
            }
            if (contiene(riga, "sfondo") && contiene(riga, "due")) {
                voci[85].dato3 = lettore.leggi_long();
            }
            if (contiene(riga, "sfondo") && contiene(riga, "tre")) {
                voci[85].dato2 = lettore.leggi_long();
            }
            if (contiene(riga, "segnali") && contiene(riga, "ripetizione")) {
                voci[86].dato1 = lettore.leggi_long();
                const luogo_campo prima = lettore.luogo();
                voci[86].dato2 = lettore.leggi_long();
                if (voci[86].dato1 % 50 != 0) {
                    return interrompi(3, prima);
                }
                if (voci[86].dato2 % 50 != 0) {
                    return interrompi(4, lettore.luogo());
                }
                if (contiene(riga, "4")) {
                    voci[86].dato3 = 4;
                } else if (contiene(riga, "9")) {
                    voci[86].dato3 = 9;
                } else {
                    return interrompi(5, chiave);
                }
                if (voci[86].dato2 == 0) {
                    voci[86].dato3 = 0;
                }
            }
            if (contiene(riga, "[") && contiene(riga, "]") && !inizia_con_trattino(riga)) {
                break;
            }
        }
        if (!griglia_creata) {
            throw errore_lettura("manca la riga della lunghezza del percorso");
        }

        progressive_ordina();
        n_montagne = 0;
        prossimo_cartello = 80;
        std::size_t cella_pendenza = 0;
        int32_t pendenza_in_vigore = 0;
        const auto metti_pendenza = [&] {
            if (cella_pendenza < celle.size()) {
                celle[cella_pendenza].pendenza = bassi_8_bit(int64_t{pendenza_in_vigore} + 100);
            }
            ++cella_pendenza;
        };
        cursore_piano piano;
        if (!tracciato.empty()) {
            tracciato[0] = punto_piano{int16_t{0}, int16_t{0}};
            tracciato[1] = punto_piano{int16_t{0}, int16_t{1}};
        }

        // Rows, by keyword, to the end of the file or the first position beyond the grid.
        // Returns false when the phase has ended with a code.
        const auto leggi_righe = [&]() -> bool {
            const auto oltre_griglia = [&](int32_t p, luogo_campo luogo) {
                codice_errore = 15;
                posizione_errore = p;
                segna_origine(file, lettore, luogo);
                return true;
            };
            while (!lettore.fine()) {
                riga = lettore.leggi_testo();
                if (lettore.fine()) {
                    return true;
                }
                for (int n = 0; n < 2 && contiene(riga, "-"); ++n) {
                    riga = lettore.leggi_testo();
                    if (lettore.fine()) {
                        return true;
                    }
                }
                const luogo_campo chiave = lettore.luogo();

                if (contiene_ignora_maiuscole(riga, "pendenza")) {
                    const int32_t p = lettore.leggi_long();
                    const luogo_campo luogo = lettore.luogo();
                    const int32_t g = lettore.leggi_long();
                    if (fuori_griglia(p)) {
                        return oltre_griglia(p, luogo);
                    }
                    // The gradient in force fills the cells up to the one before this row's.
                    const int64_t c = arrotonda(p / 50.0);
                    if (c > 0) {
                        do {
                            metti_pendenza();
                        } while (static_cast<int64_t>(cella_pendenza) < c);
                    }
                    pendenza_in_vigore = g;
                }
                if (contiene_ignora_maiuscole(riga, "curva") && !tracciato.empty()) {
                    const int32_t s = lettore.leggi_long();
                    const luogo_campo luogo = lettore.luogo();
                    const int32_t l = lettore.leggi_long();
                    if (fuori_griglia(s)) {
                        return oltre_griglia(s, luogo);
                    }
                    double k = curvatura(riga);
                    if (k == 0.0) {
                        return interrompi(103, chiave);
                    }
                    if (contiene_ignora_maiuscole(riga, "s")) {
                        k = -k;
                    }
                    if (int64_t{s} + l > lunghezza_estesa) {
                        posizione_errore = s;
                        return interrompi(103, luogo);
                    }
                    if (!traccia_curva(tracciato, piano, s, int64_t{s} + l, k)) {
                        return interrompi(103, luogo);
                    }
                }
                if (contiene_ignora_maiuscole(riga, "montagna")) {
                    int32_t inizio = lettore.leggi_long();
                    const luogo_campo luogo = lettore.luogo();
                    int32_t fine = lettore.leggi_long();
                    int32_t tipo = lettore.leggi_long();
                    if (fuori_griglia(inizio)) {
                        return oltre_griglia(inizio, luogo);
                    }
                    memo_montagna(inizio, fine, tipo);
                    if (codice_errore > 0) {
                        posizione_errore = inizio;
                        return interrompi(codice_errore, chiave);
                    }
                }
                if (contiene_ignora_maiuscole(riga, "indicatori_v")) {
                    const int32_t p = lettore.leggi_long();
                    const luogo_campo luogo = lettore.luogo();
                    int32_t valori[8];
                    for (int32_t& v : valori) {
                        v = lettore.leggi_long();
                    }
                    if (fuori_griglia(p)) {
                        return oltre_griglia(p, luogo);
                    }
                    memo_indicatori_v_max(p, valori[0], valori[1], valori[2], valori[3], valori[4],
                                          valori[5], valori[6], valori[7]);
                    if (codice_errore > 0) {
                        posizione_errore = p;
                        return interrompi(codice_errore, luogo);
                    }
                }
                if (contiene_ignora_maiuscole(riga, "indicat") &&
                    contiene_ignora_maiuscole(riga, "cartello")) {
                    const int32_t p = lettore.leggi_long();
                    const luogo_campo luogo = lettore.luogo();
                    riga = lettore.leggi_testo();
                    if (riga.size() > nome_massimo) {
                        throw errore_lettura("testo del cartello oltre 32767 caratteri");
                    }
                    if (fuori_griglia(p)) {
                        return oltre_griglia(p, luogo);
                    }
                    if (prossimo_cartello < 0) {
                        posizione_errore = p;
                        return interrompi(104, chiave);
                    }
                    cella& c = celle[static_cast<std::size_t>(arrotonda(p / 50.0 + 1.0))];
                    if (!libera(c)) {
                        posizione_errore = p;
                        return interrompi(6, luogo);
                    }
                    c.tipo = tipo_cella::cartello_indicatore;
                    c.valore1 = static_cast<int16_t>(prossimo_cartello);
                    voci[static_cast<std::size_t>(prossimo_cartello)].nome = riga;
                    prossimo_cartello -= 1;
                }
            }
            return true;
        };
        if (!leggi_righe()) {
            return false;
        }

        // Completion: the gradient in force up to the third cell from the end, and the
        // plan straight on up to its third point from the end.
        elimina_sorgente(file);
        do {
            metti_pendenza();
        } while (static_cast<int64_t>(cella_pendenza) < int64_t{n_celle} - 2);
        if (!tracciato.empty()) {
            // No index limit here: the completion may reach the last point but two.
            estendi_piano(tracciato, piano, int64_t{lunghezza_estesa} - 2, false, 0.0,
                          std::numeric_limits<int64_t>::max());
        }
        return true;
    } catch (const errore_lettura&) {
        segna_origine(file, lettore, lettore.luogo());
        throw;
    }
}
