// The settling of device-change notices: a burst gives one rescan, a stream one every 2 s.
#include "devices/device_change_watch.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(DeviceChangeWatch, ABurstGivesOneRescanOnceSettledAndAStreamOneEveryLongestWait) {
    DeviceChangeWatch watch;
    EXPECT_FALSE(watch.Due(5.0));
    // Three notices 0.125 s apart: due exactly 0.25 s after the last, once.
    for (const double t : {10.0, 10.125, 10.25})
        watch.Notice(t);
    EXPECT_FALSE(watch.Due(10.375));
    EXPECT_TRUE(watch.Due(10.5));
    EXPECT_FALSE(watch.Due(10.625));
    EXPECT_FALSE(watch.Pending());

    // Notices that never settle: due exactly 2 s after the first.
    for (double t = 20.0; t < 21.9; t += 0.125)
        watch.Notice(t);
    EXPECT_FALSE(watch.Due(21.875));
    EXPECT_TRUE(watch.Due(22.0));

    watch.Notice(30.0);
    watch.Clear();
    EXPECT_FALSE(watch.Due(40.0));
}

} // namespace
} // namespace qm
