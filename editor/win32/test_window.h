#pragma once
// The "Test Output Window": a read-only log of the keys the editor decodes while testing, one
// key a line, with "Clear" and "Close". Not modal; closing it leaves the test running. A
// key-down in it is decoded like one in the main window; without a test it closes itself.
#include "ui/win32/shell_handles.h"
#include "ui/win32/win32_dialogs.h"

#include <windows.h>

#include <string_view>

namespace qm {
class EditorController;
}

namespace qm::win32 {

class TestWindow {
public:
    TestWindow(HINSTANCE instance, Win32Dialogs& dialogs);
    ~TestWindow();
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    void Attach(EditorController* controller) { controller_ = controller; }
    // Shows the window over `owner` with an empty log, creating it when it is not there.
    void Show(HWND owner);
    void Close();
    bool IsShown() const { return window_ && IsWindowVisible(window_.Get()); }
    // A new last line, scrolled into view.
    void AppendLine(std::string_view text);

private:
    // The window's messages come through RoutedProcedures; an error escaping them is reported
    // under kProcedure.
    friend struct RoutedProcedures;
    static constexpr const char* kProcedure = "FormTest";
    Win32Dialogs& Boxes() { return dialogs_; }
    void Bind(HWND window) { window_.Reset(window); }
    void Unbind();
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // Every key reaches the window before its controls.
    LRESULT HandleControlMessage(HWND control, UINT message, WPARAM wParam, LPARAM lParam);
    bool Create(HWND owner);
    void Layout();
    // A key-down anywhere in the window: decoded while testing, else the window closes.
    void OnKeyDown(WPARAM virtualKey);

    HINSTANCE instance_;
    Win32Dialogs& dialogs_;
    EditorController* controller_ = nullptr;
    UniqueWindow window_;
    HWND log_ = nullptr;
    HWND clear_ = nullptr;
    HWND close_ = nullptr;
    UINT dpi_ = 96;
    UniqueFont font_;
};

} // namespace qm::win32
