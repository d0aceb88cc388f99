// A file seam that keeps its files in memory, for the fuzz targets and tests that run the
// engine many times a second: nothing reaches the disk, and nothing waits on it. Files
// are known by their full names; there are no folders to create, and every step of a
// replacement succeeds. The buffers of files that go are kept for the next ones, so that
// a fuzz target that writes the same few files over and over allocates nothing once
// warmed up.
#pragma once

#include "comune/sistema_file.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class sistema_file_in_memoria final : public sistema_file {
public:
    // Puts a whole file under a name, replacing what stood there.
    void metti(const std::filesystem::path& file, std::string_view contenuto);
    // The content under a name, or null when there is none.
    const std::string* trova(const std::filesystem::path& file) const;
    // Every file goes; the temporary files still open are forgotten.
    void svuota();
    std::size_t numero_file() const { return file_.size(); }

    std::string leggi(const std::filesystem::path& file,
                      const std::function<void(std::uintmax_t)>& controlla_dimensione) override;
    bool file_regolare(const std::filesystem::path& file) override;
    bool sul_disco() const override { return false; }
    void elimina(const std::filesystem::path& file) override;
    maniglia crea_temporaneo(const std::filesystem::path& destinazione,
                             std::filesystem::path& temporaneo) override;
    numero_errore scrivi(maniglia file, const char* dati, std::size_t quanti) override;
    numero_errore sincronizza(maniglia file) override;
    numero_errore chiudi(maniglia file) override;
    numero_errore rinomina(const std::filesystem::path& da,
                           const std::filesystem::path& a) override;
    numero_errore sincronizza_cartella(const std::filesystem::path& cartella) override;
    std::string testo_errore(numero_errore numero) const override;

private:
    // The entry of a new file, empty, with a kept buffer when one fits.
    std::string& nuovo(const std::filesystem::path& file, std::optional<std::size_t> dimensione);
    void rilascia(std::string&& contenuto);

    std::vector<std::string> riserva_;  // emptied buffers, for the next files
    std::map<std::filesystem::path, std::string> file_;
    std::map<maniglia, std::filesystem::path> aperti_;  // the temporary files being written
    maniglia prossima_ = 0;
};
