#pragma once
// What both programs' preferences dialogs do alike, over their preferences logic (the runner's
// and the editor's, which edit alike): boxes owned by the dialog while it is open, the
// association check box, the folder with its Browse, the timing boxes, the extended keys and
// the exact pointer, Apply
// handing the timings over, OK (Apply and close) and Cancel, Escape and the close box (close
// without saving). A program's dialog adds its captions, its own controls and its buttons'
// enabling.
#include "core/error_trap.h"
#include "settings/timing_boxes.h"
#include "ui/win32/preferences_controls.h"
#include "ui/win32/preferences_ids.h"
#include "ui/win32/routed_procedures.h"
#include "ui/win32/win32_dialogs.h"

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <utility>

namespace qm::win32 {

template <class Preferences> class PreferencesDialogFrame {
public:
    using TakeOverTimings = std::function<void(const EngineTimings&)>;

    PreferencesDialogFrame(Preferences& preferences, Win32Dialogs& dialogs,
                           TakeOverTimings takeOverTimings)
        : preferences_(preferences), dialogs_(dialogs),
          takeOverTimings_(std::move(takeOverTimings)) {}
    virtual ~PreferencesDialogFrame() = default;
    PreferencesDialogFrame(const PreferencesDialogFrame&) = delete;
    PreferencesDialogFrame& operator=(const PreferencesDialogFrame&) = delete;

    // Shows the dialog resource modally over `owner` until it closes.
    void Run(HINSTANCE instance, int resource, HWND owner) {
        ShowObjectDialog(instance, resource, owner, *this);
    }

    // The dialog procedure, and what reports an error escaping it.
    static constexpr const char* kProcedure = "formOptions";
    Win32Dialogs& Boxes() { return dialogs_; }
    // The guide's section on the program's preferences.
    virtual GuideTopic HelpTopic() const = 0;

    INT_PTR Handle(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
        switch (message) {
        case WM_INITDIALOG:
            dialog_ = dialog;
            owner_.emplace(dialogs_, dialog);
            RunTrapped(dialogs_, "Form_Load", [&] {
                SetCaptions();
                timingBoxes_.Attach(dialog_);
                // The values were loaded before the dialog opened.
                ShowState();
            });
            return TRUE;
        case WM_COMMAND:
            // While the controls are being filled, their notifications are not edits.
            if (!updating_)
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
        case WM_NOTIFY:
            return OnOwnNotify(*reinterpret_cast<const NMHDR*>(lParam)) ? TRUE : FALSE;
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

protected:
    // The captions built when the dialog opens.
    virtual void SetCaptions() = 0;
    // The program's own controls and the enabling of OK, Cancel and Apply, from the state.
    virtual void ShowOwnState() = 0;
    // A command of the program's own controls: false when it is not one.
    virtual bool OnOwnCommand(int id, int code) = 0;
    // A notification of the program's own controls: false when it is not one.
    virtual bool OnOwnNotify(const NMHDR& /*header*/) { return false; }

    HWND Item(int id) const { return GetDlgItem(dialog_, id); }
    void SetItemText(int id, const std::wstring& text) {
        SetDlgItemTextW(dialog_, id, text.c_str());
    }
    void SetCheck(int id, bool checked) {
        CheckDlgButton(dialog_, id, checked ? BST_CHECKED : BST_UNCHECKED);
    }
    bool Checked(int id) const { return IsDlgButtonChecked(dialog_, id) == BST_CHECKED; }
    // Runs an edit under its handler's procedure name, then shows the outcome.
    void Edit(const char* procedure, const std::function<void()>& edit) {
        RunTrapped(dialogs_, procedure, [&] {
            edit();
            ShowState();
        });
    }

    Preferences& preferences_;
    Win32Dialogs& dialogs_;

    // The controls as the preferences' state says.
    void ShowState() {
        const auto& state = preferences_.State();
        updating_ = true;
        SetCheck(IDC_ASSOCIATE_FILES, state.Associate);
        ShowControlText(Item(IDC_CONFIG_FOLDER), state.ConfigPath);
        timingBoxes_.Show(state.Timings);
        SetCheck(IDC_EXTENDED_KEYS, state.ExtendedKeys);
        SetCheck(IDC_EXACT_POINTER, state.ExactPointer);
        ShowOwnState();
        updating_ = false;
        // Keyboard focus never stays on a control that was just disabled.
        const HWND focus = GetFocus();
        if (focus != nullptr && IsChild(dialog_, focus) && !IsWindowEnabled(focus))
            SendMessageW(dialog_, WM_NEXTDLGCTL, 0, FALSE);
    }

private:
    void OnCommand(int id, int code) {
        if (OnOwnCommand(id, code))
            return;
        switch (id) {
        case IDC_ASSOCIATE_FILES:
            if (code == BN_CLICKED)
                Edit("Check3_Click",
                     [&] { preferences_.SetAssociate(Checked(IDC_ASSOCIATE_FILES)); });
            return;
        case IDC_EXTENDED_KEYS:
            if (code == BN_CLICKED)
                Edit("chkExtended_Click",
                     [&] { preferences_.SetExtendedKeys(Checked(IDC_EXTENDED_KEYS)); });
            return;
        case IDC_EXACT_POINTER:
            if (code == BN_CLICKED)
                Edit("chkExactPointer_Click",
                     [&] { preferences_.SetExactPointer(Checked(IDC_EXACT_POINTER)); });
            return;
        case IDC_CONFIG_FOLDER:
            if (code == EN_CHANGE)
                Edit("Text1_Change",
                     [&] { preferences_.SetConfigPath(ControlText(Item(IDC_CONFIG_FOLDER))); });
            return;
        case IDC_BROWSE_CONFIG_FOLDER:
            if (code == BN_CLICKED) {
                preferences_.BrowseConfigFolder(); // traps its own errors
                ShowState();
            }
            return;
        case IDC_APPLY:
            if (code == BN_CLICKED && IsWindowEnabled(Item(IDC_APPLY)))
                Apply();
            return;
        case IDOK:
            if (code != BN_CLICKED)
                return;
            // Enter without a change (OK disabled): nothing to apply.
            if (IsWindowEnabled(Item(IDOK)))
                Apply(); // an error is reported by Apply's trap; the dialog closes all the same
            EndDialog(dialog_, IDOK);
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
            Edit(change->Procedure, [&] { preferences_.SetTiming(change->Box, change->Text); });
    }

    // Apply traps its own errors; the dialog shows the outcome.
    void Apply() {
        const EngineTimings timings = preferences_.Apply();
        if (takeOverTimings_)
            takeOverTimings_(timings);
        ShowState();
    }

    TakeOverTimings takeOverTimings_;
    HWND dialog_ = nullptr;
    // Boxes the preferences show while the dialog is open belong to it.
    std::optional<Win32Dialogs::OwnerScope> owner_;
    TimingBoxControls timingBoxes_;
    bool updating_ = false;
};

} // namespace qm::win32
