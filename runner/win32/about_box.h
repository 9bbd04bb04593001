#pragma once
// The runner's about box (name, version, what it does, no warranty) and its splash window.
#include "core/dialogs.h"

#include <windows.h>

#include <string>

namespace qm::win32 {

// The about box, modal over `owner`.
void ShowAboutBox(HINSTANCE instance, HWND owner, Dialogs& dialogs);

// The splash window: shown at start-up until it hides itself (after `milliseconds`, or at a
// click or a key), the messages pumped meanwhile.
void ShowSplash(HINSTANCE instance, Dialogs& dialogs, int milliseconds);

// The version as the caption shows it: major.minor.revision, "1.4.1".
std::wstring ShortVersionText();

} // namespace qm::win32
