#include "devices/input_devices.h"

#include "core/error_trap.h"
#include "core/messages.h"
#include "core/text.h"
#include "devices/hid_record.h"

#include <algorithm>
#include <new>

namespace qm {

namespace {

constexpr std::int32_t kDetectMode = 4;
constexpr std::int32_t kReadMode = 0;
// Button numbers are 16-bit: no device can number more buttons than this.
constexpr int kMaxNumberedButtons = 32767;

bool Succeeded(DiResult r) {
    return r >= 0;
}

} // namespace

struct InputDevices::Controller {
    std::unique_ptr<JoystickDevice> Device;
    JoystickButtons State{}; // the last state read
    int ScanButtons = 0;     // the count of the scan
};

bool CheckDXVersion(DirectXSetup& setup, Dialogs& dialogs) {
    try {
        if (!setup.HasSetupLibrary()) {
            // Current systems have no setup library: DirectInput 8 itself is the proof.
            if (setup.CanCreateDirectInput())
                return true;
            dialogs.ShowMessage(msg::DirectXDetectionError());
            return false;
        }
        std::uint32_t version = 0;
        std::uint32_t revision = 0;
        if (setup.GetVersion(version, revision) == 0) {
            dialogs.ShowMessage(msg::DirectXDetectionError());
            return false;
        }
        // DirectX 8.x reports 0x00040008: the major version is the number less bit 18.
        const auto major = static_cast<std::int32_t>(version & ~0x40000u);
        const auto minor = static_cast<int>((revision & 0xF0000u) >> 16);
        if (major < 8) {
            dialogs.ShowMessage(msg::DirectXTooOld(major, minor));
            return false;
        }
        return true;
    } catch (const std::bad_alloc&) {
        throw; // not the setup's failure: the caller's trap reports it
    } catch (...) {
        // The setup library failed without saying how: DirectX counts as not detected.
        dialogs.ShowMessage(msg::DirectXDetectionError());
        return false;
    }
}

InputDevices::InputDevices(JoystickApi& joysticks, BoardLibrary& boards, Dialogs& dialogs,
                           StatusSink* status)
    : joysticks_(joysticks), boards_(boards), dialogs_(&dialogs), status_(status),
      hidDevices_(kHidRecordCount), hidButtons_(kHidRecordCount) {}

InputDevices::~InputDevices() {
    ReleaseControllers();
    CloseBoards();
}

void InputDevices::UnacquireControllers() {
    for (auto& c : controllers_)
        if (c.Device)
            c.Device->Unacquire();
}

void InputDevices::ReleaseControllers() {
    UnacquireControllers();
    controllers_.clear();
}

void InputDevices::InitDirectInput(WindowHandle mainWindow) {
    RunTrapped(*dialogs_, "InitDirectInput", [&] {
        // The previous scan's objects go first; the tables start from empty.
        ReleaseControllers();
        tables_.Clear();
        if (!joysticks_.Create()) {
            dialogs_->ShowMessage(msg::DirectInputError(kDiErrGeneric, "InitDirectInput"));
            return;
        }
        auto attached = joysticks_.EnumerateGameControllers();
        if (attached.size() > static_cast<std::size_t>(DeviceTables::kMaxDirectInputDevices))
            attached.resize(static_cast<std::size_t>(DeviceTables::kMaxDirectInputDevices));
        if (!attached.empty())
            CreateControllerObjects(mainWindow, attached);
    });
}

void InputDevices::CreateControllerObjects(WindowHandle mainWindow,
                                           const std::vector<JoystickInstance>& attached) {
    if (!DevicesReady)
        return;
    RunTrapped(*dialogs_, "Poll_Devices", [&] {
        controllers_.reserve(attached.size());
        for (const auto& instance : attached) {
            // A controller that cannot be set up ends the scan; those before it stay usable.
            auto fail = [&](DiResult r) {
                dialogs_->ShowMessage(msg::DirectInputError(r, "Poll_Devices"));
            };
            auto device = joysticks_.CreateDevice(instance.InstanceGuid);
            if (!device)
                return fail(kDiErrGeneric);
            if (const auto r = device->SetDataFormat(); !Succeeded(r))
                return fail(r);
            if (const auto r = device->SetCooperativeLevel(mainWindow); !Succeeded(r))
                return fail(r);
            const int n = device->ButtonCount();
            if (n < 0)
                return fail(kDiErrGeneric);
            const int buttons = std::min(n, kMaxNumberedButtons);
            tables_.AddDevice({true, 0, SanitizeText(instance.InstanceGuid),
                               SanitizeText(instance.ProductName), buttons});
            controllers_.push_back({std::move(device), {}, buttons});
        }
        if (status_)
            status_->SetStatusText(status::kAvailable);
    });
}

void InputDevices::RemoveBoardsFromTables() {
    std::vector<DeviceEntry> kept;
    for (const auto& d : tables_.Devices())
        if (d.IsDirectInput)
            kept.push_back(d);
    tables_.Clear();
    for (auto& d : kept)
        tables_.AddDevice(std::move(d));
}

void InputDevices::DetectDevices() {
    RunTrapped(*dialogs_, "DetectDevices", [&] {
        // The previous detection's boards leave the tables and are closed first.
        RemoveBoardsFromTables();
        CloseBoards();
        for (auto& states : hidButtons_)
            states.fill(0);
        hidFailing_.fill(false);
        failingBoards_ = 0;
        const auto found = boards_.DetectHID(hidDeviceCount_, hidDevices_.data(), kDetectMode);
        // The table holds 129 records: a larger count would reach past it.
        hidDeviceCount_ = std::clamp<std::int16_t>(hidDeviceCount_, 0, kHidRecordCount);
        if (found == 0)
            return;
        for (int h = 0; h < hidDeviceCount_; ++h) {
            auto board = ReadHidRecord(hidDevices_[static_cast<std::size_t>(h)]);
            if (board.Buttons <= 0)
                continue;
            tables_.AddDevice(
                {false, h, std::move(board.Identity), std::move(board.Product), board.Buttons});
        }
    });
}

void InputDevices::Scan(WindowHandle mainWindow) {
    InitDirectInput(mainWindow);
    DetectDevices();
}

void InputDevices::CloseBoards() {
    if (hidDeviceCount_ > 0)
        boards_.CloseDevices(hidDeviceCount_, hidDevices_.data());
    hidDeviceCount_ = 0;
}

bool InputDevices::ReadDevice(int d, int& buttons) {
    buttons = 0;
    if (d < 1 || d > tables_.DeviceCount())
        return true;
    const auto& device = tables_.Device(d);
    const int bound = tables_.ButtonMap().ButtonBound();
    if (device.IsDirectInput) {
        // A controller's failure is an error of the pass: it ends the pass.
        if (!ReadController(d, buttons))
            return false;
        buttons = std::min({buttons, kMaxJoystickButtons, bound});
        return true;
    }
    const int h = device.HidIndex;
    if (h < 0 || h >= hidDeviceCount_)
        return true; // closed: nothing to read
    // A board's read traps its own errors; the pass goes on with the last states read.
    RunTrapped(*dialogs_, "ReadFromDevice", [&] { ReadFromDevice(h); });
    buttons = std::min({device.ButtonCount, kMaxBoardButtons, bound});
    return true;
}

bool InputDevices::ReadController(int d, int& buttons) {
    const auto i = static_cast<std::size_t>(d - 1);
    if (i >= controllers_.size() || !controllers_[i].Device)
        return false;
    auto& c = controllers_[i];
    JoystickButtons state;
    const DiResult r = c.Device->GetState(state);
    if (r == kDiErrNotAcquired || r == kDiErrInputLost) {
        // Acquired now, read next pass. A controller that cannot be acquired does not hold up
        // the devices after it.
        return !Succeeded(c.Device->Acquire());
    }
    if (Succeeded(r))
        c.State = state;
    // Any other failure leaves the last states read.
    const int n = c.Device->ButtonCount();
    buttons = n >= 0 ? n : c.ScanButtons;
    c.Device->Poll();
    return true;
}

void InputDevices::ReadFromDevice(int h) {
    HidReadBuffer buffer{};
    const std::int32_t result =
        boards_.ReadInputData(hidDevices_[static_cast<std::size_t>(h)], buffer, kReadMode);
    auto& states = hidButtons_[static_cast<std::size_t>(h)];
    const bool failed = result != kHidNewData && result != kHidNoNewData;
    if (result == kHidNewData) {
        std::copy_n(buffer.begin(), kMaxBoardButtons, states.begin());
    } else if (failed) {
        // A failure, or a result the library does not document: the board's buttons count as
        // up, so a held button cannot repeat until the next good read.
        if (status_)
            status_->SetStatusText(status::kReadFailure);
        states.fill(0);
    }
    auto& failing = hidFailing_[static_cast<std::size_t>(h)];
    if (failing != failed) {
        failing = failed;
        failingBoards_ += failed ? 1 : -1;
    }
}

bool InputDevices::ButtonDown(int d, int b) const {
    const auto states = ButtonStates(d);
    return b >= 1 && b <= static_cast<int>(states.size()) &&
           states[static_cast<std::size_t>(b - 1)] != 0;
}

std::span<const std::uint8_t> InputDevices::ButtonStates(int d) const {
    if (d < 1 || d > tables_.DeviceCount())
        return {};
    const auto& device = tables_.Device(d);
    if (device.IsDirectInput) {
        const auto i = static_cast<std::size_t>(d - 1);
        if (i >= controllers_.size())
            return {};
        return controllers_[i].State;
    }
    if (device.HidIndex < 0 || device.HidIndex >= kHidRecordCount)
        return {};
    return std::span(hidButtons_[static_cast<std::size_t>(device.HidIndex)])
        .first(kMaxBoardButtons);
}

} // namespace qm
