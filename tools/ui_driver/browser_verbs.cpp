#include "browser_verbs.h"

#include "session.h"

#include "core/win32/win32_text.h"
#include "harness.h"

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace qm::e2e {
namespace {

const wchar_t* const kPageClass = L"ui_driver.page";

std::wstring LogPath() {
    return DriverFolder() + L"payload\\help_browser.txt";
}

// A file address as a path: "file:///C:/a%20b/c.html#x" is "C:\a b\c.html#x".
std::wstring PathOfAddress(std::wstring text) {
    constexpr std::wstring_view scheme = L"file:///";
    if (text.size() < scheme.size() || !SameText(text.substr(0, scheme.size()), scheme))
        return text;
    std::wstring path;
    for (std::size_t i = scheme.size(); i < text.size(); ++i) {
        if (text[i] == L'%' && i + 2 < text.size()) {
            path += static_cast<wchar_t>(std::stoi(Narrow(text.substr(i + 1, 2)), nullptr, 16));
            i += 2;
        } else {
            path += text[i] == L'/' ? L'\\' : text[i];
        }
    }
    return path;
}

} // namespace

void UseStandInBrowser() {
    DeleteFileW(LogPath().c_str());
    const std::wstring classes = L"Software\\Classes\\";
    const std::wstring command = L"\"" + DriverFolder() + L"payload\\help_browser.exe\" \"%1\"";
    // The user's own classes, which Windows puts over the machine's; Wine 8 reads only the
    // machine's (and lets a test session write them).
    for (const HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        try {
            RegSetText(root, classes + L".html", L"", kPageClass);
            RegSetText(root, classes + kPageClass + L"\\shell\\open\\command", L"", command);
        } catch (const Fatal&) {
            if (root == HKEY_CURRENT_USER)
                throw;
            // Windows without administrator rights: the user's classes do.
        }
    }
}

std::vector<std::wstring> BrowserPages() {
    std::vector<std::wstring> pages;
    std::ifstream log(std::filesystem::path(LogPath()), std::ios::binary);
    for (std::string line; std::getline(log, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::wstring page = win32::WideFromUtf8(line);
        // One argument, quoted or not.
        if (page.size() >= 2 && page.front() == L'"' && page.back() == L'"')
            page = page.substr(1, page.size() - 2);
        pages.push_back(PathOfAddress(page));
    }
    return pages;
}

} // namespace qm::e2e

namespace qm::e2e::verbs {

void Session::BrowserPages(const Arguments& a) {
    const std::size_t count = std::stoul(a[0]);
    std::vector<std::wstring> pages;
    if (!PumpUntil([&] { return (pages = e2e::BrowserPages()).size() >= count; }, kActionMs))
        Fail("the browser was started on " + std::to_string(pages.size()) + " pages, not " + a[0]);
    record_("browser-pages\t" + std::to_string(pages.size()));
    for (const auto& page : pages)
        record_("page\t" + Relative(page));
}

} // namespace qm::e2e::verbs
