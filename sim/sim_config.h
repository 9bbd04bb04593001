#pragma once
// The device file of the simulation: which controllers and boards exist.
//
// One entry per line, fields separated by '|', spaces around fields ignored; empty lines and
// lines starting with '#' are skipped. UTF-8.
//
//   controller | NAME | {GUID} | BUTTONS [| axes=AXIS,...] [| hats=N] [| range=MIN..MAX]
//              [| fixed_range=MIN..MAX]
//   board | PRODUCT | PATH | BUTTONS [| path_length=N] [| product_length=N]
//   boards_reported | N
//
// A controller's BUTTONS is its capabilities' count (0 to 100000; only the first 128 have state
// bytes). It has the axes listed (names or numbers of sim_controls.h, each at most once; none
// when not given) and N POV hats (0 to 4; none when not given). Its axes report on its own
// range (MIN < MAX, 32-bit; 0..65535 when not given) until a program sets another with
// DIPROP_RANGE; with fixed_range instead of range it refuses to, as some devices do. A board's
// PRODUCT and PATH become ANSI bytes (the system code page), at most 256 of each reach the record;
// BUTTONS goes into the record as given (-32768 to 32767), and so do path_length and product_length
// when present (default: the number of bytes stored). boards_reported replaces the count DetectHID
// reports (records are still filled only for the boards listed). At most kMaxControllers
// controllers and kMaxBoards boards.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qm::sim {

struct SimController {
    std::wstring Name;
    GUID Instance{};
    std::uint32_t Buttons = 0;
    std::uint8_t AxisMask = 0; // bit a - 1 for axis a
    int Hats = 0;
    std::int32_t RangeMin = 0;
    std::int32_t RangeMax = 65535;
    bool FixedRange = false;
};

struct SimBoard {
    std::string Product; // ANSI bytes
    std::string Path;    // ANSI bytes
    std::int16_t Buttons = 0;
    std::optional<std::int32_t> PathLength;
    std::optional<std::int32_t> ProductLength;
};

struct SimConfig {
    std::vector<SimController> Controllers;
    std::vector<SimBoard> Boards;
    std::optional<std::int32_t> BoardsReported;
};

// Parses the text of a device file; false with a message naming the line in `error`.
bool ParseConfig(const std::string& text, SimConfig& config, std::string& error);
// Reads and parses a device file.
bool LoadConfig(const std::wstring& file, SimConfig& config, std::string& error);

// Writes the counts of `config` into the shared state block.
struct SharedState;
void PublishCounts(const SimConfig& config, SharedState& state);

// Reports a problem of the simulation on stderr and to the debugger.
void ReportProblem(const char* who, const std::string& message);

} // namespace qm::sim
