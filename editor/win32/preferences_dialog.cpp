#include "editor/win32/preferences_dialog.h"

#include "core/error_trap.h"
#include "core/messages.h"
#include "core/win32/win32_text.h"
#include "editor/win32/vantrel_ids.h"
#include "ui/win32/preferences_controls.h"

#include <optional>
#include <string>
#include <utility>

namespace qm::win32 {
namespace {

class EditorPreferencesDialog {
public:
    EditorPreferencesDialog(EditorPreferences& preferences, Win32Dialogs& dialogs,
                            std::function<void(const EngineTimings&)> takeOverTimings)
        : preferences_(preferences), dialogs_(dialogs),
          takeOverTimings_(std::move(takeOverTimings)) {}

    INT_PTR Handle(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
        switch (message) {
        case WM_INITDIALOG:
            dialog_ = dialog;
            owner_.emplace(dialogs_, dialog);
            RunTrapped(dialogs_, "Form_Load", [&] {
                SetDlgItemTextW(dialog_, IDC_ASSOCIATE_FILES,
                                (L"Edit *.qmf files in " + WideFromUtf8(kEditorTitle)).c_str());
                timingBoxes_.Attach(dialog_);
                // The controller loaded the values before opening the window.
                ShowState();
            });
            return TRUE;
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case WM_VSCROLL:
            if (const auto change =
                    timingBoxes_.BarChangeOf(reinterpret_cast<HWND>(lParam), LOWORD(wParam)))
                RunTrapped(dialogs_, change->Procedure, [&] {
                    if (preferences_.Scroll(change->Box, change->Action, change->TrackPosition))
                        ShowState();
                });
            return TRUE;
        case WM_CLOSE:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        case WM_DESTROY:
            timingBoxes_.Detach();
            owner_.reset();
            return FALSE;
        default:
            return FALSE;
        }
    }

private:
    HWND Item(int id) const { return GetDlgItem(dialog_, id); }

    // The controls as the preferences' state says (check box, texts, scroll bars, buttons).
    void ShowState() {
        const EditorPreferencesState& state = preferences_.State();
        updating_ = true;
        CheckDlgButton(dialog_, IDC_ASSOCIATE_FILES, state.Associate ? BST_CHECKED : BST_UNCHECKED);
        ShowControlText(Item(IDC_CONFIG_FOLDER), state.ConfigPath);
        timingBoxes_.Show(state.Timings);
        EnableWindow(Item(IDOK), state.OkEnabled);
        EnableWindow(Item(IDCANCEL), state.CancelEnabled);
        EnableWindow(Item(IDC_APPLY), state.ApplyEnabled);
        updating_ = false;
        // Keyboard focus never stays on a control that was just disabled.
        const HWND focus = GetFocus();
        if (focus != nullptr && IsChild(dialog_, focus) && !IsWindowEnabled(focus))
            SendMessageW(dialog_, WM_NEXTDLGCTL, 0, FALSE);
    }

    void OnCommand(int id, int code) {
        if (updating_)
            return; // the controls being filled: their notifications are not edits
        switch (id) {
        case IDC_ASSOCIATE_FILES:
            if (code == BN_CLICKED)
                RunTrapped(dialogs_, "Check3_Click", [&] {
                    preferences_.SetAssociate(IsDlgButtonChecked(dialog_, id) == BST_CHECKED);
                    ShowState();
                });
            return;
        case IDC_CONFIG_FOLDER:
            if (code == EN_CHANGE)
                RunTrapped(dialogs_, "Text1_Change", [&] {
                    preferences_.SetConfigPath(ControlText(Item(IDC_CONFIG_FOLDER)));
                    ShowState();
                });
            return;
        case IDC_BROWSE_CONFIG_FOLDER:
            if (code == BN_CLICKED) {
                preferences_.BrowseConfigFolder();
                ShowState();
            }
            return;
        case IDC_APPLY:
            if (code == BN_CLICKED && IsWindowEnabled(Item(IDC_APPLY)))
                Apply();
            return;
        case IDOK:
            // Enter while OK is disabled (nothing changed) does nothing.
            if (code == BN_CLICKED && IsWindowEnabled(Item(IDOK))) {
                // An error is reported by Apply's trap; the window closes all the same.
                Apply();
                EndDialog(dialog_, IDOK);
            }
            return;
        case IDCANCEL:
            // Escape and the close box close without saving, whatever the button shows.
            if (code == BN_CLICKED)
                EndDialog(dialog_, IDCANCEL);
            return;
        default:
            break;
        }
        if (const auto change = timingBoxes_.TextChangeOf(id, code))
            RunTrapped(dialogs_, change->Procedure, [&] {
                preferences_.SetTiming(change->Box, change->Text);
                ShowState();
            });
    }

    // Apply traps its own errors; the window shows the outcome.
    void Apply() {
        const EngineTimings timings = preferences_.Apply();
        if (takeOverTimings_)
            takeOverTimings_(timings);
        ShowState();
    }

    EditorPreferences& preferences_;
    Win32Dialogs& dialogs_;
    std::function<void(const EngineTimings&)> takeOverTimings_;
    HWND dialog_ = nullptr;
    // Boxes the preferences show while the window is open belong to it.
    std::optional<Win32Dialogs::OwnerScope> owner_;
    TimingBoxControls timingBoxes_;
    // Set while the controls are being filled: their change notifications are not edits.
    bool updating_ = false;
};

} // namespace

void ShowEditorPreferences(HINSTANCE instance, HWND owner, EditorPreferences& preferences,
                           Win32Dialogs& dialogs,
                           std::function<void(const EngineTimings&)> takeOverTimings) {
    EditorPreferencesDialog dialog(preferences, dialogs, std::move(takeOverTimings));
    ShowModalDialog(instance, IDD_PREFERENCES, owner, dialog, dialogs, "formOptions");
}

} // namespace qm::win32
