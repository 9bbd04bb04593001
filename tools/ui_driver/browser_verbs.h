#pragma once
// The browser the programs show the user guide in, as the scripts see it: help_browser.exe of
// the payload, made the current user's program for .html pages, notes each page it is started
// on.
#include <string>
#include <vector>

namespace qm::e2e {

// Makes the stand-in the program for .html pages, with no page noted yet. For test sessions:
// it replaces the current user's own choice.
void UseStandInBrowser();

// The pages the stand-in was started on, in order: each as a file path (an address made a
// path), with "#anchor" when it had one.
std::vector<std::wstring> BrowserPages();

} // namespace qm::e2e
