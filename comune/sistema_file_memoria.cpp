// The file seam in memory: a map from names to contents.
#include "comune/sistema_file_memoria.h"

#include "comune/errore_esecuzione.h"

#include <system_error>

namespace {

sistema_file::numero_errore numero_di(std::errc errore) {
    return static_cast<sistema_file::numero_errore>(errore);
}

// At most this many emptied buffers are kept.
constexpr std::size_t buffer_in_riserva = 8;

}  // namespace

std::string& sistema_file_in_memoria::nuovo(const std::filesystem::path& file,
                                            std::optional<std::size_t> dimensione) {
    const auto [posto, inserito] = file_.try_emplace(file);
    std::string& contenuto = posto->second;
    if (inserito) {
        // A file of known size takes the smallest buffer that holds it; a file still to be
        // written the largest, as it may well be the largest again.
        auto scelto = riserva_.end();
        for (auto b = riserva_.begin(); b != riserva_.end(); ++b) {
            const bool adatto = !dimensione || b->capacity() >= *dimensione;
            if (adatto &&
                (scelto == riserva_.end() || (dimensione ? b->capacity() < scelto->capacity()
                                                         : b->capacity() > scelto->capacity()))) {
                scelto = b;
            }
        }
        if (scelto != riserva_.end()) {
            contenuto = std::move(*scelto);
            riserva_.erase(scelto);
        }
    }
    contenuto.clear();
    return contenuto;
}

void sistema_file_in_memoria::rilascia(std::string&& contenuto) {
    // A string within its own small buffer holds no allocation worth keeping; when the
    // reserve is full, the smallest buffer makes room for a larger one.
    if (contenuto.capacity() <= std::string().capacity()) {
        return;
    }
    contenuto.clear();
    if (riserva_.size() < buffer_in_riserva) {
        riserva_.push_back(std::move(contenuto));
        return;
    }
    auto piu_piccolo = riserva_.begin();
    for (auto b = riserva_.begin(); b != riserva_.end(); ++b) {
        if (b->capacity() < piu_piccolo->capacity()) {
            piu_piccolo = b;
        }
    }
    if (piu_piccolo->capacity() < contenuto.capacity()) {
        *piu_piccolo = std::move(contenuto);
    }
}

void sistema_file_in_memoria::metti(const std::filesystem::path& file, std::string_view contenuto) {
    nuovo(file, contenuto.size()).assign(contenuto);
}

const std::string* sistema_file_in_memoria::trova(const std::filesystem::path& file) const {
    const auto trovato = file_.find(file);
    return trovato == file_.end() ? nullptr : &trovato->second;
}

void sistema_file_in_memoria::svuota() {
    for (auto& [nome, contenuto] : file_) {
        rilascia(std::move(contenuto));
    }
    file_.clear();
    aperti_.clear();
}

std::string sistema_file_in_memoria::leggi(
    const std::filesystem::path& file,
    const std::function<void(std::uintmax_t)>& controlla_dimensione) {
    const std::string* contenuto = trova(file);
    if (contenuto == nullptr) {
        throw errore_esecuzione(file,
                                "apertura non riuscita: " +
                                    testo_errore(numero_di(std::errc::no_such_file_or_directory)));
    }
    controlla_dimensione(contenuto->size());
    return *contenuto;
}

bool sistema_file_in_memoria::file_regolare(const std::filesystem::path& file) {
    return trova(file) != nullptr;
}

void sistema_file_in_memoria::elimina(const std::filesystem::path& file) {
    if (const auto trovato = file_.find(file); trovato != file_.end()) {
        rilascia(std::move(trovato->second));
        file_.erase(trovato);
    }
}

sistema_file::maniglia sistema_file_in_memoria::crea_temporaneo(
    const std::filesystem::path& destinazione, std::filesystem::path& temporaneo) {
    // Six base-36 digits of a counter, as the pattern of the real temporary files wants.
    constexpr std::string_view cifre = "0123456789abcdefghijklmnopqrstuvwxyz";
    const maniglia numero = prossima_++;
    std::string coda(6, '0');
    for (std::size_t i = coda.size(), resto = static_cast<std::size_t>(numero); i-- > 0;
         resto /= cifre.size()) {
        coda[i] = cifre[resto % cifre.size()];
    }
    temporaneo = destinazione.parent_path() /
                 ("." + destinazione.filename().string() + std::string(segno_temporaneo) + coda);
    nuovo(temporaneo, std::nullopt);
    aperti_[numero] = temporaneo;
    return numero;
}

sistema_file::numero_errore sistema_file_in_memoria::scrivi(maniglia file, const char* dati,
                                                            std::size_t quanti) {
    const auto aperto = aperti_.find(file);
    if (aperto == aperti_.end()) {
        return numero_di(std::errc::bad_file_descriptor);
    }
    file_[aperto->second].append(dati, quanti);
    return 0;
}

sistema_file::numero_errore sistema_file_in_memoria::sincronizza(maniglia file) {
    return aperti_.contains(file) ? 0 : numero_di(std::errc::bad_file_descriptor);
}

sistema_file::numero_errore sistema_file_in_memoria::chiudi(maniglia file) {
    return aperti_.erase(file) == 1 ? 0 : numero_di(std::errc::bad_file_descriptor);
}

sistema_file::numero_errore sistema_file_in_memoria::rinomina(const std::filesystem::path& da,
                                                              const std::filesystem::path& a) {
    const auto origine = file_.find(da);
    if (origine == file_.end()) {
        return numero_di(std::errc::no_such_file_or_directory);
    }
    if (da != a) {
        std::string& destinazione = file_[a];
        std::swap(destinazione, origine->second);
        rilascia(std::move(origine->second));
        file_.erase(origine);
    }
    return 0;
}

sistema_file::numero_errore sistema_file_in_memoria::sincronizza_cartella(
    const std::filesystem::path&) {
    return 0;
}

std::string sistema_file_in_memoria::testo_errore(numero_errore numero) const {
    return std::generic_category().message(static_cast<int>(numero));
}
