#pragma once
// One row of the editor's mapping list: 48 cells, each a text (what the user sees) and a tag
// (what the program uses and the file stores). The cells after the key cells hold what a row
// of version 1.5 adds: which control it reads, its points, Hold, its layer and pointer motion.
#include "core/variant.h"

#include <array>
#include <string>
#include <string_view>

namespace qm {

inline constexpr int kColumnCount = 48;
inline constexpr int kKeyCellsPerSide = 16;

namespace col {
inline constexpr int Button = 0;      // text: button number; tag: row state
inline constexpr int Device = 1;      // text: device name; tag: DeviceIdentity
inline constexpr int Repeat = 2;      // "On"/"Off"; Boolean tag
inline constexpr int Rotary = 3;      // "On"/"Off"; Boolean tag
inline constexpr int Multiplier = 4;  // "1X"; tag 1, 2, 4 or 8
inline constexpr int Description = 5; // text; tag: active flag
inline constexpr int NumLock = 6;
inline constexpr int CapsLock = 7;
inline constexpr int ScrollLock = 8;
inline constexpr int FirstPress = 9;    // "On Press 1" .. "On Press 16": 9..24
inline constexpr int FirstRelease = 25; // "On Release 1" .. "On Release 16": 25..40
inline constexpr int KeyEnd = 41;       // one past the key cells
inline constexpr int Control = 41;      // text: the control's name ("" for a button); tag: code
inline constexpr int PressPoint = 42;   // text: "50 %" or "40-60 %" on axis rows; tag: "50"
inline constexpr int ReleasePoint = 43; // as PressPoint
inline constexpr int Hold = 44;         // "On"/"Off"; Boolean tag
inline constexpr int Layer = 45;        // tag: 1 to 7, or empty for the base layer
inline constexpr int PointerSpeed = 46; // tag: pixels a second at full deflection, or empty
inline constexpr int PointerCurve = 47; // tag: 1 linear, 2 steeper, or empty
} // namespace col

struct Cell {
    std::string Text;
    Variant Tag;
    bool operator==(const Cell&) const = default;
};

struct MappingRow {
    std::array<Cell, kColumnCount> Cells{};

    Cell& operator[](int column) { return Cells[static_cast<std::size_t>(column)]; }
    const Cell& operator[](int column) const { return Cells[static_cast<std::size_t>(column)]; }
    // Key cell s (1 to 16) of the press or release side.
    Cell& PressCell(int s) { return (*this)[col::FirstPress + s - 1]; }
    Cell& ReleaseCell(int s) { return (*this)[col::FirstRelease + s - 1]; }
    const Cell& PressCell(int s) const { return (*this)[col::FirstPress + s - 1]; }
    const Cell& ReleaseCell(int s) const { return (*this)[col::FirstRelease + s - 1]; }

    bool operator==(const MappingRow&) const = default;
};

// A row held compactly, for lists of many rows: the cells one after another in one block, each
// its text (length and bytes), then its tag's kind and value. Cells are read out as copies and
// replaced whole.
class PackedRow {
public:
    PackedRow() : PackedRow(MappingRow{}) {}
    explicit PackedRow(const MappingRow& row);
    MappingRow Unpack() const;

    // Copies, const so that an assignment to one does not compile.
    const Cell operator[](int column) const;
    const Cell PressCell(int s) const { return (*this)[col::FirstPress + s - 1]; }
    const Cell ReleaseCell(int s) const { return (*this)[col::FirstRelease + s - 1]; }
    // A cell's text or tag alone, without copying the other.
    std::string_view Text(int column) const;
    Variant Tag(int column) const;
    void Set(int column, const Cell& cell);
    // Whether some cell's text or tag contains `text`: a quick test before a closer look.
    bool Mentions(std::string_view text) const { return bytes_.find(text) != std::string::npos; }

    bool operator==(const PackedRow&) const = default;

private:
    std::string bytes_;
};

// A row as the editor creates it: behaviour and locks off, multiplier 1, description " ",
// every key cell " " / " ". The button and device columns are the caller's.
MappingRow NewMappingRow();

// "On"/"Off" of a Boolean column.
inline const char* OnOffText(bool on) {
    return on ? "On" : "Off";
}

} // namespace qm
