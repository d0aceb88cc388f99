// The file seam in memory: a map from names to contents.
#include "comune/sistema_file_memoria.h"

#include "comune/errore_esecuzione.h"

#include <system_error>

namespace {

sistema_file::numero_errore numero_di(std::errc errore) {
    return static_cast<sistema_file::numero_errore>(errore);
}

}  // namespace

void sistema_file_in_memoria::metti(const std::filesystem::path& file, std::string contenuto) {
    file_[file] = std::move(contenuto);
}

const std::string* sistema_file_in_memoria::trova(const std::filesystem::path& file) const {
    const auto trovato = file_.find(file);
    return trovato == file_.end() ? nullptr : &trovato->second;
}

void sistema_file_in_memoria::svuota() {
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
    file_.erase(file);
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
    file_[temporaneo].clear();
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
        file_[a] = std::move(origine->second);
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
