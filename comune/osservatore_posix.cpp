// The folder watcher on Linux: inotify on the folder for files closed after writing and
// files moved in; SIGINT and SIGTERM reach the waiting poll() through a pipe.
#include "comune/errore_esecuzione.h"
#include "comune/osservatore.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>
#include <cstring>

namespace {

int tubo_segnali[2] = {-1, -1};
// What SIGINT and SIGTERM did before the watch, put back after it: the removal of the
// run's own files that prepara_processo set up.
struct sigaction prima_int;
struct sigaction prima_term;

extern "C" void su_segnale(int) {
    const int salvato = errno;
    [[maybe_unused]] const ssize_t scritti = ::write(tubo_segnali[1], "x", 1);
    errno = salvato;
}

}  // namespace

struct osservatore_cartella::stato {
    int inotify = -1;
    bool fermato = false;
};

osservatore_cartella::osservatore_cartella(const std::filesystem::path& cartella)
    : stato_(std::make_unique<stato>()) {
    stato_->inotify = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (stato_->inotify < 0 || ::inotify_add_watch(stato_->inotify, cartella.c_str(),
                                                   IN_CLOSE_WRITE | IN_MOVED_TO | IN_ONLYDIR) < 0) {
        const std::string motivo = std::strerror(errno);
        if (stato_->inotify >= 0) {
            ::close(stato_->inotify);
        }
        throw errore_esecuzione(cartella, "impossibile osservare la cartella: " + motivo);
    }
    if (tubo_segnali[0] < 0 && ::pipe2(tubo_segnali, O_CLOEXEC | O_NONBLOCK) != 0) {
        throw errore_esecuzione(cartella, std::string("pipe: ") + std::strerror(errno));
    }
    struct sigaction azione {};
    azione.sa_handler = su_segnale;
    sigemptyset(&azione.sa_mask);
    ::sigaction(SIGINT, &azione, &prima_int);
    ::sigaction(SIGTERM, &azione, &prima_term);
}

osservatore_cartella::~osservatore_cartella() {
    ::sigaction(SIGINT, &prima_int, nullptr);
    ::sigaction(SIGTERM, &prima_term, nullptr);
    ::close(stato_->inotify);
}

std::optional<std::vector<std::string>> osservatore_cartella::attendi(
    std::chrono::milliseconds attesa) {
    if (stato_->fermato) {
        return std::nullopt;
    }
    pollfd attese[2] = {{stato_->inotify, POLLIN, 0}, {tubo_segnali[0], POLLIN, 0}};
    const int pronti = ::poll(attese, 2, static_cast<int>(attesa.count()));
    if (attese[1].revents & POLLIN) {
        stato_->fermato = true;
        return std::nullopt;
    }
    std::vector<std::string> nomi;
    if (pronti <= 0 || !(attese[0].revents & POLLIN)) {
        return nomi;
    }
    alignas(inotify_event) char eventi[16384];
    for (ssize_t letti; (letti = ::read(stato_->inotify, eventi, sizeof eventi)) > 0;) {
        for (ssize_t i = 0; i < letti;) {
            const auto* e = reinterpret_cast<const inotify_event*>(eventi + i);
            if (e->len > 0) {
                nomi.emplace_back(e->name);
            }
            i += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
        }
    }
    return nomi;
}
