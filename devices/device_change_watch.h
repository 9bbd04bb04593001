#pragma once
// The system's notices that devices came or went arrive in bursts (one plug gives several).
// The limited rescan waits until they have settled, so that a burst gives one rescan; a
// stream that never settles is rescanned every so often all the same.
namespace qm {

class DeviceChangeWatch {
public:
    // No notice for this long: the burst is over.
    static constexpr double kSettleSeconds = 0.25;
    // At most this long from a burst's first notice to its rescan.
    static constexpr double kLongestWaitSeconds = 2.0;

    // A notice at `now` (monotonic seconds).
    void Notice(double now);
    bool Pending() const { return pending_; }
    // True once per burst, when its rescan is due at `now`; the burst is then over.
    bool Due(double now);
    // Forgets the notices (a full scan makes their rescan needless).
    void Clear() { pending_ = false; }

private:
    bool pending_ = false;
    double first_ = 0;
    double last_ = 0;
};

} // namespace qm
