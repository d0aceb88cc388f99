// The language server: the checker's list under the fields the author types, and what a
// row means under the cursor. One thread; the editor's messages are handled in order.
#pragma once

#include "compactor/controllo.h"
#include "tools/lsp/codifica.h"

#include <nlohmann/json.hpp>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

struct opzioni_lsp {
    // Entries published for one file, as controlla's --limite: past them one line counts the
    // rest (0: no limit).
    std::size_t limite_per_file = limite_segnalazioni_predefinito;
    std::size_t limite_messaggio = std::size_t{64} << 20;
};

class server_lsp {
public:
    server_lsp(std::ostream& uscita, std::ostream& registro, opzioni_lsp opzioni = {});
    // Reads messages until `exit` or the end of input; returns the exit status: 0 after
    // shutdown, 1 otherwise.
    int esegui(std::istream& ingresso);
    // One message body; true when the server must end.
    bool gestisci_corpo(std::string_view corpo);
    // The checks put off while more edits were waiting.
    void verifica_in_sospeso();
    int stato_finale() const { return spento_ ? 0 : 1; }

private:
    using json = nlohmann::json;

    // An entry of the list as published for one file, with its range in bytes.
    struct diagnostica {
        segnalazione voce;
        int riga = 0;  // from 1; 0 for a whole file
        std::size_t da = 0, a = 0;
        std::string messaggio;
        std::string sostituzione;  // a quick fix's new text for the range, when there is one
        json lsp;
    };
    struct documento {
        std::string uri;
        testo_sorgente testo;
    };

    // One message to the editor; bytes that are no UTF-8 go as U+FFFD.
    void manda(const json& messaggio);
    void rispondi(const json& id, json risultato);
    void rispondi_errore(const json& id, int codice, std::string_view messaggio);
    void notifica(std::string_view metodo, json parametri);
    void registra(std::string_view testo);

    bool gestisci(const json& messaggio);
    json richiesta(const std::string& metodo, const json& parametri);
    void notifica_ricevuta(const std::string& metodo, const json& parametri);

    json inizializza(const json& parametri);
    void apri(const json& parametri);
    void cambia(const json& parametri);
    void chiudi(const json& parametri);
    void salvato(const json& parametri);
    void file_osservati(const json& parametri);
    json hover(const json& parametri);
    json completamento(const json& parametri);
    json simboli(const json& parametri);
    json azioni(const json& parametri);
    json esegui_comando(const json& parametri);

    // The scenario a source belongs to: its folder, name, and trains; nullopt for a file
    // that is neither a line nor a train source.
    struct coppie {
        std::filesystem::path cartella;
        std::string scenario;
        std::vector<std::string> treni;
    };
    std::optional<coppie> coppie_di(const std::filesystem::path& file) const;
    std::optional<std::string> scenario_del_treno(const std::filesystem::path& cartella,
                                                  const std::string& nome) const;
    bool esiste(const std::filesystem::path& file) const;
    void segna(const std::filesystem::path& file);
    void verifica(const coppie& c);
    // The text of a source as the checker reads it: the editor's, or the disk's.
    const testo_sorgente* testo_di(const std::filesystem::path& file);
    void pubblica(const std::filesystem::path& file, std::vector<diagnostica> elenco);
    diagnostica da_segnalazione(const segnalazione& s, const std::filesystem::path& file);
    json intervallo(const std::filesystem::path& file, int riga, std::size_t da, std::size_t a);
    std::string uri_di(const std::filesystem::path& file) const;
    documento* documento_di(const json& parametri, std::filesystem::path& file);
    bool compatta(const std::filesystem::path& file, std::string& esito);
    // Hover's part from the model: the records and cells the row at `riga` wrote.
    std::string scritto_dalla_riga(const std::filesystem::path& file, int riga) const;

    std::ostream& uscita_;
    std::ostream& registro_;
    opzioni_lsp opzioni_;
    bool inizializzato_ = false;
    bool spento_ = false;
    unita_colonne unita_ = unita_colonne::utf16;
    bool snippet_ = false;
    bool osserva_file_ = false;
    bool compatta_al_salvataggio_ = false;
    std::map<std::filesystem::path, documento> aperti_;
    // The disk's text of files read for the last check, by path.
    std::map<std::filesystem::path, testo_sorgente> dal_disco_;
    std::map<std::filesystem::path, std::vector<diagnostica>> pubblicate_;
    std::set<std::filesystem::path> in_sospeso_;
    // What the rows of a file wrote in the last check's model (the reading that goes on
    // after problems): each cell with its value at the end of the run, and each record.
    struct scritture_file {
        struct cella_scritta {
            int riga;
            uint32_t indice;
            cella valore;
        };
        struct voce_scritta {
            int riga;
            uint32_t indice;
            voce valore;
        };
        std::vector<cella_scritta> celle;  // in reading order, so by row
        std::vector<voce_scritta> voci;
    };
    std::map<std::filesystem::path, scritture_file> scritture_;
    long long prossimo_id_ = 1;
};

// The lsp command: the server on standard input and output, its log on standard error.
int comando_lsp(std::size_t limite);
