#include "runner/runner_state.h"

#include "core/messages.h"

#include <utility>

namespace qm {

std::string RunnerCaption(const ProgramInfo& program) {
    return ProgramCaption(kRunnerTitle, program);
}

RunnerMenuState MenuStateFor(bool devicesReady, bool running, int configurationCount) {
    RunnerMenuState s;
    if (!devicesReady) {
        s.MenuPreferences = true;
        s.MenuRefreshDevices = true;
    } else if (running) {
        s.MenuStop = true;
        s.RunButton = true;
    } else {
        s.MenuRun = true;
        s.MenuPreferences = true;
        s.MenuRefreshDevices = true;
        s.Selector = s.RunButton = configurationCount > 0;
    }
    return s;
}

AssociatingProgram RunnerAssociation(const ProgramInfo& program) {
    return {std::string(kRunnerTitle), program.Folder, program.Executable, "Run"};
}

namespace {

RunnerSeams WithDialogs(const RunnerSeams& s, Dialogs& dialogs) {
    return {s.Store,    s.Files, dialogs, s.Priority,   s.Joysticks, s.Boards,
            s.Keyboard, s.Clock, s.Guide, s.Foreground, s.Hotkeys};
}

} // namespace

RunnerState::RunnerState(ProgramInfo program, RunnerSeams seams, RunnerView& view)
    : HeldKeysReleased(seams.Dialogs,
                       [this] {
                           if (Engine)
                               Engine->ReleaseHeld();
                       }),
      Program(std::move(program)), Seams(WithDialogs(seams, HeldKeysReleased)), View(view),
      Caption(RunnerCaption(Program)),
      Devices(std::make_unique<InputDevices>(seams.Joysticks, seams.Boards, Seams.Dialogs, &view)),
      Sent(seams.Keyboard, seams.Clock), Policy(std::make_unique<RunnerEnginePolicy>(Tables, view)),
      Engine(std::make_unique<MappingEngine>(*Devices, Sent, seams.Clock, Seams.Dialogs)) {}

void RunnerState::UpdateMenus() {
    View.ApplyMenuState(MenuStateFor(DevicesReady(), Running, View.ConfigurationCount()));
}

void RunnerState::HideToTray() {
    View.ShowWindowAs(RunnerView::WindowState::Minimized);
    View.ShowWindowAs(RunnerView::WindowState::Hidden);
}

} // namespace qm
