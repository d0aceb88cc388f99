// The file seam on Linux: the steps of the durable replacement of an output file (a
// temporary file, write, fsync, close, rename, fsync of the directory), the reading of
// files that come from elsewhere, the application directory and the folder lock.
#include "comune/sistema_file.h"

#include "comune/errore_esecuzione.h"

#include <errno.h>
#include <fcntl.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <mutex>
#include <string>
#include <thread>

namespace {

mode_t permessi_predefiniti() {
    // Library mode creates files from several threads at once, and umask can be read by
    // system call only by setting it, which would hand the other threads a mask of 0 for a
    // moment (a world-writable folder or file). Linux shows it in /proc instead.
    std::ifstream stato("/proc/self/status");
    for (std::string riga; std::getline(stato, riga);) {
        if (riga.rfind("Umask:", 0) == 0) {
            return 0666 & ~static_cast<mode_t>(std::strtoul(riga.c_str() + 6, nullptr, 8));
        }
    }
    static std::mutex una_volta;  // without /proc: the setting, one thread at a time
    const std::lock_guard<std::mutex> guardia(una_volta);
    const mode_t maschera = ::umask(077);
    ::umask(maschera);
    return 0666 & ~maschera;
}

std::string motivo(const char* operazione, int numero_errore) {
    return std::string(operazione) + " non riuscita: " + std::strerror(numero_errore);
}

const char* tipo_di(mode_t modo) {
    if (S_ISDIR(modo)) {
        return "una cartella";
    }
    if (S_ISFIFO(modo)) {
        return "una FIFO";
    }
    if (S_ISCHR(modo)) {
        return "un dispositivo a caratteri";
    }
    if (S_ISBLK(modo)) {
        return "un dispositivo a blocchi";
    }
    if (S_ISSOCK(modo)) {
        return "un socket";
    }
    return "un file speciale";
}

// The platform's file system, each step one system call or a few.
class sistema_file_posix final : public sistema_file {
public:
    std::string leggi(const std::filesystem::path& file,
                      const std::function<void(std::uintmax_t)>& controlla_dimensione) override;

    maniglia crea_temporaneo(const std::filesystem::path& destinazione,
                             std::filesystem::path& temporaneo) override;

    numero_errore scrivi(maniglia file, const char* dati, std::size_t quanti) override {
        std::size_t scritti = 0;
        while (scritti < quanti) {
            const ssize_t n = ::write(static_cast<int>(file), dati + scritti, quanti - scritti);
            if (n < 0) {
                if (errno == EINTR) {
                    continue;
                }
                return static_cast<numero_errore>(errno);
            }
            scritti += static_cast<std::size_t>(n);
        }
        return 0;
    }

    numero_errore sincronizza(maniglia file) override {
        return ::fsync(static_cast<int>(file)) == 0 ? 0 : static_cast<numero_errore>(errno);
    }

    numero_errore chiudi(maniglia file) override {
        return ::close(static_cast<int>(file)) == 0 ? 0 : static_cast<numero_errore>(errno);
    }

    numero_errore rinomina(const std::filesystem::path& da,
                           const std::filesystem::path& a) override {
        return ::rename(da.c_str(), a.c_str()) == 0 ? 0 : static_cast<numero_errore>(errno);
    }

    // A file system that cannot flush a directory says EINVAL; there is nothing more to do.
    numero_errore sincronizza_cartella(const std::filesystem::path& cartella) override {
        const int descrittore =
            ::open(cartella.empty() ? "." : cartella.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (descrittore < 0) {
            return static_cast<numero_errore>(errno);
        }
        numero_errore numero = 0;
        if (::fsync(descrittore) != 0 && errno != EINVAL) {
            numero = static_cast<numero_errore>(errno);
        }
        ::close(descrittore);
        return numero;
    }

    std::string testo_errore(numero_errore numero) const override {
        return std::strerror(static_cast<int>(numero));
    }
};

sistema_file::maniglia sistema_file_posix::crea_temporaneo(
    const std::filesystem::path& destinazione, std::filesystem::path& temporaneo) {
    // The permission bits, not access(): root may write anything, yet a file that its
    // owner made read-only must stop the run here all the same.
    struct stat vecchio;
    if (::lstat(destinazione.c_str(), &vecchio) == 0 && !S_ISDIR(vecchio.st_mode) &&
        (vecchio.st_mode & 0222) == 0) {
        throw errore_esecuzione(destinazione,
                                "file in sola lettura (nessun permesso di scrittura): non "
                                "viene sostituito");
    }
    std::string modello = (destinazione.parent_path() / ("." + destinazione.filename().string() +
                                                         std::string(segno_temporaneo) + "XXXXXX"))
                              .string();
    const int descrittore = ::mkstemp(modello.data());
    if (descrittore < 0) {
        throw errore_esecuzione(destinazione, motivo("creazione", errno));
    }
    // mkstemp makes the file for its owner only; the output files get the usual bits.
    if (::fchmod(descrittore, permessi_predefiniti()) != 0) {
        const int numero = errno;
        ::close(descrittore);
        ::unlink(modello.c_str());
        throw errore_esecuzione(destinazione, motivo("impostazione dei permessi", numero));
    }
    temporaneo = modello;
    return descrittore;
}

std::string sistema_file_posix::leggi(
    const std::filesystem::path& file,
    const std::function<void(std::uintmax_t)>& controlla_dimensione) {
    // Opened first and judged by what is open: a look by name beforehand could see another
    // file than the one read. Non-blocking, so that a FIFO does not wait for a writer.
    const int descrittore = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (descrittore < 0) {
        const int numero = errno;
        if (numero == ENOENT || numero == ENOTDIR) {
            throw errore_esecuzione(file, motivo("apertura", numero));
        }
        throw errore_apertura(file, motivo("apertura", numero));
    }
    struct stat aperto;
    if (::fstat(descrittore, &aperto) != 0) {
        const int numero = errno;
        ::close(descrittore);
        throw errore_esecuzione(file, motivo("lettura", numero));
    }
    if (!S_ISREG(aperto.st_mode)) {
        ::close(descrittore);
        throw errore_esecuzione(file, std::string("è ") + tipo_di(aperto.st_mode) +
                                          ", non un file regolare: non viene letto");
    }
    try {
        controlla_dimensione(static_cast<std::uintmax_t>(aperto.st_size));
    } catch (...) {
        ::close(descrittore);
        throw;
    }
    // One byte more than the size, to see a file that grew since.
    std::string dati(static_cast<std::size_t>(aperto.st_size) + 1, '\0');
    std::size_t letti = 0;
    while (letti < dati.size()) {
        const ssize_t n = ::read(descrittore, dati.data() + letti, dati.size() - letti);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            const int numero = errno;
            ::close(descrittore);
            throw errore_esecuzione(file, motivo("lettura", numero));
        }
        if (n == 0) {
            break;
        }
        letti += static_cast<std::size_t>(n);
    }
    ::close(descrittore);
    if (letti != static_cast<std::size_t>(aperto.st_size)) {
        throw errore_esecuzione(file, "la dimensione è cambiata durante la lettura");
    }
    dati.resize(letti);
    return dati;
}

// The owner of a file, by name where the system knows one.
std::string proprietario(uid_t utente) {
    struct passwd voce;
    struct passwd* trovata = nullptr;
    char spazio[4096];
    if (::getpwuid_r(utente, &voce, spazio, sizeof spazio, &trovata) == 0 && trovata) {
        return trovata->pw_name;
    }
    return "con uid " + std::to_string(utente);
}

// Something else than a regular file under the lock's name: no run can lock the folder
// until it goes.
[[noreturn]] void rifiuta_blocco(const std::filesystem::path& file, mode_t modo) {
    throw errore_esecuzione(
        file, std::string("è ") + (S_ISLNK(modo) ? "un collegamento simbolico" : tipo_di(modo)) +
                  ", non il file regolare del blocco della cartella: nulla viene scritto; "
                  "togliere quel nome dalla cartella e ripetere");
}

}  // namespace

sistema_file& sistema_file_predefinito() {
    static sistema_file_posix sistema;
    return sistema;
}

std::filesystem::path cartella_applicazione() {
    return std::filesystem::read_symlink("/proc/self/exe").parent_path();
}

void blocco_cartella::prendi(const std::filesystem::path& cartella, std::string_view programma,
                             bool attendi) {
    const auto inizio = std::chrono::steady_clock::now();
    bool avvisato = false;
    // A lock file that another user's run has just made stays unreadable until that run
    // has set its permissions: such a refusal is tried again for a moment.
    int rifiuti = 0;
    for (;;) {
        // No link is followed and nothing waits on a FIFO; what was opened is judged below.
        const int apertura = O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY;
        int descrittore = ::open(file_.c_str(), apertura | O_CREAT, permessi_predefiniti());
        if (descrittore < 0 && errno == EINTR) {
            continue;
        }
        if (descrittore < 0) {
            int numero = errno;
            struct stat nominato;
            if (::lstat(file_.c_str(), &nominato) != 0) {
                // Where no file can be created (a folder that is not there, or where
                // nothing may be created), no run can write either: the first file of the
                // run then fails with its own name, as without the lock.
                if (numero == EACCES || numero == EPERM || numero == EROFS || numero == ENOENT ||
                    numero == ENOTDIR) {
                    return;
                }
                throw errore_esecuzione(file_, motivo("apertura del blocco", numero));
            }
            if (!S_ISREG(nominato.st_mode)) {
                rifiuta_blocco(file_, nominato.st_mode);
            }
            // A folder may refuse to create over somebody else's file (a sticky folder),
            // where opening it as it stands is allowed.
            descrittore = ::open(file_.c_str(), apertura);
            if (descrittore < 0) {
                numero = errno;
                if (numero == EINTR || numero == ENOENT) {
                    continue;
                }
                if ((numero == EACCES || numero == EPERM) && ++rifiuti < 40) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
                    continue;
                }
                throw errore_esecuzione(
                    file_, "il file del blocco della cartella, dell'utente " +
                               proprietario(nominato.st_uid) + ", non si può aprire (" +
                               std::strerror(numero) +
                               "): nulla viene scritto senza blocco; lo tolga il suo "
                               "proprietario, o lo renda leggibile a tutti, e si ripeta");
            }
        }
        struct stat aperto;
        if (::fstat(descrittore, &aperto) != 0) {
            const int numero = errno;
            ::close(descrittore);
            throw errore_esecuzione(file_, motivo("apertura del blocco", numero));
        }
        if (!S_ISREG(aperto.st_mode)) {
            ::close(descrittore);
            rifiuta_blocco(file_, aperto.st_mode);
        }
        // Readable by everybody whatever the mask, so that another user's run can lock it.
        if (aperto.st_uid == ::geteuid() && (aperto.st_mode & 07777) != 0644) {
            ::fchmod(descrittore, 0644);
        }
        int esito;
        while ((esito = ::flock(descrittore, LOCK_EX | LOCK_NB)) != 0 && errno == EWOULDBLOCK) {
            if (!attendi) {
                ::close(descrittore);
                occupata_ = true;
                return;
            }
            if (!avvisato && std::chrono::steady_clock::now() - inizio >= std::chrono::seconds(1)) {
                // A failed write to standard error changes nothing: the run goes on.
                std::cerr << programma << ": in attesa di " << cartella.string()
                          << ": un'altra esecuzione sta scrivendo nella cartella" << std::endl;
                avvisato = true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        if (esito != 0 && errno != EINTR) {
            const int numero = errno;
            ::close(descrittore);
            throw errore_esecuzione(file_, motivo("blocco della cartella", numero));
        }
        // The run that held the lock removed the file before letting go: a lock on the
        // removed file excludes nobody, so start again on the file the name holds now.
        struct stat nominato;
        if (esito == 0 && ::lstat(file_.c_str(), &nominato) == 0 &&
            aperto.st_dev == nominato.st_dev && aperto.st_ino == nominato.st_ino) {
            maniglia_ = descrittore;
            break;
        }
        ::close(descrittore);
    }
    voce_segnale_ = registra_da_rimuovere(file_);
    rimuovi_temporanei_abbandonati(cartella);
    tenuto();
}

blocco_cartella::~blocco_cartella() {
    if (maniglia_ >= 0) {
        lasciato();
        togli_da_rimuovere(voce_segnale_);
        // Removed while still held, so that a run waiting on this file sees it go.
        ::unlink(file_.c_str());
        ::close(static_cast<int>(maniglia_));
    }
}

void rimuovi_nome(const char* nome) noexcept {
    ::unlink(nome);
}

std::string nome_programma() {
    return program_invocation_short_name;
}
