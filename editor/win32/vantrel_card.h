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
    const std::wstring version = std::to_wstring(VANTREL_VERSION_MAJOR) + L"." +
                                 std::to_wstring(VANTREL_VERSION_MINOR) + L"." +
                                 std::to_wstring(VANTREL_VERSION_REVISION);
    return {WideFromUtf8(kEditorTitle), L"Version " + version + L" (Beta)", VANTREL_PROGRAM_ICON,
            VANTREL_SPLASH_WINDOW_CLASS, IDD_ABOUT};
}

} // namespace qm::win32
