#pragma once
// The commands of qmftool. Each returns the process exit code.
#include "core/dialogs.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace qm::tool {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitRefused = 1;
inline constexpr int kExitUsage = 2; // bad usage or an unreadable input file

using Arguments = std::vector<std::string>;

int Dump(const Arguments& args);
int Upgrade(const Arguments& args);
int Check(const Arguments& args);
int Simulate(const Arguments& args);

// Output helpers: stdout carries the result, stderr the messages a program would show.
void PrintLine(const std::string& line);
void PrintMessage(const Message& message);
void PrintError(const std::string& text);
// The text as a JSON string literal: control characters other than CR, LF and TAB as \u00XX.
std::string JsonQuote(std::string_view utf8);
int UsageError(const std::string& text);
// Reads an input file; on failure prints the system's description and returns false.
bool ReadInputFile(const std::string& path, std::string& bytes);

// Arguments split into positionals and options that take a value ("-o OUT").
struct ParsedArguments {
    std::vector<std::string> Positional;
    std::map<std::string, std::string> Options;
    std::string Error; // set on an unknown option or an option without its value
};
ParsedArguments ParseArguments(const Arguments& args, const std::vector<std::string>& options);

} // namespace qm::tool
