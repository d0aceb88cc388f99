// compattatore decompila: rows proposed from the compact files, then confirmed by
// compacting them again. Each kind of row is the inverse of its reader or store: a cell
// position p becomes the row position that the reader sends back to that cell, a packed
// value the columns it was packed from, a run of equal cells one row at the run's start.
#include "tools/decompila.h"

#include "compactor/arrotonda.h"
#include "compactor/compattatore.h"
#include "compactor/curva.h"
#include "compactor/esecuzione.h"
#include "compactor/formato.h"
#include "compactor/problemi.h"
#include "comune/errore_esecuzione.h"
#include "comune/sistema_file.h"
#include "comune/stato_uscita.h"
#include "tools/file_compatti.h"
#include "tools/strumento.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <set>
#include <utility>

namespace {

constexpr int32_t abbattimento_del_cammino = 180;
// Plan values listed one by one; beyond this many only their number and extent are said.
constexpr std::size_t valori_del_piano_elencati = 20;

// The curvature of each degree, as the keyword's digit gives it.
constexpr std::array<double, 7> curvatura = {0, 0.0001, 0.0002, 0.0004, 0.001, 0.002, 0.003};

std::string formatta(const char* modello, auto... valori) {
    char testo[512];
    std::snprintf(testo, sizeof testo, modello, valori...);
    return testo;
}

// Lines of a source file, each ended by CR LF.
struct testo_sorgente {
    std::string byte;
    void riga(std::string_view r) {
        byte.append(r);
        byte += "\r\n";
    }
};

// A text value as the field reader gives it back: quoted when it begins with a blank or a
// quote or holds a comma; nullopt when no field can hold it.
std::optional<std::string> campo_testo(const std::string& t) {
    const bool da_citare = t.find(',') != std::string::npos ||
                           t.find_first_of("\r\n") != std::string::npos ||
                           (!t.empty() && (t.front() == ' ' || t.front() == '"'));
    if (!da_citare) {
        return t;
    }
    if (t.find('"') != std::string::npos) {
        return std::nullopt;
    }
    return "\"" + t + "\"";
}

int64_t divisione_intera(int64_t a, int64_t b) {  // rounds towards minus infinity
    int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) {
        --q;
    }
    return q;
}

// An element of the model for writing: through its writer where the model has one.
template <typename Elementi>
auto& scrivibile(Elementi& elementi, std::size_t i) {
    if constexpr (requires { elementi.scrivi(i); }) {
        return elementi.scrivi(i);
    } else {
        return elementi[i];
    }
}

// Whether the plan's values da..a (in file order) are all Doubles, from its runs of one type.
bool tutti_doppi(const tabella_piano& piano, std::size_t da, std::size_t a) {
    const auto& tratti = piano.tratti();
    for (std::size_t k = 0; k < tratti.size(); ++k) {
        const std::size_t inizio = tratti[k].inizio;
        const std::size_t fine =
            k + 1 < tratti.size() ? tratti[k + 1].inizio - 1 : piano.numero_valori() - 1;
        if (fine >= da && inizio <= a && tratti[k].tipo != tabella_piano::tipo_valore::doppio) {
            return false;
        }
    }
    return true;
}

// A station record as a row refused for its position (not a multiple of 50) or its length
// (not a multiple of 100) leaves it: the position and the kind, nothing else.
bool stazione_rifiutata(const voce& s) {
    return s.dato1 == 0 && s.dato2 == 0 && s.segno == 0 && s.nome.empty() && s.intero1 == 0 &&
           s.intero2 == 0 && s.intero3 == 0 && s.intero4 == 0 && s.intero5 == 0 && s.flag1 == 0 &&
           s.flag2 == 0 && s.flag3 == 0 && s.flag4 == 0 && s.dato_finale == 0;
}

class proposta {
public:
    proposta(const file_compatti_decodificati& f, const identita_scenario& id, bool senza_linea)
        : f_(f), id_(id), senza_linea_(senza_linea) {
        nome_celle_ = nomi_file::celle_compatte("", id).filename().string();
        nome_voci_ = nomi_file::voci_compatte("", id).filename().string();
        nome_piano_ = nomi_file::linea_compatta("", id).filename().string();
    }

    std::vector<std::string> non_esprimibile;
    // Cells of value 180 left to the walk; those it does not place become rows.
    std::set<std::size_t> abbattimenti_del_cammino;

    bool controlla_struttura();
    std::string linea();
    std::string treno(const std::set<std::size_t>& abbattimenti_da_scrivere);

    // Whether the train source puts back a stop of the reader on the last station row.
    void fermata_alla_stazione(bool si) { fermata_alla_stazione_ = si; }
    // What the train rows cannot express, from the last call of treno().
    const std::vector<std::string>& messaggi_treno() const { return messaggi_treno_; }
    const std::string& nome_celle() const { return nome_celle_; }
    const std::string& nome_voci() const { return nome_voci_; }
    const std::string& nome_piano() const { return nome_piano_; }

private:
    cella oggetto(std::size_t i) const {
        cella c = f_.celle[i];
        if (i == 1) {  // the header slots: 5121 and the plain scenario code
            c.valore1 = 0;
            c.valore2 = 0;
        }
        return c;
    }
    std::string dove_cella(std::size_t i) const {
        return nome_celle_ + ": cella " + std::to_string(i) + " (" + std::to_string(50 * i) + " m)";
    }
    void curve(testo_sorgente& t);
    void montagne(testo_sorgente& t);

    const file_compatti_decodificati& f_;
    identita_scenario id_;
    bool senza_linea_;
    std::string nome_celle_, nome_voci_, nome_piano_;
    int32_t n_celle_ = 0;
    std::vector<std::string> messaggi_treno_;
    bool fermata_alla_stazione_ = false;
};

bool proposta::controlla_struttura() {
    const int64_t lunghezza = f_.voci[84].dato2;
    if (lunghezza < 0 || lunghezza > lunghezza_percorso_massima) {
        non_esprimibile.push_back(nome_voci_ + ": record 84: lunghezza del percorso " +
                                  std::to_string(lunghezza) + " m, fuori da 0 - 1000000 m");
        return false;
    }
    const int64_t estesa = lunghezza + metri_oltre_il_percorso;
    n_celle_ = static_cast<int32_t>(arrotonda(static_cast<double>(estesa) / 50.0));
    if (f_.celle.size() != static_cast<std::size_t>(n_celle_) + 1) {
        non_esprimibile.push_back(nome_celle_ + ": " + std::to_string(f_.celle.size()) +
                                  " celle, ma un percorso di " + std::to_string(lunghezza) +
                                  " m (record 84) ne ha " + std::to_string(n_celle_ + 1));
        return false;
    }
    if (f_.piano && f_.piano->size() != static_cast<std::size_t>(estesa) + 1) {
        non_esprimibile.push_back(nome_piano_ + ": " + std::to_string(f_.piano->size()) +
                                  " punti, ma un percorso di " + std::to_string(lunghezza) +
                                  " m (record 84) ne ha " + std::to_string(estesa + 1));
        return false;
    }
    if (f_.voci[85].nome != id_.nome_scenario || f_.voci[86].nome != id_.numero_treno) {
        non_esprimibile.push_back(nome_voci_ + ": i record 85 e 86 nominano lo scenario \"" +
                                  f_.voci[85].nome + "\" e il treno \"" + f_.voci[86].nome +
                                  "\", non quelli dei nomi dei file");
        return false;
    }
    return true;
}

std::string proposta::linea() {
    testo_sorgente t;
    const auto& v = f_.voci;
    t.riga("[generale]");
    t.riga(formatta("lunghezza percorso,    %d", v[84].dato2));

    // The chainage rows: the assignment of the three records to the rows "tre", "due" and
    // "uno" that the compactor's ordering puts back in their place.
    {
        std::array<voce, 3> letti{};  // as read: the 100 m of a decreasing stretch taken off
        for (int i = 0; i < 3; ++i) {
            letti[static_cast<std::size_t>(i)] = v[static_cast<std::size_t>(81 + i)];
            voce& r = letti[static_cast<std::size_t>(i)];
            if (r.dato3 == 1) {
                r.dato2 = static_cast<int32_t>(static_cast<uint32_t>(r.dato2) - 100u);
            }
        }
        std::array<int, 3> ordine = {0, 1, 2};  // ordine[riga tre, due, uno] = record
        std::optional<std::array<int, 3>> trovato;
        compattatore prova(cartelle_compattatore{}, id_);
        do {
            for (int r = 0; r < 3; ++r) {
                scrivibile(prova.voci, static_cast<std::size_t>(81 + r)) =
                    letti[static_cast<std::size_t>(ordine[static_cast<std::size_t>(r)])];
            }
            prova.progressive_ordina();
            bool uguali = true;
            for (int r = 81; r <= 83; ++r) {
                const voce& a = prova.voci[static_cast<std::size_t>(r)];
                const voce& b = v[static_cast<std::size_t>(r)];
                uguali = uguali && a.dato1 == b.dato1 && a.dato2 == b.dato2 && a.dato3 == b.dato3;
            }
            if (uguali) {
                trovato = ordine;
                // The order of the carried rows, "uno" the first stretch, when it fits.
                if (ordine == std::array<int, 3>{2, 0, 1} ||
                    ordine == std::array<int, 3>{2, 1, 0}) {
                    break;
                }
            }
        } while (std::next_permutation(ordine.begin(), ordine.end()));
        if (!trovato) {
            non_esprimibile.push_back(nome_voci_ +
                                      ": record 81-83: nessuna riga \"progressiva chilometrica\" "
                                      "dà questo ordine dei tre tratti");
            trovato = std::array<int, 3>{0, 1, 2};
        }
        const char* nomi[3] = {"tre", "due", "uno"};
        for (int r = 2; r >= 0; --r) {
            const voce& x =
                letti[static_cast<std::size_t>((*trovato)[static_cast<std::size_t>(r)])];
            t.riga(formatta("progressiva chilometrica %s,    %d,    %d,    %d", nomi[r], x.dato1,
                            x.dato2, x.dato3));
        }
    }
    t.riga(formatta("sfondo uno,    %d", v[85].dato1));
    t.riga(formatta("sfondo due,    %d", v[85].dato3));
    t.riga(formatta("sfondo tre,    %d", v[85].dato2));
    {
        const voce& r = v[86];
        int codici = r.dato3;
        if (r.dato3 == 0 && r.dato2 == 0) {
            codici = 4;
        } else if ((r.dato3 != 4 && r.dato3 != 9) || r.dato2 == 0) {
            non_esprimibile.push_back(nome_voci_ + ": record 86: ripetizione segnali con " +
                                      std::to_string(r.dato3) + " codici e seconda posizione " +
                                      std::to_string(r.dato2) +
                                      ": la riga dà 4 o 9 codici, o 0 "
                                      "con la seconda posizione 0");
        }
        t.riga(formatta("ripetizione segnali %d codici,    %d    ,%d", codici, r.dato1, r.dato2));
    }
    if (!senza_linea_) {
        t.riga("[curve]");
        curve(t);
    }

    t.riga("[pendenze]");
    {
        const std::size_t ultima = static_cast<std::size_t>(n_celle_ - 3);
        uint8_t in_vigore = 100;
        for (std::size_t i = 0; i <= ultima; ++i) {
            if (f_.celle[i].pendenza != in_vigore) {
                in_vigore = f_.celle[i].pendenza;
                t.riga(formatta("pendenza,  %zu , %d ", 50 * i, int{in_vigore} - 100));
            }
        }
    }

    t.riga("[montagne]");
    montagne(t);

    t.riga("[cartelli]");
    for (std::size_t i = 1; i < f_.celle.size(); ++i) {
        const cella c = oggetto(i);
        if (c.tipo != tipo_cella::indicatore_v_max) {
            continue;
        }
        // valore = d / 5 + s x 20: s from the hundreds' share, d from the rest.
        std::array<std::string, 3> s, d;
        const int16_t valori[3] = {c.valore1, c.valore2, c.valore3};
        for (int k = 0; k < 3; ++k) {
            const int64_t vs = divisione_intera(valori[k], 20);
            const int64_t vd = 5 * (valori[k] - 20 * vs);
            s[static_cast<std::size_t>(k)] = std::to_string(vs);
            d[static_cast<std::size_t>(k)] = vd == 0 ? "" : std::to_string(vd);
        }
        const int64_t ss = divisione_intera(c.valore4, 10);
        const int64_t sd = c.valore4 - 10 * ss;
        t.riga(formatta("indicatori_vmax,  %zu,  %s,  %s,  %s,  %lld,  %s,  %s,  %s,  %lld",
                        50 * (i - 1), s[0].c_str(), s[1].c_str(), s[2].c_str(),
                        static_cast<long long>(ss), d[0].c_str(), d[1].c_str(), d[2].c_str(),
                        static_cast<long long>(sd)));
    }

    t.riga("[indicazioni]");
    {
        std::map<int, std::size_t, std::greater<>> per_posto;  // slot -> cell, 80 first
        for (std::size_t i = 1; i < f_.celle.size(); ++i) {
            const cella c = oggetto(i);
            if (c.tipo == tipo_cella::cartello_indicatore) {
                if (c.valore1 < 0 || c.valore1 > 80 || per_posto.count(c.valore1) != 0) {
                    non_esprimibile.push_back(dove_cella(i) +
                                              ": cartello indicatore con il testo "
                                              "nel record " +
                                              std::to_string(c.valore1) +
                                              ", che nessun altro cartello può avere");
                    continue;
                }
                per_posto[c.valore1] = i;
            }
        }
        int atteso = 80;
        for (const auto& [posto, i] : per_posto) {
            if (posto != atteso) {
                non_esprimibile.push_back(dove_cella(i) +
                                          ": cartello indicatore con il testo nel "
                                          "record " +
                                          std::to_string(posto) +
                                          ", ma i testi "
                                          "prendono i record dall'80 in giù senza salti (atteso " +
                                          std::to_string(atteso) + ")");
            }
            --atteso;
            const auto testo = campo_testo(f_.voci[static_cast<std::size_t>(posto)].nome);
            if (!testo) {
                non_esprimibile.push_back(nome_voci_ + ": record " + std::to_string(posto) +
                                          ": il testo del cartello contiene virgolette e un "
                                          "carattere che ne chiede l'uso");
                continue;
            }
            t.riga(formatta("cartello_indicatore,  %zu,   ", 50 * (i - 1)) + *testo);
        }
    }
    t.riga("[fine]");
    return t.byte;
}

// Curves from the plan: each point is the straight step or the turn of one degree after the
// two before it, computed as the compactor computes it; a run of points turning alike is
// one curve row.
void proposta::curve(testo_sorgente& t) {
    const tabella_piano& piano = *f_.piano;
    const std::size_t ultimo = piano.size() - 3;  // the last computed point
    // Where the computed points are all Doubles, as a compactor writes them, they are read
    // straight from the table.
    const bool diretti = piano.size() >= 4 && tutti_doppi(piano, 2, ultimo) &&
                         tutti_doppi(piano, piano.size() + 2, piano.size() + ultimo);
    const double* valori = piano.valori();
    auto doppio = [&](std::size_t i, coppia& p) {
        if (diretti) {
            p = coppia{valori[i], valori[piano.size() + i]};
            return true;
        }
        const punto_piano q = piano[i];
        const double* x = std::get_if<double>(&q.x);
        const double* y = std::get_if<double>(&q.y);
        if (x == nullptr || y == nullptr) {
            return false;
        }
        p = coppia{*x, *y};
        return true;
    };
    coppia p2 = {0, 0};
    coppia p1 = {0, 1};
    int corrente = 0;  // signed degree of the run under way, 0 on a straight stretch
    std::size_t inizio = 0;
    auto chiudi = [&](std::size_t fine) {
        if (corrente != 0) {
            t.riga(formatta("curva%c%d,  %zu , %zu ", corrente < 0 ? 's' : 'd', std::abs(corrente),
                            inizio - 1, fine - inizio + 1));
        }
    };
    for (std::size_t i = 2; i <= ultimo && piano.size() >= 4; ++i) {
        coppia p;
        if (!doppio(i, p)) {
            const punto_piano q = piano[i];
            if (std::holds_alternative<std::monostate>(q.x) &&
                std::holds_alternative<std::monostate>(q.y)) {
                // A run whose line phase ended on a problem leaves the rest of the plan
                // empty and the train source unread; any of several problems does that, and
                // the files do not say which.
                non_esprimibile.push_back(
                    nome_piano_ + ": punto " + std::to_string(i) +
                    ": vuoto: la lettura della linea si è fermata qui su un problema (come un "
                    "cartello su una cella occupata, una curva senza grado o un valore "
                    "illeggibile), e i file compatti non dicono quale; nessuna sorgente letta "
                    "fino in fondo lascia vuoto un punto calcolato");
            } else {
                non_esprimibile.push_back(nome_piano_ + ": punto " + std::to_string(i) +
                                          ": non è un numero Double, come ogni punto calcolato");
            }
            break;
        }
        auto passo = [&](int grado) {
            if (grado == 0) {
                return p1 + (p1 - p2);
            }
            const double k = grado < 0 ? -curvatura[static_cast<std::size_t>(-grado)]
                                       : curvatura[static_cast<std::size_t>(grado)];
            return punto_dopo(p1, p2, coppia{k, -k});
        };
        int trovato = 99;
        if (corrente != 0 && stessi_bit(passo(corrente), p)) {
            trovato = corrente;
        } else if (stessi_bit(passo(0), p)) {
            trovato = 0;
        } else {
            for (int g = 1; g <= 6 && trovato == 99; ++g) {
                for (int segno : {1, -1}) {
                    if (stessi_bit(passo(segno * g), p)) {
                        trovato = segno * g;
                        break;
                    }
                }
            }
        }
        if (trovato == 99) {
            non_esprimibile.push_back(
                nome_piano_ + ": punto " + std::to_string(i) +
                ": non segue dai due punti prima né in rettilineo né in curva di grado 1-6");
            break;
        }
        if (trovato != corrente) {
            chiudi(i - 1);
            corrente = trovato;
            inizio = i;
        }
        p2 = p1;
        p1 = p;
    }
    chiudi(ultimo);
}

// Mountain spans from the cells' mountain type: one row per run of equal type, marked when
// a tunnel marker stands on one of its every-fourth cells.
void proposta::montagne(testo_sorgente& t) {
    int32_t fine_precedente = 0;
    int righe = 0;
    auto scrivi = [&](std::size_t da, std::size_t a, uint8_t tipo, bool marcata) {
        const int32_t inizio = static_cast<int32_t>(50 * da);
        const int32_t fine = static_cast<int32_t>(50 * a);
        // A span starting within 150 m of the previous row's end becomes type 3: an empty
        // span at 0 first makes the previous end 0.
        if (righe > 0 && tipo != 3 && inizio - fine_precedente <= 150) {
            t.riga("montagna,  0 , 0 , 0 ");
        }
        // Above 10 a row is marked and loses 10; an unmarked type above 10 is its low byte.
        const int32_t riga_tipo = marcata ? tipo + 10 : (tipo > 10 ? tipo - 256 : tipo);
        t.riga(formatta("montagna,  %d , %d , %d ", inizio, fine, riga_tipo));
        fine_precedente = fine;
        ++righe;
    };
    std::size_t i = 0;
    while (i < f_.celle.size()) {
        const uint8_t tipo = f_.celle[i].montagna;
        if (tipo == 0) {
            ++i;
            continue;
        }
        // One run of equal type; where its markers do not stand on every fourth cell from
        // one start, a second span (type 3, as one right after another gets) begins so
        // that the marker is its fourth cell, or after the last marker where one is missing.
        std::size_t inizio = i;
        bool marcata = false;
        std::optional<std::size_t> ultimo_segno;
        std::optional<std::size_t> ultimo_quarto_libero;
        std::size_t j = i;
        for (; j < f_.celle.size() && f_.celle[j].montagna == tipo; ++j) {
            const bool quarta = (j - inizio + 1) % 4 == 0;
            const uint8_t oggetto = f_.celle[j].tipo;
            std::optional<std::size_t> nuovo_inizio;
            bool nuova_marcata = marcata;
            if (oggetto == tipo_cella::marcatore_galleria) {
                if (quarta && !ultimo_quarto_libero) {
                    marcata = true;
                    ultimo_segno = j;
                } else {
                    nuovo_inizio = j - 3;
                    nuova_marcata = true;
                }
            } else if (oggetto == tipo_cella::libera && quarta) {
                if (marcata) {
                    // A marked span that begins before this cell, when a marker after it is
                    // that span's fourth cell; else an unmarked one after the last marker.
                    nuovo_inizio = *ultimo_segno + 1;
                    nuova_marcata = false;
                    for (std::size_t k = j + 1; k < f_.celle.size() && f_.celle[k].montagna == tipo;
                         ++k) {
                        if (f_.celle[k].tipo == tipo_cella::marcatore_galleria) {
                            // The latest start not after this cell with k on a fourth cell;
                            // the fourth cells before k must hold objects, not be free.
                            std::size_t a = k - 3;
                            if (a > j) {
                                a -= 4 * ((a - j + 3) / 4);
                            }
                            bool possibile = a > *ultimo_segno && a <= j;
                            for (std::size_t q = a + 3; possibile && q < k; q += 4) {
                                possibile = f_.celle[q].tipo != tipo_cella::libera;
                            }
                            if (possibile) {
                                nuovo_inizio = a;
                                nuova_marcata = true;
                            }
                            break;
                        }
                    }
                } else {
                    ultimo_quarto_libero = j;
                }
            }
            if (!nuovo_inizio) {
                continue;
            }
            if (j < 3 || *nuovo_inizio <= inizio || tipo != 3 ||
                (ultimo_segno && *nuovo_inizio <= *ultimo_segno)) {
                non_esprimibile.push_back(dove_cella(j) +
                                          ": i segni di galleria della montagna non stanno "
                                          "ogni quattro celle da un suo inizio");
                continue;
            }
            scrivi(inizio, *nuovo_inizio, tipo, marcata);
            inizio = *nuovo_inizio;
            marcata = nuova_marcata;
            ultimo_quarto_libero.reset();
            ultimo_segno = marcata && oggetto == tipo_cella::marcatore_galleria
                               ? std::optional<std::size_t>(j)
                               : std::nullopt;
            if (!marcata && (j - inizio + 1) % 4 == 0 && oggetto == tipo_cella::libera) {
                ultimo_quarto_libero = j;
            }
        }
        scrivi(inizio, j, tipo, marcata);
        i = j;
    }
    for (std::size_t k = 0; k < f_.celle.size(); ++k) {
        if (f_.celle[k].tipo == tipo_cella::marcatore_galleria && f_.celle[k].montagna == 0) {
            non_esprimibile.push_back(dove_cella(k) + ": segno di galleria fuori da una montagna");
        }
    }
}

std::string proposta::treno(const std::set<std::size_t>& abbattimenti_da_scrivere) {
    messaggi_treno_.clear();
    testo_sorgente t;
    const auto& v = f_.voci;
    const std::size_t ultima = static_cast<std::size_t>(n_celle_ - 3);
    t.riga("[generale]");
    t.riga(formatta("numero vetture,    %d", v[84].dato3));
    t.riga(formatta("percentuale massa frenata,    %d", v[84].dato1));
    t.riga(formatta("sabbia,    %d", v[86].intero1));
    t.riga(formatta("orologio,    %d              %d            %d ", v[86].intero3, v[86].intero4,
                    v[86].intero5));

    // Speed and adhesion runs: a row where the value changes (and at 0 unless it is 0).
    auto corse = [&](auto campo, int fattore, const char* modello) {
        int in_vigore = 0;
        for (std::size_t i = 0; i <= ultima; ++i) {
            const int valore = campo(f_.celle[i]);
            if (valore != in_vigore) {
                t.riga(formatta(modello, 50 * i, valore * fattore));
                in_vigore = valore;
            }
        }
    };
    t.riga("[aderenze]");
    corse([](const cella& c) { return int{c.aderenza}; }, 1, "aderenza,   %zu,    %d");
    t.riga("[vel_limite]");
    corse([](const cella& c) { return int{c.velocita_limite}; }, 5, "velocita,%8zu,%6d");

    t.riga("[stazioni]");
    int prima_dei_cartelli = 81;
    for (std::size_t i = 1; i < f_.celle.size(); ++i) {
        if (oggetto(i).tipo == tipo_cella::cartello_indicatore && oggetto(i).valore1 >= 0) {
            prima_dei_cartelli = std::min<int>(prima_dei_cartelli, oggetto(i).valore1);
        }
    }
    int ultima_stazione = 0;
    for (int k = 1; k < prima_dei_cartelli && k <= 80; ++k) {
        const voce& s = v[static_cast<std::size_t>(k)];
        const voce vuota{};
        if (s.marca != 0 || s.dato1 != 0 || s.dato2 != 0 || s.dato3 != 0 || s.segno != 0 ||
            !s.nome.empty() || s.intero1 != 0 || s.intero2 != 0 || s.intero3 != 0 ||
            s.intero4 != 0 || s.intero5 != 0 || s.flag1 != 0 || s.flag2 != 0 || s.flag3 != 0 ||
            s.flag4 != 0 || s.dato_finale != vuota.dato_finale) {
            ultima_stazione = k;
        }
    }
    // One station row. A record that holds only the position and the kind (and the rest
    // zero) is what a row refused for its position or its length leaves behind: with the
    // run's stop put back, it is written with a length the reader refuses.
    auto riga_stazione = [&](testo_sorgente& righe, int k, bool fermata) {
        const voce& s = v[static_cast<std::size_t>(k)];
        const int64_t p = s.dato3;
        int64_t lunghezza = 0;
        int64_t oltre = 0;  // column 6
        if (s.marca == 5 || s.marca == 6 || s.marca == 7 || s.marca == 8) {
            lunghezza = p - s.dato1;
        } else {
            lunghezza = 2 * (p - s.dato1);
            oltre = s.flag3 != 0 ? s.flag3 : (s.dato2 - (p + lunghezza / 2) == 50 ? 1 : 0);
        }
        if (fermata && stazione_rifiutata(s)) {
            lunghezza = 50;
            oltre = 0;
        }
        const int64_t orario = s.dato_finale;
        const auto nome = campo_testo(s.nome);
        if (!nome) {
            messaggi_treno_.push_back(nome_voci_ + ": record " + std::to_string(k) +
                                      ": il nome della stazione contiene virgolette e un "
                                      "carattere che ne chiede l'uso");
        }
        righe.riga(formatta("- km %lld.%03lld", static_cast<long long>(divisione_intera(p, 1000)),
                            static_cast<long long>(p - 1000 * divisione_intera(p, 1000))));
        righe.riga(
            formatta(
                "stazione,%8lld,%3d,%5lld,%3d,%2d,%2lld,%3d,%d,%d,%3d,%d,%d,%5d,%4lld,%2lld,"
                "%2lld, ",
                static_cast<long long>(p), s.marca, static_cast<long long>(lunghezza), s.segno,
                s.flag4, static_cast<long long>(oltre), s.intero1, s.intero2, s.flag1, s.intero3,
                s.intero4, s.intero5, s.flag2, static_cast<long long>(orario / 3600),
                static_cast<long long>(orario % 3600 / 60), static_cast<long long>(orario % 60)) +
            nome.value_or(""));
    };
    // With the run's stop put back, the last station is the last row read: the reader
    // stopped on it (too close to the one before, in the last free record, ending within
    // the first 100 m, or refused for its position or length), so every other row goes
    // before it.
    const int in_fondo = fermata_alla_stazione_ ? ultima_stazione : 0;
    for (int k = 1; k <= ultima_stazione; ++k) {
        if (k != in_fondo) {
            riga_stazione(t, k, false);
        }
    }

    t.riga("[rallentamenti]");
    std::vector<bool> spiegata(f_.celle.size(), false);
    for (std::size_t s = 1; s < f_.celle.size(); ++s) {
        const cella inizio = oggetto(s);
        if (inizio.tipo != tipo_cella::inizio_rallentamento) {
            continue;
        }
        // The end: the next end cell with the same values not taken by another slowdown.
        // The end: the next end cell with the same values not taken by another slowdown,
        // else the nearest one before the start (a negative length).
        std::size_t e = s;
        auto e_fine = [&](std::size_t j) {
            const cella c = oggetto(j);
            return c.tipo == tipo_cella::fine_rallentamento && !spiegata[j] &&
                   c.valore1 == inizio.valore1 && c.valore2 == inizio.valore2 &&
                   c.valore3 == inizio.valore3;
        };
        bool trovata = false;
        for (std::size_t j = s + 1; j < f_.celle.size() && !trovata; ++j) {
            if (e_fine(j)) {
                e = j;
                trovata = true;
            }
        }
        for (std::size_t j = s; j-- > 1 && !trovata;) {
            if (e_fine(j)) {
                e = j;
                trovata = true;
            }
        }
        spiegata[e] = true;
        // The start position: a multiple of 50, or an odd multiple of 25 where the advance
        // cell and the four before it show one.
        int64_t x = 50 * (static_cast<int64_t>(s) - 1);
        int f_ta = 0;
        auto e_tipo = [&](int64_t i, uint8_t tipo) {
            return i >= 0 && i < static_cast<int64_t>(f_.celle.size()) &&
                   oggetto(static_cast<std::size_t>(i)).tipo == tipo;
        };
        int miglior_punteggio = -1;
        for (int64_t candidata : {x, x - 25, x + 25}) {
            if (arrotonda(static_cast<double>(candidata) / 50.0 + 1.0) != static_cast<int64_t>(s)) {
                continue;
            }
            int punteggio = 0;
            int con_prima = 0;
            if (candidata > 1500) {
                const int64_t w = arrotonda(static_cast<double>(candidata - 1200) / 50.0 + 1.0);
                const int64_t a = arrotonda(static_cast<double>(candidata - 1200) / 50.0);
                if (!e_tipo(w, tipo_cella::avviso_rallentamento) ||
                    spiegata[static_cast<std::size_t>(w)]) {
                    continue;
                }
                punteggio = 1;
                con_prima = a < w ? 1 : 0;
                for (int k = 0; k < 4; ++k) {
                    if (!e_tipo(a - k, tipo_cella::prima_dell_avviso) ||
                        oggetto(static_cast<std::size_t>(a - k)).valore1 != k + 1 ||
                        spiegata[static_cast<std::size_t>(a - k)]) {
                        con_prima = 0;
                    }
                }
                punteggio += con_prima;
            } else if (candidata != x) {
                continue;
            }
            if (punteggio > miglior_punteggio) {
                miglior_punteggio = punteggio;
                x = candidata;
                f_ta = con_prima;
            }
        }
        if (x > 1500) {
            const int64_t w = arrotonda(static_cast<double>(x - 1200) / 50.0 + 1.0);
            const int64_t a = arrotonda(static_cast<double>(x - 1200) / 50.0);
            if (w >= 0 && w < static_cast<int64_t>(spiegata.size())) {
                spiegata[static_cast<std::size_t>(w)] = true;
            }
            for (int k = 0; k < 4 && f_ta != 0; ++k) {
                spiegata[static_cast<std::size_t>(a - k)] = true;
            }
        }
        const int64_t l = 50 * (static_cast<int64_t>(e) - 1) - x;
        t.riga(formatta("rallentamento,%8lld,%4d,%5lld,%2d,%2d,%2d", static_cast<long long>(x),
                        inizio.valore1, static_cast<long long>(l), inizio.valore3, f_ta,
                        inizio.valore2));
    }

    t.riga("[segnali]");
    // Each signal's two kinds: those its packed fourth value and time allow that agree with
    // most of its approach cells' codes (a later row may have written over some).
    struct segnale_trovato {
        std::size_t cella;
        int sx, dx;
    };
    std::vector<segnale_trovato> segnali;
    std::map<std::size_t, std::size_t> segnale_in;  // cell -> index in segnali
    auto codice_di = [](int sx, int dx, int k) { return bassi_8_bit(sx * 30 + dx * 10 + k); };
    for (std::size_t c = 1; c < f_.celle.size(); ++c) {
        const cella s = oggetto(c);
        if (s.tipo != tipo_cella::segnale) {
            continue;
        }
        std::optional<std::pair<int, int>> lati;
        int migliori = -1;
        // The usual kinds first (right side 0 to 2, left side 1 or 2): among equal
        // agreements the first found stays.
        for (int dx = 0; dx <= 9; ++dx) {
            for (int sx : {1, 2, 0, 3, 4, 5, 6, 7, 8}) {
                if ((s.valore4 - 3 * sx - dx) % 10 != 0 || (s.tempo != 0 && sx != 2)) {
                    continue;
                }
                int concordi = 0;
                for (int k = 1; k <= 4; ++k) {
                    if (c >= 2 * static_cast<std::size_t>(k) &&
                        f_.celle[c - 2 * static_cast<std::size_t>(k)].codice ==
                            codice_di(sx, dx, k)) {
                        ++concordi;
                    }
                }
                if (concordi > migliori) {
                    migliori = concordi;
                    lati = std::pair{sx, dx};
                }
            }
        }
        if (!lati) {
            messaggi_treno_.push_back(dove_cella(c) + ": segnale il cui quarto valore (" +
                                      std::to_string(s.valore4) +
                                      ") non dà i due tipi del segnale");
            continue;
        }
        segnale_in[c] = segnali.size();
        segnali.push_back({c, lati->first, lati->second});
    }
    // The order of the rows: on every approach cell, the signal whose code it holds is
    // written after the others that reach it; otherwise in route order.
    std::vector<std::vector<std::size_t>> dopo(segnali.size());
    std::vector<int> prima(segnali.size(), 0);
    {
        std::map<std::size_t, std::vector<std::pair<std::size_t, int>>> chi_scrive;
        for (std::size_t i = 0; i < segnali.size(); ++i) {
            for (int k = 1; k <= 4; ++k) {
                if (segnali[i].cella >= 2 * static_cast<std::size_t>(k)) {
                    chi_scrive[segnali[i].cella - 2 * static_cast<std::size_t>(k)].push_back(
                        {i, k});
                }
            }
        }
        for (const auto& [x, scrittori] : chi_scrive) {
            std::optional<std::size_t> vincitore;
            for (const auto& [i, k] : scrittori) {
                if (codice_di(segnali[i].sx, segnali[i].dx, k) == f_.celle[x].codice) {
                    vincitore = i;
                }
            }
            if (!vincitore) {
                continue;
            }
            for (const auto& [i, k] : scrittori) {
                if (i != *vincitore) {
                    dopo[i].push_back(*vincitore);
                    ++prima[*vincitore];
                }
            }
        }
    }
    std::set<std::size_t> pronti;
    for (std::size_t i = 0; i < segnali.size(); ++i) {
        if (prima[i] == 0) {
            pronti.insert(i);
        }
    }
    std::vector<std::size_t> ordine;
    while (!pronti.empty()) {
        const std::size_t i = *pronti.begin();
        pronti.erase(pronti.begin());
        ordine.push_back(i);
        for (std::size_t j : dopo[i]) {
            if (--prima[j] == 0) {
                pronti.insert(j);
            }
        }
    }
    if (ordine.size() != segnali.size()) {  // no order gives every code: route order
        ordine.clear();
        for (std::size_t i = 0; i < segnali.size(); ++i) {
            ordine.push_back(i);
        }
    }
    for (std::size_t i : ordine) {
        const std::size_t c = segnali[i].cella;
        const cella s = oggetto(c);
        const int sx = segnali[i].sx;
        const int dx = segnali[i].dx;
        const int rapp = (s.valore4 - 3 * sx - dx) / 10;
        auto diviso = [](int16_t valore) {
            const int64_t alto = divisione_intera(valore, 10);
            return std::pair{alto, valore - 10 * alto};
        };
        const auto [s1, d1] = diviso(s.valore1);
        const auto [s2, d2] = diviso(s.valore2);
        const auto [s3, d3] = diviso(s.valore3);
        // Times 1 to 100 become 101; the low byte of one above 255 stays as it is.
        const int tempo = s.tempo >= 1 && s.tempo <= 100 ? s.tempo + 256 : s.tempo;
        t.riga(formatta("segnale,%8zu,%4d,%2lld,%2lld,%3lld,%2d,%5d,%3lld,%lld,%lld,%2d",
                        50 * (c - 1), sx, static_cast<long long>(s1), static_cast<long long>(s2),
                        static_cast<long long>(s3), rapp, dx, static_cast<long long>(d1),
                        static_cast<long long>(d2), static_cast<long long>(d3), tempo));
    }
    for (std::size_t c = 1; c < f_.celle.size(); ++c) {
        const cella a = oggetto(c);
        if (a.tipo == tipo_cella::abbattimento_senza_valore && a.valore1 == 0) {
            t.riga(formatta("abbattimento,%8zu,%4d", 50 * c, 0));
        } else if (a.tipo == tipo_cella::abbattimento_con_valore &&
                   (a.valore1 != abbattimento_del_cammino ||
                    abbattimenti_da_scrivere.count(c) != 0)) {
            const int32_t valore = a.valore1 > 0 ? a.valore1 : a.valore1 + 65536;
            t.riga(formatta("abbattimento,%8zu,%6d", 50 * c, valore));
        } else if (a.tipo == tipo_cella::abbattimento_con_valore) {
            abbattimenti_del_cammino.insert(c);
        }
    }
    if (in_fondo != 0) {
        riga_stazione(t, in_fondo, true);
    }
    t.riga("[codici]");
    t.riga("[fine]");
    return t.byte;
}

// The compaction of the proposed sources in memory, up to the header checks with the
// scenario codes stored: the model the compact files would hold.
struct compattazione {
    esito e;
    // 0, the header check that failed, or -1 when the sources made no grid.
    int intestazione = 0;
    const modello_scenario& modello() const { return *e.modello; }
};

compattazione compatta_in_prova(const identita_scenario& identita, const std::string& linea,
                                const std::string& treno, bool senza_linea) {
    richiesta q;
    q.identita = identita;
    q.testi = sorgenti_in_memoria{linea, treno};
    q.uscita = uscita_compatta::nessuna;
    q.costruisci_piano = !senza_linea;
    compattazione r{esegui(q)};
    r.intestazione = r.e.intestazione ? r.e.intestazione->numero
                     : r.modello().celle.empty() ? -1
                                                 : 0;
    return r;
}

std::string descrivi_cella(const cella& c) {
    return formatta(
        "tipo %d, valori %d %d %d %d, tempo %d, codice %d, montagna %d, velocità %d, "
        "pendenza %d, aderenza %d",
        c.tipo, c.valore1, c.valore2, c.valore3, c.valore4, c.tempo, c.codice, c.montagna,
        c.velocita_limite, c.pendenza, c.aderenza);
}

bool celle_uguali(const cella& a, const cella& b) {
    char x[formato::byte_cella], y[formato::byte_cella];
    formato::codifica_cella(x, a);
    formato::codifica_cella(y, b);
    return std::memcmp(x, y, sizeof x) == 0;
}

std::string descrivi_voce(const voce& v) {
    return formatta("%d %d %d %d %d \"%s\" %d %d %d %d %d %d %d %d %d %d", v.marca, v.dato1,
                    v.dato2, v.dato3, v.segno, v.nome.c_str(), v.intero1, v.intero2, v.intero3,
                    v.intero4, v.intero5, v.flag1, v.flag2, v.flag3, v.flag4, v.dato_finale);
}

std::string descrivi_valore(const valore_piano& v) {
    if (const auto* d = std::get_if<double>(&v)) {
        return formatta("Double %.17g", *d);
    }
    if (const auto* i = std::get_if<int16_t>(&v)) {
        return formatta("Integer %d", *i);
    }
    return "vuoto";
}

// Where the compaction differs from the decoded files, each difference naming its file
// and record, cell or point.
std::vector<std::string> differenze(const compattazione& r, const file_compatti_decodificati& f,
                                    const proposta& p) {
    std::vector<std::string> d;
    const modello_scenario& c = r.modello();
    if (r.intestazione == -1) {
        d.push_back(p.nome_celle() + ": le sorgenti proposte non creano la griglia");
        return d;
    }
    if (r.intestazione != 0) {
        d.push_back(p.nome_voci() + ": le sorgenti proposte non passano il controllo " +
                    std::to_string(r.intestazione) + " dell'intestazione");
        return d;
    }
    const std::size_t celle = std::min(c.celle.size(), f.celle.size());
    if (c.celle.size() != f.celle.size()) {
        d.push_back(p.nome_celle() + ": " + std::to_string(f.celle.size()) +
                    " celle, le "
                    "sorgenti proposte ne danno " +
                    std::to_string(c.celle.size()));
    }
    for (std::size_t i = 0; i < celle; ++i) {
        const cella& ottenuta = c.celle[i];
        if (!celle_uguali(ottenuta, f.celle[i])) {
            d.push_back(p.nome_celle() + ": cella " + std::to_string(i) + " (" +
                        std::to_string(50 * i) + " m): " + descrivi_cella(f.celle[i]) +
                        "; le sorgenti proposte danno " + descrivi_cella(ottenuta));
        }
    }
    for (std::size_t i = 0; i < f.voci.size(); ++i) {
        const voce& ottenuta = c.voci[i];
        std::string a, b;
        formato::aggiungi_voce(a, f.voci[i]);
        formato::aggiungi_voce(b, ottenuta);
        if (a != b) {
            d.push_back(p.nome_voci() + ": record " + std::to_string(i) + ": " +
                        descrivi_voce(f.voci[i]) + "; le sorgenti proposte danno " +
                        descrivi_voce(ottenuta));
        }
    }
    if (f.piano) {
        const tabella_piano& a = *f.piano;
        const tabella_piano& b = c.tracciato;
        if (a.size() != b.size()) {
            d.push_back(p.nome_piano() + ": " + std::to_string(a.size()) +
                        " punti, le sorgenti "
                        "proposte ne danno " +
                        std::to_string(b.size()));
        } else {
            // The same runs of one type and the same Doubles: the same bytes, at memory speed.
            bool uguali = a.tratti().size() == b.tratti().size();
            for (std::size_t k = 0; uguali && k < a.tratti().size(); ++k) {
                const auto& ta = a.tratti()[k];
                const auto& tb = b.tratti()[k];
                uguali = ta.inizio == tb.inizio && ta.tipo == tb.tipo;
                const std::size_t fine =
                    k + 1 < a.tratti().size() ? a.tratti()[k + 1].inizio : a.numero_valori();
                if (uguali && ta.tipo == tabella_piano::tipo_valore::doppio) {
                    uguali = std::memcmp(a.valori() + ta.inizio, b.valori() + ta.inizio,
                                         (fine - ta.inizio) * sizeof(double)) == 0;
                } else if (uguali && ta.tipo == tabella_piano::tipo_valore::integer) {
                    for (std::size_t v = ta.inizio; uguali && v < fine; ++v) {
                        uguali = a.valore(v) == b.valore(v);
                    }
                }
            }
            // Otherwise the plan's values one by one up to a limit, then how many and where.
            std::size_t diversi = 0;
            std::size_t primo = 0, ultimo = 0;
            for (std::size_t k = 0; !uguali && k < a.numero_valori(); ++k) {
                const valore_piano x = a.valore(k);
                const valore_piano y = b.valore(k);
                char bx[formato::byte_valore_massimo], by[formato::byte_valore_massimo];
                const std::size_t nx = formato::codifica_valore(bx, x);
                const std::size_t ny = formato::codifica_valore(by, y);
                if (nx == ny && std::memcmp(bx, by, nx) == 0) {
                    continue;
                }
                if (diversi++ < valori_del_piano_elencati) {
                    d.push_back(p.nome_piano() + ": punto " + std::to_string(k % a.size()) + ", " +
                                (k < a.size() ? "x" : "y") + ": " + descrivi_valore(x) +
                                "; le sorgenti proposte danno " + descrivi_valore(y));
                }
                ultimo = k;
                if (diversi == 1) {
                    primo = k;
                }
            }
            if (diversi > valori_del_piano_elencati) {
                d.push_back(p.nome_piano() + ": " + std::to_string(diversi) +
                            " valori diversi in tutto, dal valore " + std::to_string(primo) +
                            " al valore " + std::to_string(ultimo) + " (nell'ordine del file)");
            }
        }
    }
    return d;
}

std::vector<std::string> problemi_registrati(const std::vector<problema_registrato>& problemi) {
    std::vector<std::string> elenco;
    for (const problema_registrato& p : problemi) {
        const descrizione_problema* d = descrivi_problema(numero(p.codice));
        std::string riga = "problema " + std::to_string(numero(p.codice));
        if (p.posizione) {
            riga += " a " + std::to_string(*p.posizione) + " m";
        }
        if (d != nullptr) {
            riga += ": " + std::string(d->significato);
        }
        elenco.push_back(riga);
    }
    return elenco;
}

}  // namespace

namespace {

// The train rows proposed by `p` with the line source `esito.linea`, confirmed by compacting
// them; the walk's points told from the authors' by compacting again.
void conferma(proposta& p, const file_compatti_decodificati& compatti,
              const identita_scenario& identita, bool senza_linea, esito_decompila& esito) {
    std::set<std::size_t> da_scrivere;
    esito.treno = p.treno(da_scrivere);
    compattazione r = compatta_in_prova(identita, esito.linea, esito.treno, senza_linea);
    // The walk's points: every cell of value 180 is first left to the walk. Where the walk
    // of the proposed sources leaves such a cell free, that point was an author's row. Where
    // it places one on a cell the input has free, its points went elsewhere because an
    // earlier point left to it was an author's: that one becomes a row, and the rows added
    // just before it for the walk's sake go again. Each round fixes the first difference
    // along the grid, as the walk goes.
    auto punto_del_cammino = [](const cella& c) {
        return c.tipo == tipo_cella::abbattimento_con_valore &&
               c.valore1 == abbattimento_del_cammino;
    };
    // The first cell along the grid where the walk's points of a compaction and of the input
    // part; none when they agree up to the shorter grid.
    auto prima_differenza = [&](const compattazione& prova_r) -> std::optional<std::size_t> {
        if (prova_r.intestazione != 0) {
            return std::size_t{0};
        }
        const std::vector<cella>& ottenute = prova_r.modello().celle.tutti();
        for (std::size_t i = 2; i < ottenute.size() && i < compatti.celle.size(); ++i) {
            if (punto_del_cammino(ottenute[i]) != punto_del_cammino(compatti.celle[i])) {
                return i;
            }
        }
        return std::nullopt;
    };
    auto dopo = [](std::optional<std::size_t> a, std::optional<std::size_t> b) {
        return !a ? b.has_value() : b && *a > *b;
    };
    // A bound on the compactions tried, so that hostile files end in a refusal in good time.
    int prove_rimaste = 400;
    for (int giro = 0; giro < 64 && r.intestazione == 0 && prove_rimaste > 0; ++giro) {
        const std::optional<std::size_t> differenza = prima_differenza(r);
        if (!differenza) {
            break;
        }
        const std::size_t i = *differenza;
        // The input's point at i is an author's row, or the walk's points went elsewhere
        // because an author's point stood where the walk tried first, up to 20 cells
        // before (the walk's look-back) and its shifts carried on along the slowdown: of
        // the points left to the walk there, the one made a row that lets the walk agree
        // furthest along the grid.
        std::vector<std::size_t> candidati;
        if (punto_del_cammino(compatti.celle[i]) && da_scrivere.count(i) == 0) {
            candidati.push_back(i);
        }
        for (std::size_t distanza = 1; distanza <= 20; ++distanza) {
            for (const std::size_t j : {i - distanza, i + distanza}) {
                if (j >= 2 && j < compatti.celle.size() && (j < i || distanza <= 2) &&
                    da_scrivere.count(j) == 0 && p.abbattimenti_del_cammino.count(j) != 0) {
                    candidati.push_back(j);
                }
            }
        }
        std::optional<compattazione> migliore;
        std::optional<std::size_t> migliore_differenza;
        std::size_t scelto = 0;
        std::string treno_scelto;
        for (const std::size_t c : candidati) {
            if (--prove_rimaste < 0) {
                break;
            }
            std::set<std::size_t> prova_s = da_scrivere;
            prova_s.insert(c);
            std::string prova_treno = p.treno(prova_s);
            compattazione prova_r =
                compatta_in_prova(identita, esito.linea, prova_treno, senza_linea);
            const std::optional<std::size_t> d = prima_differenza(prova_r);
            if (!migliore || dopo(d, migliore_differenza)) {
                migliore_differenza = d;
                migliore = std::move(prova_r);
                scelto = c;
                treno_scelto = std::move(prova_treno);
            }
            if (!d) {
                break;
            }
        }
        if (migliore && dopo(migliore_differenza, differenza)) {
            da_scrivere.insert(scelto);
            esito.treno = std::move(treno_scelto);
            r = std::move(*migliore);
            continue;
        }
        if (punto_del_cammino(compatti.celle[i])) {
            if (da_scrivere.count(i) != 0) {
                break;
            }
            da_scrivere.insert(i);
        } else {
            const auto prima =
                std::find_if(p.abbattimenti_del_cammino.rbegin(), p.abbattimenti_del_cammino.rend(),
                             [&](std::size_t z) { return z < i && da_scrivere.count(z) == 0; });
            if (prima == p.abbattimenti_del_cammino.rend()) {
                break;
            }
            const std::size_t z = *prima;
            da_scrivere.erase(da_scrivere.lower_bound(z > 20 ? z - 20 : 0),
                              da_scrivere.upper_bound(i));
            da_scrivere.insert(z);
        }
        esito.treno = p.treno(da_scrivere);
        r = compatta_in_prova(identita, esito.linea, esito.treno, senza_linea);
    }
    // The messages of the rows as finally proposed.
    esito.treno = p.treno(da_scrivere);
    esito.differenze = p.non_esprimibile;
    esito.differenze.insert(esito.differenze.end(), p.messaggi_treno().begin(),
                            p.messaggi_treno().end());
    const std::vector<std::string> diverse = differenze(r, compatti, p);
    esito.differenze.insert(esito.differenze.end(), diverse.begin(), diverse.end());
    if (r.intestazione >= 0) {
        esito.problemi = problemi_registrati(r.e.problemi);
    }
}

}  // namespace

esito_decompila decompila_file(const file_compatti_decodificati& compatti,
                               const identita_scenario& identita, bool senza_linea) {
    esito_decompila esito;
    if (compatti.voci.size() != numero_voci || compatti.celle.size() < 3) {
        esito.differenze.push_back(nomi_file::celle_compatte("", identita).filename().string() +
                                   ": meno di tre celle: nessun percorso ne ha così poche");
        return esito;
    }
    proposta p(compatti, identita, senza_linea);
    if (!p.controlla_struttura()) {
        esito.differenze = p.non_esprimibile;
        return esito;
    }
    esito.linea = p.linea();
    conferma(p, compatti, identita, senza_linea, esito);
    if (!esito.differenze.empty()) {
        // The reader may have stopped on the last station row, as it does on a station too
        // close to the one before, in the last free record, ending within the first 100 m,
        // or refused for its position or length: that stop put back, where it gives the
        // input, stands; else the rows in their sections say what differs.
        const std::string nelle_sezioni = p.treno({});
        p.fermata_alla_stazione(true);
        if (p.treno({}) != nelle_sezioni) {
            esito_decompila fermata;
            fermata.linea = esito.linea;
            conferma(p, compatti, identita, senza_linea, fermata);
            if (fermata.differenze.empty()) {
                return fermata;
            }
        }
    }
    return esito;
}

namespace {

// Both sources or neither: each goes to its temporary file first; when the second cannot
// take its place, the first is put back as it was.
void scrivi_entrambe(const std::filesystem::path& linea, const std::string& testo_linea,
                     const std::filesystem::path& treno, const std::string& testo_treno) {
    std::optional<std::string> linea_prima;
    std::error_code codice;
    if (std::filesystem::exists(linea, codice)) {
        linea_prima = leggi_file_intero(linea);
    }
    file_sostitutivo primo(linea);
    primo.scrivi(testo_linea);
    file_sostitutivo secondo(treno);
    secondo.scrivi(testo_treno);
    primo.conferma();
    try {
        secondo.conferma();
    } catch (...) {
        if (linea_prima) {
            sostituisci_file(linea, *linea_prima);
        } else {
            std::filesystem::remove(linea, codice);
        }
        throw;
    }
}

}  // namespace

namespace {

// The plan file read at once when it is laid out as a compactor writes it for a route of
// `lunghezza` m: Integers (0, 0) and (0, 1), finite Doubles, two empty points; nullopt
// otherwise, and the general reader then says what is wrong with it.
std::optional<tabella_piano> piano_come_scritto(const std::filesystem::path& file,
                                                int32_t lunghezza) {
    if (lunghezza < 0 || lunghezza > lunghezza_percorso_massima) {
        return std::nullopt;
    }
    const std::size_t punti = static_cast<std::size_t>(lunghezza) + metri_oltre_il_percorso + 1;
    const std::size_t colonna = 4 + 4 + 10 * (punti - 4) + 2 + 2;
    bool adatto = true;
    const std::string dati =
        leggi_file_regolare(file, [&](std::uintmax_t byte) { adatto = byte == 2 * colonna; });
    if (!adatto || dati.size() != 2 * colonna) {
        return std::nullopt;
    }
    tabella_piano piano(punti);
    piano.segna_doppi(2, punti - 3);
    for (std::size_t c = 0; c < 2; ++c) {
        const char* inizio = dati.data() + c * colonna;
        if (formato::prendi_le<uint16_t>(inizio) != formato::codice_integer ||
            formato::prendi_le<int16_t>(inizio + 2) != 0 ||
            formato::prendi_le<uint16_t>(inizio + 4) != formato::codice_integer ||
            formato::prendi_le<int16_t>(inizio + 6) != static_cast<int16_t>(c) ||
            formato::prendi_le<uint16_t>(inizio + colonna - 4) != formato::codice_vuoto ||
            formato::prendi_le<uint16_t>(inizio + colonna - 2) != formato::codice_vuoto) {
            return std::nullopt;
        }
        for (std::size_t i = 2; i + 2 < punti; ++i) {
            const char* v = inizio + 8 + 10 * (i - 2);
            const double d = formato::prendi_le<double>(v + 2);
            if (formato::prendi_le<uint16_t>(v) != formato::codice_double || !std::isfinite(d)) {
                return std::nullopt;
            }
            if (c == 0) {
                piano.metti_doppi(i, d, 0);
            } else {
                piano.metti_doppi(i, piano.valori()[i], d);
            }
        }
    }
    piano.imposta(0, {int16_t{0}, int16_t{0}});
    piano.imposta(1, {int16_t{0}, int16_t{1}});
    return piano;
}

}  // namespace

int decompila_scenario(const std::filesystem::path& cartella, const identita_scenario& identita,
                       const std::filesystem::path& uscita, const opzioni_decompila& opzioni,
                       std::ostream& esito_flusso, std::ostream& errori) {
    std::error_code codice;
    if (!std::filesystem::is_directory(cartella, codice)) {
        throw errore_esecuzione(cartella, "cartella non trovata");
    }
    file_compatti_decodificati compatti;
    {
        const blocco_cartella blocco(cartella, "compattatore");
        compatti.voci = leggi_voci(nomi_file::voci_compatte(cartella, identita));
        compatti.celle = leggi_celle(nomi_file::celle_compatte(cartella, identita));
        if (!opzioni.senza_linea) {
            const std::filesystem::path file = nomi_file::linea_compatta(cartella, identita);
            compatti.piano = piano_come_scritto(file, compatti.voci[84].dato2);
            if (!compatti.piano) {
                compatti.piano = leggi_piano(file);
            }
        }
    }
    const esito_decompila esito = decompila_file(compatti, identita, opzioni.senza_linea);
    // Every difference, its file named with the folder.
    auto elenca = [&](const char* prefisso) {
        for (const std::string& d : esito.differenze) {
            const std::size_t fine_nome = d.find(": ");
            if (fine_nome == std::string::npos) {
                errori << d << "\n";
            } else {
                errori << (cartella / d.substr(0, fine_nome)).string() << d.substr(fine_nome)
                       << "\n";
            }
        }
        errori << "compattatore: " << prefisso << "\n";
    };
    const bool uguali = esito.differenze.empty();
    if (!uguali && (!opzioni.parziale || esito.linea.empty())) {
        elenca(
            "nessuna sorgente scritta: i file compatti contengono ciò che nessuna sorgente "
            "produce (sopra il file, il record o la cella e il perché)");
        return stato_uscita::errore_esecuzione;
    }

    std::filesystem::create_directories(uscita, codice);
    if (codice) {
        throw errore_esecuzione(uscita,
                                "creazione della cartella non riuscita: " + codice.message());
    }
    const blocco_cartella blocco(uscita, "compattatore");
    const std::filesystem::path linea = nomi_file::sorgente_linea(uscita, identita);
    const std::filesystem::path treno = nomi_file::sorgente_treno(uscita, identita);
    if (!opzioni.sovrascrivi) {
        for (const auto& file : {linea, treno}) {
            if (std::filesystem::exists(std::filesystem::symlink_status(file, codice))) {
                throw errore_esecuzione(file,
                                        "il file sorgente esiste già: nessuna sorgente "
                                        "scritta (--sovrascrivi per sostituirlo)");
            }
        }
    }
    scrivi_entrambe(linea, esito.linea, treno, esito.treno);
    esito_flusso << linea.string() << "\n" << treno.string() << "\n";
    for (const std::string& p : esito.problemi) {
        errori << "nota: le sorgenti scritte, compattate, registrano il " << p << "\n";
    }
    if (!uguali) {
        elenca("sorgenti scritte, ma compattate differiscono dai file compatti dove elencato");
        return stato_uscita::problema_registrato;
    }
    return stato_uscita::fatto;
}

int comando_decompila(const std::filesystem::path& cartella, const identita_scenario& identita,
                      const std::filesystem::path& uscita, const opzioni_decompila& opzioni) {
    return decompila_scenario(cartella, identita, uscita, opzioni, std::cout, std::cerr);
}
