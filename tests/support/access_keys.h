#pragma once
// Access keys of captions: each window's or menu's captions have one, no two alike.
#include <gtest/gtest.h>

#include <cwctype>
#include <map>
#include <string>
#include <vector>

namespace qm::testing {

// The access key of a caption: the letter after a single '&', lower case; 0 for none.
inline wchar_t AccessKey(const wchar_t* caption) {
    for (const wchar_t* c = caption; *c != L'\0' && c[1] != L'\0'; ++c) {
        if (*c == L'&' && c[1] == L'&')
            ++c;
        else if (*c == L'&')
            return static_cast<wchar_t>(std::towlower(c[1]));
    }
    return 0;
}

// Each group's captions have an access key, no two alike; `where` names the group.
inline void
ExpectDistinctAccessKeys(const std::map<std::string, std::vector<const wchar_t*>>& groups) {
    for (const auto& [where, captions] : groups) {
        std::map<wchar_t, std::wstring> seen;
        for (const wchar_t* caption : captions) {
            const wchar_t key = AccessKey(caption);
            EXPECT_NE(key, 0) << where << ": " << ::testing::PrintToString(std::wstring(caption));
            const auto [it, added] = seen.emplace(key, caption);
            EXPECT_TRUE(added || key == 0) << where << ": " << static_cast<char>(key) << " twice";
        }
    }
}

} // namespace qm::testing
