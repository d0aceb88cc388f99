// Helpers shared by the tests: temporary directories, whole-file reads, running programs.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// A fresh directory, removed with everything in it when the object goes.
class cartella_temporanea {
public:
    cartella_temporanea();
    ~cartella_temporanea();
    cartella_temporanea(const cartella_temporanea&) = delete;
    cartella_temporanea& operator=(const cartella_temporanea&) = delete;
    const std::filesystem::path& percorso() const { return percorso_; }
    std::filesystem::path operator/(const std::string& nome) const { return percorso_ / nome; }

private:
    std::filesystem::path percorso_;
};

std::string leggi_tutto(const std::filesystem::path& file);
void scrivi_tutto(const std::filesystem::path& file, const std::string& contenuto);

// Little-endian bytes of a number, to build expected file contents by hand.
std::string le16(int16_t v);
std::string le32(int32_t v);
std::string le64_double(double v);

struct esito_processo {
    int stato = -1;
    std::string errori;  // standard error
};
// Runs a program with arguments, standard output discarded, standard error captured,
// without a display (terminal mode) unless ambiente_extra sets DISPLAY.
esito_processo esegui(const std::filesystem::path& programma,
                      const std::vector<std::string>& argomenti,
                      const std::vector<std::string>& ambiente_extra = {});
