#pragma once
// The runner driver's runs besides the end-to-end scenarios: the demo and the timing
// measurements.
#include <string>

namespace qm::e2e {

// Runs `configuration` (the bundled sample when empty) with simulated devices made to match
// it, presses each mapped button and prints the keys that arrive.
int Demo(const std::wstring& configuration);

// The achieved poll period at each setting and the latency from a button change to the key
// in a window; printed, never judged.
int Measure(int passes, int presses);

// The time corvex.exe takes to start with `newFiles` configurations in its folder that the
// known-files list does not hold yet; printed, never judged.
int MeasureStartUp(int newFiles);

} // namespace qm::e2e
