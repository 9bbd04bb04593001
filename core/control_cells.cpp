#include "core/control_cells.h"

#include "core/key_names.h"

#include <string>

namespace qm {

namespace {

Cell NumberCell(int value) {
    if (value == 0)
        return {};
    return {std::to_string(value), Variant::Number(value)};
}

Cell PointCell(PointRange point, bool band) {
    const std::string text = PointText(point, band);
    return {text + " %", Variant::Text(text)};
}

int NumberOf(const Cell& cell) {
    return ConvertedOr(cell.Tag, &Variant::ToInteger, 0);
}

std::string TextOf(const Variant& tag) {
    return tag.AsString() != nullptr ? *tag.AsString() : std::string();
}

} // namespace

void SetControlCells(MappingRow& row, int number, const ControlFields& fields) {
    const Control which = fields.Which;
    row[col::Control] = which.Kind == ControlKind::Button
                            ? Cell{}
                            : Cell{ControlName(which, number, fields.Points.Press),
                                   Variant::Text(std::string(ControlCode(which)))};
    if (which.Kind == ControlKind::Axis) {
        row[col::PressPoint] = PointCell(fields.Points.Press, which.IsBand());
        row[col::ReleasePoint] = PointCell(fields.Points.Release, which.IsBand());
    } else {
        row[col::PressPoint] = {};
        row[col::ReleasePoint] = {};
    }
    row[col::Hold] = {OnOffText(fields.Hold), Variant::Bool(fields.Hold)};
    row[col::Layer] = NumberCell(fields.Layer);
    row[col::PointerSpeed] = NumberCell(fields.PointerSpeed);
    row[col::PointerCurve] = NumberCell(fields.PointerCurve);
}

ControlFields ControlFieldsOf(const MappingRow& row) {
    ControlFields fields;
    fields.Which = ParseControlCode(TextOf(row[col::Control].Tag)).value_or(Control{});
    if (fields.Which.Kind == ControlKind::Axis)
        fields.Points = PointsOf(fields.Which, TextOf(row[col::PressPoint].Tag),
                                 TextOf(row[col::ReleasePoint].Tag));
    fields.Hold = ConvertedOr(row[col::Hold].Tag, &Variant::ToBool, false);
    fields.Layer = NumberOf(row[col::Layer]);
    if (fields.Layer < 0 || fields.Layer > kMaxLayer)
        fields.Layer = 0;
    fields.PointerSpeed = std::max(NumberOf(row[col::PointerSpeed]), 0);
    fields.PointerCurve = NumberOf(row[col::PointerCurve]);
    if (fields.PointerCurve != 1 && fields.PointerCurve != 2)
        fields.PointerCurve = 0;
    return fields;
}

bool NeedsNewestVersion(const PackedRow& row) {
    const Variant control = row.Tag(col::Control);
    if (control.AsString() != nullptr && !control.AsString()->empty())
        return true;
    if (ConvertedOr(row.Tag(col::Hold), &Variant::ToBool, false))
        return true;
    if (ConvertedOr(row.Tag(col::Layer), &Variant::ToInteger, 0) != 0)
        return true;
    if (ConvertedOr(row.Tag(col::PointerSpeed), &Variant::ToInteger, 0) != 0 ||
        ConvertedOr(row.Tag(col::PointerCurve), &Variant::ToInteger, 0) != 0)
        return true;
    return NamesNewestAction(row);
}

bool NamesNewestAction(const PackedRow& row) {
    if (!row.Mentions("MOUSE ") && !row.Mentions("WHEEL ") && !row.Mentions("POINTER ") &&
        !row.Mentions("LAYER "))
        return false;
    for (int c = col::FirstPress; c < col::KeyEnd; ++c) {
        const Variant name = row.Tag(c);
        if (const std::string* text = name.AsString(); text != nullptr && IsNewestName(*text))
            return true;
    }
    return false;
}

} // namespace qm
