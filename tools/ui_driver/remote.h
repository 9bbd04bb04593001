#pragma once
// Reading the standard controls of another process: list views, tab controls, toolbars and
// menus. Messages whose answer is a structure need memory in that process; menus and dropped
// files need code there (ui_probe.dll, loaded on demand).
#include "core/win32/win32_handle.h"

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

namespace qm::e2e {

// Memory in another process for as long as the object lives.
class RemoteMemory {
public:
    RemoteMemory(HANDLE process, std::size_t bytes);
    ~RemoteMemory();
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;

    void* Address() const { return address_; }
    LPARAM Param() const { return reinterpret_cast<LPARAM>(address_); }
    void Write(const void* data, std::size_t bytes, std::size_t offset = 0);
    void Read(void* data, std::size_t bytes, std::size_t offset = 0) const;

private:
    HANDLE process_;
    void* address_;
};

// SendMessageTimeout that gives up after a few seconds when the program hangs; 0 then.
LRESULT SendTo(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

// ---- list views ------------------------------------------------------------------------

int ListCount(HWND list);
int ListColumnCount(HWND list);
std::wstring ListColumnTitle(HANDLE process, HWND list, int column);
std::wstring ListText(HANDLE process, HWND list, int row, int column);
// The texts of a row's first `columns` cells, read by the program's probe in one request.
std::vector<std::wstring> ListRowTexts(DWORD process, HWND list, int row, int columns);
UINT ListState(HWND list, int row, UINT mask);
// The cell's rectangle in the list's client area (column 0: the label of the item).
RECT ListCellRect(HANDLE process, HWND list, int row, int column);
// The item's icon in the list's client area.
RECT ListIconRect(HANDLE process, HWND list, int row);

// The header item's rectangle in the header's client area.
RECT HeaderItemRect(HANDLE process, HWND header, int index);

// ---- tab controls ----------------------------------------------------------------------

int TabCount(HWND tabs);
std::wstring TabText(HANDLE process, HWND tabs, int index);
RECT TabRect(HANDLE process, HWND tabs, int index);

// ---- picture combo boxes ---------------------------------------------------------------

// The item's text (empty for -1).
std::wstring ComboBoxExText(HANDLE process, HWND combo, int item);

// ---- toolbars --------------------------------------------------------------------------

struct ToolbarButton {
    int Command = 0;
    BYTE State = 0;
    BYTE Style = 0;
    std::wstring Text; // the tooltip, with TBSTYLE_EX_MIXEDBUTTONS
};
std::vector<ToolbarButton> ToolbarButtons(HANDLE process, HWND toolbar);
RECT ToolbarButtonRect(HANDLE process, HWND toolbar, int index);

// ---- menus and drops, through ui_probe.dll in the program -------------------------------

struct MenuItem {
    int Depth = 0;
    int Command = -1; // -1: a sub-menu
    bool Disabled = false;
    bool Checked = false;
    bool Separator = false;
    std::wstring Caption;
    RECT Bounds{}; // pop-up items only: on the screen
};

// Loads ui_probe.dll (beside the driver) into the process; throws Fatal when it cannot.
void LoadProbe(HANDLE process);
std::vector<MenuItem> MenuBar(DWORD process, HWND window);
// The items of the pop-up menu shown now (empty when none is).
std::vector<MenuItem> ShownPopup(DWORD process);
// Whether the window's thread took a message posted now from its message loop, with no input
// or posted message behind it, within the time: what a program does when it has handled all
// it was given. (A reply to a sent message proves less: a thread answers those while it waits
// for a message it sent itself, in the middle of its start-up, say.)
bool ProgramIdle(DWORD process, HWND window, DWORD timeoutMs);
// Drops the files on the window at the point of its client area, as the shell does.
void DropFiles(DWORD process, HWND window, POINT at, const std::vector<std::wstring>& paths);

} // namespace qm::e2e
