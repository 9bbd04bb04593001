// The system code page conversion, for the code page the test prefix uses (Windows-1252).
#include "core/ansi_text.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace qm {
namespace {

class AnsiTextAcpTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (GetACP() != 1252)
            GTEST_SKIP() << "the system code page is " << GetACP();
    }
};

TEST_F(AnsiTextAcpTest, Windows1252BytesConvertBothWays) {
    const std::string ansi("plain \x80 \xE9 \xFC \x9F", 13);
    const std::string utf8 = "plain \xE2\x82\xAC \xC3\xA9 \xC3\xBC \xC5\xB8"; // € é ü Ÿ
    EXPECT_EQ(AnsiToUtf8(ansi), utf8);
    EXPECT_EQ(Utf8ToAnsi(utf8), ansi);
    EXPECT_EQ(AnsiToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
    EXPECT_EQ(AnsiToUtf8(""), "");
    EXPECT_EQ(Utf8ToAnsi(""), "");
}

TEST_F(AnsiTextAcpTest, UnrepresentableCharactersBecomeQuestionMarks) {
    // No best-fit: a macron letter does not turn into its plain letter.
    EXPECT_EQ(Utf8ToAnsi("\xC4\x81"), "?");         // ā
    EXPECT_EQ(Utf8ToAnsi("x\xE6\x97\xA5y"), "x?y"); // 日
    EXPECT_EQ(Utf8ToAnsi("\xF0\x9F\x8E\xAE"), "?"); // one character, two units
    EXPECT_EQ(Utf8ToAnsi("\xFF"), "?");             // not UTF-8
}

} // namespace
} // namespace qm
