#pragma once
// The end-to-end scenarios of the runner driver, in named steps reported one by one; each
// returns its number of failed checks.
#include <string>

namespace qm::e2e {

// A configuration given on the command line: the key sequences of plain, Repeat, Rotary, lock
// and board mappings; the second instance; the notification icon following Run and Stop, also
// after a taskbar restart, and gone at Exit; Enter on the focused Run button.
int KeysScenario();
// Started without arguments: the main window and its repaint after a DPI change, Run, the
// priority and poll menus answered Yes, Stop.
int DialogsScenario();
// Started with "/t" and preferences that ask for the default configuration.
int DefaultConfigurationScenario();
// Each program started twice 50 ms apart leaves one copy; a start while that copy is busy
// ends at once.
int InstancesScenario();

} // namespace qm::e2e
