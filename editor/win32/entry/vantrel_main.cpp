// vantrel.exe's entry point; everything else is in the editor's library.
#include "editor/win32/vantrel_app.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int showCommand) {
    return qm::win32::RunVantrel(instance, commandLine, showCommand);
}
