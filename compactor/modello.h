// The compacted scenario model: plain data, written unchanged to the three compact
// files. Field order and widths are the byte layouts of those files (compactor/formato.h).
#pragma once

#include "compactor/luogo_campo.h"
#include "compactor/tabella_piano.h"

#include <array>
#include <cstdint>
#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

// One 50 m cell of the track grid (15 bytes in the ".dat" file).
struct cella {
    uint8_t tipo = 0;  // kind of object in the cell, 0 = none (see tipo_cella)
    int16_t valore1 = 0;
    int16_t valore2 = 0;
    int16_t valore3 = 0;
    int16_t valore4 = 0;
    uint8_t tempo = 0;            // signal time value
    uint8_t codice = 0;           // approach code before a signal or a station stop
    uint8_t montagna = 0;         // mountain-side type of the span covering the cell
    uint8_t velocita_limite = 0;  // speed limit in force, units of 5 km/h
    uint8_t pendenza = 0;         // gradient per mille + 100, low 8 bits
    uint8_t aderenza = 0;         // adhesion in percent, low 8 bits
};

// Values of cella::tipo.
namespace tipo_cella {
constexpr uint8_t libera = 0;
constexpr uint8_t segnale = 1;
constexpr uint8_t fine_rallentamento = 2;
constexpr uint8_t inizio_rallentamento = 3;
constexpr uint8_t avviso_rallentamento = 4;
constexpr uint8_t prima_dell_avviso = 5;
constexpr uint8_t indicatore_v_max = 6;
constexpr uint8_t fermata = 10;
constexpr uint8_t marcatore_galleria = 11;
constexpr uint8_t abbattimento_con_valore = 12;
constexpr uint8_t abbattimento_senza_valore = 13;
constexpr uint8_t cartello_indicatore = 14;
}  // namespace tipo_cella

// Objects are placed only on free cells; a tunnel marker counts as free.
inline bool libera(const cella& c) {
    return c.tipo == tipo_cella::libera || c.tipo == tipo_cella::marcatore_galleria;
}

// One general record (34 + length of nome bytes in the ".sim" file).
struct voce {
    uint8_t marca = 0;
    int32_t dato1 = 0;
    int32_t dato2 = 0;
    int32_t dato3 = 0;
    uint8_t segno = 0;
    std::string nome;  // single-byte characters
    int16_t intero1 = 0;
    int16_t intero2 = 0;
    int16_t intero3 = 0;
    int16_t intero4 = 0;
    int16_t intero5 = 0;
    uint8_t flag1 = 0;
    uint8_t flag2 = 0;
    uint8_t flag3 = 0;
    uint8_t flag4 = 0;
    int32_t dato_finale = 0;
};

// The longest route the compactor accepts, and how far the grid and the plan reach beyond
// a route's end: together they bound every compact file a run can write.
constexpr int32_t lunghezza_percorso_massima = 1000000;
constexpr int32_t metri_oltre_il_percorso = 7000;

constexpr int numero_voci = 87;
constexpr int numero_montagne = 81;  // indices 0 to 80; index 0 stays unused

// The line file's fields of one chainage stretch (voci(81) to voci(83)): each moves with
// its stretch, so that a value off the 50 m step names its row.
struct campi_progressiva {
    std::optional<luogo_campo> inizio;
    std::optional<luogo_campo> progressiva;
};
constexpr int numero_progressive = 3;

// What the open row has changed: the old value of each cell and record it wrote, oldest
// first, so that a refused row can be undone whole. Kept only while the checker reads on
// after problems; the compactor keeps no journal.
struct diario_riga {
    std::vector<std::pair<std::size_t, cella>> celle;
    std::vector<std::pair<std::size_t, voce>> voci;
    std::vector<std::pair<std::size_t, campi_progressiva>> progressive;
    std::size_t scritture_cella_uno = 0;  // how many writes of cell 1 came before the row
    std::size_t righe_delle_celle = 0;    // how many rows had placed cells before it
    // The model's counts that a row may change besides its cells and records.
    int32_t n_montagne = 0;
    int32_t lunghezza_estesa = 0;
    int32_t n_celle = 0;

    // Ready for the next row: the old values it holds are forgotten.
    void svuota() {
        celle.clear();
        voci.clear();
        progressive.clear();
    }
};

// Elements read freely and written only through scrivi(), which puts the old value into
// the open row's journal first. Nothing else can change an element once it exists.
template <typename T, typename Contenitore>
class elementi_con_diario {
public:
    const T& operator[](std::size_t i) const { return elementi_[i]; }
    const T& at(std::size_t i) const { return elementi_.at(i); }
    std::size_t size() const { return elementi_.size(); }
    bool empty() const { return elementi_.empty(); }
    auto begin() const { return elementi_.begin(); }
    auto end() const { return elementi_.end(); }
    const Contenitore& tutti() const { return elementi_; }

    // The one way to write an element.
    T& scrivi(std::size_t i) {
        T& elemento = elementi_.at(i);
        if (diario_ != nullptr) {
            voci_del_diario().emplace_back(i, elemento);
        }
        return elemento;
    }

protected:
    std::vector<std::pair<std::size_t, T>>& voci_del_diario();

    Contenitore elementi_{};
    diario_riga* diario_ = nullptr;

    friend struct modello_scenario;
};

template <>
inline std::vector<std::pair<std::size_t, cella>>&
elementi_con_diario<cella, std::vector<cella>>::voci_del_diario() {
    return diario_->celle;
}

template <>
inline std::vector<std::pair<std::size_t, voce>>&
elementi_con_diario<voce, std::array<voce, numero_voci>>::voci_del_diario() {
    return diario_->voci;
}

template <>
inline std::vector<std::pair<std::size_t, campi_progressiva>>& elementi_con_diario<
    campi_progressiva, std::array<campi_progressiva, numero_progressive>>::voci_del_diario() {
    return diario_->progressive;
}

// A write of cell 1, whose values the header checks guard: who wrote, and what the cell
// held before, so that a failed check can name the row whose write made it fail.
struct scrittura_cella_uno {
    luogo_sorgente autore;  // see griglia_celle::autore
    cella prima;
};

// The grid: created whole, all zero, by the line reader; its cells then change only one
// by one through scrivi().
class griglia_celle : public elementi_con_diario<cella, std::vector<cella>> {
public:
    void crea(std::size_t quante) {
        elementi_.assign(quante, cella{});
        scritture_cella_uno_.clear();
        righe_.clear();
    }
    void clear() {
        elementi_.clear();
        scritture_cella_uno_.clear();
        righe_.clear();
    }
    cella& scrivi(std::size_t i) {
        if (i == 1 && elementi_.size() > 1) {
            scritture_cella_uno_.push_back({autore, elementi_[1]});
        }
        return elementi_con_diario::scrivi(i);
    }
    const std::vector<scrittura_cella_uno>& scritture_cella_uno() const {
        return scritture_cella_uno_;
    }

    // The train file's row that placed cell `c` (a signal's cell, a slowdown's start and
    // advance cells), so that the walk can name the row whose cells fail; the latest row
    // that placed it counts.
    void segna_riga(int32_t c, const luogo_campo& riga) { righe_.emplace_back(c, riga); }
    std::optional<luogo_campo> riga_della_cella(int32_t c) const {
        for (auto it = righe_.rbegin(); it != righe_.rend(); ++it) {
            if (it->first == c) {
                return it->second;
            }
        }
        return std::nullopt;
    }

    // The row on whose behalf the grid is written now: a reader sets it for each row, the
    // walk for each slowdown or signal it completes. Only the writes of cell 1 keep it.
    luogo_sorgente autore;

private:
    std::vector<scrittura_cella_uno> scritture_cella_uno_;
    std::vector<std::pair<int32_t, luogo_campo>> righe_;

    friend struct modello_scenario;
};

using registro_voci = elementi_con_diario<voce, std::array<voce, numero_voci>>;
using registro_progressive =
    elementi_con_diario<campi_progressiva, std::array<campi_progressiva, numero_progressive>>;

struct modello_scenario {
    registro_voci voci;
    griglia_celle celle;       // indices 0 to n_celle once the grid exists
    registro_progressive righe_progressive;  // in the order of voci(81) to voci(83)
    tabella_piano tracciato;   // points 0 to lunghezza_estesa once the plan exists
    std::array<int32_t, numero_montagne> montagne_inizio{};
    std::array<int32_t, numero_montagne> montagne_fine{};
    int32_t n_montagne = 0;

    int32_t scrivi_linea = 0;
    int32_t lunghezza_estesa = 0;
    int32_t n_celle = 0;
    int32_t codice_errore = 0;
    int32_t posizione_errore = 0;
    std::string riga;

    // Every write to a cell or a record goes into `diario` until chiudi_diario().
    void apri_diario(diario_riga& diario) {
        diario.scritture_cella_uno = celle.scritture_cella_uno_.size();
        diario.righe_delle_celle = celle.righe_.size();
        diario.n_montagne = n_montagne;
        diario.lunghezza_estesa = lunghezza_estesa;
        diario.n_celle = n_celle;
        celle.diario_ = &diario;
        voci.diario_ = &diario;
        righe_progressive.diario_ = &diario;
    }
    void chiudi_diario() {
        celle.diario_ = nullptr;
        voci.diario_ = nullptr;
        righe_progressive.diario_ = nullptr;
    }
    // Puts back what the journal holds, newest first, and empties it.
    void annulla(diario_riga& diario) {
        for (auto it = diario.celle.rbegin(); it != diario.celle.rend(); ++it) {
            celle.elementi_[it->first] = it->second;
        }
        for (auto it = diario.voci.rbegin(); it != diario.voci.rend(); ++it) {
            voci.elementi_[it->first] = it->second;
        }
        for (auto it = diario.progressive.rbegin(); it != diario.progressive.rend(); ++it) {
            righe_progressive.elementi_[it->first] = it->second;
        }
        diario.svuota();
        n_montagne = diario.n_montagne;
        lunghezza_estesa = diario.lunghezza_estesa;
        n_celle = diario.n_celle;
        auto& scritture = celle.scritture_cella_uno_;
        scritture.erase(scritture.begin() + static_cast<std::ptrdiff_t>(diario.scritture_cella_uno),
                        scritture.end());
        celle.righe_.resize(diario.righe_delle_celle);
    }
};
