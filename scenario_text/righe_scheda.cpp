// The train card of train 5927: header boxes, then one timetable row per station or
// reference point, with speeds, kilometric progressive, times and recovery margins.
#include "scenario_text/testi_scenario.h"

namespace {
// One entry per line; the blanks inside the quotes are part of the data.
// clang-format off
constexpr std::string_view righe[] = {
    "  ___________________                                                ______________",
    " |                   |                  SCHEDA                      |              |",
    " |   TRENO n. 5927   |                 da: ORVESA                   |    V140 C    |",
    " |___________________|                  a: CUSVANA S.M.N.           |     120%     |",
    "                                                                    |______________|",
    "  ___________________                ___________________",
    " |  CLASSIFICAZIONE  |              |  MASSA BLOCCATA   |       ",
    " |     REGIONALE     |              |      250T         |",
    " |___________________|              |___________________|",
    "",
    "  _________________________________________________________________________________",
    " | Vel.| Vel.| Progr Km | No  |  Localita' di Servizio     |     Orario      | Rec |",
    " | Lim.|Marc.|          | Rs  |                            |                 |     |",
    " |_____|_____|__________|_____|____________________________|_________ _______|_____|",
    " |  30 |  30 |  100.949 |     | ORVESA                     |           17.28 |     | ",
    " |  90 |  85 |  100.150 |     | Deviatoio di uscita        |      17.29+     |     | ",
    " | 110 | 105 |   98.900 |     | Chilometro 98+900          |      17.30+     |     |",
    " |     |     |   97.863 |     | ORVESA SAN FIRMO           |      17.31+     |     |",
    " |     |     |   96.200 |     | Usc. Galleria Capo Orvino  |      17.32+     |     |",
    " |  90 |  85 |   94.043 |     | CALVENZA                   | 17.34     17.35 |     |",
    " |     |     |   90.321 |     | PIEVE DI LIMBRA            | 17.38+    17.39 |     |",
    " | 100 |  95 |   89.600 |     | Chilometro 89+600          |      17.40      |     |",
    " |     |     |   87.146 |     | CASE ROSSANE               |      17.41+     |     |",
    " |     |     |   84.559 |     | ROVIGNANA                  |      17.43      |     |",
    " |  90 |  85 |   81.017 |     | PONTE GUALDRA              | 17.46     17.47 |     |",
    " |     |     |   77.639 |     | Staz. dismessa Gorasecca   |      17.49+     |     |",
    " |     |     |   74.906 |     | FAVELLO                    | 17.53     17.54 |  1  | ",
    " | 100 |     |   71.000 |     | Cippo Chilometro 71        |      17.57      |     |",
    " |  85 |  80 |   69.431 |     | CERRETANA                  | 17.59     18.00 |     |",
    " |     |     |   66.653 |     | VALDORBIA                  | 18.03+    18.04 |     | ",
    " |  70 |  65 |   63.100 |     | Usc. Galleria Monte Orsaio |      18.07+     |     |",
    " |     |     |   62.464 |     | Staz. dismessa Le Forre    |      18.08      |     |",
    " |     |     |   59.128 |     | MONTECALVELLO              | 18.14     18.15 | 1,5 |",
    " |     |     |   57.650 |     | Segnale avviso Serra Alta  |      18.17      |     |",
    " |     |     |   56.258 |     | P.C. Serra Alta            |      18.18+     |     |",
    " |  80 |  75 |   54.150 |     | Usc. Galleria di Valico    |      18.20+     |     |",
    " |  70 |  65 |   50.761 |     | ROCCA TORVA                | 18.24+    18.25 |     |",
    " |     |     |   47.247 |     | CASTAGNETO IN VALLE        | 18.29+    18.30 |     |",
    " |  80 |  75 |   45.000 |     | Cippo Chilometro 45        |      18.32+     |     |",
    " |     |     |   43.535 |     | Staz. dismessa Moliniano   |      18.34      |     |",
    " |     |     |   40.069 |     | SAN MASSIMO IN SELVA       | 18.38     18.39 |     |",
    " |  90 |  85 |   36.352 |     | PRATOSECCO                 | 18.43     18.44 |     |",
    " |     |     |   32.941 |     | VILLA CUSVANELLA           | 18.49+    18.50 |  2  |",
    " |  75 |  70 |   29.350 |     | Curva al Km. 29+350        |      18.53+     |     |",
    " | 100 |  95 |   28.166 |     | GUARDIALTA                 | 18.55     18.56 |     |",
    " |     |     |   24.844 |     | BOSCO LUPARO               |      18.59      |     | ",
    " | 110 | 105 |   21.273 |     | CASALFERRO                 | 19.02     19.03 |     |",
    " |     |     |   17.637 |     | BORGO TERRANERA            | 19.06+    19.07 |     |",
    " | 140 | 130 |   16.300 |     | Chilometro 16+300          |      19.08+     |     |",
    " |     |     |   13.954 |     | SAN LEVANZO                |      19.09+     |     |",
    " |     |     |   10.332 |     | CUSVANA SAN PAOLINO        | 19.13+    19.14 |  1  |",
    " | 110 | 105 |    8.850 |     | Bivio Cementificio         |      19.15+     |     |",
    " |     |     |    7.362 |     | CUSVANA OSPEDALE           | 19.17     19.18 |     |",
    " |     |     |    3.184 |     | CUSVANA SAN ROCCO          | 19.22     19.23 |     |",
    " |  60 |  55 |  311.762 |     | Bivio Cusvana Nord         |      19.24      |     |",
    " |     |     |  314.050 |     | CUSVANA S.M.N.             | 19.28           | 0,5 |",
    " |_____|_____|__________|_____|____________________________|_________________|_____|",
    "",
    "",
    "Nota: Nella colonna Orario il simbolo '+' indica 'mezzo minuto'.",
    marcatore_fine,
};
// clang-format on
}  // namespace

std::span<const std::string_view> righe_scheda() {
    return righe;
}
