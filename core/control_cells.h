#pragma once
// The cells of a mapping row that hold what a version 1.5 record adds (its control, points,
// Hold, layer and pointer motion): filled from the file's fields, and read back for the file
// and the engine. A button row of the base layer without Hold keeps them empty, so that it
// costs little and is written as version 1.4.
#include "core/control.h"
#include "core/mapping_row.h"

namespace qm {

// Fills the cells of `row` from `fields`; `number` is the row's button, hat or axis number
// (its name uses it).
void SetControlCells(MappingRow& row, int number, const ControlFields& fields);

// The fields the cells hold; a cell that holds nothing valid gives the field's default.
ControlFields ControlFieldsOf(const MappingRow& row);

// Whether a row needs version 1.5: it reads a hat or an axis, holds its keys, belongs to a
// layer, has a pointer speed or curve, or names a mouse action, a pointer direction or a layer
// in a key cell (which older versions would read as nothing).
bool NeedsNewestVersion(const PackedRow& row);
// The last of those alone.
bool NamesNewestAction(const PackedRow& row);

} // namespace qm
