// The file seam: everything the programs ask of the file system goes through here, so
// that the platform stays out of the engine. Every output file is written the one way
// below: the new content goes to a temporary file in the same directory, which then
// replaces the target by rename; a failure half-way leaves the older file as it was and
// throws errore_esecuzione.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

// The directory that holds the running program file.
std::filesystem::path cartella_applicazione();

// A whole regular file into memory (leggi_file_regolare below, with no size limit);
// errore_esecuzione naming the file when it cannot be read.
std::string leggi_file_intero(const std::filesystem::path& file);

class file_sostitutivo {
public:
    explicit file_sostitutivo(std::filesystem::path destinazione);
    ~file_sostitutivo();  // removes the temporary file unless conferma() succeeded
    file_sostitutivo(const file_sostitutivo&) = delete;
    file_sostitutivo& operator=(const file_sostitutivo&) = delete;

    void scrivi(const void* dati, std::size_t quanti);
    void scrivi(std::string_view testo) { scrivi(testo.data(), testo.size()); }
    // For a caller that encodes its bytes straight into the buffer: the free room at its
    // end, and aggiunti() to take the bytes put there. The buffer still goes out in whole
    // 64 KiB writes (a value that does not fit goes through scrivi()), which the file
    // system takes faster than writes of odd sizes.
    std::size_t libero() const { return sizeof buffer_ - in_buffer_; }
    char* coda() { return buffer_ + in_buffer_; }
    void aggiunti(std::size_t quanti) { in_buffer_ += quanti; }
    // Flushes, closes and renames the temporary file over the target.
    void conferma();

private:
    void svuota_buffer();
    // numero_errore: errno on Linux, GetLastError() on Windows.
    [[noreturn]] void fallisci(const char* operazione, unsigned long numero_errore);

    std::filesystem::path destinazione_;
    std::filesystem::path temporaneo_;
#ifdef _WIN32
    void* maniglia_ = nullptr;  // the temporary file's HANDLE, null once closed
#else
    int descrittore_ = -1;
#endif
    char buffer_[1 << 16];
    std::size_t in_buffer_ = 0;
};

void sostituisci_file(const std::filesystem::path& destinazione, std::string_view contenuto);

// Both of the above flush the temporary file's data to the device before the rename and
// make the rename itself durable, so that after a power cut the name holds either the
// older content or the whole new one. An older file without any write permission is never
// replaced: the replacement fails, naming it, before anything is written.

// Every temporary file of file_sostitutivo is named "." + the target's name + this mark +
// six letters or digits, so that a run can tell its own leftovers from anybody's files.
inline constexpr std::string_view segno_temporaneo = ".orvesa-tmp-";

// Whether a file name follows the pattern above.
bool nome_temporaneo(std::string_view nome);

// Removes from `cartella` the temporary files of the pattern above that a run killed
// half-way left there. Only safe while holding the folder's blocco_cartella, when no
// replacement can be under way in it.
void rimuovi_temporanei_abbandonati(const std::filesystem::path& cartella);

// One run at a time in a folder: an exclusive lock on the file `nome_file` in it, held
// while the object lives, so that two runs never interleave their files. A run that finds
// the lock taken waits for it, and after about a second says so on standard error (the
// message begins with `programma`). Once the lock is held, the temporary files of a killed
// run are removed. The lock file goes with the lock.
class blocco_cartella {
public:
    blocco_cartella(const std::filesystem::path& cartella, std::string_view programma);
    ~blocco_cartella();
    blocco_cartella(const blocco_cartella&) = delete;
    blocco_cartella& operator=(const blocco_cartella&) = delete;

    static constexpr std::string_view nome_file = ".orvesa_cusvana.blocco";

private:
    std::filesystem::path file_;
    std::intptr_t maniglia_ = -1;  // the open lock file, or -1 when nothing is held
};

// Reads a file that came from elsewhere: only a regular file is read (a directory, a FIFO,
// a device or a socket is refused without waiting on it), and its size goes to
// `controlla_dimensione` before any byte is read, so that a size that cannot fit what the
// caller expects is refused by a throw from there. errore_esecuzione names the file.
std::string leggi_file_regolare(const std::filesystem::path& file,
                                const std::function<void(std::uintmax_t)>& controlla_dimensione);

// Makes sure that the standard streams 0, 1 and 2 are open, on the null device when they
// were closed, so that no file the program opens takes their number and receives what is
// written to them. Called first in main().
void assicura_flussi_standard();
