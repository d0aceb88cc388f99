// The folder watcher on Windows: ReadDirectoryChangesW on the folder, overlapped, for
// files written and files renamed or created in it; Ctrl-C, Ctrl-Break and closing the
// console set an event that the wait sees.
#include "comune/errore_esecuzione.h"
#include "comune/osservatore.h"
#include "comune/sistema_file.h"

#include <windows.h>

namespace {

HANDLE evento_fine = nullptr;

BOOL WINAPI su_console(DWORD tipo) {
    SetEvent(evento_fine);
    if (tipo == CTRL_CLOSE_EVENT || tipo == CTRL_LOGOFF_EVENT || tipo == CTRL_SHUTDOWN_EVENT) {
        // The system ends the process when this returns: end it here, with status 0,
        // without the temporary files of a compaction under way.
        rimuovi_registrati();
        ExitProcess(0);
    }
    return TRUE;
}

std::string in_utf8(const wchar_t* testo, int lunghezza) {
    const int byte =
        WideCharToMultiByte(CP_UTF8, 0, testo, lunghezza, nullptr, 0, nullptr, nullptr);
    std::string risultato(static_cast<std::size_t>(byte), '\0');
    WideCharToMultiByte(CP_UTF8, 0, testo, lunghezza, risultato.data(), byte, nullptr, nullptr);
    return risultato;
}

}  // namespace

struct osservatore_cartella::stato {
    HANDLE cartella = INVALID_HANDLE_VALUE;
    HANDLE evento = nullptr;
    OVERLAPPED sovrapposto{};
    alignas(DWORD) char buffer[32768];
    bool in_corso = false;
    bool fermato = false;
    std::filesystem::path percorso;

    void avvia() {
        ResetEvent(evento);
        sovrapposto = {};
        sovrapposto.hEvent = evento;
        if (!ReadDirectoryChangesW(cartella, buffer, sizeof buffer, FALSE,
                                   FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_LAST_WRITE |
                                       FILE_NOTIFY_CHANGE_SIZE,
                                   nullptr, &sovrapposto, nullptr)) {
            throw errore_esecuzione(percorso, "impossibile osservare la cartella (errore " +
                                                  std::to_string(GetLastError()) + ")");
        }
        in_corso = true;
    }
};

osservatore_cartella::osservatore_cartella(const std::filesystem::path& cartella)
    : stato_(std::make_unique<stato>()) {
    stato_->percorso = cartella;
    stato_->cartella =
        CreateFileW(cartella.wstring().c_str(), FILE_LIST_DIRECTORY,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
    if (stato_->cartella == INVALID_HANDLE_VALUE) {
        throw errore_esecuzione(cartella, "impossibile osservare la cartella (errore " +
                                              std::to_string(GetLastError()) + ")");
    }
    stato_->evento = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (evento_fine == nullptr) {
        evento_fine = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    }
    SetConsoleCtrlHandler(su_console, TRUE);
    stato_->avvia();
}

osservatore_cartella::~osservatore_cartella() {
    SetConsoleCtrlHandler(su_console, FALSE);
    if (stato_->in_corso) {
        CancelIoEx(stato_->cartella, &stato_->sovrapposto);
        DWORD letti = 0;
        GetOverlappedResult(stato_->cartella, &stato_->sovrapposto, &letti, TRUE);
    }
    CloseHandle(stato_->evento);
    CloseHandle(stato_->cartella);
}

std::optional<std::vector<std::string>> osservatore_cartella::attendi(
    std::chrono::milliseconds attesa) {
    if (stato_->fermato || WaitForSingleObject(evento_fine, 0) == WAIT_OBJECT_0) {
        stato_->fermato = true;
        return std::nullopt;
    }
    const HANDLE attese[2] = {stato_->evento, evento_fine};
    const DWORD esito =
        WaitForMultipleObjects(2, attese, FALSE, static_cast<DWORD>(attesa.count()));
    if (esito == WAIT_OBJECT_0 + 1) {
        stato_->fermato = true;
        return std::nullopt;
    }
    std::vector<std::string> nomi;
    if (esito != WAIT_OBJECT_0) {
        return nomi;
    }
    DWORD letti = 0;
    stato_->in_corso = false;
    if (GetOverlappedResult(stato_->cartella, &stato_->sovrapposto, &letti, FALSE) && letti > 0) {
        for (DWORD i = 0;;) {
            const auto* voce = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(stato_->buffer + i);
            if (voce->Action == FILE_ACTION_ADDED || voce->Action == FILE_ACTION_MODIFIED ||
                voce->Action == FILE_ACTION_RENAMED_NEW_NAME) {
                nomi.push_back(in_utf8(voce->FileName,
                                       static_cast<int>(voce->FileNameLength / sizeof(WCHAR))));
            }
            if (voce->NextEntryOffset == 0) {
                break;
            }
            i += voce->NextEntryOffset;
        }
    }
    stato_->avvia();
    return nomi;
}
