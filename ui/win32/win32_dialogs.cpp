#include "ui/win32/win32_dialogs.h"

#include "core/win32/win32_text.h"

#include <commdlg.h>
#include <shlobj.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace qm::win32 {
namespace {

// Owner of an item list the folder picker returns.
struct ItemListFree {
    void operator()(LPITEMIDLIST list) const { CoTaskMemFree(list); }
};
using UniqueItemList = std::unique_ptr<ITEMIDLIST, ItemListFree>;

// Room for a long path: the dialog fails (FNERR_BUFFERTOOSMALL) rather than truncating.
constexpr DWORD kFileBufferChars = 32768;

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
    if (!(save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog)))
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
    wchar_t path[MAX_PATH] = {};
    if (!SHGetPathFromIDListW(chosen.get(), path))
        return std::nullopt;
    return Utf8FromWide(path);
}

} // namespace qm::win32
