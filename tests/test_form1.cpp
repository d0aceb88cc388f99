// Form1: the error text, and whole runs of the real program in a directory of its own.
#include "aiuti.h"
#include "run/form1.h"
#include "writers/dati.h"

#include <gtest/gtest.h>
#include <set>

namespace {

// Records what Form1 shows instead of showing it.
class presentazione_registrata : public presentazione {
public:
    explicit presentazione_registrata(std::vector<std::string>& mostrato) : mostrato_(mostrato) {}
    void mostra_attendere() override { mostrato_.push_back("Attendere"); }
    int mostra_messaggio(const std::string& testo) override {
        mostrato_.push_back(testo);
        return 1;
    }

private:
    std::vector<std::string>& mostrato_;
};

// A copy of the program in a directory of its own: it writes its files beside itself.
std::filesystem::path copia_programma(const cartella_temporanea& cartella) {
    const auto programma = cartella / "orvesa_cusvana";
    std::filesystem::copy_file(PERCORSO_ORVESA_CUSVANA, programma);
    return programma;
}

}  // namespace

TEST(Form1, ErroreMostraIlNumeroDopoIlTestoFisso) {
    std::vector<std::string> mostrato;
    Form1 finestra(".", std::make_unique<presentazione_registrata>(mostrato));
    finestra.errore("1250");
    EXPECT_EQ(mostrato, std::vector<std::string>{" Errore n. 1250"});
    EXPECT_EQ(finestra.risposta, 1);
}

TEST(Esecuzione, UnaCartellaAlPostoDelleNoteFermaLaCorsaLi) {
    cartella_temporanea cartella;
    const auto programma = copia_programma(cartella);
    const identita_scenario id = identita_predefinita();
    std::filesystem::create_directory(nomi_file::note(cartella.percorso(), id));
    scrivi_tutto(nomi_file::rallentamenti(cartella.percorso(), id), "rallentamenti di prima");
    scrivi_tutto(nomi_file::scheda(cartella.percorso(), id), "scheda di prima");

    const esito_processo esito = esegui(programma, {});

    EXPECT_EQ(esito.stato, stato_uscita::errore_esecuzione);
    EXPECT_EQ(esito.errori.substr(0, 10), "Attendere\n");  // no display: terminal mode
    EXPECT_NE(esito.errori.find(nomi_file::note(cartella.percorso(), id).string() + ": "),
              std::string::npos)
        << esito.errori;
    // The two source files before it are complete; the files after it are untouched.
    cartella_temporanea riferimento;
    dati_linea(riferimento.percorso(), id);
    dati_treno(riferimento.percorso(), id);
    EXPECT_EQ(leggi_file_intero(nomi_file::sorgente_linea(cartella.percorso(), id)),
              leggi_file_intero(nomi_file::sorgente_linea(riferimento.percorso(), id)));
    EXPECT_EQ(leggi_file_intero(nomi_file::sorgente_treno(cartella.percorso(), id)),
              leggi_file_intero(nomi_file::sorgente_treno(riferimento.percorso(), id)));
    EXPECT_EQ(leggi_file_intero(nomi_file::rallentamenti(cartella.percorso(), id)),
              "rallentamenti di prima");
    EXPECT_EQ(leggi_file_intero(nomi_file::scheda(cartella.percorso(), id)), "scheda di prima");
    std::set<std::string> nomi;
    for (const auto& voce_cartella : std::filesystem::directory_iterator(cartella.percorso())) {
        nomi.insert(voce_cartella.path().filename().string());
    }
    EXPECT_EQ(nomi, (std::set<std::string>{
                        "orvesa_cusvana", "Orvesa_Cusvana_linea.txt", "Orvesa_Cusvana_5927-.txt",
                        "Orvesa_Cusvana_5927_note.txt", "Orvesa_Cusvana_5927_rallentamenti.txt",
                        "Orvesa_Cusvana_5927_scheda_treno.txt"}));
}
