// Routes of any length built by laying the carried rows end to end.
#include "bench/generatore.h"

#include "scenario_text/testi_scenario.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

namespace {

enum class genere {
    altro,         // written once, where it stands: comments, general rows, unknown rows
    intestazione,  // a section header such as "[curve]"
    lunghezza,     // the route length row: written once, with the new length
    ripetibile,    // a row at a position: repeated in every stretch
    montagna,      // repeated while the mountain lists have room
    unico,         // stations and indicator-sign texts: only in the first stretch
};

constexpr int massimo_montagne = 80;

// One number field of a row: where its text stands and what it reads as.
struct campo_numero {
    std::size_t inizio = 0;
    std::size_t fine = 0;
    int64_t valore = 0;
};

struct riga_analizzata {
    std::string_view testo;
    genere tipo = genere::altro;
    int campi_posizione = 0;  // leading number fields that hold positions (shifted)
    std::vector<campo_numero> numeri;
    int64_t portata = 0;  // the farthest position the row reaches
};

std::string minuscolo(std::string_view s) {
    std::string r(s);
    for (char& c : r) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return r;
}

bool contiene(const std::string& s, std::string_view parte) {
    return s.find(parte) != std::string::npos;
}

// The first `quanti` number fields after the keyword, read as the field reader reads them:
// blanks skipped, the number up to a blank, comma or line end, then blanks and one comma.
std::vector<campo_numero> numeri_dopo_chiave(std::string_view riga, std::size_t virgola,
                                             int quanti) {
    std::vector<campo_numero> numeri;
    std::size_t p = virgola + 1;
    for (int i = 0; i < quanti && p <= riga.size(); ++i) {
        while (p < riga.size() && riga[p] == ' ') {
            ++p;
        }
        campo_numero campo;
        campo.inizio = p;
        while (p < riga.size() && riga[p] != ' ' && riga[p] != ',') {
            ++p;
        }
        campo.fine = p;
        const std::string cifre(riga.substr(campo.inizio, campo.fine - campo.inizio));
        campo.valore = cifre.empty() ? 0 : std::stoll(cifre);
        numeri.push_back(campo);
        while (p < riga.size() && riga[p] == ' ') {
            ++p;
        }
        if (p < riga.size() && riga[p] == ',') {
            ++p;
        }
    }
    return numeri;
}

riga_analizzata analizza(std::string_view testo, bool di_linea) {
    riga_analizzata r;
    r.testo = testo;
    const std::size_t primo = testo.find_first_not_of(' ');
    if (primo != std::string_view::npos && testo[primo] == '[') {
        r.tipo = genere::intestazione;
        return r;
    }
    const std::size_t virgola = testo.find(',');
    if (virgola == std::string_view::npos) {
        return r;
    }
    const std::string chiave = minuscolo(testo.substr(0, virgola));
    if (contiene(chiave, "-")) {
        return r;  // a comment
    }
    // Which leading fields are positions, and which field (if any) is a length after them.
    int posizioni = 0;
    int campo_lunghezza = -1;
    if (di_linea) {
        if (contiene(chiave, "lunghezza") && contiene(chiave, "percorso")) {
            r.tipo = genere::lunghezza;
            r.numeri = numeri_dopo_chiave(testo, virgola, 1);
            return r;
        }
        if (contiene(chiave, "pendenza") || contiene(chiave, "indicatori_v")) {
            r.tipo = genere::ripetibile;
            posizioni = 1;
        } else if (contiene(chiave, "curva")) {
            r.tipo = genere::ripetibile;
            posizioni = 1;
            campo_lunghezza = 1;
        } else if (contiene(chiave, "montagna")) {
            r.tipo = genere::montagna;
            posizioni = 2;
        } else if (contiene(chiave, "indicat") && contiene(chiave, "cartello")) {
            r.tipo = genere::unico;
            posizioni = 1;
        }
    } else {
        if (contiene(chiave, "stazione")) {
            r.tipo = genere::unico;
            posizioni = 1;
        } else if (contiene(chiave, "rallentamento")) {
            r.tipo = genere::ripetibile;
            posizioni = 1;
            campo_lunghezza = 2;
        } else if (contiene(chiave, "velocit") || contiene(chiave, "aderenza") ||
                   contiene(chiave, "segnale") || contiene(chiave, "abbattimento")) {
            r.tipo = genere::ripetibile;
            posizioni = 1;
        }
    }
    if (r.tipo == genere::altro) {
        return r;
    }
    r.campi_posizione = posizioni;
    r.numeri = numeri_dopo_chiave(testo, virgola, std::max(posizioni, campo_lunghezza + 1));
    for (int i = 0; i < posizioni; ++i) {
        r.portata = std::max(r.portata, r.numeri[static_cast<std::size_t>(i)].valore);
    }
    if (campo_lunghezza >= 0) {
        r.portata = r.numeri[0].valore + r.numeri[static_cast<std::size_t>(campo_lunghezza)].valore;
    }
    return r;
}

std::vector<riga_analizzata> analizza_tabella(std::span<const std::string_view> righe,
                                              bool di_linea) {
    std::vector<riga_analizzata> analizzate;
    for (std::string_view riga : righe) {
        if (riga == marcatore_fine) {
            break;
        }
        analizzate.push_back(analizza(riga, di_linea));
    }
    return analizzate;
}

// The row with its position fields moved by `spostamento` (the length row: set to `valore`).
std::string riscrivi(const riga_analizzata& r, int campi, int64_t spostamento, bool assoluto) {
    std::string uscita;
    std::size_t da = 0;
    for (int i = 0; i < campi; ++i) {
        const campo_numero& c = r.numeri[static_cast<std::size_t>(i)];
        uscita.append(r.testo.substr(da, c.inizio - da));
        uscita += std::to_string(assoluto ? spostamento : c.valore + spostamento);
        da = c.fine;
    }
    uscita.append(r.testo.substr(da));
    return uscita;
}

int32_t lunghezza_di(const std::vector<riga_analizzata>& linea) {
    for (const riga_analizzata& r : linea) {
        if (r.tipo == genere::lunghezza && !r.numeri.empty()) {
            return static_cast<int32_t>(r.numeri[0].valore);
        }
    }
    return 0;
}

// Lays the rows of one file out over `tratti` stretches of `passo` metres.
std::string stendi(const std::vector<riga_analizzata>& righe, int32_t portata_originale,
                   int32_t lunghezza, int64_t passo, int tratti, int montagne_iniziali) {
    std::string uscita;
    auto aggiungi = [&uscita](std::string_view riga) {
        uscita.append(riga);
        uscita += "\r\n";
    };
    int montagne = montagne_iniziali;
    // Whether a row stands in stretch t. The last stretch keeps the carried rows beyond the
    // carried end only when it is whole; other stretches keep the rows that end inside it.
    auto sta_nel_tratto = [&](const riga_analizzata& r, int t) {
        const int64_t origine = passo * t;
        if (t == tratti - 1 && origine + portata_originale == lunghezza) {
            return true;
        }
        return r.portata < portata_originale && origine + r.portata < lunghezza;
    };

    std::size_t i = 0;
    // Everything up to the first section header after "[generale]" is written once.
    bool generale = false;
    for (; i < righe.size(); ++i) {
        const riga_analizzata& r = righe[i];
        if (r.tipo == genere::intestazione) {
            const bool e_generale = contiene(minuscolo(r.testo), "[generale]");
            if (generale && !e_generale) {
                break;
            }
            generale = generale || e_generale;
        }
        aggiungi(r.tipo == genere::lunghezza ? riscrivi(r, 1, lunghezza, true)
                                             : std::string(r.testo));
    }
    // Then section by section: its header and fixed rows once, its rows for every stretch.
    while (i < righe.size()) {
        std::size_t fine_sezione = i + 1;
        while (fine_sezione < righe.size() && righe[fine_sezione].tipo != genere::intestazione) {
            ++fine_sezione;
        }
        for (int t = 0; t < tratti; ++t) {
            for (std::size_t k = i; k < fine_sezione; ++k) {
                const riga_analizzata& r = righe[k];
                switch (r.tipo) {
                    case genere::intestazione:
                    case genere::altro:
                    case genere::lunghezza:
                        if (t == 0) {
                            aggiungi(r.testo);
                        }
                        break;
                    case genere::unico:
                        if (t == 0 &&
                            (tratti == 1 ? sta_nel_tratto(r, 0) : r.portata <= lunghezza)) {
                            aggiungi(r.testo);
                        }
                        break;
                    case genere::montagna:
                        if (t > 0 && montagne >= massimo_montagne) {
                            break;
                        }
                        if (sta_nel_tratto(r, t)) {
                            if (t > 0) {
                                ++montagne;
                            }
                            aggiungi(riscrivi(r, r.campi_posizione, passo * t, false));
                        }
                        break;
                    case genere::ripetibile:
                        if (sta_nel_tratto(r, t)) {
                            aggiungi(riscrivi(r, r.campi_posizione, passo * t, false));
                        }
                        break;
                }
            }
        }
        i = fine_sezione;
    }
    return uscita;
}

int conta_posizionali(const std::vector<riga_analizzata>& righe) {
    return static_cast<int>(std::count_if(righe.begin(), righe.end(), [](const auto& r) {
        return r.tipo == genere::ripetibile || r.tipo == genere::montagna ||
               r.tipo == genere::unico;
    }));
}

}  // namespace

std::string testo_di(std::span<const std::string_view> righe) {
    std::string testo;
    for (std::string_view riga : righe) {
        if (riga == marcatore_fine) {
            break;
        }
        testo += riga;
        testo += "\r\n";
    }
    return testo;
}

densita_portata misura_densita(std::span<const std::string_view> righe_linea,
                               std::span<const std::string_view> righe_treno) {
    const auto linea = analizza_tabella(righe_linea, true);
    const auto treno = analizza_tabella(righe_treno, false);
    return {lunghezza_di(linea), conta_posizionali(linea), conta_posizionali(treno)};
}

sorgenti_generate genera_sorgenti(std::span<const std::string_view> righe_linea,
                                  std::span<const std::string_view> righe_treno,
                                  int32_t lunghezza) {
    const auto linea = analizza_tabella(righe_linea, true);
    const auto treno = analizza_tabella(righe_treno, false);
    const int32_t portata = lunghezza_di(linea);
    if (portata <= 0) {
        return {testo_di(righe_linea), testo_di(righe_treno)};
    }
    // Stretches are a whole number of 100 m, so stations and cells keep their alignment.
    const int64_t passo = (static_cast<int64_t>(portata) + 99) / 100 * 100;
    const int tratti = static_cast<int>((lunghezza + passo - 1) / passo);
    const int montagne = static_cast<int>(std::count_if(
        linea.begin(), linea.end(), [](const auto& r) { return r.tipo == genere::montagna; }));
    return {stendi(linea, portata, lunghezza, passo, tratti, montagne),
            stendi(treno, portata, lunghezza, passo, tratti, 0)};
}
