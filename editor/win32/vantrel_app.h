#pragma once
// Main of vantrel.exe: the DirectX check, the single instance, the splash window, the main
// window with the controller over the system's seams, and the message loop.
#include <windows.h>

namespace qm::win32 {

// `commandLine`: the arguments after the program's name, as the system passed them.
int RunVantrel(HINSTANCE instance, const wchar_t* commandLine, int showCommand);

} // namespace qm::win32
