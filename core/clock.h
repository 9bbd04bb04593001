#pragma once
// The monotonic clock of the mapping engine and the key-hold wait, and the longest timing.
namespace qm {

// Timings above a minute are typing errors, not settings (a key held for hours).
inline constexpr int kMaxTimingMs = 60000;

class Clock {
public:
    virtual ~Clock() = default;
    // Seconds since an arbitrary start; never goes back (no wrap at midnight).
    virtual double Now() = 0;
    // Blocks the calling thread (a manual clock advances instead).
    virtual void Sleep(int milliseconds) = 0;
};

// A clock that moves only when told to: Sleep advances it.
class ManualClock final : public Clock {
public:
    double Now() override { return seconds_; }
    void Sleep(int milliseconds) override { seconds_ += milliseconds / 1000.0; }
    void Set(double seconds) { seconds_ = seconds; }
    void Advance(double seconds) { seconds_ += seconds; }

private:
    double seconds_ = 0;
};

} // namespace qm
