// The file seam on Linux: the application directory and the replacement of an output
// file through a temporary file and rename.
#include "comune/sistema_file.h"

#include "comune/errore_esecuzione.h"
#include "comune/processo.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <string>

namespace {

mode_t permessi_predefiniti() {
    // umask can only be read by setting it; the program has one thread.
    const mode_t maschera = ::umask(0);
    ::umask(maschera);
    return 0666 & ~maschera;
}

}  // namespace

void prepara_processo() {
    std::signal(SIGXFSZ, SIG_IGN);
}

std::filesystem::path cartella_applicazione() {
    return std::filesystem::read_symlink("/proc/self/exe").parent_path();
}

file_sostitutivo::file_sostitutivo(std::filesystem::path destinazione)
    : destinazione_(std::move(destinazione)) {
    // A read-only older file ends the run here, as its owner asked for it to be kept; the
    // write bits are looked at, not access(), so that it holds for root too.
    struct stat stato;
    if (::stat(destinazione_.c_str(), &stato) == 0 && S_ISREG(stato.st_mode) &&
        (stato.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        throw errore_esecuzione(destinazione_, "file in sola lettura");
    }
    std::string modello =
        (destinazione_.parent_path() / ("." + destinazione_.filename().string() + ".XXXXXX"))
            .string();
    descrittore_ = ::mkstemp(modello.data());
    if (descrittore_ < 0) {
        fallisci("creazione", errno);
    }
    temporaneo_ = modello;
    ::fchmod(descrittore_, permessi_predefiniti());
}

file_sostitutivo::~file_sostitutivo() {
    if (descrittore_ >= 0) {
        ::close(descrittore_);
        ::unlink(temporaneo_.c_str());
    }
}

void file_sostitutivo::svuota_buffer() {
    std::size_t scritti = 0;
    while (scritti < in_buffer_) {
        const ssize_t n = ::write(descrittore_, buffer_ + scritti, in_buffer_ - scritti);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            fallisci("scrittura", errno);
        }
        scritti += static_cast<std::size_t>(n);
    }
    in_buffer_ = 0;
}

void file_sostitutivo::conferma() {
    svuota_buffer();
    const int descrittore = descrittore_;
    descrittore_ = -1;
    if (::close(descrittore) != 0) {
        const int numero = errno;
        ::unlink(temporaneo_.c_str());
        fallisci("chiusura", numero);
    }
    if (::rename(temporaneo_.c_str(), destinazione_.c_str()) != 0) {
        const int numero = errno;
        ::unlink(temporaneo_.c_str());
        fallisci("sostituzione", numero);
    }
}

void file_sostitutivo::fallisci(const char* operazione, unsigned long numero_errore) {
    throw errore_esecuzione(destinazione_, std::string(operazione) + " non riuscita: " +
                                               std::strerror(static_cast<int>(numero_errore)));
}
