#include "ui/win32/guide_browser.h"

#include "core/win32/win32_text.h"

#include <shellapi.h>
#include <shlwapi.h>

namespace qm::win32 {
namespace {

// ShellExecute's result: above 32 when a program started.
bool Started(HINSTANCE result) {
    return reinterpret_cast<INT_PTR>(result) > 32;
}

// The program the user opens .html files with; empty when there is none.
std::wstring HtmlBrowser() {
    std::wstring program(MAX_PATH * 4, L'\0');
    DWORD size = static_cast<DWORD>(program.size());
    if (FAILED(AssocQueryStringW(ASSOCF_NOTRUNCATE, ASSOCSTR_EXECUTABLE, L".html", L"open",
                                 program.data(), &size)))
        return {};
    program.resize(wcslen(program.c_str()));
    return program;
}

std::wstring FileUrl(const std::wstring& path) {
    std::wstring url(4096, L'\0');
    DWORD size = static_cast<DWORD>(url.size());
    if (FAILED(UrlCreateFromPathW(path.c_str(), url.data(), &size, 0)))
        return {};
    url.resize(wcslen(url.c_str()));
    return url;
}

} // namespace

bool ShowGuidePage(HWND owner, const std::string& path, const std::string& anchor) {
    const std::wstring page = WideFromUtf8(path);
    if (!anchor.empty()) {
        // The shell drops the anchor of a file it opens: the browser gets the page's address.
        const std::wstring browser = HtmlBrowser();
        const std::wstring url = FileUrl(page);
        if (!browser.empty() && !url.empty()) {
            const std::wstring argument = L"\"" + url + L"#" + WideFromUtf8(anchor) + L"\"";
            if (Started(ShellExecuteW(owner, L"open", browser.c_str(), argument.c_str(), nullptr,
                                      SW_SHOWNORMAL)))
                return true;
        }
    }
    return Started(ShellExecuteW(owner, L"open", page.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
}

void ForwardHelpRequest(HWND dialog, GuideTopic topic, LPARAM helpInfo) {
    const HWND owner = GetWindow(dialog, GW_OWNER);
    if (owner == nullptr || helpInfo == 0)
        return;
    HELPINFO info = *reinterpret_cast<const HELPINFO*>(helpInfo);
    if (!TopicOfHelpContext(info.dwContextId))
        info.dwContextId = HelpContextOf(topic);
    SendMessageW(owner, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
}

std::optional<GuideTopic> HelpRequestTopic(LPARAM helpInfo) {
    if (helpInfo == 0)
        return std::nullopt;
    return TopicOfHelpContext(reinterpret_cast<const HELPINFO*>(helpInfo)->dwContextId);
}

} // namespace qm::win32
