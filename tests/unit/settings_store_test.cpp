// The settings-store seam's contract, run against every implementation: the in-memory test
// double natively, and under Wine (the Windows build of these tests) the registry too.
#include "settings/known_files.h"
#include "support/memory_store.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#ifdef _WIN32
#include "settings/win32/registry_store.h"
#endif

namespace qm {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

constexpr auto kUser = RegistryRoot::CurrentUser;
constexpr char kTestRoot[] = "Software\\VantrelTest";

// Each test works under a key of its own, removed before and after it through the seam itself.
template <class Store> class SettingsStoreContract : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string suite = test->test_suite_name();
        std::replace(suite.begin(), suite.end(), '/', '-');
        key_ = std::string(kTestRoot) + "\\" + suite + "-" + test->name();
        DeleteTree(key_);
    }
    void TearDown() override {
        DeleteTree(key_);
        store_.DelKey(kUser, kTestRoot); // when empty
    }
    void DeleteTree(const std::string& path) {
        for (const auto& name : SubkeyNames(store_, kUser, path))
            DeleteTree(path + "\\" + name);
        store_.DelKey(kUser, path);
    }

    // Paths below the test's key.
    std::string Key(std::string_view sub = {}) const {
        return sub.empty() ? key_ : key_ + "\\" + std::string(sub);
    }
    std::vector<std::string> Subkeys(std::string_view sub = {}) {
        return SubkeyNames(store_, kUser, Key(sub));
    }

    Store store_;
    std::string key_;
};

#ifdef _WIN32
using Stores = ::testing::Types<MemoryStore, RegistryStore>;
#else
using Stores = ::testing::Types<MemoryStore>;
#endif
TYPED_TEST_SUITE(SettingsStoreContract, Stores);

TYPED_TEST(SettingsStoreContract, SaveStringCreatesTheKeysAlongThePathAndReadsCreateNothing) {
    auto& s = this->store_;
    EXPECT_EQ(s.GetString(kUser, this->Key("a\\b"), "v"), "");
    EXPECT_THAT(this->Subkeys(), IsEmpty());
    s.SaveString(kUser, this->Key("a\\b\\c"), "v", "1");
    EXPECT_THAT(this->Subkeys(), ElementsAre("a"));
    EXPECT_THAT(this->Subkeys("a\\b"), ElementsAre("c"));
    EXPECT_EQ(s.GetString(kUser, this->Key("a\\b\\c"), "v"), "1");
    EXPECT_EQ(s.GetString(kUser, this->Key("a\\b\\c"), "other"), "");
    EXPECT_EQ(s.GetString(kUser, this->Key("a\\b\\c"), ""), ""); // default value never set
    EXPECT_EQ(s.GetString(kUser, this->Key("a\\b"), "v"), "");
    EXPECT_EQ(s.GetString(kUser, this->Key("a\\b\\c\\none"), "v"), "");
    EXPECT_THAT(this->Subkeys("a\\b\\c"), IsEmpty());
    // The other roots are separate trees.
    for (const auto root : {RegistryRoot::LocalMachine, RegistryRoot::ClassesRoot})
        EXPECT_EQ(s.GetString(root, this->Key("a\\b\\c"), "v"), "");
}

TYPED_TEST(SettingsStoreContract, TextRoundTripsTheDefaultValueIsSeparateNamesIgnoreCase) {
    auto& s = this->store_;
    for (const std::string text : {"C:\\Program Files\\Vantrel\\config\\",
                                   "Gr\xC3\xBC\xC3\x9F"
                                   "e \xE2\x80\x93 \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x8E\xAE",
                                   ""}) {
        s.SaveString(kUser, this->Key(), "value", text);
        EXPECT_EQ(s.GetString(kUser, this->Key(), "value"), text);
    }
    s.SaveString(kUser, this->Key(), "", "default text");
    s.SaveString(kUser, this->Key(), "named", "named text");
    EXPECT_EQ(s.GetString(kUser, this->Key(), ""), "default text");
    EXPECT_EQ(s.GetString(kUser, this->Key(), "named"), "named text");
    // Key paths and value names outside ASCII.
    s.SaveString(kUser, this->Key("\xC3\x84rger"), "n\xC3\xA4me", "x");
    EXPECT_EQ(s.GetString(kUser, this->Key("\xC3\x84rger"), "n\xC3\xA4me"), "x");
    EXPECT_THAT(this->Subkeys(), ElementsAre("\xC3\x84rger"));
    // Names ignore case and keep their first spelling.
    s.SaveString(kUser, this->Key("Config"), "KeyHold", "0");
    s.SaveString(kUser, this->Key("CONFIG"), "keyhold", "20");
    EXPECT_THAT(this->Subkeys(), UnorderedElementsAre("\xC3\x84rger", "Config"));
    EXPECT_EQ(s.GetString(kUser, this->Key("config"), "KEYHOLD"), "20");
}

TYPED_TEST(SettingsStoreContract, DeletesOnlyWhatIsNamedAndCreatesNothing) {
    auto& s = this->store_;
    s.SaveString(kUser, this->Key(), "gone", "1");
    s.SaveString(kUser, this->Key(), "kept", "2");
    s.SaveString(kUser, this->Key(), "", "default");
    s.DelSetting(kUser, this->Key(), "GONE");
    s.DelSetting(kUser, this->Key(), "");
    EXPECT_EQ(s.GetString(kUser, this->Key(), "gone"), "");
    EXPECT_EQ(s.GetString(kUser, this->Key(), ""), "");
    s.DelSetting(kUser, this->Key(), "gone"); // already gone: nothing happens
    s.DelSetting(kUser, this->Key("p\\q"), "v");
    s.DelKey(kUser, this->Key("p\\q"));
    EXPECT_THAT(this->Subkeys(), IsEmpty());
    EXPECT_EQ(s.GetString(kUser, this->Key(), "kept"), "2");

    // A key is deleted only without subkeys.
    s.SaveString(kUser, this->Key("parent\\child"), "v", "1");
    s.SaveString(kUser, this->Key("parent\\other"), "v", "1");
    s.SaveString(kUser, this->Key("parent"), "v", "2");
    s.DelKey(kUser, this->Key("parent"));
    EXPECT_EQ(s.GetString(kUser, this->Key("parent"), "v"), "2");
    EXPECT_THAT(this->Subkeys("parent"), ElementsAre("child", "other"));
    // Children first, then the parent: the order callers use.
    s.DelKey(kUser, this->Key("PARENT\\Child"));
    EXPECT_THAT(this->Subkeys("parent"), ElementsAre("other"));
    s.DelKey(kUser, this->Key("parent\\other"));
    s.DelKey(kUser, this->Key("parent"));
    EXPECT_THAT(this->Subkeys(), IsEmpty());
    s.SaveString(kUser, this->Key(), "v", "3"); // the key above stays
    EXPECT_EQ(s.GetString(kUser, this->Key(), "v"), "3");
}

TYPED_TEST(SettingsStoreContract, EnumKeyListsSubkeysThenReportsNoMoreItems) {
    auto& s = this->store_;
    std::string name;
    EXPECT_EQ(s.EnumKey(kUser, this->Key("missing"), 0, name), kNoMoreItems);
    s.SaveString(kUser, this->Key(), "value only", "x");
    EXPECT_EQ(s.EnumKey(kUser, this->Key(), 0, name), kNoMoreItems); // values are not subkeys
    for (const char* sub : {"file1", "file3", "other", "file10"})
        s.SaveString(kUser, this->Key(sub), "path", sub);
    EXPECT_THAT(this->Subkeys(), UnorderedElementsAre("file1", "file3", "other", "file10"));
    EXPECT_EQ(s.EnumKey(kUser, this->Key(), 1000000, name), kNoMoreItems);
}

TYPED_TEST(SettingsStoreContract, NewFileKeyIssuesTheSmallestNameNeitherStoredNorReserved) {
    auto& s = this->store_;
    ReservedEntryNames issued;
    EXPECT_EQ(NewFileKey(s, kUser, this->Key(), issued), "file1");
    // Issued but not yet written: not issued again; nothing is created.
    EXPECT_EQ(NewFileKey(s, kUser, this->Key(), issued), "file2");
    EXPECT_THAT(this->Subkeys(), IsEmpty());

    s.SaveString(kUser, this->Key("file1"), "path", "a");
    s.SaveString(kUser, this->Key("FILE3"), "path", "c"); // another case is the same entry
    ReservedEntryNames reserved;
    reserved.Add("file2");
    EXPECT_EQ(NewFileKey(s, kUser, this->Key(), reserved), "file4");
    // A name freed in the store is issued again, once.
    s.DelKey(kUser, this->Key("file1"));
    EXPECT_EQ(NewFileKey(s, kUser, this->Key(), reserved), "file1");
    EXPECT_EQ(NewFileKey(s, kUser, this->Key(), reserved), "file5");
    EXPECT_THAT(this->Subkeys(), ElementsAre("FILE3"));
}

} // namespace
} // namespace qm
