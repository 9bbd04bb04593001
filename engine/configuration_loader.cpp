#include "engine/configuration_loader.h"

#include "core/control.h"
#include "core/key_names.h"
#include "core/messages.h"
#include "core/qmf_file.h"
#include "core/text.h"
#include "engine/control_binding.h"

#include <algorithm>
#include <new>
#include <unordered_map>

namespace qm {

namespace {

// Converts record values, giving a value that does not convert the default of a new row and
// remembering the first such error.
class ValueConverter {
public:
    explicit ValueConverter(std::optional<AppError>& error) : error_(error) {}

    bool Flag(const Variant& v) {
        return ConvertedOr(v, &Variant::ToBool, false, [this](const AppError& e) { Note(e); });
    }
    int Integer(const Variant& v, int fallback) {
        return ConvertedOr(v, &Variant::ToInteger, fallback,
                           [this](const AppError& e) { Note(e); });
    }
    void Note(const AppError& e) {
        if (!error_)
            error_ = e;
    }

private:
    std::optional<AppError>& error_;
};

// Fills an entry from the raw lines of its record, all but the key cells.
void FillEntry(MappingEntry& e, const Variant& button, const std::vector<std::string_view>& v,
               ValueConverter& convert) {
    e.ButtonNo = convert.Integer(button, 0);
    e.Repeat = convert.Flag(ParseQmfValue(v[3]));
    e.Rotary = convert.Flag(ParseQmfValue(v[4]));
    e.Multiplier =
        static_cast<std::int16_t>(std::clamp(convert.Integer(ParseQmfValue(v[5]), 1), -1, 9));
    e.NumLock = convert.Flag(ParseQmfValue(v[7]));
    e.CapsLock = convert.Flag(ParseQmfValue(v[8]));
    e.ScrollLock = convert.Flag(ParseQmfValue(v[9]));
}

// Compiles an entry straight from the key cells of its record's lines, trimmed.
void Compile(const MappingEntry& e, const ControlFields& fields,
             const std::vector<std::string_view>& v, CompiledKeys& press, CompiledKeys& release,
             Vocabulary vocabulary, const ScanCodeSource& scanCodes) {
    CompileBehaviour(e, press);
    CompilePointer(fields, press);
    std::string textScratch;
    std::string nameScratch;
    // Filled cells become steps 1, 2, 3 ... in cell order, without gaps.
    const auto side = [&](CompiledKeys& keys, std::size_t firstLine) {
        int step = 0;
        for (std::size_t s = 0; s < std::size_t{kStepCount}; ++s) {
            const auto text = TrimmedTextOf(v[firstLine + 2 * s], textScratch);
            if (!text.empty() &&
                FillKeyStep(keys, text, TrimmedTextOf(v[firstLine + 2 * s + 1], nameScratch),
                            step + 1, vocabulary, scanCodes))
                ++step;
        }
    };
    side(press, 10);
    side(release, 42);
}

// What the loader keeps of one connected identity.
struct ConnectedIdentity {
    const DeviceEntry* Last = nullptr; // the last device of that identity
    int ValidButtons = 0;              // the button count of the last device of that identity
    int MappedButtons = 0; // the most buttons ButtonMap takes from a device of that identity
    // Per layer and button number, the first entry of that button.
    FirstButtonRows FirstEntries;
};
using ConnectedIdentities = std::unordered_map<std::string, ConnectedIdentity>;

// Only connected identities are kept: a record of any other identity costs its entry.
ConnectedIdentities ConnectedIdentitiesOf(const DeviceTables& devices) {
    ConnectedIdentities connected;
    for (const auto& d : devices.Devices()) {
        auto& identity = connected[IdentityKey(d.Identity)];
        identity.Last = &d;
        identity.ValidButtons = d.ButtonCount;
        identity.MappedButtons =
            std::max(identity.MappedButtons, std::min(d.ButtonCount, kMaxButtonNumber));
    }
    for (auto& [key, identity] : connected)
        identity.FirstEntries = FirstButtonRows(identity.MappedButtons);
    return connected;
}

// Each device's buttons bound to the first entry of their button number and identity.
ButtonMapTable ButtonMapOf(const DeviceTables& devices, const ConnectedIdentities& connected) {
    ButtonMapTable map;
    map.Dimension(devices.DeviceCount(), devices.MaxButtons());
    for (int d = 1; d <= devices.DeviceCount(); ++d) {
        const auto& device = devices.Device(d);
        connected.at(IdentityKey(device.Identity))
            .FirstEntries.Bind(d, std::min(device.ButtonCount, kMaxButtonNumber), map);
    }
    return map;
}

// The file's first record: Corrupt when it cannot be read, NewerVersion when it names a newer
// version (kept in `version`), Obsolete when it names another version, else Loaded.
RunnerLoadStatus VersionStatus(QmfValueReader& reader, std::string& version) {
    std::vector<Variant> record;
    if (!ReadRecord(reader, 1, record))
        return RunnerLoadStatus::Corrupt;
    const std::string text = record[0].ToText();
    if (IsNewerFileVersion(text)) {
        version = text;
        return RunnerLoadStatus::NewerVersion;
    }
    if (text != kFileVersion && text != kNewestFileVersion)
        return RunnerLoadStatus::Obsolete;
    version = text;
    return RunnerLoadStatus::Loaded;
}

} // namespace

void CompileBehaviour(const MappingEntry& entry, CompiledKeys& press) {
    // Hold excludes the other behaviours; a hat or an axis never turns.
    press.Hold = entry.Hold ? -1 : 0;
    press.Repeat = entry.Repeat && !entry.Hold ? -1 : 0;
    press.Rotary = entry.Rotary && !entry.Hold && !entry.IsControl ? -1 : 0;
    press.NumLock = entry.NumLock ? 1 : 0;
    press.CapsLock = entry.CapsLock ? 1 : 0;
    press.ScrollLock = entry.ScrollLock ? 1 : 0;
    const int m = entry.Multiplier;
    press.Multiplier = (m == 2 || m == 4 || m == 8) ? static_cast<std::int16_t>(m) : 1;
}

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
    std::string version;
    result.Status = VersionStatus(reader, version);
    if (result.Status != RunnerLoadStatus::Loaded) {
        result.FileVersion = version;
        return result;
    }
    const bool hasControls = version == kNewestFileVersion;
    const Vocabulary vocabulary = hasControls ? Vocabulary::Runner : Vocabulary::Runner14;
    const int recordValues = hasControls ? kRecordValues15 : kRecordValues14;
    ControlRows controlRows;

    ConnectedIdentities connected = ConnectedIdentitiesOf(devices);
    RunnerTables loaded;
    // The tables are large: size them once from the number of lines.
    const auto lineCount = std::count(fileBytes.begin(), fileBytes.end(), '\n');
    const auto expected = static_cast<std::size_t>(lineCount / recordValues + 1);
    loaded.Mappings.reserve(expected);
    loaded.PressKeys.reserve(expected);
    loaded.ReleaseKeys.reserve(expected);
    ValueConverter convert(result.ValueError);
    std::vector<std::string_view> lines;
    while (!reader.AtEnd()) {
        if (!ReadRecordLines(reader, recordValues, lines)) {
            result.Status = RunnerLoadStatus::Corrupt;
            return result;
        }
        auto& entry = loaded.Mappings.emplace_back();
        auto& press = loaded.PressKeys.emplace_back();
        auto& release = loaded.ReleaseKeys.emplace_back();
        const auto index = static_cast<std::int32_t>(loaded.Mappings.size());
        const auto button = ParseQmfValue(lines[0]);
        ControlFields fields;
        if (hasControls) {
            const auto parsed =
                ParseControlFields(std::span(lines).subspan(kRecordValues14, kControlFieldLines),
                                   [&](const AppError& e) { convert.Note(e); });
            if (!parsed)
                continue;
            fields = *parsed;
        }
        try {
            if (!IsLoadableButton(button))
                continue;
        } catch (const AppError& e) {
            convert.Note(e);
            continue;
        }
        FillEntry(entry, button, lines, convert);
        entry.Hold = fields.Hold;
        entry.IsControl = fields.Which.Kind != ControlKind::Button;
        if (!IsControlNumber(fields.Which, entry.ButtonNo)) {
            entry.ButtonNo = 0;
            continue;
        }
        const auto it = connected.find(IdentityKey(ParseQmfValue(lines[2]).ToText()));
        if (it == connected.end())
            continue;
        auto& identity = it->second;
        if (entry.IsControl) {
            entry.Valid = DeviceHasControl(*identity.Last, fields.Which, entry.ButtonNo);
            if (controlRows.Offer(it->first, entry.ButtonNo, fields, index))
                Compile(entry, fields, lines, press, release, vocabulary, scanCodes);
            continue;
        }
        entry.Valid = entry.ButtonNo <= identity.ValidButtons;
        // The first entry of a button in its layer some device of its identity has goes into
        // ButtonMap: compiled now, while its lines are at hand.
        if (identity.FirstEntries.Offer(entry.ButtonNo, fields.Layer, index))
            Compile(entry, fields, lines, press, release, vocabulary, scanCodes);
    }
    loaded.MappingCount = static_cast<int>(loaded.Mappings.size());

    ButtonMapTable map = ButtonMapOf(devices, connected);
    controlRows.Bind(devices, map);
    FinishBindings(map, loaded.PressKeys);
    tables = std::move(loaded);
    devices.ButtonMap() = std::move(map);
    return result;
}

std::optional<Message> RefusalMessage(const RunnerLoadResult& result) {
    switch (result.Status) {
    case RunnerLoadStatus::NoDevices:
        return msg::RunnerNoDevices();
    case RunnerLoadStatus::NoButtons:
        return msg::RunnerNoButtons();
    case RunnerLoadStatus::Obsolete:
        return msg::RunnerObsoleteData();
    case RunnerLoadStatus::Corrupt:
        return msg::RunnerCorrupt(kRunnerTitle);
    case RunnerLoadStatus::NewerVersion:
        return msg::NewerFileVersion(result.FileVersion);
    case RunnerLoadStatus::Loaded:
        break;
    }
    return std::nullopt;
}

std::optional<Message> RefusalMessage(RunnerLoadStatus status) {
    RunnerLoadResult result;
    result.Status = status;
    return RefusalMessage(result);
}

bool LoadRunnerConfiguration(FileSystem& files, Dialogs& dialogs, const std::string& path,
                             DeviceTables& devices, const ScanCodeSource& scanCodes,
                             RunnerTables& tables) {
    // Device checks come before the file is touched.
    if (const auto refusal = RefusalMessage(DeviceRefusal(devices))) {
        dialogs.ShowMessage(*refusal);
        return false;
    }
    RunnerLoadResult result;
    try {
        const std::string bytes = files.ReadAll(path);
        result = CompileRunnerConfiguration(bytes, devices, scanCodes, tables);
    } catch (const AppError& e) {
        dialogs.ShowMessage(msg::FileIoError(e));
        return false;
    } catch (const std::bad_alloc&) {
        // The tables stay as they were.
        dialogs.ShowMessage(msg::FileIoError(AppError(err::OutOfMemory)));
        return false;
    }
    if (const auto refusal = RefusalMessage(result)) {
        dialogs.ShowMessage(*refusal);
        return false;
    }
    if (result.ValueError)
        dialogs.ShowMessage(msg::ErrorBox(*result.ValueError, "open_click"));
    return true;
}

} // namespace qm
