#include "editor/win32/preferences_dialog.h"

#include "core/messages.h"
#include "core/win32/win32_text.h"
#include "editor/win32/vantrel_ids.h"
#include "ui/win32/preferences_dialog_frame.h"

#include <string>
#include <utility>

namespace qm::win32 {
namespace {

class EditorPreferencesDialog final : public PreferencesDialogFrame<EditorPreferences> {
public:
    using PreferencesDialogFrame::PreferencesDialogFrame;

private:
    GuideTopic HelpTopic() const override { return GuideTopic::EditorPreferences; }
    void SetCaptions() override {
        SetItemText(IDC_ASSOCIATE_FILES, L"&Edit *.qmf files in " + WideFromUtf8(kEditorTitle));
    }

    void ShowOwnState() override {
        const EditorPreferencesState& state = preferences_.State();
        EnableWindow(Item(IDOK), state.OkEnabled);
        EnableWindow(Item(IDCANCEL), state.CancelEnabled);
        EnableWindow(Item(IDC_APPLY), state.ApplyEnabled);
    }

    bool OnOwnCommand(int, int) override { return false; }
};

} // namespace

void ShowEditorPreferences(HINSTANCE instance, HWND owner, EditorPreferences& preferences,
                           Win32Dialogs& dialogs,
                           std::function<void(const EngineTimings&)> takeOverTimings) {
    EditorPreferencesDialog dialog(preferences, dialogs, std::move(takeOverTimings));
    dialog.Run(instance, IDD_PREFERENCES, owner);
}

} // namespace qm::win32
