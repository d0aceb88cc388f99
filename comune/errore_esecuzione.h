// Run-time failures of the file system: they carry the file and the system's reason,
// end the run and are reported by main() with exit status 1.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>

class errore_esecuzione : public std::runtime_error {
public:
    errore_esecuzione(const std::filesystem::path& file, const std::string& motivo)
        : std::runtime_error(file.string() + ": " + motivo), file_(file) {}

    const std::filesystem::path& file() const { return file_; }

private:
    std::filesystem::path file_;
};

// A source whose name is there but cannot be opened (a loop of links, no permission): not
// a problem of its content, so no problem code stands for it; the run stops naming it.
class errore_apertura : public errore_esecuzione {
public:
    using errore_esecuzione::errore_esecuzione;
};
