#include "script.h"

namespace qm::e2e {

namespace {

std::string_view Trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// One argument at the start of `text` (which starts with a non-space); `text` moves past it.
std::string TakeWord(std::string_view& text) {
    std::string word;
    if (text.front() != '"') {
        const auto end = text.find_first_of(" \t");
        word = std::string(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view{} : Trim(text.substr(end));
        return word;
    }
    for (std::size_t i = 1; i < text.size(); ++i) {
        if (text[i] != '"') {
            word += text[i];
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == '"') {
            word += '"';
            ++i;
            continue;
        }
        const std::string_view after = text.substr(i + 1);
        if (!after.empty() && after.front() != ' ' && after.front() != '\t')
            throw ScriptError("a space must follow a closing quote");
        text = Trim(after);
        return word;
    }
    throw ScriptError("a quote is not closed");
}

} // namespace

std::vector<ScriptLine> ScriptLines(std::string_view text) {
    std::vector<ScriptLine> lines;
    int number = 0;
    while (!text.empty() || number == 0) {
        ++number;
        const auto end = text.find('\n');
        const std::string_view line = Trim(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (line.empty() || line.front() == '#') {
            if (text.empty())
                break;
            continue;
        }
        const auto space = line.find_first_of(" \t");
        ScriptLine parsed{number, std::string(line), std::string(line.substr(0, space)), {}};
        if (space != std::string_view::npos)
            parsed.Rest = std::string(Trim(line.substr(space)));
        lines.push_back(std::move(parsed));
    }
    return lines;
}

std::vector<std::string> SplitArguments(std::string_view rest, std::size_t least,
                                        std::size_t most) {
    std::vector<std::string> arguments;
    rest = Trim(rest);
    while (!rest.empty()) {
        if (arguments.size() + 1 == most) {
            // The last argument: the rest of the line, unless it is one quoted word.
            std::string_view copy = rest;
            std::string word;
            bool whole = false;
            if (rest.front() == '"') {
                try {
                    word = TakeWord(copy);
                    whole = copy.empty();
                } catch (const ScriptError&) {
                    whole = false;
                }
            }
            arguments.push_back(whole ? word : std::string(rest));
            rest = {};
            break;
        }
        arguments.push_back(TakeWord(rest));
    }
    if (arguments.size() < least)
        throw ScriptError(least == 1 ? "an argument is missing"
                                     : "expects at least " + std::to_string(least) + " arguments");
    if (arguments.size() > most)
        throw ScriptError("expects at most " + std::to_string(most) + " arguments");
    return arguments;
}

} // namespace qm::e2e
