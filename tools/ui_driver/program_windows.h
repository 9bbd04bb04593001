#pragma once
// What the driver knows of each program's windows. The two programs' id headers give the same
// names different numbers, so each is read in a file of its own.
#include "harness.h"

namespace qm::e2e {

struct ProgramWindows {
    const wchar_t* MainClass;
    const wchar_t* SplashClass;
};
ProgramWindows RunnerWindows();
ProgramWindows EditorWindows();

// A click on the runner's notification icon (WM_LBUTTONDBLCLK, WM_RBUTTONUP), posted to its
// main window as the shell reports it.
void PostTrayClick(HWND runnerMain, UINT mouseMessage);

// The editor's main window's controls.
struct EditorControls {
    int ConfigurationList;
    int Tabs;
    int MappingList;
    int Toolbar;
};
EditorControls EditorControlIds();

// The editor's Open, Close, New and Save commands (toolbar buttons), its Test button and the
// mapping list's Clear Entire Row, posted as the controls send them.
struct EditorCommands {
    int Open;
    int Close;
    int Test;
    int New;
    int Save;
    int ClearRow;
};
EditorCommands EditorCommandIds();

// The main window of the started vantrel.exe once its start-up is over: shown, the splash
// gone, the program waiting for input. Null when that did not happen in time.
HWND EditorMainWindow(const RunnerProcess& editor, DWORD timeoutMs = 30000);

} // namespace qm::e2e
