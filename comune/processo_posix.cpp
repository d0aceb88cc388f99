// The preparation of the process on Linux: the standard streams, and the signals that
// would end a run that can go on.
#include "comune/processo.h"

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>

void prepara_processo() {
    assicura_flussi_standard();
    std::signal(SIGXFSZ, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
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
