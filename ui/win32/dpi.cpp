#include "ui/win32/dpi.h"

namespace qm::win32 {
namespace {

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using GetSystemMetricsForDpiFn = int(WINAPI*)(int, UINT);
using SystemParametersInfoForDpiFn = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);
using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);

// The per-monitor functions of user32, where the system has them.
struct DpiFunctions {
    GetDpiForWindowFn getDpiForWindow = nullptr;
    GetSystemMetricsForDpiFn getSystemMetricsForDpi = nullptr;
    SystemParametersInfoForDpiFn systemParametersInfoForDpi = nullptr;
    AdjustWindowRectExForDpiFn adjustWindowRectExForDpi = nullptr;

    DpiFunctions() {
        const HMODULE user32 = GetModuleHandleW(L"user32.dll");
        if (user32 == nullptr)
            return;
        getDpiForWindow = Load<GetDpiForWindowFn>(user32, "GetDpiForWindow");
        getSystemMetricsForDpi = Load<GetSystemMetricsForDpiFn>(user32, "GetSystemMetricsForDpi");
        systemParametersInfoForDpi =
            Load<SystemParametersInfoForDpiFn>(user32, "SystemParametersInfoForDpi");
        adjustWindowRectExForDpi =
            Load<AdjustWindowRectExForDpiFn>(user32, "AdjustWindowRectExForDpi");
    }

    template <class Function> static Function Load(HMODULE module, const char* name) {
        return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    }
};

const DpiFunctions& Functions() {
    static const DpiFunctions functions;
    return functions;
}

UINT SystemDpi() {
    const HDC screen = GetDC(nullptr);
    if (screen == nullptr)
        return kDefaultDpi;
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : kDefaultDpi;
}

} // namespace

UINT WindowDpi(HWND window) {
    if (window != nullptr && Functions().getDpiForWindow != nullptr) {
        const UINT dpi = Functions().getDpiForWindow(window);
        if (dpi != 0)
            return dpi;
    }
    return SystemDpi();
}

int SystemMetric(int index, UINT dpi) {
    if (Functions().getSystemMetricsForDpi != nullptr)
        return Functions().getSystemMetricsForDpi(index, dpi);
    return GetSystemMetrics(index);
}

LOGFONTW MessageFont(UINT dpi) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (Functions().systemParametersInfoForDpi != nullptr &&
        Functions().systemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics,
                                               0, dpi))
        return metrics.lfMessageFont;
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
        LOGFONTW font = metrics.lfMessageFont;
        font.lfHeight = MulDiv(font.lfHeight, static_cast<int>(dpi), static_cast<int>(SystemDpi()));
        return font;
    }
    LOGFONTW font{};
    font.lfHeight = -MulDiv(9, static_cast<int>(dpi), 72);
    font.lfWeight = FW_NORMAL;
    lstrcpynW(font.lfFaceName, L"Segoe UI", LF_FACESIZE);
    return font;
}

void AdjustWindowRectForDpi(RECT& rect, DWORD style, bool menu, DWORD exStyle, UINT dpi) {
    if (Functions().adjustWindowRectExForDpi != nullptr &&
        Functions().adjustWindowRectExForDpi(&rect, style, menu, exStyle, dpi))
        return;
    AdjustWindowRectEx(&rect, style, menu, exStyle);
}

} // namespace qm::win32
