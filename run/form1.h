// The program's one window and its run: identity, writers, compactor, end.
#pragma once

#include "compactor/compattatore.h"
#include "run/presentazione.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

// Exit statuses of the program.
namespace stato_uscita {
constexpr int fatto = 0;
constexpr int errore_esecuzione = 1;
constexpr int intestazione = 2;
constexpr int problema_registrato = 3;
}  // namespace stato_uscita

class Form1 {
public:
    Form1(std::filesystem::path cartella, std::unique_ptr<presentazione> schermo);

    // The run, in order; returns the exit status. Run-time failures escape as exceptions.
    int Form_Load();
    // Shows " Errore n. " followed by a; the run ends right after.
    void errore(const std::string& a);

    std::string nome_scenario;
    std::string numero_treno;
    int32_t risposta = 0;
    std::optional<compattatore> modello;

private:
    std::filesystem::path cartella_;
    std::unique_ptr<presentazione> schermo_;
};
