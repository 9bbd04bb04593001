// Stands in for the user's browser in the end-to-end tests (the driver's html-browser verb
// makes it the program for .html pages): each start appends its command line as a line of
// help_browser.txt beside it, in UTF-8, and ends.
#include <windows.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR arguments, int) {
    std::wstring log(MAX_PATH * 4, L'\0');
    log.resize(GetModuleFileNameW(nullptr, log.data(), static_cast<DWORD>(log.size())));
    log = log.substr(0, log.find_last_of(L'\\') + 1) + L"help_browser.txt";
    std::wstring line = arguments != nullptr ? arguments : L"";
    line += L"\r\n";
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()),
                                          nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), text.data(), bytes,
                        nullptr, nullptr);
    const HANDLE file = CreateFileW(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    DWORD written = 0;
    const BOOL ok =
        WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == text.size() ? 0 : 1;
}
