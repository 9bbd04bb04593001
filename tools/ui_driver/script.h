#pragma once
// The driver's scripts: one action per line, a verb and its arguments. Arguments are separated
// by spaces; one that holds spaces is written in double quotes ("" inside stands for one
// quote); a verb's last argument takes the rest of the line as written, quotes optional.
// Empty lines and lines starting with '#' are skipped. Portable, so that the grammar stays
// one plain function.
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace qm::e2e {

struct ScriptLine {
    int Number = 0;     // 1-based
    std::string Source; // the line as written, trimmed
    std::string Verb;
    std::string Rest; // everything after the verb, trimmed
};

// The lines of a script that hold an action.
std::vector<ScriptLine> ScriptLines(std::string_view text);

class ScriptError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The arguments in `rest`: at least `least`, and at most `most`, the last of which takes the
// rest of the line. Throws ScriptError otherwise.
std::vector<std::string> SplitArguments(std::string_view rest, std::size_t least, std::size_t most);

} // namespace qm::e2e
