#pragma once
// The user guide in the user's browser, and F1 (WM_HELP) from a dialog to the main window,
// which opens the page about that dialog.
#include "core/user_guide.h"

#include <windows.h>

#include <string>

namespace qm::win32 {

// Opens the page with the shell: the program the user has for .html files, at the anchor.
bool ShowGuidePage(HWND owner, const std::string& path, const std::string& anchor);

class Win32GuideBrowser final : public GuideBrowser {
public:
    explicit Win32GuideBrowser(HWND owner) : owner_(owner) {}
    bool ShowPage(const std::string& path, const std::string& anchor) override {
        return ShowGuidePage(owner_, path, anchor);
    }

private:
    HWND owner_;
};

// A dialog's WM_HELP: handed to its owner with the dialog's topic, unless a dialog it owns
// named one already.
void ForwardHelpRequest(HWND dialog, GuideTopic topic, LPARAM helpInfo);
// The topic of a dialog's help request that reached a main window; nothing for the window's
// own (F1 there is a shortcut of its command table, which decides when it fires).
std::optional<GuideTopic> HelpRequestTopic(LPARAM helpInfo);

} // namespace qm::win32
