#pragma once
// The runner's preferences dialog (caption "Preferences"): its controls show
// RunnerPreferences' state and every change goes through it.
#include "runner/runner_preferences.h"
#include "ui/win32/win32_dialogs.h"

#include <windows.h>

#include <functional>

namespace qm::win32 {

// Shows the dialog modally over `owner`. Apply and OK hand the applied timings to
// `takeOverTimings`; boxes the preferences show while it is open are owned by the dialog.
void ShowPreferencesDialog(HINSTANCE instance, HWND owner, RunnerPreferences& preferences,
                           Win32Dialogs& dialogs,
                           std::function<void(const EngineTimings&)> takeOverTimings);

} // namespace qm::win32
