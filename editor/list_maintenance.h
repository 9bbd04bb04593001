#pragma once
// Repairs of the shown mapping list against the devices attached now: rows added for missing
// buttons and new devices, inactive and duplicate rows removed, one device's rows moved to
// another device, a row cleared. Each command asks, works and reports through the dialogs seam;
// the controller marks the configuration changed when a command says it changed the list.
#include "devices/device_tables.h"
#include "editor/editor_dialogs.h"
#include "editor/editor_view.h"
#include "editor/mapping_table.h"

#include <string_view>

namespace qm {

class ListMaintenance {
public:
    // `table` is the shown list, null while the placeholder is shown.
    ListMaintenance(MappingTable* table, const DeviceTables& devices, EditorDialogs& dialogs,
                    EditorView& view, std::string_view programTitle)
        : table_(table), devices_(devices), dialogs_(dialogs), view_(view),
          programTitle_(programTitle) {}

    // Each command returns true when it changed the list.

    // Rows for the buttons an attached device has and the list lacks, inserted after the
    // device's last row that comes before them; rows for every button of a device of more than
    // one button that has no active row, appended.
    bool AddMissingRows();
    // Rows whose device or button is not attached removed; of each group of rows that map the
    // same button of the same device, the one the user keeps stays.
    bool RemoveInactiveAndDuplicateRows();
    // Every row of the device of row `selectedRow` (its identity as stored, exactly) moved to
    // the attached device the user chooses; -1: no row is selected, none moves.
    bool ReplaceDevice(int selectedRow);

private:
    MappingTable* table_;
    const DeviceTables& devices_;
    EditorDialogs& dialogs_;
    EditorView& view_;
    std::string_view programTitle_;
};

// A row back to the new-row settings: behaviour, locks and multiplier off, Hold off, the
// description and every key cell empty, the points at their defaults. Its button, control (a
// band's band), device and active flag stay.
void ClearRowCells(MappingTable& table, int row);

// How many of the four diagonals of the hat that row `r` reads have no row of its device; 0
// when the row reads no hat.
int MissingDiagonals(const MappingTable& table, int r);
// Rows for the diagonals of that hat that have none, after the hat's last row. False when
// none was missing or the row reads no hat.
bool AddHatDiagonals(MappingTable& table, int r);
// A band row (40-60 %) of the axis that row `r` reads, after the axis's last row. False when
// the row reads no axis.
bool AddAxisBand(MappingTable& table, int r);

} // namespace qm
