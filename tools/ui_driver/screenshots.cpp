// Screenshots: windows captured, compared pixel by pixel and saved as PNG.
#include "harness.h"

#include "core/win32/com_ptr.h"
#include "core/win32/win32_handle.h"
#include "ui/win32/shell_handles.h"

#include <wincodec.h>

#include <algorithm>
#include <string>
#include <vector>

namespace qm::e2e {

namespace {

bool EncodePng(HBITMAP bitmap, int width, int height, const std::wstring& path) {
    using win32::ComPtr;
    ComPtr<IWICImagingFactory> factory;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IWICImagingFactory, reinterpret_cast<void**>(factory.Put()))))
        return false;
    ComPtr<IWICBitmap> source;
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapEncoder> encoder;
    ComPtr<IWICBitmapFrameEncode> frame;
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    return SUCCEEDED(factory->CreateBitmapFromHBITMAP(bitmap, nullptr, WICBitmapIgnoreAlpha,
                                                      source.Put())) &&
           SUCCEEDED(factory->CreateStream(stream.Put())) &&
           SUCCEEDED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE)) &&
           SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.Put())) &&
           SUCCEEDED(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache)) &&
           SUCCEEDED(encoder->CreateNewFrame(frame.Put(), nullptr)) &&
           SUCCEEDED(frame->Initialize(nullptr)) &&
           SUCCEEDED(frame->SetSize(static_cast<UINT>(width), static_cast<UINT>(height))) &&
           SUCCEEDED(frame->SetPixelFormat(&format)) &&
           SUCCEEDED(frame->WriteSource(source.Get(), nullptr)) && SUCCEEDED(frame->Commit()) &&
           SUCCEEDED(encoder->Commit());
}

} // namespace

namespace {

// The screen inside `area` as a new top-down 32-bit DIB section, and its pixels; null when the
// screen could not be read.
win32::UniqueBitmap CopyScreen(const RECT& area, const std::uint32_t*& pixels) {
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    const win32::WindowDc screen(nullptr);
    const win32::UniqueMemoryDc memory(CreateCompatibleDC(screen.Get()));
    if (width <= 0 || height <= 0 || screen.Get() == nullptr || !memory)
        return {};
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    win32::UniqueBitmap bitmap(
        CreateDIBSection(screen.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || bits == nullptr)
        return {};
    const HGDIOBJ old = SelectObject(memory.Get(), bitmap.Get());
    const bool copied = BitBlt(memory.Get(), 0, 0, width, height, screen.Get(), area.left, area.top,
                               SRCCOPY | CAPTUREBLT) != FALSE;
    SelectObject(memory.Get(), old);
    GdiFlush();
    if (!copied)
        return {};
    pixels = static_cast<const std::uint32_t*>(bits);
    return bitmap;
}

// `area` within the screen; false when nothing of it is on the screen.
bool OnScreen(RECT& area) {
    const RECT screen{GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                      GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                      GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    return IntersectRect(&area, &area, &screen) != FALSE;
}

} // namespace

Capture CaptureWindow(HWND window) {
    RECT area{};
    const std::uint32_t* pixels = nullptr;
    if (window == nullptr || !IsWindowVisible(window) || !GetWindowRect(window, &area) ||
        !OnScreen(area))
        return {};
    const win32::UniqueBitmap bitmap = CopyScreen(area, pixels);
    if (!bitmap)
        return {};
    Capture capture{area.right - area.left, area.bottom - area.top, {}};
    capture.Pixels.assign(pixels, pixels + static_cast<std::size_t>(capture.Width) *
                                               static_cast<std::size_t>(capture.Height));
    for (auto& pixel : capture.Pixels)
        pixel &= 0xFFFFFF;
    return capture;
}

std::size_t DifferingPixels(const Capture& a, const Capture& b) {
    if (a.Width != b.Width || a.Height != b.Height)
        return std::max(a.Pixels.size(), b.Pixels.size());
    std::size_t differing = 0;
    for (std::size_t i = 0; i < a.Pixels.size(); ++i)
        differing += a.Pixels[i] != b.Pixels[i] ? 1 : 0;
    return differing;
}

bool SaveScreenshot(const std::wstring& path, const std::vector<HWND>& windows, int margin) {
    RECT area{};
    for (const HWND window : windows) {
        RECT bounds{};
        if (window == nullptr || !IsWindowVisible(window) || !GetWindowRect(window, &bounds))
            continue;
        UnionRect(&area, &area, &bounds);
    }
    InflateRect(&area, margin, margin);
    if (!OnScreen(area))
        return false;
    const std::uint32_t* pixels = nullptr;
    const win32::UniqueBitmap bitmap = CopyScreen(area, pixels);
    return bitmap && EncodePng(bitmap.Get(), area.right - area.left, area.bottom - area.top, path);
}

} // namespace qm::e2e
