// The language server: dispatch, documents, the checker's list as diagnostics, and the
// features that read a row under the cursor.
#include "tools/lsp/server.h"

#include "compactor/compattatore.h"
#include "compactor/esecuzione.h"
#include "compactor/testo.h"
#include "comune/errore_esecuzione.h"
#include "comune/identita.h"
#include "comune/sistema_file.h"
#include "tools/lsp/messaggi.h"
#include "tools/lsp/parole.h"
#include "tools/strumento.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <system_error>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#ifndef VERSIONE_PROGRAMMI
#define VERSIONE_PROGRAMMI "0"
#endif

namespace {

using json = nlohmann::json;

// The JSON-RPC and protocol error codes the server answers with.
namespace codici {
constexpr int json_non_valido = -32700;
constexpr int richiesta_non_valida = -32600;
constexpr int metodo_sconosciuto = -32601;
constexpr int parametri_non_validi = -32602;
constexpr int errore_interno = -32603;
constexpr int non_inizializzato = -32002;
}  // namespace codici

constexpr std::string_view nome_comando_compatta = "compattatore.compatta";
constexpr std::string_view finale_linea = "_linea.txt";
constexpr std::string_view finale_treno = "-.txt";

bool finisce_con(std::string_view testo, std::string_view finale) {
    return testo.size() > finale.size() && testo.substr(testo.size() - finale.size()) == finale;
}

std::string nome_di(const std::filesystem::path& file) {
    const std::u8string u8 = file.filename().u8string();
    return std::string(u8.begin(), u8.end());
}

std::filesystem::path con_nome(const std::filesystem::path& cartella, const std::string& nome) {
    return cartella / std::filesystem::path(std::u8string(nome.begin(), nome.end()));
}

// A parameter that the request needs, or the wrong-shape error the caller answers with.
struct parametri_errati : std::runtime_error {
    using std::runtime_error::runtime_error;
};

const json& campo(const json& oggetto, const char* nome) {
    if (!oggetto.is_object() || !oggetto.contains(nome)) {
        throw parametri_errati(std::string("manca \"") + nome + "\"");
    }
    return oggetto.at(nome);
}

const std::string& testo_campo(const json& oggetto, const char* nome) {
    const json& v = campo(oggetto, nome);
    if (!v.is_string()) {
        throw parametri_errati(std::string("\"") + nome + "\" non è un testo");
    }
    return v.get_ref<const std::string&>();
}

uint32_t numero_campo(const json& oggetto, const char* nome) {
    const json& v = campo(oggetto, nome);
    if (!v.is_number_unsigned() && !(v.is_number_integer() && v.get<long long>() >= 0)) {
        throw parametri_errati(std::string("\"") + nome + "\" non è un numero");
    }
    return static_cast<uint32_t>(
        std::min<unsigned long long>(v.get<unsigned long long>(), 0xFFFFFFFFu));
}

// The section a line stands in: the last "[...]" row above it.
std::string sezione_della_riga(const testo_sorgente& t, int riga) {
    for (int r = riga; r >= 1; --r) {
        std::string_view testo = t.riga(r);
        while (!testo.empty() && (testo.front() == ' ' || testo.front() == '\t')) {
            testo.remove_prefix(1);
        }
        if (!testo.empty() && testo.front() == '[') {
            const std::size_t chiusa = testo.find(']');
            std::string s(
                testo.substr(0, chiusa == std::string_view::npos ? testo.size() : chiusa + 1));
            for (char& c : s) {
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            }
            return s;
        }
    }
    return "";
}

// The fields of a row after its keyword, blanks trimmed.
std::vector<std::string_view> campi(std::string_view riga) {
    std::vector<std::string_view> elenco;
    std::size_t inizio = 0;
    while (inizio <= riga.size()) {
        std::size_t fine = riga.find(',', inizio);
        if (fine == std::string_view::npos) {
            fine = riga.size();
        }
        elenco.push_back(senza_blanchi(riga.substr(inizio, fine - inizio)));
        inizio = fine + 1;
    }
    return elenco;
}

std::vector<std::string> nomi_colonne(std::string_view colonne) {
    std::vector<std::string> nomi;
    for (std::string_view c : campi(colonne)) {
        nomi.emplace_back(c);
    }
    return nomi;
}

}  // namespace

server_lsp::server_lsp(std::ostream& uscita, std::ostream& registro, opzioni_lsp opzioni)
    : uscita_(uscita), registro_(registro), opzioni_(opzioni) {}

void server_lsp::registra(std::string_view testo) {
    registro_ << "compattatore lsp: " << testo << std::endl;
}

void server_lsp::manda(const json& messaggio) {
    scrivi_messaggio(uscita_, messaggio.dump(-1, ' ', false, json::error_handler_t::replace));
}

void server_lsp::rispondi(const json& id, json risultato) {
    manda({{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(risultato)}});
}

void server_lsp::rispondi_errore(const json& id, int codice, std::string_view messaggio) {
    manda({{"jsonrpc", "2.0"},
           {"id", id},
           {"error", {{"code", codice}, {"message", std::string(messaggio)}}}});
}

void server_lsp::notifica(std::string_view metodo, json parametri) {
    manda({{"jsonrpc", "2.0"}, {"method", std::string(metodo)}, {"params", std::move(parametri)}});
}

int server_lsp::esegui(std::istream& ingresso) {
    lettore_messaggi lettore(ingresso, opzioni_.limite_messaggio);
    for (;;) {
        if (!in_sospeso_.empty() && !lettore.altro_in_attesa()) {
            verifica_in_sospeso();
        }
        messaggio_letto m = lettore.leggi();
        switch (m.cosa) {
            case messaggio_letto::tipo::corpo:
                if (gestisci_corpo(m.corpo)) {
                    return stato_finale();
                }
                break;
            case messaggio_letto::tipo::intestazione_errata:
            case messaggio_letto::tipo::troppo_lungo: registra(m.errore); break;
            case messaggio_letto::tipo::troncato: registra(m.errore); return stato_finale();
            case messaggio_letto::tipo::fine: return stato_finale();
        }
    }
}

bool server_lsp::gestisci_corpo(std::string_view corpo) {
    json messaggio = json::parse(corpo, nullptr, false);
    if (messaggio.is_discarded()) {
        rispondi_errore(nullptr, codici::json_non_valido, "il messaggio non è JSON");
        return false;
    }
    return gestisci(messaggio);
}

bool server_lsp::gestisci(const json& m) {
    if (!m.is_object()) {
        rispondi_errore(nullptr, codici::richiesta_non_valida, "il messaggio non è un oggetto");
        return false;
    }
    const auto id_it = m.find("id");
    const bool ha_id = id_it != m.end();
    const json id = ha_id ? *id_it : json();
    const bool id_valido = ha_id && (id.is_string() || id.is_number_integer());
    const auto metodo_it = m.find("method");
    const auto versione = m.find("jsonrpc");
    if (versione == m.end() || *versione != "2.0") {
        rispondi_errore(id_valido ? id : json(), codici::richiesta_non_valida,
                        "manca \"jsonrpc\": \"2.0\"");
        return false;
    }
    if (metodo_it == m.end()) {
        // A response to a request of ours (a registration): nothing waits on it.
        if (!ha_id) {
            rispondi_errore(nullptr, codici::richiesta_non_valida, "manca \"method\"");
        }
        return false;
    }
    if (!metodo_it->is_string() || (ha_id && !id_valido)) {
        rispondi_errore(id_valido ? id : json(), codici::richiesta_non_valida,
                        "\"method\" o \"id\" non validi");
        return false;
    }
    const std::string& metodo = metodo_it->get_ref<const std::string&>();
    const json parametri = m.contains("params") ? m.at("params") : json::object();
    if (!ha_id) {
        if (metodo == "exit") {
            return true;
        }
        if (!inizializzato_ || spento_) {
            return false;
        }
        // Edits in a row are checked once, when no further one waits; anything else sees
        // the checks of the edits before it done.
        if (metodo != "textDocument/didChange") {
            verifica_in_sospeso();
        }
        try {
            notifica_ricevuta(metodo, parametri);
        } catch (const std::exception& e) {
            registra(metodo + ": " + e.what());
        }
        return false;
    }
    if (spento_) {
        rispondi_errore(id, codici::richiesta_non_valida, "il server è già stato spento");
        return false;
    }
    if (!inizializzato_ && metodo != "initialize") {
        rispondi_errore(id, codici::non_inizializzato, "il server non è ancora inizializzato");
        return false;
    }
    if (metodo != "initialize") {
        verifica_in_sospeso();
    }
    try {
        json risultato = richiesta(metodo, parametri);
        if (risultato.is_discarded()) {
            rispondi_errore(id, codici::metodo_sconosciuto, "metodo sconosciuto: " + metodo);
        } else {
            rispondi(id, std::move(risultato));
        }
    } catch (const parametri_errati& e) {
        rispondi_errore(id, codici::parametri_non_validi, e.what());
    } catch (const json::exception& e) {
        rispondi_errore(id, codici::parametri_non_validi, e.what());
    } catch (const std::exception& e) {
        registra(metodo + ": " + e.what());
        rispondi_errore(id, codici::errore_interno, e.what());
    }
    return false;
}

json server_lsp::richiesta(const std::string& metodo, const json& parametri) {
    if (metodo == "initialize") {
        if (inizializzato_) {
            throw parametri_errati("il server è già inizializzato");
        }
        return inizializza(parametri);
    }
    if (metodo == "shutdown") {
        spento_ = true;
        return nullptr;
    }
    if (metodo == "textDocument/hover") {
        return hover(parametri);
    }
    if (metodo == "textDocument/completion") {
        return completamento(parametri);
    }
    if (metodo == "textDocument/documentSymbol") {
        return simboli(parametri);
    }
    if (metodo == "textDocument/codeAction") {
        return azioni(parametri);
    }
    if (metodo == "workspace/executeCommand") {
        return esegui_comando(parametri);
    }
    return json(json::value_t::discarded);
}

void server_lsp::notifica_ricevuta(const std::string& metodo, const json& parametri) {
    if (metodo == "textDocument/didOpen") {
        apri(parametri);
    } else if (metodo == "textDocument/didChange") {
        cambia(parametri);
    } else if (metodo == "textDocument/didClose") {
        chiudi(parametri);
    } else if (metodo == "textDocument/didSave") {
        salvato(parametri);
    } else if (metodo == "workspace/didChangeWatchedFiles") {
        file_osservati(parametri);
    } else if (metodo == "initialized") {
        if (osserva_file_) {
            const json registrazione = {
                {"id", "compattatore-sorgenti"},
                {"method", "workspace/didChangeWatchedFiles"},
                {"registerOptions",
                 {{"watchers", json::array({{{"globPattern", "**/*_linea.txt"}},
                                            {{"globPattern", "**/*-.txt"}}})}}}};
            const json m = {{"jsonrpc", "2.0"},
                            {"id", prossimo_id_++},
                            {"method", "client/registerCapability"},
                            {"params", {{"registrations", json::array({registrazione})}}}};
            manda(m);
        }
    }
    // Any other notification ($/cancelRequest, $/setTrace, ...) is left alone.
}

json server_lsp::inizializza(const json& parametri) {
    if (!parametri.is_object()) {
        throw parametri_errati("\"params\" non è un oggetto");
    }
    const json capacita = parametri.value("capabilities", json::object());
    const json codifiche =
        capacita.is_object()
            ? capacita.value("/general/positionEncodings"_json_pointer, json::array())
            : json::array();
    unita_ = unita_colonne::utf16;
    if (codifiche.is_array()) {
        for (const json& c : codifiche) {
            if (c == "utf-8") {
                unita_ = unita_colonne::utf8;
            }
        }
    }
    if (capacita.is_object()) {
        snippet_ =
            capacita.value("/textDocument/completion/completionItem/snippetSupport"_json_pointer,
                           json(false)) == true;
        osserva_file_ =
            capacita.value("/workspace/didChangeWatchedFiles/dynamicRegistration"_json_pointer,
                           json(false)) == true;
    }
    const auto opzioni = parametri.find("initializationOptions");
    if (opzioni != parametri.end() && opzioni->is_object()) {
        compatta_al_salvataggio_ = opzioni->value("compattaAlSalvataggio", false) == true;
    }
    inizializzato_ = true;
    return {{"capabilities",
             {{"positionEncoding", unita_ == unita_colonne::utf8 ? "utf-8" : "utf-16"},
              {"textDocumentSync",
               {{"openClose", true}, {"change", 1}, {"save", {{"includeText", false}}}}},
              {"hoverProvider", true},
              {"completionProvider", {{"triggerCharacters", json::array({"["})}}},
              {"documentSymbolProvider", true},
              {"codeActionProvider", {{"codeActionKinds", json::array({"quickfix"})}}},
              {"executeCommandProvider",
               {{"commands", json::array({std::string(nome_comando_compatta)})}}}}},
            {"serverInfo", {{"name", "compattatore"}, {"version", VERSIONE_PROGRAMMI}}}};
}

// Documents -------------------------------------------------------------------------------

server_lsp::documento* server_lsp::documento_di(const json& parametri,
                                                std::filesystem::path& file) {
    const std::string& uri = testo_campo(campo(parametri, "textDocument"), "uri");
    file = percorso_da_uri(uri);
    const auto it = aperti_.find(file);
    return it == aperti_.end() ? nullptr : &it->second;
}

void server_lsp::apri(const json& parametri) {
    const json& doc = campo(parametri, "textDocument");
    const std::string& uri = testo_campo(doc, "uri");
    const std::filesystem::path file = percorso_da_uri(uri);
    aperti_[file] = documento{uri, testo_sorgente::dall_editor(testo_campo(doc, "text"), unita_)};
    segna(file);
}

void server_lsp::cambia(const json& parametri) {
    std::filesystem::path file;
    documento* doc = documento_di(parametri, file);
    const json& cambi = campo(parametri, "contentChanges");
    if (doc == nullptr || !cambi.is_array() || cambi.empty()) {
        throw parametri_errati("didChange di un documento non aperto, o senza cambi");
    }
    // Full sync: the last change holds the whole text.
    doc->testo = testo_sorgente::dall_editor(testo_campo(cambi.back(), "text"), unita_);
    segna(file);
}

void server_lsp::chiudi(const json& parametri) {
    std::filesystem::path file;
    if (documento_di(parametri, file) == nullptr) {
        return;
    }
    aperti_.erase(file);
    // The closed file's diagnostics stay only while a file of its scenario is still open
    // (the line file of an open train file, or the reverse): it is checked again from the
    // disk. Once nothing of the scenario is open, all of its diagnostics go.
    const std::optional<coppie> c = coppie_di(file);
    std::vector<std::filesystem::path> del_scenario = {file};
    if (c) {
        del_scenario.push_back(nomi_file::sorgente_linea(c->cartella, {c->scenario, ""}));
        for (const std::string& t : c->treni) {
            del_scenario.push_back(nomi_file::sorgente_treno(c->cartella, {c->scenario, t}));
        }
    }
    const bool serve = std::any_of(del_scenario.begin(), del_scenario.end(),
                                   [&](const auto& f) { return aperti_.count(f) > 0; });
    if (serve) {
        segna(file);
        return;
    }
    in_sospeso_.erase(file);
    for (const std::filesystem::path& f : del_scenario) {
        pubblica(f, {});
    }
}

void server_lsp::salvato(const json& parametri) {
    std::filesystem::path file;
    documento_di(parametri, file);
    if (!compatta_al_salvataggio_) {
        return;
    }
    std::string esito;
    compatta(file, esito);
    if (!esito.empty()) {
        notifica("window/showMessage", {{"type", 3}, {"message", esito}});
    }
}

void server_lsp::file_osservati(const json& parametri) {
    const json& cambi = campo(parametri, "changes");
    if (!cambi.is_array()) {
        throw parametri_errati("\"changes\" non è un elenco");
    }
    for (const json& c : cambi) {
        const std::filesystem::path file = percorso_da_uri(testo_campo(c, "uri"));
        if (aperti_.count(file) == 0) {
            segna(file);
        }
    }
}

bool server_lsp::esiste(const std::filesystem::path& file) const {
    std::error_code codice;
    return aperti_.count(file) > 0 || std::filesystem::is_regular_file(file, codice);
}

std::optional<std::string> server_lsp::scenario_del_treno(const std::filesystem::path& cartella,
                                                          const std::string& nome) const {
    if (!finisce_con(nome, finale_treno)) {
        return std::nullopt;
    }
    const std::string base = nome.substr(0, nome.size() - finale_treno.size());
    // The longest SCENARIO whose line file is there; the last '_' when none is.
    std::optional<std::string> trovato;
    for (std::size_t p = base.rfind('_'); p != std::string::npos && p > 0;
         p = base.rfind('_', p - 1)) {
        if (p + 1 >= base.size()) {
            continue;
        }
        const std::string s = base.substr(0, p);
        if (!trovato) {
            trovato = s;
        }
        if (esiste(con_nome(cartella, s + std::string(finale_linea)))) {
            return s;
        }
    }
    return trovato;
}

std::optional<server_lsp::coppie> server_lsp::coppie_di(const std::filesystem::path& file) const {
    const std::filesystem::path cartella = file.parent_path();
    const std::string nome = nome_di(file);
    coppie c{cartella, "", {}};
    if (finisce_con(nome, finale_linea)) {
        c.scenario = nome.substr(0, nome.size() - finale_linea.size());
    } else if (const auto s = scenario_del_treno(cartella, nome)) {
        c.scenario = *s;
    } else {
        return std::nullopt;
    }
    // Every train of the scenario: on disk, and open in the editor.
    std::set<std::string> treni;
    const std::string inizio = c.scenario + "_";
    const auto considera = [&](const std::string& n) {
        if (n.size() > inizio.size() + finale_treno.size() &&
            n.compare(0, inizio.size(), inizio) == 0 && finisce_con(n, finale_treno) &&
            scenario_del_treno(cartella, n) == c.scenario) {
            treni.insert(n.substr(inizio.size(), n.size() - inizio.size() - finale_treno.size()));
        }
    };
    std::error_code codice;
    for (std::filesystem::directory_iterator it(cartella, codice), fine; !codice && it != fine;
         it.increment(codice)) {
        considera(nome_di(it->path()));
    }
    for (const auto& [f, d] : aperti_) {
        if (f.parent_path() == cartella) {
            considera(nome_di(f));
        }
    }
    if (!finisce_con(nome, finale_linea)) {
        // The edited train itself, even when its name is not yet on disk.
        treni.insert(nome.substr(inizio.size(), nome.size() - inizio.size() - finale_treno.size()));
    }
    c.treni.assign(treni.begin(), treni.end());
    return c;
}

void server_lsp::segna(const std::filesystem::path& file) {
    in_sospeso_.insert(file);
}

void server_lsp::verifica_in_sospeso() {
    std::set<std::filesystem::path> file;
    file.swap(in_sospeso_);
    // One check per scenario, however many of its files changed.
    std::set<std::pair<std::filesystem::path, std::string>> fatti;
    for (const std::filesystem::path& f : file) {
        const std::optional<coppie> c = coppie_di(f);
        if (!c) {
            continue;
        }
        if (fatti.insert({c->cartella, c->scenario}).second) {
            try {
                verifica(*c);
            } catch (const std::exception& e) {
                registra(f.string() + ": " + e.what());
            }
        }
    }
}

const testo_sorgente* server_lsp::testo_di(const std::filesystem::path& file) {
    if (const auto it = aperti_.find(file); it != aperti_.end()) {
        return &it->second.testo;
    }
    if (const auto it = dal_disco_.find(file); it != dal_disco_.end()) {
        return &it->second;
    }
    return nullptr;
}

void server_lsp::verifica(const coppie& c) {
    const std::filesystem::path linea =
        nomi_file::sorgente_linea(c.cartella, identita_scenario{c.scenario, ""});
    std::vector<std::filesystem::path> file_treni;
    for (const std::string& t : c.treni) {
        file_treni.push_back(nomi_file::sorgente_treno(c.cartella, {c.scenario, t}));
    }
    // The files as the checker reads them: the editor's text where it is open, the disk's
    // otherwise; a file that is neither is missing for the checker too.
    std::map<std::filesystem::path, std::string> sorgenti;
    const auto carica = [&](const std::filesystem::path& f) {
        if (const auto it = aperti_.find(f); it != aperti_.end()) {
            sorgenti[f] = it->second.testo.bytes();
            dal_disco_.erase(f);
            return;
        }
        std::error_code codice;
        if (!std::filesystem::is_regular_file(f, codice)) {
            dal_disco_.erase(f);
            return;
        }
        try {
            std::string bytes = leggi_file_intero(f);
            sorgenti[f] = bytes;
            dal_disco_[f] = testo_sorgente::dal_disco(std::move(bytes), unita_);
        } catch (const errore_esecuzione& e) {
            registra(e.what());
            dal_disco_.erase(f);
        }
    };
    carica(linea);
    for (const auto& f : file_treni) {
        carica(f);
    }
    std::map<std::filesystem::path, std::vector<diagnostica>> per_file;
    per_file[linea];
    for (const auto& f : file_treni) {
        per_file[f];
    }
    std::set<std::string> gia_sulla_linea;
    std::set<std::filesystem::path> nuove;  // the files whose writes this check has kept
    const auto controlla = [&](const std::string& treno, bool solo_linea) {
        const auto aggiungi = [&](const segnalazione& s) {
            std::filesystem::path f = s.origine ? s.origine->file : s.file;
            if (f.empty()) {
                f = linea;
            }
            const auto it = per_file.find(f);
            if (it == per_file.end() || (solo_linea && f != linea)) {
                return;
            }
            // The line file's entries come once, whichever train found them.
            if (f == linea && !gia_sulla_linea.insert(s.testo).second) {
                return;
            }
            it->second.push_back(da_segnalazione(s, f));
        };
        // Past the limit of controlla, a file's further entries are one line on its first row.
        const auto tagliate = [&](const segnalazioni_tagliate& t) {
            segnalazione s;
            s.file = t.file.empty() ? linea : t.file;
            s.problema = false;
            s.nome = "segnalazioni_non_mostrate";
            s.testo = messaggio_tagliate(t);
            const auto it = per_file.find(s.file);
            if (it == per_file.end() || (solo_linea && s.file != linea) ||
                (s.file == linea && !gia_sulla_linea.insert(s.testo).second)) {
                return;
            }
            diagnostica d;
            d.voce = s;
            d.riga = 1;
            d.messaggio = s.testo;
            it->second.push_back(std::move(d));
        };
        const std::filesystem::path file_treno =
            treno.empty() ? std::filesystem::path()
                          : nomi_file::sorgente_treno(c.cartella, {c.scenario, treno});
        const auto bytes = [&](const std::filesystem::path& f) -> std::optional<std::string> {
            const auto it = sorgenti.find(f);
            return it == sorgenti.end() ? std::nullopt : std::optional(it->second);
        };
        ::richiesta r;
        r.cartella = c.cartella;
        r.identita = {c.scenario, treno};
        r.testi = sorgenti_in_memoria{bytes(linea), bytes(file_treno)};
        r.modo = modo_lettura::controllo;
        const ::esito e = ::esegui(r);
        if (e.fallimento) {
            registra(e.fallimento->what());
            return;
        }
        const elenco_controllo& elenco = *e.controllo;
        elenco.visita(opzioni_.limite_per_file, aggiungi, tagliate);
        // What each row wrote, for hover: the line file's rows from its first check only.
        const compattatore& modello = elenco.lettura();
        const bool linea_nuova = nuove.insert(linea).second;
        if (!file_treno.empty()) {
            nuove.insert(file_treno);
        }
        scritture_file* della_linea = linea_nuova ? &scritture_[linea] : nullptr;
        scritture_file* del_treno = file_treno.empty() ? nullptr : &scritture_[file_treno];
        for (const auto& s : modello.scritture_delle_righe) {
            scritture_file* dove = s.riga.file == file_sorgente::linea   ? della_linea
                                   : s.riga.file == file_sorgente::treno ? del_treno
                                                                         : nullptr;
            if (dove == nullptr) {
                continue;
            }
            scritture_file& f = *dove;
            if (s.voce) {
                if (s.indice < modello.voci.size()) {
                    f.voci.push_back({s.riga.luogo.riga, s.indice, modello.voci[s.indice]});
                }
            } else if (s.indice < modello.celle.size()) {
                f.celle.push_back({s.riga.luogo.riga, s.indice, modello.celle[s.indice]});
            }
        }
    };
    // This check's writes replace the last one's, file by file.
    scritture_.erase(linea);
    for (const auto& f : file_treni) {
        scritture_.erase(f);
    }
    if (c.treni.empty()) {
        // A line file with no train yet: its own entries only.
        controlla("", true);
    }
    for (const std::string& t : c.treni) {
        controlla(t, false);
    }
    for (auto& [f, elenco] : per_file) {
        if (!esiste(f)) {
            continue;
        }
        if (const auto it = aperti_.find(f); it != aperti_.end()) {
            for (const carattere_perso& p : it->second.testo.persi()) {
                diagnostica d;
                d.voce.problema = false;
                d.voce.nome = "carattere_non_rappresentabile";
                d.riga = p.riga;
                d.da = p.colonna;
                d.a = p.colonna + 1;
                char punto[16];
                std::snprintf(punto, sizeof punto, "U+%04X", static_cast<unsigned>(p.punto));
                d.messaggio = std::string("avviso: il carattere ") + punto +
                              " non esiste in Windows-1252: il compattatore legge \"?\"";
                elenco.push_back(std::move(d));
            }
            std::stable_sort(elenco.begin(), elenco.end(), [](const auto& x, const auto& y) {
                return x.riga < y.riga || (x.riga == y.riga && x.da < y.da);
            });
        }
        pubblica(f, std::move(elenco));
    }
}

server_lsp::diagnostica server_lsp::da_segnalazione(const segnalazione& s,
                                                    const std::filesystem::path& file) {
    diagnostica d;
    d.voce = s;
    if (s.problema) {
        d.messaggio = "problema " + std::to_string(s.codice.value_or(0));
        if (s.posizione) {
            d.messaggio += " a " + std::to_string(*s.posizione) + " m";
        }
        d.messaggio += ": " + s.messaggio;
    } else {
        d.messaggio = "avviso: " + s.messaggio;
    }
    if (!s.origine) {
        return d;
    }
    d.riga = s.origine->luogo.riga;
    const testo_sorgente* t = testo_di(file);
    const std::string_view riga = t != nullptr ? t->riga(d.riga) : std::string_view();
    // The field: from its first byte to the comma or the line end, blanks after it left out.
    d.da = static_cast<std::size_t>(std::max(s.origine->luogo.colonna - 1, 0));
    d.da = std::min(d.da, riga.size());
    std::size_t a = d.da;
    while (a < riga.size() && riga[a] != ',') {
        ++a;
    }
    while (a > d.da && (riga[a - 1] == ' ' || riga[a - 1] == '\t')) {
        --a;
    }
    d.a = a;
    // The checker's suggested replacement is the fix: a misspelt keyword, a station's
    // position or length on its step.
    if (!s.sostituzione.empty() && a > d.da) {
        d.sostituzione = s.sostituzione;
    }
    return d;
}

json server_lsp::intervallo(const std::filesystem::path& file, int riga, std::size_t da,
                            std::size_t a) {
    const testo_sorgente* t = testo_di(file);
    const int r = std::max(riga, 1);
    const auto posizione = [&](std::size_t colonna) {
        return json{{"line", r - 1},
                    {"character", t != nullptr ? t->carattere(r, colonna) : colonna}};
    };
    return {{"start", posizione(da)}, {"end", posizione(a)}};
}

std::string server_lsp::uri_di(const std::filesystem::path& file) const {
    if (const auto it = aperti_.find(file); it != aperti_.end()) {
        return it->second.uri;
    }
    return uri_da_percorso(file);
}

void server_lsp::pubblica(const std::filesystem::path& file, std::vector<diagnostica> elenco) {
    json diagnostiche = json::array();
    for (diagnostica& d : elenco) {
        json lsp = {{"range", intervallo(file, d.riga, d.da, d.a)},
                    {"severity", d.voce.problema ? 1 : 2},
                    {"source", "compattatore"},
                    {"message", d.messaggio}};
        if (d.voce.codice) {
            lsp["code"] = *d.voce.codice;
        } else {
            lsp["code"] = d.voce.nome;
        }
        if (d.voce.nota) {
            const origine_problema& n = *d.voce.nota;
            const std::string_view riga = testo_di(n.file) != nullptr
                                              ? testo_di(n.file)->riga(n.luogo.riga)
                                              : std::string_view();
            const std::size_t da =
                std::min(static_cast<std::size_t>(std::max(n.luogo.colonna - 1, 0)), riga.size());
            lsp["relatedInformation"] = json::array(
                {{{"location",
                   {{"uri", uri_di(n.file)},
                    {"range", intervallo(n.file, n.luogo.riga, da, riga.size())}}},
                  {"message", "nota: la lettura del file del treno si è fermata a questa riga"}}});
        }
        diagnostiche.push_back(lsp);
        d.lsp = std::move(lsp);
    }
    const bool prima = pubblicate_.count(file) > 0;
    if (elenco.empty() && !prima && aperti_.count(file) == 0) {
        return;  // nothing was shown for it: nothing to clear
    }
    json parametri = {{"uri", uri_di(file)}, {"diagnostics", std::move(diagnostiche)}};
    notifica("textDocument/publishDiagnostics", std::move(parametri));
    if (elenco.empty()) {
        pubblicate_.erase(file);
    } else {
        pubblicate_[file] = std::move(elenco);
    }
}

// Features --------------------------------------------------------------------------------

namespace {

// A cell's fields as mostra names them, those at zero left out, then its object.
std::string campi_cella(const cella& c) {
    std::string campi;
    const auto aggiungi = [&campi](const char* nome, long long valore) {
        if (valore != 0) {
            campi += std::string(campi.empty() ? "" : " ") + nome + "=" + std::to_string(valore);
        }
    };
    aggiungi("tipo", c.tipo);
    aggiungi("valore1", c.valore1);
    aggiungi("valore2", c.valore2);
    aggiungi("valore3", c.valore3);
    aggiungi("valore4", c.valore4);
    aggiungi("tempo", c.tempo);
    aggiungi("codice", c.codice);
    aggiungi("montagna", c.montagna);
    aggiungi("velocita_limite", c.velocita_limite);
    aggiungi("pendenza", c.pendenza);
    aggiungi("aderenza", c.aderenza);
    if (campi.empty()) {
        return "(vuota)";
    }
    const std::string oggetto = nome_oggetto(c.tipo);
    return oggetto.empty() ? campi : campi + " (" + oggetto + ")";
}

// A general record's fields as mostra lists them, inside a markdown code span (which a
// backtick in a name would end).
std::string campi_voce_in_codice(const voce& v) {
    std::string campi = campi_voce(v);
    std::replace(campi.begin(), campi.end(), '`', '?');
    return campi.empty() ? "(vuota)" : campi;
}

}  // namespace

std::string server_lsp::scritto_dalla_riga(const std::filesystem::path& file, int riga) const {
    const auto it = scritture_.find(file);
    if (it == scritture_.end()) {
        return {};
    }
    // The cells and records as the model holds them at the end of the run, a long list cut.
    constexpr std::size_t massimo = 10;
    std::string voci;
    for (const auto& v : it->second.voci) {
        if (v.riga == riga) {
            voci += "- voce " + std::to_string(v.indice) + ": `" + campi_voce_in_codice(v.valore) +
                    "`\n";
        }
    }
    std::string celle;
    std::size_t quante = 0;
    for (const auto& c : it->second.celle) {
        if (c.riga != riga) {
            continue;
        }
        if (++quante <= massimo) {
            celle += "- cella " + std::to_string(c.indice) + " (" +
                     std::to_string(int64_t{c.indice} * 50) + " – " +
                     std::to_string(int64_t{c.indice} * 50 + 50) + " m): `" +
                     campi_cella(c.valore) + "`\n";
        }
    }
    if (quante > massimo) {
        celle += "- … altre " + std::to_string(quante - massimo) + " celle\n";
    }
    std::string testo;
    if (!voci.empty()) {
        testo += "\nRecord generali che la riga scrive:\n" + voci;
    }
    if (!celle.empty()) {
        testo += "\nCelle che la riga scrive (" + std::to_string(quante) + "):\n" + celle;
    }
    return testo;
}

json server_lsp::hover(const json& parametri) {
    std::filesystem::path file;
    documento_di(parametri, file);
    const testo_sorgente* t = testo_di(file);
    if (t == nullptr) {
        return nullptr;
    }
    const json& posizione = campo(parametri, "position");
    const int riga = static_cast<int>(numero_campo(posizione, "line")) + 1;
    const std::string_view testo = t->riga(riga);
    const bool linea = finisce_con(nome_di(file), finale_linea);
    std::string markdown;
    // What the checker said about this row: first whether the compactor ever reads it.
    const auto it = pubblicate_.find(file);
    if (it != pubblicate_.end()) {
        for (const diagnostica& d : it->second) {
            if (d.voce.nome == "righe_non_lette" && d.riga < riga) {
                markdown +=
                    "**Il compattatore non arriva a questa riga**: smette di leggere alla riga " +
                    std::to_string(d.riga) +
                    ". Qui sotto, quello che ne fa la lettura che prosegue.\n\n";
            }
        }
        for (const diagnostica& d : it->second) {
            if (d.riga == riga && d.voce.problema) {
                markdown += "**Riga rifiutata**: " + d.messaggio + "\n\n";
            }
        }
    }
    const parola_riga* p = parola_della_riga(testo, linea);
    if (p == nullptr) {
        if (markdown.empty()) {
            return nullptr;
        }
    } else {
        markdown += "**" + std::string(p->parola) + "** (" + std::string(p->sezione) +
                    "): " + std::string(p->significato) + "\n\n";
        const std::vector<std::string> nomi = nomi_colonne(p->colonne);
        const std::vector<std::string_view> valori = campi(testo);
        for (std::size_t i = 0; i < nomi.size(); ++i) {
            const std::string valore =
                i + 1 < valori.size() ? testo_utf8(valori[i + 1]) : std::string("(manca)");
            markdown += "- " + nomi[i] + ": `" + valore + "`\n";
        }
        // A curve: the stretch of the plan it draws.
        if ((p->parola == "curvas" || p->parola == "curvad") && valori.size() >= 3) {
            try {
                // Bounded, so that the sum cannot overflow whatever the row says.
                const long long inizio = std::stoll(std::string(valori[1]));
                const long long lunghezza = std::stoll(std::string(valori[2]));
                if (std::llabs(inizio) < 1000000000000LL &&
                    std::llabs(lunghezza) < 1000000000000LL) {
                    markdown += "\nTratto del piano: da " + std::to_string(inizio) + " m a " +
                                std::to_string(inizio + lunghezza) + " m\n";
                }
            } catch (const std::exception&) {
            }
        }
    }
    markdown += scritto_dalla_riga(file, riga);
    return {{"contents", {{"kind", "markdown"}, {"value", markdown}}},
            {"range", intervallo(file, riga, 0, testo.size())}};
}

json server_lsp::completamento(const json& parametri) {
    std::filesystem::path file;
    documento_di(parametri, file);
    const testo_sorgente* t = testo_di(file);
    const bool linea = finisce_con(nome_di(file), finale_linea);
    const json& posizione = campo(parametri, "position");
    const int riga = static_cast<int>(numero_campo(posizione, "line")) + 1;
    const std::string sezione = t != nullptr ? sezione_della_riga(*t, riga - 1) : std::string();
    json voci = json::array();
    for (const parola_riga& p : parole_righe()) {
        if (p.linea != linea || (!sezione.empty() && p.sezione != sezione)) {
            continue;
        }
        json voce = {{"label", std::string(p.parola)},
                     {"kind", 14},
                     {"detail", std::string(p.parola) + ", " + std::string(p.colonne)},
                     {"documentation", std::string(p.significato)}};
        if (snippet_) {
            std::string testo = std::string(p.parola);
            int n = 1;
            for (const std::string& c : nomi_colonne(p.colonne)) {
                testo += (n == 1 ? ",  ${" : ", ${") + std::to_string(n) + ":" + c + "}";
                ++n;
            }
            voce["insertText"] = testo;
            voce["insertTextFormat"] = 2;
        } else {
            voce["insertText"] = std::string(p.parola) + ",  ";
            voce["insertTextFormat"] = 1;
        }
        voci.push_back(voce);
    }
    for (const std::string_view s : sezioni(linea)) {
        voci.push_back({{"label", std::string(s)}, {"kind", 9}, {"detail", "sezione"}});
    }
    return {{"isIncomplete", false}, {"items", voci}};
}

json server_lsp::simboli(const json& parametri) {
    std::filesystem::path file;
    documento_di(parametri, file);
    const testo_sorgente* t = testo_di(file);
    json elenco = json::array();
    if (t == nullptr) {
        return elenco;
    }
    const bool linea = finisce_con(nome_di(file), finale_linea);
    json* sezione = nullptr;
    int inizio_sezione = 0;
    const auto chiudi_sezione = [&](int ultima) {
        if (sezione != nullptr) {
            (*sezione)["range"] = intervallo(file, inizio_sezione, 0, t->riga(ultima).size());
            (*sezione)["range"]["end"]["line"] = ultima - 1;
        }
    };
    for (int r = 1; r <= t->righe(); ++r) {
        std::string_view testo = t->riga(r);
        const std::size_t rientro = testo.find_first_not_of(" \t");
        if (rientro != std::string_view::npos && testo[rientro] == '[') {
            chiudi_sezione(r - 1);
            const std::size_t chiusa = testo.find(']', rientro);
            const std::size_t fine = chiusa == std::string_view::npos ? testo.size() : chiusa + 1;
            const json intorno = intervallo(file, r, rientro, fine);
            elenco.push_back({{"name", testo_utf8(testo.substr(rientro, fine - rientro))},
                              {"kind", 3},
                              {"range", intorno},
                              {"selectionRange", intorno},
                              {"children", json::array()}});
            sezione = &elenco.back();
            inizio_sezione = r;
            continue;
        }
        const parola_riga* p = parola_della_riga(testo, linea);
        if (p == nullptr || p->parola != "stazione" || sezione == nullptr) {
            continue;
        }
        const std::vector<std::string_view> valori = campi(testo);
        std::string nome = valori.size() > 17 ? testo_utf8(valori[17]) : std::string("stazione");
        if (nome.empty()) {
            nome = "stazione";
        }
        const json intorno = intervallo(file, r, 0, testo.size());
        (*sezione)["children"].push_back(
            {{"name", nome},
             {"detail", (valori.size() > 1 ? std::string(valori[1]) : std::string("?")) + " m"},
             {"kind", 20},
             {"range", intorno},
             {"selectionRange", intorno}});
    }
    chiudi_sezione(t->righe());
    return elenco;
}

json server_lsp::azioni(const json& parametri) {
    std::filesystem::path file;
    documento_di(parametri, file);
    const json& intorno = campo(parametri, "range");
    const int da = static_cast<int>(numero_campo(campo(intorno, "start"), "line")) + 1;
    const int a = static_cast<int>(numero_campo(campo(intorno, "end"), "line")) + 1;
    json elenco = json::array();
    const auto it = pubblicate_.find(file);
    if (it == pubblicate_.end()) {
        return elenco;
    }
    for (const diagnostica& d : it->second) {
        if (d.sostituzione.empty() || d.riga < da || d.riga > a) {
            continue;
        }
        json modifica = {{"range", d.lsp["range"]}, {"newText", d.sostituzione}};
        elenco.push_back({{"title", "sostituisci con \"" + d.sostituzione + "\""},
                          {"kind", "quickfix"},
                          {"diagnostics", json::array({d.lsp})},
                          {"isPreferred", true},
                          {"edit", {{"changes", {{uri_di(file), json::array({modifica})}}}}}});
    }
    return elenco;
}

json server_lsp::esegui_comando(const json& parametri) {
    if (testo_campo(parametri, "command") != nome_comando_compatta) {
        throw parametri_errati("comando sconosciuto");
    }
    const json argomenti = parametri.value("arguments", json::array());
    if (!argomenti.is_array() || argomenti.empty() || !argomenti[0].is_string()) {
        throw parametri_errati("il comando vuole l'indirizzo di un file sorgente");
    }
    std::string esito;
    const bool fatto = compatta(percorso_da_uri(argomenti[0].get<std::string>()), esito);
    notifica("window/showMessage", {{"type", fatto ? 3 : 2}, {"message", esito}});
    return {{"compattato", fatto}, {"messaggio", esito}};
}

bool server_lsp::compatta(const std::filesystem::path& file, std::string& esito) {
    const std::optional<coppie> c = coppie_di(file);
    if (!c) {
        esito = nome_di(file) + ": non è un file sorgente di uno scenario";
        return false;
    }
    // Never waiting for the lock: the editor would hang while another run writes. The
    // lock is held for all the scenario's trains.
    const blocco_cartella blocco(c->cartella, blocco_cartella::senza_attesa{});
    if (blocco.occupata()) {
        esito = c->cartella.string() +
                ": un'altra esecuzione sta scrivendo nella cartella: compattazione saltata";
        return false;
    }
    ::richiesta r;
    r.cartella = c->cartella;
    r.identita.nome_scenario = c->scenario;
    r.blocco = blocco_richiesto::gia_preso;
    bool tutto = true;
    std::string testo;
    for (const ::esito& e : ::esegui_scenario(r, c->treni)) {
        const std::string stato =
            e.fallimento ? std::string(e.fallimento->what())
            : e.intestazione
                ? "Errore n. " + std::to_string(e.intestazione->numero) + ", nessun file scritto"
            : e.codice_errore != 0 ? "compattato con il problema " + std::to_string(e.codice_errore)
                                   : "compattato";
        tutto = tutto && e.stato == stato_uscita::fatto;
        testo += c->scenario + " " + e.identita.numero_treno + ": " + stato + "\n";
    }
    esito = c->treni.empty() ? c->scenario + ": nessun treno da compattare" : testo;
    return tutto && !c->treni.empty();
}

int comando_lsp(std::size_t limite) {
    // The framing counts bytes: no translation of line ends on Windows, and no stdio
    // buffering in between.
#ifdef _WIN32
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    std::ios::sync_with_stdio(false);
    opzioni_lsp opzioni;
    opzioni.limite_per_file = limite;
    server_lsp server(std::cout, std::cerr, opzioni);
    return server.esegui(std::cin);
}
