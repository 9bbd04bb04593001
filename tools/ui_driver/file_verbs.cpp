// The verbs of files in the scratch installation: dumped, printed, checked, made read-only,
// copied.
#include "core/win32/win32_handle.h"
#include "core/win32/win32_text.h"
#include "session.h"
#include "ui/win32/shell_handles.h"

#include <cstdio>
#include <sstream>
#include <string>

namespace qm::e2e::verbs {

void Session::Dump(const Arguments& a) {
    const std::wstring tool = install_.Folder + L"qmftool.exe";
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0))
        Fail("cannot make a pipe for qmftool");
    win32::UniqueHandle reading(readEnd), writing(writeEnd);
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    std::wstring command = L"\"" + tool + L"\" dump \"" + InInstall(a[0]) + L"\"";
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(tool.c_str(), command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                        nullptr, install_.Folder.c_str(), &startup, &started))
        Fail("cannot start qmftool.exe");
    const win32::UniqueHandle process(started.hProcess), thread(started.hThread);
    writing.Reset();
    std::string output;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(readEnd, buffer, sizeof buffer, &read, nullptr) && read > 0)
        output.append(buffer, read);
    WaitForSingleObject(process.Get(), kActionMs);
    DWORD code = 0;
    GetExitCodeProcess(process.Get(), &code);
    // One record per row: the tool prints the whole configuration on one line.
    const std::string row = "{\"button\"";
    for (std::size_t at = 0; (at = output.find(row, at)) != std::string::npos; at += row.size() + 1)
        output.insert(at, "\n");
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        record_(Relative(win32::WideFromUtf8(line)));
    }
    if (code != 0)
        record_("qmftool: exit code " + std::to_string(code));
}

void Session::File(const Arguments& a) {
    const std::wstring path = InInstall(a[0]);
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        Fail(a[0] + " does not exist");
    const std::string bytes = ReadBytes(path);
    record_(a[0] + ": " + std::to_string(bytes.size()) + " bytes");
    std::string line;
    for (std::size_t i = 0; i <= bytes.size(); ++i) {
        if (i == bytes.size() || bytes[i] == '\n') {
            if (i < bytes.size() || !line.empty())
                record_("| " + line);
            line.clear();
            continue;
        }
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            continue;
        if (c < 0x20 || c >= 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            line += escaped;
        } else {
            line += static_cast<char>(c);
        }
    }
}

void Session::Exists(const Arguments& a) {
    const DWORD attributes = GetFileAttributesW(InInstall(a[0]).c_str());
    record_(a[0] + (attributes == INVALID_FILE_ATTRIBUTES         ? " missing"
                    : (attributes & FILE_ATTRIBUTE_READONLY) != 0 ? " exists, read-only"
                                                                  : " exists"));
}

void Session::MakeReadOnly(const Arguments& a) {
    const std::wstring path = InInstall(a[0]);
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES ||
        !SetFileAttributesW(path.c_str(), attributes | FILE_ATTRIBUTE_READONLY))
        Fail("cannot make " + a[0] + " read-only");
}

void Session::Copy(const Arguments& a) {
    std::wstring source = scriptFolder_ + WindowsPath(Wide(a[0]));
    if (GetFileAttributesW(source.c_str()) == INVALID_FILE_ATTRIBUTES)
        source = DriverFolder() + L"payload\\" + WindowsPath(Wide(a[0]));
    const std::wstring target = InInstall(a[1]);
    MakeFolder(target.substr(0, target.find_last_of(L'\\')));
    if (!CopyFileW(source.c_str(), target.c_str(), FALSE))
        Fail("cannot copy " + a[0] + " to " + a[1]);
}

} // namespace qm::e2e::verbs
