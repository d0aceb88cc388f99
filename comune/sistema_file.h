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
#include <memory>
#include <string>
#include <string_view>

// The file operations of the engine, as one small interface: each platform has its
// implementation (sistema_file_posix.cpp, sistema_file_windows.cpp), which
// sistema_file_predefinito() returns; a test can put a wrapper in front of it to make a
// chosen step fail, and the fuzz targets keep their files in memory
// (sistema_file_memoria.h). The replacement of a file is put together from the steps
// below once for every implementation, by file_sostitutivo, so that a wrapper that fails
// a step exercises the real failure paths.
class sistema_file {
public:
    // An open file: a descriptor on Linux, a HANDLE on Windows, a number in memory.
    using maniglia = std::intptr_t;
    static constexpr maniglia nessuna_maniglia = -1;
    // What a step returns: 0 when it succeeded, else the system's error number (errno on
    // Linux, GetLastError() on Windows), which testo_errore() puts into words.
    using numero_errore = unsigned long;

    sistema_file() = default;
    sistema_file(const sistema_file&) = delete;
    sistema_file& operator=(const sistema_file&) = delete;
    virtual ~sistema_file() = default;

    // Reads a file that came from elsewhere: only a regular file is read (a directory, a
    // FIFO, a device or a socket is refused without waiting on it), and its size, as the
    // open file has it, goes to `controlla_dimensione` before any byte is read, so that a
    // size that cannot fit what the caller expects is refused by a throw from there.
    // errore_esecuzione names the file; errore_apertura when the name is there but cannot
    // be opened (a loop of links, no permission).
    virtual std::string leggi(const std::filesystem::path& file,
                              const std::function<void(std::uintmax_t)>& controlla_dimensione) = 0;
    // Whether a regular file stands under the name (a link is followed). The same on every
    // platform, through std::filesystem; a test's seam may answer otherwise. A name that
    // cannot be looked at for a reason other than its absence (a loop of links, a folder
    // without permission) throws errore_apertura naming it.
    virtual bool file_regolare(const std::filesystem::path& file);
    // Whether the names are the machine's own files. The in-memory seam says no: its
    // writers then take no folder lock and leave no name for a signal to remove.
    virtual bool sul_disco() const { return true; }
    // Removes a file; one already gone, or that cannot be removed, stays as it is.
    virtual void elimina(const std::filesystem::path& file);

    // The steps of a replacement. crea_temporaneo makes a new, empty file beside
    // `destinazione`, named by the pattern of segno_temporaneo, and returns it open for
    // writing, its name in `temporaneo`; an older `destinazione` that must not be written,
    // or a temporary file that cannot be made, ends in errore_esecuzione naming
    // `destinazione`.
    virtual maniglia crea_temporaneo(const std::filesystem::path& destinazione,
                                     std::filesystem::path& temporaneo) = 0;
    // All `quanti` bytes, or an error.
    virtual numero_errore scrivi(maniglia file, const char* dati, std::size_t quanti) = 0;
    // The file's data onto the device.
    virtual numero_errore sincronizza(maniglia file) = 0;
    // The handle is gone afterwards whatever the result.
    virtual numero_errore chiudi(maniglia file) = 0;
    // `da` takes the place of `a` in one step, replacing what stood there.
    virtual numero_errore rinomina(const std::filesystem::path& da,
                                   const std::filesystem::path& a) = 0;
    // The names in `cartella` made durable, so that a rename there survives a power cut.
    virtual numero_errore sincronizza_cartella(const std::filesystem::path& cartella) = 0;
    virtual std::string testo_errore(numero_errore numero) const = 0;
};

// The platform's own file system.
sistema_file& sistema_file_predefinito();

// The directory that holds the running program file.
std::filesystem::path cartella_applicazione();

// sistema_file::leggi through the given seam.
std::string leggi_file_regolare(const std::filesystem::path& file,
                                const std::function<void(std::uintmax_t)>& controlla_dimensione,
                                sistema_file& sistema = sistema_file_predefinito());
// A whole regular file into memory, with no size limit; errore_esecuzione naming the
// file when it cannot be read.
std::string leggi_file_intero(const std::filesystem::path& file,
                              sistema_file& sistema = sistema_file_predefinito());

class blocco_cartella;

// The one way to write an output file, and the rule every writer keeps with the sweep of
// abandoned temporary files (rimuovi_temporanei_abbandonati): a replacement is made only
// under the lock of the folder it writes in. A writer that holds that folder's
// blocco_cartella (in the same thread) writes under it; one that does not,
// such as pianta, gets the lock from its file_sostitutivo for as long as that lives. So a
// new writer needs nothing but file_sostitutivo or sostituisci_file; it takes
// blocco_cartella itself only where several files must change as one run.
class file_sostitutivo {
public:
    explicit file_sostitutivo(std::filesystem::path destinazione,
                              sistema_file& sistema = sistema_file_predefinito());
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
    // Writes what is left, flushes the data to the device, closes, renames the temporary
    // file over the target and flushes the directory.
    void conferma();

private:
    void svuota_buffer();
    [[noreturn]] void fallisci(const char* operazione, sistema_file::numero_errore numero);

    sistema_file& sistema_;
    std::filesystem::path destinazione_;
    std::unique_ptr<blocco_cartella> blocco_;  // the folder's lock, when nobody here held it
    std::filesystem::path temporaneo_;
    int voce_segnale_ = -1;  // the temporary's entry among the names a signal removes
    sistema_file::maniglia maniglia_ = sistema_file::nessuna_maniglia;
    char buffer_[1 << 16];
    std::size_t in_buffer_ = 0;
};

void sostituisci_file(const std::filesystem::path& destinazione, std::string_view contenuto,
                      sistema_file& sistema = sistema_file_predefinito());

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
//
// No run goes on unlocked in a folder it may write in. The lock file is made readable by
// everybody, and a run that may not write it locks it through a read-only handle, so that
// the runs of several users exclude each other. Anything but a regular file under the
// name (a directory, a FIFO, a link, a device) and a lock file that cannot be opened at
// all end the run with errore_esecuzione naming it. Only where the lock file is missing
// and cannot be made, as in a folder where nothing may be created, does the run go on
// without it: its first file then fails with its own name.
class blocco_cartella {
public:
    blocco_cartella(const std::filesystem::path& cartella, std::string_view programma);
    // Without waiting: when another run holds the lock, nothing is held and occupata()
    // says so (the language server skips a save's compaction rather than hang the editor).
    struct senza_attesa {};
    blocco_cartella(const std::filesystem::path& cartella, senza_attesa);
    ~blocco_cartella();
    bool occupata() const { return occupata_; }
    blocco_cartella(const blocco_cartella&) = delete;
    blocco_cartella& operator=(const blocco_cartella&) = delete;

    static constexpr std::string_view nome_file = ".orvesa_cusvana.blocco";

private:
    void tenuto();    // recorded as held by this process, once the sweep is done
    void lasciato();  // and no longer

    std::filesystem::path cartella_;
    std::filesystem::path file_;
    void prendi(const std::filesystem::path& cartella, std::string_view programma, bool attendi);

    std::intptr_t maniglia_ = -1;  // the open lock file, or -1 when nothing is held
    int voce_segnale_ = -1;        // the lock file's entry among the names a signal removes
    bool occupata_ = false;
};

// Whether this thread holds the lock of `cartella` now.
bool cartella_bloccata_qui(const std::filesystem::path& cartella);

// The names that a signal ending the run removes (SIGTERM, SIGINT, SIGHUP, the console's
// close on Windows): the temporary files being written and the lock files held. They are
// kept in storage set aside at start, so that the removal makes no allocation and takes no
// lock. registra_da_rimuovere returns the entry, or -1 when the name does not fit or every
// entry is taken (the next run's sweep then removes what is left).
int registra_da_rimuovere(const std::filesystem::path& file);
void togli_da_rimuovere(int voce);
// Removes every registered name; only calls that a signal handler may make.
void rimuovi_registrati() noexcept;
// The platform's removal of one name, as a signal handler may call it.
void rimuovi_nome(const std::filesystem::path::value_type* nome) noexcept;

// The running program's file name without folder or extension, for the messages of the
// lock that a writer takes by itself.
std::string nome_programma();
