// The program's one window and its run: identity, writers, compactor, end.
#pragma once

#include "comune/stato_uscita.h"
#include "run/presentazione.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

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

private:
    std::filesystem::path cartella_;
    std::unique_ptr<presentazione> schermo_;
};
