#pragma once
// The editor's live test of the configuration shown: its mapping list compiled into the mapping
// engine's tables, and the engine's rules for a test, where a row's colour is its mapping's
// pressed state and the window shows which button is held.
#include "core/compiled_keys.h"
#include "core/scan_codes.h"
#include "devices/device_tables.h"
#include "editor/live_test_display.h"
#include "editor/mapping_table.h"
#include "engine/mapping_engine.h"

#include <array>
#include <vector>

namespace qm {

// Row r (1-based) of the list at index r - 1; rows no device button reaches stay zero-filled.
struct TestTables {
    std::vector<CompiledKeys> PressKeys;
    std::vector<CompiledKeys> ReleaseKeys;
};

// Compiles `table` for the attached devices: each device button is bound (ButtonMap of
// `devices`) to the first row, in list order, whose button text is that number in decimal and
// whose device identity is the device's, compared without regard to case. Key cells become
// consecutive steps; a cell of exactly " " is skipped, any other (the empty text too) takes a
// step.
void CompileTestTables(const MappingTable& table, DeviceTables& devices,
                       const ScanCodeSource& scanCodes, TestTables& tables);

// The engine's rules during a test: every mapped button is handled; a row coloured Pressed is
// pressed; a row coloured anything but Active is due for release, so a row recoloured by a
// click while its button is up gets its release steps once. The status bar names the button
// held and the device of the last press. The passes run on a thread of their own: the colours
// and the texts go through `display` to the window's thread.
class TestEnginePolicy final : public EnginePolicy {
public:
    TestEnginePolicy(LiveTestDisplay& display, const DeviceTables& devices)
        : display_(display), devices_(devices) {}

    bool Handles(int /*m*/) const override { return true; }
    bool Pressed(int m) const override;
    bool ReleaseDue(int m) const override;
    void SetPressed(int m, bool pressed) override;
    bool AnyReleaseDue() const override { return true; }
    bool ReleaseDueWithoutPress() const override { return true; }
    void ButtonHeld(int d, int b) override;
    void PressEdge(int d, int b, int m) override;
    void ControlHeld(int d, std::string_view name) override;
    void PassEnd(bool anyDown, bool readFailing, std::string_view deviceNotice) override;

private:
    // The 0-based row of mapping m; a mapping beyond the list is an error of the pass.
    int RowOf(int m) const;

    LiveTestDisplay& display_;
    const DeviceTables& devices_;
    std::array<char, 48> held_{}; // "Button 12: Pressed", built without allocating
};

} // namespace qm
