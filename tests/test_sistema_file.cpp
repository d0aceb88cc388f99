// Replacement of an output file: whole, or not at all.
#include "aiuti.h"
#include "comune/errore_esecuzione.h"
#include "comune/sistema_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

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
        EXPECT_EQ(std::string(e.what()), destinazione.string() + ": file in sola lettura");
    }
    EXPECT_EQ(leggi_file_intero(destinazione), "note di prima\r\n");
    EXPECT_EQ(voci_in(cartella.percorso()), 1u);

    // Any write bit left, for anyone, and the file is replaced as usual.
    fs::permissions(destinazione, fs::perms::group_write, fs::perm_options::add);
    sostituisci_file(destinazione, "note nuove\r\n");
    EXPECT_EQ(leggi_file_intero(destinazione), "note nuove\r\n");
}
