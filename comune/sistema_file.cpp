// The parts of the file seam that every platform shares: the existence test and the
// removal, the replacement of a file put together from the seam's steps, and the
// temporary files' names.
#include "comune/sistema_file.h"

#include "comune/errore_esecuzione.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <system_error>
#include <vector>

bool sistema_file::file_regolare(const std::filesystem::path& file) {
    std::error_code codice;
    const std::filesystem::file_status stato = std::filesystem::status(file, codice);
    if (codice && codice != std::errc::no_such_file_or_directory &&
        codice != std::errc::not_a_directory) {
        throw errore_apertura(file, "apertura non riuscita: " + codice.message());
    }
    return std::filesystem::is_regular_file(stato);
}

void sistema_file::elimina(const std::filesystem::path& file) {
    std::error_code ignorato;
    std::filesystem::remove(file, ignorato);
}

std::string leggi_file_regolare(const std::filesystem::path& file,
                                const std::function<void(std::uintmax_t)>& controlla_dimensione,
                                sistema_file& sistema) {
    return sistema.leggi(file, controlla_dimensione);
}

std::string leggi_file_intero(const std::filesystem::path& file, sistema_file& sistema) {
    // The same checked read, with no size to refuse: a FIFO or a device given as a
    // source is refused at once instead of being read for ever.
    return sistema.leggi(file, [](std::uintmax_t) {});
}

file_sostitutivo::file_sostitutivo(std::filesystem::path destinazione, sistema_file& sistema)
    : sistema_(sistema), destinazione_(std::move(destinazione)) {
    if (sistema_.sul_disco()) {
        const std::filesystem::path cartella = destinazione_.parent_path();
        if (!cartella_bloccata_qui(cartella)) {
            blocco_ = std::make_unique<blocco_cartella>(cartella, nome_programma());
        }
    }
    maniglia_ = sistema_.crea_temporaneo(destinazione_, temporaneo_);
    if (sistema_.sul_disco()) {
        voce_segnale_ = registra_da_rimuovere(temporaneo_);
    }
}

file_sostitutivo::~file_sostitutivo() {
    if (maniglia_ != sistema_file::nessuna_maniglia) {
        sistema_.chiudi(maniglia_);
        sistema_.elimina(temporaneo_);
    }
    togli_da_rimuovere(voce_segnale_);
}

void file_sostitutivo::scrivi(const void* dati, std::size_t quanti) {
    const char* byte = static_cast<const char*>(dati);
    while (quanti > 0) {
        if (in_buffer_ == sizeof buffer_) {
            svuota_buffer();
        }
        const std::size_t parte = std::min(quanti, sizeof buffer_ - in_buffer_);
        std::memcpy(buffer_ + in_buffer_, byte, parte);
        in_buffer_ += parte;
        byte += parte;
        quanti -= parte;
    }
}

void file_sostitutivo::svuota_buffer() {
    if (in_buffer_ == 0) {
        return;
    }
    if (const auto numero = sistema_.scrivi(maniglia_, buffer_, in_buffer_); numero != 0) {
        fallisci("scrittura", numero);
    }
    in_buffer_ = 0;
}

void file_sostitutivo::conferma() {
    svuota_buffer();
    // The data reach the device before the name points at them: otherwise a power cut
    // after the rename can leave the new name on an empty file. On a failure up to the
    // rename the destructor closes and removes the temporary file, and the older file
    // stays as it was.
    if (const auto numero = sistema_.sincronizza(maniglia_); numero != 0) {
        fallisci("sincronizzazione", numero);
    }
    const sistema_file::maniglia aperta = maniglia_;
    maniglia_ = sistema_file::nessuna_maniglia;
    if (const auto numero = sistema_.chiudi(aperta); numero != 0) {
        sistema_.elimina(temporaneo_);
        fallisci("chiusura", numero);
    }
    if (const auto numero = sistema_.rinomina(temporaneo_, destinazione_); numero != 0) {
        sistema_.elimina(temporaneo_);
        fallisci("sostituzione", numero);
    }
    togli_da_rimuovere(voce_segnale_);
    voce_segnale_ = -1;
    // The new file stands whole under its name by now; only its durability is in doubt.
    if (const auto numero = sistema_.sincronizza_cartella(destinazione_.parent_path());
        numero != 0) {
        fallisci("sincronizzazione della cartella", numero);
    }
}

void file_sostitutivo::fallisci(const char* operazione, sistema_file::numero_errore numero) {
    throw errore_esecuzione(
        destinazione_, std::string(operazione) + " non riuscita: " + sistema_.testo_errore(numero));
}

void sostituisci_file(const std::filesystem::path& destinazione, std::string_view contenuto,
                      sistema_file& sistema) {
    file_sostitutivo file(destinazione, sistema);
    file.scrivi(contenuto);
    file.conferma();
}

bool nome_temporaneo(std::string_view nome) {
    constexpr std::size_t lettere = 6;
    const std::size_t segno = nome.rfind(segno_temporaneo);
    if (!nome.starts_with('.') || segno == std::string_view::npos || segno < 2 ||
        nome.size() != segno + segno_temporaneo.size() + lettere) {
        return false;
    }
    return std::all_of(nome.end() - lettere, nome.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    });
}

void rimuovi_temporanei_abbandonati(const std::filesystem::path& cartella) {
    // Leftovers that cannot be listed or removed stay: they harm no output file.
    std::error_code codice;
    std::filesystem::directory_iterator elenco(cartella.empty() ? "." : cartella, codice);
    for (; !codice && elenco != std::filesystem::directory_iterator(); elenco.increment(codice)) {
        const std::filesystem::path& voce = elenco->path();
        std::error_code ignorato;
        if (nome_temporaneo(voce.filename().string()) &&
            std::filesystem::is_regular_file(std::filesystem::symlink_status(voce, ignorato))) {
            std::filesystem::remove(voce, ignorato);
        }
    }
}

namespace {

// The folders whose lock this thread holds, each as many times as it is held. Per thread:
// the thread that holds a lock may let it go while another still writes, and a sweep
// could then take that writer's temporary file. A thread that writes where another thread
// holds the lock waits for it, as another run would.
thread_local std::vector<std::filesystem::path> cartelle_tenute;

std::filesystem::path come_cartella(const std::filesystem::path& cartella) {
    return cartella.empty() ? std::filesystem::path(".") : cartella;
}

// The names a signal removes: fixed entries, each free, being filled or ready. The
// handler reads only ready entries; a name that does not fit is not recorded.
constexpr std::size_t numero_voci = 64;
constexpr std::size_t lunghezza_nome = 4096;
enum : int { libera = 0, in_scrittura = 1, pronta = 2 };
struct voce_da_rimuovere {
    std::atomic<int> stato{libera};
    std::filesystem::path::value_type nome[lunghezza_nome];
};
voce_da_rimuovere voci[numero_voci];
static_assert(std::atomic<int>::is_always_lock_free);

}  // namespace

bool cartella_bloccata_qui(const std::filesystem::path& cartella) {
    for (const std::filesystem::path& tenuta : cartelle_tenute) {
        std::error_code ignorato;
        if (tenuta == come_cartella(cartella) ||
            std::filesystem::equivalent(tenuta, come_cartella(cartella), ignorato)) {
            return true;
        }
    }
    return false;
}

// The lock itself is taken by each platform's prendi.
blocco_cartella::blocco_cartella(const std::filesystem::path& cartella, std::string_view programma)
    : cartella_(cartella), file_(cartella / nome_file) {
    prendi(cartella, programma, true);
}

blocco_cartella::blocco_cartella(const std::filesystem::path& cartella, senza_attesa)
    : cartella_(cartella), file_(cartella / nome_file) {
    prendi(cartella, "", false);
}

void blocco_cartella::tenuto() {
    cartelle_tenute.push_back(come_cartella(cartella_));
}

void blocco_cartella::lasciato() {
    const auto voce =
        std::find(cartelle_tenute.begin(), cartelle_tenute.end(), come_cartella(cartella_));
    if (voce != cartelle_tenute.end()) {
        cartelle_tenute.erase(voce);
    }
}

int registra_da_rimuovere(const std::filesystem::path& file) {
    const auto& nome = file.native();
    if (nome.size() >= lunghezza_nome) {
        return -1;
    }
    for (std::size_t i = 0; i < numero_voci; ++i) {
        int attesa = libera;
        if (voci[i].stato.compare_exchange_strong(attesa, in_scrittura)) {
            std::copy(nome.begin(), nome.end(), voci[i].nome);
            voci[i].nome[nome.size()] = 0;
            voci[i].stato.store(pronta);
            return static_cast<int>(i);
        }
    }
    return -1;
}

void togli_da_rimuovere(int voce) {
    if (voce >= 0) {
        voci[voce].stato.store(libera);
    }
}

void rimuovi_registrati() noexcept {
    for (voce_da_rimuovere& voce : voci) {
        if (voce.stato.load() == pronta) {
            rimuovi_nome(voce.nome);
        }
    }
}
