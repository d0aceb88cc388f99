// The scenario codes and the writing of the three compact files.
#include "compactor/compattatore.h"

#include "compactor/formato.h"
#include "compactor/testo.h"
#include "comune/errore_esecuzione.h"
#include "comune/sistema_file.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <stdexcept>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr std::string_view riempitivo = "bbddffhhllnnpprrttvvzzaacc";
constexpr int caratteri_contati = 25;

std::string stringa_di_lavoro(const std::string& numero_treno, const std::string& nome_scenario) {
    std::string lavoro = numero_treno + nome_scenario;
    for (char& c : lavoro) {
        c = minuscola(c);
    }
    lavoro += riempitivo;
    return lavoro;
}
// Elements da..a-1 of `byte` bytes each, encoded straight into the write buffer:
// codifica(destination, first, count) encodes `count` elements in one tight loop.
template <typename Codifica>
void scrivi_elementi(file_sostitutivo& file, std::size_t da, std::size_t a, std::size_t byte,
                     Codifica codifica) {
    while (da < a) {
        const std::size_t quanti = std::min(a - da, file.libero() / byte);
        if (quanti == 0) {
            // The element that straddles the buffer's end goes through scrivi(), which sends
            // the full buffer out in one whole write.
            char elemento[std::max(formato::byte_valore_massimo, formato::byte_cella)];
            codifica(elemento, da++, 1);
            file.scrivi(elemento, byte);
            continue;
        }
        codifica(file.coda(), da, quanti);
        file.aggiunti(quanti * byte);
        da += quanti;
    }
}

// Doubles with their type codes: 10 bytes each, so four take 40 bytes, put together in
// registers and stored in a few wide writes, where one value at a time takes two stores of
// odd sizes. Codes are little-endian 16-bit words. With SSE2 (every x86-64 processor) the
// values are moved into place by whole-register byte shifts; elsewhere five 8-byte words
// are put together from the values' bits.
void codifica_doppi(char* d, const double* valori, std::size_t quanti) {
    std::size_t i = 0;
#if defined(__SSE2__)
    // Bytes 0-15: code, v0, code, v1's first 4 bytes; bytes 16-31: v1's last 4, code, v2,
    // code; bytes 32-39: v3, stored as a plain value (the destination has no alignment).
    static_assert(formato::codice_double < 128);
    constexpr char c = formato::codice_double;
    const __m128i v0_a_2 = _mm_setr_epi8(0, 0, -1, -1, -1, -1, -1, -1, -1, -1, 0, 0, 0, 0, 0, 0);
    const __m128i v1_a_12 = _mm_setr_epi8(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, -1, -1, -1, -1);
    const __m128i v2_a_6 = _mm_setr_epi8(0, 0, 0, 0, 0, 0, -1, -1, -1, -1, -1, -1, -1, -1, 0, 0);
    const __m128i codici_0 = _mm_setr_epi8(c, 0, 0, 0, 0, 0, 0, 0, 0, 0, c, 0, 0, 0, 0, 0);
    const __m128i codici_16 = _mm_setr_epi8(0, 0, 0, 0, c, 0, 0, 0, 0, 0, 0, 0, 0, 0, c, 0);
    for (; i + 4 <= quanti; i += 4, d += 40) {
        const __m128i v01 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(valori + i));
        const __m128i v23 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(valori + i + 2));
        const __m128i primi =
            _mm_or_si128(_mm_or_si128(_mm_and_si128(_mm_slli_si128(v01, 2), v0_a_2),
                                      _mm_and_si128(_mm_slli_si128(v01, 4), v1_a_12)),
                         codici_0);
        const __m128i secondi = _mm_or_si128(
            _mm_or_si128(_mm_srli_si128(v01, 12), _mm_and_si128(_mm_slli_si128(v23, 6), v2_a_6)),
            codici_16);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d), primi);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 16), secondi);
        formato::metti_le(d + 32, valori[i + 3]);
    }
#else
    if constexpr (std::endian::native == std::endian::little) {
        constexpr uint64_t codice = formato::codice_double;
        for (; i + 4 <= quanti; i += 4, d += 40) {
            const auto v0 = std::bit_cast<uint64_t>(valori[i]);
            const auto v1 = std::bit_cast<uint64_t>(valori[i + 1]);
            const auto v2 = std::bit_cast<uint64_t>(valori[i + 2]);
            formato::metti_le(d, codice | v0 << 16);
            formato::metti_le(d + 8, v0 >> 48 | codice << 16 | v1 << 32);
            formato::metti_le(d + 16, v1 >> 32 | codice << 32 | v2 << 48);
            formato::metti_le(d + 24, v2 >> 16 | codice << 48);
            formato::metti_le(d + 32, valori[i + 3]);
        }
    }
#endif
    for (; i < quanti; ++i, d += 10) {
        formato::metti_le(d, formato::codice_double);
        formato::metti_le(d + 2, valori[i]);
    }
}

// The plan in file order, run by run: within a run every value has the same type and so
// the same width.
void scrivi_piano(const tabella_piano& piano, const std::filesystem::path& destinazione,
                  sistema_file& sistema) {
    file_sostitutivo file(destinazione, sistema);
    const double* const valori = piano.valori();
    const auto& tratti = piano.tratti();
    for (std::size_t r = 0; r < tratti.size(); ++r) {
        const std::size_t da = tratti[r].inizio;
        const std::size_t a = r + 1 < tratti.size() ? tratti[r + 1].inizio : piano.numero_valori();
        switch (tratti[r].tipo) {
            case tabella_piano::tipo_valore::doppio:
                scrivi_elementi(file, da, a, 10, [valori](char* d, std::size_t k, std::size_t n) {
                    codifica_doppi(d, valori + k, n);
                });
                break;
            case tabella_piano::tipo_valore::integer:
                scrivi_elementi(file, da, a, 4, [valori](char* d, std::size_t k, std::size_t n) {
                    for (const std::size_t fine = k + n; k < fine; ++k, d += 4) {
                        formato::metti_le(d, formato::codice_integer);
                        formato::metti_le(d + 2, static_cast<int16_t>(valori[k]));
                    }
                });
                break;
            case tabella_piano::tipo_valore::vuoto:
                scrivi_elementi(file, da, a, 2, [](char* d, std::size_t, std::size_t n) {
                    for (std::size_t i = 0; i < n; ++i, d += 2) {
                        formato::metti_le(d, formato::codice_vuoto);
                    }
                });
                break;
        }
    }
    file.conferma();
}

}  // namespace

int32_t compattatore::codice_gara_st() {
    riga = stringa_di_lavoro(voci[86].nome, voci[85].nome);
    int32_t somma = 0;
    for (int i = 1; i <= caratteri_contati; ++i) {
        somma += static_cast<unsigned char>(riga[static_cast<std::size_t>(i - 1)]) * i;
    }
    return somma;
}

int16_t compattatore::codice_gara_og() {
    riga = stringa_di_lavoro(voci[86].nome, voci[85].nome);
    int32_t somma = 0;
    for (int i = 1; i <= caratteri_contati; ++i) {
        somma += static_cast<unsigned char>(riga[static_cast<std::size_t>(i - 1)]);
    }
    return static_cast<int16_t>(somma);  // at most 25 x 255
}

void compattatore::memorizza_codici() {
    voci.scrivi(85).dato_finale = codice_gara_st();
    celle.scrivi(1).valore2 = codice_gara_og();
}

void compattatore::scrivi_file_compatti() {
    memorizza_codici();

    if (scrivi_linea != 0 && cartelle().scrivi_file_linea) {
        scrivi_piano(tracciato, nomi_file::linea_compatta(cartelle().uscita, identita()),
                     *cartelle().sistema);
    }

    const std::filesystem::path file_voci = nomi_file::voci_compatte(cartelle().uscita, identita());
    std::string generali;
    try {
        for (const voce& v : voci) {
            formato::aggiungi_voce(generali, v);
        }
    } catch (const std::length_error& e) {
        throw errore_esecuzione(file_voci, e.what());
    }
    sostituisci_file(file_voci, generali, *cartelle().sistema);

    file_sostitutivo griglia(nomi_file::celle_compatte(cartelle().uscita, identita()),
                             *cartelle().sistema);
    scrivi_elementi(griglia, 0, celle.size(), formato::byte_cella,
                    [this](char* d, std::size_t i, std::size_t n) {
                        for (const std::size_t fine = i + n; i < fine;
                             ++i, d += formato::byte_cella) {
                            formato::codifica_cella(d, celle[i]);
                        }
                    });
    griglia.conferma();
}
