#pragma once
// The driver's runs besides the scripts and the end-to-end scenarios: the demo and the timing
// measurements.
#include <string>

namespace qm::e2e {

// Runs `configuration` (the bundled sample when empty) with simulated devices made to match
// it, presses each mapped button and prints the keys that arrive; then opens it in the editor
// and prints the rows of its mapping list.
int Demo(const std::wstring& configuration);

// The achieved poll period at each setting and the latency from a button change to the key
// in a window; printed, never judged.
int Measure(int passes, int presses);

// The time corvex.exe takes to start with `newFiles` configurations in its folder that the
// known-files list does not hold yet; printed, never judged.
int MeasureStartUp(int newFiles);

// The editor's mapping list with 512 rows: the time from the Open command to the painted list,
// a full repaint and a page scroll, `runs` times each; printed, never judged.
int MeasureEditor(int runs);

// corvex.exe running a configuration at the 5 ms setting for `minutes` while simulated buttons
// are pressed at random and the devices unplugged now and then; every `sampleSeconds` a quiet
// point checks that no key stayed down and samples memory, handles, threads and idle CPU.
// Exit code 1 when a key stayed down or the program ended.
int SoakRunner(int minutes, int sampleSeconds);
// The same with vantrel.exe's live test of that configuration.
int SoakEditor(int minutes, int sampleSeconds);

// Corrupt, truncated, huge, binary and empty files, hostile registry values for every setting
// and hostile device counts, each given to both programs; one line per case. Exit code 1 when
// a program crashed, hung or would not end, or a configuration file changed. `only`: "files",
// "devices" or "registry" runs those cases alone.
int Hostile(const std::wstring& only);

// vantrel.exe killed at a random moment around a save, `count` times: the file must hold the
// old or the new bytes each time. Exit code 1 when it held a mix or was missing.
int KillSaves(int count);

} // namespace qm::e2e
