// corvex.exe's entry point; everything else is in the runner's library.
#include "runner/win32/corvex_app.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    return qm::win32::RunCorvex(instance, commandLine);
}
