// Terminal mode, for machines without a display.
#include "run/presentazione.h"

#include <iostream>

namespace {
class terminale : public presentazione {
public:
    void mostra_attendere() override { std::cerr << "Attendere\n"; }
    int mostra_messaggio(const std::string& testo) override {
        std::cerr << testo << "\n";
        return 1;  // the code of an OK button
    }
};
}  // namespace

std::unique_ptr<presentazione> presentazione_terminale() {
    return std::make_unique<terminale>();
}
