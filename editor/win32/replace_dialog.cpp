#include "editor/win32/replace_dialog.h"

#include "core/win32/win32_text.h"
#include "editor/win32/vantrel_ids.h"
#include "ui/win32/routed_procedures.h"

namespace qm::win32 {
namespace {

class ReplaceDialog {
public:
    ReplaceDialog(const std::vector<std::string>& names, Win32Dialogs& dialogs)
        : names_(names), dialogs_(dialogs) {}

    // The dialog procedure, and what reports an error escaping it.
    static constexpr const char* kProcedure = "formReplace";
    Win32Dialogs& Boxes() { return dialogs_; }
    GuideTopic HelpTopic() const { return GuideTopic::ListMaintenance; }
    std::optional<int> Chosen() const { return chosen_; }

    INT_PTR Handle(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
        switch (message) {
        case WM_INITDIALOG: {
            owner_.emplace(dialogs_, dialog);
            const HWND devices = GetDlgItem(dialog, IDC_REPLACE_DEVICES);
            for (const std::string& name : names_)
                SendMessageW(devices, CB_ADDSTRING, 0,
                             reinterpret_cast<LPARAM>(WideFromUtf8(name).c_str()));
            SendMessageW(devices, CB_SETCURSEL, 0, 0);
            return TRUE;
        }
        case WM_COMMAND:
            if (HIWORD(wParam) != BN_CLICKED)
                return FALSE;
            if (LOWORD(wParam) == IDOK) {
                const auto index =
                    SendDlgItemMessageW(dialog, IDC_REPLACE_DEVICES, CB_GETCURSEL, 0, 0);
                if (index >= 0)
                    chosen_ = static_cast<int>(index);
                EndDialog(dialog, IDOK);
            } else if (LOWORD(wParam) == IDCANCEL) {
                // Cancel, Escape and the close box.
                EndDialog(dialog, IDCANCEL);
            }
            return TRUE;
        case WM_DESTROY:
            owner_.reset();
            return FALSE;
        default:
            return FALSE;
        }
    }

private:
    const std::vector<std::string>& names_;
    Win32Dialogs& dialogs_;
    std::optional<Win32Dialogs::OwnerScope> owner_;
    std::optional<int> chosen_;
};

} // namespace

std::optional<int> ShowReplaceDialog(HINSTANCE instance, HWND owner, Win32Dialogs& dialogs,
                                     const std::vector<std::string>& deviceNames) {
    ReplaceDialog dialog(deviceNames, dialogs);
    ShowObjectDialog(instance, IDD_REPLACE_DEVICE, owner, dialog);
    return dialog.Chosen();
}

} // namespace qm::win32
