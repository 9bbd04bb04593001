#pragma once
// The editor's preferences window (caption "Preferences"): its controls show
// EditorPreferences' state and every change goes through it.
#include "editor/editor_preferences.h"
#include "ui/win32/win32_dialogs.h"

#include <windows.h>

#include <functional>

namespace qm::win32 {

// Shows the window modally over `owner`. Apply and OK hand the applied timings to
// `takeOverTimings`; boxes the preferences show while it is open are owned by it.
void ShowEditorPreferences(HINSTANCE instance, HWND owner, EditorPreferences& preferences,
                           Win32Dialogs& dialogs,
                           std::function<void(const EngineTimings&)> takeOverTimings);

} // namespace qm::win32
