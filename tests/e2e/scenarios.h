#pragma once
// The end-to-end scenarios of the runner driver, in named steps reported one by one; each
// returns its number of failed checks.
#include <string>

namespace qm::e2e {

// A configuration given on the command line: the key sequences of plain, Repeat, Rotary, lock
// and board mappings; the second instance; the notification icon's menu and its Stop; Enter
// on the focused Run button; the icon following Run and Stop after a taskbar restart, and
// gone at Exit.
int KeysScenario();
// Started without arguments: the main window and its repaint after a DPI change, "Open..."
// through the file dialog, the priority and poll menus with their warnings, Stop, the
// preferences dialog's Apply.
int DialogsScenario();
// Started with "/t" and preferences that ask for the default configuration.
int DefaultConfigurationScenario();

} // namespace qm::e2e
