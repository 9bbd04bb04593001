#pragma once
// A program's about box (name, version, what it does, copyright, licence, no warranty, where
// the user guide is) and its splash window.
#include "core/dialogs.h"
#include "core/user_guide.h"

#include <windows.h>

#include <string>

namespace qm::win32 {

// What the about box and the splash say of a program.
struct ProgramCard {
    std::wstring Name;          // "Corvex"
    std::wstring VersionLine;   // "Version 1.4.1 (Beta)"
    const wchar_t* SplashIcon;  // the icon resource the splash shows
    const wchar_t* SplashClass; // the splash window's class
    int AboutDialog;            // the about box's dialog resource (controls: about_ids.h)
    GuideTopic Topic;           // the guide's page about the program, which F1 opens
};

// The about box, modal over `owner`; `guideLocation` says where the user guide is.
void ShowAboutBox(HINSTANCE instance, HWND owner, Dialogs& dialogs, const ProgramCard& card,
                  const std::string& guideLocation);

// The splash window: shown at start-up until it hides itself (after `milliseconds`, or at a
// click or a key), the messages pumped meanwhile.
void ShowSplash(HINSTANCE instance, Dialogs& dialogs, const ProgramCard& card, int milliseconds);

} // namespace qm::win32
