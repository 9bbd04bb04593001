#include "sim/sim_controls.h"

#include <array>
#include <charconv>
#include <cmath>
#include <string>

namespace qm::sim {
namespace {

constexpr std::array<const char*, kSimAxes> kAxisNames = {"x",  "y",  "z",       "rx",
                                                          "ry", "rz", "slider1", "slider2"};

struct Direction {
    const char* Name;
    std::uint32_t Position;
};
constexpr std::array<Direction, 10> kDirections = {{{"up", 0},
                                                    {"up-right", 4500},
                                                    {"right", 9000},
                                                    {"down-right", 13500},
                                                    {"down", 18000},
                                                    {"down-left", 22500},
                                                    {"left", 27000},
                                                    {"up-left", 31500},
                                                    {"centre", kSimHatCentred},
                                                    {"center", kSimHatCentred}}};

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const char x = (a[i] >= 'A' && a[i] <= 'Z') ? static_cast<char>(a[i] - 'A' + 'a') : a[i];
        if (x != b[i])
            return false;
    }
    return true;
}

template <class Int> bool WholeNumber(std::string_view text, Int& value) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && ec == std::errc() && end == text.data() + text.size();
}

} // namespace

int AxisNumber(std::string_view name) {
    for (int a = 1; a <= kSimAxes; ++a)
        if (SameIgnoringCase(name, kAxisNames[static_cast<std::size_t>(a - 1)]))
            return a;
    int number = 0;
    return WholeNumber(name, number) && number >= 1 && number <= kSimAxes ? number : 0;
}

const char* AxisName(int a) {
    return a >= 1 && a <= kSimAxes ? kAxisNames[static_cast<std::size_t>(a - 1)] : "?";
}

bool ParseAxisValue(std::string_view text, std::int32_t min, std::int32_t max,
                    std::int32_t& value) {
    if (min > max)
        return false;
    if (!text.empty() && text.back() == '%') {
        text.remove_suffix(1);
        // Digits with at most one point: no sign, no exponent, no spaces.
        if (text.empty() || text.find_first_not_of("0123456789.") != std::string_view::npos ||
            text.find('.') != text.rfind('.') || text == ".")
            return false;
        const double percent = std::stod(std::string(text));
        if (percent > 100.0)
            return false;
        const double span = static_cast<double>(max) - static_cast<double>(min);
        value = static_cast<std::int32_t>(static_cast<double>(min) +
                                          std::llround(span * percent / 100.0));
        return true;
    }
    std::int64_t number = 0;
    if (!WholeNumber(text, number) || number < min || number > max)
        return false;
    value = static_cast<std::int32_t>(number);
    return true;
}

bool ParseHatPosition(std::string_view text, std::uint32_t& position) {
    for (const auto& d : kDirections) {
        if (SameIgnoringCase(text, d.Name)) {
            position = d.Position;
            return true;
        }
    }
    std::uint32_t number = 0;
    if (!WholeNumber(text, number) || number > 35999)
        return false;
    position = number;
    return true;
}

} // namespace qm::sim
