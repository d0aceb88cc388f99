// Test helpers.
#include "aiuti.h"

#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

void scrivi_tutto(const std::filesystem::path& file, const std::string& contenuto) {
    std::ofstream uscita(file, std::ios::binary | std::ios::trunc);
    uscita << contenuto;
}

std::vector<std::string> nomi_ordinati(const std::filesystem::path& cartella) {
    std::vector<std::string> nomi;
    for (const auto& voce : std::filesystem::directory_iterator(cartella)) {
        nomi.push_back(voce.path().filename().string());
    }
    std::sort(nomi.begin(), nomi.end());
    return nomi;
}

std::string le16(int16_t v) {
    const auto u = static_cast<uint16_t>(v);
    return {static_cast<char>(u & 0xFF), static_cast<char>(u >> 8)};
}

std::string le32(int32_t v) {
    const auto u = static_cast<uint32_t>(v);
    std::string s;
    for (int i = 0; i < 4; ++i) {
        s += static_cast<char>((u >> (8 * i)) & 0xFF);
    }
    return s;
}

std::string le64_double(double v) {
    uint64_t u;
    std::memcpy(&u, &v, 8);
    std::string s;
    for (int i = 0; i < 8; ++i) {
        s += static_cast<char>((u >> (8 * i)) & 0xFF);
    }
    return s;
}

esito_processo esegui(const std::filesystem::path& programma,
                      const std::vector<std::string>& argomenti,
                      const std::vector<std::string>& ambiente_extra) {
    processo_avviato processo = avvia(programma, argomenti, ambiente_extra);
    return attendi(processo);
}

processo_avviato avvia(const std::filesystem::path& programma,
                       const std::vector<std::string>& argomenti,
                       const std::vector<std::string>& ambiente_extra, errori_standard errori) {
    int tubo[2];
    if (::pipe(tubo) != 0) {
        throw std::runtime_error("pipe");
    }
    if (errori == errori_standard::tubo_chiuso) {
        ::close(tubo[0]);
        tubo[0] = -1;
    }
    const pid_t figlio = ::fork();
    if (figlio == 0) {
        if (errori == errori_standard::chiusi) {
            ::close(2);
        } else {
            ::dup2(tubo[1], 2);
        }
        if (tubo[0] >= 0) {
            ::close(tubo[0]);
        }
        ::close(tubo[1]);
        if (std::freopen("/dev/null", "w", stdout) == nullptr) {
            ::_exit(126);
        }
        // Whatever the test runner ignores, the program starts as from a shell.
        std::signal(SIGPIPE, SIG_DFL);
        ::unsetenv("DISPLAY");  // whole-run tests never open a window
        for (const std::string& variabile : ambiente_extra) {
            ::putenv(const_cast<char*>(variabile.c_str()));
        }
        std::vector<char*> argv;
        std::string nome = programma.string();
        argv.push_back(nome.data());
        std::vector<std::string> copie = argomenti;
        for (std::string& a : copie) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        ::execv(nome.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(tubo[1]);
    return {figlio, tubo[0]};
}

esito_processo attendi(processo_avviato& processo) {
    esito_processo esito;
    if (processo.lettura >= 0) {
        char blocco[4096];
        ssize_t letti;
        while ((letti = ::read(processo.lettura, blocco, sizeof blocco)) > 0) {
            esito.errori.append(blocco, static_cast<std::size_t>(letti));
        }
        ::close(processo.lettura);
        processo.lettura = -1;
    }
    int stato = 0;
    ::waitpid(processo.pid, &stato, 0);
    esito.stato = WIFEXITED(stato) ? WEXITSTATUS(stato) : 128 + WTERMSIG(stato);
    return esito;
}

std::optional<origine_problema> origine_di(const compattatore& c) {
    const problema_registrato* p = c.problema_in_vigore();
    return p != nullptr ? p->origine : std::nullopt;
}

std::filesystem::path cerca_programma(const std::string& nome) {
    const char* percorsi = std::getenv("PATH");
    std::istringstream elenco(percorsi != nullptr ? percorsi : "");
    std::string cartella;
    while (std::getline(elenco, cartella, ':')) {
        const std::filesystem::path candidato = std::filesystem::path(cartella) / nome;
        if (!cartella.empty() && ::access(candidato.c_str(), X_OK) == 0) {
            return candidato;
        }
    }
    return {};
}
