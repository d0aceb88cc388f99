// The five scenario texts as the writers leave them on disk: line counts, row shapes and
// invariants read back from the written files, and the agreement between the line file, the
// train file, the train card and the notes.

// GCC 12 reports a spurious maybe-uninitialized inside <regex> in the sanitizer build.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include "aiuti.h"
#include "compactor/compattatore.h"
#include "compactor/diagnostica.h"
#include "comune/identita.h"
#include "passi_del_driver.h"
#include "scenario_text/testi_scenario.h"
#include "writers/dati.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <optional>
#include <regex>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

using righe_t = std::vector<std::string>;
constexpr auto npos = std::string::npos;

// The lines of a written text file. Every line must end in CR LF, and neither byte may
// stand anywhere else.
righe_t righe_crlf(const std::string& contenuto) {
    righe_t righe;
    std::size_t inizio = 0;
    while (inizio < contenuto.size()) {
        const std::size_t fine = contenuto.find("\r\n", inizio);
        if (fine == npos) {
            ADD_FAILURE() << "last line without CR LF";
            righe.push_back(contenuto.substr(inizio));
            break;
        }
        righe.push_back(contenuto.substr(inizio, fine - inizio));
        inizio = fine + 2;
    }
    for (const auto& r : righe) {
        EXPECT_EQ(r.find_first_of("\r\n"), npos) << "stray CR or LF in: " << r;
    }
    return righe;
}

// Rows grouped under their "[...]" header lines, in file order.
std::vector<std::pair<std::string, righe_t>> sezioni(const righe_t& righe) {
    std::vector<std::pair<std::string, righe_t>> esito;
    for (const auto& r : righe) {
        if (!r.empty() && r.front() == '[') {
            esito.emplace_back(r, righe_t{});
        } else if (!esito.empty()) {
            esito.back().second.push_back(r);
        }
    }
    return esito;
}

righe_t sezione(const std::vector<std::pair<std::string, righe_t>>& s, const std::string& nome) {
    for (const auto& [intestazione, righe] : s) {
        if (intestazione == nome) {
            return righe;
        }
    }
    ADD_FAILURE() << "no section " << nome;
    return {};
}

std::string spoglia(const std::string& s) {
    const auto a = s.find_first_not_of(' ');
    if (a == npos) {
        return "";
    }
    return s.substr(a, s.find_last_not_of(' ') - a + 1);
}

righe_t campi(const std::string& riga) {
    righe_t esito;
    std::size_t inizio = 0;
    for (;;) {
        const auto virgola = riga.find(',', inizio);
        esito.push_back(riga.substr(inizio, virgola == npos ? npos : virgola - inizio));
        if (virgola == npos) {
            return esito;
        }
        inizio = virgola + 1;
    }
}

int numero(const std::string& campo) {
    const std::string s = spoglia(campo);
    return s.empty() ? 0 : std::stoi(s);
}

bool contiene(const righe_t& righe, const std::string& riga) {
    return std::find(righe.begin(), righe.end(), riga) != righe.end();
}

// Every row of a positional kind stands after the previous one, on a multiple of 50 m, inside
// the route.
void posizioni_crescenti(const std::vector<int>& posizioni, const std::string& tipo) {
    for (std::size_t i = 0; i < posizioni.size(); ++i) {
        EXPECT_EQ(posizioni[i] % 50, 0) << tipo << " at " << posizioni[i];
        EXPECT_GE(posizioni[i], 0) << tipo;
        EXPECT_LT(posizioni[i], 101000) << tipo;
        if (i > 0) {
            EXPECT_GT(posizioni[i], posizioni[i - 1]) << tipo << " at " << posizioni[i];
        }
    }
}

// A "hh.mm" time of the card, with "+" for the half minute, in seconds of the day.
std::optional<int> ora(const std::string& testo) {
    static const std::regex forma(R"((\d\d)\.(\d\d)(\+?))");
    std::smatch m;
    if (!std::regex_match(testo, m, forma)) {
        return std::nullopt;
    }
    return std::stoi(m[1]) * 3600 + std::stoi(m[2]) * 60 + (m[3].length() ? 30 : 0);
}

// One timetable row of the train card, cut into its seven cells.
struct riga_scheda {
    std::optional<int> vlim, vmarc;
    long km_m = 0;  // kilometric progressive in metres
    std::string luogo;
    enum { origine, fermata, transito, arrivo, ignota } tipo = ignota;
    int arrivo_s = -1, partenza_s = -1, passaggio_s = -1;
    std::string recupero;
    bool capitale() const {
        return std::none_of(luogo.begin(), luogo.end(),
                            [](char c) { return c >= 'a' && c <= 'z'; });
    }
};

std::optional<int> velocita_cella(const std::string& cella) {
    EXPECT_EQ(cella.back(), ' ');
    if (spoglia(cella).empty()) {
        return std::nullopt;
    }
    EXPECT_NE(cella[3], ' ') << "speed not right-aligned: [" << cella << "]";
    return std::stoi(cella);
}

riga_scheda leggi_riga_scheda(const std::string& riga) {
    riga_scheda r;
    const righe_t c = [&] {
        righe_t parti;
        std::size_t inizio = 0;
        for (std::size_t barra; (barra = riga.find('|', inizio)) != npos; inizio = barra + 1) {
            parti.push_back(riga.substr(inizio, barra - inizio));
        }
        parti.push_back(riga.substr(inizio));
        return parti;
    }();
    if (c.size() != 9 || c[0] != " " || c[1].size() != 5 || c[2].size() != 5 || c[3].size() != 10 ||
        c[4] != "     " || c[5].size() != 28 || c[6].size() != 17 || c[7].size() != 5 ||
        (c[8] != "" && c[8] != " ")) {
        ADD_FAILURE() << "not a timetable row: [" << riga << "]";
        return r;
    }
    r.vlim = velocita_cella(c[1]);
    r.vmarc = velocita_cella(c[2]);
    EXPECT_TRUE(std::regex_match(c[3], std::regex(R"( *\d+\.\d{3} )"))) << c[3];
    EXPECT_NE(c[3][8], ' ');
    r.km_m = std::lround(std::stod(c[3]) * 1000);
    EXPECT_EQ(c[5][0], ' ');
    EXPECT_NE(c[5][1], ' ');
    r.luogo = spoglia(c[5]);
    const std::string& t = c[6];
    const auto a = ora(t.substr(1, 5) + (t[6] == '+' ? "+" : ""));
    const auto p = ora(t.substr(11, 5));
    const auto q = ora(t.substr(6, 5) + (t[11] == '+' ? "+" : ""));
    if (p && !a && t.substr(0, 11) == std::string(11, ' ') && t[16] == ' ') {
        r.tipo = riga_scheda::origine;
        r.partenza_s = *p;
    } else if (a && p && t[0] == ' ' && t.substr(7, 4) == "    " && t[16] == ' ') {
        r.tipo = riga_scheda::fermata;
        r.arrivo_s = *a;
        r.partenza_s = *p;
    } else if (a && t[0] == ' ' && t.substr(7) == std::string(10, ' ')) {
        r.tipo = riga_scheda::arrivo;
        r.arrivo_s = *a;
    } else if (q && t.substr(0, 6) == std::string(6, ' ') && t.substr(12) == "     ") {
        r.tipo = riga_scheda::transito;
        r.passaggio_s = *q;
    } else {
        ADD_FAILURE() << "time cell of no known kind: [" << t << "]";
    }
    r.recupero = c[7];
    return r;
}

struct stazione_treno {
    int posizione = 0, tipo = 0, sosta = 0, orario_s = 0;
    std::string nome;
};

// Everything the tests read back, written once into one temporary directory.
class TestiScritti : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        cartella_ = std::make_unique<cartella_temporanea>();
        const auto id = identita_predefinita();
        scrivi_testi_scenario(cartella_->percorso(), id);
        contenuti_ = new std::map<std::string, std::string>{
            {"linea", leggi_file_intero(nomi_file::sorgente_linea(cartella_->percorso(), id))},
            {"treno", leggi_file_intero(nomi_file::sorgente_treno(cartella_->percorso(), id))},
            {"note", leggi_file_intero(nomi_file::note(cartella_->percorso(), id))},
            {"rallentamenti",
             leggi_file_intero(nomi_file::rallentamenti(cartella_->percorso(), id))},
            {"scheda", leggi_file_intero(nomi_file::scheda(cartella_->percorso(), id))},
        };
    }
    static void TearDownTestSuite() {
        delete contenuti_;
        contenuti_ = nullptr;
        cartella_.reset();
    }
    static righe_t righe(const std::string& file) { return righe_crlf(contenuti_->at(file)); }

    static std::vector<riga_scheda> orario() {
        const righe_t s = righe("scheda");
        std::vector<riga_scheda> esito;
        for (std::size_t i = 14; i < 56 && i < s.size(); ++i) {
            esito.push_back(leggi_riga_scheda(s[i]));
        }
        return esito;
    }
    static std::vector<stazione_treno> stazioni() {
        std::vector<stazione_treno> esito;
        for (const auto& riga : sezione(sezioni(righe("treno")), "[stazioni]")) {
            const righe_t c = campi(riga);
            if (c.size() != 18) {
                ADD_FAILURE() << riga;
                continue;
            }
            esito.push_back({numero(c[1]), numero(c[2]), numero(c[13]),
                             numero(c[14]) * 3600 + numero(c[15]) * 60 + numero(c[16]),
                             c[17].substr(1)});
        }
        return esito;
    }

    static std::unique_ptr<cartella_temporanea> cartella_;
    static std::map<std::string, std::string>* contenuti_;
};
std::unique_ptr<cartella_temporanea> TestiScritti::cartella_;
std::map<std::string, std::string>* TestiScritti::contenuti_ = nullptr;

TEST_F(TestiScritti, OgniFileHaLeSueRigheChiuseDaCrLfESenzaMarcatoreDiFine) {
    const std::map<std::string, std::size_t> attese = {
        {"linea", 354}, {"treno", 119}, {"note", 26}, {"rallentamenti", 5}, {"scheda", 60}};
    for (const auto& [file, n] : attese) {
        SCOPED_TRACE(file);
        const std::string& contenuto = contenuti_->at(file);
        EXPECT_EQ(righe(file).size(), n);
        EXPECT_EQ(contenuto.find(std::string(marcatore_fine)), npos);
        EXPECT_EQ(contenuto.find("fine del file"), npos);
    }
    for (const std::string file : {"linea", "treno"}) {
        for (unsigned char b : contenuti_->at(file)) {
            EXPECT_TRUE((b >= 32 && b < 127) || b == '\r' || b == '\n') << file << ": byte " << +b;
        }
        EXPECT_EQ(righe(file).back(), "[fine]");
    }
}

TEST_F(TestiScritti, FileDellaLinea) {
    const auto s = sezioni(righe("linea"));
    const std::vector<std::pair<std::string, std::size_t>> ordine = {
        {"[generale]", 8},  {"[curve]", 124},      {"[pendenze]", 86}, {"[montagne]", 49},
        {"[cartelli]", 31}, {"[indicazioni]", 49}, {"[fine]", 0}};
    ASSERT_EQ(s.size(), ordine.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        EXPECT_EQ(s[i].first, ordine[i].first);
        EXPECT_EQ(s[i].second.size(), ordine[i].second) << ordine[i].first;
    }
    EXPECT_EQ(sezione(s, "[generale]"),
              (righe_t{"lunghezza percorso,    101000",
                       "progressiva chilometrica uno,    0,    100950,    1",
                       "progressiva chilometrica due,    98250,    213400,    0",
                       "progressiva chilometrica tre,    0,    0,    0", "sfondo uno,    1",
                       "sfondo due,    59500", "sfondo tre,    32750",
                       "ripetizione segnali 4 codici,    0    ,0"}));

    // Curves: keyword, start, length, in one of two spacings; never overlapping.
    const std::regex curva_a(R"(curva([sd][3-6]),  (\d+) , (\d+) )");
    const std::regex curva_b(R"(curva([sd][3-6]), +(\d+), +(\d+))");
    std::map<std::string, int> per_parola;
    int forma_a = 0, forma_b = 0, fine_precedente = 0;
    std::vector<int> posizioni;
    for (const auto& riga : sezione(s, "[curve]")) {
        std::smatch m;
        const bool a = std::regex_match(riga, m, curva_a);
        if (!a && !std::regex_match(riga, m, curva_b)) {
            ADD_FAILURE() << "curve row of no known shape: [" << riga << "]";
            continue;
        }
        (a ? forma_a : forma_b)++;
        ++per_parola[m[1]];
        const int p = std::stoi(m[2]), l = std::stoi(m[3]);
        EXPECT_TRUE(l % 50 == 0 && l >= 50 && l <= 1250) << riga;
        EXPECT_GE(p, fine_precedente) << "overlaps the curve before it: " << riga;
        fine_precedente = p + l;
        posizioni.push_back(p);
    }
    EXPECT_EQ(per_parola,
              (std::map<std::string, int>{
                  {"s3", 1}, {"s4", 7}, {"s5", 51}, {"d3", 1}, {"d4", 7}, {"d5", 46}, {"d6", 11}}));
    EXPECT_EQ(forma_a, 111);
    EXPECT_EQ(forma_b, 13);
    posizioni_crescenti(posizioni, "curve");
    EXPECT_EQ(posizioni.front(), 700);
    EXPECT_EQ(sezione(s, "[curve]").back(), "curvas5,  99550 , 550 ");

    // Gradients: the comment row, then position and a signed whole number.
    const righe_t& pendenze = sezione(s, "[pendenze]");
    ASSERT_FALSE(pendenze.empty());
    EXPECT_EQ(pendenze.front(), "- Altitudine iniziale Orvesa = 36 m.");
    const std::regex pendenza_a(R"(pendenza,  (\d+) ,( \d+|-\d+) )");
    const std::regex pendenza_b(R"(pendenza, +(\d+), +(-?\d+))");
    forma_a = forma_b = 0;
    posizioni.clear();
    int minima = 0, massima = 0;
    for (std::size_t i = 1; i < pendenze.size(); ++i) {
        std::smatch m;
        const bool a = std::regex_match(pendenze[i], m, pendenza_a);
        if (!a && !std::regex_match(pendenze[i], m, pendenza_b)) {
            ADD_FAILURE() << "gradient row of no known shape: [" << pendenze[i] << "]";
            continue;
        }
        (a ? forma_a : forma_b)++;
        posizioni.push_back(std::stoi(m[1]));
        minima = std::min(minima, std::stoi(m[2]));
        massima = std::max(massima, std::stoi(m[2]));
    }
    EXPECT_EQ(forma_a, 78);
    EXPECT_EQ(forma_b, 7);
    EXPECT_EQ(minima, -26);
    EXPECT_EQ(massima, 26);
    posizioni_crescenti(posizioni, "gradient");
    EXPECT_EQ(posizioni.front(), 850);
    EXPECT_EQ(posizioni.back(), 100200);

    // Mountain spans: start, end, type; each ends before the next begins.
    const std::regex montagna_a(R"(montagna,  (\d+) , (\d+) , (\d+) )");
    const std::regex montagna_b(R"(montagna, +(\d+), +(\d+), +(\d+))");
    forma_a = forma_b = fine_precedente = 0;
    posizioni.clear();
    const righe_t& montagne = sezione(s, "[montagne]");
    for (std::size_t i = 0; i < montagne.size(); ++i) {
        std::smatch m;
        const bool a = std::regex_match(montagne[i], m, montagna_a);
        if (!a && !std::regex_match(montagne[i], m, montagna_b)) {
            ADD_FAILURE() << "mountain row of no known shape: [" << montagne[i] << "]";
            continue;
        }
        (a ? forma_a : forma_b)++;
        const int inizio = std::stoi(m[1]), fine = std::stoi(m[2]), tipo = std::stoi(m[3]);
        EXPECT_GT(inizio, fine_precedente) << montagne[i];
        EXPECT_GT(fine, inizio) << montagne[i];
        EXPECT_EQ(fine % 50, 0) << montagne[i];
        EXPECT_TRUE(i + 1 == montagne.size() ? tipo == 2 : (tipo == 11 || tipo == 12))
            << montagne[i];
        fine_precedente = fine;
        posizioni.push_back(inizio);
    }
    EXPECT_EQ(forma_a, 46);
    EXPECT_EQ(forma_b, 3);
    posizioni_crescenti(posizioni, "mountain");
    EXPECT_EQ(montagne.front(), "montagna,  4600 , 4750 , 12 ");
    EXPECT_EQ(montagne.back(), "montagna,  98350 , 98400 , 2 ");

    // Maximum-speed signs: position, three speeds, stripes, the empty d group and a final 0.
    const std::regex cartello(R"(indicatori_vmax,  (\d+),  \d+,  \d+,  \d+,  [012],  ,  ,  ,  0)");
    posizioni.clear();
    for (const auto& riga : sezione(s, "[cartelli]")) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(riga, m, cartello)) << riga;
        posizioni.push_back(std::stoi(m[1]));
    }
    posizioni_crescenti(posizioni, "speed sign");
    EXPECT_EQ(sezione(s, "[cartelli]").front(),
              "indicatori_vmax,  800,  85,  90,  90,  0,  ,  ,  ,  0");
    EXPECT_EQ(posizioni.back(), 98450);

    // Indicator signs: the name, sometimes a second name line, and in most rows a length.
    const std::regex indicazione(R"(cartello_indicatore,  (\d+),   ((?:\([^()]*\)){2,3}))");
    const std::regex lunghezza(R"( {1,2}\d+ m\. {0,8})");
    int con_lunghezza = 0, senza_lunghezza = 0, con_tre_gruppi = 0;
    posizioni.clear();
    for (const auto& riga : sezione(s, "[indicazioni]")) {
        std::smatch m;
        if (!std::regex_match(riga, m, indicazione)) {
            ADD_FAILURE() << "indicator sign of no known shape: [" << riga << "]";
            continue;
        }
        posizioni.push_back(std::stoi(m[1]));
        const std::string testo = m[2];
        righe_t gruppi;
        for (std::size_t a = 0; a < testo.size(); a = testo.find(')', a) + 1) {
            gruppi.push_back(testo.substr(a + 1, testo.find(')', a) - a - 1));
        }
        const bool ultimo_lunghezza = std::regex_match(gruppi.back(), lunghezza);
        con_lunghezza += ultimo_lunghezza;
        senza_lunghezza += !ultimo_lunghezza;
        con_tre_gruppi += gruppi.size() == 3;
        EXPECT_TRUE(gruppi.size() == 2 || ultimo_lunghezza) << riga;
        for (std::size_t g = 0; g + (ultimo_lunghezza ? 1 : 0) < gruppi.size(); ++g) {
            EXPECT_FALSE(spoglia(gruppi[g]).empty()) << riga;
            EXPECT_FALSE(std::regex_search(gruppi[g], lunghezza)) << riga;
        }
    }
    EXPECT_EQ(con_lunghezza, 47);
    EXPECT_EQ(senza_lunghezza, 2);
    EXPECT_EQ(con_tre_gruppi, 1);
    posizioni_crescenti(posizioni, "indicator sign");
    EXPECT_EQ(posizioni.front(), 4550);
    EXPECT_EQ(posizioni.back(), 98200);

    const righe_t tutte = righe("linea");
    for (const std::string citata :
         {"curvas5,  700 , 700 ", "curvad6,  11450,  150", "pendenza,  850 , 4 ",
          "pendenza,  48500 ,-15 ", "pendenza,  65650,   -12", "montagna,   52700,  52800,  11",
          "indicatori_vmax,  10050,  90,  95,  100,  2,  ,  ,  ,  0"}) {
        EXPECT_TRUE(contiene(tutte, citata)) << citata;
    }
}

TEST_F(TestiScritti, FileDelTreno) {
    const auto s = sezioni(righe("treno"));
    const std::vector<std::pair<std::string, std::size_t>> ordine = {
        {"[generale]", 4},      {"[aderenze]", 18}, {"[vel_limite]", 19}, {"[stazioni]", 29},
        {"[rallentamenti]", 0}, {"[segnali]", 41},  {"[codici]", 0},      {"[fine]", 0}};
    ASSERT_EQ(s.size(), ordine.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        EXPECT_EQ(s[i].first, ordine[i].first);
        EXPECT_EQ(s[i].second.size(), ordine[i].second) << ordine[i].first;
    }
    EXPECT_EQ(sezione(s, "[generale]"),
              (righe_t{"numero vetture,    3", "percentuale massa frenata,    120",
                       "sabbia,    300", "orologio,    17              27            30 "}));

    struct forma {
        std::string sezione;
        std::regex riga;
        int minimo, massimo;  // of the value after the position
        int prima, ultima;    // positions
    };
    const std::vector<forma> forme = {
        {"[aderenze]", std::regex(R"(aderenza,   (\d+),    (\d+))"), 70, 100, 0, 90800},
        {"[vel_limite]", std::regex(R"(velocita,([ \d]{8}),([ \d]{6}))"), 30, 140, 0, 98400},
    };
    for (const auto& f : forme) {
        std::vector<int> posizioni;
        for (const auto& riga : sezione(s, f.sezione)) {
            std::smatch m;
            ASSERT_TRUE(std::regex_match(riga, m, f.riga)) << riga;
            posizioni.push_back(numero(m[1]));
            EXPECT_GE(numero(m[2]), f.minimo) << riga;
            EXPECT_LE(numero(m[2]), f.massimo) << riga;
        }
        posizioni_crescenti(posizioni, f.sezione);
        EXPECT_EQ(posizioni.front(), f.prima);
        EXPECT_EQ(posizioni.back(), f.ultima);
    }

    const righe_t& stazioni = sezione(s, "[stazioni]");
    EXPECT_EQ(stazioni.front(),
              "stazione,       0,  2,  700,  1, 0, 0,  4,1,0,  2,1,1,    1,  17,28, 0, ORVESA");
    EXPECT_EQ(stazioni.back(),
              "stazione,  100750,  6,  500,  1, 0, 0,  1,1,0,  2,1,1,    0,  19,28, 0, CUSVANA "
              "S.M.N.");
    std::vector<int> posizioni;
    const std::set<int> tipi_intermedi = {4, 12, 22, 25, 27, 28};
    for (std::size_t i = 0; i < stazioni.size(); ++i) {
        const righe_t c = campi(stazioni[i]);
        ASSERT_EQ(c.size(), 18u) << stazioni[i];
        posizioni.push_back(numero(c[1]));
        if (i > 0 && i + 1 < stazioni.size()) {
            EXPECT_TRUE(tipi_intermedi.count(numero(c[2]))) << stazioni[i];
        }
        EXPECT_EQ(numero(c[3]) % 100, 0) << stazioni[i];
        const int sosta = numero(c[13]);
        EXPECT_TRUE(i == 0 || sosta == 0 || sosta == 30 || sosta == 60) << stazioni[i];
        EXPECT_TRUE(std::regex_match(c[17], std::regex(R"( [A-Z][A-Z. ]*[A-Z.])")))
            << "[" << c[17] << "]";
    }
    posizioni_crescenti(posizioni, "station");

    const righe_t& segnali = sezione(s, "[segnali]");
    posizioni.clear();
    for (const auto& riga : segnali) {
        ASSERT_EQ(campi(riga).size(), 12u) << riga;
        posizioni.push_back(numero(campi(riga)[1]));
    }
    posizioni_crescenti(posizioni, "signal");
    EXPECT_EQ(segnali.front(), "segnale,    4500,   1, 4, 0,  0, 0,    0,  0,0,0, 0");
    EXPECT_EQ(segnali.back(), "segnale,   99600,   2, 2, 3,  1, 0,    2,  2,1,1, 0");

    const righe_t tutte = righe("treno");
    for (const std::string citata :
         {"aderenza,   0,    100", "aderenza,   24350,    80", "velocita,       0,    30",
          "velocita,     800,    90", "velocita,   11350,   100",
          "segnale,   98650,   2, 3, 4,  0, 0,    2,  2,1,0, 0"}) {
        EXPECT_TRUE(contiene(tutte, citata)) << citata;
    }
}

TEST_F(TestiScritti, SchedaTreno) {
    const righe_t s = righe("scheda");
    ASSERT_EQ(s.size(), 60u);
    const std::map<std::size_t, std::pair<std::string, std::size_t>> fisse = {
        {1,
         {"  ___________________                                                ______________",
          83}},
        {2,
         {" |                   |                  SCHEDA                      |              |",
          84}},
        {3,
         {" |   TRENO n. 5927   |                 da: ORVESA                   |    V140 C    |",
          84}},
        {4,
         {" |___________________|                  a: CUSVANA S.M.N.           |     120%     |",
          84}},
        {5,
         {"                                                                    |______________|",
          84}},
        {6, {"  ___________________                ___________________", 56}},
        {7, {" |  CLASSIFICAZIONE  |              |  MASSA BLOCCATA   |       ", 64}},
        {8, {" |     REGIONALE     |              |      250T         |", 57}},
        {9, {" |___________________|              |___________________|", 57}},
        {10, {"", 0}},
        {11, {"  " + std::string(81, '_'), 83}},
        {12,
         {" | Vel.| Vel.| Progr Km | No  |  Localita' di Servizio     |     Orario      | Rec |",
          84}},
        {13,
         {" | Lim.|Marc.|          | Rs  |                            |                 |     |",
          84}},
        {14,
         {" |_____|_____|__________|_____|____________________________|_________ _______|_____|",
          84}},
        {57,
         {" |_____|_____|__________|_____|____________________________|_________________|_____|",
          84}},
        {58, {"", 0}},
        {59, {"", 0}},
        {60, {"Nota: Nella colonna Orario il simbolo '+' indica 'mezzo minuto'.", 64}},
    };
    for (const auto& [n, attesa] : fisse) {
        EXPECT_EQ(s[n - 1], attesa.first) << "line " << n;
        EXPECT_EQ(s[n - 1].size(), attesa.second) << "line " << n;
    }

    const std::map<std::size_t, std::string> citate = {
        {1,
         " |  30 |  30 |  100.949 |     | ORVESA                     |           17.28 |     | "},
        {2,
         " |  90 |  85 |  100.150 |     | Deviatoio di uscita        |      17.29+     |     | "},
        {3, " | 110 | 105 |   98.900 |     | Chilometro 98+900          |      17.30+     |     |"},
        {14,
         " | 100 |     |   71.000 |     | Cippo Chilometro 71        |      17.57      |     |"},
        {42,
         " |     |     |  314.050 |     | CUSVANA S.M.N.             | 19.28           | 0,5 |"},
    };
    for (const auto& [n, attesa] : citate) {
        EXPECT_EQ(s[13 + n], attesa) << "timetable row " << n;
    }
    const std::set<std::size_t> con_spazio_finale = {1, 2, 13, 16, 32};
    for (std::size_t n = 1; n <= 42; ++n) {
        EXPECT_EQ(s[13 + n].size(), con_spazio_finale.count(n) ? 85u : 84u) << "row " << n;
    }

    const auto righe_orario = orario();
    ASSERT_EQ(righe_orario.size(), 42u);
    std::map<int, int> per_tipo;
    const std::set<std::string> recuperi = {"     ", " 0,5 ", "  1  ", " 1,5 ", "  2  "};
    int ultima_ora = 0;
    for (std::size_t i = 0; i < righe_orario.size(); ++i) {
        const auto& r = righe_orario[i];
        ++per_tipo[r.tipo];
        EXPECT_TRUE(recuperi.count(r.recupero)) << "row " << i + 1;
        for (int t : {r.arrivo_s, r.passaggio_s, r.partenza_s}) {
            if (t >= 0) {
                EXPECT_GE(t, ultima_ora) << "row " << i + 1;
                ultima_ora = t;
            }
        }
        if (i > 0 && i < 40) {
            EXPECT_LT(r.km_m, righe_orario[i - 1].km_m) << "row " << i + 1;
        }
    }
    EXPECT_EQ(righe_orario.front().tipo, riga_scheda::origine);
    EXPECT_EQ(righe_orario.back().tipo, riga_scheda::arrivo);
    EXPECT_EQ(per_tipo[riga_scheda::fermata], 18);
    EXPECT_EQ(per_tipo[riga_scheda::transito], 22);
    EXPECT_EQ(righe_orario[39].km_m, 3184);
    EXPECT_EQ(righe_orario[40].km_m, 311762);
    EXPECT_EQ(ultima_ora, 19 * 3600 + 28 * 60);
}

TEST_F(TestiScritti, NoteEFoglioRallentamenti) {
    EXPECT_EQ(righe("rallentamenti"),
              (righe_t{"", "", "", "", std::string(25, ' ') + "NESSUNA PRESCRIZIONE"}));

    const righe_t n = righe("note");
    ASSERT_EQ(n.size(), 26u);
    const std::map<std::size_t, std::string> fisse = {
        {1, std::string(18, ' ') + "Treno 5927 sul percorso Orvesa - Cusvana"},
        {3, " Note sullo scenario:"},
        {5,
         " - La ferrovia Orvesana nella realt\xE0 \xE8 a binario singolo, non \xE8 "
         "elettrificata"},
        {6, "   e viene percorsa normalmente da automotrici diesel ALn663 e ALn668."},
        {10, "   al momento della realizzazione dello scenario."},
        {15,
         " - Nella linea reale sono presenti alcuni segnali caratteristici di avviso e di "
         "protezione"},
        {16,
         "   di passaggi a livello, qui sono rappresentati come normali segnali ad una luce e "
         "sono"},
        {17, "   sempre disposti a via libera."},
        {19, " - Questo scenario \xE8 privo di situazioni particolarmente difficili."},
        {24, " "},
    };
    for (const auto& [riga, testo] : fisse) {
        EXPECT_EQ(n[riga - 1], testo) << "line " << riga;
    }
    for (std::size_t vuota : {2, 4, 7, 11, 14, 18, 20}) {
        EXPECT_EQ(n[vuota - 1], "") << "line " << vuota;
    }
    const std::regex punto(R"( - \S.*)"), seguito(R"(   \S.*)"), testo(R"( [^ -].*)");
    for (std::size_t r : {8, 12}) {
        EXPECT_TRUE(std::regex_match(n[r - 1], punto)) << "line " << r;
    }
    for (std::size_t r : {9, 13}) {
        EXPECT_TRUE(std::regex_match(n[r - 1], seguito)) << "line " << r;
    }
    for (std::size_t r : {21, 22, 23, 25, 26}) {
        EXPECT_TRUE(std::regex_match(n[r - 1], testo)) << "line " << r;
    }
    EXPECT_TRUE(std::regex_search(n[25], std::regex(R"([\w.]+@example\.org\b)"))) << n[25];

    // The accented letters are one byte each; nothing else leaves ASCII.
    std::map<unsigned char, int> fuori_ascii;
    for (unsigned char b : contenuti_->at("note")) {
        if (b >= 128) {
            ++fuori_ascii[b];
        }
    }
    EXPECT_EQ(fuori_ascii.size(), 3u);
    for (unsigned char b : {0xE0, 0xE8, 0xF9}) {
        EXPECT_GT(fuori_ascii[b], 0) << +b;
    }
}

// The texts agree with one another as a driver of the simulator would check them.
TEST_F(TestiScritti, ITestiConcordanoTraLoro) {
    const auto righe_orario = orario();
    const auto stazioni_treno = stazioni();
    ASSERT_EQ(righe_orario.size(), 42u);
    ASSERT_EQ(stazioni_treno.size(), 29u);

    // Capitalised places of the card are stations of the train file, in the same order, with
    // the card's departure (or passing, or arrival) time and the stop time it shows.
    std::size_t k = 0;
    std::vector<std::string> fermate_scheda, fermate_treno;
    for (const auto& r : righe_orario) {
        if (!r.capitale()) {
            continue;
        }
        while (k < stazioni_treno.size() && stazioni_treno[k].nome != r.luogo) {
            ++k;
        }
        ASSERT_LT(k, stazioni_treno.size()) << r.luogo << " is not a station of the train file";
        const auto& st = stazioni_treno[k];
        switch (r.tipo) {
            case riga_scheda::origine: EXPECT_EQ(st.orario_s, r.partenza_s) << r.luogo; break;
            case riga_scheda::arrivo: EXPECT_EQ(st.orario_s, r.arrivo_s) << r.luogo; break;
            case riga_scheda::transito:
                EXPECT_EQ(st.orario_s, r.passaggio_s) << r.luogo;
                EXPECT_EQ(st.sosta, 0) << r.luogo;
                break;
            case riga_scheda::fermata:
                EXPECT_EQ(st.orario_s, r.partenza_s) << r.luogo;
                EXPECT_EQ(st.sosta, r.partenza_s - r.arrivo_s) << r.luogo;
                fermate_scheda.push_back(r.luogo);
                break;
            default: break;
        }
        ++k;
    }
    EXPECT_EQ(righe_orario.front().luogo, stazioni_treno.front().nome);
    EXPECT_EQ(righe_orario.back().luogo, stazioni_treno.back().nome);
    for (std::size_t i = 1; i + 1 < stazioni_treno.size(); ++i) {
        if (stazioni_treno[i].tipo < 25) {
            fermate_treno.push_back(stazioni_treno[i].nome);
        }
    }
    EXPECT_EQ(fermate_scheda.size(), 18u);
    EXPECT_EQ(fermate_scheda, fermate_treno);

    // The disused stations of the notes are reference points of the card.
    const righe_t note = righe("note");
    const std::string dismesse = note[11] + " " + note[12];
    int trovate = 0;
    for (const auto& r : righe_orario) {
        if (r.luogo.rfind("Staz. dismessa ", 0) == 0) {
            ++trovate;
            EXPECT_EQ(r.tipo, riga_scheda::transito);
            EXPECT_NE(dismesse.find(r.luogo.substr(15)), npos) << r.luogo;
        }
    }
    EXPECT_EQ(trovate, 3);

    // A speed in the card's first column is the train's limit in force there. Rows of the
    // first chainage stretch (read from the line file) sit at chainage minus kilometres; the
    // last rows, on the second stretch, are counted back from the destination.
    const auto linea = sezioni(righe("linea"));
    const righe_t uno = campi(sezione(linea, "[generale]")[1]);
    ASSERT_NE(uno[0].find("uno"), npos);
    const int km_inizio = numero(uno[2]),
              inizio_due = numero(campi(sezione(linea, "[generale]")[2])[1]);
    std::vector<std::pair<int, int>> limiti;
    for (const auto& riga : sezione(sezioni(righe("treno")), "[vel_limite]")) {
        limiti.emplace_back(numero(campi(riga)[1]), numero(campi(riga)[2]));
    }
    const auto limite_a = [&](long posizione) {
        int v = -1;
        for (const auto& [p, l] : limiti) {
            if (p <= posizione) {
                v = l;
            }
        }
        return v;
    };
    int con_velocita = 0;
    for (const auto& r : righe_orario) {
        if (!r.vlim) {
            continue;
        }
        ++con_velocita;
        long posizione = km_inizio - r.km_m;
        if (r.capitale()) {
            const auto st = std::find_if(stazioni_treno.begin(), stazioni_treno.end(),
                                         [&](const auto& s) { return s.nome == r.luogo; });
            posizione = st->posizione;
        } else if (posizione < 0 || posizione > inizio_due) {
            posizione = stazioni_treno.back().posizione - (righe_orario.back().km_m - r.km_m);
        }
        EXPECT_EQ(limite_a(posizione), *r.vlim) << r.luogo;
    }
    EXPECT_EQ(con_velocita, static_cast<int>(limiti.size()));

    // Indicator signs name the structure where they stand: a tunnel sign stands just before
    // its mountain span and gives its length; a viaduct stands clear of every span; the
    // tunnel exits of the card lie at the end of a signed tunnel.
    std::vector<std::pair<int, int>> campate;
    for (const auto& riga : sezione(linea, "[montagne]")) {
        campate.emplace_back(numero(campi(riga)[1]), numero(campi(riga)[2]));
    }
    std::map<std::string, int> uscite;
    const std::regex indicazione(
        R"(cartello_indicatore,  (\d+),   \( *([^()]*[^ ]) *\).*?(?:\( {1,2}(\d+) m\. *\))?)");
    for (const auto& riga : sezione(linea, "[indicazioni]")) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(riga, m, indicazione)) << riga;
        const int p = std::stoi(m[1]);
        const std::string nome = m[2];
        if (nome.rfind("Galleria ", 0) == 0) {
            const auto c = std::find_if(campate.begin(), campate.end(),
                                        [&](const auto& c) { return c.first == p + 50; });
            ASSERT_NE(c, campate.end()) << riga;
            ASSERT_TRUE(m[3].matched) << riga;
            EXPECT_EQ(std::stoi(m[3]), c->second - c->first) << riga;
            uscite[nome] = c->second;
        } else if (nome.rfind("Viadotto ", 0) == 0) {
            ASSERT_TRUE(m[3].matched) << riga;
            const int fine = p + 50 + std::stoi(m[3]);
            for (const auto& [a, b] : campate) {
                EXPECT_FALSE(p + 50 < b && fine > a) << riga;
            }
        } else {
            EXPECT_EQ(nome.rfind("Bivio", 0), 0u) << riga;
        }
    }
    for (const auto& r : righe_orario) {
        if (r.luogo.rfind("Usc. Galleria ", 0) == 0) {
            const auto u = uscite.find(r.luogo.substr(5));
            ASSERT_NE(u, uscite.end()) << r.luogo;
            EXPECT_EQ(km_inizio - r.km_m, u->second) << r.luogo;
        }
    }
}

// The names of the five texts, as the writers form them.
std::vector<std::filesystem::path> nomi_testi(const std::filesystem::path& cartella) {
    const auto id = identita_predefinita();
    return {nomi_file::sorgente_linea(cartella, id), nomi_file::sorgente_treno(cartella, id),
            nomi_file::note(cartella, id), nomi_file::rallentamenti(cartella, id),
            nomi_file::scheda(cartella, id)};
}

TEST(ScrittoriTesti, UnFileVecchioPiuLungoVieneSostituitoPerIntero) {
    cartella_temporanea nuova, vecchia;
    scrivi_testi_scenario(nuova.percorso(), identita_predefinita());
    std::string lungo;
    for (int i = 0; i < 20000; ++i) {
        lungo += "riga di un file precedente, piu' lunga di quella nuova\r\n";
    }
    for (const auto& file : nomi_testi(vecchia.percorso())) {
        scrivi_tutto(file, lungo);
    }
    scrivi_testi_scenario(vecchia.percorso(), identita_predefinita());
    const auto attesi = nomi_testi(nuova.percorso());
    const auto scritti = nomi_testi(vecchia.percorso());
    for (std::size_t i = 0; i < attesi.size(); ++i) {
        EXPECT_EQ(leggi_file_intero(scritti[i]), leggi_file_intero(attesi[i]))
            << scritti[i].filename();
    }
}

TEST(ScrittoriTesti, InUnaCartellaVuotaLascianoSoloICinqueTesti) {
    cartella_temporanea cartella;
    scrivi_testi_scenario(cartella.percorso(), identita_predefinita());
    std::set<std::string> presenti, attesi;
    for (const auto& voce : std::filesystem::directory_iterator(cartella.percorso())) {
        presenti.insert(voce.path().filename().string());
    }
    for (const auto& file : nomi_testi(cartella.percorso())) {
        attesi.insert(file.filename().string());
    }
    EXPECT_EQ(presenti, attesi);
}

// The carried sources compact without any problem: every object on a cell of its own, the
// stations spaced and below the sign slots, no signal or slowdown conflict.
TEST(ScrittoriTesti, LeSorgentiPortateSiCompattanoSenzaProblemi) {
    cartella_temporanea cartella;
    const auto id = identita_predefinita();
    scrivi_testi_scenario(cartella.percorso(), id);
    compattatore c(cartella.percorso(), id);
    int32_t j = 1;
    ASSERT_EQ(passi_del_driver::memorizza_percorso(c, j), 0);
    EXPECT_EQ(c.codice_errore, 0) << descrivi_problemi(c);
    EXPECT_EQ(c.n_celle, 2160);
    // Each object kept a cell of its own: a stop cell, written without looking, took no sign.
    std::map<int, int> per_tipo;
    for (const auto& cella : c.celle) {
        ++per_tipo[cella.tipo];
    }
    EXPECT_EQ(per_tipo[6], 31);   // speed signs
    EXPECT_EQ(per_tipo[14], 49);  // indicator signs
    EXPECT_EQ(per_tipo[1], 41);   // signals
    EXPECT_EQ(per_tipo[10], 20);  // stop cells
    // 49 sign texts from slot 80 down to 32, 29 stations from slot 1 up to 29.
    EXPECT_FALSE(c.voci[32].nome.empty());
    EXPECT_TRUE(c.voci[31].nome.empty());
    EXPECT_EQ(c.voci[29].nome, "CUSVANA S.M.N.");
    EXPECT_TRUE(c.voci[30].nome.empty());
    EXPECT_FALSE(std::filesystem::exists(nomi_file::sorgente_linea(cartella.percorso(), id)));
    EXPECT_FALSE(std::filesystem::exists(nomi_file::sorgente_treno(cartella.percorso(), id)));
}

}  // namespace
