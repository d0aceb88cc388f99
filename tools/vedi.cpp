// The vedi command: the page of a compacted scenario. The compact files are read as
// pianta reads them; the cells and the plan go into the page as base64 typed arrays, the
// records and the checker's list as JSON made safe for a <script> element; the template,
// script and style are the files of tools/vedi/, embedded at build time.
#include "tools/vedi.h"

#include "compactor/testo.h"
#include "comune/errore_esecuzione.h"
#include "comune/sistema_file.h"
#include "comune/stato_uscita.h"
#include "tools/osserva.h"
#include "tools/strumento.h"
#include "tools/svg.h"
#include "vedi_incorporata.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <iostream>
#include <sstream>

namespace {

using json = nlohmann::ordered_json;

// Values in little-endian byte order, as typed arrays read them on every current machine.
template <typename T>
void metti_le(std::string& byte, T valore) {
    static_assert(std::endian::native == std::endian::little, "little-endian machines only");
    char b[sizeof(T)];
    std::memcpy(b, &valore, sizeof(T));
    byte.append(b, sizeof(T));
}

template <typename T, typename F>
std::string colonna_celle(const std::vector<cella>& celle, F campo) {
    std::string byte;
    byte.reserve(celle.size() * sizeof(T));
    for (const cella& c : celle) {
        metti_le<T>(byte, static_cast<T>(campo(c)));
    }
    return in_base64(byte);
}

json celle_json(const std::vector<cella>& celle) {
    json j;
    j["n"] = celle.size();
    // Each field in its own width, under the name mostra gives it.
    j["tipo"] = colonna_celle<uint8_t>(celle, [](const cella& c) { return c.tipo; });
    j["valore1"] = colonna_celle<int16_t>(celle, [](const cella& c) { return c.valore1; });
    j["valore2"] = colonna_celle<int16_t>(celle, [](const cella& c) { return c.valore2; });
    j["valore3"] = colonna_celle<int16_t>(celle, [](const cella& c) { return c.valore3; });
    j["valore4"] = colonna_celle<int16_t>(celle, [](const cella& c) { return c.valore4; });
    j["tempo"] = colonna_celle<uint8_t>(celle, [](const cella& c) { return c.tempo; });
    j["codice"] = colonna_celle<uint8_t>(celle, [](const cella& c) { return c.codice; });
    j["montagna"] = colonna_celle<uint8_t>(celle, [](const cella& c) { return c.montagna; });
    j["velocita_limite"] =
        colonna_celle<uint8_t>(celle, [](const cella& c) { return c.velocita_limite; });
    j["pendenza"] = colonna_celle<uint8_t>(celle, [](const cella& c) { return c.pendenza; });
    j["aderenza"] = colonna_celle<uint8_t>(celle, [](const cella& c) { return c.aderenza; });
    return j;
}

json voci_json(const std::vector<voce>& voci) {
    json elenco = json::array();
    for (const voce& v : voci) {
        elenco.push_back({{"marca", v.marca},
                          {"dato1", v.dato1},
                          {"dato2", v.dato2},
                          {"dato3", v.dato3},
                          {"segno", v.segno},
                          {"nome", testo_utf8(v.nome)},
                          {"intero1", v.intero1},
                          {"intero2", v.intero2},
                          {"intero3", v.intero3},
                          {"intero4", v.intero4},
                          {"intero5", v.intero5},
                          {"flag1", v.flag1},
                          {"flag2", v.flag2},
                          {"flag3", v.flag3},
                          {"flag4", v.flag4},
                          {"dato_finale", v.dato_finale}});
    }
    return elenco;
}

// The checker's entries as controlla --formato=json writes them, the file by its name.
json segnalazioni_json(const std::vector<segnalazione>& segnalazioni) {
    json elenco = json::array();
    for (const segnalazione& s : segnalazioni) {
        std::ostringstream riga;
        scrivi_segnalazione(s, formato_controllo::json, riga);
        json voce = json::parse(riga.str());
        if (!s.file.empty()) {
            voce["file"] = s.file.filename().string();
        }
        elenco.push_back(std::move(voce));
    }
    return elenco;
}

std::string sostituisci_segnaposto(std::string testo, std::string_view segnaposto,
                                   std::string_view contenuto) {
    const std::size_t dove = testo.find(segnaposto);
    if (dove == std::string::npos) {
        throw std::logic_error("segnaposto mancante nel modello della pagina");
    }
    return testo.replace(dove, segnaposto.size(), contenuto);
}

}  // namespace

std::string in_base64(std::string_view byte) {
    static constexpr char alfabeto[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string uscita;
    uscita.reserve((byte.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= byte.size(); i += 3) {
        const uint32_t n = static_cast<uint32_t>(static_cast<unsigned char>(byte[i])) << 16 |
                           static_cast<uint32_t>(static_cast<unsigned char>(byte[i + 1])) << 8 |
                           static_cast<unsigned char>(byte[i + 2]);
        uscita += alfabeto[n >> 18 & 63];
        uscita += alfabeto[n >> 12 & 63];
        uscita += alfabeto[n >> 6 & 63];
        uscita += alfabeto[n & 63];
    }
    if (i < byte.size()) {
        uint32_t n = static_cast<uint32_t>(static_cast<unsigned char>(byte[i])) << 16;
        if (i + 1 < byte.size()) {
            n |= static_cast<uint32_t>(static_cast<unsigned char>(byte[i + 1])) << 8;
        }
        uscita += alfabeto[n >> 18 & 63];
        uscita += alfabeto[n >> 12 & 63];
        uscita += i + 1 < byte.size() ? alfabeto[n >> 6 & 63] : '=';
        uscita += '=';
    }
    return uscita;
}

std::string json_per_script(std::string_view testo) {
    std::string uscita;
    uscita.reserve(testo.size());
    for (std::size_t i = 0; i < testo.size(); ++i) {
        const char c = testo[i];
        if (c == '<') {
            uscita += "\\u003c";
        } else if (c == '>') {
            uscita += "\\u003e";
        } else if (c == '&') {
            uscita += "\\u0026";
        } else if (c == '\xE2' && i + 2 < testo.size() && testo[i + 1] == '\x80' &&
                   (testo[i + 2] == '\xA8' || testo[i + 2] == '\xA9')) {
            uscita += testo[i + 2] == '\xA8' ? "\\u2028" : "\\u2029";
            i += 2;
        } else {
            uscita += c;
        }
    }
    return uscita;
}

piano_codificato codifica_piano(const std::vector<punto>& piano) {
    piano_codificato p;
    if (piano.empty()) {
        p.codifica = "f64";
        return p;
    }
    p.x0 = piano[0].x;
    p.y0 = piano[0].y;
    // Centimetres from the first point, while they stay whole numbers a double holds
    // exactly, and each step from the point before fits 16 bits.
    std::string dx;
    std::string dy;
    dx.reserve(piano.size() * 2);
    dy.reserve(piano.size() * 2);
    bool passi = true;
    double qx_prima = 0;
    double qy_prima = 0;
    for (const punto& q : piano) {
        const double qx = std::nearbyint((q.x - p.x0) * 100);
        const double qy = std::nearbyint((q.y - p.y0) * 100);
        const double sx = qx - qx_prima;
        const double sy = qy - qy_prima;
        if (!(std::fabs(qx) < 0x1p50 && std::fabs(qy) < 0x1p50 && std::fabs(sx) <= 32767 &&
              std::fabs(sy) <= 32767)) {
            passi = false;
            break;
        }
        metti_le<int16_t>(dx, static_cast<int16_t>(sx));
        metti_le<int16_t>(dy, static_cast<int16_t>(sy));
        qx_prima = qx;
        qy_prima = qy;
    }
    if (passi) {
        p.codifica = "d16";
        p.x = in_base64(dx);
        p.y = in_base64(dy);
        return p;
    }
    dx.clear();
    dy.clear();
    for (const punto& q : piano) {
        metti_le<double>(dx, q.x);
        metti_le<double>(dy, q.y);
    }
    p.codifica = "f64";
    p.x0 = 0;
    p.y0 = 0;
    p.x = in_base64(dx);
    p.y = in_base64(dy);
    return p;
}

std::string pagina_vedi(const scenario_letto& s, const identita_scenario& identita,
                        const contesto_pagina& contesto) {
    const piano_codificato piano = codifica_piano(s.piano);
    json nomi = json::object();
    for (int tipo = 0; tipo < 256; ++tipo) {
        const std::string nome = nome_oggetto(static_cast<uint8_t>(tipo));
        if (nome != "tipo sconosciuto") {
            nomi[std::to_string(tipo)] = nome;
        }
    }
    json dati = {
        {"scenario", identita.nome_scenario},
        {"treno", identita.numero_treno},
        {"lunghezza", s.lunghezza},
        {"piano",
         {{"n", s.piano.size()},
          {"codifica", piano.codifica},
          {"x0", piano.x0},
          {"y0", piano.y0},
          {"x", piano.x},
          {"y", piano.y}}},
        {"celle", celle_json(s.celle)},
        {"voci", voci_json(s.voci)},
        {"stazioni", s.stazioni},
        {"nomi_oggetto", nomi},
        {"sorgenti", contesto.sorgenti},
        {"avviso", contesto.avviso ? json(*contesto.avviso) : json()},
        {"segnalazioni", segnalazioni_json(contesto.segnalazioni)},
        {"osserva", contesto.osserva},
    };
    // ASCII only: every other character as \uXXXX, so the escaping below sees all of it.
    const std::string testo_dati =
        json_per_script(dati.dump(-1, ' ', true, json::error_handler_t::replace));
    std::string pagina(vedi_incorporata::pagina);
    const std::string titolo =
        testo_xml(identita.nome_scenario + " \xE2\x80\x94 treno " + identita.numero_treno);
    pagina = sostituisci_segnaposto(pagina, "@TITOLO@", titolo);  // <title>
    pagina = sostituisci_segnaposto(pagina, "@TITOLO@", titolo);  // <h1>
    pagina = sostituisci_segnaposto(pagina, "/*@STILE@*/", vedi_incorporata::stile);
    pagina = sostituisci_segnaposto(pagina, "/*@CODICE@*/", vedi_incorporata::codice);
    return sostituisci_segnaposto(pagina, "@DATI@", testo_dati);
}

namespace {

// The two sources, when both are there, and whether either was written after the oldest
// of the compact files.
contesto_pagina contesto_di(const std::filesystem::path& cartella,
                            const identita_scenario& identita) {
    contesto_pagina c;
    const std::filesystem::path sorgenti[] = {nomi_file::sorgente_linea(cartella, identita),
                                              nomi_file::sorgente_treno(cartella, identita)};
    const std::filesystem::path compatti[] = {nomi_file::linea_compatta(cartella, identita),
                                              nomi_file::voci_compatte(cartella, identita),
                                              nomi_file::celle_compatte(cartella, identita)};
    std::error_code errore;
    for (const auto& f : sorgenti) {
        if (!std::filesystem::is_regular_file(f, errore)) {
            return c;
        }
    }
    c.sorgenti = true;
    auto piu_vecchio = std::filesystem::file_time_type::max();
    for (const auto& f : compatti) {
        const auto t = std::filesystem::last_write_time(f, errore);
        if (!errore) {
            piu_vecchio = std::min(piu_vecchio, t);
        }
    }
    for (const auto& f : sorgenti) {
        const auto t = std::filesystem::last_write_time(f, errore);
        if (!errore && t > piu_vecchio) {
            c.avviso =
                "Le sorgenti sono più recenti dei file compatti: la pagina mostra "
                "l'ultima compattazione, i problemi vengono dalle sorgenti di adesso "
                "(compattatore compatta per aggiornare).";
            break;
        }
    }
    try {
        c.segnalazioni = controlla_sorgenti(cartella, identita, false);
    } catch (const errore_esecuzione& e) {
        c.avviso = (c.avviso ? *c.avviso + " " : std::string()) +
                   "Le sorgenti non si possono controllare: " + e.what();
    }
    return c;
}

}  // namespace

int comando_vedi(const std::filesystem::path& cartella, const identita_scenario& identita,
                 const std::optional<std::filesystem::path>& file_html, bool osserva) {
    const std::filesystem::path destinazione =
        file_html ? *file_html
                  : cartella / (identita.nome_scenario + "_" + identita.numero_treno + ".html");
    // "-" is standard output; anything but a regular file under the name is left alone.
    const bool su_uscita = destinazione == "-";
    std::error_code codice;
    const std::filesystem::file_status stato = std::filesystem::status(destinazione, codice);
    if (!su_uscita && std::filesystem::exists(stato) && !std::filesystem::is_regular_file(stato)) {
        throw errore_esecuzione(destinazione, "non è un file regolare: non viene sostituito");
    }
    const auto scrivi = [&] {
        const scenario_letto s = leggi_scenario(cartella, identita);
        contesto_pagina contesto = contesto_di(cartella, identita);
        contesto.osserva = osserva;
        const std::string pagina = pagina_vedi(s, identita, contesto);
        if (su_uscita) {
            std::cout << pagina << std::flush;
            return;
        }
        sostituisci_file(destinazione, pagina);
        std::cout << destinazione.string() << "\n" << std::flush;
    };
    scrivi();
    if (!osserva) {
        return stato_uscita::fatto;
    }
    // A page that cannot be written after a save (compact files missing or unreadable) is
    // reported and the watch goes on: the next save may mend it.
    return comando_osserva(cartella, identita, std::cout, std::cerr, [&] {
        try {
            scrivi();
        } catch (const std::exception& e) {
            std::cerr << "compattatore: " << senza_controlli(e.what(), false) << "\n" << std::flush;
        }
    });
}
