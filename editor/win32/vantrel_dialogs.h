#pragma once
// The editor's dialogs seam: the system's boxes and file dialogs, and the editor's own
// duplicate and replace dialogs, each over the window that owns the boxes now.
#include "editor/editor_dialogs.h"
#include "editor/win32/duplicate_dialog.h"
#include "editor/win32/replace_dialog.h"
#include "ui/win32/win32_dialogs.h"

#include <windows.h>

namespace qm::win32 {

class VantrelDialogs final : public EditorDialogs {
public:
    VantrelDialogs(HINSTANCE instance, Win32Dialogs& system)
        : instance_(instance), system_(system) {}

    MessageAnswer ShowMessage(const Message& message) override {
        return system_.ShowMessage(message);
    }
    std::optional<std::string> OpenFile(const FileDialogRequest& request) override {
        return system_.OpenFile(request);
    }
    std::optional<std::string> SaveFile(const FileDialogRequest& request) override {
        return system_.SaveFile(request);
    }
    std::optional<std::string> BrowseFolder(const std::string& title) override {
        return system_.BrowseFolder(title);
    }
    DuplicateChoice ChooseRowToKeep(const std::vector<DuplicateRow>& rows) override {
        return ShowDuplicateDialog(instance_, system_.Owner(), system_, rows);
    }
    std::optional<int> ChooseDevice(const std::vector<std::string>& deviceNames) override {
        return ShowReplaceDialog(instance_, system_.Owner(), system_, deviceNames);
    }

private:
    HINSTANCE instance_;
    Win32Dialogs& system_;
};

} // namespace qm::win32
