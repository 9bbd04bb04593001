#pragma once
// Second starts as the scripts drive them: a program started several times at once, each start
// with a file of its own, and the configurations the copy that runs on lists.
#include "harness.h"

#include <windows.h>

#include <string>
#include <vector>

namespace qm::e2e {

// Starts `program` once per command line, all at once; waits until every copy but one has
// ended by itself with exit code 0 (it handed its file over). That one goes to `left`; false,
// with `why`, when that did not happen within `timeoutMs`.
bool StartTogether(const std::wstring& program, const std::vector<std::wstring>& commandLines,
                   DWORD timeoutMs, RunnerProcess& left, std::string& why);

// The records of `listed`: "listed" and the number of files the program lists, then each file
// name in order of its text (the editor's configuration list, the runner's selector); for the
// runner then "running" and "the file taken last" when it runs the known file it listed last
// (otherwise what it shows).
std::vector<std::string> ListedRecords(HANDLE process, HWND main, bool runner);

} // namespace qm::e2e
