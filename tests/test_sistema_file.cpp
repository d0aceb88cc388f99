// Replacement of an output file: whole, or not at all.
#include "aiuti.h"
#include "comune/errore_esecuzione.h"
#include "comune/sistema_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <thread>
#include <vector>

namespace {

std::size_t voci_in(const std::filesystem::path& cartella) {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(cartella),
                                                  std::filesystem::directory_iterator()));
}

}  // namespace

TEST(SostituisciFile, SostituisceTuttoOCreaIlFile) {
    cartella_temporanea cartella;
    const auto vecchio = cartella / "vecchio.txt";
    scrivi_tutto(vecchio, std::string(100000, 'v'));
    // More than one buffer of content, and an empty content.
    const std::string lungo(200000, 'n');
    sostituisci_file(vecchio, "nuovo\r\n");
    EXPECT_EQ(leggi_file_intero(vecchio), "nuovo\r\n");

    const mode_t maschera = ::umask(022);
    sostituisci_file(cartella / "mancante.dat", lungo);
    sostituisci_file(cartella / "vuoto.dat", "");
    ::umask(maschera);
    EXPECT_EQ(leggi_file_intero(cartella / "mancante.dat"), lungo);
    EXPECT_TRUE(std::filesystem::exists(cartella / "vuoto.dat"));
    EXPECT_EQ(std::filesystem::file_size(cartella / "vuoto.dat"), 0u);
    // Readable by the simulator as any new file would be, not private like a temporary.
    EXPECT_EQ(std::filesystem::status(cartella / "mancante.dat").permissions(),
              std::filesystem::perms(0644));
    EXPECT_EQ(voci_in(cartella.percorso()), 3u);  // no temporary file left
}

// Library mode writes from several threads: none may see another's file with a mask of
// 0, nor leave the process with one.
TEST(SostituisciFile, DaPiuFiliInsiemeOgniFileHaIPermessiDellaMaschera) {
    cartella_temporanea cartella;
    const mode_t maschera = ::umask(022);
    std::vector<std::thread> fili;
    for (int f = 0; f < 4; ++f) {
        fili.emplace_back([&, f] {
            for (int i = 0; i < 150; ++i) {
                sostituisci_file(cartella / (std::to_string(f) + "_" + std::to_string(i)), "x");
            }
        });
    }
    for (std::thread& f : fili) {
        f.join();
    }
    EXPECT_EQ(::umask(maschera), 022);
    for (const auto& voce : std::filesystem::directory_iterator(cartella.percorso())) {
        ASSERT_EQ(voce.status().permissions(), std::filesystem::perms(0644)) << voce.path();
    }
}

TEST(SostituisciFile, UnaCartellaAlPostoDelFileEUnErroreCheLaNomina) {
    cartella_temporanea cartella;
    const auto destinazione = cartella / "Orvesa_Cusvana_5927_note.txt";
    std::filesystem::create_directory(destinazione);
    try {
        sostituisci_file(destinazione, "note");
        FAIL() << "attesa errore_esecuzione";
    } catch (const errore_esecuzione& e) {
        EXPECT_EQ(e.file(), destinazione);
        EXPECT_NE(std::string(e.what()).find(destinazione.string()), std::string::npos);
    }
    EXPECT_TRUE(std::filesystem::is_directory(destinazione));
    EXPECT_EQ(voci_in(cartella.percorso()), 1u);
}

TEST(SostituisciFile, UnaScritturaNonConfermataLasciaIlFileDiPrima) {
    cartella_temporanea cartella;
    const auto destinazione = cartella / "Orvesa_Cusvana_5927.dat";
    scrivi_tutto(destinazione, "griglia di prima");
    {
        file_sostitutivo file(destinazione);
        file.scrivi(std::string(100000, 'g'));
    }  // abandoned half-way, as when a failure interrupts the writing
    EXPECT_EQ(leggi_file_intero(destinazione), "griglia di prima");
    EXPECT_EQ(voci_in(cartella.percorso()), 1u);
}

TEST(SostituisciFile, ByteMessiNelBufferEScrittiSiAlternanoSenzaPerderne) {
    // Records of 10 bytes put straight into the buffer while they fit, through scrivi()
    // when they straddle the end of a 64 KiB buffer, as the output step does with the plan.
    cartella_temporanea cartella;
    const auto destinazione = cartella / "Orvesa_Cusvana_linea.dat";
    std::string atteso;
    {
        file_sostitutivo file(destinazione);
        for (int i = 0; i < 20000; ++i) {
            char record[10];
            for (int b = 0; b < 10; ++b) {
                record[b] = static_cast<char>((i * 7 + b) % 251);
            }
            const std::size_t n = i % 3 == 0 ? 4 : 10;  // short and long records mixed
            atteso.append(record, n);
            if (file.libero() >= n) {
                std::copy(record, record + n, file.coda());
                file.aggiunti(n);
            } else {
                file.scrivi(record, n);
            }
        }
        file.conferma();
    }
    EXPECT_EQ(leggi_file_intero(destinazione), atteso);
}

TEST(SostituisciFile, UnFileSenzaPermessoDiScritturaFermaLaScritturaELoLasciaComEra) {
    // Write permission for nobody (the read-only attribute of Windows): the owner wants
    // the file kept. Root may write it all the same, so the bits decide, not access().
    namespace fs = std::filesystem;
    cartella_temporanea cartella;
    const auto destinazione = cartella / "Orvesa_Cusvana_5927_note.txt";
    scrivi_tutto(destinazione, "note di prima\r\n");
    fs::permissions(destinazione,
                    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    try {
        sostituisci_file(destinazione, "note nuove\r\n");
        FAIL() << "attesa errore_esecuzione";
    } catch (const errore_esecuzione& e) {
        EXPECT_EQ(e.file(), destinazione);
        EXPECT_TRUE(
            std::string(e.what()).starts_with(destinazione.string() + ": file in sola lettura"))
            << e.what();
    }
    EXPECT_EQ(leggi_file_intero(destinazione), "note di prima\r\n");
    EXPECT_EQ(voci_in(cartella.percorso()), 1u);

    // Any write bit left, for anyone, and the file is replaced as usual.
    fs::permissions(destinazione, fs::perms::group_write, fs::perm_options::add);
    sostituisci_file(destinazione, "note nuove\r\n");
    EXPECT_EQ(leggi_file_intero(destinazione), "note nuove\r\n");
}

TEST(SostituisciFile, IlTemporaneoPortaIlSegnoCheLoRendeRiconoscibile) {
    cartella_temporanea cartella;
    const auto destinazione = cartella / "Orvesa_Cusvana_5927.sim";
    file_sostitutivo file(destinazione);
    std::vector<std::string> nomi;
    for (const auto& voce : std::filesystem::directory_iterator(cartella.percorso())) {
        // Beside the temporary, the folder's lock that the replacement took for itself.
        if (voce.path().filename() != blocco_cartella::nome_file) {
            nomi.push_back(voce.path().filename().string());
        }
    }
    ASSERT_EQ(nomi.size(), 1u);
    EXPECT_TRUE(nomi[0].starts_with(".Orvesa_Cusvana_5927.sim.orvesa-tmp-")) << nomi[0];
    EXPECT_TRUE(nome_temporaneo(nomi[0])) << nomi[0];
}

TEST(TemporaneiAbbandonati, SoloINomiColSegnoVannoViaEGliAltriRestano) {
    const std::pair<const char*, bool> casi[] = {
        {".Orvesa_Cusvana_5927.dat.orvesa-tmp-a1B2c3", true},
        {".x.orvesa-tmp-ZZZZZZ", true},
        {"Orvesa_Cusvana_5927.dat.orvesa-tmp-a1B2c3", false},    // not hidden
        {".Orvesa_Cusvana_5927.dat.orvesa-tmp-a1B2c", false},    // five letters
        {".Orvesa_Cusvana_5927.dat.orvesa-tmp-a1B2c34", false},  // seven
        {".Orvesa_Cusvana_5927.dat.orvesa-tmp-a1B-c3", false},   // not a letter or digit
        {".orvesa-tmp-a1B2c3", false},                           // no file name
        {".Orvesa_Cusvana_5927.dat.XXXXXX", false},              // somebody else's mark
        {"Orvesa_Cusvana_5927.dat", false},
    };
    cartella_temporanea cartella;
    for (const auto& [nome, nostro] : casi) {
        EXPECT_EQ(nome_temporaneo(nome), nostro) << nome;
        scrivi_tutto(cartella / nome, "x");
    }
    // What bears the mark but is no file of ours is left alone too.
    std::filesystem::create_directory(cartella / ".cartella.orvesa-tmp-abcdef");
    std::filesystem::create_symlink(cartella / "Orvesa_Cusvana_5927.dat",
                                    cartella / ".legame.orvesa-tmp-abcdef");

    rimuovi_temporanei_abbandonati(cartella.percorso());

    for (const auto& [nome, nostro] : casi) {
        EXPECT_NE(std::filesystem::exists(cartella / nome), nostro) << nome;
    }
    EXPECT_TRUE(std::filesystem::is_directory(cartella / ".cartella.orvesa-tmp-abcdef"));
    EXPECT_TRUE(std::filesystem::is_symlink(cartella / ".legame.orvesa-tmp-abcdef"));
}

TEST(BloccoCartella, IlFileDelBloccoVaViaColBloccoEUnSecondoBloccoLoRiprende) {
    cartella_temporanea cartella;
    const auto file_blocco = cartella / std::string(blocco_cartella::nome_file);
    scrivi_tutto(cartella / ".Orvesa_Cusvana_linea.dat.orvesa-tmp-q1w2e3", "abbandonato");
    {
        const blocco_cartella blocco(cartella.percorso(), "prova");
        EXPECT_TRUE(std::filesystem::exists(file_blocco));
        EXPECT_FALSE(
            std::filesystem::exists(cartella / ".Orvesa_Cusvana_linea.dat.orvesa-tmp-q1w2e3"));
    }
    EXPECT_FALSE(std::filesystem::exists(file_blocco));
    // A lock file left by a killed run is taken over.
    scrivi_tutto(file_blocco, "");
    { const blocco_cartella blocco(cartella.percorso(), "prova"); }
    EXPECT_EQ(voci_in(cartella.percorso()), 0u);
}

TEST(LeggiFileRegolare, LaDimensioneSiGiudicaPrimaDiLeggere) {
    cartella_temporanea cartella;
    const auto file = cartella / "dati";
    scrivi_tutto(file, "dodici byte.");
    std::uintmax_t vista = 0;
    EXPECT_EQ(leggi_file_regolare(file, [&vista](std::uintmax_t byte) { vista = byte; }),
              "dodici byte.");
    EXPECT_EQ(vista, 12u);
    // A refusal from the check is the caller's message, unchanged.
    EXPECT_THROW(
        leggi_file_regolare(
            file, [&file](std::uintmax_t) { throw errore_esecuzione(file, "troppo grande"); }),
        errore_esecuzione);
    try {
        leggi_file_regolare(cartella / "assente", [](std::uintmax_t) {});
        FAIL() << "attesa errore_esecuzione";
    } catch (const errore_esecuzione& e) {
        EXPECT_EQ(e.file(), cartella / "assente");
    }
}
