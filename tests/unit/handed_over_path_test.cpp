// What a running copy accepts as a path handed over by a second start.
#include "core/handed_over_path.h"

#include <gtest/gtest.h>

#include <vector>

namespace qm {
namespace {

// The message's bytes: `text` and the NUL.
std::vector<char> Bytes(const std::u16string& text) {
    const std::u16string terminated = text + u'\0';
    const auto* first = reinterpret_cast<const char*>(terminated.data());
    return {first, first + terminated.size() * sizeof(char16_t)};
}

std::optional<std::u16string> Received(const std::vector<char>& bytes,
                                       std::uintptr_t tag = kHandedOverPathTag) {
    return HandedOverPath(tag, bytes.data(), bytes.size());
}

TEST(HandedOverPath, OnlyOneTerminatedFullPathUnderOurTagWithinTheLongestPath) {
    const std::u16string path = u"C:\\My Files\\a.qmf";
    EXPECT_EQ(Received(Bytes(path)), path);
    EXPECT_EQ(Received(Bytes(u"\\\\server\\share\\a.qmf")), u"\\\\server\\share\\a.qmf");
    // At an odd address, as another program may send it.
    std::vector<char> shifted = Bytes(path);
    shifted.insert(shifted.begin(), 'x');
    EXPECT_EQ(HandedOverPath(kHandedOverPathTag, shifted.data() + 1, shifted.size() - 1), path);

    EXPECT_EQ(Received(Bytes(path), kHandedOverPathTag + 1), std::nullopt);
    EXPECT_EQ(HandedOverPath(kHandedOverPathTag, nullptr, 0), std::nullopt);
    for (const std::u16string& text :
         {std::u16string(), std::u16string(u"a.qmf"), std::u16string(u"C:a.qmf"),
          std::u16string(u"1:\\a.qmf"), std::u16string(u"\\a\\b.qmf"),
          std::u16string(u"C:\\a\0b.qmf", 10)})
        EXPECT_EQ(Received(Bytes(text)), std::nullopt) << text.size();
    std::vector<char> bytes = Bytes(path);
    bytes.pop_back(); // an odd size
    EXPECT_EQ(Received(bytes), std::nullopt);
    bytes.pop_back(); // no NUL at the end
    EXPECT_EQ(Received(bytes), std::nullopt);

    // The longest path, its NUL included, and one unit more.
    const std::u16string longest = u"C:\\" + std::u16string(kLongestPathUnits - 4, u'd');
    EXPECT_EQ(Received(Bytes(longest)), longest);
    EXPECT_EQ(Received(Bytes(longest + u'd')), std::nullopt);
}

} // namespace
} // namespace qm
