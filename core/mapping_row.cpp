#include "core/mapping_row.h"

namespace qm {

MappingRow NewMappingRow() {
    MappingRow row;
    for (int c : {col::Repeat, col::Rotary, col::NumLock, col::CapsLock, col::ScrollLock})
        row[c] = {OnOffText(false), Variant::Bool(false)};
    row[col::Multiplier] = {"1X", Variant::Number(1)};
    row[col::Description] = {" ", Variant()};
    for (int c = col::FirstPress; c < kColumnCount; ++c)
        row[c] = {" ", Variant::Text(" ")};
    return row;
}

} // namespace qm
