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
    return {WideFromUtf8(kRunnerTitle),
            L"Version " CORVEX_VERSION_SHOWN_TEXT L" (Beta)",
            L"run_up",
            CORVEX_SPLASH_WINDOW_CLASS,
            IDD_ABOUT,
            GuideTopic::Runner};
}

} // namespace qm::win32
