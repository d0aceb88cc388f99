// A fresh directory under the system's temporary directory, for tests, benchmarks and
// fuzz targets; removed with everything in it when the object goes.
#pragma once

#include <filesystem>
#include <string>

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
