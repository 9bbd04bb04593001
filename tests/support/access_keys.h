#pragma once
// Access keys of captions: each window's or menu's captions have one, no two alike.
#include <gtest/gtest.h>

#include <cwctype>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace qm::testing {

// `groups`: the captions of each window or menu, by a name for the failure message. An access
// key is the letter after '&' (the tables double no '&').
inline void ExpectDistinctAccessKeys(const std::map<int, std::vector<std::wstring>>& groups) {
    for (const auto& [group, captions] : groups) {
        std::set<wint_t> seen;
        for (const std::wstring& caption : captions) {
            const auto at = caption.find(L'&');
            const wint_t key = at < caption.size() - 1 ? std::towlower(caption[at + 1]) : 0;
            EXPECT_TRUE(key != 0 && seen.insert(key).second)
                << "group " << group << ": " << ::testing::PrintToString(caption);
        }
    }
}

} // namespace qm::testing
