#include "ui/win32/handed_over_paths.h"

#include "core/handed_over_path.h"
#include "core/win32/win32_text.h"

namespace qm::win32 {

bool HandedOverPaths::Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                             LRESULT& result, const Act& act) {
    switch (message) {
    case WM_COPYDATA:
        result = Receive(window, lParam);
        return true;
    case kDueMessage:
        Deliver(window, act);
        result = 0;
        return true;
    case WM_TIMER:
        if (wParam != kDueTimer)
            return false;
        KillTimer(window, kDueTimer);
        Deliver(window, act);
        result = 0;
        return true;
    case WM_ENABLE:
        // A box or dialog closed: a path that came meanwhile is due once the loop is back.
        // (Under Wine a message posted here while a dialog closed never reached the window.)
        if (wParam != FALSE && !paths_.empty())
            SetTimer(window, kDueTimer, USER_TIMER_MINIMUM, nullptr);
        return false;
    default:
        return false;
    }
}

LRESULT HandedOverPaths::Receive(HWND window, LPARAM copyData) noexcept {
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(copyData);
    if (data == nullptr)
        return FALSE;
    try {
        const auto path = HandedOverPath(data->dwData, data->lpData, data->cbData);
        if (!path)
            return FALSE;
        static_assert(sizeof(wchar_t) == sizeof(char16_t));
        std::string text = Utf8FromWide(
            std::wstring_view(reinterpret_cast<const wchar_t*>(path->data()), path->size()));
        if (keptBytes_ + text.size() > kMostKeptBytes)
            return FALSE;
        paths_.push_back(std::move(text));
        keptBytes_ += paths_.back().size();
    } catch (...) {
        return FALSE; // out of memory: not taken
    }
    PostMessageW(window, kDueMessage, 0, 0);
    return TRUE;
}

void HandedOverPaths::Deliver(HWND window, const Act& act) {
    if (acting_)
        return; // the loop below goes on with it
    acting_ = true;
    // Paths that come meanwhile go behind the one acted on, which stays in its place.
    while (!paths_.empty() && IsWindowEnabled(window)) {
        if (!act(paths_.front())) {
            // The program's start-up has not got that far: offered again a moment later.
            SetTimer(window, kDueTimer, kRetryMs, nullptr);
            break;
        }
        keptBytes_ -= paths_.front().size();
        paths_.pop_front();
    }
    acting_ = false;
}

} // namespace qm::win32
