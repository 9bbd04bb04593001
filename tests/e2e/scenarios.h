#pragma once
// The driver's runs: the end-to-end scenarios (each returns its number of failed checks), the
// demo and the timing measurement.
#include <string>

namespace qm::e2e {

// A configuration given on the command line: the key sequences of plain, Repeat, Rotary, lock
// and board mappings; the second instance; the notification icon's menu and its Stop.
int KeysScenario();
// Started without arguments: the main window, "Open..." through the file dialog, the priority
// and poll menus with their warnings, Stop, the preferences dialog's Apply.
int DialogsScenario();
// Started with "/t" and preferences that ask for the default configuration.
int DefaultConfigurationScenario();

// Runs `configuration` (the bundled sample when empty) with simulated devices made to match
// it, presses each mapped button and prints the keys that arrive.
int Demo(const std::wstring& configuration);

// The achieved poll period at each setting and the latency from a button change to the key
// in a window; printed, never judged.
int Measure(int passes, int presses);

} // namespace qm::e2e
