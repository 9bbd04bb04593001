#include "ui/win32/win32_dialogs.h"

#include "core/app_error.h"
#include "core/messages.h"
#include "core/win32/win32_handle.h"
#include "core/win32/win32_text.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shlobj.h>

#include <algorithm>
#include <exception>
#include <vector>

namespace qm::win32 {
namespace {

// An item list the folder picker returns.
struct ItemListTraits {
    static void Close(LPITEMIDLIST list) { CoTaskMemFree(list); }
};
using UniqueItemList = UniqueOf<LPITEMIDLIST, ItemListTraits>;

// Room for a long path: the dialog fails (FNERR_BUFFERTOOSMALL) rather than truncating.
constexpr DWORD kFileBufferChars = 32768;

// The file dialog's name box: the combo box of the Explorer-style dialog, or its plain edit.
constexpr int kFileNameComboId = 0x47C;
constexpr int kFileNameEditId = 0x480;

std::wstring ControlText(HWND control) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
    return text;
}

// The length of the path OK would open: the name as typed when it is absolute, else the
// dialog's folder, a separator and the name.
std::size_t ChosenPathLength(HWND dialog) {
    HWND name = GetDlgItem(dialog, kFileNameComboId);
    if (name == nullptr)
        name = GetDlgItem(dialog, kFileNameEditId);
    if (name == nullptr)
        return 0;
    const std::wstring text = ControlText(name);
    const bool absolute = !text.empty() && (text[0] == L'\\' || text[0] == L'/' ||
                                            (text.size() > 1 && text[1] == L':'));
    if (absolute)
        return text.size();
    // The size the folder needs, its NUL included; nothing when the dialog does not say.
    const LRESULT folder = SendMessageW(dialog, CDM_GETFOLDERPATH, 0, 0);
    return (folder > 0 ? static_cast<std::size_t>(folder) : 0) + text.size();
}

// Guards the system's file dialog while it is open on this thread. The dialog builds the chosen
// path in a buffer of MAX_PATH characters, and some implementations overrun it (and end the
// program) when the name typed or picked makes a longer path: such a choice is refused with
// the file error box, and the dialog stays open for another. The dialog is found as the first
// dialog window this thread creates during the call.
class LongPathGuard {
public:
    explicit LongPathGuard(Win32Dialogs& dialogs)
        : dialogs_(dialogs),
          hook_(SetWindowsHookExW(WH_CBT, &OnCbt, nullptr, GetCurrentThreadId())) {
        active_ = this;
    }
    ~LongPathGuard() {
        hook_.Reset();
        if (dialog_ != nullptr && IsWindow(dialog_))
            RemoveWindowSubclass(dialog_, &OnDialog, kSubclassId);
        active_ = nullptr;
    }
    LongPathGuard(const LongPathGuard&) = delete;
    LongPathGuard& operator=(const LongPathGuard&) = delete;

    // Once the dialog is closed: what failed while it was open, thrown again.
    void ThrowFailure() const {
        if (failure_)
            std::rethrow_exception(failure_);
    }

private:
    static constexpr UINT_PTR kSubclassId = 1;

    static LRESULT CALLBACK OnCbt(int code, WPARAM wParam, LPARAM lParam) {
        LongPathGuard* guard = active_;
        if (code == HCBT_CREATEWND && guard != nullptr && guard->dialog_ == nullptr) {
            const auto window = reinterpret_cast<HWND>(wParam);
            wchar_t name[16] = {};
            GetClassNameW(window, name, static_cast<int>(std::size(name)));
            if (std::wstring_view(name) == L"#32770" &&
                SetWindowSubclass(window, &OnDialog, kSubclassId,
                                  reinterpret_cast<DWORD_PTR>(guard)))
                guard->dialog_ = window;
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    static LRESULT CALLBACK OnDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam,
                                     UINT_PTR, DWORD_PTR data) {
        if (message == WM_COMMAND && LOWORD(wParam) == IDOK) {
            try {
                if (ChosenPathLength(dialog) >= MAX_PATH) {
                    auto& dialogs = reinterpret_cast<LongPathGuard*>(data)->dialogs_;
                    const Win32Dialogs::OwnerScope owner(dialogs, dialog);
                    dialogs.ShowMessage(msg::FileIoError(AppError(err::BadFileName)));
                    return 0;
                }
            } catch (...) {
                // Out of memory: the dialog closes, and the command that opened it reports it.
                reinterpret_cast<LongPathGuard*>(data)->failure_ = std::current_exception();
                PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
                return 0;
            }
        }
        if (message == WM_NCDESTROY)
            RemoveWindowSubclass(dialog, &OnDialog, kSubclassId);
        return DefSubclassProc(dialog, message, wParam, lParam);
    }

    static inline thread_local LongPathGuard* active_ = nullptr;
    Win32Dialogs& dialogs_;
    HWND dialog_ = nullptr;
    UniqueHook hook_;
    std::exception_ptr failure_;
};

} // namespace

UINT MessageBoxStyle(MessageButtons buttons, MessageIcon icon) {
    UINT style = 0;
    switch (buttons) {
    case MessageButtons::Ok:
        style = MB_OK;
        break;
    case MessageButtons::OkCancel:
        style = MB_OKCANCEL;
        break;
    case MessageButtons::YesNo:
        style = MB_YESNO;
        break;
    case MessageButtons::YesNoCancel:
        style = MB_YESNOCANCEL;
        break;
    }
    switch (icon) {
    case MessageIcon::None:
        break;
    case MessageIcon::Critical:
        style |= MB_ICONERROR;
        break;
    case MessageIcon::Question:
        style |= MB_ICONQUESTION;
        break;
    case MessageIcon::Exclamation:
        style |= MB_ICONEXCLAMATION;
        break;
    case MessageIcon::Information:
        style |= MB_ICONINFORMATION;
        break;
    }
    return style;
}

MessageAnswer AnswerFromResult(int result, MessageButtons buttons) {
    switch (result) {
    case IDOK:
        return MessageAnswer::Ok;
    case IDCANCEL:
        return buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Cancel;
    case IDYES:
        return MessageAnswer::Yes;
    case IDNO:
        return MessageAnswer::No;
    default:
        break;
    }
    switch (buttons) {
    case MessageButtons::Ok:
        return MessageAnswer::Ok;
    case MessageButtons::YesNo:
        return MessageAnswer::No;
    case MessageButtons::OkCancel:
    case MessageButtons::YesNoCancel:
        return MessageAnswer::Cancel;
    }
    return MessageAnswer::Cancel;
}

std::wstring FileDialogFilter(std::string_view filter) {
    std::wstring result = WideFromUtf8(filter);
    for (wchar_t& c : result) {
        if (c == L'|')
            c = L'\0';
    }
    // Each part ends with a NUL, the list with one more.
    result.push_back(L'\0');
    result.push_back(L'\0');
    return result;
}

MessageAnswer Win32Dialogs::ShowMessage(const Message& message) {
    const std::wstring text = WideFromUtf8(message.text);
    const std::wstring title = WideFromUtf8(message.title);
    const HWND owner = owner_ != nullptr && IsWindow(owner_) ? owner_ : nullptr;
    const int result = MessageBoxW(owner, text.c_str(), title.c_str(),
                                   MessageBoxStyle(message.buttons, message.icon));
    return AnswerFromResult(result, message.buttons);
}

std::optional<std::string> Win32Dialogs::FileDialog(const FileDialogRequest& request, bool save) {
    const std::wstring filter = FileDialogFilter(request.filter);
    const std::wstring title = WideFromUtf8(request.title);
    std::vector<wchar_t> file(kFileBufferChars, L'\0');
    const std::wstring proposed = WideFromUtf8(request.fileName);
    std::copy_n(proposed.begin(), std::min(proposed.size(), file.size() - 1), file.begin());

    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = owner_ != nullptr && IsWindow(owner_) ? owner_ : nullptr;
    dialog.lpstrFilter = request.filter.empty() ? nullptr : filter.c_str();
    dialog.nFilterIndex = static_cast<DWORD>(std::max(request.filterIndex, 1));
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrTitle = title.empty() ? nullptr : title.c_str();
    // Whether the chosen file exists is the caller's question (it has its own message).
    dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (save)
        dialog.Flags |= OFN_OVERWRITEPROMPT;
    const LongPathGuard guard(*this);
    const BOOL chosen = save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog);
    guard.ThrowFailure();
    if (!chosen)
        return std::nullopt;
    return Utf8FromWide(file.data());
}

std::optional<std::string> Win32Dialogs::OpenFile(const FileDialogRequest& request) {
    return FileDialog(request, false);
}

std::optional<std::string> Win32Dialogs::SaveFile(const FileDialogRequest& request) {
    return FileDialog(request, true);
}

std::optional<std::string> Win32Dialogs::BrowseFolder(const std::string& title) {
    const std::wstring wideTitle = WideFromUtf8(title);
    BROWSEINFOW browse{};
    browse.hwndOwner = owner_ != nullptr && IsWindow(owner_) ? owner_ : nullptr;
    browse.lpszTitle = wideTitle.c_str();
    browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    const UniqueItemList chosen(SHBrowseForFolderW(&browse));
    if (!chosen)
        return std::nullopt;
    std::vector<wchar_t> path(kFileBufferChars, L'\0');
    if (!SHGetPathFromIDListEx(chosen.Get(), path.data(), kFileBufferChars, GPFIDL_DEFAULT))
        return std::nullopt;
    return Utf8FromWide(path.data());
}

} // namespace qm::win32
