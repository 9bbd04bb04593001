// The registry store against the real registry of the Wine prefix.
#include "core/win32/win32_text.h"
#include "settings/known_files.h"
#include "settings/win32/registry_store.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace qm {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;
using win32::WideFromUtf8;

constexpr auto kUser = RegistryRoot::CurrentUser;
constexpr char kTestRoot[] = "Software\\VantrelTest";

struct RawValue {
    LSTATUS status = ERROR_FILE_NOT_FOUND;
    DWORD type = REG_NONE;
    DWORD size = 0;
};

// Each test works under its own key, removed before and after it.
class RegistryStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        key_ = std::string(kTestRoot) + "\\" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name();
        RegDeleteTreeW(HKEY_CURRENT_USER, WideFromUtf8(key_).c_str());
    }
    void TearDown() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, WideFromUtf8(key_).c_str());
        RegDeleteKeyW(HKEY_CURRENT_USER, WideFromUtf8(kTestRoot).c_str()); // when empty
    }

    std::string Key(std::string_view sub = {}) const {
        return sub.empty() ? key_ : key_ + "\\" + std::string(sub);
    }

    static bool KeyExists(const std::string& path) {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, WideFromUtf8(path).c_str(), 0, KEY_READ, &key) !=
            ERROR_SUCCESS)
            return false;
        RegCloseKey(key);
        return true;
    }

    static void SetRaw(const std::string& path, const wchar_t* name, DWORD type, const void* data,
                       DWORD size) {
        ASSERT_EQ(
            RegSetKeyValueW(HKEY_CURRENT_USER, WideFromUtf8(path).c_str(), name, type, data, size),
            ERROR_SUCCESS);
    }

    static RawValue QueryRaw(const std::string& path, const wchar_t* name) {
        RawValue value;
        HKEY key = nullptr;
        value.status =
            RegOpenKeyExW(HKEY_CURRENT_USER, WideFromUtf8(path).c_str(), 0, KEY_READ, &key);
        if (value.status != ERROR_SUCCESS)
            return value;
        value.status = RegQueryValueExW(key, name, nullptr, &value.type, nullptr, &value.size);
        RegCloseKey(key);
        return value;
    }

    std::vector<std::string> Subkeys(const std::string& path) {
        std::vector<std::string> names;
        std::string name;
        for (std::uint32_t i = 0; store_.EnumKey(kUser, path, i, name) != kNoMoreItems; ++i)
            names.push_back(name);
        return names;
    }

    RegistryStore store_;
    std::string key_;
};

TEST_F(RegistryStoreTest, TextRoundTripsThroughUtf16) {
    const std::string texts[] = {
        "C:\\Program Files\\Vantrel\\config\\",
        "Gr\xC3\xBC\xC3\x9F"
        "e \xE2\x80\x93 \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x8E\xAE", // ü ß – 日本 🎮
        "",
    };
    for (const auto& text : texts) {
        store_.SaveString(kUser, Key(), "value", text);
        EXPECT_EQ(store_.GetString(kUser, Key(), "value"), text);
    }

    // The empty value name is the key's default value, separate from the named values.
    store_.SaveString(kUser, Key(), "", "default text");
    store_.SaveString(kUser, Key(), "named", "named text");
    EXPECT_EQ(store_.GetString(kUser, Key(), ""), "default text");
    EXPECT_EQ(store_.GetString(kUser, Key(), "named"), "named text");

    // Unicode in key paths and value names.
    const std::string subkey = Key("\xC3\x84rger");
    store_.SaveString(kUser, subkey, "n\xC3\xA4me", "x");
    EXPECT_EQ(store_.GetString(kUser, subkey, "n\xC3\xA4me"), "x");
    EXPECT_THAT(Subkeys(Key()), ElementsAre("\xC3\x84rger"));
}

TEST_F(RegistryStoreTest, SaveStringWritesSzWithTerminatingNulCounted) {
    store_.SaveString(kUser, Key(), "path", "abc\xC3\xA9"); // four UTF-16 units
    RawValue raw = QueryRaw(Key(), L"path");
    ASSERT_EQ(raw.status, ERROR_SUCCESS);
    EXPECT_EQ(raw.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(raw.size, 5 * sizeof(wchar_t));

    store_.SaveString(kUser, Key(), "empty", "");
    raw = QueryRaw(Key(), L"empty");
    ASSERT_EQ(raw.status, ERROR_SUCCESS);
    EXPECT_EQ(raw.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(raw.size, sizeof(wchar_t));
}

TEST_F(RegistryStoreTest, SaveStringCreatesMissingKeysAlongThePath) {
    store_.SaveString(kUser, Key("a\\b\\c"), "v", "1");
    EXPECT_TRUE(KeyExists(Key("a")));
    EXPECT_TRUE(KeyExists(Key("a\\b")));
    EXPECT_EQ(store_.GetString(kUser, Key("a\\b\\c"), "v"), "1");
}

TEST_F(RegistryStoreTest, MissingKeysAndValuesReadEmpty) {
    EXPECT_EQ(store_.GetString(kUser, Key("nowhere"), "v"), "");
    EXPECT_FALSE(KeyExists(Key("nowhere"))); // reading creates nothing
    store_.SaveString(kUser, Key(), "present", "x");
    EXPECT_EQ(store_.GetString(kUser, Key(), "absent"), "");
    EXPECT_EQ(store_.GetString(kUser, Key(), ""), ""); // default value never set
}

TEST_F(RegistryStoreTest, ValuesOfOtherToolsReadByType) {
    const DWORD small = 70000;
    const DWORD all = 0xFFFFFFFF;
    const DWORD zero = 0;
    SetRaw(Key(), L"small", REG_DWORD, &small, sizeof small);
    SetRaw(Key(), L"all", REG_DWORD, &all, sizeof all);
    SetRaw(Key(), L"zero", REG_DWORD, &zero, sizeof zero);
    EXPECT_EQ(store_.GetString(kUser, Key(), "small"), "70000");
    EXPECT_EQ(store_.GetString(kUser, Key(), "all"), "4294967295");
    EXPECT_EQ(store_.GetString(kUser, Key(), "zero"), "0");

    const wchar_t expand[] = L"%TEMP%\\x";
    SetRaw(Key(), L"expand", REG_EXPAND_SZ, expand, sizeof expand);
    EXPECT_EQ(store_.GetString(kUser, Key(), "expand"), "%TEMP%\\x"); // not expanded

    const wchar_t embedded[] = L"before\0after";
    SetRaw(Key(), L"embedded", REG_SZ, embedded, sizeof embedded);
    EXPECT_EQ(store_.GetString(kUser, Key(), "embedded"), "before");

    const wchar_t unterminated[] = {L'a', L'b', L'c'};
    SetRaw(Key(), L"unterminated", REG_SZ, unterminated, sizeof unterminated);
    EXPECT_EQ(store_.GetString(kUser, Key(), "unterminated"), "abc");

    SetRaw(Key(), L"emptydata", REG_SZ, L"", 0);
    EXPECT_EQ(store_.GetString(kUser, Key(), "emptydata"), "");

    const wchar_t multi[] = L"one\0two\0";
    const unsigned char binary[] = {'4', '2'};
    const std::uint64_t qword = 5;
    SetRaw(Key(), L"multi", REG_MULTI_SZ, multi, sizeof multi);
    SetRaw(Key(), L"binary", REG_BINARY, binary, sizeof binary);
    SetRaw(Key(), L"qword", REG_QWORD, &qword, sizeof qword);
    EXPECT_EQ(store_.GetString(kUser, Key(), "multi"), "");
    EXPECT_EQ(store_.GetString(kUser, Key(), "binary"), "");
    EXPECT_EQ(store_.GetString(kUser, Key(), "qword"), "");
}

TEST_F(RegistryStoreTest, DelSettingRemovesOnlyThatValue) {
    store_.SaveString(kUser, Key(), "gone", "1");
    store_.SaveString(kUser, Key(), "kept", "2");
    store_.DelSetting(kUser, Key(), "gone");
    EXPECT_EQ(QueryRaw(Key(), L"gone").status, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(store_.GetString(kUser, Key(), "kept"), "2");
    store_.DelSetting(kUser, Key(), "gone"); // already gone: nothing happens
    EXPECT_EQ(store_.GetString(kUser, Key(), "kept"), "2");
}

TEST_F(RegistryStoreTest, DeletingInMissingKeysCreatesNothing) {
    store_.SaveString(kUser, Key(), "v", "1");
    store_.DelSetting(kUser, Key("p\\q"), "v");
    EXPECT_FALSE(KeyExists(Key("p")));
    store_.DelKey(kUser, Key("p\\q"));
    EXPECT_FALSE(KeyExists(Key("p")));
    EXPECT_THAT(Subkeys(Key()), IsEmpty());
}

TEST_F(RegistryStoreTest, DelKeyDeletesLeavesButKeepsKeysWithSubkeys) {
    store_.SaveString(kUser, Key("parent\\child"), "v", "1");
    store_.SaveString(kUser, Key("parent"), "v", "2");

    store_.DelKey(kUser, Key("parent"));
    EXPECT_TRUE(KeyExists(Key("parent\\child")));
    EXPECT_EQ(store_.GetString(kUser, Key("parent"), "v"), "2");

    // Children first, then the parent: the order callers use.
    store_.DelKey(kUser, Key("parent\\child"));
    EXPECT_FALSE(KeyExists(Key("parent\\child")));
    store_.DelKey(kUser, Key("parent"));
    EXPECT_FALSE(KeyExists(Key("parent")));
    EXPECT_TRUE(KeyExists(Key())); // the key above stays
}

TEST_F(RegistryStoreTest, EnumKeyListsSubkeysThenReportsNoMoreItems) {
    std::string name = "stale";
    EXPECT_EQ(store_.EnumKey(kUser, Key("missing"), 0, name), kNoMoreItems);

    store_.SaveString(kUser, Key(), "value only", "x");
    EXPECT_EQ(store_.EnumKey(kUser, Key(), 0, name), kNoMoreItems); // values are not subkeys

    for (const char* sub : {"file1", "file3", "other", "file10"})
        store_.SaveString(kUser, Key(sub), "path", sub);
    EXPECT_THAT(Subkeys(Key()), UnorderedElementsAre("file1", "file3", "other", "file10"));
    EXPECT_EQ(store_.EnumKey(kUser, Key(), 0, name), kEnumSuccess);
    EXPECT_EQ(store_.EnumKey(kUser, Key(), 4, name), kNoMoreItems);
    EXPECT_EQ(store_.EnumKey(kUser, Key(), 1000, name), kNoMoreItems);
}

TEST_F(RegistryStoreTest, NewFileKeySkipsExistingAndReservedNames) {
    store_.SaveString(kUser, Key("file1"), "path", "C:\\a.qmf");
    store_.SaveString(kUser, Key("file3"), "path", "C:\\c.qmf");
    ReservedEntryNames reserved;
    reserved.Add("file2");

    EXPECT_EQ(NewFileKey(store_, kUser, Key(), reserved), "file4");
    EXPECT_EQ(NewFileKey(store_, kUser, Key(), reserved), "file5");
    EXPECT_THAT(Subkeys(Key()), UnorderedElementsAre("file1", "file3")); // nothing created

    EXPECT_EQ(NewFileKey(store_, kUser, Key("no list yet"), reserved), "file1");
    EXPECT_FALSE(KeyExists(Key("no list yet")));
}

} // namespace
} // namespace qm
