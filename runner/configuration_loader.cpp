#include "runner/configuration_loader.h"

#include "core/key_names.h"
#include "core/messages.h"
#include "core/qmf_file.h"
#include "core/text.h"

#include <algorithm>
#include <unordered_map>

namespace qm {

namespace {

// Converts record values, giving a value that does not convert the default of a new row and
// remembering the first such error.
class ValueConverter {
public:
    explicit ValueConverter(std::optional<AppError>& error) : error_(error) {}

    bool Flag(const Variant& v) {
        try {
            return v.ToBool();
        } catch (const AppError& e) {
            Note(e);
            return false;
        }
    }
    int Integer(const Variant& v, int fallback) {
        try {
            return v.ToInteger();
        } catch (const AppError& e) {
            Note(e);
            return fallback;
        }
    }
    void Note(const AppError& e) {
        if (!error_)
            error_ = e;
    }

private:
    std::optional<AppError>& error_;
};

// Fills an entry from the raw lines of its record; the key cells are taken as trimmed text
// straight from the lines.
TextRef AddText(std::string& pool, std::string_view line, std::string& scratch) {
    const auto text = TrimmedTextOf(line, scratch);
    if (text.empty())
        return {};
    const TextRef ref{static_cast<std::uint32_t>(pool.size()),
                      static_cast<std::uint32_t>(text.size())};
    pool.append(text);
    return ref;
}

void FillEntry(MappingEntry& e, const Variant& button, const std::vector<std::string_view>& v,
               ValueConverter& convert, std::string& pool) {
    e.ButtonNo = convert.Integer(button, 0);
    e.DeviceIdentity = ParseQmfValue(v[2]).ToText();
    e.Repeat = convert.Flag(ParseQmfValue(v[3]));
    e.Rotary = convert.Flag(ParseQmfValue(v[4]));
    e.Multiplier = convert.Integer(ParseQmfValue(v[5]), 1);
    e.NumLock = convert.Flag(ParseQmfValue(v[7]));
    e.CapsLock = convert.Flag(ParseQmfValue(v[8]));
    e.ScrollLock = convert.Flag(ParseQmfValue(v[9]));
    std::string scratch;
    for (std::size_t s = 0; s < std::size_t{kStepCount}; ++s) {
        e.PressText[s] = AddText(pool, v[10 + 2 * s], scratch);
        e.PressName[s] = AddText(pool, v[11 + 2 * s], scratch);
        e.ReleaseText[s] = AddText(pool, v[42 + 2 * s], scratch);
        e.ReleaseName[s] = AddText(pool, v[43 + 2 * s], scratch);
    }
}

std::int16_t CompiledMultiplier(int m) {
    return (m == 2 || m == 4 || m == 8) ? static_cast<std::int16_t>(m) : 1;
}

void Compile(const RunnerTables& tables, const MappingEntry& e, CompiledKeys& press,
             CompiledKeys& release, const ScanCodeSource& scanCodes) {
    press.Repeat = e.Repeat ? -1 : 0;
    press.Rotary = e.Rotary ? -1 : 0;
    press.NumLock = e.NumLock ? 1 : 0;
    press.CapsLock = e.CapsLock ? 1 : 0;
    press.ScrollLock = e.ScrollLock ? 1 : 0;
    press.Multiplier = CompiledMultiplier(e.Multiplier);
    for (int s = 1; s <= kStepCount; ++s) {
        press.Step(s).Slots[0] = {};
        release.Step(s).Slots[0] = {};
    }
    // Filled cells become steps 1, 2, 3 ... in cell order, without gaps.
    int p = 0;
    int r = 0;
    for (std::size_t s = 0; s < std::size_t{kStepCount}; ++s) {
        if (e.PressText[s].Length != 0)
            Decode_Scancodes(press, tables.Text(e.PressText[s]), tables.Text(e.PressName[s]), ++p,
                             Vocabulary::Runner, scanCodes);
        if (e.ReleaseText[s].Length != 0)
            Decode_Scancodes(release, tables.Text(e.ReleaseText[s]), tables.Text(e.ReleaseName[s]),
                             ++r, Vocabulary::Runner, scanCodes);
    }
}

} // namespace

RunnerLoadStatus DeviceRefusal(const DeviceTables& devices) {
    if (devices.DeviceCount() == 0)
        return RunnerLoadStatus::NoDevices;
    if (devices.ButtonTotal() == 0)
        return RunnerLoadStatus::NoButtons;
    return RunnerLoadStatus::Loaded;
}

int RunnerTables::ValidCount() const {
    return static_cast<int>(
        std::count_if(Mappings.begin(), Mappings.end(), [](const auto& m) { return m.Valid; }));
}

RunnerLoadResult CompileRunnerConfiguration(std::string_view fileBytes, DeviceTables& devices,
                                            const ScanCodeSource& scanCodes, RunnerTables& tables) {
    RunnerLoadResult result;
    result.Status = DeviceRefusal(devices);
    if (result.Status != RunnerLoadStatus::Loaded)
        return result;
    QmfValueReader reader(fileBytes);
    std::vector<Variant> record;
    if (!ReadRecord(reader, 1, record)) {
        result.Status = RunnerLoadStatus::Corrupt;
        return result;
    }
    if (record[0].ToText() != kFileVersion) {
        result.Status = RunnerLoadStatus::Obsolete;
        return result;
    }

    // Button count of each connected identity (the last device of that identity counts).
    std::unordered_map<std::string, int> deviceButtons;
    for (const auto& d : devices.Devices())
        deviceButtons[IdentityKey(d.Identity)] = d.ButtonCount;

    RunnerTables loaded;
    // Entries are large: size the table once from the number of lines.
    const auto lineCount = std::count(fileBytes.begin(), fileBytes.end(), '\n');
    loaded.Mappings.reserve(static_cast<std::size_t>(lineCount / kRecordValues14 + 1));
    ValueConverter convert(result.ValueError);
    // Per identity, the first entry of each button number.
    std::unordered_map<std::string, std::vector<std::int32_t>> firstEntry;
    std::vector<std::string_view> lines;
    while (!reader.AtEnd()) {
        if (!ReadRecordLines(reader, kRecordValues14, lines)) {
            result.Status = RunnerLoadStatus::Corrupt;
            return result;
        }
        auto& entry = loaded.Mappings.emplace_back();
        const auto index = static_cast<std::int32_t>(loaded.Mappings.size());
        const auto button = ParseQmfValue(lines[0]);
        try {
            if (!IsLoadableButton(button))
                continue;
        } catch (const AppError& e) {
            convert.Note(e);
            continue;
        }
        FillEntry(entry, button, lines, convert, loaded.KeyText);
        auto key = IdentityKey(entry.DeviceIdentity);
        if (auto it = deviceButtons.find(key); it != deviceButtons.end())
            entry.Valid = entry.ButtonNo <= it->second;
        if (entry.ButtonNo >= 1 && entry.ButtonNo <= kMaxButtonNumber) {
            auto& buttons = firstEntry[std::move(key)];
            if (buttons.empty())
                buttons.assign(kMaxButtonNumber + 1, 0);
            if (buttons[static_cast<std::size_t>(entry.ButtonNo)] == 0)
                buttons[static_cast<std::size_t>(entry.ButtonNo)] = index;
        }
    }
    loaded.MappingCount = static_cast<int>(loaded.Mappings.size());
    loaded.PressKeys.assign(loaded.Mappings.size(), CompiledKeys{});
    loaded.ReleaseKeys.assign(loaded.Mappings.size(), CompiledKeys{});

    ButtonMapTable map;
    map.Dimension(devices.DeviceCount(), devices.MaxButtons());
    for (int d = 1; d <= devices.DeviceCount(); ++d) {
        const auto& device = devices.Device(d);
        const auto it = firstEntry.find(IdentityKey(device.Identity));
        if (it == firstEntry.end())
            continue;
        const int last = std::min(device.ButtonCount, kMaxButtonNumber);
        for (int b = 1; b <= last; ++b) {
            const auto i = it->second[static_cast<std::size_t>(b)];
            if (i == 0)
                continue;
            map.Set(d, b, i);
            Compile(loaded, loaded.Mapping(i), loaded.Press(i), loaded.Release(i), scanCodes);
        }
    }
    tables = std::move(loaded);
    devices.ButtonMap() = std::move(map);
    return result;
}

std::optional<Message> RefusalMessage(RunnerLoadStatus status) {
    switch (status) {
    case RunnerLoadStatus::NoDevices:
        return msg::RunnerNoDevices();
    case RunnerLoadStatus::NoButtons:
        return msg::RunnerNoButtons();
    case RunnerLoadStatus::Obsolete:
        return msg::RunnerObsoleteData();
    case RunnerLoadStatus::Corrupt:
        return msg::RunnerCorrupt(kRunnerTitle);
    case RunnerLoadStatus::Loaded:
        break;
    }
    return std::nullopt;
}

bool LoadRunnerConfiguration(FileSystem& files, Dialogs& dialogs, const std::string& path,
                             DeviceTables& devices, const ScanCodeSource& scanCodes,
                             RunnerTables& tables) {
    // Device checks come before the file is touched.
    if (const auto refusal = RefusalMessage(DeviceRefusal(devices))) {
        dialogs.ShowMessage(*refusal);
        return false;
    }
    std::string bytes;
    try {
        bytes = files.ReadAll(path);
    } catch (const AppError& e) {
        dialogs.ShowMessage(msg::FileIoError(e));
        return false;
    }
    const auto result = CompileRunnerConfiguration(bytes, devices, scanCodes, tables);
    if (const auto refusal = RefusalMessage(result.Status)) {
        dialogs.ShowMessage(*refusal);
        return false;
    }
    if (result.ValueError)
        dialogs.ShowMessage(msg::ErrorBox(*result.ValueError, "open_click"));
    return true;
}

} // namespace qm
