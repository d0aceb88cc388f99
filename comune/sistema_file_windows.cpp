// The file seam on Windows: the steps of the replacement of an output file (a temporary
// file in the same directory, written, flushed to the disk and then moved over the
// target), the reading of files that came from elsewhere, the application directory and
// the folder lock. Paths stay wide strings from std::filesystem to the system calls.
#include "comune/sistema_file.h"

#include "comune/errore_esecuzione.h"

#include <aclapi.h>
#include <windows.h>
#include <algorithm>
#include <chrono>
#include <iostream>
#include <random>
#include <string>
#include <thread>

namespace {

// The system's text for an error code, without the line end it carries.
std::string descrizione_errore(DWORD numero) {
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

HANDLE maniglia_di(sistema_file::maniglia file) {
    return reinterpret_cast<HANDLE>(file);
}

// The platform's file system, each step one system call or a few. The folder's names need
// no flush of their own: the move is written through.
class sistema_file_windows final : public sistema_file {
public:
    std::string leggi(const std::filesystem::path& file,
                      const std::function<void(std::uintmax_t)>& controlla_dimensione) override;

    maniglia crea_temporaneo(const std::filesystem::path& destinazione,
                             std::filesystem::path& temporaneo) override;

    numero_errore scrivi(maniglia file, const char* dati, std::size_t quanti) override {
        std::size_t scritti = 0;
        while (scritti < quanti) {
            DWORD n = 0;
            const DWORD chiesti =
                static_cast<DWORD>(std::min<std::size_t>(quanti - scritti, 1u << 30));
            if (!::WriteFile(maniglia_di(file), dati + scritti, chiesti, &n, nullptr)) {
                return ::GetLastError();
            }
            scritti += n;
        }
        return 0;
    }

    numero_errore sincronizza(maniglia file) override {
        return ::FlushFileBuffers(maniglia_di(file)) ? 0 : ::GetLastError();
    }

    numero_errore chiudi(maniglia file) override {
        return ::CloseHandle(maniglia_di(file)) ? 0 : ::GetLastError();
    }

    numero_errore rinomina(const std::filesystem::path& da,
                           const std::filesystem::path& a) override {
        return ::MoveFileExW(da.c_str(), a.c_str(),
                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
                   ? 0
                   : ::GetLastError();
    }

    numero_errore sincronizza_cartella(const std::filesystem::path&) override { return 0; }

    std::string testo_errore(numero_errore numero) const override {
        return descrizione_errore(static_cast<DWORD>(numero));
    }
};

sistema_file::maniglia sistema_file_windows::crea_temporaneo(
    const std::filesystem::path& destinazione, std::filesystem::path& temporaneo) {
    // A read-only older file ends the run here, as the user asked the system to keep it.
    const DWORD attributi = ::GetFileAttributesW(destinazione.c_str());
    if (attributi != INVALID_FILE_ATTRIBUTES && (attributi & FILE_ATTRIBUTE_READONLY) != 0 &&
        (attributi & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        throw errore_esecuzione(destinazione, "file in sola lettura");
    }
    std::random_device casuale;
    const std::wstring lettere = L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    const std::wstring segno(segno_temporaneo.begin(), segno_temporaneo.end());
    DWORD numero = ERROR_FILE_EXISTS;
    for (int tentativo = 0; tentativo < 100; ++tentativo) {
        std::wstring coda;
        for (int i = 0; i < 6; ++i) {
            coda += lettere[casuale() % lettere.size()];
        }
        const std::filesystem::path candidato =
            destinazione.parent_path() / (L"." + destinazione.filename().wstring() + segno + coda);
        // CREATE_NEW: a name that is taken is never opened, whoever holds it. Shared for
        // deletion alone, so that Ctrl-C or the console's close can remove it while open.
        HANDLE aperto = ::CreateFileW(candidato.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr,
                                      CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (aperto != INVALID_HANDLE_VALUE) {
            temporaneo = candidato;
            return reinterpret_cast<maniglia>(aperto);
        }
        numero = ::GetLastError();
        if (numero != ERROR_FILE_EXISTS && numero != ERROR_ALREADY_EXISTS) {
            break;
        }
    }
    throw errore_esecuzione(destinazione, "creazione non riuscita: " + descrizione_errore(numero));
}

std::string sistema_file_windows::leggi(
    const std::filesystem::path& file,
    const std::function<void(std::uintmax_t)>& controlla_dimensione) {
    HANDLE maniglia = ::CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (maniglia == INVALID_HANDLE_VALUE) {
        const DWORD numero = ::GetLastError();
        if (numero == ERROR_ACCESS_DENIED && std::filesystem::is_directory(file)) {
            throw errore_esecuzione(file, "è una cartella, non un file regolare: non viene letto");
        }
        const std::string motivo = "apertura non riuscita: " + descrizione_errore(numero);
        if (numero == ERROR_FILE_NOT_FOUND || numero == ERROR_PATH_NOT_FOUND) {
            throw errore_esecuzione(file, motivo);
        }
        throw errore_apertura(file, motivo);
    }
    LARGE_INTEGER dimensione{};
    if (::GetFileType(maniglia) != FILE_TYPE_DISK || !::GetFileSizeEx(maniglia, &dimensione)) {
        ::CloseHandle(maniglia);
        throw errore_esecuzione(file, "non è un file regolare: non viene letto");
    }
    try {
        controlla_dimensione(static_cast<std::uintmax_t>(dimensione.QuadPart));
    } catch (...) {
        ::CloseHandle(maniglia);
        throw;
    }
    std::string dati(static_cast<std::size_t>(dimensione.QuadPart), '\0');
    std::size_t letti = 0;
    while (letti < dati.size()) {
        DWORD n = 0;
        const DWORD chiesti =
            static_cast<DWORD>(std::min<std::size_t>(dati.size() - letti, 1u << 30));
        if (!::ReadFile(maniglia, dati.data() + letti, chiesti, &n, nullptr)) {
            const DWORD numero = ::GetLastError();
            ::CloseHandle(maniglia);
            throw errore_esecuzione(file, "lettura non riuscita: " + descrizione_errore(numero));
        }
        if (n == 0) {
            break;
        }
        letti += n;
    }
    ::CloseHandle(maniglia);
    if (letti != dati.size()) {
        throw errore_esecuzione(file, "la dimensione è cambiata durante la lettura");
    }
    return dati;
}

}  // namespace

sistema_file& sistema_file_predefinito() {
    static sistema_file_windows sistema;
    return sistema;
}

std::filesystem::path cartella_applicazione() {
    std::wstring nome(MAX_PATH, L'\0');
    for (;;) {
        const DWORD lunghezza =
            ::GetModuleFileNameW(nullptr, nome.data(), static_cast<DWORD>(nome.size()));
        if (lunghezza == 0) {
            throw errore_esecuzione("orvesa_cusvana", "nome del programma non disponibile: " +
                                                          descrizione_errore(::GetLastError()));
        }
        // A name that fills the buffer may have been cut: ask again with more room.
        if (lunghezza < nome.size()) {
            nome.resize(lunghezza);
            return std::filesystem::path(nome).parent_path();
        }
        nome.resize(nome.size() * 2);
    }
}

namespace {

// The owner of a file as DOMAIN\name, or an empty text where the system does not say.
std::string proprietario(const std::filesystem::path& file) {
    PSID utente = nullptr;
    PSECURITY_DESCRIPTOR descrittore = nullptr;
    if (::GetNamedSecurityInfoW(file.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &utente,
                                nullptr, nullptr, nullptr, &descrittore) != ERROR_SUCCESS) {
        return {};
    }
    wchar_t nome[256];
    wchar_t dominio[256];
    DWORD lunghezza_nome = 256;
    DWORD lunghezza_dominio = 256;
    SID_NAME_USE uso;
    std::string risultato;
    if (::LookupAccountSidW(nullptr, utente, nome, &lunghezza_nome, dominio, &lunghezza_dominio,
                            &uso)) {
        risultato = std::filesystem::path(std::wstring(dominio) + L"\\" + nome).string();
    }
    ::LocalFree(descrittore);
    return risultato;
}

[[noreturn]] void rifiuta_blocco(const std::filesystem::path& file, DWORD attributi) {
    throw errore_esecuzione(
        file, std::string("è ") +
                  ((attributi & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ? "un collegamento"
                   : (attributi & FILE_ATTRIBUTE_DIRECTORY) != 0   ? "una cartella"
                                                                   : "un file speciale") +
                  ", non il file regolare del blocco della cartella: nulla viene scritto; "
                  "togliere quel nome dalla cartella e ripetere");
}

}  // namespace

void blocco_cartella::prendi(const std::filesystem::path& cartella, std::string_view programma,
                             bool attendi) {
    // The lock file goes when the last run that has it open closes it: a run waiting on it
    // keeps it, and holds the lock on it once the run before has closed it. A link under
    // the name is opened as itself, and refused below.
    constexpr DWORD condivisione = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE maniglia = ::CreateFileW(
        file_.c_str(), GENERIC_READ | GENERIC_WRITE, condivisione, nullptr, OPEN_ALWAYS,
        FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (maniglia == INVALID_HANDLE_VALUE) {
        const DWORD numero = ::GetLastError();
        const DWORD attributi = ::GetFileAttributesW(file_.c_str());
        if (attributi == INVALID_FILE_ATTRIBUTES) {
            // Where no file can be created (a folder that is not there, or where nothing
            // may be created), no run can write either: the first file of the run then
            // fails with its own name, as without the lock.
            if (numero == ERROR_ACCESS_DENIED || numero == ERROR_WRITE_PROTECT ||
                numero == ERROR_PATH_NOT_FOUND) {
                return;
            }
            throw errore_esecuzione(
                file_, "apertura del blocco non riuscita: " + descrizione_errore(numero));
        }
        if ((attributi & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0) {
            rifiuta_blocco(file_, attributi);
        }
        // A lock file this run may not write (read-only, another user's) is locked through
        // a handle that only reads it.
        maniglia = ::CreateFileW(file_.c_str(), GENERIC_READ, condivisione, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (maniglia == INVALID_HANDLE_VALUE) {
            const DWORD ancora = ::GetLastError();
            const std::string di = proprietario(file_);
            throw errore_esecuzione(
                file_, "il file del blocco della cartella" +
                           (di.empty() ? std::string() : ", dell'utente " + di + ",") +
                           " non si può aprire (" + descrizione_errore(ancora) +
                           "): nulla viene scritto senza blocco; lo tolga il suo proprietario, "
                           "o lo renda leggibile a tutti, e si ripeta");
        }
    }
    BY_HANDLE_FILE_INFORMATION informazioni{};
    if (::GetFileType(maniglia) != FILE_TYPE_DISK ||
        !::GetFileInformationByHandle(maniglia, &informazioni) ||
        (informazioni.dwFileAttributes &
         (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0) {
        ::CloseHandle(maniglia);
        rifiuta_blocco(file_, informazioni.dwFileAttributes);
    }
    const auto inizio = std::chrono::steady_clock::now();
    bool avvisato = false;
    OVERLAPPED tutto{};
    while (!::LockFileEx(maniglia, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                         &tutto)) {
        const DWORD numero = ::GetLastError();
        if (numero != ERROR_LOCK_VIOLATION && numero != ERROR_IO_PENDING) {
            ::CloseHandle(maniglia);
            throw errore_esecuzione(
                file_, "blocco della cartella non riuscito: " + descrizione_errore(numero));
        }
        if (!attendi) {
            ::CloseHandle(maniglia);
            occupata_ = true;
            return;
        }
        if (!avvisato && std::chrono::steady_clock::now() - inizio >= std::chrono::seconds(1)) {
            std::cerr << programma << ": in attesa di " << cartella.string()
                      << ": un'altra esecuzione sta scrivendo nella cartella" << std::endl;
            avvisato = true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    maniglia_ = reinterpret_cast<std::intptr_t>(maniglia);
    rimuovi_temporanei_abbandonati(cartella);
    tenuto();
}

blocco_cartella::~blocco_cartella() {
    if (maniglia_ != -1) {
        lasciato();
        HANDLE maniglia = reinterpret_cast<HANDLE>(maniglia_);
        OVERLAPPED tutto{};
        ::UnlockFileEx(maniglia, 0, 1, 0, &tutto);
        ::CloseHandle(maniglia);
    }
}

void rimuovi_nome(const wchar_t* nome) noexcept {
    ::DeleteFileW(nome);
}

std::string nome_programma() {
    wchar_t nome[MAX_PATH];
    const DWORD lunghezza = ::GetModuleFileNameW(nullptr, nome, MAX_PATH);
    if (lunghezza == 0 || lunghezza >= MAX_PATH) {
        return "compattatore";
    }
    return std::filesystem::path(std::wstring(nome, lunghezza)).stem().string();
}
