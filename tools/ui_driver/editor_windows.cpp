#include "editor/win32/vantrel_ids.h"
#include "program_windows.h"

namespace qm::e2e {

ProgramWindows EditorWindows() {
    return {VANTREL_MAIN_WINDOW_CLASS, VANTREL_SPLASH_WINDOW_CLASS};
}

EditorControls EditorControlIds() {
    return {IDC_CONFIGURATION_LIST, IDC_TABS, IDC_MAPPING_LIST, IDC_TOOLBAR};
}

} // namespace qm::e2e
