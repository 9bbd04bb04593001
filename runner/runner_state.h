#pragma once
// What the runner's command units share: the seams, the window, the attached devices, the
// engine and its tables, the configurations listed and whether one runs. One instance, owned
// by the controller; each unit holds a reference to it.
#include "core/clock.h"
#include "core/dialogs.h"
#include "core/file_system.h"
#include "core/program_info.h"
#include "core/user_guide.h"
#include "devices/device_change_watch.h"
#include "devices/input_devices.h"
#include "engine/configuration_loader.h"
#include "engine/mapping_engine.h"
#include "engine/runner_engine_policy.h"
#include "keyboard/keyboard.h"
#include "runner/runner_view.h"
#include "runner/sent_chords.h"
#include "runner/switching.h"
#include "settings/file_association.h"
#include "settings/known_files.h"
#include "settings/process_priority.h"
#include "settings/settings_store.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qm {

// "Corvex Ver. 1.4.9 (Beta)": the caption, the tip and the single-instance key.
std::string RunnerCaption(const ProgramInfo& program);

// The enabled controls and menu items for a state.
RunnerMenuState MenuStateFor(bool devicesReady, bool running, int configurationCount);

// The runner as the program that opens configuration files with the verb "Run".
AssociatingProgram RunnerAssociation(const ProgramInfo& program);

// Members named after their seams: the types are qualified so that the names may be reused.
struct RunnerSeams {
    SettingsStore& Store;
    FileSystem& Files;
    qm::Dialogs& Dialogs;
    ProcessPriority& Priority;
    JoystickApi& Joysticks;
    BoardLibrary& Boards;
    qm::Keyboard& Keyboard;
    qm::Clock& Clock;
    GuideBrowser& Guide;
    // Being told of the program in front, and the global hotkeys; none: nothing switches.
    ForegroundWatch* Foreground = nullptr;
    HotkeyRegistrar* Hotkeys = nullptr;
};

struct RunnerState {
    RunnerState(ProgramInfo program, RunnerSeams seams, RunnerView& view);
    RunnerState(const RunnerState&) = delete;
    RunnerState& operator=(const RunnerState&) = delete;

    bool DevicesReady() const { return Devices->DevicesReady; }
    // The menu state from the runner's state, applied to the window.
    void UpdateMenus();
    // Minimised, then hidden: the runner goes on in the notification area.
    void HideToTray();

    // Every box and dialog of the runner comes after the keys held for rows with Hold went up.
    DialogsAfter HeldKeysReleased;
    ProgramInfo Program;
    RunnerSeams Seams; // with HeldKeysReleased as its dialogs
    RunnerView& View;
    std::string Caption;
    WindowHandle Window = nullptr;
    std::unique_ptr<InputDevices> Devices;
    // The keyboard the engine sends through: it notes the chords sent, which trigger no hotkey.
    SentChords Sent;
    RunnerTables Tables;
    std::unique_ptr<RunnerEnginePolicy> Policy;
    std::unique_ptr<MappingEngine> Engine;
    ReservedEntryNames Reserved;
    // The entries shown in the File menu and the selector.
    std::vector<std::string> Listed;
    bool Running = false;
    // The system's notices that devices came or went, until their limited rescan.
    DeviceChangeWatch DeviceChanges;
    int PollPeriodMs = 10;
    std::uint32_t PriorityClass = kHighPriorityClass;
};

} // namespace qm
