// What only the registry store has, against the real registry of the Wine prefix: the types it
// writes and reads (the shared cases are in tests/unit/settings_store_test.cpp).
#include "core/win32/win32_text.h"
#include "settings/win32/registry_store.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <string>

namespace qm {
namespace {

using win32::WideFromUtf8;

constexpr auto kUser = RegistryRoot::CurrentUser;

// Each test works under its own key, removed before and after it.
class RegistryStoreTest : public ::testing::Test {
protected:
    void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, key_.c_str()); }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, key_.c_str()); }

    void SetRaw(const wchar_t* name, DWORD type, const void* data, DWORD size) {
        ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, key_.c_str(), name, type, data, size),
                  ERROR_SUCCESS);
    }
    std::string Get(const char* name) { return store_.GetString(kUser, kKey, name); }

    static constexpr char kKey[] = "Software\\VantrelRegistryTest";
    const std::wstring key_ = WideFromUtf8(kKey);
    RegistryStore store_;
};

TEST_F(RegistryStoreTest, SaveStringWritesSzWithTheTerminatingNulCounted) {
    for (const auto& [text, units] : {std::pair{"abc\xC3\xA9", 5u}, std::pair{"", 1u}}) {
        store_.SaveString(kUser, kKey, "v", text);
        DWORD type = REG_NONE;
        DWORD size = 0;
        ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, key_.c_str(), L"v", RRF_RT_ANY | RRF_NOEXPAND,
                               &type, nullptr, &size),
                  ERROR_SUCCESS);
        EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(size, units * sizeof(wchar_t)) << text;
    }
}

TEST_F(RegistryStoreTest, ValuesOfOtherToolsReadByType) {
    for (const auto& [name, dword, text] : {std::tuple{L"small", 70000u, "70000"},
                                            {L"all", 0xFFFFFFFFu, "4294967295"},
                                            {L"zero", 0u, "0"}}) {
        const DWORD value = dword;
        SetRaw(name, REG_DWORD, &value, sizeof value);
        EXPECT_EQ(store_.GetString(kUser, kKey, win32::Utf8FromWide(name)), text);
    }
    const wchar_t expand[] = L"%TEMP%\\x";
    SetRaw(L"expand", REG_EXPAND_SZ, expand, sizeof expand);
    EXPECT_EQ(Get("expand"), "%TEMP%\\x"); // not expanded
    const wchar_t embedded[] = L"before\0after";
    SetRaw(L"embedded", REG_SZ, embedded, sizeof embedded);
    EXPECT_EQ(Get("embedded"), "before");
    const wchar_t unterminated[] = {L'a', L'b', L'c'};
    SetRaw(L"unterminated", REG_SZ, unterminated, sizeof unterminated);
    EXPECT_EQ(Get("unterminated"), "abc");
    SetRaw(L"emptydata", REG_SZ, L"", 0);
    EXPECT_EQ(Get("emptydata"), "");

    const wchar_t multi[] = L"one\0two\0";
    const unsigned char binary[] = {'4', '2'};
    const std::uint64_t qword = 5;
    SetRaw(L"multi", REG_MULTI_SZ, multi, sizeof multi);
    SetRaw(L"binary", REG_BINARY, binary, sizeof binary);
    SetRaw(L"qword", REG_QWORD, &qword, sizeof qword);
    for (const char* other : {"multi", "binary", "qword"})
        EXPECT_EQ(Get(other), "") << other;
}

} // namespace
} // namespace qm
