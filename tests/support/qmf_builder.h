#pragma once
// Builds .qmf file text line by line for tests.
#include <initializer_list>
#include <string>
#include <vector>

namespace qm::testing {

// Joins lines with CR LF (and a final CR LF).
std::string QmfLines(const std::vector<std::string>& lines);
inline std::string Quoted(const std::string& s) {
    return "\"" + s + "\"";
}
inline std::string Flag(bool b) {
    return b ? "#TRUE#" : "#FALSE#";
}

struct KeySpec {
    std::string Text;
    std::string Name;
};

// The 74 lines of one version 1.4 record, empty cells as " " / " ".
struct Record14 {
    std::string Button = "1", DeviceName = "Pad";
    std::string Identity = "{00000000-0000-0000-0000-000000000001}";
    std::string Repeat = "#FALSE#", Rotary = "#FALSE#";
    std::string Multiplier = "\"1\"", Description = "";
    std::string NumLock = "#FALSE#", CapsLock = "#FALSE#", ScrollLock = "#FALSE#";
    std::vector<KeySpec> Press = {};   // cells 1.. (fewer than 16: the rest empty)
    std::vector<KeySpec> Release = {}; // likewise
    std::vector<std::string> Lines() const;
};

// A version 1.4 file of the given records.
std::string File14(const std::vector<Record14>& records);

// A version 1.5 record: the lines of 1.4, then the control code, the points, Hold, the layer
// and the pointer's speed and curve, as Vantrel writes them.
struct Record15 {
    Record14 Base = {};
    std::string Control = "", PressPoint = "", ReleasePoint = "";
    std::string Hold = "#FALSE#", Layer = "0";
    std::string PointerSpeed = "\"\"", PointerCurve = "\"\"";
    std::vector<std::string> Lines() const;
};
std::string File15(const std::vector<Record15>& records);

} // namespace qm::testing
