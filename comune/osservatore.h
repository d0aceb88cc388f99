// Part of the file seam: watching one folder for saved files (compattatore osserva), and
// the user's request to stop (Ctrl-C, a termination signal, the console closed), one
// implementation per platform.
#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class osservatore_cartella {
public:
    // Starts watching; errore_esecuzione naming the folder when it cannot be watched.
    explicit osservatore_cartella(const std::filesystem::path& cartella);
    ~osservatore_cartella();
    osservatore_cartella(const osservatore_cartella&) = delete;
    osservatore_cartella& operator=(const osservatore_cartella&) = delete;

    // The names (without the folder) of the files saved in the folder within `attesa`:
    // written and closed (on Windows: written), or moved into it under that name. Empty
    // when none; std::nullopt once the user has asked to stop.
    std::optional<std::vector<std::string>> attendi(std::chrono::milliseconds attesa);

    struct stato;

private:
    std::unique_ptr<stato> stato_;
};
