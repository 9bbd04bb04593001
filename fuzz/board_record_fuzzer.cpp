// The board library's records and input reports as the programs take them: a detection of up
// to 129 records (hostile counts, lengths and texts among them) into the device tables, then
// reads of the boards. Checks the clamps, that texts come out whole and harmless, that a record
// written as the library writes it reads back, and that button states follow the reports.
#include "core/ansi_text.h"
#include "core/dialogs.h"
#include "core/text.h"
#include "devices/device_identity.h"
#include "devices/hid_record.h"
#include "devices/input_devices.h"
#include "devices/scripted_devices.h"
#include "fuzz_check.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace {

using qm::fuzz::Require;

class SilentDialogs final : public qm::Dialogs {
public:
    qm::MessageAnswer ShowMessage(const qm::Message&) override { return qm::MessageAnswer::Ok; }
};

// Detection hands out the records and count the input chose; each read the next report.
class FuzzedBoards final : public qm::BoardLibrary {
public:
    std::int16_t DetectHID(std::int16_t& count, qm::HidDeviceRecord* table,
                           std::int32_t mode) override {
        Require(mode == 4);
        std::copy(Records.begin(), Records.end(), table);
        count = Count;
        return Found;
    }
    std::int32_t ReadInputData(qm::HidDeviceRecord&, qm::HidReadBuffer& buffer,
                               std::int32_t mode) override {
        Require(mode == 0);
        buffer = Report;
        return Result;
    }
    void CloseDevices(std::int16_t count, qm::HidDeviceRecord*) override {
        Require(count >= 0 && count <= qm::kHidRecordCount);
    }

    std::array<qm::HidDeviceRecord, qm::kHidRecordCount> Records{};
    std::int16_t Count = 0;
    std::int16_t Found = 0;
    qm::HidReadBuffer Report{};
    std::int32_t Result = qm::kHidNewData;
};

// Valid UTF-8 with no quote and no control character: safe on a line of a file.
bool IsHarmless(const std::string& utf8) {
    if (utf8.find('"') != std::string::npos)
        return false;
    for (const char c : utf8)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return false;
    // Every character is one of the code page's: the text converts back and forth unchanged.
    return qm::AnsiToUtf8(qm::Utf8ToAnsi(utf8)) == utf8;
}

std::size_t CharacterCount(const std::string& utf8) {
    return static_cast<std::size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

// One record: written as the library writes it (then perhaps its lengths overwritten), or raw.
void FillRecord(FuzzedDataProvider& input, qm::HidDeviceRecord& record) {
    if (input.ConsumeBool()) {
        const auto raw = input.ConsumeBytes<std::uint8_t>(qm::kHidRecordSize);
        std::copy(raw.begin(), raw.end(), record.Bytes.begin());
        return;
    }
    // Lengths beyond the field's 256 bytes too, which the library cuts.
    const auto path = input.ConsumeBytesAsString(input.ConsumeIntegralInRange(0, 300));
    const auto product = input.ConsumeBytesAsString(input.ConsumeIntegralInRange(0, 300));
    // Mostly a count a board may have, so that reads reach it; now and then any count.
    const int buttons = input.ConsumeBool() ? input.ConsumeIntegralInRange(-40000, 40000)
                                            : input.ConsumeIntegralInRange(1, 600);
    qm::WriteHidRecord(record, path, product, buttons);

    const auto read = qm::ReadHidRecord(record);
    Require(read.Buttons == std::clamp(buttons, 0, qm::kMaxBoardButtons));
    // Texts within the field read back whole: the identity less the path's last 5 characters.
    const auto expected = [](const std::string& ansi, int dropped) {
        const auto drop = static_cast<std::size_t>(dropped);
        const auto cut = ansi.substr(0, std::min(ansi.size(), qm::hid_record::TextCapacity));
        return qm::SanitizeText(
            qm::AnsiToUtf8(cut.substr(0, cut.size() - std::min(drop, cut.size()))));
    };
    Require(read.Product == expected(product, 0));
    Require(read.Identity == expected(path, qm::kBoardPathSuffixLength));

    if (input.ConsumeBool())
        qm::SetHidInt32(record, qm::hid_record::PathLength, input.ConsumeIntegral<std::int32_t>());
    if (input.ConsumeBool())
        qm::SetHidInt32(record, qm::hid_record::ProductLength,
                        input.ConsumeIntegral<std::int32_t>());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    FuzzedBoards boards;
    // The reads come first in the input: the records may take all that is left.
    struct Read {
        int Device;
        std::int32_t Result;
        std::vector<std::uint8_t> Report;
    };
    std::vector<Read> reads(input.ConsumeIntegralInRange(0, 12));
    for (auto& read : reads) {
        read.Device = input.ConsumeIntegralInRange(0, 6);
        const auto choice = input.ConsumeIntegralInRange(0, 3);
        read.Result = choice == 3 ? input.ConsumeIntegral<std::int32_t>() : choice + 2;
        read.Report = input.ConsumeBytes<std::uint8_t>(
            input.ConsumeIntegralInRange<std::size_t>(0, qm::kHidReadBufferSize));
    }
    // A few records of the input's, then either empty records or (rarely, as it is slow) the
    // last one repeated to the end of the table.
    boards.Found = input.ConsumeBool() ? 0 : 1;
    const int filled = 4 - input.ConsumeIntegralInRange(0, 4);
    for (int h = 0; h < filled; ++h)
        FillRecord(input, boards.Records[static_cast<std::size_t>(h)]);
    const bool repeated = filled > 0 && input.ConsumeIntegral<std::uint8_t>() == 0xA5;
    if (repeated)
        std::fill(boards.Records.begin() + filled, boards.Records.end(),
                  boards.Records[static_cast<std::size_t>(filled - 1)]);
    // Mostly the count of the records filled, as the library reports it.
    switch (input.ConsumeIntegralInRange(0, 3)) {
    case 2:
        boards.Count = input.ConsumeIntegralInRange<std::int16_t>(0, 5);
        break;
    case 3:
        boards.Count = input.ConsumeIntegral<std::int16_t>();
        break;
    default:
        boards.Count = static_cast<std::int16_t>(filled);
    }

    // Every record filled and the one after it, read alone: counts and lengths clamped, texts
    // harmless. The records further on are the same as the one after.
    std::vector<qm::HidRecordFields> fields;
    for (int h = 0; h <= filled && h < qm::kHidRecordCount; ++h) {
        auto read = qm::ReadHidRecord(boards.Records[static_cast<std::size_t>(h)]);
        Require(read.Buttons >= 0 && read.Buttons <= qm::kMaxBoardButtons);
        Require(IsHarmless(read.Product) && IsHarmless(read.Identity));
        Require(CharacterCount(read.Product) <= qm::hid_record::TextCapacity);
        Require(CharacterCount(read.Identity) <=
                qm::hid_record::TextCapacity - qm::kBoardPathSuffixLength);
        fields.push_back(std::move(read));
    }
    const auto fieldsOf = [&](int h) -> const qm::HidRecordFields& {
        return fields[static_cast<std::size_t>(std::min(h, filled))];
    };

    qm::ScriptedJoystickApi joysticks;
    SilentDialogs dialogs;
    qm::InputDevices devices(joysticks, boards, dialogs, nullptr);
    devices.Scan(nullptr);

    // The tables hold the boards of the records within the count, in order, with buttons.
    const int open = boards.Found == 0 ? 0 : std::clamp<int>(boards.Count, 0, qm::kHidRecordCount);
    std::vector<int> expected;
    for (int h = 0; h < open; ++h)
        if (fieldsOf(h).Buttons > 0)
            expected.push_back(h);
    const auto& tables = devices.Tables();
    Require(tables.DeviceCount() == static_cast<int>(expected.size()));
    for (int d = 1; d <= tables.DeviceCount(); ++d) {
        const auto& device = tables.Device(d);
        const int h = expected[static_cast<std::size_t>(d - 1)];
        const auto& record = fieldsOf(h);
        Require(!device.IsDirectInput && device.HidIndex == h);
        Require(device.ButtonCount == record.Buttons && device.Name == record.Product &&
                device.Identity == record.Identity);
    }

    // Reads: a new report sets the states, a failure (or an undocumented result) lets every
    // button up, "no new data" keeps them.
    std::vector<std::array<bool, qm::kMaxBoardButtons>> down(expected.size());
    std::vector<bool> failing(expected.size());
    for (const auto& read : reads) {
        // Device 0 and those past the last are out of range.
        const int d = read.Device;
        boards.Result = read.Result;
        boards.Report.fill(0);
        std::copy(read.Report.begin(), read.Report.end(), boards.Report.begin());

        int buttons = -1;
        Require(devices.ReadDevice(d, buttons));
        if (d < 1 || d > tables.DeviceCount()) {
            Require(buttons == 0);
            continue;
        }
        const auto i = static_cast<std::size_t>(d - 1);
        Require(buttons >= 0 && buttons <= tables.Device(d).ButtonCount &&
                buttons <= qm::kMaxBoardButtons);
        if (boards.Result == qm::kHidNewData)
            for (std::size_t b = 0; b < qm::kMaxBoardButtons; ++b)
                down[i][b] = boards.Report[b] != 0;
        else if (boards.Result != qm::kHidNoNewData)
            down[i].fill(false);
        failing[i] = boards.Result != qm::kHidNewData && boards.Result != qm::kHidNoNewData;
        for (int b = 1; b <= qm::kMaxBoardButtons; ++b)
            Require(devices.ButtonDown(d, b) == down[i][static_cast<std::size_t>(b - 1)]);
        Require(!devices.ButtonDown(d, 0) && !devices.ButtonDown(d, qm::kMaxBoardButtons + 1));
        Require(devices.ButtonStates(d).size() == qm::kMaxBoardButtons);
        Require(devices.ReadFailing() ==
                std::any_of(failing.begin(), failing.end(), [](bool f) { return f; }));
    }
    return 0;
}
