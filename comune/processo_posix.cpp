// The preparation of the process on Linux: the standard streams, the signals that would
// end a run that can go on, and the signals that end a run without leaving its files.
#include "comune/processo.h"

#include "comune/sistema_file.h"

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>

namespace {

// The run's own temporary files and lock files go; then the signal ends the process as it
// would have without this handler, so that the shell sees the interruption.
extern "C" void alla_fine(int segnale) {
    const int salvato = errno;
    rimuovi_registrati();
    // SA_RESETHAND has put back the default action; the signal waits until this returns.
    ::raise(segnale);
    errno = salvato;
}

}  // namespace

void prepara_processo() {
    assicura_flussi_standard();
    std::signal(SIGXFSZ, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
    for (const int segnale : {SIGTERM, SIGINT, SIGHUP}) {
        struct sigaction prima {};
        // A signal that the caller ignores (nohup) stays ignored.
        if (::sigaction(segnale, nullptr, &prima) == 0 && prima.sa_handler == SIG_IGN) {
            continue;
        }
        struct sigaction azione {};
        azione.sa_handler = alla_fine;
        azione.sa_flags = SA_RESETHAND;
        sigfillset(&azione.sa_mask);
        ::sigaction(segnale, &azione, nullptr);
    }
}

void assicura_flussi_standard() {
    for (int flusso = 0; flusso <= 2; ++flusso) {
        if (::fcntl(flusso, F_GETFD) < 0 && errno == EBADF) {
            // The lowest free number is this one, as the lower ones are open by now.
            const int nullo = ::open("/dev/null", flusso == 0 ? O_RDONLY : O_WRONLY);
            if (nullo >= 0 && nullo != flusso) {
                ::close(nullo);
            }
        }
    }
}
