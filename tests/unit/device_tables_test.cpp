// The button map's bounds and board identities (the tables themselves: input_devices_test).
#include "devices/device_identity.h"
#include "devices/device_tables.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(DeviceTables, ClearStartsFromEmptyAndMapReadsOutsideGiveZero) {
    DeviceTables t;
    t.AddDevice({true, 0, "{G}", "Pad", 4});
    t.ButtonMap().Set(1, 4, 9);
    t.ButtonMap().Set(1, 5, 9); // outside: ignored
    const auto& map = t.ButtonMap();
    EXPECT_EQ((std::vector{map.At(1, 4), map.At(1, 5), map.At(2, 1), map.At(-1, 1)}),
              (std::vector{9, 0, 0, 0}));
    t.Clear();
    t.AddDevice({true, 0, "{G}", "Pad", 4});
    EXPECT_EQ(t.ButtonTotal(), 4);
    EXPECT_EQ(t.ButtonMap().At(1, 4), 0);

    // Buttons beyond the last one a configuration can name are left out.
    t.AddDevice({false, 0, "{H}", "Board", 65535});
    EXPECT_EQ(std::tuple(t.ButtonTotal(), t.MaxButtons(), t.ButtonList().back().ButtonNumber),
              std::tuple(4 + 512, 512, 512));
}

TEST(DeviceIdentity, BoardPathLessItsLastFiveCharacters) {
    const std::string path60(60, 'p');
    EXPECT_EQ(BoardIdentity(path60).size(), 55u);
    EXPECT_EQ(BoardIdentity("abcd"), "");
    EXPECT_EQ(BoardIdentity("hid#1{\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9"), "hid#1{");
}

} // namespace
} // namespace qm
