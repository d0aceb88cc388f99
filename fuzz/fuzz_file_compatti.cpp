// Fuzz target: the readers of the three compact files, as mostra and pianta use them, on
// arbitrary bytes. The input is the general records (.sim), the separator of separatore.h,
// the cells (.dat), the separator again, then the plan (_linea.dat); a missing part is a
// missing file. Each file is shown with mostra and the three are drawn with pianta. A file
// that does not fit its layout must end in errore_esecuzione naming that file; whatever is
// accepted must be drawn with finite numbers only.
#include "comune/errore_esecuzione.h"
#include "fuzz/separatore.h"
#include "fuzz/verifiche.h"
#include "tools/pianta.h"
#include "tools/pianta_scenario.h"
#include "tools/strumento.h"
#include "tools/svg.h"

#include <cstddef>
#include <cstdint>
#include <iostream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

std::vector<std::filesystem::path> scrivi_compatti(const identita_scenario& identita,
                                                   std::string_view ingresso) {
    svuota_cartella_fuzz();
    const std::filesystem::path file[] = {nomi_file::voci_compatte(cartella_fuzz(), identita),
                                          nomi_file::celle_compatte(cartella_fuzz(), identita),
                                          nomi_file::linea_compatta(cartella_fuzz(), identita)};
    std::vector<std::filesystem::path> scritti;
    for (const std::filesystem::path& f : file) {
        const std::size_t taglio = ingresso.find(separatore_fuzz);
        scrivi_file(f, ingresso.substr(0, taglio));
        scritti.push_back(f);
        if (taglio == std::string_view::npos) {
            break;
        }
        ingresso.remove_prefix(taglio + separatore_fuzz.size());
    }
    return scritti;
}

// A refusal must name one of the scenario's files.
void verifica_rifiuto(const errore_esecuzione& e, const std::filesystem::path& cartella) {
    if (e.file().parent_path() != cartella) {
        violazione(std::string("rifiuto che non nomina un file compatto: ") + e.what());
    }
}

// Every number of an SVG attribute is finite: no "nan" or "inf" between the quotes.
void verifica_numeri_svg(const std::string& svg) {
    std::size_t pos = 0;
    while ((pos = svg.find("=\"", pos)) != std::string::npos) {
        const std::size_t fine = svg.find('"', pos + 2);
        const std::string_view valore = std::string_view(svg).substr(pos + 2, fine - pos - 2);
        if (valore.find("nan") != std::string_view::npos ||
            valore.find("inf") != std::string_view::npos) {
            violazione("numero non finito nel disegno: " + std::string(valore));
        }
        pos = fine;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dati, size_t dimensione) {
    const identita_scenario identita = identita_predefinita();
    const std::string_view ingresso(reinterpret_cast<const char*>(dati), dimensione);
    for (const std::filesystem::path& file : scrivi_compatti(identita, ingresso)) {
        std::ostringstream tabella;
        std::streambuf* uscita = std::cout.rdbuf(tabella.rdbuf());
        try {
            comando_mostra(file);
        } catch (const errore_esecuzione& e) {
            verifica_rifiuto(e, cartella_fuzz());
        }
        std::cout.rdbuf(uscita);
    }
    try {
        verifica_numeri_svg(disegna_pianta(leggi_scenario(cartella_fuzz(), identita), identita));
    } catch (const errore_esecuzione& e) {
        verifica_rifiuto(e, cartella_fuzz());
    } catch (const numero_svg_non_finito& e) {
        violazione(std::string("la pianta ha accettato un numero non finito: ") + e.what());
    }
    return 0;
}
