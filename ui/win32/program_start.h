#pragma once
// Both programs' start-up, in this order: the single instance (a second copy of the same
// version hands the file of its command line over to the first and brings it forward, waiting
// for the first copy's window while that copy starts; a box says when it cannot), OLE and
// the common controls, then in the error trap under "Main": the DirectX check, the splash
// window, the main window created with the boxes owned by it, and what the program runs over it
// (its controller and the message loop).
#include "ui/win32/about_box.h"
#include "ui/win32/win32_dialogs.h"

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

namespace qm::win32 {

// What the start-up needs to know of a program.
struct ProgramStart {
    std::wstring Caption;       // the main window's caption, also the single-instance key
    const wchar_t* WindowClass; // the main window's class
    ProgramCard Card;           // what the splash shows
    DWORD CommonControls;       // the common control classes its windows use (ICC_*)
    // What a second start hands over to the running copy: the full path its command line
    // names, or nothing (it then only brings that copy forward).
    std::function<std::optional<std::string>()> PathToHandOver;
};

// Runs the start-up up to the main window, then `run(dialogs)`; the program's exit code (0
// when another copy runs and took the file, 1 when it could not be reached; 0 when DirectX is
// missing).
int StartProgram(HINSTANCE instance, const ProgramStart& start,
                 const std::function<int(Win32Dialogs& dialogs)>& run);

// The same with the main window: a `Window(instance, dialogs)` whose Create(caption) makes it,
// hidden (false: the system refused, exit code 1); `run(window, dialogs)` then runs the program
// over it and returns its exit code.
template <class Window, class Run>
int RunProgram(HINSTANCE instance, const ProgramStart& start, Run&& run) {
    return StartProgram(instance, start, [&](Win32Dialogs& dialogs) {
        Window window(instance, dialogs);
        if (!window.Create(start.Caption))
            return 1;
        const Win32Dialogs::OwnerScope owner(dialogs, window.Handle());
        return run(window, dialogs);
    });
}

} // namespace qm::win32
