#include "devices/scripted_devices.h"

#include "core/ansi_text.h"
#include "core/text.h"
#include "devices/hid_record.h"

#include <algorithm>

namespace qm {

struct ScriptedJoystickApi::Shared {
    struct Controller {
        JoystickInstance Instance;
        int Buttons = 0;
        JoystickButtons States{};
        bool Unplugged = false;
        bool CreateFails = false;
        bool Polled = false;
        bool RefusesBuffer = false;
        bool RefusesEvent = false;
        int Unplugs = 0; // an object acquired before an unplug has lost its input
        int EventsSet = 0;
        std::uint8_t AxisMask = 0;
        int Hats = 0;
        std::int32_t OwnMin = kAxisMin;
        std::int32_t OwnMax = kAxisMax;
        bool FixedRange = false;
        bool RangeUnknown = false;
        bool ReadFails = false;
        ControlStates Controls = ControlsAtRest(); // axes on the own range
    };
    Controller* Find(int c) {
        return c >= 0 && c < static_cast<int>(Controllers.size())
                   ? &Controllers[static_cast<std::size_t>(c)]
                   : nullptr;
    }
    const Controller* Find(int c) const { return const_cast<Shared*>(this)->Find(c); }
    // A change of controller c's data, for the objects that buffer it.
    void Report(int c, BufferedChange change);
    std::vector<Controller> Controllers;
    Counters Calls;
    std::uint32_t Sequence = 0;
    std::vector<Device*> Listeners;
};

class ScriptedJoystickApi::Device final : public JoystickDevice {
public:
    Device(std::shared_ptr<Shared> shared, std::size_t controller)
        : shared_(std::move(shared)), controller_(controller), buttons_(Controller().Buttons),
          madeAfter_(Controller().Unplugs) {
        ++shared_->Calls.DevicesCreated;
        shared_->Listeners.push_back(this);
    }
    ~Device() override {
        ++shared_->Calls.DevicesReleased;
        if (subscribed_)
            --shared_->Calls.Subscribed;
        std::erase(shared_->Listeners, this);
    }
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    DiResult SetDataFormat() override { return kDiOk; }
    DiResult SetCooperativeLevel(WindowHandle) override { return kDiOk; }
    int ButtonCount() override { return buttons_; }
    std::uint8_t AxisMask() override { return Controller().AxisMask; }
    int HatCount() override { return Controller().Hats; }
    DiResult SetAxisRange(std::int32_t min, std::int32_t max) override {
        if (acquired_)
            return kDiErrAcquired;
        if (Controller().FixedRange || min >= max)
            return kDiErrGeneric;
        rangeMin_ = min;
        rangeMax_ = max;
        rangeSet_ = true;
        ++shared_->Calls.RangesSet;
        return kDiOk;
    }
    bool AxisRange(int a, std::int32_t& min, std::int32_t& max) override {
        const auto& c = Controller();
        if (a < 1 || a > kAxisCount || (c.AxisMask >> (a - 1) & 1u) == 0 || c.RangeUnknown)
            return false;
        min = rangeSet_ ? rangeMin_ : c.OwnMin;
        max = rangeSet_ ? rangeMax_ : c.OwnMax;
        return true;
    }
    DiResult Acquire() override {
        ++shared_->Calls.Acquires;
        if (Controller().Unplugged || Controller().Unplugs != madeAfter_)
            return kDiErrUnplugged;
        acquired_ = true;
        acquiredAfter_ = Controller().Unplugs;
        buffer_.clear();
        overflowed_ = false;
        return kDiOk;
    }
    void Unacquire() override {
        ++shared_->Calls.Unacquires;
        acquired_ = false;
    }
    bool IsPolledDevice() override { return Controller().Polled; }
    DiResult SetBufferSize(int changes) override {
        if (acquired_)
            return kDiErrAcquired;
        if (Controller().RefusesBuffer || changes < 0)
            return kDiErrGeneric;
        bufferSize_ = static_cast<std::size_t>(changes);
        return kDiOk;
    }
    EventHandle SubscribeEvent() override {
        if (acquired_ || subscribed_ || Controller().RefusesEvent)
            return nullptr;
        subscribed_ = true;
        ++shared_->Calls.Subscribed;
        return &subscribed_;
    }
    void UnsubscribeEvent() override {
        if (subscribed_)
            --shared_->Calls.Subscribed;
        subscribed_ = false;
    }
    DiResult GetBufferedChanges(std::span<BufferedChange> out, std::size_t& count) override {
        count = 0;
        ++shared_->Calls.BufferedReads;
        if (const DiResult r = Readable(); r != kDiOk)
            return r;
        if (bufferSize_ == 0)
            return kDiErrNotBuffered;
        count = std::min(out.size(), buffer_.size());
        std::copy_n(buffer_.begin(), count, out.begin());
        buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(count));
        const bool overflowed = overflowed_;
        overflowed_ = false;
        return overflowed ? kDiBufferOverflow : kDiOk;
    }
    DiResult FlushBuffer() override {
        ++shared_->Calls.Flushes;
        if (const DiResult r = Readable(); r != kDiOk)
            return r;
        buffer_.clear();
        overflowed_ = false;
        return kDiOk;
    }
    void Report(int c, BufferedChange change) {
        if (static_cast<std::size_t>(c) != controller_ || !acquired_ || bufferSize_ == 0)
            return;
        if (change.Offset < kFirstHatOffset)
            change.Data =
                static_cast<std::uint32_t>(OnOurRange(static_cast<std::int32_t>(change.Data)));
        if (buffer_.size() >= bufferSize_)
            overflowed_ = true;
        else
            buffer_.push_back(change);
        if (subscribed_)
            ++Controller().EventsSet;
    }
    DiResult Poll() override {
        ++shared_->Calls.Polls;
        return acquired_ ? kDiOk : kDiErrNotAcquired;
    }
    DiResult GetState(JoystickState& state) override {
        ++shared_->Calls.StateReads;
        if (const DiResult r = Readable(); r != kDiOk)
            return r;
        const auto& c = Controller();
        if (c.ReadFails)
            return kDiErrGeneric;
        state.Buttons = c.States;
        for (int a = 1; a <= kAxisCount; ++a) {
            const auto i = static_cast<std::size_t>(a - 1);
            state.Controls.Axes[i] =
                (c.AxisMask >> i & 1u) != 0 ? OnOurRange(c.Controls.Axes[i]) : 0;
        }
        for (int h = 0; h < kHatCount; ++h) {
            const auto i = static_cast<std::size_t>(h);
            state.Controls.Hats[i] = h < c.Hats ? c.Controls.Hats[i] : kHatCentred;
        }
        return kDiOk;
    }

private:
    DiResult Readable() {
        const auto& c = Controller();
        if (c.Unplugged || (acquired_ && acquiredAfter_ != c.Unplugs)) {
            acquired_ = false;
            return kDiErrInputLost;
        }
        return acquired_ ? kDiOk : kDiErrNotAcquired;
    }

    Shared::Controller& Controller() { return shared_->Controllers[controller_]; }
    // A value on the controller's own range, on the range this object set.
    std::int32_t OnOurRange(std::int32_t value) {
        const auto& c = Controller();
        if (!rangeSet_ || c.OwnMin >= c.OwnMax)
            return value;
        const std::int64_t offset = std::int64_t{value} - c.OwnMin;
        return static_cast<std::int32_t>(rangeMin_ + offset *
                                                         (std::int64_t{rangeMax_} - rangeMin_) /
                                                         (std::int64_t{c.OwnMax} - c.OwnMin));
    }

    std::shared_ptr<Shared> shared_;
    std::size_t controller_;
    int buttons_;
    int madeAfter_; // the controller's unplugs when the object was made
    bool acquired_ = false;
    int acquiredAfter_ = 0;
    std::size_t bufferSize_ = 0;
    std::vector<BufferedChange> buffer_;
    bool overflowed_ = false;
    bool subscribed_ = false;
    bool rangeSet_ = false;
    std::int32_t rangeMin_ = kAxisMin;
    std::int32_t rangeMax_ = kAxisMax;
};

void ScriptedJoystickApi::Shared::Report(int c, BufferedChange change) {
    change.Sequence = ++Sequence;
    for (auto* listener : Listeners)
        listener->Report(c, change);
}

ScriptedJoystickApi::ScriptedJoystickApi() : shared_(std::make_shared<Shared>()) {}

int ScriptedJoystickApi::AddController(std::string guid, std::string name, int buttons) {
    shared_->Controllers.push_back({{std::move(guid), std::move(name)}, std::max(buttons, 0)});
    return static_cast<int>(shared_->Controllers.size()) - 1;
}

void ScriptedJoystickApi::SetButton(int controller, int button1Based, bool down,
                                    std::uint32_t ageMs) {
    auto* c = shared_->Find(controller);
    if (!c || button1Based < 1 || button1Based > kMaxJoystickButtons)
        return;
    auto& state = c->States[static_cast<std::size_t>(button1Based - 1)];
    const std::uint8_t value = down ? 0x80 : 0;
    // A driver reports changes only.
    if (state == value)
        return;
    state = value;
    shared_->Report(controller, {kFirstButtonOffset + static_cast<std::uint32_t>(button1Based - 1),
                                 value, ageMs, 0});
}

void ScriptedJoystickApi::ChangeOther(int controller, std::uint32_t offset) {
    if (shared_->Find(controller))
        shared_->Report(controller, {offset, 0x80, 0, 0});
}

void ScriptedJoystickApi::SetPolled(int controller, bool polled) {
    if (auto* c = shared_->Find(controller))
        c->Polled = polled;
}

void ScriptedJoystickApi::SetRefusesBuffer(int controller, bool refuses) {
    if (auto* c = shared_->Find(controller))
        c->RefusesBuffer = refuses;
}

void ScriptedJoystickApi::SetRefusesEvent(int controller, bool refuses) {
    if (auto* c = shared_->Find(controller))
        c->RefusesEvent = refuses;
}

int ScriptedJoystickApi::EventsSet(int controller) const {
    const auto* c = shared_->Find(controller);
    return c ? c->EventsSet : 0;
}

void ScriptedJoystickApi::Unplug(int controller) {
    if (auto* c = shared_->Find(controller); c && !c->Unplugged) {
        c->Unplugged = true;
        ++c->Unplugs;
    }
}

void ScriptedJoystickApi::Replug(int controller) {
    if (auto* c = shared_->Find(controller))
        c->Unplugged = false;
}

void ScriptedJoystickApi::SetButtonCount(int controller, int buttons) {
    if (auto* c = shared_->Find(controller))
        c->Buttons = std::max(buttons, 0);
}

void ScriptedJoystickApi::SetControls(int controller, std::uint8_t axisMask, int hats) {
    if (auto* c = shared_->Find(controller)) {
        c->AxisMask = axisMask;
        c->Hats = std::max(hats, 0);
    }
}

void ScriptedJoystickApi::SetOwnRange(int controller, std::int32_t min, std::int32_t max,
                                      bool fixed) {
    if (auto* c = shared_->Find(controller)) {
        c->OwnMin = min;
        c->OwnMax = max;
        c->FixedRange = fixed;
    }
}

void ScriptedJoystickApi::SetRangeUnknown(int controller, bool unknown) {
    if (auto* c = shared_->Find(controller))
        c->RangeUnknown = unknown;
}

void ScriptedJoystickApi::SetReadFails(int controller, bool fails) {
    if (auto* c = shared_->Find(controller))
        c->ReadFails = fails;
}

void ScriptedJoystickApi::SetAxis(int controller, int axis, std::int32_t value,
                                  std::uint32_t ageMs) {
    auto* c = shared_->Find(controller);
    if (!c || axis < 1 || axis > kAxisCount)
        return;
    auto& state = c->Controls.Axes[static_cast<std::size_t>(axis - 1)];
    if (state == value || (c->AxisMask >> (axis - 1) & 1u) == 0)
        return;
    state = value;
    shared_->Report(controller, {AxisOffset(axis), static_cast<std::uint32_t>(value), ageMs, 0});
}

void ScriptedJoystickApi::SetHat(int controller, int hat, std::uint32_t position) {
    auto* c = shared_->Find(controller);
    if (!c || hat < 1 || hat > std::min(c->Hats, kHatCount))
        return;
    auto& state = c->Controls.Hats[static_cast<std::size_t>(hat - 1)];
    if (state == position)
        return;
    state = position;
    shared_->Report(controller, {HatOffset(hat), position, 0, 0});
}

void ScriptedJoystickApi::SetCreateDeviceFails(int controller, bool fails) {
    if (auto* c = shared_->Find(controller))
        c->CreateFails = fails;
}

const ScriptedJoystickApi::Counters& ScriptedJoystickApi::Calls() const {
    return shared_->Calls;
}

bool ScriptedJoystickApi::Create() {
    ++shared_->Calls.Creates;
    return !CreateFails;
}

std::vector<JoystickInstance> ScriptedJoystickApi::EnumerateGameControllers() {
    std::vector<JoystickInstance> attached;
    for (const auto& c : shared_->Controllers)
        if (!c.Unplugged)
            attached.push_back(c.Instance);
    return attached;
}

std::unique_ptr<JoystickDevice> ScriptedJoystickApi::CreateDevice(const std::string& instanceGuid) {
    for (std::size_t i = 0; i < shared_->Controllers.size(); ++i) {
        const auto& c = shared_->Controllers[i];
        if (!c.Unplugged && EqualsIgnoreCase(c.Instance.InstanceGuid, instanceGuid))
            return c.CreateFails ? nullptr : std::make_unique<Device>(shared_, i);
    }
    return nullptr;
}

int ScriptedBoardLibrary::AddBoard(std::string path, std::string product, int buttons) {
    Board b;
    WriteHidRecord(b.Record, Utf8ToAnsi(path), Utf8ToAnsi(product), buttons);
    boards_.push_back(b);
    return static_cast<int>(boards_.size()) - 1;
}

ScriptedBoardLibrary::Board& ScriptedBoardLibrary::At(int board) {
    return boards_.at(static_cast<std::size_t>(board));
}

void ScriptedBoardLibrary::SetButton(int board, int button1Based, bool down) {
    if (button1Based >= 1 && button1Based <= kMaxBoardButtons)
        At(board).States[static_cast<std::size_t>(button1Based - 1)] = down ? 1 : 0;
}

void ScriptedBoardLibrary::SetPlugged(int board, bool plugged) {
    At(board).Unplugged = !plugged;
}

void ScriptedBoardLibrary::SetResult(int board, std::int32_t result) {
    At(board).Result = result;
}

HidDeviceRecord& ScriptedBoardLibrary::Record(int board) {
    return At(board).Record;
}

std::int16_t ScriptedBoardLibrary::DetectHID(std::int16_t& count, HidDeviceRecord* table,
                                             std::int32_t) {
    ++calls_.Detects;
    if (!Present)
        return 0;
    open_.clear();
    for (std::size_t i = 0; i < boards_.size() && open_.size() < kHidRecordCount; ++i) {
        if (boards_[i].Unplugged)
            continue;
        table[open_.size()] = boards_[i].Record;
        open_.push_back(i);
    }
    count = CountOverride.value_or(static_cast<std::int16_t>(open_.size()));
    table_ = table;
    return count != 0 ? 1 : 0;
}

std::int32_t ScriptedBoardLibrary::ReadInputData(HidDeviceRecord& record, HidReadBuffer& buffer,
                                                 std::int32_t) {
    ++calls_.Reads;
    // Which board: the record's position in the table of the open detection.
    const auto at = reinterpret_cast<std::uintptr_t>(&record);
    const auto base = reinterpret_cast<std::uintptr_t>(table_);
    if (!table_ || at < base || (at - base) % sizeof(HidDeviceRecord) != 0)
        return 0;
    const auto h = (at - base) / sizeof(HidDeviceRecord);
    if (h >= open_.size())
        return 0;
    const auto& b = boards_[open_[h]];
    if (b.Unplugged)
        return kHidReadFailure;
    if (b.Result == kHidNewData)
        std::copy(b.States.begin(), b.States.end(), buffer.begin());
    return b.Result;
}

void ScriptedBoardLibrary::CloseDevices(std::int16_t count, HidDeviceRecord*) {
    ++calls_.Closes;
    calls_.LastCloseCount = count;
    table_ = nullptr;
    open_.clear();
}

} // namespace qm
