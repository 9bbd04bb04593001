#include "editor/live_test.h"

#include "core/app_error.h"
#include "core/control_cells.h"
#include "core/key_names.h"
#include "core/mapping_entry.h"
#include "core/status.h"
#include "core/text.h"
#include "engine/configuration_loader.h"
#include "engine/control_binding.h"

#include <algorithm>
#include <charconv>
#include <string>
#include <string_view>
#include <unordered_map>

namespace qm {

namespace {

constexpr std::string_view kSkippedCell = " ";
constexpr std::string_view kHeldPrefix = "Button ";
constexpr std::string_view kHeldSuffix = ": Pressed";
constexpr std::string_view kDevicePrefix = "Input Devices: ";
constexpr std::string_view kNothingHeld = " ";

// The button number a row's text names: decimal digits without a leading zero; 0 for none.
int ButtonOfText(std::string_view text) {
    int n = 0;
    if (text.empty() || text.front() == '0')
        return 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), n);
    return error == std::errc() && end == text.data() + text.size() ? n : 0;
}

// A key cell's name (its tag) as text, without a copy when it is text already.
std::string_view NameOf(const Cell& cell, std::string& scratch) {
    if (const std::string* text = cell.Tag.AsString())
        return *text;
    scratch = cell.Tag.ToText();
    return scratch;
}

void CompileRow(const MappingRow& row, const ControlFields& fields, const ScanCodeSource& scanCodes,
                CompiledKeys& press, CompiledKeys& release) {
    const auto flag = [&](int column) {
        return ConvertedOr(row[column].Tag, &Variant::ToBool, false);
    };
    MappingEntry entry;
    entry.Repeat = flag(col::Repeat);
    entry.Rotary = flag(col::Rotary);
    const double multiplier = ConvertedOr(row[col::Multiplier].Tag, &Variant::ToNumber, 1.0);
    entry.Multiplier = static_cast<std::int16_t>(std::clamp(multiplier, -1.0, 9.0));
    entry.Hold = fields.Hold;
    entry.IsControl = fields.Which.Kind != ControlKind::Button;
    entry.NumLock = flag(col::NumLock);
    entry.CapsLock = flag(col::CapsLock);
    entry.ScrollLock = flag(col::ScrollLock);
    CompileBehaviour(entry, press);
    CompilePointer(fields, press);
    std::string scratch;
    const auto side = [&](CompiledKeys& keys, int firstColumn) {
        int step = 0;
        for (int s = 0; s < kKeyCellsPerSide; ++s) {
            const Cell& cell = row[firstColumn + s];
            if (cell.Text != kSkippedCell && FillKeyStep(keys, cell.Text, NameOf(cell, scratch),
                                                         step + 1, Vocabulary::Editor, scanCodes))
                ++step;
        }
    };
    side(press, col::FirstPress);
    side(release, col::FirstRelease);
}

} // namespace

void CompileTestTables(const MappingTable& table, DeviceTables& devices,
                       const ScanCodeSource& scanCodes, TestTables& tables) {
    const auto rows = static_cast<std::size_t>(table.RowCount());
    tables.PressKeys.assign(rows, CompiledKeys{});
    tables.ReleaseKeys.assign(rows, CompiledKeys{});

    // Per attached identity, the first row of each button number in each layer.
    std::unordered_map<std::string, FirstButtonRows> firstRows;
    for (const auto& device : devices.Devices()) {
        auto& first = firstRows[IdentityKey(device.Identity)];
        if (first.Buttons() < device.ButtonCount)
            first = FirstButtonRows(device.ButtonCount);
    }
    ControlRows controlRows;
    for (std::size_t r = 0; r < rows; ++r) {
        const PackedRow& row = table.Row(static_cast<int>(r));
        const int b = ButtonOfText(row.Text(col::Button));
        if (b == 0)
            continue;
        const auto it = firstRows.find(IdentityKey(row.Tag(col::Device).ToText()));
        if (it == firstRows.end())
            continue;
        const auto mapping = static_cast<std::int32_t>(r + 1);
        const ControlFields fields =
            NeedsNewestVersion(row) ? ControlFieldsOf(row.Unpack()) : ControlFields{};
        if (!IsControlNumber(fields.Which, b))
            continue;
        const bool bound = fields.Which.Kind != ControlKind::Button
                               ? controlRows.Offer(it->first, b, fields, mapping)
                               : it->second.Offer(b, fields.Layer, mapping);
        if (bound)
            CompileRow(row.Unpack(), fields, scanCodes, tables.PressKeys[r], tables.ReleaseKeys[r]);
    }

    ButtonMapTable& map = devices.ButtonMap();
    map.Dimension(devices.DeviceCount(), devices.MaxButtons());
    for (int d = 1; d <= devices.DeviceCount(); ++d) {
        const auto& device = devices.Device(d);
        firstRows.at(IdentityKey(device.Identity)).Bind(d, device.ButtonCount, map);
    }
    controlRows.Bind(devices, map);
    FinishBindings(map, tables.PressKeys);
}

int TestEnginePolicy::RowOf(int m) const {
    if (m < 1 || m > display_.RowCount())
        throw AppError(err::SubscriptOutOfRange);
    return m - 1;
}

bool TestEnginePolicy::Pressed(int m) const {
    return display_.RowColour(RowOf(m)) == rowcolour::Pressed;
}

bool TestEnginePolicy::ReleaseDue(int m) const {
    return display_.RowColour(RowOf(m)) != rowcolour::Active;
}

void TestEnginePolicy::SetPressed(int m, bool pressed) {
    display_.SetRowColour(RowOf(m), pressed ? rowcolour::Pressed : rowcolour::Active);
}

void TestEnginePolicy::ButtonHeld(int /*d*/, int b) {
    char* p = std::copy(kHeldPrefix.begin(), kHeldPrefix.end(), held_.data());
    p = std::to_chars(p, held_.data() + 24, b).ptr;
    p = std::copy(kHeldSuffix.begin(), kHeldSuffix.end(), p);
    display_.SetSecondStatusText(
        std::string_view(held_.data(), static_cast<std::size_t>(p - held_.data())));
}

void TestEnginePolicy::ControlHeld(int /*d*/, std::string_view name) {
    name = name.substr(0, held_.size() - kHeldSuffix.size());
    char* p = std::copy(name.begin(), name.end(), held_.data());
    p = std::copy(kHeldSuffix.begin(), kHeldSuffix.end(), p);
    display_.SetSecondStatusText(
        std::string_view(held_.data(), static_cast<std::size_t>(p - held_.data())));
}

void TestEnginePolicy::PressEdge(int d, int /*b*/, int m) {
    display_.SetStatusText(std::string(kDevicePrefix) + devices_.Device(d).Name);
    display_.ClearKeyMappingText();
    display_.ScrollRowIntoView(RowOf(m));
}

void TestEnginePolicy::PassEnd(bool anyDown, bool /*readFailing*/, std::string_view deviceNotice) {
    if (anyDown)
        return;
    display_.SetSecondStatusText(kNothingHeld);
    if (!display_.StatusIs(status::kReadFailure))
        display_.SetStatusText(deviceNotice.empty() ? status::kAvailable : deviceNotice);
}

} // namespace qm
