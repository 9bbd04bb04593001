#pragma once
// What the about box and the splash say of the runner.
#include "core/messages.h"
#include "core/win32/win32_text.h"
#include "runner/win32/corvex_ids.h"
#include "runner/win32/corvex_version.h"
#include "ui/win32/about_box.h"

#include <string>

namespace qm::win32 {

inline ProgramCard CorvexCard() {
    const std::wstring version = std::to_wstring(CORVEX_VERSION_MAJOR) + L"." +
                                 std::to_wstring(CORVEX_VERSION_MINOR) + L"." +
                                 std::to_wstring(CORVEX_VERSION_REVISION);
    return {WideFromUtf8(kRunnerTitle), L"Version " + version + L" (Beta)", L"run_up",
            CORVEX_SPLASH_WINDOW_CLASS, IDD_ABOUT};
}

} // namespace qm::win32
