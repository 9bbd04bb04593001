// The simulated board library: the calling contract of the maker's library over the boards of
// the device file, their button states and read results taken from the shared state block.
// Test and demo equipment only; see README.md.
#include "devices/win32/orvhid_exports.h"
#include "sim/sim_config.h"
#include "sim/sim_shared.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <type_traits>

namespace qm::sim {
namespace {

constexpr char kWho[] = "simulated board library";

// Record layout: what the programs read, and where this library keeps its own handle.
constexpr std::size_t kRecordSize = 844;
constexpr std::size_t kButtonCountAt = 4;
constexpr std::size_t kHandleAt = 8; // library's own: detection number and board index
constexpr std::size_t kTagAt = 12;   // library's own: marks a record this library filled
constexpr std::size_t kPathAt = 43;
constexpr std::size_t kPathLengthAt = 300;
constexpr std::size_t kProductAt = 304;
constexpr std::size_t kProductLengthAt = 560;
constexpr std::size_t kTextCapacity = 256;
constexpr std::uint32_t kTag = 0x424D4953; // "SIMB"
constexpr std::size_t kReadBufferSize = 513;
constexpr int kRecordCount = 129;

// Results for calls this library cannot serve (not one of 2, 3 and 4).
constexpr std::int32_t kNotOpen = 0;
constexpr std::int32_t kReadFails = 4;

struct Detection {
    SimConfig Config;
    std::unique_ptr<SharedView> Shared;
    std::uint32_t Number = 0;
};

std::mutex detectionLock;
std::optional<Detection> detection; // the boards of the last DetectHID, until CloseDevices
std::uint32_t detections = 0;

template <class T> void Put(std::uint8_t* record, std::size_t at, T value) {
    std::memcpy(record + at, &value, sizeof value);
}
template <class T> T Get(const std::uint8_t* record, std::size_t at) {
    T value;
    std::memcpy(&value, record + at, sizeof value);
    return value;
}

void FillRecord(const SimBoard& board, std::uint32_t number, std::size_t index,
                std::uint8_t* record) {
    std::memset(record, 0, kRecordSize);
    Put<std::int16_t>(record, kButtonCountAt, board.Buttons);
    Put<std::uint32_t>(record, kHandleAt, number << 8 | static_cast<std::uint32_t>(index));
    Put<std::uint32_t>(record, kTagAt, kTag);
    const std::size_t path = std::min(board.Path.size(), kTextCapacity);
    std::memcpy(record + kPathAt, board.Path.data(), path);
    Put<std::int32_t>(record, kPathLengthAt,
                      board.PathLength.value_or(static_cast<std::int32_t>(path)));
    const std::size_t product = std::min(board.Product.size(), kTextCapacity);
    std::memcpy(record + kProductAt, board.Product.data(), product);
    Put<std::int32_t>(record, kProductLengthAt,
                      board.ProductLength.value_or(static_cast<std::int32_t>(product)));
}

std::int16_t Detect(std::int16_t* count, void* table, std::int32_t mode) {
    if (count == nullptr || table == nullptr || mode != 4)
        return 0;
    std::lock_guard lock(detectionLock);
    detection.reset();
    *count = 0;
    const std::wstring file = DevicesFileFromEnvironment();
    if (file.empty())
        return 0; // no boards attached
    Detection found;
    std::string error;
    if (!LoadConfig(file, found.Config, error)) {
        ReportProblem(kWho, error);
        return 0;
    }
    DWORD code = 0;
    found.Shared = SharedView::Open(file, true, code);
    if (!found.Shared) {
        ReportProblem(kWho, "cannot open the shared state (error " + std::to_string(code) + ")");
        return 0;
    }
    PublishCounts(found.Config, found.Shared->State());
    found.Number = ++detections & 0xFFFFFF;
    const std::size_t boards = std::min<std::size_t>(found.Config.Boards.size(), kRecordCount);
    auto* records = static_cast<std::uint8_t*>(table);
    // Unplugged boards are not found; the others fill the records from the first.
    std::size_t filled = 0;
    for (std::size_t i = 0; i < boards; ++i)
        if (found.Shared->State().Boards[i].Unplugged == 0)
            FillRecord(found.Config.Boards[i], found.Number, i, records + filled++ * kRecordSize);
    const std::int32_t reported =
        found.Config.BoardsReported.value_or(static_cast<std::int32_t>(filled));
    *count = static_cast<std::int16_t>(reported);
    detection = std::move(found);
    return reported != 0 ? 1 : 0;
}

std::int32_t Read(void* record, void* buffer, std::int32_t mode) {
    if (record == nullptr || buffer == nullptr || mode != 0)
        return kNotOpen;
    const auto* bytes = static_cast<const std::uint8_t*>(record);
    const auto handle = Get<std::uint32_t>(bytes, kHandleAt);
    std::lock_guard lock(detectionLock);
    if (!detection || Get<std::uint32_t>(bytes, kTagAt) != kTag || handle >> 8 != detection->Number)
        return kNotOpen;
    const std::size_t index = handle & 0xFF;
    if (index >= detection->Config.Boards.size() || index >= kMaxBoards)
        return kNotOpen;
    LogRead(detection->Shared->State(), kBoardReadSource + static_cast<std::uint32_t>(index + 1));
    const BoardSlot& slot = detection->Shared->State().Boards[index];
    // A board unplugged since the detection fails to read.
    const std::int32_t result = slot.Unplugged != 0 ? kReadFails : slot.Result;
    if (result == 2) {
        auto* out = static_cast<std::uint8_t*>(buffer);
        std::memcpy(out, slot.Buttons, kBoardStateBytes);
        out[kReadBufferSize - 1] = 0;
    }
    return result;
}

} // namespace
} // namespace qm::sim

extern "C" {

std::int16_t QM_ORVHID_CALL DetectHID(std::int16_t* count, void* table, std::int32_t mode) {
    try {
        return qm::sim::Detect(count, table, mode);
    } catch (...) {
        return 0;
    }
}

std::int32_t QM_ORVHID_CALL ReadInputData(void* record, void* buffer, std::int32_t mode) {
    try {
        return qm::sim::Read(record, buffer, mode);
    } catch (...) {
        return qm::sim::kNotOpen;
    }
}

std::int32_t QM_ORVHID_CALL CloseDevices(std::int16_t, void*) {
    try {
        std::lock_guard lock(qm::sim::detectionLock);
        qm::sim::detection.reset();
        return 1;
    } catch (...) {
        return 0;
    }
}

// Tells tests that this stand-in was loaded.
const wchar_t* WINAPI SimOrvhidMarker() {
    return L"Simulated board library for tests";
}

} // extern "C"

static_assert(std::is_same_v<decltype(&DetectHID), DetectHIDFn>);
static_assert(std::is_same_v<decltype(&ReadInputData), ReadInputDataFn>);
static_assert(std::is_same_v<decltype(&CloseDevices), CloseDevicesFn>);
