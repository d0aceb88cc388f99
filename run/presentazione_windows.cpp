// The window on Windows, with the system's own controls: Form1 with its label Label1
// "Attendere", drawn once before the work starts, and the error boxes. A window that cannot
// be made (no desktop) leaves the texts to standard error, as in terminal mode.
#include "run/presentazione.h"

#include <windows.h>
#include <string>

namespace {

constexpr wchar_t classe_form1[] = L"orvesa_cusvana_Form1";

// Form1 reacts to nothing: closing it, keys and clicks are all let go.
LRESULT CALLBACK procedura_form1(HWND finestra, UINT messaggio, WPARAM w, LPARAM l) {
    switch (messaggio) {
        case WM_CLOSE: return 0;
        case WM_CTLCOLORSTATIC:
            // The label on the form's own face, as a label without a background of its own.
            ::SetBkMode(reinterpret_cast<HDC>(w), TRANSPARENT);
            return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
        default: return ::DefWindowProcW(finestra, messaggio, w, l);
    }
}

std::wstring largo(const std::string& testo) {
    // The texts shown are UTF-8 (the system's reasons, the paths); bytes that are not
    // UTF-8 are taken as Windows-1252, so that nothing is lost.
    const int lunghezza = static_cast<int>(testo.size());
    UINT pagina = CP_UTF8;
    int quanti =
        ::MultiByteToWideChar(pagina, MB_ERR_INVALID_CHARS, testo.data(), lunghezza, nullptr, 0);
    if (quanti == 0 && lunghezza > 0) {
        pagina = 1252;
        quanti = ::MultiByteToWideChar(pagina, 0, testo.data(), lunghezza, nullptr, 0);
    }
    std::wstring risultato(static_cast<std::size_t>(quanti), L'\0');
    ::MultiByteToWideChar(pagina, 0, testo.data(), lunghezza, risultato.data(), quanti);
    return risultato;
}

// Hands the pending messages of this thread to their windows, without waiting.
void smaltisci_messaggi() {
    MSG messaggio;
    while (::PeekMessageW(&messaggio, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&messaggio);
        ::DispatchMessageW(&messaggio);
    }
}

class finestra_windows : public presentazione {
public:
    explicit finestra_windows(std::string titolo) : titolo_(std::move(titolo)) {}

    ~finestra_windows() override {
        if (form1_ != nullptr) {
            ::DestroyWindow(form1_);
        }
        if (carattere_ != nullptr) {
            ::DeleteObject(carattere_);
        }
    }

    void mostra_attendere() override {
        const HINSTANCE istanza = ::GetModuleHandleW(nullptr);
        WNDCLASSEXW classe{};
        classe.cbSize = sizeof classe;
        classe.lpfnWndProc = procedura_form1;
        classe.hInstance = istanza;
        classe.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
        classe.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        classe.lpszClassName = classe_form1;
        ::RegisterClassExW(&classe);

        // A client area of 280 x 179, whatever frame the system draws around it.
        const DWORD stile = WS_OVERLAPPEDWINDOW;
        RECT area{0, 0, 280, 179};
        ::AdjustWindowRectEx(&area, stile, FALSE, 0);
        form1_ = ::CreateWindowExW(0, classe_form1, L"Form1", stile, CW_USEDEFAULT, CW_USEDEFAULT,
                                   area.right - area.left, area.bottom - area.top, nullptr, nullptr,
                                   istanza, nullptr);
        if (form1_ == nullptr) {
            terminale_->mostra_attendere();
            return;
        }

        // Label1: bold sans 24 pt, at (64, 64), 177 x 53.
        const HDC schermo = ::GetDC(nullptr);
        const int altezza = -::MulDiv(24, ::GetDeviceCaps(schermo, LOGPIXELSY), 72);
        ::ReleaseDC(nullptr, schermo);
        carattere_ = ::CreateFontW(altezza, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                   OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                   VARIABLE_PITCH | FF_SWISS, L"Microsoft Sans Serif");
        const HWND label1 = ::CreateWindowExW(0, L"STATIC", L"Attendere",
                                              WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 64, 64,
                                              177, 53, form1_, nullptr, istanza, nullptr);
        if (label1 != nullptr && carattere_ != nullptr) {
            ::SendMessageW(label1, WM_SETFONT, reinterpret_cast<WPARAM>(carattere_), FALSE);
        }

        ::ShowWindow(form1_, SW_SHOWNORMAL);
        // Drawn now, label included, and on the screen before the work starts: from here
        // on the run does not hand messages to the window until it ends.
        ::RedrawWindow(form1_, nullptr, nullptr,
                       RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_ERASENOW);
        smaltisci_messaggi();
        ::GdiFlush();
    }

    int mostra_messaggio(const std::string& testo) override {
        // One OK button, no icon, the program's name as caption, modal to Form1.
        const int risposta = ::MessageBoxW(form1_, largo(testo).c_str(), largo(titolo_).c_str(),
                                           MB_OK | MB_SETFOREGROUND);
        if (risposta == 0) {
            return terminale_->mostra_messaggio(testo);
        }
        return risposta;
    }

    // The system's box for a failure: the text, one OK button and the error icon. A
    // program of the GUI subsystem has no standard error, so this is all the user sees.
    void mostra_errore_esecuzione(const std::string& testo) override {
        ::MessageBoxW(form1_, largo(testo).c_str(), largo(titolo_).c_str(),
                      MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
    }

private:
    std::string titolo_;
    HWND form1_ = nullptr;
    HFONT carattere_ = nullptr;
    std::unique_ptr<presentazione> terminale_ = presentazione_terminale();
};

}  // namespace

std::unique_ptr<presentazione> apri_presentazione(const std::string& titolo) {
    return std::make_unique<finestra_windows>(titolo);
}
