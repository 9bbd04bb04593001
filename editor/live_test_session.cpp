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

    const std::string shownBefore(view.StatusText());
    view.SetStatusText("Compiling Key Mappings...");
    CompileTestTables(*table, devices.Tables(), seams.Keyboard, tables_);
    view.SetStatusText(shownBefore);
    testedKey_ = state_.List.CurrentKey();
    testedTable_ = table;
    policy_ = std::make_unique<TestEnginePolicy>(display_, devices.Tables());
    display_.Begin(*table, view.StatusText(), [&view] { view.WakeForTestPasses(); });
    devices.ReportTo(display_, &display_);

    ApplyProcessPriority(seams.Priority, state_.Window, kHighPriorityClass);
    devices.DevicesReady = true;
    const auto& folder = state_.Program.Folder;
    auto& settings = engine_->Settings;
    settings.RepeatRate = ReadTimingSetting(seams.Store, Setting::RepeatRate, folder) / 1000.0;
    settings.RotaryRate = ReadTimingSetting(seams.Store, Setting::RotaryRate, folder) / 1000.0;
    settings.KeyHoldMs = keyHoldMs_;
    view.ShowTestWindow();
    // The devices are read as often as the runner reads them ("PollFrequency").
    view.SetPollTimer(true, ReadPollPeriodMs(seams.Store, folder));
}

void LiveTestSession::Stop() {
    auto& view = state_.View;
    const BusyPointer busy(view);
    view.SetSecondStatusText(" ");
    // A box a pass waits on is answered, so that the passes end.
    display_.End();
    view.SetPollTimer(false, 0);
    state_.Devices->ReportTo(state_.Seams.Dialogs, &view);
    view.CloseTestWindow();
    ApplyProcessPriority(state_.Seams.Priority, state_.Window, kNormalPriorityClass);
    state_.Devices->UnacquireControllers();
    // Nothing is sent: every row is simply released.
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

void LiveTestSession::Pass() noexcept {
    // Set before the passes start and reset after they stopped: read here without a lock.
    if (policy_)
        engine_->Pass(state_.Devices->Tables().ButtonMap(), tables_.PressKeys, tables_.ReleaseKeys,
                      *policy_);
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

} // namespace qm
