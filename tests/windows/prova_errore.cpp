// The error box of the one-shot program on Windows, reached as a run reaches it: the
// carried texts are written beside this program, one row is added to the train source so
// that a point lands in cell 1 (the slot of the fixed value 5121), the compactor's header
// check fails, and Form1::errore shows the box over the "Attendere" window.
// Once the box is up it prints the box and its visible controls on standard output:
//   riquadro "TITOLO" X Y LARGHEZZA ALTEZZA              (its client area, on the screen)
//   CLASSE "TESTO" X Y LARGHEZZA ALTEZZA [icona]          (one line per visible control)
// An icon control without a picture is left out: it shows nothing.
// and when the box has been closed, "risposta N" with the code stored by errore.
// With the argument "esecuzione" it shows the box of a run-time failure instead, describes
// it the same way and prints "chiuso" once it has been closed.
#include "compactor/compattatore.h"
#include "comune/identita.h"
#include "comune/sistema_file.h"
#include "run/form1.h"
#include "tests/passi_del_driver.h"
#include "writers/dati.h"

#include <windows.h>
#include <iostream>
#include <string>
#include <thread>

namespace {

std::string stretto(const wchar_t* testo) {
    const int byte = ::WideCharToMultiByte(CP_UTF8, 0, testo, -1, nullptr, 0, nullptr, nullptr);
    std::string risultato(static_cast<std::size_t>(byte > 0 ? byte - 1 : 0), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, testo, -1, risultato.data(), byte, nullptr, nullptr);
    return risultato;
}

BOOL CALLBACK descrivi_controllo(HWND controllo, LPARAM) {
    if (!::IsWindowVisible(controllo)) {
        return TRUE;
    }
    wchar_t classe[64] = {};
    wchar_t testo[256] = {};
    ::GetClassNameW(controllo, classe, 64);
    ::GetWindowTextW(controllo, testo, 256);
    const LONG stile = ::GetWindowLongW(controllo, GWL_STYLE);
    const bool di_icona = std::wstring(classe) == L"Static" && (stile & SS_TYPEMASK) == SS_ICON;
    const bool icona = di_icona && ::SendMessageW(controllo, STM_GETICON, 0, 0) != 0;
    // A box without an icon may keep its icon control, empty: it shows nothing.
    if (di_icona && !icona) {
        return TRUE;
    }
    RECT r;
    ::GetWindowRect(controllo, &r);
    std::cout << stretto(classe) << " \"" << stretto(testo) << "\" " << r.left << " " << r.top
              << " " << r.right - r.left << " " << r.bottom - r.top << (icona ? " icona" : "")
              << "\n";
    return TRUE;
}

// Waits for the box of this process and describes it, once.
void descrivi_riquadro() {
    for (int tentativo = 0; tentativo < 200; ++tentativo) {
        const HWND riquadro = ::FindWindowW(L"#32770", nullptr);
        if (riquadro != nullptr && ::IsWindowVisible(riquadro)) {
            DWORD processo = 0;
            ::GetWindowThreadProcessId(riquadro, &processo);
            if (processo == ::GetCurrentProcessId()) {
                wchar_t titolo[256] = {};
                ::GetWindowTextW(riquadro, titolo, 256);
                RECT r;
                ::GetClientRect(riquadro, &r);
                POINT origine{0, 0};
                ::ClientToScreen(riquadro, &origine);
                std::cout << "riquadro \"" << stretto(titolo) << "\" " << origine.x << " "
                          << origine.y << " " << r.right << " " << r.bottom << "\n";
                ::EnumChildWindows(riquadro, descrivi_controllo, 0);
                std::cout << std::flush;
                return;
            }
        }
        ::Sleep(50);
    }
    std::cout << "nessun riquadro\n" << std::flush;
}

}  // namespace

int main(int argc, char** argv) {
    const std::filesystem::path cartella = cartella_applicazione();
    const identita_scenario identita = identita_predefinita();

    std::unique_ptr<presentazione> schermo = apri_presentazione("orvesa_cusvana");
    schermo->mostra_attendere();
    if (argc > 1 && std::string(argv[1]) == "esecuzione") {
        // The box of a run-time failure, over the "Attendere" window, with the message of
        // a read-only .sim in a folder whose name is not ASCII.
        const std::filesystem::path sim =
            cartella / u8"Città" / (identita.nome_scenario + "_" + identita.numero_treno + ".sim");
        std::thread descrittore(descrivi_riquadro);
        schermo->mostra_errore_esecuzione(sim.string() + ": file in sola lettura");
        descrittore.join();
        std::cout << "chiuso" << std::endl;
        return 0;
    }
    Form1 finestra(cartella, std::move(schermo));

    scrivi_testi_scenario(cartella, identita);
    const std::filesystem::path treno = nomi_file::sorgente_treno(cartella, identita);
    std::string testo = leggi_file_intero(treno);
    const std::size_t dove = testo.find("segnale,");
    if (dove == std::string::npos) {
        std::cout << "nessuna riga di segnale nel sorgente del treno\n";
        return 1;
    }
    testo.insert(dove, "abbattimento,   50,   5\r\n");
    sostituisci_file(treno, testo);

    compattatore modello(cartella, identita);
    int32_t j = 1;
    const int numero = passi_del_driver::memorizza_percorso(modello, j);
    if (numero == 0) {
        std::cout << "controllo d'intestazione superato\n";
        return 1;
    }
    std::thread descrittore(descrivi_riquadro);
    finestra.errore(std::to_string(numero));
    descrittore.join();
    std::cout << "risposta " << finestra.risposta << std::endl;
    return 0;
}
