// The file seam: everything the programs ask of the file system goes through here, so
// that the platform stays out of the engine. Every output file is written the one way
// below: the new content goes to a temporary file in the same directory, which then
// replaces the target by rename; a failure half-way leaves the older file as it was and
// throws errore_esecuzione.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

// The directory that holds the running program file.
std::filesystem::path cartella_applicazione();


// A whole file into memory; errore_esecuzione naming the file when it cannot be read.
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
