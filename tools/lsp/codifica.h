// The editor's text and the compactor's bytes: the editor sends UTF-8 and counts columns
// in UTF-16 or UTF-8 units; the sources are Windows-1252 and the compactor counts bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// How the editor counts the characters of a line.
enum class unita_colonne { utf16, utf8 };

// A character of the editor's text that Windows-1252 cannot hold: it reads as '?'.
struct carattere_perso {
    int riga = 0;             // from 1
    std::size_t colonna = 0;  // the '?' byte in the line, from 0
    uint32_t punto = 0;       // the code point the editor sent
};

// A source as the compactor reads it, with the columns of each of its lines as the editor
// counts them.
class testo_sorgente {
public:
    // The editor's text: U+0080 to U+009F go back to the bytes 0x80 to 0x9F, as an editor
    // that took the file for Latin-1 sends them; a character with no byte becomes '?' and
    // is listed in persi(); bytes that are no UTF-8 count as U+FFFD each. Line ends stay
    // as they came (CR LF or LF alone, both of which the compactor reads).
    static testo_sorgente dall_editor(std::string_view utf8, unita_colonne unita);
    // A file's bytes as they lie on disk, shown by the editor as Windows-1252.
    static testo_sorgente dal_disco(std::string bytes, unita_colonne unita);

    const std::string& bytes() const { return bytes_; }
    const std::vector<carattere_perso>& persi() const { return persi_; }
    int righe() const { return static_cast<int>(inizi_.size()); }
    // The bytes of a line (from 1) without its line end; empty past the end.
    std::string_view riga(int numero) const;
    // Byte column (from 0) to the editor's character; past the line's end, its end.
    uint32_t carattere(int riga, std::size_t colonna) const;
    // The editor's character to a byte column (from 0), the byte that holds it.
    std::size_t colonna(int riga, uint32_t carattere) const;

private:
    void dividi_righe();
    std::string bytes_;
    std::vector<carattere_perso> persi_;
    std::vector<std::size_t> inizi_;  // where each line begins in bytes_
    // Units each byte takes in the editor, where one is not 1: by offset in bytes_.
    std::vector<std::pair<std::size_t, uint8_t>> larghezze_;
};

// file:// addresses and paths. A path turned into an address keeps letters, digits and
// "-._~/" and escapes every other byte; an address turned into a path undoes any escape.
// Windows paths take the form file:///C:/dir/file.
std::filesystem::path percorso_da_uri(std::string_view uri);
std::string uri_da_percorso(const std::filesystem::path& percorso);
