#pragma once
// Runs a driver script (grammar in README.md) against the real programs: prints each output
// record on stdout as it comes. With an expected file, the records are compared with it.
#include <string>

namespace qm::e2e {

// 0 when every action was performed (and the records equal the expected file's lines when
// one is given); 1 otherwise. A failed action prints "error: line N: ..." as the last record.
int RunScript(const std::wstring& script, const std::wstring& expected);

} // namespace qm::e2e
