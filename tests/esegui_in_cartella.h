// Runs compattatore in a given folder, with its standard output and standard error kept
// apart, for the tests of the command line, of library mode and of watch mode.
#pragma once

#include "aiuti.h"

#include <sys/wait.h>
#include <unistd.h>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

struct esito_comando {
    int stato = -1;
    std::string uscita;
    std::string errori;
};

// With `interrompi_dopo`, the program gets SIGINT (Ctrl-C) after that many milliseconds.
inline esito_comando esegui_in_cartella(const std::filesystem::path& cartella,
                                        const std::vector<std::string>& argomenti,
                                        int interrompi_dopo = -1) {
    const cartella_temporanea catture;
    const std::filesystem::path uscita = catture / "uscita";
    const std::filesystem::path errori = catture / "errori";
    const pid_t figlio = ::fork();
    if (figlio == 0) {
        if (::chdir(cartella.c_str()) != 0 || !std::freopen(uscita.c_str(), "w", stdout) ||
            !std::freopen(errori.c_str(), "w", stderr)) {
            ::_exit(126);
        }
        ::unsetenv("DISPLAY");
        std::vector<std::string> copie = argomenti;
        std::string nome = PERCORSO_COMPATTATORE;
        std::vector<char*> argv{nome.data()};
        for (std::string& a : copie) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        ::execv(nome.c_str(), argv.data());
        ::_exit(127);
    }
    if (interrompi_dopo >= 0) {
        ::usleep(static_cast<useconds_t>(interrompi_dopo) * 1000);
        ::kill(figlio, SIGINT);
    }
    int stato = 0;
    ::waitpid(figlio, &stato, 0);
    return {WIFEXITED(stato) ? WEXITSTATUS(stato) : 128 + WTERMSIG(stato),
            leggi_file_intero(uscita), leggi_file_intero(errori)};
}
