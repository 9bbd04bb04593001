#include "ui/win32/preferences_controls.h"

#include "core/win32/win32_text.h"
#include "ui/win32/preferences_ids.h"

#include <commctrl.h>

#include <array>

namespace qm::win32 {
namespace {

// A timing box's controls, the hint they show, and the procedures that handle their changes.
struct TimingBoxIds {
    TimingBox Box;
    int Text;
    int Bar;
    int Label;
    const wchar_t* Hint;
    const char* TextChange;
    const char* BarChange;
};

constexpr std::array<TimingBoxIds, 3> kTimingBoxes = {{
    {TimingBox::KeyHold, IDC_KEY_HOLD, IDC_KEY_HOLD_SCROLL, IDC_KEY_HOLD_LABEL,
     L"Duration in milliseconds to hold a key pressed before releasing.", "TextHold_Change",
     "VScrollHold_Change"},
    {TimingBox::RepeatDelay, IDC_REPEAT_DELAY, IDC_REPEAT_DELAY_SCROLL, IDC_REPEAT_DELAY_LABEL,
     L"Delay in milliseconds between key macro outputs.", "TextRepeat_Change",
     "VScrollRepeat_Change"},
    {TimingBox::RotaryThreshold, IDC_ROTARY_THRESHOLD, IDC_ROTARY_THRESHOLD_SCROLL,
     IDC_ROTARY_THRESHOLD_LABEL, L"Threshold in milliseconds before switching from Low to Hi rate.",
     "TextRotary_Change", "VScrollRotary_Change"},
}};

// The scroll-bar action of a WM_VSCROLL code; none for the codes that change nothing.
std::optional<ScrollAction> ScrollActionOf(int code) {
    switch (code) {
    case SB_LINEUP:
        return ScrollAction::LineUp;
    case SB_LINEDOWN:
        return ScrollAction::LineDown;
    case SB_PAGEUP:
        return ScrollAction::PageUp;
    case SB_PAGEDOWN:
        return ScrollAction::PageDown;
    case SB_TOP:
        return ScrollAction::Top;
    case SB_BOTTOM:
        return ScrollAction::Bottom;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
        return ScrollAction::Track;
    default:
        return std::nullopt;
    }
}

} // namespace

std::string ControlText(HWND control) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
    return Utf8FromWide(text);
}

void ShowControlText(HWND control, std::string_view text) {
    if (ControlText(control) != text)
        SetWindowTextW(control, WideFromUtf8(text).c_str());
}

void TimingBoxControls::Attach(HWND dialog) {
    dialog_ = dialog;
    for (const TimingBoxIds& box : kTimingBoxes) {
        SCROLLINFO info{};
        info.cbSize = sizeof(info);
        info.fMask = SIF_RANGE | SIF_PAGE;
        info.nMin = 0;
        info.nMax = ScaleOf(box.Box).Maximum;
        info.nPage = 0;
        SetScrollInfo(GetDlgItem(dialog, box.Bar), SB_CTL, &info, FALSE);
    }
    tooltip_.Reset(CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                   WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, dialog, nullptr,
                                   nullptr, nullptr));
    if (!tooltip_)
        return;
    SendMessageW(tooltip_.Get(), TTM_SETMAXTIPWIDTH, 0, 400);
    for (const TimingBoxIds& box : kTimingBoxes) {
        for (const int id : {box.Text, box.Bar, box.Label}) {
            TOOLINFOW tool{};
            tool.cbSize = sizeof(tool);
            tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
            tool.hwnd = dialog;
            tool.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(dialog, id));
            tool.lpszText = const_cast<wchar_t*>(box.Hint);
            SendMessageW(tooltip_.Get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        }
    }
}

void TimingBoxControls::Show(const TimingBoxes& boxes) const {
    for (const TimingBoxIds& box : kTimingBoxes) {
        ShowControlText(GetDlgItem(dialog_, box.Text), boxes.Text(box.Box));
        SetScrollPos(GetDlgItem(dialog_, box.Bar), SB_CTL, boxes.ScrollPosition(box.Box), TRUE);
    }
}

std::optional<TimingBoxControls::TextChange> TimingBoxControls::TextChangeOf(int id,
                                                                             int code) const {
    if (code != EN_CHANGE)
        return std::nullopt;
    for (const TimingBoxIds& box : kTimingBoxes)
        if (id == box.Text)
            return TextChange{box.Box, box.TextChange, ControlText(GetDlgItem(dialog_, id))};
    return std::nullopt;
}

std::optional<TimingBoxControls::BarChange> TimingBoxControls::BarChangeOf(HWND bar,
                                                                           int code) const {
    const auto action = ScrollActionOf(code);
    if (!action)
        return std::nullopt;
    const int id = GetDlgCtrlID(bar);
    for (const TimingBoxIds& box : kTimingBoxes) {
        if (id != box.Bar)
            continue;
        int trackPosition = 0;
        if (*action == ScrollAction::Track) {
            SCROLLINFO info{};
            info.cbSize = sizeof(info);
            info.fMask = SIF_TRACKPOS;
            if (!GetScrollInfo(bar, SB_CTL, &info))
                return std::nullopt;
            trackPosition = info.nTrackPos;
        }
        return BarChange{box.Box, *action, trackPosition, box.BarChange};
    }
    return std::nullopt;
}

} // namespace qm::win32
