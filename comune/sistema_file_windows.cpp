// The file seam on Windows: the application directory and the replacement of an output
// file through a temporary file in the same directory, flushed to the disk and then moved
// over the target. Paths stay wide strings from std::filesystem to the system calls.
#include "comune/sistema_file.h"

#include "comune/errore_esecuzione.h"
#include "comune/processo.h"

#include <windows.h>
#include <random>
#include <string>

namespace {

// The system's text for an error code, without the line end it carries.
std::string testo_errore(DWORD numero) {
    wchar_t* testo = nullptr;
    const DWORD lunghezza = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, numero, 0, reinterpret_cast<wchar_t*>(&testo), 0, nullptr);
    std::wstring largo = lunghezza > 0 ? std::wstring(testo, lunghezza) : std::wstring();
    ::LocalFree(testo);
    while (!largo.empty() && (largo.back() == L'\r' || largo.back() == L'\n' ||
                              largo.back() == L' ' || largo.back() == L'.')) {
        largo.pop_back();
    }
    std::string risultato = "errore " + std::to_string(numero);
    if (!largo.empty()) {
        const int byte = ::WideCharToMultiByte(
            CP_UTF8, 0, largo.data(), static_cast<int>(largo.size()), nullptr, 0, nullptr, nullptr);
        std::string utf8(static_cast<std::size_t>(byte), '\0');
        ::WideCharToMultiByte(CP_UTF8, 0, largo.data(), static_cast<int>(largo.size()), utf8.data(),
                              byte, nullptr, nullptr);
        risultato = utf8 + " (" + risultato + ")";
    }
    return risultato;
}

}  // namespace

void prepara_processo() {
    // Without a console (the window program) this does nothing.
    ::SetConsoleOutputCP(CP_UTF8);
}

std::filesystem::path cartella_applicazione() {
    std::wstring nome(MAX_PATH, L'\0');
    for (;;) {
        const DWORD lunghezza =
            ::GetModuleFileNameW(nullptr, nome.data(), static_cast<DWORD>(nome.size()));
        if (lunghezza == 0) {
            throw errore_esecuzione("orvesa_cusvana", "nome del programma non disponibile: " +
                                                          testo_errore(::GetLastError()));
        }
        // A name that fills the buffer may have been cut: ask again with more room.
        if (lunghezza < nome.size()) {
            nome.resize(lunghezza);
            return std::filesystem::path(nome).parent_path();
        }
        nome.resize(nome.size() * 2);
    }
}

file_sostitutivo::file_sostitutivo(std::filesystem::path destinazione)
    : destinazione_(std::move(destinazione)) {
    // A read-only older file ends the run here, as the user asked the system to keep it.
    const DWORD attributi = ::GetFileAttributesW(destinazione_.c_str());
    if (attributi != INVALID_FILE_ATTRIBUTES && (attributi & FILE_ATTRIBUTE_READONLY) != 0 &&
        (attributi & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        throw errore_esecuzione(destinazione_, "file in sola lettura");
    }
    std::random_device casuale;
    for (int tentativo = 0; tentativo < 100; ++tentativo) {
        const std::filesystem::path candidato =
            destinazione_.parent_path() /
            (L"." + destinazione_.filename().wstring() + L"." + std::to_wstring(casuale()));
        // CREATE_NEW: a name that is taken is never opened, whoever holds it.
        HANDLE maniglia = ::CreateFileW(candidato.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (maniglia != INVALID_HANDLE_VALUE) {
            maniglia_ = maniglia;
            temporaneo_ = candidato;
            return;
        }
        const DWORD numero = ::GetLastError();
        if (numero != ERROR_FILE_EXISTS && numero != ERROR_ALREADY_EXISTS) {
            fallisci("creazione", numero);
        }
    }
    fallisci("creazione", ERROR_FILE_EXISTS);
}

file_sostitutivo::~file_sostitutivo() {
    if (maniglia_ != nullptr) {
        ::CloseHandle(maniglia_);
        ::DeleteFileW(temporaneo_.c_str());
    }
}

void file_sostitutivo::svuota_buffer() {
    std::size_t scritti = 0;
    while (scritti < in_buffer_) {
        DWORD n = 0;
        if (!::WriteFile(maniglia_, buffer_ + scritti, static_cast<DWORD>(in_buffer_ - scritti), &n,
                         nullptr)) {
            fallisci("scrittura", ::GetLastError());
        }
        scritti += n;
    }
    in_buffer_ = 0;
}

void file_sostitutivo::conferma() {
    svuota_buffer();
    HANDLE maniglia = maniglia_;
    maniglia_ = nullptr;
    const bool scaricato = ::FlushFileBuffers(maniglia) != 0;
    const DWORD numero_scarico = scaricato ? 0 : ::GetLastError();
    if (!::CloseHandle(maniglia) || !scaricato) {
        const DWORD numero = scaricato ? ::GetLastError() : numero_scarico;
        ::DeleteFileW(temporaneo_.c_str());
        fallisci("chiusura", numero);
    }
    if (!::MoveFileExW(temporaneo_.c_str(), destinazione_.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD numero = ::GetLastError();
        ::DeleteFileW(temporaneo_.c_str());
        fallisci("sostituzione", numero);
    }
}

void file_sostitutivo::fallisci(const char* operazione, unsigned long numero_errore) {
    throw errore_esecuzione(
        destinazione_, std::string(operazione) + " non riuscita: " + testo_errore(numero_errore));
}
