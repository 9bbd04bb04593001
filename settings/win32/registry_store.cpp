#include "settings/win32/registry_store.h"

#include "core/win32/win32_handle.h"
#include "core/win32/win32_text.h"

#include <windows.h>

#include <iterator>
#include <stdexcept>

namespace qm {

namespace {

using win32::Utf8FromWide;
using win32::WideFromUtf8;

struct KeyTraits {
    static void Close(HKEY key) { RegCloseKey(key); }
};
using UniqueKey = win32::UniqueOf<HKEY, KeyTraits>;

HKEY RootKey(RegistryRoot root) {
    switch (root) {
    case RegistryRoot::ClassesRoot:
        return HKEY_CLASSES_ROOT;
    case RegistryRoot::CurrentUser:
        return HKEY_CURRENT_USER;
    case RegistryRoot::LocalMachine:
        return HKEY_LOCAL_MACHINE;
    }
    return nullptr;
}

// Opens an existing key; never creates one.
UniqueKey OpenKey(RegistryRoot root, std::string_view keyPath, REGSAM access) {
    HKEY key = nullptr;
    const HKEY rootKey = RootKey(root);
    if (rootKey == nullptr ||
        RegOpenKeyExW(rootKey, WideFromUtf8(keyPath).c_str(), 0, access, &key) != ERROR_SUCCESS)
        return {};
    return UniqueKey(key);
}

// The text of string data: up to the first NUL, or all of it when it has none.
std::string TextOfStringData(const std::wstring& data) {
    const auto end = data.find(L'\0');
    return Utf8FromWide(std::wstring_view(data).substr(0, end));
}

// The data of one value of an open key: text, a REG_DWORD as decimal text, else empty.
std::string RegQueryStringValue(HKEY key, const std::wstring& valueName) {
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key, valueName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return {};
    if (type == REG_DWORD) {
        DWORD value = 0;
        DWORD valueSize = sizeof(value);
        if (RegQueryValueExW(key, valueName.c_str(), nullptr, &type,
                             reinterpret_cast<BYTE*>(&value), &valueSize) != ERROR_SUCCESS ||
            type != REG_DWORD || valueSize != sizeof(value))
            return {};
        return std::to_string(value);
    }
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        return {};
    // The value may grow between the two calls: ask again with the size reported.
    for (int attempt = 0; attempt < 4; ++attempt) {
        std::wstring data(size / sizeof(wchar_t) + 1, L'\0');
        DWORD dataSize = static_cast<DWORD>(data.size() * sizeof(wchar_t));
        const LSTATUS status = RegQueryValueExW(key, valueName.c_str(), nullptr, &type,
                                                reinterpret_cast<BYTE*>(data.data()), &dataSize);
        if (status == ERROR_MORE_DATA) {
            size = dataSize;
            continue;
        }
        if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
            return {};
        data.resize(dataSize / sizeof(wchar_t));
        return TextOfStringData(data);
    }
    return {};
}

// The store reports no failure (settings_store.h): a text too long for the system's calls
// (std::length_error) reads as missing and is not written. An allocation failure is not the
// store's to hide: it goes on to the caller's trap.

} // namespace

std::string RegistryStore::GetString(RegistryRoot root, std::string_view keyPath,
                                     std::string_view valueName) {
    try {
        const UniqueKey key = OpenKey(root, keyPath, KEY_QUERY_VALUE);
        if (!key)
            return {};
        return RegQueryStringValue(key.Get(), WideFromUtf8(valueName));
    } catch (const std::length_error&) {
        return {};
    }
}

void RegistryStore::SaveString(RegistryRoot root, std::string_view keyPath,
                               std::string_view valueName, std::string_view text) {
    try {
        const HKEY rootKey = RootKey(root);
        if (rootKey == nullptr)
            return;
        HKEY created = nullptr;
        if (RegCreateKeyExW(rootKey, WideFromUtf8(keyPath).c_str(), 0, nullptr,
                            REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, &created,
                            nullptr) != ERROR_SUCCESS)
            return;
        const UniqueKey key(created);
        const std::wstring data = WideFromUtf8(text);
        // The byte count includes the terminating NUL.
        const DWORD bytes = static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t));
        RegSetValueExW(key.Get(), WideFromUtf8(valueName).c_str(), 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(data.c_str()), bytes);
    } catch (const std::length_error&) {
    }
}

void RegistryStore::DelSetting(RegistryRoot root, std::string_view keyPath,
                               std::string_view valueName) {
    try {
        const UniqueKey key = OpenKey(root, keyPath, KEY_SET_VALUE);
        if (key)
            RegDeleteValueW(key.Get(), WideFromUtf8(valueName).c_str());
    } catch (const std::length_error&) {
    }
}

void RegistryStore::DelKey(RegistryRoot root, std::string_view keyPath) {
    try {
        // An empty path would name the root itself.
        const HKEY rootKey = RootKey(root);
        if (rootKey == nullptr || keyPath.empty())
            return;
        // Opens the key and deletes it: nothing is created, and the system refuses a key
        // that still has subkeys.
        RegDeleteKeyW(rootKey, WideFromUtf8(keyPath).c_str());
    } catch (const std::length_error&) {
    }
}

long RegistryStore::EnumKey(RegistryRoot root, std::string_view keyPath, std::uint32_t index,
                            std::string& name) {
    try {
        name.clear();
        const UniqueKey key = OpenKey(root, keyPath, KEY_ENUMERATE_SUB_KEYS);
        if (!key)
            return kNoMoreItems;
        // Key names have at most 255 characters.
        wchar_t buffer[256];
        DWORD length = static_cast<DWORD>(std::size(buffer));
        if (RegEnumKeyExW(key.Get(), index, buffer, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            return kNoMoreItems;
        name = Utf8FromWide(std::wstring_view(buffer, length));
        return kEnumSuccess;
    } catch (const std::length_error&) {
        return kNoMoreItems;
    }
}

} // namespace qm
