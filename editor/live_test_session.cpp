#include "editor/live_test_session.h"

#include "core/error_trap.h"
#include "core/messages.h"
#include "engine/configuration_loader.h"
#include "settings/settings_table.h"

namespace qm {

LiveTestSession::LiveTestSession(EditorState& state)
    : state_(state), engine_(std::make_unique<MappingEngine>(*state.Devices, state.Seams.Keyboard,
                                                             state.Seams.Clock, display_)) {}

LiveTestSession::~LiveTestSession() {
    // The passes end before what they use goes.
    display_.End();
    if (state_.Testing)
        state_.View.SetPollTimer(false, 0);
}

void LiveTestSession::Toggle() noexcept {
    RunTrapped(state_.Seams.Dialogs, "Test_Mappings", [&] {
        if (state_.Testing)
            Stop();
        else
            Start();
    });
    state_.UpdateStates();
}

void LiveTestSession::Start() {
    MappingTable* table = state_.List.Shown();
    if (!state_.List.ConfigurationShown() || table == nullptr)
        return;
    auto& view = state_.View;
    auto& seams = state_.Seams;
    auto& devices = *state_.Devices;
    const BusyPointer busy(view);
    if (const auto refusal = RefusalMessage(DeviceRefusal(devices.Tables()))) {
        seams.Dialogs.ShowMessage(*refusal);
        return;
    }
    seams.Dialogs.ShowMessage(msg::TestWarning());
    state_.Testing = true;
    view.FocusMappingList();

    deviceChanges_.Clear();
    // A device lost during an earlier test may be back: no notice says so any more.
    for (int d = 1; d <= devices.DeviceCount(); ++d) {
        if (devices.Lost(d)) {
            devices.RescanChanged(state_.Window);
            break;
        }
    }
    const std::string shownBefore(view.StatusText());
    view.SetStatusText("Compiling Key Mappings...");
    CompileTestTables(*table, devices.Tables(), seams.Keyboard, tables_);
    view.SetStatusText(shownBefore);
    testedKey_ = state_.List.CurrentKey();
    testedTable_ = table;
    policy_ = std::make_unique<TestEnginePolicy>(display_, devices.Tables());
    display_.Begin(*table, view.StatusText(), [&view] { view.WakeForTestPasses(); });
    axes_.Reset();
    devices.ReportTo(display_, &display_);

    ApplyProcessPriority(seams.Priority, state_.Window, kHighPriorityClass);
    devices.DevicesReady = true;
    const auto& folder = state_.Program.Folder;
    auto& settings = engine_->Settings;
    settings.RepeatRate = ReadTimingSetting(seams.Store, Setting::RepeatRate, folder) / 1000.0;
    settings.RotaryRate = ReadTimingSetting(seams.Store, Setting::RotaryRate, folder) / 1000.0;
    settings.KeyHoldMs = keyHoldMs_;
    settings.Navigation = NavigationKeysOf(ReadExtendedKeys(seams.Store));
    seams.Keyboard.SetExactPointer(ReadExactPointer(seams.Store));
    view.ShowTestWindow();
    // Read as the runner reads them: on their events where they report changes.
    devices.StartEventReading();
    // The devices are read as often as the runner reads them ("PollFrequency").
    view.SetPollTimer(true, ReadPollPeriodMs(seams.Store, folder));
}

void LiveTestSession::Stop() {
    auto& view = state_.View;
    const BusyPointer busy(view);
    view.SetSecondStatusText(" ");
    view.SetAxisStatusText("");
    // A box a pass waits on is answered, so that the passes end.
    display_.End();
    view.SetPollTimer(false, 0);
    // The passes have ended: what rows with Hold hold goes up.
    engine_->ReleaseHeld();
    state_.Devices->ReportTo(state_.Seams.Dialogs, &view);
    view.CloseTestWindow();
    ApplyProcessPriority(state_.Seams.Priority, state_.Window, kNormalPriorityClass);
    state_.Devices->StopEventReading();
    state_.Devices->UnacquireControllers();
    // Nothing else is sent: every row is simply released.
    if (auto* table = state_.List.Table(testedKey_)) {
        for (int r = 0; r < table->RowCount(); ++r)
            table->SetRowColour(r, rowcolour::Active);
        view.RedrawMappingRows();
    }
    policy_.reset();
    testedTable_ = nullptr;
    state_.Testing = false;
    state_.Devices->DevicesReady = false;
}

void LiveTestSession::DevicesChanged() noexcept {
    if (!state_.Testing)
        return;
    const std::lock_guard lock(deviceChangesMutex_);
    deviceChanges_.Notice(state_.Seams.Clock.Now());
}

bool LiveTestSession::RescanDue() {
    const std::lock_guard lock(deviceChangesMutex_);
    return deviceChanges_.Pending() && deviceChanges_.Due(state_.Seams.Clock.Now());
}

// policy_ is set before the passes start and reset after they stopped: read on their thread
// without a lock.
void LiveTestSession::TimerTick() noexcept {
    if (!policy_)
        return;
    // The rescan's boxes and status texts go through the display (InputDevices::ReportTo).
    if (RescanDue()) {
        RunTrapped(display_, "DeviceChange", [&] { state_.Devices->RescanChanged(state_.Window); });
        axes_.Reset();
    }
    engine_->Pass(state_.Devices->Tables().ButtonMap(), tables_.PressKeys, tables_.ReleaseKeys,
                  *policy_);
    if (const auto moved = axes_.Update(*state_.Devices, state_.Devices->Tables()))
        display_.SetAxisStatusText(*moved);
    display_.SetLayer(engine_->ActiveLayer());
}

void LiveTestSession::ShowPasses() noexcept {
    RunTrapped(state_.Seams.Dialogs, "MyDXCallback", [&] {
        if (!state_.Testing)
            return;
        // The tested list is the one the tables were compiled from, shown or not; once closed,
        // only the texts are shown.
        MappingTable* table = state_.List.Table(testedKey_);
        display_.Show(state_.View, state_.Seams.Dialogs, table == testedTable_ ? table : nullptr);
    });
}

void LiveTestSession::ListRecoloured() {
    if (state_.Testing && state_.List.Table(testedKey_) == testedTable_ && testedTable_ != nullptr)
        display_.TakeColours(*testedTable_);
}

// The devices' events change only at the test's start and stop (the passes stopped) and by a
// rescan, which runs on the passes' thread too.
std::span<void* const> LiveTestSession::DeviceEvents() const {
    if (!policy_)
        return {};
    return state_.Devices->EventHandles();
}

void LiveTestSession::HandleDeviceEvents() noexcept {
    if (policy_)
        engine_->Edges(state_.Devices->Tables().ButtonMap(), tables_.PressKeys, tables_.ReleaseKeys,
                       *policy_);
}

} // namespace qm
