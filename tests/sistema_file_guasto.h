// A file seam for tests, in front of another one (the platform's by default): every
// operation goes through to it, except the n-th call of one chosen step of a replacement
// (write, flush, close, rename, flush of the folder), which fails with a chosen error, as
// a full disk or a failing device would make it fail. So the failure paths of the real
// replacement run without root, file-size limits or tracing. Each call of a step is also
// recorded with the file it concerned.
#pragma once

#include "comune/sistema_file.h"

#include <array>
#include <cstddef>
#include <filesystem>
#include <map>
#include <optional>
#include <vector>

class sistema_file_guasto final : public sistema_file {
public:
    enum class passo {
        scrittura,
        sincronizzazione,
        chiusura,
        sostituzione,
        sincronizzazione_cartella
    };

    explicit sistema_file_guasto(sistema_file& vero = sistema_file_predefinito()) : vero_(vero) {}

    // The `ennesima` call (counted from 1) of `quale` fails with `errore`; the others go
    // through.
    void guasta(passo quale, std::size_t ennesima, numero_errore errore) {
        guasto_ = {quale, ennesima, errore};
    }

    // The calls of a step so far, in order, each with the file it concerned: the target of
    // the replacement for the steps on an open file and for the rename, the folder for its
    // flush.
    const std::vector<std::filesystem::path>& chiamate(passo quale) const {
        return chiamate_[static_cast<std::size_t>(quale)];
    }

    std::string leggi(const std::filesystem::path& file,
                      const std::function<void(std::uintmax_t)>& controlla_dimensione) override {
        return vero_.leggi(file, controlla_dimensione);
    }
    bool file_regolare(const std::filesystem::path& file) override {
        return vero_.file_regolare(file);
    }
    void elimina(const std::filesystem::path& file) override { vero_.elimina(file); }

    maniglia crea_temporaneo(const std::filesystem::path& destinazione,
                             std::filesystem::path& temporaneo) override {
        const maniglia aperta = vero_.crea_temporaneo(destinazione, temporaneo);
        destinazioni_[aperta] = destinazione;
        return aperta;
    }
    numero_errore scrivi(maniglia file, const char* dati, std::size_t quanti) override {
        if (const auto errore = conta(passo::scrittura, destinazioni_.at(file))) {
            return *errore;
        }
        return vero_.scrivi(file, dati, quanti);
    }
    numero_errore sincronizza(maniglia file) override {
        if (const auto errore = conta(passo::sincronizzazione, destinazioni_.at(file))) {
            return *errore;
        }
        return vero_.sincronizza(file);
    }
    // The handle is released even when the close is made to fail, as the system does.
    numero_errore chiudi(maniglia file) override {
        const std::filesystem::path destinazione = destinazioni_.at(file);
        destinazioni_.erase(file);
        const auto errore = conta(passo::chiusura, destinazione);
        const numero_errore vero = vero_.chiudi(file);
        return errore ? *errore : vero;
    }
    numero_errore rinomina(const std::filesystem::path& da,
                           const std::filesystem::path& a) override {
        if (const auto errore = conta(passo::sostituzione, a)) {
            return *errore;
        }
        return vero_.rinomina(da, a);
    }
    numero_errore sincronizza_cartella(const std::filesystem::path& cartella) override {
        if (const auto errore = conta(passo::sincronizzazione_cartella, cartella)) {
            return *errore;
        }
        return vero_.sincronizza_cartella(cartella);
    }
    std::string testo_errore(numero_errore numero) const override {
        return vero_.testo_errore(numero);
    }

private:
    struct guasto {
        passo quale;
        std::size_t ennesima;
        numero_errore errore;
    };

    // Records the call; the error to return when it is the one chosen.
    std::optional<numero_errore> conta(passo quale, const std::filesystem::path& file) {
        auto& elenco = chiamate_[static_cast<std::size_t>(quale)];
        elenco.push_back(file);
        if (guasto_ && guasto_->quale == quale && guasto_->ennesima == elenco.size()) {
            return guasto_->errore;
        }
        return std::nullopt;
    }

    sistema_file& vero_;
    std::optional<guasto> guasto_;
    std::array<std::vector<std::filesystem::path>, 5> chiamate_;
    std::map<maniglia, std::filesystem::path> destinazioni_;
};
