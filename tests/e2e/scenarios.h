#pragma once
// The end-to-end scenarios of the runner driver; each returns its number of failed checks.
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

} // namespace qm::e2e
