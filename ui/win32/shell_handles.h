#pragma once
// Owners of the user-interface handles the runner's windows hold: GDI objects, icons, menus,
// image lists, windows, device contexts, selections, window timers, the timer resolution and
// the OLE session. Each releases its handle when it goes away.
#include <windows.h>
// After windows.h:
#include <commctrl.h>
#include <ole2.h>

#include "core/win32/win32_handle.h"

#include <utility>

namespace qm::win32 {

struct GdiObjectTraits {
    static void Close(HGDIOBJ object) { DeleteObject(object); }
};
struct IconTraits {
    static void Close(HICON icon) { DestroyIcon(icon); }
};
struct MenuTraits {
    static void Close(HMENU menu) { DestroyMenu(menu); }
};
struct ImageListTraits {
    static void Close(HIMAGELIST list) { ImageList_Destroy(list); }
};
struct WindowTraits {
    static void Close(HWND window) {
        if (IsWindow(window))
            DestroyWindow(window);
    }
};
struct MemoryDcTraits {
    static void Close(HDC dc) { DeleteDC(dc); }
};

using UniqueBitmap = UniqueOf<HBITMAP, GdiObjectTraits>;
using UniqueFont = UniqueOf<HFONT, GdiObjectTraits>;
using UniqueBrush = UniqueOf<HBRUSH, GdiObjectTraits>;
using UniquePen = UniqueOf<HPEN, GdiObjectTraits>;
using UniqueIcon = UniqueOf<HICON, IconTraits>;
using UniqueMenu = UniqueOf<HMENU, MenuTraits>;
using UniqueImageList = UniqueOf<HIMAGELIST, ImageListTraits>;
using UniqueWindow = UniqueOf<HWND, WindowTraits>;
using UniqueMemoryDc = UniqueOf<HDC, MemoryDcTraits>;

// A window's device context for the duration of a drawing (GetDC / ReleaseDC).
class WindowDc {
public:
    explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDc() {
        if (dc_ != nullptr)
            ReleaseDC(window_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC Get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// An object selected into a device context, the previous one selected back at the end.
class Selection {
public:
    Selection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~Selection() {
        if (previous_ != nullptr && previous_ != HGDI_ERROR)
            SelectObject(dc_, previous_);
    }
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// A window timer (WM_TIMER), killed when the owner goes away or is reset.
class WindowTimer {
public:
    WindowTimer() = default;
    ~WindowTimer() { Stop(); }
    WindowTimer(const WindowTimer&) = delete;
    WindowTimer& operator=(const WindowTimer&) = delete;

    void Start(HWND window, UINT_PTR id, UINT periodMs) {
        Stop();
        if (SetTimer(window, id, periodMs, nullptr) != 0) {
            window_ = window;
            id_ = id;
        }
    }
    void Stop() {
        if (window_ != nullptr) {
            KillTimer(window_, id_);
            window_ = nullptr;
        }
    }
    bool Running() const { return window_ != nullptr; }

private:
    HWND window_ = nullptr;
    UINT_PTR id_ = 0;
};

// OLE for this thread (the folder picker's new style and the shell's own objects need it).
class OleSession {
public:
    OleSession() : initialized_(SUCCEEDED(OleInitialize(nullptr))) {}
    ~OleSession() {
        if (initialized_)
            OleUninitialize();
    }
    OleSession(const OleSession&) = delete;
    OleSession& operator=(const OleSession&) = delete;

private:
    bool initialized_;
};

} // namespace qm::win32
