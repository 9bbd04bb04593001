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

// The output file name that means standard output.
inline constexpr std::string_view kStandardOutputName = "-";

int Dump(const Arguments& args);
int Upgrade(const Arguments& args);
int Check(const Arguments& args);
int Simulate(const Arguments& args);

// A command of the table, with the texts of its help.
struct Command {
    const char* Name;
    int (*Run)(const Arguments& args);
    const char* Synopsis;
    const char* Summary;
    const char* Details;       // what it does and its options
    bool TakesDevices = false; // its help shows the DEVICES.json format
};
const Command* FindCommand(std::string_view name);
bool AsksForHelp(const Arguments& args); // --help or -h among the arguments
// help [COMMAND]: the overall help or a command's, on stdout.
int Help(const Arguments& args);
int UnknownCommand(std::string_view name); // the usage on stderr; exit 2
int Version();

// Output helpers: stdout carries the result, stderr one line for each message.
void PrintLine(const std::string& line);
// A message on stderr, as Printable shows it: a file name of the user's cannot break the line
// nor send the terminal commands.
void PrintError(const std::string& text);
// The text with each control character (C0, DEL, C1) written as "\x" and two hex digits of its
// code: "\x1b" for ESC, "\x0a" for a line feed, "\x9b" for U+009B.
std::string Printable(std::string_view utf8);
// A program's message as a command line says it: one line, no question, no error box.
std::string CommandLineText(const Message& message);
// "qmftool: SUBJECT: TEXT" on stderr, TEXT the message's command-line wording followed by
// "; " and `consequence` when one is given.
void PrintRefusal(std::string_view subject, const Message& message,
                  std::string_view consequence = {});
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
