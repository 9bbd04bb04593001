// File names shown in the lists and the comparison of paths.
#include "core/paths.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

// The name follows the last separator of either kind; a path without one is a name.
TEST(PathsTest, FileNameIsWhatFollowsTheLastSeparator) {
    EXPECT_EQ(FileNameOf("C:\\Configs\\flight.qmf"), "flight.qmf");
    EXPECT_EQ(FileNameOf("C:\\Configs\\sub/race.qmf"), "race.qmf");
    EXPECT_EQ(FileNameOf("/home/pilot/a.b\\c.qmf"), "c.qmf");
    EXPECT_EQ(FileNameOf("plain.qmf"), "plain.qmf");
    EXPECT_EQ(FileNameOf("C:\\Configs\\"), "");
    EXPECT_EQ(FileNameOf(""), "");
}

// Case does not tell paths apart; anything else does.
TEST(PathsTest, PathsAreTheSameWhateverTheirCase) {
    EXPECT_TRUE(SamePath("C:\\Configs\\Flight.QMF", "c:\\configs\\flight.qmf"));
    EXPECT_FALSE(SamePath("C:\\Configs\\flight.qmf", "C:/Configs/flight.qmf"));
    EXPECT_FALSE(SamePath("C:\\Configs\\flight.qmf", "C:\\Configs\\flight.qmf "));
    EXPECT_TRUE(SamePath("", ""));
}

} // namespace
} // namespace qm
