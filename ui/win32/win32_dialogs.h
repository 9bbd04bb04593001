#pragma once
// The dialogs seam over the system's boxes: MessageBoxW, the open and save dialogs and the
// folder picker, each owned by the window the program names (its main window, or a dialog while one
// is open).
#include "core/dialogs.h"

#include <windows.h>

#include <string>
#include <string_view>

namespace qm::win32 {

class Win32Dialogs final : public Dialogs {
public:
    explicit Win32Dialogs(HWND owner = nullptr) : owner_(owner) {}

    MessageAnswer ShowMessage(const Message& message) override;
    std::optional<std::string> OpenFile(const FileDialogRequest& request) override;
    // A save dialog that asks before overwriting: the chosen full path; nothing when cancelled.
    std::optional<std::string> SaveFile(const FileDialogRequest& request);
    std::optional<std::string> BrowseFolder(const std::string& title) override;

    HWND Owner() const { return owner_; }
    void SetOwner(HWND owner) { owner_ = owner; }

    // Makes `owner` the owner of every box while it lives (a modal dialog over the main
    // window), then gives the previous one back.
    class OwnerScope {
    public:
        OwnerScope(Win32Dialogs& dialogs, HWND owner)
            : dialogs_(dialogs), previous_(dialogs.Owner()) {
            dialogs_.SetOwner(owner);
        }
        ~OwnerScope() { dialogs_.SetOwner(previous_); }
        OwnerScope(const OwnerScope&) = delete;
        OwnerScope& operator=(const OwnerScope&) = delete;

    private:
        Win32Dialogs& dialogs_;
        HWND previous_;
    };

private:
    std::optional<std::string> FileDialog(const FileDialogRequest& request, bool save);

    HWND owner_;
};

// MessageBoxW's style for a message's buttons and icon.
UINT MessageBoxStyle(MessageButtons buttons, MessageIcon icon);
// The answer for MessageBoxW's result; a box that could not be shown answers as if dismissed
// (No for a question, Cancel where there is one, otherwise Ok).
MessageAnswer AnswerFromResult(int result, MessageButtons buttons);
// "All Files (*.*)|*.*|Vantrel Files (*.qmf)|*.qmf" as the open dialog wants it: the parts
// NUL-separated, the whole ended by two NULs.
std::wstring FileDialogFilter(std::string_view filter);

} // namespace qm::win32
