// The settings in the registry as the programs keep them, and text compared and converted.
#include "harness.h"

#include "core/win32/win32_text.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm::e2e {

namespace {

constexpr wchar_t kSettingsKey[] = L"Software\\Vantrel";

constexpr wchar_t kWindowsRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

constexpr wchar_t kKnownFilesKey[] = L"Software\\Vantrel\\user";

constexpr wchar_t kRunValue[] = L"Corvex";

} // namespace

std::optional<std::wstring> RegText(HKEY root, const std::wstring& key, const std::wstring& value) {
    DWORD bytes = 0;
    if (RegGetValueW(root, key.c_str(), value.c_str(), RRF_RT_REG_SZ, nullptr, nullptr, &bytes) !=
        ERROR_SUCCESS)
        return std::nullopt;
    std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (RegGetValueW(root, key.c_str(), value.c_str(), RRF_RT_REG_SZ, nullptr, text.data(),
                     &bytes) != ERROR_SUCCESS)
        return std::nullopt;
    text.resize(wcsnlen(text.c_str(), text.size()));
    return text;
}

void RegSetText(HKEY root, const std::wstring& key, const std::wstring& value,
                const std::wstring& text) {
    const auto bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
    if (RegSetKeyValueW(root, key.c_str(), value.c_str(), REG_SZ, text.c_str(), bytes) !=
        ERROR_SUCCESS)
        throw Fatal("cannot write the registry value " + Narrow(key) + "\\" + Narrow(value));
}

namespace {
void DeleteKey(HKEY root, const wchar_t* key) {
    RegDeleteTreeW(root, key);
    RegDeleteKeyW(root, key);
}
} // namespace

void ForgetSettings() {
    DeleteKey(HKEY_CURRENT_USER, kSettingsKey);
    DeleteKey(HKEY_CURRENT_USER, L"Software\\Classes\\.qmf");
    DeleteKey(HKEY_CURRENT_USER, L"Software\\Classes\\qmf_file");
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kWindowsRunKey, kRunValue);
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kWindowsRunKey, kRunValue);
}

std::vector<std::wstring> KnownConfigurationPaths() {
    std::vector<std::wstring> paths;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kKnownFilesKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return paths;
    std::vector<std::wstring> entries;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD length = static_cast<DWORD>(std::size(name));
        if (RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        entries.emplace_back(name, length);
    }
    RegCloseKey(key);
    for (const auto& entry : entries) {
        if (auto path =
                RegText(HKEY_CURRENT_USER, std::wstring(kKnownFilesKey) + L"\\" + entry, L"path"))
            paths.push_back(*path);
    }
    return paths;
}

bool SameText(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() &&
           CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

std::string Narrow(std::wstring_view text) {
    return win32::Utf8FromWide(text);
}

std::string Shown(const std::optional<std::wstring>& text) {
    return text ? "\"" + Narrow(*text) + "\"" : "(missing)";
}

} // namespace qm::e2e
