#pragma once
// What the about box and the splash say of the editor.
#include "core/messages.h"
#include "core/win32/win32_text.h"
#include "editor/win32/vantrel_ids.h"
#include "editor/win32/vantrel_version.h"
#include "ui/win32/about_box.h"

#include <string>

namespace qm::win32 {

inline ProgramCard VantrelCard() {
    return {WideFromUtf8(kEditorTitle),
            L"Version " VANTREL_VERSION_SHOWN_TEXT L" (Beta)",
            VANTREL_PROGRAM_ICON,
            VANTREL_SPLASH_WINDOW_CLASS,
            IDD_ABOUT,
            GuideTopic::Editor};
}

} // namespace qm::win32
