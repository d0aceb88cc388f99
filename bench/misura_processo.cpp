// Times whole processes from outside: runs two programs alternately and takes from every
// run its wall time and, from wait4, the CPU time it used (user + system) and its peak
// resident memory. Runs
// alternate so that a change in the load of a shared machine falls on both programs
// alike; medians keep the odd slow run out.
//
//   misura_processo RUNS PROGRAM_A PROGRAM_B
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct misura {
    double parete_ms = 0;
    double cpu_ms = 0;
    long picco_kb = 0;
};

misura esegui(const char* programma) {
    const auto inizio = std::chrono::steady_clock::now();
    const pid_t figlio = ::fork();
    if (figlio < 0) {
        std::perror("fork");
        std::exit(1);
    }
    if (figlio == 0) {
        // The program's own messages ("Attendere") are not part of what is measured.
        std::freopen("/dev/null", "w", stderr);
        ::execl(programma, programma, static_cast<char*>(nullptr));
        std::_Exit(127);
    }
    int stato = 0;
    rusage uso{};
    if (::wait4(figlio, &stato, 0, &uso) != figlio) {
        std::perror("wait4");
        std::exit(1);
    }
    const auto fine = std::chrono::steady_clock::now();
    if (!WIFEXITED(stato) || WEXITSTATUS(stato) != 0) {
        std::fprintf(stderr, "misura_processo: %s did not end with status 0\n", programma);
        std::exit(1);
    }
    auto ms = [](const timeval& t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
    return {std::chrono::duration<double, std::milli>(fine - inizio).count(),
            ms(uso.ru_utime) + ms(uso.ru_stime), uso.ru_maxrss};
}

double mediana(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4 || std::atoi(argv[1]) <= 0) {
        std::fprintf(stderr, "uso: misura_processo RUNS PROGRAM_A PROGRAM_B\n");
        return 64;
    }
    const int prove = std::atoi(argv[1]);
    const char* programmi[2] = {argv[2], argv[3]};
    for (const char* p : programmi) {
        esegui(p);  // warm-up: the files exist and the caches are filled for both
    }
    std::vector<double> parete[2], cpu[2];
    long picco[2] = {0, 0};
    for (int i = 0; i < prove; ++i) {
        for (int k = 0; k < 2; ++k) {
            const misura m = esegui(programmi[k]);
            parete[k].push_back(m.parete_ms);
            cpu[k].push_back(m.cpu_ms);
            picco[k] = std::max(picco[k], m.picco_kb);
        }
    }
    std::printf("  %-16s %14s %14s %14s %12s\n", "", "median wall ms", "min wall ms",
                "median cpu ms", "peak RSS kB");
    for (int k = 0; k < 2; ++k) {
        std::string nome = programmi[k];
        nome = nome.substr(nome.find_last_of('/') + 1);
        std::printf("  %-16s %14.3f %14.3f %14.3f %12ld\n", nome.c_str(), mediana(parete[k]),
                    *std::min_element(parete[k].begin(), parete[k].end()), mediana(cpu[k]),
                    picco[k]);
    }
    std::printf("  ratio, median cpu (user + system)  %.2f\n", mediana(cpu[0]) / mediana(cpu[1]));
    std::printf("  ratio, median wall                 %.2f\n",
                mediana(parete[0]) / mediana(parete[1]));
    std::printf("  ratio, min wall                    %.2f\n",
                *std::min_element(parete[0].begin(), parete[0].end()) /
                    *std::min_element(parete[1].begin(), parete[1].end()));
    return 0;
}
