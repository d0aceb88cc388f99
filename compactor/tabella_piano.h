// The route plan's table: for every point (one per metre) an x and a y value, each empty,
// an Integer or a Double. It is held as the "_linea.dat" file holds it: every x value,
// then every y value, 8 bytes each, while the types are kept aside as runs of one type.
// A plan is Doubles but for its first and last two points, so it costs 16 bytes a point
// and a handful of runs, and the output step encodes each run in one tight loop.
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <optional>
#include <variant>
#include <vector>

// A value of the plan keeps its type for the file: empty, Integer or Double.
using valore_piano = std::variant<std::monostate, int16_t, double>;

struct punto_piano {
    valore_piano x;
    valore_piano y;
};

// The number a plan value holds; none when it is empty.
inline std::optional<double> numero_piano(const valore_piano& v) {
    if (const auto* doppio = std::get_if<double>(&v)) {
        return *doppio;
    }
    if (const auto* intero = std::get_if<int16_t>(&v)) {
        return *intero;
    }
    return std::nullopt;
}

// Gives the plan's values back to comune/memoria.h.
struct rilascio_valori {
    std::size_t byte = 0;
    void operator()(double* valori) const noexcept;
};

class tabella_piano {
public:
    enum class tipo_valore : uint8_t { vuoto, integer, doppio };
    // The values from `inizio` (in file order) up to the next run's start have one type.
    struct tratto {
        std::size_t inizio;
        tipo_valore tipo;
    };

    tabella_piano() = default;
    // `punti` points, every value empty.
    explicit tabella_piano(std::size_t punti);
    tabella_piano(std::initializer_list<punto_piano> punti);
    tabella_piano(const tabella_piano& altra);
    tabella_piano& operator=(const tabella_piano& altra);
    tabella_piano(tabella_piano&&) noexcept = default;
    tabella_piano& operator=(tabella_piano&&) noexcept = default;

    std::size_t size() const { return punti_; }
    bool empty() const { return punti_ == 0; }
    void clear();

    // The one way to read the plan: a point's two values with their types.
    punto_piano operator[](std::size_t punto) const {
        return {valore(punto), valore(punti_ + punto)};
    }
    // The same, throwing std::out_of_range beyond the last point.
    punto_piano at(std::size_t punto) const;

    void imposta(std::size_t punto, const punto_piano& p);

    // For the plan's computation: points da..a hold Doubles from now on, and
    // metti_doppi() writes them, with no run to update per point.
    void segna_doppi(std::size_t da, std::size_t a);
    void metti_doppi(std::size_t punto, double x, double y) {
        assert(punto < punti_);
        valori_[punto] = x;
        valori_[punti_ + punto] = y;
    }
    // Points punto and punto + 1 at once: their two x values, then their two y values, for
    // a loop that computes two points side by side and stores each pair in one write.
    void metti_due_doppi(std::size_t punto, const double (&x)[2], const double (&y)[2]) {
        assert(punto + 1 < punti_);
        std::memcpy(&valori_[punto], x, sizeof x);
        std::memcpy(&valori_[punti_ + punto], y, sizeof y);
    }

    // In file order, for the encoders: value k is the x of point k below size(), then the
    // y of point k - size(). An empty value's slot holds nothing meaningful.
    std::size_t numero_valori() const { return 2 * punti_; }
    const double* valori() const { return valori_.get(); }
    const std::vector<tratto>& tratti() const { return tratti_; }
    valore_piano valore(std::size_t k) const;
    // Sets value k, in file order: for a decoder reading the file from its start.
    void imposta_valore(std::size_t k, const valore_piano& v);

private:
    tipo_valore tipo(std::size_t k) const;
    // Values da..a (in file order) take type t.
    void segna(std::size_t da, std::size_t a, tipo_valore t);

    // Not zeroed: a slot is written when its value becomes an Integer or a Double, so the
    // plan's memory is touched once, by its computation (comune/memoria.h).
    static std::unique_ptr<double[], rilascio_valori> prendi_valori(std::size_t punti);

    std::unique_ptr<double[], rilascio_valori> valori_;
    std::size_t punti_ = 0;
    std::vector<tratto> tratti_;
};
