#pragma once
// The system's monotonic clock.
#include "core/clock.h"

namespace qm {

class SteadyClock final : public Clock {
public:
    double Now() override;
    void Sleep(int milliseconds) override;
};

} // namespace qm
