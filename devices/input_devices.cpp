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

void OrderBySequence(std::span<DeviceChange> changes) {
    // Each device's changes come in order: an insertion sort merges them without allocating.
    for (std::size_t i = 1; i < changes.size(); ++i) {
        const auto moving = changes[i];
        std::size_t j = i;
        for (; j > 0 && SequenceBefore(moving.Change.Sequence, changes[j - 1].Change.Sequence); --j)
            changes[j] = changes[j - 1];
        changes[j] = moving;
    }
}

std::int32_t ScaleAxis(std::int32_t value, std::int32_t min, std::int32_t max) {
    std::int64_t scaled = value;
    if (min < max && (min != kAxisMin || max != kAxisMax)) {
        const std::int64_t span = std::int64_t{max} - min;
        const std::int64_t ours = std::int64_t{kAxisMax} - kAxisMin;
        const std::int64_t offset = std::clamp<std::int64_t>(std::int64_t{value} - min, 0, span);
        scaled = kAxisMin + (offset * ours + span / 2) / span;
    }
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(scaled, kAxisMin, kAxisMax));
}

std::uint32_t HatPosition(std::uint32_t value) {
    return !HatCentred(value) && value < 36000 ? value : kHatCentred;
}

double EdgeAgeSeconds(std::uint32_t ageMs) {
    return ageMs > kStampResolutionMs ? (ageMs - kStampResolutionMs) / 1000.0 : 0.0;
}

struct InputDevices::Controller {
    std::unique_ptr<JoystickDevice> Device;
    JoystickButtons State{}; // the last state read
    int ScanButtons = 0;     // the count of the scan
    // Read on its event: its state follows its buffered changes.
    bool OnEvent = false;
    // Its buffer cannot be trusted (just listened to, overflowed, lost): the next pass reads
    // its whole state.
    bool ReadWhole = false;
    // Its event while it is read on it.
    EventHandle Event = nullptr;
    // Its axes and hats as last read (at rest until then), the axes it has (bit a - 1), its
    // hat count (0 to kHatCount), and the range each axis reports on.
    ControlStates Controls = ControlsAtRest();
    std::uint8_t AxisMask = 0;
    int Hats = 0;
    struct Range {
        std::int32_t Min = kAxisMin;
        std::int32_t Max = kAxisMax;
    };
    std::array<Range, kAxisCount> Ranges{};
};

void InputDevices::SetUpControls(Controller& c) {
    auto& device = *c.Device;
    c.AxisMask = device.AxisMask();
    c.Hats = std::clamp(device.HatCount(), 0, kHatCount);
    c.Controls = ControlsAtRest();
    c.Ranges.fill({});
    if (c.AxisMask == 0)
        return;
    // A device that refuses keeps its own ranges, read back below: its values are scaled.
    device.SetAxisRange(kAxisMin, kAxisMax);
    for (int a = 1; a <= kAxisCount; ++a) {
        auto& range = c.Ranges[static_cast<std::size_t>(a - 1)];
        if ((c.AxisMask >> (a - 1) & 1u) == 0 || !device.AxisRange(a, range.Min, range.Max))
            range = {};
    }
}

void InputDevices::KeepControls(Controller& c, const ControlStates& read) {
    for (int a = 1; a <= kAxisCount; ++a) {
        const auto i = static_cast<std::size_t>(a - 1);
        c.Controls.Axes[i] = (c.AxisMask >> (a - 1) & 1u) != 0
                                 ? ScaleAxis(read.Axes[i], c.Ranges[i].Min, c.Ranges[i].Max)
                                 : kAxisCentre;
    }
    for (int h = 0; h < kHatCount; ++h) {
        const auto i = static_cast<std::size_t>(h);
        c.Controls.Hats[i] = h < c.Hats ? HatPosition(read.Hats[i]) : kHatCentred;
    }
}

void InputDevices::KeepChange(Controller& c, const BufferedChange& change) {
    if (change.Offset % 4 != 0)
        return;
    if (change.Offset < kFirstHatOffset) {
        const auto i = change.Offset / 4;
        if ((c.AxisMask >> i & 1u) != 0)
            c.Controls.Axes[i] =
                ScaleAxis(static_cast<std::int32_t>(change.Data), c.Ranges[i].Min, c.Ranges[i].Max);
        return;
    }
    const auto h = (change.Offset - kFirstHatOffset) / 4;
    if (h < static_cast<std::uint32_t>(c.Hats))
        c.Controls.Hats[h] = HatPosition(change.Data);
}

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
    // The device objects unsubscribe and close their events as they go.
    eventHandles_.clear();
    controllers_.clear();
}

void InputDevices::ListenToController(Controller& c) {
    if (static_cast<int>(eventHandles_.size()) >= kMaxEventControllers || !c.Device)
        return;
    // A buffer and an event can only be given while the device is not acquired.
    c.Device->Unacquire();
    if (c.Device->IsPolledDevice() || !Succeeded(c.Device->SetBufferSize(kEventBufferSize)))
        return;
    const EventHandle event = c.Device->SubscribeEvent();
    if (event == nullptr) {
        c.Device->SetBufferSize(0);
        return;
    }
    eventHandles_.push_back(event);
    c.Event = event;
    c.OnEvent = true;
    c.ReadWhole = true;
}

void InputDevices::StopListening(Controller& c) {
    if (!c.OnEvent)
        return;
    c.Device->Unacquire();
    c.Device->UnsubscribeEvent();
    // The wait must not hold the closed event.
    std::erase(eventHandles_, c.Event);
    c.Event = nullptr;
    c.OnEvent = false;
    c.ReadWhole = false;
}

void InputDevices::StartEventReading() {
    if (onEvents_)
        return;
    onEvents_ = true;
    for (auto& c : controllers_)
        ListenToController(c);
    const auto listened = eventHandles_.size();
    changes_.reserve(listened * kEventBufferSize);
    edges_.reserve(listened * kEventBufferSize);
    drained_.resize(kEventBufferSize);
}

void InputDevices::StopEventReading() {
    onEvents_ = false;
    for (auto& c : controllers_)
        StopListening(c);
    eventHandles_.clear();
}

void InputDevices::InitDirectInput(WindowHandle mainWindow) {
    RunTrapped(*dialogs_, "InitDirectInput", [&] {
        // The previous scan's objects go first; the tables start from empty.
        ReleaseControllers();
        tables_.Clear();
        presence_.clear();
        notice_.clear();
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
            Controller c{std::move(device), {}, buttons};
            SetUpControls(c);
            tables_.AddDevice({true, 0, SanitizeText(instance.InstanceGuid),
                               SanitizeText(instance.ProductName), buttons, c.AxisMask, c.Hats});
            controllers_.push_back(std::move(c));
            if (onEvents_) {
                ListenToController(controllers_.back());
                changes_.reserve(eventHandles_.size() * kEventBufferSize);
                edges_.reserve(eventHandles_.size() * kEventBufferSize);
                drained_.resize(kEventBufferSize);
            }
            presence_.emplace_back();
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
        // The controllers' entries stay, as the controllers do.
        presence_.resize(controllers_.size());
        const auto found = boards_.DetectHID(hidDeviceCount_, hidDevices_.data(), kDetectMode);
        // The table holds 129 records: a larger count would reach past it.
        hidDeviceCount_ = std::clamp<std::int16_t>(hidDeviceCount_, 0, kHidRecordCount);
        if (found == 0)
            return;
        for (int h = 0; h < hidDeviceCount_; ++h) {
            auto board = ReadHidRecord(hidDevices_[static_cast<std::size_t>(h)]);
            if (board.Buttons <= 0)
                continue;
            presence_.push_back({false, board.Buttons});
            tables_.AddDevice(
                {false, h, std::move(board.Identity), std::move(board.Product), board.Buttons});
        }
    });
}

bool InputDevices::Lost(int d) const {
    return d >= 1 && d <= static_cast<int>(presence_.size()) &&
           presence_[static_cast<std::size_t>(d - 1)].Lost;
}

void InputDevices::MarkLost(int d) {
    const auto& device = tables_.Device(d);
    presence_[static_cast<std::size_t>(d - 1)].Lost = true;
    if (device.IsDirectInput) {
        auto& c = controllers_[static_cast<std::size_t>(d - 1)];
        StopListening(c);
        if (c.Device)
            c.Device->Unacquire();
        c.Device.reset();
        c.State.fill(0);
        c.Controls = ControlsAtRest();
    } else if (device.HidIndex >= 0 && device.HidIndex < kHidRecordCount) {
        hidButtons_[static_cast<std::size_t>(device.HidIndex)].fill(0);
    }
    notice_.assign(status::kDevicePrefix);
    notice_.append(device.Name).append(status::kDisconnectedSuffix);
}

void InputDevices::MarkFound(int d) {
    presence_[static_cast<std::size_t>(d - 1)].Lost = false;
    notice_.assign(status::kDevicePrefix);
    notice_.append(tables_.Device(d).Name).append(status::kReconnectedSuffix);
}

bool InputDevices::RescanChanged(WindowHandle mainWindow) {
    bool changed = false;
    const auto attached = controllers_.empty() ? std::vector<JoystickInstance>{}
                                               : joysticks_.EnumerateGameControllers();
    for (std::size_t i = 0; i < controllers_.size(); ++i) {
        const int d = static_cast<int>(i) + 1;
        const auto& identity = tables_.Device(d).Identity;
        const bool isAttached =
            std::any_of(attached.begin(), attached.end(), [&](const JoystickInstance& a) {
                return EqualsIgnoreCase(SanitizeText(a.InstanceGuid), identity);
            });
        auto& c = controllers_[i];
        // Unplugged and plugged back between two looks: the old object stays unplugged.
        const bool objectDead = c.Device && c.Device->Acquire() == kDiErrUnplugged;
        if (!presence_[i].Lost && (!isAttached || objectDead)) {
            MarkLost(d);
            changed = true;
        }
        if (presence_[i].Lost && isAttached && ReconnectController(d, mainWindow)) {
            MarkFound(d);
            changed = true;
        }
    }
    // Boards of the scan only: one plugged in since is left to the next scan.
    if (presence_.size() > controllers_.size())
        RedetectBoards(changed);
    return changed;
}

bool InputDevices::ReconnectController(int d, WindowHandle mainWindow) {
    auto device = joysticks_.CreateDevice(tables_.Device(d).Identity);
    if (!device || !Succeeded(device->SetDataFormat()) ||
        !Succeeded(device->SetCooperativeLevel(mainWindow)))
        return false;
    const int n = device->ButtonCount();
    if (n < 0)
        return false;
    auto& c = controllers_[static_cast<std::size_t>(d - 1)];
    c.Device = std::move(device);
    c.State.fill(0);
    c.ScanButtons = std::min(n, kMaxNumberedButtons);
    // The tables keep the axes and hats of the scan; the object reads those it has now.
    SetUpControls(c);
    if (onEvents_) {
        ListenToController(c);
        changes_.reserve(eventHandles_.size() * kEventBufferSize);
        edges_.reserve(eventHandles_.size() * kEventBufferSize);
    }
    return true;
}

void InputDevices::RedetectBoards(bool& changed) {
    // Where each board of the tables was, and its states there.
    const int firstBoard = static_cast<int>(controllers_.size()) + 1;
    const auto previous = hidButtons_;
    CloseBoards();
    for (auto& states : hidButtons_)
        states.fill(0);
    hidFailing_.fill(false);
    failingBoards_ = 0;
    const auto found = boards_.DetectHID(hidDeviceCount_, hidDevices_.data(), kDetectMode);
    hidDeviceCount_ =
        std::clamp<std::int16_t>(found == 0 ? 0 : hidDeviceCount_, 0, kHidRecordCount);
    std::vector<HidRecordFields> detected;
    for (int h = 0; h < hidDeviceCount_; ++h)
        detected.push_back(ReadHidRecord(hidDevices_[static_cast<std::size_t>(h)]));
    std::vector<bool> taken(detected.size(), false);
    for (int d = firstBoard; d <= tables_.DeviceCount(); ++d) {
        const auto& device = tables_.Device(d);
        const auto key = IdentityKey(device.Identity);
        int h = 0;
        while (h < hidDeviceCount_ &&
               (taken[static_cast<std::size_t>(h)] ||
                detected[static_cast<std::size_t>(h)].Buttons <= 0 ||
                IdentityKey(detected[static_cast<std::size_t>(h)].Identity) != key))
            ++h;
        auto& presence = presence_[static_cast<std::size_t>(d - 1)];
        if (h == hidDeviceCount_) {
            if (!presence.Lost) {
                MarkLost(d);
                changed = true;
            }
            continue;
        }
        taken[static_cast<std::size_t>(h)] = true;
        const int was = device.HidIndex;
        tables_.SetHidIndex(d, h);
        presence.BoardButtons = detected[static_cast<std::size_t>(h)].Buttons;
        if (presence.Lost) {
            MarkFound(d);
            changed = true;
        } else if (was >= 0 && was < kHidRecordCount) {
            // Still there: a held button stays held.
            hidButtons_[static_cast<std::size_t>(h)] = previous[static_cast<std::size_t>(was)];
        }
    }
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
    if (h < 0 || h >= hidDeviceCount_ || Lost(d))
        return true; // closed or lost: nothing to read
    // A board's read traps its own errors; the pass goes on with the last states read.
    RunTrapped(*dialogs_, "ReadFromDevice", [&] { ReadFromDevice(h); });
    const auto p = static_cast<std::size_t>(d - 1);
    const int now = p < presence_.size() ? presence_[p].BoardButtons : device.ButtonCount;
    buttons = std::min({now, kMaxBoardButtons, bound});
    return true;
}

bool InputDevices::ReadController(int d, int& buttons) {
    const auto i = static_cast<std::size_t>(d - 1);
    if (Lost(d))
        return true; // not read until it is back
    if (i >= controllers_.size() || !controllers_[i].Device)
        return false;
    auto& c = controllers_[i];
    if (c.OnEvent && !c.ReadWhole) {
        // Its buffered changes keep its states.
        const int n = c.Device->ButtonCount();
        buttons = n >= 0 ? n : c.ScanButtons;
        return true;
    }
    // What the buffer held is in the state read next.
    if (c.OnEvent)
        c.Device->FlushBuffer();
    JoystickState state;
    const DiResult r = c.Device->GetState(state);
    if (Succeeded(r)) {
        c.ReadWhole = false;
        c.State = state.Buttons;
        KeepControls(c, state.Controls);
    } else {
        // No axis or hat may stay pressed on a read that failed.
        c.Controls = ControlsAtRest();
    }
    if (r == kDiErrNotAcquired || r == kDiErrInputLost) {
        // Acquired now, read next pass. A controller that cannot be acquired does not hold up
        // the devices after it; one that is unplugged is lost until it is found again.
        const DiResult acquired = c.Device->Acquire();
        if (acquired == kDiErrUnplugged)
            MarkLost(d);
        return !Succeeded(acquired);
    }
    // Any other failure leaves the last button states read.
    const int n = c.Device->ButtonCount();
    buttons = n >= 0 ? n : c.ScanButtons;
    c.Device->Poll();
    return true;
}

std::span<const ButtonEdge> InputDevices::TakeEdges() {
    edges_.clear();
    if (eventHandles_.empty())
        return edges_;
    changes_.clear();
    for (std::size_t i = 0; i < controllers_.size(); ++i) {
        auto& c = controllers_[i];
        if (!c.OnEvent || c.ReadWhole)
            continue;
        std::size_t count = 0;
        const DiResult r = c.Device->GetBufferedChanges(drained_, count);
        if (!Succeeded(r)) {
            // Lost, or no longer acquired: the next pass acquires it and reads it whole.
            c.ReadWhole = true;
            continue;
        }
        count = std::min(count, drained_.size());
        for (std::size_t k = 0; k < count; ++k)
            changes_.push_back({static_cast<int>(i) + 1, drained_[k]});
        // The changes kept are the oldest; the state read next pass covers the rest.
        if (r == kDiBufferOverflow)
            c.ReadWhole = true;
    }
    OrderBySequence(changes_);
    for (const auto& [d, change] : changes_) {
        auto& c = controllers_[static_cast<std::size_t>(d - 1)];
        if (change.Offset < kFirstButtonOffset) {
            KeepChange(c, change);
            continue;
        }
        const auto index = change.Offset - kFirstButtonOffset;
        if (index >= static_cast<std::uint32_t>(std::min(c.ScanButtons, kMaxJoystickButtons)))
            continue; // a button without a state byte
        const bool down = (change.Data & 0x80) != 0;
        auto& state = c.State[index];
        if ((state != 0) == down)
            continue; // already known: read whole after the change
        state = down ? 0x80 : 0;
        edges_.push_back({d, static_cast<int>(index) + 1, down, EdgeAgeSeconds(change.AgeMs)});
    }
    return edges_;
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

const ControlStates* InputDevices::Controls(int d) const {
    if (d < 1 || d > tables_.DeviceCount() || Lost(d) || !tables_.Device(d).IsDirectInput)
        return nullptr;
    const auto i = static_cast<std::size_t>(d - 1);
    if (i >= controllers_.size() || (controllers_[i].AxisMask == 0 && controllers_[i].Hats == 0))
        return nullptr;
    return &controllers_[i].Controls;
}

bool InputDevices::ButtonDown(int d, int b) const {
    const auto states = ButtonStates(d);
    return b >= 1 && b <= static_cast<int>(states.size()) &&
           states[static_cast<std::size_t>(b - 1)] != 0;
}

std::span<const std::uint8_t> InputDevices::ButtonStates(int d) const {
    // A lost board's record may belong to another board now.
    if (d < 1 || d > tables_.DeviceCount() || Lost(d))
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
