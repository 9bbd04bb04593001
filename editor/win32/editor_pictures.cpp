#include "editor/win32/editor_pictures.h"

#include "editor/win32/vantrel_ids.h"
#include "ui/win32/dpi.h"
#include "ui/win32/shell_icons.h"

#include <commctrl.h>

#include <algorithm>
#include <span>

namespace qm::win32 {
namespace {

constexpr int kToolIcons[kToolPictureCount] = {
    IDI_TOOL_OPEN,  IDI_TOOL_NEW,    IDI_TOOL_LOAD, IDI_TOOL_CLOSE, IDI_TOOL_SAVE, IDI_TOOL_SAVEAS,
    IDI_TOOL_CLONE, IDI_TOOL_DELETE, IDI_TOOL_ICON, IDI_TOOL_JOY,   IDI_TOOL_RUN,  IDI_TOOL_HELP};

UniqueIcon Icon(HINSTANCE instance, int id, int size) {
    return LoadIconResource(instance, MAKEINTRESOURCEW(id), size, size);
}

// An image list of the icons given, at `size`; empty when one is missing.
UniqueImageList IconList(HINSTANCE instance, std::span<const int> ids, int size) {
    UniqueImageList list(
        ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, static_cast<int>(ids.size()), 0));
    if (!list)
        return {};
    for (const int id : ids) {
        const UniqueIcon icon = Icon(instance, id, size);
        if (!icon || ImageList_AddIcon(list.Get(), icon.Get()) < 0)
            return {};
    }
    return list;
}

// An icon drawn on the menu's colour at the menu's check-mark size, for SetMenuItemBitmaps.
UniqueBitmap MenuBitmap(HINSTANCE instance, int id, int width, int height) {
    const UniqueIcon icon = Icon(instance, id, std::min(width, height));
    const WindowDc screen(nullptr);
    if (!icon || screen.Get() == nullptr)
        return {};
    UniqueBitmap bitmap(CreateCompatibleBitmap(screen.Get(), width, height));
    const UniqueMemoryDc dc(CreateCompatibleDC(screen.Get()));
    if (!bitmap || !dc)
        return {};
    const Selection selection(dc.Get(), bitmap.Get());
    const RECT all{0, 0, width, height};
    FillRect(dc.Get(), &all, GetSysColorBrush(COLOR_MENU));
    const int size = std::min(width, height);
    DrawIconEx(dc.Get(), (width - size) / 2, (height - size) / 2, icon.Get(), size, size, 0,
               nullptr, DI_NORMAL);
    return bitmap;
}

} // namespace

bool EditorPictures::Load(HINSTANCE instance, UINT dpi) {
    const int tool = Scale(24, dpi);
    const int small = Scale(16, dpi);
    static constexpr int kMarkerIcons[] = {IDI_MARKER_NONE, IDI_MARKER_RECORD, IDI_MARKER_CHOSEN};
    static constexpr int kRowIcons[] = {IDI_ROW, IDI_ROW_HELD};
    toolbar_ = IconList(instance, kToolIcons, tool);
    markers_ = IconList(instance, kMarkerIcons, small);
    rows_ = IconList(instance, kRowIcons, small);
    recOff_ = Icon(instance, IDI_REC_OFF, small);
    recOn_ = Icon(instance, IDI_REC_ON, small);
    testOff_ = Icon(instance, IDI_TEST_OFF, small);
    testOn_ = Icon(instance, IDI_TEST_ON, small);
    const int checkWidth = SystemMetric(SM_CXMENUCHECK, dpi);
    const int checkHeight = SystemMetric(SM_CYMENUCHECK, dpi);
    bool complete = toolbar_ && markers_ && rows_ && recOff_ && recOn_ && testOff_ && testOn_;
    for (std::size_t i = 0; i < kToolPictureCount; ++i) {
        menu_[i] = MenuBitmap(instance, kToolIcons[i], checkWidth, checkHeight);
        complete = complete && static_cast<bool>(menu_[i]);
    }
    return complete;
}

} // namespace qm::win32
