#pragma once
// What the driver knows of each program's windows. The two programs' id headers give the same
// names different numbers, so each is read in a file of its own.
namespace qm::e2e {

struct ProgramWindows {
    const wchar_t* MainClass;
    const wchar_t* SplashClass;
};
ProgramWindows RunnerWindows();
ProgramWindows EditorWindows();

// The editor's main window's controls.
struct EditorControls {
    int ConfigurationList;
    int Tabs;
    int MappingList;
    int Toolbar;
};
EditorControls EditorControlIds();

} // namespace qm::e2e
