// The pianta command: an SVG picture of a compacted scenario. On top the route plan seen
// from above (north up) with stations, signals, speed signs and mountain spans; below it
// the altitude profile integrated from the cells' gradients and the speed limit, on a
// shared axis of route kilometres with the stations marked. This file lays out the page;
// each drawing is in its own pianta_*.cpp.
#include "tools/pianta.h"

#include "compactor/testo.h"
#include "comune/errore_esecuzione.h"
#include "comune/identita.h"
#include "comune/sistema_file.h"
#include "comune/stato_uscita.h"
#include "tools/pianta_legenda.h"
#include "tools/pianta_mappa.h"
#include "tools/pianta_profili.h"
#include "tools/pianta_scenario.h"
#include "tools/strumento.h"
#include "tools/svg.h"

#include <filesystem>
#include <iostream>
#include <string>

std::string disegna_pianta(const scenario_letto& s, const identita_scenario& identita) {
    const inquadratura_mappa mappa = inquadra_mappa(s.piano, pagina::cima_pianta);
    const double fine_mappa = pagina::cima_pianta + mappa.altezza_totale();
    const impaginazione_profili profili = impagina_profili(s, fine_mappa + 10);
    const double altezza = fine_mappa + 10 + profili.altezza();

    scrittore_svg svg;
    svg.apri_documento(pagina::larghezza, altezza, pagina::caratteri, "white");
    svg.testo(pagina::margine_sinistro, 32, 22,
              testo_utf8(identita.nome_scenario) + " \xE2\x80\x94 treno " +
                  testo_utf8(identita.numero_treno),
              "font-weight=\"bold\"");
    svg.testo(pagina::margine_sinistro, 54, 13,
              "percorso di " + std::to_string(s.lunghezza) + " m, " +
                  std::to_string(s.stazioni.size()) + " stazioni, " +
                  std::to_string(s.segnali.size()) + " segnali, " +
                  std::to_string(s.cartelli.size()) + " cartelli di velocità massima, " +
                  std::to_string(s.montagne.size()) + " tratti in montagna",
              "fill=\"#444\"");
    disegna_mappa(svg, s, mappa);
    disegna_legenda(svg, fine_mappa - 30, false);
    disegna_profili(svg, s, profili);
    svg.chiudi_documento();
    return svg.documento();
}

int comando_pianta(const std::filesystem::path& cartella, const identita_scenario& identita,
                   const std::filesystem::path& file_svg) {
    // "-" is standard output; anything but a regular file under the name is left alone.
    const bool su_uscita = file_svg == "-";
    std::error_code codice;
    const std::filesystem::file_status stato = std::filesystem::status(file_svg, codice);
    if (!su_uscita && std::filesystem::exists(stato) && !std::filesystem::is_regular_file(stato)) {
        throw errore_esecuzione(file_svg, "non è un file regolare: non viene sostituito");
    }
    const std::string documento = disegna_pianta(leggi_scenario(cartella, identita), identita);
    if (su_uscita) {
        std::cout << documento;
        return stato_uscita::fatto;
    }
    sostituisci_file(file_svg, documento);
    std::cout << file_svg.string() << "\n";
    return stato_uscita::fatto;
}
