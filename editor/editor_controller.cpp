#include "editor/editor_controller.h"

#include "core/error_trap.h"
#include "core/messages.h"

#include <utility>

namespace qm {

EditorController::EditorController(ProgramInfo program, EditorSeams seams, EditorView& view)
    : state_(std::move(program), seams, view), files_(state_), listEditing_(state_),
      recording_(state_, listEditing_), test_(state_),
      preferences_(seams.Store, seams.Dialogs, EditorAssociation(state_.Program)) {}

// The hook goes before the recording unit it reports to.
EditorController::~EditorController() {
    state_.Hook.reset();
}

// ---- start-up ----------------------------------------------------------------------------

void EditorController::Start(std::string_view commandLine, WindowHandle mainWindow) noexcept {
    state_.Window = mainWindow;
    RunTrapped(state_.Seams.Dialogs, "Form_Load", [&] {
        auto& view = state_.View;
        view.SetCaption(state_.Caption);
        files_.ListKnownFiles();
        view.ShowConfigurations(state_.List);
        view.ShowMappingList(nullptr);
        view.SetKeyMappingText("");
        ScanDevicesAtStart();
        state_.UpdateStates();
        files_.LoadFromCommandLine(commandLine);
    });
}

void EditorController::ScanDevicesAtStart() {
    auto& view = state_.View;
    auto& devices = *state_.Devices;
    devices.DevicesReady = true;
    view.ShowDevices({});
    devices.Scan(state_.Window);
    if (devices.DeviceCount() == 0) {
        state_.Seams.Dialogs.ShowMessage(msg::NoInputDevicesFound(msg::kNoInputDevicesTitle));
        view.SetStatusText(status::kNotAvailable);
    } else {
        view.SetStatusText(status::kAvailable);
    }
    view.ShowDevices(state_.DeviceNames());
}

// ---- files handed over ------------------------------------------------------------------

void EditorController::LoadHandedOver(const std::string& path) noexcept {
    if (path.empty())
        return;
    RunTrapped(state_.Seams.Dialogs, "HandOver", [&] { heldOver_.push_back(path); });
    LoadHeldOver();
}

void EditorController::LoadHeldOver() noexcept {
    if (loadingHeldOver_)
        return; // the loop below goes on with it
    loadingHeldOver_ = true;
    while (!heldOver_.empty() && !state_.Testing && !state_.Recording) {
        const std::string path = std::move(heldOver_.front());
        heldOver_.pop_front();
        files_.LoadConfigurationFile(path);
    }
    loadingHeldOver_ = false;
}

// ---- devices, help, preferences ----------------------------------------------------------

void EditorController::RefreshDevices() noexcept {
    // The devices change under the test's tables: the test ends first.
    if (state_.Testing)
        test_.Toggle();
    RunTrapped(state_.Seams.Dialogs, "MNjoy_Click", [&] {
        {
            auto& view = state_.View;
            auto& devices = *state_.Devices;
            const BusyPointer busy(view);
            devices.DevicesReady = true;
            view.ShowDevices({});
            view.SetStatusText(status::kDirectInputQuerying);
            devices.Scan(state_.Window);
            view.SetStatusText(devices.DeviceCount() != 0 ? status::kAvailable
                                                          : status::kNotAvailable);
            view.ShowDevices(state_.DeviceNames());
        }
        state_.UpdateStates();
        state_.MarkActive();
    });
}

void EditorController::ShowHelp() noexcept {
    auto& seams = state_.Seams;
    RunTrapped(seams.Dialogs, "Toolbar1_ButtonClick", [&] {
        OpenGuide(GuideTopic::Contents, state_.Program, kEditorTitle,
                  {seams.Files, seams.Dialogs, seams.Shell});
    });
}

void EditorController::ShowGuide(GuideTopic topic) noexcept {
    auto& seams = state_.Seams;
    RunTrapped(seams.Dialogs, "MNcontents_Click", [&] {
        OpenGuide(topic, state_.Program, kEditorTitle, {seams.Files, seams.Dialogs, seams.Shell});
    });
}

std::string EditorController::GuideLocation() const {
    return GuideLocationOf(state_.Program, state_.Seams.Files);
}

void EditorController::EditPreferences() noexcept {
    RunTrapped(state_.Seams.Dialogs, "MNoptions_Click", [&] {
        preferences_.Load();
        state_.View.ShowPreferences();
    });
}

void EditorController::TakeOverTimings(const EngineTimings& timings) noexcept {
    // The test reads the two rates again when it starts; the hold time is only set here.
    test_.SetKeyHoldMs(timings.KeyHoldMs);
    test_.SetNavigation(NavigationKeysOf(timings.ExtendedKeys));
    state_.Seams.Keyboard.SetExactPointer(timings.ExactPointer);
}

// ---- the mapping list --------------------------------------------------------------------

void EditorController::DeleteKeyReleased() noexcept {
    if (state_.Recording)
        return; // recorded as a key, not a command
    listEditing_.RemoveInactiveAndDuplicateRows();
}

// ---- quitting ----------------------------------------------------------------------------

bool EditorController::ClosingProceeds() noexcept {
    bool proceed = true;
    RunTrapped(state_.Seams.Dialogs, "Form_QueryUnload", [&] {
        const auto& list = state_.List;
        if (!list.ConfigurationShown())
            return;
        for (const auto& tab : list.Tabs()) {
            const auto* entry = list.Find(tab);
            if (entry != nullptr && IsUnsavedState(entry->State)) {
                proceed = state_.Seams.Dialogs.ShowMessage(msg::QuitWithoutSaving()) ==
                          MessageAnswer::Yes;
                return;
            }
        }
    });
    return proceed;
}

void EditorController::Shutdown() noexcept {
    state_.Hook.reset();
    RunTrapped(state_.Seams.Dialogs, "Form_Unload", [&] {
        state_.Devices->DevicesReady = false;
        state_.Devices->CloseBoards();
    });
    // The program ends whatever happened above.
    state_.View.Quit();
}

} // namespace qm
